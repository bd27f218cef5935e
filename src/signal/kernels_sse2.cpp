// The SSE2 code path (also serves the SSSE3 and SSE4.1 paths).
#include <emmintrin.h>

#include <cstring>

#include "signal/fft_kernels.h"

namespace ko::signal {
namespace {

// Two complex floats per register, interleaved (re, im, re, im).
struct Sse2Cx32 {
  using Real = float;
  using C = Cx<float>;
  using V = __m128;
  static constexpr int W = 2;
  static V SignOdd() { return _mm_castsi128_ps(_mm_set_epi32(INT32_MIN, 0, INT32_MIN, 0)); }
  static V SignEven() { return _mm_castsi128_ps(_mm_set_epi32(0, INT32_MIN, 0, INT32_MIN)); }
  static V Load(const C *p) { return _mm_loadu_ps(&p->re); }
  static V LoadTw(const C *p) { return _mm_loadu_ps(&p->re); }
  static V Bcast(const C *p) {
    long long bits;
    std::memcpy(&bits, p, 8);
    return _mm_castsi128_ps(_mm_set1_epi64x(bits));
  }
  static void Store(C *p, V v) { _mm_storeu_ps(&p->re, v); }
  static V Add(V a, V b) { return _mm_add_ps(a, b); }
  static V Sub(V a, V b) { return _mm_sub_ps(a, b); }
  static V Swap(V a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1)); }
  static V MulNegJ(V a) { return _mm_xor_ps(Swap(a), SignOdd()); }
  static V MulPosJ(V a) { return _mm_xor_ps(Swap(a), SignEven()); }
  static V LoadDup(const float *p) { return _mm_loadu_ps(p); }
  static V BcastDup(const float *p) { return _mm_set1_ps(*p); }
  static V MulRI(V a, V wr, V wi) {
    return _mm_add_ps(_mm_mul_ps(a, wr), _mm_xor_ps(_mm_mul_ps(Swap(a), wi), SignEven()));
  }
  static V Mul(V a, V w) {
    V wr = _mm_shuffle_ps(w, w, _MM_SHUFFLE(2, 2, 0, 0));
    V wi = _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 3, 1, 1));
    V t1 = _mm_mul_ps(a, wr);
    V t2 = _mm_mul_ps(Swap(a), wi);
    return _mm_add_ps(t1, _mm_xor_ps(t2, SignEven()));
  }
  static V Scale(V a, float c) { return _mm_mul_ps(a, _mm_set1_ps(c)); }
  static void Store4T(C *dst, size_t step, V y0, V y1, V y2, V y3) {
    _mm_storeu_ps(&dst[0].re, _mm_movelh_ps(y0, y1));
    _mm_storeu_ps(&dst[2].re, _mm_movelh_ps(y2, y3));
    _mm_storeu_ps(&dst[step].re, _mm_movehl_ps(y1, y0));
    _mm_storeu_ps(&dst[step + 2].re, _mm_movehl_ps(y3, y2));
  }
};

// One complex double per register.
struct Sse2Cx64 {
  using Real = double;
  using C = Cx<double>;
  using V = __m128d;
  static constexpr int W = 1;
  static V SignLo() { return _mm_castsi128_pd(_mm_set_epi64x(0, INT64_MIN)); }
  static V SignHi() { return _mm_castsi128_pd(_mm_set_epi64x(INT64_MIN, 0)); }
  static V Load(const C *p) { return _mm_loadu_pd(&p->re); }
  static V LoadTw(const C *p) { return _mm_loadu_pd(&p->re); }
  static V Bcast(const C *p) { return _mm_loadu_pd(&p->re); }
  static void Store(C *p, V v) { _mm_storeu_pd(&p->re, v); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Swap(V a) { return _mm_shuffle_pd(a, a, 1); }
  static V MulNegJ(V a) { return _mm_xor_pd(Swap(a), SignHi()); }
  static V MulPosJ(V a) { return _mm_xor_pd(Swap(a), SignLo()); }
  static V LoadDup(const double *p) { return _mm_loadu_pd(p); }
  static V BcastDup(const double *p) { return _mm_set1_pd(*p); }
  static V MulRI(V a, V wr, V wi) {
    return _mm_add_pd(_mm_mul_pd(a, wr), _mm_xor_pd(_mm_mul_pd(Swap(a), wi), SignLo()));
  }
  static V Conj(V a) { return _mm_xor_pd(a, SignHi()); }
  static V Scale(V a, double c) { return _mm_mul_pd(a, _mm_set1_pd(c)); }
  static V LoadRev(const C *last) { return Load(last); }
  static void StoreRev(C *last, V v) { Store(last, v); }
  static V Mul(V a, V w) {
    V t1 = _mm_mul_pd(a, _mm_unpacklo_pd(w, w));
    V t2 = _mm_mul_pd(Swap(a), _mm_unpackhi_pd(w, w));
    return _mm_add_pd(t1, _mm_xor_pd(t2, SignLo()));
  }
  static void Store4T(C *dst, size_t, V y0, V y1, V y2, V y3) {
    Store(dst, y0);
    Store(dst + 1, y1);
    Store(dst + 2, y2);
    Store(dst + 3, y3);
  }
};

void Fft32(const FftPlan<float> &plan, const Cx<float> *src, Cx<float> *dst, Cx<float> *work,
           bool inverse) {
  RunFft<Sse2Cx32>(plan, src, dst, work, inverse);
}

void Fft64(const FftPlan<double> &plan, const Cx<double> *src, Cx<double> *dst,
           Cx<double> *work, bool inverse) {
  RunFft<Sse2Cx64>(plan, src, dst, work, inverse);
}

void Split64(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h, double c) {
  RealSplit<Sse2Cx64>(a, z, w, h, c);
}

void Merge64(const Cx<double> *z, Cx<double> *a, const Cx<double> *w, size_t h, double c) {
  RealMerge<Sse2Cx64>(z, a, w, h, c);
}

void Mul64fc(const Cx<double> *src, Cx<double> *srcDst, size_t n) {
  for (size_t i = 0; i < n; ++i)
    Sse2Cx64::Store(srcDst + i, Sse2Cx64::Mul(Sse2Cx64::Load(srcDst + i), Sse2Cx64::Load(src + i)));
}

void Conj64fc(Cx<double> *srcDst, size_t n) {
  for (size_t i = 0; i < n; ++i)
    Sse2Cx64::Store(srcDst + i, _mm_xor_pd(Sse2Cx64::Load(srcDst + i), Sse2Cx64::SignHi()));
}

void MinMax32f(const float *src, size_t n, float *mn, float *mx) {
  size_t i = 0;
  if (n >= 4) {
    __m128 lo = _mm_loadu_ps(src), hi = lo;
    for (i = 4; i + 4 <= n; i += 4) {
      __m128 v = _mm_loadu_ps(src + i);
      lo = _mm_min_ps(v, lo);
      hi = _mm_max_ps(v, hi);
    }
    alignas(16) float l[4], h[4];
    _mm_store_ps(l, lo);
    _mm_store_ps(h, hi);
    *mn = l[0];
    *mx = h[0];
    for (int k = 1; k < 4; ++k) {
      *mn = l[k] < *mn ? l[k] : *mn;
      *mx = h[k] > *mx ? h[k] : *mx;
    }
  } else {
    *mn = *mx = src[0];
    i = 1;
  }
  MinMaxScalar(src, i, n, mn, mx);
}

void MinMax64f(const double *src, size_t n, double *mn, double *mx) {
  size_t i = 0;
  if (n >= 2) {
    __m128d lo = _mm_loadu_pd(src), hi = lo;
    for (i = 2; i + 2 <= n; i += 2) {
      __m128d v = _mm_loadu_pd(src + i);
      lo = _mm_min_pd(v, lo);
      hi = _mm_max_pd(v, hi);
    }
    alignas(16) double l[2], h[2];
    _mm_store_pd(l, lo);
    _mm_store_pd(h, hi);
    *mn = l[1] < l[0] ? l[1] : l[0];
    *mx = h[1] > h[0] ? h[1] : h[0];
  } else {
    *mn = *mx = src[0];
    i = 1;
  }
  MinMaxScalar(src, i, n, mn, mx);
}

void Sqrt32f(const float *src, float *dst, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) _mm_storeu_ps(dst + i, _mm_sqrt_ps(_mm_loadu_ps(src + i)));
  SqrtScalar(src, dst, i, n);
}

const KernelSet kSse2 = {"sse2", Fft32, Fft64, Split64, Merge64, Mul64fc, Conj64fc, MinMax32f, MinMax64f, Sqrt32f};

}  // namespace

const KernelSet &Sse2Kernels() { return kSse2; }

}  // namespace ko::signal
