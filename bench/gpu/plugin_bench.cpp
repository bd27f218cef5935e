// The plug-in set's core operations on the OpenCL device (pocl here) beside
// their processor twins, on 1920x1080 BGRA frames. Each device iteration
// enqueues the kernel and waits for it (clFinish inside the timing); images
// stay on the device, as a host's compositor keeps them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gpu/gpu_device.h"
#include "kokernel/koimageops.h"

namespace {

using namespace kotest::gpu;

constexpr int kW = 1920, kH = 1080;

struct Frames {
  std::vector<uint8_t> a = MakePicture(Picture::Photo, kW, kH, 1);
  std::vector<uint8_t> b = MakePicture(Picture::Photo, kW, kH, 2);
  std::vector<uint8_t> out = a;
  cl_mem ia = nullptr, ib = nullptr, ic = nullptr;
  Frames() {
    if (!Shared()) {
      std::fprintf(stderr, "no OpenCL device: %s\n", Shared().error.c_str());
      std::exit(1);
    }
    PluginLoad(BuildPluginCallback);
    ia = UploadBgra(a, kW, kH);
    ib = UploadBgra(b, kW, kH);
    ic = UploadBgra(nullptr, kW, kH);
  }
};
Frames &F() {
  static Frames f;
  return f;
}

void Finish(benchmark::State &state, bool ok) {
  if (!ok || KO_CL(Shared().rt, clFinish, Shared().queue) != CL_SUCCESS)
    state.SkipWithError("device call failed");
}

void CompositeDevice(benchmark::State &state, int mode, double opacity) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, CompositeOCL(f.ia, f.ib, f.ic, Shared().context, Shared().queue, nullptr, kW,
                               kH, mode, opacity));
}
void CompositeProcessor(benchmark::State &state, int mode, double opacity) {
  Frames &f = F();
  for (auto _ : state) {
    Composite(f.out.data(), kW * 4, f.b.data(), kW * 4, 4, kW, kH, mode, opacity);
    benchmark::DoNotOptimize(f.out.data());
  }
}
BENCHMARK_CAPTURE(CompositeDevice, over, KOCOMPOSITE_OVER, 1.0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CompositeProcessor, over, KOCOMPOSITE_OVER, 1.0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CompositeDevice, overlay_half, KOCOMPOSITE_OVERLAY, 0.5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CompositeProcessor, overlay_half, KOCOMPOSITE_OVERLAY, 0.5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void MaskMultiplyDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, MaskMultiplyOCL(f.ia, f.ib, f.ic, Shared().context, Shared().queue, nullptr,
                                  kW, kH, 3, 0.75, 0.125));
}
void MaskMultiplyProcessor(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state) {
    MaskMultiply(f.out.data(), kW * 4, 4, f.b.data(), kW * 4, kW, kH, 3, 0.75, 0.125);
    benchmark::DoNotOptimize(f.out.data());
  }
}
BENCHMARK(MaskMultiplyDevice)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(MaskMultiplyProcessor)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void FillDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, FillOCL(f.ic, Shared().context, Shared().queue, nullptr, kW, kH, 1.0f, 0.25f,
                          0.5f, 0.75f));
}
void FillProcessor(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state) {
    Fill(f.out.data(), kW * 4, 4, kW, kH, 1.0f, 0.25f, 0.5f, 0.75f);
    benchmark::DoNotOptimize(f.out.data());
  }
}
BENCHMARK(FillDevice)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FillProcessor)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The flip copy against the plain write it replaces: what turning a
// bottom-up bitmap into a top-down image costs on the way in.
void FlipCopyDevice(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, FlipCopyMemoryToOpenCLImage(f.ic, Shared().queue, Shared().context,
                                              f.a.data(), kW * 4, kW, kH));
}
void CopyMemoryToImage(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state)
    Finish(state, CopyMemoryToOpenCLImage(f.ic, Shared().queue, f.a.data(), kW * 4, kW, kH));
}
BENCHMARK(FlipCopyDevice)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyMemoryToImage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
