// Channel maps, look-up tables and the conversions between 8-bit BGRA,
// float BGRA (on the 0..255 scale) and float masks.
#include <algorithm>
#include <cstring>

#include "imageops/imageops_internal.h"
#include "kokernel/koimageops.h"

using namespace ko::imageops;
using ko::forms::Pick;

namespace {

bool Empty(int32_t width, int32_t height) { return width <= 0 || height <= 0; }

// round(v x n), halves upwards, clamped to 0..n - 1, for any float v: the
// product is clamped first (NaN goes to 0), then rounded by adding 0.5 and
// truncating, which floors at non-negative values.
inline uint32_t TableIndex(float v, uint32_t n) {
  const double x = MinF(MaxF(v * static_cast<float>(n), 0.0f), static_cast<float>(n)) + 0.5 + 1.5e-8;
  const uint32_t i = static_cast<uint32_t>(x);
  return i < n ? i : n - 1;
}

inline bool ScaleIsOne(double scale) { return scale >= 0.9999 && scale <= 1.0001; }

}  // namespace

extern "C" {

KOAPI bool ChannelMap(uint32_t *img, int32_t stride, uint32_t channel, int32_t width, int32_t height,
                      const uint32_t *table) {
  return ChannelMapEx(img, stride, img, stride, channel, width, height, table);
}

KOAPI bool ChannelMapEx(uint32_t *dst, int32_t dstStride, const uint32_t *src, int32_t srcStride, uint32_t channel,
                        int32_t width, int32_t height, const uint32_t *table) {
  if (channel > 3) {
    Report("ChannelMap: invalid channel value");
    return false;
  }
  if (Empty(width, height)) return true;
  if (!dst || !src || !table) return false;
  for (int y = 0; y < height; ++y) {
    uint32_t *d = RowAt(dst, dstStride, y);
    const auto *s = reinterpret_cast<const uint8_t *>(RowAt(src, srcStride, y));
    for (int x = 0; x < width; ++x) d[x] = table[s[4 * x + channel]];
  }
  return true;
}

KOAPI bool ChannelMapExFloat(float *dst, int32_t dstStride, const float *src, int32_t srcStride, int32_t channel,
                             int32_t width, int32_t height, const float *table, uint32_t count) {
  if (channel < 0 || channel > 3) {
    Report("ChannelMap: invalid channel value");
    return false;
  }
  if (Empty(width, height)) return true;
  if (!dst || !src || !table || count == 0) return false;
  for (int y = 0; y < height; ++y) {
    float *d = RowAt(dst, dstStride, y);
    const float *s = RowAt(src, srcStride, y);
    for (int x = 0; x < width; ++x) {
      const uint32_t i = TableIndex(s[4 * x + channel], count);
      std::memmove(d + 4 * x, table + 4 * size_t(i), 16);
    }
  }
  return true;
}

KOAPI bool ChannelMergeLut(uint32_t *img, int32_t stride, int32_t channels, int32_t width, int32_t height,
                           const uint32_t *table) {
  if (Empty(width, height)) return true;
  if (!img || !table) return false;
  const int n = std::clamp(channels, 0, 4);
  for (int y = 0; y < height; ++y) {
    uint32_t *p = RowAt(img, stride, y);
    for (int x = 0; x < width; ++x) {
      const auto *b = reinterpret_cast<const uint8_t *>(p + x);
      int sum = 0;
      for (int c = 0; c < n; ++c) sum += b[c];
      p[x] = table[std::min(sum, 255)];
    }
  }
  return true;
}

KOAPI bool Lut(uint8_t *img, int32_t stride, int32_t width, int32_t height, const uint8_t *table) {
  if (Empty(width, height)) return true;
  if (!img || !table) return false;
  for (int y = 0; y < height; ++y) {
    uint8_t *p = RowAt(img, stride, y);
    for (int i = 0; i < 4 * width; ++i) p[i] = table[4 * p[i] + (i & 3)];
  }
  return true;
}

KOAPI bool LutWithAlphaClamp(uint8_t *img, int32_t stride, int32_t width, int32_t height, const uint8_t *table) {
  if (Empty(width, height)) return true;
  if (!img || !table) return false;
  for (int y = 0; y < height; ++y) {
    uint8_t *p = RowAt(img, stride, y);
    for (int x = 0; x < width; ++x, p += 4) {
      const uint8_t a = table[4 * p[3] + 3];
      for (int c = 0; c < 3; ++c) p[c] = std::min(table[4 * p[c] + c], a);
      p[3] = a;
    }
  }
  return true;
}

KOAPI bool ConvertARGBToARGBFloat(float *dst, int32_t dstStride, const uint8_t *src, int32_t srcStride,
                                  int32_t width, int32_t height, double scale) {
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  const float k = ScaleIsOne(scale) ? 1.0f : static_cast<float>(scale);
  const auto row = Pick<ToFloatRowFn>(kToFloatRow);
  for (int y = 0; y < height; ++y) row(RowAt(dst, dstStride, y), RowAt(src, srcStride, y), width, k);
  return true;
}

KOAPI bool ConvertARGBFloatToARGB(uint8_t *dst, int32_t dstStride, const float *src, int32_t srcStride,
                                  int32_t width, int32_t height, double scale) {
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  const float k = ScaleIsOne(scale) ? 1.0f : static_cast<float>(scale);
  const auto row = Pick<ToByteRowFn>(kToByteRow);
  for (int y = 0; y < height; ++y) row(RowAt(dst, dstStride, y), RowAt(src, srcStride, y), width, k);
  return true;
}

KOAPI bool ConvertChannelToFloatMask(float *mask, int32_t maskStride, const void *src, int32_t srcStride,
                                     int32_t srcBytesPerPixel, int32_t channel, int32_t width, int32_t height,
                                     const float *table, uint32_t count) {
  if (channel < 0 || channel > 3 || !IsPixelForm(srcBytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  // Bytes index the table directly: it must have an entry for every byte.
  if (!mask || !src || !table || (srcBytesPerPixel == 4 ? count < 256 : count == 0)) return false;
  for (int y = 0; y < height; ++y) {
    float *m = RowAt(mask, maskStride, y);
    if (srcBytesPerPixel == 4) {
      const uint8_t *s = RowAt(static_cast<const uint8_t *>(src), srcStride, y);
      for (int x = 0; x < width; ++x) std::memcpy(m + x, table + s[4 * x + channel], 4);
    } else {
      const float *s = RowAt(static_cast<const float *>(src), srcStride, y);
      for (int x = 0; x < width; ++x) std::memcpy(m + x, table + TableIndex(s[4 * x + channel], count), 4);
    }
  }
  return true;
}

KOAPI bool ConvertFloatMaskToARGB(void *dst, int32_t dstStride, int32_t dstBytesPerPixel, const float *mask,
                                  int32_t maskStride, int32_t width, int32_t height) {
  if (!IsPixelForm(dstBytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!dst || !mask) return false;
  for (int y = 0; y < height; ++y) {
    const float *m = RowAt(mask, maskStride, y);
    if (dstBytesPerPixel == 4) {
      uint8_t *d = RowAt(static_cast<uint8_t *>(dst), dstStride, y);
      for (int x = 0; x < width; ++x) {
        const auto v = static_cast<uint8_t>(static_cast<int>(MinF(MaxF(m[x] + 0.5f, 0.0f), 255.0f)));
        std::memset(d + 4 * x, v, 4);
      }
    } else {
      float *d = RowAt(static_cast<float *>(dst), dstStride, y);
      for (int x = 0; x < width; ++x) {
        d[4 * x] = d[4 * x + 1] = d[4 * x + 2] = m[x];
        d[4 * x + 3] = MinF(MaxF(m[x], 0.0f), 1.0f);
      }
    }
  }
  return true;
}

}  // extern "C"
