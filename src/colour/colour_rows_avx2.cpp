// AVX2 forms of the colour row kernels: the arithmetic of the scalar
// references, thirty-two pixels a step, the tail through the reference.
#include <immintrin.h>

#include "colour/colour_rows.h"

namespace ko::colour::rows {

namespace {

inline __m256i Pair(int lo, int hi) {
  return _mm256_set1_epi32(static_cast<int>((static_cast<uint32_t>(hi) << 16) | (static_cast<uint32_t>(lo) & 0xFFFFu)));
}

// (coefficient pair . (first, second) + add) >> shift for sixteen pairs
// (lo: pairs 0-3 and 8-11, hi: 4-7 and 12-15) as sixteen 16-bit values in
// pair order.
inline __m256i Offsets(__m256i lo, __m256i hi, __m256i coef, __m256i add, int shift) {
  const __m256i a = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(lo, coef), add), _mm_cvtsi32_si128(shift));
  const __m256i b = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(hi, coef), add), _mm_cvtsi32_si128(shift));
  return _mm256_packs_epi32(a, b);
}

// Sixteen 16-bit offsets, one per pixel pair, added to 32 luma values
// (yl: pixels 0-15, yh: 16-31); bytes in lane order [0-7 16-23 | 8-15 24-31].
inline __m256i Channel(__m256i yl, __m256i yh, __m256i o) {
  const __m256i dl = _mm256_unpacklo_epi16(o, o), dh = _mm256_unpackhi_epi16(o, o);
  const __m256i p0 = _mm256_permute2x128_si256(dl, dh, 0x20);
  const __m256i p1 = _mm256_permute2x128_si256(dl, dh, 0x31);
  return _mm256_packus_epi16(_mm256_add_epi16(yl, p0), _mm256_add_epi16(yh, p1));
}

// B, G, R bytes in the lane order of Channel to 32 BGRA pixels.
inline void StoreBgra(uint8_t *dst, __m256i b, __m256i g, __m256i r) {
  const __m256i a = _mm256_set1_epi8(static_cast<char>(0xFF));
  const __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
  const __m256i raLo = _mm256_unpacklo_epi8(r, a), raHi = _mm256_unpackhi_epi8(r, a);
  // bgLo/raLo: lane 0 pixels 0-7, lane 1 pixels 8-15; the Hi pair 16-31.
  const __m256i q0 = _mm256_unpacklo_epi16(bgLo, raLo), q1 = _mm256_unpackhi_epi16(bgLo, raLo);
  const __m256i q2 = _mm256_unpacklo_epi16(bgHi, raHi), q3 = _mm256_unpackhi_epi16(bgHi, raHi);
  auto *d = reinterpret_cast<__m256i *>(dst);
  _mm256_storeu_si256(d + 0, _mm256_permute2x128_si256(q0, q1, 0x20));
  _mm256_storeu_si256(d + 1, _mm256_permute2x128_si256(q0, q1, 0x31));
  _mm256_storeu_si256(d + 2, _mm256_permute2x128_si256(q2, q3, 0x20));
  _mm256_storeu_si256(d + 3, _mm256_permute2x128_si256(q2, q3, 0x31));
}

}  // namespace

void Yuv420RowAVX2(const uint8_t *y, const uint8_t *u, const uint8_t *v, uint8_t *bgra, int width,
                   const Q14Coefs *c) {
  const __m256i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
  const __m256i kb = _mm256_set1_epi32(c->kb), kg = _mm256_set1_epi32(c->kg), kr = _mm256_set1_epi32(c->kr);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i uu = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(u + x / 2)));
    const __m256i vv = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(v + x / 2)));
    const __m256i lo = _mm256_unpacklo_epi16(uu, vv), hi = _mm256_unpackhi_epi16(uu, vv);
    const __m256i yy = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(y + x));
    const __m256i yl = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(yy));
    const __m256i yh = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(yy, 1));
    StoreBgra(bgra + 4 * x, Channel(yl, yh, Offsets(lo, hi, cb, kb, 14)),
              Channel(yl, yh, Offsets(lo, hi, cg, kg, 14)), Channel(yl, yh, Offsets(lo, hi, cr, kr, 14)));
  }
  if (x < width) Yuv420RowSSE2(y + x, u + x / 2, v + x / 2, bgra + 4 * x, width - x, c);
}

void UyvyToRgbAVX2(const uint8_t *uyvy, uint8_t *dst, int width, int bpp, const UyvyToRgbCoefs *c) {
  int x = 0;
  if (bpp == 4) {
    const __m256i mask = _mm256_set1_epi16(0xFF), c128 = _mm256_set1_epi16(128);
    const __m256i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
    const __m256i rnd = _mm256_set1_epi32(2048);
    for (; x + 32 <= width; x += 32) {
      // a: pixels 0-7 | 8-15, b: 16-23 | 24-31, as (U Y V Y) words.
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(uyvy + 2 * x));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(uyvy + 2 * x + 32));
      // Chroma pairs in the order Offsets expects: lo = pairs 0-3 | 8-11.
      const __m256i ca = _mm256_sub_epi16(_mm256_and_si256(a, mask), c128);
      const __m256i cbb = _mm256_sub_epi16(_mm256_and_si256(b, mask), c128);
      const __m256i lo = _mm256_permute2x128_si256(ca, cbb, 0x20);
      const __m256i hi = _mm256_permute2x128_si256(ca, cbb, 0x31);
      const __m256i ya = _mm256_srli_epi16(a, 8), yb = _mm256_srli_epi16(b, 8);
      StoreBgra(dst + 4 * x, Channel(ya, yb, Offsets(lo, hi, cb, rnd, 12)),
                Channel(ya, yb, Offsets(lo, hi, cg, rnd, 12)), Channel(ya, yb, Offsets(lo, hi, cr, rnd, 12)));
    }
  }
  if (x < width) UyvyToRgbSSE2(uyvy + 2 * x, dst + bpp * x, width - x, bpp, c);
}

}  // namespace ko::colour::rows
