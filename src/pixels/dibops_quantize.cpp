// Palette selection: covering the 5-5-5 cells that an image uses with equal
// boxes, one palette entry per box.
#include <algorithm>
#include <cstring>

#include "pixels/dibops.h"
#include "pixels/xchg.h"
#include "platform/platform.h"

namespace ko::pixels::ops {

namespace {
constexpr uint8_t kFree = kFreeCell;
constexpr int kLevels = 32;
}  // namespace

int BoxPass(uint8_t *occ, int sR, int sG, int sB, uint8_t tag, RGBQUAD *palette,
            uint32_t maxEntries) {
  int boxes = 0;
  for (int idx = 0; idx < kLevels * kLevels * kLevels; ++idx) {
    if (occ[idx] == kFree || occ[idx] == tag) continue;
    const int r0 = idx >> 10, g0 = (idx >> 5) & 31, b0 = idx & 31;
    const int r1 = std::min(r0 + sR, kLevels), g1 = std::min(g0 + sG, kLevels),
              b1 = std::min(b0 + sB, kLevels);
    int rMax = r0, gMax = g0, bMax = b0;
    for (int r = r0; r < r1; ++r)
      for (int g = g0; g < g1; ++g) {
        uint8_t *cell = occ + (r << 10) + (g << 5);
        for (int b = b0; b < b1; ++b) {
          if (cell[b] == kFree || cell[b] == tag) continue;
          cell[b] = tag;
          rMax = std::max(rMax, r);
          gMax = std::max(gMax, g);
          bMax = std::max(bMax, b);
        }
      }
    if (palette && uint32_t(boxes) < maxEntries) {
      RGBQUAD &e = palette[boxes];
      e.rgbBlue = uint8_t(((b0 + bMax) & ~1) * 4);
      e.rgbGreen = uint8_t(((g0 + gMax) & ~1) * 4);
      e.rgbRed = uint8_t(((r0 + rMax) & ~1) * 4);
      e.rgbReserved = 0;
    }
    ++boxes;
  }
  return boxes;
}

int CoverWithBoxes(uint8_t *occ, uint32_t maxEntries, RGBQUAD *palette) {
  struct Shape {
    int r, g, b;
    uint8_t tag;
  };
  Shape best{};
  int bestCount = 0;
  // Boxes start at a used cell, so from 32 on a larger box covers nothing more.
  for (int k = 2; k <= kLevels && bestCount == 0; ++k) {
    const Shape shapes[7] = {{k, k - 1, k - 1, 1}, {k - 1, k, k - 1, 2}, {k - 1, k - 1, k, 3},
                             {k, k, k - 1, 1},     {k, k - 1, k, 2},     {k - 1, k, k, 3},
                             {k, k, k, 4}};
    for (const Shape &s : shapes) {
      const int n = BoxPass(occ, s.r, s.g, s.b, s.tag, nullptr, 0);
      if (n >= 1 && uint32_t(n) <= maxEntries && n > bestCount) {
        best = s;
        bestCount = n;
      }
    }
  }
  if (bestCount == 0) {
    // Even the largest boxes need more entries than the palette has: keep the
    // first boxes of the largest shape.
    best = {kLevels, kLevels, kLevels, 4};
  }
  const int n = BoxPass(occ, best.r, best.g, best.b, 5, palette, maxEntries);
  return int(std::min<uint32_t>(uint32_t(n), maxEntries));
}

}  // namespace ko::pixels::ops

namespace xchg = ko::pixels::xchg;
using namespace ko::pixels::ops;

namespace {

uint32_t CellOf(const KoXchgContext &rec, const KoXchgPixel &p) {
  return rec.precision == KOXCHG_PREC8 ? Cell8(p.b[2], p.b[1], p.b[0])
                                       : Cell16(p.w[2], p.w[1], p.w[0]);
}

// Marks the cell of every pixel of the rectangle with 10.
void MarkCells(const DibView &v, const RECT &r, KoXchgContext *rec, uint8_t *occ) {
  const int width = r.right - r.left;
  for (int y = r.top; y < r.bottom; ++y) {
    xchg::SeekSrc(rec, v.Row(y), r.left);
    for (int n = width / 4; n > 0; --n) {
      rec->read4(rec);
      for (const KoXchgPixel &p : rec->pixel) occ[CellOf(*rec, p)] = 10;
    }
    for (int n = width % 4; n > 0; --n) {
      rec->read(rec);
      occ[CellOf(*rec, rec->pixel[0])] = 10;
    }
  }
}

}  // namespace

extern "C" HRESULT KoDibQuantizePalette(BITMAPINFOHEADER *target, const BITMAPINFOHEADER *src,
                                        const void *srcBits, const RECT *rect, int srcStride,
                                        uint32_t flags) {
  if (!target || !src) return E_POINTER;
  const int targetType = KoGetPixelType(target);
  DibView v;
  HRESULT hr = OpenDib(src, srcBits, srcStride < 0 ? 0 : srcStride, &v);
  if (FAILED(hr)) return hr;
  if (!xchg::IsDirectType(v.type) || !IsPalettisedTarget(targetType)) return E_NOTIMPL;
  if (target->biClrUsed == 0) return E_INVALIDARG;
  if (srcStride < 0) return E_INVALIDARG;
  KoXchgContext rec;
  hr = KoXCHGGetFunctionPointers(targetType, v.type, flags, &rec, nullptr, 0.0, 0.0);
  if (FAILED(hr)) return hr;
  // Float pixels only come out of two float types; a palettised target never pairs so.
  if (!rec.read || !rec.read4 || rec.precision == KOXCHG_PRECFLOAT) return E_NOTIMPL;
  RECT r;
  if (!ClipToImage(v, rect, &r)) return S_OK;

  auto *occ = static_cast<uint8_t *>(ko::platform::GlobalAllocLocked(32768, false));
  if (!occ) {
    xchg::Cleanup(&rec);
    return E_OUTOFMEMORY;
  }
  std::memset(occ, kFreeCell, 32768);
  RGBQUAD palette[256];
  SourcePalette(src, palette);
  rec.palette = palette;
  MarkCells(v, r, &rec, occ);
  auto *table = reinterpret_cast<RGBQUAD *>(reinterpret_cast<uint8_t *>(target) + target->biSize);
  CoverWithBoxes(occ, target->biClrUsed, table);
  ko::platform::GlobalFreeLocked(occ);
  xchg::Cleanup(&rec);
  return S_OK;
}
