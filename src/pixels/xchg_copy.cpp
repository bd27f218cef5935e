// KoDibCopy: copies a rectangle of one DIB into a rectangle of another
// through the exchange engine, scaling, at sub-pixel positions or with soft
// edges; and the RGBA 8/16-bit sub-rectangle converters.
#include <algorithm>
#include <cstring>

#include "frame/parallel.h"
#include "kokernel/koxchg.h"
#include "pixels/dib.h"
#include "pixels/xchg.h"
#include "pixels/xchg_internal.h"

namespace ko::pixels::xchg {
namespace {

constexpr int64_t kOne = 16384;

// One image of a copy: its rows from the top, with the signed step from one
// row to the next.
struct Image {
  int type = 0;
  int width = 0, height = 0;
  uint8_t *top = nullptr;
  int64_t down = 0;  // bytes from row y to row y + 1
  RGBQUAD palette[256] = {};
  bool paletted = false;

  uint8_t *Row(int64_t y) const { return top + y * down; }
};

bool SetUpImage(Image &im, BITMAPINFOHEADER *h, void *bits, uint32_t stride) {
  im.type = KoGetPixelType(h);
  if (!IsDirectType(im.type)) return false;
  im.width = h->biWidth;
  const int64_t rows = h->biHeight < 0 ? -int64_t(h->biHeight) : int64_t(h->biHeight);
  if (im.width <= 0 || rows <= 0 || rows > INT32_MAX) return false;
  im.height = int(rows);
  uint8_t *base = bits ? static_cast<uint8_t *>(bits) : DibPixels(h);
  const int64_t st = stride ? int64_t(stride) : DibDefaultStride(h->biBitCount, h->biWidth);
  if (h->biHeight > 0) {
    im.top = base + (rows - 1) * st;
    im.down = -st;
  } else {
    im.top = base;
    im.down = st;
  }
  // The colour table, padded to 256 entries so that no index reads past it.
  if (im.type == 16 || im.type == 23 || im.type == 24) {
    // Without a count the full table lies between header and pixels only
    // when the pixels follow the header; a separate pixel pointer may come
    // with a bare header, which is then read as having no colours.
    uint32_t count = h->biClrUsed;
    if (count == 0 && !bits && h->biBitCount >= 1 && h->biBitCount <= 8) count = 1u << h->biBitCount;
    if (count > 256) count = 256;
    std::memcpy(im.palette, reinterpret_cast<const uint8_t *>(h) + h->biSize, 4 * count);
    im.paletted = true;
  }
  return true;
}

bool HasCurve(const KoXchgContext &r) { return r.readCurve.active || r.writeCurve.active; }

// One copy job: both images, the clipped rectangles in whole pixels, the
// cut, the steps and the destination's inverse map.
struct Job {
  Image dst, src;
  RECT dstR{}, srcR{}, cut{};
  int64_t stepX = kOne, stepY = kOne;
  bool scaling = false;
  uint8_t *map = nullptr;
  ~Job() { FreeColorQuantizer(map); }
};

HRESULT PrepareJob(Job &job, BITMAPINFOHEADER *dstH, const RECT &dstRect, BITMAPINFOHEADER *srcH,
                   const RECT &srcRect, uint32_t mode) {
  KoDibPrepareRects(dstH, &job.dstR, &dstRect, srcH, &job.srcR, &srcRect, &job.cut);
  const RECT &d = job.dstR, &s = job.srcR;
  if (d.left < 0 || d.top < 0 || s.left < 0 || s.top < 0) return KO_E_UNSUPPORTEDMEDIATYPE;
  const int64_t dw = int64_t(d.right) - d.left, dh = int64_t(d.bottom) - d.top;
  const int64_t sw = int64_t(s.right) - s.left, sh = int64_t(s.bottom) - s.top;
  if (dw < 1 || dh < 1 || sw < 1 || sh < 1) return KO_E_UNSUPPORTEDMEDIATYPE;
  if (d.right > job.dst.width || d.bottom > job.dst.height || s.right > job.src.width ||
      s.bottom > job.src.height)
    return KO_E_UNSUPPORTEDMEDIATYPE;
  if (job.dst.type == 23 || job.dst.type == 24) {
    if (dstH->biClrUsed == 0) return KO_E_UNSUPPORTEDMEDIATYPE;
    job.map = CreateColorQuantizer(job.dst.palette,
                                   int(std::min<uint32_t>(dstH->biClrUsed, 256)));
    if (!job.map) return KO_E_UNSUPPORTEDMEDIATYPE;
  }
  job.scaling = dw != sw || dh != sh;
  if (job.scaling) {
    if (mode >= 3) {
      job.stepX = dw > 1 ? (sw - 1) * kOne / (dw - 1) : (sw - 1) * kOne;
      job.stepY = dh > 1 ? (sh - 1) * kOne / (dh - 1) : (sh - 1) * kOne;
    } else {
      job.stepX = sw * kOne / dw;
      job.stepY = sh * kOne / dh;
    }
  }
  return S_OK;
}

void AttachImages(KoXchgContext &r, const Job &job) {
  r.palette = job.src.paletted ? job.src.palette : nullptr;
  r.inverseMap = job.map;
  r.srcStride = int32_t(job.src.down);
}

// Source position (pixel and 14-bit fraction) of destination column or row
// i, kept inside the source so that no read passes its edge: at or beyond
// the last source pixel the fraction is dropped.
struct Pos {
  int64_t index;
  uint32_t frac;
};
Pos Locate(int64_t start, int64_t step, int64_t i, int64_t count, int64_t srcExtent,
           bool interpolating) {
  if (interpolating && i == count - 1 && count > 1) return {start + srcExtent - 1, 0};
  const int64_t p = i * step;
  int64_t idx = p >> 14;
  uint32_t frac = uint32_t(p & 0x3FFF);
  if (idx >= srcExtent - 1) {
    idx = srcExtent - 1;
    frac = 0;
  }
  return {start + idx, frac};
}

// Row i of h in the order the destination rows lie in memory (DIBs are
// usually stored bottom-up), which keeps the hardware prefetchers on. Rows
// are independent, so the order changes nothing else.
inline int64_t InMemoryOrder(int64_t down, int64_t i, int64_t h) { return down < 0 ? h - 1 - i : i; }

// Destination rows without scaling: runs of four and the rest one by one,
// or a whole-row converter.
void PlainRows(const Job &job, const KoXchgContext &master, RowFn rowFn) {
  const int64_t w = job.dstR.right - job.dstR.left, h = job.dstR.bottom - job.dstR.top;
  const int srcBpp = TypeBits(job.src.type), dstBpp = TypeBits(job.dst.type);
  ko::frame::ParallelFor(h, [&](int64_t i) {
    const int64_t y = InMemoryOrder(job.dst.down, i, h);
    const uint8_t *s = job.src.Row(job.srcR.top + y);
    uint8_t *d = job.dst.Row(job.dstR.top + y);
    if (rowFn) {
      rowFn(s + int64_t(job.srcR.left) * srcBpp / 8, d + int64_t(job.dstR.left) * dstBpp / 8,
            int(w));
      return;
    }
    KoXchgContext r = master;
    SeekSrc(&r, s, job.srcR.left);
    SeekDst(&r, d, job.dstR.left);
    int64_t x = 0;
    for (; x + 4 <= w; x += 4) {
      r.read4(&r);
      r.write4(&r);
    }
    for (; x < w; ++x) {
      r.read(&r);
      r.write(&r);
    }
  });
}

// Reads the source pixel that destination pixel (x, y) samples into
// r.pixel[0], with the cursor set from the job's positions.
inline void SampleAt(KoXchgContext &r, const Job &job, const Pos &px, const Pos &py,
                     bool interpolating) {
  SeekSrc(&r, job.src.Row(py.index), px.index);
  r.fracX = px.frac;
  r.fracY = py.frac;
  if (!interpolating)
    r.read(&r);
  else if (px.frac == 0 && px.index == job.srcR.right - 1)
    r.readVertical(&r);
  else
    r.readBilinear(&r);
}

void ScaledRows(const Job &job, const KoXchgContext &master) {
  const int64_t w = job.dstR.right - job.dstR.left, h = job.dstR.bottom - job.dstR.top;
  const int64_t sw = job.srcR.right - job.srcR.left, sh = job.srcR.bottom - job.srcR.top;
  const bool interp = (master.flags & KOXCHG_VARIANT1) != 0;
  ko::frame::ParallelFor(h, [&](int64_t i) {
    const int64_t y = InMemoryOrder(job.dst.down, i, h);
    KoXchgContext r = master;
    const Pos py = Locate(job.srcR.top, job.stepY, y, h, sh, interp);
    SeekDst(&r, job.dst.Row(job.dstR.top + y), job.dstR.left);
    KoXchgPixel run[4];
    int n = 0;
    for (int64_t x = 0; x < w; ++x) {
      const Pos px = Locate(job.srcR.left, job.stepX, x, w, sw, interp);
      SampleAt(r, job, px, py, interp);
      run[n++] = r.pixel[0];
      if (n == 4) {
        std::memcpy(r.pixel, run, sizeof(run));
        r.write4(&r);
        n = 0;
      }
    }
    for (int i = 0; i < n; ++i) {
      r.pixel[0] = run[i];
      r.write(&r);
    }
  });
}

// Soft edges: the new pixel fades into the destination over W source pixels
// from each enabled side of the caller's (unclipped) source rectangle.
void SoftEdgeRows(const Job &job, const KoXchgContext &master, const KoXchgContext &blend,
                  uint32_t flags) {
  const int64_t w = job.dstR.right - job.dstR.left, h = job.dstR.bottom - job.dstR.top;
  const int64_t sw = job.srcR.right - job.srcR.left, sh = job.srcR.bottom - job.srcR.top;
  const bool interp = (master.flags & KOXCHG_VARIANT1) != 0;
  int64_t width = (flags >> 16) & 0xFF;
  if (job.scaling) width = width * std::max(job.stepX, job.stepY) / kOne;
  const int64_t unit = 65535 / (width + 1);
  ko::frame::ParallelFor(h, [&](int64_t i) {
    const int64_t y = InMemoryOrder(job.dst.down, i, h);
    KoXchgContext r = master, b = blend;
    const Pos py = Locate(job.srcR.top, job.stepY, y, h, sh, interp);
    const int64_t ry = py.index - job.srcR.top;
    int64_t dy = 0;
    if (flags & KOXCHG_EDGE_TOP) dy = std::max(dy, width - (job.cut.top + ry));
    if (flags & KOXCHG_EDGE_BOTTOM) dy = std::max(dy, width - (job.cut.bottom + (sh - 1 - ry)));
    uint8_t *drow = job.dst.Row(job.dstR.top + y);
    for (int64_t x = 0; x < w; ++x) {
      const Pos px = Locate(job.srcR.left, job.stepX, x, w, sw, interp);
      SampleAt(r, job, px, py, interp);
      const int64_t rx = px.index - job.srcR.left;
      int64_t d = dy;
      if (flags & KOXCHG_EDGE_LEFT) d = std::max(d, width - (job.cut.left + rx));
      if (flags & KOXCHG_EDGE_RIGHT) d = std::max(d, width - (job.cut.right + (sw - 1 - rx)));
      if (d > 0) {
        SeekSrc(&b, drow, job.dstR.left + x);
        b.read(&b);
        b.other[0] = b.pixel[0];
        b.pixel[0] = r.pixel[0];
        b.factor = uint16_t(std::min<int64_t>(d * unit, 65535));
        b.mix(&b);
      } else {
        b.pixel[0] = r.pixel[0];
      }
      SeekDst(&b, drow, job.dstR.left + x);
      b.write(&b);
    }
  });
}

void FloatCurveRows(const Job &job, const KoXchgContext &master, uint32_t mode) {
  const int64_t w = job.dstR.right - job.dstR.left, h = job.dstR.bottom - job.dstR.top;
  const int dstBpp = TypeBits(job.dst.type);
  ko::frame::ParallelFor(h, [&](int64_t i) {
    const int64_t y = InMemoryOrder(job.dst.down, i, h);
    const auto *s = reinterpret_cast<const float *>(job.src.Row(job.srcR.top + y)) + 4 * int64_t(job.srcR.left);
    uint8_t *d = job.dst.Row(job.dstR.top + y) + int64_t(job.dstR.left) * dstBpp / 8;
    FloatCurveRow(master.readCurve, job.dst.type, mode, s, d, int(w));
  });
}

RECT WholeImage(const BITMAPINFOHEADER *h, int64_t unit) {
  const int64_t rows = h->biHeight < 0 ? -int64_t(h->biHeight) : int64_t(h->biHeight);
  return RECT{0, 0, LONG(std::min<int64_t>(h->biWidth * unit, INT32_MAX)),
              LONG(std::min<int64_t>(rows * unit, INT32_MAX))};
}

HRESULT CopyWhole(BITMAPINFOHEADER *dstH, void *dstBits, uint32_t dstStride, BITMAPINFOHEADER *srcH,
                  void *srcBits, uint32_t srcStride, const RECT &dstRect, const RECT &srcRect,
                  uint32_t flags, double curveA, double curveB) {
  Job job;
  if (!SetUpImage(job.dst, dstH, dstBits, dstStride) || !SetUpImage(job.src, srcH, srcBits, srcStride))
    return KO_E_UNSUPPORTEDMEDIATYPE;
  const uint32_t mode = flags & 15;
  const bool softEdges = (flags & KOXCHG_EDGE_MASK) != 0;
  // Scaling of the 8-bit BGRA and float BGRA pairs goes to the scalers.
  const bool sameSize = dstRect.right - dstRect.left == srcRect.right - srcRect.left &&
                        dstRect.bottom - dstRect.top == srcRect.bottom - srcRect.top;
  const bool bgra = (job.dst.type == 28 || job.dst.type == 29) &&
                    (job.src.type == 28 || job.src.type == 29);
  const bool flt = job.dst.type == 32 && job.src.type == 32;
  if (!sameSize && mode >= 3 && (bgra || flt)) {
    const uint32_t dstSize[2] = {uint32_t(job.dst.width), uint32_t(job.dst.height)};
    const uint32_t srcSize[2] = {uint32_t(job.src.width), uint32_t(job.src.height)};
    auto fn = (flags & KOXCHG_BICUBIC) ? KoDibScale_BiCubic : KoDibScale_Bilinear;
    return fn(job.dst.top, dstSize, int(job.dst.down), &dstRect, job.src.top, srcSize,
              int(job.src.down), &srcRect, TypeBits(job.src.type) / 8,
              (flags & KOXCHG_AREA) ? 1 : 0, (flags & KOXCHG_NOEDGEMIX) ? 1 : 0);
  }
  HRESULT hr = PrepareJob(job, dstH, dstRect, srcH, srcRect, mode);
  if (FAILED(hr)) return hr;
  // Type 34 has no per-pixel converter: only the float rows write it.
  if (job.src.type == 34 || (job.dst.type == 34 && (job.src.type != 32 || job.scaling || softEdges)))
    return KO_E_UNSUPPORTEDMEDIATYPE;

  KoXchgContext master;
  hr = KoXCHGGetFunctionPointers(job.dst.type, job.src.type, softEdges ? flags | KOXCHG_FORCE16 : flags,
                                 &master, nullptr, curveA, curveB);
  if (FAILED(hr)) return KO_E_UNSUPPORTEDMEDIATYPE;
  AttachImages(master, job);

  if (softEdges) {
    KoXchgContext blend;
    KoXchgOpParams op{};
    op.op = 3;
    hr = KoXCHGGetFunctionPointers(job.dst.type, job.dst.type, (flags & ~0xFu) | KOXCHG_FORCE16,
                                   &blend, &op, 0, 0);
    if (FAILED(hr)) return KO_E_UNSUPPORTEDMEDIATYPE;
    blend.palette = job.dst.paletted ? job.dst.palette : nullptr;
    blend.inverseMap = job.map;
    // The blend record reads what the destination holds and writes the
    // result; its write curve is the copy's (integer data into float).
    blend.writeCurve = master.writeCurve;
    blend.readCurve.active = 0;
    SoftEdgeRows(job, master, blend, flags);
    return S_OK;
  }
  if (job.scaling) {
    ScaledRows(job, master);
    return S_OK;
  }
  const bool floatRows = job.src.type == 32 &&
                         (job.dst.type == 27 || job.dst.type == 28 || job.dst.type == 29 ||
                          job.dst.type == 30 || job.dst.type == 32 || job.dst.type == 34);
  if (floatRows && master.readCurve.active) {
    if (PrepareFloatCurveRows(&master.readCurve, job.dst.type, mode)) {
      FloatCurveRows(job, master, mode);
      Cleanup(&master);
      return S_OK;
    }
    Cleanup(&master);
    if (job.dst.type == 34) return KO_E_UNSUPPORTEDMEDIATYPE;
    PlainRows(job, master, nullptr);  // the curve computed directly
    return S_OK;
  }
  RowFn rowFn = nullptr;
  if (!HasCurve(master)) rowFn = RowFunction(ChooseRow(job.dst.type, job.src.type, master.flags));
  if (!rowFn && job.dst.type == 34) return KO_E_UNSUPPORTEDMEDIATYPE;
  PlainRows(job, master, rowFn);
  Cleanup(&master);
  return S_OK;
}

}  // namespace

// ---- Sub-pixel engine -------------------------------------------------------------

HRESULT PrepareSubpixel(KoDibSubpixelJob *job, BITMAPINFOHEADER *dst, void *dstBits,
                        const RECT *dstRect, uint32_t dstStride, BITMAPINFOHEADER *src,
                        void *srcBits, const RECT *srcRect, uint32_t srcStride) {
  if (!job) return E_POINTER;
  std::memset(job, 0, sizeof(*job));
  if (!dst || !src) return E_POINTER;
  Image d, s;
  if (!SetUpImage(d, dst, dstBits, dstStride) || !SetUpImage(s, src, srcBits, srcStride))
    return KO_E_UNSUPPORTEDMEDIATYPE;
  if (d.type == 34 || s.type == 34) return KO_E_UNSUPPORTEDMEDIATYPE;
  const uint32_t dstSize[2] = {uint32_t(d.width), uint32_t(d.height)};
  const uint32_t srcSize[2] = {uint32_t(s.width), uint32_t(s.height)};
  if (!KoPrepareSubpixelParam(&job->geometry, d.top, dstSize, uint32_t(int32_t(d.down)), dstRect,
                              s.top, srcSize, uint32_t(int32_t(s.down)), srcRect))
    return KO_E_UNSUPPORTEDMEDIATYPE;
  const RECT &dr = job->geometry.dstRect, &sr = job->geometry.srcRect;
  if (dr.right - dr.left < kOne || dr.bottom - dr.top < kOne || sr.right - sr.left < kOne ||
      sr.bottom - sr.top < kOne)
    return KO_E_UNSUPPORTEDMEDIATYPE;
  job->dstType = d.type;
  job->srcType = s.type;
  std::memcpy(job->srcPalette, s.palette, sizeof(job->srcPalette));
  std::memcpy(job->dstPalette, d.palette, sizeof(job->dstPalette));
  if (d.type == 23 || d.type == 24) {
    if (dst->biClrUsed == 0) return KO_E_UNSUPPORTEDMEDIATYPE;
    job->inverseMap = CreateColorQuantizer(d.palette, int(std::min<uint32_t>(dst->biClrUsed, 256)));
    if (!job->inverseMap) return KO_E_UNSUPPORTEDMEDIATYPE;
  }
  return S_OK;
}

void CleanupSubpixel(KoDibSubpixelJob *job) {
  if (!job) return;
  FreeColorQuantizer(job->inverseMap);
  job->inverseMap = nullptr;
}

// Destination pixels are visited row by row; each samples the source at its
// position (bilinear, in the 8-bit or 16-bit working pixel) and is mixed with the pixel
// already there by the part of it that the rectangle covers.
HRESULT RunSubpixel(const KoDibSubpixelJob &job, uint32_t flags, double curveA, double curveB) {
  const KoSubpixelParam &g = job.geometry;
  KoXchgContext master, blend;
  // Interpolating reads; the working pixel is 8-bit when both types are 8-bit
  // and the caller's flags (with the quality mode's) don't ask for 16 bits,
  // else 16-bit. The blend record works in the same precision.
  const bool wide = (EffectiveFlags(flags) & KOXCHG_FORCE16) != 0;
  uint32_t f = (flags & ~(0xFu | KOXCHG_EDGE_MASK)) | KOXCHG_VARIANT1 | (wide ? KOXCHG_FORCE16 : 0);
  HRESULT hr = KoXCHGGetFunctionPointers(job.dstType, job.srcType, f, &master, nullptr, curveA, curveB);
  if (SUCCEEDED(hr) && master.precision != KOXCHG_PREC8 && !wide) {
    f |= KOXCHG_FORCE16;
    hr = KoXCHGGetFunctionPointers(job.dstType, job.srcType, f, &master, nullptr, curveA, curveB);
  }
  if (FAILED(hr)) return KO_E_UNSUPPORTEDMEDIATYPE;
  const bool eight = master.precision == KOXCHG_PREC8;
  KoXchgOpParams op{};
  op.op = 3;
  // The 8-bit mix at full precision: existing + (new - existing) x weight / 256.
  if (FAILED(KoXCHGGetFunctionPointers(job.dstType, job.dstType, eight ? f | KOXCHG_FULL8 : f, &blend,
                                       &op, 0, 0)))
    return KO_E_UNSUPPORTEDMEDIATYPE;
  master.palette = job.srcPalette;
  master.srcStride = g.srcStride;
  blend.palette = job.dstPalette;
  blend.inverseMap = master.inverseMap = job.inverseMap;
  blend.writeCurve = master.writeCurve;
  blend.readCurve.active = 0;
  const auto *srcTop = static_cast<const uint8_t *>(g.src);
  auto *dstTop = static_cast<uint8_t *>(g.dst);
  const int64_t srcW = g.srcSize[0], srcH = g.srcSize[1];
  const int64_t y0 = g.dstRect.top >> 14, y1 = (int64_t(g.dstRect.bottom) + kOne - 1) >> 14;
  const int64_t x0 = g.dstRect.left >> 14, x1 = (int64_t(g.dstRect.right) + kOne - 1) >> 14;
  // Position of a destination pixel's covered part on the source.
  auto locate = [](int64_t i, int64_t lo, int64_t hi, int64_t srcLo, int64_t step, int64_t extent,
                   int64_t *cover) {
    const int64_t a = std::max(i * kOne, lo), b = std::min((i + 1) * kOne, hi);
    *cover = b - a;
    int64_t p = srcLo + (a - lo) * step / kOne;
    int64_t idx = p >> 14;
    uint32_t frac = uint32_t(p & 0x3FFF);
    if (idx >= extent - 1) {
      idx = extent - 1;
      frac = 0;
    }
    if (idx < 0) idx = 0;
    return Pos{idx, frac};
  };
  ko::frame::ParallelFor(y1 - y0, [&](int64_t i) {
    const int64_t y = y0 + InMemoryOrder(g.dstStride, i, y1 - y0);
    KoXchgContext r = master, b = blend;
    int64_t cy;
    const Pos py = locate(y, g.dstRect.top, g.dstRect.bottom, g.srcRect.top, g.stepY, srcH, &cy);
    uint8_t *drow = dstTop + y * g.dstStride;
    for (int64_t x = x0; x < x1; ++x) {
      int64_t cx;
      const Pos px = locate(x, g.dstRect.left, g.dstRect.right, g.srcRect.left, g.stepX, srcW, &cx);
      SeekSrc(&r, srcTop + py.index * g.srcStride, px.index);
      r.fracX = px.frac;
      r.fracY = py.frac;
      r.readBilinear(&r);
      const int64_t cover = cx * cy / kOne;
      if (cover <= 0) continue;
      if (cover < kOne) {
        SeekSrc(&b, drow, x);
        b.read(&b);
        b.other[0] = r.pixel[0];
        // existing + (new - existing) x coverage, the coverage as a weight of
        // 65535 (16-bit) or 255 (8-bit) for a whole pixel
        if (eight)
          b.factor8 = uint8_t(cover * 255 / kOne);
        else
          b.factor = uint16_t(cover * 65535 / kOne);
        b.mix(&b);
      } else {
        b.pixel[0] = r.pixel[0];
      }
      SeekDst(&b, drow, x);
      b.write(&b);
    }
  });
  Cleanup(&master);
  return S_OK;
}

}  // namespace ko::pixels::xchg

using namespace ko::pixels::xchg;

// ---- RGBA sub-rectangle converters ------------------------------------------------

namespace {
inline uint16_t Swap16(uint16_t v) { return uint16_t(v << 8 | v >> 8); }

template <typename Fn>
HRESULT SubRect(void *dst, uint32_t dstStride, const void *src, uint32_t srcStride, int x, int y,
                int width, int height, int srcPixel, bool flipRows, Fn convert) {
  if (!dst || !src || width <= 0 || height <= 0) return S_OK;
  for (int64_t r = y; r < int64_t(y) + height; ++r) {
    const uint8_t *s = static_cast<const uint8_t *>(src) + r * srcStride + int64_t(x) * srcPixel;
    const int64_t dr = flipRows ? (int64_t(y) + height - 1) - r : r - y;
    auto *d = reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(dst) + dr * dstStride);
    for (int i = 0; i < width; ++i) convert(s + int64_t(i) * srcPixel, d + 4 * int64_t(i));
  }
  return S_OK;
}
}  // namespace

extern "C" {

HRESULT DibPrepareSubpixelParam(KoDibSubpixelJob *job, BITMAPINFOHEADER *dst, void *dstBits,
                                const RECT *dstRect, uint32_t dstStride, BITMAPINFOHEADER *src,
                                void *srcBits, const RECT *srcRect, uint32_t srcStride) {
  return PrepareSubpixel(job, dst, dstBits, dstRect, dstStride, src, srcBits, srcRect, srcStride);
}

void DibCleanupSubpixelParam(KoDibSubpixelJob *job) { CleanupSubpixel(job); }

HRESULT KoDibCopy(BITMAPINFOHEADER *dst, void *dstBits, const RECT *dstRect, uint32_t dstStride,
                  BITMAPINFOHEADER *src, void *srcBits, const RECT *srcRect, uint32_t srcStride,
                  uint32_t flags, double curveA, double curveB) {
  if (!dst || !src) return E_POINTER;
  const int dt = KoGetPixelType(dst), st = KoGetPixelType(src);
  if (!IsDirectType(dt) || !IsDirectType(st)) return KO_E_UNSUPPORTEDMEDIATYPE;
  const bool subpixel = (flags & KOXCHG_SUBPIXEL) != 0;
  const int64_t unit = subpixel ? kOne : 1;
  RECT d = dstRect ? *dstRect : WholeImage(dst, unit);
  RECT s = srcRect ? *srcRect : WholeImage(src, unit);
  const uint32_t mode = flags & 15;
  if (subpixel) {
    const LONG all[8] = {d.left, d.top, d.right, d.bottom, s.left, s.top, s.right, s.bottom};
    bool fractional = false;
    for (LONG v : all) fractional |= (v & 0x3FFF) != 0;
    if (fractional && mode >= 3) {
      const bool bgra = (dt == 28 || dt == 29) && (st == 28 || st == 29);
      if (bgra || (dt == 32 && st == 32)) {
        Image di, si;
        if (!SetUpImage(di, dst, dstBits, dstStride) || !SetUpImage(si, src, srcBits, srcStride))
          return KO_E_UNSUPPORTEDMEDIATYPE;
        const uint32_t dsz[2] = {uint32_t(di.width), uint32_t(di.height)};
        const uint32_t ssz[2] = {uint32_t(si.width), uint32_t(si.height)};
        auto fn = (flags & KOXCHG_BICUBIC) ? KoDibScale_BiCubicSubPixel : KoDibScale_BilinearSubPixel;
        return fn(di.top, dsz, int(di.down), &d, si.top, ssz, int(si.down), &s,
                  TypeBits(st) / 8, (flags & KOXCHG_AREA) ? 1 : 0, (flags & KOXCHG_NOEDGEMIX) ? 1 : 0);
      }
      KoDibSubpixelJob job;
      HRESULT hr = PrepareSubpixel(&job, dst, dstBits, &d, dstStride, src, srcBits, &s, srcStride);
      if (SUCCEEDED(hr)) hr = RunSubpixel(job, flags, curveA, curveB);
      CleanupSubpixel(&job);
      return hr;
    }
    // Whole pixels after all (or a mode that doesn't interpolate).
    for (LONG *v : {&d.left, &d.top, &d.right, &d.bottom, &s.left, &s.top, &s.right, &s.bottom})
      *v /= LONG(kOne);
  }
  return CopyWhole(dst, dstBits, dstStride, src, srcBits, srcStride, d, s, flags, curveA, curveB);
}


HRESULT KoRGB_RGBA_To_RGBA64_SubRect(const void *, void *dst, uint32_t dstStride, const void *,
                                     const void *src, uint32_t srcStride, int x, int y, int width,
                                     int height) {
  return SubRect(dst, dstStride, src, srcStride, x, y, width, height, 4, false,
                 [](const uint8_t *s, uint16_t *d) {
                   for (int c = 0; c < 4; ++c) d[c] = uint16_t(s[c] << 8);
                 });
}

HRESULT KoRGB_RGBA_To_B64A_SubRect(const void *, void *dst, uint32_t dstStride, const void *,
                                   const void *src, uint32_t srcStride, int x, int y, int width,
                                   int height) {
  // Big-endian A, R, G, B words: each source byte becomes the word's high
  // (first) byte.
  return SubRect(dst, dstStride, src, srcStride, x, y, width, height, 4, false,
                 [](const uint8_t *s, uint16_t *d) {
                   auto *o = reinterpret_cast<uint8_t *>(d);
                   const uint8_t v[4] = {s[3], s[2], s[1], s[0]};
                   for (int c = 0; c < 4; ++c) {
                     o[2 * c] = v[c];
                     o[2 * c + 1] = 0;
                   }
                 });
}

HRESULT KoRGB_B64A_To_RGBA64_SubRect(const void *, void *dst, uint32_t dstStride, const void *,
                                     const void *src, uint32_t srcStride, int x, int y, int width,
                                     int height) {
  return SubRect(dst, dstStride, src, srcStride, x, y, width, height, 8, true,
                 [](const uint8_t *s, uint16_t *d) {
                   uint16_t w[4];
                   std::memcpy(w, s, 8);  // A, R, G, B big-endian
                   d[0] = Swap16(w[3]);
                   d[1] = Swap16(w[2]);
                   d[2] = Swap16(w[1]);
                   d[3] = Swap16(w[0]);
                 });
}

HRESULT KoRGB_RGBA64_To_B64A_SubRect(const void *, void *dst, uint32_t dstStride, const void *,
                                     const void *src, uint32_t srcStride, int x, int y, int width,
                                     int height) {
  return SubRect(dst, dstStride, src, srcStride, x, y, width, height, 8, true,
                 [](const uint8_t *s, uint16_t *d) {
                   uint16_t w[4];
                   std::memcpy(w, s, 8);  // B, G, R, A
                   d[0] = Swap16(w[3]);
                   d[1] = Swap16(w[2]);
                   d[2] = Swap16(w[1]);
                   d[3] = Swap16(w[0]);
                 });
}

}  // extern "C"
