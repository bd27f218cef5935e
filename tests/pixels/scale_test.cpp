// Scalers: the row drivers of every path against each other and the
// documented edge cases (the filters' values are compared with the device
// scalers in tests/gpu).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koframe.h"
#include "kokernel/koresult.h"
#include "frame/kernel_forms.h"
#include "pixels/scale.h"

namespace {

using ko::pixels::scale::Options;
constexpr int kOne = 16384;

// An image addressed from its top row; bottom-up images have a negative stride.
struct Image {
  uint32_t size[2];
  int bpp, rowBytes;
  bool bottomUp;
  std::vector<uint8_t> buf;
  Image(uint32_t w, uint32_t h, int bpp_, bool bottomUp_, int pad = 0)
      : size{w, h}, bpp(bpp_), rowBytes(int(w) * bpp_ + pad), bottomUp(bottomUp_),
        buf(size_t(rowBytes) * h) {}
  uint8_t *Top() { return bottomUp ? buf.data() + size_t(size[1] - 1) * rowBytes : buf.data(); }
  int Stride() const { return bottomUp ? -rowBytes : rowBytes; }
  uint8_t *Px(int x, int y) { return Top() + ptrdiff_t(y) * Stride() + ptrdiff_t(x) * bpp; }
  float *PxF(int x, int y) { return reinterpret_cast<float *>(Px(x, y)); }
};

void FillRandom(Image &im, std::mt19937 &rng) {
  if (im.bpp == 4) {
    for (auto &b : im.buf) b = uint8_t(rng());
  } else {
    std::uniform_real_distribution<float> d(-0.25f, 1.25f);
    for (size_t i = 0; i + 4 <= im.buf.size(); i += 4) {
      const float v = d(rng);
      std::memcpy(&im.buf[i], &v, 4);
    }
  }
}

// Smooth content with texture, like a photograph without hard edges.
void FillNatural(Image &im, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-3, 3);
  for (uint32_t y = 0; y < im.size[1]; ++y)
    for (uint32_t x = 0; x < im.size[0]; ++x)
      for (int c = 0; c < 4; ++c) {
        const double v = 128 + 70 * std::sin(x * 0.05 + c) * std::cos(y * 0.037 + 0.5 * c) +
                         30 * std::sin((x + 2.0 * y) * 0.09 + 2 * c) + noise(rng);
        const double n = std::clamp(v, 0.0, 255.0);
        if (im.bpp == 4)
          im.Px(x, y)[c] = uint8_t(n);
        else
          im.PxF(x, y)[c] = float(n / 255.0);
      }
}

// A public scaler on two images, pixel size from the source.
template <class Fn>
HRESULT Call(Fn fn, Image &dst, const RECT *dr, Image &src, const RECT *sr, uint32_t area = 0, uint32_t noMix = 0) {
  return fn(dst.Top(), dst.size, dst.Stride(), dr, src.Top(), src.size, src.Stride(), sr, uint32_t(src.bpp), area,
            noMix);
}

using ko::forms::Form;

// The vector forms this processor runs.
std::vector<Form> VectorForms() {
  std::vector<Form> forms;
  for (Form f : {ko::forms::kSSE2, ko::forms::kAVX2})
    if (ko::forms::HardwareRuns(f)) forms.push_back(f);
  return forms;
}

int FirstDifference(const Image &a, const Image &b) {
  for (size_t i = 0; i < a.buf.size(); ++i)
    if (a.buf[i] != b.buf[i]) return int(i);
  return -1;
}

// ---- Row drivers -------------------------------------------------------------------------
// The row kernels' forms are compared one by one through the kernel registry
// (tests/kernels). Here the drivers: on the scalar path the area kernels run
// per pixel over the footprints, on the vector paths through the prefiltered
// lines and partial sums of the registered kernels, in threads. Both must
// give the same image for every kernel, 8-bit (32-bit and 64-bit area sums,
// which agree with each other) and float, on sub-pixel rectangles, odd and
// one-pixel sizes, padded and bottom-up images; the run reports the kernel
// it took and that its rows went through a vector form.
TEST(ScaleDrivers, VectorDriversMatchThePerPixelRows) {
  using ko::pixels::scale::Kernel;
  using ko::pixels::scale::RunInfo;
  const std::vector<Form> forms = VectorForms();
  ASSERT_FALSE(forms.empty());
  std::mt19937 rng(2024);
  for (int k = 0; k < 7; ++k)
    for (int bpp : {4, 16})
      for (bool wide : {false, true}) {
        const Kernel want = Kernel(k);
        const bool cubic = want == Kernel::Cubic || want == Kernel::AreaXCubicY || want == Kernel::AreaYCubicX;
        const bool downX = want == Kernel::Area2D || want == Kernel::AreaXBilinY || want == Kernel::AreaXCubicY;
        const bool downY = want == Kernel::Area2D || want == Kernel::AreaYBilinX || want == Kernel::AreaYCubicX;
        const bool area = downX || downY;
        if (wide && (bpp != 4 || !area)) continue;
        int hits = 0;
        for (int trial = 0; trial < 24; ++trial) {
          // Shrinking axes go from 3..60 source pixels to fewer (at least 2);
          // the others from 1..12 to as many or more (1 stays 1).
          auto sizes = [&](bool down, uint32_t &s, uint32_t &d) {
            s = down ? 3 + rng() % 58 : 1 + rng() % 12;
            d = down ? std::clamp<uint32_t>(s / (2 + rng() % 5) + rng() % 2, 2, s - 1)
                     : (s == 1 && rng() % 2 ? 1 : s + rng() % 10);
          };
          uint32_t sw, sh, dw, dh;
          sizes(downX, sw, dw);
          sizes(downY, sh, dh);
          Image src(sw, sh, bpp, rng() & 1, int(rng() % 3) * 4), dst0(dw, dh, bpp, rng() & 1, int(rng() % 2) * 4);
          FillRandom(src, rng);
          FillRandom(dst0, rng);
          // Whole images, or a sub-pixel source rectangle inside the image
          // that keeps the direction of every axis.
          RECT sr{0, 0, int(sw) * kOne, int(sh) * kOne}, dr{0, 0, int(dw) * kOne, int(dh) * kOne};
          auto cut = [&](LONG &lo, LONG &hi) {
            const LONG room = (hi - lo) / 4;
            if (room > 0 && trial % 3) lo += LONG(rng() % uint32_t(room)), hi -= LONG(rng() % uint32_t(room));
          };
          cut(sr.left, sr.right);
          cut(sr.top, sr.bottom);
          if (trial % 4 == 1) dr.left = kOne / 3;  // a partly covered first column
          Options o;
          o.bicubic = cubic;
          o.areaMode = area;
          o.bytesPerPixel = uint32_t(bpp);
          o.noEdgeMix = trial % 5 == 0;
          o.singleThread = true;
          auto run = [&](Image &out, RunInfo &info, Form form, bool forceWide) {
            ko::forms::ForceScope scope(form);
            o.forceWideAccumulators = forceWide;
            KoSubpixelParam p;
            return KoPrepareSubpixelParam(&p, out.Top(), out.size, uint32_t(out.Stride()), &dr, src.Top(), src.size,
                                          uint32_t(src.Stride()), &sr) &&
                   ko::pixels::scale::Run(p, o, &info);
          };
          Image ref = dst0;
          RunInfo refInfo;
          // Big shrinks need 64-bit sums by themselves; they count as wide.
          if (!run(ref, refInfo, ko::forms::kScalar, wide) || refInfo.kernel != want || refInfo.wide != wide) continue;
          ++hits;
          EXPECT_FALSE(refInfo.vectorRows);
          if (wide) {
            Image narrow = dst0;
            RunInfo info;
            ASSERT_TRUE(run(narrow, info, ko::forms::kScalar, false));
            if (!info.wide) {
              EXPECT_EQ(FirstDifference(ref, narrow), -1) << "wide sums, trial " << trial;
            }
          }
          for (Form form : forms)
            for (bool threads : {false, true}) {
              o.singleThread = !threads;
              Image out = dst0;
              RunInfo info;
              ASSERT_TRUE(run(out, info, form, wide));
              EXPECT_EQ(info.kernel, want);
              EXPECT_TRUE(info.vectorRows) << "kernel " << k << " bpp " << bpp;
              const int at = FirstDifference(ref, out);
              EXPECT_EQ(at, -1) << "kernel " << k << " form " << ko::forms::FormName(form) << " threads " << threads
                                << " bpp " << bpp << " wide " << wide << " src " << sw << "x" << sh << " dst " << dw
                                << "x" << dh << " trial " << trial << " byte " << at;
            }
          o.singleThread = true;
        }
        EXPECT_GE(hits, 12) << "kernel " << k << " bpp " << bpp << " wide " << wide;
      }
}

// A shrink by more than eleven times in both axes needs 64-bit area sums by
// itself (the driver test compares the wide sums across forms); each pixel is
// near the mean of its block.
TEST(ScaleDrivers, LargeShrinkTakesWideSums) {
  Image src(701, 389, 4, true), dst(9, 5, 4, false);
  FillNatural(src, 3);
  for (bool bicubic : {false, true}) {
    Options o;
    o.areaMode = true;
    o.bicubic = bicubic;
    KoSubpixelParam p;
    ASSERT_TRUE(KoPrepareSubpixelParam(&p, dst.Top(), dst.size, uint32_t(dst.Stride()), nullptr, src.Top(),
                                       src.size, uint32_t(src.Stride()), nullptr));
    ko::pixels::scale::RunInfo info;
    ASSERT_TRUE(ko::pixels::scale::Run(p, o, &info));
    EXPECT_TRUE(info.wide);
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int y = 0; y < 389 / 5; ++y)
        for (int x = 0; x < 701 / 9; ++x) sum += src.Px(x, y)[c];
      EXPECT_NEAR(dst.Px(0, 0)[c], sum / ((389 / 5) * (701 / 9)), 6.0) << "channel " << c << " bicubic " << bicubic;
    }
  }
}

// ---- Documented behaviour ----------------------------------------------------------

TEST(ScaleRules, TooSmallRectanglesLeaveDestinationUntouched) {
  std::mt19937 rng(4);
  Image src(16, 16, 4, false), dst(16, 16, 4, false);
  FillRandom(src, rng);
  FillRandom(dst, rng);
  const Image before = dst;
  const RECT thin{0, 0, 1023, 16 * kOne};          // narrower than 1/16 pixel
  const RECT srcEdge{15 * kOne + 100, 0, 20 * kOne, 16 * kOne};  // clipped below one pixel
  for (auto fn : {KoDibScale_BilinearSubPixel, KoDibScale_BiCubicSubPixel}) {
    EXPECT_EQ(Call(fn, dst, &thin, src, nullptr), S_OK);
    EXPECT_EQ(Call(fn, dst, nullptr, src, &srcEdge), S_OK);
  }
  EXPECT_EQ(FirstDifference(before, dst), -1);
  EXPECT_EQ(KoDibScale_Bilinear(dst.Top(), dst.size, dst.Stride(), nullptr, src.Top(), src.size,
                                src.Stride(), nullptr, 3, 0, 0),
            E_INVALIDARG);
}

TEST(ScaleRules, HalfCoveredFirstColumnIsMixedWithOldContent) {
  Image src(4, 4, 4, false), dst(4, 4, 4, false);
  std::fill(src.buf.begin(), src.buf.end(), 200);
  const RECT dr{kOne / 2, 0, 4 * kOne, 4 * kOne};
  for (uint32_t noMix : {0u, 1u})
    for (auto fn : {KoDibScale_BilinearSubPixel, KoDibScale_BiCubicSubPixel}) {
      std::fill(dst.buf.begin(), dst.buf.end(), 0);
      ASSERT_EQ(Call(fn, dst, &dr, src, nullptr, 0, noMix), S_OK);
      // Coverage 255 * 1/2 = 127: 200 * 127 / 255 rounds to 100.
      EXPECT_EQ(dst.Px(0, 2)[1], noMix ? 200 : 100) << "noEdgeMix " << noMix;
      EXPECT_EQ(dst.Px(1, 2)[1], 200);
    }
  // Float pixels mix in proportion too.
  Image fs(4, 4, 16, false), fd(4, 4, 16, false);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) fs.PxF(x, y)[c] = 0.8f;
  ASSERT_EQ(Call(KoDibScale_BilinearSubPixel, fd, &dr, fs, nullptr), S_OK);
  EXPECT_NEAR(fd.PxF(0, 1)[0], 0.8f * 127 / 255, 1e-6);
  EXPECT_FLOAT_EQ(fd.PxF(3, 1)[0], 0.8f);
}

TEST(ScaleRules, BicubicOvershootClampsIntegerButNotFloatColour) {
  Image s8(8, 1, 4, false), d8(29, 1, 4, false), sf(8, 1, 16, false), df(29, 1, 16, false);
  for (int x = 0; x < 8; ++x)
    for (int c = 0; c < 4; ++c) s8.Px(x, 0)[c] = x < 4 ? 0 : 255, sf.PxF(x, 0)[c] = x < 4 ? 0.0f : 1.0f;
  ASSERT_EQ(Call(KoDibScale_BiCubic, d8, nullptr, s8, nullptr, 0, 1), S_OK);
  ASSERT_EQ(Call(KoDibScale_BiCubic, df, nullptr, sf, nullptr, 0, 1), S_OK);
  float lo = 1, hi = 0;
  for (int x = 0; x < 29; ++x) {
    const float v = df.PxF(x, 0)[0], a = df.PxF(x, 0)[3];
    lo = std::min(lo, v), hi = std::max(hi, v);
    EXPECT_TRUE(a >= 0.0f && a <= 1.0f) << x;  // alpha is clamped in float too
    // Where the float result overshoots, the integer one sits at the limit.
    if (v > 1.0f || v < 0.0f) {
      EXPECT_EQ(d8.Px(x, 0)[0], v > 1.0f ? 255 : 0) << x;
    }
  }
  EXPECT_LT(lo, -0.01f);
  EXPECT_GT(hi, 1.01f);
}

TEST(ScaleRules, BicubicWeightTableIsBuiltOnceAndSumsToOne) {
  std::vector<std::thread> threads;
  std::atomic<const int16_t *> seen[4] = {};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { seen[i] = ko::pixels::scale::BicubicIntWeights(); });
  for (auto &t : threads) t.join();
  for (int i = 1; i < 4; ++i) EXPECT_EQ(seen[i].load(), seen[0].load());
  const int16_t *wi = seen[0];
  const float *wf = ko::pixels::scale::BicubicFloatWeights();
  for (int p = 0; p < 4096; ++p) {
    const int sum = wi[4 * p] + wi[4 * p + 1] + wi[4 * p + 2] + wi[4 * p + 3];
    ASSERT_NEAR(sum, 16384, 2) << "phase " << p;
    ASSERT_NEAR(wf[4 * p] + wf[4 * p + 1] + wf[4 * p + 2] + wf[4 * p + 3], 1.0f, 1e-6f);
  }
  // Phase 1/2: taps at 1.5, 0.5, 0.5, 1.5 give -1/16, 9/16, 9/16, -1/16.
  EXPECT_EQ(wi[4 * 2048], -1024);
  EXPECT_EQ(wi[4 * 2048 + 1], 9216);
  EXPECT_EQ(wi[4 * 2048 + 3], -1024);
}

}  // namespace
