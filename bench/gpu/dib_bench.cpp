// The bitmap-copy and interlace sets on the OpenCL device (pocl here)
// against their processor twins on a 1920x1080 frame. Each device
// iteration enqueues the operation and waits for the queue (clFinish), so
// the time is the device's whole run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

#include "gpu/gpu_device.h"
#include "kokernel/kodibops.h"
#include "kokernel/koxchg.h"
#include "pixels/dib.h"

namespace {

using namespace kotest::gpu;
constexpr int kW = 1920, kH = 1080;

// The shared device with both sets built on it, once.
bool Ready() {
  static const bool ready = Shared() &&
                            DibCopy_OpenCL_Initialize(Shared().rt, BuildSetCallback) == S_OK &&
                            DibInterlace_OpenCL_Initialize(Shared().rt, BuildSetCallback) == S_OK;
  return ready;
}

struct Frame {
  BITMAPINFOHEADER *h = nullptr;
  Frame() {
    KoDibAlloc(&h, KOPT_RGBA32, kW, kH, nullptr, 0, 1, nullptr);
    const std::vector<uint8_t> px = MakePicture(Picture::Photo, kW, kH, 1);
    std::memcpy(Bits(), px.data(), px.size());
  }
  ~Frame() { KoDibFree(h, 0); }
  uint8_t *Bits() const { return ko::pixels::DibPixels(h); }
};

using GpuOp = std::function<HRESULT(cl_command_queue, const BITMAPINFOHEADER *, cl_mem, cl_mem)>;
using CpuOp = std::function<HRESULT(BITMAPINFOHEADER *, BITMAPINFOHEADER *)>;

void OnDevice(benchmark::State &state, const GpuOp &op) {
  if (!Ready()) return state.SkipWithError("no OpenCL device");
  Device &d = Shared();
  Frame f;
  cl_mem a = UploadBgra(f.Bits(), kW, kH), b = UploadBgra(f.Bits(), kW, kH);
  for (auto _ : state) {
    if (op(d.queue, f.h, a, b) != S_OK || KO_CL(d.rt, clFinish, d.queue) != CL_SUCCESS)
      return state.SkipWithError("device call failed");
  }
  Release(a);
  Release(b);
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
