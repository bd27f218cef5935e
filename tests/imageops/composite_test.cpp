// Compositing, blending and multiplies against models of each formula in
// exact rational arithmetic (8-bit) or doubles (float), plus the identities
// a compositor relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
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

TEST_P(CompositeModes, MatchModelAndIdentities) {
  const auto [mode, bpp, opacity] = GetParam();
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
        if (o == 0 && !(mode == 5 && c == 3)) ASSERT_EQ(out[i + c], d);
        if (mode == 1 && o == 255 && s8[i + 3] == 255) ASSERT_EQ(out[i + c], s);
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

INSTANTIATE_TEST_SUITE_P(Modes, CompositeModes, testing::ValuesIn(AllComposites()),
                         [](const testing::TestParamInfo<CompositeCase> &i) {
                           return "mode" + std::to_string(i.param.mode) + "_bpp" + std::to_string(i.param.bpp) +
                                  "_op" + std::to_string(int(i.param.opacity * 100));
                         });

// Unknown modes and pixel sizes write nothing; empty sizes succeed.
TEST(Composite, Refusals) {
  uint8_t d[64], s[64];
  std::memset(d, 7, sizeof d), std::memset(s, 200, sizeof s);
  const struct {
    int bpp, w, h, mode;
    bool ok;
  } rows[] = {{4, 4, 1, 0, false}, {4, 4, 1, 8, false}, {16, 1, 1, -1, false}, {8, 2, 1, 1, false},
              {3, 4, 1, 1, false}, {4, 0, 1, 1, true},  {16, 4, -2, 1, true}};
  for (const auto &r : rows) {
    EXPECT_EQ(Composite(d, 64, s, 64, r.bpp, r.w, r.h, r.mode, 1.0), r.ok) << r.bpp << " " << r.mode;
    EXPECT_TRUE(std::all_of(d, d + 64, [](uint8_t b) { return b == 7; }));
  }
  EXPECT_FALSE(Composite(nullptr, 16, s, 16, 4, 4, 1, 1, 1.0));
}

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
        if (amount == 1.0 && c < 3) ASSERT_EQ(out[4 * x + c], std::min(dp[c], dp[3]));
      }
  }
}

// Multiply: the worked values and the 8-bit rule (c f + 127) / 256.
TEST(Multiply, WorkedValues) {
  uint8_t p[8] = {200, 200, 200, 200, 100, 100, 100, 150};
  ASSERT_TRUE(Multiply(p, 8, 4, 1, 1, 0.5, false));
  EXPECT_EQ(p[0], 100);
  EXPECT_EQ(p[3], 100);
  ASSERT_TRUE(Multiply(p + 4, 8, 4, 1, 1, 2.0, true));
  EXPECT_EQ(p[4], 150);  // 200 clamped to the alpha
  EXPECT_EQ(p[7], 150);
  float f[4] = {0.2f, 0.4f, 0.6f, 0.5f};
  ASSERT_TRUE(Multiply(f, 16, 16, 1, 1, 2.0, true));
  EXPECT_FLOAT_EQ(f[0], 0.4f);
  EXPECT_FLOAT_EQ(f[1], 0.5f);
  EXPECT_FLOAT_EQ(f[3], 0.5f);
  EXPECT_FALSE(Multiply(p, 8, 8, 1, 1, 1.0, false));
}

TEST(Thresholds, ClearFloatAndClip) {
  uint8_t p[4] = {127, 128, 0, 255};
  ASSERT_TRUE(ThresholdClear(p, 4, 4, 1, 1, 0.5f));
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[1], 128);
  EXPECT_FALSE(ThresholdClear(p, 4, 2, 1, 1, 0.5f));
  // low = high: the range is 0.0001 and values at the top become >= 1.
  float f[8] = {0.1f, 0.5f, 0.49999f, 0.7f, 0.49995f, 2.0f, 0.3f, 0.5f};
  ASSERT_TRUE(ThresholdFloat(f, 32, 2, 1, 0.5, 0.5));
  EXPECT_EQ(f[0], 0.0f);
  EXPECT_EQ(f[1], 1.0f);
  EXPECT_EQ(f[2], 0.0f);  // below low comes first
  EXPECT_EQ(f[3], 1.0f);
  EXPECT_EQ(f[4], 0.0f);
  EXPECT_EQ(f[5], 2.0f);
  // Clip on the 0..255 scale: values above threshold x 255 become
  // max(floor x 255, alpha); restoring again changes nothing.
  float c[4] = {250.0f, 100.0f, 240.0f, 120.0f};
  ASSERT_TRUE(ClipRestore(c, 16, 1, 1, 0.9, 0.2));
  EXPECT_EQ(c[0], 120.0f);
  EXPECT_EQ(c[1], 100.0f);
  EXPECT_EQ(c[2], 120.0f);
  ASSERT_TRUE(FocusPrep(c, 16, 1, 1, 0.9, 0.2));
  EXPECT_EQ(c[0], 120.0f);
}

// Masked fade to a colour and back: mask 255 takes the source (clamped to
// its alpha), mask 0 gives back the destination; 8-bit against the model.
TEST(MaskedOps, FadeAndBlend) {
  const int w = 23;
  std::mt19937 rng(9);
  std::vector<uint8_t> s(size_t(w) * 4), d(s.size()), m(s.size());
  for (auto *v : {&s, &d, &m})
    for (auto &b : *v) b = uint8_t(rng());
  std::vector<uint8_t> out = d;
  ASSERT_TRUE(MaskedFade(out.data(), 0, s.data(), 0, 4, m.data(), 0, w, 1));
  for (int x = 0; x < w; ++x) {
    const int a = Q(long(m[4 * x + 3]) * s[4 * x + 3] + long(255 - m[4 * x + 3]) * d[4 * x + 3]);
    ASSERT_EQ(out[4 * x + 3], a);
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(out[4 * x + c], std::min(a, Q(long(m[4 * x + c]) * s[4 * x + c] + long(255 - m[4 * x + c]) * d[4 * x + c])));
  }
  std::vector<uint8_t> full(s.size(), 255), none(s.size(), 0);
  out = d;
  ASSERT_TRUE(MaskedFade(out.data(), 0, s.data(), 0, 4, full.data(), 0, w, 1));
  ASSERT_TRUE(MaskedFade(out.data(), 0, d.data(), 0, 4, full.data(), 0, w, 1));
  for (int i = 0; i < 4 * w; ++i) ASSERT_EQ(out[i], (i & 3) == 3 ? d[i] : std::min(d[i], d[i | 3])) << i;
  out = d;
  ASSERT_TRUE(MaskedBlend(out.data(), 0, none.data(), 0, s.data(), 0, w, 1, nullptr));
  for (int i = 0; i < 4 * w; ++i) ASSERT_EQ(out[i], (i & 3) == 3 ? d[i] : std::min(d[i], d[i | 3])) << i;
  // A table maps each mask byte per channel: an all-255 table takes the
  // source whatever the mask.
  std::vector<uint8_t> lut(1024, 255);
  out = d;
  ASSERT_TRUE(MaskedBlend(out.data(), 0, none.data(), 0, s.data(), 0, w, 1, lut.data()));
  for (int i = 0; i < 4 * w; ++i) ASSERT_EQ(out[i], (i & 3) == 3 ? d[i] : std::min(s[i], d[i | 3])) << i;
  EXPECT_FALSE(MaskedFade(out.data(), 0, s.data(), 0, 8, m.data(), 0, w, 1));
}

// Channel multiplies: the plain product near scale 1, the scaled formula
// otherwise, and the channel checks.
TEST(MultiplyChannel, FormulasAndChecks) {
  uint8_t d[8] = {200, 10, 20, 30, 200, 10, 20, 30};
  const uint8_t s[8] = {128, 0, 0, 0, 128, 0, 0, 0};
  ASSERT_TRUE(MultiplyChannel(d, 8, 4, 0, s, 8, 0, 1, 1, 1.0, 0.0));
  EXPECT_EQ(d[0], (200 * 128 + 127) / 255);
  ASSERT_TRUE(MultiplyChannel(d + 4, 8, 4, 0, s + 4, 8, 0, 1, 1, 2.0, 0.1));
  EXPECT_EQ(d[4], std::min(255, int(((128 * 2048 + 102) * 200 + 130560) / (255 * 1024))));
  EXPECT_FALSE(MultiplyChannel(d, 8, 4, 4, s, 8, 0, 1, 1, 1.0, 0.0));
  EXPECT_FALSE(MultiplyChannel(d, 8, 4, 0, s, 8, 4, 1, 1, 1.0, 0.0));
  float f[4] = {0, 0, 0, 0};
  ASSERT_TRUE(MultiplyChannel(f, 16, 16, 2, s, 16, 0, 1, 1, 1.0, 0.25));
  EXPECT_FLOAT_EQ(f[2], 128 / 255.0f + 0.25f);
  uint8_t m[4] = {255, 0, 51, 255}, p[4] = {100, 100, 100, 100};
  ASSERT_TRUE(MaskMultiply(p, 4, 4, m, 4, 1, 1, -1, 1.0, 0.0));
  EXPECT_EQ(p[0], 100);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 20);
  EXPECT_FALSE(MaskMultiply(p, 4, 4, m, 4, 1, 1, 4, 1.0, 0.0));
}

TEST(CopiesAndFills, BytesAndFloats) {
  uint32_t px[6] = {};
  ASSERT_TRUE(Fill(px, 12, 4, 3, 2, 1.0f, 0.5f, 0.0f, 0.25f));
  for (uint32_t v : px) EXPECT_EQ(v, 0xFF800040u);
  float f[8];
  ASSERT_TRUE(Fill(f, 32, 16, 2, 1, 1.0f, 0.5f, 0.25f, 0.125f));
  EXPECT_EQ(f[4], 0.125f);
  EXPECT_EQ(f[7], 1.0f);
  EXPECT_TRUE(Fill(f, 32, 7, 2, 1, 1, 1, 1, 1));  // other sizes: nothing, true
  EXPECT_EQ(f[0], 0.125f);
  uint8_t a[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, b[12] = {};
  ASSERT_TRUE(BitmapCopy(b + 8, -4, a, 4, 2, 2, 3));  // bottom-up destination
  EXPECT_EQ(b[8], 1);
  EXPECT_EQ(b[0], 9);
  EXPECT_EQ(b[1], 10);
  uint8_t c[8] = {};
  ASSERT_TRUE(ChannelCopy(c + 2, 4, 4, 2, 1, a + 1, 12, 4));
  EXPECT_EQ(c[2], 2);
  EXPECT_EQ(c[6], 6);
  EXPECT_EQ(c[0], 0);
  float m1[3] = {1, 2, 3};
  const float m2[3] = {0.5f, 4, -1};
  ASSERT_TRUE(MultiplyMasks(m1, 12, m2, 12, 3, 1));
  EXPECT_EQ(m1[0], 0.5f);
  EXPECT_EQ(m1[1], 8.0f);
  EXPECT_EQ(m1[2], -3.0f);
}

}  // namespace
