// Case makers of the signal kernels: the FFT passes on real twiddle tables,
// the real-transform split and merge, and the element-wise kernels.

#include "kernels/kernel_cases.h"
#include "signal/signal_internal.h"

namespace {

using namespace kotest;
using ko::signal::Cx;
using ko::signal::KernelSet;

// Complex transform of 2^order points, order 1 to 12 from the width; both
// directions, out of place and in place.
template <class R>
std::unique_ptr<Case> MakeFft(const Kernel &k, Rng &rng, int width) {
  using Fn = ko::signal::FftFn<R>;
  int order = 1;
  while (order < 12 && (2 << order) <= width) ++order;
  const size_t n = size_t{1} << order;
  auto tw = std::make_shared<std::vector<R>>(2 * ko::signal::TwiddleCount(order) + 1);
  ko::signal::FillTwiddles<R>(order, tw->data(), tw->data() + ko::signal::TwiddleCount(order));
  auto src = std::make_shared<std::vector<R>>(RandomVec<R>(rng, 2 * n, R(-1), R(1)));
  const bool inverse = rng() & 1, inPlace = rng() & 1;
  return MakeCall<Fn, R>(k, 2 * n, [=](Fn fn, R *out) {
    ko::signal::FftPlan<R> plan;
    plan.order = order;
    plan.n = int(n);
    plan.twFwd = tw->data();
    plan.twInv = tw->data() + ko::signal::TwiddleCount(order);
    std::vector<R> work(2 * n);
    if (inPlace) std::copy(src->begin(), src->end(), out);
    fn(plan, reinterpret_cast<const Cx<R> *>(inPlace ? out : src->data()), reinterpret_cast<Cx<R> *>(out),
       reinterpret_cast<Cx<R> *>(work.data()), inverse);
  });
}

// Split and merge over h points: a (or z) and the twiddles are random; out
// of place or in place (the real transforms run both).
std::unique_ptr<Case> MakeSplitMerge(const Kernel &k, Rng &rng, int width) {
  using Fn = decltype(KernelSet::realSplit64);
  const size_t h = size_t(width) + 1;
  auto in = std::make_shared<std::vector<double>>(RandomVec<double>(rng, 2 * (h + 1), -1, 1));
  auto w = std::make_shared<std::vector<double>>(RandomVec<double>(rng, 2 * (h + 1), -1, 1));
  const double scale = std::uniform_real_distribution<double>(0.25, 2)(rng);
  const bool inPlace = rng() & 1;
  return MakeCall<Fn, double>(k, 2 * (h + 1), [=](Fn fn, double *out) {
    if (inPlace) std::copy(in->begin(), in->end(), out);
    fn(reinterpret_cast<const Cx<double> *>(inPlace ? out : in->data()), reinterpret_cast<Cx<double> *>(out),
       reinterpret_cast<const Cx<double> *>(w->data()), h, scale);
  });
}

// Complex multiply into, or conjugate of, a vector that holds values already.
template <bool Mul>
std::unique_ptr<Case> MakeInPlace(const Kernel &k, Rng &rng, int n) {
  using Fn = std::conditional_t<Mul, decltype(KernelSet::mul64fc), decltype(KernelSet::conj64fc)>;
  auto src = std::make_shared<std::vector<double>>(RandomVec<double>(rng, 2 * size_t(n), -4, 4));
  auto init = std::make_shared<std::vector<double>>(RandomVec<double>(rng, 2 * size_t(n), -4, 4));
  return MakeCall<Fn, double>(k, 2 * size_t(n), [=](Fn fn, double *out) {
    std::copy(init->begin(), init->end(), out);
    if constexpr (Mul)
      fn(reinterpret_cast<const Cx<double> *>(src->data()), reinterpret_cast<Cx<double> *>(out), size_t(n));
    else
      fn(reinterpret_cast<Cx<double> *>(out), size_t(n));
  });
}

// Minimum and maximum, with the extremes placed anywhere (the tail included).
template <class R>
std::unique_ptr<Case> MakeMinMax(const Kernel &k, Rng &rng, int n) {
  using Fn = void (*)(const R *, size_t, R *, R *);
  auto src = std::make_shared<std::vector<R>>(RandomVec<R>(rng, size_t(n), R(-100), R(100)));
  (*src)[rng() & 1 ? n - 1 : rng() % n] = R(1000);
  (*src)[rng() & 1 ? 0 : rng() % n] = R(-1000);
  return MakeCall<Fn, R>(k, 2, [=](Fn fn, R *out) { fn(src->data(), size_t(n), out, out + 1); });
}

// Square roots, negative inputs (NaN) and zeros among them.
std::unique_ptr<Case> MakeSqrt(const Kernel &k, Rng &rng, int n) {
  using Fn = decltype(KernelSet::sqrt32f);
  auto src = std::make_shared<std::vector<float>>(RandomVec<float>(rng, size_t(n), -1.0f, 1e6f));
  (*src)[rng() % n] = 0.0f;
  return MakeCall<Fn, float>(k, size_t(n), [=](Fn fn, float *out) { fn(src->data(), out, size_t(n)); });
}

KO_KERNEL_CASE("signal.Fft32", MakeFft<float>);
KO_KERNEL_CASE("signal.Fft64", MakeFft<double>);
KO_KERNEL_CASE("signal.RealSplit64", MakeSplitMerge);
KO_KERNEL_CASE("signal.RealMerge64", MakeSplitMerge);
KO_KERNEL_CASE("signal.Mul64fc", MakeInPlace<true>);
KO_KERNEL_CASE("signal.Conj64fc", MakeInPlace<false>);
KO_KERNEL_CASE("signal.MinMax32f", MakeMinMax<float>);
KO_KERNEL_CASE("signal.MinMax64f", MakeMinMax<double>);
KO_KERNEL_CASE("signal.Sqrt32f", MakeSqrt);

}  // namespace
