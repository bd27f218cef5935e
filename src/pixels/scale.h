// Internal interface of the scalers: the row kernels in their scalar and
// vector forms, and an entry that lets tests force a code path.
#pragma once

#include <cstdint>

#include "kokernel/kodib.h"

namespace ko::pixels::scale {

enum class Path { Auto, Scalar, SSE2, AVX2 };

struct Options {
  bool bicubic = false;
  uint32_t bytesPerPixel = 4;
  bool areaMode = false;
  bool noEdgeMix = false;
  Path path = Path::Auto;
  bool forceWideAccumulators = false;  // area kernels: 64-bit sums even when 32 bits suffice
  bool singleThread = false;
};

// Resamples a prepared parameter block. Returns false when nothing was done.
bool Run(const KoSubpixelParam &param, const Options &options);

// The path Auto resolves to on this processor.
Path BestPath();

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
// Vertical pass over four horizontally filtered rows; count pixels.
void CubicVRow_C(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
void CubicVRow_SSE2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);
void CubicVRow_AVX2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out);

// Area averaging in both axes with 32-bit sums: per destination column the
// footprint taps [tapStart[j], tapStart[j + 1]) as byte offsets and widths
// (1/16384), and the footprint width; per destination row the source rows of
// its footprint with their heights, and the footprint height.
struct AreaCols {
  const int32_t *tapStart;
  const int32_t *tapOff;
  const int32_t *tapW;
  const int32_t *span;
  int count;
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

// Float bilinear (16-byte pixels): per column the source indices and fraction.
struct BilinearColsF {
  const int32_t *x0;
  const int32_t *x1;
  const uint16_t *fx;
  int count;
};
void BilinearRowF_C(const float *r0, const float *r1, uint32_t fy, const BilinearColsF &c, float *out);
void BilinearRowF_SSE2(const float *r0, const float *r1, uint32_t fy, const BilinearColsF &c, float *out);

// Packed weights of the vector bilinear rows (4 dwords per column).
void BilinearPackedWeights_SSE2(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

// The four bilinear weights of every column of a row (w00, w10, w01, w11).
void BilinearWeights_C(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

}  // namespace ko::pixels::scale
