// Case makers of the colour row kernels: random planes and rows with every
// matrix's coefficients, outputs compared byte for byte.
#include "colour/colour_matrix.h"
#include "kernels/kernel_cases.h"

namespace kotest {
namespace {

using namespace ko::colour;
using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

Matrix AnyMatrix(Rng &rng) { return static_cast<Matrix>(std::uniform_int_distribution<int>(0, 2)(rng)); }
Bytes Random(Rng &rng, size_t n) { return std::make_shared<const std::vector<uint8_t>>(RandomBytes(rng, n)); }

// One luma row, or two on one chroma row; half the time the chroma rows
// sweep every value so each matrix's blue and red offsets are all checked.
template <int Rows>
std::unique_ptr<Case> Yuv420(const Kernel &k, Rng &rng, int w) {
  using Fn = std::conditional_t<Rows == 1, Yuv420RowFn, Yuv420RowPairFn>;
  const Bytes y = Random(rng, Rows * size_t(w));
  std::vector<uint8_t> u = RandomBytes(rng, (w + 1) / 2), v = RandomBytes(rng, (w + 1) / 2);
  if (rng() % 2)
    for (size_t i = 0; i < u.size(); ++i) {
      u[i] = uint8_t(i);
      v[i] = uint8_t(255 - i);
    }
  const Q14Coefs c = MatrixOf(AnyMatrix(rng)).q14;
  return MakeCall<Fn, uint8_t>(k, 4 * Rows * size_t(w), [=](Fn fn, uint8_t *o) {
    if constexpr (Rows == 1)
      fn(y->data(), u.data(), v.data(), o, w, &c);
    else
      fn(y->data(), y->data() + w, u.data(), v.data(), o, o + 4 * w, w, &c);
  });
}

// The reduced sizes: luma rows, then Cb rows, then Cr rows of one shape.
std::unique_ptr<Case> Reduce(const Kernel &k, Rng &rng, int w) {
  static const ReduceShape shapes[] = {{2, 1, 1, 1}, {2, 2, 1, 2}, {4, 2, 2, 2}, {4, 4, 2, 2}};
  const ReduceShape shape = shapes[std::uniform_int_distribution<int>(0, 3)(rng)];
  std::vector<Bytes> planes;
  for (int r = 0; r < shape.rows; ++r) planes.push_back(Random(rng, size_t(w) * shape.cols));
  for (int r = 0; r < 2 * shape.crows; ++r) planes.push_back(Random(rng, size_t(w) * shape.ccols));
  const Q14Coefs c = MatrixOf(AnyMatrix(rng)).q14;
  return MakeCall<Yuv420ReduceFn, uint8_t>(k, 4 * size_t(w), [=](Yuv420ReduceFn fn, uint8_t *o) {
    std::vector<const uint8_t *> p;
    for (const Bytes &plane : planes) p.push_back(plane->data());
    fn(p.data(), p.data() + shape.rows, p.data() + shape.rows + shape.crows, o, w, &shape, &c);
  });
}

// UYVY to RGB and back: 2 or 4 bytes a pixel in, the other out; 3 or 4
// bytes a pixel on the RGB side. Runs of white and black pixels (whole
// pixels at 3 or 4 bytes) reach the clamps.
template <class Fn, class Coefs, int SrcBytes, int DstBytes, Coefs (*Fixed)(Matrix)>
std::unique_ptr<Case> Packed(const Kernel &k, Rng &rng, int w) {
  const int width = (w + 1) & ~1, bpp = rng() % 4 == 0 ? 3 : 4;
  std::vector<uint8_t> src = RandomBytes(rng, SrcBytes * size_t(width));
  for (size_t i = 0; i + 12 <= src.size(); i += 48) std::memset(&src[i], i % 96 ? 0 : 255, 12);
  const Coefs c = Fixed(AnyMatrix(rng));
  return MakeCall<Fn, uint8_t>(k, DstBytes * size_t(w + 1), [=](Fn fn, uint8_t *o) {
    fn(src.data(), o, width, bpp, &c);
  });
}

// Studio compression or not, any matrix's rows.
YuvEncodeCoefs AnyEncoder(Rng &rng) {
  const MatrixValues &m = MatrixOf(AnyMatrix(rng));
  const bool studio = rng() % 2;
  return {m.yR, m.yG, m.yB, m.cbR, m.cbG, m.cbB, m.crR, m.crG, m.crB,
          studio ? 0.85882354f : 1.f, studio ? 16.f : 0.f, studio ? 0.8784314f : 1.0228311f};
}

// Luma of a row; chroma of w samples from two rows of 2 * w pixels; both of
// a row pair (luma of both rows, then w / 2 chroma samples). Chroma is
// interleaved (step 2) or planar.
template <class Fn>
std::unique_ptr<Case> RgbToYuv(const Kernel &k, Rng &rng, int w) {
  const Bytes a = Random(rng, 8 * size_t(w)), b = Random(rng, 8 * size_t(w));
  const YuvEncodeCoefs c = AnyEncoder(rng);
  const int step = int(rng() % 2) + 1;
  return MakeCall<Fn, uint8_t>(k, 3 * size_t(w) + 2, [=](Fn fn, uint8_t *o) {
    if constexpr (std::is_same_v<Fn, RgbToLumaFn>)
      fn(a->data(), o, w, &c);
    else if constexpr (std::is_same_v<Fn, RgbToChroma420Fn>)
      fn(a->data(), b->data(), o, o + (step == 2 ? 1 : w), step, w, &c);
    else
      fn(a->data(), b->data(), o, o + w, o + 2 * w, o + 2 * w + (step == 2 ? 1 : w / 2), step, w, &c);
  });
}

KO_KERNEL_CASE("colour.Yuv420Row", Yuv420<1>);
KO_KERNEL_CASE("colour.Yuv420RowPair", Yuv420<2>);
KO_KERNEL_CASE("colour.Yuv420Reduce", Reduce);
KO_KERNEL_CASE("colour.UyvyToRgb", (Packed<UyvyToRgbFn, UyvyToRgbCoefs, 2, 4, UyvyToRgbFixed>));
KO_KERNEL_CASE("colour.RgbToUyvy", (Packed<RgbToUyvyFn, RgbToUyvyCoefs, 4, 2, RgbToUyvyFixed>));
KO_KERNEL_CASE("colour.RgbToLuma", RgbToYuv<RgbToLumaFn>);
KO_KERNEL_CASE("colour.RgbToChroma420", RgbToYuv<RgbToChroma420Fn>);
KO_KERNEL_CASE("colour.RgbToI420Pair", RgbToYuv<RgbToI420PairFn>);

}  // namespace
}  // namespace kotest
