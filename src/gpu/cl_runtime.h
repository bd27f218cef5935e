// The GPU offload's shared base: the library's OpenCL record, calls through
// a record, kernel arguments, the work-group size choice and launch, the
// stored program texts and the kernel sets built from them.
#pragma once

#include <cstddef>
#include <utility>

#include "kokernel/kogpu.h"
#include "platform/platform.h"

namespace ko::gpu {

// OpenCL's "no such entry point" outcome: what every call through a record
// gives when the record or the entry is missing.
constexpr cl_int kNoEntry = -2;

// The library's own record, initialised once per process on first use:
// both locks created, the runtime loaded and the entry points resolved (all
// null without a runtime), serialise cleared.
KoOpenCLRuntime *LibraryRuntime();

// Fills rt the way LibraryRuntime's record is filled: frees the runtime and
// the locks the record already holds (rt is zeroed or filled before), clears
// it, creates the locks, loads the runtime and resolves the entry points.
void InitialiseRuntime(KoOpenCLRuntime *rt);

// The record's lock as the platform's lock.
inline platform::LockStorage *RecordLock(KoOpenCLRuntime *rt) {
  static_assert(sizeof(KOCLLOCK) == platform::kLockBytes);
  return reinterpret_cast<platform::LockStorage *>(&rt->lock);
}

namespace detail {

template <class F, class... A>
cl_int Call(KoOpenCLRuntime *rt, F *fn, A &&...a) {
  if (!rt || !fn) return kNoEntry;
  if (rt->serialise) {
    platform::LockGuard guard(RecordLock(rt));
    return fn(std::forward<A>(a)...);
  }
  return fn(std::forward<A>(a)...);
}

template <class F, class... A>
auto CallObj(KoOpenCLRuntime *rt, F *fn, cl_int *err, A &&...a)
    -> decltype(fn(std::forward<A>(a)..., err)) {
  if (!rt || !fn) {
    if (err) *err = kNoEntry;
    return nullptr;
  }
  if (rt->serialise) {
    platform::LockGuard guard(RecordLock(rt));
    return fn(std::forward<A>(a)..., err);
  }
  return fn(std::forward<A>(a)..., err);
}

}  // namespace detail

// KO_CL(rt, clName, args...) calls rt's entry clName and gives its cl_int
// result; kNoEntry without calling anything when rt or the entry is null.
// Inside rt's lock when rt->serialise is set.
#define KO_CL(rt, name, ...)                                                    \
  ::ko::gpu::detail::Call((rt), (rt) ? (rt)->name : nullptr __VA_OPT__(, ) __VA_ARGS__)

// KO_CL_OBJ(rt, clName, errOut, args...) for the functions that return an
// object and take a trailing errcode_ret (errOut, may be null): null and
// *errOut = kNoEntry when the entry is null.
#define KO_CL_OBJ(rt, name, errOut, ...)                                        \
  ::ko::gpu::detail::CallObj((rt), (rt) ? (rt)->name : nullptr,                 \
                             (errOut)__VA_OPT__(, ) __VA_ARGS__)

// A set of eight coefficients (32 bytes), as the kernels receive them.
struct Float8 {
  float v[8];
};

// Sets kernel arguments 0, 1, 2... from a (sizeof each), stopping at the
// first failure, whose result it returns.
template <class... T>
cl_int SetArgs(KoOpenCLRuntime *rt, cl_kernel k, const T &...a) {
  cl_int result = CL_SUCCESS;
  cl_uint index = 0;
  ((result = result == CL_SUCCESS ? KO_CL(rt, clSetKernelArg, k, index++, sizeof(T), &a)
                                  : result),
   ...);
  return result;
}

// ---- Work-group size --------------------------------------------------------

// The local size a call site chose for its kernel, kept for later calls.
struct WorkSize {
  int state = 0;  // kWorkSizeKnown once lx, ly hold the chosen size
  size_t lx = 0, ly = 0;
};
constexpr int kWorkSizeKnown = 2;

// What the choice depends on, as read from the kernel, the device and the
// record. Zero means unknown or absent.
struct WorkGroupFacts {
  size_t kernelGroupSize = 0;      // CL_KERNEL_WORK_GROUP_SIZE
  size_t compileSize[2] = {0, 0};  // CL_KERNEL_COMPILE_WORK_GROUP_SIZE (x, y)
  size_t preferredMultiple = 0;    // CL_KERNEL_PREFERRED_WORK_GROUP_SIZE_MULTIPLE
  bool deviceKnown = false;        // the three device limits below were read
  size_t deviceGroupSize = 0;      // CL_DEVICE_MAX_WORK_GROUP_SIZE
  size_t maxItem[2] = {0, 0};      // CL_DEVICE_MAX_WORK_ITEM_SIZES (x, y)
  size_t preset[2] = {0, 0};       // the record's preset local size
};

// The work-group rule: a compile-time size unchanged; else the preset when
// its product fits the limit (the smaller of the kernel's and the device's
// group size); else, with known device limits, halving from 512 x 512
// (ly while ly >= lx, else lx) until the product fits the limit and each
// side its item limit, then the largest ly' above ly, within the item limit
// and with lx * ly' <= limit, that makes lx * ly' a multiple of the
// preferred multiple.
// False when no size was found (the runtime then chooses).
bool ChooseLocalSize(const WorkGroupFacts &facts, size_t *lx, size_t *ly);

// Chooses (once per call site) and enqueues k over gx x gy rounded up to the
// local size, two dimensions, no offset, no events; returns without waiting.
cl_int Launch2D(KoOpenCLRuntime *rt, cl_command_queue q, cl_kernel k, WorkSize &ws, size_t gx,
                size_t gy);

// ---- Stored programs ------------------------------------------------------------

enum class ProgramSet : int { Plugin, DibCopy, Interlace, Yuv };

// The text buffer each set's program is produced into, including the zero.
size_t ProgramBufferSize(ProgramSet set);

// Decodes the set's stored program into buf (size bytes, at least
// ProgramBufferSize): false when the set has no stored text or it would not
// fit with its terminating zero.
bool ProduceProgramText(ProgramSet set, char *buf, size_t size);

// ---- Kernel sets ----------------------------------------------------------------

struct KernelSet {
  KoOpenCLRuntime *rt;
  cl_program program;
  cl_kernel *kernels;
  int count;
};

// Remembers rt for the set; when its first kernel does not exist and cb is
// given, produces the program text, builds it through cb and creates the
// kernels by name through rt. 0 when every kernel was created, E_FAIL when
// any creation (or the build) failed, S_FALSE when the set existed, cb is
// null or the text buffer could not be allocated.
HRESULT InitialiseKernelSet(KernelSet &set, ProgramSet which, const char *const names[],
                            KoOpenCLRuntime *rt, KoOpenCLProgramCallback cb);
// Releases the kernels and the program through the remembered record and
// clears the set. Returns 0.
HRESULT ShutdownKernelSet(KernelSet &set);

// ---- The plug-in set ----------------------------------------------------------------

enum PluginKernelIndex : int {
  kComposite = 0,
  kMaskMultiply = 1,
  kFill = 2,
  kScale = 3,
  kChannelMap = 4,
  kGaussH = 5,
  kGaussV = 6,
  kFlipCopy = 7,
  kCopy = 8,
  kPluginKernelCount = 9,
};

// The plug-in kernel of that index, null when absent (PluginLoad has not
// run or its creation failed).
cl_kernel PluginKernel(int index);

// The common launch of a plug-in kernel through the library's record: the
// kernel must exist, its arguments are set in order, then it is launched
// over gx x gy. True when every call succeeded.
template <class... T>
bool RunPluginKernel(int index, WorkSize &ws, cl_command_queue q, size_t gx, size_t gy,
                     const T &...args) {
  KoOpenCLRuntime *rt = LibraryRuntime();
  cl_kernel k = PluginKernel(index);
  return k && q && SetArgs(rt, k, args...) == CL_SUCCESS &&
         Launch2D(rt, q, k, ws, gx, gy) == CL_SUCCESS;
}

}  // namespace ko::gpu
