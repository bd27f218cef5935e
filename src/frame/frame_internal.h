// Internal interface of the library frame: start-up state, processor
// detection and clock arithmetic shared by the frame's own files, the other
// subsystems and the tests.
#pragma once

#include <cstdint>

#include "kokernel/kobase.h"

namespace ko::frame {

// ---- start-up state ------------------------------------------------------
uint32_t StartupFlags();     // second argument of the last start-up, unchanged
uint32_t KernelOptions();    // bit 0 and bit 1 derived from the start-up flags
void ClearKernelOption(uint32_t bits);  // colour take-over switched off
HMODULE HostProcessModule(); // the process's main module, recorded at start-up
uint32_t HostCursorBase();   // first host cursor resource number (100)
constexpr uint32_t kKernelOptionOwnColours = 0x1;
constexpr uint32_t kKernelOptionHostColours = 0x2;
// Kernel option bits from the start-up flags.
uint32_t KernelOptionsFromFlags(uint32_t flags);

// ---- processor support ------------------------------------------------------
struct CpuDetection {
  uint32_t processorCount;
  uint32_t supported;  // raw features
  uint32_t osSupport;  // features the operating system supports
  uint32_t enabled;    // class in bits 0..3, enabled features above
};

// Raw facts the detection works from; DetectFromFacts is pure so that the
// rules can be checked for processors other than the one running the tests.
struct CpuFacts {
  uint32_t processorCount;
  uint32_t processorType;  // 386, 486, 586 or 8664 as GetSystemInfo reports it
  uint32_t maxLeaf;        // CPUID leaf 0 EAX (ignored unless 586/8664)
  uint32_t leaf1Ecx;
  uint32_t leaf1Edx;
  bool sseUsable;          // an SSE instruction ran without an illegal-instruction fault
  bool dazLoadable;        // MXCSR accepts flush-to-zero and denormals-are-zero
};
CpuDetection DetectFromFacts(const CpuFacts &facts);

// The process's detection, run on first use and kept.
const CpuDetection &Detection();
// (allowed mask AND enabled value) OR class override, kept by the start-up.
uint32_t CurrentSupport();
void RefreshCurrentSupport();
uint32_t AllowedMask();
uint32_t ClassOverride();
// Back to the load-time controls (allowed mask all ones, no class override).
void ResetSupportControls();

// ---- clocks ------------------------------------------------------------------
// Win32 MulDiv: a * b / c in 64 bits rounded to nearest (halves away from
// zero); -1 when c is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

struct PerfDivisors {
  int64_t milli;       // F / 1000
  int64_t micro;       // F / 1000000, at least 1
  int32_t correction;  // F / micro, 0 when exactly 1000000
};
// Divisors for the low 32 bits F of the counter frequency; false when the
// performance-counter mode cannot be used with that frequency.
bool PerfDivisorsFor(uint32_t frequency, PerfDivisors *out);
uint32_t PerfMillisec(int64_t ticks, const PerfDivisors &d);
uint32_t PerfMicrosec(int64_t ticks, const PerfDivisors &d);

void StartClock();
bool ClockUsesPerformanceCounter();

// ---- operating-system name --------------------------------------------------
enum class OSLevel { kOlder, kWindows7, kWindows8, kWindows81, kWindows10, kWindows11 };
// Writes the name of the level and the architecture suffix (arch 0: x86,
// 9: x64) into buffer, truncating at size - 1 characters. True when the level
// is known and the whole text fitted.
bool ComposeOSName(OSLevel level, uint16_t architecture, KOCHAR *buffer, uint32_t size);

#ifdef _WIN32
// Re-evaluates both high-colour flags (display change).
void RefreshHighColor();
#endif

}  // namespace ko::frame
