// Interlaced fields: merging one field of a frame into another, and copying
// a frame while rebuilding one field from the other.
#include <cstring>

#include "frame/parallel.h"
#include "pixels/dibops.h"
#include "pixels/xchg.h"

namespace ko::pixels::ops {
namespace {

// Resolves both images of a merge and checks that they have the same pixel
// size and geometry.
HRESULT OpenPair(BITMAPINFOHEADER *dst, void *dstBits, uint32_t dstStride,
                 const BITMAPINFOHEADER *src, const void *srcBits, int srcStride, int field,
                 DibView *d, DibView *s) {
  if (!dst || !src) return E_POINTER;
  if (field != 0 && field != 1) return E_INVALIDARG;
  if (srcStride < 0) return E_INVALIDARG;
  HRESULT hr = OpenDib(dst, dstBits, dstStride, d);
  if (SUCCEEDED(hr)) hr = OpenDib(src, srcBits, srcStride, s);
  if (FAILED(hr)) return hr;
  if (d->bpp == 0 || d->bpp != s->bpp || d->width != s->width || d->height != s->height)
    return E_NOTIMPL;
  return S_OK;
}

bool g_interlaceFastPath = true;

// Whole-pixel rectangle of an interlace copy: the caller's, converted from
// 1/16384 pixel when asked, or the whole image.
RECT TakeRect(const DibView &v, const RECT *rect, uint32_t flags) {
  if (!rect) return RECT{0, 0, v.width, v.height};
  if (!(flags & KODIB_SUBPIXEL_RECT)) return *rect;
  return RECT{rect->left / KO_SUBPIXEL_ONE, rect->top / KO_SUBPIXEL_ONE,
              rect->right / KO_SUBPIXEL_ONE, rect->bottom / KO_SUBPIXEL_ONE};
}

bool Inside(const DibView &v, const RECT &r) {
  return r.left >= 0 && r.top >= 0 && r.right <= v.width && r.bottom <= v.height;
}

// Truncating channel means of four working pixels.
void Average(int precision, KoXchgPixel *p, const KoXchgPixel *q, int count) {
  for (int k = 0; k < count; ++k)
    for (int i = 0; i < 4; ++i) switch (precision) {
        case KOXCHG_PREC8: p[k].b[i] = uint8_t((p[k].b[i] + q[k].b[i]) >> 1); break;
        case KOXCHG_PREC16: p[k].w[i] = uint16_t((p[k].w[i] + q[k].w[i]) >> 1); break;
        default: p[k].f[i] = (p[k].f[i] + q[k].f[i]) * 0.5f; break;
      }
}

// Byte-wise truncating mean of two rows of 8-bit pixels, eight bytes at a time.
void AverageBytes(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    const uint64_t m = (x & y) + (((x ^ y) >> 1) & 0x7F7F7F7F7F7F7F7Full);
    std::memcpy(out + i, &m, 8);
  }
  for (; i < bytes; ++i) out[i] = uint8_t((a[i] + b[i]) >> 1);
}

// One destination row of the rectangle: converted from the source row of the
// same index, or rebuilt from the rows around it.
struct InterlaceJob {
  DibView d, s;
  RECT dr, sr;
  int field;
  bool fastBytes;
};

void InterlaceRow(const InterlaceJob &j, KoXchgContext *rec, int i) {
  const int width = j.dr.right - j.dr.left, height = j.dr.bottom - j.dr.top;
  const int dy = j.dr.top + i, sy = j.sr.top + i;
  uint8_t *out = j.d.Row(dy);
  const bool kept = ((dy & 1) == 0) == (j.field == 1);
  if (kept) {
    xchg::SeekSrc(rec, j.s.Row(sy), j.sr.left);
    xchg::SeekDst(rec, out, j.dr.left);
    for (int n = width / 4; n > 0; --n) {
      rec->read4(rec);
      rec->write4(rec);
    }
    for (int n = width % 4; n > 0; --n) {
      rec->read(rec);
      rec->write(rec);
    }
    return;
  }
  const int up = i > 0 ? sy - 1 : height > 1 ? sy + 1 : sy;
  const int down = i < height - 1 ? sy + 1 : height > 1 ? sy - 1 : sy;
  if (j.fastBytes) {
    AverageBytes(out + size_t(j.dr.left) * 4, j.s.Row(up) + size_t(j.sr.left) * 4,
                 j.s.Row(down) + size_t(j.sr.left) * 4, size_t(width) * 4);
    return;
  }
  xchg::SeekDst(rec, out, j.dr.left);
  KoXchgPixel above[4];
  for (int x = 0; x < width; x += 4) {
    const int n = width - x < 4 ? width - x : 4;
    xchg::SeekSrc(rec, j.s.Row(up), j.sr.left + x);
    if (n == 4) rec->read4(rec);
    else for (int k = 0; k < n; ++k) { rec->read(rec); above[k] = rec->pixel[0]; }
    if (n == 4) std::memcpy(above, rec->pixel, sizeof(above));
    xchg::SeekSrc(rec, j.s.Row(down), j.sr.left + x);
    if (n == 4) {
      rec->read4(rec);
      Average(rec->precision, rec->pixel, above, 4);
      rec->write4(rec);
    } else {
      for (int k = 0; k < n; ++k) {
        rec->read(rec);
        Average(rec->precision, rec->pixel, above + k, 1);
        rec->write(rec);
      }
    }
  }
}

bool Is32BitRgb(int type) { return type == KOPT_RGB32 || type == KOPT_RGBA32; }

}  // namespace

void SetInterlaceFastPath(bool enabled) { g_interlaceFastPath = enabled; }

}  // namespace ko::pixels::ops

using namespace ko::pixels::ops;
namespace xchg = ko::pixels::xchg;

extern "C" {

HRESULT KoDibMergeFields(BITMAPINFOHEADER *dst, void *dstBits, uint32_t dstStride,
                         const BITMAPINFOHEADER *src, const void *srcBits, int srcStride,
                         int field) {
  DibView d, s;
  const HRESULT hr = OpenPair(dst, dstBits, dstStride, src, srcBits, srcStride, field, &d, &s);
  if (FAILED(hr)) return hr;
  // Memory rows are bottom-up: the top image row is memory row height - 1.
  const int first = field == int(~uint32_t(d.height) & 1) ? 1 : 0;
  const size_t rowBytes = (size_t(d.width) * d.bpp + 7) / 8;
  for (int m = first; m < d.height; m += 2)
    std::memcpy(d.bits + m * d.stride, s.bits + m * s.stride, rowBytes);
  return S_OK;
}

HRESULT KoDibMergeFieldsRotated(BITMAPINFOHEADER *dst, void *dstBits, uint32_t dstStride,
                                const BITMAPINFOHEADER *src, const void *srcBits,
                                int srcStride, int field) {
  DibView d, s;
  const HRESULT hr = OpenPair(dst, dstBits, dstStride, src, srcBits, srcStride, field, &d, &s);
  if (FAILED(hr)) return hr;
  if (d.bpp != 32 && d.bpp != 128) return E_NOTIMPL;
  const size_t bytes = size_t(d.bpp / 8);
  // The field's columns count from the last column.
  const int first = field == int(~uint32_t(d.width) & 1) ? 1 : 0;
  for (int m = 0; m < d.height; ++m) {
    uint8_t *out = d.bits + m * d.stride;
    const uint8_t *in = s.bits + m * s.stride;
    for (int x = first; x < d.width; x += 2)
      std::memcpy(out + x * bytes, in + x * bytes, bytes);
  }
  return S_OK;
}

}  // extern "C"

extern "C" HRESULT KoDibCopyInterlace(BITMAPINFOHEADER *dst, void *dstBits, const RECT *dstRect,
                                      uint32_t dstStride, BITMAPINFOHEADER *src, void *srcBits,
                                      const RECT *srcRect, uint32_t srcStride, int field,
                                      uint32_t flags) {
  if (!dst || !src) return E_POINTER;
  if (field != 0 && field != 1) return E_INVALIDARG;
  InterlaceJob j;
  j.field = field;
  HRESULT hr = OpenDib(dst, dstBits, dstStride, &j.d);
  if (SUCCEEDED(hr)) hr = OpenDib(src, srcBits, srcStride, &j.s);
  if (FAILED(hr)) return hr;
  if (!xchg::IsDirectType(j.d.type) || !xchg::IsDirectType(j.s.type)) return E_NOTIMPL;
  j.dr = TakeRect(j.d, dstRect, flags);
  j.sr = TakeRect(j.s, srcRect, flags);
  const int64_t w = int64_t(j.dr.right) - j.dr.left, h = int64_t(j.dr.bottom) - j.dr.top;
  if (w <= 0 || h <= 0 || j.sr.right <= j.sr.left || j.sr.bottom <= j.sr.top) return S_OK;
  if (w != int64_t(j.sr.right) - j.sr.left || h != int64_t(j.sr.bottom) - j.sr.top)
    return E_NOTIMPL;
  // Rectangles must lie inside their images; they are not clipped.
  if (!Inside(j.d, j.dr) || !Inside(j.s, j.sr)) return E_INVALIDARG;

  KoXchgContext rec;
  hr = KoXCHGGetFunctionPointers(j.d.type, j.s.type, flags & ~KODIB_SUBPIXEL_RECT, &rec,
                                 nullptr, 0.0, 0.0);
  if (FAILED(hr)) return hr;
  if (!rec.read || !rec.write || !rec.read4 || !rec.write4) return E_NOTIMPL;
  uint8_t *map = nullptr;
  if (IsPalettisedTarget(j.d.type)) {
    hr = KoDibCreateColorQuantizer(&map, dst);
    if (FAILED(hr)) return hr;
    rec.inverseMap = map;
  }
  RGBQUAD palette[256];
  SourcePalette(src, palette);
  rec.palette = palette;
  j.fastBytes = g_interlaceFastPath && rec.precision == KOXCHG_PREC8 && Is32BitRgb(j.d.type) &&
                Is32BitRgb(j.s.type);

  const int rows = int(h);
  ko::frame::Parallel([&] {
    KoXchgContext mine = rec;  // cursors are per thread; tables stay with rec
    // Image rows are stored bottom-up: walk them from the last one, in the
    // order they lie in memory (rows are independent).
#pragma omp for schedule(static)
    for (int k = 0; k < rows; ++k) InterlaceRow(j, &mine, rows - 1 - k);
  });
  if (map) xchg::FreeColorQuantizer(map);
  xchg::Cleanup(&rec);
  return S_OK;
}
