// The converters beside libyuv on the same frames. libyuv expands studio
// levels with 6-bit (ARGB) or 8-bit (I420) fixed-point coefficients, so the
// two arithmetics differ by a few levels; the bounds below say how many.
#include <gtest/gtest.h>
#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>

#include <cstring>
#include <string>
#include <tuple>

#include "colour/peer_frames.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

using kotest::Pattern;

using kotest::I420;

constexpr int kW = kotest::kPeerW, kH = kotest::kPeerH;


// libyuv's YUV to ARGB rounds its coefficients to 1/64 (1/128 for the
// luma gain): up to 0.5/64 x 112 = 0.9 of a level of chroma error per
// coefficient, two coefficients on G, and its own rounding: 3 levels.
constexpr int kPeerBound = 3;

class Libyuv420 : public testing::TestWithParam<std::tuple<int, Pattern>> {};

TEST_P(Libyuv420, ExpandedFullSizeAgrees) {
  const auto [m, pattern] = GetParam();
  const I420 f(pattern);
  std::vector<uint8_t> theirs(size_t(kW) * kH * 4), ours;
  auto peer = m == 0 ? libyuv::I420ToARGB : libyuv::H420ToARGB;
  ASSERT_EQ(peer(f.y.data(), kW, f.u.data(), kW / 2, f.v.data(), kW / 2, theirs.data(), 4 * kW, kW, kH), 0);
  ASSERT_EQ(kotest::ExpandedBgra(f, m, &ours), S_OK);
  // libyuv's BT.709 blue-difference gain is held at 2.0 (an 8-bit signed
  // multiplier of 128/64) where the matrix asks 1.8556 x 255/224 = 2.1124,
  // so its blue falls short by 0.1124 per step of Cb away from 128.
  double worst = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    if (i % 4 == 3) continue;
    const size_t px = i / 4, x = px % kW, y = px / kW;
    const int cb = f.u[(y / 2) * (kW / 2) + x / 2];
    const double allowance = m == 1 && i % 4 == 0 ? 0.1124 * std::abs(cb - 128) : 0;
    worst = std::max(worst, std::abs(ours[i] - theirs[i]) - allowance);
  }
  EXPECT_LE(worst, kPeerBound);
}

INSTANTIATE_TEST_SUITE_P(All, Libyuv420,
                         testing::Combine(testing::Values(0, 1),
                                          testing::Values(Pattern::Gradient, Pattern::Bars, Pattern::Noise)));

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
