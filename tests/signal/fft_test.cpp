// The transforms' argument checks and the bit identity of the buffer and
// in-place forms (accuracy, direction, scale and the packed layout of every
// order against FFTW are in fftw_test.cpp).
#include <cstring>
#include <random>

#include "signal/signal_test_util.h"

namespace {

using namespace kotest;

std::vector<cf> Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-1, 1);
  std::vector<cf> x(n);
  for (auto &v : x) v = cf(d(rng), d(rng));
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

TEST(Fft, InPlaceAndInternalBufferGiveTheSameBits) {
  for (int order : {0, 1, 2, 3, 4, 7, 12}) {
    const size_t n = size_t{1} << order;
    C32 fft(order, 1);
    const std::vector<cf> x = Random(n, order);
    const std::vector<cf> want = fft.Run(x, false);
    std::vector<cf> io = x;
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(io.data(), io.data(), fft.setup, fft.buf.data())), kOk);
    EXPECT_EQ(0, std::memcmp(io.data(), want.data(), n * sizeof(cf))) << "in place, order " << order;
    std::vector<cf> y(n);
    ASSERT_EQ(U(KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), fft.setup, nullptr)), kOk);
    EXPECT_EQ(0, std::memcmp(y.data(), want.data(), n * sizeof(cf))) << "no buffer, order " << order;
  }
}

}  // namespace
