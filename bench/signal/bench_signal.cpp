// Our transforms against FFTW's measured plans, same lengths, same run.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstring>
#include <random>
#include <vector>

#include "kokernel/koperf.h"

namespace {

void Fill(float *p, size_t n) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> d(-1, 1);
  for (size_t i = 0; i < n; ++i) p[i] = d(rng);
}

void Fill(double *p, size_t n) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> d(-1, 1);
  for (size_t i = 0; i < n; ++i) p[i] = d(rng);
}

void BM_KoComplexForward(benchmark::State &state) {
  const int order = int(state.range(0));
  const size_t n = size_t{1} << order;
  KoPerf_Initialize();
  void *setup = nullptr;
  KoPerfsFFTInitAlloc_C_32fc(&setup, order, KOPERF_FFT_NODIV_BY_ANY, 1);
  int bytes = 0;
  KoPerfsFFTGetBufSize_C_32fc(setup, &bytes);
  BYTE *buf = static_cast<BYTE *>(KoPerfsMalloc_8u(bytes));
  float *src = KoPerfsMalloc_32f(int(2 * n)), *dst = KoPerfsMalloc_32f(int(2 * n));
  Fill(src, 2 * n);
  for (auto _ : state) {
    KoPerfsFFTFwd_CToC_32fc(src, dst, setup, buf);
    benchmark::DoNotOptimize(dst);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(n));
  KoPerfsFree(src);
  KoPerfsFree(dst);
  KoPerfsFree(buf);
  KoPerfsFFTFree_C_32fc(setup);
}

void BM_FftwComplexForward(benchmark::State &state) {
  const size_t n = size_t{1} << state.range(0);
  fftwf_complex *in = fftwf_alloc_complex(n), *out = fftwf_alloc_complex(n);
  fftwf_plan plan = fftwf_plan_dft_1d(int(n), in, out, FFTW_FORWARD, FFTW_MEASURE);
  Fill(&in[0][0], 2 * n);
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(n));
  fftwf_destroy_plan(plan);
  fftwf_free(in);
  fftwf_free(out);
}

void BM_KoRealForward(benchmark::State &state) {
  const int order = int(state.range(0));
  const size_t n = size_t{1} << order;
  KoPerf_Initialize();
  void *setup = nullptr;
  // Unitary scaling keeps the repeated in-place transform bounded; the
  // scale is folded into the last pass, so it costs nothing extra.
  KoPerfsFFTInitAlloc_R_64f(&setup, order, KOPERF_FFT_DIV_BY_SQRTN, 1);
  int bytes = 0;
  KoPerfsFFTGetBufSize_R_64f(setup, &bytes);
  BYTE *buf = static_cast<BYTE *>(KoPerfsMalloc_8u(bytes));
  double *x = static_cast<double *>(KoPerfsMalloc_8u(int(n * sizeof(double))));
  Fill(x, n);
  // The packed spectrum keeps each conjugate pair once, so every repeated
  // in-place transform about halves the energy: the input is refreshed
  // every 256 runs, long before it decays to subnormals and then zeros.
  const std::vector<double> fresh(x, x + n);
  unsigned runs = 0;
  for (auto _ : state) {
    if ((++runs & 255) == 0) std::memcpy(x, fresh.data(), n * sizeof(double));
    KoPerfsFFTFwd_RToPerm_64f_I(x, setup, buf);
    benchmark::DoNotOptimize(x);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(n));
  KoPerfsFree(x);
  KoPerfsFree(buf);
  KoPerfsFFTFree_R_64f(setup);
}

void BM_FftwRealForward(benchmark::State &state) {
  const size_t n = size_t{1} << state.range(0);
  double *in = fftw_alloc_real(n);
  fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(int(n), in, out, FFTW_MEASURE);
  Fill(in, n);
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(n));
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

BENCHMARK(BM_KoComplexForward)->Arg(10)->Arg(16);
BENCHMARK(BM_FftwComplexForward)->Arg(10)->Arg(16);
BENCHMARK(BM_KoRealForward)->Arg(10)->Arg(16);
BENCHMARK(BM_FftwRealForward)->Arg(10)->Arg(16);

}  // namespace
