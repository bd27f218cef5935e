// Writes cursor files in the standard .cur layout for the cursor tests: each
// entry a 32-bit image with a filled square and its transparency mask.
#pragma once

#include <cstdint>
#include <vector>

struct CurEntry { int size; uint16_t hotX, hotY; };

inline void CurPut16(std::vector<uint8_t> &v, size_t at, uint32_t x) { v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8); }
inline void CurPut32(std::vector<uint8_t> &v, size_t at, uint32_t x) { CurPut16(v, at, x), CurPut16(v, at + 2, x >> 16); }

inline uint32_t CurBitmapBytes(int s) { return 40 + uint32_t(s) * s * 4 + uint32_t((s + 31) / 32 * 4) * s; }

inline std::vector<uint8_t> WriteCur(const std::vector<CurEntry> &entries) {
  std::vector<uint8_t> v(6 + 16 * entries.size(), 0);
  CurPut16(v, 2, 2), CurPut16(v, 4, uint32_t(entries.size()));
  for (size_t i = 0, d = 6; i < entries.size(); ++i, d += 16) {
    const CurEntry &e = entries[i];
    const uint32_t bytes = CurBitmapBytes(e.size);
    const size_t b = v.size();
    v[d] = v[d + 1] = uint8_t(e.size);
    CurPut16(v, d + 4, e.hotX), CurPut16(v, d + 6, e.hotY), CurPut32(v, d + 8, bytes), CurPut32(v, d + 12, uint32_t(b));
    v.resize(b + bytes, 0);  // header, colour (half the rows opaque), mask
    CurPut32(v, b, 40), CurPut32(v, b + 4, uint32_t(e.size)), CurPut32(v, b + 8, uint32_t(2 * e.size));
    CurPut16(v, b + 12, 1), CurPut16(v, b + 14, 32);
    for (int p = 0; p < e.size * e.size / 2; ++p) v[b + 40 + size_t(p) * 4 + 3] = 255;
  }
  return v;
}
