// The YUV set's device converters against the processor converters on one
// 1920x1080 frame. A device iteration enqueues the conversion and waits for
// it (clFinish inside the timing); frames and images stay on the device. The
// processor runs on all cores, as pocl does.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "colour/colour_test_util.h"
#include "gpu/gpu_device.h"
#include "kokernel/kodib.h"
#include "kokernel/kogpu.h"
#include "kokernel/koyuv.h"

namespace {

constexpr int kW = 1920, kH = 1080;
using kotest::gpu::Device;
using kotest::gpu::Shared;

// A frame of the layout (random samples), on the host and on the device.
struct Frame {
  BITMAPINFOHEADER h{};
  KoYUVPlaneLayout l{};
  std::vector<uint8_t> bytes;
  cl_mem buffer = nullptr;
  explicit Frame(const char *code) : h(kotest::YuvHeader(code, kW, kH)) {
    bytes.resize(KoYUVImageBytesAndOffsets(&h, &l));
    std::mt19937 rng(7);
    for (auto &b : bytes) b = uint8_t(rng());
    buffer = kotest::gpu::UploadBuffer(bytes.data(), bytes.size());
  }
  ~Frame() { kotest::gpu::Release(buffer); }
};

struct Picture {
  BITMAPINFOHEADER h{};
  std::vector<uint8_t> bits;
  cl_mem image = nullptr;
  explicit Picture(bool isFloat) {
    uint32_t size = 0;
    KoVideo_InitBitmapInfo(&h, isFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, kW, kH, nullptr, 0, &size);
    bits.resize(size);
    std::mt19937 rng(3);
    for (auto &b : bits) b = isFloat ? 0 : uint8_t(rng());
    image = isFloat ? kotest::gpu::UploadRgbaFloat(reinterpret_cast<float *>(bits.data()), kW, kH)
                    : kotest::gpu::UploadBgra(bits.data(), kW, kH);
  }
  ~Picture() { kotest::gpu::Release(image); }
};

// The shared device with the YUV set built on it.
bool Ready() {
  static const bool ready = Shared() && YUV_OpenCL_Initialize(Shared().rt, kotest::gpu::BuildSetCallback) >= 0;
  return ready;
}

void Pixels(benchmark::State &s) { s.SetItemsProcessed(int64_t(s.iterations()) * kW * kH); }

// code: source layout; outGamma 0 keeps studio levels (the Q14 path for
// I420), 1.8 with material gamma 2.2222 adds a gamma step.
void ToRgb(benchmark::State &s, const char *code, bool isFloat, double outGamma, bool device) {
  Device &d = Shared();
  Frame f(code);
  Picture out(isFloat);
  KoYUVConvertParams p{};
  p.gamma = 2.2222222222222223;
  if (device && (!Ready() || !f.buffer || !out.image)) return s.SkipWithError("no OpenCL device");
  // pocl compiles a kernel on its first launch: once before the timing.
  if (device && KoYUV_YUVToRGB_OCL(d.queue, out.image, f.buffer, outGamma, &f.h, nullptr, &f.l, 0, 0, &p) == S_OK)
    KO_CL(d.rt, clFinish, d.queue);
  for (auto _ : s) {
    if (device) {
      if (KoYUV_YUVToRGB_OCL(d.queue, out.image, f.buffer, outGamma, &f.h, nullptr, &f.l, 0, 0, &p) != S_OK)
        return s.SkipWithError("device conversion failed");
      KO_CL(d.rt, clFinish, d.queue);
    } else {
      KoYUV_YUVToRGB(&out.h, outGamma, out.bits.data(), 0, &f.h, nullptr, f.bytes.data(), &f.l, 0, 0, &p);
    }
  }
  Pixels(s);
}

void ToYuv(benchmark::State &s, const char *code, bool device) {
  Device &d = Shared();
  Frame f(code);
  Picture in(false);
  if (device && (!Ready() || !f.buffer || !in.image)) return s.SkipWithError("no OpenCL device");
  if (device && KoYUV_RGBToYUV_OCL(d.queue, &f.h, nullptr, f.buffer, &f.l, &in.h, 2.2, in.image, 0, 0, true) == S_OK)
    KO_CL(d.rt, clFinish, d.queue);
  for (auto _ : s) {
    if (device) {
      if (KoYUV_RGBToYUV_OCL(d.queue, &f.h, nullptr, f.buffer, &f.l, &in.h, 2.2, in.image, 0, 0, true) != S_OK)
        return s.SkipWithError("device conversion failed");
      KO_CL(d.rt, clFinish, d.queue);
    } else {
      KoYUV_RGBToYUV(&f.h, nullptr, f.bytes.data(), &f.l, &in.h, 2.2, in.bits.data(), 0, 0, 0, true);
    }
  }
  Pixels(s);
}

#define KO_PAIR(name, fn, ...)                                                                           \
  BENCHMARK_CAPTURE(fn, name##_device, __VA_ARGS__, true)->Name("GpuYuv/" #name)->UseRealTime()->Unit(  \
      benchmark::kMicrosecond);                                                                          \
  BENCHMARK_CAPTURE(fn, name##_cpu, __VA_ARGS__, false)->Name("CpuYuv/" #name)->UseRealTime()->Unit(    \
      benchmark::kMicrosecond)

KO_PAIR(I420ToBgraQ14, ToRgb, "I420", false, 0.0);
KO_PAIR(NV12ToBgra, ToRgb, "NV12", false, 0.0);
KO_PAIR(v210ToBgra, ToRgb, "v210", false, 2.2222222222222223);
KO_PAIR(P010ToFloatGamma, ToRgb, "P010", true, 1.8);
KO_PAIR(BgraToNV12, ToYuv, "NV12");
KO_PAIR(BgraToP010, ToYuv, "P010");

}  // namespace
