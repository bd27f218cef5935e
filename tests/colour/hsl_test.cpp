// HSL conversions and the composite-amplitude checks: worked values, the
// round trip of every 8-bit colour, and the Return forms' corrections.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "kokernel/kohsl.h"

namespace {

struct HslCase {
  uint8_t r, g, b;
  double h, s, l;
};
class HslValues : public testing::TestWithParam<HslCase> {};

TEST_P(HslValues, WorkedValuesBothWays) {
  const HslCase c = GetParam();
  const KORGBA in{c.b, c.g, c.r, 200};
  KOHSL hsl, f;
  KORGBA_To_KOHSL(&hsl, &in);
  const double got[4] = {hsl.h, hsl.s, hsl.l, hsl.a}, want[4] = {c.h, c.s, c.l, 200 / 255.0};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
  const KODIBPIXEL px{c.b / 255.f, c.g / 255.f, c.r / 255.f, 1.f};
  KODIBPIXEL_To_KOHSL(&f, &px);
  EXPECT_NEAR(f.h + f.s + f.l, c.h + c.s + c.l, 1e-6);
  KORGBA back{};
  KOHSL_To_KORGBA(&back, &hsl);
  EXPECT_EQ(std::memcmp(&back, &in, 4), 0);
}
INSTANTIATE_TEST_SUITE_P(All, HslValues,
                         testing::Values(HslCase{255, 0, 0, 0, 1, 0.5}, HslCase{0, 255, 0, 1.0 / 3, 1, 0.5},
                                         HslCase{0, 0, 255, 2.0 / 3, 1, 0.5}, HslCase{255, 0, 255, 5.0 / 6, 1, 0.5},
                                         HslCase{128, 128, 128, 0, 0, 128 / 255.0}, HslCase{0, 0, 0, 0, 0, 0},
                                         HslCase{255, 128, 128, 0, 1, 383 / 510.0}));

TEST(HslEdges, BlackFullTurnAndTheTolerantForms) {
  const KOHSL black{0.3, 0.5, 0, 0.5}, turn{1.0, 1, 0.5, 1}, zero{0.0, 1, 0.5, 1};
  KORGBA out{1, 2, 3, 4};
  KOHSL_To_KORGBA(&out, &black);
  EXPECT_EQ(out.r * 65536 + out.g * 256 + out.b, 0);
  EXPECT_EQ(out.a, 128);
  KORGBAFLOAT a, b;
  KOHSL_To_KORGBAFLOAT(&a, &turn);
  KOHSL_To_KORGBAFLOAT(&b, &zero);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_EQ(a.r, 1.f);
  // Lightness above 1: the reading form flips the negative saturation to
  // positive, the writing form flips it back in the caller's record.
  const KODIBPIXEL bright{1.5f, 1.2f, 2.0f, 1.f};
  KOHSL t;
  KODIBPIXEL_To_KOHSL_Float(&t, &bright);
  EXPECT_GT(t.l, 1);
  EXPECT_GT(t.s, 0);
  KODIBPIXEL px;
  KOHSL_To_KODIBPIXEL_Float(&px, &t);
  EXPECT_LT(t.s, 0);
  EXPECT_NEAR(px.red + px.green * 10 + px.blue * 100, 2.0 + 12 + 150, 1e-4);
}

#ifndef _WIN32
TEST(HslRoundTrip, AllEightBitColours) {
  int bad = 0;
  for (uint32_t c = 0; c < (1u << 24); ++c) {
    const KORGBA in{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c * 7)};
    KOHSL hsl;
    KORGBA out;
    KORGBA_To_KOHSL(&hsl, &in);
    KOHSL_To_KORGBA(&out, &hsl);
    bad += std::memcmp(&in, &out, 4) != 0;
  }
  EXPECT_EQ(bad, 0);
}
#endif

struct HotCase {
  const char *name;
  int (*check)(const KORGBAFLOAT *);
  int (*fix)(KORGBAFLOAT *);
  double limit;
  bool yiq;
};
double Enc(double v) { return v < 0.018 ? 4.5 * v : 1.099 * std::pow(v, 0.45) - 0.099; }
// Y and chroma amplitude of a linear colour, straight from the tables.
void Measure(const KORGBAFLOAT &c, bool yiq, double *y, double *amp) {
  const double b = Enc(c.b), g = Enc(c.g), r = Enc(c.r);
  *y = 0.114 * b + 0.587 * g + 0.299 * r;
  const double c1 = yiq ? -0.321746 * b - 0.274133 * g + 0.595879 * r : 0.436798 * b - 0.289391 * g - 0.147407 * r;
  const double c2 = yiq ? 0.311878 * b - 0.523083 * g + 0.211205 * r : -0.099978 * b - 0.514799 * g + 0.614777 * r;
  *amp = std::hypot(c1, c2);
}

class HotChecks : public testing::TestWithParam<HotCase> {};

// Over a lattice of colours: the check agrees with the limit test; a
// colour that passes comes back unchanged with 0; a hot one keeps its luma
// and alpha, loses chroma and then passes.
TEST_P(HotChecks, DetectAndPullBack) {
  const HotCase k = GetParam();
  int hot = 0;
  for (int i = 0; i < 27; ++i) {
    const KORGBAFLOAT c{(i % 3) / 2.f, (i / 3 % 3) / 2.f, (i / 9) / 2.f, 0.5f};
    double y, amp, y2, amp2;
    Measure(c, k.yiq, &y, &amp);
    const int expect = (k.limit - y) * (k.limit - y) < amp * amp;
    KORGBAFLOAT fixed = c;
    ASSERT_EQ(k.check(&c), expect) << k.name << " colour " << i;
    ASSERT_EQ(k.fix(&fixed), expect);
    if (!expect) {
      EXPECT_EQ(std::memcmp(&fixed, &c, sizeof c), 0);
      continue;
    }
    ++hot;
    Measure(fixed, k.yiq, &y2, &amp2);
    EXPECT_LT(amp2, amp) << k.name << " colour " << i;
    EXPECT_NEAR(y2, y, 0.03) << k.name << " colour " << i;  // clamping to 0..1 may move it a little
    EXPECT_EQ(fixed.a, 0.5f);
    EXPECT_EQ(k.check(&fixed), 0) << k.name << " colour " << i;
  }
  EXPECT_GT(hot, 0);
}
INSTANTIATE_TEST_SUITE_P(All, HotChecks,
                         testing::Values(HotCase{"NTSCYIQ", HotCheckNTSCYIQ, HotCheckNTSCYIQReturn, 1.2162162, true},
                                         HotCase{"NTSCYUV", HotCheckNTSCYUV, HotCheckNTSCYUVReturn, 1.2162162, false},
                                         HotCase{"PALYUV", HotCheckPALYUV, HotCheckPALYUVReturn, 1.2, false}),
                         [](const testing::TestParamInfo<HotCase> &i) { return std::string(i.param.name); });

}  // namespace
