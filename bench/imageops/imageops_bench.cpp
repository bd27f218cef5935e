// Compositing, multiplies and blurs on 1920x1080 BGRA frames beside libyuv
// and OpenCV, in one run. Single-threaded unless the name ends in _MT.
#include <benchmark/benchmark.h>
#include <libyuv/planar_functions.h>
#include <omp.h>

#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "kokernel/koimageops.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct Frames {
  std::vector<uint8_t> src, dst, out;
  std::vector<float> srcF, dstF, temp;
  Frames() : src(size_t(kW) * kH * 4), dst(src.size()), out(src.size()), srcF(src.size()), dstF(src.size()),
             temp(src.size()) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const size_t i = (size_t(y) * kW + x) * 4;
        const uint8_t a = uint8_t(128 + 127 * std::sin(x * 0.003 + y * 0.002));
        for (int c = 0; c < 3; ++c) {
          src[i + c] = uint8_t(a * (0.5 + 0.5 * std::sin(x * 0.01 + c)));
          dst[i + c] = uint8_t(255 * (0.5 + 0.5 * std::cos(y * 0.013 + c)));
        }
        src[i + 3] = a, dst[i + 3] = 255;
      }
    for (size_t i = 0; i < src.size(); ++i) srcF[i] = src[i] / 255.0f, dstF[i] = dst[i] / 255.0f;
  }
};

Frames &F() {
  static Frames f;
  return f;
}

void Threads(bool multi) {
  const int n = multi ? omp_get_num_procs() : 1;
  omp_set_num_threads(n);
  cv::setNumThreads(n);
}

void Composite8(benchmark::State &state, double opacity, bool multi) {
  Threads(multi);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    Composite(f.out.data(), kW * 4, f.src.data(), kW * 4, 4, kW, kH, KOCOMPOSITE_OVER, opacity);
    benchmark::DoNotOptimize(f.out.data());
  }
}
// The copy of the destination that every composite needs is timed in the
// peer too, so both sides do the same work.
void LibyuvBlend(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    libyuv::ARGBBlend(f.src.data(), kW * 4, f.out.data(), kW * 4, f.out.data(), kW * 4, kW, kH);
    benchmark::DoNotOptimize(f.out.data());
  }
}
void KoBlend(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    Blend(f.out.data(), kW * 4, f.src.data(), kW * 4, kW, kH, 0.5);
    benchmark::DoNotOptimize(f.out.data());
  }
}
void KoMultiply(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    Multiply(f.out.data(), kW * 4, 4, kW, kH, 0.75, false);
    benchmark::DoNotOptimize(f.out.data());
  }
}
void KoCompositeMultiply(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    Composite(f.out.data(), kW * 4, f.src.data(), kW * 4, 4, kW, kH, KOCOMPOSITE_MULTIPLY, 1.0);
    benchmark::DoNotOptimize(f.out.data());
  }
}
void LibyuvMultiply(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.dst;
    libyuv::ARGBMultiply(f.src.data(), kW * 4, f.out.data(), kW * 4, f.out.data(), kW * 4, kW, kH);
    benchmark::DoNotOptimize(f.out.data());
  }
}

void KoGauss(benchmark::State &state, bool bytes, double sigma, bool multi) {
  Threads(multi);
  Frames &f = F();
  std::vector<uint8_t> img8 = f.src;
  std::vector<float> imgF = f.srcF;
  std::vector<float> temp(size_t(kW) * kH * 4);
  for (auto _ : state) {
    void *img = bytes ? static_cast<void *>(img8.data()) : imgF.data();
    GaussianBlur(img, kW * (bytes ? 4 : 16), bytes ? 4 : 16, kW, kH, temp.data(), temp.size() * 4, sigma, sigma,
                 nullptr, nullptr);
    benchmark::DoNotOptimize(img);
  }
}
void CvGauss(benchmark::State &state, bool bytes, double sigma, bool multi) {
  Threads(multi);
  Frames &f = F();
  cv::Mat src = bytes ? cv::Mat(kH, kW, CV_8UC4, f.src.data()) : cv::Mat(kH, kW, CV_32FC4, f.srcF.data());
  cv::Mat dst;
  for (auto _ : state) {
    cv::GaussianBlur(src, dst, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
    benchmark::DoNotOptimize(dst.data);
  }
}

void KoBlur3x3(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  for (auto _ : state) {
    Blur3x3(f.out.data(), kW * 4, f.src.data(), kW * 4, 4, kW, kH);
    benchmark::DoNotOptimize(f.out.data());
  }
}
void CvBlur3x3(benchmark::State &state) {
  Threads(false);
  Frames &f = F();
  cv::Mat src(kH, kW, CV_8UC4, f.src.data()), dst;
  for (auto _ : state) {
    cv::blur(src, dst, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    benchmark::DoNotOptimize(dst.data);
  }
}

BENCHMARK_CAPTURE(Composite8, over_op1, 1.0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Composite8, over_op05, 0.5, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Composite8, over_op1_MT, 1.0, true)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(KoBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(LibyuvBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(KoMultiply)->Unit(benchmark::kMillisecond);
BENCHMARK(KoCompositeMultiply)->Unit(benchmark::kMillisecond);
BENCHMARK(LibyuvMultiply)->Unit(benchmark::kMillisecond);
#define KO_GAUSS(name, bytes, sigma)                                                             \
  BENCHMARK_CAPTURE(KoGauss, name, bytes, sigma, false)->Unit(benchmark::kMillisecond);          \
  BENCHMARK_CAPTURE(CvGauss, name, bytes, sigma, false)->Unit(benchmark::kMillisecond);          \
  BENCHMARK_CAPTURE(KoGauss, name##_MT, bytes, sigma, true)->UseRealTime()->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(CvGauss, name##_MT, bytes, sigma, true)->UseRealTime()->Unit(benchmark::kMillisecond);
KO_GAUSS(u8_sigma2, true, 2.0)
KO_GAUSS(u8_sigma10, true, 10.0)
KO_GAUSS(u8_sigma30, true, 30.0)
KO_GAUSS(f32_sigma2, false, 2.0)
KO_GAUSS(f32_sigma10, false, 10.0)
KO_GAUSS(f32_sigma30, false, 30.0)
BENCHMARK(KoBlur3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(CvBlur3x3)->Unit(benchmark::kMillisecond);

}  // namespace
