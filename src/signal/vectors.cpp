// Exported vector primitives: aligned blocks, random numbers, square root,
// complex multiply and conjugate, min/max and de-interleaving.
#include <cmath>
#include <limits>

#include "signal/signal_internal.h"

using namespace ko::signal;

extern "C" {

void *KoPerfsMalloc_8u(int n) {
  if (n < 1) return nullptr;
  return AlignedAlloc(static_cast<size_t>(n));
}

float *KoPerfsMalloc_32f(int n) {
  if (n < 1) return nullptr;
  return static_cast<float *>(AlignedAlloc(static_cast<size_t>(n) * sizeof(float)));
}

void KoPerfsFree(void *p) { AlignedFree(p); }

HRESULT KoPerfsRandUniform_Direct_32f(float *dst, int n, float low, float high,
                                      unsigned int *seed) {
  if (!dst || !seed) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  if (!(low <= high)) return StatusToResult(KOPERF_STS_BADARG);  // also refuses NaN
  // 32-bit linear congruential generator (multiplier 1664525, increment
  // 1013904223); the top 24 bits give a uniform fraction in [0, 1).
  uint32_t state = *seed;
  const double span = static_cast<double>(high) - static_cast<double>(low);
  const float below = std::nextafter(high, low);
  for (int i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    const double u = static_cast<double>(state >> 8) * (1.0 / 16777216.0);
    float v = static_cast<float>(low + span * u);
    if (v >= high && low < high) v = below;  // rounding must not reach high
    dst[i] = v;
  }
  *seed = state;
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsSqrt_32f(const float *src, float *dst, int n) {
  if (!src || !dst) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  Kernels().sqrt32f(src, dst, static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    if (src[i] < 0) return StatusToResult(KOPERF_STS_SQRT_NEGARG);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsMul_64fc_I(const void *src, void *srcDst, int n) {
  if (!src || !srcDst) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  Kernels().mul64fc(static_cast<const Cx<double> *>(src), static_cast<Cx<double> *>(srcDst),
                    static_cast<size_t>(n));
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsConj_64fc_I(void *srcDst, int n) {
  if (!srcDst) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  Kernels().conj64fc(static_cast<Cx<double> *>(srcDst), static_cast<size_t>(n));
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsMinMax_32f(const float *src, int n, float *min, float *max) {
  if (!src || !min || !max) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  Kernels().minmax32f(src, static_cast<size_t>(n), min, max);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsMinMax_64f(const double *src, int n, double *min, double *max) {
  if (!src || !min || !max) return StatusToResult(KOPERF_STS_NULLPTR);
  if (n < 1) return StatusToResult(KOPERF_STS_SIZE);
  Kernels().minmax64f(src, static_cast<size_t>(n), min, max);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsDeinterleave_32f(const float *src, int channels, int frames, float **dst) {
  if (channels < 1 || frames < 1) return 0;
  if (!src || !dst) return E_POINTER;
  for (int c = 0; c < channels; ++c)
    if (!dst[c]) return E_POINTER;
  for (int c = 0; c < channels; ++c) {
    float *out = dst[c];
    const float *in = src + c;
    for (int i = 0; i < frames; ++i) out[i] = in[static_cast<size_t>(i) * channels];
  }
  return 0;
}

}  // extern "C"
