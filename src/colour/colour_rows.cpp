// Scalar references of the colour row kernels, and the family's table.
#include "colour/colour_rows.h"

#include <algorithm>

#include "frame/kernel_families.h"

namespace ko::colour {

namespace {
inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline uint8_t Clamp1To254(int v) { return static_cast<uint8_t>(v < 1 ? 1 : (v > 254 ? 254 : v)); }
}  // namespace

namespace rows {

void Yuv420RowScalar(const uint8_t *y, const uint8_t *u, const uint8_t *v, uint8_t *bgra,
                     int width, const Q14Coefs *c) {
  for (int x = 0; x < width; ++x) {
    const int Y = y[x], U = u[x >> 1], V = v[x >> 1];
    uint8_t *p = bgra + 4 * x;
    p[0] = Clamp255(Y + ((c->ub * U + c->kb) >> 14));
    p[1] = Clamp255(Y + ((c->ug * U + c->vg * V + c->kg) >> 14));
    p[2] = Clamp255(Y + ((c->vr * V + c->kr) >> 14));
    p[3] = 255;
  }
}

void Yuv420RowPairScalar(const uint8_t *y0, const uint8_t *y1, const uint8_t *u, const uint8_t *v, uint8_t *d0,
                         uint8_t *d1, int width, const Q14Coefs *c) {
  Yuv420RowScalar(y0, u, v, d0, width, c);
  Yuv420RowScalar(y1, u, v, d1, width, c);
}

void Yuv420ReduceScalar(const uint8_t *const *yRows, const uint8_t *const *uRows,
                        const uint8_t *const *vRows, uint8_t *bgra, int outWidth,
                        const ReduceShape *shape, const Q14Coefs *c) {
  const int m = shape->ccols * shape->crows;
  int ln, lr;
  ReduceShifts(*shape, &ln, &lr);
  const int s = 14 - lr;
  for (int x = 0; x < outWidth; ++x) {
    int ys = 0, us = 0, vs = 0;
    for (int r = 0; r < shape->rows; ++r)
      for (int k = 0; k < shape->cols; ++k) ys += yRows[r][x * shape->cols + k];
    for (int r = 0; r < shape->crows; ++r)
      for (int k = 0; k < shape->ccols; ++k) {
        us += uRows[r][x * shape->ccols + k];
        vs += vRows[r][x * shape->ccols + k];
      }
    uint8_t *p = bgra + 4 * x;
    p[0] = Clamp255((ys + ((c->ub * us + m * c->kb) >> s)) >> ln);
    p[1] = Clamp255((ys + ((c->ug * us + c->vg * vs + m * c->kg) >> s)) >> ln);
    p[2] = Clamp255((ys + ((c->vr * vs + m * c->kr) >> s)) >> ln);
    p[3] = 255;
  }
}

void UyvyToRgbScalar(const uint8_t *uyvy, uint8_t *dst, int width, int bpp,
                     const UyvyToRgbCoefs *c) {
  for (int x = 0; x + 1 < width; x += 2) {
    const uint8_t *q = uyvy + 2 * x;
    const int u = q[0] - 128, v = q[2] - 128;
    const int yy[2] = {q[1], q[3]};
    for (int i = 0; i < 2; ++i) {
      const int base = 4096 * yy[i] + 2048;
      uint8_t *p = dst + bpp * (x + i);
      p[0] = Clamp255((base + c->ub * u) >> 12);
      p[1] = Clamp255((base + c->vg * v + c->ug * u) >> 12);
      p[2] = Clamp255((base + c->vr * v) >> 12);
      if (bpp == 4) p[3] = 255;
    }
  }
}

void RgbToUyvyScalar(const uint8_t *src, uint8_t *uyvy, int width, int bpp,
                     const RgbToUyvyCoefs *c) {
  for (int x = 0; x + 1 < width; x += 2) {
    const uint8_t *p0 = src + bpp * x, *p1 = p0 + bpp;
    const int b = p0[0] + p1[0], g = p0[1] + p1[1], r = p0[2] + p1[2];
    uint8_t *q = uyvy + 2 * x;
    q[0] = Clamp1To254((c->ur * r + c->ug * g + c->ub * b + 0x80800) >> 12);
    q[1] = Clamp1To254((c->yr * p0[2] + c->yg * p0[1] + c->yb * p0[0] + 2048) >> 12);
    q[2] = Clamp1To254((c->vr * r + c->vg * g + c->vb * b + 0x80800) >> 12);
    q[3] = Clamp1To254((c->yr * p1[2] + c->yg * p1[1] + c->yb * p1[0] + 2048) >> 12);
  }
}

namespace {
inline uint8_t Narrow(float v) { return static_cast<uint8_t>(std::clamp(v + 1.5e-8f, 1.f, 254.f)); }
inline float LumaOf(const uint8_t *p, const YuvEncodeCoefs *c) {
  return (c->yR * float(p[2]) + c->yG * float(p[1]) + c->yB * float(p[0])) * c->lumaScale;
}
}  // namespace

void RgbToLumaScalar(const uint8_t *bgra, uint8_t *y, int width, const YuvEncodeCoefs *c) {
  for (int x = 0; x < width; ++x) y[x] = Narrow(LumaOf(bgra + 4 * x, c) + c->lumaOff + 0.5f);
}

void RgbToChroma420Scalar(const uint8_t *a, const uint8_t *b, uint8_t *u, uint8_t *v, int step, int chromaW,
                          const YuvEncodeCoefs *c) {
  for (int k = 0; k < chromaW; ++k) {
    u[k * step] = Chroma420Sample(a + 8 * k, b + 8 * k, c->cbR, c->cbG, c->cbB, c->chromaScale);
    v[k * step] = Chroma420Sample(a + 8 * k, b + 8 * k, c->crR, c->crG, c->crB, c->chromaScale);
  }
}

void RgbToI420PairScalar(const uint8_t *a, const uint8_t *b, uint8_t *ya, uint8_t *yb, uint8_t *u, uint8_t *v,
                         int step, int width, const YuvEncodeCoefs *c) {
  RgbToLumaScalar(a, ya, width, c);
  RgbToLumaScalar(b, yb, width, c);
  RgbToChroma420Scalar(a, b, u, v, step, width / 2, c);
}

}  // namespace rows

using namespace ko::forms;

const Kernel kRgbToLuma = Declare<RgbToLumaFn>("colour.RgbToLuma", Family::Colour, rows::RgbToLumaScalar,
                                               rows::RgbToLumaSSE2, rows::RgbToLumaAVX2);
const Kernel kRgbToChroma420 = Declare<RgbToChroma420Fn>("colour.RgbToChroma420", Family::Colour,
                                                         rows::RgbToChroma420Scalar, rows::RgbToChroma420SSE2,
                                                         rows::RgbToChroma420AVX2);

const Kernel kRgbToI420Pair = Declare<RgbToI420PairFn>("colour.RgbToI420Pair", Family::Colour,
                                                       rows::RgbToI420PairScalar, rows::RgbToI420PairSSE2,
                                                       rows::RgbToI420PairAVX2);

const Kernel kYuv420Row = Declare<Yuv420RowFn>("colour.Yuv420Row", Family::Colour, rows::Yuv420RowScalar,
                                               rows::Yuv420RowSSE2, rows::Yuv420RowAVX2);
const Kernel kYuv420RowPair = Declare<Yuv420RowPairFn>("colour.Yuv420RowPair", Family::Colour,
                                                       rows::Yuv420RowPairScalar, rows::Yuv420RowPairSSE2,
                                                       rows::Yuv420RowPairAVX2);
const Kernel kYuv420Reduce =
    Declare<Yuv420ReduceFn>("colour.Yuv420Reduce", Family::Colour, rows::Yuv420ReduceScalar,
                            rows::Yuv420ReduceSSE2, rows::Yuv420ReduceAVX2);
const Kernel kUyvyToRgb = Declare<UyvyToRgbFn>("colour.UyvyToRgb", Family::Colour, rows::UyvyToRgbScalar,
                                               rows::UyvyToRgbSSE2, rows::UyvyToRgbAVX2);
const Kernel kRgbToUyvy = Declare<RgbToUyvyFn>("colour.RgbToUyvy", Family::Colour, rows::RgbToUyvyScalar,
                                               rows::RgbToUyvySSE2, rows::RgbToUyvyAVX2);

}  // namespace ko::colour

namespace ko::forms {
const KernelTable &KernelTable_Colour() {
  static const Kernel *const items[] = {&colour::kYuv420Row, &colour::kYuv420Reduce,
                                        &colour::kUyvyToRgb, &colour::kRgbToUyvy,
                                        &colour::kRgbToLuma,  &colour::kRgbToChroma420,
                                        &colour::kRgbToI420Pair, &colour::kYuv420RowPair};
  static const KernelTable t{items, sizeof items / sizeof items[0]};
  return t;
}
}  // namespace ko::forms
