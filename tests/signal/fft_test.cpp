#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koperf.h"
#include "signal/signal_internal.h"


namespace {

using cf = std::complex<float>;
using cd = std::complex<double>;
const uint32_t kOk = 0x0004E600u;
uint32_t U(HRESULT hr) { return static_cast<uint32_t>(hr); }
const int kFlags[] = {1, 2, 4, 8};

// Scale of a direction for a flag.
double FlagScale(int flag, int n, bool inverse) {
  if (flag == 4) return 1.0 / std::sqrt(double(n));
  if ((flag == 1 && !inverse) || (flag == 2 && inverse)) return 1.0 / n;
  return 1.0;
}

// Direct transform in long double, the reference for short lengths.
std::vector<cd> Dft(const std::vector<cd> &x, bool inverse) {
  const size_t n = x.size();
  std::vector<cd> out(n);
  for (size_t k = 0; k < n; ++k) {
    long double re = 0, im = 0;
    for (size_t j = 0; j < n; ++j) {
      long double a = (inverse ? 1 : -1) * 2.0L * 3.14159265358979323846264338327950288L *
                      static_cast<long double>((k * j) % n) / n;
      re += x[j].real() * std::cos(a) - x[j].imag() * std::sin(a);
      im += x[j].real() * std::sin(a) + x[j].imag() * std::cos(a);
    }
    out[k] = cd(double(re), double(im));
  }
  return out;
}

template <class A, class B>
double RelErr(const std::vector<A> &a, const std::vector<B> &b) {
  double num = 0, den = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    num += std::norm(cd(a[i]) - cd(b[i]));
    den += std::norm(cd(b[i]));
  }
  return den > 0 ? std::sqrt(num / den) : std::sqrt(num);
}

struct C32 {
  void *setup = nullptr;
  std::vector<BYTE> buf;
  C32(int order, int flag) {
    EXPECT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(&setup, order, flag, 0)), kOk);
    int bytes = 0;
    EXPECT_EQ(U(KoPerfsFFTGetBufSize_C_32fc(setup, &bytes)), kOk);
    buf.resize(bytes);
  }
  ~C32() { KoPerfsFFTFree_C_32fc(setup); }
  std::vector<cf> Run(const std::vector<cf> &x, bool inverse) {
    std::vector<cf> y(x.size());
    HRESULT hr = inverse ? KoPerfsFFTInv_CToC_32fc(x.data(), y.data(), setup, buf.data())
                         : KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), setup, buf.data());
    EXPECT_EQ(U(hr), kOk);
    return y;
  }
};

struct R64 {
  void *setup = nullptr;
  std::vector<BYTE> buf;
  R64(int order, int flag) {
    EXPECT_EQ(U(KoPerfsFFTInitAlloc_R_64f(&setup, order, flag, 1)), kOk);
    int bytes = 0;
    EXPECT_EQ(U(KoPerfsFFTGetBufSize_R_64f(setup, &bytes)), kOk);
    buf.resize(bytes);
  }
  ~R64() { KoPerfsFFTFree_R_64f(setup); }
  void Fwd(std::vector<double> &x) { EXPECT_EQ(U(KoPerfsFFTFwd_RToPerm_64f_I(x.data(), setup, buf.data())), kOk); }
  void Inv(std::vector<double> &x) { EXPECT_EQ(U(KoPerfsFFTInv_PermToR_64f_I(x.data(), setup, buf.data())), kOk); }
};

std::vector<cf> RandomComplex(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-1, 1);
  std::vector<cf> x(n);
  for (auto &v : x) v = cf(d(rng), d(rng));
  return x;
}

std::vector<double> RandomReal(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1, 1);
  std::vector<double> x(n);
  for (auto &v : x) v = d(rng);
  return x;
}

// Perm vector -> full complex spectrum of a real signal.
std::vector<cd> Unpack(const std::vector<double> &p) {
  const size_t n = p.size();
  std::vector<cd> X(n);
  X[0] = p[0];
  if (n == 1) return X;
  X[n / 2] = p[1];
  for (size_t k = 1; k < n / 2; ++k) {
    X[k] = cd(p[2 * k], p[2 * k + 1]);
    X[n - k] = std::conj(X[k]);
  }
  return X;
}

TEST(Fft, RefusesBadArguments) {
  void *setup = reinterpret_cast<void *>(1);
  EXPECT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(&setup, -1, 8, 0)), 0x8004E60Fu);
  EXPECT_EQ(setup, nullptr);
  EXPECT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(&setup, 25, 8, 0)), 0x8004E60Fu);
  EXPECT_EQ(U(KoPerfsFFTInitAlloc_R_64f(&setup, 99, 8, 0)), 0x8004E60Fu);
  for (int flag : {0, 3, 5, 16, -1})
    EXPECT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(&setup, 4, flag, 0)), 0x8004E610u) << flag;
  EXPECT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(nullptr, 4, 8, 0)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTInitAlloc_R_64f(nullptr, 4, 8, 0)), 0x8004E608u);

  void *c = nullptr, *r = nullptr;
  ASSERT_EQ(U(KoPerfsFFTInitAlloc_C_32fc(&c, 4, 8, 0)), kOk);
  ASSERT_EQ(U(KoPerfsFFTInitAlloc_R_64f(&r, 4, 8, 0)), kOk);
  std::vector<cf> x(16), y(16);
  std::vector<double> d(16);
  int bytes = -1;
  EXPECT_EQ(U(KoPerfsFFTGetBufSize_C_32fc(nullptr, &bytes)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTGetBufSize_C_32fc(c, nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTGetBufSize_C_32fc(r, &bytes)), 0x8004E611u);  // wrong kind of setup
  EXPECT_EQ(U(KoPerfsFFTGetBufSize_R_64f(c, &bytes)), 0x8004E611u);
  EXPECT_EQ(U(KoPerfsFFTFwd_CToC_32fc(nullptr, y.data(), c, nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTFwd_CToC_32fc(x.data(), nullptr, c, nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTInv_CToC_32fc(x.data(), y.data(), nullptr, nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), r, nullptr)), 0x8004E611u);
  EXPECT_EQ(U(KoPerfsFFTFwd_RToPerm_64f_I(nullptr, r, nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTInv_PermToR_64f_I(d.data(), c, nullptr)), 0x8004E611u);
  EXPECT_EQ(U(KoPerfsFFTFree_C_32fc(r)), 0x8004E611u);
  EXPECT_EQ(U(KoPerfsFFTFree_R_64f(c)), 0x8004E611u);
  EXPECT_EQ(U(KoPerfsFFTFree_C_32fc(nullptr)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsFFTFree_C_32fc(c)), kOk);
  EXPECT_EQ(U(KoPerfsFFTFree_R_64f(r)), kOk);
}

TEST(Fft, ComplexMatchesTheDirectTransform) {
  for (int order = 0; order <= 10; ++order) {
    const size_t n = size_t{1} << order;
    const std::vector<cf> x = RandomComplex(n, order * 10);
    const std::vector<cd> xd(x.begin(), x.end());
    const std::vector<cd> wants[2] = {Dft(xd, false), Dft(xd, true)};
    for (int flag : kFlags) {
      C32 fft(order, flag);
      for (bool inv : {false, true}) {
        std::vector<cd> want = wants[inv];
        for (auto &v : want) v *= FlagScale(flag, int(n), inv);
        EXPECT_LT(RelErr(fft.Run(x, inv), want), 1e-6)
            << "order " << order << " flag " << flag << " inv " << inv;
      }
    }
  }
}

TEST(Fft, InPlaceAndInternalBufferGiveTheSameBits) {
  for (int order : {0, 1, 2, 3, 4, 7, 12}) {
    const size_t n = size_t{1} << order;
    C32 fft(order, 1);
    const std::vector<cf> x = RandomComplex(n, order);
    const std::vector<cf> want = fft.Run(x, false);
    std::vector<cf> io = x;
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(io.data(), io.data(), fft.setup, fft.buf.data())), kOk);
    EXPECT_EQ(0, std::memcmp(io.data(), want.data(), n * sizeof(cf))) << "in place, order " << order;
    std::vector<cf> y(n);
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), fft.setup, nullptr)), kOk);
    EXPECT_EQ(0, std::memcmp(y.data(), want.data(), n * sizeof(cf))) << "no buffer, order " << order;
  }
}

TEST(FftReal, PermLayoutOfShortLengths) {
  {
    R64 fft(0, 8);  // one sample: R0 only
    std::vector<double> x = {3.5};
    fft.Fwd(x);
    EXPECT_EQ(x[0], 3.5);
  }
  {
    R64 fft(1, 8);  // two samples: R0, R1
    std::vector<double> x = {3, 1};
    fft.Fwd(x);
    EXPECT_EQ(x, (std::vector<double>{4, 2}));
    fft.Inv(x);
    EXPECT_EQ(x, (std::vector<double>{6, 2}));
  }
  {
    R64 fft(2, 8);  // four: R0, R2, R1, I1
    std::vector<double> x = {1, 2, 3, 4};
    fft.Fwd(x);
    EXPECT_EQ(x, (std::vector<double>{10, -2, -2, 2}));
  }
}

TEST(FftReal, MatchesTheDirectTransform) {
  for (int order = 0; order <= 10; ++order) {
    const size_t n = size_t{1} << order;
    const std::vector<double> x = RandomReal(n, order + 7);
    const std::vector<cd> full = Dft(std::vector<cd>(x.begin(), x.end()), false);
    // The packed spectrum of the direct transform, for the inverse.
    std::vector<double> packed(n);
    packed[0] = full[0].real();
    if (n > 1) packed[1] = full[n / 2].real();
    for (size_t k = 1; k < n / 2; ++k) {
      packed[2 * k] = full[k].real();
      packed[2 * k + 1] = full[k].imag();
    }
    for (int flag : kFlags) {
      R64 fft(order, flag);
      std::vector<cd> want = full;
      for (auto &v : want) v *= FlagScale(flag, int(n), false);
      std::vector<double> p = x;
      fft.Fwd(p);
      EXPECT_LT(RelErr(Unpack(p), want), 1e-13) << "order " << order << " flag " << flag;
      std::vector<double> q = packed;
      fft.Inv(q);
      const double s = FlagScale(flag, int(n), true) * n;
      std::vector<double> xs = x;
      for (auto &v : xs) v *= s;
      EXPECT_LT(RelErr(q, xs), 1e-13) << "inverse, order " << order << " flag " << flag;
    }
  }
}

TEST(FftReal, RoundTripsEveryOrder) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order;
    const std::vector<double> x = RandomReal(n, 300 + order);
    for (int flag : kFlags) {
      R64 fft(order, flag);
      std::vector<double> y = x;
      fft.Fwd(y);
      fft.Inv(y);
      if (flag == 8)
        for (auto &v : y) v /= double(n);
      EXPECT_LT(RelErr(y, x), 1e-14) << "order " << order << " flag " << flag;
    }
  }
}

}  // namespace
