// Millisecond and microsecond clocks.
//
// Two modes share one table of six operations. In millisecond tick mode (the
// state at load) a counter is the 32-bit tick count; in performance-counter
// mode it is a performance-counter reading. The clock start switches to the
// performance counter once, when the platform offers a usable one.
#include <cstdint>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "platform/platform.h"

namespace ko::frame {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = static_cast<int64_t>(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  // Round to nearest, halves away from zero.
  const int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (q > INT32_MAX || q < -INT32_MAX) return -1;
  return static_cast<int32_t>(q);
}

bool PerfDivisorsFor(uint32_t frequency, PerfDivisors *out) {
  // A frequency below 1 kHz would give a millisecond divisor of 0; such a
  // counter is not used and the tick count stays in force.
  if (frequency < 1000) return false;
  PerfDivisors d{};
  d.milli = frequency / 1000;
  d.micro = frequency / 1000000;
  if (d.micro < 1) d.micro = 1;
  const int64_t c = frequency / d.micro;
  d.correction = c == 1000000 ? 0 : static_cast<int32_t>(c);
  if (out) *out = d;
  return true;
}

uint32_t PerfMillisec(int64_t ticks, const PerfDivisors &d) {
  return static_cast<uint32_t>(ticks / d.milli);
}

uint32_t PerfMicrosec(int64_t ticks, const PerfDivisors &d) {
  int64_t us = ticks / d.micro;
  if (d.correction == 0) return static_cast<uint32_t>(us);
  const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(us));
  return static_cast<uint32_t>(MulDiv(low, 1000000, d.correction));
}

namespace {

// The six operations of a clock mode.
struct ClockOps {
  int64_t (*rawDelta)(const uint64_t *counter);
  int64_t (*rawDeltaUpdate)(uint64_t *counter);
  uint32_t (*microSince)(const uint64_t *counter);
  uint32_t (*microSinceUpdate)(uint64_t *counter);
  uint32_t (*milliSince)(const uint64_t *counter);
  uint32_t (*milliSinceUpdate)(uint64_t *counter);
};

PerfDivisors g_divisors{};
uint64_t g_base = 0;

// ---- millisecond tick mode: only the low 32 bits of a counter are used ----
uint32_t TickDelta(const uint64_t *counter, uint32_t now) {
  return now - static_cast<uint32_t>(*counter);
}
void TickStore(uint64_t *counter, uint32_t now) {
  *counter = (*counter & 0xFFFFFFFF00000000ull) | now;
}
int64_t TickRaw(const uint64_t *c) { return TickDelta(c, platform::TickCount()); }
int64_t TickRawUpdate(uint64_t *c) {
  const uint32_t now = platform::TickCount();
  const uint32_t d = TickDelta(c, now);
  TickStore(c, now);
  return d;
}
uint32_t TickMicro(const uint64_t *c) { return TickDelta(c, platform::TickCount()) * 1000u; }
uint32_t TickMicroUpdate(uint64_t *c) { return static_cast<uint32_t>(TickRawUpdate(c)) * 1000u; }
uint32_t TickMilli(const uint64_t *c) { return TickDelta(c, platform::TickCount()); }
uint32_t TickMilliUpdate(uint64_t *c) { return static_cast<uint32_t>(TickRawUpdate(c)); }

constexpr ClockOps kTickOps = {TickRaw, TickRawUpdate, TickMicro, TickMicroUpdate, TickMilli,
                               TickMilliUpdate};

// ---- performance-counter mode ---------------------------------------------
int64_t PerfRaw(const uint64_t *c) {
  return platform::PerformanceCounter() - static_cast<int64_t>(*c);
}
int64_t PerfRawUpdate(uint64_t *c) {
  const int64_t now = platform::PerformanceCounter();
  const int64_t d = now - static_cast<int64_t>(*c);
  *c = static_cast<uint64_t>(now);
  return d;
}
uint32_t PerfMicro(const uint64_t *c) { return PerfMicrosec(PerfRaw(c), g_divisors); }
uint32_t PerfMicroUpdate(uint64_t *c) { return PerfMicrosec(PerfRawUpdate(c), g_divisors); }
uint32_t PerfMilli(const uint64_t *c) { return PerfMillisec(PerfRaw(c), g_divisors); }
uint32_t PerfMilliUpdate(uint64_t *c) { return PerfMillisec(PerfRawUpdate(c), g_divisors); }

constexpr ClockOps kPerfOps = {PerfRaw, PerfRawUpdate, PerfMicro, PerfMicroUpdate, PerfMilli,
                               PerfMilliUpdate};

const ClockOps *g_clock = &kTickOps;

}  // namespace

void StartClock() {
  if (g_clock == &kPerfOps) return;
  int64_t frequency = 0;
  PerfDivisors d{};
  if (platform::PerformanceFrequency(&frequency) &&
      PerfDivisorsFor(static_cast<uint32_t>(frequency), &d)) {
    g_divisors = d;
    g_clock = &kPerfOps;
  }
  g_clock->rawDeltaUpdate(&g_base);
}

bool ClockUsesPerformanceCounter() { return g_clock == &kPerfOps; }

}  // namespace ko::frame

using ko::frame::g_base;
using ko::frame::g_clock;

extern "C" KOAPI DWORD KoGetMillisec(void) { return g_clock->milliSince(&g_base); }
extern "C" KOAPI DWORD KoGetMicrosec(void) { return g_clock->microSince(&g_base); }

extern "C" KOAPI DWORD KoGetMillisecEx(const ULONGLONG *counter) {
  if (!counter) return 0;
  return g_clock->milliSince(reinterpret_cast<const uint64_t *>(counter));
}

extern "C" KOAPI DWORD KoGetMicrosecEx(const ULONGLONG *counter) {
  if (!counter) return 0;
  return g_clock->microSince(reinterpret_cast<const uint64_t *>(counter));
}

extern "C" KOAPI DWORD KoDeltaMillisecEx(ULONGLONG *counter) {
  if (!counter) return 0;
  return g_clock->milliSinceUpdate(reinterpret_cast<uint64_t *>(counter));
}

extern "C" KOAPI DWORD KoDeltaMicrosecEx(ULONGLONG *counter) {
  if (!counter) return 0;
  return g_clock->microSinceUpdate(reinterpret_cast<uint64_t *>(counter));
}

extern "C" KOAPI void KoTimer_LateInitialize(void) {}
