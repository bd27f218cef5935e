#include "cl_host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kotools {
namespace {

// The few entry points a host needs, resolved by name.
struct Entries {
  decltype(&clGetPlatformIDs) getPlatformIDs;
  decltype(&clGetDeviceIDs) getDeviceIDs;
  decltype(&clGetDeviceInfo) getDeviceInfo;
  decltype(&clCreateContext) createContext;
  decltype(&clCreateCommandQueue) createCommandQueue;
  decltype(&clCreateProgramWithSource) createProgramWithSource;
  decltype(&clBuildProgram) buildProgram;
  decltype(&clReleaseProgram) releaseProgram;
  decltype(&clFinish) finish;
};
Entries g_cl{};
const ClHost *g_host = nullptr;  // the host the build callback builds for

void *Resolve(void *module, const char *name) {
#ifdef _WIN32
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

}  // namespace

ClHost *ClHost::Shared(std::string *error) {
  static ClHost *host = [] {
    auto *h = new ClHost;
    if (!h->Open(&h->error_)) h->queue_ = nullptr;
    return h;
  }();
  if (!host->queue_) return *error = host->error_, nullptr;
  return host;
}

bool ClHost::Open(std::string *error) {
#ifdef _WIN32
  module_ = LoadLibraryW(L"OpenCL.dll");
#else
  module_ = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
#endif
  if (!module_) return *error = "no OpenCL runtime", false;
  void **slot = reinterpret_cast<void **>(&g_cl);
  for (const char *name : {"clGetPlatformIDs", "clGetDeviceIDs", "clGetDeviceInfo", "clCreateContext",
                           "clCreateCommandQueue", "clCreateProgramWithSource", "clBuildProgram",
                           "clReleaseProgram", "clFinish"}) {
    if (!(*slot++ = Resolve(module_, name))) return *error = std::string("the runtime lacks ") + name, false;
  }
  cl_platform_id platforms[8];
  cl_uint count = 0;
  if (g_cl.getPlatformIDs(8, platforms, &count) != CL_SUCCESS || count == 0)
    return *error = "no OpenCL platform", false;
  for (cl_uint i = 0; i < count && i < 8 && !device_; ++i)
    if (g_cl.getDeviceIDs(platforms[i], CL_DEVICE_TYPE_ALL, 1, &device_, nullptr) != CL_SUCCESS) device_ = nullptr;
  if (!device_) return *error = "no OpenCL device", false;
  char name[256] = {};
  g_cl.getDeviceInfo(device_, CL_DEVICE_NAME, sizeof name - 1, name, nullptr);
  deviceName_ = name;
  cl_int err = CL_SUCCESS;
  context_ = g_cl.createContext(nullptr, 1, &device_, nullptr, nullptr, &err);
  if (err != CL_SUCCESS) return context_ = nullptr, *error = "clCreateContext failed", false;
  queue_ = g_cl.createCommandQueue(context_, device_, 0, &err);
  if (err != CL_SUCCESS) return queue_ = nullptr, *error = "clCreateCommandQueue failed", false;
  g_host = this;
  return true;
}

bool ClHost::BuildPlugin(const char *text, int, cl_program *out, const char *) {
  if (!g_host || !out) return false;
  cl_int err = CL_SUCCESS;
  cl_program p = g_cl.createProgramWithSource(g_host->context_, 1, &text, nullptr, &err);
  if (err != CL_SUCCESS) return false;
  if (g_cl.buildProgram(p, 1, &g_host->device_, "", nullptr, nullptr) != CL_SUCCESS) {
    g_cl.releaseProgram(p);
    return false;
  }
  *out = p;
  return true;
}

bool ClHost::Finish() const { return queue_ && g_cl.finish(queue_) == CL_SUCCESS; }

}  // namespace kotools
