// The KoPrintF formatting language: literal text, "$$" and "%%", "$(...)"
// brackets (tokens and numbers), "%" / "$" conversions with the separator
// conversions, fixed-point "z" and locale rewriting of numbers; and the
// exported formatting functions.
#include "kokernel/koprintf.h"

#include "text/locale_settings.h"
#include "text/numbers_internal.h"
#include "text/printf_engine.h"

namespace ko::text {

namespace {

constexpr size_t kMaxSpec = 260;         // characters scanned for a conversion
constexpr size_t kMaxName = 260;         // characters of a token name
constexpr size_t kScratchCap = 65536;    // longest text a locale rewrite takes

bool IsDigit(KOCHAR c) { return c >= '0' && c <= '9'; }

bool IsConversionChar(KOCHAR c) {
  switch (c) {
    case '!': case '&': case '*': case ',': case ':': case 'E': case 'G': case 'X':
    case 'c': case 'd': case 'e': case 'f': case 'g': case 'i': case 'o': case 's':
    case 'u': case 'x': case 'z':
      return true;
    default:
      return false;
  }
}

void WriteText(Sink &out, const KOCHAR *s) { out.Write(s, WideLength(s)); }

// Writes text with its "." replaced by the user's decimal separator.
void WriteWithDecimal(Sink &out, const kostring &text) {
  const KOCHAR *dec = CurrentLocaleSettings().decimalSeparator;
  for (KOCHAR c : text) {
    if (c == '.')
      WriteText(out, dec);
    else
      out.Put(c);
  }
}

// Consumes the argument of a conversion whose specification is not valid.
void SkipArgument(KOCHAR conv, ArgReader &args) {
  if (IsFloatConversion(conv))
    args.Double();
  else
    args.Pointer();
}

// "$(" ... : `p` points after "$(". Returns the position to go on from.
const KOCHAR *Bracket(Sink &out, const KOCHAR *p) {
  const KOCHAR *q = p;
  while (*q && *q != ')' && static_cast<size_t>(q - p) < kMaxName) ++q;
  size_t n = static_cast<size_t>(q - p);
  if (*q != ')') {
    static const KOCHAR kOpen[] = {'$', '('};
    out.Write(kOpen, 2);
    out.Write(p, n);
    return q;
  }
  if (n > 0 && (IsDigit(p[0]) || p[0] == '-' || p[0] == '.')) {
    // A number: "-"?, digits and ",", then "." and digits.
    KOCHAR buf[kMaxName + 1];
    size_t k = 0, i = 0;
    bool ok = true, digit = false, point = false;
    if (p[0] == '-') buf[k++] = p[i++];
    for (; i < n && ok; ++i) {
      KOCHAR c = p[i];
      if (IsDigit(c)) {
        buf[k++] = c;
        digit = true;
      } else if (c == ',' && !point) {
        // grouping of the source text
      } else if (c == '.' && !point) {
        buf[k++] = c;
        point = true;
      } else {
        ok = false;
      }
    }
    if (ok && digit) {
      GroupDigits(out, buf, k, true, true);
      return q + 1;
    }
  }
  if (!WriteToken(out, p, n)) {
    static const KOCHAR kOpen[] = {'$', '('};
    out.Write(kOpen, 2);
    out.Write(p, n);
    out.Put(')');
  }
  return q + 1;
}

// Formats one conversion: spec[0..n) are the characters between the
// introducer and the conversion character `conv`. `next` is the format
// character after the conversion; returns how many of those were consumed.
size_t Convert(Sink &out, const KOCHAR *spec, size_t n, KOCHAR conv, bool locale,
               const KOCHAR *next, ArgReader &args) {
  const LocaleSettings &ls = CurrentLocaleSettings();
  switch (conv) {
    case '*':
      WriteText(out, ls.decimalSeparator);
      return 0;
    case ',':
      WriteText(out, ls.listSeparator);
      return 0;
    case ':':
      WriteText(out, ls.timeSeparator);
      return 0;
    case '!':
    case '&': {
      int index = 0;
      if (conv == '!')
        index = *next == ':' ? 100 : *next == '.' ? 101 : *next == ',' ? 102 : 0;
      else
        index = *next == ':' ? 120 : *next == '.' ? 121 : 0;
      if (!index) return 0;
      WriteText(out, TimecodeSeparator(index));
      return 1;
    }
    default:
      break;
  }

  Spec parsed;
  if (!ParseSpec(spec, n, conv == 'z' ? 'd' : conv, &parsed)) {
    SkipArgument(conv, args);
    return 0;
  }
  bool groupedInteger = locale && (conv == 'd' || conv == 'i' || conv == 'u' || conv == 'z');

  if (conv == 'z' && parsed.precision >= 1) {
    int32_t v = args.Int32();
    uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(v)) : static_cast<uint64_t>(v);
    DecimalDigits dd;
    int nd = 0;
    char tmp[16];
    for (uint64_t t = mag; t; t /= 10) tmp[nd++] = static_cast<char>('0' + t % 10);
    for (int i = 0; i < nd; ++i) dd.d[i] = tmp[nd - 1 - i];
    dd.n = nd;
    while (dd.n > 0 && dd.d[dd.n - 1] == '0') --dd.n;
    dd.exp10 = nd - parsed.precision;
    Spec f = parsed;
    f.conversion = 'f';
    kostring scratch;
    Sink tmpOut(&scratch, kScratchCap);
    FormatFixedDigits(tmpOut, f, v < 0, dd);
    if (tmpOut.Cut()) return 0;
    if (locale)
      GroupDigits(out, scratch.data(), scratch.size(), true, true);
    else
      WriteWithDecimal(out, scratch);
    return 0;
  }

  bool rewrite = groupedInteger || (locale && (conv == 'f' || conv == 'g' || conv == 'G'));
  if (!rewrite) {
    FormatStandard(out, parsed, args);
    return 0;
  }
  kostring scratch;
  Sink tmpOut(&scratch, kScratchCap);
  FormatStandard(tmpOut, parsed, args);
  if (tmpOut.Cut()) return 0;
  if (groupedInteger) {
    GroupDigits(out, scratch.data(), scratch.size(), true, false);
  } else if (conv == 'f') {
    GroupDigits(out, scratch.data(), scratch.size(), true, true);
  } else {
    bool exponent = scratch.find('e') != kostring::npos || scratch.find('E') != kostring::npos;
    if (exponent)
      out.Write(scratch.data(), scratch.size());
    else
      WriteWithDecimal(out, scratch);
  }
  return 0;
}

}  // namespace

void GroupDigits(Sink &out, const KOCHAR *s, size_t n, bool group, bool keepDecimals) {
  struct Out final : numtext::NumberOut {
    explicit Out(Sink &s) : sink(s) {}
    void Put(KOCHAR c) override { sink.Put(c); }
    void Put(const KOCHAR *t, int k) override { sink.Write(t, static_cast<size_t>(k)); }
    Sink &sink;
  } to(out);
  numtext::ReformatNumber(s, s + n, numtext::LocaleLayout(0, group), keepDecimals, to);
}

void FormatText(Sink &out, const KOCHAR *f, ArgReader &args) {
  while (*f) {
    KOCHAR c = *f;
    if (c != '%' && c != '$') {
      const KOCHAR *run = f;
      while (*f && *f != '%' && *f != '$') ++f;
      out.PutLiterals(run, static_cast<size_t>(f - run));
      continue;
    }
    if (f[1] == c) {
      out.PutLiteral(c);
      f += 2;
      continue;
    }
    if (c == '$' && f[1] == '(') {
      f = Bracket(out, f + 2);
      continue;
    }
    const KOCHAR *spec = f + 1;
    const KOCHAR *q = spec;
    while (*q && !IsConversionChar(*q) && static_cast<size_t>(q - spec) < kMaxSpec) ++q;
    if (!*q || !IsConversionChar(*q) || static_cast<size_t>(q - spec) >= kMaxSpec) {
      // No conversion character: the text stands as written.
      for (const KOCHAR *t = f; t < q; ++t) out.PutLiteral(*t);
      f = q;
      continue;
    }
    size_t used = Convert(out, spec, static_cast<size_t>(q - spec), *q, c == '$', q + 1, args);
    f = q + 1 + used;
  }
}

}  // namespace ko::text

using namespace ko::text;

extern "C" int KoVPrintF(KOSTR dst, KOCSTR format, va_list args) {
  if (!dst) return 0;
  if (!format) {
    dst[0] = 0;
    return 0;
  }
  VaArgReader reader(args);
  Sink out(dst, SIZE_MAX - 1);
  FormatText(out, format, reader);
  out.Terminate();
  return static_cast<int>(out.Length());
}

extern "C" int KoPrintF(KOSTR dst, KOCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = KoVPrintF(dst, format, args);
  va_end(args);
  return n;
}

extern "C" HRESULT KoNVPrintF(KOSTR dst, size_t capacity, UINT *length, KOCSTR format,
                              va_list args) {
  if (length) *length = 0;
  if (!dst) return E_POINTER;
  if (capacity == 0) return E_INVALIDARG;
  dst[0] = 0;
  if (!format) return E_POINTER;
  VaArgReader reader(args);
  Sink out(dst, capacity - 1);
  FormatText(out, format, reader);
  out.Terminate();
  if (length) *length = static_cast<UINT>(out.Length());
  return out.Cut() ? KO_E_BUFFERTOOSMALL : S_OK;
}

extern "C" HRESULT KoCchPrintF(KOSTR dst, size_t capacity, UINT *length, KOCSTR format, ...) {
  va_list args;
  va_start(args, format);
  HRESULT hr = KoNVPrintF(dst, capacity, length, format, args);
  va_end(args);
  return hr;
}
