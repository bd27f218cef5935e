#include <gtest/gtest.h>

#include <cpuid.h>
#include <xmmintrin.h>

#include <cstdint>
#include <utility>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"

using ko::frame::CpuFacts;
using ko::frame::DetectFromFacts;

namespace {

struct CpuSupport : ::testing::Test {
  void TearDown() override { ko::frame::ResetSupportControls(); }
};

constexpr uint32_t kEdxFpu = 1u << 0, kEdxTsc = 1u << 4, kEdxCmov = 1u << 15,
                   kEdxMmx = 1u << 23, kEdxSse = 1u << 25, kEdxSse2 = 1u << 26;
constexpr uint32_t kEcxSse3 = 1u << 0;

}  // namespace

TEST_F(CpuSupport, FlagsAgreeWithAnIndependentCpuidRead) {
  struct {
    unsigned a = 0, b = 0, ecx = 0, edx = 0;
  } l;
  if (__get_cpuid_max(0, nullptr) >= 1) __get_cpuid(1, &l.a, &l.b, &l.ecx, &l.edx);
  const uint32_t supported = ko::frame::Detection().supported;
  const struct {
    uint32_t flag;
    bool present;
  } checks[] = {
      {KOCPU_MMX, (l.edx & bit_MMX) != 0},     {KOCPU_SSE, (l.edx & bit_SSE) != 0},
      {KOCPU_SSE2, (l.edx & bit_SSE2) != 0},   {KOCPU_SSE3, (l.ecx & bit_SSE3) != 0},
      {KOCPU_SSSE3, (l.ecx & bit_SSSE3) != 0}, {KOCPU_SSE41, (l.ecx & bit_SSE4_1) != 0},
      {KOCPU_SSE42, (l.ecx & bit_SSE4_2) != 0}, {KOCPU_AVX, (l.ecx & bit_AVX) != 0},
      {KOCPU_CMOV, (l.edx & bit_CMOV) != 0},   {KOCPU_TSC, (l.edx & kEdxTsc) != 0},
      {KOCPU_FPU, (l.edx & kEdxFpu) != 0},
  };
  for (const auto &c : checks)
    EXPECT_EQ((supported & c.flag) != 0, c.present) << std::hex << "flag 0x" << c.flag;

  // Enabled: SSE family as supported, never MMX or AVX, class 6 on x86-64.
  const uint32_t v = KoGetCPUSupport(0);
  EXPECT_EQ(v & 0x7E0u, supported & 0x7E0u) << std::hex << v;
  EXPECT_EQ(v & (KOCPU_MMX | KOCPU_AVX), 0u) << std::hex << v;
  EXPECT_EQ(v & KOCPU_CLASS_MASK, 6u) << std::hex << v;
  EXPECT_EQ(KoGetOSSupport(0), KOCPU_MMX | 0x7E0u);
  EXPECT_EQ(KoGetOSSupport(KOCPU_SSE2), KOCPU_SSE2);
  EXPECT_GE(KoGetProcessorCount(), 1u);
  // Detection leaves flush-to-zero and denormals-are-zero on this thread.
  ASSERT_NE(KoGetCPUSupport(KOCPU_DAZ), 0u);
  EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u) << std::hex << _mm_getcsr();
}

TEST_F(CpuSupport, AllowedMaskAndClassBySupport) {
  const uint32_t all = KoGetCPUSupport(0);
  EXPECT_EQ(KoDisallowCPUSupport(0x40), TRUE);
  EXPECT_TRUE(KoGetCPUSupport(0x40) == 0u && KoGetCPUSupport(0) == (all & ~0x40u));
  EXPECT_EQ(KoAllowCPUSupport(0x40), TRUE);
  EXPECT_EQ(KoGetCPUSupport(0), all);
  const uint32_t before = ko::frame::AllowedMask();
  for (uint32_t bad : {0x1000u, 0x31u}) EXPECT_EQ(KoOnlyAllowCPUSupport(bad), FALSE) << bad;
  EXPECT_EQ(ko::frame::AllowedMask(), before);
  EXPECT_EQ(KoOnlyAllowCPUSupport(0x30), TRUE);
  EXPECT_EQ(ko::frame::AllowedMask(), (before & ~0xFF0u) | 0x30u);
  EXPECT_EQ(KoGetCPUSupport(0) & 0xFF0u, all & 0x20u);  // MMX is never enabled
  // The class follows the last rule that applies to the allowed features.
  const uint32_t features = all & ~KOCPU_CLASS_MASK;
  for (auto [only, cls] : {std::pair{0x70u, 6u}, {0x10u, 4u}, {0x40u, 6u}, {0u, 0u}}) {
    ASSERT_TRUE(KoOnlyAllowCPUSupport(only));
    EXPECT_EQ(KoSetCPUClassBySupport(), TRUE);
    EXPECT_EQ(ko::frame::ClassOverride(), cls) << std::hex << only;
    EXPECT_EQ(ko::frame::AllowedMask() & KOCPU_CLASS_MASK, 0u);
    // Class bits come only from the override now.
    if (only == 0x10u) { EXPECT_EQ(KoGetCPUSupport(0), (features & ~0xFF0u) | 4u); }
  }
}

TEST(CpuDetection, RulesForOtherProcessors) {
  // No CPUID below the Pentium: no features; the class comes from the type.
  for (uint32_t type : {386u, 486u}) {
    auto d = DetectFromFacts({1, type, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, true, true});
    EXPECT_EQ(d.supported | d.osSupport | (d.enabled & ~0xFu), 0u) << type;
    EXPECT_EQ(d.enabled & 0xFu, type == 486 ? 1u : 0u) << type;
  }
  // Pentium MMX: no CMOV, so the class stays 2 and MMX is never enabled.
  auto p55 = DetectFromFacts({1, 586, 1, 0, kEdxFpu | kEdxTsc | kEdxMmx, false, true});
  EXPECT_EQ(p55.supported, KOCPU_MMX | KOCPU_TSC);  // FPU only with CMOV
  EXPECT_EQ(p55.enabled, KOCPU_TSC | 2u);
  EXPECT_EQ(p55.osSupport, KOCPU_MMX);
  // Pentium II: class 4.
  auto p2 = DetectFromFacts({1, 586, 2, 0, kEdxFpu | kEdxCmov | kEdxMmx, false, true});
  EXPECT_EQ(p2.enabled, KOCPU_FPU | KOCPU_CMOV | 4u);
  // Pentium III with and without operating-system support for SSE.
  const uint32_t p3edx = kEdxFpu | kEdxCmov | kEdxMmx | kEdxSse;
  auto p3 = DetectFromFacts({1, 586, 2, 0, p3edx, true, true});
  EXPECT_EQ(p3.enabled, KOCPU_FPU | KOCPU_CMOV | KOCPU_SSE | KOCPU_DAZ | 5u);
  EXPECT_EQ(p3.osSupport, KOCPU_MMX | 0x7E0u);
  auto p3old = DetectFromFacts({1, 586, 2, 0, p3edx, false, true});
  EXPECT_EQ(p3old.enabled, KOCPU_FPU | KOCPU_CMOV | 4u);
  EXPECT_EQ(p3old.supported & KOCPU_DAZ, 0u);
  EXPECT_EQ(p3old.osSupport, KOCPU_MMX);
  // SSE2 + SSE3 + AVX with a faulting denormals-are-zero load.
  auto p4 = DetectFromFacts(
      {8, 8664, 13, kEcxSse3 | (1u << 28), p3edx | kEdxSse2 | kEdxTsc, true, false});
  EXPECT_EQ(p4.supported & (KOCPU_AVX | KOCPU_DAZ), KOCPU_AVX | KOCPU_DAZ);
  EXPECT_EQ(p4.enabled,
            KOCPU_FPU | KOCPU_CMOV | KOCPU_TSC | KOCPU_SSE | KOCPU_SSE2 | KOCPU_SSE3 | 6u);
  EXPECT_EQ(p4.processorCount, 8u);
  // Each SSE4 flag from its own bit.
  EXPECT_EQ(DetectFromFacts({1, 8664, 1, 1u << 20, p3edx, true, true}).supported & (KOCPU_SSE41 | KOCPU_SSE42),
            KOCPU_SSE42);
  // CPUID without leaf 1.
  EXPECT_EQ(DetectFromFacts({1, 8664, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, true, true}).enabled, 0u);
}

TEST(FourCC, BytesLowestFirstAndUnprintableAsZero) {
  const struct {
    uint32_t code;
    KOCHAR want[5];
  } cases[] = {{0x7E200741u, {'A', 0, ' ', '~', 0}},  // 'A', 0x07, ' ', '~'
               {0x1F7F80FFu, {0, 0, 0, 0, 0}}};
  for (const auto &c : cases) {
    KOCHAR buf[6];
    for (auto &u : buf) u = 0x7777;
    KoFourCCToStringCPU(c.code, buf);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buf[i], c.want[i]) << std::hex << c.code << " at " << i;
    EXPECT_EQ(buf[5], 0x7777) << "five characters written, no more";
  }
  KoFourCCToStringCPU(0x41414141u, nullptr);  // ignored
}
