// Colours as text and back, and four-character codes.
#include <cstdio>

#include "kokernel/konumtext.h"
#include "text/numbers_internal.h"

using namespace ko::numtext;

namespace {

int HexValue(KOCHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const KOCHAR *SkipWhite(const KOCHAR *p) {
  while (IsWhiteSpace(*p)) ++p;
  return p;
}

// Reads decimal digits (at least one) into *value, failing above `limit`.
const KOCHAR *ReadDecimal(const KOCHAR *p, uint64_t limit, uint64_t *value) {
  if (*p < '0' || *p > '9') return nullptr;
  uint64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > limit) return nullptr;
  }
  *value = v;
  return p;
}

// Reads hexadecimal digits (at least one), failing above `limit`.
const KOCHAR *ReadHexDigits(const KOCHAR *p, uint64_t limit, uint64_t *value) {
  if (HexValue(*p) < 0) return nullptr;
  uint64_t v = 0;
  for (int h; (h = HexValue(*p)) >= 0; ++p) {
    v = v * 16 + h;
    if (v > limit) return nullptr;
  }
  *value = v;
  return p;
}

bool MatchRgb(const KOCHAR *p) {
  return (p[0] == 'R' || p[0] == 'r') && (p[1] == 'G' || p[1] == 'g') && (p[2] == 'B' || p[2] == 'b');
}

// Parses a colour at text; returns the position after it, or null when the
// text is not a colour.
const KOCHAR *ParseColour(const KOCHAR *text, DWORD *colour) {
  const KOCHAR *p = SkipWhite(text);
  uint64_t v = 0;
  if (MatchRgb(p)) {
    p = SkipWhite(p + 3);
    if (*p != '(') return nullptr;
    ++p;
    uint64_t c[3];
    for (int i = 0; i < 3; ++i) {
      p = SkipWhite(p);
      p = ReadDecimal(p, 255, &c[i]);
      if (!p) return nullptr;
      p = SkipWhite(p);
      if (*p != (i < 2 ? ',' : ')')) return nullptr;
      ++p;
    }
    *colour = static_cast<DWORD>(c[0] | c[1] << 8 | c[2] << 16);
    return p;
  }
  if (*p == '#') {
    p = ReadHexDigits(p + 1, 0xFFFFFF, &v);
    if (!p) return nullptr;
    *colour = static_cast<DWORD>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
    return p;
  }
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexValue(p[2]) >= 0)
    p = ReadHexDigits(p + 2, 0xFFFFFFFF, &v);
  else
    p = ReadDecimal(p, 0xFFFFFFFF, &v);
  if (!p) return nullptr;
  *colour = static_cast<DWORD>(v);
  return p;
}

HRESULT ColourText(KOCHAR *dst, int capacity, DWORD *length, DWORD colour, uint32_t style) {
  if (length) *length = 0;
  if (!dst) return E_POINTER;
  char text[32];
  const unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  if (colour <= 0xFFFFFF && style == 0)
    std::snprintf(text, sizeof text, "RGB(%u,%u,%u)", r, g, b);
  else if (colour <= 0xFFFFFF && style == 1)
    std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
  else
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(colour));
  TextSink sink(dst, capacity);
  sink.PutAscii(text);
  sink.Finish();
  if (length) *length = static_cast<DWORD>(sink.length);
  return sink.cut ? KO_E_BUFFERTOOSMALL : S_OK;
}

}  // namespace

extern "C" int KoColorrefToText(KOCHAR *dst, int capacity, DWORD color, DWORD style) {
  DWORD length = 0;
  ColourText(dst, capacity, &length, color, style);
  return static_cast<int>(length);
}

extern "C" HRESULT KoColorrefToTextEx(KOCHAR *dst, int capacity, DWORD *length, DWORD color,
                                      ULONGLONG style) {
  return ColourText(dst, capacity, length, color, static_cast<uint32_t>(style));
}

extern "C" DWORD KoTextToColorrefTokenEx(KOCSTR text, DWORD def, KOCSTR *end) {
  if (end) *end = text;
  if (!text) return def;
  DWORD colour = 0;
  const KOCHAR *stop = ParseColour(text, &colour);
  if (!stop) return def;
  if (end) *end = stop;
  return colour;
}

extern "C" DWORD KoTextToColorrefToken(KOCSTR text, KOCSTR *end) {
  return KoTextToColorrefTokenEx(text, KO_COLORREF_NONE, end);
}

extern "C" DWORD KoTextToColorref(KOCSTR text) {
  return KoTextToColorrefTokenEx(text, KO_COLORREF_NONE, nullptr);
}

extern "C" HRESULT KoFourCCToString(DWORD fourcc, KOCHAR *dst) {
  if (!dst) return E_POINTER;
  for (int i = 0; i < 4; ++i) {
    unsigned byte = (fourcc >> (8 * i)) & 0xFF;
    dst[i] = static_cast<KOCHAR>(byte >= 32 && byte <= 126 ? byte : '.');
  }
  dst[4] = 0;
  return S_OK;
}
