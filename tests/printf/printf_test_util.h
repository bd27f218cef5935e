// Helpers shared by the formatter tests: format into UTF-8 for readable
// failure messages.
#pragma once

#include <cstdarg>
#include <string>

#include "kokernel/koprintf.h"
#include "kotest_text_util.h"

namespace kotest {

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

}  // namespace kotest
