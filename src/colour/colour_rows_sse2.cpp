// SSE2 forms of the colour row kernels: the same integer arithmetic as the
// scalar references, eight or sixteen pixels a step, the tail through the
// reference.
#include <emmintrin.h>

#include "colour/colour_rows.h"

namespace ko::colour::rows {

namespace {

inline __m128i Pair(int lo, int hi) {
  return _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(hi) << 16) | (static_cast<uint32_t>(lo) & 0xFFFFu)));
}

// (a * first + b * second + add) >> shift for the eight (first, second)
// pairs held in lo (pairs 0-3) and hi (pairs 4-7), as eight 16-bit values.
inline __m128i Offsets(__m128i lo, __m128i hi, __m128i coef, __m128i add, __m128i shift) {
  const __m128i a = _mm_sra_epi32(_mm_add_epi32(_mm_madd_epi16(lo, coef), add), shift);
  const __m128i b = _mm_sra_epi32(_mm_add_epi32(_mm_madd_epi16(hi, coef), add), shift);
  return _mm_packs_epi32(a, b);
}

// Sixteen B, G, R bytes and opaque alpha to sixty-four BGRA bytes.
inline void StoreBgra(uint8_t *dst, __m128i b, __m128i g, __m128i r) {
  const __m128i a = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
  const __m128i raLo = _mm_unpacklo_epi8(r, a), raHi = _mm_unpackhi_epi8(r, a);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), _mm_unpacklo_epi16(bgLo, raLo));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 16), _mm_unpackhi_epi16(bgLo, raLo));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 32), _mm_unpacklo_epi16(bgHi, raHi));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 48), _mm_unpackhi_epi16(bgHi, raHi));
}

inline __m128i Load8(const uint8_t *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }
inline __m128i Load16(const uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }

// Sums of adjacent byte pairs of 16 bytes, as eight 16-bit values.
inline __m128i PairSums(__m128i t) {
  return _mm_add_epi16(_mm_and_si128(t, _mm_set1_epi16(0xFF)), _mm_srli_epi16(t, 8));
}

}  // namespace

void Yuv420RowSSE2(const uint8_t *y, const uint8_t *u, const uint8_t *v, uint8_t *bgra, int width,
                   const Q14Coefs *c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
  const __m128i kb = _mm_set1_epi32(c->kb), kg = _mm_set1_epi32(c->kg), kr = _mm_set1_epi32(c->kr);
  const __m128i sh = _mm_cvtsi32_si128(14);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i uu = _mm_unpacklo_epi8(Load8(u + x / 2), zero);
    const __m128i vv = _mm_unpacklo_epi8(Load8(v + x / 2), zero);
    const __m128i lo = _mm_unpacklo_epi16(uu, vv), hi = _mm_unpackhi_epi16(uu, vv);
    const __m128i ob = Offsets(lo, hi, cb, kb, sh), og = Offsets(lo, hi, cg, kg, sh),
                  orr = Offsets(lo, hi, cr, kr, sh);
    const __m128i yy = Load16(y + x);
    const __m128i yl = _mm_unpacklo_epi8(yy, zero), yh = _mm_unpackhi_epi8(yy, zero);
    auto chan = [&](__m128i o) {
      return _mm_packus_epi16(_mm_add_epi16(yl, _mm_unpacklo_epi16(o, o)),
                              _mm_add_epi16(yh, _mm_unpackhi_epi16(o, o)));
    };
    StoreBgra(bgra + 4 * x, chan(ob), chan(og), chan(orr));
  }
  if (x < width) Yuv420RowScalar(y + x, u + x / 2, v + x / 2, bgra + 4 * x, width - x, c);
}

void Yuv420RowPairSSE2(const uint8_t *y0, const uint8_t *y1, const uint8_t *u, const uint8_t *v, uint8_t *d0,
                       uint8_t *d1, int width, const Q14Coefs *c) {
  Yuv420RowSSE2(y0, u, v, d0, width, c);
  Yuv420RowSSE2(y1, u, v, d1, width, c);
}

void Yuv420ReduceSSE2(const uint8_t *const *yRows, const uint8_t *const *uRows,
                      const uint8_t *const *vRows, uint8_t *bgra, int outWidth,
                      const ReduceShape *shape, const Q14Coefs *c) {
  const int cols = shape->cols, ccols = shape->ccols;
  int x = 0;
  if (ReduceVectorShape(*shape)) {
    const int m = ccols * shape->crows;
    int ln, lr;
    ReduceShifts(*shape, &ln, &lr);
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi16(1);
    const __m128i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
    const __m128i kb = _mm_set1_epi32(m * c->kb), kg = _mm_set1_epi32(m * c->kg),
                  kr = _mm_set1_epi32(m * c->kr);
    const __m128i sh = _mm_cvtsi32_si128(14 - lr), shn = _mm_cvtsi32_si128(ln);
    for (; x + 8 <= outWidth; x += 8) {
      __m128i ys = zero, ys2 = zero, us = zero, vs = zero;
      for (int r = 0; r < shape->rows; ++r) {
        const uint8_t *p = yRows[r] + x * cols;
        ys = _mm_add_epi16(ys, PairSums(Load16(p)));
        if (cols == 4) ys2 = _mm_add_epi16(ys2, PairSums(Load16(p + 16)));
      }
      if (cols == 4) ys = _mm_packs_epi32(_mm_madd_epi16(ys, ones), _mm_madd_epi16(ys2, ones));
      for (int r = 0; r < shape->crows; ++r) {
        if (ccols == 1) {
          us = _mm_add_epi16(us, _mm_unpacklo_epi8(Load8(uRows[r] + x), zero));
          vs = _mm_add_epi16(vs, _mm_unpacklo_epi8(Load8(vRows[r] + x), zero));
        } else {
          us = _mm_add_epi16(us, PairSums(Load16(uRows[r] + 2 * x)));
          vs = _mm_add_epi16(vs, PairSums(Load16(vRows[r] + 2 * x)));
        }
      }
      const __m128i lo = _mm_unpacklo_epi16(us, vs), hi = _mm_unpackhi_epi16(us, vs);
      auto chan = [&](__m128i coef, __m128i k) {
        const __m128i o = Offsets(lo, hi, coef, k, sh);
        const __m128i t = _mm_sra_epi16(_mm_add_epi16(ys, o), shn);
        return _mm_packus_epi16(t, t);
      };
      const __m128i b = chan(cb, kb), g = chan(cg, kg), r = chan(cr, kr);
      alignas(16) uint8_t tmp[64];
      StoreBgra(tmp, b, g, r);
      for (int i = 0; i < 32; ++i) bgra[4 * x + i] = tmp[i];
    }
  }
  if (x < outWidth) ReduceFrom(Yuv420ReduceScalar, x, yRows, uRows, vRows, bgra, outWidth, shape, c);
}

void UyvyToRgbSSE2(const uint8_t *uyvy, uint8_t *dst, int width, int bpp, const UyvyToRgbCoefs *c) {
  int x = 0;
  if (bpp == 4) {
    const __m128i mask = _mm_set1_epi16(0xFF), c128 = _mm_set1_epi16(128);
    const __m128i cb = Pair(c->ub, 0), cg = Pair(c->ug, c->vg), cr = Pair(0, c->vr);
    const __m128i rnd = _mm_set1_epi32(2048), sh = _mm_cvtsi32_si128(12);
    for (; x + 16 <= width; x += 16) {
      const __m128i a = Load16(uyvy + 2 * x), b = Load16(uyvy + 2 * x + 16);
      const __m128i ca = _mm_sub_epi16(_mm_and_si128(a, mask), c128);
      const __m128i cbv = _mm_sub_epi16(_mm_and_si128(b, mask), c128);
      const __m128i ya = _mm_srli_epi16(a, 8), yb = _mm_srli_epi16(b, 8);
      auto chan = [&](__m128i coef) {
        const __m128i o = Offsets(ca, cbv, coef, rnd, sh);
        return _mm_packus_epi16(_mm_add_epi16(ya, _mm_unpacklo_epi16(o, o)),
                                _mm_add_epi16(yb, _mm_unpackhi_epi16(o, o)));
      };
      StoreBgra(dst + 4 * x, chan(cb), chan(cg), chan(cr));
    }
  }
  if (x < width) UyvyToRgbScalar(uyvy + 2 * x, dst + bpp * x, width - x, bpp, c);
}

void RgbToUyvySSE2(const uint8_t *src, uint8_t *uyvy, int width, int bpp, const RgbToUyvyCoefs *c) {
  int x = 0;
  if (bpp == 4) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i cy = _mm_setr_epi16(static_cast<short>(c->yb), static_cast<short>(c->yg),
                                      static_cast<short>(c->yr), 0, static_cast<short>(c->yb),
                                      static_cast<short>(c->yg), static_cast<short>(c->yr), 0);
    const __m128i cuv = _mm_setr_epi16(static_cast<short>(c->ub), static_cast<short>(c->ug),
                                       static_cast<short>(c->ur), 0, static_cast<short>(c->vb),
                                       static_cast<short>(c->vg), static_cast<short>(c->vr), 0);
    const __m128i add = _mm_setr_epi32(0x80800, 2048, 0x80800, 2048);
    const __m128i lo1 = _mm_set1_epi16(1), hi254 = _mm_set1_epi16(254);
    // One pixel pair (eight 16-bit channels) to U, Y0, V, Y1 as 32-bit values.
    auto pair = [&](__m128i px) {
      __m128i ym = _mm_madd_epi16(px, cy);
      ym = _mm_add_epi32(ym, _mm_srli_epi64(ym, 32));
      const __m128i s = _mm_add_epi16(px, _mm_srli_si128(px, 8));
      __m128i cm = _mm_madd_epi16(_mm_unpacklo_epi64(s, s), cuv);
      cm = _mm_add_epi32(cm, _mm_srli_epi64(cm, 32));
      const __m128i yv = _mm_shuffle_epi32(ym, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128i cv = _mm_shuffle_epi32(cm, _MM_SHUFFLE(2, 0, 2, 0));
      return _mm_srai_epi32(_mm_add_epi32(_mm_unpacklo_epi32(cv, yv), add), 12);
    };
    for (; x + 8 <= width; x += 8) {
      const __m128i a = Load16(src + 4 * x), b = Load16(src + 4 * x + 16);
      const __m128i w0 = _mm_packs_epi32(pair(_mm_unpacklo_epi8(a, zero)), pair(_mm_unpackhi_epi8(a, zero)));
      const __m128i w1 = _mm_packs_epi32(pair(_mm_unpacklo_epi8(b, zero)), pair(_mm_unpackhi_epi8(b, zero)));
      const __m128i k0 = _mm_min_epi16(_mm_max_epi16(w0, lo1), hi254);
      const __m128i k1 = _mm_min_epi16(_mm_max_epi16(w1, lo1), hi254);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(uyvy + 2 * x), _mm_packus_epi16(k0, k1));
    }
  }
  if (x < width) RgbToUyvyScalar(src + bpp * x, uyvy + 2 * x, width - x, bpp, c);
}

namespace {
// B, G, R of four BGRA pixels as floats.
inline void Channels(const uint8_t *p, __m128 *b, __m128 *g, __m128 *r) {
  const __m128i v = Load16(p), m = _mm_set1_epi32(0xFF);
  *b = _mm_cvtepi32_ps(_mm_and_si128(v, m));
  *g = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(v, 8), m));
  *r = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(v, 16), m));
}
inline __m128 Row(__m128 kr, __m128 kg, __m128 kb, __m128 r, __m128 g, __m128 b) {
  return _mm_add_ps(_mm_add_ps(_mm_mul_ps(kr, r), _mm_mul_ps(kg, g)), _mm_mul_ps(kb, b));
}
// clamp(v + 1.5e-8, 1, 254) truncated, as 32-bit integers.
inline __m128i Narrow(__m128 v) {
  const __m128 t = _mm_add_ps(v, _mm_set1_ps(1.5e-8f));
  return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(t, _mm_set1_ps(1.f)), _mm_set1_ps(254.f)));
}
}  // namespace

void RgbToLumaSSE2(const uint8_t *bgra, uint8_t *y, int width, const YuvEncodeCoefs *c) {
  const __m128 kr = _mm_set1_ps(c->yR), kg = _mm_set1_ps(c->yG), kb = _mm_set1_ps(c->yB);
  const __m128 ls = _mm_set1_ps(c->lumaScale), lo = _mm_set1_ps(c->lumaOff), half = _mm_set1_ps(0.5f);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i q[4];
    for (int i = 0; i < 4; ++i) {
      __m128 b, g, r;
      Channels(bgra + 4 * (x + 4 * i), &b, &g, &r);
      q[i] = Narrow(_mm_add_ps(_mm_add_ps(_mm_mul_ps(Row(kr, kg, kb, r, g, b), ls), lo), half));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(y + x),
                     _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3])));
  }
  if (x < width) RgbToLumaScalar(bgra + 4 * x, y + x, width - x, c);
}

void RgbToChroma420SSE2(const uint8_t *a, const uint8_t *b, uint8_t *u, uint8_t *v, int step, int chromaW,
                        const YuvEncodeCoefs *c) {
  const __m128 ur = _mm_set1_ps(c->cbR), ug = _mm_set1_ps(c->cbG), ub = _mm_set1_ps(c->cbB);
  const __m128 vr = _mm_set1_ps(c->crR), vg = _mm_set1_ps(c->crG), vb = _mm_set1_ps(c->crB);
  const __m128 cs = _mm_set1_ps(c->chromaScale), quarter = _mm_set1_ps(0.25f), off = _mm_set1_ps(128.f),
               half = _mm_set1_ps(0.5f);
  int k = 0;
  for (; k + 4 <= chromaW; k += 4) {
    __m128 su[2], sv[2];
    for (int i = 0; i < 2; ++i) {
      __m128 b0, g0, r0, b1, g1, r1;
      Channels(a + 8 * k + 16 * i, &b0, &g0, &r0);
      Channels(b + 8 * k + 16 * i, &b1, &g1, &r1);
      su[i] = _mm_add_ps(Row(ur, ug, ub, r0, g0, b0), Row(ur, ug, ub, r1, g1, b1));
      sv[i] = _mm_add_ps(Row(vr, vg, vb, r0, g0, b0), Row(vr, vg, vb, r1, g1, b1));
    }
    auto finish = [&](const __m128 *s, uint8_t *out) {
      const __m128 even = _mm_shuffle_ps(s[0], s[1], _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 odd = _mm_shuffle_ps(s[0], s[1], _MM_SHUFFLE(3, 1, 3, 1));
      const __m128 t = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_mul_ps(_mm_add_ps(even, odd), cs), quarter), off), half);
      alignas(16) int32_t q[4];
      _mm_store_si128(reinterpret_cast<__m128i *>(q), Narrow(t));
      for (int i = 0; i < 4; ++i) out[(k + i) * step] = uint8_t(q[i]);
    };
    finish(su, u);
    finish(sv, v);
  }
  if (k < chromaW) RgbToChroma420Scalar(a + 8 * k, b + 8 * k, u + k * step, v + k * step, step, chromaW - k, c);
}

void RgbToI420PairSSE2(const uint8_t *a, const uint8_t *b, uint8_t *ya, uint8_t *yb, uint8_t *u, uint8_t *v,
                       int step, int width, const YuvEncodeCoefs *c) {
  RgbToLumaSSE2(a, ya, width, c);
  RgbToLumaSSE2(b, yb, width, c);
  RgbToChroma420SSE2(a, b, u, v, step, width / 2, c);
}

}  // namespace ko::colour::rows
