// Whole-row converters of the copy engine for the common pairs: a scalar
// reference for each kind and its SSE2 twin (the AVX2 twins live in
// xchg_rows_avx2.cpp), plus the float rows through tone-curve tables.
#include <emmintrin.h>

#include <array>
#include <cstring>

#include "frame/kernel_families.h"
#include "pixels/xchg.h"
#include "pixels/xchg_internal.h"

namespace ko::pixels::xchg {
namespace {

// ---- Scalar references -----------------------------------------------------------------

template <int Bytes>
void Copy_C(const uint8_t *s, uint8_t *d, int n) {
  std::memcpy(d, s, size_t(n) * Bytes);
}

void Rgb24ToRgb32_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < n; ++i, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 255;
  }
}

void Rgb32ToRgb24_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < n; ++i, s += 4, d += 3) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

template <int V>
void Rgb32To64_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    const uint16_t v = V ? uint16_t(s[i] * 257) : uint16_t(s[i] << 8);
    std::memcpy(d + 2 * i, &v, 2);
  }
}

void Rgb64To32_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    uint16_t v;
    std::memcpy(&v, s + 2 * i, 2);
    d[i] = uint8_t(v >> 8);
  }
}

// Clamped to [0, 1] (NaN to 0), times the top value plus one half, truncated.
inline uint32_t Quantize(float v, float top) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return uint32_t(top);
  return uint32_t(v * top + 0.5f);
}

void FloatTo32_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    float v;
    std::memcpy(&v, s + 4 * i, 4);
    d[i] = uint8_t(Quantize(v, 255.0f));
  }
}

void FloatTo24_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < n; ++i, s += 16, d += 3) {
    float v[3];
    std::memcpy(v, s, 12);
    for (int c = 0; c < 3; ++c) d[c] = uint8_t(Quantize(v[c], 255.0f));
  }
}

void FloatTo1010_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < n; ++i, s += 16, d += 4) {
    float v[4];
    std::memcpy(v, s, 16);
    const uint32_t w = Quantize(v[0], 1023.0f) | Quantize(v[1], 1023.0f) << 10 |
                       Quantize(v[2], 1023.0f) << 20 | Quantize(v[3], 3.0f) << 30;
    std::memcpy(d, &w, 4);
  }
}

void FloatTo64_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    float v;
    std::memcpy(&v, s + 4 * i, 4);
    const uint16_t w = uint16_t(Quantize(v, 65535.0f));
    std::memcpy(d + 2 * i, &w, 2);
  }
}

template <int V>
void Rgb32ToFloat_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    const uint32_t w = V ? s[i] * 257u : uint32_t(s[i]) << 8;
    const float f = float(w) / 65535.0f;
    std::memcpy(d + 4 * i, &f, 4);
  }
}

void Rgb64ToFloat_C(const uint8_t *s, uint8_t *d, int n) {
  for (int i = 0; i < 4 * n; ++i) {
    uint16_t w;
    std::memcpy(&w, s + 2 * i, 2);
    const float f = float(w) / 65535.0f;
    std::memcpy(d + 4 * i, &f, 4);
  }
}

// ---- SSE2 twins ------------------------------------------------------------------------

inline __m128i Load(const uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void Store(uint8_t *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

void Rgb24ToRgb32_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128i m0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0), m1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i m2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0), m3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
  const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
  int i = 0;
  // Four pixels per step; the 16-byte load needs six pixels' worth of bytes.
  for (; i + 6 <= n; i += 4, s += 12, d += 16) {
    const __m128i v = Load(s);
    __m128i o = _mm_or_si128(_mm_and_si128(v, m0), _mm_and_si128(_mm_slli_si128(v, 1), m1));
    o = _mm_or_si128(o, _mm_and_si128(_mm_slli_si128(v, 2), m2));
    o = _mm_or_si128(o, _mm_and_si128(_mm_slli_si128(v, 3), m3));
    Store(d, _mm_or_si128(o, alpha));
  }
  Rgb24ToRgb32_C(s, d, n - i);
}

// Four 4-byte pixels to their first three bytes, in the low 12 bytes.
inline __m128i DropFourth(__m128i a) {
  const __m128i m0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0), m1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i m2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0), m3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
  __m128i x = _mm_or_si128(_mm_and_si128(a, m0), _mm_srli_si128(_mm_and_si128(a, m1), 1));
  x = _mm_or_si128(x, _mm_srli_si128(_mm_and_si128(a, m2), 2));
  return _mm_or_si128(x, _mm_srli_si128(_mm_and_si128(a, m3), 3));
}

// Eight 4-byte pixels (a, then b) written as 24 bytes.
inline void Store24(uint8_t *d, __m128i a, __m128i b) {
  const __m128i x = DropFourth(a), y = DropFourth(b);
  Store(d, _mm_or_si128(x, _mm_slli_si128(y, 12)));
  _mm_storel_epi64(reinterpret_cast<__m128i *>(d + 16), _mm_srli_si128(y, 4));
}

void Rgb32ToRgb24_SSE2(const uint8_t *s, uint8_t *d, int n) {
  int i = 0;
  // Eight pixels per step, stored as one 16-byte and one 8-byte write.
  for (; i + 8 <= n; i += 8, s += 32, d += 24) Store24(d, Load(s), Load(s + 16));
  Rgb32ToRgb24_C(s, d, n - i);
}

template <int V>
void Rgb32To64_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128i z = _mm_setzero_si128();
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 16, d += 32) {
    const __m128i v = Load(s);
    if (V) {
      Store(d, _mm_unpacklo_epi8(v, v));
      Store(d + 16, _mm_unpackhi_epi8(v, v));
    } else {
      Store(d, _mm_unpacklo_epi8(z, v));
      Store(d + 16, _mm_unpackhi_epi8(z, v));
    }
  }
  Rgb32To64_C<V>(s, d, n - i);
}

void Rgb64To32_SSE2(const uint8_t *s, uint8_t *d, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 32, d += 16)
    Store(d, _mm_packus_epi16(_mm_srli_epi16(Load(s), 8), _mm_srli_epi16(Load(s + 16), 8)));
  Rgb64To32_C(s, d, n - i);
}

// Clamp with max/min (max puts NaN to 0), scale, add one half, truncate:
// the same single-precision steps as Quantize.
inline __m128i QuantizeSSE2(__m128 v, __m128 top) {
  v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f));
  return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, top), _mm_set1_ps(0.5f)));
}


// Sixteen floats (four pixels) to sixteen bytes.
inline __m128i QuantizeFour255(const float *f) {
  const __m128 top = _mm_set1_ps(255.0f);
  const __m128i a = QuantizeSSE2(_mm_loadu_ps(f), top), b = QuantizeSSE2(_mm_loadu_ps(f + 4), top);
  const __m128i c = QuantizeSSE2(_mm_loadu_ps(f + 8), top), e = QuantizeSSE2(_mm_loadu_ps(f + 12), top);
  return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, e));
}

void FloatTo32_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 4 <= n; i += 4, f += 16, d += 16) Store(d, QuantizeFour255(f));
  FloatTo32_C(reinterpret_cast<const uint8_t *>(f), d, n - i);
}

void FloatTo24_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 8 <= n; i += 8, f += 32, d += 24) Store24(d, QuantizeFour255(f), QuantizeFour255(f + 16));
  FloatTo24_C(reinterpret_cast<const uint8_t *>(f), d, n - i);
}

// Four pixels a time: the channels transposed into one vector each, so that
// every channel is quantized with its own top and shifted into place.
void FloatTo1010_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128 ten = _mm_set1_ps(1023.0f), two = _mm_set1_ps(3.0f);
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 4 <= n; i += 4, f += 16, d += 16) {
    __m128 p0 = _mm_loadu_ps(f), p1 = _mm_loadu_ps(f + 4), p2 = _mm_loadu_ps(f + 8), p3 = _mm_loadu_ps(f + 12);
    _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
    __m128i w = QuantizeSSE2(p0, ten);
    w = _mm_or_si128(w, _mm_slli_epi32(QuantizeSSE2(p1, ten), 10));
    w = _mm_or_si128(w, _mm_slli_epi32(QuantizeSSE2(p2, ten), 20));
    w = _mm_or_si128(w, _mm_slli_epi32(QuantizeSSE2(p3, two), 30));
    Store(d, w);
  }
  FloatTo1010_C(reinterpret_cast<const uint8_t *>(f), d, n - i);
}

void FloatTo64_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128 top = _mm_set1_ps(65535.0f);
  const __m128i bias = _mm_set1_epi32(32768), flip = _mm_set1_epi16(int16_t(0x8000));
  const auto *f = reinterpret_cast<const float *>(s);
  int i = 0;
  for (; i + 2 <= n; i += 2, f += 8, d += 16) {
    const __m128i a = _mm_sub_epi32(QuantizeSSE2(_mm_loadu_ps(f), top), bias);
    const __m128i b = _mm_sub_epi32(QuantizeSSE2(_mm_loadu_ps(f + 4), top), bias);
    Store(d, _mm_xor_si128(_mm_packs_epi32(a, b), flip));
  }
  FloatTo64_C(reinterpret_cast<const uint8_t *>(f), d, n - i);
}

template <int V>
void Rgb32ToFloat_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128i z = _mm_setzero_si128();
  const __m128 div = _mm_set1_ps(65535.0f);
  auto *f = reinterpret_cast<float *>(d);
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 16, f += 16) {
    const __m128i v = Load(s);
    const __m128i lo = V ? _mm_unpacklo_epi8(v, v) : _mm_unpacklo_epi8(z, v);
    const __m128i hi = V ? _mm_unpackhi_epi8(v, v) : _mm_unpackhi_epi8(z, v);
    _mm_storeu_ps(f, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, z)), div));
    _mm_storeu_ps(f + 4, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, z)), div));
    _mm_storeu_ps(f + 8, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, z)), div));
    _mm_storeu_ps(f + 12, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, z)), div));
  }
  Rgb32ToFloat_C<V>(s, reinterpret_cast<uint8_t *>(f), n - i);
}

void Rgb64ToFloat_SSE2(const uint8_t *s, uint8_t *d, int n) {
  const __m128i z = _mm_setzero_si128();
  const __m128 div = _mm_set1_ps(65535.0f);
  auto *f = reinterpret_cast<float *>(d);
  int i = 0;
  for (; i + 2 <= n; i += 2, s += 16, f += 8) {
    const __m128i v = Load(s);
    _mm_storeu_ps(f, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(v, z)), div));
    _mm_storeu_ps(f + 4, _mm_div_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(v, z)), div));
  }
  Rgb64ToFloat_C(s, reinterpret_cast<uint8_t *>(f), n - i);
}

constexpr int kKinds = int(RowKind::Count);

}  // namespace

// Every row kind is one registered kernel; kinds without a vector form
// (the plain copies) have only the reference.
const ko::forms::Kernel &RowKernel(RowKind kind) {
  using ko::forms::Declare;
  using ko::forms::Family;
  static const ko::forms::Kernel kRows[kKinds] = {
      Declare<RowFn>("pixels.RowNone", Family::Pixels, Copy_C<0>, nullptr, nullptr),
      Declare<RowFn>("pixels.RowCopy3", Family::Pixels, Copy_C<3>, nullptr, nullptr),
      Declare<RowFn>("pixels.RowCopy4", Family::Pixels, Copy_C<4>, nullptr, nullptr),
      Declare<RowFn>("pixels.RowCopy8", Family::Pixels, Copy_C<8>, nullptr, nullptr),
      Declare<RowFn>("pixels.RowCopy16", Family::Pixels, Copy_C<16>, nullptr, nullptr),
      Declare<RowFn>("pixels.RowRgb24ToRgb32", Family::Pixels, Rgb24ToRgb32_C, Rgb24ToRgb32_SSE2,
                     RowFunctionAVX2(RowKind::Rgb24ToRgb32)),
      Declare<RowFn>("pixels.RowRgb32ToRgb24", Family::Pixels, Rgb32ToRgb24_C, Rgb32ToRgb24_SSE2,
                     RowFunctionAVX2(RowKind::Rgb32ToRgb24)),
      Declare<RowFn>("pixels.RowRgb32To64V0", Family::Pixels, Rgb32To64_C<0>, Rgb32To64_SSE2<0>,
                     RowFunctionAVX2(RowKind::Rgb32To64V0)),
      Declare<RowFn>("pixels.RowRgb32To64V1", Family::Pixels, Rgb32To64_C<1>, Rgb32To64_SSE2<1>,
                     RowFunctionAVX2(RowKind::Rgb32To64V1)),
      Declare<RowFn>("pixels.RowRgb64To32", Family::Pixels, Rgb64To32_C, Rgb64To32_SSE2,
                     RowFunctionAVX2(RowKind::Rgb64To32)),
      Declare<RowFn>("pixels.RowFloatTo32", Family::Pixels, FloatTo32_C, FloatTo32_SSE2,
                     RowFunctionAVX2(RowKind::FloatTo32)),
      Declare<RowFn>("pixels.RowFloatTo24", Family::Pixels, FloatTo24_C, FloatTo24_SSE2,
                     RowFunctionAVX2(RowKind::FloatTo24)),
      Declare<RowFn>("pixels.RowFloatTo1010", Family::Pixels, FloatTo1010_C, FloatTo1010_SSE2,
                     RowFunctionAVX2(RowKind::FloatTo1010)),
      Declare<RowFn>("pixels.RowFloatTo64", Family::Pixels, FloatTo64_C, FloatTo64_SSE2,
                     RowFunctionAVX2(RowKind::FloatTo64)),
      Declare<RowFn>("pixels.RowRgb32ToFloatV0", Family::Pixels, Rgb32ToFloat_C<0>, Rgb32ToFloat_SSE2<0>,
                     RowFunctionAVX2(RowKind::Rgb32ToFloatV0)),
      Declare<RowFn>("pixels.RowRgb32ToFloatV1", Family::Pixels, Rgb32ToFloat_C<1>, Rgb32ToFloat_SSE2<1>,
                     RowFunctionAVX2(RowKind::Rgb32ToFloatV1)),
      Declare<RowFn>("pixels.RowRgb64ToFloat", Family::Pixels, Rgb64ToFloat_C, Rgb64ToFloat_SSE2,
                     RowFunctionAVX2(RowKind::Rgb64ToFloat)),
  };
  const int k = int(kind);
  return kRows[k > 0 && k < kKinds ? k : 0];
}

namespace {

bool IsBgra(int t) { return t == 28 || t == 29; }

}  // namespace

RowKind ChooseRow(int dstType, int srcType, uint32_t flags) {
  const bool v1 = (flags & KOXCHG_VARIANT1) != 0;
  if (srcType == 27 && dstType == 27) return RowKind::Copy3;
  if (IsBgra(srcType) && IsBgra(dstType)) {
    // The 16-bit working pixel (flag 0x10) keeps the same bytes as well.
    return RowKind::Copy4;
  }
  if (srcType == 27 && IsBgra(dstType)) return RowKind::Rgb24ToRgb32;
  if (IsBgra(srcType) && dstType == 27) return RowKind::Rgb32ToRgb24;
  if (IsBgra(srcType) && dstType == 31) return v1 ? RowKind::Rgb32To64V1 : RowKind::Rgb32To64V0;
  if (srcType == 31 && IsBgra(dstType)) return RowKind::Rgb64To32;
  if (srcType == 31 && dstType == 31) return RowKind::Copy8;
  if (srcType == 32) {
    switch (dstType) {
      case 32: return RowKind::Copy16;
      case 28:
      case 29: return RowKind::FloatTo32;
      case 27: return RowKind::FloatTo24;
      case 30:
      case 34: return RowKind::FloatTo1010;
      case 31: return RowKind::FloatTo64;
    }
  }
  if (IsBgra(srcType) && dstType == 32) return v1 ? RowKind::Rgb32ToFloatV1 : RowKind::Rgb32ToFloatV0;
  if (srcType == 31 && dstType == 32) return RowKind::Rgb64ToFloat;
  return RowKind::None;
}

}  // namespace ko::pixels::xchg

const ko::forms::KernelTable &ko::forms::KernelTable_PixelRows() {
  using namespace ko::pixels::xchg;
  static const auto items = [] {
    std::array<const Kernel *, kKinds - 1> a{};
    for (int k = 1; k < kKinds; ++k) a[k - 1] = &RowKernel(RowKind(k));
    return a;
  }();
  static const KernelTable table{items.data(), items.size()};
  return table;
}

namespace ko::pixels::xchg {

RowFn RowFunction(RowKind kind) {
  if (int(kind) <= 0 || int(kind) >= kKinds) return nullptr;
  return ko::forms::Pick<RowFn>(RowKernel(kind));
}

// ---- Float rows through curve tables ---------------------------------------------------

bool PrepareFloatCurveRows(KoToneCurve *c, int dstType, uint32_t mode) {
  if (dstType == 32) return CurveBuildTable(c, CurveTable::Float2048);
  const bool eight = dstType == 27 || dstType == 28 || dstType == 29;
  if (mode >= 3) return CurveBuildTable(c, eight ? CurveTable::Float256 : CurveTable::Float1024);
  return CurveBuildTable(c, eight ? CurveTable::Byte4096 : CurveTable::Ten16384);
}

void FloatCurveRow(const KoToneCurve &c, int dstType, uint32_t mode, const float *s, uint8_t *d,
                   int n) {
  if (dstType == 32) {
    auto *o = reinterpret_cast<float *>(d);
    for (int i = 0; i < 4 * n; ++i) o[i] = CurveLookupFloat(c, s[i]);
    return;
  }
  const bool floatTable = mode >= 3;
  if (dstType == 30 || dstType == 34) {
    for (int i = 0; i < n; ++i, s += 4, d += 4) {
      uint32_t v[4];
      for (int ch = 0; ch < 4; ++ch) {
        const float top = ch == 3 ? 3.0f : 1023.0f;
        if (floatTable)
          v[ch] = Quantize(CurveLookupFloat(c, s[ch]), top);
        else
          v[ch] = ch == 3 ? CurveLookupTwo(c, s[ch]) : CurveLookupTen(c, s[ch]);
      }
      const uint32_t w = v[0] | v[1] << 10 | v[2] << 20 | v[3] << 30;
      std::memcpy(d, &w, 4);
    }
    return;
  }
  const int channels = dstType == 27 ? 3 : 4;
  for (int i = 0; i < n; ++i, s += 4, d += channels)
    for (int ch = 0; ch < channels; ++ch)
      d[ch] = floatTable ? uint8_t(Quantize(CurveLookupFloat(c, s[ch]), 255.0f))
                         : CurveLookupByte(c, s[ch]);
}

}  // namespace ko::pixels::xchg
