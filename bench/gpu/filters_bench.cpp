// The plug-in filters on the OpenCL device (pocl here) against their
// processor twins on 1920x1080 BGRA frames. Each device iteration enqueues
// the call and waits for the queue (clFinish inside the timing); images stay
// on the device. The processor side runs single-threaded.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gpu/gpu_device.h"
#include "kokernel/kodib.h"
#include "kokernel/koimageops.h"

namespace {

using namespace kotest::gpu;

constexpr int kW = 1920, kH = 1080, kSmallW = 1280, kSmallH = 720;
constexpr double kSigma = 3.0;

struct Frames {
  std::vector<uint8_t> src = MakePicture(Picture::Photo, kW, kH, 3), out = src;
  std::vector<float> temp = std::vector<float>(src.size());
  uint8_t table[256][4];
  cl_mem isrc = nullptr, idst = nullptr, ismall = nullptr;
  Frames() {
    if (!Shared()) {
      std::fprintf(stderr, "no OpenCL device: %s\n", Shared().error.c_str());
      std::exit(1);
    }
    for (int i = 0; i < 256; ++i)
      for (int c = 0; c < 4; ++c) table[i][c] = uint8_t(255 - i + c);
    PluginLoad(BuildPluginCallback);
    isrc = UploadBgra(src, kW, kH);
    idst = UploadBgra(nullptr, kW, kH);
    ismall = UploadBgra(nullptr, kSmallW, kSmallH);
    omp_set_num_threads(1);
  }
};
Frames &F() {
  static Frames f;
  return f;
}

void Finish(benchmark::State &state, bool ok) {
  if (!ok || KO_CL(Shared().rt, clFinish, Shared().queue) != CL_SUCCESS) state.SkipWithError("device call failed");
}

void ScaleDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, ScaleOCL(f.isrc, f.ismall, Shared().context, Shared().queue, nullptr, kSmallW, kSmallH));
}
void ScaleProcessor(benchmark::State &state) {
  Frames &f = F();
  const uint32_t ds[2] = {kSmallW, kSmallH}, ss[2] = {kW, kH};
  for (auto _ : state) {
    KoDibScale_Bilinear(f.out.data(), ds, kSmallW * 4, nullptr, f.src.data(), ss, kW * 4, nullptr, 4, 0, 0);
    benchmark::DoNotOptimize(f.out.data());
  }
}

void ChannelMapDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, ChannelMapOCL(f.isrc, f.idst, Shared().context, Shared().queue, nullptr, kW, kH, 2, f.table));
}
void ChannelMapProcessor(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state) {
    ChannelMapEx(reinterpret_cast<uint32_t *>(f.out.data()), kW * 4, reinterpret_cast<const uint32_t *>(f.src.data()),
                 kW * 4, 2, kW, kH, reinterpret_cast<const uint32_t *>(f.table));
    benchmark::DoNotOptimize(f.out.data());
  }
}

void GaussianDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, GaussianBlurOCL(f.isrc, f.idst, Shared().context, Shared().queue, nullptr, kW, kH, kSigma, kSigma));
}
// The copy that the in-place blur needs is timed too: the device writes
// another image.
void GaussianProcessor(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.src;
    GaussianBlur(f.out.data(), kW * 4, 4, kW, kH, f.temp.data(), f.temp.size() * 4, kSigma, kSigma, nullptr, nullptr);
    benchmark::DoNotOptimize(f.out.data());
  }
}

}  // namespace

BENCHMARK(ScaleDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScaleProcessor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ChannelMapDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ChannelMapProcessor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GaussianDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GaussianProcessor)->Unit(benchmark::kMillisecond)->UseRealTime();
