// What the bitmap-copy and interlace sets share: their kernel sets, the
// checks of the BGRA images they work on, and the private copies a kernel
// reads when it writes the image it would otherwise read.
#pragma once

#include "gpu/cl_runtime.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"

namespace ko::gpu {

// The kernel of a host-record set, null when the set is not initialised (or
// the kernel could not be created).
inline cl_kernel SetKernel(const KernelSet &set, int index) {
  return set.rt && set.kernels && index < set.count ? set.kernels[index] : nullptr;
}

// 0 for CL_SUCCESS, E_FAIL for any OpenCL error.
inline HRESULT ClResult(cl_int err) { return err == CL_SUCCESS ? S_OK : E_FAIL; }

// The 32-bit BGRA pixel types a device image of 8-bit BGRA stands for.
inline bool IsBgra8(const BITMAPINFOHEADER *h) {
  const int type = KoGetPixelType(h);
  return type == KOPT_RGB32 || type == KOPT_RGBA32;
}

// Width and height of a 2-D image.
cl_int ImageSize(KoOpenCLRuntime *rt, cl_mem image, size_t *width, size_t *height);

// A new image of image's context and format holding its w x h pixels from
// (x, y), copied through queue (enqueued, not waited for). Null on failure,
// with *err set.
cl_mem CopyOfRegion(KoOpenCLRuntime *rt, cl_command_queue queue, cl_mem image, size_t x,
                    size_t y, size_t w, size_t h, cl_int *err);

// Releases an image made by CopyOfRegion (null is ignored). Commands already
// enqueued that use it keep it alive until they finish.
void ReleaseImage(KoOpenCLRuntime *rt, cl_mem image);

}  // namespace ko::gpu
