// Internal interface of the scalers: the row kernels in their scalar and
// vector forms, and the run-time choice between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/kernel_forms.h"
#include "kokernel/kodib.h"

namespace ko::pixels::scale {

struct Options {
  bool bicubic = false;
  uint32_t bytesPerPixel = 4;
  bool areaMode = false;
  bool noEdgeMix = false;
  bool forceWideAccumulators = false;  // area kernels: 64-bit sums even when 32 bits suffice
  bool singleThread = false;
};

// What a run did, for tests and benchmarks: the kernel chosen, whether its
// rows went through a vector form, and whether the area sums were 64-bit.
enum class Kernel { Bilinear, Area2D, AreaXBilinY, AreaYBilinX, Cubic, AreaXCubicY, AreaYCubicX };
struct RunInfo {
  Kernel kernel = Kernel::Bilinear;
  bool vectorRows = false;
  bool wide = false;
};

// Resamples a prepared parameter block. Returns false when nothing was done.
bool Run(const KoSubpixelParam &param, const Options &options, RunInfo *info = nullptr);

// The row kernels below are registered kernels (the `k...` records at the
// end): the scalers pick each one's form once per call through the path
// controller (frame/kernel_forms.h), where the pixel family's rule applies.

// Bicubic weights: 4096 phases x 4 taps, as integers (x 16384) and floats.
const int16_t *BicubicIntWeights();
const float *BicubicFloatWeights();

// ---- Row kernels (4-byte BGRA) ----------------------------------------------
// Bilinear: per destination column the byte offsets of the left and right
// source pixels and the 14-bit fraction.
struct BilinearCols {
  const int32_t *xo0;
  const int32_t *xo1;
  const uint16_t *fx;
  int count;
  int contiguous;  // leading columns whose right neighbour is the next column
  // Optional, for the AVX2 row: per column four copies of the word pair
  // (16384 - fx, fx), which do not change from row to row.
  const uint32_t *gf = nullptr;
};
// scratch: at least 4 * count 32-bit words.
void BilinearRow_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                   uint8_t *out, uint32_t *scratch);
void BilinearRow_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                      uint8_t *out, uint32_t *scratch);
void BilinearRow_AVX2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                      uint8_t *out, uint32_t *scratch);

// Bicubic horizontal pass: per column four byte offsets and four weights;
// writes four unclamped 16-bit channels per column.
struct CubicCols {
  const int32_t *off;
  const int16_t *w;
  int count;
};
void CubicHRow_C(const uint8_t *row, const CubicCols &c, int16_t *out);
void CubicHRow_SSE2(const uint8_t *row, const CubicCols &c, int16_t *out);
void CubicHRow_AVX2(const uint8_t *row, const CubicCols &c, int16_t *out);
// Vertical pass over four horizontally filtered rows; count pixels.
void CubicVRow_C(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
void CubicVRow_SSE2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
void CubicVRow_AVX2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);

// Area averaging in both axes with 32-bit sums: per destination column the
// footprint taps [tapStart[j], tapStart[j + 1]) as byte offsets and widths
// (1/16384), and the footprint width; per destination row the source rows of
// its footprint with their heights, and the footprint height.
struct AreaPairs;
struct AreaCols {
  const int32_t *tapStart;
  const int32_t *tapOff;
  const int32_t *tapW;
  const int32_t *span;
  int count;
  // Optional, for the AVX2 two-axis row: the same columns laid out for
  // separable sums (see AreaPairs).
  const AreaPairs *pairs = nullptr;
};
// Columns whose footprints are one or two consecutive source pixels, with
// every width a multiple of 2^zeros: then each tap weight (wx * wy) >> 14 is
// exact whenever the row heights are multiples of 2^(14 - zeros), and the
// sums split into a vertical pass and a horizontal one. `w` holds per column
// the widths >> zeros of its two taps as 16-bit words (0 for a missing
// second tap). Empty (`w` null) where the columns do not qualify.
struct AreaPairs {
  std::vector<uint32_t> w;
  std::vector<int32_t> off;  // per column its first tap's offset from lo
  int zeros = 0;
  int32_t lo = 0, hi = 0;  // byte range [lo, hi) of the source that the taps read
  int32_t maxSpan = 0;
  int32_t maxW = 0;  // largest sum of a column's two words
  static AreaPairs Of(const AreaCols &c);
};
struct AreaRows {
  const uint8_t *const *rows;
  const int32_t *w;
  int count;
  int32_t span;
};
// scratch: 4 * count 32-bit words, and one 16-bit word per tap and source row.
void Area2DRow_C(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc, uint16_t *w16);
void Area2DRow_SSE2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc, uint16_t *w16);
// The AVX2 form also needs w16 to hold (pairs->hi - pairs->lo + 32) words
// when the columns carry pairs; see Area2DScratchWords.
void Area2DRow_AVX2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc, uint16_t *w16);
size_t Area2DScratchWords(const AreaCols &c, int rows);

// Float area averaging in both axes (16-byte pixels); the AreaCols offsets
// are in bytes (16 per pixel). Same sums in the same order as the scalar row.
void Area2DRowF_C(const AreaRows &r, const AreaCols &c, float *out);
void Area2DRowF_SSE2(const AreaRows &r, const AreaCols &c, float *out);

// 8-bit area averaging across, bilinear down, with 32-bit sums: each tap is
// the rounded vertical blend of r0 and r1 at fraction fy, weighted by its
// width; the scalar reference is the generic area row.
void AreaXBilinRow_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const AreaCols &c,
                     uint8_t *out);
void AreaXBilinRow_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const AreaCols &c,
                        uint8_t *out);

// Float bilinear (16-byte pixels): per column the source indices and fraction.
struct BilinearColsF {
  const int32_t *x0;
  const int32_t *x1;
  const uint16_t *fx;
  int count;
};
void BilinearRowF_C(const float *r0, const float *r1, uint32_t fy, const BilinearColsF &c, float *out);
void BilinearRowF_SSE2(const float *r0, const float *r1, uint32_t fy, const BilinearColsF &c, float *out);

// ---- Rows of the mixed and float kernels --------------------------------------
// 8-bit lines hold four channels per source column, values 0 to 255.
// Vertical passes over a range of count source columns (first at byte
// offset 0 of every row): rounded bilinear blend of r0 and r1 at fy, and the
// clamped bicubic sum over four rows with the weights w.
void BilinVLine8_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, int count, uint8_t *out);
void BilinVLine8_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, int count, uint8_t *out);
void CubicVLine8_C(const uint8_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
void CubicVLine8_SSE2(const uint8_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
// Horizontal bilinear of one row at every destination column (offsets of
// BilinearCols), rounded to 0..255 as 16-bit words.
void BilinHRow8_C(const uint8_t *row, const BilinearCols &c, int16_t *out);
void BilinHRow8_SSE2(const uint8_t *row, const BilinearCols &c, int16_t *out);
// Clamps 16-bit words to 0..255 in place.
void ClampRow8_C(int16_t *v, int n);
void ClampRow8_SSE2(int16_t *v, int n);
// acc[i] += v[i] * w over n words, in 32-bit or 64-bit sums.
void AccumulateRow8_C(const int16_t *v, int n, uint32_t w, uint32_t *acc);
void AccumulateRow8Wide_C(const int16_t *v, int n, uint32_t w, uint64_t *acc);
void AccumulateRow8_SSE2(const int16_t *v, int n, uint32_t w, uint32_t *acc);
void AccumulateRow8Wide_SSE2(const int16_t *v, int n, uint32_t w, uint64_t *acc);
// out[i] = min(acc[i] / div, 255) over n sums.
void DivideRow8_C(const uint32_t *acc, int n, uint64_t div, uint8_t *out);
void DivideRow8_SSE2(const uint32_t *acc, int n, uint64_t div, uint8_t *out);
// Area across a prefiltered 8-bit line (tap offsets in bytes from line).
void AreaXLine8_C(const uint8_t *line, const AreaCols &c, uint8_t *out);
void AreaXLine8Wide_C(const uint8_t *line, const AreaCols &c, uint8_t *out);
void AreaXLine8_SSE2(const uint8_t *line, const AreaCols &c, uint8_t *out);
void AreaXLine8Wide_SSE2(const uint8_t *line, const AreaCols &c, uint8_t *out);
// Area in both axes with 64-bit sums; same arguments as Area2DRow_SSE2.
void Area2DRowWide_C(const AreaRows &r, const AreaCols &c, uint8_t *out, uint16_t *w16);
void Area2DRowWide_SSE2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint16_t *w16);

// Float rows (four floats per column). Each computes, element by element,
// the same operations in the same order as the scalar kernels.
// Bicubic across one row into doubles: sum of double(w) * p over the taps.
struct CubicColsF {
  const int32_t *idx;  // four source columns per destination column
  const uint16_t *phase;
  int count;
};
void CubicHRowD_C(const float *row, const CubicColsF &c, double *out);
void CubicHRowD_SSE2(const float *row, const CubicColsF &c, double *out);
void CubicHRowD_AVX2(const float *row, const CubicColsF &c, double *out);
// Bicubic down four double rows: float(sum), alpha clamped to 0..1.
void CubicVRowD_C(const double *const rows[4], const float w[4], int n, float *out);
void CubicVRowD_SSE2(const double *const rows[4], const float w[4], int n, float *out);
void CubicVRowD_AVX2(const double *const rows[4], const float w[4], int n, float *out);
// The same over four float rows.
void CubicVRowF_C(const float *const rows[4], const float w[4], int n, float *out);
void CubicVRowF_SSE2(const float *const rows[4], const float w[4], int n, float *out);
// Doubles to floats, alpha clamped to 0..1.
void NarrowClampAlpha_C(const double *in, int n, float *out);
void NarrowClampAlpha_SSE2(const double *in, int n, float *out);
// r0 * gy + r1 * fy over n floats.
void BilinVLineF_C(const float *r0, const float *r1, float gy, float fy, int n, float *out);
void BilinVLineF_SSE2(const float *r0, const float *r1, float gy, float fy, int n, float *out);
// Horizontal bilinear of one float row at every destination column.
void BilinHRowF_C(const float *row, const BilinearColsF &c, float *out);
void BilinHRowF_SSE2(const float *row, const BilinearColsF &c, float *out);
// acc[i] += v[i] * w; out[i] = acc[i] / div.
void AccumulateRowF_C(const float *v, int n, float w, float *acc);
void AccumulateRowF_SSE2(const float *v, int n, float w, float *acc);
void DivideRowF_C(const float *acc, int n, float div, float *out);
void DivideRowF_SSE2(const float *acc, int n, float div, float *out);
// Area across a prefiltered float line (tap offsets in bytes from line).
void AreaXLineF_C(const uint8_t *line, const AreaCols &c, float *out);
void AreaXLineF_SSE2(const uint8_t *line, const AreaCols &c, float *out);

// Packed weights of the vector bilinear rows (4 dwords per column).
void BilinearPackedWeights_SSE2(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

// The four bilinear weights of every column of a row (w00, w10, w01, w11).
void BilinearWeights_C(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

// ---- The registered kernels -----------------------------------------------------
using BilinearRowFn = void (*)(const uint8_t *, const uint8_t *, uint32_t, const BilinearCols &, uint8_t *,
                               uint32_t *);
using CubicHRowFn = void (*)(const uint8_t *, const CubicCols &, int16_t *);
using CubicVRowFn = void (*)(const int16_t *const[4], const int16_t[4], int, uint8_t *);
using Area2DRowFn = void (*)(const AreaRows &, const AreaCols &, uint8_t *, uint32_t *, uint16_t *);
using Area2DRowWideFn = void (*)(const AreaRows &, const AreaCols &, uint8_t *, uint16_t *);
using Area2DRowFFn = void (*)(const AreaRows &, const AreaCols &, float *);
using AreaXBilinRowFn = void (*)(const uint8_t *, const uint8_t *, uint32_t, const AreaCols &, uint8_t *);
using BilinearRowFFn = void (*)(const float *, const float *, uint32_t, const BilinearColsF &, float *);
using BilinVLine8Fn = void (*)(const uint8_t *, const uint8_t *, uint32_t, int, uint8_t *);
using CubicVLine8Fn = void (*)(const uint8_t *const[4], const int16_t[4], int, uint8_t *);
using BilinHRow8Fn = void (*)(const uint8_t *, const BilinearCols &, int16_t *);
using ClampRow8Fn = void (*)(int16_t *, int);
using AccumulateRow8Fn = void (*)(const int16_t *, int, uint32_t, uint32_t *);
using AccumulateRow8WideFn = void (*)(const int16_t *, int, uint32_t, uint64_t *);
using DivideRow8Fn = void (*)(const uint32_t *, int, uint64_t, uint8_t *);
using AreaXLine8Fn = void (*)(const uint8_t *, const AreaCols &, uint8_t *);
using AreaXLine8WideFn = AreaXLine8Fn;
using CubicHRowDFn = void (*)(const float *, const CubicColsF &, double *);
using CubicVRowDFn = void (*)(const double *const[4], const float[4], int, float *);
using CubicVRowFFn = void (*)(const float *const[4], const float[4], int, float *);
using NarrowClampAlphaFn = void (*)(const double *, int, float *);
using BilinVLineFFn = void (*)(const float *, const float *, float, float, int, float *);
using BilinHRowFFn = void (*)(const float *, const BilinearColsF &, float *);
using AccumulateRowFFn = void (*)(const float *, int, float, float *);
using DivideRowFFn = void (*)(const float *, int, float, float *);
using AreaXLineFFn = void (*)(const uint8_t *, const AreaCols &, float *);

#define KO_SCALE_KERNELS(X)                                                                          \
  X(BilinearRow) X(CubicHRow) X(CubicVRow) X(Area2DRow) X(Area2DRowWide) X(Area2DRowF) X(AreaXBilinRow) \
  X(BilinearRowF) X(BilinVLine8) X(CubicVLine8) X(BilinHRow8) X(ClampRow8) X(AccumulateRow8)       \
  X(AccumulateRow8Wide) X(DivideRow8) X(AreaXLine8) X(AreaXLine8Wide) X(CubicHRowD) X(CubicVRowD)  \
  X(CubicVRowF) X(NarrowClampAlpha) X(BilinVLineF) X(BilinHRowF) X(AccumulateRowF) X(DivideRowF)   \
  X(AreaXLineF)
#define KO_SCALE_KERNEL_DECL(Name) extern const ko::forms::Kernel k##Name;
KO_SCALE_KERNELS(KO_SCALE_KERNEL_DECL)
#undef KO_SCALE_KERNEL_DECL

// The forms of every scaler kernel for one call, picked together.
struct Forms {
#define KO_SCALE_KERNEL_FIELD(Name) Name##Fn Name;
  KO_SCALE_KERNELS(KO_SCALE_KERNEL_FIELD)
#undef KO_SCALE_KERNEL_FIELD
  bool vector;  // the pixel family runs a vector form now
  static Forms Pick();
};

}  // namespace ko::pixels::scale
