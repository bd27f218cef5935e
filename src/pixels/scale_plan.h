// Internal to the scalers: the geometry of a call (planned once, before any
// row runs) that the row drivers read.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "pixels/scale.h"

namespace ko::pixels::scale {

constexpr int64_t kOne = 16384;  // one pixel in fixed point

// ---- Geometry of one axis ---------------------------------------------------
struct Axis {
  int first = 0, count = 0;       // destination pixel range
  int srcFirst = 0, srcLast = 0;  // source pixel range (edge replication)
  std::vector<int32_t> cov;       // destination pixel coverage, 1/16384
  std::vector<int32_t> idx0, idx1;
  std::vector<uint16_t> frac;
  std::vector<int32_t> cubic;     // four clamped source indices per pixel
  std::vector<uint16_t> phase;    // bicubic table phase
  std::vector<int32_t> tapStart;  // area footprint taps: [tapStart[k], tapStart[k+1])
  std::vector<int32_t> tapIdx, tapW;
  std::vector<int32_t> span;      // footprint length, 1/16384
};

enum class Kind { Bilinear, Area2D, AreaXBilinY, AreaYBilinX, Cubic, AreaXCubicY, AreaYCubicX };
static_assert(int(Kind::AreaYCubicX) == int(Kernel::AreaYCubicX), "RunInfo names the kernels in this order");

struct Ctx {
  const uint8_t *src;
  int64_t srcStride;
  uint8_t *dst;
  int64_t dstStride;
  int bpp;
  Axis X, Y;
  Kind kind;
  Forms k;  // the forms of the row kernels for this call
  bool noEdgeMix;
  bool wide;
  // 4-byte column tables
  std::vector<int32_t> xo0, xo1, cubOff;
  std::vector<uint32_t> gf;  // bilinear word pairs (16384 - fx, fx), four per column
  std::vector<int16_t> cubW;
  int contiguous = 0;
  std::vector<int32_t> areaOff;  // byte offsets of the horizontal area taps
  // Area across on a prefiltered line of source columns lineFirst onwards:
  // the taps' byte offsets in that line.
  int lineFirst = 0, lineCount = 0;
  std::vector<int32_t> lineOff;
  AreaPairs pairs;  // two-axis 8-bit area with the AVX2 row
  const uint8_t *Row(int y) const { return src + int64_t(y) * srcStride; }
  AreaCols AreaColumns() const {
    return {X.tapStart.data(), areaOff.data(), X.tapW.data(), X.span.data(), X.count,
            pairs.w.empty() ? nullptr : &pairs};
  }
};

// ---- Bicubic weights ----------------------------------------------------------
struct CubicTable {
  int16_t i[4096 * 4];
  float f[4096 * 4];
  CubicTable() {
    for (int p = 0; p < 4096; ++p) {
      const double t = p / 4096.0;
      const double d[4] = {1 + t, t, 1 - t, 2 - t};
      for (int k = 0; k < 4; ++k) {
        const double x = d[k];
        const double w = (k == 0 || k == 3) ? ((-0.5 * x + 2.5) * x - 4) * x + 2
                                            : (1.5 * x - 2.5) * x * x + 1;
        f[4 * p + k] = float(w);
        i[4 * p + k] = int16_t(std::lround(w * 16384.0));
      }
    }
  }
};
const CubicTable &Table();

// Fills everything of `c` but the output and the forms from the parameter
// block; false when there is nothing to do.
bool Plan(const KoSubpixelParam &p, const Options &o, Ctx &c);

}  // namespace ko::pixels::scale
