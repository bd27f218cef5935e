// Row kernels of the colour family: the integer 4:2:0, 4:2:2 and UYVY
// conversions. Each kernel has a scalar reference (colour_rows.cpp) that
// follows the arithmetic rules literally and SSE2/AVX2 forms that compute
// the same bytes; all of them are dispatched through the kernel registry.
#pragma once

#include <cstdint>

#include "frame/kernel_forms.h"

namespace ko::colour {

// Q14 coefficients of the integer 4:2:0 and 4:2:2 converters: chroma
// factors (already scaled by 219/224) and the folded per-channel constants
// -128 * (coefficient sum) + 8192.
struct Q14Coefs {
  int32_t ub, ug, vg, vr;
  int32_t kb, kg, kr;
};

// 12-bit coefficients of the UYVY converters.
struct UyvyToRgbCoefs {
  int32_t vr, vg, ug, ub;
};
struct RgbToUyvyCoefs {
  int32_t yr, yg, yb;  // x 4096
  int32_t ur, ug, ub;  // halved chroma rows, x 2048
  int32_t vr, vg, vb;
};

// One luma row with its chroma row, one output pixel per luma sample:
// B = clamp(Y + ((ub * U + kb) >> 14)) and likewise G, R; alpha 255.
// Luma sample x takes chroma sample x / 2.
using Yuv420RowFn = void (*)(const uint8_t *y, const uint8_t *u, const uint8_t *v, uint8_t *bgra,
                             int width, const Q14Coefs *c);
// Two luma rows sharing one chroma row (4:2:0): the row kernel above for
// (y0, d0) and (y1, d1), the chroma arithmetic done once for both.
using Yuv420RowPairFn = void (*)(const uint8_t *y0, const uint8_t *y1, const uint8_t *u, const uint8_t *v,
                                 uint8_t *d0, uint8_t *d1, int width, const Q14Coefs *c);

// Reduced sizes: each output pixel sums a block of `cols` x `rows` luma
// samples (n of them) and `ccols` x `crows` chroma samples (m of them):
// B = (Ysum + ((ub * Usum + m * kb) >> s)) >> log2(n), s = 14 - log2(n / m).
// Output pixel x reads luma columns x * cols.. and chroma columns x * ccols..
// yRows has `rows` entries, uRows / vRows `crows` entries.
struct ReduceShape {
  int cols, rows, ccols, crows;
};
using Yuv420ReduceFn = void (*)(const uint8_t *const *yRows, const uint8_t *const *uRows,
                                const uint8_t *const *vRows, uint8_t *bgra, int outWidth,
                                const ReduceShape *shape, const Q14Coefs *c);
// The shapes the vector forms take (two or four luma columns, one or two
// chroma columns a pixel), and log2(n) and log2(n / m) of a shape. Local
// to each file that includes them, like Chroma420Sample below.
static inline bool ReduceVectorShape(const ReduceShape &s) {
  return (s.cols == 2 || s.cols == 4) && (s.ccols == 1 || s.ccols == 2);
}
static inline void ReduceShifts(const ReduceShape &s, int *ln, int *lr) {
  const int n = s.cols * s.rows, m = s.ccols * s.crows;
  int a = 0, b = 0;
  while ((1 << a) < n) ++a;
  while ((1 << b) < n / m) ++b;
  *ln = a;
  *lr = b;
}
// Output pixels x.. of a reduced row through fn (a narrower form).
static inline void ReduceFrom(Yuv420ReduceFn fn, int x, const uint8_t *const *yRows, const uint8_t *const *uRows,
                              const uint8_t *const *vRows, uint8_t *bgra, int outWidth, const ReduceShape *shape,
                              const Q14Coefs *c) {
  const uint8_t *yr[4], *ur[2], *vr[2];
  for (int r = 0; r < shape->rows; ++r) yr[r] = yRows[r] + x * shape->cols;
  for (int r = 0; r < shape->crows; ++r) {
    ur[r] = uRows[r] + x * shape->ccols;
    vr[r] = vRows[r] + x * shape->ccols;
  }
  fn(yr, ur, vr, bgra + 4 * x, outWidth - x, shape, c);
}

// Packed UYVY pairs to BGRA (bpp 4) or BGR (bpp 3); width even.
using UyvyToRgbFn = void (*)(const uint8_t *uyvy, uint8_t *dst, int width, int bpp,
                             const UyvyToRgbCoefs *c);
// BGRA (bpp 4, alpha ignored) or BGR (bpp 3) to UYVY pairs; width even.
using RgbToUyvyFn = void (*)(const uint8_t *src, uint8_t *uyvy, int width, int bpp,
                             const RgbToUyvyCoefs *c);

// Single-precision RGB to 8-bit YUV: Y = clamp(((yR R + yG G) + yB B) *
// lumaScale + lumaOff + 0.5, 1, 254) truncated; a 4:2:0 chroma sample sums
// the chroma rows of its 2 x 2 block (even column, then odd) and gives
// clamp(sum * chromaScale * 0.25 + 128 + 0.5, 1, 254) truncated.
struct YuvEncodeCoefs {
  float yR, yG, yB, cbR, cbG, cbB, crR, crG, crB;
  float lumaScale, lumaOff, chromaScale;
};
// One 4:2:0 chroma sample by those rules: the chroma row (kR, kG, kB) of the
// 2 x 2 block of BGRA pixels at a and b (two pixels each). Local to each
// file that uses it (the scalar reference and the AVX2 form are built for
// different instruction sets, so no copy may be shared between them).
static inline uint8_t Chroma420Sample(const uint8_t *a, const uint8_t *b, float kR, float kG, float kB,
                                      float chromaScale) {
  auto row = [&](const uint8_t *p) { return kR * float(p[2]) + kG * float(p[1]) + kB * float(p[0]); };
  const float s = (row(a) + row(b)) + (row(a + 4) + row(b + 4));
  const float t = s * chromaScale * 0.25f + 128.f + 0.5f + 1.5e-8f;
  return static_cast<uint8_t>(t < 1.f ? 1.f : (254.f < t ? 254.f : t));
}
// BGRA row (alpha ignored) to width luma bytes.
using RgbToLumaFn = void (*)(const uint8_t *bgra, uint8_t *y, int width, const YuvEncodeCoefs *c);
// Two BGRA rows to chromaW Cb and Cr bytes, `step` bytes apart in u and v.
using RgbToChroma420Fn = void (*)(const uint8_t *a, const uint8_t *b, uint8_t *u, uint8_t *v, int step,
                                  int chromaW, const YuvEncodeCoefs *c);

// Two BGRA rows to their luma rows and, from the same pixels, their chroma
// (width / 2 samples): the luma and chroma kernels above in one pass.
using RgbToI420PairFn = void (*)(const uint8_t *a, const uint8_t *b, uint8_t *ya, uint8_t *yb, uint8_t *u,
                                 uint8_t *v, int step, int width, const YuvEncodeCoefs *c);

extern const ko::forms::Kernel kRgbToLuma;
extern const ko::forms::Kernel kRgbToI420Pair;
extern const ko::forms::Kernel kRgbToChroma420;
extern const ko::forms::Kernel kYuv420Row;
extern const ko::forms::Kernel kYuv420RowPair;
extern const ko::forms::Kernel kYuv420Reduce;
extern const ko::forms::Kernel kUyvyToRgb;
extern const ko::forms::Kernel kRgbToUyvy;

namespace rows {
void Yuv420RowScalar(const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int, const Q14Coefs *);
void Yuv420RowSSE2(const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int, const Q14Coefs *);
void Yuv420RowAVX2(const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int, const Q14Coefs *);
void Yuv420RowPairScalar(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, uint8_t *,
                         int, const Q14Coefs *);
void Yuv420RowPairSSE2(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, uint8_t *,
                       int, const Q14Coefs *);
void Yuv420RowPairAVX2(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, uint8_t *,
                       int, const Q14Coefs *);
void Yuv420ReduceScalar(const uint8_t *const *, const uint8_t *const *, const uint8_t *const *,
                        uint8_t *, int, const ReduceShape *, const Q14Coefs *);
void Yuv420ReduceSSE2(const uint8_t *const *, const uint8_t *const *, const uint8_t *const *,
                      uint8_t *, int, const ReduceShape *, const Q14Coefs *);
void Yuv420ReduceAVX2(const uint8_t *const *, const uint8_t *const *, const uint8_t *const *,
                      uint8_t *, int, const ReduceShape *, const Q14Coefs *);
void UyvyToRgbScalar(const uint8_t *, uint8_t *, int, int, const UyvyToRgbCoefs *);
void UyvyToRgbSSE2(const uint8_t *, uint8_t *, int, int, const UyvyToRgbCoefs *);
void UyvyToRgbAVX2(const uint8_t *, uint8_t *, int, int, const UyvyToRgbCoefs *);
void RgbToUyvyScalar(const uint8_t *, uint8_t *, int, int, const RgbToUyvyCoefs *);
void RgbToUyvySSE2(const uint8_t *, uint8_t *, int, int, const RgbToUyvyCoefs *);
void RgbToUyvyAVX2(const uint8_t *, uint8_t *, int, int, const RgbToUyvyCoefs *);
void UyvyToRgb24AVX2(const uint8_t *, uint8_t *, int, const UyvyToRgbCoefs *);
void RgbToLumaScalar(const uint8_t *, uint8_t *, int, const YuvEncodeCoefs *);
void RgbToLumaSSE2(const uint8_t *, uint8_t *, int, const YuvEncodeCoefs *);
void RgbToLumaAVX2(const uint8_t *, uint8_t *, int, const YuvEncodeCoefs *);
void RgbToChroma420Scalar(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, int, int, const YuvEncodeCoefs *);
void RgbToChroma420SSE2(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, int, int, const YuvEncodeCoefs *);
void RgbToChroma420AVX2(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, int, int, const YuvEncodeCoefs *);
void RgbToI420PairScalar(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, uint8_t *, uint8_t *, int, int,
                         const YuvEncodeCoefs *);
void RgbToI420PairSSE2(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, uint8_t *, uint8_t *, int, int,
                       const YuvEncodeCoefs *);
void RgbToI420PairAVX2(const uint8_t *, const uint8_t *, uint8_t *, uint8_t *, uint8_t *, uint8_t *, int, int,
                       const YuvEncodeCoefs *);
}  // namespace rows

}  // namespace ko::colour
