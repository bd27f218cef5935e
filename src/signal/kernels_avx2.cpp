// The AVX2 code path. This file is compiled for AVX2 and runs only when the
// processor and the operating system support it.
#include <immintrin.h>

#include <cstring>

#include "signal/fft_kernels.h"

namespace ko::signal {
namespace {

// Four complex floats per register, interleaved.
struct Avx2Cx32 {
  using Real = float;
  using C = Cx<float>;
  using V = __m256;
  static constexpr int W = 4;
  static V SignOdd() { return _mm256_castsi256_ps(_mm256_set1_epi64x(0x8000000000000000ll)); }
  static V SignEven() { return _mm256_castsi256_ps(_mm256_set1_epi64x(0x80000000ll)); }
  static V Load(const C *p) { return _mm256_loadu_ps(&p->re); }
  static V LoadTw(const C *p) { return _mm256_loadu_ps(&p->re); }
  static V Bcast(const C *p) {
    long long bits;
    std::memcpy(&bits, p, 8);
    return _mm256_castsi256_ps(_mm256_set1_epi64x(bits));
  }
  static void Store(C *p, V v) { _mm256_storeu_ps(&p->re, v); }
  static V Add(V a, V b) { return _mm256_add_ps(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_ps(a, b); }
  static V Swap(V a) { return _mm256_permute_ps(a, 0xB1); }
  static V MulNegJ(V a) { return _mm256_xor_ps(Swap(a), SignOdd()); }
  static V MulPosJ(V a) { return _mm256_xor_ps(Swap(a), SignEven()); }
  static V LoadDup(const float *p) { return _mm256_loadu_ps(p); }
  static V BcastDup(const float *p) { return _mm256_broadcast_ss(p); }
  static V MulRI(V a, V wr, V wi) {
    return _mm256_addsub_ps(_mm256_mul_ps(a, wr), _mm256_mul_ps(Swap(a), wi));
  }
  static V Mul(V a, V w) {
    V t1 = _mm256_mul_ps(a, _mm256_moveldup_ps(w));
    V t2 = _mm256_mul_ps(Swap(a), _mm256_movehdup_ps(w));
    return _mm256_addsub_ps(t1, t2);
  }
  static V Scale(V a, float c) { return _mm256_mul_ps(a, _mm256_set1_ps(c)); }
  static void Store4T(C *dst, size_t step, V y0, V y1, V y2, V y3) {
    __m256d a = _mm256_castps_pd(y0), b = _mm256_castps_pd(y1), c = _mm256_castps_pd(y2),
            d = _mm256_castps_pd(y3);
    __m256d t0 = _mm256_unpacklo_pd(a, b), t1 = _mm256_unpackhi_pd(a, b);
    __m256d t2 = _mm256_unpacklo_pd(c, d), t3 = _mm256_unpackhi_pd(c, d);
    _mm256_storeu_pd(reinterpret_cast<double *>(dst + 0), _mm256_permute2f128_pd(t0, t2, 0x20));
    _mm256_storeu_pd(reinterpret_cast<double *>(dst + step), _mm256_permute2f128_pd(t1, t3, 0x20));
    _mm256_storeu_pd(reinterpret_cast<double *>(dst + 2 * step), _mm256_permute2f128_pd(t0, t2, 0x31));
    _mm256_storeu_pd(reinterpret_cast<double *>(dst + 3 * step), _mm256_permute2f128_pd(t1, t3, 0x31));
  }
};

// Two complex doubles per register.
struct Avx2Cx64 {
  using Real = double;
  using C = Cx<double>;
  using V = __m256d;
  static constexpr int W = 2;
  static V SignLo() { return _mm256_castsi256_pd(_mm256_set_epi64x(0, INT64_MIN, 0, INT64_MIN)); }
  static V SignHi() { return _mm256_castsi256_pd(_mm256_set_epi64x(INT64_MIN, 0, INT64_MIN, 0)); }
  static V Load(const C *p) { return _mm256_loadu_pd(&p->re); }
  static V LoadTw(const C *p) { return _mm256_loadu_pd(&p->re); }
  static V Bcast(const C *p) { return _mm256_broadcast_pd(reinterpret_cast<const __m128d *>(p)); }
  static void Store(C *p, V v) { _mm256_storeu_pd(&p->re, v); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Swap(V a) { return _mm256_permute_pd(a, 0x5); }
  static V MulNegJ(V a) { return _mm256_xor_pd(Swap(a), SignHi()); }
  static V MulPosJ(V a) { return _mm256_xor_pd(Swap(a), SignLo()); }
  static V LoadDup(const double *p) { return _mm256_loadu_pd(p); }
  static V BcastDup(const double *p) { return _mm256_broadcast_sd(p); }
  static V MulRI(V a, V wr, V wi) {
    return _mm256_addsub_pd(_mm256_mul_pd(a, wr), _mm256_mul_pd(Swap(a), wi));
  }
  static V Conj(V a) { return _mm256_xor_pd(a, SignHi()); }
  static V Scale(V a, double c) { return _mm256_mul_pd(a, _mm256_set1_pd(c)); }
  static V LoadRev(const C *last) {
    V v = Load(last - 1);
    return _mm256_permute2f128_pd(v, v, 0x01);
  }
  static void StoreRev(C *last, V v) { Store(last - 1, _mm256_permute2f128_pd(v, v, 0x01)); }
  static V Mul(V a, V w) {
    V t1 = _mm256_mul_pd(a, _mm256_movedup_pd(w));
    V t2 = _mm256_mul_pd(Swap(a), _mm256_permute_pd(w, 0xF));
    return _mm256_addsub_pd(t1, t2);
  }
  static void Store4T(C *dst, size_t step, V y0, V y1, V y2, V y3) {
    _mm256_storeu_pd(&dst[0].re, _mm256_permute2f128_pd(y0, y1, 0x20));
    _mm256_storeu_pd(&dst[2].re, _mm256_permute2f128_pd(y2, y3, 0x20));
    _mm256_storeu_pd(&dst[step].re, _mm256_permute2f128_pd(y0, y1, 0x31));
    _mm256_storeu_pd(&dst[step + 2].re, _mm256_permute2f128_pd(y2, y3, 0x31));
  }
};

void Fft32(const FftPlan<float> &plan, const Cx<float> *src, Cx<float> *dst, Cx<float> *work,
           bool inverse) {
  RunFft<Avx2Cx32>(plan, src, dst, work, inverse);
}

void Fft64(const FftPlan<double> &plan, const Cx<double> *src, Cx<double> *dst,
           Cx<double> *work, bool inverse) {
  RunFft<Avx2Cx64>(plan, src, dst, work, inverse);
}

void Split64(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h, double c) {
  RealSplit<Avx2Cx64>(a, z, w, h, c);
}

void Merge64(const Cx<double> *z, Cx<double> *a, const Cx<double> *w, size_t h, double c) {
  RealMerge<Avx2Cx64>(z, a, w, h, c);
}

void Mul64fc(const Cx<double> *src, Cx<double> *srcDst, size_t n) {
  size_t i = 0;
  for (; i + 2 <= n; i += 2)
    Avx2Cx64::Store(srcDst + i, Avx2Cx64::Mul(Avx2Cx64::Load(srcDst + i), Avx2Cx64::Load(src + i)));
  MulScalar(src, srcDst, i, n);
}

void Conj64fc(Cx<double> *srcDst, size_t n) {
  size_t i = 0;
  for (; i + 2 <= n; i += 2)
    Avx2Cx64::Store(srcDst + i, _mm256_xor_pd(Avx2Cx64::Load(srcDst + i), Avx2Cx64::SignHi()));
  ConjScalar(srcDst, i, n);
}

void MinMax32f(const float *src, size_t n, float *mn, float *mx) {
  size_t i = 0;
  if (n >= 8) {
    __m256 lo = _mm256_loadu_ps(src), hi = lo;
    for (i = 8; i + 8 <= n; i += 8) {
      __m256 v = _mm256_loadu_ps(src + i);
      lo = _mm256_min_ps(v, lo);
      hi = _mm256_max_ps(v, hi);
    }
    float l[8], h[8];
    _mm256_storeu_ps(l, lo);
    _mm256_storeu_ps(h, hi);
    *mn = l[0];
    *mx = h[0];
    for (int k = 1; k < 8; ++k) {
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
  if (n >= 4) {
    __m256d lo = _mm256_loadu_pd(src), hi = lo;
    for (i = 4; i + 4 <= n; i += 4) {
      __m256d v = _mm256_loadu_pd(src + i);
      lo = _mm256_min_pd(v, lo);
      hi = _mm256_max_pd(v, hi);
    }
    double l[4], h[4];
    _mm256_storeu_pd(l, lo);
    _mm256_storeu_pd(h, hi);
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

void Sqrt32f(const float *src, float *dst, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) _mm256_storeu_ps(dst + i, _mm256_sqrt_ps(_mm256_loadu_ps(src + i)));
  SqrtScalar(src, dst, i, n);
}

const KernelSet kAvx2 = {"avx2", Fft32, Fft64, Split64, Merge64, Mul64fc, Conj64fc, MinMax32f, MinMax64f, Sqrt32f};

}  // namespace

const KernelSet &Avx2Kernels() { return kAvx2; }

}  // namespace ko::signal
