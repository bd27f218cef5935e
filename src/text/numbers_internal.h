// Pieces shared by the number writers, readers and byte-size texts.
#pragma once

#include <cstdint>

#include "kokernel/kobase.h"
#include "text/locale_settings.h"

namespace ko::numtext {

using text::CurrentLocaleSettings;
using text::LocaleSettings;

// White space as the readers and fix-ups see it: the C0 spaces, the
// no-break space and the Unicode space separators.
bool IsWhiteSpace(KOCHAR c);

// A bounded writer: keeps room for the terminator, remembers a cut.
struct TextSink {
  KOCHAR *dst;
  int capacity;
  int length = 0;
  bool cut = false;

  TextSink(KOCHAR *d, int cap) : dst(d), capacity(d && cap > 0 ? cap : 0) {}
  void Put(KOCHAR c) {
    if (length + 1 < capacity)
      dst[length++] = c;
    else
      cut = true;
  }
  void Put(const KOCHAR *s) {
    if (s)
      for (; *s; ++s) Put(*s);
  }
  void PutAscii(const char *s) {
    for (; *s; ++s) Put(static_cast<KOCHAR>(static_cast<unsigned char>(*s)));
  }
  // Terminates and returns the length written, or 0 when the text was cut.
  int Finish() {
    if (capacity > 0) dst[length] = 0;
    return cut ? 0 : length;
  }
};

// How a plain number text is laid out with separators.
struct NumberLayout {
  int decimals;               // digits after the decimal separator (rounded half up)
  bool leadingZero;           // "0.5" rather than ".5"
  int grouping;               // group size, 0 for none
  const KOCHAR *decimalSep;   // written only when decimals > 0
  const KOCHAR *thousandSep;
};

// Where laid-out number text goes: a bounded buffer here, the formatter's
// output in the printf engine.
class NumberOut {
 public:
  virtual void Put(KOCHAR c) = 0;
  virtual void Put(const KOCHAR *s, int n) = 0;
  void Put(const KOCHAR *s) {
    int n = 0;
    if (s)
      while (s[n]) ++n;
    Put(s, n);
  }

 protected:
  ~NumberOut() = default;
};

// Parses a plain number (optional "-", digits, optional "." and digits) in
// src..end (end null: up to the terminator) and writes it with the layout.
// Returns the number of source characters consumed, 0 when src does not
// start with a number.
int LayoutNumber(const KOCHAR *src, const KOCHAR *end, const NumberLayout &layout, NumberOut &out);
int LayoutNumber(const KOCHAR *src, const NumberLayout &layout, TextSink &sink);

// The re-formatting of number text in src..end (end null: up to the
// terminator): characters before the number copied, the number laid out
// (with as many decimals as it has when countDecimals), the rest copied.
void ReformatNumber(const KOCHAR *src, const KOCHAR *end, NumberLayout layout, bool countDecimals,
                    NumberOut &out);

// The layout the user's locale gives for a decimal count and grouping switch.
NumberLayout LocaleLayout(int decimals, bool group);

// Re-formats number text with the user's locale: prefix copied, number laid
// out, the rest copied. Returns characters written or 0 when cut.
int ReformatNumberText(const KOCHAR *src, KOCHAR *dst, int capacity, int decimals, bool group,
                       bool countDecimals);

// Number-text extraction shared by every reader: returns the position where
// it stopped and fills buf (ASCII, at most 63 characters kept, terminated).
// droppedDigits (optional) receives the count of digits before the point
// that did not fit, so that a reader of doubles can keep the magnitude.
const KOCHAR *ExtractNumberText(const KOCHAR *text, bool useLocale, char (&buf)[64],
                                int *droppedDigits = nullptr);

// Writes an ASCII text into a bounded sink, rewriting a number in it with
// the user's decimal separator and (optionally) grouping, as a "$" conversion
// of the formatter does.
void PutLocaleNumber(const char *ascii, bool group, TextSink &sink);

// Language strings of the byte-size texts: the built-in multi-language
// records in the kernel handle's language (English without a kernel handle).
enum class SizeText { kBytesLong, kBytesShort, kKB, kMB, kGB, kTB, kPB, kEB, kTooBig };
const KOCHAR *SizeUnitText(SizeText which);

}  // namespace ko::numtext
