// Inverse colour map of a palette: every cell of the 5-5-5 colour cube gets
// the palette entry whose region, grown from the entries' own cells one
// city-block step per generation, reaches it first.
#include <cstring>

#include "pixels/xchg.h"
#include "platform/platform.h"

namespace ko::pixels::xchg {

namespace pf = ko::platform;

uint8_t *CreateColorQuantizer(const RGBQUAD *palette, int count) {
  if (!palette || count < 1) return nullptr;
  if (count > 256) count = 256;
  auto *map = static_cast<uint8_t *>(pf::GlobalAllocLocked(32768, false));
  if (!map) return nullptr;
  // The generation map also tells free cells (0) from taken ones, so a
  // palette of 256 entries keeps the region of entry 255 like any other.
  auto *gen = static_cast<uint8_t *>(pf::GlobalAllocLocked(32768, true));
  if (!gen) {
    pf::GlobalFreeLocked(map);
    return nullptr;
  }
  std::memset(map, 255, 32768);
  int remaining = 32768;
  for (int i = 0; i < count; ++i) {
    const uint32_t c = Cell8(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
    if (gen[c]) continue;  // a later entry in a taken cell gets no region
    map[c] = uint8_t(i);
    gen[c] = 1;
    --remaining;
  }
  // Generations stay below 95 (the cube's city-block diameter is 93), so
  // they fit the byte.
  for (int g = 1; remaining > 0; ++g) {
    const int before = remaining;
    for (int c = 0; c < 32768; ++c) {
      if (gen[c] != g) continue;
      const int r = c >> 10, gg = (c >> 5) & 31, b = c & 31;
      const uint8_t idx = map[c];
      auto take = [&](int n) {
        if (!gen[n]) {
          gen[n] = uint8_t(g + 1);
          map[n] = idx;
          --remaining;
        }
      };
      if (r > 0) take(c - 1024);
      if (gg > 0) take(c - 32);
      if (b > 0) take(c - 1);
      if (r < 31) take(c + 1024);
      if (gg < 31) take(c + 32);
      if (b < 31) take(c + 1);
    }
    if (remaining == before) break;  // nothing can grow further
  }
  pf::GlobalFreeLocked(gen);
  return map;
}

void FreeColorQuantizer(uint8_t *map) {
  if (map) pf::GlobalFreeLocked(map);
}

}  // namespace ko::pixels::xchg

extern "C" HRESULT KoDibCreateColorQuantizer(uint8_t **map, const BITMAPINFOHEADER *dib) {
  if (!map) return E_POINTER;
  *map = nullptr;
  if (!dib) return E_POINTER;
  if (dib->biClrUsed == 0) return E_INVALIDARG;
  const auto *palette = reinterpret_cast<const RGBQUAD *>(
      reinterpret_cast<const uint8_t *>(dib) + dib->biSize);
  const int count = dib->biClrUsed > 256 ? 256 : int(dib->biClrUsed);
  uint8_t *m = ko::pixels::xchg::CreateColorQuantizer(palette, count);
  if (!m) return E_OUTOFMEMORY;
  *map = m;
  return S_OK;
}
