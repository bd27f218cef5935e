// AVX2 forms of the 8-bit scaler rows; bit-identical to the scalar rows.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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
  // The same words from one 16-byte load a lane, ending 8 bytes past each
  // pixel (the 8 bytes before it are in the row where its offset is 8 or
  // more); pshufb spreads the bytes to words itself.
  const __m256i widen = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1,
                                         8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
  auto pairBack = [&](const uint8_t *row, int32_t a, int32_t b) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + a - 8));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + b - 8));
    return _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), widen);
  };
  // Whether every left offset of columns j..j+7 is 8 or more.
  const __m256i seven = _mm256_set1_epi32(7);
  auto backOk = [&](int j) {
    const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c.xo0 + j));
    return _mm256_movemask_epi8(_mm256_cmpgt_epi32(o, seven)) == -1;
  };
  auto join = [](__m128i a, __m128i b) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(a, b)),
                                   _mm_unpackhi_epi16(a, b), 1);
  };
  const int limit = c.contiguous < c.count ? c.contiguous : c.count;
  int j = 0;
  if (c.gf) {
    // The word pairs of columns k and k + 1 fill the two lanes of one load,
    // so the four weight vectors come from it by multiplication alone.
    const __m256i GY = _mm256_set1_epi16(int16_t(16384 - fy)), FY = _mm256_set1_epi16(int16_t(fy));
    for (; j + 8 <= limit; j += 8) {
      const bool back = backOk(j);
      __m256i R[4];
      for (int m = 0; m < 4; ++m) {
        const int k = j + 2 * m;
        const __m256i V = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c.gf + 4 * k));
        const __m256i H0 = _mm256_mulhi_epu16(V, GY), H1 = _mm256_mulhi_epu16(V, FY);
        const __m256i L0 = _mm256_srli_epi16(_mm256_mullo_epi16(V, GY), 4);
        const __m256i L1 = _mm256_srli_epi16(_mm256_mullo_epi16(V, FY), 4);
        const __m256i top = back ? pairBack(r0, c.xo0[k], c.xo0[k + 1]) : pair(r0, c.xo0[k], c.xo0[k + 1]);
        const __m256i bot = back ? pairBack(r1, c.xo0[k], c.xo0[k + 1]) : pair(r1, c.xo0[k], c.xo0[k + 1]);
        const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(top, H0), _mm256_madd_epi16(bot, H1));
        const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(top, L0), _mm256_madd_epi16(bot, L1));
        R[m] = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(hi, 12), lo), bias), 24);
      }
      const __m256i px = _mm256_packus_epi16(_mm256_packs_epi32(R[0], R[1]), _mm256_packs_epi32(R[2], R[3]));
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * j), _mm256_permutevar8x32_epi32(px, order));
    }
  }
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

// Two columns per register, one per 128-bit lane: the four source pixels of
// a column are loaded together and spread to words as (p0, p1) and (p2, p3) channel pairs for pmaddwd with
// the (w0, w1) and (w2, w3) weight pairs.
void CubicHRow_AVX2(const uint8_t *row, const CubicCols &c, int16_t *out) {
  const __m256i lo01 = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1,
                                        0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
  const __m256i lo23 = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1,
                                        8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
  const __m256i pickA = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2);
  const __m256i pickB = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
  const __m256i round = _mm256_set1_epi32(8192), mask = _mm256_set1_epi32(16383);
  // Plain loads rather than a gather, which is slow on some processors.
  auto four = [&](const int32_t *o) {
    int32_t v[4];
    for (int t = 0; t < 4; ++t) std::memcpy(&v[t], row + o[t], 4);
    return _mm_setr_epi32(v[0], v[1], v[2], v[3]);
  };
  auto pair = [&](int j) {
    const __m256i px = _mm256_inserti128_si256(_mm256_castsi128_si256(four(c.off + 4 * j)),
                                               four(c.off + 4 * j + 4), 1);
    const __m256i w = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(c.w + 4 * j)));
    __m256i s = _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_shuffle_epi8(px, lo01), _mm256_permutevar8x32_epi32(w, pickA)),
        _mm256_madd_epi16(_mm256_shuffle_epi8(px, lo23), _mm256_permutevar8x32_epi32(w, pickB)));
    // (s + 8192) / 16384 with C truncation towards zero.
    s = _mm256_add_epi32(s, round);
    return _mm256_srai_epi32(_mm256_add_epi32(s, _mm256_and_si256(_mm256_srai_epi32(s, 31), mask)), 14);
  };
  int j = 0;
  for (; j + 4 <= c.count; j += 4) {
    // Lanes hold columns (j, j + 2) and (j + 1, j + 3) after the pack.
    const __m256i p = _mm256_packs_epi32(pair(j), pair(j + 2));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * j), _mm256_permute4x64_epi64(p, 0xD8));
  }
  if (j < c.count) {
    const CubicCols rest{c.off + 4 * j, c.w + 4 * j, c.count - j};
    CubicHRow_SSE2(row, rest, out + 4 * j);
  }
}


// ---- Float bicubic: the four channels of a pixel as four doubles ----------------

void CubicHRowD_AVX2(const float *row, const CubicColsF &c, double *out) {
  const float *tw = BicubicFloatWeights();
  for (int j = 0; j < c.count; ++j) {
    const float *w = tw + 4 * size_t(c.phase[j]);
    const int32_t *ix = c.idx + 4 * size_t(j);
    __m256d sum = _mm256_setzero_pd();
    for (int t = 0; t < 4; ++t) {
      const __m256d p = _mm256_cvtps_pd(_mm_loadu_ps(row + 4 * size_t(ix[t])));
      // Kept apart from the add: a fused multiply-add would round once less.
      const __m256d m = _mm256_mul_pd(_mm256_set1_pd(double(w[t])), p);
      sum = _mm256_add_pd(sum, m);
    }
    _mm256_storeu_pd(out + 4 * size_t(j), sum);
  }
}

void CubicVRowD_AVX2(const double *const rows[4], const float w[4], int n, float *out) {
  __m256d wd[4];
  for (int t = 0; t < 4; ++t) wd[t] = _mm256_set1_pd(double(w[t]));
  const __m128 lo = _mm_setr_ps(-INFINITY, -INFINITY, -INFINITY, 0.0f);
  const __m128 hi = _mm_setr_ps(INFINITY, INFINITY, INFINITY, 1.0f);
  for (int i = 0; i + 4 <= n; i += 4) {
    __m256d sum = _mm256_setzero_pd();
    for (int t = 0; t < 4; ++t) sum = _mm256_add_pd(sum, _mm256_mul_pd(wd[t], _mm256_loadu_pd(rows[t] + i)));
    // Alpha (every fourth value) clamped to 0..1 as std::clamp does it.
    _mm_storeu_ps(out + i, _mm_min_ps(hi, _mm_max_ps(lo, _mm256_cvtpd_ps(sum))));
  }
}

// Two-axis area with separable sums. When every column width is a multiple
// of 2^zx and every row height of 2^zy with zx + zy >= 14, each tap weight
// (wx * wy) >> 14 is exactly (wx >> zx) * (wy >> zy) * 2^e, e = zx + zy - 14.
// The row then sums each source column down (16-bit words, w16), weights
// those across (pmaddwd over a column's two taps), and divides the sum A
// by div / 2^e in floats: A and the remainder below stay exact there, and
// one correction step makes the truncated quotient the floor. Other
// footprints take the SSE2 row.
void Area2DRow_AVX2(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc,
                    uint16_t *w16) {
  const AreaPairs *p = c.pairs;
  int zy = 14;
  int32_t down = 0;  // sum of the reduced row heights
  for (int t = 0; t < r.count && p; ++t) {
    if (r.w[t] <= 0) p = nullptr;
    else zy = std::min(zy, __builtin_ctz(uint32_t(r.w[t])));
  }
  if (p) {
    for (int t = 0; t < r.count; ++t) down += r.w[t] >> zy;
    const int64_t maxW = p->maxW;
    const int64_t div = (int64_t(p->maxSpan) * r.span) >> 14;
    if (p->zeros + zy < 14 || 255 * int64_t(down) > 32767 || 255 * int64_t(down) * maxW >= (1 << 24) ||
        div >= (1 << 22))
      p = nullptr;
  }
  if (!p || r.count < 1) {
    Area2DRow_SSE2(r, c, out, acc, w16);
    return;
  }
  const int e = p->zeros + zy - 14;
  // Vertical pass over the source bytes [lo, hi), then zeros for the
  // second tap of one-tap columns at the right end.
  const int n = p->hi - p->lo;
  uint16_t *V = w16;
  {
    // Row by row into the line, which stays in the first-level cache.
    for (int t = 0; t < r.count; ++t) {
      const uint8_t *src = r.rows[t] + p->lo;
      const uint16_t wt = uint16_t(r.w[t] >> zy);
      const __m256i w = _mm256_set1_epi16(int16_t(wt));
      int i = 0;
      for (; i + 32 <= n; i += 32) {
        const __m256i lo = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i)));
        const __m256i hi = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 16)));
        __m256i a = _mm256_mullo_epi16(lo, w), b = _mm256_mullo_epi16(hi, w);
        if (t > 0) {
          a = _mm256_add_epi16(a, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(V + i)));
          b = _mm256_add_epi16(b, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(V + i + 16)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(V + i), a);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(V + i + 16), b);
      }
      for (; i < n; ++i) V[i] = uint16_t((t > 0 ? V[i] : 0) + src[i] * wt);
    }
    std::memset(V + n, 0, 16 * sizeof(uint16_t));
  }
  const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                              0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
  const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  const __m256 one = _mm256_set1_ps(1.0f);
  const float scale = std::ldexp(1.0f, -e);
  auto divisor = [&](int j) {
    const uint64_t d = (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14;
    return float(d == 0 ? 1 : d) * scale;
  };
  // The divisor of most columns, and its reciprocal made a little small, so
  // that the truncated product is the floor of the quotient or one below it
  // (the quotient is at most 255): one upward step corrects it.
  auto below = [](float d) { return (1.0f / d) * (1.0f - 0x1p-20f); };
  const int32_t common = c.span[c.count / 2];
  const float d0 = divisor(c.count / 2);
  const __m256 D0 = _mm256_set1_ps(d0), R0 = _mm256_set1_ps(below(d0));
  // Quotients of columns j0 and j1 (one per lane, four channels each).
  // Locals, so that the stores to out do not make the tables reload.
  const int32_t *off = p->off.data(), *span = c.span;
  const uint32_t *pw = p->w.data();
  const int count = c.count;
  auto two = [&](int j0, int j1) {
    const uint16_t *v0 = V + off[j0], *v1 = V + off[j1];
    __m256i v = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(v0))),
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(v1)), 1);
    v = _mm256_shuffle_epi8(v, interleave);
    const __m128i w2 = j1 == j0 + 1 ? _mm_loadl_epi64(reinterpret_cast<const __m128i *>(pw + j0))
                                    : _mm_cvtsi64_si128(int64_t(pw[j0]) | int64_t(pw[j1]) << 32);
    const __m256i w = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(w2), spread);
    const __m256 a = _mm256_cvtepi32_ps(_mm256_madd_epi16(v, w));
    __m256 D = D0, R = R0;
    if (span[j0] != common || span[j1] != common) {
      const float da = divisor(j0), db = divisor(j1);
      D = _mm256_setr_m128(_mm_set1_ps(da), _mm_set1_ps(db));
      R = _mm256_setr_m128(_mm_set1_ps(below(da)), _mm_set1_ps(below(db)));
    }
    __m256 q = _mm256_round_ps(_mm256_mul_ps(a, R), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256 rem = _mm256_fnmadd_ps(q, D, a);
    q = _mm256_add_ps(q, _mm256_and_ps(_mm256_cmp_ps(rem, D, _CMP_GE_OQ), one));
    return _mm256_cvttps_epi32(q);
  };
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int j = 0;
  for (; j + 8 <= count; j += 8) {
    const __m256i q0 = _mm256_packs_epi32(two(j, j + 1), two(j + 2, j + 3));
    const __m256i q1 = _mm256_packs_epi32(two(j + 4, j + 5), two(j + 6, j + 7));
    const __m256i b = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(q0, q1), order);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * j), b);
  }
  for (; j + 4 <= count; j += 4) {
    const __m256i q = _mm256_packs_epi32(two(j, j + 1), two(j + 2, j + 3));
    const __m256i b = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(q, q), order);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * j), _mm256_castsi256_si128(b));
  }
  for (; j < count; j += 2) {
    const int j1 = j + 1 < count ? j + 1 : j;
    const __m256i q = _mm256_packs_epi32(two(j, j1), _mm256_setzero_si256());
    const __m256i b = _mm256_packus_epi16(q, q);
    const int32_t lo = _mm256_cvtsi256_si32(b), hi = _mm256_extract_epi32(b, 4);
    std::memcpy(out + 4 * j, &lo, 4);
    if (j1 != j) std::memcpy(out + 4 * j1, &hi, 4);
  }
}

}  // namespace ko::pixels::scale
