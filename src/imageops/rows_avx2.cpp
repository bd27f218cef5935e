// The AVX2 forms of the image-operation rows (V256 registers).
#include "imageops/simd_rows.h"

namespace ko::imageops {

using simd::V256;

void CompositeRow8_AVX2(uint8_t *d, const uint8_t *s, int w, int mode, int o) { simd::CompositeRow8<V256>(d, s, w, mode, o); }
void CompositeRowF_AVX2(float *d, const float *s, int w, int mode, float o) { simd::CompositeRowF<V256>(d, s, w, mode, o); }
void BlendRow_AVX2(uint8_t *d, const uint8_t *s, int w, int a, int b) { simd::BlendRow<V256>(d, s, w, a, b); }
void MultiplyRow8_AVX2(uint8_t *p, int w, int f, int pm) { simd::MultiplyRow8<V256>(p, w, f, pm); }
void MaskedFadeRow8_AVX2(uint8_t *d, const uint8_t *s, const uint8_t *m, int w) { simd::MaskedFadeRow8<V256>(d, s, m, w); }
void ToFloatRow_AVX2(float *d, const uint8_t *s, int w, float sc) { simd::ToFloatRow<V256>(d, s, w, sc); }
void ToByteRow_AVX2(uint8_t *d, const float *s, int w, float sc) { simd::ToByteRow<V256>(d, s, w, sc); }
void GaussRows8_AVX2(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  simd::GaussRows<V256, true>(i, s, t, ts, w, r, c);
}
void GaussRowsF_AVX2(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  simd::GaussRows<V256, false>(i, s, t, ts, w, r, c);
}
void GaussDown_AVX2(float *t, ptrdiff_t ts, float *f, int y0, int r, int n, const GaussCoef *c, int cs) {
  simd::GaussDown<V256>(t, ts, f, y0, r, n, c, cs);
}
void GaussUp8_AVX2(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  simd::GaussUp<V256, true>(t, ts, g, i, s, h, n, c, cs);
}
void GaussUpF_AVX2(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  simd::GaussUp<V256, false>(t, ts, g, i, s, h, n, c, cs);
}

}  // namespace ko::imageops
