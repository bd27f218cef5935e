// Channel maps, look-up tables and the 8-bit / float conversions: worked
// values, any-float look-ups and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity(), kNaN = std::numeric_limits<float>::quiet_NaN();

// Float look-ups: round(v x n), halves up, clamped; any float gives an entry.
TEST(ChannelMapExFloat, AnyInputGivesAnEntry) {
  std::vector<float> table(256 * 4);
  for (int i = 0; i < 256; ++i) table[4 * i] = float(i);
  const float in[] = {0.0f, 0.5f / 256, 0.49f / 256, 1.0f, -0.3f, 1e30f, -kInf, kInf, kNaN, 100.0f / 256};
  const float want[] = {0, 1, 0, 255, 0, 255, 0, 255, 0, 100};
  for (int i = 0; i < 10; ++i) {
    float src[4] = {0, 0, in[i], 0}, dst[4] = {-1, -1, -1, -1};
    ASSERT_TRUE(ChannelMapExFloat(dst, 16, src, 16, 2, 1, 1, table.data(), 256));
    EXPECT_EQ(dst[0], want[i]) << in[i];
  }
}

// Bad channels fail with the message and leave the image alone.
TEST(ChannelMap, InvalidChannelAndMerge) {
  uint32_t img[2] = {0x01020304u, 0x05FF0708u}, table[256];
  std::iota(table, table + 256, 1000u);
  float f[4] = {};
  for (int which = 0; which < 3; ++which) {
#ifndef _WIN32
    testing::internal::CaptureStderr();
#endif
    EXPECT_FALSE(which == 0   ? ChannelMap(img, 8, 4, 2, 1, table)
                 : which == 1 ? ChannelMapEx(img, 8, img, 8, 7, 2, 1, table)
                              : ChannelMapExFloat(f, 16, f, 16, -1, 1, 1, f, 1));
#ifndef _WIN32
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ChannelMap: invalid channel value\n");
#endif
  }
  EXPECT_EQ(img[0], 0x01020304u);
  uint32_t merged[2] = {img[0], img[1]};
  ASSERT_TRUE(ChannelMap(img, 8, 1, 2, 1, table));
  EXPECT_EQ((std::vector<uint32_t>{img[0], img[1]}), (std::vector<uint32_t>{1003, 1007}));
  ASSERT_TRUE(ChannelMergeLut(merged, 8, 3, 2, 1, table));
  // 4 + 3 + 2, and 8 + 7 + 255 clamped.
  EXPECT_EQ((std::vector<uint32_t>{merged[0], merged[1]}), (std::vector<uint32_t>{1009, 1255}));
}

TEST(Luts, AlphaClamp) {
  uint8_t identity[1024], img[8] = {10, 20, 30, 40, 90, 50, 60, 70};
  for (int i = 0; i < 1024; ++i) identity[i] = uint8_t(i / 4);
  ASSERT_TRUE(LutWithAlphaClamp(img, 8, 2, 1, identity));
  const uint8_t clamped[8] = {10, 20, 30, 40, 70, 50, 60, 70};
  EXPECT_EQ(0, std::memcmp(img, clamped, 8));
}

// Byte -> float -> byte gives the bytes back, at scale 1 and at 1/255
// then 255; on the way back halves round up and anything clamps.
TEST(Conversions, RoundTripsAndMasks) {
  const int w = 67, h = 3;
  std::vector<uint8_t> bytes(size_t(w) * h * 4), back(bytes.size());
  std::mt19937 rng(3);
  for (auto &b : bytes) b = uint8_t(rng());
  std::vector<float> f(bytes.size());
  for (double scale : {1.0, 1.0 / 255}) {
    ASSERT_TRUE(ConvertARGBToARGBFloat(f.data(), w * 16, bytes.data(), w * 4, w, h, scale));
    EXPECT_FLOAT_EQ(f[5], float(bytes[5] * scale));
    ASSERT_TRUE(ConvertARGBFloatToARGB(back.data(), w * 4, f.data(), w * 16, w, h, 1 / scale));
    EXPECT_EQ(back, bytes) << scale;
  }
  const float odd[8] = {127.5f, -3.0f, 300.0f, kNaN, 0.49f, kInf, -kInf, 254.5f};
  uint8_t out[8], px[8];
  const uint8_t want[8] = {128, 0, 255, 0, 0, 255, 0, 255};
  ASSERT_TRUE(ConvertARGBFloatToARGB(out, 8, odd, 32, 2, 1, 1.0));
  EXPECT_EQ(0, std::memcmp(out, want, 8));
  // Masks to pixels and pixels back to masks through a table.
  ASSERT_TRUE(ConvertFloatMaskToARGB(px, 8, 4, odd, 8, 2, 1));
  EXPECT_EQ(px[0] * 1000 + px[7], 128000);
  float fp[8], mask[2];
  ASSERT_TRUE(ConvertFloatMaskToARGB(fp, 32, 16, odd + 2, 8, 1, 1));
  EXPECT_EQ((std::vector<float>{fp[0], fp[3]}), (std::vector<float>{300.0f, 1.0f}));
  std::vector<float> table(256);
  for (int i = 0; i < 256; ++i) table[i] = i * 0.5f;
  ASSERT_TRUE(ConvertChannelToFloatMask(mask, 8, px, 8, 4, 1, 1, 1, table.data(), 256));
  EXPECT_EQ(mask[0], 64.0f);
  EXPECT_FALSE(ConvertChannelToFloatMask(mask, 8, px, 8, 4, 1, 1, 1, table.data(), 255));
  const float src[8] = {0, 0.5f, 0, 0, 0, 2.0f, 0, 0};
  ASSERT_TRUE(ConvertChannelToFloatMask(mask, 8, src, 32, 16, 1, 2, 1, table.data(), 256));
  EXPECT_EQ((std::vector<float>{mask[0], mask[1]}), (std::vector<float>{64.0f, 127.5f}));
}

}  // namespace
