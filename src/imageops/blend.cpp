// Blending, compositing, multiplies, thresholds and the plain copies and
// fills of raw pixel rows.
#include <algorithm>
#include <cstring>

#include "frame/parallel.h"
#include "imageops/imageops_internal.h"
#include "kokernel/koimageops.h"
#include "platform/platform.h"

namespace ko::imageops {

void Report(const char *text) {
  ko::platform::DebugOutput(text);
  ko::platform::DebugOutput("\n");
}

}  // namespace ko::imageops

using namespace ko::imageops;
using ko::forms::Pick;

namespace {

// Runs body(y) for every row: nothing for empty sizes.
template <class Body>
void Rows(int height, Body body) {
  for (int y = 0; y < height; ++y) body(y);
}

bool Empty(int32_t width, int32_t height) { return width <= 0 || height <= 0; }

// Two images whose rows follow one another without gaps (the same positive
// stride, `bytesPerPixel` a pixel) are run through a row kernel in runs of
// several rows as one row: fewer calls, and one leftover per run instead of
// one a row. body(y, pixels) takes the run from row y; the runs are shared
// among the OpenMP workers when `parallel`.
template <class Body>
void RowRuns(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t dstStride, int32_t srcStride,
             bool parallel, Body body) {
  constexpr int kRunPixels = 32768;
  const bool gapless = dstStride == srcStride && int64_t(dstStride) == int64_t(width) * bytesPerPixel;
  const int run = gapless ? std::max(1, std::min<int>(height, kRunPixels / width)) : 1;
  const int runs = (height + run - 1) / run;
  ko::frame::ParallelFor(runs, [&](int i) {
    const int y = i * run;
    body(y, width * std::min(run, height - y));
  }, parallel);
}

// The two 8-bit formulas shared by MultiplyChannel and MaskMultiply.
struct ChannelScale {
  ChannelScale(double scale, double offset)
      : plain(scale >= 0.9999 && scale <= 1.0001 && offset >= -0.0001 && offset <= 0.0001),
        s(TruncToInt(scale * 1024.0)),
        o(TruncToInt(offset * 1024.0)) {}
  uint8_t operator()(int d, int m) const {
    if (plain) return static_cast<uint8_t>((d * m + 127) / 255);
    const int64_t v = ((int64_t(m) * s + o) * d + 130560) / (255 * 1024);
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
  bool plain;
  int s, o;
};

}  // namespace

extern "C" {

KOAPI bool Blend(uint8_t *dst, int32_t dstStride, const uint8_t *src, int32_t srcStride, int32_t width,
                 int32_t height, double amount) {
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  const int a = TruncToInt(amount * 4096.0), b = TruncToInt((1.0 - amount) * 4096.0);
  const auto row = Pick<BlendRowFn>(kBlendRow);
  RowRuns(width, height, 4, dstStride, srcStride, Worth(width, height), [&](int y, int pixels) {
    row(RowAt(dst, dstStride, y), RowAt(src, srcStride, y), pixels, a, b);
  });
  return true;
}

KOAPI bool MaskedBlend(uint8_t *dst, int32_t dstStride, const uint8_t *mask, int32_t maskStride, const uint8_t *src,
                       int32_t srcStride, int32_t width, int32_t height, const uint8_t *lut) {
  if (Empty(width, height)) return true;
  if (!dst || !src || !mask) return false;
  Rows(height, [&](int y) {
    uint8_t *d = RowAt(dst, dstStride, y);
    const uint8_t *s = RowAt(src, srcStride, y), *m = RowAt(mask, maskStride, y);
    for (int x = 0; x < width; ++x, d += 4, s += 4, m += 4)
      for (int c = 0; c < 3; ++c) {
        const int w = lut ? lut[4 * m[c] + c] : m[c];
        d[c] = static_cast<uint8_t>(std::min((s[c] * w + d[c] * (255 - w)) / 255, int(d[3])));
      }
  });
  return true;
}

KOAPI bool MaskedFade(void *dst, int32_t dstStride, const void *src, int32_t srcStride, int32_t bytesPerPixel,
                      const uint8_t *mask, int32_t maskStride, int32_t width, int32_t height) {
  if (Empty(width, height)) return true;
  if (!IsPixelForm(bytesPerPixel) || !dst || !src || !mask) return false;
  if (bytesPerPixel == 4) {
    const auto row = Pick<MaskedFadeRowFn>(kMaskedFadeRow8);
    Rows(height, [&](int y) {
      row(RowAt(static_cast<uint8_t *>(dst), dstStride, y), RowAt(static_cast<const uint8_t *>(src), srcStride, y),
          RowAt(mask, maskStride, y), width);
    });
    return true;
  }
  Rows(height, [&](int y) {
    float *d = RowAt(static_cast<float *>(dst), dstStride, y);
    const float *s = RowAt(static_cast<const float *>(src), srcStride, y);
    const uint8_t *m = RowAt(mask, maskStride, y);
    for (int x = 0; x < width; ++x, d += 4, s += 4, m += 4) {
      const float wa = m[3] * 0.003921569f;
      const float a = wa * s[3] + (1.0f - wa) * d[3];
      for (int c = 0; c < 3; ++c) {
        const float w = m[c] * 0.003921569f;
        d[c] = std::min(w * s[c] + (1.0f - w) * d[c], a);
      }
      d[3] = a;
    }
  });
  return true;
}

KOAPI bool Composite(void *dst, int32_t dstStride, const void *src, int32_t srcStride, int32_t bytesPerPixel,
                     int32_t width, int32_t height, int32_t mode, double opacity) {
  if (mode < 1 || mode > 7 || !IsPixelForm(bytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  if (bytesPerPixel == 4) {
    const int o = UnitToByte(opacity);
    const auto row = Pick<CompositeRow8Fn>(kCompositeRow8);
    RowRuns(width, height, 4, dstStride, srcStride, Worth(width, height), [&](int y, int pixels) {
      row(RowAt(static_cast<uint8_t *>(dst), dstStride, y), RowAt(static_cast<const uint8_t *>(src), srcStride, y),
          pixels, mode, o);
    });
  } else {
    const float op = static_cast<float>(opacity);
    const auto row = Pick<CompositeRowFFn>(kCompositeRowF);
    RowRuns(width, height, 16, dstStride, srcStride, Worth(width, height), [&](int y, int pixels) {
      row(RowAt(static_cast<float *>(dst), dstStride, y), RowAt(static_cast<const float *>(src), srcStride, y),
          pixels, mode, op);
    });
  }
  return true;
}

KOAPI bool Multiply(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height, double factor,
                    bool premultiplied) {
  if (!IsPixelForm(bytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!img) return false;
  if (bytesPerPixel == 4) {
    const int f = TruncToInt(factor * 256.0 + 0.5);
    const auto row = Pick<MultiplyRowFn>(kMultiplyRow8);
    Rows(height, [&](int y) { row(RowAt(static_cast<uint8_t *>(img), stride, y), width, f, premultiplied); });
    return true;
  }
  const float f = static_cast<float>(factor);
  Rows(height, [&](int y) {
    float *p = RowAt(static_cast<float *>(img), stride, y);
    for (int x = 0; x < width; ++x, p += 4) {
      if (premultiplied) {
        for (int c = 0; c < 3; ++c) p[c] = std::min(p[c] * f, p[3]);
      } else {
        for (int c = 0; c < 4; ++c) p[c] *= f;
      }
    }
  });
  return true;
}

KOAPI bool MultiplyChannel(void *dst, int32_t dstStride, int32_t dstBytesPerPixel, int32_t dstChannel,
                           const uint8_t *src, int32_t srcStride, int32_t srcChannel, int32_t width, int32_t height,
                           double scale, double offset) {
  if (dstChannel < 0 || dstChannel > 3 || srcChannel < 0 || srcChannel > 3 || !IsPixelForm(dstBytesPerPixel))
    return false;
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  if (dstBytesPerPixel == 4) {
    const ChannelScale k(scale, offset);
    Rows(height, [&](int y) {
      uint8_t *d = RowAt(static_cast<uint8_t *>(dst), dstStride, y);
      const uint8_t *s = RowAt(src, srcStride, y);
      for (int x = 0; x < width; ++x) d[4 * x + dstChannel] = k(d[4 * x + dstChannel], s[4 * x + srcChannel]);
    });
    return true;
  }
  const float k = static_cast<float>(scale / 255.0), o = static_cast<float>(offset);
  Rows(height, [&](int y) {
    float *d = RowAt(static_cast<float *>(dst), dstStride, y);
    const uint8_t *s = RowAt(src, srcStride, y);
    for (int x = 0; x < width; ++x) d[4 * x + dstChannel] = s[4 * x + srcChannel] * k + o;
  });
  return true;
}

KOAPI bool MaskMultiply(void *dst, int32_t dstStride, int32_t dstBytesPerPixel, const uint8_t *mask,
                        int32_t maskStride, int32_t width, int32_t height, int32_t maskChannel, double scale,
                        double offset) {
  if (maskChannel > 3 || !IsPixelForm(dstBytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!dst || !mask) return false;
  const ChannelScale k(scale, offset);
  const float fk = static_cast<float>(scale / 255.0), fo = static_cast<float>(offset);
  Rows(height, [&](int y) {
    const uint8_t *m = RowAt(mask, maskStride, y);
    if (dstBytesPerPixel == 4) {
      uint8_t *d = RowAt(static_cast<uint8_t *>(dst), dstStride, y);
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 4; ++c) d[4 * x + c] = k(d[4 * x + c], m[4 * x + (maskChannel < 0 ? c : maskChannel)]);
    } else {
      float *d = RowAt(static_cast<float *>(dst), dstStride, y);
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 4; ++c)
          d[4 * x + c] = d[4 * x + c] * (m[4 * x + (maskChannel < 0 ? c : maskChannel)] * fk) + fo;
    }
  });
  return true;
}

KOAPI bool MultiplyMasks(float *dst, int32_t dstStride, const float *src, int32_t srcStride, int32_t width,
                         int32_t height) {
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  Rows(height, [&](int y) {
    float *d = RowAt(dst, dstStride, y);
    const float *s = RowAt(src, srcStride, y);
    for (int x = 0; x < width; ++x) d[x] *= s[x];
  });
  return true;
}

KOAPI bool ThresholdClear(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height,
                          float threshold) {
  if (!IsPixelForm(bytesPerPixel)) return false;
  if (Empty(width, height)) return true;
  if (!img) return false;
  if (bytesPerPixel == 4) {
    const int t = TruncToInt(double(threshold) * 255.0 + 0.5);
    Rows(height, [&](int y) {
      uint8_t *p = RowAt(static_cast<uint8_t *>(img), stride, y);
      for (int i = 0; i < 4 * width; ++i)
        if (p[i] < t) p[i] = 0;
    });
  } else {
    Rows(height, [&](int y) {
      float *p = RowAt(static_cast<float *>(img), stride, y);
      for (int i = 0; i < 4 * width; ++i)
        if (p[i] < threshold) p[i] = 0.0f;
    });
  }
  return true;
}

KOAPI bool ThresholdFloat(float *img, int32_t stride, int32_t width, int32_t height, double low, double high) {
  if (Empty(width, height)) return true;
  if (!img) return false;
  const double range = 1.0 / std::max(high - low, 0.0001), top = high - 0.00001;
  Rows(height, [&](int y) {
    float *p = RowAt(img, stride, y);
    for (int i = 0; i < 4 * width; ++i) {
      const double v = p[i];
      if (v < low) p[i] = 0.0f;
      else if (v >= top) p[i] = std::max(p[i], 1.0f);
      else p[i] = static_cast<float>((v - low) * range);
    }
  });
  return true;
}

KOAPI bool ClipRestore(float *img, int32_t stride, int32_t width, int32_t height, double threshold,
                       double floorValue) {
  if (Empty(width, height)) return true;
  if (!img) return false;
  const float t = static_cast<float>(threshold * 255.0), f = static_cast<float>(floorValue * 255.0);
  Rows(height, [&](int y) {
    float *p = RowAt(img, stride, y);
    for (int x = 0; x < width; ++x, p += 4)
      for (int c = 0; c < 3; ++c)
        if (p[c] > t) p[c] = std::max(f, p[3]);
  });
  return true;
}

KOAPI bool BitmapCopy(void *dst, int32_t dstStride, const void *src, int32_t srcStride, int32_t bytesPerPixel,
                      int32_t width, int32_t height) {
  if (Empty(width, height)) return true;
  if (bytesPerPixel <= 0 || !dst || !src) return false;
  const size_t n = static_cast<size_t>(bytesPerPixel) * static_cast<size_t>(width);
  Rows(height, [&](int y) {
    std::memmove(RowAt(static_cast<uint8_t *>(dst), dstStride, y), RowAt(static_cast<const uint8_t *>(src), srcStride, y), n);
  });
  return true;
}

KOAPI bool ChannelCopy(uint8_t *dst, int32_t dstStride, int32_t dstPixelStep, int32_t width, int32_t height,
                       const uint8_t *src, int32_t srcStride, int32_t srcPixelStep) {
  if (Empty(width, height)) return true;
  if (!dst || !src) return false;
  Rows(height, [&](int y) {
    uint8_t *d = RowAt(dst, dstStride, y);
    const uint8_t *s = RowAt(src, srcStride, y);
    for (int x = 0; x < width; ++x) d[ptrdiff_t(x) * dstPixelStep] = s[ptrdiff_t(x) * srcPixelStep];
  });
  return true;
}

KOAPI bool Fill(void *dst, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height, float a, float r,
                float g, float b) {
  if (Empty(width, height) || !IsPixelForm(bytesPerPixel)) return true;
  if (!dst) return false;
  if (bytesPerPixel == 16) {
    const float px[4] = {b, g, r, a};
    Rows(height, [&](int y) {
      float *p = RowAt(static_cast<float *>(dst), stride, y);
      for (int x = 0; x < width; ++x) std::memcpy(p + 4 * x, px, sizeof px);
    });
  } else {
    const uint32_t v = uint32_t(UnitToByte(b)) | uint32_t(UnitToByte(g)) << 8 | uint32_t(UnitToByte(r)) << 16 |
                       uint32_t(UnitToByte(a)) << 24;
    uint8_t bytes[4];
    std::memcpy(bytes, &v, 4);
    Rows(height, [&](int y) {
      uint8_t *p = RowAt(static_cast<uint8_t *>(dst), stride, y);
      for (int x = 0; x < width; ++x) std::memcpy(p + 4 * x, bytes, 4);
    });
  }
  return true;
}

}  // extern "C"
