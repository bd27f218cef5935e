// Planning of a scaler call: per axis the destination coverage, the
// interpolation positions and the area footprints, and the column tables of
// the row kernels.
#include <algorithm>
#include <climits>
#include <cmath>

#include "pixels/scale_plan.h"

namespace ko::pixels::scale {
namespace {

int64_t MulShift14(int64_t a, int64_t b) {
  return int64_t((__int128)a * b >> 14);
}

void BuildAxis(Axis &a, int64_t dlo, int64_t dhi, int64_t slo, int64_t shi, int64_t scale,
               int64_t step, bool area) {
  a.first = int(dlo >> 14);
  a.count = int(((dhi - 1) >> 14) - a.first + 1);
  a.srcFirst = int(slo >> 14);
  a.srcLast = int((shi - 1) >> 14);
  const int n = a.count;
  a.cov.resize(n);
  a.idx0.resize(n);
  a.idx1.resize(n);
  a.frac.resize(n);
  a.cubic.resize(4 * size_t(n));
  a.phase.resize(n);
  const int64_t posMax = std::max(slo, shi - kOne);
  int64_t pos1 = slo;
  for (int k = 0; k < n; ++k) {
    const int64_t p = a.first + k;
    const int64_t lo = std::max(dlo, p << 14), hi = std::min(dhi, (p + 1) << 14);
    a.cov[k] = int32_t(hi - lo);
    int64_t pos;
    if (k == 0) {
      pos = slo;
      pos1 = slo + ((hi - lo) * step >> 14);
    } else {
      pos = pos1 + int64_t(k - 1) * step;
    }
    pos = std::min(pos, posMax);
    const int i = int(pos >> 14);
    a.idx0[k] = std::min(i, a.srcLast);
    a.idx1[k] = std::min(a.idx0[k] + 1, a.srcLast);
    a.frac[k] = uint16_t(pos & 0x3FFF);
    a.phase[k] = uint16_t(a.frac[k] >> 2);
    for (int t = 0; t < 4; ++t)
      a.cubic[4 * size_t(k) + t] = std::clamp(i - 1 + t, a.srcFirst, a.srcLast);
  }
  if (!area) return;
  a.tapStart.assign(1, 0);
  a.tapIdx.clear();
  a.tapW.clear();
  a.span.resize(n);
  for (int k = 0; k < n; ++k) {
    const int64_t p = a.first + k;
    const int64_t lo = std::max(dlo, p << 14);
    int64_t fs = slo + MulShift14(lo - dlo, scale);
    int64_t fe = fs + MulShift14(a.cov[k], scale);
    fs = std::min(fs, shi - 1);
    fe = std::clamp(fe, fs + 1, shi);
    a.span[k] = int32_t(fe - fs);
    for (int64_t s = fs >> 14; s <= (fe - 1) >> 14; ++s) {
      a.tapIdx.push_back(int32_t(s));
      a.tapW.push_back(int32_t(std::min(fe, (s + 1) << 14) - std::max(fs, s << 14)));
    }
    a.tapStart.push_back(int32_t(a.tapIdx.size()));
  }
}

}  // namespace

AreaPairs AreaPairs::Of(const AreaCols &c) {
  AreaPairs p;
  int zeros = 14;
  int32_t lo = INT32_MAX, hi = 0, maxSpan = 0;
  for (int j = 0; j < c.count; ++j) {
    const int b = c.tapStart[j], m = c.tapStart[j + 1] - b;
    if (m < 1 || m > 2 || (m == 2 && c.tapOff[b + 1] != c.tapOff[b] + 4)) return p;
    for (int t = b; t < b + m; ++t) {
      if (c.tapW[t] <= 0) return p;
      zeros = std::min(zeros, __builtin_ctz(uint32_t(c.tapW[t])));
    }
    lo = std::min(lo, c.tapOff[b]);
    hi = std::max(hi, c.tapOff[b] + 4 * m);
    maxSpan = std::max(maxSpan, c.span[j]);
  }
  if (c.count < 1) return p;
  p.w.resize(size_t(c.count));
  p.off.resize(size_t(c.count));
  for (int j = 0; j < c.count; ++j) {
    const int b = c.tapStart[j];
    p.off[j] = c.tapOff[b] - lo;
    const uint32_t second = c.tapStart[j + 1] - b == 2 ? uint32_t(c.tapW[b + 1]) >> zeros : 0;
    p.w[j] = (uint32_t(c.tapW[b]) >> zeros) | second << 16;
    p.maxW = std::max(p.maxW, int32_t((uint32_t(c.tapW[b]) >> zeros) + second));
  }
  p.zeros = zeros;
  p.lo = lo;
  p.hi = hi;
  p.maxSpan = maxSpan;
  return p;
}

size_t Area2DScratchWords(const AreaCols &c, int rows) {
  const size_t taps = size_t(c.tapStart[c.count]) * size_t(rows) + 8;
  if (!c.pairs || c.pairs->w.empty()) return taps;
  return std::max(taps, size_t(c.pairs->hi - c.pairs->lo) + 32);
}

const CubicTable &Table() {
  static const CubicTable table;  // built once, on first use, thread-safely
  return table;
}

const int16_t *BicubicIntWeights() { return Table().i; }
const float *BicubicFloatWeights() { return Table().f; }

bool Plan(const KoSubpixelParam &p, const Options &o, Ctx &c) {
  c.src = static_cast<const uint8_t *>(p.src);
  c.srcStride = p.srcStride;
  c.dst = static_cast<uint8_t *>(p.dst);
  c.dstStride = p.dstStride;
  c.bpp = int(o.bytesPerPixel);
  c.noEdgeMix = o.noEdgeMix;
  const bool downX = p.stepX > kOne, downY = p.stepY > kOne;
  if (o.areaMode && downX && downY)
    c.kind = Kind::Area2D;
  else if (o.areaMode && downX)
    c.kind = o.bicubic ? Kind::AreaXCubicY : Kind::AreaXBilinY;
  else if (o.areaMode && downY)
    c.kind = o.bicubic ? Kind::AreaYCubicX : Kind::AreaYBilinX;
  else
    c.kind = o.bicubic ? Kind::Cubic : Kind::Bilinear;
  const bool areaX = c.kind == Kind::Area2D || c.kind == Kind::AreaXBilinY || c.kind == Kind::AreaXCubicY;
  const bool areaY = c.kind == Kind::Area2D || c.kind == Kind::AreaYBilinX || c.kind == Kind::AreaYCubicX;
  BuildAxis(c.X, p.dstRect.left, p.dstRect.right, p.srcRect.left, p.srcRect.right, p.scaleX,
            p.stepX, areaX);
  BuildAxis(c.Y, p.dstRect.top, p.dstRect.bottom, p.srcRect.top, p.srcRect.bottom, p.scaleY,
            p.stepY, areaY);
  if (c.X.count <= 0 || c.Y.count <= 0) return false;
  // Accumulator width of the 8-bit area kernels.
  const double kx = (double(p.stepX) + 32768) / 16384, ky = (double(p.stepY) + 32768) / 16384;
  double bound = 0;
  if (areaX && areaY)
    bound = kx * ky * 16384 * 255;
  else if (areaY)
    bound = ky * 16384 * 255;
  else if (areaX)
    bound = 2 * kx * 16384 * 255;
  c.wide = o.forceWideAccumulators || bound >= 536870911.0;
  if (c.bpp == 4) {
    const int n = c.X.count;
    c.xo0.resize(n);
    c.xo1.resize(n);
    for (int j = 0; j < n; ++j) {
      c.xo0[j] = 4 * c.X.idx0[j];
      c.xo1[j] = 4 * c.X.idx1[j];
    }
    if (c.kind == Kind::Area2D || c.kind == Kind::AreaXBilinY) {
      c.areaOff.resize(c.X.tapIdx.size());
      for (size_t t = 0; t < c.X.tapIdx.size(); ++t) c.areaOff[t] = 4 * c.X.tapIdx[t];
    }
    if (c.kind == Kind::Area2D && !c.wide && c.k.Area2DRow == Area2DRow_AVX2)
      c.pairs = AreaPairs::Of(c.AreaColumns());
    while (c.contiguous < n && c.xo1[c.contiguous] == c.xo0[c.contiguous] + 4) ++c.contiguous;
    if (c.kind == Kind::Bilinear && c.k.BilinearRow == BilinearRow_AVX2) {
      c.gf.resize(4 * size_t(n));
      for (int j = 0; j < n; ++j) {
        const uint32_t f = c.X.frac[j];
        for (int t = 0; t < 4; ++t) c.gf[4 * size_t(j) + t] = (16384 - f) | f << 16;
      }
    }
    if (c.kind == Kind::Cubic || c.kind == Kind::AreaYCubicX) {
      c.cubOff.resize(4 * size_t(n));
      c.cubW.resize(4 * size_t(n));
      const int16_t *tw = Table().i;
      for (int j = 0; j < n; ++j)
        for (int t = 0; t < 4; ++t) {
          c.cubOff[4 * size_t(j) + t] = 4 * c.X.cubic[4 * size_t(j) + t];
          c.cubW[4 * size_t(j) + t] = tw[4 * size_t(c.X.phase[j]) + t];
        }
    }
  }
  if (c.bpp == 16 && c.kind == Kind::Area2D) {
    c.areaOff.resize(c.X.tapIdx.size());
    for (size_t t = 0; t < c.X.tapIdx.size(); ++t) c.areaOff[t] = 16 * c.X.tapIdx[t];
  }
  if (areaX && c.kind != Kind::Area2D && !c.X.tapIdx.empty()) {
    const auto [lo, hi] = std::minmax_element(c.X.tapIdx.begin(), c.X.tapIdx.end());
    c.lineFirst = *lo;
    c.lineCount = *hi - *lo + 1;
    c.lineOff.resize(c.X.tapIdx.size());
    for (size_t t = 0; t < c.X.tapIdx.size(); ++t) c.lineOff[t] = c.bpp * (c.X.tapIdx[t] - c.lineFirst);
  }
  return true;
}

}  // namespace ko::pixels::scale
