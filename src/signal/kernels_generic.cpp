// The generic code path: the portable reference of every kernel.
#include "signal/fft_kernels.h"

namespace ko::signal {
namespace {

void Fft32(const FftPlan<float> &plan, const Cx<float> *src, Cx<float> *dst, Cx<float> *work,
           bool inverse) {
  RunFft<ScalarCx<float>>(plan, src, dst, work, inverse);
}

void Fft64(const FftPlan<double> &plan, const Cx<double> *src, Cx<double> *dst,
           Cx<double> *work, bool inverse) {
  RunFft<ScalarCx<double>>(plan, src, dst, work, inverse);
}

void Split64(const Cx<double> *a, Cx<double> *z, const Cx<double> *w, size_t h, double c) {
  RealSplit<ScalarCx<double>>(a, z, w, h, c);
}

void Merge64(const Cx<double> *z, Cx<double> *a, const Cx<double> *w, size_t h, double c) {
  RealMerge<ScalarCx<double>>(z, a, w, h, c);
}

void Mul64fc(const Cx<double> *src, Cx<double> *srcDst, size_t n) { MulScalar(src, srcDst, 0, n); }
void Conj64fc(Cx<double> *srcDst, size_t n) { ConjScalar(srcDst, 0, n); }

void MinMax32f(const float *src, size_t n, float *mn, float *mx) {
  *mn = *mx = src[0];
  MinMaxScalar(src, 1, n, mn, mx);
}

void MinMax64f(const double *src, size_t n, double *mn, double *mx) {
  *mn = *mx = src[0];
  MinMaxScalar(src, 1, n, mn, mx);
}

void Sqrt32f(const float *src, float *dst, size_t n) { SqrtScalar(src, dst, 0, n); }

const KernelSet kGeneric = {"generic", Fft32, Fft64, Split64, Merge64, Mul64fc, Conj64fc,
                            MinMax32f, MinMax64f, Sqrt32f};

}  // namespace

const KernelSet &GenericKernels() { return kGeneric; }

}  // namespace ko::signal
