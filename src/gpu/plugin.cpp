// The plug-in kernel set (PluginLoad/PluginUnload) and the image objects.
#include <cstdlib>
#include <cstring>

#include "gpu/cl_runtime.h"
#include "imageops/imageops_internal.h"

namespace ko::gpu {
namespace {

const char *const kPluginKernelNames[kPluginKernelCount] = {
    "ko_composite", "ko_mask_multiply", "ko_fill",     "ko_scale",   "ko_channel_map",
    "ko_gauss_h",   "ko_gauss_v",       "ko_flip_copy", "ko_copy",
};

cl_kernel g_pluginKernels[kPluginKernelCount];
cl_program g_pluginProgram;

const cl_image_format kBgra8 = {CL_BGRA, CL_UNORM_INT8};

}  // namespace

cl_kernel PluginKernel(int index) {
  return index >= 0 && index < kPluginKernelCount ? g_pluginKernels[index] : nullptr;
}

}  // namespace ko::gpu

using namespace ko::gpu;

KOAPI void PluginLoad(KoPluginBuildCallback callback) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  for (cl_kernel k : g_pluginKernels)
    if (k) return;
  if (!callback) return;
  size_t size = ProgramBufferSize(ProgramSet::Plugin);
  char *text = static_cast<char *>(std::calloc(size, 1));
  if (!text) return;
  if (ProduceProgramText(ProgramSet::Plugin, text, size)) {
    cl_program program = nullptr;
    if (callback(text, 0, &program, text + std::strlen(text)) && program) {
      if (g_pluginProgram) KO_CL(rt, clReleaseProgram, g_pluginProgram);
      g_pluginProgram = program;
      for (int i = 0; i < kPluginKernelCount; ++i) {
        cl_int err = CL_SUCCESS;
        g_pluginKernels[i] = KO_CL_OBJ(rt, clCreateKernel, &err, program, kPluginKernelNames[i]);
        if (err != CL_SUCCESS) g_pluginKernels[i] = nullptr;
      }
    }
  }
  std::free(text);
}

KOAPI void PluginUnload(void) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  for (cl_kernel &k : g_pluginKernels) {
    if (k) KO_CL(rt, clReleaseKernel, k);
    k = nullptr;
  }
  if (g_pluginProgram) KO_CL(rt, clReleaseProgram, g_pluginProgram);
  g_pluginProgram = nullptr;
}

KOAPI cl_mem CreateCLImage(cl_context context, int32_t width, int32_t height) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  if (!context || width <= 0 || height <= 0) return nullptr;
  cl_int err = CL_SUCCESS;
  cl_mem image = KO_CL_OBJ(rt, clCreateImage2D, &err, context, CL_MEM_READ_WRITE, &kBgra8,
                           static_cast<size_t>(width), static_cast<size_t>(height), size_t{0},
                           nullptr);
  return err == CL_SUCCESS ? image : nullptr;
}

namespace {
// A blocking write or read of the whole image (width x height at 0, 0).
template <class Enqueue, class Ptr>
bool TransferWholeImage(Enqueue enqueue, cl_command_queue queue, cl_mem image, Ptr bits,
                        int32_t rowPitch, int32_t width, int32_t height) {
  if (!image || !queue || !bits || width <= 0 || height <= 0 || rowPitch < 0) return false;
  const size_t origin[3] = {0, 0, 0};
  const size_t region[3] = {static_cast<size_t>(width), static_cast<size_t>(height), 1};
  return enqueue(origin, region, static_cast<size_t>(rowPitch)) == CL_SUCCESS;
}
}  // namespace

KOAPI bool CopyMemoryToOpenCLImage(cl_mem image, cl_command_queue queue, const void *src,
                                   int32_t rowPitch, int32_t width, int32_t height) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  return TransferWholeImage(
      [&](const size_t *origin, const size_t *region, size_t pitch) {
        return KO_CL(rt, clEnqueueWriteImage, queue, image, CL_TRUE, origin, region, pitch,
                     size_t{0}, src, 0u, nullptr, nullptr);
      },
      queue, image, src, rowPitch, width, height);
}

KOAPI bool CopyOpenCLImageToMemory(cl_command_queue queue, cl_mem image, void *dst,
                                   int32_t rowPitch, int32_t width, int32_t height) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  return TransferWholeImage(
      [&](const size_t *origin, const size_t *region, size_t pitch) {
        return KO_CL(rt, clEnqueueReadImage, queue, image, CL_TRUE, origin, region, pitch,
                     size_t{0}, dst, 0u, nullptr, nullptr);
      },
      queue, image, dst, rowPitch, width, height);
}

KOAPI bool FlipCopyMemoryToOpenCLImage(cl_mem image, cl_command_queue queue, cl_context context,
                                       const void *src, int32_t rowPitch, int32_t width,
                                       int32_t height) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  if (!PluginKernel(kFlipCopy) || !image) return false;
  cl_mem temp = CreateCLImage(context, width, height);
  if (!temp) return false;
  static WorkSize ws;
  bool ok = CopyMemoryToOpenCLImage(temp, queue, src, rowPitch, width, height) &&
            RunPluginKernel(kFlipCopy, ws, queue, size_t(width), size_t(height), temp, image,
                            width, height);
  // OpenCL keeps the temporary image alive until the queued kernel has run.
  KO_CL(rt, clReleaseMemObject, temp);
  return ok;
}

KOAPI cl_int ReleaseOpenCLImage(cl_mem image) {
  return KO_CL(LibraryRuntime(), clReleaseMemObject, image);
}

// The plug-in operations. Like their processor twins they refuse a mode or
// channel out of range and do nothing, successfully, for an empty size.
//
// The twins quantise their double arguments (the opacity to a byte, scale
// and offset to 1/1024 steps); a double merely rounded to float can land on
// the other side of a step. The kernels therefore receive the quantised
// values as floats, from which they derive the twins' integers exactly.

namespace {

// The opacity byte o of the twin, as o / 255.
float OpacityArgument(double opacity) {
  return static_cast<float>(ko::imageops::UnitToByte(opacity) / 255.0);
}

// Scale and offset as the twin's 1/1024 steps, or exactly 1 and 0 where the
// twin takes its plain path (the kernel's plain test then agrees).
void MaskArguments(double scale, double offset, float *s, float *o) {
  using ko::imageops::TruncToInt;
  const bool plain = scale >= 0.9999 && scale <= 1.0001 && offset >= -0.0001 && offset <= 0.0001;
  *s = plain ? 1.0f : static_cast<float>(TruncToInt(scale * 1024.0) / 1024.0);
  *o = plain ? 0.0f : static_cast<float>(TruncToInt(offset * 1024.0) / 1024.0);
}

}  // namespace

KOAPI bool CompositeOCL(cl_mem a, cl_mem b, cl_mem c, cl_context, cl_command_queue queue, void *,
                        int32_t width, int32_t height, int32_t mode, double opacity) {
  if (!PluginKernel(kComposite) || !queue || !a || !b || !c || mode < 1 || mode > 7)
    return false;
  if (width <= 0 || height <= 0) return true;
  static WorkSize ws;
  return RunPluginKernel(kComposite, ws, queue, size_t(width), size_t(height), a, b, c, width,
                         height, mode, OpacityArgument(opacity));
}

KOAPI bool MaskMultiplyOCL(cl_mem a, cl_mem b, cl_mem c, cl_context, cl_command_queue queue,
                           void *, int32_t width, int32_t height, int32_t maskChannel,
                           double scale, double offset) {
  if (!PluginKernel(kMaskMultiply) || !queue || !a || !b || !c || maskChannel > 3) return false;
  if (width <= 0 || height <= 0) return true;
  static WorkSize ws;
  float s = 0, o = 0;
  MaskArguments(scale, offset, &s, &o);
  return RunPluginKernel(kMaskMultiply, ws, queue, size_t(width), size_t(height), a, b, c, width,
                         height, maskChannel, s, o);
}

KOAPI bool FillOCL(cl_mem image, cl_context, cl_command_queue queue, void *, int32_t width,
                   int32_t height, float a, float r, float g, float b) {
  if (!PluginKernel(kFill) || !queue || !image) return false;
  if (width <= 0 || height <= 0) return true;
  static WorkSize ws;
  const cl_float4 colour = {{r, g, b, a}};
  return RunPluginKernel(kFill, ws, queue, size_t(width), size_t(height), image, width, height,
                         colour);
}
