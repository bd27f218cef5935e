// YUV frames to and from RGB against a double-precision model of the
// formulas, written and read through a layout writer of the test's own;
// round trips through every target layout; exact layout repacks; refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "colour/colour_test_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"
#include "pixels/xchg.h"

namespace {

using kotest::Pattern;

constexpr uint32_t CC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

// How each layout stores its samples, from the layout table.
enum class K { P8, S8, S16, P16, YUYV, UYVY, Y210, V210 };
struct Desc {
  const char *name;
  K kind;
  int hs, vs;
};
const Desc kLayouts[] = {
    {"I420", K::P8, 1, 1}, {"YV12", K::P8, 1, 1},  {"NV12", K::S8, 1, 1},   {"YV16", K::P8, 1, 0},
    {"YV24", K::P8, 0, 0}, {"YUYV", K::YUYV, 1, 0}, {"UYVY", K::UYVY, 1, 0}, {"P010", K::S16, 1, 1},
    {"P012", K::S16, 1, 1}, {"PL10", K::S16, 1, 1}, {"P210", K::S16, 1, 0},  {"P212", K::S16, 1, 0},
    {"P216", K::S16, 1, 0}, {"P410", K::P16, 0, 0}, {"P412", K::P16, 0, 0},  {"A410", K::P16, 0, 0},
    {"Y210", K::Y210, 1, 0}, {"v210", K::V210, 1, 0},
};
uint32_t Code(const char *s) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}
bool Wide(K k) { return k == K::S16 || k == K::P16 || k == K::Y210 || k == K::V210; }
const Desc &DescOf(const std::string &n) {
  for (const Desc &d : kLayouts)
    if (n == d.name) return d;
  return kLayouts[0];
}

BITMAPINFOHEADER YuvHeader(uint32_t code, int w, int h) {
  BITMAPINFOHEADER b{};
  b.biSize = sizeof b;
  b.biWidth = w;
  b.biHeight = h;
  b.biPlanes = 1;
  b.biCompression = code;
  return b;
}

// Samples at their own resolution: luma w x h, chroma cw x ch (8- or
// 10-bit values).
struct Samples {
  int w, h, cw, ch;
  std::vector<int> y, u, v;
};
Samples MakeSamples(const Desc &d, Pattern p, int w, int h) {
  Samples s{w, h, w >> d.hs, h >> d.vs, {}, {}, {}};
  const int top = Wide(d.kind) ? 1023 : 255;
  auto take = [&](std::vector<uint8_t> plane, std::vector<int> &out, uint32_t seed) {
    std::mt19937 rng(seed);
    out.resize(plane.size());
    for (size_t i = 0; i < plane.size(); ++i)
      out[i] = top == 255 ? plane[i] : std::min(1023, plane[i] * 4 + int(rng() % 4));
  };
  take(kotest::MakePlane(p, w, h, 0, 255, 11), s.y, 1);
  take(kotest::MakePlane(p, s.cw, s.ch, 0, 255, 12), s.u, 2);
  take(kotest::MakePlane(p, s.cw, s.ch, 0, 255, 13), s.v, 3);
  return s;
}

void Put16(uint8_t *p, int v) {
  p[0] = uint8_t(v << 6);
  p[1] = uint8_t((v << 6) >> 8);
}
void Or32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] |= uint8_t(v >> (8 * i));
}

// Writes the samples into a frame of the layout KoYUVImageBytesAndOffsets
// gives; the buffer has exactly the frame's size.
std::vector<uint8_t> WriteFrame(const Desc &d, const Samples &s, KoYUVPlaneLayout *l) {
  const BITMAPINFOHEADER hdr = YuvHeader(Code(d.name), s.w, s.h);
  const uint32_t size = KoYUVImageBytesAndOffsets(&hdr, l);
  std::vector<uint8_t> f(size, 0);
  for (int r = 0; r < s.h; ++r)
    for (int x = 0; x < s.w; ++x) {
      const int Y = s.y[size_t(r) * s.w + x];
      uint8_t *row = f.data() + size_t(l->lumaStride) * r;
      switch (d.kind) {
        case K::P8:
        case K::S8: row[x] = uint8_t(Y); break;
        case K::S16:
        case K::P16: Put16(row + 2 * x, Y); break;
        case K::YUYV: row[2 * x] = uint8_t(Y); break;
        case K::UYVY: row[2 * x + 1] = uint8_t(Y); break;
        case K::Y210: Put16(row + 4 * x, Y); break;
        case K::V210: {
          static const int pos[6] = {1, 3, 5, 7, 9, 11};  // stream index of Y0..Y5
          const int i = pos[x % 6];
          Or32(row + 16 * (x / 6) + 4 * (i / 3), uint32_t(Y) << (10 * (i % 3)));
          break;
        }
      }
    }
  for (int r = 0; r < s.ch; ++r)
    for (int c = 0; c < s.cw; ++c) {
      const int U = s.u[size_t(r) * s.cw + c], V = s.v[size_t(r) * s.cw + c];
      uint8_t *cb = f.data() + l->cbOffset + size_t(l->cbStride) * r;
      uint8_t *cr = f.data() + l->crOffset + size_t(l->crStride) * r;
      uint8_t *row = f.data() + size_t(l->lumaStride) * r;
      switch (d.kind) {
        case K::P8: cb[c] = uint8_t(U), cr[c] = uint8_t(V); break;
        case K::S8: cb[2 * c] = uint8_t(U), cb[2 * c + 1] = uint8_t(V); break;
        case K::S16: Put16(cb + 4 * c, U), Put16(cb + 4 * c + 2, V); break;
        case K::P16: Put16(cb + 2 * c, U), Put16(cr + 2 * c, V); break;
        case K::YUYV: row[4 * c + 1] = uint8_t(U), row[4 * c + 3] = uint8_t(V); break;
        case K::UYVY: row[4 * c] = uint8_t(U), row[4 * c + 2] = uint8_t(V); break;
        case K::Y210: Put16(row + 8 * c + 2, U), Put16(row + 8 * c + 6, V); break;
        case K::V210: {
          const int iu = 4 * (c % 3), iv = iu + 2;  // stream index of Cb, Cr of pair c
          uint8_t *g = row + 16 * (c / 3);
          Or32(g + 4 * (iu / 3), uint32_t(U) << (10 * (iu % 3)));
          Or32(g + 4 * (iv / 3), uint32_t(V) << (10 * (iv % 3)));
          break;
        }
      }
    }
  return f;
}

struct Rgb {
  BITMAPINFOHEADER h{};
  std::vector<uint8_t> bits;
  int stride;
  Rgb(int type, int w, int hgt) {
    uint32_t size = 0;
    EXPECT_EQ(KoVideo_InitBitmapInfo(&h, type, w, hgt, nullptr, 0, &size), S_OK);
    stride = (type == KOPT_RGBAFLOAT ? 16 : 4) * w;
    bits.assign(size_t(stride) * hgt + 1, 0xCD);
  }
};

// Model of the float path: levels, matrix, bottom-up rows, point sampling.
void ModelPixel(const Desc &d, const Samples &s, int m, bool expand, bool toFloat, int x, int y, double out[3]) {
  const int Y = s.y[size_t(y) * s.w + x];
  const int cx = std::min(x >> d.hs, s.cw - 1), cy = std::min(y >> d.vs, s.ch - 1);
  const bool wide = Wide(d.kind);
  const double neutral = wide ? 512 : 128;
  const double U = cx < 0 || cy < 0 ? neutral : s.u[size_t(cy) * s.cw + cx];
  const double V = cx < 0 || cy < 0 ? neutral : s.v[size_t(cy) * s.cw + cx];
  const double k = wide ? (expand ? 0.25 : 255.0 / 1023) : 1.0;
  const double lumaOff = expand ? (wide ? 64 : 16) : 0;
  const double unit = toFloat ? 1.0 / 255 : 1.0;
  const double ls = (expand ? 255.0 / 219 : 1.0) * k * unit, cs = (expand ? 255.0 / 224 : 219.0 / 224) * k * unit;
  kotest::ModelRgb(m, (Y - lumaOff) * ls, U - neutral, V - neutral, cs, out);
}

// Within one level: the float path rounds once and its single-precision
// coefficients differ from the exact ones by well under 1/1000 of a level.
using ToRgbParam = std::tuple<std::string, int, bool, int, bool, int>;  // layout, matrix, expand, reduce, float, size
class YuvToRgb : public testing::TestWithParam<ToRgbParam> {};

TEST_P(YuvToRgb, WithinOneLevelOfTheModel) {
  const auto [name, m, expand, reduce, toFloat, size] = GetParam();
  static const int kSizes[][2] = {{38, 10}, {5, 3}, {1, 1}};
  const int w = kSizes[size][0], h = kSizes[size][1];
  const Desc &d = DescOf(name);
  const Samples s = MakeSamples(d, Pattern::Noise, w, h);
  KoYUVPlaneLayout l;
  const std::vector<uint8_t> frame = WriteFrame(d, s, &l);
  const BITMAPINFOHEADER yh = YuvHeader(Code(d.name), w, h);
  const int ow = w >> reduce, oh = h >> reduce;
  Rgb out(toFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, std::max(ow, 1), std::max(oh, 1));
  const KoYUVColorInfo ci{0, uint32_t(515 + m), 0, 0};
  const KoYUVConvertParams params{};
  ASSERT_EQ(KoYUV_YUVToRGB(&out.h, expand ? 2.2222222222222223 : 0.0, out.bits.data(), out.stride, &yh, &ci,
                           frame.data(), &l, reduce, 0, &params),
            S_OK);
  for (int oy = 0; oy < oh; ++oy)
    for (int ox = 0; ox < ow; ++ox) {
      double want[3];
      ModelPixel(d, s, m, expand, toFloat, ox << reduce, oy << reduce, want);
      const uint8_t *row = out.bits.data() + size_t(out.stride) * (oh - 1 - oy);
      for (int c = 0; c < 3; ++c) {
        if (toFloat) {
          const float got = reinterpret_cast<const float *>(row)[4 * ox + c];
          ASSERT_NEAR(got, want[c], 1.0 / 255) << name << " " << ox << "," << oy;
        } else {
          ASSERT_LE(std::fabs(row[4 * ox + c] - kotest::Clamp(want[c], 0, 255)), 1.0)
              << name << " " << ox << "," << oy << " channel " << c << " model " << want[c];
        }
      }
    }
}

std::vector<std::string> AllLayouts() {
  std::vector<std::string> v;
  for (const Desc &d : kLayouts) v.push_back(d.name);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    All, YuvToRgb,
    testing::Combine(testing::ValuesIn(AllLayouts()), testing::Range(0, 3), testing::Bool(), testing::Values(0, 2),
                     testing::Bool(), testing::Range(0, 3)),
    [](const testing::TestParamInfo<ToRgbParam> &i) {
      return std::get<0>(i.param) + "_m" + std::to_string(std::get<1>(i.param)) +
             (std::get<2>(i.param) ? "_expand" : "_studio") + "_r" + std::to_string(std::get<3>(i.param)) +
             (std::get<4>(i.param) ? "_float" : "_bytes") + "_s" + std::to_string(std::get<5>(i.param));
    });

// The 8-bit 4:2:0 studio path is the preview converter, rows reversed.
TEST(YuvToRgbPaths, StudioI420IsTheIntegerConverter) {
  const int w = 64, h = 16;
  const Samples s = MakeSamples(kLayouts[0], Pattern::Bars, w, h);
  KoYUVPlaneLayout l;
  const std::vector<uint8_t> f = WriteFrame(kLayouts[0], s, &l);
  const BITMAPINFOHEADER yh = YuvHeader(CC("I420"), w, h);
  for (uint32_t interlace : {0u, 1u}) {
    Rgb out(KOPT_RGB32, w, h);
    const KoYUVColorInfo ci{0, 516, 0, interlace};
    ASSERT_EQ(KoYUV_YUVToRGB(&out.h, 0, out.bits.data(), 0, &yh, &ci, f.data(), nullptr, 0, 0, nullptr), S_OK);
    std::vector<uint8_t> pre(size_t(w) * h * 4);
    ASSERT_EQ(KoYUV420ToRGBA(w, h, pre.data(), 4 * w, f.data(), w, f.data() + l.cbOffset, l.cbStride,
                             f.data() + l.crOffset, l.crStride, int(interlace), 516),
              S_OK);
    for (int r = 0; r < h; ++r)
      ASSERT_EQ(std::memcmp(out.bits.data() + size_t(4) * w * (h - 1 - r), pre.data() + size_t(4) * w * r, 4 * w), 0)
          << "row " << r;
  }
}

// A gamma ratio away from 1 applies the tone curve to every channel.
TEST(YuvToRgbPaths, GammaRatioAppliesTheToneCurve) {
  const int w = 40, h = 4;
  const Samples s = MakeSamples(DescOf("YUYV"), Pattern::Gradient, w, h);
  KoYUVPlaneLayout l;
  const std::vector<uint8_t> f = WriteFrame(DescOf("YUYV"), s, &l);
  const BITMAPINFOHEADER yh = YuvHeader(CC("YUYV"), w, h);
  KoYUVConvertParams params{};
  params.gamma = 2.2222222222222223;
  const double outputGamma = 1.0;
  KoToneCurve curve;
  ko::pixels::xchg::CurveInit(&curve, params.gamma / outputGamma);
  for (bool toFloat : {false, true}) {
    Rgb out(toFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, w, h);
    ASSERT_EQ(KoYUV_YUVToRGB(&out.h, outputGamma, out.bits.data(), out.stride, &yh, nullptr, f.data(), &l, 0, 0, &params),
              S_OK);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double want[3];
        ModelPixel(DescOf("YUYV"), s, 1, true, toFloat, x, y, want);  // 40x4: BT.709 by size
        const uint8_t *row = out.bits.data() + size_t(out.stride) * (h - 1 - y);
        for (int c = 0; c < 3; ++c) {
          const double unit = toFloat ? 1.0 : 255.0;
          const double lin = kotest::Clamp(want[c] / unit, 0, 1);
          const double expect = ko::pixels::xchg::CurveEval(curve, lin) * unit;
          const double got = toFloat ? reinterpret_cast<const float *>(row)[4 * x + c] : row[4 * x + c];
          // One level, plus what the 256-step table's interpolation adds.
          ASSERT_NEAR(got, expect, (toFloat ? 1.0 / 255 : 1.0) * 1.5) << x << "," << y << " channel " << c;
        }
      }
  }
}

// ---- RGB to YUV and back ----------------------------------------------------------

// RGB images whose colours are constant over aligned 2x2 blocks, so that
// chroma subsampling loses nothing; even and odd rows differ for the field
// test.
std::vector<uint8_t> BlockImage(int w, int h, bool fieldsDiffer) {
  std::vector<uint8_t> v(size_t(w) * h * 4);
  std::mt19937 rng(99);
  std::vector<uint32_t> colours(size_t((w + 1) / 2) * ((h + 1) / 2) * 2);
  for (auto &c : colours) c = rng();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int field = fieldsDiffer ? y % 2 : 0;
      const int block = fieldsDiffer ? (y / 4) * ((w + 1) / 2) + x / 2 : (y / 2) * ((w + 1) / 2) + x / 2;
      const uint32_t c = colours[size_t(block) * 2 + field];
      std::memcpy(&v[(size_t(y) * w + x) * 4], &c, 4);
      v[(size_t(y) * w + x) * 4 + 3] = 255;
    }
  return v;
}

// Compressing to studio levels and expanding back: luma quantisation is at
// most 0.5 of a studio level (0.58 of an RGB level), chroma quantisation
// 0.5 of a studio level times the largest coefficient (at most 1.07 RGB
// levels), and the output rounds once: within 2 levels.
constexpr int kRoundTripBound = 2;

class RoundTrip : public testing::TestWithParam<std::tuple<std::string, int, bool>> {};  // layout, matrix, float

TEST_P(RoundTrip, RgbYuvRgbWithinTwoLevels) {
  const auto [name, m, useFloat] = GetParam();
  const int w = 36, h = 8;
  const uint32_t code = Code(name.c_str());
  const std::vector<uint8_t> img = BlockImage(w, h, false);
  Rgb src(useFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, w, h);
  for (size_t i = 0; i < img.size(); ++i) {
    if (useFloat)
      reinterpret_cast<float *>(src.bits.data())[i] = img[i] / 255.f;
    else
      src.bits[i] = img[i];
  }
  BITMAPINFOHEADER yh = YuvHeader(code, w, h);
  KoYUVPlaneLayout l;
  std::vector<uint8_t> frame(KoYUVImageBytesAndOffsets(&yh, &l), 0);
  const KoYUVColorInfo ci{0, uint32_t(515 + m), 0, 0};
  ASSERT_EQ(KoYUV_RGBToYUV(&yh, &ci, frame.data(), &l, &src.h, 2.2222222222222223, src.bits.data(), src.stride, 0, 0, true),
            S_OK);
  Rgb back(useFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, w, h);
  ASSERT_EQ(KoYUV_YUVToRGB(&back.h, 2.2222222222222223, back.bits.data(), back.stride, &yh, &ci, frame.data(), &l, 0, 0,
                           nullptr),
            S_OK);
  for (size_t i = 0; i < img.size(); ++i) {
    if (i % 4 == 3) continue;
    const double got = useFloat ? reinterpret_cast<const float *>(back.bits.data())[i] * 255.0 : back.bits[i];
    ASSERT_LE(std::fabs(got - img[i]), kRoundTripBound) << name << " pixel " << i / 4 << " channel " << i % 4;
  }
}

INSTANTIATE_TEST_SUITE_P(All, RoundTrip,
                         testing::Combine(testing::Values("I420", "YV12", "NV12", "YV16", "YUYV", "UYVY", "A410", "P410",
                                                          "PL10", "P010", "P210", "v210"),
                                          testing::Range(0, 3), testing::Bool()));

// Interlaced material: each field's chroma comes from its own rows.
TEST(RoundTripFields, InterlacedChromaStaysInItsField) {
  const int w = 16, h = 8;
  const std::vector<uint8_t> img = BlockImage(w, h, true);
  Rgb src(KOPT_RGBA32, w, h);
  std::memcpy(src.bits.data(), img.data(), img.size());
  for (const char *name : {"I420", "NV12", "P010"}) {
    BITMAPINFOHEADER yh = YuvHeader(Code(name), w, h);
    KoYUVPlaneLayout l;
    std::vector<uint8_t> frame(KoYUVImageBytesAndOffsets(&yh, &l), 0);
    const KoYUVColorInfo ci{0, 516, 0, 1};
    ASSERT_EQ(KoYUV_RGBToYUV(&yh, &ci, frame.data(), &l, &src.h, 1.0, src.bits.data(), 0, 0, 0, true), S_OK);
    Rgb back(KOPT_RGBA32, w, h);
    // Float path (expansion), which reads interlaced chroma per field too.
    ASSERT_EQ(KoYUV_YUVToRGB(&back.h, 2.2222222222222223, back.bits.data(), 0, &yh, &ci, frame.data(), &l, 0, 0, nullptr), S_OK);
    for (size_t i = 0; i < img.size(); ++i)
      if (i % 4 != 3) {
        ASSERT_LE(std::abs(back.bits[i] - img[i]), kRoundTripBound) << name << " byte " << i;
      }
  }
}

TEST(RgbToYuvValues, UyvyWhiteAndBlack) {
  struct Case {
    uint8_t level;
    bool studio;
    uint8_t y;
  } cases[] = {{255, true, 235}, {0, true, 16}, {255, false, 254}, {0, false, 1}};
  for (const Case &c : cases) {
    Rgb src(KOPT_RGBA32, 2, 1);
    std::memset(src.bits.data(), c.level, 8);
    BITMAPINFOHEADER yh = YuvHeader(CC("UYVY"), 2, 1);
    uint8_t q[4] = {};
    ASSERT_EQ(KoYUV_RGBToYUV(&yh, nullptr, q, nullptr, &src.h, 2.2, src.bits.data(), 8, 0, 0, c.studio), S_OK);
    EXPECT_EQ(q[1], c.y);
    EXPECT_EQ(q[3], c.y);
    EXPECT_EQ(q[0], 128);
    EXPECT_EQ(q[2], 128);
  }
}

TEST(YuvToRgbValues, LevelsAndAutomaticMatrix) {
  // Y 16 and 235 expand to black and white; kept levels pass luma through.
  for (int y : {16, 235, 100}) {
    uint8_t q[4] = {128, uint8_t(y), 128, uint8_t(y)};
    BITMAPINFOHEADER yh = YuvHeader(CC("UYVY"), 2, 1);
    for (bool expand : {true, false}) {
      Rgb out(KOPT_RGBA32, 2, 1);
      ASSERT_EQ(KoYUV_YUVToRGB(&out.h, expand ? 2.2222222222222223 : 0, out.bits.data(), 8, &yh, nullptr, q, nullptr, 0, 0, nullptr), S_OK);
      const int want = expand ? (y == 16 ? 0 : y == 235 ? 255 : int(std::lround((y - 16) * 255.0 / 219))) : y;
      for (int c = 0; c < 3; ++c) EXPECT_EQ(out.bits[c], want) << y << (expand ? " expand" : " kept");
      EXPECT_EQ(out.bits[3], 255);
    }
  }
  // 0xFFFFFFFF: 720x576 as BT.601, 1280x720 and 704x720 as BT.709.
  struct Size {
    int w, h;
    uint32_t m;
  } sizes[] = {{720, 576, 515}, {1280, 720, 516}, {704, 720, 516}};
  for (const Size &s : sizes) {
    BITMAPINFOHEADER yh = YuvHeader(CC("YV24"), s.w, s.h);
    KoYUVPlaneLayout l;
    std::vector<uint8_t> f(KoYUVImageBytesAndOffsets(&yh, &l), 0);
    std::fill(f.begin(), f.begin() + l.cbOffset, 120);
    std::fill(f.begin() + l.crOffset, f.begin() + l.cbOffset, 60);  // YV24: Cr plane first
    std::fill(f.begin() + l.cbOffset, f.end(), 200);
    Rgb a(KOPT_RGB32, s.w, s.h), b(KOPT_RGB32, s.w, s.h);
    const KoYUVColorInfo unspecified{0, 0xFFFFFFFFu, 0, 0}, named{0, s.m, 0, 0};
    ASSERT_EQ(KoYUV_YUVToRGB(&a.h, 1.0, a.bits.data(), 0, &yh, &unspecified, f.data(), &l, 3, 0, nullptr), S_OK);
    ASSERT_EQ(KoYUV_YUVToRGB(&b.h, 1.0, b.bits.data(), 0, &yh, &named, f.data(), &l, 3, 0, nullptr), S_OK);
    EXPECT_EQ(std::memcmp(a.bits.data(), b.bits.data(), 4), 0) << s.w << "x" << s.h;
  }
}

// ---- Refusals -----------------------------------------------------------------

TEST(YuvRefusals, BadSizesStridesAndLayoutsLeaveTheDestination) {
  const int w = 16, h = 4;
  BITMAPINFOHEADER yh = YuvHeader(CC("I420"), w, h);
  KoYUVPlaneLayout good;
  std::vector<uint8_t> f(KoYUVImageBytesAndOffsets(&yh, &good), 77);
  Rgb out(KOPT_RGBA32, w, h);
  const std::vector<uint8_t> before = out.bits;
  auto call = [&](BITMAPINFOHEADER *rgb, int stride, const BITMAPINFOHEADER *y, const KoYUVPlaneLayout *l, int reduce) {
    return KoYUV_YUVToRGB(rgb, 0, out.bits.data(), stride, y, nullptr, f.data(), l, reduce, 0, nullptr);
  };
  KoYUVPlaneLayout narrow = good, overlapping = good;
  narrow.cbStride = w / 2 - 1;
  overlapping.cbOffset = good.lumaStride * (h - 1);
  BITMAPINFOHEADER unknown = yh, iyuv = yh, y41b = yh;
  unknown.biCompression = CC("ABCD");
  iyuv.biCompression = CC("IYUV");
  y41b.biCompression = CC("Y41B");
  Rgb small(KOPT_RGBA32, w - 1, h), rgb24(KOPT_RGB24, w, h);
  struct Case {
    const char *what;
    HRESULT got, want;
  } cases[] = {
      {"narrow chroma stride", call(&out.h, 0, &yh, &narrow, 0), E_INVALIDARG},
      {"overlapping planes", call(&out.h, 0, &yh, &overlapping, 0), E_INVALIDARG},
      {"small rgb stride", call(&out.h, 4 * w - 1, &yh, &good, 0), E_INVALIDARG},
      {"small rgb header", call(&small.h, 4 * w, &yh, &good, 0), E_INVALIDARG},
      {"unknown code", call(&out.h, 0, &unknown, &good, 0), E_FAIL},
      {"IYUV", call(&out.h, 0, &iyuv, &good, 0), E_FAIL},
      {"Y41B", call(&out.h, 0, &y41b, &good, 0), E_FAIL},
      {"reduce 4", call(&out.h, 0, &yh, &good, 4), E_FAIL},
      {"RGB24", call(&rgb24.h, 0, &yh, &good, 0), E_FAIL},
      {"null header", call(&out.h, 0, nullptr, &good, 0), E_POINTER},
  };
  for (const Case &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(out.bits, before);
  // RGB to YUV: only reduce 0; unknown targets fail; nothing written.
  std::vector<uint8_t> frame(f.size(), 5);
  EXPECT_EQ(KoYUV_RGBToYUV(&yh, nullptr, frame.data(), &good, &out.h, 0, out.bits.data(), 0, 1, 0, false), E_FAIL);
  EXPECT_EQ(KoYUV_RGBToYUV(&y41b, nullptr, frame.data(), &good, &out.h, 0, out.bits.data(), 0, 0, 0, false), E_FAIL);
  EXPECT_EQ(KoYUV_RGBToYUV(&yh, nullptr, frame.data(), &narrow, &out.h, 0, out.bits.data(), 0, 0, 0, false), E_INVALIDARG);
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 5; }));
  // An unsupported pair of YUV layouts does nothing.
  BITMAPINFOHEADER p010 = YuvHeader(CC("P010"), w, h);
  KoYUVPlaneLayout pl;
  std::vector<uint8_t> d(KoYUVImageBytesAndOffsets(&p010, &pl), 9);
  EXPECT_EQ(KoYUV_YUVToYUV(&p010, d.data(), &pl, &yh, f.data(), &good), S_OK);
  EXPECT_TRUE(std::all_of(d.begin(), d.end(), [](uint8_t b) { return b == 9; }));
  // v210 to UYVY argument checks.
  std::vector<uint8_t> a(256), b(256, 3);
  struct V {
    int64_t ds, ss;
    uint64_t w;
    int64_t rows;
  } bad[] = {{0, 64, 6, 1}, {11, 64, 6, 1}, {12, 7, 6, 1}, {12, 64, 5, 1}, {12, 64, 0, 1}, {12, 64, 6, 0}};
  for (const V &v : bad) EXPECT_EQ(KoYUV_v210_TO_UYVY(b.data(), a.data(), v.ds, v.ss, v.w, v.rows), E_INVALIDARG);
  EXPECT_EQ(KoYUV_v210_TO_UYVY(nullptr, a.data(), 12, 16, 6, 1), E_POINTER);
  EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint8_t x) { return x == 3; }));
}

// ---- Layout repacks -------------------------------------------------------------

struct Buf {
  BITMAPINFOHEADER h;
  KoYUVPlaneLayout l;
  std::vector<uint8_t> b;
  Buf(const char *code, int w, int hgt, uint32_t seed) : h(YuvHeader(Code(code), w, hgt)) {
    b.resize(KoYUVImageBytesAndOffsets(&h, &l));
    std::mt19937 rng(seed);
    for (auto &x : b) x = uint8_t(rng());
  }
};
using Repack = HRESULT (*)(KOYUV2YUV_ARGS);

// Out and back: every byte of the frame returns.
TEST(Repacks, RoundTripsAreExact) {
  struct Case {
    const char *a, *b;
    Repack there, back;
  } cases[] = {
      {"I420", "YV12", KoYUV_I420_To_YV12, KoYUV_YV12_To_I420},
      {"I420", "NV12", KoYUV_I420_To_NV12, KoYUV_NV12_To_I420},
      {"I420", "YV12", [](KOYUV2YUV_ARGS) { return KoYUV_YUVToYUV(dstHeader, dst, dstLayout, srcHeader, src, srcLayout); },
       [](KOYUV2YUV_ARGS) { return KoYUV_YUVToYUV(dstHeader, dst, dstLayout, srcHeader, src, srcLayout); }},
      {"I420", "NV12", [](KOYUV2YUV_ARGS) { return KoYUV_YUVToYUV(dstHeader, dst, dstLayout, srcHeader, src, srcLayout); },
       [](KOYUV2YUV_ARGS) { return KoYUV_YUVToYUV(dstHeader, dst, dstLayout, srcHeader, src, srcLayout); }},
      {"P210", "v210", KoYUV_P210_To_v210, KoYUV_v210_To_P210},
  };
  for (const Case &c : cases)
    for (int w : {2, 30, 46}) {
      Buf a(c.a, w, 6, 1), b(c.b, w, 6, 2), back(c.a, w, 6, 3);
      if (std::string(c.a) == "P210")
        for (size_t i = 0; i < a.b.size(); i += 2) a.b[i] &= 0xC0;  // 10-bit values
      ASSERT_EQ(c.there(&b.h, b.b.data(), &b.l, &a.h, a.b.data(), &a.l), S_OK);
      ASSERT_EQ(c.back(&back.h, back.b.data(), &back.l, &b.h, b.b.data(), &b.l), S_OK);
      EXPECT_EQ(back.b, a.b) << c.a << " via " << c.b << " width " << w;
    }
}

// Direct checks against the samples.
TEST(Repacks, SamplesLandWhereTheLayoutsSay) {
  const int w = 14, h = 4;
  Buf p010("P010", w, h, 4), p210("P210", w, h, 5), p410("P410", w, h, 6);
  for (Buf *src : {&p010, &p210, &p410}) {
    Buf out("I420", w, h, 7);
    ASSERT_EQ((src == &p010 ? KoYUV_P010_To_I420 : src == &p210 ? KoYUV_P210_To_I420 : KoYUV_P410_To_I420)(
                  &out.h, out.b.data(), &out.l, &src->h, src->b.data(), &src->l),
              S_OK);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(out.b[size_t(y) * w + x], src->b[src->l.lumaStride * y + 2 * x + 1]);
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x) {
        const uint8_t u = out.b[out.l.cbOffset + out.l.cbStride * y + x], v = out.b[out.l.crOffset + out.l.crStride * y + x];
        if (src == &p410) {
          ASSERT_EQ(u, src->b[src->l.cbOffset + src->l.cbStride * 2 * y + 4 * x + 1]);
          ASSERT_EQ(v, src->b[src->l.crOffset + src->l.crStride * 2 * y + 4 * x + 1]);
        } else {
          const size_t row = src->l.cbOffset + size_t(src->l.cbStride) * (src == &p210 ? 2 * y : y);
          ASSERT_EQ(u, src->b[row + 4 * x + 1]);
          ASSERT_EQ(v, src->b[row + 4 * x + 3]);
        }
      }
  }
  // v210 to UYVY keeps the top eight bits, I420 to UYVY repeats chroma
  // down each row pair, YV16 to YUYV interleaves.
  Buf v210("v210", w, h, 8), uyvy("UYVY", w, h, 9), i420("I420", w, h, 10), yv16("YV16", w, h, 11), yuyv("YUYV", w, h, 12);
  ASSERT_EQ(KoYUV_v210_TO_UYVY(uyvy.b.data(), v210.b.data(), uyvy.l.lumaStride, v210.l.lumaStride, w, h), S_OK);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 2 * w; ++i) {
      const uint8_t *g = &v210.b[v210.l.lumaStride * y + 16 * (i / 12)];
      const int k = i % 12;
      uint32_t word;
      std::memcpy(&word, g + 4 * (k / 3), 4);
      ASSERT_EQ(uyvy.b[uyvy.l.lumaStride * y + i], (word >> (10 * (k % 3)) & 0x3FF) >> 2) << y << "," << i;
    }
  ASSERT_EQ(KoYUV_YUVToYUV(&uyvy.h, uyvy.b.data(), &uyvy.l, &i420.h, i420.b.data(), &i420.l), S_OK);
  ASSERT_EQ(KoYUV_YV16_To_YUYV_SubRect(&yuyv.h, yuyv.b.data(), &yuyv.l, &yv16.h, yv16.b.data(), &yv16.l, 0, 0, w, h), S_OK);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t *q = &uyvy.b[uyvy.l.lumaStride * y + 2 * x];
      ASSERT_EQ(q[1], i420.b[size_t(y) * w + x]);
      const uint32_t plane = x % 2 ? i420.l.crOffset : i420.l.cbOffset;
      ASSERT_EQ(q[0], i420.b[plane + i420.l.cbStride * (y / 2) + x / 2]);
      const uint8_t *p = &yuyv.b[yuyv.l.lumaStride * y + 2 * x];
      ASSERT_EQ(p[0], yv16.b[size_t(y) * w + x]);
      ASSERT_EQ(p[1], yv16.b[(x % 2 ? yv16.l.crOffset : yv16.l.cbOffset) + yv16.l.cbStride * y + x / 2]);
    }
}

// Sub-rectangles: the rectangle's samples land at the destination's origin.
TEST(Repacks, SubRectanglesCopyTheirSamples) {
  using Sub = HRESULT (*)(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
  struct Case {
    const char *src, *dst;
    Sub fn;
    int sampleBytes, pixelBytes;  // luma bytes per sample, per pixel
  } cases[] = {{"I420", "I420", KoYUV_I420_To_I420_SubRect, 1, 1}, {"YV12", "I420", KoYUV_YV12_To_I420_SubRect, 1, 1},
               {"NV12", "I420", KoYUV_NV12_To_I420_SubRect, 1, 1}, {"P010", "P010", KoYUV_P010_To_P010_SubRect, 2, 2},
               {"P216", "P216", KoYUV_P216_To_P216_SubRect, 2, 2}, {"Y210", "Y210", KoYUV_Y210_To_Y210_SubRect, 4, 4}};
  for (const Case &c : cases) {
    Buf s(c.src, 20, 12, 21), d(c.dst, 8, 6, 22);
    const unsigned x0 = 6, y0 = 4, x1 = 14, y1 = 10;
    ASSERT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), &s.l, x0, y0, x1, y1), S_OK) << c.src;
    for (unsigned y = y0; y < y1; ++y)
      ASSERT_EQ(std::memcmp(&d.b[d.l.lumaStride * (y - y0)], &s.b[s.l.lumaStride * y + x0 * c.pixelBytes], (x1 - x0) * c.pixelBytes), 0)
          << c.src << " row " << y;
    if (std::string(c.src) == "NV12") {
      for (unsigned k = 0; k < 3; ++k)
        for (unsigned x = 0; x < 4; ++x) {
          ASSERT_EQ(d.b[d.l.cbOffset + d.l.cbStride * k + x], s.b[s.l.cbOffset + s.l.cbStride * (y0 / 2 + k) + 2 * (x0 / 2 + x)]);
          ASSERT_EQ(d.b[d.l.crOffset + d.l.crStride * k + x], s.b[s.l.cbOffset + s.l.cbStride * (y0 / 2 + k) + 2 * (x0 / 2 + x) + 1]);
        }
    }
    // A rectangle reaching outside the source is refused.
    EXPECT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), &s.l, 0, 0, 21, 4), E_INVALIDARG) << c.src;
    EXPECT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), nullptr, 0, 0, 4, 4), E_POINTER) << c.src;
  }
}

}  // namespace
