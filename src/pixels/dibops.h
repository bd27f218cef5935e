// Internal helpers shared by the whole-image DIB operations.
#pragma once

#include <cstdint>

#include "kokernel/kodibops.h"
#include "kokernel/koresult.h"
#include "pixels/dib.h"

namespace ko::pixels::ops {

// A DIB resolved to its type, geometry and pixel rows.
struct DibView {
  uint8_t *bits = nullptr;
  int64_t stride = 0;
  int width = 0, height = 0;
  int type = 0;
  int bpp = 0;  // bits per pixel of the type (0 when it has no direct form)

  // Image row y, counted from the top (rows are stored bottom-up).
  uint8_t *Row(int y) const { return bits + int64_t(height - 1 - y) * stride; }
};

// Classifies the header and finds its pixels and stride: null bits mean the
// pixels behind the header, a zero stride the default one. Fails with
// E_POINTER for a null header, E_INVALIDARG for a negative size or a stride
// too small for one row.
HRESULT OpenDib(const BITMAPINFOHEADER *dib, const void *bits, int64_t stride, DibView *out);

// The colour table of a palettised DIB, padded with zeros to 256 entries so
// that no index reads past it.
void SourcePalette(const BITMAPINFOHEADER *dib, RGBQUAD out[256]);

// Types whose writes go through an inverse colour map.
bool IsPalettisedTarget(int type);

// Intersects a whole-pixel rectangle (null: the whole image) with the image.
// Returns false when nothing is left.
bool ClipToImage(const DibView &v, const RECT *rect, RECT *out);

// Occupancy value of a cell that no pixel falls in.
constexpr uint8_t kFreeCell = 255;

// Palette by box covering over the 5-5-5 cube. occupancy holds 32768 cells:
// 255 for unused cells, anything else for used ones (it is overwritten with
// pass tags). Writes at most maxEntries palette entries and returns how many
// it wrote. When even boxes of 32 x 32 x 32 cells need more entries than that
// (boxes start at a used cell, so this happens for small palettes), the
// first maxEntries boxes of that size are kept and some cells stay uncovered.
int CoverWithBoxes(uint8_t *occupancy, uint32_t maxEntries, RGBQUAD *palette);

// One box pass: returns the number of boxes of size (sR, sG, sB) needed to
// cover the used cells, tagging them; when palette is given, writes the
// centre of the used extent of each of the first maxEntries boxes.
int BoxPass(uint8_t *occupancy, int sR, int sG, int sB, uint8_t tag, RGBQUAD *palette,
            uint32_t maxEntries);

// Cell of the 5-5-5 cube for a working pixel.
inline uint32_t Cell8(uint32_t r, uint32_t g, uint32_t b) {
  return ((r & 0xF8) << 7) | ((g >> 3) << 5) | (b >> 3);
}
inline uint32_t Cell16(uint32_t r, uint32_t g, uint32_t b) {
  return ((r >> 1) & 0x7C00) | ((g >> 6) & 0x3E0) | (b >> 11);
}

// Rounded division by 255 used when fading 8-bit channels: v moves toward c
// by a8/255.
inline int FadeByte(int v, int c, int a8) {
  const int t = (c - v) * a8 + 128;
  int out = v + ((t + (t >> 8)) >> 8);
  return out < 0 ? 0 : out > 255 ? 255 : out;
}

// Switches the byte-wise averaging of 32-bit RGB rows in KoDibCopyInterlace
// off (for tests that compare it with the per-pixel path). Not thread-safe.
void SetInterlaceFastPath(bool enabled);

}  // namespace ko::pixels::ops
