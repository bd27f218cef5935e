// The filters: worked values, models of the small ones and identities
// (zero shear, unit scale, identity HSL) for the geometric ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

TEST(Blur3x3, ImpulseEdgesAndRefusal) {
  const int w = 5, h = 4;
  std::vector<uint8_t> src(size_t(w) * h * 4, 0), dst(src.size(), 9);
  src[4 * (1 * w + 2) + 1] = 255;  // green impulse at (2, 1)
  src[4 * (3 * w + 0) + 0] = 160;  // blue at the corner (0, 3)
  ASSERT_TRUE(Blur3x3(dst.data(), w * 4, src.data(), w * 4, 4, w, h));
  auto at = [&](int x, int y, int c) { return int(dst[4 * (y * w + x) + c]); };
  EXPECT_EQ(at(2, 1, 1), 255 * 4 >> 4);
  EXPECT_EQ(at(1, 1, 1), 255 * 2 >> 4);
  EXPECT_EQ(at(3, 2, 1), 255 >> 4);
  EXPECT_EQ(at(2, 3, 1), 0);
  // Outside pixels repeat the edge: the corner weighs 4 + 2 + 2 + 1 = 9.
  EXPECT_EQ(at(0, 3, 0), 160 * 9 >> 4);
  std::vector<float> fs(src.size()), fd(src.size());
  for (size_t i = 0; i < src.size(); ++i) fs[i] = src[i];
  ASSERT_TRUE(Blur3x3(fd.data(), w * 16, fs.data(), w * 16, 16, w, h));
  EXPECT_FLOAT_EQ(fd[4 * (1 * w + 2) + 1], 255 * 0.25f);
  EXPECT_FLOAT_EQ(fd[4 * (3 * w + 0)], 160 * 9 / 16.0f);
  EXPECT_FALSE(Blur3x3(dst.data(), w * 4, src.data(), w * 4, 3, w, h));
}

TEST(EdgeDetect, UniformStepAndThreshold) {
  const int w = 6, h = 3;
  std::vector<uint8_t> src(size_t(w) * h * 4, 90), dst(src.size(), 1);
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, true, 0.0));
  for (int i = 0; i < w * h; ++i) {
    const uint8_t want[4] = {0, 0, 0, 255};
    ASSERT_EQ(0, std::memcmp(&dst[4 * i], want, 4)) << i;
  }
  // A vertical step between columns 2 and 3: 200 - 90 across it.
  for (int y = 0; y < h; ++y)
    for (int x = 3; x < w; ++x) std::fill_n(&src[4 * (y * w + x)], 3, 200);
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, true, 0.0));
  EXPECT_EQ(dst[4 * (w + 2)], 110);
  EXPECT_EQ(dst[4 * (w + 3) + 2], 110);
  EXPECT_EQ(dst[4 * (w + 1)], 0);
  ASSERT_TRUE(EdgeDetect(dst.data(), w * 4, src.data(), w * 4, w, h, false, 0.2));
  EXPECT_EQ(dst[4 * (w + 2) + 1], 51);  // at or above t: t
  EXPECT_EQ(dst[4 * (w + 1)], 0);
}

TEST(Desaturate, LumaBothForms) {
  uint8_t p[8] = {0, 0, 255, 77, 255, 255, 255, 10};
  ASSERT_TRUE(Desaturate(p, 8, 4, 2, 1, false));
  EXPECT_EQ(p[0], (255 * 19595 + 32768) >> 16);
  EXPECT_EQ(p[3], 77);
  EXPECT_EQ(p[4], 255);
  float f[4] = {1.0f, 0.0f, 0.0f, 0.5f};
  ASSERT_TRUE(Desaturate(f, 16, 16, 1, 1, false));
  EXPECT_FLOAT_EQ(f[2], 0.114f);
  EXPECT_EQ(f[3], 0.5f);
}

TEST(Histogram, CountsAndLargest) {
  uint32_t r[256], g[256], b[256], l[256];
  const uint8_t white[4] = {255, 255, 255, 255};
  EXPECT_EQ(Histogram(white, 4, 1, 1, r, g, b, l), 1u);
  EXPECT_EQ(r[255] + g[255] + b[255] + l[255], 4u);
  const uint8_t px[12] = {10, 20, 30, 0, 10, 40, 30, 0, 10, 20, 50, 0};
  EXPECT_EQ(Histogram(px, 12, 3, 1, r, g, b, l), 3u);  // three blue 10s
  EXPECT_EQ(r[30] + g[20] + r[255], 4u);               // cleared first
}

TEST(HslScaleOffset, IdentityAndHueTurn) {
  std::vector<uint8_t> img(256 * 4), before;
  std::mt19937 rng(1);
  for (auto &v : img) v = uint8_t(rng());
  before = img;
  ASSERT_TRUE(HslScaleOffset(img.data(), 0, 256, 1, 1, 1, 1, 0, 0, 0));
  for (size_t i = 0; i < img.size(); ++i) ASSERT_LE(std::abs(img[i] - before[i]), 1) << i;
  uint8_t red[4] = {0, 0, 255, 99};
  ASSERT_TRUE(HslScaleOffset(red, 4, 1, 1, 1, 1, 1, 1.0 / 3, 0, 0));
  const uint8_t green[4] = {0, 255, 0, 99};
  EXPECT_EQ(0, std::memcmp(red, green, 4));
  ASSERT_TRUE(HslScaleOffset(red, 4, 1, 1, 1, 0, 1, 0, 0, 0));  // no saturation: grey of l
  EXPECT_EQ(red[0], 128);
  EXPECT_EQ(red[1], 128);
}

TEST(GenerateNoiseMask, SeededAndBounded) {
  const int w = 33, h = 7;
  std::vector<float> a(size_t(w) * h), b(a.size()), c(a.size());
  ASSERT_TRUE(GenerateNoiseMask(a.data(), w * 4, w, h, 0.25f, 0.75f, 12345));
  ASSERT_TRUE(GenerateNoiseMask(b.data(), w * 4, w, h, 0.25f, 0.75f, 12345));
  ASSERT_TRUE(GenerateNoiseMask(c.data(), w * 4, w, h, 0.25f, 0.75f, 54321));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  const uint32_t s = 12345u * 214013u + 2531011u;
  EXPECT_FLOAT_EQ(a[0], float((s >> 16) & 0x3FF) / 1023.0f * 0.5f + 0.25f);
  for (float v : a) ASSERT_TRUE(v >= 0.25f && v <= 0.75f) << v;
  ASSERT_TRUE(GenerateNoiseMask(c.data(), w * 4, w, h, 0.4f, 0.4f, 7));
  for (float v : c) ASSERT_EQ(v, 0.4f);
}

TEST(RadialBlurMask, UnitScaleCopiesAndConstantStays) {
  const int w = 21, h = 13;
  std::vector<uint8_t> src(size_t(w) * h), dst(src.size());
  std::mt19937 rng(4);
  for (auto &v : src) v = uint8_t(rng());
  ASSERT_TRUE(RadialBlurMask(dst.data(), w, 1, src.data(), w, 1, w, h, 10, 6, 1.0, 1.0, 1.0));
  EXPECT_EQ(dst, src);
  std::fill(src.begin(), src.end(), 140);
  ASSERT_TRUE(RadialBlurMask(dst.data(), w, 1, src.data(), w, 1, w, h, 10, 6, 1.5, 0.7, 1.0));
  for (uint8_t v : dst) ASSERT_LE(std::abs(v - 140), 1);
  EXPECT_FALSE(RadialBlurMask(dst.data(), w, 1, src.data(), w, 1, w, h, 10, 6, 0.0, 1.0, 1.0));
}

TEST(ScaleMask, IdentityModesAndRefusals) {
  const int w = 16, h = 9;
  std::vector<float> src(size_t(w) * h), dst(src.size(), 0.5f);
  std::mt19937 rng(2);
  for (auto &v : src) v = float(rng() % 1000) / 1000.0f;
  const float rect[4] = {0, 0, float(w), float(h)};
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, src.data(), w * 4, w, h, rect, 0, 0));
  EXPECT_EQ(dst, src);
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, src.data(), w * 4, w, h, rect, 2, 0));
  for (size_t i = 0; i < dst.size(); ++i) ASSERT_FLOAT_EQ(dst[i], src[i] * src[i]);
  std::vector<float> one(src.size(), 1.0f);
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, one.data(), w * 4, w, h, rect, 1, 0.25f));
  for (size_t i = 0; i < dst.size(); ++i) ASSERT_FLOAT_EQ(dst[i], 0.25f + src[i] * src[i] * 0.75f);
  // Half the source stretched over the whole mask: a constant stays.
  const float half[4] = {0, 0, w / 2.0f, h / 2.0f};
  ASSERT_TRUE(ScaleMask(dst.data(), w * 4, w, h, rect, one.data(), w * 4, w, h, half, 0, 0));
  for (float v : dst) ASSERT_FLOAT_EQ(v, 1.0f);
  const float thin[4] = {0, 0, 1, float(h)}, outside[4] = {40, 0, 8, 8};
  EXPECT_FALSE(ScaleMask(dst.data(), w * 4, w, h, thin, src.data(), w * 4, w, h, rect, 0, 0));
  EXPECT_FALSE(ScaleMask(dst.data(), w * 4, w, h, outside, src.data(), w * 4, w, h, rect, 0, 0));
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
  EXPECT_EQ(dst[2], src[2]);  // column 2 moved down one row: row 0 repeats the edge
  EXPECT_EQ(dst[w + 2], src[2]);
  EXPECT_TRUE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 4, 9, 1.0));
  EXPECT_FALSE(Shear(dst.data(), w * 4, w, h, src.data(), w * 4, w, h, 5, 0, 1.0));
}

}  // namespace
