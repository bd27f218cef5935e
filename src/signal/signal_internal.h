// Internals of the signal primitives: FFT plans, the kernel sets that the
// code paths dispatch to, and the code-path switch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kokernel/koperf.h"

namespace ko::signal {

template <class R>
struct Cx {
  R re, im;
};

// A complex transform of n = 2^order points, decomposed as Stockham stages:
// radix-8 stages first, then radix-4, then at most one radix-2 (StagePlan).
// A stage of length len and radix r has stride n / len; its twiddles are,
// for j = 1 .. r-1, the values W^(j p), p < len / r, W = e^(-2 pi i / len),
// stored as real parts then imaginary parts with every value twice, so a
// radix-8 stage holds 28 len/8 reals and a radix-4 stage 12 len/4; stages
// follow one another. The inverse tables hold the conjugates.
// Radix-8, radix-4 and radix-2 stage counts of an order: 3 a + 2 b + c.
inline void StagePlan(int order, int *radix8, int *radix4, int *radix2) {
  int a = order / 3, b = 0, c = 0;
  switch (order % 3) {
    case 1:
      if (a > 0) {
        --a;
        b = 2;
      } else {
        c = 1;
      }
      break;
    case 2:
      b = 1;
      break;
    default:
      break;
  }
  *radix8 = a;
  *radix4 = b;
  *radix2 = c;
}

// Whether the two radix-4 stages run as one pass: when radix-8 stages come
// before them, and for orders up to 10 only (the pass reads and writes 16
// streams n/16 points apart, which from 4 KiB apart on fall into the same
// cache sets).
inline bool FusedRadix4(int order) {
  int radix8, radix4, radix2;
  StagePlan(order, &radix8, &radix4, &radix2);
  return radix4 == 2 && radix8 > 0 && order <= 10;
}

// Passes over the data of a transform: one a stage, but see FusedRadix4.
inline int PassCount(int order) {
  int radix8, radix4, radix2;
  StagePlan(order, &radix8, &radix4, &radix2);
  return radix8 + radix4 + radix2 - (FusedRadix4(order) ? 1 : 0);
}

// Reals in the twiddle tables of one direction, and the tables of an order
// (forward and inverse).
size_t TwiddleCount(int order);
template <class R>
void FillTwiddles(int order, R *fwd, R *inv);

template <class R>
struct FftPlan {
  int order = 0;
  int n = 1;
  const R *twFwd = nullptr;
  const R *twInv = nullptr;
};

// One transform: src -> dst using work (n points). The passes alternate
// between dst and work and end in dst, the first one reading src. src may
// equal dst; work must not overlap dst, and may be src (whose values are
// then lost) when the pass count (PassCount) is odd, the first pass then
// writing dst.
template <class R>
using FftFn = void (*)(const FftPlan<R> &plan, const Cx<R> *src, Cx<R> *dst, Cx<R> *work,
                       bool inverse);

struct KernelSet {
  const char *name;
  FftFn<float> fft32;
  FftFn<double> fft64;
  // Post-processing of the real forward transform and pre-processing of
  // the real inverse (see RealSplit / RealMerge in fft_kernels.h).
  void (*realSplit64)(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h, double c);
  void (*realMerge64)(const Cx<double> *z, Cx<double> *a, const Cx<double> *wInv, size_t h,
                      double c);
  void (*mul64fc)(const Cx<double> *src, Cx<double> *srcDst, size_t n);
  void (*conj64fc)(Cx<double> *srcDst, size_t n);
  void (*minmax32f)(const float *src, size_t n, float *mn, float *mx);
  void (*minmax64f)(const double *src, size_t n, double *mn, double *mx);
  void (*sqrt32f)(const float *src, float *dst, size_t n);
};

const KernelSet &GenericKernels();
const KernelSet &Sse2Kernels();
const KernelSet &Avx2Kernels();

// The layer's processor feature mask: 0x01 x87, 0x02 MMX, 0x04 SSE,
// 0x08 SSE2, 0x10 SSE3 and SSSE3, 0x20 SSE4.1, 0x40 AVX2 and FMA with the
// operating system saving the AVX state.
uint32_t ProbeFeatures();
// Path number for a feature mask (0 generic, 1 SSE2, 2 SSSE3, 3 AVX2) and
// the variant (1 when SSE4.1 comes with path 2).
int PathForFeatures(uint32_t features, int *variant);
// Kernels of a path number (0..3).
const KernelSet &KernelsForPath(int path);
// Kernels of the current path (chosen by KoPerf_Initialize, or on first use),
// picked from the registered kernels (KernelTable_Signal) with any forced cap.
const KernelSet &Kernels();
// Current path number.
int CurrentPath();
// Forces a path (0..3) regardless of the processor, for tests that compare
// the paths; returns the previous path. The caller must only force paths
// the processor supports (see ProbeFeatures).
int ForcePath(int path);

// Maps a status of the layer to a result code.
HRESULT StatusToResult(KoPerfStatus status);

// Aligned allocation used by the vectors and the setups (64-byte aligned).
void *AlignedAlloc(size_t bytes);
void AlignedFree(void *p);

}  // namespace ko::signal
