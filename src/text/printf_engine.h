// Internals of the KoPrintF formatting engine: the output sink, argument
// readers, the standard "%" conversions (the library's own formatter, with
// exact decimal conversion of doubles), locale digit grouping and the token
// registry. Portable.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "kokernel/kobase.h"
#include "platform/utf.h"

namespace ko::text {

// ---- Output ------------------------------------------------------------------
// Writes into a caller's buffer of known room (bounded), of unknown room
// (unbounded), or into a growable scratch text with a hard cap. Text that
// does not fit is dropped; dropped conversion text marks the sink as cut,
// dropped literal text does not.
class Sink {
 public:
  // room: characters that may be written, not counting the terminator.
  Sink(KOCHAR *dst, size_t room) : dst_(dst), room_(room) {}
  // Scratch form: appends to *text, at most `cap` characters.
  Sink(kostring *text, size_t cap) : text_(text), room_(cap) {}

  // The caller's buffer takes whatever fits directly; the scratch text and
  // cut text go through the out-of-line forms.
  void Put(KOCHAR c) {
    if (dst_ && len_ < room_)
      dst_[len_++] = c;
    else
      Write(&c, 1);
  }
  void Write(const KOCHAR *s, size_t n) {
    if (dst_ && n <= room_ - len_) {
      for (size_t i = 0; i < n; ++i) dst_[len_ + i] = s[i];
      len_ += n;
    } else {
      WriteSlow(s, n);
    }
  }
  void WriteAscii(const char *s, size_t n) {
    if (dst_ && n <= room_ - len_) {
      for (size_t i = 0; i < n; ++i) dst_[len_ + i] = static_cast<unsigned char>(s[i]);
      len_ += n;
    } else {
      WriteAsciiSlow(s, n);
    }
  }
  void Repeat(KOCHAR c, size_t n) {
    if (dst_ && n <= room_ - len_) {
      for (size_t i = 0; i < n; ++i) dst_[len_ + i] = c;
      len_ += n;
    } else {
      RepeatSlow(c, n);
    }
  }
  void PutLiteral(KOCHAR c);  // dropped silently when there is no room
  void PutLiterals(const KOCHAR *s, size_t n);

  size_t Length() const { return len_; }
  bool Cut() const { return cut_; }
  bool Full() const { return len_ >= room_; }
  void Terminate();

 private:
  void WriteSlow(const KOCHAR *s, size_t n);
  void WriteAsciiSlow(const char *s, size_t n);
  void RepeatSlow(KOCHAR c, size_t n);

  KOCHAR *dst_ = nullptr;
  kostring *text_ = nullptr;
  size_t room_;
  size_t len_ = 0;
  bool cut_ = false;
};

// ---- Arguments ----------------------------------------------------------------
// One argument per request; the type decides how the slot is read.
class ArgReader {
 public:
  virtual ~ArgReader() = default;
  virtual int32_t Int32() = 0;
  virtual int64_t Int64() = 0;
  virtual double Double() = 0;
  virtual const void *Pointer() = 0;
};

// Reads a C argument list (the caller's va_list, advanced in place).
class VaArgReader final : public ArgReader {
 public:
  explicit VaArgReader(va_list args) { va_copy(args_, args); }
  ~VaArgReader() override { va_end(args_); }
  int32_t Int32() override { return va_arg(args_, int32_t); }
  int64_t Int64() override { return va_arg(args_, int64_t); }
  double Double() override { return va_arg(args_, double); }
  const void *Pointer() override { return va_arg(args_, const void *); }

 private:
  va_list args_;
};

// ---- Standard conversions ---------------------------------------------------------
// A parsed "%" specification: flags, width, precision, size prefix and
// conversion character.
struct Spec {
  bool left = false, plus = false, space = false, zero = false, alt = false;
  int width = 0;        // 0 when absent
  int precision = -1;   // -1 when absent
  bool widthStar = false, precisionStar = false;
  enum Size { kDefault, kChar, kShort, kLong, kLong64, kNarrow, kWide } size = kDefault;
  KOCHAR conversion = 0;
};

// Parses the characters between "%" and the conversion character (inclusive
// of the conversion at spec[n-1]). Returns false for anything the C
// formatting functions would reject: unknown characters, a size prefix that
// does not suit the conversion, numbers that overflow 32 bits.
// *out is undefined after a failure.
bool ParseSpec(const KOCHAR *spec, size_t n, Spec *out);
// The same with the conversion character apart: spec[0..n) are the
// characters before it.
bool ParseSpec(const KOCHAR *spec, size_t n, KOCHAR conversion, Spec *out);

// True for the integer conversions d i u o x X.
bool IsIntegerConversion(KOCHAR c);
bool IsFloatConversion(KOCHAR c);

// Reads the argument that a parsed specification takes (and its "*" width
// and precision first) and writes the standard text. Returns false when the
// conversion fails (nothing is written then).
bool FormatStandard(Sink &out, const Spec &spec, ArgReader &args);

// The same with the value already read.
void FormatInteger(Sink &out, const Spec &spec, bool negative, uint64_t magnitude);
void FormatDouble(Sink &out, const Spec &spec, double value);

// Exact decimal expansion of a finite double's magnitude: value =
// 0.d[0]d[1]...d[n-1] x 10^exp10, no leading or trailing zero digits; n = 0
// for zero. A double needs at most 767 significant digits.
struct DecimalDigits {
  char d[800];
  int n = 0;
  int exp10 = 0;
};
void ExactDecimal(double value, DecimalDigits *out);
// The same when only leading digits matter: at least
// min(significant, exp10 + afterPoint) leading digits are exact; when digits
// are left out and any of them is nonzero, a final "1" stands for them, so
// that RoundDecimal to one digit fewer rounds as it would with all of them.
constexpr int64_t kAllDigits = int64_t{1} << 40;
void ExactDecimal(double value, DecimalDigits *out, int64_t significant, int64_t afterPoint);
// Rounds to `keep` leading digits, ties to even. keep < 0 gives zero.
void RoundDecimal(DecimalDigits *dd, int keep);
// Formats exact decimal digits as "f" does (the fixed-point form of "z").
void FormatFixedDigits(Sink &out, const Spec &spec, bool negative, DecimalDigits &dd);

// ---- Locale grouping ------------------------------------------------------------
// Rewrites number text with the user's settings: leading characters that do
// not start a number are copied, then an optional "-", integer digits
// (leading zeros dropped, grouped with the thousands separator when `group`)
// and, when `keepDecimals`, the digits after the last "." with the user's
// decimal separator. Characters after the number are copied unchanged.
void GroupDigits(Sink &out, const KOCHAR *text, size_t n, bool group, bool keepDecimals);

// ---- Token registry ----------------------------------------------------------------
// The process-wide token list: sorted by name (case-insensitive), every
// operation under the list's lock.
bool AddToken(const KOCHAR *name, const KOCHAR *value);
bool DeleteToken(const KOCHAR *name);
// Writes the value of the named token (name of `n` characters, not
// terminated) into `out` under the lock; false when there is no such token.
bool WriteToken(Sink &out, const KOCHAR *name, size_t n);
// Case-insensitive comparison of token names, as the system compares them.
int CompareTokenNames(const KOCHAR *a, size_t an, const KOCHAR *b, size_t bn);

// ---- The engine ----------------------------------------------------------------------
// Formats `format` (the KoPrintF language) into the sink.
void FormatText(Sink &out, const KOCHAR *format, ArgReader &args);


}  // namespace ko::text
