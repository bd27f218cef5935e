// The recursive Gaussian blur against a double-precision model of the same
// recursion, constant images, the argument checks and their messages, and
// the control word around the call.
#include <gtest/gtest.h>
#include <omp.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

// The recursion in doubles: coefficients from sigma, forward then backward
// along each line, the edges starting from the edge value, results below
// 0.00001 stored as 0 (the recursion goes on with the unrounded value).
struct Model {
  double b, a1, a2, a3;
  explicit Model(double sigma) {
    sigma = std::min(std::max(sigma, 0.5), 54.0);
    const double q = sigma >= 2.5 ? 0.97588 * sigma - 0.9633 : 3.97156 - 4.14554 * std::sqrt(1 - 0.26891 * sigma);
    const double b0 = 1.57825 + 2.44413 * q + 1.4281 * q * q + 0.422205 * q * q * q;
    a1 = (2.44413 * q + 2.85619 * q * q + 1.26661 * q * q * q) / b0;
    a2 = -(1.4281 * q * q + 1.2666 * q * q * q) / b0;
    a3 = 0.422205 * q * q * q / b0;
    const double sum = a1 + a2 + a3;
    if (sum > 0.999999) a1 *= 0.999999 / sum, a2 *= 0.999999 / sum, a3 *= 0.999999 / sum;
    // The coefficient set is kept in single precision.
    a1 = float(a1), a2 = float(a2), a3 = float(a3);
    b = float(1 - (a1 + a2 + a3));
  }
  void Run(std::vector<double> &v) const {
    const size_t n = v.size();
    double h1 = v[0], h2 = v[0], h3 = v[0];
    for (size_t i = 0; i < n; ++i) {
      const double w = b * v[i] + a1 * h1 + a2 * h2 + a3 * h3;
      v[i] = w, h3 = h2, h2 = h1, h1 = w;
    }
    h1 = h2 = h3 = v[n - 1];
    for (size_t i = n; i-- > 0;) {
      const double y = b * v[i] + a1 * h1 + a2 * h2 + a3 * h3;
      v[i] = y < 0.00001 ? 0 : y, h3 = h2, h2 = h1, h1 = y;
    }
  }
};

// A plane of doubles blurred along rows then columns.
std::vector<double> ModelBlur(std::vector<double> p, int w, int h, double sx, double sy, const double *rows,
                              const double *cols) {
  std::vector<double> line;
  for (int y = 0; y < h; ++y) {
    line.assign(p.begin() + size_t(y) * w, p.begin() + size_t(y + 1) * w);
    Model(rows ? rows[y] : sx).Run(line);
    std::copy(line.begin(), line.end(), p.begin() + size_t(y) * w);
  }
  for (int x = 0; x < w; ++x) {
    line.resize(h);
    for (int y = 0; y < h; ++y) line[y] = p[size_t(y) * w + x];
    Model(cols ? cols[x] : sy).Run(line);
    for (int y = 0; y < h; ++y) p[size_t(y) * w + x] = line[y];
  }
  return p;
}

struct BlurCase {
  int bpp, width, height;
  double sigmaX, sigmaY;
  bool perLine;
};

class GaussianModel : public testing::TestWithParam<BlurCase> {};

// 8-bit within one level of the rounded model; float within FloatBound:
// single-precision sums against doubles, amplified by the filter's long
// memory at large sigmas (measured 3e-4 smooth, 2.3e-3 noise near 54;
// under 1e-6 below 30).
double FloatBound(const BlurCase &c) { return c.perLine || std::max(c.sigmaX, c.sigmaY) > 30 ? 5e-3 : 1e-5; }
// Images (four channels) and masks (one, with gain and offset). Large
// images are shared among threads (the columns band by band behind the
// rows; masks in strips): one thread gives the same bytes.
TEST_P(GaussianModel, WithinBoundOfModel) {
  const BlurCase c = GetParam();
  SCOPED_TRACE(testing::Message() << c.bpp << " bytes " << c.width << "x" << c.height << " sigma " << c.sigmaX);
  const int w = c.width, h = c.height;
  std::mt19937 rng(c.width * 131 + c.height);
  std::vector<double> rowS(h), colS(w);
  for (auto &s : rowS) s = std::uniform_real_distribution<double>(0.2, 60)(rng);
  for (auto &s : colS) s = std::uniform_real_distribution<double>(0.2, 60)(rng);
  const double *rows = c.perLine ? rowS.data() : nullptr, *cols = c.perLine ? colS.data() : nullptr;
  const int threads = omp_get_max_threads();
  for (const bool mask : {false, true}) {
    const bool bytes = c.bpp == 4;
    const int channels = mask ? 1 : 4, bpp = mask ? (bytes ? 1 : 4) : c.bpp, cell = bytes ? 1 : 4;
    const double gain = mask ? 0.75 : 1, offset = mask ? (bytes ? 10 : 0.125) : 0;
    std::vector<uint8_t> img(size_t(w) * h * bpp), temp(size_t(w) * h * 16);
    std::vector<std::vector<double>> plane(channels, std::vector<double>(size_t(w) * h));
    for (int i = 0; i < w * h; ++i)
      for (int ch = 0; ch < channels; ++ch) {
        // Blocks with noise, so that edges and flat parts both occur.
        const int v = std::clamp((((i % w) / 5 + (i / w) / 3) % 2 ? 180 : 40) + int(rng() % 41) - 20, 0, 255);
        const float f = v / 255.0f;
        plane[ch][i] = bytes ? v : f;
        std::memcpy(&img[size_t(i) * bpp + ch * cell], bytes ? static_cast<const void *>(&v) : &f, cell);
      }
    std::vector<uint8_t> one = img;
    const unsigned csr = _mm_getcsr();
    for (int run = 0; run < 2; ++run) {
      uint8_t *p = run ? img.data() : one.data();
      omp_set_num_threads(run ? std::max(2, threads) : 1);
      ASSERT_TRUE(mask ? GaussianBlurMask(p, w * bpp, bpp, w, h, temp.data(), temp.size() / 4, c.sigmaX, c.sigmaY,
                                          gain, offset, rows, cols)
                       : GaussianBlur(p, w * bpp, bpp, w, h, temp.data(), temp.size(), c.sigmaX, c.sigmaY, rows,
                                      cols));
    }
    omp_set_num_threads(threads);
    EXPECT_EQ(_mm_getcsr(), csr);  // the control word comes back
    EXPECT_EQ(one, img) << "one thread against several, mask " << mask;
    for (int ch = 0; ch < channels; ++ch) {
      const auto want = ModelBlur(plane[ch], w, h, c.sigmaX, c.sigmaY, rows, cols);
      for (int i = 0; i < w * h; ++i) {
        const double m = want[i] * gain + offset;
        const uint8_t *at = &img[size_t(i) * bpp + ch * cell];
        float got = *at;
        if (!bytes) std::memcpy(&got, at, 4);
        ASSERT_NEAR(got, bytes ? std::min(255.0, std::floor(m + 0.5)) : m, bytes ? 1.0 : FloatBound(c))
            << i << " channel " << ch << " mask " << mask;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GaussianModel,
    testing::Values(BlurCase{4, 1, 1, 2, 2, false}, BlurCase{16, 2, 3, 1, 1, false}, BlurCase{4, 17, 9, 0.3, 2.4, false},
                    BlurCase{16, 17, 9, 2.5, 7, false}, BlurCase{4, 133, 41, 10, 30, false},
                    BlurCase{16, 133, 41, 54, 100, false}, BlurCase{4, 67, 29, 0, 0, true},
                    BlurCase{16, 260, 13, 0, 0, true}, BlurCase{4, 300, 20, 20, 5, false},
                    BlurCase{4, 181, 97, 3, 1.5, true}, BlurCase{16, 181, 97, 3, 1.5, false}));

// Refusals leave the image alone and restore the control word; sizes of 0
// or less succeed without touching anything.
struct Refusal {
  const char *name;
  int bpp, width, height;
  long tempShort;  // bytes fewer than the call needs
  bool mask, nullTemp, ok;
  const char *message;
};

class GaussianArguments : public testing::TestWithParam<Refusal> {};

TEST_P(GaussianArguments, RefusedOrEmpty) {
  const Refusal r = GetParam();
  const int w = std::max(r.width, 1), h = std::max(r.height, 1);
  std::vector<uint8_t> img(size_t(w) * h * 16, 0x5A), before = img;
  const size_t need = size_t(std::max(r.width, 0)) * std::max(r.height, 0) * (r.mask ? 4 : 16);
  std::vector<uint8_t> temp(need + 16);
  void *t = r.nullTemp ? nullptr : temp.data();
  const unsigned csr = _mm_getcsr();
  _mm_setcsr((csr & ~0x6000u) | 0x2000u);  // round down: a value the call must give back
  const unsigned set = _mm_getcsr();
#ifndef _WIN32
  testing::internal::CaptureStderr();
#endif
  const bool ok = r.mask ? GaussianBlurMask(img.data(), w * r.bpp, r.bpp, r.width, r.height, t, need - r.tempShort, 2, 2,
                                            1, 0, nullptr, nullptr)
                         : GaussianBlur(img.data(), w * r.bpp, r.bpp, r.width, r.height, t, need - r.tempShort, 2, 2,
                                        nullptr, nullptr);
#ifndef _WIN32
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, r.message ? std::string(r.message) + "\n" : std::string());
#endif
  const unsigned after = _mm_getcsr();
  _mm_setcsr(csr);
  EXPECT_EQ(after, set);
  EXPECT_EQ(ok, r.ok);
  EXPECT_EQ(img, before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GaussianArguments,
    testing::Values(
        Refusal{"ZeroWidth", 4, 0, 5, 0, false, false, true, nullptr},
        Refusal{"NegativeHeight", 16, 5, -3, 0, false, false, true, nullptr},
        Refusal{"MaskZeroHeight", 1, 5, 0, 0, true, false, true, nullptr},
        Refusal{"TempOneShort", 4, 9, 7, 1, false, false, false, "GaussianBlur: we need a bigger temporary buffer"},
        Refusal{"NullTemp", 16, 9, 7, 0, false, true, false, "GaussianBlur: we need a bigger temporary buffer"},
        Refusal{"MaskTempOneShort", 4, 9, 7, 1, true, false, false,
                "GaussianBlurMask: we need a bigger temporary buffer"},
        Refusal{"UnknownFormat", 8, 9, 7, 0, false, false, false, "GaussianBlur: unimplemented or unknown format"},
        Refusal{"MaskUnknownFormat", 2, 9, 7, 0, true, false, false,
                "GaussianBlurMask: unimplemented or unknown format"}),
    [](const testing::TestParamInfo<Refusal> &i) { return std::string(i.param.name); });

}  // namespace
