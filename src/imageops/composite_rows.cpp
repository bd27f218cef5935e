// Scalar references of the compositing, blending and multiply rows.
#include <algorithm>

#include "imageops/imageops_internal.h"

namespace ko::imageops {

namespace {

// The full-opacity result of one channel; c is the channel index (3 alpha).
inline int Mode8(int mode, int s, int d, int sA, int dA, int c) {
  const bool alpha = c == 3;
  switch (mode) {
    case 1:  // over: s + d(255 - sA)/255, rounded
      return std::min(255, s + Div255(d * (255 - sA) + 127));
    case 2:  // under
      return std::min(255, d + Div255(s * (255 - dA) + 127));
    case 3:
      return alpha ? sA + Div255(dA * (255 - sA) + 127) : std::min(s + d, 255);
    case 4:
      return Div255(s * d);
    case 5:
      if (alpha) return sA + Div255(dA * (255 - sA) + 127);
      return d < 128 ? Div255(2 * s * d) : 255 - Div255(2 * (255 - s) * (255 - d));
    case 6:
      if (alpha) return sA + Div255(dA * (255 - sA) + 127);
      return 255 - Div255((255 - s) * (255 - d) + 127);
    default:  // 7: average
      return (s + d) >> 1;
  }
}

inline float ModeF(int mode, float s, float d, float sA, float dA, int c) {
  const bool alpha = c == 3;
  switch (mode) {
    case 1: return (1.0f - sA) * d + s;
    case 2: return (1.0f - dA) * s + d;
    case 3: return alpha ? (1.0f - sA) * dA + sA : d + s;
    case 4: return s * d;
    case 5:
      if (alpha) return (1.0f - sA) * dA + sA;
      return d < 0.5f ? 2.0f * d * s : 1.0f - 2.0f * (1.0f - d) * (1.0f - s);
    case 6:
      if (alpha) return (1.0f - sA) * dA + sA;
      return 1.0f - (1.0f - s) * (1.0f - d);
    default: return (s + d) * 0.5f;
  }
}

}  // namespace

void CompositeRow8_C(uint8_t *dst, const uint8_t *src, int width, int mode, int o) {
  for (int x = 0; x < width; ++x) {
    uint8_t *d = dst + 4 * x;
    const uint8_t *s = src + 4 * x;
    const int sA = s[3], dA = d[3];
    int r[4];
    for (int c = 0; c < 4; ++c) r[c] = Mode8(mode, s[c], d[c], sA, dA, c);
    if (o < 255) {
      const int channels = mode == 5 ? 3 : 4;  // overlay keeps its alpha unmixed
      for (int c = 0; c < channels; ++c) r[c] = Div255(r[c] * o + d[c] * (255 - o));
    }
    for (int c = 0; c < 4; ++c) d[c] = static_cast<uint8_t>(r[c]);
  }
}

void CompositeRowF_C(float *dst, const float *src, int width, int mode, float opacity) {
  const bool full = opacity > 0.999f;
  for (int x = 0; x < width; ++x) {
    float *d = dst + 4 * x;
    const float *s = src + 4 * x;
    const float sA = s[3], dA = d[3];
    float r[4];
    for (int c = 0; c < 4; ++c) r[c] = ModeF(mode, s[c], d[c], sA, dA, c);
    if (!full) {
      const int channels = mode == 5 ? 3 : 4;
      for (int c = 0; c < channels; ++c) r[c] = (1.0f - opacity) * d[c] + r[c] * opacity;
    }
    for (int c = 0; c < 4; ++c) d[c] = r[c];
  }
}

// dst = clamp((dst a + src b + 2048) / 4096, 0, dst alpha) on B, G, R. The
// sum is taken in 64 bits so that any a and b are safe; the quotient
// floors, which differs from truncation only below zero, where both clamp
// to 0.
void BlendRow_C(uint8_t *dst, const uint8_t *src, int width, int a, int b) {
  for (int x = 0; x < width; ++x) {
    uint8_t *d = dst + 4 * x;
    const uint8_t *s = src + 4 * x;
    const int64_t dA = d[3];
    for (int c = 0; c < 3; ++c) {
      int64_t v = (int64_t(d[c]) * a + int64_t(s[c]) * b + 2048) >> 12;
      v = v < 0 ? 0 : (v > dA ? dA : v);
      d[c] = static_cast<uint8_t>(v);
    }
  }
}

// c = (c f + 127) / 256, clamped to 0..255 (to the alpha with premultiplied
// set, alpha then unchanged).
void MultiplyRow8_C(uint8_t *px, int width, int f, int premultiplied) {
  for (int x = 0; x < width; ++x) {
    uint8_t *p = px + 4 * x;
    const int channels = premultiplied ? 3 : 4;
    const int64_t top = premultiplied ? p[3] : 255;
    for (int c = 0; c < channels; ++c) {
      int64_t v = (int64_t(p[c]) * f + 127) >> 8;
      v = v < 0 ? 0 : (v > top ? top : v);
      p[c] = static_cast<uint8_t>(v);
    }
  }
}

void MaskedFadeRow8_C(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int width) {
  for (int x = 0; x < width; ++x) {
    uint8_t *d = dst + 4 * x;
    const uint8_t *s = src + 4 * x;
    const uint8_t *m = mask + 4 * x;
    const int a = Div255(m[3] * s[3] + (255 - m[3]) * d[3]);
    for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::min(Div255(m[c] * s[c] + (255 - m[c]) * d[c]), a));
    d[3] = static_cast<uint8_t>(a);
  }
}

// Byte -> float, times scale (scale 1 stores the byte value as it is: a
// product by exactly 1 is the same value).
void ToFloatRow_C(float *dst, const uint8_t *src, int width, float scale) {
  for (int i = 0; i < 4 * width; ++i) dst[i] = static_cast<float>(src[i]) * scale;
}

// round(v * scale), halves upwards, clamped to 0..255; NaN gives 0.
void ToByteRow_C(uint8_t *dst, const float *src, int width, float scale) {
  for (int i = 0; i < 4 * width; ++i) {
    const float t = MinF(MaxF(src[i] * scale + 0.5f, 0.0f), 255.0f);
    dst[i] = static_cast<uint8_t>(static_cast<int>(t));
  }
}

}  // namespace ko::imageops
