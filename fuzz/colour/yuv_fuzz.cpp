// Header-and-layout dispatch of the YUV converters on any sizes, layout
// codes, strides and offsets. Every buffer has exactly the size its header
// and layout describe, so the sanitizers catch any access outside it; a
// refused call must leave its destination untouched.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "colour/yuv_frame.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

struct Input {
  const uint8_t *p;
  size_t n;
  uint32_t Take(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | (n ? (--n, *p++) : 0);
    return v;
  }
};

const char *const kCodes[] = {"I420", "IYUV", "YV12", "Y41B", "YV16", "YV24", "NV12", "P010", "P012",
                              "PL10", "P210", "P212", "P216", "P410", "P412", "A410", "YUYV", "UYVY",
                              "Y210", "v210", "ABCD"};
uint32_t CodeOf(uint32_t i) {
  const char *s = kCodes[i % (sizeof kCodes / sizeof kCodes[0])];
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

// A frame of the given code and size whose layout fields are nudged by the
// input; the buffer covers exactly what header and layout describe (or a
// few bytes when the converters must refuse it).
struct YuvFrame {
  BITMAPINFOHEADER h{};
  KoYUVPlaneLayout l{};
  std::vector<uint8_t> bits;
  bool valid = false;
  YuvFrame(Input &in, uint32_t code, int w, int hgt) {
    h.biSize = sizeof h;
    h.biWidth = (in.Take(1) & 1) ? -w : w;
    h.biHeight = hgt;
    h.biCompression = code;
    KoYUVImageBytesAndOffsets(&h, &l);
    uint32_t *f = &l.lumaStride;
    const uint32_t tweak = in.Take(1);
    if (tweak & 0x80) f[tweak % 7] += int8_t(in.Take(1));  // any field, either way
    ko::colour::Frame fr;
    valid = ko::colour::MakeFrame(&h, &l, &fr) == S_OK;
    bits.assign(valid ? size_t(ko::colour::FrameExtent(fr)) : 3, uint8_t(in.Take(1)));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Input in{data, size};
  const uint32_t op = in.Take(1);
  const int w = int(in.Take(1) % 32) + 1, h = int(in.Take(1) % 24) + 1;
  YuvFrame src(in, CodeOf(in.Take(1)), w, h);
  if (op % 3 == 0) {
    // YUV to YUV.
    YuvFrame dst(in, CodeOf(in.Take(1)), int(in.Take(1) % 32) + 1, int(in.Take(1) % 24) + 1);
    const std::vector<uint8_t> before = dst.bits;
    const HRESULT hr = KoYUV_YUVToYUV(&dst.h, dst.bits.data(), &dst.l, &src.h, src.bits.data(), &src.l);
    if (FAILED(hr) && dst.bits != before) std::abort();
    return 0;
  }
  // YUV to RGB or RGB to YUV on a bitmap of any size, type and stride.
  const int reduce = int(in.Take(1) % 5);
  const int types[] = {KOPT_RGB32, KOPT_RGBA32, KOPT_RGBAFLOAT, KOPT_RGB24};
  const int type = types[in.Take(1) % 4];
  const int rw = int(in.Take(1) % 34) + 1, rh = int(in.Take(1) % 26) + 1;
  BITMAPINFOHEADER rgb{};
  uint32_t imageSize = 0;
  if (KoVideo_InitBitmapInfo(&rgb, type, rw, rh, nullptr, 0, &imageSize) != S_OK) return 0;
  const int bpp = type == KOPT_RGBAFLOAT ? 16 : type == KOPT_RGB24 ? 3 : 4;
  int stride = int(int8_t(in.Take(1)));
  stride = stride == 0 ? 0 : (stride < 0 ? -1 : 1) * (rw * bpp + (std::abs(stride) % 9) - 4);
  const int64_t rowBytes = stride ? std::abs(stride) : ((int64_t(rgb.biBitCount) * rw + 31) / 8 & ~3);
  std::vector<uint8_t> bits(size_t(rowBytes) * (rh - 1) + size_t(rw) * bpp, 0x5A);
  uint8_t *base = stride < 0 ? bits.data() + size_t(rowBytes) * (rh - 1) : bits.data();
  KoYUVColorInfo ci{0, in.Take(2) + 514, 0, in.Take(1) % 3};
  KoYUVConvertParams params{};
  params.range = int(in.Take(1) % 3);
  params.gamma = (in.Take(1) % 4) * 0.7;
  const double gamma = (in.Take(1) % 3) * 1.1;
  if (op % 3 == 1) {
    const std::vector<uint8_t> before = bits;
    const HRESULT hr = KoYUV_YUVToRGB(&rgb, gamma, base, stride, &src.h, &ci, src.bits.data(), &src.l, reduce, 0, &params);
    if (FAILED(hr) && bits != before) std::abort();
    if (hr == S_OK && !src.valid) std::abort();
  } else {
    const std::vector<uint8_t> before = src.bits;
    const HRESULT hr = KoYUV_RGBToYUV(&src.h, &ci, src.bits.data(), &src.l, &rgb, gamma, base, stride, reduce, 0,
                                      in.Take(1) & 1);
    if (FAILED(hr) && src.bits != before) std::abort();
    if (hr == S_OK && !src.valid) std::abort();
  }
  return 0;
}
