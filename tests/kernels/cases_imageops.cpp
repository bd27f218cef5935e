// Case makers of the image-operation rows: random pixels (with the edge
// values 0 and 255 mixed in), every mode and a spread of opacities and
// factors in one case, so that one comparison covers each row's branches.
#include <cmath>
#include <functional>
#include <limits>

#include "imageops/imageops_internal.h"
#include "kernels/kernel_cases.h"

namespace kotest {
namespace {

using namespace ko::imageops;

std::vector<uint8_t> Pixels(Rng &rng, int width) {
  std::vector<uint8_t> v = RandomBytes(rng, 4 * size_t(width));
  for (auto &b : v) {
    const int r = int(rng() % 8);
    if (r == 0) b = 0;
    if (r == 1) b = 255;
  }
  return v;
}

std::vector<float> Floats(Rng &rng, size_t n, float lo, float hi) {
  std::vector<float> v = RandomVec<float>(rng, n, lo, hi);
  for (auto &x : v) {
    const int r = int(rng() % 16);
    if (r == 0) x = 0.0f;
    if (r == 1) x = 1.0f;
  }
  return v;
}

// A case whose outputs are written by run(form, out).
template <class Out>
struct Lambda : OutputsByForm<Out> {
  Lambda(const Kernel &k, size_t n, std::function<void(Form, Out *)> run) : OutputsByForm<Out>(k, n), run_(run) {}
  void Run(Form f) override { run_(f, this->out[f].data()); }
  std::function<void(Form, Out *)> run_;
};

std::unique_ptr<Case> MakeComposite8(const Kernel &k, Rng &rng, int w) {
  auto src = Pixels(rng, w), dst = Pixels(rng, w);
  const std::vector<int> ops{255, 254, 128, 1, 0, int(rng() % 256)};
  const size_t n = 4 * size_t(w);
  return std::make_unique<Lambda<uint8_t>>(k, 7 * ops.size() * n, [=, &k](Form f, uint8_t *out) {
    for (int mode = 1; mode <= 7; ++mode)
      for (size_t i = 0; i < ops.size(); ++i, out += n) {
        std::copy(dst.begin(), dst.end(), out);
        ko::forms::FormOf<CompositeRow8Fn>(k, f)(out, src.data(), w, mode, ops[i]);
      }
  });
}
KO_KERNEL_CASE("imageops.CompositeRow8", MakeComposite8);

std::unique_ptr<Case> MakeCompositeF(const Kernel &k, Rng &rng, int w) {
  const size_t n = 4 * size_t(w);
  auto src = Floats(rng, n, -0.25f, 1.25f), dst = Floats(rng, n, -0.25f, 1.25f);
  const std::vector<float> ops{1.0f, 0.9995f, 0.5f, 0.0f, RandomVec<float>(rng, 1, 0, 1)[0]};
  return std::make_unique<Lambda<float>>(k, 7 * ops.size() * n, [=, &k](Form f, float *out) {
    for (int mode = 1; mode <= 7; ++mode)
      for (size_t i = 0; i < ops.size(); ++i, out += n) {
        std::copy(dst.begin(), dst.end(), out);
        ko::forms::FormOf<CompositeRowFFn>(k, f)(out, src.data(), w, mode, ops[i]);
      }
  });
}
KO_KERNEL_CASE("imageops.CompositeRowF", MakeCompositeF);

std::unique_ptr<Case> MakeBlend(const Kernel &k, Rng &rng, int w) {
  auto src = Pixels(rng, w), dst = Pixels(rng, w);
  // amount 1, 0, random inside, outside 0..1 and far outside (the scalar
  // fallback of the vector forms).
  const double amounts[] = {1.0, 0.0, RandomVec<double>(rng, 1, 0, 1)[0], -0.75, 1.5, 20.0};
  std::vector<std::pair<int, int>> ab;
  for (double a : amounts) ab.emplace_back(int(a * 4096), int((1 - a) * 4096));
  const size_t n = 4 * size_t(w);
  return std::make_unique<Lambda<uint8_t>>(k, ab.size() * n, [=, &k](Form f, uint8_t *out) {
    for (auto [a, b] : ab) {
      std::copy(dst.begin(), dst.end(), out);
      ko::forms::FormOf<BlendRowFn>(k, f)(out, src.data(), w, a, b);
      out += n;
    }
  });
}
KO_KERNEL_CASE("imageops.BlendRow", MakeBlend);

std::unique_ptr<Case> MakeMultiply(const Kernel &k, Rng &rng, int w) {
  auto px = Pixels(rng, w);
  const int factors[] = {0, 1, 128, 255, 256, int(rng() % 257), 300, -40};
  const size_t n = 4 * size_t(w);
  return std::make_unique<Lambda<uint8_t>>(k, 16 * n, [=, &k](Form f, uint8_t *out) {
    for (int pm = 0; pm < 2; ++pm)
      for (int fac : factors) {
        std::copy(px.begin(), px.end(), out);
        ko::forms::FormOf<MultiplyRowFn>(k, f)(out, w, fac, pm);
        out += n;
      }
  });
}
KO_KERNEL_CASE("imageops.MultiplyRow8", MakeMultiply);

std::unique_ptr<Case> MakeMaskedFade(const Kernel &k, Rng &rng, int w) {
  auto src = Pixels(rng, w), dst = Pixels(rng, w), mask = Pixels(rng, w);
  return std::make_unique<Lambda<uint8_t>>(k, dst.size(), [=, &k](Form f, uint8_t *out) {
    std::copy(dst.begin(), dst.end(), out);
    ko::forms::FormOf<MaskedFadeRowFn>(k, f)(out, src.data(), mask.data(), w);
  });
}
KO_KERNEL_CASE("imageops.MaskedFadeRow8", MakeMaskedFade);

std::unique_ptr<Case> MakeToFloat(const Kernel &k, Rng &rng, int w) {
  auto src = Pixels(rng, w);
  const size_t n = 4 * size_t(w);
  return std::make_unique<Lambda<float>>(k, 3 * n, [=, &k](Form f, float *out) {
    for (float scale : {1.0f, 1.0f / 255.0f, 3.7f}) {
      ko::forms::FormOf<ToFloatRowFn>(k, f)(out, src.data(), w, scale);
      out += n;
    }
  });
}
KO_KERNEL_CASE("imageops.ToFloatRow", MakeToFloat);

std::unique_ptr<Case> MakeToByte(const Kernel &k, Rng &rng, int w) {
  const size_t n = 4 * size_t(w);
  auto src = Floats(rng, n, -20.0f, 280.0f);
  // Halves, NaN and infinities.
  for (size_t i = 0; i < n; i += 7) src[i] = float(int(rng() % 256)) + 0.5f;
  if (n > 3) {
    src[1] = std::numeric_limits<float>::quiet_NaN();
    src[2] = std::numeric_limits<float>::infinity();
    src[3] = -std::numeric_limits<float>::infinity();
  }
  return std::make_unique<Lambda<uint8_t>>(k, 2 * n, [=, &k](Form f, uint8_t *out) {
    for (float scale : {1.0f, 0.5f}) {
      ko::forms::FormOf<ToByteRowFn>(k, f)(out, src.data(), w, scale);
      out += n;
    }
  });
}
KO_KERNEL_CASE("imageops.ToByteRow", MakeToByte);

// The blur's rows: several rows with their own sigmas (so that the grouped
// vector forms and their leftover rows both run).
template <bool Bytes>
std::unique_ptr<Case> MakeGaussRows(const Kernel &k, Rng &rng, int w) {
  const int rows = 1 + int(rng() % 11);
  const size_t n = 4 * size_t(w) * rows;
  std::vector<uint8_t> img8 = RandomBytes(rng, n);
  std::vector<float> imgF = Floats(rng, n, 0.0f, 1.0f);
  std::vector<GaussCoef> coef;
  for (int r = 0; r < rows; ++r) coef.push_back(GaussCoefFor(RandomVec<double>(rng, 1, 0.3, 60.0)[0]));
  return std::make_unique<Lambda<float>>(k, n, [=, &k](Form f, float *out) {
    const void *img = Bytes ? static_cast<const void *>(img8.data()) : imgF.data();
    ko::forms::FormOf<GaussRowsFn>(k, f)(img, ptrdiff_t(w) * (Bytes ? 4 : 16), out, 4 * ptrdiff_t(w), w, rows,
                                         coef.data());
  });
}
KO_KERNEL_CASE("imageops.GaussRows8", MakeGaussRows<true>);
KO_KERNEL_CASE("imageops.GaussRowsF", MakeGaussRows<false>);

// The columns: a strip of `w` columns over a few rows, one sigma for all or
// one a column; the output is the image and the temp rows it leaves.
template <bool Bytes>
std::unique_ptr<Case> MakeGaussCols(const Kernel &k, Rng &rng, int w) {
  const int height = 1 + int(rng() % 9);
  const size_t n = 4 * size_t(w) * height;
  std::vector<float> temp = Floats(rng, n, 0.0f, Bytes ? 255.0f : 1.0f);
  for (size_t i = 0; i < n; i += 11) temp[i] = 1e-6f;  // the small-value rule
  const bool each = rng() % 2;
  std::vector<GaussCoef> coef;
  for (int c = 0; c < (each ? w : 1); ++c) coef.push_back(GaussCoefFor(RandomVec<double>(rng, 1, 0.5, 54.0)[0]));
  const size_t outBytes = n * (Bytes ? 1 : 4);
  return std::make_unique<Lambda<uint8_t>>(k, outBytes + 4 * n, [=, &k](Form f, uint8_t *out) {
    std::vector<float> t = temp;
    ko::forms::FormOf<GaussColsFn>(k, f)(t.data(), 4 * ptrdiff_t(w), out, ptrdiff_t(w) * (Bytes ? 4 : 16), height,
                                         w, coef.data(), each ? 1 : 0);
    std::memcpy(out + outBytes, t.data(), 4 * n);
  });
}
KO_KERNEL_CASE("imageops.GaussCols8", MakeGaussCols<true>);
KO_KERNEL_CASE("imageops.GaussColsF", MakeGaussCols<false>);

}  // namespace
}  // namespace kotest
