// The converters beside libyuv on the same frames. libyuv expands studio
// levels with 6-bit (ARGB) or 8-bit (I420) fixed-point coefficients, so the
// two arithmetics differ by a few levels; the bounds below say how many.
// (The 4:2:0 frames to RGB are checked against the double-precision model
// for every layout and matrix in yuv_test.cpp, within one level.)
#include <gtest/gtest.h>
#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>

#include "colour/colour_test_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

using kotest::Pattern;

constexpr int kW = 96, kH = 32;

// libyuv's YUV to ARGB rounds its coefficients to 1/64 (1/128 for the
// luma gain): up to 0.5/64 x 112 = 0.9 of a level of chroma error per
// coefficient, two coefficients on G, and its own rounding: 3 levels.
constexpr int kPeerBound = 3;

TEST(LibyuvUyvy, ExpandedAgrees) {
  for (Pattern p : {Pattern::Gradient, Pattern::Bars, Pattern::Noise}) {
    const std::vector<uint8_t> q = kotest::MakePlane(p, 2 * kW, kH, 16, 235, 5);
    std::vector<uint8_t> theirs(size_t(kW) * kH * 4), ours(theirs.size());
    ASSERT_EQ(libyuv::UYVYToARGB(q.data(), 2 * kW, theirs.data(), 4 * kW, kW, kH), 0);
    ASSERT_EQ(KoUYVY2RGBA(ours.data(), reinterpret_cast<const uint32_t *>(q.data()), 4 * kW, kW, kH, 1), S_OK);
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i)
      if (i % 4 != 3)
        worst = std::max(worst, int(std::ceil(std::fabs(kotest::Clamp((ours[i] - 16) * 255.0 / 219, 0, 255) - theirs[i]))));
    EXPECT_LE(worst, kPeerBound + 1) << kotest::PatternName(p);
  }
}

// ARGB to I420, BT.601 studio levels: libyuv rounds with 8-bit
// coefficients and averages its 2x2 blocks in 8 bits first; one level
// apart at most for luma, two for chroma.
TEST(LibyuvArgbToI420, StudioLevelsAgree) {
  for (Pattern p : {Pattern::Gradient, Pattern::Bars, Pattern::Noise}) {
    const std::vector<uint8_t> argb = kotest::MakePlane(p, 4 * kW, kH, 0, 255, 9);
    std::vector<uint8_t> ty(size_t(kW) * kH), tu(size_t(kW) * kH / 4), tv(tu.size());
    ASSERT_EQ(libyuv::ARGBToI420(argb.data(), 4 * kW, ty.data(), kW, tu.data(), kW / 2, tv.data(), kW / 2, kW, kH), 0);
    BITMAPINFOHEADER rgb{};
    uint32_t size;
    ASSERT_EQ(KoVideo_InitBitmapInfo(&rgb, KOPT_RGBA32, kW, kH, nullptr, 0, &size), S_OK);
    BITMAPINFOHEADER yh = kotest::YuvHeader("I420", kW, kH);
    KoYUVPlaneLayout l;
    std::vector<uint8_t> ours(KoYUVImageBytesAndOffsets(&yh, &l));
    const KoYUVColorInfo ci{0, 515, 0, 0};
    ASSERT_EQ(KoYUV_RGBToYUV(&yh, &ci, ours.data(), &l, &rgb, 2.2, argb.data() + size_t(4) * kW * (kH - 1), -4 * kW, 0, 0,
                             true),
              S_OK);
    int worstY = 0, worstC = 0;
    for (size_t i = 0; i < ty.size(); ++i) worstY = std::max(worstY, std::abs(ours[i] - ty[i]));
    for (size_t i = 0; i < tu.size(); ++i) {
      worstC = std::max(worstC, std::abs(ours[l.cbOffset + i] - tu[i]));
      worstC = std::max(worstC, std::abs(ours[l.crOffset + i] - tv[i]));
    }
    EXPECT_LE(worstY, 1) << kotest::PatternName(p);
    EXPECT_LE(worstC, 2) << kotest::PatternName(p);
  }
}

}  // namespace
