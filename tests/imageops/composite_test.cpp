// Compositing, blending and multiplies against models of each formula in
// exact rational arithmetic (8-bit) or doubles (float).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

// floor(n / 255) by plain long division: the model does not share the
// library's multiply-and-shift.
int Q(long n) { return int(std::floor(double(n) / 255.0)); }

// The full-opacity result of one 8-bit channel c (3 = alpha).
int ModeModel(int mode, int s, int d, int sA, int dA, int c) {
  const int over = Q(255L * sA + long(dA) * (255 - sA) + 127);
  switch (mode) {
    case 1: return std::min(255, Q(255L * s + long(d) * (255 - sA) + 127));
    case 2: return std::min(255, Q(255L * d + long(s) * (255 - dA) + 127));
    case 3: return c == 3 ? over : std::min(s + d, 255);
    case 4: return Q(long(s) * d);
    case 5: return c == 3 ? over : (d < 128 ? Q(2L * s * d) : 255 - Q(2L * (255 - s) * (255 - d)));
    case 6: return c == 3 ? over : 255 - Q(long(255 - s) * (255 - d) + 127);
    default: return (s + d) / 2;
  }
}

double ModeModelF(int mode, double s, double d, double sA, double dA, int c) {
  const double over = (1 - sA) * dA + sA;
  switch (mode) {
    case 1: return (1 - sA) * d + s;
    case 2: return (1 - dA) * s + d;
    case 3: return c == 3 ? over : d + s;
    case 4: return s * d;
    case 5: return c == 3 ? over : (d < 0.5 ? 2 * d * s : 1 - 2 * (1 - d) * (1 - s));
    case 6: return c == 3 ? over : 1 - (1 - s) * (1 - d);
    default: return (s + d) / 2;
  }
}

struct CompositeCase {
  int mode, bpp;
  double opacity;
};

class CompositeModes : public testing::TestWithParam<CompositeCase> {};

TEST_P(CompositeModes, MatchModel) {
  const auto [mode, bpp, opacity] = GetParam();
  SCOPED_TRACE(testing::Message() << "mode " << mode << " bpp " << bpp << " opacity " << opacity);
  const int w = 37, h = 5;
  std::mt19937 rng(mode * 1000 + bpp + int(opacity * 100));
  // Premultiplied pixels with edge values, rows bottom-up (negative stride).
  std::vector<uint8_t> s8(size_t(w) * h * 4), d8(s8.size());
  for (size_t i = 0; i < s8.size(); i += 4)
    for (auto *p : {&s8[i], &d8[i]}) {
      p[3] = uint8_t(rng() % 4 == 0 ? 255 : rng() % 256);
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(rng() % (p[3] + 1));
    }
  const int o = std::clamp(int(opacity * 255 + 0.5), 0, 255);
  if (bpp == 4) {
    std::vector<uint8_t> out = d8;
    ASSERT_TRUE(Composite(out.data() + (h - 1) * w * 4, -w * 4, s8.data() + (h - 1) * w * 4, -w * 4, 4, w, h, mode,
                          opacity));
    for (size_t i = 0; i < out.size(); i += 4)
      for (int c = 0; c < 4; ++c) {
        const int s = s8[i + c], d = d8[i + c];
        int r = ModeModel(mode, s, d, s8[i + 3], d8[i + 3], c);
        if (o < 255 && !(mode == 5 && c == 3)) r = Q(long(r) * o + long(d) * (255 - o));
        ASSERT_EQ(out[i + c], r) << "pixel " << i / 4 << " channel " << c << " s " << s << " d " << d;
      }
  } else {
    std::vector<float> sf(s8.size()), df(s8.size());
    for (size_t i = 0; i < s8.size(); ++i) sf[i] = s8[i] / 255.0f, df[i] = d8[i] / 255.0f;
    std::vector<float> out = df;
    ASSERT_TRUE(Composite(out.data(), w * 16, sf.data(), w * 16, 16, w, h, mode, opacity));
    for (size_t i = 0; i < out.size(); i += 4)
      for (int c = 0; c < 4; ++c) {
        const double s = sf[i + c], d = df[i + c];
        double r = ModeModelF(mode, s, d, sf[i + 3], df[i + 3], c);
        if (opacity <= 0.999 && !(mode == 5 && c == 3)) r = (1 - opacity) * d + r * opacity;
        ASSERT_NEAR(out[i + c], r, 2e-6) << "pixel " << i / 4 << " channel " << c;
      }
  }
}

std::vector<CompositeCase> AllComposites() {
  std::vector<CompositeCase> v;
  for (int mode = 1; mode <= 7; ++mode)
    for (int bpp : {4, 16})
      for (double op : {1.0, 0.5, 0.2, 0.0}) v.push_back({mode, bpp, op});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Modes, CompositeModes, testing::ValuesIn(AllComposites()));

// Blend: a = trunc(amount x 4096) weighs the destination; colours are
// clamped to the destination alpha, which never changes.
TEST(Blend, ModelAndEdges) {
  const int w = 19;
  std::mt19937 rng(5);
  std::vector<uint8_t> s(size_t(w) * 4), d(s.size());
  for (auto &b : s) b = uint8_t(rng());
  for (auto &b : d) b = uint8_t(rng());
  for (double amount : {1.0, 0.0, 0.3, 0.75, -0.5, 1.25}) {
    std::vector<uint8_t> out = d;
    ASSERT_TRUE(Blend(out.data(), 0, s.data(), 0, w, 1, amount));
    const long a = long(amount * 4096), b = long((1 - amount) * 4096);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        const uint8_t *dp = &d[4 * x], *sp = &s[4 * x];
        const long v = long(std::floor((dp[c] * a + sp[c] * b + 2048) / 4096.0));
        const int want = c == 3 ? dp[3] : int(std::clamp<long>(v, 0, dp[3]));
        ASSERT_EQ(out[4 * x + c], want) << amount << " pixel " << x << " channel " << c;
      }
  }
}

// Worked values of the multiplies, thresholds, clips, fills and copies.
TEST(PixelOps, WorkedValues) {
  uint8_t p[8] = {200, 200, 200, 200, 100, 100, 100, 150};
  ASSERT_TRUE(Multiply(p, 8, 4, 1, 1, 0.5, false));    // (200 x 128 + 127) / 256
  ASSERT_TRUE(Multiply(p + 4, 8, 4, 1, 1, 2.0, true));  // 200 clamped to the alpha
  const uint8_t mul[8] = {100, 100, 100, 100, 150, 150, 150, 150};
  EXPECT_EQ(0, std::memcmp(p, mul, 8));
  float f[8] = {0.2f, 0.4f, 0.6f, 0.5f, 250.0f, 100.0f, 240.0f, 120.0f};
  ASSERT_TRUE(Multiply(f, 16, 16, 1, 1, 2.0, true));
  EXPECT_EQ((std::vector<float>{f[0], f[1]}), (std::vector<float>{0.4f, 0.5f}));
  // Clip on the 0..255 scale: above threshold x 255 -> max(floor x 255, A).
  ASSERT_TRUE(ClipRestore(f + 4, 16, 1, 1, 0.9, 0.2));
  const float clipped[4] = {120.0f, 100.0f, 120.0f, 120.0f};
  EXPECT_EQ(0, std::memcmp(f + 4, clipped, 16));
  uint8_t t[4] = {127, 128, 0, 255};
  ASSERT_TRUE(ThresholdClear(t, 4, 4, 1, 1, 0.5f));
  EXPECT_EQ(t[0] * 1000 + t[1], 128);
  // low = high: below low is 0 first, then the top maps to at least 1.
  float th[4] = {0.1f, 0.5f, 0.49999f, 2.0f};
  ASSERT_TRUE(ThresholdFloat(th, 16, 1, 1, 0.5, 0.5));
  const float thw[4] = {0.0f, 1.0f, 0.0f, 2.0f};
  EXPECT_EQ(0, std::memcmp(th, thw, 16));
  uint32_t px[6] = {};
  ASSERT_TRUE(Fill(px, 12, 4, 3, 2, 1.0f, 0.5f, 0.0f, 0.25f));
  for (uint32_t v : px) EXPECT_EQ(v, 0xFF800040u);
  EXPECT_TRUE(Fill(px, 12, 7, 3, 2, 0, 0, 0, 0));  // other sizes: nothing, true
  EXPECT_EQ(px[0], 0xFF800040u);
  // Channel multiplies: the plain product near scale 1, the scaled formula
  // otherwise, channels checked.
  uint8_t d[4] = {200, 10, 20, 30};
  const uint8_t s[4] = {128, 0, 0, 0};
  ASSERT_TRUE(MultiplyChannel(d, 4, 4, 0, s, 4, 0, 1, 1, 1.0, 0.0));
  EXPECT_EQ(d[0], (200 * 128 + 127) / 255);
  ASSERT_TRUE(MultiplyChannel(d, 4, 4, 1, s, 4, 0, 1, 1, 2.0, 0.1));
  EXPECT_EQ(d[1], ((128 * 2048 + 102) * 10 + 130560) / (255 * 1024));
  EXPECT_FALSE(MultiplyChannel(d, 4, 4, 4, s, 4, 0, 1, 1, 1.0, 0.0));
}

// Masked fade against the model; a full mask fades to a colour and a
// second fade back to the original gives it back (clamped to its alpha).
TEST(MaskedOps, FadeAndBlend) {
  const int w = 23;
  std::mt19937 rng(9);
  std::vector<uint8_t> s(size_t(w) * 4), d(s.size()), m(s.size()), full(1024, 255);
  for (auto *v : {&s, &d, &m})
    for (auto &b : *v) b = uint8_t(rng());
  std::vector<uint8_t> out = d;
  ASSERT_TRUE(MaskedFade(out.data(), 0, s.data(), 0, 4, m.data(), 0, w, 1));
  for (int i = 0; i < 4 * w; ++i) {
    const int x = i & ~3, a = Q(long(m[x + 3]) * s[x + 3] + long(255 - m[x + 3]) * d[x + 3]);
    ASSERT_EQ(out[i], (i & 3) == 3 ? a : std::min(a, Q(long(m[i]) * s[i] + long(255 - m[i]) * d[i]))) << i;
  }
  ASSERT_TRUE(MaskedFade(out.data(), 0, d.data(), 0, 4, full.data(), 0, w, 1));
  for (int i = 0; i < 4 * w; ++i) ASSERT_EQ(out[i], std::min(d[i], d[i | 3])) << i;
  // MaskedBlend through a table that maps every mask byte to 255.
  out = d;
  ASSERT_TRUE(MaskedBlend(out.data(), 0, m.data(), 0, s.data(), 0, w, 1, full.data()));
  for (int i = 0; i < 4 * w; ++i) ASSERT_EQ(out[i], (i & 3) == 3 ? d[i] : std::min(s[i], d[i | 3])) << i;
  EXPECT_FALSE(MaskedFade(out.data(), 0, s.data(), 0, 8, m.data(), 0, w, 1));
}

}  // namespace
