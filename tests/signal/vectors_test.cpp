// Status mapping, path choice, the element-wise vector functions (worked
// values and the C library's results) and the floating-point control word.
#include <cstring>
#include <random>
#include <thread>

#include "signal/signal_internal.h"
#include "signal/signal_test_util.h"

using namespace ko::signal;

namespace {

using kotest::kOk;
using kotest::U;

TEST(PerfStatus, MapsStatusesAndHints) {
  const struct {
    int status;
    uint32_t expected;
  } cases[] = {{0, 0x0004E600u},  {5, 0x0004E605u},     {300, 0x0004E72Cu},
               {-1, 0x8004E601u}, {-9999, 0x8004E6FFu}, {-9998, 0x8004E700u},
               {-8, 0x8004E608u}, {-17, 0x8004E611u}};
  for (const auto &c : cases) {
    EXPECT_EQ(U(KoPerfStatusToHRESULT(c.status)), c.expected) << "status " << c.status;
    EXPECT_EQ(U(KoPerfMapStatus(c.status)), c.expected) << "status " << c.status;
  }
  // Algorithm hints: 0, 1 and 2 stand, anything else is 0.
  const int hints[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}, {1000, 0}};
  for (const auto &h : hints) EXPECT_EQ(KoPerfMapHintAlgorithm(h[0]), h[1]) << h[0];
}

TEST(PerfPaths, FeatureMaskChoosesPathAndInitializeKeepsIt) {
  const int paths[][3] = {{0x7F, 3, 0}, {0x3F, 2, 1}, {0x1F, 2, 0}, {0x0F, 1, -1}, {0x07, 0, -1}};
  for (const auto &p : paths) {
    int variant = -1;
    EXPECT_EQ(PathForFeatures(unsigned(p[0]), &variant), p[1]) << std::hex << p[0];
    if (p[2] >= 0) { EXPECT_EQ(variant, p[2]) << std::hex << p[0]; }
  }
  EXPECT_STREQ(KernelsForPath(0).name, "generic");
  EXPECT_STREQ(KernelsForPath(1).name, "sse2");
  EXPECT_STREQ(KernelsForPath(2).name, "sse2");
  EXPECT_STREQ(KernelsForPath(3).name, "avx2");
  // Every x86-64 processor has SSE2.
  EXPECT_NE(ProbeFeatures() & 0x08, 0u);
  // Initialising is repeatable from any thread and keeps the path.
  EXPECT_EQ(U(KoPerf_Initialize()), kOk);
  const int path = CurrentPath();
  std::vector<std::thread> threads;
  std::vector<uint32_t> results(4);
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&results, i] { results[i] = U(KoPerf_Initialize()); });
  for (auto &t : threads) t.join();
  for (uint32_t r : results) EXPECT_EQ(r, kOk);
  EXPECT_EQ(CurrentPath(), path);
  int variant;
  EXPECT_EQ(path, PathForFeatures(ProbeFeatures(), &variant));
}

TEST(PerfVectors, AlignedBlocks) {
  void *a = KoPerfsMalloc_8u(1);
  float *b = KoPerfsMalloc_32f(1001);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 64, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 64, 0u);
  std::memset(b, 0, 1001 * sizeof(float));
  KoPerfsFree(a);
  KoPerfsFree(b);
  KoPerfsFree(nullptr);
  EXPECT_EQ(KoPerfsMalloc_8u(0), nullptr);
  EXPECT_EQ(KoPerfsMalloc_32f(-5), nullptr);
  EXPECT_GT(KoPerfGetCpuClocks(), 0u);
}

TEST(PerfVectors, RandomUniformStaysInRangeAndFollowsTheSeed) {
  std::vector<float> a(10000), b(10000);
  unsigned seed1 = 12345, seed2 = 12345;
  ASSERT_EQ(U(KoPerfsRandUniform_Direct_32f(a.data(), 10000, -2.0f, 3.0f, &seed1)), kOk);
  // The same seed gives the same values, in one call or in two.
  ASSERT_EQ(U(KoPerfsRandUniform_Direct_32f(b.data(), 4000, -2.0f, 3.0f, &seed2)), kOk);
  ASSERT_EQ(U(KoPerfsRandUniform_Direct_32f(b.data() + 4000, 6000, -2.0f, 3.0f, &seed2)), kOk);
  EXPECT_EQ(seed1, seed2);
  EXPECT_NE(seed1, 12345u);
  EXPECT_EQ(a, b);
  int bins[10] = {};
  for (float v : a) {
    ASSERT_TRUE(v >= -2.0f && v < 3.0f) << v;
    bins[static_cast<int>((v + 2.0f) * 2.0f)]++;
  }
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(bins[i], 1000, 150) << "bin " << i;
  // A tiny interval never reaches its upper end.
  float tiny[64];
  ASSERT_EQ(U(KoPerfsRandUniform_Direct_32f(tiny, 64, 1.0f, std::nextafter(1.0f, 2.0f), &seed1)), kOk);
  for (float v : tiny) EXPECT_EQ(v, 1.0f);
  EXPECT_TRUE(FAILED(KoPerfsRandUniform_Direct_32f(nullptr, 4, 0, 1, &seed1)));
  EXPECT_TRUE(FAILED(KoPerfsRandUniform_Direct_32f(a.data(), 4, 0, 1, nullptr)));
  EXPECT_TRUE(FAILED(KoPerfsRandUniform_Direct_32f(a.data(), 0, 0, 1, &seed1)));
  EXPECT_TRUE(FAILED(KoPerfsRandUniform_Direct_32f(a.data(), 4, 2, 1, &seed1)));
}

TEST(PerfVectors, SqrtMatchesTheLibrary) {
  std::vector<float> src(67), dst(67);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<float>(i) * 1.37f + 0.01f;
  ASSERT_EQ(U(KoPerfsSqrt_32f(src.data(), dst.data(), 67)), kOk);
  for (size_t i = 0; i < src.size(); ++i)
    ASSERT_EQ(dst[i], std::sqrt(src[i])) << "i " << i;
  src[40] = -1.0f;
  EXPECT_EQ(U(KoPerfsSqrt_32f(src.data(), dst.data(), 67)), 0x0004E603u);
  EXPECT_TRUE(std::isnan(dst[40]));
  src[40] = 4.0f;
  EXPECT_EQ(U(KoPerfsSqrt_32f(nullptr, dst.data(), 3)), 0x8004E608u);
  EXPECT_EQ(U(KoPerfsSqrt_32f(src.data(), dst.data(), 0)), 0x8004E606u);
}

TEST(PerfVectors, ComplexMultiplyAndConjugate) {
  double a[4] = {1, 2, 3, -4};
  double b[4] = {5, 6, -1, 0.5};
  using V = std::vector<double>;
  ASSERT_EQ(U(KoPerfsMul_64fc_I(a, b, 2)), kOk);
  // (1+2i)(5+6i) = -7+16i, (3-4i)(-1+0.5i) = -1+5.5i
  EXPECT_EQ(V(b, b + 4), (V{-7, 16, -1, 5.5}));
  ASSERT_EQ(U(KoPerfsConj_64fc_I(b, 2)), kOk);
  EXPECT_EQ(V(b, b + 4), (V{-7, -16, -1, -5.5}));
  EXPECT_TRUE(FAILED(KoPerfsMul_64fc_I(nullptr, b, 2)));
  EXPECT_TRUE(FAILED(KoPerfsConj_64fc_I(b, 0)));
}

// The extremes anywhere, the tail of the vector forms included; one
// element is both.
TEST(PerfVectors, MinMaxOnEveryLength) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> dist(-100, 100);
  for (int n = 1; n <= 41; ++n) {
    std::vector<float> f(n);
    for (float &v : f) v = dist(rng);
    f[n / 3] = 500;
    f[n - 1 - n / 6] = -500;
    const std::vector<double> d(f.begin(), f.end());
    float fmin = 0, fmax = 0;
    double dmin = 0, dmax = 0;
    ASSERT_EQ(U(KoPerfsMinMax_32f(f.data(), n, &fmin, &fmax)), kOk);
    ASSERT_EQ(U(KoPerfsMinMax_64f(d.data(), n, &dmin, &dmax)), kOk);
    EXPECT_EQ(fmin * 10000 + fmax, -500 * 10000 + (n == 1 ? -500 : 500)) << "n " << n;
    EXPECT_EQ(dmin * 10000 + dmax, -500 * 10000 + (n == 1 ? -500 : 500)) << "n " << n;
  }
  float mn, mx;
  EXPECT_TRUE(FAILED(KoPerfsMinMax_32f(nullptr, 3, &mn, &mx)));
  EXPECT_TRUE(FAILED(KoPerfsMinMax_32f(&mn, 0, &mn, &mx)));
  EXPECT_TRUE(FAILED(KoPerfsMinMax_64f(nullptr, 3, nullptr, nullptr)));
}

TEST(PerfVectors, Deinterleave) {
  const float src[] = {1, 10, 2, 20, 3, 30};  // L R L R L R
  float left[3] = {}, right[3] = {};
  float *dst[] = {left, right};
  EXPECT_EQ(KoPerfsDeinterleave_32f(src, 2, 3, dst), 0);
  EXPECT_EQ(left[0] + 10 * left[2] + 100 * right[0] + 1000 * right[2], 1 + 30 + 1000 + 30000);
  const float five[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  float c[5][2];
  float *cd[] = {c[0], c[1], c[2], c[3], c[4]};
  EXPECT_EQ(KoPerfsDeinterleave_32f(five, 5, 2, cd), 0);
  for (int ch = 0; ch < 5; ++ch) {
    EXPECT_EQ(c[ch][0], ch);
    EXPECT_EQ(c[ch][1], ch + 5);
  }
  EXPECT_EQ(KoPerfsDeinterleave_32f(nullptr, 0, 3, nullptr), 0);  // no channels: at once
  EXPECT_EQ(KoPerfsDeinterleave_32f(src, -1, 3, dst), 0);
  EXPECT_EQ(KoPerfsDeinterleave_32f(nullptr, 2, 3, dst), E_POINTER);
  float *holes[] = {left, nullptr};
  EXPECT_EQ(KoPerfsDeinterleave_32f(src, 2, 3, holes), E_POINTER);
}

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float Third() {
  volatile float one = 1.0f, three = 3.0f;
  return one / three;
}

TEST(Fpu, ControlStatusAndReset) {
  const unsigned before = FPU_Control(0, 0);
  EXPECT_EQ(before & 0x300u, 0u) << std::hex << before;  // round to nearest
  // Nearest, truncated, upwards, and back to the caller's word.
  const struct {
    unsigned mode;
    uint32_t third;
  } modes[] = {{before & 0x300u, 0x3EAAAAABu}, {0x300, 0x3EAAAAAAu}, {0x200, 0x3EAAAAABu}, {before & 0x300u, 0x3EAAAAABu}};
  for (const auto &m : modes) {
    EXPECT_EQ(FPU_Control(m.mode, 0x300) & 0x300u, m.mode);
    EXPECT_EQ(Bits(Third()), m.third) << std::hex << m.mode;
  }
  EXPECT_EQ(FPU_Control(0, 0), before);
  // Exceptions are masked; the denormal control round-trips.
  EXPECT_EQ(before & 0x1Fu, 0x1Fu) << std::hex << before;  // all exceptions masked by default
  const unsigned flushed = FPU_Control(0x01000000, 0x03000000);
  EXPECT_EQ(flushed & 0x03000000u, 0x01000000u) << std::hex << flushed;
  volatile float tiny = 1e-38f, scale = 1e-3f;
  EXPECT_EQ(tiny * scale, 0.0f);  // the denormal result is flushed
  FPU_Control(before, 0x03000000);
  EXPECT_NE(tiny * scale, 0.0f);
  // The status reports a zero divide; the reset restores the defaults.
  volatile double zero = 0.0, one = 1.0;
  volatile double inf = one / zero;
  (void)inf;
  EXPECT_NE(FPU_Status() & 0x8u, 0u) << std::hex << FPU_Status();  // zero divide
  FPU_Control(0x300, 0x300);
  FPU_Reset();
#ifndef _WIN32
  // Natively the reset gives the default environment: round to nearest,
  // everything masked, no flags. (Wine's runtime reset leaves the SSE
  // rounding mode alone, so this is checked natively only.)
  EXPECT_EQ(FPU_Control(0, 0) & 0x0300031Fu, 0x1Fu) << std::hex << FPU_Control(0, 0);
  EXPECT_EQ(FPU_Status() & 0x1Fu, 0u) << std::hex << FPU_Status();
#endif
  FPU_Control(before, 0x0300031Fu);
  EXPECT_EQ(FPU_Control(0, 0), before);
}

}  // namespace
