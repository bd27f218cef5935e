// The exchange engine's per-pixel functions, tone curve, mixing operations
// and the inverse colour map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "kokernel/koxchg.h"
#include "pixels/xchg.h"

namespace {

namespace xchg = ko::pixels::xchg;

struct Rec {
  KoXchgContext r;
  Rec(int dst, int src, uint32_t flags = 0, const void *params = nullptr, double a = 0,
      double b = 0) {
    hr = KoXCHGGetFunctionPointers(dst, src, flags, &r, params, a, b);
  }
  ~Rec() { xchg::Cleanup(&r); }
  HRESULT hr;
};

// Reads one pixel of type `src` from `bytes` with the 16-bit working pixel.
std::vector<uint16_t> Read16(int src, const void *bytes, uint32_t flags = KOXCHG_FORCE16,
                             int x = 0, const RGBQUAD *palette = nullptr) {
  Rec rec(31, src, flags);
  EXPECT_EQ(rec.hr, S_OK);
  rec.r.palette = palette;
  xchg::SeekSrc(&rec.r, bytes, x);
  rec.r.read(&rec.r);
  const auto &w = rec.r.pixel[0].w;
  return {w[0], w[1], w[2], w[3]};
}

TEST(XchgRecord, RangePrecisionModeFlagsAndCurves) {
  KoXchgContext r;
  EXPECT_EQ(KoXCHGGetFunctionPointers(15, 28, 0, &r, nullptr, 0, 0), E_INVALIDARG);
  EXPECT_EQ(KoXCHGGetFunctionPointers(28, 35, 0, &r, nullptr, 0, 0), E_INVALIDARG);
  EXPECT_EQ(KoXCHGGetFunctionPointers(28, 64, 0, &r, nullptr, 0, 0), E_INVALIDARG);
  EXPECT_EQ(KoXCHGGetFunctionPointers(28, 28, 0, nullptr, nullptr, 0, 0), E_POINTER);
  // Type 34 is accepted but gets no functions.
  ASSERT_EQ(KoXCHGGetFunctionPointers(34, 28, 0, &r, nullptr, 0, 0), S_OK);
  EXPECT_EQ(r.read, nullptr);
  EXPECT_EQ(r.write, nullptr);
  // Precision by types, mode and flags; the tone curves.
  const struct {
    int dst, src;
    uint32_t flags;
    int precision;
  } precisions[] = {{29, 27, 0, KOXCHG_PREC8},        {29, 27, KOXCHG_FORCE16, KOXCHG_PREC16},
                    {32, 32, 0, KOXCHG_PRECFLOAT},    {31, 29, 0, KOXCHG_PREC16},
                    {29, 24, 0, KOXCHG_PREC8},        {29, 29, 4, KOXCHG_PREC16},  // mode 4 forces 0x10
                    {32, 32, KOXCHG_FORCE16, KOXCHG_PREC16}};
  for (const auto &p : precisions) EXPECT_EQ(Rec(p.dst, p.src, p.flags).r.precision, p.precision) << p.dst << " " << p.src;
  // Curves: float source -> read curve; integer source into float -> write curve.
  Rec f(28, 32, 0, nullptr, 1.0, 2.2);
  EXPECT_TRUE(f.r.readCurve.active && !f.r.writeCurve.active);
  EXPECT_NEAR(f.r.readCurve.gamma, 2.2, 1e-12);
  Rec g(22, 28, 0, nullptr, 2.0, 1.0);
  EXPECT_TRUE(g.r.writeCurve.active);
  EXPECT_NEAR(g.r.writeCurve.gamma, 0.5, 1e-12);
  Rec h(28, 27, 0, nullptr, 1.0, 2.2);
  EXPECT_FALSE(h.r.readCurve.active || h.r.writeCurve.active);
  // Zero means 1/0.45 for both, so the curve is the identity; exponents clamp to [0.5, 4].
  Rec z(28, 32, 0, nullptr, 0.0, 0.0);
  EXPECT_FALSE(z.r.readCurve.active);
  Rec cl(28, 32, 0, nullptr, 0.1, 9.0);
  EXPECT_NEAR(cl.r.readCurve.gamma, 8.0, 1e-12);
}

TEST(XchgPixels, ReadsOfEveryTypeIn16Bits) {
  const uint8_t bits1[] = {0xA0};  // 1, 0, 1 most significant first
  EXPECT_EQ(Read16(17, bits1, KOXCHG_FORCE16, 0), (std::vector<uint16_t>{65535, 65535, 65535, 65535}));
  EXPECT_EQ(Read16(16, bits1, KOXCHG_FORCE16, 1), (std::vector<uint16_t>{0, 0, 0, 65535}));
  const uint8_t bits2[] = {0x1B};  // 0,1,2,3
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Read16(18, bits2, KOXCHG_FORCE16, x)[0], x * 21845);
  const uint8_t nib[] = {0x5C};
  EXPECT_EQ(Read16(19, nib, KOXCHG_FORCE16, 0)[1], 5 * 4369);
  EXPECT_EQ(Read16(19, nib, KOXCHG_FORCE16, 1)[1], 12 * 4369);
  const uint8_t g8[] = {0x80};
  EXPECT_EQ(Read16(20, g8)[2], 0x8000);
  EXPECT_EQ(Read16(20, g8, KOXCHG_FORCE16 | KOXCHG_VARIANT1)[2], 0x8080);
  const uint16_t rgb555 = uint16_t(31 << 10 | 1 << 5 | 16);
  EXPECT_EQ(Read16(25, &rgb555), (std::vector<uint16_t>{16 << 11, 1 << 11, 31 << 11, 65535}));
  const uint16_t rgb565 = uint16_t(0xF800 | 63 << 5 | 1);
  EXPECT_EQ(Read16(26, &rgb565), (std::vector<uint16_t>{1 << 11, 63 << 10, 0xF800, 65535}));
  const uint32_t r1010 = 1023u << 20 | 512u << 10 | 1u | 2u << 30;
  EXPECT_EQ(Read16(30, &r1010), (std::vector<uint16_t>{64, 512 << 6, 1023 << 6, 43690}));
  const uint32_t r10a2 = 1023u << 22 | 512u << 12 | 1u << 2 | 1u;
  EXPECT_EQ(Read16(33, &r10a2), (std::vector<uint16_t>{64, 512 << 6, 1023 << 6, 21845}));
  const float fl[4] = {0.5f, -1.0f, 2.0f, 1.0f};
  EXPECT_EQ(Read16(32, fl), (std::vector<uint16_t>{32768, 0, 65535, 65535}));
  const RGBQUAD pal[2] = {{1, 2, 3, 0}, {10, 20, 30, 0}};
  const uint8_t idx[] = {0x01};
  EXPECT_EQ(Read16(23, idx, KOXCHG_FORCE16, 1, pal), (std::vector<uint16_t>{10 << 8, 20 << 8, 30 << 8, 65535}));
  EXPECT_EQ(Read16(24, idx, KOXCHG_FORCE16, 0, pal), (std::vector<uint16_t>{10 << 8, 20 << 8, 30 << 8, 65535}));
}

void Set16(KoXchgPixel &px, uint16_t b, uint16_t g, uint16_t r, uint16_t a) {
  const uint16_t v[4] = {b, g, r, a};
  std::memcpy(px.w, v, sizeof v);
}

// Writes one 16-bit working pixel as type `dst`.
template <typename T>
T Write16(int dst, uint16_t b, uint16_t g, uint16_t r, uint16_t a, int x = 0, T init = T{}) {
  Rec rec(dst, 31);
  EXPECT_EQ(rec.hr, S_OK);
  T out = init;
  xchg::SeekDst(&rec.r, &out, x);
  Set16(rec.r.pixel[0], b, g, r, a);
  rec.r.write(&rec.r);
  return out;
}

TEST(XchgPixels, WritesOfEveryTypeFrom16Bits) {
  // One-bit threshold: B+G+R one below 0x17FFF gives 0, exactly 0x17FFF gives 1.
  EXPECT_EQ(Write16<uint8_t>(17, 0x7FFF, 0x8000, 0x7FFF, 0), 0);
  EXPECT_EQ(Write16<uint8_t>(17, 0x7FFF, 0x8000, 0x8000, 0), 0x80);
  EXPECT_EQ(Write16<uint8_t>(16, 65535, 65535, 65535, 0, 3, uint8_t(0x81)), 0x91);
  EXPECT_EQ(Write16<uint8_t>(18, 43690, 43690, 43690, 0, 1), 2 << 4);
  EXPECT_EQ(Write16<uint8_t>(19, 65535, 65535, 65535, 0, 1, uint8_t(0xA0)), 0xAF);
  EXPECT_EQ(Write16<uint8_t>(20, 0x100, 0x200, 0x300, 0), 2);  // 0x600 / 768
  EXPECT_EQ(Write16<uint8_t>(20, 0xFF00, 0xFF00, 0xFF00, 0), 0xFF);
  EXPECT_EQ(Write16<uint16_t>(21, 1, 2, 6, 0), 3);
  EXPECT_EQ(Write16<uint16_t>(25, 0xFFFF, 0x0800, 0x8000, 0), (1 << 5) | 31 | (16 << 10));
  EXPECT_EQ(Write16<uint16_t>(26, 0x0800, 0xFFFF, 0xF800, 0), 0xFFE1);
  EXPECT_EQ(Write16<uint32_t>(30, 64, 128, 65535, 65535), 1u | 2u << 10 | 1023u << 20 | 3u << 30);
  EXPECT_EQ(Write16<uint32_t>(33, 64, 128, 65535, 32768), 1u << 2 | 2u << 12 | 1023u << 22 | 2u);
  struct F4 { float v[4]; };
  const F4 f = Write16<F4>(32, 32768, 0, 65535, 65535);
  EXPECT_FLOAT_EQ(f.v[0], 32768.0f / 65535.0f);
  EXPECT_EQ(f.v[1], 0.0f);
  EXPECT_EQ(f.v[2], 1.0f);
}

// ---- Tone curve ---------------------------------------------------------------------

TEST(XchgCurve, BT709ShapesAndTables) {
  KoToneCurve dec, enc, id;
  xchg::CurveInit(&dec, 1.0 / 0.45);
  xchg::CurveInit(&enc, 0.45);
  xchg::CurveInit(&id, 1.0005);
  EXPECT_FALSE(id.active);
  EXPECT_NEAR(dec.threshold, 0.081, 0.001);
  EXPECT_NEAR(enc.threshold, 0.018, 0.001);
  // The two are inverses of each other, also through the toe and below 0.
  for (double x : {-0.5, -0.01, 0.0, 0.005, 0.05, 0.3, 0.9, 1.0}) {
    EXPECT_NEAR(xchg::CurveEval(enc, xchg::CurveEval(dec, x)), x, 2e-3) << x;
  }
  EXPECT_NEAR(xchg::CurveEval(enc, 1.0), 1.0, 1e-6);
  // Tables: float interpolated, integer nearest, out of range clamps.
  ASSERT_TRUE(xchg::CurveBuildTable(&dec, xchg::CurveTable::Float256));
  ASSERT_TRUE(xchg::CurveBuildTable(&dec, xchg::CurveTable::Byte4096));
  ASSERT_TRUE(xchg::CurveBuildTable(&dec, xchg::CurveTable::Ten16384));
  for (float x : {0.0f, 0.1f, 0.37f, 0.999f}) {
    EXPECT_NEAR(xchg::CurveLookupFloat(dec, x), xchg::CurveEval(dec, x), 2e-4) << x;
    EXPECT_NEAR(xchg::CurveLookupByte(dec, x), xchg::CurveEval(dec, x) * 255, 1.0) << x;
    EXPECT_NEAR(xchg::CurveLookupTen(dec, x), xchg::CurveEval(dec, x) * 1023, 1.0) << x;
  }
  EXPECT_EQ(xchg::CurveLookupFloat(dec, -1.0f), 0.0f);
  EXPECT_EQ(xchg::CurveLookupFloat(dec, NAN), 0.0f);
  EXPECT_EQ(xchg::CurveLookupByte(dec, 7.0f), 255);
  EXPECT_EQ(xchg::CurveLookupTen(dec, 1.5f), 1023);
  EXPECT_EQ(xchg::CurveLookupTwo(dec, 1.5f), 3);
  xchg::CurveFreeTables(&dec);
  EXPECT_EQ(dec.floatTable, nullptr);
}

// ---- Mixing operations -------------------------------------------------------------

KoXchgOpParams Params(int op, uint16_t factor = 0, uint16_t factor2 = 0, uint32_t threshold = 0) {
  // The key stays black.
  return {op, {}, 0, threshold, factor, factor2, uint8_t(factor >> 8), uint8_t(factor2 >> 8), 0, 0.0};
}


TEST(XchgMix, SixteenBitEightBitAndFourPixelForms) {
  auto run = [](KoXchgOpParams p, std::vector<uint16_t> P, std::vector<uint16_t> Q) {
    Rec rec(31, 31, 0, &p);
    EXPECT_EQ(rec.hr, S_OK) << p.op;
    Set16(rec.r.pixel[0], P[0], P[1], P[2], P[3]);
    Set16(rec.r.other[0], Q[0], Q[1], Q[2], Q[3]);
    rec.r.mix(&rec.r);
    const auto &w = rec.r.pixel[0].w;
    return std::vector<uint16_t>{w[0], w[1], w[2], w[3]};
  };
  using V = std::vector<uint16_t>;
  EXPECT_EQ(run(Params(0), {1, 2, 3, 4}, {5, 6, 7, 8}), (V{5, 6, 7, 8}));
  // 3: P + ((Q - P) x F >> 16), arithmetic shift for negative differences.
  EXPECT_EQ(run(Params(3, 32768), {0, 1000, 65535, 0}, {65535, 0, 0, 100}), (V{32767, 500, 32767, 50}));
  // 4: replace when the key distance exceeds T.
  EXPECT_EQ(run(Params(4, 0, 0, 300), {1, 1, 1, 1}, {100, 100, 100, 9}), (V{1, 1, 1, 1}));
  EXPECT_EQ(run(Params(4, 0, 0, 299), {1, 1, 1, 1}, {100, 100, 100, 9}), (V{100, 100, 100, 9}));
  // 8: absolute difference; 12: towards the inverse of Q.
  EXPECT_EQ(run(Params(8), {10, 500, 0, 7}, {20, 100, 0, 7}), (V{10, 400, 0, 0}));
  EXPECT_EQ(run(Params(12, 65535), {0, 0, 0, 0}, {0, 65535, 1000, 0}), (V{65534, 0, 64534, 65534}));
  // 13: towards Q's grey; alpha unchanged.
  EXPECT_EQ(run(Params(13, 32768), {0, 0, 0, 5}, {300, 600, 900, 0}), (V{300, 300, 300, 5}));
  // 15: distance to the key as grey.
  EXPECT_EQ(run(Params(15), {300, 0, 0, 9}, {0, 0, 0, 0}), (V{173, 173, 173, 9}));
  // 17: threshold window from F2 to F2 + T.
  EXPECT_EQ(run(Params(17, 0, 1000, 3000), {500, 500, 500, 1}, {0, 0, 0, 0}), (V{0, 0, 0, 1}));
  EXPECT_EQ(run(Params(17, 0, 1000, 3000), {5000, 5000, 5000, 1}, {0, 0, 0, 0}), (V{65535, 65535, 65535, 1}));
  EXPECT_EQ(run(Params(17, 0, 1000, 3000), {2000, 2000, 2000, 1}, {0, 0, 0, 0}), (V{32767, 32767, 32767, 1}));
  // 19: adds, and saturates instead of wrapping.
  EXPECT_EQ(run(Params(19, 32768), {100, 65000, 0, 3}, {1000, 4000, 0, 0}), (V{600, 65535, 0, 3}));
  // 2: premultiplied over: Q plus P scaled by what Q's alpha leaves.
  EXPECT_EQ(run(Params(2), {40000, 0, 65535, 65535}, {0, 1000, 0, 0}), (V{40000, 1000, 65535, 65535}));
  EXPECT_EQ(run(Params(2), {40000, 0, 65535, 65535}, {5, 6, 7, 65535}), (V{5, 6, 7, 65535}));
  // Unknown index: not implemented; 16 and 18 do nothing.
  KoXchgOpParams bad = Params(20);
  KoXchgContext r;
  EXPECT_EQ(KoXCHGGetFunctionPointers(31, 31, 0, &r, &bad, 0, 0), E_NOTIMPL);
  EXPECT_EQ(run(Params(16), {1, 2, 3, 4}, {5, 6, 7, 8}), (V{1, 2, 3, 4}));
  // The float working pixel has no operations.
  KoXchgOpParams zero = Params(0);
  EXPECT_EQ(KoXCHGGetFunctionPointers(32, 32, 0, &r, &zero, 0, 0), E_NOTIMPL);
  // The 8-bit forms and the four-pixel forms.
  KoXchgOpParams p = Params(3, 0x8000);
  Rec lo(29, 29, 0, &p), full(29, 29, KOXCHG_FULL8, &p);
  ASSERT_EQ(lo.r.precision, KOXCHG_PREC8);
  for (Rec *rec : {&lo, &full}) {
    for (int i = 0; i < 4; ++i) {
      std::memset(rec->r.pixel[i].b, 0, 4);
      std::memset(rec->r.other[i].b, 255, 4);
    }
    rec->r.mix4(&rec->r);
  }
  // 4-bit precision: v = 8 of 15 -> 8 x 15 = 120 of 225 -> 136; full bytes: 255 x 128 >> 8 = 127.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lo.r.pixel[i].b[0], 136) << i;
    EXPECT_EQ(full.r.pixel[i].b[0], 127) << i;
  }
  // Op 4's extra form: all ones or all zeros.
  KoXchgOpParams o4 = Params(4, 0, 0, 0x100);
  Rec k(31, 31, 0, &o4);
  ASSERT_NE(k.r.mixExtra, nullptr);
  Set16(k.r.other[0], 0, 0, 0x200, 0);
  k.r.mixExtra(&k.r);
  EXPECT_EQ(k.r.pixel[0].w[0], 65535);
  Set16(k.r.other[0], 0, 0, 0x100, 0);
  k.r.mixExtra(&k.r);
  EXPECT_EQ(k.r.pixel[0].w[3], 0);
}

// ---- Inverse colour map ----------------------------------------------------------------

BITMAPINFOHEADER *PalettedHeader(std::vector<uint8_t> &buf, const std::vector<RGBQUAD> &pal) {
  buf.assign(40 + 4 * pal.size(), 0);
  auto *h = reinterpret_cast<BITMAPINFOHEADER *>(buf.data());
  h->biSize = 40;
  h->biBitCount = 8;
  h->biClrUsed = DWORD(pal.size());
  if (!pal.empty()) std::memcpy(buf.data() + 40, pal.data(), 4 * pal.size());
  return h;
}

int CityDistance(int cell, const RGBQUAD &e) {
  const int r = cell >> 10, g = (cell >> 5) & 31, b = cell & 31;
  return std::abs(r - (e.rgbRed >> 3)) + std::abs(g - (e.rgbGreen >> 3)) + std::abs(b - (e.rgbBlue >> 3));
}

TEST(XchgQuantizer, RegionGrowingAndAFullPalette) {
  std::vector<uint8_t> buf;
  uint8_t *map = nullptr;
  // No entries: invalid, no map.
  EXPECT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, {})), E_INVALIDARG);
  EXPECT_EQ(map, nullptr);
  EXPECT_EQ(KoDibCreateColorQuantizer(nullptr, PalettedHeader(buf, {{1, 2, 3, 0}})), E_POINTER);
  // One entry: everything is 0.
  ASSERT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, {{9, 99, 200, 0}})), S_OK);
  for (int c = 0; c < 32768; ++c) ASSERT_EQ(map[c], 0) << c;
  xchg::FreeColorQuantizer(map);
  // Equal distances: the region whose growing cell comes first in scan order
  // wins, whatever the entries' order.
  const std::vector<RGBQUAD> tie = {{16, 0, 0, 0}, {0, 0, 0, 0}};  // blue levels 2 and 0
  ASSERT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, tie)), S_OK);
  EXPECT_EQ(map[1], 1);  // blue level 1: cell 0 is scanned before cell 2
  EXPECT_EQ(map[3], 0);
  xchg::FreeColorQuantizer(map);
  // Two entries in one cell: the first owns it, the second gets nothing.
  const std::vector<RGBQUAD> dup = {{8, 8, 8, 0}, {9, 9, 9, 0}, {200, 10, 10, 0}};
  ASSERT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, dup)), S_OK);
  for (int c = 0; c < 32768; ++c) ASSERT_NE(map[c], 1) << c;
  EXPECT_EQ(map[xchg::Cell8(8, 8, 8)], 0);
  EXPECT_EQ(map[xchg::Cell8(10, 10, 200)], 2);
  xchg::FreeColorQuantizer(map);
  // Every region is a set of nearest cells: against a brute force over 16 random entries.
  std::vector<RGBQUAD> pal;
  uint32_t s = 12345;
  for (int i = 0; i < 16; ++i) {
    s = s * 1103515245 + 12345;
    pal.push_back({uint8_t(s >> 8), uint8_t(s >> 16), uint8_t(s >> 24), 0});
  }
  ASSERT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, pal)), S_OK);
  for (int c = 0; c < 32768; ++c) {
    int best = 1 << 30;
    for (const auto &e : pal) best = std::min(best, CityDistance(c, e));
    ASSERT_EQ(CityDistance(c, pal[map[c]]), best) << c;
  }
  xchg::FreeColorQuantizer(map);
  // 256 distinct entries: entry 255's region is kept like any other.
  pal.resize(256);
  for (int i = 0; i < 256; ++i) pal[i] = {uint8_t((i & 7) * 32), uint8_t(((i >> 3) & 7) * 32), uint8_t((i >> 6) * 64), 0};
  ASSERT_EQ(KoDibCreateColorQuantizer(&map, PalettedHeader(buf, pal)), S_OK);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(map[xchg::Cell8(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue)], i) << i;
  xchg::FreeColorQuantizer(map);
}

}  // namespace
