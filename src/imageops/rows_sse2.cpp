// The SSE2 forms of the image-operation rows (V128 registers).
#include "imageops/simd_rows.h"

namespace ko::imageops {

using simd::V128;

void CompositeRow8_SSE2(uint8_t *d, const uint8_t *s, int w, int mode, int o) { simd::CompositeRow8<V128>(d, s, w, mode, o); }
void CompositeRowF_SSE2(float *d, const float *s, int w, int mode, float o) { simd::CompositeRowF<V128>(d, s, w, mode, o); }
void BlendRow_SSE2(uint8_t *d, const uint8_t *s, int w, int a, int b) { simd::BlendRow<V128>(d, s, w, a, b); }
void MultiplyRow8_SSE2(uint8_t *p, int w, int f, int pm) { simd::MultiplyRow8<V128>(p, w, f, pm); }
void MaskedFadeRow8_SSE2(uint8_t *d, const uint8_t *s, const uint8_t *m, int w) { simd::MaskedFadeRow8<V128>(d, s, m, w); }
void ToFloatRow_SSE2(float *d, const uint8_t *s, int w, float sc) { simd::ToFloatRow<V128>(d, s, w, sc); }
void ToByteRow_SSE2(uint8_t *d, const float *s, int w, float sc) { simd::ToByteRow<V128>(d, s, w, sc); }
void GaussRows8_SSE2(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  simd::GaussRows<V128, true>(i, s, t, ts, w, r, c);
}
void GaussRowsF_SSE2(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  simd::GaussRows<V128, false>(i, s, t, ts, w, r, c);
}
void GaussDown_SSE2(float *t, ptrdiff_t ts, float *f, int y0, int r, int n, const GaussCoef *c, int cs) {
  simd::GaussDown<V128>(t, ts, f, y0, r, n, c, cs);
}
void GaussUp8_SSE2(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  simd::GaussUp<V128, true>(t, ts, g, i, s, h, n, c, cs);
}
void GaussUpF_SSE2(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  simd::GaussUp<V128, false>(t, ts, g, i, s, h, n, c, cs);
}

}  // namespace ko::imageops
