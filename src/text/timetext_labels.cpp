// Labelled values ("-12.5 dB"): short texts in the kernel language handle's
// scratch ring.
#include <cmath>

#include "kokernel/kolang.h"
#include "kokernel/koprintf.h"
#include "kokernel/kotimetext.h"
#include "text/builtin_texts.h"

namespace {

constexpr int kPieceUnits = 24;  // one piece of the ring, terminator included

// "$.Nz" / "$.Nf" with N = min(decimals, 9), or "$d" without decimals.
void NumberFormat(KOCHAR (&f)[6], LONG decimals, KOCHAR conversion) {
  int i = 0;
  f[i++] = '$';
  if (decimals >= 1) {
    f[i++] = '.';
    f[i++] = static_cast<KOCHAR>('0' + (decimals > 9 ? 9 : decimals));
    f[i++] = conversion;
  } else {
    f[i++] = 'd';
  }
  f[i] = 0;
}

// Takes a piece of the ring, formats the number into it and appends the label.
template <class Value>
KOCSTR Labeled(const KOCHAR *format, Value value, KOCSTR label) {
  HKOLANG h = ko::lang::KernelHandle();
  KOCHAR *piece = h ? KoGetTempStringBuffer(h, kPieceUnits) : nullptr;
  if (!piece) return ko::text::BuiltinText(ko::lang::kTextErr);
  UINT length = 0;
  KoCchPrintF(piece, kPieceUnits, &length, format, value);
  if (label) {
    const KOCHAR *text = KoGetStringSmart(h, label);
    for (; text && *text && length + 1 < static_cast<UINT>(kPieceUnits); ++text) piece[length++] = *text;
    piece[length] = 0;
  }
  return piece;
}

KOCSTR FixedText(LONG value, LONG decimals, LONG floor, KOCSTR label) {
  if (floor != 0 && value <= floor) return ko::text::BuiltinText(ko::lang::kTextMinusInf);
  KOCHAR format[6];
  NumberFormat(format, decimals, 'z');
  return Labeled(format, static_cast<int32_t>(value), label);
}

KOCSTR FloatText(float value, LONG decimals, float floor, KOCSTR label) {
  if (floor != 0 && value <= floor) return ko::text::BuiltinText(ko::lang::kTextMinusInf);
  KOCHAR format[6];
  NumberFormat(format, decimals, 'f');
  if (decimals >= 1) return Labeled(format, static_cast<double>(value), label);
  // Whole values: the value truncated to an integer.
  const double t = std::trunc(static_cast<double>(value));
  const int32_t whole = std::isnan(t) ? 0 : t >= 2147483647.0 ? INT32_MAX : t <= -2147483648.0 ? INT32_MIN
                                                                                           : static_cast<int32_t>(t);
  return Labeled(format, whole, label);
}

}  // namespace

extern "C" KOCSTR KoGetLabeledStringFixed(LONG value, LONG decimals, LONG floor, KOCSTR label) {
  return FixedText(value, decimals, floor, label);
}

extern "C" KOCSTR KoGetLabeledStringFloat(float value, LONG decimals, float floor, KOCSTR label) {
  return FloatText(value, decimals, floor, label);
}

extern "C" KOCSTR KoGetdBStringFixed(LONG value, LONG decimals, LONG floor, BOOL withLabel) {
  return FixedText(value, decimals, floor,
                   withLabel ? ko::text::BuiltinText(ko::lang::kTextDecibel) : nullptr);
}

extern "C" KOCSTR KoGetdBStringFloat(float value, LONG decimals, float floor, BOOL withLabel) {
  return FloatText(value, decimals, floor,
                   withLabel ? ko::text::BuiltinText(ko::lang::kTextDecibel) : nullptr);
}
