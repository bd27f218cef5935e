// Shared pieces of the image operations: row-kernel signatures, the kernel
// records they are dispatched through, and small arithmetic helpers that
// every path uses alike.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "frame/kernel_forms.h"

namespace ko::imageops {

// Row kernels. Integer rows give bit-identical results on every form; the
// float rows do the same operations in the same order on every form (no
// fused multiply-adds: these files build with contraction off), so they are
// bit-identical too.
using CompositeRow8Fn = void (*)(uint8_t *dst, const uint8_t *src, int width, int mode, int opacity);
using CompositeRowFFn = void (*)(float *dst, const float *src, int width, int mode, float opacity);
using BlendRowFn = void (*)(uint8_t *dst, const uint8_t *src, int width, int a, int b);
using MultiplyRowFn = void (*)(uint8_t *px, int width, int factor, int premultiplied);
using MaskedFadeRowFn = void (*)(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int width);
using ToFloatRowFn = void (*)(float *dst, const uint8_t *src, int width, float scale);
using ToByteRowFn = void (*)(uint8_t *dst, const float *src, int width, float scale);

// Recursive Gaussian coefficients of one row or column.
struct GaussCoef {
  float b, a1, a2, a3;
};
GaussCoef GaussCoefFor(double sigma);

// Horizontal pass over `rows` rows: pixels (8-bit or float BGRA) -> temp
// rows of float BGRA. coef[r] holds the coefficients of row r.
using GaussRowsFn = void (*)(const void *img, ptrdiff_t stride, float *temp, ptrdiff_t tempStride,
                             int width, int rows, const GaussCoef *coef);
// Vertical pass over `cols` pixel columns of temp (float BGRA), in two
// kernels. coef[c * coefStep] holds column c's coefficients (coefStep 0: one
// set for all). Downward: temp rows y0 .. y0 + rows - 1 in place, each from
// itself and the three rows above; above row 0 is `first` (4 cols floats),
// which gets row 0 as it was when y0 is 0. Upward: every row, bottom first,
// temp (left as it is) -> pixels (8-bit or float BGRA); `ring` holds three
// rows of 4 cols floats for the unrounded results the recursion runs on.
using GaussDownFn = void (*)(float *temp, ptrdiff_t tempStride, float *first, int y0, int rows, int cols,
                             const GaussCoef *coef, int coefStep);
using GaussUpFn = void (*)(const float *temp, ptrdiff_t tempStride, float *ring, void *img, ptrdiff_t stride,
                           int height, int cols, const GaussCoef *coef, int coefStep);

// Below this a result of the blur is stored as 0 (the recursion itself runs
// on the unrounded values).
constexpr float kGaussSmall = 0.00001f;

// The registered kernels (imageops_kernels.cpp).
extern const ko::forms::Kernel kCompositeRow8, kCompositeRowF, kBlendRow, kMultiplyRow8,
    kMaskedFadeRow8, kToFloatRow, kToByteRow, kGaussRows8, kGaussRowsF, kGaussDown, kGaussUp8, kGaussUpF;

// Scalar references.
void CompositeRow8_C(uint8_t *dst, const uint8_t *src, int width, int mode, int opacity);
void CompositeRowF_C(float *dst, const float *src, int width, int mode, float opacity);
void BlendRow_C(uint8_t *dst, const uint8_t *src, int width, int a, int b);
void MultiplyRow8_C(uint8_t *px, int width, int factor, int premultiplied);
void MaskedFadeRow8_C(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int width);
void ToFloatRow_C(float *dst, const uint8_t *src, int width, float scale);
void ToByteRow_C(uint8_t *dst, const float *src, int width, float scale);
void GaussRows8_C(const void *, ptrdiff_t, float *, ptrdiff_t, int, int, const GaussCoef *);
void GaussRowsF_C(const void *, ptrdiff_t, float *, ptrdiff_t, int, int, const GaussCoef *);
void GaussDown_C(float *, ptrdiff_t, float *, int, int, int, const GaussCoef *, int);
void GaussUp8_C(const float *, ptrdiff_t, float *, void *, ptrdiff_t, int, int, const GaussCoef *, int);
void GaussUpF_C(const float *, ptrdiff_t, float *, void *, ptrdiff_t, int, int, const GaussCoef *, int);

#define KO_IMAGEOPS_FORM_DECLS(S)                                                              \
  void CompositeRow8_##S(uint8_t *, const uint8_t *, int, int, int);                           \
  void CompositeRowF_##S(float *, const float *, int, int, float);                             \
  void BlendRow_##S(uint8_t *, const uint8_t *, int, int, int);                                \
  void MultiplyRow8_##S(uint8_t *, int, int, int);                                             \
  void MaskedFadeRow8_##S(uint8_t *, const uint8_t *, const uint8_t *, int);                   \
  void ToFloatRow_##S(float *, const uint8_t *, int, float);                                   \
  void ToByteRow_##S(uint8_t *, const float *, int, float);                                    \
  void GaussRows8_##S(const void *, ptrdiff_t, float *, ptrdiff_t, int, int, const GaussCoef *); \
  void GaussRowsF_##S(const void *, ptrdiff_t, float *, ptrdiff_t, int, int, const GaussCoef *); \
  void GaussDown_##S(float *, ptrdiff_t, float *, int, int, int, const GaussCoef *, int);        \
  void GaussUp8_##S(const float *, ptrdiff_t, float *, void *, ptrdiff_t, int, int, const GaussCoef *, int); \
  void GaussUpF_##S(const float *, ptrdiff_t, float *, void *, ptrdiff_t, int, int, const GaussCoef *, int);
KO_IMAGEOPS_FORM_DECLS(SSE2)
KO_IMAGEOPS_FORM_DECLS(AVX2)
#undef KO_IMAGEOPS_FORM_DECLS

// ---- helpers ----------------------------------------------------------------
// Exact x / 255 for 0 <= x <= 65535 by multiply and shift (the vector forms
// use the same constant on 16-bit lanes).
inline int Div255(int x) { return static_cast<int>((static_cast<uint32_t>(x) * 32897u) >> 23); }
// The max/min of the vector units: the second operand when either is NaN.
inline float MaxF(float a, float b) { return a > b ? a : b; }
inline float MinF(float a, float b) { return a < b ? a : b; }
// trunc(v) for a double of any value: NaN gives 0, out-of-range values the
// nearest representable int.
inline int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}
inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
// A byte from trunc(v * 255 + 0.5), clamped to 0..255.
inline uint8_t UnitToByte(double v) { return static_cast<uint8_t>(Clamp255(TruncToInt(v * 255.0 + 0.5))); }

// Row addressing with signed byte strides.
template <class T>
inline T *RowAt(T *base, int32_t stride, int y) {
  using B = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T *>(reinterpret_cast<B *>(base) + static_cast<ptrdiff_t>(stride) * y);
}

// Whether a size is one of the two pixel forms.
inline bool IsPixelForm(int32_t bytesPerPixel) { return bytesPerPixel == 4 || bytesPerPixel == 16; }

// Whether an image is large enough for its rows to be shared among the
// OpenMP workers (small ones run faster on the calling thread alone).
inline bool Worth(int32_t width, int32_t height) { return int64_t(width) * height >= 16384; }

// Messages to the debugger output channel.
void Report(const char *text);

}  // namespace ko::imageops
