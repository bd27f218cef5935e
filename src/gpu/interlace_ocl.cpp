// The interlace set on the device: a frame copied with one field kept and
// the other rebuilt (fields as rows, or as columns for frames stored a
// quarter turn round), one field copied between frames, and a frame built
// from an image holding one field. Images are 8-bit BGRA, top row first;
// the header gives the frame's size, which both images must have at least.
#include "gpu/dib_images.h"

namespace ko::gpu {
namespace {

enum InterlaceKernel : int { kRows, kColumns, kField, kFrame, kInterlaceKernels };
const char *const kInterlaceNames[kInterlaceKernels] = {
    "ko_interlace_rows", "ko_interlace_columns", "ko_interlace_field", "ko_interlace_frame"};
cl_kernel g_kernels[kInterlaceKernels];
KernelSet g_set{nullptr, nullptr, g_kernels, kInterlaceKernels};

// Checks shared by the set's functions. srcRows: the rows the source must
// have at least.
HRESULT Check(cl_command_queue queue, const BITMAPINFOHEADER *header, cl_mem dst, cl_mem src,
              int field, int kernel, LONG srcRows) {
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kernel)) return E_FAIL;
  if (!queue || !dst || !src || dst == src) return E_INVALIDARG;
  if (!header) return E_POINTER;
  if (!IsBgra8(header)) return E_NOTIMPL;
  if ((field != 0 && field != 1) || header->biWidth < 1 || header->biHeight < 1 || srcRows < 1)
    return E_INVALIDARG;
  size_t dw = 0, dh = 0, sw = 0, sh = 0;
  cl_int err = ImageSize(rt, dst, &dw, &dh);
  if (err == CL_SUCCESS) err = ImageSize(rt, src, &sw, &sh);
  if (err != CL_SUCCESS) return E_FAIL;
  const size_t w = size_t(header->biWidth);
  if (dw < w || sw < w || dh < size_t(header->biHeight) || sh < size_t(srcRows)) return E_INVALIDARG;
  return S_OK;
}

// Sets (dst, src, width, height, field, extra...) and launches over the frame.
template <class... T>
HRESULT Run(cl_command_queue queue, int kernel, WorkSize &ws, const BITMAPINFOHEADER *header,
            cl_mem dst, cl_mem src, int field, const T &...extra) {
  KoOpenCLRuntime *rt = g_set.rt;
  const cl_int w = header->biWidth, h = header->biHeight, f = field;
  cl_int err = SetArgs(rt, g_kernels[kernel], dst, src, w, h, f, cl_int(extra)...);
  if (err == CL_SUCCESS) err = Launch2D(rt, queue, g_kernels[kernel], ws, size_t(w), size_t(h));
  return ClResult(err);
}

}  // namespace
}  // namespace ko::gpu

using namespace ko::gpu;

extern "C" {

HRESULT DibInterlace_OpenCL_Initialize(KoOpenCLRuntime *runtime, KoOpenCLProgramCallback callback) {
  return InitialiseKernelSet(g_set, ProgramSet::Interlace, kInterlaceNames, runtime, callback);
}

HRESULT DibInterlace_OpenCL_Shutdown(void) { return ShutdownKernelSet(g_set); }

// KoDibCopyInterlace of a whole frame: the rows of the field copied, each
// other row the truncated mean of the rows above and below it.
HRESULT KoDibCopyInterlaceOCL(cl_command_queue queue, const BITMAPINFOHEADER *header, cl_mem dst,
                              cl_mem src, int field) {
  HRESULT hr = Check(queue, header, dst, src, field, kRows, header ? header->biHeight : 0);
  if (hr != S_OK) return hr;
  static WorkSize ws;
  return Run(queue, kRows, ws, header, dst, src, field);
}

// The same with the fields as columns: field 1 is the columns at an even
// distance from the last one; the others are the mean of their neighbours.
HRESULT KoDibCopyInterlaceVerticalOCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                                      cl_mem dst, cl_mem src, int field) {
  HRESULT hr = Check(queue, header, dst, src, field, kColumns, header ? header->biHeight : 0);
  if (hr != S_OK) return hr;
  static WorkSize ws;
  return Run(queue, kColumns, ws, header, dst, src, field);
}

// KoDibMergeFields (columns 0) or KoDibMergeFieldsRotated (columns 1): the
// field's rows or columns copied from src into dst, the rest of dst kept.
HRESULT KoDibCopyInterlaceCopyFieldOCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                                       cl_mem dst, cl_mem src, int field, int columns) {
  HRESULT hr = Check(queue, header, dst, src, field, kField, header ? header->biHeight : 0);
  if (hr != S_OK) return hr;
  static WorkSize ws;
  return Run(queue, kField, ws, header, dst, src, field, columns ? 1 : 0);
}

// A frame from an image of one field: its row k becomes frame row 2k (field
// 1) or 2k + 1 (field 0); the other field's rows are rebuilt as by
// KoDibCopyInterlace, or with keepOtherField left as they are (a weave).
HRESULT KoDibResampledInterlacedFrameOCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                                         cl_mem dst, cl_mem fieldImage, int field,
                                         int keepOtherField) {
  const LONG h = header ? header->biHeight : 0;
  HRESULT hr = Check(queue, header, dst, fieldImage, field, kFrame, field == 1 ? (h + 1) / 2 : h / 2);
  if (hr != S_OK) return hr;
  static WorkSize ws;
  return Run(queue, kFrame, ws, header, dst, fieldImage, field, keepOtherField ? 1 : 0);
}

}  // extern "C"
