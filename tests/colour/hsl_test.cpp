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
const HslCase kHsl[] = {
    {255, 0, 0, 0, 1, 0.5},          {0, 255, 0, 1.0 / 3, 1, 0.5}, {0, 0, 255, 2.0 / 3, 1, 0.5},
    {255, 255, 0, 1.0 / 6, 1, 0.5},  {0, 255, 255, 0.5, 1, 0.5},   {255, 0, 255, 5.0 / 6, 1, 0.5},
    {128, 128, 128, 0, 0, 128 / 255.0}, {0, 0, 0, 0, 0, 0},         {255, 255, 255, 0, 0, 1},
    {255, 128, 128, 0, 1, (255 + 128) / 510.0},
};

class HslValues : public testing::TestWithParam<HslCase> {};

TEST_P(HslValues, WorkedValuesBothWays) {
  const HslCase c = GetParam();
  const KORGBA in{c.b, c.g, c.r, 200};
  KOHSL hsl;
  KORGBA_To_KOHSL(&hsl, &in);
  EXPECT_NEAR(hsl.h, c.h, 1e-12);
  EXPECT_NEAR(hsl.s, c.s, 1e-12);
  EXPECT_NEAR(hsl.l, c.l, 1e-12);
  EXPECT_NEAR(hsl.a, 200 / 255.0, 1e-12);
  // The float forms give the same record.
  const KODIBPIXEL px{c.b / 255.f, c.g / 255.f, c.r / 255.f, 1.f};
  KOHSL f;
  KODIBPIXEL_To_KOHSL(&f, &px);
  EXPECT_NEAR(f.h, c.h, 1e-6);
  EXPECT_NEAR(f.l, c.l, 1e-6);
  KORGBA back{};
  KOHSL_To_KORGBA(&back, &hsl);
  EXPECT_EQ(back.r, c.r);
  EXPECT_EQ(back.g, c.g);
  EXPECT_EQ(back.b, c.b);
  EXPECT_EQ(back.a, 200);
}
INSTANTIATE_TEST_SUITE_P(All, HslValues, testing::ValuesIn(kHsl));

TEST(HslEdges, BlackKeepsAlphaAndFullTurnIsRed) {
  const KOHSL black{0.3, 0.5, 0, 0.5};
  KORGBA out{1, 2, 3, 4};
  KOHSL_To_KORGBA(&out, &black);
  EXPECT_EQ(out.r + out.g + out.b, 0);
  EXPECT_EQ(out.a, 128);
  KORGBAFLOAT a, b;
  const KOHSL turn{1.0, 1, 0.5, 1}, zero{0.0, 1, 0.5, 1};
  KOHSL_To_KORGBAFLOAT(&a, &turn);
  KOHSL_To_KORGBAFLOAT(&b, &zero);
  EXPECT_EQ(a.r, b.r);
  EXPECT_EQ(a.g, b.g);
  EXPECT_EQ(a.b, b.b);
  EXPECT_EQ(a.r, 1.f);
  // The tolerant forms: lightness above 1 flips the saturation's sign both ways.
  const KODIBPIXEL bright{1.5f, 1.2f, 2.0f, 1.f};
  KOHSL t;
  KODIBPIXEL_To_KOHSL_Float(&t, &bright);
  EXPECT_GT(t.l, 1);
  EXPECT_GT(t.s, 0);  // 2 - max - min is negative here; the sign flip makes it positive
  KOHSL copy = t;
  KODIBPIXEL px;
  KOHSL_To_KODIBPIXEL_Float(&px, &copy);
  EXPECT_LT(copy.s, 0);
  EXPECT_NEAR(px.red, 2.0f, 1e-5);
  EXPECT_NEAR(px.green, 1.2f, 1e-5);
  EXPECT_NEAR(px.blue, 1.5f, 1e-5);
}

#ifndef _WIN32
// Every 8-bit colour comes back unchanged.
TEST(HslRoundTrip, AllEightBitColours) {
  int bad = 0;
  for (uint32_t c = 0; c < (1u << 24); ++c) {
    const KORGBA in{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c * 7)};
    KOHSL hsl;
    KORGBA_To_KOHSL(&hsl, &in);
    KORGBA out;
    KOHSL_To_KORGBA(&out, &hsl);
    if (out.r != in.r || out.g != in.g || out.b != in.b || out.a != in.a) ++bad;
  }
  EXPECT_EQ(bad, 0);
}
#endif

// ---- Composite checks ----------------------------------------------------------

using Check = int (*)(const KORGBAFLOAT *);
using Fix = int (*)(KORGBAFLOAT *);
struct HotCase {
  const char *name;
  Check check;
  Fix fix;
  double limit;  // of the detection test
  bool yiq;
};
const HotCase kHot[] = {{"NTSCYIQ", HotCheckNTSCYIQ, HotCheckNTSCYIQReturn, 1.2162162, true},
                        {"NTSCYUV", HotCheckNTSCYUV, HotCheckNTSCYUVReturn, 1.2162162, false},
                        {"PALYUV", HotCheckPALYUV, HotCheckPALYUVReturn, 1.2, false}};

double Enc(double v) { return v < 0.018 ? 4.5 * v : 1.099 * std::pow(v, 0.45) - 0.099; }
// Y and chroma amplitude of a linear colour, straight from the tables.
void Measure(const KORGBAFLOAT &c, bool yiq, double *y, double *amp) {
  const double b = Enc(c.b), g = Enc(c.g), r = Enc(c.r);
  *y = 0.114 * b + 0.587 * g + 0.299 * r;
  const double c1 = yiq ? -0.321746 * b - 0.274133 * g + 0.595879 * r : 0.436798 * b - 0.289391 * g - 0.147407 * r;
  const double c2 = yiq ? 0.311878 * b - 0.523083 * g + 0.211205 * r : -0.099978 * b - 0.514799 * g + 0.614777 * r;
  *amp = std::sqrt(c1 * c1 + c2 * c2);
}

class HotChecks : public testing::TestWithParam<HotCase> {};

TEST_P(HotChecks, DetectAndPullBack) {
  const HotCase k = GetParam();
  const KORGBAFLOAT white{1, 1, 1, 0.25f}, grey{0.3f, 0.3f, 0.3f, 1};
  EXPECT_EQ(k.check(&white), 0);
  KORGBAFLOAT w = white;
  EXPECT_EQ(k.fix(&w), 0);
  EXPECT_EQ(std::memcmp(&w, &white, sizeof w), 0);
  EXPECT_EQ(k.check(&grey), 0);
  // A sweep of saturated colours: the check agrees with the limit test, and
  // a corrected colour keeps its luma, has less chroma and passes.
  int hot = 0;
  for (int i = 0; i < 27; ++i) {
    const KORGBAFLOAT c{(i % 3) / 2.f, (i / 3 % 3) / 2.f, (i / 9) / 2.f, 0.5f};
    double y, amp;
    Measure(c, k.yiq, &y, &amp);
    const bool expect = (k.limit - y) * (k.limit - y) < amp * amp;
    ASSERT_EQ(k.check(&c), expect ? 1 : 0) << k.name << " colour " << i;
    KORGBAFLOAT fixed = c;
    ASSERT_EQ(k.fix(&fixed), expect ? 1 : 0);
    if (!expect) continue;
    ++hot;
    double y2, amp2;
    Measure(fixed, k.yiq, &y2, &amp2);
    EXPECT_LT(amp2, amp) << k.name << " colour " << i;
    EXPECT_NEAR(y2, y, 0.03) << k.name << " colour " << i;  // clamping to 0..1 may move it a little
    EXPECT_EQ(fixed.a, 0.5f);
    EXPECT_EQ(k.check(&fixed), 0) << k.name << " colour " << i;
  }
  EXPECT_GT(hot, 0);
}
INSTANTIATE_TEST_SUITE_P(All, HotChecks, testing::ValuesIn(kHot),
                         [](const testing::TestParamInfo<HotCase> &i) { return std::string(i.param.name); });

TEST(HotCheckValues, SaturatedYellowIsHotForYiq) {
  const KORGBAFLOAT yellow{0, 1, 1, 1};
  double y, amp;
  Measure(yellow, true, &y, &amp);
  EXPECT_NEAR(y, 0.886, 1e-9);
  EXPECT_NEAR(amp, 0.448, 1e-3);
  EXPECT_EQ(HotCheckNTSCYIQ(&yellow), 1);
}

}  // namespace
