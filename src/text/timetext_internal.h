// Pieces shared by the time writers and readers.
#pragma once

#include <cmath>
#include <cstdint>

#include "kokernel/kosmpte.h"
#include "kokernel/kotimetext.h"

namespace ko::timetext {

constexpr double kUnitsPerSecond = 1e7;
constexpr int64_t kParseMin = KOTIME_PARSE_MIN;
constexpr int64_t kParseMax = KOTIME_PARSE_MAX;

// Round to nearest (ties to even), as the processor rounds by default.
inline double RoundNearest(double v) { return std::nearbyint(v); }

// A double to a 64-bit integer by truncation, saturating (NaN gives 0).
inline int64_t SaturateToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return INT64_MAX;
  if (v <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<int64_t>(v);
}

// A double to a 32-bit unsigned value by truncation, saturating.
inline uint32_t SaturateToUInt32(double v) {
  if (!(v > 0)) return 0;
  if (v >= 4294967295.0) return UINT32_MAX;
  return static_cast<uint32_t>(v);
}

inline int64_t ClampParsed(double v) {
  if (std::isnan(v)) return 0;
  if (v <= static_cast<double>(kParseMin)) return kParseMin;
  if (v >= static_cast<double>(kParseMax)) return kParseMax;
  return static_cast<int64_t>(v);
}

// Hour-minute-second split of a non-negative time with frames counted at
// `rate`: half a frame is added first, hours wrap at 24 unless noWrap.
void SplitClock(uint64_t time, double rate, bool noWrap, uint32_t out[4]);

// Music-time split: measure, beat and tick counted from 0.
void SplitMusic(uint64_t time, const _koposfmt &fmt, uint32_t out[3]);

// The SMPTE mode of a time-code position format, 0 for the others.
inline DWORD SmpteMode(DWORD code) {
  switch (code) {
    case KOPOSFMT_SMPTE_2997: return KOSMPTE_MODE_2997_NONDROP;
    case KOPOSFMT_SMPTE_30: return KOSMPTE_MODE_30;
    case KOPOSFMT_SMPTE_2997_DROP: return KOSMPTE_MODE_2997_DROP;
    case KOPOSFMT_SMPTE_25: return KOSMPTE_MODE_25;
    case KOPOSFMT_SMPTE_24: return KOSMPTE_MODE_24;
    case KOPOSFMT_SMPTE_23976: return KOSMPTE_MODE_23976;
    default: return 0;
  }
}

}  // namespace ko::timetext
