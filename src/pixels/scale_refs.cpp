// Scalar references of the scalers' row kernels: the forms every vector
// form is compared against, and the rows the scalers run where no vector
// form may. Each follows the arithmetic of its vector twins exactly.
#include <algorithm>
#include <cstdint>

#include "frame/kernel_families.h"
#include "pixels/scale.h"

namespace ko::pixels::scale {

namespace {
inline uint8_t Sat8(uint64_t v) { return uint8_t(v < 255 ? v : 255); }
inline float ClampAlpha(float v, size_t i) { return i % 4 == 3 ? std::clamp(v, 0.0f, 1.0f) : v; }
}  // namespace

void BilinearWeights_C(uint32_t fy, const uint16_t *fx, int count, uint32_t *w) {
  const uint32_t gy = 16384 - fy;
  for (int j = 0; j < count; ++j) {
    const uint32_t f = fx[j], g = 16384 - f;
    w[4 * j + 0] = (g * gy) >> 4;
    w[4 * j + 1] = (f * gy) >> 4;
    w[4 * j + 2] = (g * fy) >> 4;
    w[4 * j + 3] = (f * fy) >> 4;
  }
}

void BilinearRow_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const BilinearCols &c,
                   uint8_t *out, uint32_t *scratch) {
  BilinearWeights_C(fy, c.fx, c.count, scratch);
  for (int j = 0; j < c.count; ++j) {
    const uint32_t *w = scratch + 4 * j;
    const uint8_t *p00 = r0 + c.xo0[j], *p10 = r0 + c.xo1[j];
    const uint8_t *p01 = r1 + c.xo0[j], *p11 = r1 + c.xo1[j];
    for (int ch = 0; ch < 4; ++ch) {
      const uint32_t sum =
          w[0] * p00[ch] + w[1] * p10[ch] + w[2] * p01[ch] + w[3] * p11[ch] + 0x800000u;
      out[4 * j + ch] = uint8_t(sum >> 24);
    }
  }
}

void Area2DRow_C(const AreaRows &r, const AreaCols &c, uint8_t *out, uint32_t *acc, uint16_t *) {
  for (int j = 0; j < 4 * c.count; ++j) acc[j] = 0;
  for (int t = 0; t < r.count; ++t) {
    const uint8_t *row = r.rows[t];
    const uint32_t wy = uint32_t(r.w[t]);
    for (int j = 0; j < c.count; ++j)
      for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
        const uint32_t w = (uint32_t(c.tapW[tx]) * wy) >> 14;
        for (int ch = 0; ch < 4; ++ch) acc[4 * j + ch] += row[c.tapOff[tx] + ch] * w;
      }
  }
  for (int j = 0; j < c.count; ++j) {
    const uint32_t div = std::max<uint32_t>(1, uint32_t((uint64_t(c.span[j]) * uint64_t(r.span)) >> 14));
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = uint8_t(std::min<uint32_t>(acc[4 * j + ch] / div, 255));
  }
}

void BilinearRowF_C(const float *r0, const float *r1, uint32_t fyi, const BilinearColsF &c,
                    float *out) {
  const float inv = 1.0f / 16384.0f;
  const float fy = float(fyi) * inv, gy = 1.0f - fy;
  for (int j = 0; j < c.count; ++j) {
    const float fx = float(c.fx[j]) * inv, gx = 1.0f - fx;
    const float w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = fx * fy;
    const float *p00 = r0 + 4 * size_t(c.x0[j]), *p10 = r0 + 4 * size_t(c.x1[j]);
    const float *p01 = r1 + 4 * size_t(c.x0[j]), *p11 = r1 + 4 * size_t(c.x1[j]);
    for (int ch = 0; ch < 4; ++ch)
      out[4 * j + ch] = ((p00[ch] * w00 + p10[ch] * w10) + p01[ch] * w01) + p11[ch] * w11;
  }
}

void CubicHRowD_C(const float *row, const CubicColsF &c, double *out) {
  const float *tf = BicubicFloatWeights();
  for (int j = 0; j < c.count; ++j) {
    const float *w = tf + 4 * size_t(c.phase[j]);
    const int32_t *ix = c.idx + 4 * size_t(j);
    for (int ch = 0; ch < 4; ++ch) {
      double sum = 0;
      for (int t = 0; t < 4; ++t) sum += double(w[t]) * row[4 * size_t(ix[t]) + ch];
      out[4 * j + ch] = sum;
    }
  }
}

void CubicHRow_C(const uint8_t *row, const CubicCols &c, int16_t *out) {
  for (int j = 0; j < c.count; ++j) {
    const int32_t *o = c.off + 4 * j;
    const int16_t *w = c.w + 4 * j;
    for (int ch = 0; ch < 4; ++ch) {
      int sum = 8192;
      for (int t = 0; t < 4; ++t) sum += w[t] * row[o[t] + ch];
      out[4 * j + ch] = int16_t(sum / 16384);
    }
  }
}

void CubicVRow_C(const int16_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  for (int i = 0; i < 4 * count; ++i) {
    int sum = 8192;
    for (int t = 0; t < 4; ++t) sum += w[t] * rows[t][i];
    out[i] = uint8_t(std::clamp(sum / 16384, 0, 255));
  }
}


void Area2DRowF_C(const AreaRows &r, const AreaCols &c, float *out) {
  for (int j = 0; j < c.count; ++j) {
    float a[4] = {0, 0, 0, 0};
    for (int t = 0; t < r.count; ++t) {
      const uint32_t wy = uint32_t(r.w[t]);
      for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
        const float w = float((uint32_t(c.tapW[tx]) * wy) >> 14);
        const float *p = reinterpret_cast<const float *>(r.rows[t] + c.tapOff[tx]);
        for (int ch = 0; ch < 4; ++ch) a[ch] += p[ch] * w;
      }
    }
    const float d = float(std::max<uint64_t>(1, (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14));
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = a[ch] / d;
  }
}

void AreaXBilinRow_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, const AreaCols &c,
                     uint8_t *out) {
  const uint32_t gy = 16384 - fy;
  for (int j = 0; j < c.count; ++j) {
    uint32_t a[4] = {0, 0, 0, 0};
    for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx)
      for (int ch = 0; ch < 4; ++ch) {
        const int32_t o = c.tapOff[tx] + ch;
        a[ch] += ((r0[o] * gy + r1[o] * fy + 8192) >> 14) * uint32_t(c.tapW[tx]);
      }
    const uint32_t d = uint32_t(std::max(c.span[j], 1));
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = Sat8(a[ch] / d);
  }
}

void BilinVLine8_C(const uint8_t *r0, const uint8_t *r1, uint32_t fy, int count, uint8_t *out) {
  for (int i = 0; i < 4 * count; ++i) out[i] = uint8_t((r0[i] * (16384 - fy) + r1[i] * fy + 8192) >> 14);
}

void CubicVLine8_C(const uint8_t *const rows[4], const int16_t w[4], int count, uint8_t *out) {
  for (int i = 0; i < 4 * count; ++i) {
    int sum = 8192;
    for (int t = 0; t < 4; ++t) sum += w[t] * rows[t][i];
    out[i] = uint8_t(std::clamp(sum / 16384, 0, 255));
  }
}

void BilinHRow8_C(const uint8_t *row, const BilinearCols &c, int16_t *out) {
  for (int j = 0; j < c.count; ++j) {
    const uint32_t f = c.fx[j], g = 16384 - f;
    for (int ch = 0; ch < 4; ++ch)
      out[4 * j + ch] = int16_t((row[c.xo0[j] + ch] * g + row[c.xo1[j] + ch] * f + 8192) >> 14);
  }
}

void ClampRow8_C(int16_t *v, int n) {
  for (int i = 0; i < n; ++i) v[i] = int16_t(std::clamp<int>(v[i], 0, 255));
}

void AccumulateRow8_C(const int16_t *v, int n, uint32_t w, uint32_t *acc) {
  for (int i = 0; i < n; ++i) acc[i] += uint32_t(v[i]) * w;
}

void AccumulateRow8Wide_C(const int16_t *v, int n, uint32_t w, uint64_t *acc) {
  for (int i = 0; i < n; ++i) acc[i] += uint64_t(uint32_t(v[i]) * w);
}

void DivideRow8_C(const uint32_t *acc, int n, uint64_t div, uint8_t *out) {
  for (int i = 0; i < n / 4 * 4; ++i) out[i] = Sat8(acc[i] / div);
}

template <typename Acc>
static void AreaXLine8T(const uint8_t *line, const AreaCols &c, uint8_t *out) {
  for (int j = 0; j < c.count; ++j) {
    Acc a[4] = {0, 0, 0, 0};
    for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx)
      for (int ch = 0; ch < 4; ++ch) a[ch] += Acc(line[c.tapOff[tx] + ch]) * Acc(c.tapW[tx]);
    const Acc d = Acc(std::max(c.span[j], 1));
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = Sat8(a[ch] / d);
  }
}
void AreaXLine8_C(const uint8_t *line, const AreaCols &c, uint8_t *out) { AreaXLine8T<uint32_t>(line, c, out); }
void AreaXLine8Wide_C(const uint8_t *line, const AreaCols &c, uint8_t *out) {
  AreaXLine8T<uint64_t>(line, c, out);
}

void Area2DRowWide_C(const AreaRows &r, const AreaCols &c, uint8_t *out, uint16_t *) {
  for (int j = 0; j < c.count; ++j) {
    uint64_t a[4] = {0, 0, 0, 0};
    for (int t = 0; t < r.count; ++t)
      for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
        const uint64_t w = (uint32_t(c.tapW[tx]) * uint32_t(r.w[t])) >> 14;
        for (int ch = 0; ch < 4; ++ch) a[ch] += r.rows[t][c.tapOff[tx] + ch] * w;
      }
    const uint64_t d = std::max<uint64_t>(1, (uint64_t(c.span[j]) * uint64_t(r.span)) >> 14);
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = Sat8(a[ch] / d);
  }
}

template <typename T>
static void CubicVRowT(const T *const rows[4], const float w[4], int n, float *out) {
  for (size_t i = 0; i < size_t(n / 4 * 4); ++i) {
    double sum = 0;
    for (int t = 0; t < 4; ++t) sum += double(w[t]) * double(rows[t][i]);
    out[i] = ClampAlpha(float(sum), i);
  }
}
void CubicVRowD_C(const double *const rows[4], const float w[4], int n, float *out) {
  CubicVRowT<double>(rows, w, n, out);
}
void CubicVRowF_C(const float *const rows[4], const float w[4], int n, float *out) {
  CubicVRowT<float>(rows, w, n, out);
}

void NarrowClampAlpha_C(const double *in, int n, float *out) {
  for (size_t i = 0; i < size_t(n / 4 * 4); ++i) out[i] = ClampAlpha(float(in[i]), i);
}

void BilinVLineF_C(const float *r0, const float *r1, float gy, float fy, int n, float *out) {
  for (int i = 0; i < n; ++i) out[i] = r0[i] * gy + r1[i] * fy;
}

void BilinHRowF_C(const float *row, const BilinearColsF &c, float *out) {
  const float inv = 1.0f / 16384.0f;
  for (int j = 0; j < c.count; ++j) {
    const float fx = float(c.fx[j]) * inv, gx = 1.0f - fx;
    const float *p0 = row + 4 * size_t(c.x0[j]), *p1 = row + 4 * size_t(c.x1[j]);
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = p0[ch] * gx + p1[ch] * fx;
  }
}

void AccumulateRowF_C(const float *v, int n, float w, float *acc) {
  for (int i = 0; i < n; ++i) acc[i] += v[i] * w;
}

void DivideRowF_C(const float *acc, int n, float div, float *out) {
  for (int i = 0; i < n; ++i) out[i] = acc[i] / div;
}

void AreaXLineF_C(const uint8_t *line, const AreaCols &c, float *out) {
  for (int j = 0; j < c.count; ++j) {
    float a[4] = {0, 0, 0, 0};
    for (int tx = c.tapStart[j]; tx < c.tapStart[j + 1]; ++tx) {
      const float *p = reinterpret_cast<const float *>(line + c.tapOff[tx]);
      const float w = float(c.tapW[tx]);
      for (int ch = 0; ch < 4; ++ch) a[ch] += p[ch] * w;
    }
    const float d = float(c.span[j]);
    for (int ch = 0; ch < 4; ++ch) out[4 * j + ch] = a[ch] / d;
  }
}

// ---- Registration ------------------------------------------------------------------
// Forms absent from a kernel are null. The AreaXLine8Wide and Area2DRowWide
// kernels are the 64-bit-sum twins, taken when 32-bit sums could overflow.
using ko::forms::Declare;
using ko::forms::Family;
#define KO_SCALE_NO_AVX2(Name) \
  const ko::forms::Kernel k##Name = Declare<Name##Fn>("pixels.scale." #Name, Family::Pixels, Name##_C, Name##_SSE2, nullptr);
#define KO_SCALE_AVX2(Name) \
  const ko::forms::Kernel k##Name = Declare<Name##Fn>("pixels.scale." #Name, Family::Pixels, Name##_C, Name##_SSE2, Name##_AVX2);
KO_SCALE_AVX2(BilinearRow)
KO_SCALE_AVX2(CubicHRow)
KO_SCALE_AVX2(CubicVRow)
KO_SCALE_AVX2(Area2DRow)
KO_SCALE_NO_AVX2(Area2DRowWide)
KO_SCALE_NO_AVX2(Area2DRowF)
KO_SCALE_NO_AVX2(AreaXBilinRow)
KO_SCALE_NO_AVX2(BilinearRowF)
KO_SCALE_NO_AVX2(BilinVLine8)
KO_SCALE_NO_AVX2(CubicVLine8)
KO_SCALE_NO_AVX2(BilinHRow8)
KO_SCALE_NO_AVX2(ClampRow8)
KO_SCALE_NO_AVX2(AccumulateRow8)
KO_SCALE_NO_AVX2(AccumulateRow8Wide)
KO_SCALE_NO_AVX2(DivideRow8)
KO_SCALE_NO_AVX2(AreaXLine8)
KO_SCALE_NO_AVX2(AreaXLine8Wide)
KO_SCALE_AVX2(CubicHRowD)
KO_SCALE_AVX2(CubicVRowD)
KO_SCALE_NO_AVX2(CubicVRowF)
KO_SCALE_NO_AVX2(NarrowClampAlpha)
KO_SCALE_NO_AVX2(BilinVLineF)
KO_SCALE_NO_AVX2(BilinHRowF)
KO_SCALE_NO_AVX2(AccumulateRowF)
KO_SCALE_NO_AVX2(DivideRowF)
KO_SCALE_NO_AVX2(AreaXLineF)
#undef KO_SCALE_NO_AVX2
#undef KO_SCALE_AVX2

Forms Forms::Pick() {
  Forms f;
#define KO_SCALE_PICK(Name) f.Name = ko::forms::Pick<Name##Fn>(k##Name);
  KO_SCALE_KERNELS(KO_SCALE_PICK)
#undef KO_SCALE_PICK
  f.vector = ko::forms::Current(Family::Pixels) != ko::forms::kScalar;
  return f;
}

}  // namespace ko::pixels::scale

const ko::forms::KernelTable &ko::forms::KernelTable_Scalers() {
  using namespace ko::pixels::scale;
#define KO_SCALE_ADDR(Name) &k##Name,
  static const Kernel *const items[] = {KO_SCALE_KERNELS(KO_SCALE_ADDR)};
#undef KO_SCALE_ADDR
  static const KernelTable table{items, sizeof items / sizeof items[0]};
  return table;
}
