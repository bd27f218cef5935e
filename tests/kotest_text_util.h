// Text helpers shared by the suites: UTF-8 views of the library's UTF-16
// texts, and number conventions installed for one scope.
#pragma once

#include <string>

#include "platform/utf.h"
#include "text/locale_settings.h"

namespace kotest {

inline std::string U8(const KOCHAR *s) { return s ? ko::Utf16ToUtf8(s) : std::string("(null)"); }
inline std::string U8(const ko::kostring &s) { return ko::Utf16ToUtf8(s.c_str()); }
inline ko::kostring W(const char *s) { return ko::Utf8ToUtf16(s); }
inline ko::kostring W(const std::string &s) { return ko::Utf8ToUtf16(s.c_str()); }

inline void PutSep(KOCHAR (&dst)[ko::text::kSeparatorUnits], const char *utf8) {
  ko::kostring w = W(utf8);
  size_t i = 0;
  for (; i < w.size() && i + 1 < ko::text::kSeparatorUnits; ++i) dst[i] = w[i];
  dst[i] = 0;
}

// Installs number settings for one scope and restores the defaults after it.
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
  explicit ScopedLocale(const ko::text::LocaleSettings &s) { ko::text::SetLocaleSettings(s); }
  ~ScopedLocale() { ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings()); }
  ScopedLocale(const ScopedLocale &) = delete;
  ScopedLocale &operator=(const ScopedLocale &) = delete;
};

}  // namespace kotest
