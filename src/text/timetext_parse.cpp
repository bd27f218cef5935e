// Text to media time: the position reader and the field readers behind it.
// Every reader skips leading white space, never fails, and reports where it
// stopped.
#include <cmath>
#include <cstring>

#include "kokernel/konumtext.h"
#include "kokernel/kotimetext.h"
#include "text/numbers_internal.h"
#include "text/timetext_internal.h"

namespace ko::timetext {

namespace {

using numtext::IsWhiteSpace;

bool IsDigit(KOCHAR c) { return c >= '0' && c <= '9'; }
bool IsSeparator(KOCHAR c) { return c && !IsDigit(c) && !IsWhiteSpace(c); }

const KOCHAR *SkipSpace(const KOCHAR *p) {
  while (IsWhiteSpace(*p)) ++p;
  return p;
}

const KOCHAR *TextEnd(const KOCHAR *p) {
  while (*p) ++p;
  return p;
}

void SetEnd(KOCSTR *end, const KOCHAR *p) {
  if (end) *end = p;
}

constexpr uint64_t kFieldCap = 1000000000000000000ull;  // values saturate here
constexpr int kMaxDigits = 31;                          // a longer run goes on as a new field
constexpr int kMaxRuns = 48;                            // runs looked at beyond the fields

struct Field {
  uint64_t value;
  int digits;
  uint32_t lead;  // the first three digits (fewer when the field is shorter)
  const KOCHAR *begin, *end;
};

// The numeric fields of a text: every character that is not a digit
// separates fields. `count` fields are kept (at most `max`); the last one is
// the smallest unit.
struct Fields {
  Field f[kMaxRuns];
  int count = 0;
  bool separatorBefore = false;  // a separator came before the first field
  const KOCHAR *end = nullptr;   // after the last field read
};

Field ReadRun(const KOCHAR *p) {
  Field r{0, 0, 0, p, p};
  while (IsDigit(*p) && r.digits < kMaxDigits) {
    const unsigned d = static_cast<unsigned>(*p - '0');
    r.value = r.value > (kFieldCap - d) / 10 ? kFieldCap : r.value * 10 + d;
    if (r.digits < 3) r.lead = r.lead * 10 + d;
    ++r.digits;
    ++p;
  }
  r.end = p;
  return r;
}

bool SameText(const KOCHAR *a, const KOCHAR *aEnd, const KOCHAR *b) {
  for (; a < aEnd; ++a, ++b)
    if (*a != *b || !*b) return false;
  return *b == 0;
}

uint64_t MulCap(uint64_t a, uint64_t b) {
  uint64_t r;
  return __builtin_mul_overflow(a, b, &r) || r > kFieldCap ? kFieldCap : r;
}

void ReadFields(const KOCHAR *text, int max, Fields &out) {
  const KOCHAR *p = text;
  int runs = 0;
  bool sawSeparator = false;
  while (*p && runs < kMaxRuns) {
    if (!IsDigit(*p)) {
      if (!runs && IsSeparator(*p)) sawSeparator = true;
      ++p;
      continue;
    }
    out.f[runs] = ReadRun(p);
    p = out.f[runs].end;
    ++runs;
  }
  out.separatorBefore = sawSeparator;
  // A number grouped with the user's thousands separator leads the text
  // ("1,234:2.000"): when there are more fields than the reader takes, its
  // groups join again.
  const text::LocaleSettings &s = text::CurrentLocaleSettings();
  while (runs > max && runs >= 2 && s.grouping > 0 && s.thousandSeparator[0] &&
         out.f[1].digits == s.grouping &&
         SameText(out.f[0].end, out.f[1].begin, s.thousandSeparator)) {
    Field &a = out.f[0];
    const Field &b = out.f[1];
    uint64_t scale = 1;
    for (int i = 0; i < b.digits; ++i) scale = MulCap(scale, 10);
    a.value = MulCap(a.value, scale);
    a.value = a.value > kFieldCap - b.value ? kFieldCap : a.value + b.value;
    for (int i = 0; i < b.digits && a.digits + i < 3; ++i)
      a.lead = a.lead * 10 + static_cast<uint32_t>(b.begin[i] - '0');
    a.digits += b.digits;
    a.end = b.end;
    std::memmove(&out.f[1], &out.f[2], sizeof(Field) * static_cast<size_t>(runs - 2));
    --runs;
  }
  out.count = runs < max ? runs : max;
  out.end = out.count ? out.f[out.count - 1].end : text;
  // A separator closing the text stands for one more field of 0 ("1:30:").
  if (out.count && out.count < max && IsSeparator(out.end[0]) && out.end[1] == 0) {
    out.f[out.count] = Field{0, 0, 0, out.end + 1, out.end + 1};
    ++out.count;
    out.end = out.end + 1;
  }
}

// The field values right-aligned in `n` places (missing leading ones are 0).
void Align(const Fields &fields, int n, double *v) {
  for (int i = 0; i < n; ++i) v[i] = 0;
  for (int i = 0; i < fields.count; ++i) v[n - fields.count + i] = static_cast<double>(fields.f[i].value);
}

// Walks time-code text as the time-code reader does (every non-digit
// separates; runs longer than two digits are pairs counted from the right;
// at most four fields) and returns where it stopped, with the fields.
struct TimecodeFields {
  uint32_t v[4] = {0, 0, 0, 0};  // right-aligned: hours, minutes, seconds, frames
  int count = 0;
  const KOCHAR *end = nullptr;
};

TimecodeFields WalkTimecode(const KOCHAR *text) {
  TimecodeFields t;
  const KOCHAR *p = text;
  bool stopped = false, anyDigit = false;
  auto push = [&](uint32_t v) {
    t.v[0] = t.v[1];
    t.v[1] = t.v[2];
    t.v[2] = t.v[3];
    t.v[3] = v;
    ++t.count;
  };
  while (*p && !stopped) {
    if (!IsDigit(*p)) {
      ++p;
      continue;
    }
    anyDigit = true;
    const KOCHAR *run = p;
    while (IsDigit(*p)) ++p;
    const ptrdiff_t len = p - run;
    const KOCHAR *piece = run;
    ptrdiff_t pieceLen = len <= 2 ? len : (len % 2 ? 1 : 2);
    while (piece < p) {
      if (t.count == 4) {
        t.end = piece;
        stopped = true;
        break;
      }
      uint32_t v = 0;
      for (ptrdiff_t i = 0; i < pieceLen; ++i) v = v * 10 + static_cast<uint32_t>(piece[i] - '0');
      push(v);
      piece += pieceLen;
      pieceLen = 2;
    }
  }
  if (!anyDigit) {
    t.end = text;  // nothing readable
    return t;
  }
  if (!stopped) {
    t.end = p;
    if (p > text && IsSeparator(p[-1])) {
      if (t.count == 4)
        t.end = p - 1;
      else
        push(0);
    }
  }
  return t;
}

double FractionMs(const Field &f) {
  if (f.digits == 0) return 0;
  if (f.digits == 1) return f.lead * 100.0;
  if (f.digits == 2) return f.lead * 10.0;
  return f.lead;
}

// The writer's form for a day and more: days, hours, minutes and seconds
// joined by the time separator ("01:02:03:04"). When the time and decimal
// separators are the same text, the two-digit seconds tell it from the
// three-digit milliseconds of the clock form.
bool IsDayForm(const Fields &fields) {
  if (fields.count != 4 || fields.f[3].digits == 0) return false;
  const text::LocaleSettings &s = text::CurrentLocaleSettings();
  for (int i = 1; i < 4; ++i)
    if (!SameText(fields.f[i - 1].end, fields.f[i].begin, s.timeSeparator)) return false;
  return !SameText(fields.f[2].end, fields.f[3].begin, s.decimalSeparator) ||
         fields.f[3].digits == 2;
}

// `days` reads the day form as well (the clock texts have none).
double ReadTimeMs(const KOCHAR *text, bool shortForm, bool days, KOCSTR *end) {
  const KOCHAR *p = SkipSpace(text);
  Fields fields;
  ReadFields(p, days || !shortForm ? 4 : 3, fields);
  if (days && IsDayForm(fields)) {  // the short reader takes it too: the writer has no short day form
    SetEnd(end, fields.end);
    double v[4];
    Align(fields, 4, v);
    return (((v[0] * 24 + v[1]) * 60 + v[2]) * 60 + v[3]) * 1000;
  }
  if (days && shortForm) ReadFields(p, 3, fields);
  SetEnd(end, fields.end);
  if (!fields.count) return 0;
  double h = 0, m = 0, s = 0, ms = 0;
  if (!shortForm && (fields.count > 1 || fields.separatorBefore)) {
    ms = FractionMs(fields.f[fields.count - 1]);
    Fields whole = fields;
    --whole.count;
    double v[3];
    Align(whole, 3, v);
    h = v[0], m = v[1], s = v[2];
  } else {
    double v[3];
    Align(fields, 3, v);
    h = v[0], m = v[1], s = v[2];
  }
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

double ReadHMSF(const KOCHAR *text, double rate, bool shortForm, KOCSTR *end) {
  const KOCHAR *p = SkipSpace(text);
  Fields fields;
  const int n = shortForm ? 3 : 4;
  ReadFields(p, n, fields);
  SetEnd(end, fields.end);
  double v[4] = {0, 0, 0, 0};
  Align(fields, n, v);
  double s = v[0] * 3600 + v[1] * 60 + v[2];
  if (n == 4 && rate > 0 && std::isfinite(rate)) s += v[3] / rate;
  return s * kUnitsPerSecond + 0.5;
}

double ReadFeetAndFrames(const KOCHAR *text, double rate, bool frames40, KOCSTR *end) {
  const KOCHAR *p = SkipSpace(text);
  Fields fields;
  ReadFields(p, 2, fields);
  SetEnd(end, fields.end);
  if (!(rate > 0) || !std::isfinite(rate)) return 0;
  double v[2];
  Align(fields, 2, v);
  const double t = (v[0] * (frames40 ? 40 : 16) + v[1]) * kUnitsPerSecond / rate;
  return rate <= 200 ? RoundNearest(t + 0.00001 - 0.499999985) : RoundNearest(t + 1.5e-8);
}

double ReadMusicTime(const KOCHAR *text, const _koposfmt &fmt, DWORD flags, KOCSTR *end) {
  const KOCHAR *p = SkipSpace(text);
  Fields fields;
  const int n = (flags & KOPOSFMT_PARSE_SHORT) ? 2 : 3;
  ReadFields(p, n, fields);
  SetEnd(end, fields.end);
  double v[3] = {0, 0, 0};
  Align(fields, n, v);
  double measures = v[0], beats = v[1], ticks = n == 3 ? v[2] : 0;
  if (fmt.format == KOPOSFMT_MEASURES && !(flags & KOPOSFMT_PARSE_NO_ORIGIN)) {
    if (measures > 0) --measures;
    if (beats > 0) --beats;
  }
  if (!(fmt.tempo > 0) || !std::isfinite(fmt.tempo)) return 0;
  const double perBeat = fmt.ticksPerBeat ? ticks / fmt.ticksPerBeat : 0;
  return std::trunc((perBeat + measures * fmt.beatsPerMeasure + beats) / fmt.tempo * 600000000.0);
}

int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return a < 0 ? INT64_MIN : INT64_MAX;
  return r;
}

int64_t SatMul(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
  return r;
}

LONG ToLong(int64_t v) {
  return static_cast<LONG>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}

// A double already in units, limited to the reading range.
double LimitUnits(double v) {
  const double lo = static_cast<double>(kParseMin), hi = static_cast<double>(kParseMax);
  return v < lo ? lo : v > hi ? hi : v;
}

// Reads a count of `perSecond` units per second ("samples", "frames",
// "beats" x 60 / tempo ...), limited to the multiples of the time range.
double CountToUnits(double count, double perSecond) {
  if (!(perSecond > 0) || !std::isfinite(perSecond) || std::isnan(count)) return 0;
  const double lo = static_cast<double>(kParseMin) / kUnitsPerSecond * perSecond;
  const double hi = static_cast<double>(kParseMax) / kUnitsPerSecond * perSecond;
  if (count < lo) count = lo;
  if (count > hi) count = hi;
  return count / perSecond * kUnitsPerSecond + 0.5;
}

// The value of a position text in units, before its sign and the origin.
int64_t ReadPosition(const KOCHAR *p, const _koposfmt &fmt, DWORD flags, KOCSTR *end) {
  const bool shortForm = (flags & KOPOSFMT_PARSE_SHORT) != 0;
  double units = 0;
  switch (fmt.format) {
    case KOPOSFMT_SAMPLES: {
      const double samples = static_cast<double>(KoTextToLongLongToken(p, end));
      units = CountToUnits(samples, fmt.sampleRate);
      break;
    }
    case KOPOSFMT_TIME:
      units = ReadTimeMs(p, shortForm, true, end) * 10000.0;
      break;
    case KOPOSFMT_SECONDS:
      units = std::floor(LimitUnits(KoTextToDoubleToken(p, end, TRUE) * kUnitsPerSecond) + 0.5);
      break;
    case KOPOSFMT_TIME_FRAMES:
      units = ReadHMSF(p, fmt.frameRate, shortForm, end);
      break;
    case KOPOSFMT_FRAMES:
      units = CountToUnits(KoTextToDoubleToken(p, end, TRUE), fmt.frameRate);
      break;
    case KOPOSFMT_MEASURES:
    case KOPOSFMT_MEASURES_ZERO:
      units = ReadMusicTime(p, fmt, flags, end);
      break;
    case KOPOSFMT_SMPTE_2997:
    case KOPOSFMT_SMPTE_30:
    case KOPOSFMT_SMPTE_2997_DROP:
    case KOPOSFMT_SMPTE_25:
    case KOPOSFMT_SMPTE_24:
    case KOPOSFMT_SMPTE_23976: {
      SetEnd(end, WalkTimecode(p).end);
      _smpteval t{SmpteMode(fmt.format), 0, 0, 0, 0, 0};
      KOSMPTE_TextToSMPTE(p, &t);
      return KOSMPTE_SMPTEToNanos(&t);
    }
    case KOPOSFMT_UNITS:
      return KoTextToLongLongToken(p, end);
    case KOPOSFMT_MICROSECONDS:
      return SatMul(KoTextToLongLongToken(p, end), 10);
    case KOPOSFMT_BEATS: {
      // Beats back to time at the record's tempo.
      const double beats = KoTextToDoubleToken(p, end, TRUE);
      units = CountToUnits(beats, fmt.tempo / 60.0);
      break;
    }
    case KOPOSFMT_FEET_FRAMES_40:
    case KOPOSFMT_FEET_FRAMES_16:
      units = ReadFeetAndFrames(p, fmt.frameRate, fmt.format == KOPOSFMT_FEET_FRAMES_40, end);
      break;
    case KOPOSFMT_CD_TIME: {
      // Time-code text counted at 75 frames per second; the short text
      // has no frames.
      TimecodeFields t = WalkTimecode(p);
      SetEnd(end, t.end);
      uint32_t h = t.v[0], m = t.v[1], s = t.v[2], f = t.v[3];
      if (shortForm && t.count <= 3) h = m, m = s, s = f, f = 0;
      m += s / 60, s %= 60;
      h += m / 60, m %= 60;
      h %= 24;
      _smpteval rec{0, h, m, s, f, 0};
      return KOSMPTE_SmpteLikeToNanos(75.0, &rec);
    }
    case KOPOSFMT_CLOCK:
      units = ReadTimeMs(p, true, false, end) * 10000.0;
      break;
    default:
      SetEnd(end, p);  // a format of the caller's: nothing we can read
      return 0;
  }
  return SaturateToInt64(units);
}

}  // namespace

}  // namespace ko::timetext

using namespace ko::timetext;

extern "C" LONGLONG KoTextToNanoTimeToken2(KOCSTR text, const _koposfmt *fmt, LONGLONG def,
                                           LONGLONG minimum, LONGLONG maximum, DWORD flags,
                                           KOCSTR *end) {
  SetEnd(end, text);
  if (!text || !fmt) return def;
  SetEnd(end, TextEnd(text));
  const KOCHAR *p = SkipSpace(text);
  const bool negative = *p == '-';
  if (negative) p = SkipSpace(p + 1);
  if (!*p) return def;

  const KOCHAR *stop = TextEnd(p);
  int64_t v = ReadPosition(p, *fmt, flags, &stop);
  SetEnd(end, stop);
  const bool unread = v == 0 && *stop && !IsWhiteSpace(*stop);
  if (v < kParseMin) v = kParseMin;
  if (v > kParseMax) v = kParseMax;
  if (negative) v = -v;
  if (!(flags & KOPOSFMT_PARSE_NO_ORIGIN)) v = SatAdd(v, fmt->origin);
  if (flags & KOPOSFMT_PARSE_LIMITS) {
    if (unread) v = def;
    if (v < minimum) v = minimum;
    if (v > maximum) v = maximum;
  }
  return v;
}

extern "C" LONGLONG KoTextToNanoTimeToken(KOCSTR text, const _koposfmt *fmt, BOOL shortForm,
                                          KOCSTR *end) {
  return KoTextToNanoTimeToken2(text, fmt, 0, 0, 0, shortForm ? 1 : 0, end);
}

extern "C" LONGLONG KoTextToNanoTimeTokenEx(KOCSTR text, const _koposfmt *fmt, BOOL shortForm,
                                            LONGLONG def, LONGLONG minimum, LONGLONG maximum,
                                            KOCSTR *end) {
  return KoTextToNanoTimeToken2(text, fmt, def, minimum, maximum, shortForm ? 5 : 4, end);
}

extern "C" LONGLONG KoTextToTimeToken(KOCSTR text, const _koposfmt *, BOOL shortForm, KOCSTR *end) {
  SetEnd(end, text);
  if (!text) return 0;
  const double ms = ReadTimeMs(text, shortForm != 0, true, end);
  const double lo = static_cast<double>(kParseMin) / 10000, hi = static_cast<double>(kParseMax) / 10000;
  return SaturateToInt64(ms < lo ? lo : ms > hi ? hi : ms);
}

extern "C" LONGLONG KoTextToHMSFToken(KOCSTR text, const _koposfmt *fmt, BOOL shortForm,
                                      KOCSTR *end) {
  SetEnd(end, text);
  if (!text || !fmt) return 0;
  return ClampParsed(std::trunc(ReadHMSF(text, fmt->frameRate, shortForm != 0, end)));
}

extern "C" LONGLONG KoTextToFeetAndFramesToken(KOCSTR text, const _koposfmt *fmt, BOOL frames40,
                                               KOCSTR *end) {
  SetEnd(end, text);
  if (!text || !fmt) return 0;
  return ClampParsed(ReadFeetAndFrames(text, fmt->frameRate, frames40 != 0, end));
}

extern "C" LONGLONG KoTextToMusicTimeToken(KOCSTR text, const _koposfmt *fmt, DWORD flags,
                                           KOCSTR *end) {
  SetEnd(end, text);
  if (!text || !fmt) return 0;
  return ClampParsed(ReadMusicTime(text, *fmt, flags, end));
}

extern "C" LONGLONG KoTextToMeasuresBeatsTicks(KOCSTR text, const _koposfmt *fmt, BOOL oneBased,
                                               DWORD multiplier, LONG *measures, LONG *beats,
                                               LONG *ticks) {
  int64_t m = 0, b = 0, t = 0, result = 0;
  if (text && fmt) {
    const KOCHAR *p = SkipSpace(text);
    const bool negative = *p == '-';
    if (negative) ++p;
    Fields fields;
    ReadFields(p, 3, fields);
    double v[3];
    Align(fields, 3, v);
    m = static_cast<int64_t>(v[0]), b = static_cast<int64_t>(v[1]), t = static_cast<int64_t>(v[2]);
    if (negative) m = -m;
    if (oneBased) {
      if (m > 0) --m;
      if (b > 0) --b;
    }
    result = SatAdd(SatMul(SatAdd(SatMul(fmt->beatsPerMeasure, m), b), fmt->ticksPerBeat),
                    SatMul(multiplier, t));
  }
  if (measures) *measures = ToLong(m);
  if (beats) *beats = ToLong(b);
  if (ticks) *ticks = ToLong(t);
  return result;
}

extern "C" LONGLONG KoTextToBeatsTicks(KOCSTR text, const _koposfmt *fmt, DWORD multiplier,
                                       LONG *beats, LONG *ticks) {
  int64_t b = 0, t = 0, result = 0;
  if (text && fmt) {
    const KOCHAR *p = SkipSpace(text);
    if (*p == '-') ++p;  // a beat count has no sign
    Fields fields;
    ReadFields(p, 2, fields);
    double v[2];
    Align(fields, 2, v);
    b = static_cast<int64_t>(v[0]), t = static_cast<int64_t>(v[1]);
    result = SatAdd(SatMul(b, fmt->ticksPerBeat), SatMul(multiplier, t));
  }
  if (beats) *beats = ToLong(b);
  if (ticks) *ticks = ToLong(t);
  return result;
}

extern "C" LONGLONG KoTextToTicks(KOCSTR text, const _koposfmt *fmt, BOOL oneBased,
                                  DWORD multiplier) {
  return KoTextToMeasuresBeatsTicks(text, fmt, oneBased, multiplier, nullptr, nullptr, nullptr);
}
