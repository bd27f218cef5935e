// The standard "%" conversions of the formatting engine: d i u o x X e E f
// g G c s with every flag, width, precision, "*" and size prefix. The text
// is that of a C99 formatter with exact decimal conversion: doubles are
// expanded exactly (big-integer arithmetic) and rounded half to even on
// exact ties; exponents have at least two digits. Infinities print "inf" /
// "INF", NaNs "nan" / "NAN", both with the sign of the value, padded with
// spaces even under the "0" flag.
#include <algorithm>
#include <climits>
#include <cstring>

#include "text/printf_engine.h"

namespace ko::text {

// ---- Sink ------------------------------------------------------------------------

void Sink::WriteSlow(const KOCHAR *s, size_t n) {
  size_t room = room_ - len_;
  size_t take = n < room ? n : room;
  if (take < n) cut_ = true;
  if (take == 0) return;
  if (text_)
    text_->append(s, take);
  else
    std::memcpy(dst_ + len_, s, take * sizeof(KOCHAR));
  len_ += take;
}

void Sink::WriteAsciiSlow(const char *s, size_t n) {
  KOCHAR buf[64];
  while (n) {
    size_t k = n < 64 ? n : 64;
    for (size_t i = 0; i < k; ++i) buf[i] = static_cast<KOCHAR>(static_cast<unsigned char>(s[i]));
    Write(buf, k);
    s += k;
    n -= k;
  }
}

void Sink::RepeatSlow(KOCHAR c, size_t n) {
  size_t room = room_ - len_;
  size_t take = n < room ? n : room;
  if (take < n) cut_ = true;
  if (text_)
    text_->append(take, c);
  else
    for (size_t i = 0; i < take; ++i) dst_[len_ + i] = c;
  len_ += take;
}

void Sink::PutLiterals(const KOCHAR *s, size_t n) {
  size_t room = room_ - len_;
  if (n > room) n = room;
  if (text_)
    text_->append(s, n);
  else
    std::memcpy(dst_ + len_, s, n * sizeof(KOCHAR));
  len_ += n;
}

void Sink::PutLiteral(KOCHAR c) {
  if (len_ >= room_) return;
  if (text_)
    text_->push_back(c);
  else
    dst_[len_] = c;
  ++len_;
}

void Sink::Terminate() {
  if (dst_) dst_[len_] = 0;
}

// ---- Specification ------------------------------------------------------------------

bool IsIntegerConversion(KOCHAR c) {
  return c == 'd' || c == 'i' || c == 'u' || c == 'o' || c == 'x' || c == 'X';
}

bool IsFloatConversion(KOCHAR c) {
  return c == 'e' || c == 'E' || c == 'f' || c == 'g' || c == 'G';
}

namespace {

bool ReadNumber(const KOCHAR *s, size_t n, size_t *i, int *value) {
  int64_t v = 0;
  while (*i < n && s[*i] >= '0' && s[*i] <= '9') {
    v = v * 10 + (s[*i] - '0');
    if (v > 0x7FFFFFFF) return false;
    ++*i;
  }
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

bool ParseSpec(const KOCHAR *s, size_t n, Spec *out) {
  if (n == 0) return false;
  return ParseSpec(s, n - 1, s[n - 1], out);
}

bool ParseSpec(const KOCHAR *s, size_t end, KOCHAR conv, Spec *out) {
  // Filled in place, field by field: assigning a built copy stalls on the
  // mixed-size stores and costs more than the parse of a typical "%d".
  Spec &spec = *out;
  spec.left = spec.plus = spec.space = spec.zero = spec.alt = false;
  spec.width = 0;
  spec.precision = -1;
  spec.widthStar = spec.precisionStar = false;
  spec.size = Spec::kDefault;
  spec.conversion = conv;
  size_t i = 0;
  for (; i < end; ++i) {
    KOCHAR c = s[i];
    if (c == '-') spec.left = true;
    else if (c == '+') spec.plus = true;
    else if (c == ' ') spec.space = true;
    else if (c == '0') spec.zero = true;
    else if (c == '#') spec.alt = true;
    else break;
  }
  if (i < end && s[i] == '*') {
    spec.widthStar = true;
    ++i;
  } else if (!ReadNumber(s, end, &i, &spec.width)) {
    return false;
  }
  if (i < end && s[i] == '.') {
    ++i;
    if (i < end && s[i] == '*') {
      spec.precisionStar = true;
      ++i;
    } else if (!ReadNumber(s, end, &i, &spec.precision)) {
      return false;
    }
  }
  // Size prefix: the characters between the precision and the conversion.
  const KOCHAR *p = s + i;
  size_t rest = end - i;
  bool integer = IsIntegerConversion(conv);
  bool floating = IsFloatConversion(conv);
  bool text = conv == 'c' || conv == 's';
  if (!integer && !floating && !text) return false;
  KOCHAR a = rest > 0 ? p[0] : 0, b = rest > 1 ? p[1] : 0, c = rest > 2 ? p[2] : 0;
  if (rest > 3) return false;
  if (rest == 0) {
    spec.size = Spec::kDefault;
  } else if (integer) {
    if (rest == 1 && (a == 'h')) spec.size = Spec::kShort;
    else if (rest == 2 && a == 'h' && b == 'h') spec.size = Spec::kChar;
    else if (rest == 1 && a == 'l') spec.size = Spec::kLong;
    else if (rest == 3 && a == 'I' && b == '3' && c == '2') spec.size = Spec::kLong;
    else if (rest == 2 && a == 'l' && b == 'l') spec.size = Spec::kLong64;
    else if (rest == 3 && a == 'I' && b == '6' && c == '4') spec.size = Spec::kLong64;
    else if (rest == 1 && (a == 'I' || a == 'j' || a == 't')) spec.size = Spec::kLong64;
    else return false;
  } else if (floating) {
    if (rest != 1 || (a != 'l' && a != 'L')) return false;
  } else {
    if (rest == 1 && a == 'h') spec.size = Spec::kNarrow;
    else if (rest == 1 && (a == 'l' || a == 'w')) spec.size = Spec::kWide;
    else return false;
  }
  return true;
}

// ---- Integers -------------------------------------------------------------------------

namespace {

// "00" to "99", for converting two decimal digits per division.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the digits of v in `base` so that they end just before `end`;
// returns where they start (at `end` for zero: zero has no digits here).
char *DigitsBackward(uint64_t v, unsigned base, bool upper, char *end) {
  char *p = end;
  if (base == 10) {
    while (v >= 100) {
      unsigned pair = static_cast<unsigned>(v % 100) * 2;
      v /= 100;
      *--p = kDigitPairs[pair + 1];
      *--p = kDigitPairs[pair];
    }
    if (v >= 10) {
      unsigned pair = static_cast<unsigned>(v) * 2;
      *--p = kDigitPairs[pair + 1];
      *--p = kDigitPairs[pair];
    } else if (v) {
      *--p = static_cast<char>('0' + v);
    }
  } else if (base == 16) {
    const char *hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (; v; v >>= 4) *--p = hex[v & 15];
  } else {
    for (; v; v >>= 3) *--p = static_cast<char>('0' + (v & 7));
  }
  return p;
}

}  // namespace

void FormatInteger(Sink &out, const Spec &spec, bool negative, uint64_t v) {
  KOCHAR conv = spec.conversion;
  unsigned base = conv == 'o' ? 8 : (conv == 'x' || conv == 'X') ? 16 : 10;
  char buf[32];
  char *end = buf + sizeof buf;
  const char *digits = DigitsBackward(v, base, conv == 'X', end);
  int nd = static_cast<int>(end - digits);
  int precision = spec.precision < 0 ? 1 : spec.precision;
  size_t zeros = precision > nd ? static_cast<size_t>(precision - nd) : 0;
  if (conv == 'o' && spec.alt && zeros == 0 && (nd == 0 || digits[0] != '0')) zeros = 1;
  char prefix[2];
  int np = 0;
  if (conv == 'd' || conv == 'i') {
    if (negative) prefix[np++] = '-';
    else if (spec.plus) prefix[np++] = '+';
    else if (spec.space) prefix[np++] = ' ';
  } else if ((conv == 'x' || conv == 'X') && spec.alt && v != 0) {
    prefix[np++] = '0';
    prefix[np++] = static_cast<char>(conv);
  }
  size_t body = np + zeros + nd;
  size_t width = static_cast<size_t>(spec.width);
  size_t pad = width > body ? width - body : 0;
  if (!spec.left && !(spec.zero && spec.precision < 0)) out.Repeat(' ', pad);
  out.WriteAscii(prefix, np);
  if (!spec.left && spec.zero && spec.precision < 0) out.Repeat('0', pad);
  out.Repeat('0', zeros);
  out.WriteAscii(digits, nd);
  if (spec.left) out.Repeat(' ', pad);
}

// ---- Exact decimal expansion ------------------------------------------------------------

namespace {

// Little-endian 32-bit-word big integer big enough for 2^1130.
struct Big {
  uint32_t w[40];
  int n = 0;  // words in use
};

// Writes the decimal digits of `chunk` at dst: `width` digits with leading
// zeros when `pad`, else as many as it has. Returns how many were written.
int WriteChunk(uint64_t chunk, int width, char *dst, bool pad) {
  char tmp[24];
  char *end = tmp + sizeof tmp;
  char *p = DigitsBackward(chunk, 10, false, end);
  if (pad)
    while (end - p < width) *--p = '0';
  int k = static_cast<int>(end - p);
  std::memcpy(dst, p, static_cast<size_t>(k));
  return k;
}

constexpr uint64_t kChunk19 = 10000000000000000000u;  // 10^19

}  // namespace

void ExactDecimal(double value, DecimalDigits *dd) {
  ExactDecimal(value, dd, kAllDigits, kAllDigits);
}

void ExactDecimal(double value, DecimalDigits *dd, int64_t significant, int64_t afterPoint) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  int be = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  int e2;
  if (be == 0) {
    e2 = -1074;
  } else {
    m |= uint64_t{1} << 52;
    e2 = be - 1075;
  }
  dd->n = 0;
  dd->exp10 = 0;
  if (m == 0) return;
  // Strip factors of two so that small integers take the fast path.
  while (!(m & 1)) {
    m >>= 1;
    ++e2;
  }
  // How many leading digits must be exact, once the position of the point
  // is known; beyond them a nonzero rest is recorded as one "1" digit.
  auto needed = [&](int exp10) { return std::min(significant, exp10 + afterPoint); };
  char *d = dd->d;
  int n = 0;
  bool rest = false;  // nonzero digits left ungenerated
  if (e2 >= 0) {
    // Integer: m << e2 in 64-bit words, cut into 19-digit chunks by
    // repeated division (lowest chunk first).
    uint64_t w[18];
    int nw = e2 / 64;
    for (int k = 0; k < nw; ++k) w[k] = 0;
    unsigned __int128 t = static_cast<unsigned __int128>(m) << (e2 % 64);
    while (t) {
      w[nw++] = static_cast<uint64_t>(t);
      t >>= 64;
    }
    uint64_t chunks[20];
    int nc = 0;
    while (nw) {
      uint64_t rem = 0;
      for (int k = nw - 1; k >= 0; --k) {
        unsigned __int128 cur = (static_cast<unsigned __int128>(rem) << 64) | w[k];
        uint64_t q = static_cast<uint64_t>(cur / kChunk19);
        rem = w[k] - q * kChunk19;  // modulo 2^64: the remainder is below 10^19
        w[k] = q;
      }
      chunks[nc++] = rem;
      while (nw && w[nw - 1] == 0) --nw;
    }
    n = WriteChunk(chunks[nc - 1], 19, d, false);
    int exp10 = n + 19 * (nc - 1);
    int64_t need = needed(exp10);
    int k = nc - 2;
    for (; k >= 0 && n < need; --k) n += WriteChunk(chunks[k], 19, d + n, true);
    for (; k >= 0; --k) rest |= chunks[k] != 0;
    dd->exp10 = exp10;
  } else {
    int k = -e2;  // fraction bits
    uint64_t intPart = k < 64 ? m >> k : 0;
    Big f;
    // m mod 2^k as a big integer of k bits (m < 2^53).
    uint64_t low = k < 64 ? m & ((uint64_t{1} << k) - 1) : m;
    int words = k / 32 + 2;
    for (int j = 0; j < words; ++j) f.w[j] = 0;
    f.w[0] = static_cast<uint32_t>(low);
    f.w[1] = static_cast<uint32_t>(low >> 32);
    f.n = words;
    int exp10 = 0;
    if (intPart) {
      n = WriteChunk(intPart, 0, d, false);
      exp10 = n;
    }
    int top = k / 32, off = k % 32;
    int lowWord = 0;  // words below this are zero
    bool nonzero = low != 0;
    while (nonzero) {
      if (n > 0 && n >= needed(exp10)) {
        rest = true;
        break;
      }
      // Multiplying the fraction by 10^9 moves the next nine digits above
      // the point.
      uint64_t carry = 0;
      for (int j = lowWord; j <= top + 1; ++j) {
        uint64_t cur = static_cast<uint64_t>(f.w[j]) * 1000000000u + carry;
        f.w[j] = static_cast<uint32_t>(cur);
        carry = cur >> 32;
      }
      uint64_t pair = (static_cast<uint64_t>(f.w[top + 1]) << 32) | f.w[top];
      uint32_t chunk = static_cast<uint32_t>(pair >> off);
      f.w[top] &= off ? (uint32_t{1} << off) - 1 : 0;
      f.w[top + 1] = 0;
      if (n == 0 && chunk == 0) {
        exp10 -= 9;
      } else if (n == 0) {
        char tmp[9];
        WriteChunk(chunk, 9, tmp, true);
        int lead = 0;
        while (tmp[lead] == '0') ++lead;
        exp10 -= lead;
        for (int j = lead; j < 9; ++j) d[n++] = tmp[j];
      } else {
        n += WriteChunk(chunk, 9, d + n, true);
      }
      while (lowWord <= top && f.w[lowWord] == 0) ++lowWord;
      nonzero = lowWord <= top;
    }
    dd->exp10 = exp10;
  }
  // The marker for the rest follows the exact digits, zeros included, so
  // that rounding at any exact position sees it.
  if (rest) d[n++] = '1';
  while (n > 0 && d[n - 1] == '0') --n;
  dd->n = n;
}

void RoundDecimal(DecimalDigits *dd, int keep) {
  if (keep >= dd->n) return;
  if (keep < 0) {
    dd->n = 0;
    return;
  }
  char *d = dd->d;
  int rd = d[keep] - '0';
  bool up;
  if (rd != 5)
    up = rd > 5;
  else if (dd->n > keep + 1)  // digits are trimmed: more digits mean a nonzero rest
    up = true;
  else
    up = keep > 0 && ((d[keep - 1] - '0') & 1);
  int n = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d[i] == '9') --i;
    if (i < 0) {
      d[0] = '1';
      n = 1;
      dd->exp10 += 1;
    } else {
      d[i] += 1;
      n = i + 1;
    }
  }
  while (n > 0 && d[n - 1] == '0') --n;
  dd->n = n;
}

// ---- Doubles --------------------------------------------------------------------------

namespace {

char SignOf(const Spec &spec, bool negative) {
  if (negative) return '-';
  if (spec.plus) return '+';
  if (spec.space) return ' ';
  return 0;
}

// Writes width padding, sign and a body produced by `emit`, whose length is
// `body` characters.
template <typename Emit>
void Padded(Sink &out, const Spec &spec, char sign, size_t body, bool zeroPad, Emit emit) {
  size_t total = body + (sign ? 1 : 0);
  size_t width = static_cast<size_t>(spec.width);
  size_t pad = width > total ? width - total : 0;
  bool zeros = zeroPad && spec.zero && !spec.left;
  if (!spec.left && !zeros) out.Repeat(' ', pad);
  if (sign) out.Put(static_cast<KOCHAR>(sign));
  if (zeros) out.Repeat('0', pad);
  emit();
  if (spec.left) out.Repeat(' ', pad);
}

// Digit i of the expansion (zeros beyond the stored digits).
inline char DigitAt(const DecimalDigits &dd, int i) { return i >= 0 && i < dd.n ? dd.d[i] : '0'; }

// Writes digits [from, to) of the expansion, zero beyond the stored ones.
void WriteDigits(Sink &out, const DecimalDigits &dd, int64_t from, int64_t to) {
  if (from >= to) return;
  if (from < 0) {
    int64_t z = (to < 0 ? to : 0) - from;
    out.Repeat('0', static_cast<size_t>(z));
    from = 0;
  }
  if (from < dd.n && from < to) {
    int64_t e = to < dd.n ? to : dd.n;
    out.WriteAscii(dd.d + from, static_cast<size_t>(e - from));
    from = e;
  }
  if (from < to) out.Repeat('0', static_cast<size_t>(to - from));
}

// Fixed notation with `precision` decimals of already rounded digits.
void EmitFixed(Sink &out, const Spec &spec, char sign, const DecimalDigits &dd, int precision,
               bool point) {
  int64_t intLen = dd.n == 0 ? 1 : (dd.exp10 > 0 ? dd.exp10 : 1);
  size_t body = static_cast<size_t>(intLen) + (point ? 1 : 0) + static_cast<size_t>(precision);
  Padded(out, spec, sign, body, true, [&] {
    if (dd.n == 0 || dd.exp10 <= 0)
      out.Put('0');
    else
      WriteDigits(out, dd, 0, dd.exp10);
    if (point) out.Put('.');
    int64_t start = dd.n == 0 ? 0 : dd.exp10;
    if (dd.n == 0)
      out.Repeat('0', static_cast<size_t>(precision));
    else
      WriteDigits(out, dd, start, start + precision);
  });
}

// Exponent notation with `precision` decimals of already rounded digits.
void EmitExponent(Sink &out, const Spec &spec, char sign, const DecimalDigits &dd, int precision,
                  bool point, bool upper) {
  int exponent = dd.n == 0 ? 0 : dd.exp10 - 1;
  char ebuf[8];
  int ne = 0;
  ebuf[ne++] = upper ? 'E' : 'e';
  ebuf[ne++] = exponent < 0 ? '-' : '+';
  unsigned ae = exponent < 0 ? -exponent : exponent;
  char tmp[6];
  int nt = 0;
  do {
    tmp[nt++] = static_cast<char>('0' + ae % 10);
    ae /= 10;
  } while (ae);
  if (nt < 2) tmp[nt++] = '0';
  while (nt) ebuf[ne++] = tmp[--nt];
  size_t body = 1 + (point ? 1 : 0) + static_cast<size_t>(precision) + ne;
  Padded(out, spec, sign, body, true, [&] {
    out.Put(static_cast<KOCHAR>(DigitAt(dd, 0)));
    if (point) out.Put('.');
    WriteDigits(out, dd, 1, 1 + static_cast<int64_t>(precision));
    out.WriteAscii(ebuf, ne);
  });
}

}  // namespace

void FormatFixedDigits(Sink &out, const Spec &spec, bool negative, DecimalDigits &dd) {
  int precision = spec.precision < 0 ? 6 : spec.precision;
  RoundDecimal(&dd, static_cast<int>(
                        std::min<int64_t>(static_cast<int64_t>(dd.exp10) + precision, 1 << 30)));
  EmitFixed(out, spec, SignOf(spec, negative), dd, precision, precision > 0 || spec.alt);
}

void FormatDouble(Sink &out, const Spec &spec, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  bool negative = bits >> 63;
  char sign = SignOf(spec, negative);
  KOCHAR conv = spec.conversion;
  bool upper = conv == 'E' || conv == 'G';
  if (((bits >> 52) & 0x7FF) == 0x7FF) {
    bool nan = (bits & ((uint64_t{1} << 52) - 1)) != 0;
    const char *text = nan ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    Padded(out, spec, sign, 3, false, [&] { out.WriteAscii(text, 3); });
    return;
  }
  // Only the digits that the rounding below looks at are generated.
  DecimalDigits dd;
  int precision = spec.precision < 0 ? 6 : spec.precision;
  int p = precision == 0 ? 1 : precision;  // significant digits of "g"
  if (conv == 'f')
    ExactDecimal(value, &dd, kAllDigits, int64_t{precision} + 1);
  else if (conv == 'e' || conv == 'E')
    ExactDecimal(value, &dd, int64_t{precision} + 2, kAllDigits);
  else
    ExactDecimal(value, &dd, int64_t{p} + 1, kAllDigits);
  if (conv == 'f') {
    FormatFixedDigits(out, spec, negative, dd);
    return;
  }
  if (conv == 'e' || conv == 'E') {
    if (dd.n) RoundDecimal(&dd, precision + 1);
    EmitExponent(out, spec, sign, dd, precision, precision > 0 || spec.alt, upper);
    return;
  }
  // g, G
  if (dd.n) RoundDecimal(&dd, p);
  int x = dd.n == 0 ? 0 : dd.exp10 - 1;
  if (p > x && x >= -4) {
    int decimals = p - 1 - x;
    if (!spec.alt) {
      int used = dd.n - (dd.n == 0 ? 0 : dd.exp10);
      if (used < 0) used = 0;
      if (used < decimals) decimals = used;
    }
    EmitFixed(out, spec, sign, dd, decimals, decimals > 0 || spec.alt);
  } else {
    int decimals = p - 1;
    if (!spec.alt) {
      int used = dd.n > 0 ? dd.n - 1 : 0;
      if (used < decimals) decimals = used;
    }
    EmitExponent(out, spec, sign, dd, decimals, decimals > 0 || spec.alt, upper);
  }
}

// ---- Text --------------------------------------------------------------------------------

namespace {

void FormatChar(Sink &out, const Spec &spec, uint32_t value) {
  KOCHAR c = spec.size == Spec::kNarrow ? static_cast<KOCHAR>(value & 0xFF)
                                        : static_cast<KOCHAR>(value & 0xFFFF);
  Padded(out, spec, 0, 1, false, [&] { out.Put(c); });
}

void FormatString(Sink &out, const Spec &spec, const void *ptr) {
  static const KOCHAR kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
  size_t limit = spec.precision < 0 ? SIZE_MAX : static_cast<size_t>(spec.precision);
  if (spec.size == Spec::kNarrow && ptr) {
    auto *s = static_cast<const unsigned char *>(ptr);
    size_t n = 0;
    while (n < limit && s[n]) ++n;
    Padded(out, spec, 0, n, false, [&] {
      for (size_t i = 0; i < n; ++i) out.Put(static_cast<KOCHAR>(s[i]));
    });
    return;
  }
  const KOCHAR *s = ptr ? static_cast<const KOCHAR *>(ptr) : kNull;
  size_t n = 0;
  while (n < limit && s[n]) ++n;
  Padded(out, spec, 0, n, false, [&] { out.Write(s, n); });
}

}  // namespace

bool FormatStandard(Sink &out, const Spec &given, ArgReader &args) {
  if (given.widthStar || given.precisionStar) {
    Spec spec = given;
    if (spec.widthStar) {
      int32_t w = args.Int32();
      if (w < 0) {
        spec.left = true;
        w = w == INT32_MIN ? INT32_MAX : -w;
      }
      spec.width = w;
    }
    if (spec.precisionStar) {
      int32_t p = args.Int32();
      spec.precision = p < 0 ? -1 : p;
    }
    spec.widthStar = spec.precisionStar = false;
    return FormatStandard(out, spec, args);
  }
  const Spec &spec = given;
  KOCHAR conv = spec.conversion;
  if (IsIntegerConversion(conv)) {
    bool is64 = spec.size == Spec::kLong64;
    int64_t raw = is64 ? args.Int64() : args.Int32();
    bool isSigned = conv == 'd' || conv == 'i';
    uint64_t u;
    bool negative = false;
    switch (spec.size) {
      case Spec::kChar:
        raw = isSigned ? int{static_cast<int8_t>(raw)} : int{static_cast<uint8_t>(raw)};
        break;
      case Spec::kShort:
        raw = isSigned ? int{static_cast<int16_t>(raw)} : int{static_cast<uint16_t>(raw)};
        break;
      case Spec::kLong64:
        break;
      default:
        if (isSigned)
          raw = static_cast<int32_t>(raw);
        else
          raw = static_cast<uint32_t>(raw);
        break;
    }
    if (isSigned && raw < 0) {
      negative = true;
      u = 0 - static_cast<uint64_t>(raw);
    } else {
      u = static_cast<uint64_t>(raw);
    }
    FormatInteger(out, spec, negative, u);
    return true;
  }
  if (IsFloatConversion(conv)) {
    FormatDouble(out, spec, args.Double());
    return true;
  }
  if (conv == 'c') {
    FormatChar(out, spec, static_cast<uint32_t>(args.Int32()));
    return true;
  }
  if (conv == 's') {
    FormatString(out, spec, args.Pointer());
    return true;
  }
  return false;
}

}  // namespace ko::text
