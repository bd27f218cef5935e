// The image transforms: refusals, worked values, the direct 2-D transform,
// the half-block shift and convolution by multiplying spectra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "kokernel/koperf.h"

namespace {

using cd = std::complex<double>;
const double kTwoPi = 6.283185307179586476925286766559;

// A BGRA image of bytes or floats.
template <class T>
struct Image {
  int w, h;
  std::vector<T> px;
  Image(int w_, int h_, T fill = 0) : w(w_), h(h_), px(size_t(w_) * h_ * 4, fill) {}
  T &at(int x, int y, int c) { return px[(size_t(y) * w + x) * 4 + c]; }
  BYTE *data() { return reinterpret_cast<BYTE *>(px.data()); }
  int stride() const { return w * 4 * int(sizeof(T)); }
};
using ByteImage = Image<BYTE>;
using FloatImage = Image<float>;

std::vector<float> Forward(const BYTE *image, int stride, int bpp, int n, int x0, int y0, int w,
                           int h, bool normalise, double threshold, double target, int packing,
                           int channel) {
  std::vector<float> coeffs(size_t(n) * n * 2, -1.0f);
  EXPECT_TRUE(FFT_Forward(coeffs.data(), nullptr, n, n, image, stride, bpp, x0, y0, w, h, normalise,
                          threshold, target, packing, channel, nullptr, 0));
  return coeffs;
}

TEST(ImageFft, RefusesBadBlocksAndArguments) {
  ByteImage img(16, 16, 7);
  std::vector<float> coeffs(16 * 16 * 2);
  auto fwd = [&](int n1, int n2, const BYTE *image, int w, int packing, int channel) {
    return FFT_Forward(coeffs.data(), nullptr, n1, n2, image, img.stride(), 4, 0, 0, w, 16, false,
                       1.0, 1.0, packing, channel, nullptr, 0);
  };
  EXPECT_TRUE(fwd(16, 16, img.data(), 16, 0, 0));
  // Not square, not a power of two, too small, too big, no image, no width,
  // no such channel, no channel after alpha for two-channel packing.
  const bool refused[] = {fwd(16, 8, img.data(), 16, 0, 0),       fwd(12, 12, img.data(), 16, 0, 0),
                          fwd(2, 2, img.data(), 16, 0, 0),        fwd(65536, 65536, img.data(), 16, 0, 0),
                          fwd(16, 16, nullptr, 16, 0, 0),            fwd(16, 16, img.data(), 0, 0, 0),
                          fwd(16, 16, img.data(), 16, 0, 4),      fwd(16, 16, img.data(), 16, 2, 3)};
  for (size_t i = 0; i < sizeof refused; ++i) EXPECT_FALSE(refused[i]) << "case " << i;
  auto inv = [&](BYTE *image, const float *s, int n2, int packing, int channel) {
    return FFT_Inverse(image, img.stride(), 4, 16, 16, s, 16, n2, 0, 0, 0, 0, 16, 16, packing, channel, nullptr, 0);
  };
  EXPECT_FALSE(inv(img.data(), coeffs.data(), 8, 0, 0));
  EXPECT_FALSE(inv(img.data(), nullptr, 16, 0, 0));
  EXPECT_FALSE(inv(nullptr, coeffs.data(), 16, 0, 0));
  EXPECT_FALSE(inv(img.data(), coeffs.data(), 16, 2, 3));
  EXPECT_FALSE(FFT_Multiply(nullptr, 0, coeffs.data(), 0, 2, 2));
  EXPECT_FALSE(FFT_Multiply(coeffs.data(), 0, coeffs.data(), 0, -2, 2));
  EXPECT_FALSE(FFT_Plot(nullptr, 8, coeffs.data(), 0, 2, 2));
}

TEST(ImageFft, ConstantBlocksNormalisationAndBoost) {
  ByteImage img(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      img.at(x, y, 2) = 100;
      img.at(x, y, 3) = 50;
    }
  std::vector<float> s = Forward(img.data(), img.stride(), 4, 8, 4, 4, 16, 16, false, 1.0, 1.0, 0, 2);
  EXPECT_EQ(s[0], 6400.0f);
  EXPECT_EQ(s[1], 0.0f);
  for (size_t i = 2; i < s.size(); ++i) ASSERT_NEAR(s[i], 0.0f, 1e-3) << i;
  // Normalised: each channel sums to 1.
  s = Forward(img.data(), img.stride(), 4, 8, 4, 4, 16, 16, true, 1.0, 1.0, 2, 2);
  EXPECT_NEAR(s[0], 1.0f, 1e-6);
  EXPECT_NEAR(s[1], 1.0f, 1e-6);
  // Highlight boost, 8-bit: t = 127.5, k = 1, so 200 -> 272.5; 100 stays.
  img.at(0, 0, 2) = 200;  // outside the sampled block
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) img.at(x, y, 1) = (x + y) % 2 ? 200 : 100;
  s = Forward(img.data(), img.stride(), 4, 8, 0, 0, 16, 16, false, 0.5, 1.0, 0, 1);
  EXPECT_EQ(s[0], 32 * 272.5f + 32 * 100.0f);
  s = Forward(img.data(), img.stride(), 4, 8, 0, 0, 16, 16, false, 254.0 / 255.0, 1.0, 0, 1);
  EXPECT_EQ(s[0], 32 * 200.0f + 32 * 100.0f);  // at the limit the boost is off
  // Float pixels: t = 0.5, k = (0.75 - 0.5) / 0.5, so 0.75 -> 0.875.
  FloatImage f(8, 8, 0.75f);
  s = Forward(f.data(), f.stride(), 16, 8, 0, 0, 8, 8, false, 0.5, 0.75, 0, 0);
  EXPECT_NEAR(s[0], 64 * 0.875f, 1e-4);
}

// The spectrum of a block that runs off the image equals the direct 2-D
// transform of the clamped samples, rows indexed by vertical frequency,
// whatever work buffer the caller gives.
TEST(ImageFft, ForwardMatchesTheDirectTransformOfClampedSamples) {
  const int w = 5, h = 3, n = 8, x0 = -2, y0 = -1;
  ByteImage img(w, h);
  std::mt19937 rng(5);
  for (auto &b : img.px) b = static_cast<BYTE>(rng() & 255);
  for (int packing : {0, 2}) {
    std::vector<float> s = Forward(img.data(), img.stride(), 4, n, x0, y0, w, h, false, 1.0, 1.0, packing, 1);
    // A caller's work buffer of the full size, too small or of negative size
    // changes nothing.
    std::vector<BYTE> big(FFT_BufferSize(n, n, 1), 0xA5), small(100, 0xA5);
    for (auto [temp, bytes] : {std::pair{big.data(), int(big.size())}, {small.data(), 100}, {big.data(), -5}}) {
      std::vector<float> t(s.size(), -1.0f);
      ASSERT_TRUE(FFT_Forward(t.data(), nullptr, n, n, img.data(), img.stride(), 4, x0, y0, w, h, false, 1, 1,
                              packing, 1, temp, bytes));
      EXPECT_EQ(t, s) << bytes << " bytes";
    }
    double worst = 0;
    for (int v = 0; v < n; ++v)
      for (int u = 0; u < n; ++u) {
        cd sum = 0;
        for (int y = 0; y < n; ++y)
          for (int x = 0; x < n; ++x) {
            const int cx = std::clamp(x0 + x, 0, w - 1), cy = std::clamp(y0 + y, 0, h - 1);
            const cd val(img.at(cx, cy, 1), packing == 2 ? img.at(cx, cy, 2) : 0);
            sum += val * std::polar(1.0, -kTwoPi * ((u * x + v * y) % n) / n);
          }
        const cd got(s[(v * n + u) * 2], s[(v * n + u) * 2 + 1]);
        worst = std::max(worst, std::abs(got - sum));
      }
    EXPECT_LT(worst, 0.05) << "packing " << packing;
  }
}

TEST(ImageFft, InverseShiftsByHalfTheBlock) {
  const int n = 16;
  ByteImage img(n, n);
  std::mt19937 rng(9);
  for (auto &b : img.px) b = static_cast<BYTE>(rng() & 255);
  std::vector<float> s = Forward(img.data(), img.stride(), 4, n, 0, 0, n, n, false, 1.0, 1.0, 2, 0);
  ByteImage out(n, n, 77);
  std::vector<BYTE> temp(FFT_BufferSize(n, n, 1));
  ASSERT_TRUE(FFT_Inverse(out.px.data(), out.stride(), 4, n, n, s.data(), n, n, 0, 0, 0, 0, n, n, 2,
                          0, temp.data(), int(temp.size())));
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int sx = (x + n / 2) % n, sy = (y + n / 2) % n;
      ASSERT_EQ(out.at(x, y, 0), img.at(sx, sy, 0)) << x << "," << y;
      ASSERT_EQ(out.at(x, y, 1), img.at(sx, sy, 1)) << x << "," << y;
      ASSERT_EQ(out.at(x, y, 2), 77);  // channels outside the packing stay
    }
  // Only the window inside the image is written, here at an offset that
  // puts part of the block outside the image.
  FloatImage fo(12, 10, -9.0f);
  ASSERT_TRUE(FFT_Inverse(fo.data(), fo.stride(), 16, 12, 10, s.data(), n, n, 4, -3, 2, 1, 9, 20, 0,
                          3, nullptr, 0));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 4 && x >= 2 && x < 9 && y >= 1;
      if (!inside) {
        ASSERT_EQ(fo.at(x, y, 3), -9.0f) << x << "," << y;
        continue;
      }
      const int bx = x - 4, by = y + 3;  // block position after the shift
      const int sx = (bx + n / 2) % n, sy = (by + n / 2) % n;
      ASSERT_NEAR(fo.at(x, y, 3), img.at(sx, sy, 0), 1e-3) << x << "," << y;
      ASSERT_EQ(fo.at(x, y, 0), -9.0f);
    }
}

// Forward, multiply by the spectrum of a centred kernel, inverse: the result
// is the spatial convolution, not displaced.
TEST(ImageFft, ConvolutionByMultiplyStaysInPlace) {
  const int n = 32, r = 2;
  FloatImage img(n, n);
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> noise(0, 0.2f);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float disc = (x - 12) * (x - 12) + (y - 18) * (y - 18) < 40 ? 0.6f : 0.0f;
      img.at(x, y, 1) = x / 64.0f + disc + noise(rng);
    }
  // An asymmetric kernel, so a flip or a shift would show.
  double k[5][5], ksum = 0;
  for (int b = -r; b <= r; ++b)
    for (int a = -r; a <= r; ++a) ksum += (k[b + r][a + r] = 1.0 + (a + r) + 3.0 * (b + r) * (b + r));
  FloatImage kimg(n, n);
  for (int b = -r; b <= r; ++b)
    for (int a = -r; a <= r; ++a) kimg.at(n / 2 + a, n / 2 + b, 1) = float(k[b + r][a + r]);
  std::vector<float> ks = Forward(kimg.data(), kimg.stride(), 16, n, 0, 0, n, n, true, 1.0, 1.0, 0, 1);
  std::vector<float> is = Forward(img.data(), img.stride(), 16, n, 0, 0, n, n, false, 1.0, 1.0, 0, 1);
  ASSERT_TRUE(FFT_Multiply(is.data(), 0, ks.data(), 0, n, n));
  FloatImage out(n, n);
  ASSERT_TRUE(FFT_Inverse(out.data(), out.stride(), 16, n, n, is.data(), n, n, 0, 0, 0, 0, n, n, 0,
                          1, nullptr, 0));
  double worst = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double want = 0;
      for (int b = -r; b <= r; ++b)
        for (int a = -r; a <= r; ++a)
          want += k[b + r][a + r] / ksum * img.at(((x - a) % n + n) % n, ((y - b) % n + n) % n, 1);
      worst = std::max(worst, std::abs(out.at(x, y, 1) - want));
    }
  EXPECT_LT(worst, 1e-5);
}

// Two planes of 2 x 1 values clamped and rounded into bytes.
TEST(ImageFft, Plot) {
  const float coeffs[8] = {-5, 300, 12.9f, 254.99f, std::nanf(""), 1.5f, 255, 0};
  BYTE px[2 * 4 + 4] = {};
  ASSERT_TRUE(FFT_Plot(px, 8, coeffs, 0, 2, 1));
  const BYTE want[8] = {0, 255, 0, 1, 12, 254, 255, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(px[i], want[i]) << i;
}

}  // namespace
