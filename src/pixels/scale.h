// Internal interface of the scalers: the row kernels in their scalar and
// vector forms, and the run-time choice between them.
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
  bool forceWideAccumulators = false;  // area kernels: 64-bit sums even when 32 bits suffice
  bool singleThread = false;
};

// Resamples a prepared parameter block. Returns false when nothing was done.
bool Run(const KoSubpixelParam &param, const Options &options);

// The path the scalers take now: scalar unless the processor-support value
// (KoGetCPUSupport) has SSE2; AVX2 where the processor and the operating
// system have it and AllowAVX2 has not turned it off. Read once per call.
Path BestPath();

// AVX2 has no flag in the processor-support value; this switch (on by
// default) lets tests and benchmarks keep the scalers on SSE2.
void AllowAVX2(bool allow);
bool AVX2Allowed();
// Whether the processor and the operating system can run AVX2 at all.
bool AVX2Present();

// Holds the scalers on one path while it lives, through the same controls as
// any caller: SSE2 masked in the processor-support value gives the scalar
// rows, the AVX2 switch off gives SSE2. Puts both back when it ends.
// Runs() is false where this processor can't take the path.
class PathScope {
 public:
  explicit PathScope(Path path);
  ~PathScope();
  PathScope(const PathScope &) = delete;
  PathScope &operator=(const PathScope &) = delete;
  bool Runs() const { return runs_; }

 private:
  bool sse2_, avx2_, runs_;
};

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
void CubicHRow_AVX2(const uint8_t *row, const CubicCols &c, int16_t *out);
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

// Float area averaging in both axes (16-byte pixels); the AreaCols offsets
// are in bytes (16 per pixel). Same sums in the same order as the scalar row.
void Area2DRowF_SSE2(const AreaRows &r, const AreaCols &c, float *out);

// 8-bit area averaging across, bilinear down, with 32-bit sums: each tap is
// the rounded vertical blend of r0 and r1 at fraction fy, weighted by its
// width; the scalar reference is the generic area row.
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

// Packed weights of the vector bilinear rows (4 dwords per column).
void BilinearPackedWeights_SSE2(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

// The four bilinear weights of every column of a row (w00, w10, w01, w11).
void BilinearWeights_C(uint32_t fy, const uint16_t *fx, int count, uint32_t *w);

}  // namespace ko::pixels::scale
