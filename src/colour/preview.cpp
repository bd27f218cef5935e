// The 4:2:0 and UYVY preview conversions: integer arithmetic on raw planes,
// luma kept at video level, the reduced sizes averaged in the same pass.
#include <cstdlib>

#include "colour/colour_matrix.h"
#include "frame/parallel.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace ko::colour {

namespace {

using ko::forms::Pick;

bool Interlaced(int mode) { return mode == 1 || mode == 2; }

// The chroma row that serves luma row r of a frame of height h.
int ChromaRowOf(int r, int h, bool interlaced) {
  const int rows = h / 2;
  if (!interlaced || (rows % 2 == 1 && r >= h - 2)) return r / 2;
  return 2 * ((r / 2) / 2) + (r % 2);
}

struct Planes {
  int width, height;
  uint8_t *dst;
  intptr_t dstStride;
  const uint8_t *y, *u, *v;
  intptr_t yStride, uStride, vStride;
  int mode;
};

// Null pointers, negative sizes and strides too small for the rows they
// step over are refused before anything is written.
HRESULT CheckPlanes(const Planes &p, int outWidth) {
  if (!p.dst || !p.y || !p.u || !p.v) return E_POINTER;
  if (p.width < 0 || p.height < 0) return E_INVALIDARG;
  if (std::llabs(p.yStride) < p.width || std::llabs(p.uStride) < p.width / 2 ||
      std::llabs(p.vStride) < p.width / 2 || std::llabs(p.dstStride) < 4ll * outWidth)
    return E_INVALIDARG;
  return S_OK;
}

const Q14Coefs &CoefsFor(const Planes &p, int matrix) {
  return MatrixOf(MatrixFromCode(static_cast<uint32_t>(matrix), p.width, p.height)).q14;
}

// Output row j of a reduced form: luma rows from lumaRow(j), chroma rows
// from chromaRow(j, i).
template <class LumaRow, class ChromaRow>
void RunReduced(const Planes &p, const ReduceShape &shape, int outWidth, int outHeight,
                const Q14Coefs &c, LumaRow lumaRow, ChromaRow chromaRow) {
  const auto fn = Pick<Yuv420ReduceFn>(kYuv420Reduce);
  ko::frame::ParallelFor(outHeight, [&](int j) {
    const uint8_t *yr[4], *ur[2], *vr[2];
    for (int r = 0; r < shape.rows; ++r) yr[r] = p.y + intptr_t(lumaRow(j) + r) * p.yStride;
    for (int i = 0; i < shape.crows; ++i) {
      const int k = chromaRow(j, i);
      ur[i] = p.u + intptr_t(k) * p.uStride;
      vr[i] = p.v + intptr_t(k) * p.vStride;
    }
    fn(yr, ur, vr, p.dst + intptr_t(j) * p.dstStride, outWidth, &shape, &c);
  });
}

// The chroma rows of a blended row pair: the row itself and its neighbour
// of the other field, so that both fields' chroma enter the sum.
int BlendPartner(int j, int chromaRows) {
  const int k = j ^ 1;
  return k < chromaRows ? k : j;
}

HRESULT HalfHorz(Planes p, int matrix) {
  if (HRESULT hr = CheckPlanes(p, p.width / 2); hr != S_OK) return hr;
  if (p.width % 2 || p.height % 2) return E_INVALIDARG;
  const Q14Coefs &c = CoefsFor(p, matrix);
  const bool il = Interlaced(p.mode);
  RunReduced(p, {2, 1, 1, 1}, p.width / 2, p.height, c, [](int j) { return j; },
             [&](int j, int) { return ChromaRowOf(j, p.height, il); });
  return S_OK;
}


HRESULT QuarterHorzHalfVert(Planes p, const Q14Coefs &c) {
  if (HRESULT hr = CheckPlanes(p, p.width / 4); hr != S_OK) return hr;
  if (p.width % 4 || p.height % 2) return E_INVALIDARG;
  const int rows = p.height / 2;
  RunReduced(p, {4, 2, 2, 2}, p.width / 4, rows, c, [](int j) { return 2 * j; },
             [&](int j, int i) { return i == 0 ? j : BlendPartner(j, rows); });
  return S_OK;
}

Planes FirstField(Planes p) {
  p.height /= 2;
  p.yStride *= 2;
  p.uStride *= 2;
  p.vStride *= 2;
  p.mode = 0;
  return p;
}

}  // namespace

void Convert420Full(int width, int height, uint8_t *dst, intptr_t dstStride, const uint8_t *y,
                    intptr_t yStride, const uint8_t *u, intptr_t uStride, const uint8_t *v,
                    intptr_t vStride, int mode, const Q14Coefs &c) {
  const auto fn = Pick<Yuv420RowPairFn>(kYuv420RowPair);
  const bool il = Interlaced(mode);
  const int rows = height / 2;
  ko::frame::ParallelFor(rows, [&](int k) {
    int r0 = 2 * k, r1 = 2 * k + 1;
    if (il && !(rows % 2 == 1 && k == rows - 1)) {
      r0 = 4 * (k / 2) + (k % 2);
      r1 = r0 + 2;
    }
    fn(y + intptr_t(r0) * yStride, y + intptr_t(r1) * yStride, u + intptr_t(k) * uStride,
       v + intptr_t(k) * vStride, dst + intptr_t(r0) * dstStride, dst + intptr_t(r1) * dstStride, width, &c);
  });
}

}  // namespace ko::colour

using namespace ko::colour;

#define KO_PLANES \
  Planes { width, height, static_cast<uint8_t *>(dst), dstStride, y, u, v, yStride, uStride, vStride, mode }

KO_EXTERN_C HRESULT KoYUV420ToRGBA(KOYUV420_ARGS) {
  const Planes p = KO_PLANES;
  if (HRESULT hr = CheckPlanes(p, width); hr != S_OK) return hr;
  if (width % 2 || height % 2) return E_INVALIDARG;
  Convert420Full(width, height, p.dst, dstStride, y, yStride, u, uStride, v, vStride, mode,
                 CoefsFor(p, matrix));
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV420ToRGBA_HalfHorz(KOYUV420_ARGS) { return HalfHorz(KO_PLANES, matrix); }

KO_EXTERN_C HRESULT KoYUV420ToRGBA_Half_BlendFields(KOYUV420_ARGS) {
  const Planes p = KO_PLANES;
  if (HRESULT hr = CheckPlanes(p, width / 2); hr != S_OK) return hr;
  if (width % 2 || height % 2) return E_INVALIDARG;
  const int rows = height / 2;
  RunReduced(p, {2, 2, 1, 2}, width / 2, rows, CoefsFor(p, matrix), [](int j) { return 2 * j; },
             [&](int j, int i) { return i == 0 ? j : BlendPartner(j, rows); });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV420ToRGBA_Half(KOYUV420_ARGS) {
  const Planes p = KO_PLANES;
  if (Interlaced(mode)) {
    // The frame size, not the field's, chooses the matrix.
    if (HRESULT hr = CheckPlanes(p, width / 2); hr != S_OK) return hr;
    const int m = MatrixFromCode(static_cast<uint32_t>(matrix), width, height) + 515;
    return HalfHorz(FirstField(p), m);
  }
  return KoYUV420ToRGBA_Half_BlendFields(width, height, dst, dstStride, y, yStride, u, uStride, v,
                                         vStride, mode, matrix);
}

KO_EXTERN_C HRESULT KoYUV420ToRGBA_QuarterHorz_HalfVert_BlendFields(KOYUV420_ARGS) {
  const Planes p = KO_PLANES;
  return QuarterHorzHalfVert(p, CoefsFor(p, matrix));
}

KO_EXTERN_C HRESULT KoYUV420ToRGBA_Quarter_BlendFields(KOYUV420_ARGS) {
  Planes p = KO_PLANES;
  if (HRESULT hr = CheckPlanes(p, width / 4); hr != S_OK) return hr;
  const Q14Coefs &c = CoefsFor(p, matrix);
  p.width &= ~3;
  p.height &= ~1;
  RunReduced(p, {4, 4, 2, 2}, p.width / 4, p.height / 4, c, [](int j) { return 4 * j; },
             [](int j, int i) { return 2 * j + i; });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV420ToRGBA_Quarter(KOYUV420_ARGS) {
  const Planes p = KO_PLANES;
  if (Interlaced(mode)) {
    if (HRESULT hr = CheckPlanes(p, width / 4); hr != S_OK) return hr;
    return QuarterHorzHalfVert(FirstField(p), CoefsFor(p, matrix));
  }
  return KoYUV420ToRGBA_Quarter_BlendFields(width, height, dst, dstStride, y, yStride, u, uStride,
                                            v, vStride, mode, matrix);
}

// ---- UYVY ---------------------------------------------------------------------

namespace {

HRESULT CheckUyvy(const void *dst, const void *src, intptr_t rgbStride, intptr_t uyvyStride,
                  int width, int height, int bpp) {
  if (!dst || !src) return E_POINTER;
  if (width < 1 || height < 1 || width % 2) return E_INVALIDARG;
  if (std::llabs(rgbStride) < int64_t(bpp) * width || std::llabs(uyvyStride) < 2ll * width)
    return E_INVALIDARG;
  return S_OK;
}

HRESULT FromUyvy(uint8_t *dst, const uint32_t *src, intptr_t dstStride, int width, int height,
                 int matrix, int bpp) {
  if (HRESULT hr = CheckUyvy(dst, src, dstStride, 2 * intptr_t(width), width, height, bpp); hr != S_OK)
    return hr;
  const UyvyToRgbCoefs c = UyvyToRgbFixed(MatrixFromUyvyCode(matrix, width, height));
  const auto fn = ko::forms::Pick<UyvyToRgbFn>(kUyvyToRgb);
  const auto *s = reinterpret_cast<const uint8_t *>(src);
  ko::frame::ParallelFor(height, [&](int r) {
    fn(s + intptr_t(r) * 2 * width, dst + intptr_t(r) * dstStride, width, bpp, &c);
  });
  return S_OK;
}

HRESULT ToUyvy(uint8_t *dst, const uint8_t *src, intptr_t srcStride, intptr_t dstStride, int width,
               int height, int matrix, int bpp) {
  if (HRESULT hr = CheckUyvy(dst, src, srcStride, dstStride, width, height, bpp); hr != S_OK) return hr;
  const RgbToUyvyCoefs c = RgbToUyvyFixed(MatrixFromUyvyCode(matrix, width, height));
  const auto fn = ko::forms::Pick<RgbToUyvyFn>(kRgbToUyvy);
  ko::frame::ParallelFor(height, [&](int r) {
    fn(src + intptr_t(r) * srcStride, dst + intptr_t(r) * dstStride, width, bpp, &c);
  });
  return S_OK;
}

}  // namespace

KO_EXTERN_C HRESULT KoUYVY2RGBA(uint8_t *dst, const uint32_t *src, intptr_t dstStride, int width,
                                int height, int matrix) {
  return FromUyvy(dst, src, dstStride, width, height, matrix, 4);
}
KO_EXTERN_C HRESULT KoUYVY2RGB(uint8_t *dst, const uint32_t *src, intptr_t dstStride, int width,
                               int height, int matrix) {
  return FromUyvy(dst, src, dstStride, width, height, matrix, 3);
}
KO_EXTERN_C HRESULT KoRGBA2UYVY(uint8_t *dst, const uint32_t *src, intptr_t srcStride,
                                intptr_t dstStride, int width, int height, int matrix) {
  return ToUyvy(dst, reinterpret_cast<const uint8_t *>(src), srcStride, dstStride, width, height,
                matrix, 4);
}
KO_EXTERN_C HRESULT KoRGB2UYVY(uint8_t *dst, const uint8_t *src, intptr_t srcStride,
                               intptr_t dstStride, int width, int height, int matrix) {
  return ToUyvy(dst, src, srcStride, dstStride, width, height, matrix, 3);
}
