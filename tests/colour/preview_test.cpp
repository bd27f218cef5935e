// The 4:2:0 and UYVY preview conversions against a double-precision model
// of their arithmetic, with the worked values and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "colour/colour_test_util.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

using kotest::Pattern;

using Fn420 = HRESULT (*)(KOYUV420_ARGS);
// Output size and the luma / chroma blocks each output pixel averages, in
// the frame's sample coordinates, for the progressive order.
struct Variant {
  const char *name;
  Fn420 fn;
  int xs, ys;                // output = width / xs, height / ys
  int lumaCols, lumaRows;    // block
  int chromaCols, chromaRows;
};
const Variant kVariants[] = {
    {"Full", KoYUV420ToRGBA, 1, 1, 1, 1, 1, 1},
    {"HalfHorz", KoYUV420ToRGBA_HalfHorz, 2, 1, 2, 1, 1, 1},
    {"HalfBlend", KoYUV420ToRGBA_Half_BlendFields, 2, 2, 2, 2, 1, 2},
    {"QuarterHorzHalfVert", KoYUV420ToRGBA_QuarterHorz_HalfVert_BlendFields, 4, 2, 4, 2, 2, 2},
    {"QuarterBlend", KoYUV420ToRGBA_Quarter_BlendFields, 4, 4, 4, 4, 2, 2},
};

struct Frame420 {
  int w, h;
  std::vector<uint8_t> y, u, v;
  Frame420(Pattern p, int w_, int h_) : w(w_), h(h_) {
    y = kotest::MakePlane(p, w, h, 0, 255, 1);
    u = kotest::MakePlane(p, w / 2, h / 2, 0, 255, 2);
    v = kotest::MakePlane(p, w / 2, h / 2, 0, 255, 3);
  }
  int Y(int x, int r) const { return y[size_t(r) * w + x]; }
  int U(int x, int r) const { return u[size_t(r) * (w / 2) + x]; }
  int V(int x, int r) const { return v[size_t(r) * (w / 2) + x]; }
};

// The chroma rows an output row of a variant uses: for blended forms the
// row's own chroma row and its neighbour of the other field.
int ChromaRowOf(const Variant &v, int oy, int i, int chromaRows, bool interlaced, int h) {
  if (v.lumaRows == 1) {
    // One luma row: its own chroma row, by field when interlaced.
    if (!interlaced || ((h / 2) % 2 == 1 && oy >= h - 2)) return oy / 2;
    return 4 * (oy / 4) / 2 + (oy % 2);
  }
  if (v.lumaRows == 4) return 2 * oy + i;
  const int j = oy, k = j ^ 1;
  return i == 0 ? j : (k < chromaRows ? k : j);
}

// Integer paths: each stage's shift floors a value that carries a half of
// rounding, and the 14-bit coefficients are within 1/32768 of the exact
// ones, so every channel is within one level of the exact value.
constexpr double kIntegerBound = 1.0;

// Variant, matrix, mode, pattern, height: odd and even chroma row counts.
using Param = std::tuple<int, int, int, Pattern, int>;
class Preview420 : public testing::TestWithParam<Param> {};

TEST_P(Preview420, WithinOneLevelOfTheModel) {
  const auto [vi, matrix, mode, pattern, h] = GetParam();
  const Variant &var = kVariants[vi];
  const int w = 72;
  const Frame420 f(pattern, w, h);
  const int ow = w / var.xs, oh = var.ys == 4 ? h / 4 : h / var.ys;
  std::vector<uint8_t> out(size_t(ow) * oh * 4, 0xCD);
  ASSERT_EQ(var.fn(w, h, out.data(), 4 * ow, f.y.data(), w, f.u.data(), w / 2, f.v.data(), w / 2, mode,
                   515 + matrix),
            S_OK);
  const bool interlaced = mode == 1 && var.lumaRows == 1 && var.ys == 1;
  for (int oy = 0; oy < oh; ++oy)
    for (int ox = 0; ox < ow; ++ox) {
      double ys = 0, us = 0, vs = 0;
      for (int r = 0; r < var.lumaRows; ++r)
        for (int c = 0; c < var.lumaCols; ++c) ys += f.Y(ox * var.lumaCols + c, oy * var.lumaRows + r);
      for (int r = 0; r < var.chromaRows; ++r) {
        const int cr = ChromaRowOf(var, oy, r, h / 2, interlaced, h);
        for (int c = 0; c < var.chromaCols; ++c) {
          const int cx = var.lumaCols == 1 ? ox / 2 : ox * var.chromaCols + c;
          us += f.U(cx, cr);
          vs += f.V(cx, cr);
        }
      }
      const double n = var.lumaRows * var.lumaCols, m = var.chromaRows * var.chromaCols;
      double rgb[3];
      kotest::ModelRgb(matrix, ys / n, us / m - 128, vs / m - 128, 219.0 / 224.0, rgb);
      const uint8_t *p = &out[(size_t(oy) * ow + ox) * 4];
      for (int c = 0; c < 3; ++c)
        ASSERT_LE(std::fabs(p[c] - kotest::Clamp(rgb[c], 0, 255)), kIntegerBound)
            << var.name << " pixel " << ox << "," << oy << " channel " << c << " model " << rgb[c];
      ASSERT_EQ(p[3], 255);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, Preview420,
    testing::Combine(testing::Range(0, 5), testing::Range(0, 3), testing::Values(0, 1),
                     testing::Values(Pattern::Gradient, Pattern::Bars, Pattern::Noise), testing::Values(22, 20)),
    [](const testing::TestParamInfo<Param> &i) {
      return std::string(kVariants[std::get<0>(i.param)].name) + "_m" + std::to_string(std::get<1>(i.param)) +
             "_mode" + std::to_string(std::get<2>(i.param)) + "_" + kotest::PatternName(std::get<3>(i.param)) + "_h" +
             std::to_string(std::get<4>(i.param));
    });

// Worked values and refusals: grey stays grey and white stays at 235 in
// every size and mode; bad sizes and strides write nothing.
TEST(Preview420Values, LevelsMatricesAndRefusals) {
  const Fn420 all[] = {KoYUV420ToRGBA, KoYUV420ToRGBA_HalfHorz, KoYUV420ToRGBA_Half_BlendFields, KoYUV420ToRGBA_Half,
                       KoYUV420ToRGBA_QuarterHorz_HalfVert_BlendFields, KoYUV420ToRGBA_Quarter_BlendFields,
                       KoYUV420ToRGBA_Quarter};
  for (int luma : {128, 235})
    for (int mode : {0, 1})
      for (Fn420 fn : all) {
        std::vector<uint8_t> y(16 * 8, uint8_t(luma)), c(8 * 4, 128), out(16 * 8 * 4, 0);
        ASSERT_EQ(fn(16, 8, out.data(), 64, y.data(), 16, c.data(), 8, c.data(), 8, mode, -1), S_OK);
        EXPECT_EQ(out[0] + out[1] * 1000 + out[2] * 1000000 + out[3] * 1000000000ll, luma * 1001001 + 255000000000ll);
      }
  std::vector<uint8_t> y(64, 16), c(16, 128), out(256, 0xAB);
  const struct {
    Fn420 fn;
    int w, h;
    intptr_t dstStride;
  } bad[] = {{KoYUV420ToRGBA, 7, 4, 32}, {KoYUV420ToRGBA, 8, 3, 32}, {KoYUV420ToRGBA, 8, 4, 31},
             {KoYUV420ToRGBA, -8, 4, 32}, {KoYUV420ToRGBA_QuarterHorz_HalfVert_BlendFields, 6, 4, 32},
             {KoYUV420ToRGBA_HalfHorz, 8, 5, 32}};
  for (const auto &k : bad)
    EXPECT_EQ(k.fn(k.w, k.h, out.data(), k.dstStride, y.data(), 8, c.data(), 4, c.data(), 4, 0, -1), E_INVALIDARG);
  EXPECT_EQ(KoYUV420ToRGBA(8, 4, out.data(), 32, nullptr, 8, c.data(), 4, c.data(), 4, 0, -1), E_POINTER);
  uint32_t src[2] = {0x80808080u, 0x80808080u};
  EXPECT_EQ(KoUYVY2RGBA(out.data(), src, 15, 4, 1, 0), E_INVALIDARG);
  EXPECT_EQ(KoUYVY2RGBA(out.data(), src, 16, 3, 1, 0), E_INVALIDARG);
  EXPECT_EQ(KoUYVY2RGBA(out.data(), src, 16, 4, 0, 0), E_INVALIDARG);
  EXPECT_EQ(KoUYVY2RGB(nullptr, src, 16, 4, 1, 0), E_POINTER);
  EXPECT_EQ(KoRGBA2UYVY(out.data(), src, 16, 7, 4, 1, 0), E_INVALIDARG);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xAB; }));
  // The 4x4 form rounds width 6 down to 4; white RGB clamps luma to 254.
  EXPECT_EQ(KoYUV420ToRGBA_Quarter_BlendFields(6, 4, out.data(), 4, y.data(), 8, c.data(), 4, c.data(), 4, 0, -1), S_OK);
  const uint8_t white[6] = {255, 255, 255, 255, 255, 255};
  uint8_t q[4] = {};
  ASSERT_EQ(KoRGB2UYVY(q, white, 6, 4, 2, 1, 1), S_OK);
  EXPECT_EQ(q[0] << 24 | q[1] << 16 | q[2] << 8 | q[3], 128 << 24 | 254 << 16 | 128 << 8 | 254);
}

// ---- UYVY ---------------------------------------------------------------------

class Uyvy : public testing::TestWithParam<std::tuple<int, int, Pattern>> {};  // matrix, bpp, pattern

TEST_P(Uyvy, BothDirectionsWithinOneLevel) {
  const auto [m, bpp, pattern] = GetParam();
  const int w = 70, h = 5;
  const std::vector<uint8_t> packed = kotest::MakePlane(pattern, 2 * w, h, 0, 255, 7);
  std::vector<uint8_t> rgb(size_t(w) * h * bpp + 16);
  // A negative destination stride writes the rows bottom-up.
  const intptr_t stride = -intptr_t(w) * bpp;
  uint8_t *last = rgb.data() + size_t(h - 1) * w * bpp;
  const auto *src = reinterpret_cast<const uint32_t *>(packed.data());
  ASSERT_EQ(bpp == 4 ? KoUYVY2RGBA(last, src, stride, w, h, m + 1) : KoUYVY2RGB(last, src, stride, w, h, m + 1), S_OK);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) {
      const uint8_t *q = &packed[size_t(r) * 2 * w + 4 * (x / 2)];
      double model[3];
      kotest::ModelRgb(m, q[1 + 2 * (x % 2)], q[0] - 128, q[2] - 128, 219.0 / 224.0, model);
      const uint8_t *p = last + r * stride + x * bpp;
      for (int c = 0; c < 3; ++c)
        ASSERT_LE(std::fabs(p[c] - kotest::Clamp(model[c], 0, 255)), kIntegerBound) << x << "," << r;
      if (bpp == 4) {
        ASSERT_EQ(p[3], 255);
      }
    }
  // Back to UYVY: luma and pair-averaged chroma, clamped to 1..254.
  std::vector<uint8_t> back(size_t(2) * w * h);
  ASSERT_EQ(bpp == 4 ? KoRGBA2UYVY(back.data(), reinterpret_cast<const uint32_t *>(last), stride, 2 * w, w, h, m + 1)
                     : KoRGB2UYVY(back.data(), last, stride, 2 * w, w, h, m + 1),
            S_OK);
  double kr, kg, kb;
  kotest::LumaRow(m, &kr, &kg, &kb);
  const double s = 224.0 / 219.0, ku = 0.5 / (1 - kb), kv = 0.5 / (1 - kr);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; x += 2) {
      const uint8_t *p0 = last + r * stride + x * bpp, *p1 = p0 + bpp;
      auto luma = [&](const uint8_t *p) { return kr * p[2] + kg * p[1] + kb * p[0]; };
      const double y0 = luma(p0), y1 = luma(p1);
      const double u = 128 + s * ku * ((p0[0] + p1[0]) / 2.0 - (y0 + y1) / 2);
      const double v = 128 + s * kv * ((p0[2] + p1[2]) / 2.0 - (y0 + y1) / 2);
      const uint8_t *q = &back[size_t(r) * 2 * w + 2 * x];
      const double want[4] = {u, y0, v, y1};
      for (int c = 0; c < 4; ++c)
        ASSERT_LE(std::fabs(q[c] - kotest::Clamp(want[c], 1, 254)), kIntegerBound) << x << "," << r << " byte " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(All, Uyvy,
                         testing::Combine(testing::Range(0, 3), testing::Values(3, 4),
                                          testing::Values(Pattern::Gradient, Pattern::Bars, Pattern::Noise)));

}  // namespace
