// The library's OpenCL record, the work-group rule and launch, kernel sets.
#include "gpu/cl_runtime.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "kokernel/koresult.h"
#include "platform/opencl.h"

namespace ko::gpu {
namespace {

// The entry points in record order, each with its member.
#define KO_CL_ENTRY(name) {#name, offsetof(KoOpenCLRuntime, name)}
struct EntryName {
  const char *name;
  size_t offset;
};
const EntryName kEntries[] = {
    KO_CL_ENTRY(clGetPlatformIDs), KO_CL_ENTRY(clGetPlatformInfo), KO_CL_ENTRY(clGetDeviceIDs),
    KO_CL_ENTRY(clGetDeviceInfo), KO_CL_ENTRY(clCreateContext),
    KO_CL_ENTRY(clCreateContextFromType), KO_CL_ENTRY(clRetainContext),
    KO_CL_ENTRY(clRetainDevice), KO_CL_ENTRY(clReleaseContext), KO_CL_ENTRY(clGetContextInfo),
    KO_CL_ENTRY(clCreateCommandQueue), KO_CL_ENTRY(clRetainCommandQueue),
    KO_CL_ENTRY(clReleaseCommandQueue), KO_CL_ENTRY(clGetCommandQueueInfo),
    KO_CL_ENTRY(clCreateBuffer), KO_CL_ENTRY(clCreateSubBuffer), KO_CL_ENTRY(clCreateImage2D),
    KO_CL_ENTRY(clCreateImage3D), KO_CL_ENTRY(clRetainMemObject),
    KO_CL_ENTRY(clReleaseMemObject), KO_CL_ENTRY(clGetSupportedImageFormats),
    KO_CL_ENTRY(clGetMemObjectInfo), KO_CL_ENTRY(clGetImageInfo),
    KO_CL_ENTRY(clSetMemObjectDestructorCallback), KO_CL_ENTRY(clCreateSampler),
    KO_CL_ENTRY(clRetainSampler), KO_CL_ENTRY(clReleaseSampler), KO_CL_ENTRY(clGetSamplerInfo),
    KO_CL_ENTRY(clCreateProgramWithSource), KO_CL_ENTRY(clCreateProgramWithBinary),
    KO_CL_ENTRY(clRetainProgram), KO_CL_ENTRY(clReleaseProgram), KO_CL_ENTRY(clBuildProgram),
    KO_CL_ENTRY(clUnloadCompiler), KO_CL_ENTRY(clGetProgramInfo),
    KO_CL_ENTRY(clGetProgramBuildInfo), KO_CL_ENTRY(clCreateKernel),
    KO_CL_ENTRY(clCreateKernelsInProgram), KO_CL_ENTRY(clRetainKernel),
    KO_CL_ENTRY(clReleaseKernel), KO_CL_ENTRY(clSetKernelArg), KO_CL_ENTRY(clGetKernelInfo),
    KO_CL_ENTRY(clGetKernelWorkGroupInfo), KO_CL_ENTRY(clWaitForEvents),
    KO_CL_ENTRY(clGetEventInfo), KO_CL_ENTRY(clCreateUserEvent), KO_CL_ENTRY(clRetainEvent),
    KO_CL_ENTRY(clReleaseEvent), KO_CL_ENTRY(clSetUserEventStatus),
    KO_CL_ENTRY(clSetEventCallback), KO_CL_ENTRY(clGetEventProfilingInfo), KO_CL_ENTRY(clFlush),
    KO_CL_ENTRY(clFinish), KO_CL_ENTRY(clEnqueueFillBuffer), KO_CL_ENTRY(clEnqueueReadBuffer),
    KO_CL_ENTRY(clEnqueueReadBufferRect), KO_CL_ENTRY(clEnqueueWriteBuffer),
    KO_CL_ENTRY(clEnqueueWriteBufferRect), KO_CL_ENTRY(clEnqueueCopyBuffer),
    KO_CL_ENTRY(clEnqueueCopyBufferRect), KO_CL_ENTRY(clEnqueueReadImage),
    KO_CL_ENTRY(clEnqueueWriteImage), KO_CL_ENTRY(clEnqueueCopyImage),
    KO_CL_ENTRY(clEnqueueCopyImageToBuffer), KO_CL_ENTRY(clEnqueueCopyBufferToImage),
    KO_CL_ENTRY(clEnqueueMapBuffer), KO_CL_ENTRY(clEnqueueMapImage),
    KO_CL_ENTRY(clEnqueueUnmapMemObject), KO_CL_ENTRY(clEnqueueNDRangeKernel),
    KO_CL_ENTRY(clEnqueueTask), KO_CL_ENTRY(clEnqueueNativeKernel),
    KO_CL_ENTRY(clEnqueueMarker), KO_CL_ENTRY(clEnqueueWaitForEvents),
    KO_CL_ENTRY(clEnqueueBarrier), KO_CL_ENTRY(clGetExtensionFunctionAddress),
    KO_CL_ENTRY(clGetExtensionFunctionAddressForPlatform), KO_CL_ENTRY(clCreateFromGLBuffer),
    KO_CL_ENTRY(clCreateFromGLTexture2D), KO_CL_ENTRY(clCreateFromGLTexture3D),
    KO_CL_ENTRY(clCreateFromGLRenderbuffer), KO_CL_ENTRY(clGetGLObjectInfo),
    KO_CL_ENTRY(clGetGLTextureInfo), KO_CL_ENTRY(clEnqueueAcquireGLObjects),
    KO_CL_ENTRY(clEnqueueReleaseGLObjects), KO_CL_ENTRY(clGetGLContextInfoKHR),
    KO_CL_ENTRY(clCreateEventFromGLsyncKHR),
};
#undef KO_CL_ENTRY
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == 86);
static_assert(offsetof(KoOpenCLRuntime, clCreateEventFromGLsyncKHR) -
                  offsetof(KoOpenCLRuntime, clGetPlatformIDs) ==
              85 * sizeof(void *));

KoOpenCLRuntime g_runtime;
bool g_runtimeReady = false;

// Reads the device limits into the record once (a failed read is retried on
// a later launch).
void ReadDeviceLimits(KoOpenCLRuntime *rt, cl_device_id device) {
  if (rt->limitsKnown) return;
  size_t group = 0, items[16] = {};
  cl_uint dims = 0;
  if (KO_CL(rt, clGetDeviceInfo, device, CL_DEVICE_MAX_WORK_GROUP_SIZE, sizeof(group), &group,
            nullptr) != CL_SUCCESS ||
      KO_CL(rt, clGetDeviceInfo, device, CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS, sizeof(dims), &dims,
            nullptr) != CL_SUCCESS ||
      dims < 2 ||
      KO_CL(rt, clGetDeviceInfo, device, CL_DEVICE_MAX_WORK_ITEM_SIZES,
            std::min<size_t>(dims, 16) * sizeof(size_t), items, nullptr) != CL_SUCCESS)
    return;
  rt->maxWorkGroupSize = group;
  rt->maxWorkItemSize[0] = items[0];
  rt->maxWorkItemSize[1] = items[1];
  rt->limitsKnown = 1;
}

}  // namespace

void InitialiseRuntime(KoOpenCLRuntime *rt) {
  if (rt->module) platform::ModuleFree(rt->module);
  if (rt->initialised) {
    platform::LockDelete(RecordLock(rt));
    platform::LockDelete(reinterpret_cast<platform::LockStorage *>(&rt->lock2));
  }
  std::memset(static_cast<void *>(rt), 0, sizeof(*rt));
  platform::LockInit(RecordLock(rt));
  platform::LockInit(reinterpret_cast<platform::LockStorage *>(&rt->lock2));
  rt->initialised = 1;
  rt->module = platform::OpenCLModuleLoad();
  if (!rt->module) return;
  for (const EntryName &e : kEntries) {
    void *fn = platform::ModuleSymbol(rt->module, e.name);
    std::memcpy(reinterpret_cast<char *>(rt) + e.offset, &fn, sizeof(fn));
  }
}

KoOpenCLRuntime *LibraryRuntime() {
  if (!g_runtimeReady) {
    InitialiseRuntime(&g_runtime);
    g_runtimeReady = true;
  }
  return &g_runtime;
}

bool ChooseLocalSize(const WorkGroupFacts &f, size_t *lx, size_t *ly) {
  if (f.compileSize[0] && f.compileSize[1]) {
    *lx = f.compileSize[0];
    *ly = f.compileSize[1];
    return true;
  }
  size_t limit = f.kernelGroupSize;
  if (f.deviceKnown && f.deviceGroupSize && (!limit || f.deviceGroupSize < limit))
    limit = f.deviceGroupSize;
  if (!limit) return false;
  if (f.preset[0] && f.preset[1] && f.preset[0] * f.preset[1] <= limit) {
    *lx = f.preset[0];
    *ly = f.preset[1];
    return true;
  }
  if (!f.deviceKnown || !f.maxItem[0] || !f.maxItem[1]) return false;
  size_t x = 512, y = 512;
  while (!(x * y <= limit && x <= f.maxItem[0] && y <= f.maxItem[1])) {
    if (y >= x)
      y /= 2;
    else
      x /= 2;
  }
  // (1, 1) fits any non-zero limit and item sizes, so x and y stay >= 1.
  if (size_t m = f.preferredMultiple) {
    // Never beyond the device's item limit, which would make the launch fail.
    for (size_t y2 = std::min(limit / x, f.maxItem[1]); y2 > y; --y2) {
      if ((x * y2) % m == 0) {
        y = y2;
        break;
      }
    }
  }
  *lx = x;
  *ly = y;
  return true;
}

cl_int Launch2D(KoOpenCLRuntime *rt, cl_command_queue q, cl_kernel k, WorkSize &ws, size_t gx,
                size_t gy) {
  if (!rt) return kNoEntry;
  if (!q) return CL_INVALID_COMMAND_QUEUE;
  if (!k) return CL_INVALID_KERNEL;
  if (ws.state != kWorkSizeKnown) {
    WorkGroupFacts f;
    cl_device_id device = nullptr;
    if (KO_CL(rt, clGetCommandQueueInfo, q, CL_QUEUE_DEVICE, sizeof(device), &device,
              nullptr) == CL_SUCCESS &&
        device) {
      size_t compile[3] = {0, 0, 0};
      if (KO_CL(rt, clGetKernelWorkGroupInfo, k, device, CL_KERNEL_WORK_GROUP_SIZE,
                sizeof(size_t), &f.kernelGroupSize, nullptr) != CL_SUCCESS)
        f.kernelGroupSize = 0;
      if (KO_CL(rt, clGetKernelWorkGroupInfo, k, device, CL_KERNEL_COMPILE_WORK_GROUP_SIZE,
                sizeof(compile), compile, nullptr) == CL_SUCCESS) {
        f.compileSize[0] = compile[0];
        f.compileSize[1] = compile[1];
      }
      if (KO_CL(rt, clGetKernelWorkGroupInfo, k, device,
                CL_KERNEL_PREFERRED_WORK_GROUP_SIZE_MULTIPLE, sizeof(size_t),
                &f.preferredMultiple, nullptr) != CL_SUCCESS)
        f.preferredMultiple = 0;
      ReadDeviceLimits(rt, device);
      f.deviceKnown = rt->limitsKnown != 0;
      f.deviceGroupSize = rt->maxWorkGroupSize;
      f.maxItem[0] = rt->maxWorkItemSize[0];
      f.maxItem[1] = rt->maxWorkItemSize[1];
      f.preset[0] = rt->presetLocalSize[0];
      f.preset[1] = rt->presetLocalSize[1];
      if (ChooseLocalSize(f, &ws.lx, &ws.ly)) ws.state = kWorkSizeKnown;
    }
  }
  size_t global[2] = {gx, gy};
  size_t local[2] = {ws.lx, ws.ly};
  bool haveLocal = ws.state == kWorkSizeKnown && ws.lx && ws.ly;
  if (haveLocal) {
    global[0] = (gx + ws.lx - 1) / ws.lx * ws.lx;
    global[1] = (gy + ws.ly - 1) / ws.ly * ws.ly;
  }
  return KO_CL(rt, clEnqueueNDRangeKernel, q, k, 2u, nullptr, global,
               haveLocal ? local : nullptr, 0u, nullptr, nullptr);
}

HRESULT InitialiseKernelSet(KernelSet &set, ProgramSet which, const char *const names[],
                            KoOpenCLRuntime *rt, KoOpenCLProgramCallback cb) {
  set.rt = rt;
  if (set.kernels[0] || !cb) return S_FALSE;
  size_t size = ProgramBufferSize(which);
  char *text = static_cast<char *>(std::calloc(size, 1));
  if (!text) return S_FALSE;
  bool produced = ProduceProgramText(which, text, size);
  cl_program program = produced ? cb(text, 0) : nullptr;
  std::free(text);
  if (!program) return E_FAIL;
  // Kernels and a program left by an earlier, partly failed build.
  for (int i = 0; i < set.count; ++i)
    if (set.kernels[i]) KO_CL(rt, clReleaseKernel, set.kernels[i]);
  if (set.program) KO_CL(rt, clReleaseProgram, set.program);
  set.program = program;
  bool failed = false;
  for (int i = 0; i < set.count; ++i) {
    cl_int err = CL_SUCCESS;
    set.kernels[i] = KO_CL_OBJ(rt, clCreateKernel, &err, program, names[i]);
    if (err != CL_SUCCESS) {
      set.kernels[i] = nullptr;
      failed = true;
    }
  }
  return failed ? E_FAIL : S_OK;
}

HRESULT ShutdownKernelSet(KernelSet &set) {
  for (int i = 0; i < set.count; ++i) {
    if (set.kernels[i]) KO_CL(set.rt, clReleaseKernel, set.kernels[i]);
    set.kernels[i] = nullptr;
  }
  if (set.program) KO_CL(set.rt, clReleaseProgram, set.program);
  set.program = nullptr;
  set.rt = nullptr;
  return S_OK;
}

}  // namespace ko::gpu
