// Whole-image DIB operations: flip, swap, fade, fields and palette selection,
// checked against straightforward models and the documented edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/kodibops.h"
#include "kokernel/koresult.h"
#include "pixels/dib.h"
#include "pixels/dibops.h"
#include "pixels/xchg.h"
#include "pixels/pixels_test_util.h"

namespace {

constexpr int kOne = 16384;

using kotest::Dib;

// ---- Flip and swap ----------------------------------------------------------------

// Pixel (x, y) of a 4-bit row, high nibble first.
int Nibble(const uint8_t *row, int x) { return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4; }

// Vertical flips of a rectangle (odd edges split the bytes of 4-bit rows)
// and whole-image flips in both directions, against a model.
TEST(DibFlip, MatchesAModel) {
  std::mt19937 rng(2);
  struct Case {
    int type;
    RECT r;
    int horizontal;
  } cases[] = {{KOPT_INDEX4, {3, 1, 8, 5}, 0}, {KOPT_RGB24, {3, 1, 8, 5}, 0}, {KOPT_RGBA64, {3, 1, 8, 5}, 0},
               {KOPT_RGB565, {0, 0, 11, 6}, 0}, {KOPT_RGB24, {0, 0, 11, 6}, 1}, {KOPT_RGB32, {0, 0, 11, 6}, 1},
               {KOPT_RGBA32, {0, 0, 11, 6}, 1}};
  for (const Case &c : cases) {
    Dib d(c.type, 11, 6), m(c.type, 11, 6);
    d.Random(rng);
    std::memcpy(m.Bits(), d.Bits(), d.Bytes());
    const RECT *r = c.horizontal ? nullptr : &c.r;
    ASSERT_EQ(KoDibFlip(d.h, nullptr, r, 0, c.horizontal, 1), S_OK) << c.type;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 11; ++x) {
        const bool inside = x >= c.r.left && x < c.r.right && y >= c.r.top && y < c.r.bottom;
        const int sy = inside ? c.r.top + c.r.bottom - 1 - y : y, sx = c.horizontal ? 10 - x : x;
        if (c.type == KOPT_INDEX4) {
          ASSERT_EQ(Nibble(d.Row(y), x), Nibble(m.Row(sy), sx)) << x << "," << y;
        } else {
          const int b = d.h->biBitCount / 8;
          ASSERT_EQ(std::memcmp(d.Row(y) + x * b, m.Row(sy) + sx * b, b), 0)
              << "type " << c.type << " at " << x << "," << y;
        }
      }
    if (c.type == KOPT_RGB24) {  // row padding stays untouched
      for (int y = 0; y < 6; ++y) EXPECT_EQ(d.Row(y)[33], m.Row(y)[33]);
    }
  }
}

// Two pixels, the second alone for 32 bits: red and blue change places.
TEST(DibSwapRB, ExchangesFirstAndThirdChannel) {
  const float pf[8] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f}, ef[8] = {0.3f, 0.2f, 0.1f, 0.4f, 0.7f, 0.6f, 0.5f, 0.8f};
  const uint8_t p8[8] = {1, 2, 3, 4, 5, 6, 7, 8}, e24[6] = {3, 2, 1, 6, 5, 4}, e32[8] = {1, 2, 3, 4, 7, 6, 5, 8};
  const RECT second{1, 0, 2, 1};
  const struct {
    int type;
    const void *in, *want;
    size_t bytes;
    const RECT *r;
  } cases[] = {{KOPT_RGB24, p8, e24, 6, nullptr}, {KOPT_RGBA32, p8, e32, 8, &second}, {KOPT_RGBAFLOAT, pf, ef, 32, nullptr}};
  for (const auto &c : cases) {
    Dib d(c.type, 2, 1);
    std::memcpy(d.Row(0), c.in, c.bytes);
    EXPECT_EQ(KoDibSwapRB(d.h, nullptr, c.r, 0), S_OK);
    EXPECT_EQ(std::memcmp(d.Row(0), c.want, c.bytes), 0) << c.type;
  }
  Dib d16(KOPT_RGB565, 2, 1);
  EXPECT_EQ(KoDibSwapRB(d16.h, nullptr, nullptr, 0), E_NOTIMPL);
}

// ---- Fade ---------------------------------------------------------------------------

TEST(DibFade, ByteFormulaIsARoundedDivisionBy255) {
  // Against double precision: v + (c - v) * a / 255 rounded, for every case.
  for (int a8 = 0; a8 <= 255; a8 += 5)
    for (int v = 0; v < 256; ++v)
      for (int c = 0; c < 256; c += 3) {
        const double exact = v + (c - v) * a8 / 255.0;
        const int got = ko::pixels::ops::FadeByte(v, c, a8);
        ASSERT_LE(std::fabs(got - exact), 0.5 + 1e-9) << v << " " << c << " " << a8;
      }
}

TEST(DibFade, FloatPixelsAndRejectedTypes) {
  Dib d(KOPT_RGBAFLOAT, 2, 1);
  float *p = reinterpret_cast<float *>(d.Row(0));
  for (int i = 0; i < 8; ++i) p[i] = 0.25f;
  const KODIBPIXEL c{1.0f, 0.0f, 0.5f, 1.0f};
  const RECT first{0, 0, 1, 1};
  ASSERT_EQ(KoDibFadeToColor(d.h, nullptr, &first, 0, &c, 2.0f, 0, 0), S_OK);  // clamped
  EXPECT_FLOAT_EQ(p[0], 1.0f);
  EXPECT_FLOAT_EQ(p[2], 0.5f);
  EXPECT_FLOAT_EQ(p[4], 0.25f) << "outside the rectangle";
  ASSERT_EQ(KoDibFadeToColor(d.h, nullptr, nullptr, 0, &c, 0.5f, 1, 0), S_OK);
  EXPECT_FLOAT_EQ(p[4], 0.625f);
  EXPECT_FLOAT_EQ(p[7], 0.25f) << "alpha kept";
  Dib d24(KOPT_RGB24, 2, 1);
  EXPECT_EQ(KoDibFadeToColor(d24.h, nullptr, nullptr, 0, &c, 0.5f, 1, 0), E_NOTIMPL);
}

// ---- Merging fields -----------------------------------------------------------------

// Rows (or, rotated, columns counted from the right) of the field come from
// the source, the others stay; odd and even counts, 8-bit and float pixels.
TEST(DibMergeFields, CopiesTheLinesOfTheField) {
  std::mt19937 rng(6);
  for (bool rotated : {false, true})
    for (int type : {KOPT_RGBA32, KOPT_RGBAFLOAT})
      for (int lines : {5, 6})
        for (int field : {0, 1}) {
          const int w = rotated ? lines : 3, h = rotated ? 3 : lines;
          Dib src(type, w, h), dst(type, w, h);
          src.Random(rng);
          dst.Random(rng);
          const auto old = dst.Pixels();
          ASSERT_EQ((rotated ? KoDibMergeFieldsRotated : KoDibMergeFields)(dst.h, nullptr, 0, src.h, nullptr, 0, field),
                    S_OK);
          const int b = dst.h->biBitCount / 8;
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
              const bool inField = ((rotated ? w - 1 - x : y) % 2 == 0) == (field == 1);
              const uint8_t *want = inField ? src.Row(y) + x * b : old.data() + (h - 1 - y) * dst.stride + x * b;
              EXPECT_EQ(std::memcmp(dst.Row(y) + x * b, want, b), 0)
                  << "rotated " << rotated << " type " << type << " lines " << lines << " field " << field << " at " << x
                  << "," << y;
            }
        }
  // Sub-byte pixels: the whole row is copied.
  Dib src(KOPT_INDEX4, 3, 2), dst(KOPT_INDEX4, 3, 2);
  src.Row(0)[0] = 0xAB;
  src.Row(0)[1] = 0xC0;
  ASSERT_EQ(KoDibMergeFields(dst.h, nullptr, 0, src.h, nullptr, 0, 1), S_OK);
  EXPECT_EQ(dst.Row(0)[0], 0xAB);
  EXPECT_EQ(dst.Row(0)[1], 0xC0) << "the third 4-bit pixel is part of the row";
}

// ---- Box covering -------------------------------------------------------------------

std::vector<uint8_t> Cube() { return std::vector<uint8_t>(32768, 255); }
int CellOf(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

// Every used cell lies inside the box of some entry, and the count respects the
// limit, for a random spread and a range of palette sizes.
TEST(BoxCovering, EntriesStayWithinTheLimitAndTinyPalettesEndTheSearch) {
  std::mt19937 rng(8);
  auto base = Cube();
  for (int i = 0; i < 3000; ++i) base[rng() & 32767] = 10;
  for (uint32_t limit : {16u, 100u, 255u}) {
    auto occ = base;
    std::vector<RGBQUAD> pal(limit);
    const int n = ko::pixels::ops::CoverWithBoxes(occ.data(), limit, pal.data());
    EXPECT_TRUE(n >= 1 && uint32_t(n) <= limit) << n;
    int uncovered = 0;
    for (int i = 0; i < 32768; ++i) uncovered += base[i] != 255 && occ[i] != 5;
    EXPECT_EQ(uncovered, 0) << "limit " << limit;
  }
  // Boxes start at a used cell: when the first used cell isn't at the
  // cube's low corner, one box can't cover everything and tiny palettes keep
  // the first boxes of the largest shape instead of searching on for ever.
  auto occ = Cube();
  occ[CellOf(0, 0, 5)] = occ[CellOf(0, 1, 0)] = occ[CellOf(9, 0, 0)] = 10;
  EXPECT_EQ(ko::pixels::ops::BoxPass(occ.data(), 32, 32, 32, 4, nullptr, 0), 3);
  RGBQUAD pal[3];
  std::memset(pal, 0x77, sizeof(pal));
  ASSERT_EQ(ko::pixels::ops::CoverWithBoxes(occ.data(), 1, pal), 1);
  EXPECT_EQ(pal[0].rgbBlue, 40);  // the box opened at (0, 0, 5)
  EXPECT_EQ(pal[1].rgbBlue, 0x77) << "one entry only";
  ASSERT_EQ(ko::pixels::ops::CoverWithBoxes(occ.data(), 3, pal), 3);
}

// ---- Fill and pixel access ----------------------------------------------------------

// Inside the rectangle the colour's packing (5-6-5 red; 4-bit grey, high
// nibble first), outside untouched; 1/16384 rectangles are truncated to
// whole pixels; YUV images are not filled.
TEST(DibFill, RectanglesPackingSurroundingsAndPalettes) {
  Dib d(KOPT_RGB565, 7, 5), g(KOPT_GRAY4, 13, 2);
  const RECT r{2, 1, 6, 4}, gr{3, 0, 10, 1};
  const KODIBPIXEL red{0.0f, 0.0f, 1.0f, 1.0f};
  ASSERT_EQ(KoDibFillRect(d.h, nullptr, &r, 0, &red, 0), S_OK);
  ASSERT_EQ(KoDibSet(g.h, nullptr, &gr, 0, 1.0f, 1.0f, 1.0f, 1.0f, 0), S_OK);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) {
      const int v565 = x < 7 ? reinterpret_cast<uint16_t *>(d.Row(y))[x] : 0, grey = y < 2 ? Nibble(g.Row(y), x) : 0;
      EXPECT_EQ(v565, x >= 2 && x < 6 && y >= 1 && y < 4 ? 0xF800 : 0) << x << "," << y;
      EXPECT_EQ(grey, y == 0 && x >= 3 && x < 10 ? 15 : 0) << x << "," << y;
    }
  Dib e(KOPT_RGBA32, 4, 1);
  const RECT sub{kOne + 100, 0, 3 * kOne + 16383, kOne};
  ASSERT_EQ(KoDibSet(e.h, nullptr, &sub, 0, 0.5f, 0.25f, 1.0f, 1.0f, KODIB_SUBPIXEL_RECT), S_OK);
  const uint8_t want[16] = {0, 0, 0, 0, 255, 63, 127, 255, 255, 63, 127, 255, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(e.Row(0), want, 16), 0);
  Dib yuv(KOPT_UYVY, 4, 2);
  EXPECT_EQ(KoDibSet(yuv.h, nullptr, nullptr, 0, 1, 1, 1, 1, 0), E_NOTIMPL);
  // Palettised images take the entry of the inverse map.
  const std::vector<RGBQUAD> pal = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 200, 0}, {0, 160, 0, 0}};
  Dib p8(KOPT_INDEX8, 6, 3, pal);
  std::memset(p8.Bits(), 7, p8.Bytes());
  const float colours[3][3] = {{0.9f, 0.1f, 0.05f}, {0.2f, 0.7f, 0.1f}, {0.8f, 0.8f, 0.9f}};
  const int expected[3] = {2, 3, 1};  // nearest entries: red, green, white
  for (int c = 0; c < 3; ++c) {
    const RECT row{0, c, 6, c + 1};
    ASSERT_EQ(KoDibSet(p8.h, nullptr, &row, 0, colours[c][0], colours[c][1], colours[c][2], 1, 0),
              S_OK);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(p8.Row(c)[x], expected[c]) << "colour " << c;
  }
}

uint64_t Pack(uint16_t b, uint16_t g, uint16_t r, uint16_t a) {
  return uint64_t(b) | uint64_t(g) << 16 | uint64_t(r) << 32 | uint64_t(a) << 48;
}

TEST(DibPixel, RoundTripsAndPalettes) {
  Dib d(KOPT_RGBA64, 2, 2);
  const uint64_t w = Pack(1, 40000, 65535, 7);
  ASSERT_EQ(KoDibSetPixel(d.h, nullptr, 0, 1, 1, &w), S_OK);
  uint64_t v = 0;
  ASSERT_EQ(KoDibGetPixel(d.h, nullptr, 0, 1, 1, &v), S_OK);
  EXPECT_EQ(v, w);

  Dib r(KOPT_RGB565, 2, 1);
  const uint64_t c = Pack(0x0800, 0xFC00, 0xF800, 0xFFFF);
  ASSERT_EQ(KoDibSetPixel(r.h, nullptr, 0, 1, 0, &c), S_OK);
  EXPECT_EQ(reinterpret_cast<uint16_t *>(r.Row(0))[1], 0xF800 | 0x07E0 | 0x0001);
  ASSERT_EQ(KoDibGetPixel(r.h, nullptr, 0, 1, 0, &v), S_OK);
  EXPECT_EQ(v, c);

  Dib p(KOPT_INDEX8, 2, 1, {{10, 20, 30, 0}, {200, 100, 50, 0}});
  p.Row(0)[0] = 1;
  ASSERT_EQ(KoDibGetPixel(p.h, nullptr, 0, 0, 0, &v), S_OK);
  EXPECT_EQ(v, Pack(200 << 8, 100 << 8, 50 << 8, 65535)) << std::hex << v;
  // An index past the colour table reads as black, not past the table.
  p.Row(0)[1] = 250;
  ASSERT_EQ(KoDibGetPixel(p.h, nullptr, 0, 1, 0, &v), S_OK);
  EXPECT_EQ(v & 0xFFFFFFFFFFFFull, 0u);
  EXPECT_EQ(KoDibSetPixel(p.h, nullptr, 0, 0, 0, &w), E_NOTIMPL);
}

// ---- Interlaced copy ----------------------------------------------------------------

// Model: the field's rows converted, the others the truncated mean of the
// converted rows above and below (mirrored at the rectangle's edges).
template <typename T>
void CheckInterlace(Dib &dst, Dib &src, const RECT &dr, const RECT &sr, int field,
                    int channels, T (*get)(Dib &, int x, int y, int c),
                    T (*mean)(T, T), T (*out)(Dib &, int x, int y, int c)) {
  const int w = dr.right - dr.left, h = dr.bottom - dr.top;
  for (int i = 0; i < h; ++i) {
    const int dy = dr.top + i, sy = sr.top + i;
    const bool kept = (dy % 2 == 0) == (field == 1);
    const int up = i > 0 ? sy - 1 : (h > 1 ? sy + 1 : sy);
    const int dn = i < h - 1 ? sy + 1 : (h > 1 ? sy - 1 : sy);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) {
        const T want = kept ? get(src, sr.left + x, sy, c)
                            : mean(get(src, sr.left + x, up, c), get(src, sr.left + x, dn, c));
        ASSERT_EQ(out(dst, dr.left + x, dy, c), want)
            << "row " << dy << " col " << dr.left + x << " ch " << c << " field " << field;
      }
  }
}

uint8_t Get8(Dib &d, int x, int y, int c) { return d.Row(y)[4 * x + c]; }
uint8_t Mean8(uint8_t a, uint8_t b) { return uint8_t((a + b) >> 1); }

uint16_t Mean16(uint16_t a, uint16_t b) { return uint16_t((a + b) >> 1); }
uint16_t Get16(Dib &d, int x, int y, int c) {
  return reinterpret_cast<uint16_t *>(d.Row(y))[4 * x + c];
}
float GetF(Dib &d, int x, int y, int c) { return reinterpret_cast<float *>(d.Row(y))[4 * x + c]; }
float MeanF(float a, float b) { return (a + b) * 0.5f; }

// Whole images of odd and even heights in both fields, and rectangles that
// do not start on row 0: the byte fast path and the per-pixel path both
// follow the model.
TEST(DibCopyInterlace, RowsFollowTheFieldRule) {
  std::mt19937 rng(9);
  for (bool fast : {true, false})
    for (int field : {0, 1})
      for (int height : {7, 8, 131}) {
        Dib src(KOPT_RGBA32, 37, height), dst(KOPT_RGB32, 37, height);
        src.Random(rng);
        const RECT all{0, 0, 37, height}, sr{1, 2, 36, height - 2}, dr{2, 1, 37, height - 3};
        const bool rect = height > 8;
        ko::pixels::ops::SetInterlaceFastPath(fast);
        const HRESULT hr = KoDibCopyInterlace(dst.h, nullptr, rect ? &dr : nullptr, 0, src.h, nullptr,
                                              rect ? &sr : nullptr, 0, field, 0);
        ko::pixels::ops::SetInterlaceFastPath(true);
        ASSERT_EQ(hr, S_OK);
        CheckInterlace<uint8_t>(dst, src, rect ? dr : all, rect ? sr : all, field, 4, Get8, Mean8, Get8);
      }
  // The 16-bit (odd sums included) and float working pixels.
  Dib src(KOPT_RGBA64, 6, 9), dst(KOPT_RGBA64, 8, 9);
  src.Random(rng);
  const RECT sr{0, 1, 5, 9}, dr{3, 0, 8, 8};
  ASSERT_EQ(KoDibCopyInterlace(dst.h, nullptr, &dr, 0, src.h, nullptr, &sr, 0, 0, 0), S_OK);
  CheckInterlace<uint16_t>(dst, src, dr, sr, 0, 4, Get16, Mean16, Get16);

  Dib fs(KOPT_RGBAFLOAT, 5, 5), fd(KOPT_RGBAFLOAT, 5, 5);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < 20; ++i) reinterpret_cast<float *>(fs.Row(y))[i] = u(rng);
  ASSERT_EQ(KoDibCopyInterlace(fd.h, nullptr, nullptr, 0, fs.h, nullptr, nullptr, 0, 1, 0), S_OK);
  const RECT all{0, 0, 5, 5};
  CheckInterlace<float>(fd, fs, all, all, 1, 4, GetF, MeanF, GetF);
}

// ---- Palette selection --------------------------------------------------------------

TEST(DibQuantizePalette, SingleColourImages) {
  for (int grey : {200, 203}) {
    Dib src(KOPT_RGB24, 5, 4);
    std::memset(src.Bits(), grey, src.Bytes());
    Dib target(KOPT_INDEX8, 5, 4);
    RGBQUAD *pal = target.Palette();
    pal[1] = {1, 2, 3, 4};
    ASSERT_EQ(KoDibQuantizePalette(target.h, src.h, nullptr, nullptr, 0, 0), S_OK);
    EXPECT_EQ(pal[0].rgbBlue + pal[0].rgbGreen * 256 + pal[0].rgbRed * 65536, 200 * 65793) << grey;
    EXPECT_EQ(pal[1].rgbRed, 3) << "only one entry written";
    EXPECT_EQ(target.h->biClrUsed, 255u);
  }
}

}  // namespace
