// Flip, red/blue swap and fade of DIB rectangles, and the DIB resolution
// shared by the whole-image operations.
#include "pixels/dibops.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ko::pixels::ops {

HRESULT OpenDib(const BITMAPINFOHEADER *dib, const void *bits, int64_t stride, DibView *out) {
  if (!dib) return E_POINTER;
  if (dib->biWidth < 0 || dib->biHeight < 0) return E_INVALIDARG;
  DibView v;
  v.type = KoGetPixelType(dib);
  uint8_t channels[4];
  v.bpp = KoGetPixelBitsPerChannel(v.type, channels);
  v.width = dib->biWidth;
  v.height = dib->biHeight;
  const int64_t rowBytes = (int64_t(v.width) * v.bpp + 7) / 8;
  v.stride = stride ? stride : DibDefaultStride(dib->biBitCount, v.width);
  if (v.bpp && v.height > 0 && v.stride < rowBytes) return E_INVALIDARG;
  v.bits = bits ? static_cast<uint8_t *>(const_cast<void *>(bits))
                 : DibPixels(const_cast<BITMAPINFOHEADER *>(dib));
  *out = v;
  return S_OK;
}

bool ClipToImage(const DibView &v, const RECT *rect, RECT *out) {
  RECT r = rect ? *rect : RECT{0, 0, v.width, v.height};
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, v.width);
  r.bottom = std::min<LONG>(r.bottom, v.height);
  *out = r;
  return r.left < r.right && r.top < r.bottom;
}

namespace {

// Exchanges pixels [left, right) of two rows.
void SwapRowSpan(uint8_t *a, uint8_t *b, int left, int right, int bpp) {
  if (bpp >= 8) {
    const size_t bytes = size_t(bpp / 8);
    std::swap_ranges(a + left * bytes, a + right * bytes, b + left * bytes);
    return;
  }
  // 4-bit pixels, high nibble first.
  int x = left;
  if (x & 1 && x < right) {
    uint8_t &pa = a[x >> 1], &pb = b[x >> 1];
    const uint8_t la = pa & 0x0F, lb = pb & 0x0F;
    pa = uint8_t((pa & 0xF0) | lb);
    pb = uint8_t((pb & 0xF0) | la);
    ++x;
  }
  const int whole = (right - x) / 2;
  std::swap_ranges(a + (x >> 1), a + (x >> 1) + whole, b + (x >> 1));
  x += whole * 2;
  if (x < right) {
    uint8_t &pa = a[x >> 1], &pb = b[x >> 1];
    const uint8_t ha = pa & 0xF0, hb = pb & 0xF0;
    pa = uint8_t((pa & 0x0F) | hb);
    pb = uint8_t((pb & 0x0F) | ha);
  }
}

void MirrorRowSpan(uint8_t *row, int left, int right, int bytes) {
  uint8_t *p = row + size_t(left) * bytes;
  uint8_t *q = row + size_t(right - 1) * bytes;
  for (; p < q; p += bytes, q -= bytes)
    for (int i = 0; i < bytes; ++i) std::swap(p[i], q[i]);
}

bool CanFlipVertically(int type) {
  switch (type) {
    case KOPT_INDEX4: case KOPT_INDEX8: case KOPT_RGB555: case KOPT_RGB565:
    case KOPT_RGB24: case KOPT_RGB32: case KOPT_RGBA32: case KOPT_RGBA64:
      return true;
    default:
      return false;
  }
}

bool CanFlipHorizontally(int type) {
  return type == KOPT_RGB24 || type == KOPT_RGB32 || type == KOPT_RGBA32;
}

// A rectangle in 1/16384 pixel.
struct SubRect {
  int64_t left, top, right, bottom;
};

// Coverage (in 1/16384) of pixel i by the span [lo, hi), for i between the
// first and last touched pixel.
int64_t Coverage(int64_t lo, int64_t hi, int64_t i) {
  const int64_t a = std::max(lo, i * KO_SUBPIXEL_ONE);
  const int64_t b = std::min(hi, (i + 1) * KO_SUBPIXEL_ONE);
  return b - a;
}

float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

}  // namespace
}  // namespace ko::pixels::ops

using namespace ko::pixels::ops;

extern "C" {

HRESULT KoDibFlip(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                  uint32_t horizontal, uint32_t vertical) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  if (!CanFlipVertically(v.type)) return E_NOTIMPL;
  const bool doH = horizontal && CanFlipHorizontally(v.type);
  RECT r;
  if (ClipToImage(v, rect, &r)) {
    if (vertical)
      for (int t = r.top, b = r.bottom - 1; t < b; ++t, --b)
        SwapRowSpan(v.Row(t), v.Row(b), r.left, r.right, v.bpp);
    if (doH)
      for (int y = r.top; y < r.bottom; ++y)
        MirrorRowSpan(v.Row(y), r.left, r.right, v.bpp / 8);
  }
  return horizontal && !doH ? E_NOTIMPL : S_OK;
}

HRESULT KoDibSwapRB(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  int pixelBytes, channelBytes;
  switch (v.type) {
    case KOPT_RGB24: pixelBytes = 3; channelBytes = 1; break;
    case KOPT_RGB32: case KOPT_RGBA32: pixelBytes = 4; channelBytes = 1; break;
    case KOPT_RGBAFLOAT: pixelBytes = 16; channelBytes = 4; break;
    default: return E_NOTIMPL;
  }
  RECT r;
  if (!ClipToImage(v, rect, &r)) return S_OK;
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t *p = v.Row(y) + size_t(r.left) * pixelBytes;
    for (int x = r.left; x < r.right; ++x, p += pixelBytes)
      for (int i = 0; i < channelBytes; ++i) std::swap(p[i], p[2 * channelBytes + i]);
  }
  return S_OK;
}

HRESULT KoDibFillRectChannel(BITMAPINFOHEADER *, void *, const RECT *, uint32_t, int, float,
                             uint32_t) {
  return E_NOTIMPL;
}

HRESULT KoDibFadeToColor(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                         const KODIBPIXEL *colour, float amount, int keepAlpha,
                         uint32_t flags) {
  DibView v;
  HRESULT hr = OpenDib(dib, bits, stride, &v);
  if (FAILED(hr)) return hr;
  if (v.type != KOPT_RGB32 && v.type != KOPT_RGBA32 && v.type != KOPT_RGBAFLOAT)
    return E_NOTIMPL;
  if (!colour) return E_POINTER;

  constexpr int64_t kOne = KO_SUBPIXEL_ONE;
  SubRect s{0, 0, v.width * kOne, v.height * kOne};
  if (rect) {
    const int64_t m = (flags & KODIB_SUBPIXEL_RECT) ? 1 : kOne;
    s = {rect->left * m, rect->top * m, rect->right * m, rect->bottom * m};
  }
  s.left = std::max<int64_t>(s.left, 0);
  s.top = std::max<int64_t>(s.top, 0);
  s.right = std::min<int64_t>(s.right, v.width * kOne);
  s.bottom = std::min<int64_t>(s.bottom, v.height * kOne);
  if (s.left >= s.right || s.top >= s.bottom) return S_OK;
  const int x0 = int(s.left / kOne), x1 = int((s.right + kOne - 1) / kOne);
  const int y0 = int(s.top / kOne), y1 = int((s.bottom + kOne - 1) / kOne);

  amount = std::isnan(amount) ? 0.0f : Clamp01(amount);
  const int channels = keepAlpha ? 3 : 4;

  if (v.type == KOPT_RGBAFLOAT) {
    const float c[4] = {colour->blue, colour->green, colour->red, colour->alpha};
    for (int y = y0; y < y1; ++y) {
      const float ay = amount * float(Coverage(s.top, s.bottom, y)) / float(kOne);
      float *p = reinterpret_cast<float *>(v.Row(y)) + size_t(x0) * 4;
      for (int x = x0; x < x1; ++x, p += 4) {
        const float a = ay * float(Coverage(s.left, s.right, x)) / float(kOne);
        for (int i = 0; i < channels; ++i) p[i] = p[i] + (c[i] - p[i]) * a;
      }
    }
    return S_OK;
  }

  const float cf[4] = {colour->blue, colour->green, colour->red, colour->alpha};
  int c8[4];
  for (int i = 0; i < 4; ++i) c8[i] = int((std::isnan(cf[i]) ? 0.0f : Clamp01(cf[i])) * 255.0f);
  const int full8 = int(amount * 255.0f);
  uint8_t lut[4][256];
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 256; ++b) lut[i][b] = uint8_t(FadeByte(b, c8[i], full8));
  const int64_t amount14 = int64_t(double(amount) * kOne);

  for (int y = y0; y < y1; ++y) {
    const int64_t cy = Coverage(s.top, s.bottom, y);
    uint8_t *p = v.Row(y) + size_t(x0) * 4;
    for (int x = x0; x < x1; ++x, p += 4) {
      const int64_t cx = Coverage(s.left, s.right, x);
      if (cx == kOne && cy == kOne) {
        for (int i = 0; i < channels; ++i) p[i] = lut[i][p[i]];
        continue;
      }
      const int64_t cover = cx * cy / kOne;
      const int a8 = int((amount14 * cover / kOne) * 255 / kOne);
      for (int i = 0; i < channels; ++i) p[i] = uint8_t(FadeByte(p[i], c8[i], a8));
    }
  }
  return S_OK;
}

}  // extern "C"
