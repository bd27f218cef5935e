// AVX2 twins of the copy engine's row converters; byte-identical to the
// scalar rows in xchg_rows.cpp. Multiplies and adds stay separate (no fused
// multiply-add) so that float rows round exactly as the scalar ones.
#pragma GCC optimize("fp-contract=off")
#include <immintrin.h>

#include <cstring>

#include "pixels/xchg_internal.h"

namespace ko::pixels::xchg {
namespace {

inline __m256i Load(const uint8_t *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
inline void Store(uint8_t *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

// Scalar tails (same arithmetic as the reference rows).
inline uint32_t Quantize(float v, float top) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return uint32_t(top);
  return uint32_t(v * top + 0.5f);
}

void Rgb24ToRgb32_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256i perm = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
  // The permute starts the upper lane at byte 12, so both lanes shuffle alike.
  const __m256i shuf = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                        0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i alpha = _mm256_set1_epi32(int32_t(0xFF000000u));
  int i = 0;
  // Eight pixels (24 bytes) per step; the 32-byte load needs 11 pixels' bytes.
  for (; i + 11 <= n; i += 8, s += 24, d += 32) {
    const __m256i v = _mm256_permutevar8x32_epi32(Load(s), perm);
    Store(d, _mm256_or_si256(_mm256_shuffle_epi8(v, shuf), alpha));
  }
  for (; i < n; ++i, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 255;
  }
}

void Rgb32ToRgb24_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256i shuf = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i perm = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  int i = 0;
  // Eight pixels per step: 32 bytes written, the last 8 of them overwritten
  // by the next step, so the loop stops while 11 pixels of room remain.
  for (; i + 11 <= n; i += 8, s += 32, d += 24)
    Store(d, _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Load(s), shuf), perm));
  for (; i < n; ++i, s += 4, d += 3) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

template <int V>
void Rgb32To64_AVX2(const uint8_t *s, uint8_t *d, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 16, d += 32) {
    const __m256i w = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(s)));
    Store(d, V ? _mm256_or_si256(w, _mm256_slli_epi16(w, 8)) : _mm256_slli_epi16(w, 8));
  }
  for (int k = 0; k < 4 * (n - i); ++k) {
    const uint16_t v = V ? uint16_t(s[k] * 257) : uint16_t(s[k] << 8);
    std::memcpy(d + 2 * k, &v, 2);
  }
}

void Rgb64To32_AVX2(const uint8_t *s, uint8_t *d, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8, s += 64, d += 32) {
    const __m256i p = _mm256_packus_epi16(_mm256_srli_epi16(Load(s), 8), _mm256_srli_epi16(Load(s + 32), 8));
    Store(d, _mm256_permute4x64_epi64(p, 0xD8));
  }
  for (int k = 0; k < 4 * (n - i); ++k) {
    uint16_t v;
    std::memcpy(&v, s + 2 * k, 2);
    d[k] = uint8_t(v >> 8);
  }
}

inline __m256i Quantize8(__m256 v, __m256 top) {
  v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
  const __m256 scaled = _mm256_mul_ps(v, top);
  return _mm256_cvttps_epi32(_mm256_add_ps(scaled, _mm256_set1_ps(0.5f)));
}

// Packs and unpacks work per 128-bit lane: dwords 0 4 1 5 2 6 3 7 back in order.
inline __m256i Reorder(__m256i p) {
  return _mm256_permutevar8x32_epi32(p, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// 32 floats (eight pixels) to 32 bytes.
inline __m256i QuantizeEight255(const float *f) {
  const __m256 top = _mm256_set1_ps(255.0f);
  const __m256i a = Quantize8(_mm256_loadu_ps(f), top), b = Quantize8(_mm256_loadu_ps(f + 8), top);
  const __m256i c = Quantize8(_mm256_loadu_ps(f + 16), top), e = Quantize8(_mm256_loadu_ps(f + 24), top);
  return Reorder(_mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, e)));
}

void FloatTo32_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 8 <= n; i += 8, f += 32, d += 32) Store(d, QuantizeEight255(f));
  for (int k = 0; k < 4 * (n - i); ++k) d[k] = uint8_t(Quantize(f[k], 255.0f));
}

void FloatTo24_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256i shuf = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i perm = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  // As the 4-to-3 byte row: 32 bytes written for 24, so 11 pixels of room.
  for (; i + 11 <= n; i += 8, f += 32, d += 24)
    Store(d, _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(QuantizeEight255(f), shuf), perm));
  for (; i < n; ++i, f += 4, d += 3)
    for (int c = 0; c < 3; ++c) d[c] = uint8_t(Quantize(f[c], 255.0f));
}

// Eight pixels a time, the channels transposed within each lane (lane 0
// holds pixels 0 2 4 6, lane 1 pixels 1 3 5 7) and quantized each with its
// own top, shifted into place and put back in pixel order.
void FloatTo1010_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256 ten = _mm256_set1_ps(1023.0f), two = _mm256_set1_ps(3.0f);
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 8 <= n; i += 8, f += 32, d += 32) {
    const __m256 p0 = _mm256_loadu_ps(f), p1 = _mm256_loadu_ps(f + 8);
    const __m256 p2 = _mm256_loadu_ps(f + 16), p3 = _mm256_loadu_ps(f + 24);
    const __m256 t0 = _mm256_unpacklo_ps(p0, p1), t1 = _mm256_unpackhi_ps(p0, p1);
    const __m256 t2 = _mm256_unpacklo_ps(p2, p3), t3 = _mm256_unpackhi_ps(p2, p3);
    const __m256 b = _mm256_shuffle_ps(t0, t2, 0x44), g = _mm256_shuffle_ps(t0, t2, 0xEE);
    const __m256 r = _mm256_shuffle_ps(t1, t3, 0x44), a = _mm256_shuffle_ps(t1, t3, 0xEE);
    __m256i w = Quantize8(b, ten);
    w = _mm256_or_si256(w, _mm256_slli_epi32(Quantize8(g, ten), 10));
    w = _mm256_or_si256(w, _mm256_slli_epi32(Quantize8(r, ten), 20));
    w = _mm256_or_si256(w, _mm256_slli_epi32(Quantize8(a, two), 30));
    Store(d, Reorder(w));
  }
  for (; i < n; ++i, f += 4, d += 4) {
    const uint32_t w = Quantize(f[0], 1023.0f) | Quantize(f[1], 1023.0f) << 10 |
                       Quantize(f[2], 1023.0f) << 20 | Quantize(f[3], 3.0f) << 30;
    std::memcpy(d, &w, 4);
  }
}

void FloatTo64_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256 top = _mm256_set1_ps(65535.0f);
  const __m256i bias = _mm256_set1_epi32(32768);
  const __m256i flip = _mm256_set1_epi16(int16_t(0x8000));
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 4 <= n; i += 4, f += 16, d += 32) {
    const __m256i a = _mm256_sub_epi32(Quantize8(_mm256_loadu_ps(f), top), bias);
    const __m256i b = _mm256_sub_epi32(Quantize8(_mm256_loadu_ps(f + 8), top), bias);
    const __m256i p = _mm256_xor_si256(_mm256_packs_epi32(a, b), flip);
    Store(d, _mm256_permute4x64_epi64(p, 0xD8));
  }
  for (int k = 0; k < 4 * (n - i); ++k) {
    const uint16_t w = uint16_t(Quantize(f[k], 65535.0f));
    std::memcpy(d + 2 * k, &w, 2);
  }
}

template <int V>
void Rgb32ToFloat_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256 div = _mm256_set1_ps(65535.0f);
  auto *f = reinterpret_cast<float *>(d);
  int i = 0;
  for (; i + 2 <= n; i += 2, s += 8, f += 8) {
    const __m256i w = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(s)));
    const __m256i x = V ? _mm256_mullo_epi32(w, _mm256_set1_epi32(257)) : _mm256_slli_epi32(w, 8);
    _mm256_storeu_ps(f, _mm256_div_ps(_mm256_cvtepi32_ps(x), div));
  }
  for (int k = 0; k < 4 * (n - i); ++k) {
    const uint32_t w = V ? s[k] * 257u : uint32_t(s[k]) << 8;
    f[k] = float(w) / 65535.0f;
  }
}

void Rgb64ToFloat_AVX2(const uint8_t *s, uint8_t *d, int n) {
  const __m256 div = _mm256_set1_ps(65535.0f);
  auto *f = reinterpret_cast<float *>(d);
  int i = 0;
  for (; i + 2 <= n; i += 2, s += 16, f += 8) {
    const __m256i w = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(s)));
    _mm256_storeu_ps(f, _mm256_div_ps(_mm256_cvtepi32_ps(w), div));
  }
  for (int k = 0; k < 4 * (n - i); ++k) {
    uint16_t w;
    std::memcpy(&w, s + 2 * k, 2);
    f[k] = float(w) / 65535.0f;
  }
}

}  // namespace

RowFn RowFunctionAVX2(RowKind kind) {
  switch (kind) {
    case RowKind::Rgb24ToRgb32: return Rgb24ToRgb32_AVX2;
    case RowKind::Rgb32ToRgb24: return Rgb32ToRgb24_AVX2;
    case RowKind::Rgb32To64V0: return Rgb32To64_AVX2<0>;
    case RowKind::Rgb32To64V1: return Rgb32To64_AVX2<1>;
    case RowKind::Rgb64To32: return Rgb64To32_AVX2;
    case RowKind::FloatTo32: return FloatTo32_AVX2;
    case RowKind::FloatTo24: return FloatTo24_AVX2;
    case RowKind::FloatTo1010: return FloatTo1010_AVX2;
    case RowKind::FloatTo64: return FloatTo64_AVX2;
    case RowKind::Rgb32ToFloatV0: return Rgb32ToFloat_AVX2<0>;
    case RowKind::Rgb32ToFloatV1: return Rgb32ToFloat_AVX2<1>;
    case RowKind::Rgb64ToFloat: return Rgb64ToFloat_AVX2;
    default: return nullptr;
  }
}

}  // namespace ko::pixels::xchg
