// KoDibCopy's 8-bit conversions beside libyuv's converters of the same
// memory layouts (libyuv "ARGB" is B, G, R, A in memory, "RGB24" B, G, R).
#include <gtest/gtest.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>

#include "kokernel/koxchg.h"
#include "pixels/pixels_test_util.h"

namespace {

constexpr int kW = 67, kH = 9;

using YuvFn = int (*)(const uint8_t *, int, uint8_t *, int, int, int);

// Converts one random image both ways; `check` compares one pixel's bytes.
template <typename Check>
void Compare(int dstType, int srcType, YuvFn peer, int dstBytes, Check check) {
  kotest::Dib src(srcType, kW, kH), ours(dstType, kW, kH), theirs(dstType, kW, kH);
  src.Random(uint32_t(dstType * 100 + srcType));
  ASSERT_EQ(KoDibCopy(ours.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  ASSERT_EQ(peer(src.Bits(), src.stride, theirs.Bits(), theirs.stride, kW, kH), 0);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint8_t *o = ours.Bits() + y * ours.stride + x * dstBytes;
      const uint8_t *t = theirs.Bits() + y * theirs.stride + x * dstBytes;
      check(o, t, x, y);
    }
}

// (RGB32 and RGBA32 take the same rows as each other.)
TEST(XchgLibyuv, ExactWhereBothCopyBytes) {
  auto same = [](int n) {
    return [n](const uint8_t *o, const uint8_t *t, int x, int y) {
      for (int c = 0; c < n; ++c) ASSERT_EQ(o[c], t[c]) << x << "," << y << " channel " << c;
    };
  };
  Compare(KOPT_RGBA32, KOPT_RGB24, libyuv::RGB24ToARGB, 4, same(4));
  Compare(KOPT_RGB24, KOPT_RGBA32, libyuv::ARGBToRGB24, 3, same(3));
  Compare(KOPT_RGBA32, KOPT_RGB32, libyuv::ARGBCopy, 4, same(4));
}

TEST(XchgLibyuv, SixteenBitLayouts) {
  // Narrowing: both truncate to the top bits, so 5-6-5 is exact; in 5-5-5
  // libyuv puts alpha's top bit in bit 15, which this library leaves 0.
  Compare(KOPT_RGB565, KOPT_RGBA32, libyuv::ARGBToRGB565, 2, [](const uint8_t *o, const uint8_t *t, int x, int y) {
    ASSERT_EQ(o[0] | o[1] << 8, t[0] | t[1] << 8) << x << "," << y;
  });
  Compare(KOPT_RGB555, KOPT_RGBA32, libyuv::ARGBToARGB1555, 2, [](const uint8_t *o, const uint8_t *t, int x, int y) {
    ASSERT_EQ(o[0] | o[1] << 8, (t[0] | t[1] << 8) & 0x7FFF) << x << "," << y;
  });
  // Widening: libyuv repeats the top bits into the low ones, this library
  // shifts without repeating; the difference is exactly those low bits
  // (below 8 for 5-bit fields, below 4 for 6-bit ones).
  Compare(KOPT_RGBA32, KOPT_RGB565, libyuv::RGB565ToARGB, 4, [](const uint8_t *o, const uint8_t *t, int x, int y) {
    ASSERT_EQ(o[0], t[0] & 0xF8) << x << "," << y;
    ASSERT_EQ(o[1], t[1] & 0xFC) << x << "," << y;
    ASSERT_EQ(o[2], t[2] & 0xF8) << x << "," << y;
    ASSERT_EQ(o[3], 255);
    ASSERT_EQ(t[3], 255);
  });
  Compare(KOPT_RGBA32, KOPT_RGB555, libyuv::ARGB1555ToARGB, 4, [](const uint8_t *o, const uint8_t *t, int x, int y) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(o[c], t[c] & 0xF8) << x << "," << y << " channel " << c;
    ASSERT_EQ(o[3], 255);  // bit 15 is not alpha here
  });
}

}  // namespace
