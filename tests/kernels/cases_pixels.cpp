// Case makers of the pixel kernels: the exchange engine's row converters
// and the scalers' row kernels.
#include <algorithm>
#include <cmath>

#include "kernels/kernel_cases.h"
#include "pixels/scale.h"
#include "pixels/xchg_internal.h"

namespace {

using namespace kotest;

// ---- Exchange rows: count source pixels in, count destination pixels out ----
struct RowShape {
  const char *name;
  int srcBytes, dstBytes;
  bool floatSource;
};
const RowShape kRowShapes[] = {
    {"pixels.RowCopy3", 3, 3, false},          {"pixels.RowCopy4", 4, 4, false},
    {"pixels.RowCopy8", 8, 8, false},          {"pixels.RowCopy16", 16, 16, false},
    {"pixels.RowRgb24ToRgb32", 3, 4, false},   {"pixels.RowRgb32ToRgb24", 4, 3, false},
    {"pixels.RowRgb32To64V0", 4, 8, false},    {"pixels.RowRgb32To64V1", 4, 8, false},
    {"pixels.RowRgb64To32", 8, 4, false},      {"pixels.RowFloatTo32", 16, 4, true},
    {"pixels.RowFloatTo24", 16, 3, true},      {"pixels.RowFloatTo1010", 16, 4, true},
    {"pixels.RowFloatTo64", 16, 8, true},      {"pixels.RowRgb32ToFloatV0", 4, 16, false},
    {"pixels.RowRgb32ToFloatV1", 4, 16, false}, {"pixels.RowRgb64ToFloat", 8, 16, false},
};

std::unique_ptr<Case> MakeRow(const Kernel &k, Rng &rng, int n) {
  const RowShape *shape = nullptr;
  for (const RowShape &s : kRowShapes)
    if (std::strcmp(s.name, k.name) == 0) shape = &s;
  if (!shape) return nullptr;
  using RowFn = ko::pixels::xchg::RowFn;
  // The output has slack after the row, so a form writing past it differs.
  auto c = std::make_unique<CallCase<RowFn, uint8_t>>(k, size_t(n) * shape->dstBytes + 32);
  auto src = std::make_shared<std::vector<uint8_t>>(RandomBytes(rng, size_t(n) * shape->srcBytes));
  if (shape->floatSource) {
    auto *f = reinterpret_cast<float *>(src->data());
    std::uniform_real_distribution<float> u(-0.2f, 1.2f);
    for (int i = 0; i < 4 * n; ++i) f[i] = (i % 13 == 3) ? NAN : u(rng);
    if (n > 1) f[1] = 0.5f, f[2] = 1.0f / 510.0f;  // an exact half step
  }
  for (auto &o : c->out) o.assign(o.size(), 0xCD);
  c->call = [src, n](RowFn fn, uint8_t *out) { fn(src->data(), out, n); };
  return c;
}

const bool kRowCasesRegistered = [] {
  for (const RowShape &s : kRowShapes) CaseRegistrar(s.name, MakeRow);
  return true;
}();

// ---- Scaler rows ----------------------------------------------------------------
namespace scalecases {

namespace sc = ko::pixels::scale;

// Column tables of a resampling between a source row of `src` pixels and
// `n` destination columns at a random ratio (enlarging or shrinking), as the
// scalers build them; `bpp` scales the byte offsets.
struct Columns {
  int src = 1;
  std::vector<int32_t> idx0, idx1, off0, off1, cubic, cubOff;
  std::vector<uint16_t> fx, phase;
  std::vector<int16_t> cubW;
  std::vector<uint32_t> gf;
  int contiguous = 0;
  std::vector<int32_t> tapStart, tapIdx, tapOff, tapW, span;
  Columns(Rng &rng, int n, int bpp, int longTaps = 0) {
    const double step = std::uniform_real_distribution<double>(0.3, 3.5)(rng);
    src = std::max(2, int(n * step) + 2);
    const int last = src - 1;
    const int16_t *tw = sc::BicubicIntWeights();
    for (int j = 0; j < n; ++j) {
      const int64_t pos = std::min<int64_t>(int64_t(j * step * 16384), int64_t(last) << 14);
      const int i = int(pos >> 14);
      idx0.push_back(i);
      idx1.push_back(std::min(i + 1, last));
      off0.push_back(bpp * idx0.back());
      off1.push_back(bpp * idx1.back());
      // Every third column halfway between its neighbours: exact half
      // steps of the rounding.
      fx.push_back(j % 3 == 2 ? uint16_t(8192) : uint16_t(pos & 0x3FFF));
      phase.push_back(uint16_t(fx.back() >> 2));
      for (int t = 0; t < 4; ++t) {
        cubic.push_back(std::clamp(i - 1 + t, 0, last));
        cubOff.push_back(bpp * cubic.back());
        cubW.push_back(tw[4 * phase.back() + t]);
        gf.push_back((16384u - fx.back()) | uint32_t(fx.back()) << 16);
      }
    }
    while (contiguous < n && off1[contiguous] == off0[contiguous] + bpp) ++contiguous;
    // Area footprints: consecutive source pixels, partial widths at the ends.
    tapStart.push_back(0);
    for (int j = 0; j < n; ++j) {
      const int taps = (j == 0 && longTaps) ? longTaps : 1 + int(rng() % 5);
      const int first = int(rng() % std::max(1, src - taps + 1));
      int32_t sum = 0;
      for (int t = 0; t < taps; ++t) {
        const int s = std::min(first + t, last);
        const int32_t w = (t == 0 || t == taps - 1) ? 1 + int32_t(rng() % 16384) : 16384;
        tapIdx.push_back(s);
        tapOff.push_back(bpp * s);
        tapW.push_back(w);
        sum += w;
      }
      span.push_back(sum);
      tapStart.push_back(int32_t(tapIdx.size()));
    }
  }
  sc::BilinearCols Bilinear() const {
    return {off0.data(), off1.data(), fx.data(), int(fx.size()), contiguous, gf.data()};
  }
  sc::BilinearColsF BilinearF() const { return {idx0.data(), idx1.data(), fx.data(), int(fx.size())}; }
  sc::CubicCols Cubic() const { return {cubOff.data(), cubW.data(), int(fx.size())}; }
  sc::CubicColsF CubicF() const { return {cubic.data(), phase.data(), int(fx.size())}; }
  // Footprints of one or two consecutive pixels with widths that are
  // multiples of 2^zeros, as whole-ratio shrinking gives them.
  void Grid(Rng &rng, int zeros) {
    tapStart.assign(1, 0);
    tapIdx.clear(), tapOff.clear(), tapW.clear(), span.clear();
    for (size_t j = 0; j < fx.size(); ++j) {
      const int taps = 1 + int(rng() % 2), first = int(rng() % (src - 1));
      span.push_back(0);
      for (int t = 0; t < taps; ++t) {
        tapIdx.push_back(first + t);
        tapOff.push_back(4 * (first + t));
        tapW.push_back(int32_t(1 + rng() % (16384 >> zeros)) << zeros);
        span.back() += tapW.back();
      }
      tapStart.push_back(int32_t(tapIdx.size()));
    }
    pairs = sc::AreaPairs::Of(Area());
  }
  sc::AreaPairs pairs;
  sc::AreaCols Area() const {
    return {tapStart.data(), tapOff.data(), tapW.data(), span.data(), int(fx.size()),
            pairs.w.empty() ? nullptr : &pairs};
  }
};

// Source rows of `bytes` each, 8-bit or float content.
struct Rows {
  std::vector<std::vector<uint8_t>> data;
  std::vector<const uint8_t *> ptr;
  std::vector<int32_t> w;
  int32_t span = 0;
  Rows(Rng &rng, int count, size_t bytes, bool floats) {
    for (int t = 0; t < count; ++t) {
      data.push_back(RandomBytes(rng, bytes + 16));
      if (floats) {
        auto v = RandomVec<float>(rng, data.back().size() / 4, -0.25f, 1.25f);
        std::memcpy(data.back().data(), v.data(), v.size() * 4);
      }
      ptr.push_back(data.back().data());
      w.push_back((t == 0 || t == count - 1) ? 1 + int32_t(rng() % 16384) : 16384);
      span += w.back();
    }
  }
  void Grid(Rng &rng, int zeros) {
    span = 0;
    for (auto &h : w) span += h = int32_t(1 + rng() % (16384 >> zeros)) << zeros;
  }
  sc::AreaRows Area() const { return {ptr.data(), w.data(), int(ptr.size()), span}; }
  const float *F(int t) const { return reinterpret_cast<const float *>(ptr[t]); }
};

// Column tables for n destination pixels of bpp bytes (16: floats) and
// `count` source rows under them.
using Sources = std::pair<std::shared_ptr<Columns>, std::shared_ptr<Rows>>;
Sources Source(Rng &rng, int n, int bpp, int count, int longTaps = 0) {
  auto cols = std::make_shared<Columns>(rng, n, bpp, longTaps);
  return {cols, std::make_shared<Rows>(rng, count, size_t(cols->src) * bpp, bpp == 16)};
}

// A row fraction: the ends and the half step as often as any other.
uint32_t Frac(Rng &rng) {
  const uint32_t special[3] = {0, 8192, 16383};
  return rng() % 4 ? uint32_t(rng() % 16384) : special[rng() % 3];
}

// One source row, or two mixed by a row fraction, through a column table:
// fn(rows..., [fy,] cols.*Table(), out); the rows are bytes or floats as the
// kernel takes them.
struct AnyRow {
  const uint8_t *p;
  template <class T>
  operator const T *() const { return reinterpret_cast<const T *>(p); }
};
template <class Fn, class Out, int Bpp, auto Table, int Rows = 1, int LongTaps = 0>
std::unique_ptr<Case> ThroughColumns(const Kernel &k, Rng &rng, int n) {
  const auto [cols, rows] = Source(rng, n, Bpp, Rows, LongTaps && n < 4 ? LongTaps : 0);
  // Odd widths take the half step between the rows (its rounding), even ones any fraction.
  const uint32_t fy = Rows == 2 ? (n % 2 ? 8192 : Frac(rng)) : 0;
  return MakeCall<Fn, Out>(k, 4 * size_t(n), [=](Fn fn, Out *out) {
    if constexpr (Rows == 1)
      fn(AnyRow{rows->ptr[0]}, ((*cols).*Table)(), out);
    else
      fn(AnyRow{rows->ptr[0]}, AnyRow{rows->ptr[1]}, fy, ((*cols).*Table)(), out);
  });
}

std::unique_ptr<Case> BilinearRow(const Kernel &k, Rng &rng, int n) {
  const auto [cols, rows] = Source(rng, n, 4, 2);
  const uint32_t fy = Frac(rng);
  return MakeCall<sc::BilinearRowFn, uint8_t>(k, 4 * size_t(n), [=](sc::BilinearRowFn fn, uint8_t *out) {
    std::vector<uint32_t> scratch(4 * size_t(n) + 8);
    fn(rows->ptr[0], rows->ptr[1], fy, cols->Bilinear(), out, scratch.data());
  });
}

// Four rows under the weights of one phase: the integer weights for byte
// output (the count in pixels), the float ones otherwise (in channels).
template <class T>
std::pair<T, T> RowRange() {
  if constexpr (std::is_same_v<T, uint8_t>) return {0, 255};
  if constexpr (std::is_same_v<T, int16_t>) return {-80, 335};  // horizontal-pass values, overshoot included
  return {T(-0.3), T(1.3)};
}
template <class T, class Out>
std::unique_ptr<Case> FourRows(const Kernel &k, Rng &rng, int n) {
  constexpr bool kBytes = std::is_same_v<Out, uint8_t>;
  using W = std::conditional_t<kBytes, int16_t, float>;
  using Fn = void (*)(const T *const[4], const W[4], int, Out *);
  const auto [lo, hi] = RowRange<T>();
  auto v = std::make_shared<std::vector<T>>(RandomVec<T>(rng, 16 * size_t(n) + 16, lo, hi));
  const uint16_t phase = uint16_t(rng() % 4096);
  return MakeCall<Fn, Out>(k, 4 * size_t(n), [=](Fn fn, Out *out) {
    const T *r[4] = {v->data(), v->data() + 4 * n, v->data() + 8 * n, v->data() + 12 * n};
    if constexpr (kBytes)
      fn(r, sc::BicubicIntWeights() + 4 * phase, n, out);
    else
      fn(r, sc::BicubicFloatWeights() + 4 * phase, 4 * n, out);
  });
}

template <bool Wide>
std::unique_ptr<Case> Area2DRow(const Kernel &k, Rng &rng, int n) {
  const auto [cols, rows] = Source(rng, n, 4, 1 + int(rng() % 6), Wide && n < 4 ? 300 : 0);
  if (!Wide && rng() % 2) {
    // Separable footprints, now and then with too fine a grid to split.
    const int zx = 8 + int(rng() % 7);
    cols->Grid(rng, zx);
    rows->Grid(rng, rng() % 5 ? 8 + int(rng() % 7) : 13 - zx);
  }
  using Fn = std::conditional_t<Wide, sc::Area2DRowWideFn, sc::Area2DRowFn>;
  return MakeCall<Fn, uint8_t>(k, 4 * size_t(n), [=](Fn fn, uint8_t *out) {
    std::vector<uint32_t> acc(4 * size_t(n) + 8);
    std::vector<uint16_t> w16(sc::Area2DScratchWords(cols->Area(), int(rows->ptr.size())));
    if constexpr (Wide)
      fn(rows->Area(), cols->Area(), out, w16.data());
    else
      fn(rows->Area(), cols->Area(), out, acc.data(), w16.data());
  });
}

std::unique_ptr<Case> Area2DRowF(const Kernel &k, Rng &rng, int n) {
  const auto [cols, rows] = Source(rng, n, 16, 1 + int(rng() % 4));
  return MakeCall<sc::Area2DRowFFn, float>(k, 4 * size_t(n), [=](sc::Area2DRowFFn fn, float *out) {
    fn(rows->Area(), cols->Area(), out);
  });
}

std::unique_ptr<Case> BilinVLine8(const Kernel &k, Rng &rng, int n) {
  auto rows = std::make_shared<Rows>(rng, 2, 4 * size_t(n), false);
  const uint32_t fy = Frac(rng);
  return MakeCall<sc::BilinVLine8Fn, uint8_t>(k, 4 * size_t(n), [=](sc::BilinVLine8Fn fn, uint8_t *out) {
    fn(rows->ptr[0], rows->ptr[1], fy, n, out);
  });
}

// Kernels over n words (four per pixel).
std::unique_ptr<Case> ClampRow8(const Kernel &k, Rng &rng, int n) {
  auto v = std::make_shared<std::vector<int16_t>>(RandomVec<int16_t>(rng, 4 * size_t(n), -300, 600));
  return MakeCall<sc::ClampRow8Fn, int16_t>(k, 4 * size_t(n), [=](sc::ClampRow8Fn fn, int16_t *out) {
    std::copy(v->begin(), v->end(), out);
    fn(out, 4 * n);
  });
}

// Weighted sums into accumulators holding earlier rows, and their division.
template <class V, class Acc, class W>
std::unique_ptr<Case> AccumulateRow(const Kernel &k, Rng &rng, int n) {
  using Fn = void (*)(const V *, int, W, Acc *);
  constexpr bool kF = std::is_floating_point_v<V>;
  auto v = std::make_shared<std::vector<V>>(RandomVec<V>(rng, 4 * size_t(n), kF ? V(-0.3) : V(0), V(kF ? 1.3 : 255)));
  auto init = std::make_shared<std::vector<Acc>>(RandomVec<Acc>(rng, 4 * size_t(n), 0, Acc(kF ? 5e4 : 1 << 28)));
  const W w = W(1 + rng() % 16384);
  return MakeCall<Fn, Acc>(k, 4 * size_t(n), [=](Fn fn, Acc *out) {
    std::copy(init->begin(), init->end(), out);
    fn(v->data(), 4 * n, w, out);
  });
}
template <class Acc, class D, class Out>
std::unique_ptr<Case> DivideRow(const Kernel &k, Rng &rng, int n) {
  using Fn = void (*)(const Acc *, int, D, Out *);
  constexpr bool kF = std::is_floating_point_v<Acc>;
  auto acc = std::make_shared<std::vector<Acc>>(
      RandomVec<Acc>(rng, 4 * size_t(n), kF ? Acc(-1e5) : Acc(0), kF ? Acc(1e5) : Acc((1u << 31) - 1)));
  const D div = D(1 + rng() % (kF ? 100000 : 1 << 24));
  return MakeCall<Fn, Out>(k, 4 * size_t(n), [=](Fn fn, Out *out) { fn(acc->data(), 4 * n, div, out); });
}

std::unique_ptr<Case> NarrowClampAlpha(const Kernel &k, Rng &rng, int n) {
  auto v = std::make_shared<std::vector<double>>(RandomVec<double>(rng, 4 * size_t(n), -0.3, 1.3));
  return MakeCall<sc::NarrowClampAlphaFn, float>(k, 4 * size_t(n), [=](sc::NarrowClampAlphaFn fn, float *out) {
    fn(v->data(), 4 * n, out);
  });
}

std::unique_ptr<Case> BilinVLineF(const Kernel &k, Rng &rng, int n) {
  auto rows = std::make_shared<Rows>(rng, 2, 16 * size_t(n), true);
  const float fy = float(Frac(rng)) / 16384.0f;
  return MakeCall<sc::BilinVLineFFn, float>(k, 4 * size_t(n), [=](sc::BilinVLineFFn fn, float *out) {
    fn(rows->F(0), rows->F(1), 1.0f - fy, fy, 4 * n, out);
  });
}

#define KO_SCALE_CASE(Name, make) KO_KERNEL_CASE("pixels.scale." #Name, make)
KO_SCALE_CASE(BilinearRow, BilinearRow);
KO_SCALE_CASE(CubicHRow, (ThroughColumns<sc::CubicHRowFn, int16_t, 4, &Columns::Cubic>));
KO_SCALE_CASE(CubicVRow, (FourRows<int16_t, uint8_t>));
KO_SCALE_CASE(Area2DRow, Area2DRow<false>);
KO_SCALE_CASE(Area2DRowWide, Area2DRow<true>);
KO_SCALE_CASE(Area2DRowF, Area2DRowF);
KO_SCALE_CASE(AreaXBilinRow, (ThroughColumns<sc::AreaXBilinRowFn, uint8_t, 4, &Columns::Area, 2>));
KO_SCALE_CASE(BilinearRowF, (ThroughColumns<sc::BilinearRowFFn, float, 16, &Columns::BilinearF, 2>));
KO_SCALE_CASE(BilinVLine8, BilinVLine8);
KO_SCALE_CASE(CubicVLine8, (FourRows<uint8_t, uint8_t>));
KO_SCALE_CASE(BilinHRow8, (ThroughColumns<sc::BilinHRow8Fn, int16_t, 4, &Columns::Bilinear>));
KO_SCALE_CASE(ClampRow8, ClampRow8);
KO_SCALE_CASE(AccumulateRow8, (AccumulateRow<int16_t, uint32_t, uint32_t>));
KO_SCALE_CASE(AccumulateRow8Wide, (AccumulateRow<int16_t, uint64_t, uint32_t>));
KO_SCALE_CASE(DivideRow8, (DivideRow<uint32_t, uint64_t, uint8_t>));
KO_SCALE_CASE(AreaXLine8, (ThroughColumns<sc::AreaXLine8Fn, uint8_t, 4, &Columns::Area>));
KO_SCALE_CASE(AreaXLine8Wide, (ThroughColumns<sc::AreaXLine8Fn, uint8_t, 4, &Columns::Area, 1, 300>));
KO_SCALE_CASE(CubicHRowD, (ThroughColumns<sc::CubicHRowDFn, double, 16, &Columns::CubicF>));
KO_SCALE_CASE(CubicVRowD, (FourRows<double, float>));
KO_SCALE_CASE(CubicVRowF, (FourRows<float, float>));
KO_SCALE_CASE(NarrowClampAlpha, NarrowClampAlpha);
KO_SCALE_CASE(BilinVLineF, BilinVLineF);
KO_SCALE_CASE(BilinHRowF, (ThroughColumns<sc::BilinHRowFFn, float, 16, &Columns::BilinearF>));
KO_SCALE_CASE(AccumulateRowF, (AccumulateRow<float, float, float>));
KO_SCALE_CASE(DivideRowF, (DivideRow<float, float, float>));
KO_SCALE_CASE(AreaXLineF, (ThroughColumns<sc::AreaXLineFFn, float, 16, &Columns::Area>));

}  // namespace scalecases

}  // namespace
