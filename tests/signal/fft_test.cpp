// The transforms' argument checks, worked values, bit identity of the
// buffer and in-place forms, and round trips of every order (their accuracy
// against FFTW is in fftw_test.cpp, natively).
#include <cstring>
#include <random>

#include "signal/signal_test_util.h"

namespace {

using namespace kotest;

template <class T>
std::vector<T> Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1, 1);
  std::vector<T> x(n);
  for (auto &v : x) {
    if constexpr (std::is_same_v<T, cf>)
      v = cf(float(d(rng)), float(d(rng)));
    else
      v = d(rng);
  }
  return x;
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
  // Null pointers, and a setup of the other kind.
  const uint32_t kNull = 0x8004E608u, kKind = 0x8004E611u;
  const uint32_t got[][2] = {
      {U(KoPerfsFFTGetBufSize_C_32fc(nullptr, &bytes)), kNull}, {U(KoPerfsFFTGetBufSize_C_32fc(c, nullptr)), kNull},
      {U(KoPerfsFFTGetBufSize_C_32fc(r, &bytes)), kKind},       {U(KoPerfsFFTGetBufSize_R_64f(c, &bytes)), kKind},
      {U(KoPerfsFFTFwd_CToC_32fc(nullptr, y.data(), c, nullptr)), kNull},
      {U(KoPerfsFFTFwd_CToC_32fc(x.data(), nullptr, c, nullptr)), kNull},
      {U(KoPerfsFFTInv_CToC_32fc(x.data(), y.data(), nullptr, nullptr)), kNull},
      {U(KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), r, nullptr)), kKind},
      {U(KoPerfsFFTFwd_RToPerm_64f_I(nullptr, r, nullptr)), kNull},
      {U(KoPerfsFFTInv_PermToR_64f_I(d.data(), c, nullptr)), kKind},
      {U(KoPerfsFFTFree_C_32fc(r)), kKind}, {U(KoPerfsFFTFree_R_64f(c)), kKind}, {U(KoPerfsFFTFree_C_32fc(nullptr)), kNull}};
  for (size_t i = 0; i < sizeof got / sizeof got[0]; ++i) EXPECT_EQ(got[i][0], got[i][1]) << "call " << i;
  EXPECT_EQ(U(KoPerfsFFTFree_C_32fc(c)), kOk);
  EXPECT_EQ(U(KoPerfsFFTFree_R_64f(r)), kOk);
}

// An impulse at sample 1 of 4: the forward transform turns by -90 degrees
// a bin and here divides by n, the inverse turns by +90.
TEST(Fft, WorkedValuesSetTheDirectionAndScale) {
  C32 fft(2, 1);
  const std::vector<cf> x = {0, 1, 0, 0};
  EXPECT_LT(RelErr(fft.Run(x, false), std::vector<cf>{{0.25, 0}, {0, -0.25}, {-0.25, 0}, {0, 0.25}}), 1e-7);
  EXPECT_LT(RelErr(fft.Run(x, true), std::vector<cf>{{1, 0}, {0, 1}, {-1, 0}, {0, -1}}), 1e-7);
}

TEST(Fft, InPlaceAndInternalBufferGiveTheSameBits) {
  for (int order : {0, 1, 2, 3, 4, 7, 12}) {
    const size_t n = size_t{1} << order;
    C32 fft(order, 1);
    const std::vector<cf> x = Random<cf>(n, order);
    const std::vector<cf> want = fft.Run(x, false);
    std::vector<cf> io = x;
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(io.data(), io.data(), fft.setup, fft.buf.data())), kOk);
    EXPECT_EQ(0, std::memcmp(io.data(), want.data(), n * sizeof(cf))) << "in place, order " << order;
    std::vector<cf> y(n);
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), fft.setup, nullptr)), kOk);
    EXPECT_EQ(0, std::memcmp(y.data(), want.data(), n * sizeof(cf))) << "no buffer, order " << order;
  }
}

// Perm layout: one sample R0; two R0, R1; four R0, R2, R1, I1.
TEST(FftReal, PermLayoutOfShortLengths) {
  const std::vector<std::vector<double>> in = {{3.5}, {3, 1}, {1, 2, 3, 4}}, out = {{3.5}, {4, 2}, {10, -2, -2, 2}};
  for (int order = 0; order < 3; ++order) {
    R64 fft(order, 8);
    std::vector<double> x = in[order];
    fft.Fwd(x);
    EXPECT_EQ(x, out[order]) << order;
    fft.Inv(x);  // unscaled: n times the input
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(x[i], in[order][i] * double(x.size())) << order;
  }
}

TEST(FftReal, RoundTripsEveryOrder) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order;
    const std::vector<double> x = Random<double>(n, 300 + order);
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
