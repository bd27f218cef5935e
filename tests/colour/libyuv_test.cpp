// RGB to I420 beside libyuv on the same frames: libyuv works with 8-bit
// fixed-point coefficients, so the two arithmetics differ by a level or two.
// (YUV to RGB, 4:2:0 frames and UYVY alike, is checked against the
// double-precision model of every layout and matrix within one level in
// yuv_test.cpp and preview_test.cpp.)
#include <gtest/gtest.h>
#include <libyuv/convert.h>
#include <libyuv/convert_from_argb.h>

#include "colour/colour_test_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

using kotest::Pattern;

constexpr int kW = 96, kH = 32;

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
