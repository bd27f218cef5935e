// Stockham radix-4 FFT and vector kernels, written once over a small
// "complex vector" interface and instantiated per instruction set.
//
// Each kernel file defines its vector types (W complex values per register)
// and then includes this header. Everything here has internal linkage, so
// the copies compiled with different instruction sets never mix.
//
// All forms run the same arithmetic in the same order (no fused
// multiply-add), so every path gives bit-identical results.
#pragma once

#include <cstddef>
#include <cmath>
#include <utility>

#include "signal/signal_internal.h"

namespace ko::signal {
namespace {

// The portable reference: one complex value per "register".
template <class R>
struct ScalarCx {
  using Real = R;
  using C = Cx<R>;
  using V = Cx<R>;
  static constexpr int W = 1;
  static V Load(const C *p) { return *p; }
  static V LoadTw(const C *p) { return *p; }
  static V Bcast(const C *p) { return *p; }
  static void Store(C *p, V v) { *p = v; }
  static V Add(V a, V b) { return {a.re + b.re, a.im + b.im}; }
  static V Sub(V a, V b) { return {a.re - b.re, a.im - b.im}; }
  static V MulNegJ(V a) { return {a.im, -a.re}; }
  static V MulPosJ(V a) { return {-a.im, a.re}; }
  static V Mul(V a, V w) { return {a.re * w.re - a.im * w.im, a.re * w.im + a.im * w.re}; }
  // dst[4 * lane + k] = yk[lane]
  static void Store4T(C *dst, V y0, V y1, V y2, V y3) {
    dst[0] = y0;
    dst[1] = y1;
    dst[2] = y2;
    dst[3] = y3;
  }
};

template <class T, bool Inv>
inline void Butterfly4(typename T::V a, typename T::V b, typename T::V c, typename T::V d,
                       typename T::V &y0, typename T::V &y1, typename T::V &y2,
                       typename T::V &y3) {
  auto apc = T::Add(a, c), amc = T::Sub(a, c);
  auto bpd = T::Add(b, d), bmd = T::Sub(b, d);
  auto t = Inv ? T::MulPosJ(bmd) : T::MulNegJ(bmd);
  y0 = T::Add(apc, bpd);
  y1 = T::Add(amc, t);
  y2 = T::Sub(apc, bpd);
  y3 = T::Sub(amc, t);
}

// First stage (stride 1): vectorised across p, outputs transposed into place.
// Needs len / 4 >= W.
template <class T, bool Inv>
void Radix4First(const typename T::C *x, typename T::C *y, size_t len,
                 const typename T::C *tw) {
  const size_t m = len / 4;
  for (size_t p = 0; p < m; p += T::W) {
    typename T::V y0, y1, y2, y3;
    Butterfly4<T, Inv>(T::Load(x + p), T::Load(x + p + m), T::Load(x + p + 2 * m),
                       T::Load(x + p + 3 * m), y0, y1, y2, y3);
    y1 = T::Mul(y1, T::LoadTw(tw + p));
    y2 = T::Mul(y2, T::LoadTw(tw + m + p));
    y3 = T::Mul(y3, T::LoadTw(tw + 2 * m + p));
    T::Store4T(y + 4 * p, y0, y1, y2, y3);
  }
}

// Later stages (stride s >= W): vectorised across q with broadcast twiddles.
template <class T, bool Inv>
void Radix4Strided(const typename T::C *x, typename T::C *y, size_t len, size_t s,
                   const typename T::C *tw) {
  const size_t m = len / 4;
  {
    // p = 0: all twiddles are 1.
    const typename T::C *xa = x, *xb = x + s * m, *xc = x + 2 * s * m, *xd = x + 3 * s * m;
    typename T::C *ya = y, *yb = y + s, *yc = y + 2 * s, *yd = y + 3 * s;
    for (size_t q = 0; q < s; q += T::W) {
      typename T::V y0, y1, y2, y3;
      Butterfly4<T, Inv>(T::Load(xa + q), T::Load(xb + q), T::Load(xc + q), T::Load(xd + q),
                         y0, y1, y2, y3);
      T::Store(ya + q, y0);
      T::Store(yb + q, y1);
      T::Store(yc + q, y2);
      T::Store(yd + q, y3);
    }
  }
  for (size_t p = 1; p < m; ++p) {
    const auto w1 = T::Bcast(tw + p), w2 = T::Bcast(tw + m + p), w3 = T::Bcast(tw + 2 * m + p);
    const typename T::C *xa = x + s * p, *xb = x + s * (p + m), *xc = x + s * (p + 2 * m),
                        *xd = x + s * (p + 3 * m);
    typename T::C *ya = y + s * 4 * p, *yb = ya + s, *yc = ya + 2 * s, *yd = ya + 3 * s;
    for (size_t q = 0; q < s; q += T::W) {
      typename T::V y0, y1, y2, y3;
      Butterfly4<T, Inv>(T::Load(xa + q), T::Load(xb + q), T::Load(xc + q), T::Load(xd + q),
                         y0, y1, y2, y3);
      T::Store(ya + q, y0);
      T::Store(yb + q, T::Mul(y1, w1));
      T::Store(yc + q, T::Mul(y2, w2));
      T::Store(yd + q, T::Mul(y3, w3));
    }
  }
}

// Last stage of an odd order: length 2, stride s >= W.
template <class T>
void Radix2Last(const typename T::C *x, typename T::C *y, size_t s) {
  for (size_t q = 0; q < s; q += T::W) {
    auto a = T::Load(x + q), b = T::Load(x + q + s);
    T::Store(y + q, T::Add(a, b));
    T::Store(y + q + s, T::Sub(a, b));
  }
}

template <class T, bool Inv>
void RunStages(const FftPlan<typename T::Real> &plan, const typename T::C *src,
               typename T::C *dst, typename T::C *work) {
  using C = typename T::C;
  const int order = plan.order;
  const size_t n = static_cast<size_t>(plan.n);
  if (order == 0) {
    dst[0] = src[0];
    return;
  }
  const int stages = order / 2 + (order & 1);
  const C *in = src;
  C *out = ((stages - 1) % 2 == 0) ? dst : work;
  if (in == out) {
    for (size_t i = 0; i < n; ++i) work[i] = src[i];
    in = work;
  }
  const C *tw = Inv ? plan.twInv : plan.twFwd;
  size_t len = n, s = 1;
  bool first = true;
  while (len >= 4) {
    if (first)
      Radix4First<T, Inv>(in, out, len, tw);
    else
      Radix4Strided<T, Inv>(in, out, len, s, tw);
    first = false;
    tw += 3 * (len / 4);
    len /= 4;
    s *= 4;
    in = out;
    out = (out == dst) ? work : dst;
  }
  if (len == 2) Radix2Last<T>(in, out, s);
}

// Transform with the vector type T, or with the reference when the length
// is too short for T's registers (same arithmetic either way).
template <class T>
void RunFft(const FftPlan<typename T::Real> &plan, const Cx<typename T::Real> *src,
            Cx<typename T::Real> *dst, Cx<typename T::Real> *work, bool inverse) {
  using S = ScalarCx<typename T::Real>;
  if (plan.n < 4 * T::W) {
    if (inverse)
      RunStages<S, true>(plan, src, dst, work);
    else
      RunStages<S, false>(plan, src, dst, work);
    return;
  }
  if (inverse)
    RunStages<T, true>(plan, src, dst, work);
  else
    RunStages<T, false>(plan, src, dst, work);
}

// ---- reference forms of the element-wise kernels ------------------------------
inline void MulScalar(const Cx<double> *src, Cx<double> *srcDst, size_t begin, size_t n) {
  for (size_t i = begin; i < n; ++i) srcDst[i] = ScalarCx<double>::Mul(srcDst[i], src[i]);
}

inline void ConjScalar(Cx<double> *srcDst, size_t begin, size_t n) {
  for (size_t i = begin; i < n; ++i) srcDst[i].im = -srcDst[i].im;
}

template <class R>
inline void MinMaxScalar(const R *src, size_t begin, size_t n, R *mn, R *mx) {
  R lo = *mn, hi = *mx;
  for (size_t i = begin; i < n; ++i) {
    lo = src[i] < lo ? src[i] : lo;
    hi = src[i] > hi ? src[i] : hi;
  }
  *mn = lo;
  *mx = hi;
}

inline void SqrtScalar(const float *src, float *dst, size_t begin, size_t n) {
  for (size_t i = begin; i < n; ++i) dst[i] = std::sqrt(src[i]);
}

}  // namespace
}  // namespace ko::signal
