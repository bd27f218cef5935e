// The YUV set: YUV frames in device buffers to BGRA (or float) images, and
// BGRA or float images to NV12 and P010 frames. The host-side set-up is the
// processor converters' own (colour/yuv_setup.h), so the device computes the
// picture KoYUV_YUVToRGB and KoYUV_RGBToYUV compute.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "colour/yuv_frame.h"
#include "colour/yuv_setup.h"
#include "gpu/cl_runtime.h"
#include "kokernel/kodib.h"
#include "kokernel/kogpu.h"
#include "kokernel/koresult.h"
#include "pixels/xchg.h"

namespace ko::gpu {

namespace {

using colour::FourCC;
using colour::Frame;

// Converters to RGB: eleven layout families, four reduce values each, in
// this order; then the Q14 4:2:0 converter; then the converters to YUV.
enum Family : int { kI420, kYV16, kYV24, kNV12, kP010, kP210, kP410, kYUYV, kUYVY, kY210, kV210, kFamilies };
constexpr int kQ14 = 4 * kFamilies;  // 44
// Converters to YUV: target (NV12, P010) x source (BGRA, float) x pass
// (luma, chroma), then the combined BGRA passes for NV12 and P010.
constexpr int kToYuv = kQ14 + 1;            // 45
constexpr int kToYuvPair = kToYuv + 8;      // 53
constexpr int kKernelCount = kToYuvPair + 2;  // 55

const char *const kNames[kKernelCount] = {
#define KO_FOUR(f) "ko_yuv_" f "_r0", "ko_yuv_" f "_r1", "ko_yuv_" f "_r2", "ko_yuv_" f "_r3"
    KO_FOUR("i420"), KO_FOUR("yv16"), KO_FOUR("yv24"), KO_FOUR("nv12"), KO_FOUR("p010"), KO_FOUR("p210"),
    KO_FOUR("p410"), KO_FOUR("yuyv"), KO_FOUR("uyvy"), KO_FOUR("y210"), KO_FOUR("v210"),
#undef KO_FOUR
    "ko_yuv_i420_q14",
    "ko_rgb_bgra_nv12_luma", "ko_rgb_bgra_nv12_chroma", "ko_rgb_float_nv12_luma", "ko_rgb_float_nv12_chroma",
    "ko_rgb_bgra_p010_luma", "ko_rgb_bgra_p010_chroma", "ko_rgb_float_p010_luma", "ko_rgb_float_p010_chroma",
    "ko_rgb_bgra_nv12_pair", "ko_rgb_bgra_p010_pair"};

cl_kernel gKernels[kKernelCount];
KernelSet gSet{nullptr, nullptr, gKernels, kKernelCount};
WorkSize gWork[kKernelCount];  // one per kernel: each has a single call site

struct LayoutFamily {
  uint32_t code;
  Family family;
};
// The family converter of each of the eighteen source layouts: the layout
// record names the Cb and Cr planes, and all 16-bit layouts carry 10 bits.
const LayoutFamily kLayouts[] = {
    {FourCC("I420"), kI420}, {FourCC("YV12"), kI420}, {FourCC("NV12"), kNV12}, {FourCC("YV16"), kYV16},
    {FourCC("YV24"), kYV24}, {FourCC("YUYV"), kYUYV}, {FourCC("UYVY"), kUYVY}, {FourCC("P010"), kP010},
    {FourCC("P012"), kP010}, {FourCC("PL10"), kP010}, {FourCC("P210"), kP210}, {FourCC("P212"), kP210},
    {FourCC("P216"), kP210}, {FourCC("P410"), kP410}, {FourCC("P412"), kP410}, {FourCC("A410"), kP410},
    {FourCC("Y210"), kY210}, {FourCC("v210"), kV210}};

int FamilyOf(uint32_t code) {
  for (const LayoutFamily &l : kLayouts)
    if (l.code == code) return l.family;
  return -1;
}

HRESULT Outcome(cl_int e) { return e == CL_SUCCESS ? S_OK : E_FAIL; }

// The frame's geometry as the kernels take it; false when an offset would
// not fit their 32-bit arithmetic.
bool Geometry(const Frame &f, int flags, cl_int8 *g) {
  if (colour::FrameExtent(f) > uint64_t(INT_MAX)) return false;
  const cl_int v[8] = {f.w, f.h, cl_int(f.lumaStride), cl_int(f.cbOffset), cl_int(f.cbStride),
                       cl_int(f.crOffset), cl_int(f.crStride), flags};
  for (int i = 0; i < 8; ++i) g->s[i] = v[i];
  return true;
}

// The buffer holds the frame (E_INVALIDARG when it is smaller).
HRESULT CheckBuffer(KoOpenCLRuntime *rt, cl_mem buffer, const Frame &f) {
  size_t size = 0;
  if (KO_CL(rt, clGetMemObjectInfo, buffer, CL_MEM_SIZE, sizeof size, &size, nullptr) != CL_SUCCESS)
    return E_FAIL;
  return size < colour::FrameExtent(f) ? E_INVALIDARG : S_OK;
}

struct ImageFacts {
  size_t width = 0, height = 0;
  bool isFloat = false;
};
bool ReadImage(KoOpenCLRuntime *rt, cl_mem image, ImageFacts *facts) {
  cl_image_format format{};
  if (KO_CL(rt, clGetImageInfo, image, CL_IMAGE_FORMAT, sizeof format, &format, nullptr) != CL_SUCCESS ||
      KO_CL(rt, clGetImageInfo, image, CL_IMAGE_WIDTH, sizeof(size_t), &facts->width, nullptr) != CL_SUCCESS ||
      KO_CL(rt, clGetImageInfo, image, CL_IMAGE_HEIGHT, sizeof(size_t), &facts->height, nullptr) != CL_SUCCESS)
    return false;
  facts->isFloat = format.image_channel_data_type == CL_FLOAT || format.image_channel_data_type == CL_HALF_FLOAT;
  return true;
}

// The tone curve's five parameters and the branch it takes (1: exponent
// below 1, -1: above; 0: no gamma step).
Float8 ToneParams(double ratio) {
  Float8 t{};
  if (!colour::GammaStepNeeded(ratio)) return t;
  KoToneCurve c;
  pixels::xchg::CurveInit(&c, ratio);
  t.v[0] = float(c.gamma);
  t.v[1] = float(c.threshold);
  t.v[2] = float(c.slope);
  t.v[3] = float(c.offset);
  t.v[4] = float(c.active);
  t.v[5] = c.gamma < 1.0 ? 1.f : -1.f;
  return t;
}

cl_int Run(cl_command_queue q, int index, size_t gx, size_t gy) {
  return Launch2D(gSet.rt, q, gKernels[index], gWork[index], gx, gy);
}

}  // namespace

}  // namespace ko::gpu

using namespace ko::gpu;
namespace colour = ko::colour;

KO_EXTERN_C HRESULT YUV_OpenCL_Initialize(KoOpenCLRuntime *runtime, KoOpenCLProgramCallback callback) {
  return InitialiseKernelSet(gSet, ProgramSet::Yuv, kNames, runtime, callback);
}

KO_EXTERN_C HRESULT YUV_OpenCL_Shutdown(void) { return ShutdownKernelSet(gSet); }

KO_EXTERN_C HRESULT KoYUV_YUVToRGB_OCL(cl_command_queue queue, cl_mem dstImage, cl_mem srcBuffer,
                                       double outputGamma, const BITMAPINFOHEADER *yuvHeader,
                                       const void *colorInfo, const KoYUVPlaneLayout *yuvLayout, int reduce,
                                       unsigned reserved, const KoYUVConvertParams *params) {
  (void)reserved;
  if (!yuvHeader) return E_POINTER;
  const int family = colour::YuvToRgbAccepts(yuvHeader->biCompression) ? FamilyOf(yuvHeader->biCompression) : -1;
  if (family < 0 || reduce < 0 || reduce > 3) return E_FAIL;
  KoOpenCLRuntime *rt = gSet.rt;
  if (!rt || !gKernels[0]) return E_FAIL;
  if (!queue || !dstImage || !srcBuffer) return E_POINTER;
  Frame f;
  if (HRESULT hr = colour::MakeFrame(yuvHeader, yuvLayout, &f); hr != S_OK) return hr;
  const int ow = f.w >> reduce, oh = f.h >> reduce;
  ImageFacts image;
  if (!ReadImage(rt, dstImage, &image)) return E_FAIL;
  if (image.width < size_t(ow) || image.height < size_t(oh)) return E_INVALIDARG;
  if (HRESULT hr = CheckBuffer(rt, srcBuffer, f); hr != S_OK) return hr;
  if (ow == 0 || oh == 0) return S_OK;

  const colour::ColorInfo ci = colour::ReadColorInfo(colorInfo);
  const colour::MatrixValues &m = colour::MatrixOf(colour::MatrixFromCode(ci.matrix, f.w, f.h));
  const bool expand = outputGamma != 0 && (params ? params->range : 0) != KOYUV_RANGE_FULL;
  const double ratio = colour::GammaRatio(params ? params->gamma : 0, outputGamma);
  const bool gammaStep = colour::GammaStepNeeded(ratio);
  const int flags = (colour::InterlacedMode(ci.interlace) ? 1 : 0) | (image.isFloat ? 2 : 0);
  cl_int8 g;
  if (!Geometry(f, flags, &g)) return E_INVALIDARG;

  const cl_int w = ow, h = oh;
  int index;
  cl_int e;
  if (colour::UsesQ14Path(f, reduce, image.isFloat, expand, gammaStep)) {
    index = kQ14;
    const colour::Q14Coefs &q = m.q14;
    const cl_int8 qc = {{q.ub, q.ug, q.vg, q.vr, q.kb, q.kg, q.kr, 0}};
    if (!gKernels[index]) return E_FAIL;
    e = SetArgs(rt, gKernels[index], srcBuffer, dstImage, w, h, g, qc);
  } else {
    index = 4 * family + reduce;
    const colour::DecodeLevels lv = colour::MakeDecodeLevels(m, expand, image.isFloat, colour::TenBit(f.info->kind));
    const Float8 levels{{lv.lumaOff, lv.lumaScale, lv.chromaOff, lv.kR, lv.kGb, lv.kGr, lv.kB, 0.f}};
    const Float8 tone = ToneParams(ratio);
    if (!gKernels[index]) return E_FAIL;
    e = SetArgs(rt, gKernels[index], srcBuffer, dstImage, w, h, g, levels, tone);
  }
  if (e == CL_SUCCESS) e = Run(queue, index, size_t(ow), size_t(oh));
  return Outcome(e);
}

KO_EXTERN_C HRESULT KoYUV_RGBToYUV_OCL(cl_command_queue queue, const BITMAPINFOHEADER *yuvHeader,
                                       const void *colorInfo, cl_mem dstBuffer, const KoYUVPlaneLayout *yuvLayout,
                                       const BITMAPINFOHEADER *rgbHeader, double gamma, cl_mem srcImage,
                                       int reduce, unsigned reserved, bool toStudioRange) {
  (void)reserved;
  if (!yuvHeader || !rgbHeader) return E_POINTER;
  const uint32_t code = yuvHeader->biCompression;
  if (code != FourCC("NV12") && code != FourCC("P010")) return E_FAIL;
  if (reduce != 0) return E_FAIL;  // no reduced converters, as on the processor
  const KOPIXELTYPE type = KoGetPixelType(rgbHeader);
  if (type != KOPT_RGB32 && type != KOPT_RGBA32 && type != KOPT_RGBAFLOAT) return E_FAIL;
  KoOpenCLRuntime *rt = gSet.rt;
  if (!rt || !gKernels[0]) return E_FAIL;
  if (!queue || !dstBuffer || !srcImage) return E_POINTER;
  Frame f;
  if (HRESULT hr = colour::MakeFrame(yuvHeader, yuvLayout, &f); hr != S_OK) return hr;
  ImageFacts image;
  if (!ReadImage(rt, srcImage, &image)) return E_FAIL;
  if (std::llabs(int64_t(rgbHeader->biWidth)) < f.w || std::llabs(int64_t(rgbHeader->biHeight)) < f.h ||
      image.width < size_t(f.w) || image.height < size_t(f.h))
    return E_INVALIDARG;
  if (HRESULT hr = CheckBuffer(rt, dstBuffer, f); hr != S_OK) return hr;

  const colour::ColorInfo ci = colour::ReadColorInfo(colorInfo);
  const colour::MatrixValues &m = colour::MatrixOf(colour::MatrixFromCode(ci.matrix, f.w, f.h));
  const colour::Encoder enc = colour::MakeEncoder(m, gamma != 0 && toStudioRange);
  const bool il = colour::InterlacedMode(ci.interlace);
  cl_int8 g;
  if (!Geometry(f, il ? 1 : 0, &g)) return E_INVALIDARG;
  const Float8 a{{enc.yR, enc.yG, enc.yB, enc.cbR, enc.cbG, enc.cbB, enc.crR, enc.crG}};
  const Float8 b{{enc.crB, enc.lumaScale, enc.lumaOff, enc.chromaScale, enc.tenMul, 0.f, 0.f, 0.f}};

  const bool p010 = code == FourCC("P010"), isFloat = type == KOPT_RGBAFLOAT;
  // Launches one pass over gx x gy work items.
  auto pass = [&](int index, int gx, int gy) -> cl_int {
    if (!gKernels[index]) return CL_INVALID_KERNEL;
    const cl_int w = gx, h = gy;
    cl_int e = SetArgs(rt, gKernels[index], srcImage, dstBuffer, w, h, g, a, b);
    return e == CL_SUCCESS ? Run(queue, index, size_t(gx), size_t(gy)) : e;
  };
  // Progressive BGRA frames of even size: luma and chroma of each 2 x 2
  // block in one pass; otherwise a luma pass and a chroma pass.
  if (!isFloat && !il && f.w % 2 == 0 && f.h % 2 == 0)
    return Outcome(pass(kToYuvPair + (p010 ? 1 : 0), f.chromaW, f.chromaH));
  const int first = kToYuv + (p010 ? 4 : 0) + (isFloat ? 2 : 0);
  cl_int e = pass(first, f.w, f.h);
  if (e == CL_SUCCESS && f.chromaW > 0 && f.chromaH > 0) e = pass(first + 1, f.chromaW, f.chromaH);
  return Outcome(e);
}
