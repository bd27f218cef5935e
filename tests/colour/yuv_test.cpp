// YUV frames to and from RGB against a double-precision model of the
// formulas, written through a layout writer of the test's own; round trips
// through every target layout; exact layout repacks; refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "colour/colour_test_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"
#include "pixels/pixels_test_util.h"
#include "pixels/xchg.h"

namespace {

using kotest::Dib;
using kotest::Pattern;

// How each layout stores its samples, from the layout table.
enum class K { P8, S8, S16, P16, YUYV, UYVY, Y210, V210 };
struct Desc {
  const char *name;
  K kind;
  int hs, vs;
};
const Desc kLayouts[] = {
    {"I420", K::P8, 1, 1},   {"YV12", K::P8, 1, 1},   {"NV12", K::S8, 1, 1},   {"YV16", K::P8, 1, 0},
    {"YV24", K::P8, 0, 0},   {"YUYV", K::YUYV, 1, 0}, {"UYVY", K::UYVY, 1, 0}, {"P010", K::S16, 1, 1},
    {"P012", K::S16, 1, 1},  {"PL10", K::S16, 1, 1},  {"P210", K::S16, 1, 0},  {"P212", K::S16, 1, 0},
    {"P216", K::S16, 1, 0},  {"P410", K::P16, 0, 0},  {"P412", K::P16, 0, 0},  {"A410", K::P16, 0, 0},
    {"Y210", K::Y210, 1, 0}, {"v210", K::V210, 1, 0},
};
bool Wide(K k) { return k == K::S16 || k == K::P16 || k == K::Y210 || k == K::V210; }
const Desc &DescOf(const std::string &n) {
  for (const Desc &d : kLayouts)
    if (n == d.name) return d;
  return kLayouts[0];
}
// Samples at their own resolution (8- or 10-bit values).
struct Samples {
  int w, h, cw, ch;
  std::vector<int> y, u, v;
};
Samples MakeSamples(const Desc &d, Pattern p, int w, int h) {
  Samples s{w, h, w >> d.hs, h >> d.vs, {}, {}, {}};
  auto take = [&](std::vector<uint8_t> plane, std::vector<int> &out) {
    for (size_t i = 0; i < plane.size(); ++i) out.push_back(Wide(d.kind) ? plane[i] * 4 + int(i % 4) : plane[i]);
  };
  take(kotest::MakePlane(p, w, h, 0, 255, 11), s.y);
  take(kotest::MakePlane(p, s.cw, s.ch, 0, 255, 12), s.u);
  take(kotest::MakePlane(p, s.cw, s.ch, 0, 255, 13), s.v);
  return s;
}

void Put16(uint8_t *p, int v) { p[0] = uint8_t(v << 6), p[1] = uint8_t((v << 6) >> 8); }
// Sample i of a v210 group in the stream order Cb0 Y0 Cr0 Y1 Cb2 Y2 ...
void PutV210(uint8_t *group, int i, int v) {
  for (int b = 0; b < 4; ++b) group[4 * (i / 3) + b] |= uint8_t((uint32_t(v) << (10 * (i % 3))) >> (8 * b));
}

// The samples in a frame of exactly the size KoYUVImageBytesAndOffsets gives.
std::vector<uint8_t> WriteFrame(const Desc &d, const Samples &s, KoYUVPlaneLayout *l) {
  const BITMAPINFOHEADER hdr = kotest::YuvHeader(d.name, s.w, s.h);
  std::vector<uint8_t> f(KoYUVImageBytesAndOffsets(&hdr, l), 0);
  for (int r = 0; r < s.h; ++r)
    for (int x = 0; x < s.w; ++x) {
      const int Y = s.y[size_t(r) * s.w + x];
      uint8_t *row = f.data() + size_t(l->lumaStride) * r;
      switch (d.kind) {
        case K::P8: case K::S8: row[x] = uint8_t(Y); break;
        case K::S16: case K::P16: Put16(row + 2 * x, Y); break;
        case K::YUYV: row[2 * x] = uint8_t(Y); break;
        case K::UYVY: row[2 * x + 1] = uint8_t(Y); break;
        case K::Y210: Put16(row + 4 * x, Y); break;
        case K::V210: PutV210(row + 16 * (x / 6), 2 * (x % 6) + 1, Y); break;
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
        case K::V210:
          PutV210(row + 16 * (c / 3), 4 * (c % 3), U);
          PutV210(row + 16 * (c / 3), 4 * (c % 3) + 2, V);
          break;
      }
    }
  return f;
}

// The float path: levels, matrix, point sampling of the reduced sizes.
void ModelPixel(const Desc &d, const Samples &s, int m, bool expand, bool toFloat, int x, int y, double out[3]) {
  const int cx = std::min(x >> d.hs, s.cw - 1), cy = std::min(y >> d.vs, s.ch - 1);
  const bool wide = Wide(d.kind), none = cx < 0 || cy < 0;
  const double neutral = wide ? 512 : 128, k = wide ? (expand ? 0.25 : 255.0 / 1023) : 1.0, unit = toFloat ? 255 : 1;
  const double ls = (expand ? 255.0 / 219 : 1.0) * k / unit, cs = (expand ? 255.0 / 224 : 219.0 / 224) * k / unit;
  const double U = none ? neutral : s.u[size_t(cy) * s.cw + cx], V = none ? neutral : s.v[size_t(cy) * s.cw + cx];
  kotest::ModelRgb(m, (s.y[size_t(y) * s.w + x] - (expand ? (wide ? 64 : 16) : 0)) * ls, U - neutral, V - neutral,
                   cs, out);
}

// Within one level (1/255 for float output): the path rounds once, and its
// single-precision coefficients are within 1e-6 of the exact ones.
using ToRgbParam = std::tuple<std::string, int, bool, int, bool, int>;  // layout, matrix, expand, reduce, float, size
class YuvToRgb : public testing::TestWithParam<ToRgbParam> {};

TEST_P(YuvToRgb, WithinOneLevelOfTheModel) {
  const auto [name, m, expand, reduce, toFloat, size] = GetParam();
  static const int kSizes[][2] = {{38, 10}, {5, 3}, {1, 1}};
  const int w = kSizes[size][0], h = kSizes[size][1], ow = w >> reduce, oh = h >> reduce;
  const Desc &d = DescOf(name);
  const Samples s = MakeSamples(d, Pattern::Noise, w, h);
  KoYUVPlaneLayout l;
  const std::vector<uint8_t> frame = WriteFrame(d, s, &l);
  const BITMAPINFOHEADER yh = kotest::YuvHeader(name.c_str(), w, h);
  Dib out(toFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, std::max(ow, 1), std::max(oh, 1));
  std::memset(out.Bits(), 0xCD, out.Bytes());  // a pixel left unwritten shows
  const KoYUVColorInfo ci{0, uint32_t(515 + m), 0, 0};
  ASSERT_EQ(KoYUV_YUVToRGB(out.h, expand ? 2.2222222222222223 : 0.0, out.Bits(), out.stride, &yh, &ci,
                           frame.data(), &l, reduce, 0, nullptr),
            S_OK);
  for (int y = 0; y < oh; ++y)
    for (int x = 0; x < ow; ++x) {
      double want[3];
      ModelPixel(d, s, m, expand, toFloat, x << reduce, y << reduce, want);
      for (int c = 0; c < 3; ++c)
        ASSERT_NEAR(out.Value(x, y, c), toFloat ? want[c] : kotest::Clamp(want[c], 0, 255), toFloat ? 1.0 / 255 : 1.0)
            << name << " " << x << "," << y << " channel " << c;
    }
}

std::vector<std::string> AllLayouts() {
  std::vector<std::string> v;
  for (const Desc &d : kLayouts) v.push_back(d.name);
  return v;
}
INSTANTIATE_TEST_SUITE_P(All, YuvToRgb,
                         testing::Combine(testing::ValuesIn(AllLayouts()), testing::Range(0, 3), testing::Bool(),
                                          testing::Values(0, 2), testing::Bool(), testing::Range(0, 3)));

// ---- RGB to YUV and back ----------------------------------------------------------

// Colours constant over 2x2 blocks, so chroma subsampling loses nothing; with
// fieldsDiffer the blocks span rows y, y + 2 of one field instead.
void BlockImage(const Dib &img, bool fieldsDiffer) {
  const int w = img.W(), h = img.H(), bytes = img.h->biBitCount / 32;
  std::mt19937 rng(99);
  std::vector<uint32_t> colours(size_t(w) * h);
  for (auto &c : colours) c = rng();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int block = fieldsDiffer ? ((y / 4) * 2 + y % 2) * w + x / 2 : (y / 2) * w + x / 2;
      for (int c = 0; c < 4; ++c) {
        const uint8_t v = c == 3 ? 255 : uint8_t(colours[block] >> (8 * c));
        const float f = v / 255.f;
        if (bytes == 4)
          std::memcpy(img.Row(y) + 16 * x + 4 * c, &f, 4);
        else
          img.Row(y)[4 * x + c] = v;
      }
    }
}

// Studio compression and expansion back: luma quantisation is at most half
// a studio level (0.58 RGB levels), chroma quantisation half a level times
// the largest coefficient (1.07 RGB levels), then one rounding: 2 levels.
class RoundTrip : public testing::TestWithParam<std::tuple<std::string, int, int>> {};  // layout, matrix, form

TEST_P(RoundTrip, RgbYuvRgbWithinTwoLevels) {
  const auto [name, m, form] = GetParam();  // form 0: bytes, 1: float, 2: interlaced fields
  const int w = 36, h = 8, type = form == 1 ? KOPT_RGBAFLOAT : KOPT_RGBA32;
  Dib src(type, w, h);
  BlockImage(src, form == 2);
  BITMAPINFOHEADER yh = kotest::YuvHeader(name.c_str(), w, h);
  KoYUVPlaneLayout l;
  std::vector<uint8_t> frame(KoYUVImageBytesAndOffsets(&yh, &l), 0);
  const KoYUVColorInfo ci{0, uint32_t(515 + m), 0, form == 2 ? 1u : 0u};
  ASSERT_EQ(KoYUV_RGBToYUV(&yh, &ci, frame.data(), &l, src.h, 2.2, src.Bits(), src.stride, 0, 0, true), S_OK);
  Dib back(type, w, h);
  ASSERT_EQ(KoYUV_YUVToRGB(back.h, 2.2222222222222223, back.Bits(), back.stride, &yh, &ci, frame.data(), &l, 0, 0, nullptr), S_OK);
  const double unit = form == 1 ? 255 : 1;
  for (int i = 0; i < w * h * 3; ++i)
    ASSERT_NEAR(back.Value(i / 3 % w, i / 3 / w, i % 3) * unit, src.Value(i / 3 % w, i / 3 / w, i % 3) * unit, 2)
        << name << " pixel " << i / 3;
}
INSTANTIATE_TEST_SUITE_P(All, RoundTrip,
                         testing::Combine(testing::Values("I420", "YV12", "NV12", "YV16", "YUYV", "UYVY", "A410",
                                                          "P410", "PL10", "P010", "P210", "v210"),
                                          testing::Range(0, 3), testing::Range(0, 3)));

TEST(YuvValues, LevelsAndAutomaticMatrix) {
  // RGB to UYVY: white and black with and without studio compression.
  const int cases[][3] = {{255, 1, 235}, {0, 1, 16}, {255, 0, 254}, {0, 0, 1}};
  for (const auto &c : cases) {
    Dib src(KOPT_RGBA32, 2, 1);
    std::memset(src.Bits(), c[0], 8);
    BITMAPINFOHEADER yh = kotest::YuvHeader("UYVY", 2, 1);
    uint8_t q[4] = {};
    ASSERT_EQ(KoYUV_RGBToYUV(&yh, nullptr, q, nullptr, src.h, 2.2, src.Bits(), 8, 0, 0, c[1] != 0), S_OK);
    EXPECT_EQ(q[1] * 1000 + q[3], c[2] * 1001);
    EXPECT_EQ(q[0] * 1000 + q[2], 128128);
  }
  // 0xFFFFFFFF: 720x576 as BT.601, 1280x720 and 704x720 as BT.709.
  const int sizes[][3] = {{720, 576, 515}, {1280, 720, 516}, {704, 720, 516}, {720, 576, 516}};
  for (const auto &s : sizes) {
    BITMAPINFOHEADER yh = kotest::YuvHeader("YV24", s[0], s[1]);
    KoYUVPlaneLayout l;
    std::vector<uint8_t> f(KoYUVImageBytesAndOffsets(&yh, &l), 120);
    std::fill(f.begin() + l.cbOffset, f.end(), 220);  // YV24 stores Cr first
    Dib a(KOPT_RGB32, s[0], s[1]), b(KOPT_RGB32, s[0], s[1]);
    const KoYUVColorInfo unspecified{0, 0xFFFFFFFFu, 0, 0}, named{0, uint32_t(s[2]), 0, 0};
    ASSERT_EQ(KoYUV_YUVToRGB(a.h, 1, a.Bits(), 0, &yh, &unspecified, f.data(), &l, 3, 0, nullptr), S_OK);
    ASSERT_EQ(KoYUV_YUVToRGB(b.h, 1, b.Bits(), 0, &yh, &named, f.data(), &l, 3, 0, nullptr), S_OK);
    // The last row names the wrong matrix: it must differ.
    EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), 4) == 0, &s != &sizes[3]) << s[0] << "x" << s[1];
  }
}

TEST(YuvRefusals, BadSizesStridesAndLayoutsLeaveTheDestination) {
  const int w = 16, h = 4;
  const BITMAPINFOHEADER yh = kotest::YuvHeader("I420", w, h);
  KoYUVPlaneLayout good, narrow, overlap;
  std::vector<uint8_t> f(KoYUVImageBytesAndOffsets(&yh, &good), 77);
  narrow = overlap = good;
  narrow.cbStride = w / 2 - 1;
  overlap.cbOffset = good.lumaStride * (h - 1);
  const BITMAPINFOHEADER unknown = kotest::YuvHeader("ABCD", w, h), iyuv = kotest::YuvHeader("IYUV", w, h),
                         y41b = kotest::YuvHeader("Y41B", w, h);
  Dib out(KOPT_RGBA32, w, h), small(KOPT_RGBA32, w - 1, h), rgb24(KOPT_RGB24, w, h);
  const std::vector<uint8_t> before = out.Pixels();
  auto call = [&](BITMAPINFOHEADER *rgb, int stride, const BITMAPINFOHEADER *y, const KoYUVPlaneLayout *l, int r) {
    return KoYUV_YUVToRGB(rgb, 0, out.Bits(), stride, y, nullptr, f.data(), l, r, 0, nullptr);
  };
  EXPECT_EQ(call(out.h, 0, &yh, &narrow, 0), E_INVALIDARG);
  EXPECT_EQ(call(out.h, 0, &yh, &overlap, 0), E_INVALIDARG);
  EXPECT_EQ(call(out.h, 4 * w - 1, &yh, &good, 0), E_INVALIDARG);
  EXPECT_EQ(call(small.h, 4 * w, &yh, &good, 0), E_INVALIDARG);
  for (const BITMAPINFOHEADER *bad : {&unknown, &iyuv, &y41b}) EXPECT_EQ(call(out.h, 0, bad, &good, 0), E_FAIL);
  EXPECT_EQ(call(out.h, 0, &yh, &good, 4), E_FAIL);
  EXPECT_EQ(call(rgb24.h, 0, &yh, &good, 0), E_FAIL);
  EXPECT_EQ(call(out.h, 0, nullptr, &good, 0), E_POINTER);
  EXPECT_EQ(out.Pixels(), before);
  std::vector<uint8_t> frame(f.size(), 5);
  const auto *bits = out.Bits();
  EXPECT_EQ(KoYUV_RGBToYUV(const_cast<BITMAPINFOHEADER *>(&yh), nullptr, frame.data(), &good, out.h, 0, bits, 0, 1, 0, 0), E_FAIL);
  EXPECT_EQ(KoYUV_RGBToYUV(const_cast<BITMAPINFOHEADER *>(&y41b), nullptr, frame.data(), &good, out.h, 0, bits, 0, 0, 0, 0), E_FAIL);
  EXPECT_EQ(KoYUV_RGBToYUV(const_cast<BITMAPINFOHEADER *>(&yh), nullptr, frame.data(), &narrow, out.h, 0, bits, 0, 0, 0, 0), E_INVALIDARG);
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 5; }));
  // An unsupported pair of YUV layouts does nothing; bad v210 rows are refused.
  const BITMAPINFOHEADER p010 = kotest::YuvHeader("P010", w, h);
  EXPECT_EQ(KoYUV_YUVToYUV(&p010, frame.data(), &good, &yh, f.data(), &good), S_OK);
  const int64_t bad[][4] = {{0, 64, 6, 1}, {11, 64, 6, 1}, {12, 7, 6, 1}, {12, 64, 5, 1}, {12, 64, 0, 1}, {12, 64, 6, 0}};
  for (const auto &v : bad) EXPECT_EQ(KoYUV_v210_TO_UYVY(frame.data(), f.data(), v[0], v[1], v[2], v[3]), E_INVALIDARG);
  EXPECT_EQ(KoYUV_v210_TO_UYVY(nullptr, f.data(), 12, 16, 6, 1), E_POINTER);
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 5; }));
}

// ---- Layout repacks -------------------------------------------------------------

struct Buf {
  BITMAPINFOHEADER h;
  KoYUVPlaneLayout l;
  std::vector<uint8_t> b;
  Buf(const char *code, int w, int hgt, uint32_t seed, bool tenBit = false) : h(kotest::YuvHeader(code, w, hgt)) {
    b.resize(KoYUVImageBytesAndOffsets(&h, &l));
    std::mt19937 rng(seed);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(rng()) & (tenBit && i % 2 == 0 ? 0xC0 : 0xFF);
  }
};
using Repack = HRESULT (*)(KOYUV2YUV_ARGS);
HRESULT Dispatch(KOYUV2YUV_ARGS) { return KoYUV_YUVToYUV(dstHeader, dst, dstLayout, srcHeader, src, srcLayout); }

// Out and back: every byte of the frame returns.
TEST(Repacks, RoundTripsAreExact) {
  const struct {
    const char *a, *b;
    Repack there, back;
  } cases[] = {{"I420", "YV12", KoYUV_I420_To_YV12, KoYUV_YV12_To_I420}, {"I420", "NV12", KoYUV_I420_To_NV12, KoYUV_NV12_To_I420},
               {"I420", "YV12", Dispatch, Dispatch}, {"IYUV", "NV12", Dispatch, Dispatch},
               {"P210", "v210", KoYUV_P210_To_v210, KoYUV_v210_To_P210}};
  for (const auto &c : cases)
    for (int w : {2, 30, 46}) {
      const bool ten = c.a[0] == 'P';
      Buf a(c.a, w, 6, 1, ten), b(c.b, w, 6, 2), back(c.a, w, 6, 3);
      ASSERT_EQ(c.there(&b.h, b.b.data(), &b.l, &a.h, a.b.data(), &a.l), S_OK);
      ASSERT_EQ(c.back(&back.h, back.b.data(), &back.l, &b.h, b.b.data(), &b.l), S_OK);
      EXPECT_EQ(back.b, a.b) << c.a << " via " << c.b << " width " << w;
    }
}

// One-way repacks seen through the RGB converter (studio levels): the same
// picture within what the narrower samples lose.
TEST(Repacks, OneWayRepacksShowTheSamePicture) {
  const struct {
    const char *from, *to;
    Repack fn;
    double bound;  // 10 to 8 bits drops up to 3/4 of a level per sample; I420 takes the integer path
  } cases[] = {{"P010", "I420", KoYUV_P010_To_I420, 3}, {"P210", "I420", KoYUV_P210_To_I420, 3},
               {"P410", "I420", KoYUV_P410_To_I420, 3}, {"I420", "UYVY", Dispatch, 1},
               {"Y41B", "I420", Dispatch, 0}, {"YV16", "YUYV", nullptr, 0}, {"v210", "UYVY", nullptr, 3}};
  const int w = 24, h = 8;
  for (const auto &c : cases) {
    Buf a(c.from, w, h, 4, c.from[0] == 'P'), b(c.to, w, h, 5);
    HRESULT hr;
    if (c.fn) hr = c.fn(&b.h, b.b.data(), &b.l, &a.h, a.b.data(), &a.l);
    else if (c.from[0] == 'Y') hr = KoYUV_YV16_To_YUYV_SubRect(&b.h, b.b.data(), &b.l, &a.h, a.b.data(), &a.l, 0, 0, w, h);
    else hr = KoYUV_v210_TO_UYVY(b.b.data(), a.b.data(), b.l.lumaStride, a.l.lumaStride, w, h);
    ASSERT_EQ(hr, S_OK) << c.from;
    // The repack samples chroma; show the destination's chroma resolution.
    const bool from420to422 = std::string(c.from) == "I420" || std::string(c.from) == "Y41B";
    Dib ra(KOPT_RGBA32, w, h), rb(KOPT_RGBA32, w, h);
    if (std::string(c.from) == "Y41B") continue;  // 4:1:1 is not an RGB source; checked below
    ASSERT_EQ(KoYUV_YUVToRGB(ra.h, 0, ra.Bits(), 0, &a.h, nullptr, a.b.data(), &a.l, from420to422 ? 0 : 1, 0, nullptr), S_OK);
    ASSERT_EQ(KoYUV_YUVToRGB(rb.h, 0, rb.Bits(), 0, &b.h, nullptr, b.b.data(), &b.l, from420to422 ? 0 : 1, 0, nullptr), S_OK);
    for (size_t i = 0; i < ra.Bytes(); ++i) ASSERT_NEAR(ra.Bits()[i], rb.Bits()[i], c.bound) << c.from << " byte " << i;
  }
  // 4:1:1 to 4:2:0: luma copied, each chroma sample the mean of its two rows.
  Buf a("Y41B", w, h, 6), b("I420", w, h, 7);
  ASSERT_EQ(KoYUV_YUVToYUV(&b.h, b.b.data(), &b.l, &a.h, a.b.data(), &a.l), S_OK);
  EXPECT_EQ(std::memcmp(a.b.data(), b.b.data(), size_t(w) * h), 0);
  for (int k = 0; k < h / 2; ++k)
    for (int c = 0; c < w / 2; ++c)
      ASSERT_EQ(b.b[b.l.cbOffset + b.l.cbStride * k + c],
                (a.b[a.l.cbOffset + a.l.cbStride * 2 * k + c / 2] + a.b[a.l.cbOffset + a.l.cbStride * (2 * k + 1) + c / 2] + 1) / 2);
}

// Sub-rectangles: the rectangle's samples land at the destination's origin.
TEST(Repacks, SubRectanglesCopyTheirSamples) {
  using Sub = HRESULT (*)(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
  const struct {
    const char *src, *dst;
    Sub fn;
    int pixelBytes;
  } cases[] = {{"I420", "I420", KoYUV_I420_To_I420_SubRect, 1}, {"YV12", "I420", KoYUV_YV12_To_I420_SubRect, 1},
               {"NV12", "I420", KoYUV_NV12_To_I420_SubRect, 1}, {"P010", "P010", KoYUV_P010_To_P010_SubRect, 2},
               {"P216", "P216", KoYUV_P216_To_P216_SubRect, 2}, {"Y210", "Y210", KoYUV_Y210_To_Y210_SubRect, 4}};
  const unsigned x0 = 6, y0 = 4, x1 = 14, y1 = 10;
  for (const auto &c : cases) {
    Buf s(c.src, 20, 12, 21), d(c.dst, 8, 6, 22);
    ASSERT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), &s.l, x0, y0, x1, y1), S_OK) << c.src;
    for (unsigned y = y0; y < y1; ++y)
      ASSERT_EQ(std::memcmp(&d.b[d.l.lumaStride * (y - y0)], &s.b[s.l.lumaStride * y + x0 * c.pixelBytes],
                            (x1 - x0) * c.pixelBytes), 0) << c.src << " row " << y;
    for (unsigned k = 0; k < 3 && c.pixelBytes == 1; ++k)  // 8-bit 4:2:0 chroma: rows y0/2.., columns x0/2..
      for (unsigned x = 0; x < 4; ++x) {
        const bool nv12 = c.src[0] == 'N';
        const size_t row = s.l.cbOffset + s.l.cbStride * (y0 / 2 + k);
        ASSERT_EQ(d.b[d.l.cbOffset + d.l.cbStride * k + x], s.b[nv12 ? row + 2 * (x0 / 2 + x) : row + x0 / 2 + x]) << c.src;
      }
    EXPECT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), &s.l, 0, 0, 21, 4), E_INVALIDARG) << c.src;
    EXPECT_EQ(c.fn(&d.h, d.b.data(), &d.l, &s.h, s.b.data(), nullptr, 0, 0, 4, 4), E_POINTER) << c.src;
  }
}

}  // namespace
