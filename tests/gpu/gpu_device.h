// The OpenCL device of the GPU tests and benchmarks: pocl's platform (else
// the first) and its first device, a context and an in-order queue made once
// per process through the library's own record; the two program build
// callbacks a host supplies; image and buffer upload and read-back that
// bypass the exported image functions; test pictures. Free of the test
// framework (the benchmarks use it too); gpu_fixture.h adds the test helpers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gpu/cl_runtime.h"
#include "kokernel/kogpu.h"

namespace kotest::gpu {

using ko::gpu::LibraryRuntime;

struct Device {
  KoOpenCLRuntime *rt = nullptr;
  cl_platform_id platform = nullptr;
  cl_device_id device = nullptr;
  cl_context context = nullptr;
  cl_command_queue queue = nullptr;
  std::string error;  // why there is no queue, empty when there is one
  explicit operator bool() const { return queue != nullptr; }
};

// Made on first use and kept for the process (the runtime tears it down).
inline Device &Shared() {
  static Device d = [] {
    Device r;
    KoOpenCLRuntime *rt = r.rt = LibraryRuntime();
    cl_platform_id platforms[16];
    cl_uint count = 0;
    cl_int err = CL_SUCCESS;
    if (!rt->module) return r.error = "the OpenCL runtime could not be loaded", r;
    if (KO_CL(rt, clGetPlatformIDs, 16u, platforms, &count) != CL_SUCCESS || count == 0)
      return r.error = "no OpenCL platform", r;
    r.platform = platforms[0];
    for (cl_uint i = count < 16 ? count : 16; i-- > 0;) {
      char name[256] = {};
      KO_CL(rt, clGetPlatformInfo, platforms[i], CL_PLATFORM_NAME, sizeof(name) - 1, name, nullptr);
      if (std::strstr(name, "Portable Computing Language")) r.platform = platforms[i];
    }
    if (KO_CL(rt, clGetDeviceIDs, r.platform, CL_DEVICE_TYPE_ALL, 1u, &r.device, nullptr) != CL_SUCCESS)
      return r.error = "no device on the platform", r;
    r.context = KO_CL_OBJ(rt, clCreateContext, &err, nullptr, 1u, &r.device, nullptr, nullptr);
    if (err == CL_SUCCESS)
      r.queue = KO_CL_OBJ(rt, clCreateCommandQueue, &err, r.context, r.device, cl_command_queue_properties{0});
    if (err != CL_SUCCESS) r.queue = nullptr, r.error = "context or queue failed: " + std::to_string(err);
    return r;
  }();
  return d;
}

// Builds text on the shared context and device; the build log goes to
// stderr on failure. Null on failure.
inline cl_program BuildOnDevice(const char *text) {
  Device &d = Shared();
  cl_int err = CL_SUCCESS;
  cl_program p = d ? KO_CL_OBJ(d.rt, clCreateProgramWithSource, &err, d.context, 1u, &text, nullptr) : nullptr;
  if (!p || err != CL_SUCCESS) return nullptr;
  if (KO_CL(d.rt, clBuildProgram, p, 1u, &d.device, "", nullptr, nullptr) != CL_SUCCESS) {
    std::vector<char> log(1 << 16);
    KO_CL(d.rt, clGetProgramBuildInfo, p, d.device, CL_PROGRAM_BUILD_LOG, log.size() - 1, log.data(), nullptr);
    std::fprintf(stderr, "OpenCL program build failed:\n%s\n", log.data());
    KO_CL(d.rt, clReleaseProgram, p);
    return nullptr;
  }
  return p;
}

// The host callbacks: for PluginLoad and for the set initialise functions.
inline bool BuildPluginCallback(const char *text, int reserved, cl_program *out, const char *textEnd) {
  if (reserved != 0 || !out || !textEnd || *textEnd != '\0') return false;
  *out = BuildOnDevice(text);
  return *out != nullptr;
}
inline cl_program BuildSetCallback(const char *text, int reserved) {
  return reserved == 0 ? BuildOnDevice(text) : nullptr;
}

// ---- Images and buffers, bypassing the exported image functions -------------

// A new read-write 2D image of the format holding px (top row first, rows
// packed; uninitialised when px is null). Null on failure.
inline cl_mem UploadImage(cl_image_format format, const void *px, int width, int height) {
  Device &d = Shared();
  cl_int err = CL_SUCCESS;
  cl_mem m = d ? KO_CL_OBJ(d.rt, clCreateImage2D, &err, d.context, CL_MEM_READ_WRITE | (px ? CL_MEM_COPY_HOST_PTR : 0),
                           &format, size_t(width), size_t(height), size_t{0}, const_cast<void *>(px))
               : nullptr;
  return err == CL_SUCCESS ? m : nullptr;
}
// BGRA 8-bit, width * 4 bytes a row.
inline cl_mem UploadBgra(const uint8_t *px, int width, int height) {
  return UploadImage({CL_BGRA, CL_UNORM_INT8}, px, width, height);
}
inline cl_mem UploadBgra(const std::vector<uint8_t> &px, int width, int height) {
  return UploadBgra(px.data(), width, height);
}
// RGBA float, four floats a pixel.
inline cl_mem UploadRgbaFloat(const float *px, int width, int height) {
  return UploadImage({CL_RGBA, CL_FLOAT}, px, width, height);
}
// A read-write buffer of bytes, a copy of px (uninitialised when px is null).
inline cl_mem UploadBuffer(const void *px, size_t bytes) {
  cl_int err = CL_SUCCESS;
  cl_mem m = KO_CL_OBJ(Shared().rt, clCreateBuffer, &err, Shared().context,
                       CL_MEM_READ_WRITE | (px ? CL_MEM_COPY_HOST_PTR : 0), bytes, const_cast<void *>(px));
  return err == CL_SUCCESS ? m : nullptr;
}

// Waits for the queue, then reads an image of T-sized channels (four a
// pixel) or, with height 0, a buffer of width T's back (empty on failure).
template <class T>
std::vector<T> Read(cl_mem m, int width, int height) {
  Device &d = Shared();
  std::vector<T> v(size_t(width) * (height ? height * 4 : 1));
  size_t origin[3] = {0, 0, 0}, region[3] = {size_t(width), size_t(height), 1};
  const bool ok = KO_CL(d.rt, clFinish, d.queue) == CL_SUCCESS &&
                  (height ? KO_CL(d.rt, clEnqueueReadImage, d.queue, m, CL_TRUE, origin, region,
                                  size_t(width) * 4 * sizeof(T), size_t{0}, v.data(), 0u, nullptr, nullptr)
                          : KO_CL(d.rt, clEnqueueReadBuffer, d.queue, m, CL_TRUE, size_t{0}, v.size() * sizeof(T),
                                  v.data(), 0u, nullptr, nullptr)) == CL_SUCCESS;
  if (!ok) v.clear();
  return v;
}
inline std::vector<uint8_t> ReadBgra(cl_mem image, int width, int height) { return Read<uint8_t>(image, width, height); }

inline void Release(cl_mem m) {
  if (m) KO_CL(Shared().rt, clReleaseMemObject, m);
}

// ---- Test pictures ---------------------------------------------------------

enum class Picture { Random, Photo };
inline const char *PictureName(Picture p) { return p == Picture::Random ? "Random" : "Photo"; }

// BGRA, top row first. Random: every byte uniform. Photo: smooth gradients
// and a disc with hard edges, alpha varying from transparent to opaque with
// exact 0 and 255 areas, a little noise: what a decoded frame looks like.
inline std::vector<uint8_t> MakePicture(Picture kind, int width, int height, uint32_t seed) {
  std::vector<uint8_t> px(size_t(width) * height * 4);
  uint32_t s = seed * 2654435761u + 12345u;
  auto next = [&s] { return s ^= s << 13, s ^= s >> 17, s ^= s << 5; };
  auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t *p = &px[(size_t(y) * width + x) * 4];
      if (kind == Picture::Random) {
        const uint32_t v = next();
        std::memcpy(p, &v, 4);
        continue;
      }
      const int fx = width > 1 ? x * 255 / (width - 1) : 128, fy = height > 1 ? y * 255 / (height - 1) : 128;
      const int dx = x - width / 2, dy = y - height / 3, noise = int(next() % 7) - 3;
      const bool disc = dx * dx + dy * dy < (width * width + height * height) / 25;
      p[0] = clamp((disc ? 230 : fx) + noise);
      p[1] = clamp((disc ? 40 : (fx + fy) / 2) + noise);
      p[2] = clamp((disc ? 20 : 255 - fy) + noise);
      p[3] = x < width / 4 ? 255 : x > width * 3 / 4 ? 0 : clamp(fy);
    }
  return px;
}

// The largest difference of corresponding bytes (255 when sizes differ).
inline int MaxDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
  int m = a.size() == b.size() ? 0 : 255;
  for (size_t i = 0; m < 255 && i < a.size(); ++i) m = std::max(m, std::abs(int(a[i]) - int(b[i])));
  return m;
}

}  // namespace kotest::gpu
