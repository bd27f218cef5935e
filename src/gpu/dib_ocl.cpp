// The bitmap-copy set on the device: copy and scaling, the box reduction,
// fade, red/blue swap and fill of BGRA images. Each call checks its
// arguments, sets the kernel's arguments, launches and returns without
// waiting; the images are 8-bit BGRA, top row first.
#include <cmath>
#include <cstdint>

#include "gpu/dib_images.h"
#include "kokernel/kodibops.h"
#include "kokernel/koxchg.h"

namespace ko::gpu {
namespace {

enum DibKernel : int { kDibCopy, kDibBox, kDibFade, kDibSwap, kDibFill, kDibKernels };
const char *const kDibNames[kDibKernels] = {"ko_dib_copy", "ko_dib_box", "ko_dib_fade",
                                            "ko_dib_swap", "ko_dib_fill"};
cl_kernel g_kernels[kDibKernels];
KernelSet g_set{nullptr, nullptr, g_kernels, kDibKernels};

constexpr int64_t kOne = KO_SUBPIXEL_ONE;

// What the copy kernel does per output pixel (its kind argument).
enum CopyKind : cl_int { kWhole = 0, kBilinear = 1, kBicubic = 2 };

float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN gives 0

// A colour as the kernels take it: red, green, blue, alpha, each in 0..1.
cl_float4 DeviceColour(const KODIBPIXEL &c) {
  cl_float4 v;
  v.s[0] = Clamp01(c.red);
  v.s[1] = Clamp01(c.green);
  v.s[2] = Clamp01(c.blue);
  v.s[3] = Clamp01(c.alpha);
  return v;
}

// A rectangle in 1/16384 pixel from one in pixels (null: the whole image).
struct Fixed {
  int64_t l, t, r, b;
};
Fixed ToFixed(const float *rect, const BITMAPINFOHEADER *h) {
  if (!rect) return {0, 0, h->biWidth * kOne, h->biHeight * kOne};
  auto f = [](float v) { return int64_t(std::llround(double(v) * kOne)); };
  return {f(rect[0]), f(rect[1]), f(rect[2]), f(rect[3])};
}
bool InsideImage(const Fixed &r, const BITMAPINFOHEADER *h) {
  return r.l >= 0 && r.t >= 0 && r.l < r.r && r.t < r.b && r.r <= h->biWidth * kOne &&
         r.b <= h->biHeight * kOne;
}
cl_float4 InPixels(const RECT &r, int64_t unit) {
  cl_float4 v;
  v.s[0] = float(double(r.left) / double(unit));
  v.s[1] = float(double(r.top) / double(unit));
  v.s[2] = float(double(r.right) / double(unit));
  v.s[3] = float(double(r.bottom) / double(unit));
  return v;
}

// The header describes an image of at least its size.
cl_int CheckImage(KoOpenCLRuntime *rt, cl_mem image, const BITMAPINFOHEADER *h, bool *fits) {
  size_t w = 0, ht = 0;
  const cl_int err = ImageSize(rt, image, &w, &ht);
  *fits = err == CL_SUCCESS && w >= size_t(h->biWidth) && ht >= size_t(h->biHeight);
  return err;
}

// One launch of the copy kernel.
struct CopyLaunch {
  RECT dst, src;   // as the kernel reads them
  int64_t unit;    // of dst and src: 1 (pixels) or 16384
  CopyKind kind;
  int64_t stepX, stepY;
  size_t countX, countY;
  bool mix;        // partly covered pixels mixed with the old destination
};

HRESULT RunCopy(KoOpenCLRuntime *rt, cl_command_queue q, cl_mem dst, cl_mem src,
                const CopyLaunch &c) {
  cl_int err = CL_SUCCESS;
  cl_mem own = nullptr, old = nullptr;
  size_t w = 0, h = 0;
  if (src == dst || c.mix) err = ImageSize(rt, dst, &w, &h);
  if (err == CL_SUCCESS && src == dst) {  // a kernel can't read the image it writes
    own = CopyOfRegion(rt, q, src, 0, 0, w, h, &err);
    src = own;
  }
  if (err == CL_SUCCESS && c.mix) old = CopyOfRegion(rt, q, dst, 0, 0, w, h, &err);
  if (err == CL_SUCCESS) {
    Float8 p{};
    p.v[0] = float(c.stepX);
    p.v[1] = float(c.stepY);
    const cl_int kind = c.kind, cw = cl_int(c.countX), ch = cl_int(c.countY);
    const cl_int nomix = c.mix ? 0 : 1;
    err = SetArgs(rt, g_kernels[kDibCopy], dst, InPixels(c.dst, c.unit), src,
                  InPixels(c.src, c.unit), old ? old : src, kind, p, cw, ch, nomix);
  }
  static WorkSize ws;
  if (err == CL_SUCCESS) err = Launch2D(rt, q, g_kernels[kDibCopy], ws, c.countX, c.countY);
  ReleaseImage(rt, own);
  ReleaseImage(rt, old);
  return ClResult(err);
}

}  // namespace

cl_int ImageSize(KoOpenCLRuntime *rt, cl_mem image, size_t *width, size_t *height) {
  cl_int err = KO_CL(rt, clGetImageInfo, image, CL_IMAGE_WIDTH, sizeof(size_t), width, nullptr);
  if (err == CL_SUCCESS)
    err = KO_CL(rt, clGetImageInfo, image, CL_IMAGE_HEIGHT, sizeof(size_t), height, nullptr);
  return err;
}

cl_mem CopyOfRegion(KoOpenCLRuntime *rt, cl_command_queue queue, cl_mem image, size_t x,
                    size_t y, size_t w, size_t h, cl_int *err) {
  cl_context context = nullptr;
  cl_image_format format{};
  *err = KO_CL(rt, clGetMemObjectInfo, image, CL_MEM_CONTEXT, sizeof(context), &context, nullptr);
  if (*err == CL_SUCCESS)
    *err = KO_CL(rt, clGetImageInfo, image, CL_IMAGE_FORMAT, sizeof(format), &format, nullptr);
  if (*err != CL_SUCCESS) return nullptr;
  cl_mem copy = KO_CL_OBJ(rt, clCreateImage2D, err, context, CL_MEM_READ_WRITE, &format, w, h,
                          size_t(0), nullptr);
  if (!copy) return nullptr;
  const size_t from[3] = {x, y, 0}, to[3] = {0, 0, 0}, region[3] = {w, h, 1};
  *err = KO_CL(rt, clEnqueueCopyImage, queue, image, copy, from, to, region, 0u, nullptr,
               nullptr);
  if (*err != CL_SUCCESS) {
    ReleaseImage(rt, copy);
    return nullptr;
  }
  return copy;
}

void ReleaseImage(KoOpenCLRuntime *rt, cl_mem image) {
  if (image) KO_CL(rt, clReleaseMemObject, image);
}

}  // namespace ko::gpu

using namespace ko::gpu;

extern "C" {

HRESULT DibCopy_OpenCL_Initialize(KoOpenCLRuntime *runtime, KoOpenCLProgramCallback callback) {
  return InitialiseKernelSet(g_set, ProgramSet::DibCopy, kDibNames, runtime, callback);
}

HRESULT DibCopy_OpenCL_Shutdown(void) { return ShutdownKernelSet(g_set); }

// The copy mirrors KoDibCopy for 8-bit BGRA pairs: equal sizes copy, modes
// below 3 sample at the truncated position, modes 3 and 4 (or sub-pixel
// rectangles with a fraction) go the scaler's way, bilinear or bicubic, with
// its clipping and edge mixing. Rectangles are in pixels (fractions allowed)
// and must lie inside their images; curves have no effect on 8-bit pairs.
// Soft edges and area averaging are not carried (E_NOTIMPL).
HRESULT KoDibCopyOCL(cl_command_queue queue, const BITMAPINFOHEADER *dstHeader, cl_mem dst,
                     const float dstRect[4], double curveA, const BITMAPINFOHEADER *srcHeader,
                     cl_mem src, const float srcRect[4], double curveB, uint32_t flags) {
  (void)curveA;
  (void)curveB;
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kDibCopy)) return E_FAIL;
  if (!queue || !dst || !src) return E_INVALIDARG;
  if (!dstHeader || !srcHeader) return E_POINTER;
  if (!IsBgra8(dstHeader) || !IsBgra8(srcHeader)) return E_NOTIMPL;
  if (flags & (KOXCHG_EDGE_MASK | KOXCHG_AREA)) return E_NOTIMPL;
  const Fixed fd = ToFixed(dstRect, dstHeader), fs = ToFixed(srcRect, srcHeader);
  if (!InsideImage(fd, dstHeader) || !InsideImage(fs, srcHeader)) return E_INVALIDARG;
  bool fits = false;
  cl_int err = CheckImage(rt, dst, dstHeader, &fits);
  if (err == CL_SUCCESS && fits) err = CheckImage(rt, src, srcHeader, &fits);
  if (err != CL_SUCCESS) return E_FAIL;
  if (!fits) return E_INVALIDARG;

  const uint32_t mode = flags & 15;
  bool fractional = false;
  for (int64_t v : {fd.l, fd.t, fd.r, fd.b, fs.l, fs.t, fs.r, fs.b}) fractional |= (v & 0x3FFF) != 0;
  const bool subPixel = fractional && mode >= 3;
  // Whole pixels unless the scaler samples at sub-pixel positions.
  RECT d{LONG(fd.l), LONG(fd.t), LONG(fd.r), LONG(fd.b)}, s{LONG(fs.l), LONG(fs.t), LONG(fs.r), LONG(fs.b)};
  if (!subPixel)
    for (LONG *v : {&d.left, &d.top, &d.right, &d.bottom, &s.left, &s.top, &s.right, &s.bottom})
      *v /= LONG(kOne);
  const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
  const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
  if (!subPixel && (dw < 1 || dh < 1 || sw < 1 || sh < 1)) return E_INVALIDARG;

  CopyLaunch c{d, s, 1, kWhole, kOne, kOne, size_t(dw), size_t(dh), false};
  const bool same = dw == sw && dh == sh;
  if (subPixel || (!same && mode >= 3)) {
    KoSubpixelParam p;
    const uint32_t dsz[2] = {uint32_t(dstHeader->biWidth), uint32_t(dstHeader->biHeight)};
    const uint32_t ssz[2] = {uint32_t(srcHeader->biWidth), uint32_t(srcHeader->biHeight)};
    auto fixed = [subPixel](const RECT &r) {
      const LONG m = subPixel ? 1 : LONG(kOne);
      return RECT{r.left * m, r.top * m, r.right * m, r.bottom * m};
    };
    const RECT dx = fixed(d), sx = fixed(s);
    if (!KoPrepareSubpixelParam(&p, nullptr, dsz, 0, &dx, nullptr, ssz, 0, &sx))
      return S_OK;  // too small to sample: nothing to do, as on the processor
    c.dst = p.dstRect;
    c.src = p.srcRect;
    c.unit = kOne;
    if (!subPixel && p.scaleX == kOne && p.scaleY == kOne) {
      c.stepX = c.stepY = kOne;  // 1:1 after all: row copies
    } else {
      c.kind = (flags & KOXCHG_BICUBIC) ? kBicubic : kBilinear;
      c.stepX = p.stepX;
      c.stepY = p.stepY;
      c.mix = !(flags & KOXCHG_NOEDGEMIX) &&
              ((p.dstRect.left | p.dstRect.top | p.dstRect.right | p.dstRect.bottom) & 0x3FFF);
    }
    c.countX = size_t(((int64_t(p.dstRect.right) - 1) >> 14) - (p.dstRect.left >> 14) + 1);
    c.countY = size_t(((int64_t(p.dstRect.bottom) - 1) >> 14) - (p.dstRect.top >> 14) + 1);
  } else if (!same) {
    // The processor's bilinear read at these steps is not carried.
    if (flags & KOXCHG_VARIANT1) return E_NOTIMPL;
    c.stepX = sw * kOne / dw;
    c.stepY = sh * kOne / dh;
  }
  return RunCopy(rt, queue, dst, src, c);
}

// Box reduction: destination pixel (x, y) is the truncated mean of the
// source block of factorX x factorY pixels at (x * factorX, y * factorY);
// the destination is (width / factorX) x (height / factorY) of srcHeader.
HRESULT KoDibBoxFilterOCL(cl_command_queue queue, cl_mem dst, cl_mem src,
                          const BITMAPINFOHEADER *srcHeader, int factorX, int factorY) {
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kDibBox)) return E_FAIL;
  if (!queue || !dst || !src || dst == src) return E_INVALIDARG;
  if (!srcHeader) return E_POINTER;
  if (!IsBgra8(srcHeader)) return E_NOTIMPL;
  if (factorX < 1 || factorY < 1 || factorX > srcHeader->biWidth || factorY > srcHeader->biHeight)
    return E_INVALIDARG;
  const cl_int w = srcHeader->biWidth / factorX, h = srcHeader->biHeight / factorY;
  bool fits = false;
  size_t dw = 0, dh = 0;
  cl_int err = CheckImage(rt, src, srcHeader, &fits);
  if (err == CL_SUCCESS) err = ImageSize(rt, dst, &dw, &dh);
  if (err != CL_SUCCESS) return E_FAIL;
  if (!fits || dw < size_t(w) || dh < size_t(h)) return E_INVALIDARG;
  err = SetArgs(rt, g_kernels[kDibBox], dst, src, w, h, cl_int(factorX), cl_int(factorY));
  static WorkSize ws;
  if (err == CL_SUCCESS) err = Launch2D(rt, queue, g_kernels[kDibBox], ws, size_t(w), size_t(h));
  return ClResult(err);
}

// KoDibFadeToColor on an 8-bit BGRA image: the same rectangle rules
// (whole pixels, or 1/16384 pixel with KODIB_SUBPIXEL_RECT), coverage at
// the edges and rounding.
HRESULT KoDibFadeToColorOCL(cl_command_queue queue, const BITMAPINFOHEADER *header, cl_mem image,
                            const KODIBPIXEL *colour, const RECT *rect, float amount,
                            int keepAlpha, uint32_t flags) {
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kDibFade)) return E_FAIL;
  if (!queue || !image) return E_INVALIDARG;
  if (!header || !colour) return E_POINTER;
  if (!IsBgra8(header)) return E_NOTIMPL;
  Fixed s{0, 0, header->biWidth * kOne, header->biHeight * kOne};
  if (rect) {
    const int64_t m = (flags & KODIB_SUBPIXEL_RECT) ? 1 : kOne;
    s = {rect->left * m, rect->top * m, rect->right * m, rect->bottom * m};
  }
  s = {std::max<int64_t>(s.l, 0), std::max<int64_t>(s.t, 0),
       std::min<int64_t>(s.r, header->biWidth * kOne), std::min<int64_t>(s.b, header->biHeight * kOne)};
  if (s.l >= s.r || s.t >= s.b) return S_OK;
  bool fits = false;
  cl_int err = CheckImage(rt, image, header, &fits);
  if (err != CL_SUCCESS) return E_FAIL;
  if (!fits) return E_INVALIDARG;
  const size_t x0 = size_t(s.l / kOne), x1 = size_t((s.r + kOne - 1) / kOne);
  const size_t y0 = size_t(s.t / kOne), y1 = size_t((s.b + kOne - 1) / kOne);
  const cl_int w = cl_int(x1 - x0), h = cl_int(y1 - y0);
  cl_mem old = CopyOfRegion(rt, queue, image, x0, y0, size_t(w), size_t(h), &err);
  if (err == CL_SUCCESS) {
    const cl_int4 r{{cl_int(s.l), cl_int(s.t), cl_int(s.r), cl_int(s.b)}};
    const cl_int2 origin{{cl_int(x0), cl_int(y0)}};
    const float a = std::isnan(amount) ? 0.0f : Clamp01(amount);
    const cl_int keep = keepAlpha ? 1 : 0;
    err = SetArgs(rt, g_kernels[kDibFade], image, old, r, origin, DeviceColour(*colour), a, keep, w, h);
  }
  static WorkSize ws;
  if (err == CL_SUCCESS) err = Launch2D(rt, queue, g_kernels[kDibFade], ws, size_t(w), size_t(h));
  ReleaseImage(rt, old);
  return ClResult(err);
}

// KoDibSwapRB on an 8-bit BGRA image: the rectangle (null: the whole image)
// clipped to it.
HRESULT KoDibSwapRB_OCL(cl_command_queue queue, const BITMAPINFOHEADER *header, cl_mem image,
                        const RECT *rect) {
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kDibSwap)) return E_FAIL;
  if (!queue || !image) return E_INVALIDARG;
  if (!header) return E_POINTER;
  if (!IsBgra8(header)) return E_NOTIMPL;
  RECT r = rect ? *rect : RECT{0, 0, header->biWidth, header->biHeight};
  r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, header->biWidth),
       std::min<LONG>(r.bottom, header->biHeight)};
  if (r.left >= r.right || r.top >= r.bottom) return S_OK;
  bool fits = false;
  cl_int err = CheckImage(rt, image, header, &fits);
  if (err != CL_SUCCESS) return E_FAIL;
  if (!fits) return E_INVALIDARG;
  const size_t w = size_t(r.right - r.left), h = size_t(r.bottom - r.top);
  cl_mem old = CopyOfRegion(rt, queue, image, size_t(r.left), size_t(r.top), w, h, &err);
  if (err == CL_SUCCESS) {
    const cl_int4 area{{cl_int(r.left), cl_int(r.top), cl_int(w), cl_int(h)}};
    err = SetArgs(rt, g_kernels[kDibSwap], image, old, area);
  }
  static WorkSize ws;
  if (err == CL_SUCCESS) err = Launch2D(rt, queue, g_kernels[kDibSwap], ws, w, h);
  ReleaseImage(rt, old);
  return ClResult(err);
}

// KoDibFillRect of an 8-bit BGRA image (flags 0): each channel clamped to
// 0..1 and truncated to its byte; the rectangle (null: the whole image) is
// clipped to the image.
HRESULT KoDibFillRectOCL(cl_command_queue queue, cl_mem image, const RECT *rect,
                         const KODIBPIXEL *colour) {
  KoOpenCLRuntime *rt = g_set.rt;
  if (!SetKernel(g_set, kDibFill)) return E_FAIL;
  if (!queue || !image) return E_INVALIDARG;
  if (!colour) return E_POINTER;
  size_t iw = 0, ih = 0;
  if (ImageSize(rt, image, &iw, &ih) != CL_SUCCESS) return E_FAIL;
  RECT r = rect ? *rect : RECT{0, 0, LONG(iw), LONG(ih)};
  r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, LONG(iw)),
       std::min<LONG>(r.bottom, LONG(ih))};
  if (r.left >= r.right || r.top >= r.bottom) return S_OK;
  const cl_int4 area{{cl_int(r.left), cl_int(r.top), cl_int(r.right), cl_int(r.bottom)}};
  cl_int err = SetArgs(rt, g_kernels[kDibFill], image, area, DeviceColour(*colour));
  static WorkSize ws;
  if (err == CL_SUCCESS)
    err = Launch2D(rt, queue, g_kernels[kDibFill], ws, size_t(r.right - r.left), size_t(r.bottom - r.top));
  return ClResult(err);
}

}  // extern "C"
