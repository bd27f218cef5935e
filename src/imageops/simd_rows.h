// The vector forms of the image-operation rows, written once over the
// operations of simd_ops.h and instantiated by rows_sse2.cpp (128-bit) and
// rows_avx2.cpp (256-bit). Each row runs its vector body over whole
// vectors and hands the last pixels to the scalar reference, which does the
// same arithmetic: the integer rows are bit-identical to it, and so are the
// float rows (same operations in the same order, no contraction).
#pragma once

#include <algorithm>

#include "imageops/imageops_internal.h"
#include "imageops/simd_ops.h"

namespace ko::imageops::simd {

// ---- 8-bit helpers on 16-bit lanes --------------------------------------------
template <class V>
struct Ops8 {
  using I = typename V::I;
  // Exact t / 255 for 0 <= t <= 65534, as (t + 1) 257 / 65536: with t =
  // 255 k + j (j < 255) that is k + (257 (j + 1) - k) / 65536, and the
  // fraction stays in [0, 1). No t here exceeds 255 * 255.
  static I Div255(I t) { return V::MulHiU16(V::Add16(t, V::Set16(1)), V::Set16(257)); }
  // (t + 127) / 255, the rounded quotient, the same way.
  static I Div255Round(I t) { return V::MulHiU16(V::Add16(t, V::Set16(128)), V::Set16(257)); }
  static I AlphaLanes() { return V::Set64(static_cast<long long>(0xFFFF000000000000ull)); }
  static I Sel(I mask, I a, I b) { return V::Or(V::And(mask, a), V::AndNot(mask, b)); }
  // s + d (255 - sA) / 255 rounded, on every lane (the alpha lane gives the
  // over alpha).
  static I Over(I s, I d, I sA) {
    const I c255 = V::Set16(255);
    return V::Min16(V::Add16(s, Div255Round(V::Mul16(d, V::Sub16(c255, sA)))), c255);
  }
};

// The rows that read two frames and write one run faster than the
// hardware's own prefetch brings lines in from the outer caches; each loop
// asks for its lines this far ahead.
constexpr int kAhead = 2048;
inline void FetchAhead(const void *p) { _mm_prefetch(static_cast<const char *>(p) + kAhead, _MM_HINT_T0); }

template <class V, int Mode>
inline typename V::I CompositeMode8(typename V::I s, typename V::I d) {
  using O = Ops8<V>;
  using I = typename V::I;
  const I c255 = V::Set16(255);
  const I sA = V::Alpha16(s);
  if constexpr (Mode == 1) return O::Over(s, d, sA);
  if constexpr (Mode == 2) return O::Over(d, s, V::Alpha16(d));
  if constexpr (Mode == 3) return O::Sel(O::AlphaLanes(), O::Over(s, d, sA), V::Min16(V::Add16(s, d), c255));
  if constexpr (Mode == 4) return O::Div255(V::Mul16(s, d));
  if constexpr (Mode == 5) {
    const I lo = O::Div255(V::Mul16(V::Add16(s, s), d));
    const I is = V::Sub16(c255, s), id = V::Sub16(c255, d);
    const I hi = V::Sub16(c255, O::Div255(V::Mul16(V::Add16(is, is), id)));
    const I colour = O::Sel(V::Lt16(d, V::Set16(128)), lo, hi);
    return O::Sel(O::AlphaLanes(), O::Over(s, d, sA), colour);
  }
  if constexpr (Mode == 6) {
    const I scr = V::Sub16(c255, O::Div255Round(V::Mul16(V::Sub16(c255, s), V::Sub16(c255, d))));
    return O::Sel(O::AlphaLanes(), O::Over(s, d, sA), scr);
  }
  if constexpr (Mode == 7) return V::Srl16(V::Add16(s, d), 1);
  return d;
}

template <class V, int Mode, bool Mixed>
void CompositeRun8(uint8_t *dst, const uint8_t *src, int width, int o) {
  using O = Ops8<V>;
  using I = typename V::I;
  constexpr int kPx = V::kBytes / 4;
  const I ov = V::Set16(o), iov = V::Set16(255 - o);
  auto half = [&](I s, I d) {
    I r = CompositeMode8<V, Mode>(s, d);
    if constexpr (Mixed) {
      const I m = O::Div255(V::Add16(V::Mul16(r, ov), V::Mul16(d, iov)));
      r = Mode == 5 ? O::Sel(O::AlphaLanes(), r, m) : m;
    }
    return r;
  };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    FetchAhead(src + 4 * x);
    FetchAhead(dst + 4 * x);
    const I s = V::LoadI(src + 4 * x), d = V::LoadI(dst + 4 * x);
    V::StoreI(dst + 4 * x, V::Pack16(half(V::Lo8(s), V::Lo8(d)), half(V::Hi8(s), V::Hi8(d))));
  }
  if (x < width) CompositeRow8_C(dst + 4 * x, src + 4 * x, width - x, Mode, o);
}

#ifdef __AVX2__
// Over on 256-bit registers, the same formula on all four channels: t =
// (d (255 - sA) + 127) / 255 never exceeds 255, so min(255, s + t) is a
// saturating byte add, and only the destination is widened. The opacity mix
// r o + d (255 - o) is one byte multiply-add per lane on (r, d) pairs taken
// as signed bytes (x - 128): o (r - 128) + (255 - o)(d - 128) lies in
// [-32640, 32385], so the pair sum never saturates, and adding 128 * 255
// back gives the exact sum.
template <bool Mixed>
void OverRun8(uint8_t *dst, const uint8_t *src, int width, int o) {
  using V = V256;
  using O = Ops8<V>;
  using I = V::I;
  constexpr int kPx = V::kBytes / 4;
  // Each pixel's alpha byte into both 16-bit lanes of the pixel (zeros above).
  const I alphaLo = _mm256_set_epi8(-1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7,
                                    -1, 7, -1, 3, -1, 3, -1, 3, -1, 3);
  const I alphaHi = _mm256_set_epi8(-1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15,
                                    -1, 15, -1, 15, -1, 11, -1, 11, -1, 11, -1, 11);
  const I ones = V::Set32(-1), bias = V::Set16(0x8080);
  const I weights = V::Set16((255 - o) << 8 | o), back = V::Set16(128 * 255 + 1);
  auto mix = [&](I rd) { return V::MulHiU16(V::Add16(V::MaddUbs16(weights, rd), back), V::Set16(257)); };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    FetchAhead(src + 4 * x);
    FetchAhead(dst + 4 * x);
    const I s = V::LoadI(src + 4 * x), d = V::LoadI(dst + 4 * x);
    const I is = V::Xor(s, ones);  // 255 - s
    const I tl = O::Div255Round(V::Mul16(V::Lo8(d), _mm256_shuffle_epi8(is, alphaLo)));
    const I th = O::Div255Round(V::Mul16(V::Hi8(d), _mm256_shuffle_epi8(is, alphaHi)));
    I r = V::AddSatU8(s, V::Pack16(tl, th));
    if constexpr (Mixed) {
      const I rb = V::Xor(r, bias), db = V::Xor(d, bias);
      r = V::Pack16(mix(V::Zip8Lo(rb, db)), mix(V::Zip8Hi(rb, db)));
    }
    V::StoreI(dst + 4 * x, r);
  }
  if (x < width) CompositeRow8_C(dst + 4 * x, src + 4 * x, width - x, 1, o);
}
#endif  // __AVX2__

template <class V>
void CompositeRow8(uint8_t *dst, const uint8_t *src, int width, int mode, int o) {
  const bool mixed = o < 255;
#define KO_CASE(M)                                                         \
  case M:                                                                  \
    if (mixed) CompositeRun8<V, M, true>(dst, src, width, o);              \
    else CompositeRun8<V, M, false>(dst, src, width, o);                   \
    return;
#ifdef __AVX2__
  // Byte shuffles and byte multiply-adds make over cheaper here (SSE2 has
  // neither).
  if constexpr (V::kBytes == 32)
    if (mode == 1) return mixed ? OverRun8<true>(dst, src, width, o) : OverRun8<false>(dst, src, width, o);
#endif
  switch (mode) {
    KO_CASE(1) KO_CASE(2) KO_CASE(3) KO_CASE(4) KO_CASE(5) KO_CASE(6) KO_CASE(7)
    default: return;
  }
#undef KO_CASE
}

// ---- float compositing -----------------------------------------------------------
template <class V, int Mode>
inline typename V::F CompositeModeF(typename V::F s, typename V::F d) {
  using F = typename V::F;
  const F one = V::SetF(1.0f);
  const F sA = V::AlphaF(s), dA = V::AlphaF(d);
  const F overA = V::AddF(V::MulF(V::SubF(one, sA), dA), sA);
  if constexpr (Mode == 1) return V::AddF(V::MulF(V::SubF(one, sA), d), s);
  if constexpr (Mode == 2) return V::AddF(V::MulF(V::SubF(one, dA), s), d);
  if constexpr (Mode == 3) return V::SelF(V::AlphaMaskF(), overA, V::AddF(d, s));
  if constexpr (Mode == 4) return V::MulF(s, d);
  if constexpr (Mode == 5) {
    const F two = V::SetF(2.0f);
    const F lo = V::MulF(V::MulF(two, d), s);
    const F hi = V::SubF(one, V::MulF(V::MulF(two, V::SubF(one, d)), V::SubF(one, s)));
    return V::SelF(V::AlphaMaskF(), overA, V::SelF(V::LtF(d, V::SetF(0.5f)), lo, hi));
  }
  if constexpr (Mode == 6)
    return V::SelF(V::AlphaMaskF(), overA, V::SubF(one, V::MulF(V::SubF(one, s), V::SubF(one, d))));
  if constexpr (Mode == 7) return V::MulF(V::AddF(s, d), V::SetF(0.5f));
  return d;
}

template <class V, int Mode>
void CompositeRunF(float *dst, const float *src, int width, float opacity) {
  using F = typename V::F;
  constexpr int kPx = V::kFloats / 4;
  const bool full = opacity > 0.999f;
  const F op = V::SetF(opacity), iop = V::SetF(1.0f - opacity);
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    const F s = V::LoadF(src + 4 * x), d = V::LoadF(dst + 4 * x);
    F r = CompositeModeF<V, Mode>(s, d);
    if (!full) {
      const F m = V::AddF(V::MulF(iop, d), V::MulF(r, op));
      r = Mode == 5 ? V::SelF(V::AlphaMaskF(), r, m) : m;
    }
    V::StoreF(dst + 4 * x, r);
  }
  if (x < width) CompositeRowF_C(dst + 4 * x, src + 4 * x, width - x, Mode, opacity);
}

template <class V>
void CompositeRowF(float *dst, const float *src, int width, int mode, float opacity) {
  switch (mode) {
    case 1: return CompositeRunF<V, 1>(dst, src, width, opacity);
    case 2: return CompositeRunF<V, 2>(dst, src, width, opacity);
    case 3: return CompositeRunF<V, 3>(dst, src, width, opacity);
    case 4: return CompositeRunF<V, 4>(dst, src, width, opacity);
    case 5: return CompositeRunF<V, 5>(dst, src, width, opacity);
    case 6: return CompositeRunF<V, 6>(dst, src, width, opacity);
    case 7: return CompositeRunF<V, 7>(dst, src, width, opacity);
    default: return;
  }
}

// ---- blend, multiply, masked fade ------------------------------------------------
// Blend works on the bytes of destination and source interleaved, so that
// each 16-bit pair of a lane holds (d, s) of one channel. The colours are
// clamped to 0..255 by the packs and to the destination alpha by a byte
// minimum; the alpha byte is set to 255 first, so the minimum leaves the
// destination alpha there.
template <class V>
inline typename V::I BlendClamp(typename V::I v, typename V::I d) {
  return V::MinU8(V::Or(v, V::Set32(static_cast<int>(0xFF000000u))), V::AlphaBytes(d));
}

// Any a and b of 16 bits: d a + s b in 32 bits by a multiply-add per pair.
template <class V>
void BlendRun32(uint8_t *dst, const uint8_t *src, int width, int a, int b) {
  using I = typename V::I;
  constexpr int kPx = V::kBytes / 4;
  const I ab = V::Set32(static_cast<int>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) & 0xFFFFu)));
  const I round = V::Set32(2048);
  auto sum = [&](I ds) { return V::Sra32(V::Add32(V::Madd16(ds, ab), round), 12); };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    FetchAhead(src + 4 * x);
    FetchAhead(dst + 4 * x);
    const I s = V::LoadI(src + 4 * x), d = V::LoadI(dst + 4 * x);
    const I lo = V::Zip8Lo(d, s), hi = V::Zip8Hi(d, s);
    const I v = V::Pack16(V::Pack32(sum(V::Lo8(lo)), sum(V::Hi8(lo))), V::Pack32(sum(V::Lo8(hi)), sum(V::Hi8(hi))));
    V::StoreI(dst + 4 * x, BlendClamp<V>(v, d));
  }
  if (x < width) BlendRow_C(dst + 4 * x, src + 4 * x, width - x, a, b);
}

#ifdef __AVX2__
// a, b >= 0 with a + b <= 4096 (every amount in 0..1), on byte multiply-adds.
// With a = 64 ah + al and b = 64 bh + bl (al, bl < 64, ah + bh <= 64),
// d a + s b = 64 P + Q for P = d ah + s bh <= 16320 and Q = d al + s bl <=
// 32130, both exact in 16 bits, and, as 2048 is 32 * 64,
//   (64 P + Q + 2048) >> 12 = (P + (Q >> 6) + 32) >> 6,
// the last step a rounding multiply by 2^9 (its sum stays below 2^15).
inline void BlendRunSmall(uint8_t *dst, const uint8_t *src, int width, int a, int b) {
  using V = V256;
  using I = V::I;
  constexpr int kPx = V::kBytes / 4;
  const I high = V::Set16((a >> 6) | (b >> 6) << 8), low = V::Set16((a & 63) | (b & 63) << 8);
  const I scale = V::Set16(512);
  auto sum = [&](I ds) {
    const I p = V::Add16(V::MaddUbs16(ds, high), V::Srl16(V::MaddUbs16(ds, low), 6));
    return _mm256_mulhrs_epi16(p, scale);
  };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    FetchAhead(src + 4 * x);
    FetchAhead(dst + 4 * x);
    const I s = V::LoadI(src + 4 * x), d = V::LoadI(dst + 4 * x);
    const I v = V::Pack16(sum(V::Zip8Lo(d, s)), sum(V::Zip8Hi(d, s)));
    V::StoreI(dst + 4 * x, BlendClamp<V>(v, d));
  }
  if (x < width) BlendRow_C(dst + 4 * x, src + 4 * x, width - x, a, b);
}
#endif  // __AVX2__

template <class V>
void BlendRow(uint8_t *dst, const uint8_t *src, int width, int a, int b) {
  if (a < -32768 || a > 32767 || b < -32768 || b > 32767) return BlendRow_C(dst, src, width, a, b);
#ifdef __AVX2__
  if constexpr (V::kBytes == 32)
    if (a >= 0 && b >= 0 && a + b <= 4096) return BlendRunSmall(dst, src, width, a, b);
#endif
  BlendRun32<V>(dst, src, width, a, b);
}

template <class V>
void MultiplyRow8(uint8_t *px, int width, int f, int premultiplied) {
  using O = Ops8<V>;
  using I = typename V::I;
  if (f < 0 || f > 256) return MultiplyRow8_C(px, width, f, premultiplied);
  constexpr int kPx = V::kBytes / 4;
  const I fv = V::Set16(f), c127 = V::Set16(127);
  auto half = [&](I p) {
    const I v = V::Srl16(V::Add16(V::Mul16(p, fv), c127), 8);
    if (!premultiplied) return v;
    const I a = V::Alpha16(p);
    return O::Sel(O::AlphaLanes(), a, V::Min16(v, a));
  };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    const I p = V::LoadI(px + 4 * x);
    V::StoreI(px + 4 * x, V::Pack16(half(V::Lo8(p)), half(V::Hi8(p))));
  }
  if (x < width) MultiplyRow8_C(px + 4 * x, width - x, f, premultiplied);
}

template <class V>
void MaskedFadeRow8(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int width) {
  using O = Ops8<V>;
  using I = typename V::I;
  constexpr int kPx = V::kBytes / 4;
  const I c255 = V::Set16(255);
  auto half = [&](I s, I d, I m) {
    const I mA = V::Alpha16(m);
    const I a = O::Div255(V::Add16(V::Mul16(mA, V::Alpha16(s)), V::Mul16(V::Sub16(c255, mA), V::Alpha16(d))));
    const I c = V::Min16(O::Div255(V::Add16(V::Mul16(m, s), V::Mul16(V::Sub16(c255, m), d))), a);
    return O::Sel(O::AlphaLanes(), a, c);
  };
  int x = 0;
  for (; x + kPx <= width; x += kPx) {
    const I s = V::LoadI(src + 4 * x), d = V::LoadI(dst + 4 * x), m = V::LoadI(mask + 4 * x);
    V::StoreI(dst + 4 * x, V::Pack16(half(V::Lo8(s), V::Lo8(d), V::Lo8(m)), half(V::Hi8(s), V::Hi8(d), V::Hi8(m))));
  }
  if (x < width) MaskedFadeRow8_C(dst + 4 * x, src + 4 * x, mask + 4 * x, width - x);
}

// ---- byte <-> float ---------------------------------------------------------------
template <class V>
void ToFloatRow(float *dst, const uint8_t *src, int width, float scale) {
  const auto sc = V::SetF(scale);
  const int n = 4 * width;
  int i = 0;
  for (; i + V::kFloats <= n; i += V::kFloats) V::StoreF(dst + i, V::MulF(V::BytesToF(src + i), sc));
  if (i < n) ToFloatRow_C(dst + i, src + i, (n - i) / 4, scale);
}

template <class V>
void ToByteRow(uint8_t *dst, const float *src, int width, float scale) {
  const auto sc = V::SetF(scale), half = V::SetF(0.5f), zero = V::SetF(0.0f), top = V::SetF(255.0f);
  const int n = 4 * width;
  int i = 0;
  for (; i + V::kFloats <= n; i += V::kFloats) {
    const auto t = V::MinF(V::MaxF(V::AddF(V::MulF(V::LoadF(src + i), sc), half), zero), top);
    V::IntsToBytes(dst + i, V::TruncI(t));
  }
  if (i < n) ToByteRow_C(dst + i, src + i, (n - i) / 4, scale);
}

// ---- recursive Gaussian --------------------------------------------------------
// One step of the recursion: ((b x + a3 h3) + a2 h2) + a1 h1, the order the
// scalar reference uses.
template <class V>
inline typename V::F GaussStep(typename V::F x, typename V::F h1, typename V::F h2, typename V::F h3,
                               typename V::F b, typename V::F a1, typename V::F a2, typename V::F a3) {
  return V::AddF(V::AddF(V::AddF(V::MulF(b, x), V::MulF(a3, h3)), V::MulF(a2, h2)), V::MulF(a1, h1));
}

// The pixel of row r (and r + 1 on 256-bit registers) as floats.
template <class V, bool Bytes>
inline typename V::F LoadPixels(const uint8_t *row, ptrdiff_t stride, int x) {
  if constexpr (V::kFloats == 4) {
    if constexpr (Bytes) return V::BytesToF(row + 4 * x);
    else return V::LoadF(reinterpret_cast<const float *>(row) + 4 * x);
  } else {
    __m128 a, b;
    if constexpr (Bytes) {
      a = V128::BytesToF(row + 4 * x);
      b = V128::BytesToF(row + stride + 4 * x);
    } else {
      a = _mm_loadu_ps(reinterpret_cast<const float *>(row) + 4 * x);
      b = _mm_loadu_ps(reinterpret_cast<const float *>(row + stride) + 4 * x);
    }
    return _mm256_set_m128(b, a);
  }
}
template <class V>
inline typename V::F LoadTemp(const float *row, ptrdiff_t tstride, int x) {
  if constexpr (V::kFloats == 4) return V::LoadF(row + 4 * x);
  else return _mm256_set_m128(_mm_loadu_ps(row + tstride + 4 * x), _mm_loadu_ps(row + 4 * x));
}
template <class V>
inline void StoreTemp(float *row, ptrdiff_t tstride, int x, typename V::F v) {
  if constexpr (V::kFloats == 4) {
    V::StoreF(row + 4 * x, v);
  } else {
    _mm_storeu_ps(row + 4 * x, _mm256_castps256_ps128(v));
    _mm_storeu_ps(row + tstride + 4 * x, _mm256_extractf128_ps(v, 1));
  }
}
template <class V>
inline typename V::F CoefPair(float first, float second) {
  if constexpr (V::kFloats == 4) return V::SetF(first);
  else return _mm256_set_m128(_mm_set1_ps(second), _mm_set1_ps(first));
}

// Rows in groups: four independent recursions in flight (four rows on
// 128-bit registers, eight on 256-bit ones), so that the chain of each row
// hides the latency of the others.
template <class V, bool Bytes>
void GaussRows(const void *img, ptrdiff_t stride, float *temp, ptrdiff_t tstride, int width, int rows,
               const GaussCoef *coef) {
  using F = typename V::F;
  constexpr int kPerVec = V::kFloats / 4, kChains = 4, kGroup = kChains * kPerVec;
  const auto *base = static_cast<const uint8_t *>(img);
  const F small = V::SetF(kGaussSmall);
  int r0 = 0;
  for (; r0 + kGroup <= rows; r0 += kGroup) {
    const uint8_t *src[kChains];
    float *tmp[kChains];
    F b[kChains], a1[kChains], a2[kChains], a3[kChains], h1[kChains], h2[kChains], h3[kChains];
    for (int k = 0; k < kChains; ++k) {
      const int r = r0 + k * kPerVec;
      const GaussCoef &c0 = coef[r], &c1 = coef[r + kPerVec - 1];
      src[k] = base + stride * r;
      tmp[k] = temp + tstride * r;
      b[k] = CoefPair<V>(c0.b, c1.b);
      a1[k] = CoefPair<V>(c0.a1, c1.a1);
      a2[k] = CoefPair<V>(c0.a2, c1.a2);
      a3[k] = CoefPair<V>(c0.a3, c1.a3);
      h1[k] = h2[k] = h3[k] = LoadPixels<V, Bytes>(src[k], stride, 0);
    }
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < kChains; ++k) {
        const F w = GaussStep<V>(LoadPixels<V, Bytes>(src[k], stride, x), h1[k], h2[k], h3[k], b[k], a1[k], a2[k], a3[k]);
        StoreTemp<V>(tmp[k], tstride, x, w);
        h3[k] = h2[k];
        h2[k] = h1[k];
        h1[k] = w;
      }
    }
    for (int k = 0; k < kChains; ++k) h1[k] = h2[k] = h3[k] = LoadTemp<V>(tmp[k], tstride, width - 1);
    for (int x = width - 1; x >= 0; --x) {
      for (int k = 0; k < kChains; ++k) {
        const F y = GaussStep<V>(LoadTemp<V>(tmp[k], tstride, x), h1[k], h2[k], h3[k], b[k], a1[k], a2[k], a3[k]);
        StoreTemp<V>(tmp[k], tstride, x, V::AndF(V::GeF(y, small), y));
        h3[k] = h2[k];
        h2[k] = h1[k];
        h1[k] = y;
      }
    }
  }
  if (r0 < rows) {
    if constexpr (Bytes) GaussRows8_C(base + stride * r0, stride, temp + tstride * r0, tstride, width, rows - r0, coef + r0);
    else GaussRowsF_C(base + stride * r0, stride, temp + tstride * r0, tstride, width, rows - r0, coef + r0);
  }
}

// Columns: the recursion runs down (and then up) all columns of a run of
// rows at once, row by row, so every access is a run of consecutive floats.
// A vector covers one pixel (128-bit) or two (256-bit); the coefficients of
// its columns, the same for all when coefStep is 0.
template <class V>
struct ColCoef {
  typename V::F b, a1, a2, a3;
};
template <class V>
inline ColCoef<V> CoefsAt(const GaussCoef *coef, int c, int coefStep) {
  const GaussCoef &k0 = coef[c * coefStep], &k1 = coef[(c + V::kFloats / 4 - 1) * coefStep];
  return {CoefPair<V>(k0.b, k1.b), CoefPair<V>(k0.a1, k1.a1), CoefPair<V>(k0.a2, k1.a2), CoefPair<V>(k0.a3, k1.a3)};
}

// Floats i0..i1 of one row of the downward pass, in place.
template <class W, bool Each>
inline void DownSpan(float *cur, const float *h1, const float *h2, const float *h3, int i0, int i1,
                     const GaussCoef *coef) {
  ColCoef<W> k = CoefsAt<W>(coef, 0, 0);
  for (int i = i0; i + W::kFloats <= i1; i += W::kFloats) {
    if constexpr (Each) k = CoefsAt<W>(coef, i / 4, 1);
    W::StoreF(cur + i, GaussStep<W>(W::LoadF(cur + i), W::LoadF(h1 + i), W::LoadF(h2 + i), W::LoadF(h3 + i), k.b,
                                    k.a1, k.a2, k.a3));
  }
}

// Rows y0 .. y0 + rows - 1 of the downward pass; `first` gets row 0 as the
// horizontal pass left it (the history above the top) when y0 is 0. The
// pixel left over by 256-bit vectors goes through one 128-bit vector.
template <class V>
void GaussDown(float *temp, ptrdiff_t tstride, float *first, int y0, int rows, int cols, const GaussCoef *coef,
               int coefStep) {
  const int n = 4 * cols, nv = n / V::kFloats * V::kFloats;
  if (y0 == 0) std::copy(temp, temp + n, first);
  for (int y = y0; y < y0 + rows; ++y) {
    float *cur = temp + tstride * y;
    const float *h1 = y >= 1 ? cur - tstride : first;
    const float *h2 = y >= 2 ? cur - 2 * tstride : first;
    const float *h3 = y >= 3 ? cur - 3 * tstride : first;
    if (coefStep) {
      DownSpan<V, true>(cur, h1, h2, h3, 0, nv, coef);
      DownSpan<V128, true>(cur, h1, h2, h3, nv, n, coef);
    } else {
      DownSpan<V, false>(cur, h1, h2, h3, 0, nv, coef);
      DownSpan<V128, false>(cur, h1, h2, h3, nv, n, coef);
    }
  }
}

// Floats i0..i1 of one row of the upward pass: the unrounded results to
// `raw`, the image row gets them with the small-value rule applied. For
// bytes the rule needs no step of its own: trunc(min(max(v + 0.5, 0), 255))
// is 0 for every v below 0.5, NaN included, and so is
// saturate(trunc(min(255, v + 0.5))), whose min gives NaN back and whose
// conversion turns NaN and every value out of range below into a negative.
template <class W, bool Bytes, bool Each>
inline void UpSpan(const float *cur, const float *h1, const float *h2, const float *h3, float *raw, uint8_t *orow,
                   int i0, int i1, const GaussCoef *coef, const float *next) {
  using F = typename W::F;
  const F small = W::SetF(kGaussSmall), half = W::SetF(0.5f), top = W::SetF(255.0f);
  ColCoef<W> k = CoefsAt<W>(coef, 0, 0);
  auto result = [&](int i) {
    if constexpr (Each) k = CoefsAt<W>(coef, i / 4, 1);
    const F r = GaussStep<W>(W::LoadF(cur + i), W::LoadF(h1 + i), W::LoadF(h2 + i), W::LoadF(h3 + i), k.b, k.a1,
                             k.a2, k.a3);
    W::StoreF(raw + i, r);
    return r;
  };
  auto level = [&](int i) { return W::TruncI(W::MinF(top, W::AddF(result(i), half))); };
  int i = i0;
  if constexpr (Bytes) {
    for (; i + 4 * W::kFloats <= i1; i += 4 * W::kFloats) {  // four vectors to one store
      for (int j = 0; j < 4 * W::kFloats; j += 16) _mm_prefetch(reinterpret_cast<const char *>(next + i + j), _MM_HINT_T0);
      const auto a = level(i), b = level(i + W::kFloats), c = level(i + 2 * W::kFloats);
      W::IntsToBytes4(orow + i, a, b, c, level(i + 3 * W::kFloats));
    }
    for (; i + W::kFloats <= i1; i += W::kFloats) W::IntsToBytes(orow + i, level(i));
  } else {
    for (; i + W::kFloats <= i1; i += W::kFloats) {
      if (i % 16 == 0) _mm_prefetch(reinterpret_cast<const char *>(next + i), _MM_HINT_T0);
      const F r = result(i);
      W::StoreF(reinterpret_cast<float *>(orow) + i, W::AndF(W::GeF(r, small), r));
    }
  }
}

// The upward pass over all rows, bottom first. The temp rows (the downward
// results) stay as they are; the unrounded results the recursion runs on
// go round `ring` (three rows of 4 cols floats), and the history below the
// bottom row is that row's downward result.
template <class V, bool Bytes>
void GaussUp(const float *temp, ptrdiff_t tstride, float *ring, void *img, ptrdiff_t stride, int height, int cols,
             const GaussCoef *coef, int coefStep) {
  const int n = 4 * cols, nv = n / V::kFloats * V::kFloats;
  const float *last = temp + tstride * (height - 1);
  auto below = [&](int y) -> const float * { return y < height ? ring + n * (y % 3) : last; };
  for (int y = height - 1; y >= 0; --y) {
    const float *cur = temp + tstride * y, *h1 = below(y + 1), *h2 = below(y + 2), *h3 = below(y + 3);
    float *raw = ring + n * (y % 3);
    uint8_t *orow = static_cast<uint8_t *>(img) + stride * y;
    const float *next = y > 0 ? cur - tstride : cur;  // the row after, fetched ahead
    if (coefStep) {
      UpSpan<V, Bytes, true>(cur, h1, h2, h3, raw, orow, 0, nv, coef, next);
      UpSpan<V128, Bytes, true>(cur, h1, h2, h3, raw, orow, nv, n, coef, next);
    } else {
      UpSpan<V, Bytes, false>(cur, h1, h2, h3, raw, orow, 0, nv, coef, next);
      UpSpan<V128, Bytes, false>(cur, h1, h2, h3, raw, orow, nv, n, coef, next);
    }
  }
}

}  // namespace ko::imageops::simd
