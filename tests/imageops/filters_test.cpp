// The filters: worked values, models of the small ones and identities
// (zero shear, unit scale, identity HSL) for the geometric ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto &b : v) b = uint8_t(rng());
  return v;
}

TEST(Blur3x3, ImpulseAndEdges) {
  const int w = 5, h = 4;
  std::vector<uint8_t> src(size_t(w) * h * 4, 0), dst(src.size(), 9);
  src[4 * (1 * w + 2) + 1] = 255;  // green impulse at (2, 1)
  src[4 * (3 * w + 0) + 0] = 160;  // blue at the corner (0, 3)
  ASSERT_TRUE(Blur3x3(dst.data(), w * 4, src.data(), w * 4, 4, w, h));
  auto at = [&](int x, int y, int c) { return int(dst[4 * (y * w + x) + c]); };
  EXPECT_EQ(at(2, 1, 1), 255 * 4 >> 4);
  EXPECT_EQ(at(1, 1, 1), 255 * 2 >> 4);
  EXPECT_EQ(at(3, 2, 1), 255 >> 4);
  EXPECT_EQ(at(0, 3, 0), 160 * 9 >> 4);  // outside pixels repeat the edge: 4 + 2 + 2 + 1
  EXPECT_FALSE(Blur3x3(dst.data(), w * 4, src.data(), w * 4, 3, w, h));
}

TEST(EdgeDetect, UniformStepAndThreshold) {
  const int w = 6, h = 3;
  std::vector<uint8_t> src(size_t(w) * h * 4, 90), dst(src.size(), 1);
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, true, 0.0));
  for (int i = 0; i < w * h * 4; ++i) ASSERT_EQ(dst[i], i % 4 == 3 ? 255 : 0) << i;
  for (int y = 0; y < h; ++y) std::fill_n(&src[4 * (y * w + 3)], 12, 200);  // a step after column 2
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, true, 0.0));
  EXPECT_EQ(dst[4 * (w + 2)], 110);
  EXPECT_EQ(dst[4 * (w + 1)], 0);
  EXPECT_EQ(dst[4 * (w + 5)], 0);  // last pixel: opaque black
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, false, 0.2));
  EXPECT_EQ(dst[4 * (w + 3) + 1], 51);  // at or above t: t
}

TEST(ColourFilters, DesaturateHistogramHsl) {
  uint8_t p[8] = {0, 0, 255, 77, 255, 255, 255, 10};
  ASSERT_TRUE(Desaturate(p, 8, 4, 2, 1, false));
  EXPECT_EQ(p[0], (255 * 19595 + 32768) >> 16);
  EXPECT_EQ(p[3], 77);
  float f[4] = {1.0f, 0.0f, 0.0f, 0.5f};
  ASSERT_TRUE(Desaturate(f, 16, 16, 1, 1, true));
  EXPECT_FLOAT_EQ(f[3], 0.114f);
  uint32_t r[256], g[256], b[256], l[256];
  const uint8_t white[4] = {255, 255, 255, 255};
  EXPECT_EQ(Histogram(white, 4, 1, 1, r, g, b, l), 1u);
  EXPECT_EQ(r[255] + g[255] + b[255] + l[255], 4u);
  // HSL with unit scales and no offsets gives the pixels back to a level;
  // a third of a turn takes red to green.
  auto img = Noise(256 * 4, 1), before = img;
  ASSERT_TRUE(HslScaleOffset(img.data(), 0, 256, 1, 1, 1, 1, 0, 0, 0));
  for (size_t i = 0; i < img.size(); ++i) ASSERT_LE(std::abs(img[i] - before[i]), 1) << i;
  uint8_t red[4] = {0, 0, 255, 99};
  const uint8_t green[4] = {0, 255, 0, 99};
  ASSERT_TRUE(HslScaleOffset(red, 4, 1, 1, 1, 1, 1, 1.0 / 3, 0, 0));
  EXPECT_EQ(0, std::memcmp(red, green, 4));
}

TEST(GenerateNoiseMask, SeededAndBounded) {
  const int n = 33 * 7;
  std::vector<float> a(n), b(n), c(n);
  ASSERT_TRUE(GenerateNoiseMask(a.data(), 33 * 4, 33, 7, 0.25f, 0.75f, 12345));
  ASSERT_TRUE(GenerateNoiseMask(b.data(), 33 * 4, 33, 7, 0.25f, 0.75f, 12345));
  ASSERT_TRUE(GenerateNoiseMask(c.data(), 33 * 4, 33, 7, 0.4f, 0.4f, 7));
  EXPECT_EQ(a, b);
  const uint32_t s = 12345u * 214013u + 2531011u;
  EXPECT_FLOAT_EQ(a[0], float((s >> 16) & 0x3FF) / 1023.0f * 0.5f + 0.25f);
  for (int i = 0; i < n; ++i) ASSERT_TRUE(a[i] >= 0.25f && a[i] <= 0.75f && c[i] == 0.4f) << i;
}

TEST(MaskGeometry, RadialScaleIdentities) {
  const int w = 16, h = 9;
  auto m8 = Noise(size_t(w) * h, 4);
  std::vector<uint8_t> out8(m8.size());
  ASSERT_TRUE(RadialBlurMask(out8.data(), w, 1, m8.data(), w, 1, w, h, 10, 6, 1.0, 1.0, 1.0));
  EXPECT_EQ(out8, m8);
  EXPECT_FALSE(RadialBlurMask(out8.data(), w, 1, m8.data(), w, 1, w, h, 10, 6, 0.0, 1.0, 1.0));
  std::vector<float> src(m8.begin(), m8.end()), dst(src.size(), 0.5f), one(src.size(), 1.0f);
  const float rect[4] = {0, 0, float(w), float(h)}, half[4] = {0, 0, w / 2.0f, h / 2.0f}, thin[4] = {0, 0, 1, 9};
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, src.data(), w * 4, w, h, rect, 0, 0));
  EXPECT_EQ(dst, src);
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, src.data(), w * 4, w, h, rect, 2, 0));
  for (size_t i = 0; i < dst.size(); ++i) ASSERT_FLOAT_EQ(dst[i], src[i] * src[i]);
  // Half the source stretched over the whole mask: a constant stays.
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, one.data(), w * 4, w, h, half, 0, 0));
  EXPECT_EQ(dst, one);
  EXPECT_FALSE(ScaleMask(dst.data(), w * 4, w, h, thin, src.data(), w * 4, w, h, rect, 0, 0));
}

TEST(Shear, ZeroIsCopyAndWholePixelShifts) {
  const int w = 7, h = 4;
  std::vector<uint32_t> src(size_t(w) * h), dst(src.size());
  for (int i = 0; i < w * h; ++i) src[i] = 0x01010101u * uint32_t(i);
  ASSERT_TRUE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 4, 0, 0.0));
  EXPECT_EQ(dst, src);
  ASSERT_TRUE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 4, 0, 1.0));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(dst[y * w + x], src[y * w + std::clamp(x - y, 0, w - 1)]) << x << "," << y;
  ASSERT_TRUE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 4, 2, 0.0));
  EXPECT_EQ(dst[0], src[w - 1]);  // mirrored
  ASSERT_TRUE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 4, 3, 0.5));
  EXPECT_EQ(dst[w + 2], src[2]);  // column 2 down one row
  EXPECT_FALSE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 5, 0, 1.0));
}

}  // namespace
