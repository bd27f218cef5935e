/*
 * kokernel: vector primitives, one-dimensional FFTs, image FFTs and the
 * floating-point-unit helpers.
 *
 * The KoPerf* functions wrap a processor-dispatched primitives layer; they
 * return the layer's status mapped to a result code (KoPerfStatusToHRESULT):
 * success is 0x0004E600 + status, failure 0x8004E600 + |status|.
 * Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOPERF_H
#define KOKERNEL_KOPERF_H

#include "kobase.h"
#include "koresult.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* Status of the primitives layer: 0 success, negative error, positive warning. */
typedef int32_t KoPerfStatus;

#define KOPERF_STS_NOERR 0
#define KOPERF_STS_SQRT_NEGARG 3   /* warning: a negative input gave NaN */
#define KOPERF_STS_BADARG (-5)
#define KOPERF_STS_SIZE (-6)
#define KOPERF_STS_NULLPTR (-8)
#define KOPERF_STS_MEMALLOC (-9)
#define KOPERF_STS_FFTORDER (-15)
#define KOPERF_STS_FFTFLAG (-16)
#define KOPERF_STS_CONTEXTMATCH (-17) /* a setup of the wrong kind */
#define KOPERF_STS_CPU_NOTSUPPORTED (-9999)
#define KOPERF_STS_UNKNOWN (-9998)

/* Algorithm hint: 0 no preference, 1 fastest, 2 most accurate, 3 as 0. */
typedef int32_t KoPerfHintAlgorithm;

/* Normalisation flags of the FFT setups. */
#define KOPERF_FFT_DIV_FWD_BY_N 1
#define KOPERF_FFT_DIV_INV_BY_N 2
#define KOPERF_FFT_DIV_BY_SQRTN 4
#define KOPERF_FFT_NODIV_BY_ANY 8

KO_BEGIN_DECLS

/* ---- status mapping and start-up ---------------------------------------- */
KOAPI HRESULT KoPerfStatusToHRESULT(KoPerfStatus status);
KOAPI HRESULT KoPerfMapStatus(int status);
KOAPI int KoPerfMapHintAlgorithm(KoPerfHintAlgorithm hint);
/* Probes the processor and chooses the code path; safe to call again, from
 * any thread. */
KOAPI HRESULT KoPerf_Initialize(void);

/* ---- vectors --------------------------------------------------------------- */
KOAPI void *KoPerfsMalloc_8u(int n);
KOAPI float *KoPerfsMalloc_32f(int n);
KOAPI void KoPerfsFree(void *p);
KOAPI ULONGLONG KoPerfGetCpuClocks(void);
KOAPI HRESULT KoPerfsRandUniform_Direct_32f(float *dst, int n, float low, float high,
                                            unsigned int *seed);
KOAPI HRESULT KoPerfsSqrt_32f(const float *src, float *dst, int n);
KOAPI HRESULT KoPerfsMul_64fc_I(const void *src, void *srcDst, int n);
KOAPI HRESULT KoPerfsConj_64fc_I(void *srcDst, int n);
KOAPI HRESULT KoPerfsMinMax_32f(const float *src, int n, float *min, float *max);
KOAPI HRESULT KoPerfsMinMax_64f(const double *src, int n, double *min, double *max);
/* Returns 0 (not a mapped status). */
KOAPI HRESULT KoPerfsDeinterleave_32f(const float *src, int channels, int frames, float **dst);

/* ---- complex single-precision FFT of 2^order points ---------------------- */
KOAPI HRESULT KoPerfsFFTInitAlloc_C_32fc(void **setup, int order, int flag,
                                         KoPerfHintAlgorithm hint);
KOAPI HRESULT KoPerfsFFTGetBufSize_C_32fc(const void *setup, int *bytes);
KOAPI HRESULT KoPerfsFFTFwd_CToC_32fc(const void *src, void *dst, const void *setup,
                                      BYTE *buffer);
KOAPI HRESULT KoPerfsFFTInv_CToC_32fc(const void *src, void *dst, const void *setup,
                                      BYTE *buffer);
KOAPI HRESULT KoPerfsFFTFree_C_32fc(void *setup);

/* ---- real double-precision FFT, packed (Perm) spectrum, in place ---------- */
KOAPI HRESULT KoPerfsFFTInitAlloc_R_64f(void **setup, int order, int flag,
                                        KoPerfHintAlgorithm hint);
KOAPI HRESULT KoPerfsFFTGetBufSize_R_64f(void *setup, int *bytes);
KOAPI HRESULT KoPerfsFFTFree_R_64f(void *setup);
KOAPI HRESULT KoPerfsFFTFwd_RToPerm_64f_I(double *srcDst, const void *setup, BYTE *buffer);
KOAPI HRESULT KoPerfsFFTInv_PermToR_64f_I(double *srcDst, const void *setup, BYTE *buffer);

/* ---- floating-point unit of the calling thread ---------------------------- */
/* Control-word bits use the C runtime's _controlfp layout (exception masks
 * 0x1F and 0x80000, rounding 0x300, denormal control 0x03000000). */
KOAPI unsigned int FPU_Control(unsigned int newValue, unsigned int mask);
KOAPI unsigned int FPU_Status(void);
KOAPI void FPU_Reset(void);

/* ---- image FFTs ----------------------------------------------------------- */
KOAPI size_t FFT_BufferSize(unsigned int width, unsigned int height, unsigned int planes);

/* Transforms an N x N block (N1 == N2 == N, a power of two from 4 to 32768)
 * sampled from one channel (packing != 2) or two channels (packing 2) of an
 * 8-bit BGRA (bytesPerPixel 4) or float BGRA image. The spectrum receives
 * N x N complex floats, row index = vertical frequency. */
KOAPI bool FFT_Forward(float *spectrum, void *unused, int N1, int N2, const BYTE *image,
                       int stride, int bytesPerPixel, int x0, int y0, int width, int height,
                       bool normalise, double threshold, double target, int packing,
                       int channel, void *temp, int tempBytes);

/* Inverse of FFT_Forward, written back with the half-size shift into the
 * image at (x0, y0), only inside the window [windowLeft, windowRight) x
 * [windowTop, windowBottom) and the image. 8-bit output is rounded and
 * clamped to 0..255. */
KOAPI bool FFT_Inverse(BYTE *image, int stride, int bytesPerPixel, int width, int height,
                       const float *spectrum, int N1, int N2, int x0, int y0,
                       int windowLeft, int windowTop, int windowRight, int windowBottom,
                       int packing, int channel, void *temp, int tempBytes);

KOAPI bool FFT_Multiply(float *a, int aStride, const float *b, int bStride, int width,
                        int height);
KOAPI bool FFT_Plot(BYTE *dst, int dstStride, const float *spectrum, int spectrumStride,
                    int width, int height);

KO_END_DECLS

#endif /* KOKERNEL_KOPERF_H */
