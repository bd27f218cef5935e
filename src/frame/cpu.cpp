// Processor detection and the processor-support controls.
#include <atomic>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <xmmintrin.h>
#define KO_FRAME_X86 1
#endif

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "platform/platform.h"

namespace ko::frame {
namespace {

constexpr uint32_t kAllowableBits = 0xFF0;
constexpr uint32_t kSseFamily = KOCPU_SSE | KOCPU_SSE2 | KOCPU_SSE3 | KOCPU_SSSE3 |
                                KOCPU_SSE41 | KOCPU_SSE42;

// Written by the detection (same values on every run); g_detected is set
// after the values are stored.
CpuDetection g_detection{};
std::atomic<bool> g_detected{false};

uint32_t g_allowed = 0xFFFFFFFFu;
uint32_t g_classOverride = 0;
uint32_t g_current = 0;

#ifdef KO_FRAME_X86
// SSE is part of x86-64 and every 64-bit operating system saves its state,
// so the instruction below cannot raise an illegal-instruction fault here and
// needs no guarded region.
bool RunSseInstruction() {
  __m128 a = _mm_set1_ps(1.0f);
  __m128 b = _mm_add_ps(a, a);
  float out[4];
  _mm_storeu_ps(out, b);
  return out[0] == 2.0f;
}

// Loading MXCSR with denormals-are-zero faults on processors whose MXCSR
// mask lacks bit 6. The mask is read with FXSAVE first, so the load is only
// made where it cannot fault.
bool LoadFlushToZero() {
  alignas(16) unsigned char area[512] = {};
  __asm__ __volatile__("fxsave %0" : "=m"(area));
  uint32_t mask = static_cast<uint32_t>(area[28]) | static_cast<uint32_t>(area[29]) << 8 |
                  static_cast<uint32_t>(area[30]) << 16 | static_cast<uint32_t>(area[31]) << 24;
  if (mask == 0) mask = 0xFFBF;  // processors that leave the field 0 use the default
  if (!(mask & 0x40)) return false;
  _mm_setcsr(_mm_getcsr() | 0x8040);
  return true;
}
#endif

void RunDetection() {
  platform::SystemInfo info = platform::GetSystemInfo();
  CpuFacts facts{};
  facts.processorCount = info.processorCount;
  facts.processorType = info.processorType;
#ifdef KO_FRAME_X86
  if (info.processorType == 586 || info.processorType == 8664) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(0, a, b, c, d);
    facts.maxLeaf = a;
    if (facts.maxLeaf >= 1) {
      __cpuid(1, a, b, c, d);
      facts.leaf1Ecx = c;
      facts.leaf1Edx = d;
    }
    if (facts.leaf1Edx & (1u << 25)) facts.sseUsable = RunSseInstruction();
  }
#endif
  // With SSE enabled the thread that runs the detection loads MXCSR with
  // flush-to-zero and denormals-are-zero and keeps it so.
  facts.dazLoadable = true;
  CpuDetection result = DetectFromFacts(facts);
#ifdef KO_FRAME_X86
  if (result.enabled & KOCPU_DAZ) {
    if (!LoadFlushToZero()) result.enabled &= ~KOCPU_DAZ;
  }
#endif
  g_detection = result;
  g_detected.store(true, std::memory_order_release);
}

}  // namespace

CpuDetection DetectFromFacts(const CpuFacts &f) {
  CpuDetection r{};
  r.processorCount = f.processorCount;
  uint32_t edx = 0, ecx = 0;
  if ((f.processorType == 586 || f.processorType == 8664) && f.maxLeaf >= 1) {
    edx = f.leaf1Edx;
    ecx = f.leaf1Ecx;
  }
  uint32_t s = 0;
  if (edx & (1u << 23)) s |= KOCPU_MMX;
  if (edx & (1u << 25)) s |= KOCPU_SSE;
  if (edx & (1u << 26)) s |= KOCPU_SSE2;
  if (ecx & (1u << 0)) s |= KOCPU_SSE3;
  if (ecx & (1u << 9)) s |= KOCPU_SSSE3;
  if (ecx & (1u << 19)) s |= KOCPU_SSE41;
  if (ecx & (1u << 20)) s |= KOCPU_SSE42;
  if (ecx & (1u << 28)) s |= KOCPU_AVX;
  if (edx & (1u << 15)) s |= KOCPU_CMOV;
  if ((edx & (1u << 0)) && (edx & (1u << 15))) s |= KOCPU_FPU;
  if (edx & (1u << 4)) s |= KOCPU_TSC;

  const bool sseOS = (s & KOCPU_SSE) && f.sseUsable;
  uint32_t os = 0;
  if (s & KOCPU_MMX) os |= KOCPU_MMX;
  if (sseOS) os |= kSseFamily;

  uint32_t e = s & (KOCPU_CMOV | KOCPU_FPU | KOCPU_TSC);
  if (sseOS) {
    e |= s & kSseFamily;
    s |= KOCPU_DAZ;
    if (f.dazLoadable) e |= KOCPU_DAZ;
  }

  uint32_t cls = 0;
  switch (f.processorType) {
    case 486: cls = 1; break;
    case 586: cls = 2; break;
    default: cls = 0; break;
  }
  if ((s & KOCPU_CMOV) && (s & KOCPU_FPU)) cls = 3;
  if ((s & KOCPU_MMX) && cls == 3) cls = 4;
  if ((e & KOCPU_SSE) && cls == 4) cls = 5;
  if ((e & KOCPU_SSE2) && cls == 5) cls = 6;

  r.supported = s;
  r.osSupport = os;
  r.enabled = e | cls;
  return r;
}

const CpuDetection &Detection() {
  if (!g_detected.load(std::memory_order_acquire)) RunDetection();
  return g_detection;
}

uint32_t CurrentSupport() { return g_current; }

void RefreshCurrentSupport() { g_current = (g_allowed & Detection().enabled) | g_classOverride; }

uint32_t AllowedMask() { return g_allowed; }
uint32_t ClassOverride() { return g_classOverride; }

void ResetSupportControls() {
  g_allowed = 0xFFFFFFFFu;
  g_classOverride = 0;
}

}  // namespace ko::frame

using namespace ko::frame;

extern "C" KOAPI DWORD KoGetCPUSupport(DWORD mask) {
  if (mask == 0) mask = 0xFFFFFFFFu;
  const uint32_t enabled = Detection().enabled;
  return (mask & g_allowed & enabled) | g_classOverride;
}

extern "C" KOAPI DWORD KoGetOSSupport(DWORD mask) {
  if (mask == 0) mask = 0xFFFFFFFFu;
  return mask & Detection().osSupport;
}

extern "C" KOAPI DWORD KoGetProcessorCount(void) { return Detection().processorCount; }

extern "C" KOAPI BOOL KoAllowCPUSupport(DWORD bits) {
  g_allowed |= bits;
  return TRUE;
}

extern "C" KOAPI BOOL KoDisallowCPUSupport(DWORD bits) {
  g_allowed &= ~bits;
  return TRUE;
}

extern "C" KOAPI BOOL KoOnlyAllowCPUSupport(DWORD bits) {
  if (bits & ~kAllowableBits) return FALSE;
  g_allowed = (g_allowed & ~kAllowableBits) | bits;
  return TRUE;
}

extern "C" KOAPI BOOL KoSetCPUClassBySupport(void) {
  g_allowed &= ~KOCPU_CLASS_MASK;
  uint32_t cls = 0;
  if (g_allowed & KOCPU_MMX) cls = 4;
  if (g_allowed & KOCPU_SSE) cls = 5;
  if (g_allowed & KOCPU_SSE2) cls = 6;
  g_classOverride = cls;
  return TRUE;
}

extern "C" KOAPI void KoFourCCToStringCPU(DWORD fourcc, KOCHAR *buffer) {
  if (!buffer) return;
  for (int i = 0; i < 4; ++i) {
    const uint32_t byte = (fourcc >> (8 * i)) & 0xFF;
    buffer[i] = static_cast<KOCHAR>(byte >= 32 && byte <= 126 ? byte : 0);
  }
  buffer[4] = 0;
}
