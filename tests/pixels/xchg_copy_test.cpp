// KoDibCopy through every path, the row converters on every processor path,
// and the RGBA sub-rectangle converters.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koxchg.h"
#include "pixels/dib.h"
#include "pixels/xchg.h"
#include "pixels/xchg_internal.h"
#include "pixels/pixels_test_util.h"

namespace {

namespace xchg = ko::pixels::xchg;

using kotest::Dib;

// Random pixel bytes; float types get values in [-0.1, 1.1] and the odd NaN.
void Randomize(const Dib &d, int type, uint32_t seed) {
  std::mt19937 rng(seed);
  if (type == 22 || type == 32) {
    auto *f = reinterpret_cast<float *>(d.Bits());
    std::uniform_real_distribution<float> u(-0.1f, 1.1f);
    for (size_t i = 0; i < d.Bytes() / 4; ++i) f[i] = (i % 97 == 5) ? NAN : u(rng);
  } else {
    d.Random(rng);
  }
}

const HRESULT kUnsupported = KO_E_UNSUPPORTEDMEDIATYPE;

TEST(XchgCopy, RejectsWhatItCannotDo) {
  Dib src(29, 8, 8), dst(29, 8, 8);
  const RECT outside{20, 20, 30, 30};
  EXPECT_EQ(KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, &outside, 0, 0, 0, 0), kUnsupported);
  const RECT empty{2, 2, 2, 5};
  EXPECT_EQ(KoDibCopy(dst.h, nullptr, &empty, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), kUnsupported);
  EXPECT_EQ(KoDibCopy(nullptr, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), E_POINTER);
  // A YUV source has no exchange converter.
  Dib yuv(64, 8, 8);
  EXPECT_EQ(KoDibCopy(dst.h, nullptr, nullptr, 0, yuv.h, nullptr, nullptr, 0, 0, 0, 0), kUnsupported);
  // A palettised destination without colours can't get its inverse map.
  Dib idx(24, 8, 8);
  idx.h->biClrUsed = 0;
  EXPECT_EQ(KoDibCopy(idx.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), kUnsupported);
  idx.h->biClrUsed = 255;
}

TEST(XchgCopy, ScalingSamplesTheMiddleAndReadsInsideTheSource) {
  // RGBA64 goes through the engine (the scalers only take 8-bit and float BGRA).
  Dib src(31, 2, 1), dst(31, 3, 1);
  auto *s = reinterpret_cast<uint16_t *>(src.Bits());
  const uint16_t a[4] = {1000, 2001, 60000, 65535}, b[4] = {3000, 0, 60001, 1};
  std::memcpy(s, a, 8);
  std::memcpy(s + 4, b, 8);
  ASSERT_EQ(KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 3, 0, 0), S_OK);
  const auto *d = reinterpret_cast<const uint16_t *>(dst.Bits());
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(d[c], a[c]) << c;
    EXPECT_EQ(d[4 + c], (8192u * a[c] + 8192u * b[c]) >> 14) << c;
    EXPECT_EQ(d[8 + c], b[c]) << c;
  }
  // Mode 0 steps by the ratio and samples the truncated position: 0, 0, 1.
  ASSERT_EQ(KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  EXPECT_EQ(d[4], a[0]);
  EXPECT_EQ(d[8], b[0]);
  // Up and down scaling of every engine type in every mode, with ASan
  // watching: no read passes the source's edge, rows and columns map
  // monotonically.
  for (int type : {17, 19, 21, 25, 27, 30, 31}) {
    Dib src(type, 5, 3);
    Randomize(src, type, 3);
    for (uint32_t mode = 0; mode <= 4; ++mode) {
      for (auto size : {std::pair{17, 9}, std::pair{2, 1}, std::pair{1, 7}}) {
        Dib dst(type, size.first, size.second);
        ASSERT_EQ(KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, mode | 0x20, 0, 0), S_OK)
            << type << " mode " << mode;
      }
    }
  }
}

TEST(XchgCopy, FloatRowsMatchAStraightforwardModel) {
  Dib src(32, 37, 3), d8(29, 37, 3), d24(27, 37, 3), d30(30, 37, 3);
  Randomize(src, 32, 4);
  ASSERT_EQ(KoDibCopy(d8.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  ASSERT_EQ(KoDibCopy(d24.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  ASSERT_EQ(KoDibCopy(d30.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  auto model = [](float v, double top) {
    if (!(v > 0)) return 0L;
    return std::lround(std::min(double(v), 1.0) * top);  // round to nearest
  };
  for (int y = 0; y < 3; ++y) {
    const auto *f = reinterpret_cast<const float *>(src.Row(y));
    for (int x = 0; x < 37; ++x) {
      uint32_t w30;
      std::memcpy(&w30, d30.Row(y) + 4 * x, 4);
      for (int c = 0; c < 4; ++c) {
        const float v = f[4 * x + c];
        // Single-precision v x 255 + 0.5 may differ from exact rounding by
        // one step only at exact halves.
        EXPECT_NEAR(d8.Row(y)[4 * x + c], model(v, 255), 1) << x << " " << c << " " << v;
        if (c < 3) {
          EXPECT_EQ(d24.Row(y)[3 * x + c], d8.Row(y)[4 * x + c]) << x;
        }
        const uint32_t got = c < 3 ? (w30 >> (10 * c)) & 1023 : w30 >> 30;
        EXPECT_NEAR(double(got), double(model(v, c < 3 ? 1023 : 3)), 1) << x << " " << c;
      }
    }
  }
}

TEST(XchgCopy, PalettisedDestinationUsesTheInverseMap) {
  const std::vector<RGBQUAD> pal = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {200, 200, 200, 0}};
  Dib src(27, 5, 1), d8(24, 5, 1, pal), d4(23, 5, 1, pal);
  for (int x = 0; x < 5; ++x) {
    src.Row(0)[3 * x + 0] = pal[x].rgbBlue;
    src.Row(0)[3 * x + 1] = pal[x].rgbGreen;
    src.Row(0)[3 * x + 2] = pal[x].rgbRed;
  }
  ASSERT_EQ(KoDibCopy(d8.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  ASSERT_EQ(KoDibCopy(d4.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(d8.Row(0)[x], x);
    EXPECT_EQ((d4.Row(0)[x / 2] >> (x % 2 ? 0 : 4)) & 15, x);
  }
  // And back: the colour table read through both precisions.
  Dib back(29, 5, 1), back16(31, 5, 1);
  ASSERT_EQ(KoDibCopy(back.h, nullptr, nullptr, 0, d8.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  ASSERT_EQ(KoDibCopy(back16.h, nullptr, nullptr, 0, d4.h, nullptr, nullptr, 0, 0, 0, 0), S_OK);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(back.Row(0)[4 * x + 2], pal[x].rgbRed);
    EXPECT_EQ(back.Row(0)[4 * x + 3], 255);
    EXPECT_EQ(reinterpret_cast<uint16_t *>(back16.Row(0))[4 * x + 1], pal[x].rgbGreen << 8);
  }
}

TEST(XchgCopy, SoftEdgesFadeIntoTheDestination) {
  const int W = 4;
  Dib src(29, 10, 3), dst(29, 10, 3);
  std::memset(src.Bits(), 200, src.Bytes());
  const uint32_t flags = KOXCHG_EDGE_LEFT | uint32_t(W) << 16;
  // A source rectangle starting two columns left of the image: clipping
  // cuts those two columns (and two destination columns), and the cut
  // counts towards the distance from the rectangle's side.
  std::memset(dst.Bits(), 40, dst.Bytes());
  const RECT sr{-2, 0, 8, 3}, dr{0, 0, 10, 3};
  ASSERT_EQ(KoDibCopy(dst.h, nullptr, &dr, 0, src.h, nullptr, &sr, 0, flags, 0, 0), S_OK);
  auto mix = [](int d) { return int(((200 << 8) + ((((40 - 200) << 8) * int64_t(d * 13107)) >> 16)) >> 8); };
  const uint8_t *r0 = dst.Row(0);
  EXPECT_EQ((std::vector<int>{r0[0], r0[4], r0[8], r0[12], r0[16]}), (std::vector<int>{40, 40, mix(2), mix(1), 200}));
}

TEST(XchgCopy, SubPixelRectanglesMixByCoverage) {
  Dib src(31, 4, 4), dst(31, 4, 4);
  auto fill = [](const Dib &d, uint16_t v) {
    auto *w = reinterpret_cast<uint16_t *>(d.Bits());
    for (size_t i = 0; i < d.Bytes() / 2; ++i) w[i] = v;
  };
  fill(src, 50000);
  fill(dst, 10000);
  // Destination rectangle from 0.5 to 2.5 pixels across, whole rows.
  const RECT dr{8192, 0, 2 * 16384 + 8192, 4 * 16384};
  ASSERT_EQ(KoDibCopy(dst.h, nullptr, &dr, 0, src.h, nullptr, nullptr, 0, KOXCHG_SUBPIXEL | 3, 0, 0), S_OK);
  const auto *row = reinterpret_cast<const uint16_t *>(dst.Row(1));
  const int half = int(10000 + ((int64_t(40000) * (8192 * 65535 / 16384)) >> 16));
  EXPECT_EQ((std::vector<int>{row[0], row[4], row[8], row[12]}), (std::vector<int>{half, 50000, half, 10000}));
  // The prepared job of the sub-pixel engine: palettised destinations get
  // their map, which the cleanup releases.
  const std::vector<RGBQUAD> pal = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  Dib idx(24, 4, 4, pal);
  KoDibSubpixelJob job;
  ASSERT_EQ(DibPrepareSubpixelParam(&job, idx.h, nullptr, &dr, 0, src.h, nullptr, nullptr, 0), S_OK);
  EXPECT_NE(job.inverseMap, nullptr);
  EXPECT_EQ(job.geometry.dstRect.left, 8192);
  DibCleanupSubpixelParam(&job);
  EXPECT_EQ(job.inverseMap, nullptr);
  const RECT tiny{0, 0, 8000, 8000};
  EXPECT_EQ(DibPrepareSubpixelParam(&job, idx.h, nullptr, &tiny, 0, src.h, nullptr, nullptr, 0), kUnsupported);
}

TEST(XchgCopy, WholePixelSubPixelRectanglesAreThePlainCopy) {
  // Sub-pixel flag with whole-pixel coordinates: the plain copy.
  Dib src(29, 8, 8), dst(29, 8, 8), ref(29, 8, 8);
  Randomize(src, 29, 6);
  const RECT r{16384, 16384, 5 * 16384, 4 * 16384}, rp{1, 1, 5, 4};
  ASSERT_EQ(KoDibCopy(dst.h, nullptr, &r, 0, src.h, nullptr, &r, 0, KOXCHG_SUBPIXEL | 3, 0, 0), S_OK);
  ASSERT_EQ(KoDibCopy(ref.h, nullptr, &rp, 0, src.h, nullptr, &rp, 0, 3, 0, 0), S_OK);
  EXPECT_EQ(dst.Pixels(), ref.Pixels());
}

// One thread loops over the rows itself, several share them out: the same
// bytes either way, on every row driver (plain rows, the per-pixel engine,
// scaled and soft-edged rows, sub-pixel rectangles, the scalers).
struct ThreadCase {
  const char *name;
  int dstType, srcType, dstW, dstH;
  uint32_t flags;
  RECT dstRect;
};
class XchgThreads : public testing::TestWithParam<ThreadCase> {};
TEST_P(XchgThreads, OneThreadAsMany) {
  const ThreadCase &c = GetParam();
  Dib src(c.srcType, 37, 29);
  Randomize(src, c.srcType, 11);
  const RECT *rect = c.dstRect.right ? &c.dstRect : nullptr;
  std::vector<uint8_t> got[2];
  const int threads = omp_get_max_threads();
  for (int run = 0; run < 2; ++run) {
    omp_set_num_threads(run ? std::max(2, threads) : 1);
    Dib dst(c.dstType, c.dstW, c.dstH);
    Randomize(dst, c.dstType, 12);
    ASSERT_EQ(KoDibCopy(dst.h, nullptr, rect, 0, src.h, nullptr, nullptr, 0, c.flags, 0, 0), S_OK);
    got[run] = dst.Pixels();
  }
  omp_set_num_threads(threads);
  EXPECT_EQ(got[0], got[1]);
}
INSTANTIATE_TEST_SUITE_P(
    Drivers, XchgThreads,
    testing::Values(ThreadCase{"RowConverter", 27, 28, 37, 29, 0, {}},
                    ThreadCase{"PixelEngine", 31, 27, 37, 29, 0, {}},
                    ThreadCase{"EngineScaled", 31, 31, 23, 41, 3, {}},
                    ThreadCase{"SoftEdges", 28, 28, 37, 29, 3 | KOXCHG_EDGE_MASK | 4u << KOXCHG_EDGE_WIDTH_SHIFT, {}},
                    ThreadCase{"SubPixel", 31, 31, 37, 29, KOXCHG_SUBPIXEL | 3, {8192, 4096, 30 * 16384 + 8192, 25 * 16384}},
                    ThreadCase{"ScalerBilinear", 28, 28, 23, 41, 3, {}},
                    ThreadCase{"ScalerArea", 28, 28, 23, 17, 3 | KOXCHG_AREA, {}}),
    [](const testing::TestParamInfo<ThreadCase> &i) { return std::string(i.param.name); });

// The row converters' references against the per-pixel engine they stand
// for (their vector forms are compared with the references through the
// kernel registry).
TEST(XchgRows, RowsEqualThePerPixelEngine) {
  struct Pair {
    int dst, src;
    uint32_t flags;
  };
  // (The direct float to 8-bit and 10-bit rows round once, unlike the engine.)
  const Pair pairs[] = {{28, 27, 0}, {29, 27, 0}, {27, 28, 0},    {27, 29, 0}, {29, 28, 0},
                        {28, 29, 0}, {27, 27, 0}, {31, 29, 0},    {31, 29, 0x20}, {29, 31, 0},
                        {31, 31, 0}, {32, 32, 0}, {31, 32, 0},    {32, 29, 0}, {32, 29, 0x20},
                        {32, 31, 0}};
  std::mt19937 rng(11);
  for (const Pair &p : pairs) {
    const xchg::RowKind kind = xchg::ChooseRow(p.dst, p.src, p.flags);
    ASSERT_NE(kind, xchg::RowKind::None) << p.dst << " <- " << p.src;
    const int sb = xchg::TypeBits(p.src) / 8, db = xchg::TypeBits(p.dst) / 8;
    for (int n : {0, 1, 3, 4, 5, 7, 8, 11, 12, 15, 16, 17, 31, 33, 64, 67}) {
      std::vector<uint8_t> src(size_t(n) * sb + 1);
      for (auto &b : src) b = uint8_t(rng());
      if (p.src == 32) {
        auto *f = reinterpret_cast<float *>(src.data());
        std::uniform_real_distribution<float> u(-0.2f, 1.2f);
        for (int i = 0; i < 4 * n; ++i) f[i] = (i % 13 == 3) ? NAN : u(rng);
        if (n > 2) {
          f[1] = 0.5f;
          f[2] = 1.0f / 510.0f;  // an exact half step
        }
      }
      std::vector<uint8_t> ref(size_t(n) * db + 8, 0xCD);
      ko::forms::FormOf<xchg::RowFn>(xchg::RowKernel(kind), ko::forms::kScalar)(src.data(), ref.data(), n);
      {
        KoXchgContext r;
        ASSERT_EQ(KoXCHGGetFunctionPointers(p.dst, p.src, p.flags, &r, nullptr, 0, 0), S_OK);
        std::vector<uint8_t> eng(ref.size(), 0xCD);
        xchg::SeekSrc(&r, src.data(), 0);
        xchg::SeekDst(&r, eng.data(), 0);
        for (int i = 0; i < n; ++i) {
          r.read(&r);
          r.write(&r);
        }
        ASSERT_EQ(eng, ref) << p.dst << " <- " << p.src << " n=" << n;
      }
    }
  }
}

// ---- RGBA sub-rectangles ----------------------------------------------------------------

TEST(XchgSubRect, LayoutsAndRowOrder) {
  const int W = 5, H = 4;
  std::vector<uint8_t> rgba(W * H * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 7 + 3);
  const int x = 1, y = 1, w = 3, h = 2;
  std::vector<uint16_t> out(w * h * 4);
  ASSERT_EQ(KoRGB_RGBA_To_RGBA64_SubRect(nullptr, out.data(), w * 8, nullptr, rgba.data(), W * 4, x, y, w, h), S_OK);
  for (int r = 0; r < h; ++r)
    for (int i = 0; i < w; ++i)
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(out[(r * w + i) * 4 + c], rgba[((y + r) * W + x + i) * 4 + c] << 8);
  std::vector<uint8_t> b64a(w * h * 8);
  ASSERT_EQ(KoRGB_RGBA_To_B64A_SubRect(nullptr, b64a.data(), w * 8, nullptr, rgba.data(), W * 4, x, y, w, h), S_OK);
  const uint8_t *s0 = &rgba[(y * W + x) * 4];
  using B = std::vector<int>;
  EXPECT_EQ((B{b64a[0], b64a[1], b64a[2], b64a[6]}), (B{s0[3], 0, s0[2], s0[0]}));  // A high byte first, R, B
  // RGBA64 -> B64A writes the first source row as the last destination row;
  // B64A -> RGBA64 flips back, so the pair round-trips.
  std::vector<uint16_t> wide(W * H * 4);
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = uint16_t(i * 2654435761u >> 7);
  std::vector<uint8_t> be(w * h * 8);
  ASSERT_EQ(KoRGB_RGBA64_To_B64A_SubRect(nullptr, be.data(), w * 8, nullptr, wide.data(), W * 8, x, y, w, h), S_OK);
  const uint16_t *first = &wide[(y * W + x) * 4];
  const uint8_t *last = &be[(h - 1) * w * 8];
  EXPECT_EQ((B{last[0], last[1], last[6]}), (B{first[3] >> 8, first[3] & 0xFF, first[0] >> 8}));
  std::vector<uint16_t> back(w * h * 4);
  ASSERT_EQ(KoRGB_B64A_To_RGBA64_SubRect(nullptr, back.data(), w * 8, nullptr, be.data(), w * 8, 0, 0, w, h), S_OK);
  for (int r = 0; r < h; ++r)
    for (int i = 0; i < w * 4; ++i) ASSERT_EQ(back[r * w * 4 + i], wide[((y + r) * W + x) * 4 + i]) << r << " " << i;
}

}  // namespace
