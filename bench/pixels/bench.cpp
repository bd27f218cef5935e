// Scalers against libyuv and OpenCV on one 1920x1080 BGRA frame scaled to
// 1280x720. Single-threaded unless the name ends in _MT.
#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "kokernel/kodib.h"
#include "pixels/scale.h"

namespace {

constexpr int kSW = 1920, kSH = 1080, kDW = 1280, kDH = 720;

struct Frames {
  std::vector<uint8_t> src, dst;
  Frames() : src(size_t(kSW) * kSH * 4), dst(size_t(kDW) * kDH * 4) {
    for (int y = 0; y < kSH; ++y)
      for (int x = 0; x < kSW; ++x)
        for (int c = 0; c < 4; ++c)
          src[(size_t(y) * kSW + x) * 4 + c] =
              uint8_t(128 + 70 * std::sin(x * 0.01 + c) * std::cos(y * 0.013) +
                      40 * std::sin((x + y) * 0.2 + c));
  }
};

Frames &F() {
  static Frames f;
  return f;
}

void Threads(benchmark::State &, bool multi) {
  const int n = multi ? omp_get_num_procs() : 1;
  omp_set_num_threads(n);
  cv::setNumThreads(n);
}

void Ko(benchmark::State &state, bool bicubic, uint32_t area, bool multi) {
  Threads(state, multi);
  Frames &f = F();
  const uint32_t ss[2] = {kSW, kSH}, ds[2] = {kDW, kDH};
  for (auto _ : state) {
    (bicubic ? KoDibScale_BiCubic : KoDibScale_Bilinear)(f.dst.data(), ds, kDW * 4, nullptr,
                                                         f.src.data(), ss, kSW * 4, nullptr, 4,
                                                         area, 0);
    benchmark::DoNotOptimize(f.dst.data());
  }
}

void KoPath(benchmark::State &state, ko::pixels::scale::Path path, bool bicubic) {
  Frames &f = F();
  const uint32_t ss[2] = {kSW, kSH}, ds[2] = {kDW, kDH};
  KoSubpixelParam p;
  KoPrepareSubpixelParam(&p, f.dst.data(), ds, kDW * 4, nullptr, f.src.data(), ss, kSW * 4, nullptr);
  ko::pixels::scale::Options o;
  o.bicubic = bicubic;
  o.singleThread = true;
  ko::pixels::scale::PathScope scope(path);
  if (!scope.Runs()) {
    state.SkipWithError("path not available on this processor");
    return;
  }
  for (auto _ : state) {
    ko::pixels::scale::Run(p, o);
    benchmark::DoNotOptimize(f.dst.data());
  }
}

void Libyuv(benchmark::State &state, libyuv::FilterMode mode) {
  Frames &f = F();
  for (auto _ : state) {
    libyuv::ARGBScale(f.src.data(), kSW * 4, kSW, kSH, f.dst.data(), kDW * 4, kDW, kDH, mode);
    benchmark::DoNotOptimize(f.dst.data());
  }
}

void OpenCV(benchmark::State &state, int interpolation, bool multi) {
  Threads(state, multi);
  Frames &f = F();
  cv::Mat s(kSH, kSW, CV_8UC4, f.src.data()), d(kDH, kDW, CV_8UC4, f.dst.data());
  for (auto _ : state) {
    cv::resize(s, d, d.size(), 0, 0, interpolation);
    benchmark::DoNotOptimize(f.dst.data());
  }
}

// Rows on one path: area mode 8-bit down across only (area across, bilinear
// or bicubic down) or float down both ways; without area mode, float
// bilinear or bicubic.
void KoAreaPath(benchmark::State &state, ko::pixels::scale::Path path, bool floats, bool bicubic,
                bool area = true) {
  const uint32_t bpp = floats ? 16 : 4, dh = floats ? kDH : kSH;
  static std::vector<uint8_t> src, dst;
  src.assign(size_t(kSW) * kSH * bpp, 0);
  dst.assign(size_t(kDW) * dh * bpp, 0);
  Frames &f = F();
  for (size_t i = 0; i < size_t(kSW) * kSH * 4; ++i) {
    if (floats) {
      const float v = f.src[i] / 255.0f;
      std::memcpy(&src[4 * i], &v, 4);
    } else {
      src[i] = f.src[i];
    }
  }
  const uint32_t ss[2] = {kSW, kSH}, ds[2] = {kDW, dh};
  KoSubpixelParam p;
  KoPrepareSubpixelParam(&p, dst.data(), ds, kDW * bpp, nullptr, src.data(), ss, kSW * bpp, nullptr);
  ko::pixels::scale::Options o;
  o.areaMode = area;
  o.bicubic = bicubic;
  o.bytesPerPixel = bpp;
  o.singleThread = true;
  ko::pixels::scale::PathScope scope(path);
  if (!scope.Runs()) {
    state.SkipWithError("path not available on this processor");
    return;
  }
  for (auto _ : state) {
    ko::pixels::scale::Run(p, o);
    benchmark::DoNotOptimize(dst.data());
  }
}

using ko::pixels::scale::Path;
BENCHMARK_CAPTURE(Ko, Bilinear, false, 0u, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libyuv, Bilinear, libyuv::kFilterBilinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ko, Area, false, 1u, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libyuv, Box, libyuv::kFilterBox)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenCV, Area, cv::INTER_AREA, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ko, Bicubic, true, 0u, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenCV, Cubic, cv::INTER_CUBIC, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ko, Bilinear_MT, false, 0u, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Ko, Area_MT, false, 1u, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Ko, Bicubic_MT, true, 0u, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, Area_MT, cv::INTER_AREA, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, Cubic_MT, cv::INTER_CUBIC, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(KoPath, BilinearScalar, Path::Scalar, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoPath, BilinearSSE2, Path::SSE2, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoPath, BilinearAVX2, Path::AVX2, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoPath, BicubicScalar, Path::Scalar, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoPath, BicubicSSE2, Path::SSE2, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoPath, BicubicAVX2, Path::AVX2, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, AcrossScalar, Path::Scalar, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, AcrossSSE2, Path::SSE2, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, AcrossCubicScalar, Path::Scalar, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, AcrossCubicSSE2, Path::SSE2, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, FloatScalar, Path::Scalar, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, FloatSSE2, Path::SSE2, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, FloatBicubicScalar, Path::Scalar, true, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, FloatBicubicSSE2, Path::SSE2, true, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KoAreaPath, FloatBicubicAVX2, Path::AVX2, true, true, false)->Unit(benchmark::kMillisecond);

}  // namespace
