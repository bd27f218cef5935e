// The fixed 3x3 blur, the edge detector, desaturation, histograms, the HSL
// scale-and-offset, noise masks, the radial blur of masks, the mask scaler
// and the shear.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageops/imageops_internal.h"
#include "kokernel/koimageops.h"

using namespace ko::imageops;

namespace {

bool Empty(int32_t width, int32_t height) { return width <= 0 || height <= 0; }
inline int ClampI(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline uint32_t Luma8(int r, int g, int b) { return static_cast<uint32_t>((r * 19595 + g * 38469 + b * 7472 + 32768) >> 16); }

// The 2048 weights of the mask scaler: entry i = i / 2048, filled once per
// process (a function-local static: the first caller fills it, others wait).
const float *ScaleWeights() {
  static const struct Table {
    float w[2048];
    Table() {
      for (int i = 0; i < 2048; ++i) w[i] = static_cast<float>(i) / 2048.0f;
    }
  } table;
  return table.w;
}

}  // namespace

extern "C" {

KOAPI bool Blur3x3(void *dst, int32_t dstStride, const void *src, int32_t srcStride, int32_t bytesPerPixel,
                   int32_t width, int32_t height) {
  if (!IsPixelForm(bytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!dst || !src || dst == src) return false;
  // Rows as runs of channel values: the neighbours of value i are i - 4
  // and i + 4, the edge pixels repeating themselves.
  const int n = 4 * width;
  for (int y = 0; y < height; ++y) {
    const int ya = std::max(y - 1, 0), yb = std::min(y + 1, height - 1);
    if (bytesPerPixel == 4) {
      // The integer sum is exact, so the order of adding does not matter.
      const auto *s = static_cast<const uint8_t *>(src);
      const uint8_t *a = RowAt(s, srcStride, ya), *m = RowAt(s, srcStride, y), *b = RowAt(s, srcStride, yb);
      uint8_t *o = RowAt(static_cast<uint8_t *>(dst), dstStride, y);
      auto at = [&](int i, int l, int r) {
        const int sum = (a[l] + 2 * a[i] + a[r]) + 2 * (m[l] + 2 * m[i] + m[r]) + (b[l] + 2 * b[i] + b[r]);
        o[i] = static_cast<uint8_t>(sum >> 4);
      };
      // The first and last pixel take their edge neighbours; the run
      // between them has both neighbours inside (and vectorises).
      for (int i = 0; i < 4; ++i) at(i, i, std::min(i + 4, n - 4 + i));
      for (int i = 4; i < n - 4; ++i) at(i, i - 4, i + 4);
      for (int i = std::max(4, n - 4); i < n; ++i) at(i, i - 4, i);
    } else {
      // 1-2-1 down the column, then along the row: the weights 1/16, 1/8
      // and 1/4 as products of quarters and halves.
      const auto *s = static_cast<const float *>(src);
      const float *a = RowAt(s, srcStride, ya), *m = RowAt(s, srcStride, y), *b = RowAt(s, srcStride, yb);
      float *o = RowAt(static_cast<float *>(dst), dstStride, y);
      auto col = [&](int i) { return 0.25f * (a[i] + b[i]) + 0.5f * m[i]; };
      for (int i = 0; i < n; ++i) {
        const int l = i < 4 ? i : i - 4, r = i + 4 < n ? i + 4 : i;
        o[i] = 0.25f * (col(l) + col(r)) + 0.5f * col(i);
      }
    }
  }
  return true;
}

KOAPI bool EdgeDetect(uint8_t *dst, int32_t dstStride, const uint8_t *src, int32_t srcStride, int32_t width,
                      int32_t height, bool mono, double threshold) {
  if (Empty(width, height)) return true;
  if (!dst || !src || dst == src) return false;
  const int t = TruncToInt(threshold * 255.0);
  for (int y = 0; y < height; ++y) {
    const uint8_t *up = RowAt(src, srcStride, std::max(y - 1, 0)), *mid = RowAt(src, srcStride, y),
                  *dn = RowAt(src, srcStride, std::min(y + 1, height - 1));
    uint8_t *d = RowAt(dst, dstStride, y);
    auto edge = [&](int x, int c) {
      const int e = std::max({std::abs(up[4 * (x - 1) + c] - dn[4 * (x + 1) + c]), std::abs(up[4 * x + c] - dn[4 * x + c]),
                              std::abs(up[4 * (x + 1) + c] - dn[4 * (x - 1) + c]),
                              std::abs(mid[4 * (x - 1) + c] - mid[4 * (x + 1) + c])});
      return e & 255;
    };
    for (int x = 1; x < width - 1; ++x) {
      if (mono) {
        int v = edge(x, 0);
        if (v < t) v = 0;
        d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = static_cast<uint8_t>(v);
      } else {
        for (int c = 0; c < 3; ++c) {
          const int v = edge(x, c);
          d[4 * x + c] = static_cast<uint8_t>(v < t ? 0 : t);
        }
      }
      d[4 * x + 3] = 255;
    }
    const uint8_t black[4] = {0, 0, 0, 255};
    std::memcpy(d, black, 4);
    std::memcpy(d + 4 * (width - 1), black, 4);
  }
  return true;
}

KOAPI bool Desaturate(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height,
                      bool includeAlpha) {
  if (!IsPixelForm(bytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!img) return false;
  const int n = includeAlpha ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    if (bytesPerPixel == 4) {
      uint8_t *p = RowAt(static_cast<uint8_t *>(img), stride, y);
      for (int x = 0; x < width; ++x, p += 4) std::memset(p, static_cast<int>(Luma8(p[2], p[1], p[0])), n);
    } else {
      float *p = RowAt(static_cast<float *>(img), stride, y);
      for (int x = 0; x < width; ++x, p += 4) {
        const float l = 0.299f * p[2] + 0.587f * p[1] + 0.114f * p[0];
        for (int c = 0; c < n; ++c) p[c] = l;
      }
    }
  }
  return true;
}

KOAPI uint32_t Histogram(const uint8_t *img, int32_t stride, int32_t width, int32_t height, uint32_t *red,
                         uint32_t *green, uint32_t *blue, uint32_t *luma) {
  if (!red || !green || !blue || !luma) return 0;
  for (uint32_t *t : {red, green, blue, luma}) std::memset(t, 0, 256 * sizeof(uint32_t));
  if (Empty(width, height) || !img) return 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t *p = RowAt(img, stride, y);
    for (int x = 0; x < width; ++x, p += 4) {
      ++blue[p[0]], ++green[p[1]], ++red[p[2]];
      ++luma[Luma8(p[2], p[1], p[0])];
    }
  }
  uint32_t most = 0;
  for (const uint32_t *t : {red, green, blue, luma}) most = std::max(most, *std::max_element(t, t + 256));
  return most;
}

KOAPI bool HslScaleOffset(uint8_t *img, int32_t stride, int32_t width, int32_t height, double hueScale,
                          double satScale, double lumScale, double hueOffset, double satOffset, double lumOffset) {
  if (Empty(width, height)) return true;
  if (!img) return false;
  auto wrap = [](double h) { return h - std::floor(h); };
  auto f = [&](double m1, double m2, double hue) {
    hue = wrap(hue);
    if (hue < 1.0 / 6) return m1 + (m2 - m1) * 6 * hue;
    if (hue < 0.5) return m2;
    if (hue < 2.0 / 3) return m1 + (m2 - m1) * (2.0 / 3 - hue) * 6;
    return m1;
  };
  // Results are clamped to 0..255 before they are stored.
  auto store = [](double v) { return UnitToByte(v); };
  for (int y = 0; y < height; ++y) {
    uint8_t *p = RowAt(img, stride, y);
    for (int x = 0; x < width; ++x, p += 4) {
      const double r = p[2] / 255.0, g = p[1] / 255.0, b = p[0] / 255.0;
      const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
      const double l = (mx + mn) / 2;
      double h = 0, s = 0;
      if (!(d < 0.003917647058823529)) {
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        const double rd = ((mx - r) / 6 + d / 2) / d, gd = ((mx - g) / 6 + d / 2) / d, bd = ((mx - b) / 6 + d / 2) / d;
        if (r == mx) h = bd - gd;
        else if (g == mx) h = 1.0 / 3 + rd - bd;
        else h = 2.0 / 3 + gd - rd;
        h = wrap(h);
      }
      const double h2 = h * hueScale + hueOffset, s2 = s * satScale + satOffset, l2 = l * lumScale + lumOffset;
      double R, G, B;
      if (s2 == 0) {
        R = G = B = l2;
      } else {
        const double m2 = l2 < 0.5 ? l2 * (1 + s2) : l2 + s2 - l2 * s2, m1 = 2 * l2 - m2;
        R = f(m1, m2, h2 + 1.0 / 3), G = f(m1, m2, h2), B = f(m1, m2, h2 - 1.0 / 3);
      }
      p[2] = store(R), p[1] = store(G), p[0] = store(B);
    }
  }
  return true;
}

KOAPI bool GenerateNoiseMask(float *mask, int32_t stride, int32_t width, int32_t height, float low, float high,
                             uint32_t seed) {
  if (Empty(width, height)) return true;
  if (!mask) return false;
  float table[1024];
  for (int i = 0; i < 1024; ++i) table[i] = static_cast<float>(i) / 1023.0f * (high - low) + low;
  for (int y = 0; y < height; ++y) {
    float *m = RowAt(mask, stride, y);
    for (int x = 0; x < width; ++x) {
      seed = seed * 214013u + 2531011u;
      m[x] = table[(seed >> 16) & 0x3FF];
    }
  }
  return true;
}

KOAPI bool RadialBlurMask(uint8_t *dst, int32_t dstStride, int32_t dstStep, const uint8_t *src, int32_t srcStride,
                          int32_t srcStep, int32_t width, int32_t height, double centreX, double centreY,
                          double scaleX, double scaleY, double gain) {
  if (Empty(width, height)) return true;
  if (!dst || !src || dst == src || !(scaleX != 0) || !(scaleY != 0) || !std::isfinite(centreX) ||
      !std::isfinite(centreY) || !std::isfinite(gain))
    return false;
  auto S = [&](int x, int y) { return double(RowAt(src, srcStride, y)[ptrdiff_t(x) * srcStep]); };
  auto bilinear = [&](double fx, double fy) {
    fx = std::clamp(fx, 0.0, double(width - 1));
    fy = std::clamp(fy, 0.0, double(height - 1));
    const int x0 = int(fx), y0 = int(fy), x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
    const double ax = fx - x0, ay = fy - y0;
    return (S(x0, y0) * (1 - ax) + S(x1, y0) * ax) * (1 - ay) + (S(x0, y1) * (1 - ax) + S(x1, y1) * ax) * ay;
  };
  // Samples beyond the image repeat its edge, so a longer line adds nothing.
  const double longest = 2.0 * std::max(width, height) + 2;
  for (int y = 0; y < height; ++y) {
    uint8_t *d = RowAt(dst, dstStride, y);
    for (int x = 0; x < width; ++x) {
      const double dx = (x - centreX) / scaleX + centreX - x, dy = (y - centreY) / scaleY + centreY - y;
      const double n = std::max(std::fabs(dx), std::fabs(dy));
      if (n == 0 || !std::isfinite(n)) {
        d[ptrdiff_t(x) * dstStep] = RowAt(src, srcStride, y)[ptrdiff_t(x) * srcStep];
        continue;
      }
      const int k = static_cast<int>(std::nearbyint(std::min(n, longest) + 0.499999985));
      double sum = 0;
      for (int i = 0; i < k; ++i) sum += bilinear(x + dx * i / k, y + dy * i / k);
      const double v = std::floor(sum * gain / k);
      d[ptrdiff_t(x) * dstStep] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
  return true;
}

KOAPI bool ScaleMask(float *dst, int32_t dstStride, int32_t dstWidth, int32_t dstHeight, const float *dstRect,
                     const float *src, int32_t srcStride, int32_t srcWidth, int32_t srcHeight, const float *srcRect,
                     uint32_t mode, float amount) {
  if (Empty(dstWidth, dstHeight) || Empty(srcWidth, srcHeight)) return true;
  if (!dst || !src || !dstRect || !srcRect) return false;
  double d[4] = {dstRect[0], dstRect[1], dstRect[2], dstRect[3]}, s[4] = {srcRect[0], srcRect[1], srcRect[2], srcRect[3]};
  for (double v : {d[0], d[1], d[2], d[3], s[0], s[1], s[2], s[3]})
    if (!std::isfinite(v)) return false;
  if (d[2] <= 1 || d[3] <= 1 || s[2] <= 1 || s[3] <= 1) return false;
  // Clip rectangle a (origin o, size z) to 0..limit along one axis, shrinking
  // b in proportion (k = b's units per a's unit).
  auto clip = [](double &ao, double &az, double limit, double &bo, double &bz, double k) {
    if (ao < 0) {
      bo -= ao * k, bz += ao * k, az += ao, ao = 0;
    }
    if (ao + az > limit) {
      const double cut = ao + az - limit;
      az -= cut, bz -= cut * k;
    }
  };
  for (int axis = 0; axis < 2; ++axis) {
    const double k = s[2 + axis] / d[2 + axis];
    clip(d[axis], d[2 + axis], axis ? dstHeight : dstWidth, s[axis], s[2 + axis], k);
    clip(s[axis], s[2 + axis], axis ? srcHeight : srcWidth, d[axis], d[2 + axis], 1 / k);
  }
  if (d[2] <= 1 || d[3] <= 1 || s[2] <= 1 || s[3] <= 1) return false;
  const double kx = s[2] / d[2], ky = s[3] / d[3];
  const int x0 = static_cast<int>(std::ceil(d[0])), x1 = std::min(dstWidth, static_cast<int>(std::ceil(d[0] + d[2])));
  const int y0 = static_cast<int>(std::ceil(d[1])), y1 = std::min(dstHeight, static_cast<int>(std::ceil(d[1] + d[3])));
  const float *w = ScaleWeights();
  for (int y = y0; y < y1; ++y) {
    const int64_t py = static_cast<int64_t>((s[1] + (y - d[1]) * ky) * 2048.0);
    const int iy = ClampI(static_cast<int>(py >> 11), 0, srcHeight - 1), iy1 = std::min(iy + 1, srcHeight - 1);
    const float wy = w[py < 0 ? 0 : (py & 2047)];
    const float *r0 = RowAt(src, srcStride, iy), *r1 = RowAt(src, srcStride, iy1);
    float *o = RowAt(dst, dstStride, y);
    for (int x = x0; x < x1; ++x) {
      const int64_t px = static_cast<int64_t>((s[0] + (x - d[0]) * kx) * 2048.0);
      const int ix = ClampI(static_cast<int>(px >> 11), 0, srcWidth - 1), ix1 = std::min(ix + 1, srcWidth - 1);
      const float wx = w[px < 0 ? 0 : (px & 2047)];
      const float v = (r0[ix] * (1 - wx) + r0[ix1] * wx) * (1 - wy) + (r1[ix] * (1 - wx) + r1[ix1] * wx) * wy;
      if (mode == 2) o[x] *= v;
      else if (mode == 1) o[x] = v * amount + o[x] * (1 - amount);
      else o[x] = v;
    }
  }
  return true;
}

KOAPI bool Shear(void *dst, int32_t dstStride, int32_t dstWidth, int32_t dstHeight, const void *src,
                 int32_t srcStride, int32_t srcWidth, int32_t srcHeight, int32_t bytesPerPixel, uint32_t direction,
                 double amount) {
  if (!IsPixelForm(bytesPerPixel)) return false;
  if (Empty(dstWidth, dstHeight) || Empty(srcWidth, srcHeight) || direction > 3) return true;
  if (!dst || !src || dst == src || !std::isfinite(amount)) return false;
  const bool columns = direction == 3, mirrored = direction >= 2;
  // Destination pixel (x, y) reads the source at position p along the
  // sheared axis, displaced by the other coordinate times amount.
  for (int y = 0; y < dstHeight; ++y)
    for (int x = 0; x < dstWidth; ++x) {
      const int line = columns ? x : y, along = columns ? y : x, extent = columns ? srcHeight : srcWidth;
      const int other = ClampI(line, 0, (columns ? srcWidth : srcHeight) - 1);
      const double p = along - line * amount;
      const double fl = std::floor(p);
      const double frac = p - fl;
      const int i0 = ClampI(fl < -1e9 ? -1 : (fl > 1e9 ? extent : static_cast<int>(fl)), 0, extent - 1);
      const int i1 = ClampI(fl < -1e9 ? -1 : (fl > 1e9 ? extent : static_cast<int>(fl) + 1), 0, extent - 1);
      auto at = [&](int i) {
        const int sx = columns ? other : (mirrored ? srcWidth - 1 - i : i), sy = columns ? i : other;
        return static_cast<const uint8_t *>(src) + static_cast<ptrdiff_t>(srcStride) * sy + ptrdiff_t(bytesPerPixel) * sx;
      };
      uint8_t *o = static_cast<uint8_t *>(dst) + static_cast<ptrdiff_t>(dstStride) * y + ptrdiff_t(bytesPerPixel) * x;
      if (bytesPerPixel == 4) {
        const int wf = static_cast<int>(frac * 4096 + 0.5);
        const uint8_t *a = at(i0), *b = at(i1);
        for (int c = 0; c < 4; ++c) o[c] = static_cast<uint8_t>((a[c] * (4096 - wf) + b[c] * wf + 2048) >> 12);
      } else {
        float a[4], b[4], r[4];
        std::memcpy(a, at(i0), 16);
        std::memcpy(b, at(i1), 16);
        const float f = static_cast<float>(frac);
        for (int c = 0; c < 4; ++c) r[c] = a[c] * (1 - f) + b[c] * f;
        std::memcpy(o, r, 16);
      }
    }
  return true;
}

KOAPI bool FocusPrep(float *img, int32_t stride, int32_t width, int32_t height, double threshold, double floorValue) {
  return ClipRestore(img, stride, width, height, threshold, floorValue);
}

}  // extern "C"
