// AVX2 forms of the 8-bit scaler rows; bit-identical to the scalar rows.
#include <immintrin.h>

#include "pixels/scale.h"

namespace ko::pixels::scale {

void BilinearRow_AVX2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                      uint8_t *out, uint32_t *scratch) {
  BilinearPackedWeights_SSE2(fy, c.fx, c.count, scratch);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bias = _mm256_set1_epi32(0x800000);
  const int *b0 = reinterpret_cast<const int *>(r0);
  const int *b1 = reinterpret_cast<const int *>(r1);
  int j = 0;
  for (; j + 8 <= c.count; j += 8) {
    const __m256i i0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c.xo0 + j));
    const __m256i i1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c.xo1 + j));
    const __m256i a0 = _mm256_i32gather_epi32(b0, i0, 1), a1 = _mm256_i32gather_epi32(b0, i1, 1);
    const __m256i c0 = _mm256_i32gather_epi32(b1, i0, 1), c1 = _mm256_i32gather_epi32(b1, i1, 1);
    const __m256i tl = _mm256_unpacklo_epi8(a0, a1), th = _mm256_unpackhi_epi8(a0, a1);
    const __m256i bl = _mm256_unpacklo_epi8(c0, c1), bh = _mm256_unpackhi_epi8(c0, c1);
    // Lane 0 holds pixels j..j+3, lane 1 pixels j+4..j+7; T[m] is pixel m of each lane.
    const __m256i T[4] = {_mm256_unpacklo_epi8(tl, zero), _mm256_unpackhi_epi8(tl, zero),
                          _mm256_unpacklo_epi8(th, zero), _mm256_unpackhi_epi8(th, zero)};
    const __m256i B[4] = {_mm256_unpacklo_epi8(bl, zero), _mm256_unpackhi_epi8(bl, zero),
                          _mm256_unpacklo_epi8(bh, zero), _mm256_unpackhi_epi8(bh, zero)};
    __m256i R[4];
    for (int m = 0; m < 4; ++m) {
      const uint32_t *w = scratch + 4 * (j + m);
      const __m256i ww = _mm256_inserti128_si256(
          _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w))),
          _mm_loadu_si128(reinterpret_cast<const __m128i *>(w + 16)), 1);
      const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(T[m], _mm256_shuffle_epi32(ww, 0x00)),
                                          _mm256_madd_epi16(B[m], _mm256_shuffle_epi32(ww, 0x55)));
      const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(T[m], _mm256_shuffle_epi32(ww, 0xAA)),
                                          _mm256_madd_epi16(B[m], _mm256_shuffle_epi32(ww, 0xFF)));
      R[m] = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(hi, 12), lo), bias), 24);
    }
    const __m256i px = _mm256_packus_epi16(_mm256_packs_epi32(R[0], R[1]), _mm256_packs_epi32(R[2], R[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * j), px);
  }
  if (j < c.count) {
    const BilinearCols rest{c.xo0 + j, c.xo1 + j, c.fx + j, c.count - j};
    BilinearRow_SSE2(r0, r1, fy, rest, out + 4 * j, scratch);
  }
}

void CubicVRow_AVX2(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  const __m256i wa = _mm256_set1_epi32(int32_t(uint16_t(w[0]) | uint32_t(uint16_t(w[1])) << 16));
  const __m256i wb = _mm256_set1_epi32(int32_t(uint16_t(w[2]) | uint32_t(uint16_t(w[3])) << 16));
  const __m256i round = _mm256_set1_epi32(8192), mask = _mm256_set1_epi32(16383);
  auto div = [&](__m256i s) {
    s = _mm256_add_epi32(s, round);
    return _mm256_srai_epi32(_mm256_add_epi32(s, _mm256_and_si256(_mm256_srai_epi32(s, 31), mask)), 14);
  };
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    __m256i r[4];
    for (int t = 0; t < 4; ++t)
      r[t] = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(rows[t] + 4 * j));
    const __m256i lo = div(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(r[0], r[1]), wa),
                                            _mm256_madd_epi16(_mm256_unpacklo_epi16(r[2], r[3]), wb)));
    const __m256i hi = div(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(r[0], r[1]), wa),
                                            _mm256_madd_epi16(_mm256_unpackhi_epi16(r[2], r[3]), wb)));
    const __m256i p = _mm256_packs_epi32(lo, hi);
    const __m256i b = _mm256_permute4x64_epi64(_mm256_packus_epi16(p, p), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), _mm256_castsi256_si128(b));
  }
  if (j < count) {
    const int16_t *rest[4] = {rows[0] + 4 * j, rows[1] + 4 * j, rows[2] + 4 * j, rows[3] + 4 * j};
    CubicVRow_SSE2(rest, w, count - j, out + 4 * j);
  }
}

}  // namespace ko::pixels::scale
