// Helpers shared by the number and time-code tests.
#pragma once

#include <string>

#include "platform/utf.h"
#include "text/locale_settings.h"

namespace kotest {

inline std::string U8(const KOCHAR *s) { return ko::Utf16ToUtf8(s); }
inline ko::kostring W(const char *s) { return ko::Utf8ToUtf16(s); }

inline void PutSep(KOCHAR (&dst)[ko::text::kSeparatorUnits], const char *utf8) {
  ko::kostring w = W(utf8);
  size_t i = 0;
  for (; i < w.size() && i + 1 < ko::text::kSeparatorUnits; ++i) dst[i] = w[i];
  dst[i] = 0;
}

// Installs number settings for one test and restores the defaults after it.
class ScopedLocale {
 public:
  ScopedLocale(const char *decimal, const char *thousand, int grouping, bool leadingZero = true,
               const char *negative = "-") {
    ko::text::LocaleSettings s = ko::text::DefaultLocaleSettings();
    PutSep(s.decimalSeparator, decimal);
    PutSep(s.thousandSeparator, thousand);
    PutSep(s.negativeSign, negative);
    s.grouping = grouping;
    s.leadingZero = leadingZero;
    ko::text::SetLocaleSettings(s);
  }
  ~ScopedLocale() { ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings()); }
};

}  // namespace kotest
