// Frames and reference arithmetic shared by the colour suites: planes with
// gradients, colour bars or noise, and the formulas in double precision.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "kokernel/kodib.h"

namespace kotest {

enum class Pattern { Gradient, Bars, Noise };
inline const char *PatternName(Pattern p) {
  return p == Pattern::Gradient ? "gradient" : p == Pattern::Bars ? "bars" : "noise";
}

// One 8-bit plane of w x h samples in [lo, hi].
inline std::vector<uint8_t> MakePlane(Pattern p, int w, int h, int lo, int hi, uint32_t seed) {
  std::vector<uint8_t> v(size_t(w) * h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double t;
      switch (p) {
        case Pattern::Gradient: t = (double(x) / std::max(1, w - 1) + double(y) / std::max(1, h - 1)) / 2; break;
        case Pattern::Bars: t = ((x * 8 / std::max(1, w)) * 37 + seed * 11) % 8 / 7.0; break;
        default: t = std::uniform_real_distribution<double>(0, 1)(rng); break;
      }
      v[size_t(y) * w + x] = uint8_t(std::lround(lo + t * (hi - lo)));
    }
  return v;
}

// Unscaled YUV-to-RGB coefficients: R from Cr, G from Cb, G from Cr, B from Cb.
struct Inverse {
  double rCr, gCb, gCr, bCb;
};
inline Inverse InverseOf(int m) {
  static const Inverse k[3] = {{1.402, -0.3441, -0.7141, 1.772},
                               {1.5748, -0.1873, -0.4681, 1.8556},
                               {1.4746, -0.1646, -0.5714, 1.8814}};
  return k[m];
}
// Luma rows.
inline void LumaRow(int m, double *r, double *g, double *b) {
  static const double k[3][3] = {{0.299, 0.587, 0.114}, {0.2126, 0.7152, 0.0722}, {0.2627, 0.678, 0.0593}};
  *r = k[m][0], *g = k[m][1], *b = k[m][2];
}

// B, G, R of (y, cb, cr) (chroma already centred) with chroma factor cs.
inline void ModelRgb(int m, double y, double cb, double cr, double cs, double out[3]) {
  const Inverse k = InverseOf(m);
  out[0] = y + cs * k.bCb * cb;
  out[1] = y + cs * (k.gCb * cb + k.gCr * cr);
  out[2] = y + cs * k.rCr * cr;
}

// A YUV frame header of the four-character code.
inline BITMAPINFOHEADER YuvHeader(const char *code, int w, int h) {
  BITMAPINFOHEADER b{};
  b.biSize = sizeof b;
  b.biWidth = w;
  b.biHeight = h;
  for (int i = 0; i < 4; ++i) b.biCompression |= uint32_t(uint8_t(code[i])) << (8 * i);
  return b;
}

inline double Clamp(double v, double lo, double hi) { return std::min(hi, std::max(lo, v)); }

}  // namespace kotest
