// AVX2 forms of the 8-bit scaler rows; bit-identical to the scalar rows.
#include <immintrin.h>

#include "pixels/scale.h"

namespace ko::pixels::scale {

// Pixels are taken in pairs (j, j + 1), one per 128-bit lane; each pixel's
// two horizontal neighbours are one 8-byte load, as long as the right
// neighbour is the next column (the leading `contiguous` columns). Weights
// are formed for eight columns at a time as in the SSE2 row: the weight
// (a * b) >> 4 splits into (a * b) >> 16 and ((a * b) & 0xFFFF) >> 4.
void BilinearRow_AVX2(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                      uint8_t *out, uint32_t *scratch) {
  const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  const __m256i bias = _mm256_set1_epi32(0x800000);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  const __m128i one = _mm_set1_epi16(16384);
  const __m128i vy = _mm_set1_epi16(int16_t(fy)), gy = _mm_set1_epi16(int16_t(16384 - fy));
  auto pair = [&](const uint8_t *row, int32_t a, int32_t b) {
    const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(row + a));
    const __m128i x = _mm_castpd_si128(
        _mm_loadh_pd(_mm_castsi128_pd(lo), reinterpret_cast<const double *>(row + b)));
    return _mm256_cvtepu8_epi16(_mm_shuffle_epi8(x, interleave));
  };
  auto join = [](__m128i a, __m128i b) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(a, b)),
                                   _mm_unpackhi_epi16(a, b), 1);
  };
  const int limit = c.contiguous < c.count ? c.contiguous : c.count;
  int j = 0;
  for (; j + 8 <= limit; j += 8) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c.fx + j));
    const __m128i g = _mm_sub_epi16(one, f);
    // Columns j..j+7 as dwords: high and low parts of the top pair (w00|w10)
    // and of the bottom pair (w01|w11).
    const __m256i H0 = join(_mm_mulhi_epu16(g, gy), _mm_mulhi_epu16(f, gy));
    const __m256i H1 = join(_mm_mulhi_epu16(g, vy), _mm_mulhi_epu16(f, vy));
    const __m256i L0 = join(_mm_srli_epi16(_mm_mullo_epi16(g, gy), 4), _mm_srli_epi16(_mm_mullo_epi16(f, gy), 4));
    const __m256i L1 = join(_mm_srli_epi16(_mm_mullo_epi16(g, vy), 4), _mm_srli_epi16(_mm_mullo_epi16(f, vy), 4));
    __m256i R[4];
    for (int m = 0; m < 4; ++m) {
      const int k = j + 2 * m;
      const __m256i idx = _mm256_setr_epi32(2 * m, 2 * m, 2 * m, 2 * m, 2 * m + 1, 2 * m + 1, 2 * m + 1, 2 * m + 1);
      const __m256i top = pair(r0, c.xo0[k], c.xo0[k + 1]);
      const __m256i bot = pair(r1, c.xo0[k], c.xo0[k + 1]);
      const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(top, _mm256_permutevar8x32_epi32(H0, idx)),
                                          _mm256_madd_epi16(bot, _mm256_permutevar8x32_epi32(H1, idx)));
      const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(top, _mm256_permutevar8x32_epi32(L0, idx)),
                                          _mm256_madd_epi16(bot, _mm256_permutevar8x32_epi32(L1, idx)));
      R[m] = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(hi, 12), lo), bias), 24);
    }
    const __m256i px = _mm256_packus_epi16(_mm256_packs_epi32(R[0], R[1]), _mm256_packs_epi32(R[2], R[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * j), _mm256_permutevar8x32_epi32(px, order));
  }
  if (j < c.count) {
    const BilinearCols rest{c.xo0 + j, c.xo1 + j, c.fx + j, c.count - j, 0};
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
