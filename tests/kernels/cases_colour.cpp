// Case makers of the colour row kernels: random planes and rows with every
// matrix's coefficients, outputs compared byte for byte.
#include "colour/colour_matrix.h"
#include "kernels/kernel_cases.h"

namespace kotest {
namespace {

using namespace ko::colour;

Matrix AnyMatrix(Rng &rng) { return static_cast<Matrix>(std::uniform_int_distribution<int>(0, 2)(rng)); }

// One luma row, or two on one chroma row; half the time the chroma rows
// sweep every value so each matrix's blue and red offsets are all checked.
template <int Rows>
struct Yuv420RowCase : OutputsByForm<uint8_t> {
  Yuv420RowCase(const Kernel &k, Rng &rng, int w)
      : OutputsByForm(k, 4 * Rows * size_t(w)), width(w), y(RandomBytes(rng, Rows * size_t(w))),
        u(RandomBytes(rng, (w + 1) / 2)), v(RandomBytes(rng, (w + 1) / 2)), c(MatrixOf(AnyMatrix(rng)).q14) {
    if (rng() % 2)
      for (size_t i = 0; i < u.size(); ++i) u[i] = uint8_t(i), v[i] = uint8_t(255 - i);
  }
  void Run(Form f) override {
    uint8_t *o = out[f].data();
    if constexpr (Rows == 1)
      ko::forms::FormOf<Yuv420RowFn>(kernel, f)(y.data(), u.data(), v.data(), o, width, &c);
    else
      ko::forms::FormOf<Yuv420RowPairFn>(kernel, f)(y.data(), y.data() + width, u.data(), v.data(), o, o + 4 * width,
                                                    width, &c);
  }
  int width;
  std::vector<uint8_t> y, u, v;
  Q14Coefs c;
};

struct ReduceCase : OutputsByForm<uint8_t> {
  ReduceCase(const Kernel &k, Rng &rng, int w) : OutputsByForm(k, 4 * size_t(w)), width(w) {
    static const ReduceShape shapes[] = {{2, 1, 1, 1}, {2, 2, 1, 2}, {4, 2, 2, 2}, {4, 4, 2, 2}};
    shape = shapes[std::uniform_int_distribution<int>(0, 3)(rng)];
    for (int r = 0; r < shape.rows; ++r) y[r] = RandomBytes(rng, size_t(w) * shape.cols);
    for (int r = 0; r < shape.crows; ++r) {
      u[r] = RandomBytes(rng, size_t(w) * shape.ccols);
      v[r] = RandomBytes(rng, size_t(w) * shape.ccols);
    }
    c = MatrixOf(AnyMatrix(rng)).q14;
  }
  void Run(Form f) override {
    const uint8_t *yr[4], *ur[2], *vr[2];
    for (int r = 0; r < shape.rows; ++r) yr[r] = y[r].data();
    for (int r = 0; r < shape.crows; ++r) ur[r] = u[r].data(), vr[r] = v[r].data();
    ko::forms::FormOf<Yuv420ReduceFn>(kernel, f)(yr, ur, vr, out[f].data(), width, &shape, &c);
  }
  int width;
  ReduceShape shape;
  std::vector<uint8_t> y[4], u[2], v[2];
  Q14Coefs c;
};

// UYVY to RGB and back: 2 or 4 bytes a pixel in, the other out; 3 or 4
// bytes a pixel on the RGB side.
template <class Fn, class Coefs, int SrcBytes, int DstBytes, Coefs (*Fixed)(Matrix)>
struct PackedCase : OutputsByForm<uint8_t> {
  PackedCase(const Kernel &k, Rng &rng, int w)
      : OutputsByForm(k, DstBytes * size_t(w + 1)), width((w + 1) & ~1), bpp(rng() % 4 == 0 ? 3 : 4),
        src(RandomBytes(rng, SrcBytes * size_t(width))), c(Fixed(AnyMatrix(rng))) {
    // Runs of white and black pixels (whole pixels at 3 or 4 bytes) reach the clamps.
    for (size_t i = 0; i + 12 <= src.size(); i += 48) std::memset(&src[i], i % 96 ? 0 : 255, 12);
  }
  void Run(Form f) override { ko::forms::FormOf<Fn>(kernel, f)(src.data(), out[f].data(), width, bpp, &c); }
  int width, bpp;
  std::vector<uint8_t> src;
  Coefs c;
};
using UyvyToRgbCase = PackedCase<UyvyToRgbFn, UyvyToRgbCoefs, 2, 4, UyvyToRgbFixed>;
using RgbToUyvyCase = PackedCase<RgbToUyvyFn, RgbToUyvyCoefs, 4, 2, RgbToUyvyFixed>;

// Studio compression or not, any matrix's rows.
YuvEncodeCoefs AnyEncoder(Rng &rng) {
  const MatrixValues &m = MatrixOf(AnyMatrix(rng));
  const bool studio = rng() % 2;
  return {m.yR, m.yG, m.yB, m.cbR, m.cbG, m.cbB, m.crR, m.crG, m.crB,
          studio ? 0.85882354f : 1.f, studio ? 16.f : 0.f, studio ? 0.8784314f : 1.0228311f};
}

struct RgbToYuvCase : OutputsByForm<uint8_t> {
  RgbToYuvCase(const Kernel &k, Rng &rng, int w)
      : OutputsByForm(k, 3 * size_t(w) + 2), width(w), a(RandomBytes(rng, 8 * size_t(w))),
        b(RandomBytes(rng, 8 * size_t(w))), c(AnyEncoder(rng)), step(rng() % 2 + 1) {}
  void Run(Form f) override {
    if (std::string(kernel.name) == "colour.RgbToI420Pair") {
      // luma of both rows, then chroma (interleaved or planar) of width / 2 samples
      uint8_t *o = out[f].data();
      ko::forms::FormOf<RgbToI420PairFn>(kernel, f)(a.data(), b.data(), o, o + width, o + 2 * width,
                                                    o + 2 * width + (step == 2 ? 1 : width / 2), step, width, &c);
    } else if (std::string(kernel.name) == "colour.RgbToLuma")
      ko::forms::FormOf<RgbToLumaFn>(kernel, f)(a.data(), out[f].data(), width, &c);
    else  // chroma of width samples from 2 * width pixels, interleaved or not
      ko::forms::FormOf<RgbToChroma420Fn>(kernel, f)(a.data(), b.data(), out[f].data(), out[f].data() + (step == 2 ? 1 : width), step,
                                                     width, &c);
  }
  int width;
  std::vector<uint8_t> a, b;
  YuvEncodeCoefs c;
  int step;
};

template <class C>
std::unique_ptr<Case> Make(const Kernel &k, Rng &rng, int w) {
  return std::make_unique<C>(k, rng, w);
}

KO_KERNEL_CASE("colour.Yuv420Row", Make<Yuv420RowCase<1>>);
KO_KERNEL_CASE("colour.Yuv420Reduce", Make<ReduceCase>);
KO_KERNEL_CASE("colour.UyvyToRgb", Make<UyvyToRgbCase>);
KO_KERNEL_CASE("colour.RgbToUyvy", Make<RgbToUyvyCase>);
KO_KERNEL_CASE("colour.RgbToLuma", Make<RgbToYuvCase>);
KO_KERNEL_CASE("colour.RgbToChroma420", Make<RgbToYuvCase>);
KO_KERNEL_CASE("colour.RgbToI420Pair", Make<RgbToYuvCase>);
KO_KERNEL_CASE("colour.Yuv420RowPair", Make<Yuv420RowCase<2>>);

}  // namespace
}  // namespace kotest
