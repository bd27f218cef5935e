// The 4:2:0 converter beside FFmpeg's swscale on the same frames, studio
// levels expanded, BT.601 and BT.709. swscale's unscaled path repeats each
// chroma sample over its 2x2 block as ours does, so the two differ only by
// arithmetic.
#include <gtest/gtest.h>
extern "C" {
#include <libswscale/swscale.h>
}

#include <cmath>
#include <tuple>
#include <vector>

#include "colour/peer_frames.h"

namespace {

using kotest::Pattern;

constexpr int kW = kotest::kPeerW, kH = kotest::kPeerH;

// swscale reads each channel from a table of levels indexed by Y and
// shifted by a whole number of entries per chroma term: each shift is
// rounded (half a level), so is the table entry (half a level), and ours is
// within one level of the exact value. Blue and red have one chroma term
// (2 levels), green two (3 levels).
constexpr int kPeerBound[3] = {2, 3, 2};

class Swscale420 : public testing::TestWithParam<std::tuple<int, Pattern>> {};

TEST_P(Swscale420, ExpandedFullSizeAgrees) {
  const auto [m, pattern] = GetParam();
  const kotest::I420 f(pattern);
  std::vector<uint8_t> theirs(size_t(kW) * kH * 4), ours;
  SwsContext *ctx = sws_getContext(kW, kH, AV_PIX_FMT_YUV420P, kW, kH, AV_PIX_FMT_BGRA, SWS_POINT, nullptr,
                                   nullptr, nullptr);
  ASSERT_NE(ctx, nullptr);
  const int *coefs = sws_getCoefficients(m == 0 ? SWS_CS_ITU601 : SWS_CS_ITU709);
  ASSERT_GE(sws_setColorspaceDetails(ctx, coefs, 0, coefs, 1, 0, 1 << 16, 1 << 16), 0);
  const uint8_t *planes[3] = {f.y.data(), f.u.data(), f.v.data()};
  const int strides[3] = {kW, kW / 2, kW / 2};
  uint8_t *out[1] = {theirs.data()};
  const int outStride[1] = {4 * kW};
  ASSERT_EQ(sws_scale(ctx, planes, strides, 0, kH, out, outStride), kH);
  sws_freeContext(ctx);

  ASSERT_EQ(kotest::ExpandedBgra(f, m, &ours), S_OK);
  for (int c = 0; c < 3; ++c) {
    int worst = 0;
    for (size_t i = c; i < ours.size(); i += 4) worst = std::max(worst, std::abs(ours[i] - theirs[i]));
    EXPECT_LE(worst, kPeerBound[c]) << kotest::PatternName(pattern) << " channel " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(All, Swscale420,
                         testing::Combine(testing::Values(0, 1),
                                          testing::Values(Pattern::Gradient, Pattern::Bars, Pattern::Noise)));

}  // namespace
