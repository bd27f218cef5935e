// Stockham FFT (radix-8, radix-4 and radix-2 stages) and vector kernels,
// written once over a small "complex vector" interface and instantiated per
// instruction set.
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
  // Twiddles are stored as real and imaginary parts, each value twice
  // (re0, re0, re1, re1, ...), so that vector forms load them ready to use.
  static V LoadDup(const R *p) { return {p[0], p[1]}; }
  static V BcastDup(const R *p) { return {p[0], p[0]}; }
  static V MulRI(V a, V wr, V wi) { return {a.re * wr.re - a.im * wi.re, a.im * wr.re + a.re * wi.re}; }
  static V Conj(V a) { return {a.re, -a.im}; }
  static V Scale(V a, R c) { return {a.re * c, a.im * c}; }
  // W values ending at `last`, in reverse order.
  static V LoadRev(const C *last) { return *last; }
  static void StoreRev(C *last, V v) { *last = v; }
  // dst[step * lane + k] = yk[lane]
  static void Store4T(C *dst, size_t step, V y0, V y1, V y2, V y3) {
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

// Twiddles of one stage (m = len / 4): for j = 1, 2, 3 the real parts of
// W^(j p) then the imaginary parts, each 2m values long (duplicated).
template <class R>
struct StageTw {
  const R *r1, *i1, *r2, *i2, *r3, *i3;
  StageTw(const R *t, size_t m)
      : r1(t), i1(t + 2 * m), r2(t + 4 * m), i2(t + 6 * m), r3(t + 8 * m), i3(t + 10 * m) {}
};

// First stage (stride 1): vectorised across p, outputs transposed into place.
// Needs len / 4 >= W.
template <class T, bool Inv>
void Radix4First(const typename T::C *x, typename T::C *y, size_t len,
                 const typename T::Real *tw) {
  const size_t m = len / 4;
  const StageTw<typename T::Real> t(tw, m);
  for (size_t p = 0; p < m; p += T::W) {
    typename T::V y0, y1, y2, y3;
    Butterfly4<T, Inv>(T::Load(x + p), T::Load(x + p + m), T::Load(x + p + 2 * m),
                       T::Load(x + p + 3 * m), y0, y1, y2, y3);
    y1 = T::MulRI(y1, T::LoadDup(t.r1 + 2 * p), T::LoadDup(t.i1 + 2 * p));
    y2 = T::MulRI(y2, T::LoadDup(t.r2 + 2 * p), T::LoadDup(t.i2 + 2 * p));
    y3 = T::MulRI(y3, T::LoadDup(t.r3 + 2 * p), T::LoadDup(t.i3 + 2 * p));
    T::Store4T(y + 4 * p, 4, y0, y1, y2, y3);
  }
}

// Later stages (stride s >= W): vectorised across q with broadcast twiddles.
template <class T, bool Inv>
void Radix4Strided(const typename T::C *x, typename T::C *y, size_t len, size_t s,
                   const typename T::Real *tw) {
  const size_t m = len / 4;
  const StageTw<typename T::Real> t(tw, m);
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
    const auto w1r = T::BcastDup(t.r1 + 2 * p), w1i = T::BcastDup(t.i1 + 2 * p);
    const auto w2r = T::BcastDup(t.r2 + 2 * p), w2i = T::BcastDup(t.i2 + 2 * p);
    const auto w3r = T::BcastDup(t.r3 + 2 * p), w3i = T::BcastDup(t.i3 + 2 * p);
    const typename T::C *xa = x + s * p, *xb = x + s * (p + m), *xc = x + s * (p + 2 * m),
                        *xd = x + s * (p + 3 * m);
    typename T::C *ya = y + s * 4 * p, *yb = ya + s, *yc = ya + 2 * s, *yd = ya + 3 * s;
    for (size_t q = 0; q < s; q += T::W) {
      typename T::V y0, y1, y2, y3;
      Butterfly4<T, Inv>(T::Load(xa + q), T::Load(xb + q), T::Load(xc + q), T::Load(xd + q),
                         y0, y1, y2, y3);
      T::Store(ya + q, y0);
      T::Store(yb + q, T::MulRI(y1, w1r, w1i));
      T::Store(yc + q, T::MulRI(y2, w2r, w2i));
      T::Store(yd + q, T::MulRI(y3, w3r, w3i));
    }
  }
}

// The last two radix-4 stages in one pass (stride s >= W, the stage of
// length 16 not being the first; see FusedRadix4): for each q the length-16 stage's four
// butterflies, then the length-4 stage's four on their outputs, kept in
// registers. Same arithmetic, in the same order, as the two stages apart.
template <class T, bool Inv>
void Radix4x4Last(const typename T::C *x, typename T::C *y, size_t s, const typename T::Real *tw) {
  const StageTw<typename T::Real> t(tw, 4);
  for (size_t q = 0; q < s; q += T::W) {
    typename T::V a[4][4];  // a[p][j]: output j of the first stage's butterfly p
    for (size_t p = 0; p < 4; ++p) {
      const typename T::C *xp = x + q + s * p;
      Butterfly4<T, Inv>(T::Load(xp), T::Load(xp + 4 * s), T::Load(xp + 8 * s), T::Load(xp + 12 * s),
                         a[p][0], a[p][1], a[p][2], a[p][3]);
      if (p > 0) {
        a[p][1] = T::MulRI(a[p][1], T::BcastDup(t.r1 + 2 * p), T::BcastDup(t.i1 + 2 * p));
        a[p][2] = T::MulRI(a[p][2], T::BcastDup(t.r2 + 2 * p), T::BcastDup(t.i2 + 2 * p));
        a[p][3] = T::MulRI(a[p][3], T::BcastDup(t.r3 + 2 * p), T::BcastDup(t.i3 + 2 * p));
      }
    }
    for (size_t j = 0; j < 4; ++j) {
      typename T::V y0, y1, y2, y3;
      Butterfly4<T, Inv>(a[0][j], a[1][j], a[2][j], a[3][j], y0, y1, y2, y3);
      typename T::C *yq = y + q + s * j;
      T::Store(yq, y0);
      T::Store(yq + 4 * s, y1);
      T::Store(yq + 8 * s, y2);
      T::Store(yq + 12 * s, y3);
    }
  }
}

// Radix-8 stages. Twiddles: for j = 1..7 the real then the imaginary parts
// of W^(j p), each 2m values long (28 m reals a stage).
template <class T, bool Inv>
inline void Butterfly8(const typename T::V (&x)[8], typename T::V (&y)[8],
                       typename T::Real r) {
  typename T::V a[4], b[4];
  for (int j = 0; j < 4; ++j) {
    a[j] = T::Add(x[j], x[j + 4]);
    b[j] = T::Sub(x[j], x[j + 4]);
  }
  // b[j] *= W8^j
  auto rot = [](typename T::V v) { return Inv ? T::MulPosJ(v) : T::MulNegJ(v); };
  b[1] = T::Scale(T::Add(b[1], rot(b[1])), r);
  b[2] = rot(b[2]);
  b[3] = rot(T::Scale(T::Add(b[3], rot(b[3])), r));
  Butterfly4<T, Inv>(a[0], a[1], a[2], a[3], y[0], y[2], y[4], y[6]);
  Butterfly4<T, Inv>(b[0], b[1], b[2], b[3], y[1], y[3], y[5], y[7]);
}

template <class T, bool Inv>
void Radix8First(const typename T::C *x, typename T::C *y, size_t len,
                 const typename T::Real *tw) {
  using R = typename T::Real;
  const size_t m = len / 8;
  const R r = static_cast<R>(0.70710678118654752440);
  for (size_t p = 0; p < m; p += T::W) {
    typename T::V in[8], out[8];
    for (int k = 0; k < 8; ++k) in[k] = T::Load(x + p + k * m);
    Butterfly8<T, Inv>(in, out, r);
    for (int k = 1; k < 8; ++k) {
      const R *t = tw + (k - 1) * 4 * m;
      out[k] = T::MulRI(out[k], T::LoadDup(t + 2 * p), T::LoadDup(t + 2 * m + 2 * p));
    }
    T::Store4T(y + 8 * p, 8, out[0], out[1], out[2], out[3]);
    T::Store4T(y + 8 * p + 4, 8, out[4], out[5], out[6], out[7]);
  }
}

template <class T, bool Inv>
void Radix8Strided(const typename T::C *x, typename T::C *y, size_t len, size_t s,
                   const typename T::Real *tw) {
  using R = typename T::Real;
  const size_t m = len / 8;
  const R r = static_cast<R>(0.70710678118654752440);
  for (size_t p = 0; p < m; ++p) {
    typename T::V wr[8], wi[8];
    for (int k = 1; k < 8; ++k) {
      const R *t = tw + (k - 1) * 4 * m;
      wr[k] = T::BcastDup(t + 2 * p);
      wi[k] = T::BcastDup(t + 2 * m + 2 * p);
    }
    const typename T::C *xp = x + s * p;
    typename T::C *yp = y + s * 8 * p;
    for (size_t q = 0; q < s; q += T::W) {
      typename T::V in[8], out[8];
      for (int k = 0; k < 8; ++k) in[k] = T::Load(xp + q + k * s * m);
      Butterfly8<T, Inv>(in, out, r);
      T::Store(yp + q, out[0]);
      if (p == 0) {
        for (int k = 1; k < 8; ++k) T::Store(yp + q + k * s, out[k]);
      } else {
        for (int k = 1; k < 8; ++k) T::Store(yp + q + k * s, T::MulRI(out[k], wr[k], wi[k]));
      }
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
  const size_t n = static_cast<size_t>(plan.n);
  if (plan.order == 0) {
    dst[0] = src[0];
    return;
  }
  int radix8, radix4, radix2;
  StagePlan(plan.order, &radix8, &radix4, &radix2);
  const C *in = src;
  C *out = ((PassCount(plan.order) - 1) % 2 == 0) ? dst : work;
  if (in == out) {
    for (size_t i = 0; i < n; ++i) work[i] = src[i];
    in = work;
  }
  const typename T::Real *tw = Inv ? plan.twInv : plan.twFwd;
  size_t len = n, s = 1;
  auto next = [&] {
    in = out;
    out = (out == dst) ? work : dst;
  };
  for (int i = 0; i < radix8; ++i, len /= 8, s *= 8) {
    if (s == 1)
      Radix8First<T, Inv>(in, out, len, tw);
    else
      Radix8Strided<T, Inv>(in, out, len, s, tw);
    tw += 28 * (len / 8);
    next();
  }
  if (FusedRadix4(plan.order)) {
    // Both radix-4 stages in one pass; the last stage (length 4) has no
    // twiddles.
    Radix4x4Last<T, Inv>(in, out, s, tw);
    return;
  }
  for (int i = 0; i < radix4; ++i, len /= 4, s *= 4) {
    if (s == 1)
      Radix4First<T, Inv>(in, out, len, tw);
    else
      Radix4Strided<T, Inv>(in, out, len, s, tw);
    tw += 12 * (len / 4);
    next();
  }
  if (radix2) Radix2Last<T>(in, out, s);
}

// Transform with the vector type T, or with the reference when the length
// is too short for T's registers (same arithmetic either way).
template <class T>
void RunFft(const FftPlan<typename T::Real> &plan, const Cx<typename T::Real> *src,
            Cx<typename T::Real> *dst, Cx<typename T::Real> *work, bool inverse) {
  using S = ScalarCx<typename T::Real>;
  if (plan.n < 8 * T::W) {
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

// ---- real transforms through a complex one of half the length ------------------
// Forward: a = Z, the transform of z[n] = x[2n] + i x[2n+1] (h points);
// X[k] = c (Fe + W^k Fo) for 0 < k < h, with Fe = Z[k] + conj Z[h-k] and
// Fo = -i (Z[k] - conj Z[h-k]). The bins k and h-k share their inputs: their
// Fe and Fo are conjugates and W^(h-k) = -conj W^k, so
// X[h-k] = c conj(Fe - W^k Fo). One step makes W bins k.. and their mirrors.
template <class T>
inline void RealSplitStep(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h,
                          size_t k, double c) {
  const auto zk = T::Load(a + k), zc = T::Conj(T::LoadRev(a + h - k));
  const auto fe = T::Add(zk, zc);
  const auto t = T::Mul(T::MulNegJ(T::Sub(zk, zc)), T::LoadTw(w + k));
  T::StoreRev(z + h - k, T::Scale(T::Conj(T::Sub(fe, t)), c));
  T::Store(z + k, T::Scale(T::Add(fe, t), c));
}

// Inverse: a[k] = c (S + i D), S = X[k] + conj X[h-k], D = conj(W^k) (X[k] -
// conj X[h-k]) (wInv holds conj W^k); for the mirror a[h-k] = c conj(S - i D).
template <class T>
inline void RealMergeStep(const Cx<double> *z, Cx<double> *a, const Cx<double> *wInv, size_t h,
                          size_t k, double c) {
  const auto xk = T::Load(z + k), xc = T::Conj(T::LoadRev(z + h - k));
  const auto sum = T::Add(xk, xc);
  const auto d = T::Mul(T::Sub(xk, xc), T::LoadTw(wInv + k));
  T::StoreRev(a + h - k, T::Scale(T::Conj(T::Add(sum, T::MulNegJ(d))), c));
  T::Store(a + k, T::Scale(T::Add(sum, T::MulPosJ(d)), c));
}

// Bins 1 .. h/2 - 1 with their mirrors, W at a time then one by one; the
// middle bin h/2 is its own mirror (the steps store the mirror first, so
// the direct formula's value is the one that stays).
template <class T, class Step>
void RealPairs(size_t h, Step step) {
  if (h < 2) return;
  const size_t half = h / 2;
  size_t k = 1;
  if (T::W > 1)
    for (; k + T::W <= half; k += T::W) step(T(), k);
  for (; k <= half; ++k) step(ScalarCx<double>(), k);
}

template <class T>
void RealSplit(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h, double c) {
  RealPairs<T>(h, [&](auto form, size_t k) { RealSplitStep<decltype(form)>(a, z, w, h, k, c); });
}

template <class T>
void RealMerge(const Cx<double> *z, Cx<double> *a, const Cx<double> *wInv, size_t h, double c) {
  RealPairs<T>(h, [&](auto form, size_t k) { RealMergeStep<decltype(form)>(z, a, wInv, h, k, c); });
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
