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

}  // namespace
