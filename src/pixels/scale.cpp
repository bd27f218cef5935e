// Bilinear, bicubic and area-averaging resampling of 32-bit BGRA and
// 128-bit float BGRA rectangles at 1/16384-pixel positions.
#include "pixels/scale.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "kokernel/koframe.h"
#include "kokernel/koresult.h"

namespace ko::pixels::scale {
namespace {

constexpr int64_t kOne = 16384;  // one pixel in fixed point

int64_t MulShift14(int64_t a, int64_t b) {
  return int64_t((__int128)a * b >> 14);
}

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
  Path path;
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
  const uint8_t *Row(int y) const { return src + int64_t(y) * srcStride; }
};

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
      w16.resize(c.X.tapIdx.size() * size_t(most) + 8);
    }
    if (c.kind == Kind::Cubic) {
      for (auto &r : ring) r.resize(4 * n + 8);
      if (c.bpp == 16)
        for (auto &r : dring) r.resize(4 * n);
    }
    old.resize(n * size_t(c.bpp));
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

const CubicTable &Table() {
  static const CubicTable table;  // built once, on first use, thread-safely
  return table;
}

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
      switch (c.path) {
        case Path::AVX2: CubicHRow_AVX2(row, cols, s.ring[slot].data()); break;
        case Path::SSE2: CubicHRow_SSE2(row, cols, s.ring[slot].data()); break;
        default: CubicHRow_C(row, cols, s.ring[slot].data()); break;
      }
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
        AreaXBilinRow_SSE2(c.Row(Y.idx0[k]), c.Row(Y.idx1[k]), Y.frac[k], cols, out);
        return true;
      }
      s.line8.resize(4 * size_t(c.lineCount));
      const size_t o = 4 * size_t(c.lineFirst);
      if (c.kind == Kind::AreaXBilinY) {
        BilinVLine8_SSE2(c.Row(Y.idx0[k]) + o, c.Row(Y.idx1[k]) + o, Y.frac[k], c.lineCount,
                         s.line8.data());
      } else {
        const uint8_t *rows[4];
        for (int t = 0; t < 4; ++t) rows[t] = c.Row(Y.cubic[4 * size_t(k) + t]) + o;
        CubicVLine8_SSE2(rows, Table().i + 4 * size_t(Y.phase[k]), c.lineCount, s.line8.data());
      }
      if (c.wide)
        AreaXLine8Wide_SSE2(s.line8.data(), lineCols, out);
      else
        AreaXLine8_SSE2(s.line8.data(), lineCols, out);
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
          BilinHRow8_SSE2(row, bcols, s.h16.data());
        } else {
          if (c.path == Path::AVX2)
            CubicHRow_AVX2(row, ccols, s.h16.data());
          else
            CubicHRow_SSE2(row, ccols, s.h16.data());
          ClampRow8_SSE2(s.h16.data(), n);
        }
        if (c.wide)
          AccumulateRow8Wide_SSE2(s.h16.data(), n, uint32_t(Y.tapW[ty]), s.acc64.data());
        else
          AccumulateRow8_SSE2(s.h16.data(), n, uint32_t(Y.tapW[ty]), s.acc32.data());
      }
      const uint64_t div = uint64_t(Y.span[k]);
      if (c.wide) {
        for (int i = 0; i < n; ++i) out[i] = uint8_t(std::min<uint64_t>(s.acc64[i] / div, 255));
      } else {
        DivideRow8_SSE2(s.acc32.data(), n, div, out);
      }
      return true;
    }
    case Kind::Area2D: {  // 64-bit sums
      const int t0 = Y.tapStart[k], nt = Y.tapStart[k + 1] - t0;
      s.rows.resize(size_t(nt));
      for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(Y.tapIdx[t0 + t]);
      const AreaRows rows{s.rows.data(), &Y.tapW[t0], nt, Y.span[k]};
      const AreaCols cols{X.tapStart.data(), c.areaOff.data(), X.tapW.data(), X.span.data(), X.count};
      Area2DRowWide_SSE2(rows, cols, out, s.w16.data());
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
      switch (c.path) {
        case Path::AVX2: BilinearRow_AVX2(r0, r1, c.Y.frac[k], cols, out, s.w.data()); break;
        case Path::SSE2: BilinearRow_SSE2(r0, r1, c.Y.frac[k], cols, out, s.w.data()); break;
        default: BilinearRow_C(r0, r1, c.Y.frac[k], cols, out, s.w.data()); break;
      }
      s.vector = c.path != Path::Scalar;
      return;
    }
    case Kind::Cubic: {
      const int16_t *rows[4];
      CubicRing(c, s, k, rows);
      const int16_t *w = Table().i + 4 * size_t(c.Y.phase[k]);
      switch (c.path) {
        case Path::AVX2: CubicVRow_AVX2(rows, w, c.X.count, out); break;
        case Path::SSE2: CubicVRow_SSE2(rows, w, c.X.count, out); break;
        default: CubicVRow_C(rows, w, c.X.count, out); break;
      }
      s.vector = c.path != Path::Scalar;
      return;
    }
    case Kind::Area2D:
      if (!c.wide) {
        const int t0 = c.Y.tapStart[k], nt = c.Y.tapStart[k + 1] - t0;
        s.rows.resize(size_t(nt));
        for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(c.Y.tapIdx[t0 + t]);
        const AreaRows rows{s.rows.data(), &c.Y.tapW[t0], nt, c.Y.span[k]};
        const AreaCols cols{c.X.tapStart.data(), c.areaOff.data(), c.X.tapW.data(), c.X.span.data(),
                            c.X.count};
        if (c.path == Path::Scalar) {
          Area2DRow_C(rows, cols, out, s.w.data(), s.w16.data());
        } else {
          Area2DRow_SSE2(rows, cols, out, s.w.data(), s.w16.data());
          s.vector = true;
        }
        return;
      }
      [[fallthrough]];
    default:
      if (c.path != Path::Scalar && MixedRow8(c, k, out, s)) {
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
  switch (c.path) {
    case Path::AVX2: CubicHRowD_AVX2(r, cols, out); break;
    case Path::SSE2: CubicHRowD_SSE2(r, cols, out); break;
    default: CubicHRowD_C(r, cols, out); break;
  }
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
        BilinVLineF_SSE2(PixF(c.Row(Y.idx0[k]), 0) + o, PixF(c.Row(Y.idx1[k]), 0) + o, gy, fy, m,
                         s.lineF.data());
      } else {
        const float *rows[4];
        for (int t = 0; t < 4; ++t) rows[t] = PixF(c.Row(Y.cubic[4 * size_t(k) + t]), 0) + o;
        CubicVRowF_SSE2(rows, Table().f + 4 * size_t(Y.phase[k]), m, s.lineF.data());
      }
      const AreaCols cols{X.tapStart.data(), c.lineOff.data(), X.tapW.data(), X.span.data(), X.count};
      AreaXLineF_SSE2(reinterpret_cast<const uint8_t *>(s.lineF.data()), cols, out);
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
          BilinHRowF_SSE2(PixF(row, 0), bcols, s.lineF.data());
        } else {
          CubicHRowF(c, row, s.lineD.data());
          NarrowClampAlpha_SSE2(s.lineD.data(), n, s.lineF.data());
        }
        AccumulateRowF_SSE2(s.lineF.data(), n, float(Y.tapW[ty]), s.accF.data());
      }
      DivideRowF_SSE2(s.accF.data(), n, float(Y.span[k]), out);
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
      if (c.path == Path::Scalar) {
        BilinearRowF_C(r0, r1, Y.frac[k], cols, out);
      } else {
        BilinearRowF_SSE2(r0, r1, Y.frac[k], cols, out);
        s.vector = true;
      }
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
      if (c.path != Path::Scalar) {
        if (c.path == Path::AVX2)
          CubicVRowD_AVX2(rows, w, 4 * X.count, out);
        else
          CubicVRowD_SSE2(rows, w, 4 * X.count, out);
        s.vector = true;
        return;
      }
      for (int j = 0; j < X.count; ++j)
        for (int ch = 0; ch < 4; ++ch) {
          double sum = 0;
          for (int t = 0; t < 4; ++t) sum += double(w[t]) * rows[t][4 * j + ch];
          float v = float(sum);
          out[4 * j + ch] = ch == 3 ? std::clamp(v, 0.0f, 1.0f) : v;
        }
      return;
    }
    case Kind::Area2D:
      if (c.path != Path::Scalar) {
        const int t0 = Y.tapStart[k], nt = Y.tapStart[k + 1] - t0;
        s.rows.resize(size_t(nt));
        for (int t = 0; t < nt; ++t) s.rows[t] = c.Row(Y.tapIdx[t0 + t]);
        const AreaRows rows{s.rows.data(), &Y.tapW[t0], nt, Y.span[k]};
        const AreaCols cols{X.tapStart.data(), c.areaOff.data(), X.tapW.data(), X.span.data(), X.count};
        Area2DRowF_SSE2(rows, cols, out);
        s.vector = true;
        return;
      }
      break;
    default:
      if (c.path != Path::Scalar && MixedRowF(c, k, out, s)) {
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

const int16_t *BicubicIntWeights() { return Table().i; }
const float *BicubicFloatWeights() { return Table().f; }

namespace {
std::atomic<bool> g_avx2Allowed{true};
}  // namespace

void AllowAVX2(bool allow) { g_avx2Allowed.store(allow, std::memory_order_relaxed); }
bool AVX2Allowed() { return g_avx2Allowed.load(std::memory_order_relaxed); }

bool AVX2Present() {
#if defined(__x86_64__) || defined(_M_X64)
  static const bool present = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return present;
#else
  return false;
#endif
}

PathScope::PathScope(Path path)
    : sse2_((KoGetCPUSupport(KOCPU_SSE2) & KOCPU_SSE2) != 0), avx2_(AVX2Allowed()) {
  if (path == Path::Scalar) {
    KoDisallowCPUSupport(KOCPU_SSE2);
  } else if (path != Path::Auto) {
    KoAllowCPUSupport(KOCPU_SSE2);
    AllowAVX2(path == Path::AVX2);
  }
  runs_ = path == Path::Auto || BestPath() == path;
}

PathScope::~PathScope() {
  if (sse2_)
    KoAllowCPUSupport(KOCPU_SSE2);
  else
    KoDisallowCPUSupport(KOCPU_SSE2);
  AllowAVX2(avx2_);
}

Path BestPath() {
#if defined(__x86_64__) || defined(_M_X64)
  if (!(KoGetCPUSupport(KOCPU_SSE2) & KOCPU_SSE2)) return Path::Scalar;
  return AVX2Allowed() && AVX2Present() ? Path::AVX2 : Path::SSE2;
#else
  return Path::Scalar;
#endif
}

bool Run(const KoSubpixelParam &p, const Options &o, RunInfo *info) {
  if (o.bytesPerPixel != 4 && o.bytesPerPixel != 16) return false;
  Ctx c;
  c.src = static_cast<const uint8_t *>(p.src);
  c.srcStride = p.srcStride;
  c.dst = static_cast<uint8_t *>(p.dst);
  c.dstStride = p.dstStride;
  c.bpp = int(o.bytesPerPixel);
  c.noEdgeMix = o.noEdgeMix;
  c.path = BestPath();
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
    while (c.contiguous < n && c.xo1[c.contiguous] == c.xo0[c.contiguous] + 4) ++c.contiguous;
    if (c.kind == Kind::Bilinear && c.path == Path::AVX2) {
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
  const int rows = c.Y.count;
  Scratch first(c);
  DoRow(c, 0, first);
  if (info) {
    info->kernel = Kernel(int(c.kind));
    info->vectorRows = first.vector;
    info->wide = c.wide && c.bpp == 4 && c.kind != Kind::Bilinear && c.kind != Kind::Cubic;
  }
  if (rows > 2) {
#pragma omp parallel if (!o.singleThread)
    {
      Scratch s(c);
#pragma omp for schedule(static)
      for (int k = 1; k < rows - 1; ++k) DoRow(c, k, s);
    }
  }
  if (rows > 1) DoRow(c, rows - 1, first);
  return true;
}

// ---- Scalar row kernels ---------------------------------------------------------------
void BilinearWeights_C(uint32_t fy, const uint16_t *fx, int count, uint32_t *w) {
  const uint32_t gy = 16384 - fy;
  for (int j = 0; j < count; ++j) {
    const uint32_t f = fx[j], g = 16384 - f;
    w[4 * j + 0] = (g * gy) >> 4;
    w[4 * j + 1] = (f * gy) >> 4;
    w[4 * j + 2] = (g * fy) >> 4;
    w[4 * j + 3] = (f * fy) >> 4;
  }
}

void BilinearRow_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                   uint8_t *out, uint32_t *scratch) {
  BilinearWeights_C(fy, c.fx, c.count, scratch);
  for (int j = 0; j < c.count; ++j) {
    const uint32_t *w = scratch + 4 * j;
    const uint8_t *p00 = r0 + c.xo0[j], *p10 = r0 + c.xo1[j];
    const uint8_t *p01 = r1 + c.xo0[j], *p11 = r1 + c.xo1[j];
    for (int ch = 0; ch < 4; ++ch) {
      const uint32_t sum =
          w[0] * p00[ch] + w[1] * p10[ch] + w[2] * p01[ch] + w[3] * p11[ch] + 0x800000u;
      out[4 * j + ch] = uint8_t(sum >> 24);
    }
  }
}

void Area2DRow_C(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc, uint16_t *) {
  for (int j = 0; j < 4 * c.count; ++j) acc[j] = 0;
  for (int t = 0; t < r.count; ++t) {
    const uint8_t *row = r.rows[t];
    const uint32_t wy = uint32_t(r.w[t]);
    for (int j = 0; j < c.count; ++j)
      for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
        const uint32_t w = (uint32_t(c.tapW[tx]) * wy) >> 14;
        for (int ch = 0; ch < 4; ++ch) acc[4 * j + ch] += row[c.tapOff[tx] + ch] * w;
      }
  }
  for (int j = 0; j < c.count; ++j) {
    const uint32_t div = std::max<uint32_t>(1, uint32_t((uint64_t(c.span[j]) * uint64_t(r.span)) >> 14));
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = uint8_t(std::min<uint32_t>(acc[4 * j + ch] / div, 255));
  }
}

void BilinearRowF_C(const float *r0, const float *r1, uint32_t fyi, const BilinearColsF &c,
                    float *out) {
  const float inv = 1.0f / 16384.0f;
  const float fy = float(fyi) * inv, gy = 1.0f - fy;
  for (int j = 0; j < c.count; ++j) {
    const float fx = float(c.fx[j]) * inv, gx = 1.0f - fx;
    const float w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = fx * fy;
    const float *p00 = r0 + 4 * size_t(c.x0[j]), *p10 = r0 + 4 * size_t(c.x1[j]);
    const float *p01 = r1 + 4 * size_t(c.x0[j]), *p11 = r1 + 4 * size_t(c.x1[j]);
    for (int ch = 0; ch < 4; ++ch)
      out[4 * j + ch] = ((p00[ch] * w00 + p10[ch] * w10) + p01[ch] * w01) + p11[ch] * w11;
  }
}

void CubicHRowD_C(const float *row, const CubicColsF &c, double *out) {
  const float *tf = Table().f;
  for (int j = 0; j < c.count; ++j) {
    const float *w = tf + 4 * size_t(c.phase[j]);
    const int32_t *ix = c.idx + 4 * size_t(j);
    for (int ch = 0; ch < 4; ++ch) {
      double sum = 0;
      for (int t = 0; t < 4; ++t) sum += double(w[t]) * row[4 * size_t(ix[t]) + ch];
      out[4 * j + ch] = sum;
    }
  }
}

void CubicHRow_C(const uint8_t *row, const CubicCols &c, int16_t *out) {
  for (int j = 0; j < c.count; ++j) {
    const int32_t *o = c.off + 4 * j;
    const int16_t *w = c.w + 4 * j;
    for (int ch = 0; ch < 4; ++ch) {
      int sum = 8192;
      for (int t = 0; t < 4; ++t) sum += w[t] * row[o[t] + ch];
      out[4 * j + ch] = int16_t(sum / 16384);
    }
  }
}

void CubicVRow_C(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  for (int i = 0; i < 4 * count; ++i) {
    int sum = 8192;
    for (int t = 0; t < 4; ++t) sum += w[t] * rows[t][i];
    out[i] = uint8_t(std::clamp(sum / 16384, 0, 255));
  }
}

}  // namespace ko::pixels::scale

using namespace ko::pixels::scale;

namespace {

constexpr int64_t kUnit = 16384;
constexpr int64_t kMaxFixed = INT32_MAX;
constexpr int64_t kMinDst = 1024;

struct R64 {
  int64_t l, t, r, b;
};

R64 Intersect(const R64 &a, const R64 &b) {
  return {std::max(a.l, b.l), std::max(a.t, b.t), std::min(a.r, b.r), std::min(a.b, b.b)};
}

HRESULT Scale(bool bicubic, bool subPixel, void *dst, const uint32_t dstSize[2], int dstStride,
              const RECT *dstRect, const void *src, const uint32_t srcSize[2], int srcStride,
              const RECT *srcRect, uint32_t bpp, uint32_t areaMode, uint32_t noEdgeMix) {
  if (!dst || !src || !dstSize || !srcSize) return E_POINTER;
  if (bpp != 4 && bpp != 16) return E_INVALIDARG;
  RECT d, s;
  const RECT *pd = dstRect, *ps = srcRect;
  if (!subPixel) {
    // Whole pixels: scale the rectangles into 1/16384 units, refusing those
    // that the fixed-point rectangle can't hold.
    auto up = [](const RECT *r, RECT &out) {
      const int64_t v[4] = {r->left, r->top, r->right, r->bottom};
      for (int64_t x : v)
        if (x * kUnit > kMaxFixed || x * kUnit < -kMaxFixed - 1) return false;
      out = RECT{LONG(r->left * kUnit), LONG(r->top * kUnit), LONG(r->right * kUnit),
                 LONG(r->bottom * kUnit)};
      return true;
    };
    if (dstRect) {
      if (!up(dstRect, d)) return S_OK;
      pd = &d;
    }
    if (srcRect) {
      if (!up(srcRect, s)) return S_OK;
      ps = &s;
    }
  }
  KoSubpixelParam p;
  if (!KoPrepareSubpixelParam(&p, dst, dstSize, uint32_t(dstStride), pd, src, srcSize,
                              uint32_t(srcStride), ps))
    return S_OK;
  if (!subPixel && p.scaleX == kUnit && p.scaleY == kUnit) {
    // 1:1 in whole pixels: plain row copies.
    const int64_t dl = p.dstRect.left >> 14, dt = p.dstRect.top >> 14;
    const int64_t sl = p.srcRect.left >> 14, st = p.srcRect.top >> 14;
    const int64_t w = (int64_t(p.dstRect.right) - p.dstRect.left + kUnit - 1) >> 14;
    const int64_t h = (int64_t(p.dstRect.bottom) - p.dstRect.top + kUnit - 1) >> 14;
    for (int64_t y = 0; y < h; ++y)
      std::memmove(static_cast<uint8_t *>(dst) + (dt + y) * dstStride + dl * bpp,
                   static_cast<const uint8_t *>(src) + (st + y) * srcStride + sl * bpp,
                   size_t(w * bpp));
    return S_OK;
  }
  Options o;
  o.bicubic = bicubic;
  o.bytesPerPixel = bpp;
  o.areaMode = areaMode != 0;
  o.noEdgeMix = noEdgeMix != 0;
  Run(p, o);
  return S_OK;
}

}  // namespace

extern "C" {

int KoPrepareSubpixelParam(KoSubpixelParam *param, void *dst, const uint32_t dstSize[2],
                           uint32_t dstStride, const RECT *dstRect, const void *src,
                           const uint32_t srcSize[2], uint32_t srcStride, const RECT *srcRect) {
  if (!param || !dstSize || !srcSize) return 0;
  std::memset(param, 0, sizeof(*param));
  param->dst = dst;
  param->src = src;
  param->dstSize[0] = dstSize[0];
  param->dstSize[1] = dstSize[1];
  param->srcSize[0] = srcSize[0];
  param->srcSize[1] = srcSize[1];
  param->dstStride = int32_t(dstStride);
  param->srcStride = int32_t(srcStride);
  // Images whose extent in 1/16384 units does not fit a rectangle are refused.
  for (uint32_t v : {dstSize[0], dstSize[1], srcSize[0], srcSize[1]})
    if (int64_t(v) * kUnit > kMaxFixed) return 0;
  const R64 dImg{0, 0, int64_t(dstSize[0]) * kUnit, int64_t(dstSize[1]) * kUnit};
  const R64 sImg{0, 0, int64_t(srcSize[0]) * kUnit, int64_t(srcSize[1]) * kUnit};
  const R64 dRect = dstRect ? R64{dstRect->left, dstRect->top, dstRect->right, dstRect->bottom} : dImg;
  R64 sRect = srcRect ? R64{srcRect->left, srcRect->top, srcRect->right, srcRect->bottom} : sImg;
  sRect = Intersect(sRect, sImg);
  if (sRect.r - sRect.l < kUnit || sRect.b - sRect.t < kUnit) return 0;
  if (dRect.r - dRect.l < kMinDst || dRect.b - dRect.t < kMinDst) return 0;
  const int64_t scaleX = int64_t(double(sRect.r - sRect.l) * 16384.0 / double(dRect.r - dRect.l));
  const int64_t scaleY = int64_t(double(sRect.b - sRect.t) * 16384.0 / double(dRect.b - dRect.t));
  if (scaleX <= 0 || scaleY <= 0) return 0;
  R64 dClip = Intersect(dRect, dImg);
  if (dClip.r - dClip.l < kMinDst || dClip.b - dClip.t < kMinDst) return 0;
  // Map the clipped destination onto the source, clip, and map back so that
  // both rectangles cover the same area.
  auto toSrc = [](int64_t d, int64_t d0, int64_t s0, int64_t scale) {
    return s0 + int64_t((__int128)(d - d0) * scale / kUnit);
  };
  auto toDst = [](int64_t s, int64_t s0, int64_t d0, int64_t scale) {
    return d0 + int64_t((__int128)(s - s0) * kUnit / scale);
  };
  // Only edges that the clipping moved are mapped, so that unclipped
  // rectangles keep their exact extents.
  R64 sMap = sRect;
  if (dClip.l != dRect.l) sMap.l = toSrc(dClip.l, dRect.l, sRect.l, scaleX);
  if (dClip.t != dRect.t) sMap.t = toSrc(dClip.t, dRect.t, sRect.t, scaleY);
  if (dClip.r != dRect.r) sMap.r = toSrc(dClip.r, dRect.l, sRect.l, scaleX);
  if (dClip.b != dRect.b) sMap.b = toSrc(dClip.b, dRect.t, sRect.t, scaleY);
  sMap = Intersect(sMap, sRect);
  R64 dMap = dClip;
  if (sMap.l != sRect.l) dMap.l = toDst(sMap.l, sRect.l, dRect.l, scaleX);
  if (sMap.t != sRect.t) dMap.t = toDst(sMap.t, sRect.t, dRect.t, scaleY);
  if (sMap.r != sRect.r) dMap.r = toDst(sMap.r, sRect.l, dRect.l, scaleX);
  if (sMap.b != sRect.b) dMap.b = toDst(sMap.b, sRect.t, dRect.t, scaleY);
  dMap = Intersect(dMap, dClip);
  if (dMap.r - dMap.l < kMinDst || dMap.b - dMap.t < kMinDst) return 0;
  if (sMap.r - sMap.l < 1 || sMap.b - sMap.t < 1) return 0;
  param->dstRect = RECT{LONG(dMap.l), LONG(dMap.t), LONG(dMap.r), LONG(dMap.b)};
  param->srcRect = RECT{LONG(sMap.l), LONG(sMap.t), LONG(sMap.r), LONG(sMap.b)};
  param->scaleX = scaleX;
  param->scaleY = scaleY;
  auto step = [](int64_t sExt, int64_t dExt) -> int64_t {
    if (dExt < 2 * kUnit) return 0;
    const int64_t st = (sExt - kUnit) * kUnit / (dExt - kUnit);
    return st < 1 ? 0 : st;
  };
  param->stepX = step(sMap.r - sMap.l, dMap.r - dMap.l);
  param->stepY = step(sMap.b - sMap.t, dMap.b - dMap.t);
  return 1;
}

HRESULT KoDibScale_Bilinear(void *dst, const uint32_t dstSize[2], int dstStride,
                            const RECT *dstRect, const void *src, const uint32_t srcSize[2],
                            int srcStride, const RECT *srcRect, uint32_t bytesPerPixel,
                            uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(false, false, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BilinearSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                    const RECT *dstRect, const void *src,
                                    const uint32_t srcSize[2], int srcStride, const RECT *srcRect,
                                    uint32_t bytesPerPixel, uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(false, true, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BiCubic(void *dst, const uint32_t dstSize[2], int dstStride,
                           const RECT *dstRect, const void *src, const uint32_t srcSize[2],
                           int srcStride, const RECT *srcRect, uint32_t bytesPerPixel,
                           uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(true, false, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BiCubicSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                   const RECT *dstRect, const void *src,
                                   const uint32_t srcSize[2], int srcStride, const RECT *srcRect,
                                   uint32_t bytesPerPixel, uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(true, true, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

}  // extern "C"
