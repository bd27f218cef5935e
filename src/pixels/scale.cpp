// Row drivers of the scalers: each destination row through the picked forms
// of the row kernels, edge mixing, and the threads over the rows.
#include "pixels/scale_plan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "frame/parallel.h"
#include "kokernel/koframe.h"
#include "kokernel/koresult.h"

namespace ko::pixels::scale {
namespace {

struct Scratch {
  std::vector<uint32_t> w;
  std::vector<int16_t> ring[4];
  std::vector<double> dring[4];
  int tag[4] = {-1, -1, -1, -1};
  std::vector<uint8_t> old;
  std::vector<uint16_t> w16;
  std::vector<const uint8_t *> rows;
  // Lines and sums of the vector forms of the mixed and float kernels.
  std::vector<uint8_t> line8;
  std::vector<int16_t> h16;
  std::vector<uint32_t> acc32;
  std::vector<uint64_t> acc64;
  std::vector<float> lineF, accF;
  std::vector<double> lineD;
  bool vector = false;  // a vector row ran
  explicit Scratch(const Ctx &c) {
    const size_t n = size_t(c.X.count);
    w.resize(4 * n + 8);
    if (c.kind == Kind::Area2D) {
      int most = 1;
      for (int k = 0; k < c.Y.count; ++k) most = std::max(most, c.Y.tapStart[k + 1] - c.Y.tapStart[k]);
      w16.resize(Area2DScratchWords(c.AreaColumns(), most));
    }
    if (c.kind == Kind::Cubic) {
      for (auto &r : ring) r.resize(4 * n + 8);
      if (c.bpp == 16)
        for (auto &r : dring) r.resize(4 * n);
    }
    old.resize(n * size_t(c.bpp));
  }
};

// ---- Edge mixing ---------------------------------------------------------------
inline uint8_t Mix8(int o, int n, int c) {
  const int t = (n - o) * c + 128;
  return uint8_t(std::clamp(o + ((t + (t >> 8)) >> 8), 0, 255));
}

inline float MixF(float o, float n, int c) { return o + (n - o) * (float(c) * (1.0f / 255.0f)); }

// ---- 4-byte rows ------------------------------------------------------------------
void CubicRing(const Ctx &c, Scratch &s, int k, const int16_t *rows[4]) {
  const int32_t *need = &c.Y.cubic[4 * size_t(k)];
  const CubicCols cols{c.cubOff.data(), c.cubW.data(), c.X.count};
  for (int t = 0; t < 4; ++t) {
    int slot = -1;
    for (int q = 0; q < 4; ++q)
      if (s.tag[q] == need[t]) slot = q;
    if (slot < 0) {
      for (int q = 0; q < 4 && slot < 0; ++q) {
        bool used = false;
        for (int u = 0; u < 4; ++u) used |= s.tag[q] == need[u];
        if (!used) slot = q;
      }
      s.tag[slot] = need[t];
      const uint8_t *row = c.Row(need[t]);
      c.k.CubicHRow(row, cols, s.ring[slot].data());
    }
    rows[t] = s.ring[slot].data();
  }
}

inline int CubicTap8(const uint8_t *const p[4], const int16_t *w, int ch) {
  int sum = 8192;
  for (int t = 0; t < 4; ++t) sum += w[t] * p[t][ch];
  return std::clamp(sum / 16384, 0, 255);
}

template <typename Acc>
void AreaRow8(const Ctx &c, int k, uint8_t *out) {
  const Axis &X = c.X, &Y = c.Y;
  const int16_t *tw = Table().i;
  for (int j = 0; j < X.count; ++j) {
    Acc acc[4] = {0, 0, 0, 0};
    Acc div = 1;
    switch (c.kind) {
      case Kind::Area2D: {
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          const uint32_t wy = uint32_t(Y.tapW[ty]);
          for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
            const uint8_t *p = row + 4 * size_t(X.tapIdx[tx]);
            const Acc w = Acc((uint32_t(X.tapW[tx]) * wy) >> 14);
            for (int ch = 0; ch < 4; ++ch) acc[ch] += Acc(p[ch]) * w;
          }
        }
        div = std::max<Acc>(1, Acc((uint64_t(X.span[j]) * uint64_t(Y.span[k])) >> 14));
        break;
      }
      case Kind::AreaXBilinY: {
        const uint8_t *r0 = c.Row(Y.idx0[k]), *r1 = c.Row(Y.idx1[k]);
        const uint32_t fy = Y.frac[k], gy = uint32_t(kOne) - fy;
        for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
          const size_t o = 4 * size_t(X.tapIdx[tx]);
          const Acc w = Acc(X.tapW[tx]);
          for (int ch = 0; ch < 4; ++ch)
            acc[ch] += Acc((r0[o + ch] * gy + r1[o + ch] * fy + 8192) >> 14) * w;
        }
        div = Acc(X.span[j]);
        break;
      }
      case Kind::AreaYBilinX: {
        const size_t o0 = 4 * size_t(X.idx0[j]), o1 = 4 * size_t(X.idx1[j]);
        const uint32_t fx = X.frac[j], gx = uint32_t(kOne) - fx;
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          const Acc w = Acc(Y.tapW[ty]);
          for (int ch = 0; ch < 4; ++ch)
            acc[ch] += Acc((row[o0 + ch] * gx + row[o1 + ch] * fx + 8192) >> 14) * w;
        }
        div = Acc(Y.span[k]);
        break;
      }
      case Kind::AreaXCubicY: {
        const uint8_t *rows[4];
        for (int t = 0; t < 4; ++t) rows[t] = c.Row(Y.cubic[4 * size_t(k) + t]);
        const int16_t *w4 = tw + 4 * size_t(Y.phase[k]);
        for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
          const size_t o = 4 * size_t(X.tapIdx[tx]);
          const uint8_t *p[4] = {rows[0] + o, rows[1] + o, rows[2] + o, rows[3] + o};
          const Acc w = Acc(X.tapW[tx]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += Acc(CubicTap8(p, w4, ch)) * w;
        }
        div = Acc(X.span[j]);
        break;
      }
      case Kind::AreaYCubicX: {
        const int16_t *w4 = tw + 4 * size_t(X.phase[j]);
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          const uint8_t *p[4];
          for (int t = 0; t < 4; ++t) p[t] = row + 4 * size_t(X.cubic[4 * size_t(j) + t]);
          const Acc w = Acc(Y.tapW[ty]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += Acc(CubicTap8(p, w4, ch)) * w;
        }
        div = Acc(Y.span[k]);
        break;
      }
      default: break;
    }
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = uint8_t(std::min<Acc>(acc[ch] / div, 255));
  }
}

// Vector forms of the area kernels other than the 32-bit two-axis one: the
// interpolated axis is filtered first (into a line of source columns for
// area across, into a row of destination columns for area down), and the
// area sums run over those values. Returns false for other kernels.
bool MixedRow8(const Ctx &c, int k, uint8_t *out, Scratch &s) {
  const Axis &X = c.X, &Y = c.Y;
  const AreaCols lineCols{X.tapStart.data(), c.lineOff.data(), X.tapW.data(), X.span.data(), X.count};
  switch (c.kind) {
    case Kind::AreaXBilinY:
    case Kind::AreaXCubicY: {
      if (c.kind == Kind::AreaXBilinY && !c.wide) {
        const AreaCols cols{X.tapStart.data(), c.areaOff.data(), X.tapW.data(), X.span.data(), X.count};
        c.k.AreaXBilinRow(c.Row(Y.idx0[k]), c.Row(Y.idx1[k]), Y.frac[k], cols, out);
        return true;
      }
      s.line8.resize(4 * size_t(c.lineCount));
      const size_t o = 4 * size_t(c.lineFirst);
      if (c.kind == Kind::AreaXBilinY) {
        c.k.BilinVLine8(c.Row(Y.idx0[k]) + o, c.Row(Y.idx1[k]) + o, Y.frac[k], c.lineCount,
                         s.line8.data());
      } else {
        const uint8_t *rows[4];
        for (int t = 0; t < 4; ++t) rows[t] = c.Row(Y.cubic[4 * size_t(k) + t]) + o;
        c.k.CubicVLine8(rows, Table().i + 4 * size_t(Y.phase[k]), c.lineCount, s.line8.data());
      }
      if (c.wide)
        c.k.AreaXLine8Wide(s.line8.data(), lineCols, out);
      else
        c.k.AreaXLine8(s.line8.data(), lineCols, out);
      return true;
    }
    case Kind::AreaYBilinX:
    case Kind::AreaYCubicX: {
      const int n = 4 * X.count;
      s.h16.resize(size_t(n));
      if (c.wide)
        s.acc64.assign(size_t(n), 0);
      else
        s.acc32.assign(size_t(n), 0);
      const BilinearCols bcols{c.xo0.data(), c.xo1.data(), X.frac.data(), X.count, c.contiguous};
      const CubicCols ccols{c.cubOff.data(), c.cubW.data(), X.count};
      for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
        const uint8_t *row = c.Row(Y.tapIdx[ty]);
        if (c.kind == Kind::AreaYBilinX) {
          c.k.BilinHRow8(row, bcols, s.h16.data());
        } else {
          c.k.CubicHRow(row, ccols, s.h16.data());
          c.k.ClampRow8(s.h16.data(), n);
        }
        if (c.wide)
          c.k.AccumulateRow8Wide(s.h16.data(), n, uint32_t(Y.tapW[ty]), s.acc64.data());
        else
          c.k.AccumulateRow8(s.h16.data(), n, uint32_t(Y.tapW[ty]), s.acc32.data());
      }
      const uint64_t div = uint64_t(Y.span[k]);
      if (c.wide) {
        for (int i = 0; i < n; ++i) out[i] = uint8_t(std::min<uint64_t>(s.acc64[i] / div, 255));
      } else {
        c.k.DivideRow8(s.acc32.data(), n, div, out);
      }
      return true;
    }
    case Kind::Area2D: {  // 64-bit sums
      const int t0 = Y.tapStart[k], nt = Y.tapStart[k + 1] - t0;
      s.rows.resize(size_t(nt));
      for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(Y.tapIdx[t0 + t]);
      const AreaRows rows{s.rows.data(), &Y.tapW[t0], nt, Y.span[k]};
      const AreaCols cols{X.tapStart.data(), c.areaOff.data(), X.tapW.data(), X.span.data(), X.count};
      c.k.Area2DRowWide(rows, cols, out, s.w16.data());
      return true;
    }
    default: return false;
  }
}

void Row8(const Ctx &c, int k, uint8_t *out, Scratch &s) {
  switch (c.kind) {
    case Kind::Bilinear: {
      const BilinearCols cols{c.xo0.data(), c.xo1.data(), c.X.frac.data(), c.X.count, c.contiguous,
                              c.gf.empty() ? nullptr : c.gf.data()};
      const uint8_t *r0 = c.Row(c.Y.idx0[k]), *r1 = c.Row(c.Y.idx1[k]);
      c.k.BilinearRow(r0, r1, c.Y.frac[k], cols, out, s.w.data());
      s.vector = c.k.vector;
      return;
    }
    case Kind::Cubic: {
      const int16_t *rows[4];
      CubicRing(c, s, k, rows);
      const int16_t *w = Table().i + 4 * size_t(c.Y.phase[k]);
      c.k.CubicVRow(rows, w, c.X.count, out);
      s.vector = c.k.vector;
      return;
    }
    case Kind::Area2D:
      if (!c.wide) {
        const int t0 = c.Y.tapStart[k], nt = c.Y.tapStart[k + 1] - t0;
        s.rows.resize(size_t(nt));
        for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(c.Y.tapIdx[t0 + t]);
        const AreaRows rows{s.rows.data(), &c.Y.tapW[t0], nt, c.Y.span[k]};
        c.k.Area2DRow(rows, c.AreaColumns(), out, s.w.data(), s.w16.data());
        s.vector = c.k.vector;
        return;
      }
      [[fallthrough]];
    default:
      if (c.k.vector && MixedRow8(c, k, out, s)) {
        s.vector = true;
        return;
      }
      if (c.wide)
        AreaRow8<uint64_t>(c, k, out);
      else
        AreaRow8<uint32_t>(c, k, out);
      return;
  }
}

// ---- 16-byte (float) rows -----------------------------------------------------------
const float *PixF(const uint8_t *row, int x) {
  return reinterpret_cast<const float *>(row) + 4 * size_t(x);
}

void CubicHRowF(const Ctx &c, const uint8_t *row, double *out) {
  const CubicColsF cols{c.X.cubic.data(), c.X.phase.data(), c.X.count};
  const float *r = reinterpret_cast<const float *>(row);
  c.k.CubicHRowD(r, cols, out);
}

// Vector forms of the float kernels other than bilinear and two-axis area,
// as MixedRow8 does them for 8-bit pixels. Returns false for other kernels.
bool MixedRowF(const Ctx &c, int k, float *out, Scratch &s) {
  const Axis &X = c.X, &Y = c.Y;
  const float inv = 1.0f / 16384.0f;
  const int n = 4 * X.count;
  switch (c.kind) {
    case Kind::AreaXBilinY:
    case Kind::AreaXCubicY: {
      const int m = 4 * c.lineCount;
      s.lineF.resize(size_t(m));
      const size_t o = 4 * size_t(c.lineFirst);
      if (c.kind == Kind::AreaXBilinY) {
        const float fy = Y.frac[k] * inv, gy = 1.0f - fy;
        c.k.BilinVLineF(PixF(c.Row(Y.idx0[k]), 0) + o, PixF(c.Row(Y.idx1[k]), 0) + o, gy, fy, m,
                         s.lineF.data());
      } else {
        const float *rows[4];
        for (int t = 0; t < 4; ++t) rows[t] = PixF(c.Row(Y.cubic[4 * size_t(k) + t]), 0) + o;
        c.k.CubicVRowF(rows, Table().f + 4 * size_t(Y.phase[k]), m, s.lineF.data());
      }
      const AreaCols cols{X.tapStart.data(), c.lineOff.data(), X.tapW.data(), X.span.data(), X.count};
      c.k.AreaXLineF(reinterpret_cast<const uint8_t *>(s.lineF.data()), cols, out);
      return true;
    }
    case Kind::AreaYBilinX:
    case Kind::AreaYCubicX: {
      s.lineF.resize(size_t(n));
      s.accF.assign(size_t(n), 0.0f);
      if (c.kind == Kind::AreaYCubicX) s.lineD.resize(size_t(n));
      const BilinearColsF bcols{X.idx0.data(), X.idx1.data(), X.frac.data(), X.count};
      for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
        const uint8_t *row = c.Row(Y.tapIdx[ty]);
        if (c.kind == Kind::AreaYBilinX) {
          c.k.BilinHRowF(PixF(row, 0), bcols, s.lineF.data());
        } else {
          CubicHRowF(c, row, s.lineD.data());
          c.k.NarrowClampAlpha(s.lineD.data(), n, s.lineF.data());
        }
        c.k.AccumulateRowF(s.lineF.data(), n, float(Y.tapW[ty]), s.accF.data());
      }
      c.k.DivideRowF(s.accF.data(), n, float(Y.span[k]), out);
      return true;
    }
    default: return false;
  }
}

inline float CubicTapF(const float *const p[4], const float *w, int ch) {
  double sum = 0;
  for (int t = 0; t < 4; ++t) sum += double(w[t]) * p[t][ch];
  float v = float(sum);
  return ch == 3 ? std::clamp(v, 0.0f, 1.0f) : v;
}

void RowF(const Ctx &c, int k, float *out, Scratch &s) {
  const Axis &X = c.X, &Y = c.Y;
  const float inv = 1.0f / 16384.0f;
  switch (c.kind) {
    case Kind::Bilinear: {
      const float *r0 = reinterpret_cast<const float *>(c.Row(Y.idx0[k]));
      const float *r1 = reinterpret_cast<const float *>(c.Row(Y.idx1[k]));
      const BilinearColsF cols{X.idx0.data(), X.idx1.data(), X.frac.data(), X.count};
      c.k.BilinearRowF(r0, r1, Y.frac[k], cols, out);
      s.vector = c.k.vector;
      return;
    }
    case Kind::Cubic: {
      const int32_t *need = &Y.cubic[4 * size_t(k)];
      const double *rows[4];
      for (int t = 0; t < 4; ++t) {
        int slot = -1;
        for (int q = 0; q < 4; ++q)
          if (s.tag[q] == need[t]) slot = q;
        if (slot < 0) {
          for (int q = 0; q < 4 && slot < 0; ++q) {
            bool used = false;
            for (int u = 0; u < 4; ++u) used |= s.tag[q] == need[u];
            if (!used) slot = q;
          }
          s.tag[slot] = need[t];
          CubicHRowF(c, c.Row(need[t]), s.dring[slot].data());
        }
        rows[t] = s.dring[slot].data();
      }
      const float *w = Table().f + 4 * size_t(Y.phase[k]);
      c.k.CubicVRowD(rows, w, 4 * X.count, out);
      s.vector = c.k.vector;
      return;
    }
    case Kind::Area2D:
      if (c.k.vector) {
        const int t0 = Y.tapStart[k], nt = Y.tapStart[k + 1] - t0;
        s.rows.resize(size_t(nt));
        for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(Y.tapIdx[t0 + t]);
        const AreaRows rows{s.rows.data(), &Y.tapW[t0], nt, Y.span[k]};
        const AreaCols cols{X.tapStart.data(), c.areaOff.data(), X.tapW.data(), X.span.data(), X.count};
        c.k.Area2DRowF(rows, cols, out);
        s.vector = true;
        return;
      }
      break;
    default:
      if (c.k.vector && MixedRowF(c, k, out, s)) {
        s.vector = true;
        return;
      }
      break;
  }
  const float *tf = Table().f;
  for (int j = 0; j < X.count; ++j) {
    float acc[4] = {0, 0, 0, 0};
    float div = 1;
    switch (c.kind) {
      case Kind::Area2D:
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
            const float w = float((uint32_t(X.tapW[tx]) * uint32_t(Y.tapW[ty])) >> 14);
            const float *p = PixF(row, X.tapIdx[tx]);
            for (int ch = 0; ch < 4; ++ch) acc[ch] += p[ch] * w;
          }
        }
        div = float(std::max<uint64_t>(1, (uint64_t(X.span[j]) * uint64_t(Y.span[k])) >> 14));
        break;
      case Kind::AreaXBilinY: {
        const uint8_t *r0 = c.Row(Y.idx0[k]), *r1 = c.Row(Y.idx1[k]);
        const float fy = Y.frac[k] * inv, gy = 1.0f - fy;
        for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
          const float *p0 = PixF(r0, X.tapIdx[tx]), *p1 = PixF(r1, X.tapIdx[tx]);
          const float w = float(X.tapW[tx]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += (p0[ch] * gy + p1[ch] * fy) * w;
        }
        div = float(X.span[j]);
        break;
      }
      case Kind::AreaYBilinX: {
        const float fx = X.frac[j] * inv, gx = 1.0f - fx;
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          const float *p0 = PixF(row, X.idx0[j]), *p1 = PixF(row, X.idx1[j]);
          const float w = float(Y.tapW[ty]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += (p0[ch] * gx + p1[ch] * fx) * w;
        }
        div = float(Y.span[k]);
        break;
      }
      case Kind::AreaXCubicY: {
        const float *w4 = tf + 4 * size_t(Y.phase[k]);
        for (int tx = X.tapStart[j]; tx < X.tapStart[j + 1]; ++tx) {
          const float *p[4];
          for (int t = 0; t < 4; ++t) p[t] = PixF(c.Row(Y.cubic[4 * size_t(k) + t]), X.tapIdx[tx]);
          const float w = float(X.tapW[tx]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += CubicTapF(p, w4, ch) * w;
        }
        div = float(X.span[j]);
        break;
      }
      case Kind::AreaYCubicX: {
        const float *w4 = tf + 4 * size_t(X.phase[j]);
        for (int ty = Y.tapStart[k]; ty < Y.tapStart[k + 1]; ++ty) {
          const uint8_t *row = c.Row(Y.tapIdx[ty]);
          const float *p[4];
          for (int t = 0; t < 4; ++t) p[t] = PixF(row, X.cubic[4 * size_t(j) + t]);
          const float w = float(Y.tapW[ty]);
          for (int ch = 0; ch < 4; ++ch) acc[ch] += CubicTapF(p, w4, ch) * w;
        }
        div = float(Y.span[k]);
        break;
      }
      default: break;
    }
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = acc[ch] / div;
  }
}

// ---- Row driver with edge mixing ---------------------------------------------------
void DoRow(const Ctx &c, int k, Scratch &s) {
  const int n = c.X.count;
  const size_t bpp = size_t(c.bpp);
  uint8_t *out = c.dst + int64_t(c.Y.first + k) * c.dstStride + int64_t(c.X.first) * c.bpp;
  const int32_t vcov = c.Y.cov[k];
  const bool mixRow = !c.noEdgeMix && vcov < kOne;
  const bool mixL = !c.noEdgeMix && c.X.cov[0] < kOne;
  const bool mixR = !c.noEdgeMix && c.X.cov[n - 1] < kOne;
  if (mixRow) {
    std::memcpy(s.old.data(), out, n * bpp);
  } else {
    if (mixL) std::memcpy(s.old.data(), out, bpp);
    if (mixR) std::memcpy(s.old.data() + (n - 1) * bpp, out + (n - 1) * bpp, bpp);
  }
  if (c.bpp == 4)
    Row8(c, k, out, s);
  else
    RowF(c, k, reinterpret_cast<float *>(out), s);
  auto mixPixel = [&](int j) {
    const int cv = int((uint64_t(vcov) * uint64_t(c.X.cov[j]) * 255) >> 28);
    if (c.bpp == 4) {
      uint8_t *p = out + 4 * size_t(j);
      const uint8_t *o = s.old.data() + 4 * size_t(j);
      for (int ch = 0; ch < 4; ++ch) p[ch] = Mix8(o[ch], p[ch], cv);
    } else {
      float *p = reinterpret_cast<float *>(out) + 4 * size_t(j);
      float o[4];
      std::memcpy(o, s.old.data() + 16 * size_t(j), 16);
      for (int ch = 0; ch < 4; ++ch) p[ch] = MixF(o[ch], p[ch], cv);
    }
  };
  if (mixRow) {
    for (int j = 0; j < n; ++j) mixPixel(j);
  } else {
    if (mixL) mixPixel(0);
    if (mixR && (n > 1 || !mixL)) mixPixel(n - 1);
  }
}

}  // namespace

bool Run(const KoSubpixelParam &p, const Options &o, RunInfo *info) {
  if (o.bytesPerPixel != 4 && o.bytesPerPixel != 16) return false;
  Ctx c;
  c.k = Forms::Pick();
  if (!Plan(p, o, c)) return false;
  const int rows = c.Y.count;
  Scratch first(c);
  DoRow(c, 0, first);
  if (info) {
    info->kernel = Kernel(int(c.kind));
    info->vectorRows = first.vector;
    info->wide = c.wide && c.bpp == 4 && c.kind != Kind::Bilinear && c.kind != Kind::Cubic;
  }
  if (rows > 2 && !o.singleThread && ko::frame::ManyThreads()) {
#pragma omp parallel
    {
      Scratch s(c);
#pragma omp for schedule(static)
      for (int k = 1; k < rows - 1; ++k) DoRow(c, k, s);
    }
  } else {
    // One thread: the first row's scratch goes on down the rows (its ring
    // of cubic rows is looked up by row, so any order reuses it correctly).
    for (int k = 1; k < rows - 1; ++k) DoRow(c, k, first);
  }
  if (rows > 1) DoRow(c, rows - 1, first);
  return true;
}

}  // namespace ko::pixels::scale
