// The plug-in filters on the OpenCL device against their processor twins on
// 1920x1080 BGRA frames. Each device iteration enqueues the call and waits
// for the queue (clFinish is inside the timing); uploads and downloads are
// not timed. The processor side runs single-threaded.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "gpu/cl_runtime.h"
#include "kokernel/kodib.h"
#include "kokernel/kogpu.h"
#include "kokernel/koimageops.h"

namespace {

constexpr int kW = 1920, kH = 1080, kSmallW = 1280, kSmallH = 720;
constexpr double kSigma = 3.0;

// pocl's first device, a context and a queue made through the library's own
// record (nothing links against OpenCL), and the plug-in program built on it.
struct Device {
  KoOpenCLRuntime *rt = ko::gpu::LibraryRuntime();
  cl_device_id device = nullptr;
  cl_context context = nullptr;
  cl_command_queue queue = nullptr;
  Device() {
    cl_platform_id platform = nullptr;
    cl_int err = CL_SUCCESS;
    if (KO_CL(rt, clGetPlatformIDs, 1u, &platform, nullptr) != CL_SUCCESS ||
        KO_CL(rt, clGetDeviceIDs, platform, CL_DEVICE_TYPE_ALL, 1u, &device, nullptr) != CL_SUCCESS)
      return;
    context = KO_CL_OBJ(rt, clCreateContext, &err, nullptr, 1u, &device, nullptr, nullptr);
    if (context) queue = KO_CL_OBJ(rt, clCreateCommandQueue, &err, context, device, cl_command_queue_properties{0});
    building = this;
    if (queue) PluginLoad(Build);
  }
  static inline Device *building = nullptr;
  static bool Build(const char *text, int, cl_program *out, const char *) {
    Device &d = *building;
    cl_int err = CL_SUCCESS;
    *out = KO_CL_OBJ(d.rt, clCreateProgramWithSource, &err, d.context, 1u, &text, nullptr);
    return *out && KO_CL(d.rt, clBuildProgram, *out, 1u, &d.device, "", nullptr, nullptr) == CL_SUCCESS;
  }
  static Device &Get();
  void Finish() { KO_CL(rt, clFinish, queue); }
};

Device &Device::Get() {
  static Device d;
  return d;
}

struct Frames {
  std::vector<uint8_t> src, out;
  std::vector<float> temp;
  uint8_t table[256][4];
  Frames() : src(size_t(kW) * kH * 4), out(src.size()), temp(src.size()) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        for (int c = 0; c < 4; ++c)
          src[(size_t(y) * kW + x) * 4 + c] = uint8_t(128 + 120 * std::sin(x * 0.01 + c) * std::cos(y * 0.013));
    for (int i = 0; i < 256; ++i)
      for (int c = 0; c < 4; ++c) table[i][c] = uint8_t(255 - i + c);
  }
};

Frames &F() {
  static Frames f;
  return f;
}

// The device side: the frame uploaded once, a destination of each size.
struct Images {
  cl_mem src = nullptr, dst = nullptr, small = nullptr;
  Images() {
    Device &d = Device::Get();
    src = CreateCLImage(d.context, kW, kH);
    dst = CreateCLImage(d.context, kW, kH);
    small = CreateCLImage(d.context, kSmallW, kSmallH);
    if (src) CopyMemoryToOpenCLImage(src, d.queue, F().src.data(), kW * 4, kW, kH);
  }
};

Images &I() {
  static Images i;
  return i;
}

template <class Call>
void OnDevice(benchmark::State &state, Call call) {
  Device &d = Device::Get();
  Images &i = I();
  if (!i.src || !i.dst || !i.small) {
    state.SkipWithError("no OpenCL device");
    return;
  }
  for (auto _ : state) {
    if (!call(d, i)) {
      state.SkipWithError("the device call failed");
      return;
    }
    d.Finish();
  }
}

void GpuScale(benchmark::State &state) {
  OnDevice(state, [](Device &d, Images &i) {
    return ScaleOCL(i.src, i.small, d.context, d.queue, nullptr, kSmallW, kSmallH);
  });
}
void CpuScale(benchmark::State &state) {
  omp_set_num_threads(1);
  Frames &f = F();
  const uint32_t ds[2] = {kSmallW, kSmallH}, ss[2] = {kW, kH};
  for (auto _ : state) {
    KoDibScale_Bilinear(f.out.data(), ds, kSmallW * 4, nullptr, f.src.data(), ss, kW * 4, nullptr, 4, 0, 0);
    benchmark::DoNotOptimize(f.out.data());
  }
}

void GpuChannelMap(benchmark::State &state) {
  OnDevice(state, [](Device &d, Images &i) {
    return ChannelMapOCL(i.src, i.dst, d.context, d.queue, nullptr, kW, kH, 2, F().table);
  });
}
void CpuChannelMap(benchmark::State &state) {
  Frames &f = F();
  for (auto _ : state) {
    ChannelMapEx(reinterpret_cast<uint32_t *>(f.out.data()), kW * 4, reinterpret_cast<const uint32_t *>(f.src.data()),
                 kW * 4, 2, kW, kH, reinterpret_cast<const uint32_t *>(f.table));
    benchmark::DoNotOptimize(f.out.data());
  }
}

void GpuGaussian(benchmark::State &state) {
  OnDevice(state, [](Device &d, Images &i) {
    return GaussianBlurOCL(i.src, i.dst, d.context, d.queue, nullptr, kW, kH, kSigma, kSigma);
  });
}
void CpuGaussian(benchmark::State &state) {
  omp_set_num_threads(1);
  Frames &f = F();
  for (auto _ : state) {
    f.out = f.src;
    GaussianBlur(f.out.data(), kW * 4, 4, kW, kH, f.temp.data(), f.temp.size() * 4, kSigma, kSigma, nullptr,
                 nullptr);
    benchmark::DoNotOptimize(f.out.data());
  }
}

}  // namespace

BENCHMARK(GpuScale)->Name("GpuFilters/Scale")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CpuScale)->Name("CpuFilters/Scale")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GpuChannelMap)->Name("GpuFilters/ChannelMap")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CpuChannelMap)->Name("CpuFilters/ChannelMap")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GpuGaussian)->Name("GpuFilters/Gaussian")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CpuGaussian)->Name("CpuFilters/Gaussian")->Unit(benchmark::kMillisecond)->UseRealTime();
