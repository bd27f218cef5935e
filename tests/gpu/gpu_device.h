// The OpenCL device of the GPU tests and benchmarks: pocl's platform and its
// first device, a context and an in-order queue made once per process
// through the library's own record; the two program build callbacks a host
// supplies; BGRA image upload and read-back that bypass the exported image
// functions; test pictures. Free of the test framework (the benchmarks use
// it too); gpu_fixture.h adds the test helpers.
#pragma once

#include <cstdint>
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
  std::string platformName;
  std::string error;  // why there is no queue, empty when there is one
  explicit operator bool() const { return queue != nullptr; }
};

inline std::string PlatformText(KoOpenCLRuntime *rt, cl_platform_id p, cl_platform_info what) {
  char text[256] = {};
  KO_CL(rt, clGetPlatformInfo, p, what, sizeof(text) - 1, text, nullptr);
  return text;
}

// Made on first use and kept for the process (the runtime tears it down).
inline Device &Shared() {
  static Device d = [] {
    Device r;
    r.rt = LibraryRuntime();
    KoOpenCLRuntime *rt = r.rt;
    if (!rt->module) {
      r.error = "the OpenCL runtime could not be loaded";
      return r;
    }
    cl_platform_id platforms[16];
    cl_uint count = 0;
    if (KO_CL(rt, clGetPlatformIDs, 16u, platforms, &count) != CL_SUCCESS || count == 0) {
      r.error = "no OpenCL platform";
      return r;
    }
    r.platform = platforms[0];
    for (cl_uint i = 0; i < count && i < 16; ++i) {
      std::string name = PlatformText(rt, platforms[i], CL_PLATFORM_NAME) + " " +
                         PlatformText(rt, platforms[i], CL_PLATFORM_VENDOR);
      if (name.find("Portable Computing Language") != std::string::npos ||
          name.find("pocl") != std::string::npos) {
        r.platform = platforms[i];
        break;
      }
    }
    r.platformName = PlatformText(rt, r.platform, CL_PLATFORM_NAME);
    if (KO_CL(rt, clGetDeviceIDs, r.platform, CL_DEVICE_TYPE_ALL, 1u, &r.device, nullptr) !=
        CL_SUCCESS) {
      r.error = "no device on " + r.platformName;
      return r;
    }
    cl_int err = CL_SUCCESS;
    r.context = KO_CL_OBJ(rt, clCreateContext, &err, nullptr, 1u, &r.device, nullptr, nullptr);
    if (err != CL_SUCCESS) {
      r.error = "clCreateContext failed: " + std::to_string(err);
      return r;
    }
    r.queue = KO_CL_OBJ(rt, clCreateCommandQueue, &err, r.context, r.device,
                        cl_command_queue_properties{0});
    if (err != CL_SUCCESS) {
      r.queue = nullptr;
      r.error = "clCreateCommandQueue failed: " + std::to_string(err);
    }
    return r;
  }();
  return d;
}

// Builds text on the shared context and device; the build log goes to
// stderr on failure. Null on failure.
inline cl_program BuildOnDevice(const char *text) {
  Device &d = Shared();
  if (!d) return nullptr;
  cl_int err = CL_SUCCESS;
  cl_program p = KO_CL_OBJ(d.rt, clCreateProgramWithSource, &err, d.context, 1u, &text,
                           nullptr);
  if (err != CL_SUCCESS) return nullptr;
  if (KO_CL(d.rt, clBuildProgram, p, 1u, &d.device, "", nullptr, nullptr) != CL_SUCCESS) {
    std::vector<char> log(1 << 16);
    KO_CL(d.rt, clGetProgramBuildInfo, p, d.device, CL_PROGRAM_BUILD_LOG, log.size() - 1,
          log.data(), nullptr);
    std::fprintf(stderr, "OpenCL program build failed:\n%s\n", log.data());
    KO_CL(d.rt, clReleaseProgram, p);
    return nullptr;
  }
  return p;
}

// The host callbacks: for PluginLoad and for the set initialise functions.
inline bool BuildPluginCallback(const char *text, int reserved, cl_program *out,
                                const char *textEnd) {
  if (reserved != 0 || !out || !textEnd || *textEnd != '\0') return false;
  *out = BuildOnDevice(text);
  return *out != nullptr;
}
inline cl_program BuildSetCallback(const char *text, int reserved) {
  return reserved == 0 ? BuildOnDevice(text) : nullptr;
}

// ---- Images, bypassing the exported image functions ------------------------

// A new read-write BGRA 8-bit image holding px (width * 4 bytes a row, top
// row first). Null on failure.
inline cl_mem UploadBgra(const uint8_t *px, int width, int height) {
  Device &d = Shared();
  if (!d) return nullptr;
  cl_image_format format = {CL_BGRA, CL_UNORM_INT8};
  cl_int err = CL_SUCCESS;
  cl_mem image = KO_CL_OBJ(d.rt, clCreateImage2D, &err, d.context, CL_MEM_READ_WRITE, &format,
                           size_t(width), size_t(height), size_t{0}, nullptr);
  if (err != CL_SUCCESS) return nullptr;
  size_t origin[3] = {0, 0, 0}, region[3] = {size_t(width), size_t(height), 1};
  if (px && KO_CL(d.rt, clEnqueueWriteImage, d.queue, image, CL_TRUE, origin, region,
                  size_t(width) * 4, size_t{0}, px, 0u, nullptr, nullptr) != CL_SUCCESS) {
    KO_CL(d.rt, clReleaseMemObject, image);
    return nullptr;
  }
  return image;
}
inline cl_mem UploadBgra(const std::vector<uint8_t> &px, int width, int height) {
  return UploadBgra(px.data(), width, height);
}

// Waits for the queue, then reads the image back (empty on failure).
inline std::vector<uint8_t> ReadBgra(cl_mem image, int width, int height) {
  Device &d = Shared();
  std::vector<uint8_t> px(size_t(width) * height * 4);
  size_t origin[3] = {0, 0, 0}, region[3] = {size_t(width), size_t(height), 1};
  if (KO_CL(d.rt, clFinish, d.queue) != CL_SUCCESS ||
      KO_CL(d.rt, clEnqueueReadImage, d.queue, image, CL_TRUE, origin, region,
            size_t(width) * 4, size_t{0}, px.data(), 0u, nullptr, nullptr) != CL_SUCCESS)
    px.clear();
  return px;
}

inline void Release(cl_mem image) {
  if (image) KO_CL(Shared().rt, clReleaseMemObject, image);
}

// ---- Buffers and float images -----------------------------------------------

// A read-write buffer of bytes, a copy of px (uninitialised when px is null).
inline cl_mem UploadBuffer(const void *px, size_t bytes) {
  cl_int err = CL_SUCCESS;
  cl_mem m = KO_CL_OBJ(Shared().rt, clCreateBuffer, &err, Shared().context,
                       CL_MEM_READ_WRITE | (px ? CL_MEM_COPY_HOST_PTR : 0), bytes, const_cast<void *>(px));
  return err == CL_SUCCESS ? m : nullptr;
}
// A read-write RGBA float image holding px (four floats a pixel, top row
// first; uninitialised when px is null).
inline cl_mem UploadRgbaFloat(const float *px, int width, int height) {
  const cl_image_format format = {CL_RGBA, CL_FLOAT};
  cl_int err = CL_SUCCESS;
  cl_mem m = KO_CL_OBJ(Shared().rt, clCreateImage2D, &err, Shared().context,
                       CL_MEM_READ_WRITE | (px ? CL_MEM_COPY_HOST_PTR : 0), &format, size_t(width),
                       size_t(height), size_t{0}, const_cast<float *>(px));
  return err == CL_SUCCESS ? m : nullptr;
}
// Wait for the queue, then read back (empty on failure).
inline std::vector<uint8_t> ReadBuffer(cl_mem buffer, size_t bytes) {
  Device &d = Shared();
  std::vector<uint8_t> v(bytes);
  if (KO_CL(d.rt, clFinish, d.queue) != CL_SUCCESS ||
      KO_CL(d.rt, clEnqueueReadBuffer, d.queue, buffer, CL_TRUE, size_t{0}, bytes, v.data(), 0u, nullptr,
            nullptr) != CL_SUCCESS)
    v.clear();
  return v;
}
inline std::vector<float> ReadRgbaFloat(cl_mem image, int width, int height) {
  Device &d = Shared();
  std::vector<float> v(size_t(width) * height * 4);
  size_t origin[3] = {0, 0, 0}, region[3] = {size_t(width), size_t(height), 1};
  if (KO_CL(d.rt, clFinish, d.queue) != CL_SUCCESS ||
      KO_CL(d.rt, clEnqueueReadImage, d.queue, image, CL_TRUE, origin, region, size_t(width) * 16, size_t{0},
            v.data(), 0u, nullptr, nullptr) != CL_SUCCESS)
    v.clear();
  return v;
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
  auto next = [&s] {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t *p = &px[(size_t(y) * width + x) * 4];
      if (kind == Picture::Random) {
        uint32_t v = next();
        std::memcpy(p, &v, 4);
        continue;
      }
      int fx = width > 1 ? x * 255 / (width - 1) : 128;
      int fy = height > 1 ? y * 255 / (height - 1) : 128;
      int dx = x - width / 2, dy = y - height / 3;
      bool disc = dx * dx + dy * dy < (width * width + height * height) / 25;
      int noise = int(next() % 7) - 3;
      auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
      p[0] = clamp((disc ? 230 : fx) + noise);
      p[1] = clamp((disc ? 40 : (fx + fy) / 2) + noise);
      p[2] = clamp((disc ? 20 : 255 - fy) + noise);
      p[3] = x < width / 4 ? 255 : x > width * 3 / 4 ? 0 : clamp(fy);
    }
  }
  return px;
}

// The largest difference of corresponding bytes (255 when sizes differ).
inline int MaxDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
  if (a.size() != b.size()) return 255;
  int m = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int d = a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
    if (d > m) m = d;
  }
  return m;
}

}  // namespace kotest::gpu
