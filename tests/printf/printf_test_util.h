// Helpers shared by the formatter tests: format into UTF-8 for readable
// failure messages, and install locale settings for one test.
#pragma once

#include <cstdarg>
#include <string>

#include "kokernel/koprintf.h"
#include "platform/utf.h"
#include "text/locale_settings.h"

namespace kotest {

inline std::string U8(const KOCHAR *s) { return ko::Utf16ToUtf8(s); }
inline std::string U8(const ko::kostring &s) { return ko::Utf16ToUtf8(s.c_str()); }

// KoPrintF into a generous buffer, as UTF-8.
inline std::string Fmt(const KOCHAR *format, ...) {
  static KOCHAR buf[1 << 16];
  va_list args;
  va_start(args, format);
  int n = KoVPrintF(buf, format, args);
  va_end(args);
  std::string s = U8(buf);
  if (static_cast<size_t>(n) != ko::WideLength(buf)) s += " <length mismatch>";
  return s;
}

// Sets separators for the life of the object, restoring the defaults after.
class ScopedLocale {
 public:
  ScopedLocale(const char *decimal, const char *thousand, int grouping, bool leadingZero = true) {
    ko::text::LocaleSettings s = ko::text::DefaultLocaleSettings();
    Put(s.decimalSeparator, decimal);
    Put(s.thousandSeparator, thousand);
    s.grouping = grouping;
    s.leadingZero = leadingZero;
    ko::text::SetLocaleSettings(s);
  }
  explicit ScopedLocale(const ko::text::LocaleSettings &s) { ko::text::SetLocaleSettings(s); }
  ~ScopedLocale() { ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings()); }
  static void Put(KOCHAR (&dst)[ko::text::kSeparatorUnits], const char *utf8) {
    ko::kostring w = ko::Utf8ToUtf16(utf8);
    size_t i = 0;
    for (; i < w.size() && i + 1 < ko::text::kSeparatorUnits; ++i) dst[i] = w[i];
    dst[i] = 0;
  }
};

}  // namespace kotest
