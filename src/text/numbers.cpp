// Integers and doubles to text, locale re-formatting of number text, and the
// tolerant number readers.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "kokernel/konumtext.h"
#include "text/numbers_internal.h"

namespace ko::numtext {

namespace {

constexpr int kPlainCapacity = 64;  // what the forms without a capacity may write

bool IsDigit(KOCHAR c) { return c >= '0' && c <= '9'; }

// Length of `sep` when the text at p starts with it; 0 otherwise (and for an
// empty separator).
int MatchSeparator(const KOCHAR *p, const KOCHAR *sep) {
  int i = 0;
  while (sep[i] && p[i] == sep[i]) ++i;
  return (i > 0 && sep[i] == 0) ? i : 0;
}

// The pieces of a plain number text.
struct ParsedNumber {
  bool negative = false;
  const KOCHAR *intBegin = nullptr, *intEnd = nullptr;
  const KOCHAR *fracBegin = nullptr, *fracEnd = nullptr;
  int consumed = 0;  // 0: not a number
};

ParsedNumber ParseNumber(const KOCHAR *src, const KOCHAR *end) {
  ParsedNumber n;
  auto digitAt = [end](const KOCHAR *q) { return (!end || q < end) && IsDigit(*q); };
  const KOCHAR *p = src;
  if ((!end || p < end) && *p == '-') {
    n.negative = true;
    ++p;
  }
  n.intBegin = p;
  while (digitAt(p)) ++p;
  n.intEnd = p;
  n.fracBegin = n.fracEnd = p;
  if ((!end || p < end) && *p == '.') {
    n.fracBegin = ++p;
    while (digitAt(p)) ++p;
    n.fracEnd = p;
  }
  if (n.intEnd == n.intBegin && n.fracEnd == n.fracBegin) return ParsedNumber{};
  n.consumed = static_cast<int>(p - src);
  return n;
}

void PutDigits(const std::string &digits, int grouping, const KOCHAR *sep, NumberOut &out) {
  const int len = static_cast<int>(digits.size());
  for (int i = 0; i < len; ++i) {
    if (grouping > 0 && i > 0 && (len - i) % grouping == 0) out.Put(sep);
    out.Put(static_cast<KOCHAR>(digits[i]));
  }
}

struct TextSinkOut final : NumberOut {
  explicit TextSinkOut(TextSink &s) : sink(s) {}
  void Put(KOCHAR c) override { sink.Put(c); }
  void Put(const KOCHAR *s, int n) override {
    for (int i = 0; i < n; ++i) sink.Put(s[i]);
  }
  using NumberOut::Put;
  TextSink &sink;
};

}  // namespace

bool IsWhiteSpace(KOCHAR c) {
  const auto u = static_cast<uint16_t>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
         u == 0x205F || u == 0x3000;
}

int LayoutNumber(const KOCHAR *src, const KOCHAR *end, const NumberLayout &layout, NumberOut &sink) {
  ParsedNumber n = ParseNumber(src, end);
  if (!n.consumed) return 0;
  const int decimals = layout.decimals < 0 ? 0 : layout.decimals;

  std::string ip;
  const KOCHAR *p = n.intBegin;
  while (p < n.intEnd && *p == '0') ++p;  // leading zeros carry no value
  for (; p < n.intEnd; ++p) ip += static_cast<char>(*p);
  std::string fp;
  const int fracLen = static_cast<int>(n.fracEnd - n.fracBegin);
  for (int i = 0; i < decimals; ++i) fp += i < fracLen ? static_cast<char>(n.fracBegin[i]) : '0';

  // Round half up on the decimal digits.
  if (fracLen > decimals && n.fracBegin[decimals] >= '5') {
    int i = decimals - 1;
    for (; i >= 0 && fp[i] == '9'; --i) fp[i] = '0';
    if (i >= 0) {
      ++fp[i];
    } else {
      int j = static_cast<int>(ip.size()) - 1;
      for (; j >= 0 && ip[j] == '9'; --j) ip[j] = '0';
      if (j >= 0)
        ++ip[j];
      else
        ip.insert(ip.begin(), '1');
    }
  }

  if (n.negative) sink.Put('-');
  if (ip.empty()) {
    if (layout.leadingZero || decimals == 0) sink.Put('0');
  } else {
    PutDigits(ip, layout.grouping, layout.thousandSep, sink);
  }
  if (decimals > 0) {
    sink.Put(layout.decimalSep);
    for (char c : fp) sink.Put(static_cast<KOCHAR>(c));
  }
  return n.consumed;
}

int LayoutNumber(const KOCHAR *src, const NumberLayout &layout, TextSink &sink) {
  TextSinkOut out(sink);
  return LayoutNumber(src, nullptr, layout, out);
}

NumberLayout LocaleLayout(int decimals, bool group) {
  const LocaleSettings &s = CurrentLocaleSettings();
  NumberLayout l;
  l.decimals = decimals;
  l.leadingZero = s.leadingZero;
  l.grouping = group ? (s.grouping > 0 ? s.grouping : 0) : 0;
  l.decimalSep = s.decimalSeparator;
  l.thousandSep = s.thousandSeparator;
  return l;
}

void ReformatNumber(const KOCHAR *src, const KOCHAR *end, NumberLayout layout, bool countDecimals,
                    NumberOut &out) {
  auto more = [end](const KOCHAR *q) { return end ? q < end : *q != 0; };
  const KOCHAR *p = src;
  while (more(p) && !ParseNumber(p, end).consumed) out.Put(*p++);
  if (!more(p)) return;
  if (countDecimals) {
    ParsedNumber n = ParseNumber(p, end);
    layout.decimals = static_cast<int>(n.fracEnd - n.fracBegin);
  }
  p += LayoutNumber(p, end, layout, out);
  if (end)
    out.Put(p, static_cast<int>(end - p));
  else
    out.Put(p);
}

int ReformatNumberText(const KOCHAR *src, KOCHAR *dst, int capacity, int decimals, bool group,
                       bool countDecimals) {
  TextSink sink(dst, capacity);
  if (!src || !sink.capacity) return 0;
  if (decimals > capacity) decimals = capacity;  // more could never fit
  TextSinkOut out(sink);
  ReformatNumber(src, nullptr, LocaleLayout(decimals, group), countDecimals, out);
  return sink.Finish();
}

void PutLocaleNumber(const char *ascii, bool group, TextSink &sink) {
  KOCHAR wide[kPlainCapacity * 2];
  int n = 0;
  for (; ascii[n] && n < kPlainCapacity * 2 - 1; ++n) wide[n] = static_cast<KOCHAR>(ascii[n]);
  wide[n] = 0;
  KOCHAR out[kPlainCapacity * 4];
  if (ReformatNumberText(wide, out, kPlainCapacity * 4, 0, group, true))
    sink.Put(out);
  else
    sink.Put(wide);
}

const KOCHAR *ExtractNumberText(const KOCHAR *text, bool useLocale, char (&buf)[64],
                                int *droppedDigits) {
  int n = 0;
  int dropped = 0;
  bool point = false;
  auto keep = [&](char c) {
    if (c == '.') point = true;
    if (n < 63)
      buf[n++] = c;
    else if (c >= '0' && c <= '9' && !point)
      ++dropped;
  };
  if (droppedDigits) *droppedDigits = 0;
  const KOCHAR *p = text;
  if (!p) {
    buf[0] = 0;
    return p;
  }
  while (IsWhiteSpace(*p)) ++p;
  if (useLocale) {
    const LocaleSettings &s = CurrentLocaleSettings();
    if (int k = MatchSeparator(p, s.negativeSign)) {
      keep('-');
      p += k;
    } else if (*p == '-') {
      keep('-');
      ++p;
    }
    for (;;) {
      if (IsDigit(*p)) {
        keep(static_cast<char>(*p++));
      } else if (int d = MatchSeparator(p, s.decimalSeparator)) {
        keep('.');
        p += d;
      } else if (int t = MatchSeparator(p, s.thousandSeparator)) {
        p += t;
      } else {
        break;
      }
    }
  } else {
    for (;; ++p) {
      if (IsDigit(*p) || *p == '-' || *p == '.')
        keep(static_cast<char>(*p));
      else if (*p != ',')
        break;
    }
  }
  buf[n] = 0;
  if (droppedDigits) *droppedDigits = dropped;
  return p;
}

}  // namespace ko::numtext

using namespace ko::numtext;

namespace {

// ---- writers ---------------------------------------------------------------

int WriteInteger(bool negative, uint64_t magnitude, KOCHAR *dst, int capacity, BOOL group) {
  KOCHAR digits[24];
  int i = 23;
  digits[i] = 0;
  do {
    digits[--i] = static_cast<KOCHAR>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (negative) digits[--i] = '-';
  TextSink sink(dst, capacity);
  NumberLayout layout = LocaleLayout(0, group != 0);
  LayoutNumber(digits + i, layout, sink);
  return sink.Finish();
}

uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

int WriteDouble(KOCHAR *dst, int capacity, double value, int decimals, BOOL group) {
  TextSink sink(dst, capacity);
  if (!sink.capacity) return 0;
  if (!std::isfinite(value)) {
    sink.PutAscii(std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf");
    return sink.Finish();
  }
  const int d = decimals < 0 ? 0 : decimals > 9 ? 9 : decimals;
  const float step = std::pow(10.0f, static_cast<float>(-d));
  const double x = std::fabs(value) + 0.5 * static_cast<double>(step);
  const double ipart = std::trunc(x);
  double scale = 1;
  for (int i = 0; i < d; ++i) scale *= 10;
  double frac = std::trunc((x - ipart) * scale);
  if (frac >= scale) frac = scale - 1;  // guard against rounding up to a whole unit
  const auto fraction = static_cast<uint64_t>(frac);

  char text[400];
  int n;
  const char *sign = (value < 0 && (ipart != 0 || fraction != 0)) ? "-" : "";
  if (ipart < 1.8e19)
    n = std::snprintf(text, sizeof text, "%s%llu", sign,
                      static_cast<unsigned long long>(static_cast<uint64_t>(ipart)));
  else
    n = std::snprintf(text, sizeof text, "%s%.0f", sign, ipart);
  if (d > 0) std::snprintf(text + n, sizeof text - n, ".%0*llu", d, static_cast<unsigned long long>(fraction));

  if (group) {
    KOCHAR wide[400];
    int i = 0;
    for (; text[i]; ++i) wide[i] = static_cast<KOCHAR>(text[i]);
    wide[i] = 0;
    return ReformatNumberText(wide, dst, capacity, d, true, false);
  }
  sink.PutAscii(text);
  return sink.Finish();
}

// ---- readers ---------------------------------------------------------------

uint64_t ReadUnsigned(const char *s, uint64_t limit) {
  if (*s == '-') return 0;
  uint64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    unsigned digit = *s - '0';
    if (v > (limit - digit) / 10) return limit;  // saturate
    v = v * 10 + digit;
  }
  return v;
}

int64_t ReadSigned(const char *s, int64_t lo, int64_t hi) {
  bool negative = *s == '-';
  if (negative) ++s;
  uint64_t limit = negative ? Magnitude(lo) : static_cast<uint64_t>(hi);
  uint64_t m = ReadUnsigned(s, limit);
  if (!negative) return static_cast<int64_t>(m);
  return m == Magnitude(lo) ? lo : -static_cast<int64_t>(m);
}

const KOCHAR *SetEnd(KOCSTR *end, const KOCHAR *p) {
  if (end) *end = p;
  return p;
}

// The rule of the "Ex" readers: a zero that stopped on a character other than
// white space or the terminator becomes the default; then the limits.
template <class T>
T ApplyEx(T value, const KOCHAR *stop, T def, T minimum, T maximum) {
  if (value == 0 && stop && *stop && !IsWhiteSpace(*stop)) value = def;
  if (value < minimum) value = minimum;
  if (value > maximum) value = maximum;
  return value;
}

uint64_t ReadHex(const KOCHAR *text, uint64_t limit, KOCSTR *end) {
  if (!text) return SetEnd(end, text), 0;
  auto hexValue = [](KOCHAR c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  const KOCHAR *p = text;
  while (IsWhiteSpace(*p)) ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hexValue(p[2]) >= 0) p += 2;
  uint64_t v = 0;
  bool saturated = false;
  for (int h; (h = hexValue(*p)) >= 0; ++p) {
    if (saturated) continue;
    if (v > (limit - h) / 16) {
      v = limit;
      saturated = true;
    } else {
      v = v * 16 + h;
    }
  }
  SetEnd(end, p);
  return v;
}

double ReadDouble(const KOCHAR *text, KOCSTR *end, BOOL useLocale) {
  char buf[64];
  int dropped = 0;
  SetEnd(end, ExtractNumberText(text, useLocale != 0, buf, &dropped));
  double v = 0;
  auto r = std::from_chars(buf, buf + std::strlen(buf), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large gives the infinity of its sign, too small a zero.
    bool negative = buf[0] == '-';
    const char *digits = buf + (negative ? 1 : 0);
    bool tiny = false;
    // A magnitude below one has only zeros before its first non-zero digit
    // after the point; this reader never sees exponents.
    const char *q = digits;
    while (*q == '0') ++q;
    tiny = *q == '.' || *q == 0;
    v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    if (negative) v = -v;
  } else if (r.ec != std::errc()) {
    v = 0;
  }
  if (dropped) v *= std::pow(10.0, dropped);  // digits that did not fit still count
  return v;
}

}  // namespace

// ---- exported writers --------------------------------------------------------

extern "C" int KoLongToText(LONG value, KOCHAR *dst, BOOL group) {
  return WriteInteger(value < 0, Magnitude(value), dst, kPlainCapacity, group);
}
extern "C" int KoLongToTextN(LONG value, KOCHAR *dst, int capacity, BOOL group) {
  return WriteInteger(value < 0, Magnitude(value), dst, capacity, group);
}
extern "C" int KoDWordToText(DWORD value, KOCHAR *dst, BOOL group) {
  return WriteInteger(false, value, dst, kPlainCapacity, group);
}
extern "C" int KoDWordToTextN(DWORD value, KOCHAR *dst, int capacity, BOOL group) {
  return WriteInteger(false, value, dst, capacity, group);
}
extern "C" int KoLongLongToText(LONGLONG value, KOCHAR *dst, BOOL group) {
  return WriteInteger(value < 0, Magnitude(value), dst, kPlainCapacity, group);
}
extern "C" int KoLongLongToTextN(LONGLONG value, KOCHAR *dst, int capacity, BOOL group) {
  return WriteInteger(value < 0, Magnitude(value), dst, capacity, group);
}
extern "C" int KoDWordLongToText(ULONGLONG value, KOCHAR *dst, BOOL group) {
  return WriteInteger(false, value, dst, kPlainCapacity, group);
}
extern "C" int KoDWordLongToTextN(ULONGLONG value, KOCHAR *dst, int capacity, BOOL group) {
  return WriteInteger(false, value, dst, capacity, group);
}
extern "C" int KoDoubleToText(KOCHAR *dst, double value, int decimals, BOOL group) {
  return WriteDouble(dst, kPlainCapacity, value, decimals, group);
}
extern "C" int KoDoubleToTextN(KOCHAR *dst, int capacity, double value, int decimals, BOOL group) {
  return WriteDouble(dst, capacity, value, decimals, group);
}

// ---- exported re-formatters --------------------------------------------------

extern "C" int KoFormatNumber(KOCSTR src, KOCHAR *dst, int capacity) {
  return ReformatNumberText(src, dst, capacity, 0, true, false);
}
extern "C" int KoFormatDecimalNumber(KOCSTR src, KOCHAR *dst, int capacity) {
  return ReformatNumberText(src, dst, capacity, 0, false, true);
}
extern "C" int KoFormatGroupDecimalNumber(KOCSTR src, KOCHAR *dst, int capacity, int digits) {
  return ReformatNumberText(src, dst, capacity, digits, true, digits == -1 || digits == -2);
}

// ---- exported readers --------------------------------------------------------

extern "C" DWORD KoTextToDWordToken(KOCSTR text, KOCSTR *end) {
  char buf[64];
  SetEnd(end, ExtractNumberText(text, true, buf));
  return static_cast<DWORD>(ReadUnsigned(buf, UINT32_MAX));
}
extern "C" DWORD KoTextToDWordTokenEx(KOCSTR text, DWORD def, DWORD minimum, DWORD maximum,
                                      KOCSTR *end) {
  KOCSTR stop = nullptr;
  DWORD v = KoTextToDWordToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" ULONGLONG KoTextToDWordLongToken(KOCSTR text, KOCSTR *end) {
  char buf[64];
  SetEnd(end, ExtractNumberText(text, true, buf));
  return ReadUnsigned(buf, UINT64_MAX);
}
extern "C" ULONGLONG KoTextToDWordLongTokenEx(KOCSTR text, ULONGLONG def, ULONGLONG minimum,
                                              ULONGLONG maximum, KOCSTR *end) {
  KOCSTR stop = nullptr;
  ULONGLONG v = KoTextToDWordLongToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" LONG KoTextToLongToken(KOCSTR text, KOCSTR *end) {
  char buf[64];
  SetEnd(end, ExtractNumberText(text, true, buf));
  return static_cast<LONG>(ReadSigned(buf, INT32_MIN, INT32_MAX));
}
extern "C" LONG KoTextToLongTokenEx(KOCSTR text, LONG def, LONG minimum, LONG maximum, KOCSTR *end) {
  KOCSTR stop = nullptr;
  LONG v = KoTextToLongToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" LONGLONG KoTextToLongLongToken(KOCSTR text, KOCSTR *end) {
  char buf[64];
  SetEnd(end, ExtractNumberText(text, true, buf));
  return ReadSigned(buf, INT64_MIN, INT64_MAX);
}
extern "C" LONGLONG KoTextToLongLongTokenEx(KOCSTR text, LONGLONG def, LONGLONG minimum,
                                            LONGLONG maximum, KOCSTR *end) {
  KOCSTR stop = nullptr;
  LONGLONG v = KoTextToLongLongToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" DWORD KoHexToDWordToken(KOCSTR text, KOCSTR *end) {
  return static_cast<DWORD>(ReadHex(text, UINT32_MAX, end));
}
extern "C" DWORD KoHexToDWordTokenEx(KOCSTR text, DWORD def, DWORD minimum, DWORD maximum,
                                     KOCSTR *end) {
  KOCSTR stop = nullptr;
  DWORD v = KoHexToDWordToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" ULONGLONG KoHexToDWordLongToken(KOCSTR text, KOCSTR *end) {
  return ReadHex(text, UINT64_MAX, end);
}
extern "C" ULONGLONG KoHexToDWordLongTokenEx(KOCSTR text, ULONGLONG def, ULONGLONG minimum,
                                             ULONGLONG maximum, KOCSTR *end) {
  KOCSTR stop = nullptr;
  ULONGLONG v = KoHexToDWordLongToken(text, &stop);
  SetEnd(end, stop);
  return ApplyEx(v, stop, def, minimum, maximum);
}
extern "C" double KoTextToDoubleToken(KOCSTR text, KOCSTR *end, BOOL useLocale) {
  return ReadDouble(text, end, useLocale);
}
extern "C" double KoTextToDoubleTokenEx(KOCSTR text, double def, double minimum, double maximum,
                                        KOCSTR *end, BOOL useLocale) {
  KOCSTR stop = nullptr;
  double v = ReadDouble(text, &stop, useLocale);
  SetEnd(end, stop);
  if (std::isnan(v)) v = def;
  return ApplyEx(v, stop, def, minimum, maximum);
}
