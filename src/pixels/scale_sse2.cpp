// SSE2 forms of the scaler rows; bit-identical to the scalar rows.
#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "pixels/scale.h"

namespace ko::pixels::scale {
namespace {

inline __m128i Load32(const uint8_t *p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(v);
}

// Quotients of four 32-bit sums (below 2^31) by one divisor: multiply by the
// reciprocal and correct by one where the product fell on the wrong side of
// an integer; exact, as every intermediate is an exact double.
class Quotient {
 public:
  __m128i Divide(__m128i a, uint64_t d) {
    if (d != last_) {
      last_ = d;
      div_ = _mm_set1_pd(double(d));
      rcp_ = _mm_set1_pd(1.0 / double(d));
    }
    return _mm_unpacklo_epi64(Pair(_mm_cvtepi32_pd(a)), Pair(_mm_cvtepi32_pd(_mm_srli_si128(a, 8))));
  }

 private:
  __m128i Pair(__m128d a) const {
    const __m128d one = _mm_set1_pd(1.0), zd = _mm_setzero_pd();
    const __m128d q = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(a, rcp_)));
    const __m128d rem = _mm_sub_pd(a, _mm_mul_pd(q, div_));
    const __m128d up = _mm_and_pd(_mm_cmpge_pd(rem, div_), one);
    const __m128d down = _mm_and_pd(_mm_cmplt_pd(rem, zd), one);
    return _mm_cvttpd_epi32(_mm_sub_pd(_mm_add_pd(q, up), down));
  }
  uint64_t last_ = 0;
  __m128d div_ = _mm_set1_pd(1.0), rcp_ = _mm_set1_pd(1.0);
};

// Stores the per-pixel quotients of pixel(j) as bytes, saturated at 255.
template <typename Pixel>
void StoreQuotients(int count, Pixel &&pixel, uint8_t *out) {
  const __m128i zero = _mm_setzero_si128();
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    const __m128i q0 = pixel(j), q1 = pixel(j + 1), q2 = pixel(j + 2), q3 = pixel(j + 3);
    const __m128i p = _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), p);
  }
  for (; j < count; ++j) {
    const __m128i q = _mm_packs_epi32(pixel(j), zero);
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(q, q));
    std::memcpy(out + 4 * j, &v, 4);
  }
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
  Quotient q;
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
    return q.Divide(a, d == 0 ? 1 : d);
  };
  StoreQuotients(c.count, pixel, out);
}

// Same sums in the same order as the scalar float row (source rows outer,
// taps inner, weight (wx * wy) >> 14 as a float), four channels at once.
void Area2DRowF_SSE2(const AreaRows &r, const AreaCols &c, float *out) {
  for (int j = 0; j < c.count; ++j) {
    __m128 a = _mm_setzero_ps();
    const int begin = c.tapStart[j], end = c.tapStart[j + 1];
    for (int t = 0; t < r.count; ++t) {
      const uint8_t *row = r.rows[t];
      const uint32_t wy = uint32_t(r.w[t]);
      for (int tx = begin; tx < end; ++tx) {
        const __m128 w = _mm_set1_ps(float((uint32_t(c.tapW[tx]) * wy) >> 14));
        const __m128 p = _mm_loadu_ps(reinterpret_cast<const float *>(row + c.tapOff[tx]));
        a = _mm_add_ps(a, _mm_mul_ps(p, w));
      }
    }
    uint64_t d = (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14;
    if (d == 0) d = 1;
    _mm_storeu_ps(out + 4 * size_t(j), _mm_div_ps(a, _mm_set1_ps(float(d))));
  }
}

void AreaXBilinRow_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const AreaCols &c,
                        uint8_t *out) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(8192);
  // (gy, fy) word pairs: pmaddwd gives r0 * gy + r1 * fy per channel.
  const __m128i wv = _mm_set1_epi32(int32_t((16384 - fy) | (fy << 16)));
  Quotient q;
  auto pixel = [&](int j) {
    __m128i a = zero;
    for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
      const __m128i v = _mm_unpacklo_epi8(
          _mm_unpacklo_epi8(Load32(r0 + c.tapOff[tx]), Load32(r1 + c.tapOff[tx])), zero);
      const __m128i b = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(v, wv), half), 14);
      // b is at most 255 with a clear upper word; widths are at most 16384.
      a = _mm_add_epi32(a, _mm_madd_epi16(b, _mm_set1_epi32(c.tapW[tx])));
    }
    return q.Divide(a, uint64_t(c.span[j] > 0 ? c.span[j] : 1));
  };
  StoreQuotients(c.count, pixel, out);
}


// ---- Mixed area kernels, 8-bit -------------------------------------------------

void BilinVLine8_SSE2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, int count, uint8_t *out) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(8192);
  const __m128i wv = _mm_set1_epi32(int32_t((16384 - fy) | (fy << 16)));
  const int n = 4 * count;
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r0 + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r1 + i));
    const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
    __m128i q[4];
    q[0] = _mm_unpacklo_epi8(lo, zero);
    q[1] = _mm_unpackhi_epi8(lo, zero);
    q[2] = _mm_unpacklo_epi8(hi, zero);
    q[3] = _mm_unpackhi_epi8(hi, zero);
    for (auto &v : q) v = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(v, wv), half), 14);
    const __m128i p = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), p);
  }
  for (; i < n; ++i) out[i] = uint8_t((r0[i] * (16384 - fy) + r1[i] * fy + 8192) >> 14);
}

void CubicVLine8_SSE2(const uint8_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wa = _mm_set1_epi32(int32_t(uint16_t(w[0]) | uint32_t(uint16_t(w[1])) << 16));
  const __m128i wb = _mm_set1_epi32(int32_t(uint16_t(w[2]) | uint32_t(uint16_t(w[3])) << 16));
  const int n = 4 * count;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i r[4];
    for (int t = 0; t < 4; ++t)
      r[t] = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(rows[t] + i)), zero);
    const __m128i lo = DivRound14(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(r[0], r[1]), wa),
                                                _mm_madd_epi16(_mm_unpacklo_epi16(r[2], r[3]), wb)));
    const __m128i hi = DivRound14(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(r[0], r[1]), wa),
                                                _mm_madd_epi16(_mm_unpackhi_epi16(r[2], r[3]), wb)));
    const __m128i p = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(p, p));
  }
  for (; i < n; ++i) {
    int sum = 8192;
    for (int t = 0; t < 4; ++t) sum += w[t] * rows[t][i];
    sum /= 16384;
    out[i] = uint8_t(sum < 0 ? 0 : sum > 255 ? 255 : sum);
  }
}

void BilinHRow8_SSE2(const uint8_t *row, const BilinearCols &c, int16_t *out) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(8192);
  auto pixel = [&](int j) {
    const uint32_t f = c.fx[j];
    const __m128i wv = _mm_set1_epi32(int32_t((16384 - f) | (f << 16)));
    const __m128i v = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load32(row + c.xo0[j]), Load32(row + c.xo1[j])), zero);
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(v, wv), half), 14);
  };
  int j = 0;
  for (; j + 2 <= c.count; j += 2)
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), _mm_packs_epi32(pixel(j), pixel(j + 1)));
  for (; j < c.count; ++j) {
    const __m128i q = pixel(j);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 4 * j), _mm_packs_epi32(q, q));
  }
}

void ClampRow8_SSE2(int16_t *v, int n) {
  const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i *p = reinterpret_cast<__m128i *>(v + i);
    _mm_storeu_si128(p, _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128(p), zero), top));
  }
  for (; i < n; ++i) v[i] = int16_t(v[i] < 0 ? 0 : v[i] > 255 ? 255 : v[i]);
}

// The words are 0..255 and w at most 16384: pmaddwd with (w, 0) pairs gives
// the exact products.
void AccumulateRow8_SSE2(const int16_t *v, int n, uint32_t w, uint32_t *acc) {
  const __m128i zero = _mm_setzero_si128(), wv = _mm_set1_epi32(int32_t(w));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(v + i));
    __m128i *a = reinterpret_cast<__m128i *>(acc + i);
    _mm_storeu_si128(a, _mm_add_epi32(_mm_loadu_si128(a), _mm_madd_epi16(_mm_unpacklo_epi16(x, zero), wv)));
    _mm_storeu_si128(a + 1, _mm_add_epi32(_mm_loadu_si128(a + 1), _mm_madd_epi16(_mm_unpackhi_epi16(x, zero), wv)));
  }
  for (; i < n; ++i) acc[i] += uint32_t(v[i]) * w;
}

void AccumulateRow8Wide_SSE2(const int16_t *v, int n, uint32_t w, uint64_t *acc) {
  const __m128i zero = _mm_setzero_si128(), wv = _mm_set1_epi32(int32_t(w));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(v + i));
    const __m128i p = _mm_madd_epi16(_mm_unpacklo_epi16(x, zero), wv);
    __m128i *a = reinterpret_cast<__m128i *>(acc + i);
    _mm_storeu_si128(a, _mm_add_epi64(_mm_loadu_si128(a), _mm_unpacklo_epi32(p, zero)));
    _mm_storeu_si128(a + 1, _mm_add_epi64(_mm_loadu_si128(a + 1), _mm_unpackhi_epi32(p, zero)));
  }
  for (; i < n; ++i) acc[i] += uint64_t(uint32_t(v[i]) * w);
}

void DivideRow8_SSE2(const uint32_t *acc, int n, uint64_t div, uint8_t *out) {
  Quotient q;
  const int count = n / 4;
  StoreQuotients(count, [&](int j) {
    return q.Divide(_mm_loadu_si128(reinterpret_cast<const __m128i *>(acc + 4 * j)), div);
  }, out);
}

void AreaXLine8_SSE2(const uint8_t *line, const AreaCols &c, uint8_t *out) {
  const __m128i zero = _mm_setzero_si128();
  Quotient q;
  auto pixel = [&](int j) {
    __m128i a = zero;
    int tx = c.tapStart[j];
    const int end = c.tapStart[j + 1];
    for (; tx + 2 <= end; tx += 2) {
      const __m128i v = _mm_unpacklo_epi8(
          _mm_unpacklo_epi8(Load32(line + c.tapOff[tx]), Load32(line + c.tapOff[tx + 1])), zero);
      a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(int32_t(uint32_t(c.tapW[tx]) | uint32_t(c.tapW[tx + 1]) << 16))));
    }
    if (tx < end) {
      const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(Load32(line + c.tapOff[tx]), zero), zero);
      a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(c.tapW[tx])));
    }
    return q.Divide(a, uint64_t(c.span[j] > 0 ? c.span[j] : 1));
  };
  StoreQuotients(c.count, pixel, out);
}

namespace {
// Sums of 32-bit lanes folded into 64-bit totals often enough that a lane
// never passes 2^31: a tap adds at most 255 x 16384 < 2^22.
constexpr int kWideChunk = 256;

inline void AddWide(__m128i a, uint64_t t[4]) {
  alignas(16) uint32_t v[4];
  _mm_store_si128(reinterpret_cast<__m128i *>(v), a);
  for (int ch = 0; ch < 4; ++ch) t[ch] += v[ch];
}

inline void StoreWide(const uint64_t t[4], uint64_t div, uint8_t *out) {
  for (int ch = 0; ch < 4; ++ch) {
    const uint64_t v = t[ch] / div;
    out[ch] = uint8_t(v < 255 ? v : 255);
  }
}
}  // namespace

void AreaXLine8Wide_SSE2(const uint8_t *line, const AreaCols &c, uint8_t *out) {
  const __m128i zero = _mm_setzero_si128();
  for (int j = 0; j < c.count; ++j) {
    uint64_t t[4] = {0, 0, 0, 0};
    const int end = c.tapStart[j + 1];
    for (int tx = c.tapStart[j]; tx < end;) {
      const int stop = end - tx > kWideChunk ? tx + kWideChunk : end;
      __m128i a = zero;
      for (; tx < stop; ++tx) {
        const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(Load32(line + c.tapOff[tx]), zero), zero);
        a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(c.tapW[tx])));
      }
      AddWide(a, t);
    }
    StoreWide(t, uint64_t(c.span[j] > 0 ? c.span[j] : 1), out + 4 * size_t(j));
  }
}

void Area2DRowWide_SSE2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint16_t *w16) {
  const __m128i zero = _mm_setzero_si128();
  const int taps = c.tapStart[c.count];
  for (int t = 0; t < r.count; ++t) {
    uint16_t *wt = w16 + size_t(t) * taps;
    for (int i = 0; i < taps; ++i) wt[i] = uint16_t((uint32_t(c.tapW[i]) * uint32_t(r.w[t])) >> 14);
  }
  for (int j = 0; j < c.count; ++j) {
    uint64_t tot[4] = {0, 0, 0, 0};
    const int begin = c.tapStart[j], end = c.tapStart[j + 1];
    for (int t = 0; t < r.count; ++t) {
      const uint8_t *row = r.rows[t];
      const uint16_t *wt = w16 + size_t(t) * taps;
      for (int tx = begin; tx < end;) {
        const int stop = end - tx > kWideChunk ? tx + kWideChunk : end;
        __m128i a = zero;
        for (; tx + 2 <= stop; tx += 2) {
          const __m128i v = _mm_unpacklo_epi8(
              _mm_unpacklo_epi8(Load32(row + c.tapOff[tx]), Load32(row + c.tapOff[tx + 1])), zero);
          a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(int32_t(uint32_t(wt[tx]) | uint32_t(wt[tx + 1]) << 16))));
        }
        if (tx < stop) {
          const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(Load32(row + c.tapOff[tx]), zero), zero);
          a = _mm_add_epi32(a, _mm_madd_epi16(v, _mm_set1_epi32(int32_t(wt[tx]))));
          ++tx;
        }
        AddWide(a, tot);
      }
    }
    const uint64_t d = (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14;
    StoreWide(tot, d == 0 ? 1 : d, out + 4 * size_t(j));
  }
}

// ---- Float rows ---------------------------------------------------------------------

void CubicHRowD_SSE2(const float *row, const CubicColsF &c, double *out) {
  const float *tw = BicubicFloatWeights();
  for (int j = 0; j < c.count; ++j) {
    const float *w = tw + 4 * size_t(c.phase[j]);
    const int32_t *ix = c.idx + 4 * size_t(j);
    __m128d lo = _mm_setzero_pd(), hi = _mm_setzero_pd();
    for (int t = 0; t < 4; ++t) {
      const __m128 p = _mm_loadu_ps(row + 4 * size_t(ix[t]));
      const __m128d wd = _mm_set1_pd(double(w[t]));
      lo = _mm_add_pd(lo, _mm_mul_pd(wd, _mm_cvtps_pd(p)));
      hi = _mm_add_pd(hi, _mm_mul_pd(wd, _mm_cvtps_pd(_mm_movehl_ps(p, p))));
    }
    _mm_storeu_pd(out + 4 * size_t(j), lo);
    _mm_storeu_pd(out + 4 * size_t(j) + 2, hi);
  }
}

namespace {
// float(v) with the fourth of every four lanes clamped to 0..1 as
// std::clamp does it (NaN stays NaN).
inline __m128 ClampAlpha(__m128 v) {
  const __m128 lo = _mm_setr_ps(-INFINITY, -INFINITY, -INFINITY, 0.0f);
  const __m128 hi = _mm_setr_ps(INFINITY, INFINITY, INFINITY, 1.0f);
  // max(lo, v) is lo where lo > v, else v; min(hi, x) is hi where hi < x.
  return _mm_min_ps(hi, _mm_max_ps(lo, v));
}

template <typename T>
inline __m128 CubicV4(const T *const rows[4], const __m128d w[4], size_t i);

template <>
inline __m128 CubicV4<double>(const double *const rows[4], const __m128d w[4], size_t i) {
  __m128d lo = _mm_setzero_pd(), hi = _mm_setzero_pd();
  for (int t = 0; t < 4; ++t) {
    lo = _mm_add_pd(lo, _mm_mul_pd(w[t], _mm_loadu_pd(rows[t] + i)));
    hi = _mm_add_pd(hi, _mm_mul_pd(w[t], _mm_loadu_pd(rows[t] + i + 2)));
  }
  return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
}

template <>
inline __m128 CubicV4<float>(const float *const rows[4], const __m128d w[4], size_t i) {
  __m128d lo = _mm_setzero_pd(), hi = _mm_setzero_pd();
  for (int t = 0; t < 4; ++t) {
    const __m128 p = _mm_loadu_ps(rows[t] + i);
    lo = _mm_add_pd(lo, _mm_mul_pd(w[t], _mm_cvtps_pd(p)));
    hi = _mm_add_pd(hi, _mm_mul_pd(w[t], _mm_cvtps_pd(_mm_movehl_ps(p, p))));
  }
  return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
}

template <typename T>
void CubicVRowT(const T *const rows[4], const float w[4], int n, float *out) {
  __m128d wd[4];
  for (int t = 0; t < 4; ++t) wd[t] = _mm_set1_pd(double(w[t]));
  for (int i = 0; i + 4 <= n; i += 4) _mm_storeu_ps(out + i, ClampAlpha(CubicV4<T>(rows, wd, size_t(i))));
}
}  // namespace

void CubicVRowD_SSE2(const double *const rows[4], const float w[4], int n, float *out) {
  CubicVRowT<double>(rows, w, n, out);
}

void CubicVRowF_SSE2(const float *const rows[4], const float w[4], int n, float *out) {
  CubicVRowT<float>(rows, w, n, out);
}

void NarrowClampAlpha_SSE2(const double *in, int n, float *out) {
  for (int i = 0; i + 4 <= n; i += 4) {
    const __m128 v = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(in + i)), _mm_cvtpd_ps(_mm_loadu_pd(in + i + 2)));
    _mm_storeu_ps(out + i, ClampAlpha(v));
  }
}

void BilinVLineF_SSE2(const float *r0, const float *r1, float gy, float fy, int n, float *out) {
  const __m128 g = _mm_set1_ps(gy), f = _mm_set1_ps(fy);
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm_storeu_ps(out + i, _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(r0 + i), g), _mm_mul_ps(_mm_loadu_ps(r1 + i), f)));
  for (; i < n; ++i) out[i] = r0[i] * gy + r1[i] * fy;
}

void BilinHRowF_SSE2(const float *row, const BilinearColsF &c, float *out) {
  const float inv = 1.0f / 16384.0f;
  for (int j = 0; j < c.count; ++j) {
    const float fx = float(c.fx[j]) * inv, gx = 1.0f - fx;
    const __m128 p0 = _mm_loadu_ps(row + 4 * size_t(c.x0[j])), p1 = _mm_loadu_ps(row + 4 * size_t(c.x1[j]));
    _mm_storeu_ps(out + 4 * size_t(j), _mm_add_ps(_mm_mul_ps(p0, _mm_set1_ps(gx)), _mm_mul_ps(p1, _mm_set1_ps(fx))));
  }
}

void AccumulateRowF_SSE2(const float *v, int n, float w, float *acc) {
  const __m128 wv = _mm_set1_ps(w);
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm_storeu_ps(acc + i, _mm_add_ps(_mm_loadu_ps(acc + i), _mm_mul_ps(_mm_loadu_ps(v + i), wv)));
  for (; i < n; ++i) acc[i] += v[i] * w;
}

void DivideRowF_SSE2(const float *acc, int n, float div, float *out) {
  const __m128 d = _mm_set1_ps(div);
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm_storeu_ps(out + i, _mm_div_ps(_mm_loadu_ps(acc + i), d));
  for (; i < n; ++i) out[i] = acc[i] / div;
}

void AreaXLineF_SSE2(const uint8_t *line, const AreaCols &c, float *out) {
  for (int j = 0; j < c.count; ++j) {
    __m128 a = _mm_setzero_ps();
    for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
      const __m128 p = _mm_loadu_ps(reinterpret_cast<const float *>(line + c.tapOff[tx]));
      a = _mm_add_ps(a, _mm_mul_ps(p, _mm_set1_ps(float(c.tapW[tx]))));
    }
    _mm_storeu_ps(out + 4 * size_t(j), _mm_div_ps(a, _mm_set1_ps(float(c.span[j]))));
  }
}

}  // namespace ko::pixels::scale
