// UTF-16 <-> UTF-8 helpers and the library's wide string type. Portable.
#pragma once

#include <string>

#include "kokernel/kobase.h"

namespace ko {

using kostring = std::basic_string<KOCHAR>;

// Length of a terminated wide text (0 for null).
inline size_t WideLength(const KOCHAR *s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

// Converts UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
inline std::string Utf16ToUtf8(const KOCHAR *s) {
  std::string out;
  if (!s) return out;
  for (size_t i = 0; s[i]; ++i) {
    uint32_t c = static_cast<uint16_t>(s[i]);
    if (c >= 0xD800 && c <= 0xDBFF && s[i + 1] >= 0xDC00 && static_cast<uint16_t>(s[i + 1]) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(s[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Converts UTF-8 to UTF-16; malformed sequences become U+FFFD.
inline kostring Utf8ToUtf16(const char *s) {
  kostring out;
  if (!s) return out;
  const auto *p = reinterpret_cast<const unsigned char *>(s);
  while (*p) {
    uint32_t c = *p;
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      out += static_cast<KOCHAR>(0xFFFD);
      ++p;
      continue;
    }
    c &= extra == 0 ? 0x7F : extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
    ++p;
    bool ok = true;
    for (int k = 0; k < extra; ++k) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (*p & 0x3F);
      ++p;
    }
    if (!ok || c > 0x10FFFF) {
      out += static_cast<KOCHAR>(0xFFFD);
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<KOCHAR>(0xD800 + (c >> 10));
      out += static_cast<KOCHAR>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<KOCHAR>(c);
    }
  }
  return out;
}

}  // namespace ko
