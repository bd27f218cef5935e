// KoDibCopy without scaling on a 1920x1080 frame, single-threaded, beside
// libyuv's converters of the same layouts and memcpy of the same rows.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <omp.h>

#include <cstring>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koxchg.h"
#include "pixels/dib.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct Dib {
  BITMAPINFOHEADER *h = nullptr;
  explicit Dib(int type) {
    KoDibAlloc(&h, type, kW, kH, nullptr, 0, 1, nullptr);
    uint8_t *p = Bits();
    for (uint32_t i = 0; i < h->biSizeImage; ++i) p[i] = uint8_t(i * 2654435761u >> 13);
  }
  ~Dib() { KoDibFree(h, 0); }
  uint8_t *Bits() const { return ko::pixels::DibPixels(h); }
  int Stride() const { return int(ko::pixels::DibDefaultStride(h->biBitCount, kW)); }
};

void Copy(benchmark::State &state, int dstType, int srcType) {
  omp_set_num_threads(1);
  Dib src(srcType), dst(dstType);
  for (auto _ : state) {
    KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

void BM_KoDibCopy_RGB24_To_RGB32(benchmark::State &s) { Copy(s, KOPT_RGB32, KOPT_RGB24); }
void BM_KoDibCopy_RGB32_To_RGB24(benchmark::State &s) { Copy(s, KOPT_RGB24, KOPT_RGB32); }
void BM_KoDibCopy_RGBA32_To_RGBA32(benchmark::State &s) { Copy(s, KOPT_RGBA32, KOPT_RGBA32); }

void BM_libyuv_RGB24ToARGB(benchmark::State &state) {
  Dib src(KOPT_RGB24), dst(KOPT_RGB32);
  for (auto _ : state) {
    libyuv::RGB24ToARGB(src.Bits(), src.Stride(), dst.Bits(), dst.Stride(), kW, kH);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

void BM_libyuv_ARGBToRGB24(benchmark::State &state) {
  Dib src(KOPT_RGB32), dst(KOPT_RGB24);
  for (auto _ : state) {
    libyuv::ARGBToRGB24(src.Bits(), src.Stride(), dst.Bits(), dst.Stride(), kW, kH);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

void BM_memcpy_RGBA32_Rows(benchmark::State &state) {
  Dib src(KOPT_RGBA32), dst(KOPT_RGBA32);
  for (auto _ : state) {
    for (int y = 0; y < kH; ++y)
      std::memcpy(dst.Bits() + size_t(y) * dst.Stride(), src.Bits() + size_t(y) * src.Stride(), size_t(kW) * 4);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

}  // namespace

BENCHMARK(BM_KoDibCopy_RGB24_To_RGB32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_libyuv_RGB24ToARGB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KoDibCopy_RGB32_To_RGB24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_libyuv_ARGBToRGB24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KoDibCopy_RGBA32_To_RGBA32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_memcpy_RGBA32_Rows)->Unit(benchmark::kMicrosecond);
