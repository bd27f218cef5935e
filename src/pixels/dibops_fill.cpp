// Filling rectangles with a colour and single-pixel access, through the
// pixel-exchange engine.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pixels/dibops.h"
#include "pixels/xchg.h"

namespace ko::pixels::ops {

void SourcePalette(const BITMAPINFOHEADER *dib, RGBQUAD out[256]) {
  std::memset(out, 0, 256 * sizeof(RGBQUAD));
  uint32_t count = dib->biClrUsed;
  if (count == 0 && dib->biCompression == 0 && dib->biBitCount >= 1 && dib->biBitCount <= 8)
    count = 1u << dib->biBitCount;
  if (dib->biCompression == 3) count = 0;
  std::memcpy(out, reinterpret_cast<const uint8_t *>(dib) + dib->biSize,
              std::min<uint32_t>(count, 256) * sizeof(RGBQUAD));
}

bool IsPalettisedTarget(int type) { return type == KOPT_INDEX4 || type == KOPT_INDEX8; }

namespace {

float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN gives 0

// The fill colour as a working pixel of the record's precision.
void SetWorkingColour(KoXchgContext *rec, const float bgra[4]) {
  KoXchgPixel p{};
  for (int i = 0; i < 4; ++i) {
    const float c = Unit(bgra[i]);
    switch (rec->precision) {
      case KOXCHG_PREC8: p.b[i] = uint8_t(c * 255.0f); break;
      case KOXCHG_PREC16: p.w[i] = uint16_t(c * 65535.0f); break;
      default: p.f[i] = bgra[i]; break;
    }
  }
  for (KoXchgPixel &q : rec->pixel) q = p;
}

}  // namespace
}  // namespace ko::pixels::ops

using namespace ko::pixels::ops;
namespace xchg = ko::pixels::xchg;

extern "C" {

HRESULT KoDibSet(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                 float red, float green, float blue, float alpha, uint32_t flags) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  if (!xchg::IsDirectType(v.type)) return E_NOTIMPL;
  RECT whole, r;
  const RECT *use = rect;
  if (rect && (flags & KODIB_SUBPIXEL_RECT)) {
    whole = {rect->left / KO_SUBPIXEL_ONE, rect->top / KO_SUBPIXEL_ONE,
             rect->right / KO_SUBPIXEL_ONE, rect->bottom / KO_SUBPIXEL_ONE};
    use = &whole;
  }
  KoXchgContext rec;
  hr = KoXCHGGetFunctionPointers(v.type, v.type, flags & ~KODIB_SUBPIXEL_RECT, &rec, nullptr,
                                 0.0, 0.0);
  if (FAILED(hr)) return hr;
  if (!rec.write || !rec.write4) return E_NOTIMPL;  // no converter for this type
  if (!ClipToImage(v, use, &r)) return S_OK;

  uint8_t *map = nullptr;
  if (IsPalettisedTarget(v.type)) {
    hr = KoDibCreateColorQuantizer(&map, dib);
    if (FAILED(hr)) return hr;
    rec.inverseMap = map;
  }
  const float bgra[4] = {blue, green, red, alpha};
  SetWorkingColour(&rec, bgra);
  const KoXchgPixel colour = rec.pixel[0];
  const int width = r.right - r.left;
  for (int y = r.top; y < r.bottom; ++y) {
    xchg::SeekDst(&rec, v.Row(y), r.left);
    for (int i = 0; i < width / 4; ++i) {
      for (KoXchgPixel &q : rec.pixel) q = colour;
      rec.write4(&rec);
    }
    for (int i = 0; i < width % 4; ++i) {
      rec.pixel[0] = colour;
      rec.write(&rec);
    }
  }
  if (map) xchg::FreeColorQuantizer(map);
  xchg::Cleanup(&rec);
  return S_OK;
}

HRESULT KoDibFillRect(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                      const KODIBPIXEL *colour, uint32_t flags) {
  if (!colour) return E_POINTER;
  return KoDibSet(dib, bits, rect, stride, colour->red, colour->green, colour->blue,
                  colour->alpha, flags);
}

// Mode 3 with the 16-bit working pixel forced: 8-bit channels widen by 257.
static constexpr uint32_t kPixelAccessFlags = 19;

HRESULT KoDibGetPixel(const BITMAPINFOHEADER *dib, const void *bits, uint32_t stride, int x,
                      int y, uint64_t *pixel) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  if (!xchg::IsDirectType(v.type)) return E_NOTIMPL;
  if (!pixel) return E_POINTER;
  if (x < 0 || y < 0 || x >= v.width || y >= v.height) return E_NOTIMPL;
  KoXchgContext rec;
  hr = KoXCHGGetFunctionPointers(v.type, v.type, kPixelAccessFlags, &rec, nullptr, 0.0, 0.0);
  if (FAILED(hr)) return hr;
  if (!rec.read) return E_NOTIMPL;
  RGBQUAD palette[256];
  SourcePalette(dib, palette);
  rec.palette = palette;
  xchg::SeekSrc(&rec, v.Row(y), x);
  rec.read(&rec);
  const uint16_t *w = rec.pixel[0].w;
  *pixel = uint64_t(w[0]) | uint64_t(w[1]) << 16 | uint64_t(w[2]) << 32 | uint64_t(w[3]) << 48;
  xchg::Cleanup(&rec);
  return S_OK;
}

HRESULT KoDibSetPixel(BITMAPINFOHEADER *dib, void *bits, uint32_t stride, int x, int y,
                      const uint64_t *pixel) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  // Palettised images would need an inverse colour map for every pixel written.
  if (!xchg::IsDirectType(v.type) || IsPalettisedTarget(v.type)) return E_NOTIMPL;
  if (!pixel) return E_POINTER;
  if (x < 0 || y < 0 || x >= v.width || y >= v.height) return E_INVALIDARG;
  KoXchgContext rec;
  hr = KoXCHGGetFunctionPointers(v.type, v.type, kPixelAccessFlags, &rec, nullptr, 0.0, 0.0);
  if (FAILED(hr)) return hr;
  if (!rec.write) return E_NOTIMPL;
  for (int i = 0; i < 4; ++i) rec.pixel[0].w[i] = uint16_t(*pixel >> (16 * i));
  xchg::SeekDst(&rec, v.Row(y), x);
  rec.write(&rec);
  xchg::Cleanup(&rec);
  return S_OK;
}

}  // extern "C"
