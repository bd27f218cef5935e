// Transform wrappers and error measures shared by the signal suites.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "kokernel/koperf.h"

namespace kotest {

using cf = std::complex<float>;
using cd = std::complex<double>;
constexpr uint32_t kOk = 0x0004E600u;
inline uint32_t U(HRESULT hr) { return static_cast<uint32_t>(hr); }
constexpr int kFlags[] = {1, 2, 4, 8};

// Scale of a direction for a flag.
inline double FlagScale(int flag, size_t n, bool inverse) {
  if (flag == 4) return 1.0 / std::sqrt(double(n));
  if ((flag == 1 && !inverse) || (flag == 2 && inverse)) return 1.0 / double(n);
  return 1.0;
}

// Relative distance of got from want (absolute where want is zero).
template <class A, class B>
double RelErr(const std::vector<A> &got, const std::vector<B> &want) {
  double num = 0, den = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    num += std::norm(cd(got[i]) - cd(want[i]));
    den += std::norm(cd(want[i]));
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
    EXPECT_EQ(U(inverse ? KoPerfsFFTInv_CToC_32fc(x.data(), y.data(), setup, buf.data())
                        : KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), setup, buf.data())),
              kOk);
    return y;
  }
};

struct R64 {
  void *setup = nullptr;
  std::vector<BYTE> buf;
  R64(int order, int flag, int hint = 1) {
    EXPECT_EQ(U(KoPerfsFFTInitAlloc_R_64f(&setup, order, flag, hint)), kOk);
    int bytes = 0;
    EXPECT_EQ(U(KoPerfsFFTGetBufSize_R_64f(setup, &bytes)), kOk);
    buf.resize(bytes);
  }
  ~R64() { KoPerfsFFTFree_R_64f(setup); }
  void Fwd(std::vector<double> &x) { EXPECT_EQ(U(KoPerfsFFTFwd_RToPerm_64f_I(x.data(), setup, buf.data())), kOk); }
  void Inv(std::vector<double> &x) { EXPECT_EQ(U(KoPerfsFFTInv_PermToR_64f_I(x.data(), setup, buf.data())), kOk); }
};

// The packed (perm) layout of a real signal's spectrum, bins 0..n/2: R0,
// R(n/2), then R1, I1, R2, I2, ...
inline std::vector<cd> PermToBins(const std::vector<double> &p) {
  const size_t n = p.size();
  std::vector<cd> bins(n / 2 + 1);
  bins[0] = p[0];
  if (n > 1) bins[n / 2] = p[1];
  for (size_t k = 1; k < n / 2; ++k) bins[k] = cd(p[2 * k], p[2 * k + 1]);
  return bins;
}
inline std::vector<double> BinsToPerm(const std::vector<cd> &bins, size_t n) {
  std::vector<double> p(n);
  p[0] = bins[0].real();
  if (n > 1) p[1] = bins[n / 2].real();
  for (size_t k = 1; k < n / 2; ++k) p[2 * k] = bins[k].real(), p[2 * k + 1] = bins[k].imag();
  return p;
}

}  // namespace kotest
