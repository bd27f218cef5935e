// Channel maps, look-up tables and the 8-bit / float conversions: worked
// values, any-float look-ups and round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Float look-ups: round(v x n), halves up, clamped; any float gives an entry.
TEST(ChannelMapExFloat, AnyInputGivesAnEntry) {
  std::vector<float> table(256 * 4);
  for (int i = 0; i < 256; ++i) table[4 * i] = float(i);
  const struct {
    float v;
    int entry;
  } rows[] = {{0.0f, 0}, {0.5f / 256, 1}, {0.49f / 256, 0}, {1.0f, 255}, {-0.3f, 0}, {1e30f, 255},
              {-kInf, 0}, {kInf, 255}, {kNaN, 0}, {100.0f / 256, 100}};
  for (const auto &r : rows) {
    float src[4] = {0, 0, 0, 0}, dst[4] = {-1, -1, -1, -1};
    src[2] = r.v;
    ASSERT_TRUE(ChannelMapExFloat(dst, 16, src, 16, 2, 1, 1, table.data(), 256));
    EXPECT_EQ(dst[0], float(r.entry)) << r.v;
  }
}

// Bad channels fail with the message and leave the image alone.
TEST(ChannelMap, InvalidChannel) {
  uint32_t img[2] = {0x01020304u, 0x05060708u}, table[256];
  std::iota(table, table + 256, 1000u);
  float f[4] = {}, ft[4] = {};
  for (int which = 0; which < 3; ++which) {
#ifndef _WIN32
    testing::internal::CaptureStderr();
#endif
    const bool ok = which == 0   ? ChannelMap(img, 8, 4, 2, 1, table)
                    : which == 1 ? ChannelMapEx(img, 8, img, 8, 7, 2, 1, table)
                                 : ChannelMapExFloat(f, 16, f, 16, -1, 1, 1, ft, 1);
#ifndef _WIN32
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ChannelMap: invalid channel value\n");
#endif
    EXPECT_FALSE(ok);
  }
  EXPECT_EQ(img[0], 0x01020304u);
  ASSERT_TRUE(ChannelMap(img, 8, 1, 2, 1, table));
  EXPECT_EQ(img[0], 1003u);  // green byte 3
  EXPECT_EQ(img[1], 1007u);
}

TEST(Luts, MergeAndAlphaClamp) {
  uint32_t table[256];
  std::iota(table, table + 256, 0u);
  uint8_t px[8] = {100, 100, 100, 255, 10, 20, 30, 40};
  uint32_t p[2];
  std::memcpy(p, px, 8);
  ASSERT_TRUE(ChannelMergeLut(p, 8, 3, 2, 1, table));
  EXPECT_EQ(p[0], 255u);  // 300 clamped
  EXPECT_EQ(p[1], 60u);
  ASSERT_TRUE(ChannelMergeLut(p, 8, 0, 2, 1, table));
  EXPECT_EQ(p[0], 0u);
  uint8_t identity[1024], swap[1024];
  for (int i = 0; i < 1024; ++i) identity[i] = uint8_t(i / 4), swap[i] = uint8_t(255 - i / 4);
  uint8_t img[8] = {10, 20, 30, 40, 90, 50, 60, 70};
  ASSERT_TRUE(LutWithAlphaClamp(img, 8, 2, 1, identity));
  const uint8_t clamped[8] = {10, 20, 30, 40, 70, 50, 60, 70};
  EXPECT_EQ(0, std::memcmp(img, clamped, 8));
  ASSERT_TRUE(Lut(img, 8, 2, 1, swap));
  ASSERT_TRUE(Lut(img, 8, 2, 1, swap));
  EXPECT_EQ(0, std::memcmp(img, clamped, 8));
}

// Byte -> float -> byte gives the bytes back, at scale 1 and at 1/255
// then 255; halves round up on the way back.
TEST(Conversions, RoundTrips) {
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
  uint8_t out[8];
  ASSERT_TRUE(ConvertARGBFloatToARGB(out, 8, odd, 32, 2, 1, 1.0));
  const uint8_t want[8] = {128, 0, 255, 0, 0, 255, 0, 255};
  EXPECT_EQ(0, std::memcmp(out, want, 8));
}

TEST(Conversions, MasksBothWays) {
  const float m[3] = {127.5f, 300.0f, -2.0f};
  uint8_t px[12];
  ASSERT_TRUE(ConvertFloatMaskToARGB(px, 12, 4, m, 12, 3, 1));
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(px[c], 128);
    EXPECT_EQ(px[4 + c], 255);
    EXPECT_EQ(px[8 + c], 0);
  }
  float fp[12];
  ASSERT_TRUE(ConvertFloatMaskToARGB(fp, 48, 16, m, 12, 3, 1));
  EXPECT_EQ(fp[4], 300.0f);
  EXPECT_EQ(fp[7], 1.0f);
  EXPECT_EQ(fp[11], 0.0f);
  // Channel to mask: bytes index the table; floats round into it.
  std::vector<float> table(256);
  for (int i = 0; i < 256; ++i) table[i] = i * 0.5f;
  float mask[3];
  ASSERT_TRUE(ConvertChannelToFloatMask(mask, 12, px, 12, 4, 1, 3, 1, table.data(), 256));
  EXPECT_EQ(mask[0], 64.0f);
  EXPECT_EQ(mask[1], 127.5f);
  EXPECT_FALSE(ConvertChannelToFloatMask(mask, 12, px, 12, 4, 1, 3, 1, table.data(), 255));
  const float src[8] = {0, 0.5f, 0, 0, 0, 2.0f, 0, 0};
  ASSERT_TRUE(ConvertChannelToFloatMask(mask, 8, src, 32, 16, 1, 2, 1, table.data(), 256));
  EXPECT_EQ(mask[0], 64.0f);
  EXPECT_EQ(mask[1], 127.5f);
  EXPECT_FALSE(ConvertChannelToFloatMask(mask, 8, src, 32, 16, 4, 2, 1, table.data(), 256));
}

}  // namespace
