// Media time to text in every position format, and the record conversions.
// Values go through the formatting engine with an argument reader of our
// own, so that a caller's format can never read past the values we have.
#include <cmath>
#include <cstring>

#include "kokernel/koprintf.h"
#include "kokernel/kotimetext.h"
#include "text/printf_engine.h"
#include "text/timetext_internal.h"

namespace ko::timetext {

namespace {

using text::Sink;

#define T(s) KOTEXT(s)
const KOCHAR *const kFullFormats[KOPOSFMT_COUNT] = {
    T("$I64d"),
    T("%02u$:%02u$:%02u$*%03u"),
    T("$.3f"),
    T("%02u$:%02u$:%02u$*%02u"),
    T("$.3f"),
    T("$u$&:%u$&.%03u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u;%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("$I64d"),
    T("$I64d"),
    T("$u$&:%u$&.%03u"),
    T("$.3f"),
    T("$I64d+$I64d"),
    T("$I64d+$I64d"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u$:%02u$:%02u"),
};
const KOCHAR *const kShortFormats[KOPOSFMT_COUNT] = {
    T("$I64d"),
    T("%02u$:%02u$:%02u"),
    T("$.0f"),
    T("%02u$:%02u$:%02u"),
    T("$.0f"),
    T("$u$&:%u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u;%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("$I64d"),
    T("$I64d"),
    T("$u$&:%u"),
    T("$.0f"),
    T("$I64d+$I64d"),
    T("$I64d+$I64d"),
    T("%02u$:%02u$:%02u"),
    T("%02u:%02u:%02u:%02u"),
    T("%02u$:%02u$:%02u"),
};
const KOCHAR kInt64Format[] = T("$I64d");
const KOCHAR kWholeFormat[] = T("$.0f");
const KOCHAR kDaysFormat[] = T("%02u$:%02u$:%02u$:%02u");
const KOCHAR kClockHours[] = T("%u$:%02u$:%02u");
const KOCHAR kClockShortMinutes[] = T("%u$:%02u");
const KOCHAR kClockMinutes[] = T("%02u$:%02u");
const KOCHAR kBeatsShort[] = T("%d$&:%1u");
const KOCHAR kBeatsFull[] = T("%d$&:%u$&.%03u");
#undef T

// Up to four values handed to the engine. Every request takes the next
// value in the type asked for; past the last value the engine reads zeros
// (and null for text), so a caller's format cannot reach outside.
class ValueReader final : public text::ArgReader {
 public:
  void AddInt(int64_t v) {
    if (n_ < kMax) values_[n_++] = {false, v, static_cast<double>(v)};
  }
  void AddDouble(double v) {
    if (n_ < kMax) values_[n_++] = {true, SaturateToInt64(v), v};
  }
  int32_t Int32() override { return static_cast<int32_t>(static_cast<uint32_t>(Next().i)); }
  int64_t Int64() override { return Next().i; }
  double Double() override { return Next().d; }
  const void *Pointer() override {
    Next();
    return nullptr;
  }

 private:
  struct Value {
    bool isDouble;
    int64_t i;
    double d;
  };
  static constexpr int kMax = 4;
  Value Next() { return pos_ < n_ ? values_[pos_++] : Value{false, 0, 0.0}; }
  Value values_[kMax] = {};
  int n_ = 0, pos_ = 0;
};

bool IsWholeFormat(const KOCHAR *f) {
  for (int i = 0;; ++i) {
    if (f[i] != kWholeFormat[i]) return false;
    if (!f[i]) return true;
  }
}

int64_t SubtractSaturating(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? INT64_MAX : INT64_MIN;
  return r;
}

// Formats a position into the sink. `bounded` picks the bounded behaviour of
// code 1 (hours wrap at 24 instead of the day form).
void PrintTime(Sink &out, const _koposfmt &fmt, int64_t time, const KOCHAR *format, DWORD flags,
               bool bounded) {
  if (!(flags & KOPOSFMT_FLAG_NO_ORIGIN)) time = SubtractSaturating(time, fmt.origin);
  if (time == INT64_MIN) time = -INT64_MAX;  // its magnitude must print
  if (time < 0) out.Put('-');
  const uint64_t mag = time < 0 ? static_cast<uint64_t>(-time) : static_cast<uint64_t>(time);
  const double seconds = static_cast<double>(mag) / kUnitsPerSecond;

  ValueReader values;
  const KOCHAR *f = format;
  switch (fmt.format) {
    case KOPOSFMT_SAMPLES: {
      double samples = std::floor(seconds * fmt.sampleRate + 0.5);
      values.AddInt(SaturateToInt64(samples));
      break;
    }
    case KOPOSFMT_TIME:
    case KOPOSFMT_TIME_FRAMES:
    case KOPOSFMT_CD_TIME: {
      if (fmt.format == KOPOSFMT_TIME && !bounded && mag >= 863999000001ull) {
        // The last tenth of a second of a day and beyond: days, hours,
        // minutes and seconds.
        const uint64_t s = (mag + 5000) / 10000000;
        values.AddInt(static_cast<int64_t>(s / 86400));
        values.AddInt(static_cast<int64_t>(s / 3600 % 24));
        values.AddInt(static_cast<int64_t>(s / 60 % 60));
        values.AddInt(static_cast<int64_t>(s % 60));
        f = kDaysFormat;
        break;
      }
      const double rate = fmt.format == KOPOSFMT_TIME ? 1000.0
                          : fmt.format == KOPOSFMT_CD_TIME ? 75.0
                                                           : fmt.frameRate;
      uint32_t hmsf[4];
      SplitClock(mag, rate, false, hmsf);
      for (uint32_t v : hmsf) values.AddInt(v);
      break;
    }
    case KOPOSFMT_SECONDS:
    case KOPOSFMT_BEATS: {
      const double v = fmt.format == KOPOSFMT_SECONDS ? seconds : seconds * fmt.tempo / 60.0;
      if (IsWholeFormat(format)) {
        values.AddInt(SaturateToInt64(v));
        f = kInt64Format;
      } else {
        values.AddDouble(v);
      }
      break;
    }
    case KOPOSFMT_FRAMES: {
      const double frames = seconds * fmt.frameRate + 0.00001;
      if (IsWholeFormat(format)) {
        values.AddInt(SaturateToInt64(RoundNearest(frames - 0.499999985)));
        f = kInt64Format;
      } else {
        values.AddDouble(frames);
      }
      break;
    }
    case KOPOSFMT_MEASURES:
    case KOPOSFMT_MEASURES_ZERO: {
      uint32_t mbt[3];
      SplitMusic(mag, fmt, mbt);
      if (fmt.format == KOPOSFMT_MEASURES && !(flags & KOPOSFMT_FLAG_NO_ORIGIN)) {
        ++mbt[0];
        ++mbt[1];
      }
      for (uint32_t v : mbt) values.AddInt(v);
      break;
    }
    case KOPOSFMT_SMPTE_2997:
    case KOPOSFMT_SMPTE_30:
    case KOPOSFMT_SMPTE_2997_DROP:
    case KOPOSFMT_SMPTE_25:
    case KOPOSFMT_SMPTE_24:
    case KOPOSFMT_SMPTE_23976: {
      _smpteval t{SmpteMode(fmt.format), 0, 0, 0, 0, 0};
      KOSMPTE_NanoToSMPTE(static_cast<LONGLONG>(mag), &t);
      values.AddInt(t.hours);
      values.AddInt(t.minutes);
      values.AddInt(t.seconds);
      values.AddInt(t.frames);
      break;
    }
    case KOPOSFMT_MICROSECONDS:
      values.AddInt(static_cast<int64_t>((mag + 5) / 10));
      break;
    case KOPOSFMT_FEET_FRAMES_40:
    case KOPOSFMT_FEET_FRAMES_16: {
      const int64_t perFoot = fmt.format == KOPOSFMT_FEET_FRAMES_40 ? 40 : 16;
      int64_t frames =
          SaturateToInt64(RoundNearest(seconds * fmt.frameRate + 0.00001 - 0.499999985));
      if (frames < 0) frames = 0;
      values.AddInt(frames / perFoot);
      values.AddInt(frames % perFoot);
      break;
    }
    case KOPOSFMT_CLOCK: {
      uint32_t hmsf[4];
      SplitClock(mag, 1000.0, false, hmsf);
      if (hmsf[0] >= 1) {
        f = kClockHours;
        values.AddInt(hmsf[0]);
      } else {
        f = hmsf[1] < 10 ? kClockShortMinutes : kClockMinutes;
      }
      values.AddInt(hmsf[1]);
      values.AddInt(hmsf[2]);
      break;
    }
    default:  // KOPOSFMT_UNITS, and codes past the table
      values.AddInt(static_cast<int64_t>(mag));
      break;
  }
  text::FormatText(out, f, values);
}

int PrintUnbounded(KOSTR dst, const _koposfmt *fmt, LONGLONG time, KOCSTR format, DWORD flags) {
  if (!dst) return 0;
  dst[0] = 0;
  if (!fmt || !format) return 0;
  Sink out(dst, SIZE_MAX - 1);
  PrintTime(out, *fmt, time, format, flags, false);
  out.Terminate();
  return static_cast<int>(out.Length());
}

int PrintBounded(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time, KOCSTR format,
                 DWORD flags) {
  if (!dst || capacity <= 0) return 0;
  dst[0] = 0;
  if (!fmt || !format) return 0;
  Sink out(dst, static_cast<size_t>(capacity) - 1);
  PrintTime(out, *fmt, time, format, flags, true);
  out.Terminate();
  return static_cast<int>(out.Length());
}

const KOCHAR *BuiltinFormat(const _koposfmt *fmt, DWORD flags) {
  if (!fmt || fmt->format >= KOPOSFMT_COUNT) return kInt64Format;
  return (flags & KOPOSFMT_FLAG_SHORT) ? kShortFormats[fmt->format] : kFullFormats[fmt->format];
}

}  // namespace

void SplitClock(uint64_t time, double rate, bool noWrap, uint32_t out[4]) {
  double s = static_cast<double>(time) / kUnitsPerSecond;
  if (rate > 0.01) s += 0.5 / rate;
  double hours = std::trunc(s / 3600.0);
  double r = s - hours * 3600.0;
  if (r < 0) r = 0;
  double minutes = std::trunc(r / 60.0);
  r -= minutes * 60.0;
  double secs = std::trunc(r);
  double frames = 0;
  if (rate > 0 && std::isfinite(rate)) {
    frames = RoundNearest((r - secs) * rate - 0.499999985);
    if (frames < 0) frames = 0;
    if (frames >= rate) {  // the fraction rounded up to a whole second
      frames = 0;
      if (++secs >= 60) {
        secs = 0;
        if (++minutes >= 60) {
          minutes = 0;
          ++hours;
        }
      }
    }
  }
  if (!noWrap) hours = std::fmod(hours, 24.0);
  out[0] = SaturateToUInt32(hours);
  out[1] = SaturateToUInt32(minutes);
  out[2] = SaturateToUInt32(secs);
  out[3] = SaturateToUInt32(frames);
}

void SplitMusic(uint64_t time, const _koposfmt &fmt, uint32_t out[3]) {
  out[0] = out[1] = out[2] = 0;
  if (fmt.beatsPerMeasure == 0) return;
  const double seconds = static_cast<double>(time) / kUnitsPerSecond;
  const double m = seconds * fmt.tempo / fmt.beatsPerMeasure / 60.0 + 0.00005;
  if (!std::isfinite(m) || m < 0) return;
  const double measure = std::trunc(m);
  const double b = (m - measure) * fmt.beatsPerMeasure;
  const double beat = std::trunc(b);
  out[0] = SaturateToUInt32(measure);
  out[1] = SaturateToUInt32(beat);
  out[2] = SaturateToUInt32(std::trunc((b - beat) * fmt.ticksPerBeat));
}

}  // namespace ko::timetext

using namespace ko::timetext;

// ---- time to text ---------------------------------------------------------------

extern "C" int KoNanoTimeToTextFormat(KOSTR dst, const _koposfmt *fmt, LONGLONG time,
                                      KOCSTR format, DWORD flags) {
  return PrintUnbounded(dst, fmt, time, format, flags);
}

extern "C" int KoNanoTimeToTextFormatN(KOSTR dst, int capacity, const _koposfmt *fmt,
                                       LONGLONG time, KOCSTR format, BYTE flags) {
  return PrintBounded(dst, capacity, fmt, time, format, flags);
}

extern "C" int KoNanoTimeToTextEx(KOSTR dst, const _koposfmt *fmt, LONGLONG time, DWORD flags) {
  return PrintUnbounded(dst, fmt, time, BuiltinFormat(fmt, flags), flags);
}

extern "C" int KoNanoTimeToTextExN(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time,
                                   DWORD flags) {
  return PrintBounded(dst, capacity, fmt, time, BuiltinFormat(fmt, flags), flags);
}

extern "C" int KoNanoTimeToText(KOSTR dst, const _koposfmt *fmt, LONGLONG time, BOOL shortForm) {
  return KoNanoTimeToTextEx(dst, fmt, time, shortForm ? 1 : 0);
}

extern "C" int KoNanoTimeToTextN(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time,
                                 BOOL shortForm) {
  return KoNanoTimeToTextExN(dst, capacity, fmt, time, shortForm ? 1 : 0);
}

// ---- records ------------------------------------------------------------------------

extern "C" void KoNanoTimeToHMSF(LONGLONG time, _smpteval *hmsf, double rate, BYTE noWrap) {
  if (!hmsf) return;
  if (hmsf->mode >= 1 && hmsf->mode <= 6) {
    KOSMPTE_NanoToSMPTE(time, hmsf);
    return;
  }
  const uint64_t mag = time < 0 ? 0 - static_cast<uint64_t>(time) : static_cast<uint64_t>(time);
  uint32_t v[4];
  SplitClock(mag, rate, noWrap != 0, v);
  hmsf->hours = v[0];
  hmsf->minutes = v[1];
  hmsf->seconds = v[2];
  hmsf->frames = v[3];
}

extern "C" LONGLONG KoHMSFToNanoTime(const _smpteval *hmsf, double rate) {
  if (!hmsf) return 0;
  if (hmsf->mode >= 1 && hmsf->mode <= 6) return KOSMPTE_SMPTEToNanos(hmsf);
  double s = static_cast<double>(hmsf->hours) * 3600.0 + hmsf->minutes * 60.0 + hmsf->seconds;
  if (rate > 0 && std::isfinite(rate)) s += hmsf->frames / rate;
  return SaturateToInt64(s * kUnitsPerSecond + 0.5);
}

extern "C" void KoNanoTimeToMeasures(LONGLONG time, const _koposfmt *fmt, DWORD *measures,
                                     DWORD *beats, DWORD *ticks) {
  uint32_t v[3] = {0, 0, 0};
  if (fmt) {
    const uint64_t mag = time < 0 ? 0 - static_cast<uint64_t>(time) : static_cast<uint64_t>(time);
    SplitMusic(mag, *fmt, v);
  }
  if (measures) *measures = v[0];
  if (beats) *beats = v[1];
  if (ticks) *ticks = v[2];
}

extern "C" int KoMeasuresAndTicksToText(KOSTR dst, const _koposfmt *fmt, LONG measure, LONG tick,
                                        BOOL oneBased, BOOL shortForm, DWORD divisor) {
  if (!dst) return 0;
  dst[0] = 0;
  if (!fmt) return 0;
  // Ticks per beat of the beat unit, measured against a quarter note.
  int64_t perBeat = fmt->beatUnit ? int64_t{fmt->ticksPerBeat} * 4 / fmt->beatUnit : 0;
  if (perBeat <= 0) perBeat = 1;
  const int64_t perMeasure = int64_t{fmt->beatsPerMeasure} * perBeat;
  int64_t m = measure;
  int64_t t = tick;
  if (t < 0 && perMeasure > 0) {
    // Borrow whole measures until the tick is within one.
    const int64_t borrow = (-t + perMeasure - 1) / perMeasure;
    t += borrow * perMeasure;
    m -= borrow;
  }
  if (t < 0) t = 0;
  int64_t beat = fmt->beatsPerMeasure ? (t / perBeat) % fmt->beatsPerMeasure : t / perBeat;
  int64_t subtick = (t % perBeat) / (divisor ? divisor : 1);
  if (oneBased) {
    ++beat;
    if (m >= 0) ++m;
  }
  if (m > INT32_MAX) m = INT32_MAX;
  if (m < INT32_MIN) m = INT32_MIN;
  ValueReader values;
  values.AddInt(m);
  values.AddInt(beat);
  values.AddInt(subtick);
  Sink out(dst, SIZE_MAX - 1);
  ko::text::FormatText(out, shortForm ? kBeatsShort : kBeatsFull, values);
  out.Terminate();
  return static_cast<int>(out.Length());
}

extern "C" int KoTicksToText(KOSTR dst, const _koposfmt *fmt, LONGLONG ticks, BOOL oneBased,
                             BOOL shortForm, DWORD divisor) {
  if (!dst) return 0;
  dst[0] = 0;
  if (!fmt) return 0;
  const int64_t perMeasure = int64_t{fmt->beatsPerMeasure} * fmt->ticksPerBeat;
  int64_t measure = 0, rest = ticks;
  if (perMeasure > 0) {
    measure = ticks / perMeasure;
    rest = ticks % perMeasure;
    if (rest < 0) {
      rest += perMeasure;
      --measure;
    }
  }
  if (measure > INT32_MAX) measure = INT32_MAX;
  if (measure < INT32_MIN) measure = INT32_MIN;
  if (rest > INT32_MAX) rest = INT32_MAX;
  return KoMeasuresAndTicksToText(dst, fmt, static_cast<LONG>(measure), static_cast<LONG>(rest),
                                  oneBased, shortForm, divisor);
}
