// The vector operations the image-operation rows are written with, once for
// 128-bit (SSE2) and once for 256-bit (AVX2) registers. The rows themselves
// (simd_rows.h) are templates over these, so both forms run the same steps.
// 256-bit unpacks and packs work within each 128-bit half; every row here
// unpacks and packs in pairs, so pixels come back where they started.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace ko::imageops::simd {

struct V128 {
  using I = __m128i;
  using F = __m128;
  static constexpr int kBytes = 16;
  static I LoadI(const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); }
  static void StoreI(void *p, I v) { _mm_storeu_si128(static_cast<__m128i *>(p), v); }
  static I Zero() { return _mm_setzero_si128(); }
  static I Set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static I Set32(int v) { return _mm_set1_epi32(v); }
  static I Set64(long long v) { return _mm_set1_epi64x(v); }
  static I Lo8(I v) { return _mm_unpacklo_epi8(v, Zero()); }
  static I Hi8(I v) { return _mm_unpackhi_epi8(v, Zero()); }
  // Bytes of a and b interleaved (a0 b0 a1 b1 ...), low and high halves.
  static I Zip8Lo(I a, I b) { return _mm_unpacklo_epi8(a, b); }
  static I Zip8Hi(I a, I b) { return _mm_unpackhi_epi8(a, b); }
  static I MinU8(I a, I b) { return _mm_min_epu8(a, b); }
  static I AddSatU8(I a, I b) { return _mm_adds_epu8(a, b); }
  static I Xor(I a, I b) { return _mm_xor_si128(a, b); }
  // Every byte of a pixel set to its alpha byte.
  static I AlphaBytes(I v) {
    const I a = _mm_srli_epi32(v, 24), aa = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    return _mm_or_si128(aa, _mm_slli_epi32(aa, 16));
  }
  static I Pack16(I a, I b) { return _mm_packus_epi16(a, b); }
  static I Add16(I a, I b) { return _mm_add_epi16(a, b); }
  static I Sub16(I a, I b) { return _mm_sub_epi16(a, b); }
  static I Mul16(I a, I b) { return _mm_mullo_epi16(a, b); }
  static I MulHiU16(I a, I b) { return _mm_mulhi_epu16(a, b); }
  static I Srl16(I a, int n) { return _mm_srli_epi16(a, n); }
  static I Sll16(I a, int n) { return _mm_slli_epi16(a, n); }
  static I Min16(I a, I b) { return _mm_min_epi16(a, b); }
  static I Max16(I a, I b) { return _mm_max_epi16(a, b); }
  static I Lt16(I a, I b) { return _mm_cmplt_epi16(a, b); }
  static I And(I a, I b) { return _mm_and_si128(a, b); }
  static I AndNot(I a, I b) { return _mm_andnot_si128(a, b); }
  static I Or(I a, I b) { return _mm_or_si128(a, b); }
  static I Alpha16(I v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }
  static I Lo16(I a, I b) { return _mm_unpacklo_epi16(a, b); }
  static I Hi16(I a, I b) { return _mm_unpackhi_epi16(a, b); }
  static I Madd16(I a, I b) { return _mm_madd_epi16(a, b); }
  static I Sra32(I a, int n) { return _mm_srai_epi32(a, n); }
  static I Add32(I a, I b) { return _mm_add_epi32(a, b); }
  static I Pack32(I a, I b) { return _mm_packs_epi32(a, b); }
  static F LoadF(const float *p) { return _mm_loadu_ps(p); }
  static void StoreF(float *p, F v) { _mm_storeu_ps(p, v); }
  static F SetF(float v) { return _mm_set1_ps(v); }
  static F AddF(F a, F b) { return _mm_add_ps(a, b); }
  static F SubF(F a, F b) { return _mm_sub_ps(a, b); }
  static F MulF(F a, F b) { return _mm_mul_ps(a, b); }
  static F MinF(F a, F b) { return _mm_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm_max_ps(a, b); }
  static F LtF(F a, F b) { return _mm_cmplt_ps(a, b); }
  static F GeF(F a, F b) { return _mm_cmpge_ps(a, b); }
  static F AndF(F a, F b) { return _mm_and_ps(a, b); }
  static F SelF(F m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }
  static F AlphaF(F v) { return _mm_shuffle_ps(v, v, 0xFF); }
  static F AsF(I v) { return _mm_castsi128_ps(v); }
  static F ToF(I v) { return _mm_cvtepi32_ps(v); }
  static I TruncI(F v) { return _mm_cvttps_epi32(v); }
  static constexpr int kFloats = 4;
  static F AlphaMaskF() { return _mm_castsi128_ps(_mm_set_epi32(-1, 0, 0, 0)); }
  // kFloats bytes -> floats, and kFloats ints -> bytes (saturated to 0..255).
  static F BytesToF(const uint8_t *p) {
    int v;
    __builtin_memcpy(&v, p, 4);
    const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), Zero());
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(b, Zero()));
  }
  static void IntsToBytes(uint8_t *p, I v) {
    const int b = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), Zero()));
    __builtin_memcpy(p, &b, 4);
  }
  // Four vectors of ints -> 4 kFloats bytes (saturated), in order.
  static void IntsToBytes4(uint8_t *p, I a, I b, I c, I d) {
    StoreI(p, _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
  }
};

#ifdef __AVX2__
struct V256 {
  using I = __m256i;
  using F = __m256;
  static constexpr int kBytes = 32;
  static I LoadI(const void *p) { return _mm256_loadu_si256(static_cast<const __m256i *>(p)); }
  static void StoreI(void *p, I v) { _mm256_storeu_si256(static_cast<__m256i *>(p), v); }
  static I Zero() { return _mm256_setzero_si256(); }
  static I Set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static I Set32(int v) { return _mm256_set1_epi32(v); }
  static I Set64(long long v) { return _mm256_set1_epi64x(v); }
  static I Lo8(I v) { return _mm256_unpacklo_epi8(v, Zero()); }
  static I Hi8(I v) { return _mm256_unpackhi_epi8(v, Zero()); }
  static I Zip8Lo(I a, I b) { return _mm256_unpacklo_epi8(a, b); }
  static I Zip8Hi(I a, I b) { return _mm256_unpackhi_epi8(a, b); }
  static I MinU8(I a, I b) { return _mm256_min_epu8(a, b); }
  static I AddSatU8(I a, I b) { return _mm256_adds_epu8(a, b); }
  static I Xor(I a, I b) { return _mm256_xor_si256(a, b); }
  static I AlphaBytes(I v) {
    const I idx = _mm256_set_epi8(15, 15, 15, 15, 11, 11, 11, 11, 7, 7, 7, 7, 3, 3, 3, 3, 15, 15, 15, 15, 11, 11,
                                  11, 11, 7, 7, 7, 7, 3, 3, 3, 3);
    return _mm256_shuffle_epi8(v, idx);
  }
  // Unsigned bytes of a times signed bytes of b, adjacent products summed
  // into 16-bit lanes (saturating: callers keep the sums in range).
  static I MaddUbs16(I a, I b) { return _mm256_maddubs_epi16(a, b); }
  static I Pack16(I a, I b) { return _mm256_packus_epi16(a, b); }
  static I Add16(I a, I b) { return _mm256_add_epi16(a, b); }
  static I Sub16(I a, I b) { return _mm256_sub_epi16(a, b); }
  static I Mul16(I a, I b) { return _mm256_mullo_epi16(a, b); }
  static I MulHiU16(I a, I b) { return _mm256_mulhi_epu16(a, b); }
  static I Srl16(I a, int n) { return _mm256_srli_epi16(a, n); }
  static I Sll16(I a, int n) { return _mm256_slli_epi16(a, n); }
  static I Min16(I a, I b) { return _mm256_min_epi16(a, b); }
  static I Max16(I a, I b) { return _mm256_max_epi16(a, b); }
  static I Lt16(I a, I b) { return _mm256_cmpgt_epi16(b, a); }
  static I And(I a, I b) { return _mm256_and_si256(a, b); }
  static I AndNot(I a, I b) { return _mm256_andnot_si256(a, b); }
  static I Or(I a, I b) { return _mm256_or_si256(a, b); }
  static I Alpha16(I v) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF); }
  static I Lo16(I a, I b) { return _mm256_unpacklo_epi16(a, b); }
  static I Hi16(I a, I b) { return _mm256_unpackhi_epi16(a, b); }
  static I Madd16(I a, I b) { return _mm256_madd_epi16(a, b); }
  static I Sra32(I a, int n) { return _mm256_srai_epi32(a, n); }
  static I Add32(I a, I b) { return _mm256_add_epi32(a, b); }
  static I Pack32(I a, I b) { return _mm256_packs_epi32(a, b); }
  static F LoadF(const float *p) { return _mm256_loadu_ps(p); }
  static void StoreF(float *p, F v) { _mm256_storeu_ps(p, v); }
  static F SetF(float v) { return _mm256_set1_ps(v); }
  static F AddF(F a, F b) { return _mm256_add_ps(a, b); }
  static F SubF(F a, F b) { return _mm256_sub_ps(a, b); }
  static F MulF(F a, F b) { return _mm256_mul_ps(a, b); }
  static F MinF(F a, F b) { return _mm256_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm256_max_ps(a, b); }
  static F LtF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OS); }
  static F GeF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OS); }
  static F AndF(F a, F b) { return _mm256_and_ps(a, b); }
  static F SelF(F m, F a, F b) { return _mm256_or_ps(_mm256_and_ps(m, a), _mm256_andnot_ps(m, b)); }
  static F AlphaF(F v) { return _mm256_shuffle_ps(v, v, 0xFF); }
  static F AsF(I v) { return _mm256_castsi256_ps(v); }
  static F ToF(I v) { return _mm256_cvtepi32_ps(v); }
  static I TruncI(F v) { return _mm256_cvttps_epi32(v); }
  static constexpr int kFloats = 8;
  static F AlphaMaskF() { return _mm256_castsi256_ps(_mm256_set_epi32(-1, 0, 0, 0, -1, 0, 0, 0)); }
  static F BytesToF(const uint8_t *p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
  }
  static void IntsToBytes(uint8_t *p, I v) {
    const __m128i w = _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(p), _mm_packus_epi16(w, w));
  }
  static void IntsToBytes4(uint8_t *p, I a, I b, I c, I d) {
    const I q = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));  // a0 b0 c0 d0 a1 b1 c1 d1
    StoreI(p, _mm256_permutevar8x32_epi32(q, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
  }
};

#endif  // __AVX2__

}  // namespace ko::imageops::simd
