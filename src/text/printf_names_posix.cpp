// Token names compare without regard to case: simple upper-case folding of
// the Latin, Greek and Cyrillic letters, then code-unit order.
#include "text/printf_engine.h"

namespace ko::text {

namespace {

uint32_t Fold(KOCHAR ch) {
  uint32_t c = static_cast<uint16_t>(ch);
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs (even upper, odd lower), with the shifted ranges.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return c & ~1u;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

}  // namespace

int CompareTokenNames(const KOCHAR *a, size_t an, const KOCHAR *b, size_t bn) {
  size_t n = an < bn ? an : bn;
  for (size_t i = 0; i < n; ++i) {
    uint32_t x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return an == bn ? 0 : (an < bn ? -1 : 1);
}

}  // namespace ko::text
