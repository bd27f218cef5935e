// SSE2 forms of the 8-bit scaler rows; bit-identical to the scalar rows.
#include <emmintrin.h>

#include <cstring>

#include "pixels/scale.h"

namespace ko::pixels::scale {
namespace {

inline __m128i Load32(const uint8_t *p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(v);
}

// Per column four dwords: high parts (bits 12 and up) of w00|w10 and w01|w11,
// then the low 12 bits of the same pairs, each pair as two 16-bit words, so
// that pmaddwd can apply them. The weight (a * b) >> 4 splits exactly into
// (a * b) >> 16 and ((a * b) & 0xFFFF) >> 4.
void PackedWeights(uint32_t fy, const uint16_t *fx, int n, uint32_t *w) {
  const __m128i one = _mm_set1_epi16(16384);
  const __m128i vy = _mm_set1_epi16(int16_t(fy)), gy = _mm_set1_epi16(int16_t(16384 - fy));
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i *>(fx + j));
    const __m128i g = _mm_sub_epi16(one, f);
    const __m128i h00 = _mm_mulhi_epu16(g, gy), h10 = _mm_mulhi_epu16(f, gy);
    const __m128i h01 = _mm_mulhi_epu16(g, vy), h11 = _mm_mulhi_epu16(f, vy);
    const __m128i l00 = _mm_srli_epi16(_mm_mullo_epi16(g, gy), 4);
    const __m128i l10 = _mm_srli_epi16(_mm_mullo_epi16(f, gy), 4);
    const __m128i l01 = _mm_srli_epi16(_mm_mullo_epi16(g, vy), 4);
    const __m128i l11 = _mm_srli_epi16(_mm_mullo_epi16(f, vy), 4);
    for (int half = 0; half < 2; ++half) {
      __m128 a = _mm_castsi128_ps(half ? _mm_unpackhi_epi16(h00, h10) : _mm_unpacklo_epi16(h00, h10));
      __m128 b = _mm_castsi128_ps(half ? _mm_unpackhi_epi16(h01, h11) : _mm_unpacklo_epi16(h01, h11));
      __m128 c = _mm_castsi128_ps(half ? _mm_unpackhi_epi16(l00, l10) : _mm_unpacklo_epi16(l00, l10));
      __m128 d = _mm_castsi128_ps(half ? _mm_unpackhi_epi16(l01, l11) : _mm_unpacklo_epi16(l01, l11));
      _MM_TRANSPOSE4_PS(a, b, c, d);
      float *o = reinterpret_cast<float *>(w + 4 * (j + 4 * half));
      _mm_storeu_ps(o, a);
      _mm_storeu_ps(o + 4, b);
      _mm_storeu_ps(o + 8, c);
      _mm_storeu_ps(o + 12, d);
    }
  }
  for (; j < n; ++j) {
    const uint32_t f = fx[j], g = 16384 - f, ay = 16384 - fy;
    const uint32_t p00 = g * ay, p10 = f * ay, p01 = g * fy, p11 = f * fy;
    w[4 * j + 0] = (p00 >> 16) | (p10 >> 16) << 16;
    w[4 * j + 1] = (p01 >> 16) | (p11 >> 16) << 16;
    w[4 * j + 2] = ((p00 & 0xFFFF) >> 4) | ((p10 & 0xFFFF) >> 4) << 16;
    w[4 * j + 3] = ((p01 & 0xFFFF) >> 4) | ((p11 & 0xFFFF) >> 4) << 16;
  }
}

inline __m128i BilinearPixel(const uint8_t *r0, const uint8_t *r1, int32_t o0, int32_t o1,
                             const uint32_t *w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ww = _mm_loadu_si128(reinterpret_cast<const __m128i *>(w));
  const __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load32(r0 + o0), Load32(r0 + o1)), zero);
  const __m128i bot = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load32(r1 + o0), Load32(r1 + o1)), zero);
  const __m128i hi = _mm_add_epi32(_mm_madd_epi16(top, _mm_shuffle_epi32(ww, 0x00)),
                                   _mm_madd_epi16(bot, _mm_shuffle_epi32(ww, 0x55)));
  const __m128i lo = _mm_add_epi32(_mm_madd_epi16(top, _mm_shuffle_epi32(ww, 0xAA)),
                                   _mm_madd_epi16(bot, _mm_shuffle_epi32(ww, 0xFF)));
  const __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(hi, 12), lo),
                                    _mm_set1_epi32(0x800000));
  return _mm_srli_epi32(sum, 24);
}

inline __m128i DivRound14(__m128i s) {
  // (s + 8192) / 16384 with C truncation towards zero.
  s = _mm_add_epi32(s, _mm_set1_epi32(8192));
  return _mm_srai_epi32(_mm_add_epi32(s, _mm_and_si128(_mm_srai_epi32(s, 31), _mm_set1_epi32(16383))), 14);
}

}  // namespace

void BilinearPackedWeights_SSE2(uint32_t fy, const uint16_t *fx, int n, uint32_t *w) {
  PackedWeights(fy, fx, n, w);
}

void BilinearRow_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                      uint8_t *out, uint32_t *scratch) {
  PackedWeights(fy, c.fx, c.count, scratch);
  int j = 0;
  for (; j + 4 <= c.count; j += 4) {
    const __m128i a = BilinearPixel(r0, r1, c.xo0[j], c.xo1[j], scratch + 4 * j);
    const __m128i b = BilinearPixel(r0, r1, c.xo0[j + 1], c.xo1[j + 1], scratch + 4 * j + 4);
    const __m128i d = BilinearPixel(r0, r1, c.xo0[j + 2], c.xo1[j + 2], scratch + 4 * j + 8);
    const __m128i e = BilinearPixel(r0, r1, c.xo0[j + 3], c.xo1[j + 3], scratch + 4 * j + 12);
    const __m128i px = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(d, e));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), px);
  }
  for (; j < c.count; ++j) {
    const __m128i a = BilinearPixel(r0, r1, c.xo0[j], c.xo1[j], scratch + 4 * j);
    const __m128i p = _mm_packus_epi16(_mm_packs_epi32(a, a), a);
    const int32_t v = _mm_cvtsi128_si32(p);
    std::memcpy(out + 4 * j, &v, 4);
  }
}

void CubicHRow_SSE2(const uint8_t *row, const CubicCols &c, int16_t *out) {
  const __m128i zero = _mm_setzero_si128();
  auto pixel = [&](int j) {
    const int32_t *o = c.off + 4 * j;
    const __m128i wv = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(c.w + 4 * j));
    const __m128i a = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load32(row + o[0]), Load32(row + o[1])), zero);
    const __m128i b = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load32(row + o[2]), Load32(row + o[3])), zero);
    const __m128i s = _mm_add_epi32(_mm_madd_epi16(a, _mm_shuffle_epi32(wv, 0x00)),
                                    _mm_madd_epi16(b, _mm_shuffle_epi32(wv, 0x55)));
    return DivRound14(s);
  };
  int j = 0;
  for (; j + 2 <= c.count; j += 2)
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), _mm_packs_epi32(pixel(j), pixel(j + 1)));
  for (; j < c.count; ++j) {
    const __m128i q = pixel(j);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 4 * j), _mm_packs_epi32(q, q));
  }
}

void CubicVRow_SSE2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  const __m128i wa = _mm_set1_epi32(int32_t(uint16_t(w[0]) | uint32_t(uint16_t(w[1])) << 16));
  const __m128i wb = _mm_set1_epi32(int32_t(uint16_t(w[2]) | uint32_t(uint16_t(w[3])) << 16));
  int j = 0;
  for (; j + 2 <= count; j += 2) {
    __m128i r[4];
    for (int t = 0; t < 4; ++t)
      r[t] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[t] + 4 * j));
    const __m128i lo = DivRound14(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(r[0], r[1]), wa),
                                                _mm_madd_epi16(_mm_unpacklo_epi16(r[2], r[3]), wb)));
    const __m128i hi = DivRound14(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(r[0], r[1]), wa),
                                                _mm_madd_epi16(_mm_unpackhi_epi16(r[2], r[3]), wb)));
    const __m128i p = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 4 * j), _mm_packus_epi16(p, p));
  }
  for (; j < count; ++j) {
    __m128i r[4];
    for (int t = 0; t < 4; ++t)
      r[t] = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(rows[t] + 4 * j));
    const __m128i lo = DivRound14(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(r[0], r[1]), wa),
                                                _mm_madd_epi16(_mm_unpacklo_epi16(r[2], r[3]), wb)));
    const __m128i p = _mm_packs_epi32(lo, lo);
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(p, p));
    std::memcpy(out + 4 * j, &v, 4);
  }
}

// Same operations in the same order as the scalar row, four channels at once.
void BilinearRowF_SSE2(const float *r0, const float *r1, uint32_t fyi, const BilinearColsF &c,
                       float *out) {
  const float inv = 1.0f / 16384.0f;
  const float fy = float(fyi) * inv, gy = 1.0f - fy;
  for (int j = 0; j < c.count; ++j) {
    const float fx = float(c.fx[j]) * inv, gx = 1.0f - fx;
    const __m128 w00 = _mm_set1_ps(gx * gy), w10 = _mm_set1_ps(fx * gy);
    const __m128 w01 = _mm_set1_ps(gx * fy), w11 = _mm_set1_ps(fx * fy);
    const __m128 p00 = _mm_loadu_ps(r0 + 4 * size_t(c.x0[j])), p10 = _mm_loadu_ps(r0 + 4 * size_t(c.x1[j]));
    const __m128 p01 = _mm_loadu_ps(r1 + 4 * size_t(c.x0[j])), p11 = _mm_loadu_ps(r1 + 4 * size_t(c.x1[j]));
    const __m128 top = _mm_add_ps(_mm_mul_ps(p00, w00), _mm_mul_ps(p10, w10));
    _mm_storeu_ps(out + 4 * j, _mm_add_ps(_mm_add_ps(top, _mm_mul_ps(p01, w01)), _mm_mul_ps(p11, w11)));
  }
}

void Area2DRow_SSE2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *,
                    uint16_t *w16) {
  const __m128i zero = _mm_setzero_si128();
  const int taps = c.tapStart[c.count];
  // Tap weights (wx * wy) >> 14 for every source row of the footprint, from
  // the 16-bit halves of the product.
  for (int t = 0; t < r.count; ++t) {
    uint16_t *wt = w16 + size_t(t) * taps;
    const __m128i wy = _mm_set1_epi16(int16_t(r.w[t]));
    int i = 0;
    for (; i + 8 <= taps; i += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c.tapW + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c.tapW + i + 4));
      const __m128i wx = _mm_packs_epi32(a, b);  // widths are at most 16384
      const __m128i w = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(wx, wy), 2),
                                     _mm_srli_epi16(_mm_mullo_epi16(wx, wy), 14));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(wt + i), w);
    }
    for (; i < taps; ++i) wt[i] = uint16_t((uint32_t(c.tapW[i]) * uint32_t(r.w[t])) >> 14);
  }
  // Quotients by multiplying with the reciprocal and correcting by one where
  // the product fell on the wrong side of an integer: exact, as sums stay
  // below 2^31 and every intermediate is an exact double.
  uint64_t lastDiv = 0;
  __m128d div = _mm_set1_pd(1.0), rcp = _mm_set1_pd(1.0);
  const __m128d one = _mm_set1_pd(1.0), zd = _mm_setzero_pd();
  auto quotientPair = [&](__m128d a) {
    const __m128d q = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(a, rcp)));
    const __m128d rem = _mm_sub_pd(a, _mm_mul_pd(q, div));
    const __m128d up = _mm_and_pd(_mm_cmpge_pd(rem, div), one);
    const __m128d down = _mm_and_pd(_mm_cmplt_pd(rem, zd), one);
    return _mm_cvttpd_epi32(_mm_sub_pd(_mm_add_pd(q, up), down));
  };
  auto pixel = [&](int j) {
    __m128i a = zero;
    const int begin = c.tapStart[j], end = c.tapStart[j + 1];
    for (int t = 0; t < r.count; ++t) {
      const uint8_t *row = r.rows[t];
      const uint16_t *wt = w16 + size_t(t) * taps;
      int tx = begin;
      for (; tx + 2 <= end; tx += 2) {
        const __m128i v = _mm_unpacklo_epi8(
            _mm_unpacklo_epi8(Load32(row + c.tapOff[tx]), Load32(row + c.tapOff[tx + 1])), zero);
        const __m128i w = _mm_set1_epi32(int32_t(uint32_t(wt[tx]) | uint32_t(wt[tx + 1]) << 16));
        a = _mm_add_epi32(a, _mm_madd_epi16(v, w));
      }
      if (tx < end) {
        const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(Load32(row + c.tapOff[tx]), zero), zero);
        a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(int32_t(wt[tx]))));
      }
    }
    uint64_t d = (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14;
    if (d == 0) d = 1;
    if (d != lastDiv) {
      lastDiv = d;
      div = _mm_set1_pd(double(d));
      rcp = _mm_set1_pd(1.0 / double(d));
    }
    return _mm_unpacklo_epi64(quotientPair(_mm_cvtepi32_pd(a)),
                              quotientPair(_mm_cvtepi32_pd(_mm_srli_si128(a, 8))));
  };
  int j = 0;
  for (; j + 4 <= c.count; j += 4) {
    const __m128i q0 = pixel(j), q1 = pixel(j + 1), q2 = pixel(j + 2), q3 = pixel(j + 3);
    const __m128i p = _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), p);
  }
  for (; j < c.count; ++j) {
    const __m128i q = _mm_packs_epi32(pixel(j), zero);
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(q, q));
    std::memcpy(out + 4 * j, &v, 4);
  }
}

}  // namespace ko::pixels::scale
