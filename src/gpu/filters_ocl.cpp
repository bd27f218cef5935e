// The plug-in set's filters on the device: bilinear scaling, channel map
// through a pixel table and the recursive Gaussian blur. Each call sets the
// kernel's arguments, enqueues and returns without waiting.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gpu/cl_runtime.h"
#include "imageops/imageops_internal.h"
#include "kokernel/kogpu.h"

namespace ko::gpu {
namespace {

constexpr size_t kTableBytes = 256 * 4 * sizeof(float);
// The Gaussian's window: at most this many samples either side, fewer when
// the impulse response's remaining weight drops below the limit.
constexpr int kGaussMaxWindow = 16384;
constexpr double kGaussTailWeight = 3e-5;
constexpr size_t kGaussResponseMax = 1 << 17;

bool Ok(cl_int e) { return e == CL_SUCCESS; }

// The processor's recursion for one sigma as the kernels take it: causal
// numerators and denominators, anticausal numerators and denominators, and
// (B, window, total weight of the impulse response, causal and anticausal
// steady gains).
struct GaussLine {
  Float8 cn, cd, an, ad, e;
};

GaussLine GaussLineFor(double sigma) {
  const auto c = ko::imageops::GaussCoefFor(sigma);
  const double a1 = c.a1, a2 = c.a2, a3 = c.a3, d1 = 1.0 - a1 - a2 - a3;
  // The impulse response f of either recursion (f0 = B, fk = a1 f(k-1) +
  // a2 f(k-2) + a3 f(k-3)) sums to B / (1 - a1 - a2 - a3) for the float
  // coefficients; the window ends where the weight still to come is
  // negligible for 8-bit results.
  const double total = double(c.b) / d1;
  std::vector<double> f;
  int window = 0;
  double sum = 0;
  for (size_t k = 0; k < kGaussResponseMax; ++k) {
    const double g = k == 0 ? double(c.b)
                            : a1 * f[k - 1] + (k >= 2 ? a2 * f[k - 2] : 0.0) + (k >= 3 ? a3 * f[k - 3] : 0.0);
    f.push_back(g);
    sum += g;
    if (window == 0 && std::fabs(total - sum) < kGaussTailWeight) window = std::min(int(k) + 1, kGaussMaxWindow);
    if (window && std::fabs(g) < 1e-12) break;
  }
  if (window == 0) window = kGaussMaxWindow;
  // Forward then backward is the symmetric response h[d] = sum f(j) f(j+d),
  // a causal part (d >= 0) and an anticausal one (d >= 1), each a recursion
  // with the same denominator.
  double h[4] = {0, 0, 0, 0};
  for (size_t j = 0; j < f.size(); ++j)
    for (size_t d = 0; d < 4 && j + d < f.size(); ++d) h[d] += f[j] * f[j + d];
  const double n0 = h[0], n1 = h[1] - a1 * h[0], n2 = h[2] - a1 * h[1] - a2 * h[0];
  const double m1 = h[1], m2 = h[2] - a1 * h[1], m3 = h[3] - a1 * h[2] - a2 * h[1];
  const Float8 den{{c.a1, c.a2, c.a3}};
  return GaussLine{{{float(n0), float(n1), float(n2)}}, den, {{float(m1), float(m2), float(m3)}}, den,
                   {{c.b, float(window), float(total), float((n0 + n1 + n2) / d1), float((m1 + m2 + m3) / d1)}}};
}

}  // namespace
}  // namespace ko::gpu

using namespace ko::gpu;

// Null images and queues are refused before any OpenCL call: runtimes need
// not check them (pocl does not).

extern "C" KOAPI bool ScaleOCL(cl_mem src, cl_mem dst, cl_context, cl_command_queue queue, void *, int32_t width,
                               int32_t height) {
  if (!src || !dst || width <= 0 || height <= 0) return false;
  static WorkSize ws;
  return RunPluginKernel(kScale, ws, queue, size_t(width), size_t(height), src, dst, cl_int(width), cl_int(height));
}

extern "C" KOAPI bool ChannelMapOCL(cl_mem a, cl_mem b, cl_context context, cl_command_queue queue, void *,
                                    int32_t width, int32_t height, int32_t channel, const BYTE table[256][4]) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  if (!PluginKernel(kChannelMap) || !a || !b || !queue || !table || width <= 0 || height <= 0 || channel < 0 ||
      channel > 3)
    return false;
  cl_int err = CL_SUCCESS;
  const cl_mem buf = KO_CL_OBJ(rt, clCreateBuffer, &err, context, CL_MEM_READ_WRITE, kTableBytes, nullptr);
  if (!buf) return false;
  auto *f = static_cast<float *>(KO_CL_OBJ(rt, clEnqueueMapBuffer, &err, queue, buf, CL_TRUE, CL_MAP_WRITE, 0,
                                           kTableBytes, 0, nullptr, nullptr));
  bool ok = f != nullptr;
  if (ok) {
    // B, G, R, A bytes -> R, G, B, A floats in 0..1.
    for (int i = 0; i < 256; ++i) {
      f[4 * i + 0] = table[i][2] / 255.0f;
      f[4 * i + 1] = table[i][1] / 255.0f;
      f[4 * i + 2] = table[i][0] / 255.0f;
      f[4 * i + 3] = table[i][3] / 255.0f;
    }
    ok = Ok(KO_CL(rt, clEnqueueUnmapMemObject, queue, buf, f, 0, nullptr, nullptr));
  }
  static WorkSize ws;
  ok = ok && RunPluginKernel(kChannelMap, ws, queue, size_t(width), size_t(height), a, b, cl_int(width),
                             cl_int(height), cl_int(channel), buf);
  KO_CL(rt, clReleaseMemObject, buf);
  return ok;
}

extern "C" KOAPI bool GaussianBlurOCL(cl_mem src, cl_mem dst, cl_context context, cl_command_queue queue, void *,
                                      uint32_t width, uint32_t height, double sigmaX, double sigmaY) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  if (!PluginKernel(kGaussH) || !PluginKernel(kGaussV) || !src || !dst || !queue || width == 0 || height == 0 ||
      width > INT32_MAX || height > INT32_MAX)
    return false;
  cl_image_format format{};
  if (!Ok(KO_CL(rt, clGetImageInfo, src, CL_IMAGE_FORMAT, sizeof format, &format, nullptr))) return false;
  // The horizontal results, split into whole part and fraction.
  cl_int err = CL_SUCCESS;
  cl_mem hi = KO_CL_OBJ(rt, clCreateImage2D, &err, context, CL_MEM_READ_WRITE, &format, width, height, 0, nullptr);
  cl_mem lo = hi ? KO_CL_OBJ(rt, clCreateImage2D, &err, context, CL_MEM_READ_WRITE, &format, width, height, 0,
                             nullptr)
                 : nullptr;
  const GaussLine gx = GaussLineFor(sigmaX), gy = GaussLineFor(sigmaY);
  const cl_int w = cl_int(width), h = cl_int(height);
  static WorkSize wsh, wsv;
  const bool ok =
      lo && RunPluginKernel(kGaussH, wsh, queue, width, height, src, hi, lo, gx.cn, gx.cd, gx.an, gx.ad, gx.e, w, h) &&
      RunPluginKernel(kGaussV, wsv, queue, width, height, hi, lo, dst, gy.cn, gy.cd, gy.an, gy.ad, gy.e, w, h);
  // The queue keeps the intermediates alive until the kernels are done.
  if (lo) KO_CL(rt, clReleaseMemObject, lo);
  if (hi) KO_CL(rt, clReleaseMemObject, hi);
  return ok;
}
