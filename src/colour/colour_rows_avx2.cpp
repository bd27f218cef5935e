// AVX2 forms of the colour row kernels: the arithmetic of the scalar
// references (the RGB to 4:2:0 pair kernel reaches the same bytes through a
// checked quick path for its chroma, below), sixteen to thirty-two pixels a
// step, the tail through the SSE2 form or the reference.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "colour/colour_rows.h"

namespace ko::colour::rows {

namespace {

inline __m256i Pair(int lo, int hi) {
  return _mm256_set1_epi32(static_cast<int>((static_cast<uint32_t>(hi) << 16) | (static_cast<uint32_t>(lo) & 0xFFFFu)));
}

// B, G, R bytes in the lane order [0-7 16-23 | 8-15 24-31] to 32 BGRA pixels.
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

namespace {

// The 4:2:0 rows form each chroma offset o = (coefficient pair . (U, V) +
// k) >> 14 once per sample in a 16-bit lane, then as two bytes max(o, 0)
// and max(-o, 0) copied to both pixels of the sample's pair: clamp(Y + o)
// is Y plus the first and minus the second, both saturating. Coefficients
// whose offsets could leave -255..255 (or a 16-bit multiplier) take the
// SSE2 form.
bool OffsetsFitBytes(const Q14Coefs *c) {
  auto fits16 = [](int32_t v) { return v >= -32768 && v <= 32767; };
  auto within = [](int64_t lo, int64_t hi) { return (lo >> 14) >= -255 && (hi >> 14) <= 255; };
  auto range = [&](int64_t a, int64_t b, int64_t k) {
    const int64_t lo = k + 255 * (std::min<int64_t>(a, 0) + std::min<int64_t>(b, 0));
    const int64_t hi = k + 255 * (std::max<int64_t>(a, 0) + std::max<int64_t>(b, 0));
    return within(lo, hi);
  };
  return fits16(c->ub) && fits16(c->ug) && fits16(c->vg) && fits16(c->vr) && range(c->ub, 0, c->kb) &&
         range(c->ug, c->vg, c->kg) && range(0, c->vr, c->kr);
}

// Blue and red have one term each. Where a channel's constant is the
// centring one (k = 8192 - 128 a) its offset is (a (U - 128) + 2^13) >> 14,
// which the rounding multiply gives exactly from 2 (U - 128) and a; other
// constants take the pair multiply like green.
bool Centred(int32_t a, int32_t k) { return int64_t(k) == 8192 - 128 * int64_t(a); }

struct ChromaCoefs {
  __m256i b, g, r, kb, kg, kr, ub, vr;
};
ChromaCoefs ChromaCoefsOf(const Q14Coefs *c) {
  return {Pair(c->ub, 0),
          Pair(c->ug, c->vg),
          Pair(0, c->vr),
          _mm256_set1_epi32(c->kb),
          _mm256_set1_epi32(c->kg),
          _mm256_set1_epi32(c->kr),
          _mm256_set1_epi16(static_cast<int16_t>(c->ub)),
          _mm256_set1_epi16(static_cast<int16_t>(c->vr))};
}

// Offsets of a channel for the 32 pixels of 16 chroma samples, in the byte
// order of the luma in Row32 below.
struct ChannelOffsets {
  __m256i add, sub;
};
inline ChannelOffsets Split(__m256i o) {
  const __m256i pos = _mm256_max_epi16(o, _mm256_setzero_si256()), neg = _mm256_sub_epi16(pos, o);
  const __m256i dup = _mm256_setr_epi8(0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14,
                                       0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14);
  return {_mm256_shuffle_epi8(pos, dup), _mm256_shuffle_epi8(neg, dup)};
}

// Sixteen chroma samples as 16-bit values in the order 0 1 4 5 8 9 12 13 |
// 2 3 6 7 10 11 14 15.
inline __m256i Samples(const uint8_t *p) {
  const __m128i order = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  return _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), order));
}

struct PixelOffsets {
  ChannelOffsets b, g, r;
};
template <bool RoundB, bool RoundR>
inline PixelOffsets OffsetsOf(const uint8_t *u, const uint8_t *v, const ChromaCoefs &k) {
  const __m256i uu = Samples(u), vv = Samples(v);
  const __m256i lo = _mm256_unpacklo_epi16(uu, vv), hi = _mm256_unpackhi_epi16(uu, vv);
  auto paired = [&](__m256i coef, __m256i add) {
    const __m256i a = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(lo, coef), add), 14);
    const __m256i b = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(hi, coef), add), 14);
    return _mm256_packs_epi32(a, b);
  };
  // 2 (U - 128) as 2 U - 256.
  const __m256i c256 = _mm256_set1_epi16(256);
  auto rounded = [&](__m256i s, __m256i coef) {
    return _mm256_mulhrs_epi16(_mm256_sub_epi16(_mm256_add_epi16(s, s), c256), coef);
  };
  const __m256i ob = RoundB ? rounded(uu, k.ub) : paired(k.b, k.kb);
  const __m256i orr = RoundR ? rounded(vv, k.vr) : paired(k.r, k.kr);
  return {Split(ob), Split(paired(k.g, k.kg)), Split(orr)};
}

// 32 luma bytes with their four-pixel groups in the order 0 2 4 6 | 1 3 5 7,
// the order in which the byte and word unpacks of the store give pixels
// 0-7, 8-15, 16-23 and 24-31 whole.
inline void Row32(const uint8_t *y, uint8_t *dst, const PixelOffsets &o) {
  const __m256i yy = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(y)),
                                                 _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
  auto chan = [&](const ChannelOffsets &c) { return _mm256_subs_epu8(_mm256_adds_epu8(yy, c.add), c.sub); };
  const __m256i b = chan(o.b), g = chan(o.g), r = chan(o.r), a = _mm256_set1_epi8(static_cast<char>(0xFF));
  const __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
  const __m256i raLo = _mm256_unpacklo_epi8(r, a), raHi = _mm256_unpackhi_epi8(r, a);
  auto *d = reinterpret_cast<__m256i *>(dst);
  _mm256_storeu_si256(d + 0, _mm256_unpacklo_epi16(bgLo, raLo));
  _mm256_storeu_si256(d + 1, _mm256_unpackhi_epi16(bgLo, raLo));
  _mm256_storeu_si256(d + 2, _mm256_unpacklo_epi16(bgHi, raHi));
  _mm256_storeu_si256(d + 3, _mm256_unpackhi_epi16(bgHi, raHi));
}

// body(integral_constant RoundB, integral_constant RoundR), by the
// coefficients' constants.
template <class Body>
void ByRounding(const Q14Coefs *c, const Body &body) {
  using Yes = std::true_type;
  using No = std::false_type;
  const bool b = Centred(c->ub, c->kb), r = Centred(c->vr, c->kr);
  if (b && r) body(Yes{}, Yes{});
  else if (b) body(Yes{}, No{});
  else if (r) body(No{}, Yes{});
  else body(No{}, No{});
}

}  // namespace

void Yuv420RowAVX2(const uint8_t *y, const uint8_t *u, const uint8_t *v, uint8_t *bgra, int width,
                   const Q14Coefs *c) {
  int x = 0;
  if (OffsetsFitBytes(c)) {
    const ChromaCoefs k = ChromaCoefsOf(c);
    ByRounding(c, [&](auto rb, auto rr) {
      for (; x + 32 <= width; x += 32)
        Row32(y + x, bgra + 4 * x, OffsetsOf<decltype(rb)::value, decltype(rr)::value>(u + x / 2, v + x / 2, k));
    });
  }
  if (x < width) Yuv420RowSSE2(y + x, u + x / 2, v + x / 2, bgra + 4 * x, width - x, c);
}

void Yuv420RowPairAVX2(const uint8_t *y0, const uint8_t *y1, const uint8_t *u, const uint8_t *v, uint8_t *d0,
                       uint8_t *d1, int width, const Q14Coefs *c) {
  int x = 0;
  if (OffsetsFitBytes(c)) {
    const ChromaCoefs k = ChromaCoefsOf(c);
    ByRounding(c, [&](auto rb, auto rr) {
      for (; x + 32 <= width; x += 32) {
        const PixelOffsets o = OffsetsOf<decltype(rb)::value, decltype(rr)::value>(u + x / 2, v + x / 2, k);
        Row32(y0 + x, d0 + 4 * x, o);
        Row32(y1 + x, d1 + 4 * x, o);
      }
    });
  }
  if (x < width) Yuv420RowPairSSE2(y0 + x, y1 + x, u + x / 2, v + x / 2, d0 + 4 * x, d1 + 4 * x, width - x, c);
}

namespace {
inline __m256i Load32(const uint8_t *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
// Sixteen bytes as sixteen 16-bit values.
inline __m256i Widen16(const uint8_t *p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}
// Sums of adjacent byte pairs of 32 bytes, as sixteen 16-bit values in order.
inline __m256i PairSums(__m256i t) {
  return _mm256_add_epi16(_mm256_and_si256(t, _mm256_set1_epi16(0xFF)), _mm256_srli_epi16(t, 8));
}
}  // namespace

// The SSE2 form's arithmetic sixteen output pixels a step: every sum and
// offset stays in lane order, so only the luma quads of the four-column
// shapes and the final pixel halves cross lanes.
void Yuv420ReduceAVX2(const uint8_t *const *yRows, const uint8_t *const *uRows, const uint8_t *const *vRows,
                      uint8_t *bgra, int outWidth, const ReduceShape *shape, const Q14Coefs *c) {
  const int cols = shape->cols, ccols = shape->ccols;
  int x = 0;
  if (ReduceVectorShape(*shape)) {
    const int m = ccols * shape->crows;
    int ln, lr;
    ReduceShifts(*shape, &ln, &lr);
    const __m256i zero = _mm256_setzero_si256(), ones = _mm256_set1_epi16(1);
    const __m256i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
    const __m256i kb = _mm256_set1_epi32(m * c->kb), kg = _mm256_set1_epi32(m * c->kg),
                  kr = _mm256_set1_epi32(m * c->kr);
    const __m128i sh = _mm_cvtsi32_si128(14 - lr), shn = _mm_cvtsi32_si128(ln);
    const __m256i alpha = _mm256_set1_epi8(static_cast<char>(0xFF));
    for (; x + 16 <= outWidth; x += 16) {
      __m256i ys = zero, ys2 = zero, us = zero, vs = zero;
      for (int r = 0; r < shape->rows; ++r) {
        const uint8_t *p = yRows[r] + x * cols;
        ys = _mm256_add_epi16(ys, PairSums(Load32(p)));
        if (cols == 4) ys2 = _mm256_add_epi16(ys2, PairSums(Load32(p + 32)));
      }
      // Quads 0-3 8-11 | 4-7 12-15 after the pack, put back in order.
      if (cols == 4)
        ys = _mm256_permute4x64_epi64(_mm256_packs_epi32(_mm256_madd_epi16(ys, ones), _mm256_madd_epi16(ys2, ones)),
                                      0xD8);
      for (int r = 0; r < shape->crows; ++r) {
        if (ccols == 1) {
          us = _mm256_add_epi16(us, Widen16(uRows[r] + x));
          vs = _mm256_add_epi16(vs, Widen16(vRows[r] + x));
        } else {
          us = _mm256_add_epi16(us, PairSums(Load32(uRows[r] + 2 * x)));
          vs = _mm256_add_epi16(vs, PairSums(Load32(vRows[r] + 2 * x)));
        }
      }
      const __m256i lo = _mm256_unpacklo_epi16(us, vs), hi = _mm256_unpackhi_epi16(us, vs);
      auto chan = [&](__m256i coef, __m256i k) {
        const __m256i a = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(lo, coef), k), sh);
        const __m256i b = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(hi, coef), k), sh);
        const __m256i t = _mm256_sra_epi16(_mm256_add_epi16(ys, _mm256_packs_epi32(a, b)), shn);
        return _mm256_packus_epi16(t, t);
      };
      // Each lane holds its eight pixels' bytes twice; the low copies give
      // pixels 0-3 | 8-11 and 4-7 | 12-15.
      const __m256i bg = _mm256_unpacklo_epi8(chan(cb, kb), chan(cg, kg));
      const __m256i ra = _mm256_unpacklo_epi8(chan(cr, kr), alpha);
      const __m256i q0 = _mm256_unpacklo_epi16(bg, ra), q1 = _mm256_unpackhi_epi16(bg, ra);
      auto *d = reinterpret_cast<__m256i *>(bgra + 4 * x);
      _mm256_storeu_si256(d, _mm256_permute2x128_si256(q0, q1, 0x20));
      _mm256_storeu_si256(d + 1, _mm256_permute2x128_si256(q0, q1, 0x31));
    }
  }
  if (x < outWidth) ReduceFrom(Yuv420ReduceSSE2, x, yRows, uRows, vRows, bgra, outWidth, shape, c);
}

void UyvyToRgbAVX2(const uint8_t *uyvy, uint8_t *dst, int width, int bpp, const UyvyToRgbCoefs *c) {
  if (bpp == 3) return UyvyToRgb24AVX2(uyvy, dst, width, c);
  auto fits16 = [](int32_t v) { return v >= -32768 && v <= 32767; };
  int x = 0;
  if (bpp == 4 && fits16(c->ub) && fits16(c->ug) && fits16(c->vg) && fits16(c->vr)) {
    const __m256i mask = _mm256_set1_epi16(0xFF), c128 = _mm256_set1_epi16(128);
    const __m256i cbr = Pair(c->ub, c->vr), cg = Pair(c->ug, c->vg);
    const __m256i rnd = _mm256_set1_epi32(2048);
    const __m256i dupLo = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,
                                           0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
    const __m256i dupHi = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15,
                                           2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
    for (; x + 32 <= width; x += 32) {
      // a: pixels 0-7 | 8-15, b: 16-23 | 24-31, as (U Y V Y) words. Each
      // pair's offsets are formed in its own 32-bit slot and copied to both
      // halves, so they line up with the pair's two luma words.
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(uyvy + 2 * x));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(uyvy + 2 * x + 32));
      const __m256i ca = _mm256_sub_epi16(_mm256_and_si256(a, mask), c128);
      const __m256i cbb = _mm256_sub_epi16(_mm256_and_si256(b, mask), c128);
      const __m256i ya = _mm256_srli_epi16(a, 8), yb = _mm256_srli_epi16(b, 8);
      // Blue and red have one term each: with the chroma words times 8,
      // (8 u * ub + 2^14) >> 15, the rounding multiply, is (ub u + 2048) >> 12
      // exactly; blue lands in the U word, red in the V word.
      const __m256i bra = _mm256_mulhrs_epi16(_mm256_slli_epi16(ca, 3), cbr);
      const __m256i brb = _mm256_mulhrs_epi16(_mm256_slli_epi16(cbb, 3), cbr);
      const __m256i ga = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(ca, cg), rnd), 12);
      const __m256i gb = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(cbb, cg), rnd), 12);
      // Bytes in the lane order StoreBgra expects: [0-7 16-23 | 8-15 24-31].
      auto chan = [&](__m256i oa, __m256i ob, __m256i dup) {
        return _mm256_packus_epi16(_mm256_add_epi16(ya, _mm256_shuffle_epi8(oa, dup)),
                                   _mm256_add_epi16(yb, _mm256_shuffle_epi8(ob, dup)));
      };
      StoreBgra(dst + 4 * x, chan(bra, brb, dupLo), chan(ga, gb, dupLo), chan(bra, brb, dupHi));
    }
  }
  if (x < width) UyvyToRgbSSE2(uyvy + 2 * x, dst + bpp * x, width - x, bpp, c);
}

namespace {
// Four BGRA pixels to twelve BGR bytes (the top four bytes zero) and four
// BGR pixels (sixteen bytes loaded) to BGRA with alpha zero.
inline __m128i Squeeze(__m128i v) {
  return _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
}
inline __m128i Spread(__m128i v) {
  return _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
}
}  // namespace

// 24-bit rows: thirty-two pixels through the 32-bit form into a buffer,
// then squeezed; the last four pixels of a block are copied, not stored
// whole, so nothing is written past the row.
void UyvyToRgb24AVX2(const uint8_t *uyvy, uint8_t *dst, int width, const UyvyToRgbCoefs *c) {
  alignas(32) uint8_t tmp[128];
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    UyvyToRgbAVX2(uyvy + 2 * x, tmp, 32, 4, c);
    uint8_t *d = dst + 3 * x;
    for (int i = 0; i < 7; ++i)
      _mm_storeu_si128(reinterpret_cast<__m128i *>(d + 12 * i),
                       Squeeze(_mm_load_si128(reinterpret_cast<const __m128i *>(tmp + 16 * i))));
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(last), Squeeze(_mm_load_si128(reinterpret_cast<const __m128i *>(tmp + 112))));
    for (int i = 0; i < 12; ++i) d[84 + i] = last[i];
  }
  if (x < width) UyvyToRgbScalar(uyvy + 2 * x, dst + 3 * x, width - x, 3, c);
}

void RgbToUyvyAVX2(const uint8_t *src, uint8_t *uyvy, int width, int bpp, const RgbToUyvyCoefs *c) {
  auto fits16 = [](int32_t v) { return v >= -32768 && v <= 32767; };
  if (!(fits16(c->yr) && fits16(c->yg) && fits16(c->yb) && fits16(c->ur) && fits16(c->ug) && fits16(c->ub) &&
        fits16(c->vr) && fits16(c->vg) && fits16(c->vb)))
    return RgbToUyvySSE2(src, uyvy, width, bpp, c);
  // Each pixel as the words (B, R) and (G, A): one pmaddwd pair gives its
  // luma. The chroma rows take the pair's sums, copied to both pixels'
  // slots, so the same two multiplies give U in the first and V in the
  // second slot; U Y0 V Y1 are then the low words of chroma and luma.
  const __m256i bytes = _mm256_set1_epi32(0x00FF00FF);
  const __m256i yBR = Pair(c->yb, c->yr), yG = Pair(c->yg, 0), yAdd = _mm256_set1_epi32(2048);
  const __m256i uvBR = _mm256_unpacklo_epi32(Pair(c->ub, c->ur), Pair(c->vb, c->vr));
  const __m256i uvG = _mm256_unpacklo_epi32(Pair(c->ug, 0), Pair(c->vg, 0));
  const __m256i cAdd = _mm256_set1_epi32(0x80800);
  const __m256i lo1 = _mm256_set1_epi16(1), hi254 = _mm256_set1_epi16(254);
  // Eight pixels (lane 0: 0-3, lane 1: 4-7) to their four pairs' U Y0 V Y1
  // words, clamped.
  auto eight = [&](__m256i v) {
    const __m256i br = _mm256_and_si256(v, bytes), ga = _mm256_srli_epi16(v, 8);
    const __m256i y = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(br, yBR), _mm256_madd_epi16(ga, yG)), yAdd), 12);
    const __m256i sbr = _mm256_add_epi16(br, _mm256_shuffle_epi32(br, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m256i sga = _mm256_add_epi16(ga, _mm256_shuffle_epi32(ga, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m256i uv = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(sbr, uvBR), _mm256_madd_epi16(sga, uvG)), cAdd), 12);
    const __m256i w = _mm256_blend_epi16(uv, _mm256_slli_epi32(y, 16), 0xAA);
    return _mm256_min_epi16(_mm256_max_epi16(w, lo1), hi254);
  };
  auto load24 = [](const uint8_t *p) {  // eight BGR pixels; reads 4 bytes past the 24
    return _mm256_set_m128i(Spread(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 12))),
                            Spread(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))));
  };
  int x = 0;
  if (bpp == 4) {
    for (; x + 16 <= width; x += 16) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + 4 * x));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + 4 * x + 32));
      const __m256i o = _mm256_packus_epi16(eight(a), eight(b));
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(uyvy + 2 * x), _mm256_permute4x64_epi64(o, 0xD8));
    }
  } else {
    // The last block must leave four readable bytes after its 48.
    for (; 3 * (x + 16) + 4 <= 3 * width; x += 16) {
      const __m256i o = _mm256_packus_epi16(eight(load24(src + 3 * x)), eight(load24(src + 3 * x + 24)));
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(uyvy + 2 * x), _mm256_permute4x64_epi64(o, 0xD8));
    }
  }
  if (x < width) RgbToUyvySSE2(src + bpp * x, uyvy + 2 * x, width - x, bpp, c);
}

}  // namespace ko::colour::rows

namespace ko::colour::rows {

namespace {
// B, G, R of eight BGRA pixels as floats.
inline void Channels8(const uint8_t *p, __m256 *b, __m256 *g, __m256 *r) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), m = _mm256_set1_epi32(0xFF);
  *b = _mm256_cvtepi32_ps(_mm256_and_si256(v, m));
  *g = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(v, 8), m));
  *r = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(v, 16), m));
}
inline __m256 Row8(__m256 kr, __m256 kg, __m256 kb, __m256 r, __m256 g, __m256 b) {
  return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(kr, r), _mm256_mul_ps(kg, g)), _mm256_mul_ps(kb, b));
}
// clamp(v + 1.5e-8, 1, 254) truncated, as 32-bit integers.
inline __m256i Narrow8(__m256 v) {
  const __m256 t = _mm256_add_ps(v, _mm256_set1_ps(1.5e-8f));
  return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(t, _mm256_set1_ps(1.f)), _mm256_set1_ps(254.f)));
}
}  // namespace

void RgbToLumaAVX2(const uint8_t *bgra, uint8_t *y, int width, const YuvEncodeCoefs *c) {
  const __m256 kr = _mm256_set1_ps(c->yR), kg = _mm256_set1_ps(c->yG), kb = _mm256_set1_ps(c->yB);
  const __m256 ls = _mm256_set1_ps(c->lumaScale), lo = _mm256_set1_ps(c->lumaOff), half = _mm256_set1_ps(0.5f);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m256i q[4];
    for (int i = 0; i < 4; ++i) {
      __m256 b, g, r;
      Channels8(bgra + 4 * (x + 8 * i), &b, &g, &r);
      q[i] = Narrow8(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Row8(kr, kg, kb, r, g, b), ls), lo), half));
    }
    // Lane packing leaves the four groups' halves interleaved by lane.
    const __m256i p = _mm256_packus_epi16(_mm256_packs_epi32(q[0], q[1]), _mm256_packs_epi32(q[2], q[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(y + x), _mm256_permutevar8x32_epi32(p, order));
  }
  if (x < width) RgbToLumaSSE2(bgra + 4 * x, y + x, width - x, c);
}

void RgbToChroma420AVX2(const uint8_t *a, const uint8_t *b, uint8_t *u, uint8_t *v, int step, int chromaW,
                        const YuvEncodeCoefs *c) {
  const __m256 ur = _mm256_set1_ps(c->cbR), ug = _mm256_set1_ps(c->cbG), ub = _mm256_set1_ps(c->cbB);
  const __m256 vr = _mm256_set1_ps(c->crR), vg = _mm256_set1_ps(c->crG), vb = _mm256_set1_ps(c->crB);
  const __m256 cs = _mm256_set1_ps(c->chromaScale), quarter = _mm256_set1_ps(0.25f), off = _mm256_set1_ps(128.f),
               half = _mm256_set1_ps(0.5f);
  int k = 0;
  for (; k + 8 <= chromaW; k += 8) {
    __m256 su[2], sv[2];
    for (int i = 0; i < 2; ++i) {
      __m256 b0, g0, r0, b1, g1, r1;
      Channels8(a + 8 * k + 32 * i, &b0, &g0, &r0);
      Channels8(b + 8 * k + 32 * i, &b1, &g1, &r1);
      su[i] = _mm256_add_ps(Row8(ur, ug, ub, r0, g0, b0), Row8(ur, ug, ub, r1, g1, b1));
      sv[i] = _mm256_add_ps(Row8(vr, vg, vb, r0, g0, b0), Row8(vr, vg, vb, r1, g1, b1));
    }
    auto finish = [&](const __m256 *s, uint8_t *out) {
      // Per lane: samples 0, 1, 4, 5 | 2, 3, 6, 7; put them in order.
      const __m256 even = _mm256_shuffle_ps(s[0], s[1], _MM_SHUFFLE(2, 0, 2, 0));
      const __m256 odd = _mm256_shuffle_ps(s[0], s[1], _MM_SHUFFLE(3, 1, 3, 1));
      const __m256 sum = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(_mm256_add_ps(even, odd)), 0xD8));
      const __m256 t = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(sum, cs), quarter), off), half);
      alignas(32) int32_t q[8];
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(q), Narrow8(t));
      for (int i = 0; i < 8; ++i) out[(k + i) * step] = uint8_t(q[i]);
    };
    finish(su, u);
    finish(sv, v);
  }
  if (k < chromaW) RgbToChroma420SSE2(a + 8 * k, b + 8 * k, u + k * step, v + k * step, step, chromaW - k, c);
}

namespace {

// The chroma of a 2 x 2 block from its channel sums, for the pair kernel's
// quick path: A = sum R * kR + sum G * kG + sum B * kB + 128.5 with
// kX = cX * chromaScale / 4, in fused steps. The reference's result is
// trunc(T) for a T it forms with a dozen roundings of its own; |A - T| stays
// below (3060 S + 644) * 2^-24 where S = (|cR| + |cG| + |cB|) * chromaScale,
// under 2.4e-4 for S <= 1.1, and forming A - M and A + M adds 1.5e-5 more.
// Where A - M and A + M truncate alike (M = 2^-11, about twice those bounds)
// T truncates the same way; other samples are redone by the reference
// arithmetic.
constexpr float kChromaMargin = 1.f / 2048;

struct QuickChroma {
  __m256 kR, kG, kB;
};

bool QuickChromaFits(float r, float g, float b, float cs) {
  const double s = (std::fabs(double(r)) + std::fabs(double(g)) + std::fabs(double(b))) * double(cs);
  return s <= 1.1 && cs > 0;
}

QuickChroma QuickChromaOf(float r, float g, float b, float cs) {
  auto k = [cs](float v) { return _mm256_set1_ps(float(double(v) * double(cs) * 0.25)); };
  return {k(r), k(g), k(b)};
}

// Truncated A - M in *lo; the lanes where A + M truncates alike set in the
// returned mask.
inline __m256i QuickSample(const QuickChroma &q, __m256 sr, __m256 sg, __m256 sb, __m256i *lo) {
  const __m256 base = _mm256_set1_ps(128.5f), m = _mm256_set1_ps(kChromaMargin);
  const __m256 a = _mm256_fmadd_ps(sr, q.kR, _mm256_fmadd_ps(sg, q.kG, _mm256_fmadd_ps(sb, q.kB, base)));
  *lo = _mm256_cvttps_epi32(_mm256_sub_ps(a, m));
  return _mm256_cmpeq_epi32(*lo, _mm256_cvttps_epi32(_mm256_add_ps(a, m)));
}

// Luma of eight pixels before the clamp: (((yR R + yG G) + yB B) * scale
// + offset) + 0.5, truncated. The reference's clamp to 1..254 is applied to
// the packed bytes: trunc and that clamp commute, and its 1.5e-8 nudge moves
// nothing that is not clamped to 1 anyway (it is below half a unit in the
// last place of any value from 1 up).
// With a unit scale and no offset (full range) the multiply and the first
// add change no value (x * 1 and x + 0 are exact) and are left out.
template <bool Unit>
struct LumaRow {
  __m256 kr, kg, kb, ls, lo, half;
  __m256i operator()(__m256 r, __m256 g, __m256 b) const {
    const __m256 s = Row8(kr, kg, kb, r, g, b);
    if (Unit) return _mm256_cvttps_epi32(_mm256_add_ps(s, half));
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(s, ls), lo), half));
  }
};

inline __m256i Clamp1To254(__m256i v) {
  return _mm256_min_epu8(_mm256_max_epu8(v, _mm256_set1_epi8(1)), _mm256_set1_epi8(static_cast<char>(254)));
}

// B, G, R of eight BGRA pixels as floats; G and R taken by byte shuffles.
inline void Channels8Shuffled(const uint8_t *p, __m256 *b, __m256 *g, __m256 *r) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
  const __m256i pg = _mm256_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1,
                                      1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1);
  const __m256i pr = _mm256_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1,
                                      2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
  *b = _mm256_cvtepi32_ps(_mm256_and_si256(v, _mm256_set1_epi32(0xFF)));
  *g = _mm256_cvtepi32_ps(_mm256_shuffle_epi8(v, pg));
  *r = _mm256_cvtepi32_ps(_mm256_shuffle_epi8(v, pr));
}

// Redoes the samples k + i of the bits i (in the lane order 0 1 4 5 2 3 6 7)
// set in bu (Cb) and bv (Cr).
[[gnu::noinline, gnu::cold]] void RedoChroma(const uint8_t *a, const uint8_t *b, uint8_t *u, uint8_t *v, int step,
                                             int k, int bu, int bv, const YuvEncodeCoefs *c) {
  static constexpr int kSample[8] = {0, 1, 4, 5, 2, 3, 6, 7};
  for (int j = 0; j < 8; ++j) {
    const int ks = k + kSample[j];
    if (bu >> j & 1) u[ks * step] = Chroma420Sample(a + 8 * ks, b + 8 * ks, c->cbR, c->cbG, c->cbB, c->chromaScale);
    if (bv >> j & 1) v[ks * step] = Chroma420Sample(a + 8 * ks, b + 8 * ks, c->crR, c->crG, c->crB, c->chromaScale);
  }
}

// The quick path of the pair kernel over whole blocks of 32 columns; returns
// the columns done.
template <bool Unit>
int RgbToI420PairQuick(const uint8_t *a, const uint8_t *b, uint8_t *ya, uint8_t *yb, uint8_t *u, uint8_t *v,
                       int step, int width, const YuvEncodeCoefs *c) {
  int x = 0;
  const LumaRow<Unit> luma{_mm256_set1_ps(c->yR),        _mm256_set1_ps(c->yG),      _mm256_set1_ps(c->yB),
                           _mm256_set1_ps(c->lumaScale), _mm256_set1_ps(c->lumaOff), _mm256_set1_ps(0.5f)};
  const QuickChroma qu = QuickChromaOf(c->cbR, c->cbG, c->cbB, c->chromaScale);
  const QuickChroma qv = QuickChromaOf(c->crR, c->crG, c->crB, c->chromaScale);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  // Bytes per lane after the final pack and qword swap: Cb (or Cr) samples
  // 0 1 4 5 8 9 12 13 then 2 3 6 7 10 11 14 15.
  const __m256i inOrder = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                           0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
  for (; x + 32 <= width; x += 32) {
    // Each half (16 columns, 8 samples) is finished before the next is
    // read, so its column sums need not outlive it: luma words of both
    // rows, then the block sums in the lane order 0 1 4 5 | 2 3 6 7 and
    // their Cb and Cr.
    __m256i pa[2], pb[2], cu[2], cv[2], okU[2], okV[2];
    for (int h = 0; h < 2; ++h) {
      __m256i qa[2], qb[2];
      __m256 sb[2], sg[2], sr[2];  // column sums of the two rows, exact
      for (int i = 0; i < 2; ++i) {
        __m256 b0, g0, r0, b1, g1, r1;
        Channels8Shuffled(a + 4 * (x + 16 * h + 8 * i), &b0, &g0, &r0);
        Channels8Shuffled(b + 4 * (x + 16 * h + 8 * i), &b1, &g1, &r1);
        qa[i] = luma(r0, g0, b0);
        qb[i] = luma(r1, g1, b1);
        sb[i] = _mm256_add_ps(b0, b1);
        sg[i] = _mm256_add_ps(g0, g1);
        sr[i] = _mm256_add_ps(r0, r1);
      }
      pa[h] = _mm256_packs_epi32(qa[0], qa[1]);
      pb[h] = _mm256_packs_epi32(qb[0], qb[1]);
      auto blocks = [&](const __m256 *s) {
        const __m256 even = _mm256_shuffle_ps(s[0], s[1], _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 odd = _mm256_shuffle_ps(s[0], s[1], _MM_SHUFFLE(3, 1, 3, 1));
        return _mm256_add_ps(even, odd);
      };
      const __m256 br = blocks(sr), bg = blocks(sg), bb = blocks(sb);
      okU[h] = QuickSample(qu, br, bg, bb, &cu[h]);
      okV[h] = QuickSample(qv, br, bg, bb, &cv[h]);
    }
    const __m256i la = _mm256_packus_epi16(pa[0], pa[1]), lb = _mm256_packus_epi16(pb[0], pb[1]);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(ya + x), _mm256_permutevar8x32_epi32(Clamp1To254(la), order));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(yb + x), _mm256_permutevar8x32_epi32(Clamp1To254(lb), order));
    const __m256i w = _mm256_packus_epi16(_mm256_packs_epi32(cu[0], cu[1]), _mm256_packs_epi32(cv[0], cv[1]));
    const __m256i uv = Clamp1To254(_mm256_shuffle_epi8(_mm256_permute4x64_epi64(w, 0xD8), inOrder));
    const int k = x / 2;
    const __m128i uu = _mm256_castsi256_si128(uv), vv = _mm256_extracti128_si256(uv, 1);
    if (step == 2) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(u + 2 * k), _mm_unpacklo_epi8(uu, vv));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(u + 2 * k + 16), _mm_unpackhi_epi8(uu, vv));
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(u + k), uu);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(v + k), vv);
    }
    // Samples outside the margin (one or two in a thousand) are redone by
    // the reference.
    const __m256i all = _mm256_and_si256(_mm256_and_si256(okU[0], okU[1]), _mm256_and_si256(okV[0], okV[1]));
    if (__builtin_expect(_mm256_movemask_ps(_mm256_castsi256_ps(all)) != 0xFF, 0))
      for (int h = 0; h < 2; ++h) {
        const int bu = ~_mm256_movemask_ps(_mm256_castsi256_ps(okU[h])) & 0xFF;
        const int bv = ~_mm256_movemask_ps(_mm256_castsi256_ps(okV[h])) & 0xFF;
        if (bu | bv) RedoChroma(a, b, u, v, step, k + 8 * h, bu, bv, c);
      }
  }
  return x;
}

}  // namespace

// Both rows' pixels are read and widened once for their luma and their
// chroma. Luma follows the reference's arithmetic; chroma takes the quick
// path above where its margin holds and the reference arithmetic elsewhere.
void RgbToI420PairAVX2(const uint8_t *a, const uint8_t *b, uint8_t *ya, uint8_t *yb, uint8_t *u, uint8_t *v,
                       int step, int width, const YuvEncodeCoefs *c) {
  // Coefficients outside the quick path's bound, or large enough for the
  // unclamped luma to leave the integer range, take the two kernels above.
  const double lumaGain = (std::fabs(double(c->yR)) + std::fabs(double(c->yG)) + std::fabs(double(c->yB))) *
                          std::fabs(double(c->lumaScale));
  const bool quick = QuickChromaFits(c->cbR, c->cbG, c->cbB, c->chromaScale) &&
                     QuickChromaFits(c->crR, c->crG, c->crB, c->chromaScale) && lumaGain <= 4 &&
                     std::fabs(c->lumaOff) <= 1024;
  int x = 0;
  if (quick)
    x = c->lumaScale == 1 && c->lumaOff == 0 ? RgbToI420PairQuick<true>(a, b, ya, yb, u, v, step, width, c)
                                             : RgbToI420PairQuick<false>(a, b, ya, yb, u, v, step, width, c);
  if (x < width) {
    RgbToLumaAVX2(a + 4 * x, ya + x, width - x, c);
    RgbToLumaAVX2(b + 4 * x, yb + x, width - x, c);
    const int k = x / 2;
    if (k < width / 2) RgbToChroma420AVX2(a + 8 * k, b + 8 * k, u + k * step, v + k * step, step, width / 2 - k, c);
  }
}

}  // namespace ko::colour::rows
