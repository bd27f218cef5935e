// The bitmap-copy and interlace sets on the OpenCL device (the first
// platform's first device, pocl here) against their processor twins on a
// 1920x1080 frame. Each device iteration enqueues the operation and waits
// for the queue (clFinish), so the time is the device's whole run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

#include "gpu/cl_runtime.h"
#include "kokernel/kodibops.h"
#include "kokernel/koxchg.h"
#include "pixels/dib.h"

namespace {

using ko::gpu::LibraryRuntime;
constexpr int kW = 1920, kH = 1080;

struct Device {
  KoOpenCLRuntime *rt = LibraryRuntime();
  cl_device_id device = nullptr;
  cl_context context = nullptr;
  cl_command_queue queue = nullptr;
  bool ready = false;
  Device() {
    cl_platform_id p = nullptr;
    cl_int err = KO_CL(rt, clGetPlatformIDs, 1u, &p, nullptr);
    if (err == CL_SUCCESS) err = KO_CL(rt, clGetDeviceIDs, p, CL_DEVICE_TYPE_ALL, 1u, &device, nullptr);
    if (err == CL_SUCCESS) context = KO_CL_OBJ(rt, clCreateContext, &err, nullptr, 1u, &device, nullptr, nullptr);
    if (err == CL_SUCCESS)
      queue = KO_CL_OBJ(rt, clCreateCommandQueue, &err, context, device, cl_command_queue_properties{0});
    building = this;  // the build callback runs inside this constructor
    ready = err == CL_SUCCESS && DibCopy_OpenCL_Initialize(rt, Build) == S_OK &&
            DibInterlace_OpenCL_Initialize(rt, Build) == S_OK;
  }
  static inline Device *building = nullptr;
  static cl_program Build(const char *text, int) {
    Device &d = *building;
    cl_int err = CL_SUCCESS;
    cl_program p = KO_CL_OBJ(d.rt, clCreateProgramWithSource, &err, d.context, 1u, &text, nullptr);
    if (p && KO_CL(d.rt, clBuildProgram, p, 1u, &d.device, "", nullptr, nullptr) == CL_SUCCESS) return p;
    return nullptr;
  }
  static Device &Get() {
    static Device d;
    return d;
  }
  cl_mem Image(const uint8_t *px) {
    cl_image_format f{CL_BGRA, CL_UNORM_INT8};
    cl_int err = CL_SUCCESS;
    cl_mem m = KO_CL_OBJ(rt, clCreateImage2D, &err, context, CL_MEM_READ_WRITE, &f, size_t(kW),
                         size_t(kH), size_t(0), nullptr);
    const size_t o[3] = {0, 0, 0}, r[3] = {size_t(kW), size_t(kH), 1};
    KO_CL(rt, clEnqueueWriteImage, queue, m, CL_TRUE, o, r, size_t(kW) * 4, size_t(0), px, 0u, nullptr, nullptr);
    return m;
  }
};

struct Frame {
  BITMAPINFOHEADER *h = nullptr;
  Frame() {
    KoDibAlloc(&h, KOPT_RGBA32, kW, kH, nullptr, 0, 1, nullptr);
    uint8_t *p = ko::pixels::DibPixels(h);
    for (uint32_t i = 0; i < h->biSizeImage; ++i) p[i] = uint8_t(i * 2654435761u >> 13);
  }
  ~Frame() { KoDibFree(h, 0); }
  uint8_t *Bits() const { return ko::pixels::DibPixels(h); }
};

using GpuOp = std::function<HRESULT(cl_command_queue, const BITMAPINFOHEADER *, cl_mem, cl_mem)>;
using CpuOp = std::function<HRESULT(BITMAPINFOHEADER *, BITMAPINFOHEADER *)>;

void OnDevice(benchmark::State &state, const GpuOp &op) {
  Device &d = Device::Get();
  if (!d.ready) return state.SkipWithError("no OpenCL device");
  Frame f;
  cl_mem a = d.Image(f.Bits()), b = d.Image(f.Bits());
  for (auto _ : state) {
    if (op(d.queue, f.h, a, b) != S_OK || KO_CL(d.rt, clFinish, d.queue) != CL_SUCCESS)
      return state.SkipWithError("device call failed");
  }
  KO_CL(d.rt, clReleaseMemObject, a);
  KO_CL(d.rt, clReleaseMemObject, b);
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

void OnProcessor(benchmark::State &state, const CpuOp &op) {
  Frame a, b;
  for (auto _ : state) {
    op(a.h, b.h);
    benchmark::DoNotOptimize(a.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

const KODIBPIXEL kColour{0.2f, 0.4f, 0.6f, 1.0f};
const float kHalf[4] = {0, 0, kW / 2, kH / 2};
const RECT kHalfRect{0, 0, kW / 2, kH / 2};

// A device benchmark and its processor twin: gpu may use q, h, a, b and
// cpu a, b (the frames' headers).
#define KO_PAIR(name, gpu, cpu)                                                 \
  void BM_GpuDib_##name(benchmark::State &s) {                                 \
    OnDevice(s, []([[maybe_unused]] cl_command_queue q,                        \
                   [[maybe_unused]] const BITMAPINFOHEADER *h,                 \
                   [[maybe_unused]] cl_mem a, [[maybe_unused]] cl_mem b) { return gpu; }); \
  }                                                                            \
  void BM_CpuDib_##name(benchmark::State &s) {                                 \
    OnProcessor(s, []([[maybe_unused]] BITMAPINFOHEADER *a,                    \
                      [[maybe_unused]] BITMAPINFOHEADER *b) { return cpu; });  \
  }                                                                            \
  BENCHMARK(BM_GpuDib_##name)->UseRealTime();                                  \
  BENCHMARK(BM_CpuDib_##name)->UseRealTime();

KO_PAIR(Copy, KoDibCopyOCL(q, h, a, nullptr, 0, h, b, nullptr, 0, 0),
        KoDibCopy(a, nullptr, nullptr, 0, b, nullptr, nullptr, 0, 0, 0, 0))
KO_PAIR(Bilinear, KoDibCopyOCL(q, h, a, kHalf, 0, h, b, nullptr, 0, 3),
        KoDibCopy(a, nullptr, &kHalfRect, 0, b, nullptr, nullptr, 0, 3, 0, 0))
KO_PAIR(Bicubic, KoDibCopyOCL(q, h, a, kHalf, 0, h, b, nullptr, 0, 3 | KOXCHG_BICUBIC),
        KoDibCopy(a, nullptr, &kHalfRect, 0, b, nullptr, nullptr, 0, 3 | KOXCHG_BICUBIC, 0, 0))
KO_PAIR(Fade, KoDibFadeToColorOCL(q, h, a, &kColour, nullptr, 0.5f, 0, 0),
        KoDibFadeToColor(a, nullptr, nullptr, 0, &kColour, 0.5f, 0, 0))
KO_PAIR(SwapRB, KoDibSwapRB_OCL(q, h, a, nullptr), KoDibSwapRB(a, nullptr, nullptr, 0))
KO_PAIR(Fill, KoDibFillRectOCL(q, a, nullptr, &kColour), KoDibFillRect(a, nullptr, nullptr, 0, &kColour, 0))
KO_PAIR(Interlace, KoDibCopyInterlaceOCL(q, h, a, b, 1),
        KoDibCopyInterlace(a, nullptr, nullptr, 0, b, nullptr, nullptr, 0, 1, 0))
KO_PAIR(MergeFields, KoDibCopyInterlaceCopyFieldOCL(q, h, a, b, 1, 0),
        KoDibMergeFields(a, nullptr, 0, b, nullptr, 0, 1))

}  // namespace
