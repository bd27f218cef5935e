// Case makers of the image-operation rows: random pixels with the edge
// values mixed in, and every mode, opacity or factor branch of a row in one
// case, each run on its own copy of the destination.
#include <limits>

#include "imageops/imageops_internal.h"
#include "kernels/kernel_cases.h"

namespace kotest {
namespace {

using namespace ko::imageops;

// n values in lo..hi, one in eight replaced by an end of the range.
template <class T>
std::vector<T> Values(Rng &rng, size_t n, T lo, T hi) {
  std::vector<T> v = RandomVec<T>(rng, n, lo, hi);
  for (auto &x : v) x = rng() % 8 == 0 ? lo : (rng() % 8 == 0 ? hi : x);
  return v;
}

// Output = `variants` copies of `init`, variant i written by run(fn, i, copy).
template <class Fn, class Out, class Run>
std::unique_ptr<Case> Make(const Kernel &k, std::vector<Out> init, int variants, Run run) {
  return MakeCall<Fn, Out>(k, init.size() * variants, [=](Fn fn, Out *o) {
    for (int i = 0; i < variants; ++i) {
      std::copy(init.begin(), init.end(), o + i * init.size());
      run(fn, i, o + i * init.size());
    }
  });
}

std::unique_ptr<Case> Composite8(const Kernel &k, Rng &rng, int w) {
  auto s = Values<uint8_t>(rng, 4 * size_t(w), 0, 255);
  const int ops[] = {255, 254, 128, 1, 0, int(rng() % 256)};
  auto d = Values<uint8_t>(rng, 4 * size_t(w), 0, 255);
  return Make<CompositeRow8Fn>(k, d, 42, [=](auto fn, int i, auto o) {
    fn(o, s.data(), w, 1 + i / 6, ops[i % 6]);
  });
}
std::unique_ptr<Case> CompositeF(const Kernel &k, Rng &rng, int w) {
  auto s = Values<float>(rng, 4 * size_t(w), -0.25f, 1.25f);
  const float ops[] = {1.0f, 0.9995f, 0.5f, 0.0f, float(rng() % 1000) / 1000};
  auto d = Values<float>(rng, 4 * size_t(w), -0.25f, 1.25f);
  return Make<CompositeRowFFn>(k, d, 35, [=](auto fn, int i, auto o) {
    fn(o, s.data(), w, 1 + i / 5, ops[i % 5]);
  });
}
// Amounts 1, 0, inside, outside and far outside 0..1 (the vector forms'
// scalar fallback).
std::unique_ptr<Case> Blend(const Kernel &k, Rng &rng, int w) {
  auto s = Values<uint8_t>(rng, 4 * size_t(w), 0, 255);
  const double amounts[] = {1.0, 0.0, double(rng() % 1000) / 1000, -0.75, 1.5, 20.0};
  return Make<BlendRowFn>(k, Values<uint8_t>(rng, 4 * size_t(w), 0, 255), 6, [=](auto fn, int i, auto o) {
    fn(o, s.data(), w, int(amounts[i] * 4096), int((1 - amounts[i]) * 4096));
  });
}
std::unique_ptr<Case> Multiply(const Kernel &k, Rng &rng, int w) {
  const int factors[] = {0, 1, 128, 255, 256, int(rng() % 257), 300, -40};
  return Make<MultiplyRowFn>(k, Values<uint8_t>(rng, 4 * size_t(w), 0, 255), 16, [=](auto fn, int i, auto o) {
    fn(o, w, factors[i % 8], i / 8);
  });
}
std::unique_ptr<Case> MaskedFade(const Kernel &k, Rng &rng, int w) {
  auto s = Values<uint8_t>(rng, 4 * size_t(w), 0, 255), m = Values<uint8_t>(rng, 4 * size_t(w), 0, 255);
  return Make<MaskedFadeRowFn>(k, Values<uint8_t>(rng, 4 * size_t(w), 0, 255), 1, [=](auto fn, int, auto o) {
    fn(o, s.data(), m.data(), w);
  });
}
std::unique_ptr<Case> ToFloat(const Kernel &k, Rng &rng, int w) {
  auto s = Values<uint8_t>(rng, 4 * size_t(w), 0, 255);
  const float scales[] = {1.0f, 1.0f / 255, 3.7f};
  return Make<ToFloatRowFn>(k, std::vector<float>(4 * size_t(w)), 3, [=](auto fn, int i, auto o) {
    fn(o, s.data(), w, scales[i]);
  });
}
// Halves, NaN and infinities among the floats.
std::unique_ptr<Case> ToByte(const Kernel &k, Rng &rng, int w) {
  auto s = Values<float>(rng, 4 * size_t(w), -20.0f, 280.0f);
  for (size_t i = 0; i < s.size(); i += 5) s[i] = float(rng() % 256) + 0.5f;
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (size_t i = 1; i < s.size() && i < 4; ++i) s[i] = odd[i - 1];
  return Make<ToByteRowFn>(k, std::vector<uint8_t>(4 * size_t(w)), 2, [=](auto fn, int i, auto o) {
    fn(o, s.data(), w, i ? 0.5f : 1.0f);
  });
}

// The blur's rows: up to 11 rows with their own sigmas (the grouped vector
// forms and their leftover rows).
template <bool Bytes>
std::unique_ptr<Case> GaussRows(const Kernel &k, Rng &rng, int w) {
  const int rows = 1 + int(rng() % 11);
  const size_t n = 4 * size_t(w) * rows;
  auto img8 = Values<uint8_t>(rng, n, 0, 255);
  auto imgF = Values<float>(rng, n, 0.0f, 1.0f);
  std::vector<GaussCoef> coef;
  for (int r = 0; r < rows; ++r) coef.push_back(GaussCoefFor(RandomVec<double>(rng, 1, 0.3, 60.0)[0]));
  return Make<GaussRowsFn>(k, std::vector<float>(n), 1, [=](auto fn, int, auto o) {
    const void *img = Bytes ? static_cast<const void *>(img8.data()) : imgF.data();
    fn(img, ptrdiff_t(w) * (Bytes ? 4 : 16), o, 4 * ptrdiff_t(w), w, rows, coef.data());
  });
}
// The columns: w columns, one sigma for all or one a column, with the
// small-value rule's values and values out of range mixed in. Down runs in
// two bands and its output is the temp rows and the top row's copy; up's is
// the image and the ring.
std::vector<GaussCoef> ColumnCoefs(Rng &rng, int w) {
  std::vector<GaussCoef> coef;
  for (int c = 0, n = rng() % 2 ? w : 1; c < n; ++c)
    coef.push_back(GaussCoefFor(RandomVec<double>(rng, 1, 0.5, 54.0)[0]));
  return coef;
}
std::vector<float> TempRows(Rng &rng, size_t n, float top) {
  const float inf = std::numeric_limits<float>::infinity();
  const float odd[] = {1e-6f, std::numeric_limits<float>::quiet_NaN(), inf, -inf, -3.0f, 0.49f, 254.6f, 1e30f};
  auto temp = Values<float>(rng, n, 0.0f, top);
  for (size_t i = 0; i < n; i += 11) temp[i] = odd[rng() % 8];
  return temp;
}
std::unique_ptr<Case> GaussDown(const Kernel &k, Rng &rng, int w) {
  const int height = 1 + int(rng() % 9), split = int(rng() % (height + 1));
  const size_t n = 4 * size_t(w) * height;
  auto coef = ColumnCoefs(rng, w);
  return Make<GaussDownFn>(k, TempRows(rng, n + 4 * size_t(w), 255.0f), 1, [=](GaussDownFn down, int,
                                                                                       float *o) {
    const int cs = coef.size() > 1;
    down(o, 4 * ptrdiff_t(w), o + n, 0, split, w, coef.data(), cs);
    down(o, 4 * ptrdiff_t(w), o + n, split, height - split, w, coef.data(), cs);
  });
}
template <bool Bytes>
std::unique_ptr<Case> GaussUp(const Kernel &k, Rng &rng, int w) {
  const int height = 1 + int(rng() % 9);
  const size_t n = 4 * size_t(w) * height, image = n * (Bytes ? 1 : 4), ring = 12 * size_t(w);
  auto temp = TempRows(rng, n, Bytes ? 255.0f : 1.0f);
  auto coef = ColumnCoefs(rng, w);
  return Make<GaussUpFn>(k, std::vector<uint8_t>(image + 4 * ring), 1, [=](auto fn, int, auto o) {
    std::vector<float> g(ring);
    fn(temp.data(), 4 * ptrdiff_t(w), g.data(), o, ptrdiff_t(w) * (Bytes ? 4 : 16), height, w, coef.data(),
       coef.size() > 1);
    for (float &v : g) v = v == v ? v : std::numeric_limits<float>::quiet_NaN();  // NaN signs may differ
    std::memcpy(o + image, g.data(), 4 * ring);
  });
}

KO_KERNEL_CASE("imageops.CompositeRow8", Composite8);
KO_KERNEL_CASE("imageops.CompositeRowF", CompositeF);
KO_KERNEL_CASE("imageops.BlendRow", Blend);
KO_KERNEL_CASE("imageops.MultiplyRow8", Multiply);
KO_KERNEL_CASE("imageops.MaskedFadeRow8", MaskedFade);
KO_KERNEL_CASE("imageops.ToFloatRow", ToFloat);
KO_KERNEL_CASE("imageops.ToByteRow", ToByte);
KO_KERNEL_CASE("imageops.GaussRows8", GaussRows<true>);
KO_KERNEL_CASE("imageops.GaussRowsF", GaussRows<false>);
KO_KERNEL_CASE("imageops.GaussDown", GaussDown);
KO_KERNEL_CASE("imageops.GaussUp8", GaussUp<true>);
KO_KERNEL_CASE("imageops.GaussUpF", GaussUp<false>);

}  // namespace
}  // namespace kotest
