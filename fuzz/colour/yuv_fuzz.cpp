// Header-and-layout dispatch of the YUV converters on any sizes, layout
// codes, strides and offsets. Every buffer has exactly the size its header
// and layout describe, so the sanitizers catch any access outside it; a
// refused call must leave its destination untouched.
#include "../harness.h"
#include "colour/yuv_frame.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

const char *const kCodes[] = {"I420", "IYUV", "YV12", "Y41B", "YV16", "YV24", "NV12", "P010", "P012",
                              "PL10", "P210", "P212", "P216", "P410", "P412", "A410", "YUYV", "UYVY",
                              "Y210", "v210", "ABCD"};
uint32_t CodeOf(uint32_t i) {
  uint32_t code;
  std::memcpy(&code, kCodes[i % (sizeof kCodes / sizeof kCodes[0])], 4);  // first letter lowest
  return code;
}

// A frame of the given code and size whose layout fields are nudged by the
// input; the buffer covers exactly what header and layout describe (or a
// few bytes when the converters must refuse it).
struct Planes {
  BITMAPINFOHEADER h{};
  KoYUVPlaneLayout l{};
  std::vector<uint8_t> bits;
  bool valid = false;
  Planes(FuzzInput &in, uint32_t code, int w, int hgt) {
    h.biSize = sizeof h;
    h.biWidth = (in.Take() & 1) ? -w : w;
    h.biHeight = hgt;
    h.biCompression = code;
    KoYUVImageBytesAndOffsets(&h, &l);
    uint32_t *f = &l.lumaStride;
    const uint32_t tweak = in.Take();
    if (tweak & 0x80) f[tweak % 7] += in.Take<int8_t>();  // any field, either way
    ko::colour::Frame fr;
    valid = ko::colour::MakeFrame(&h, &l, &fr) == S_OK;
    bits.assign(valid ? size_t(ko::colour::FrameExtent(fr)) : 3, in.Take());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput in{data, size};
  const uint32_t op = in.Take();
  const int w = in.Range(1, 32), h = in.Range(1, 24);
  Planes src(in, CodeOf(in.Take()), w, h);
  if (op % 3 == 0) {  // YUV to YUV
    Planes dst(in, CodeOf(in.Take()), in.Range(1, 32), in.Range(1, 24));
    const std::vector<uint8_t> before = dst.bits;
    const HRESULT hr = KoYUV_YUVToYUV(&dst.h, dst.bits.data(), &dst.l, &src.h, src.bits.data(), &src.l);
    Require(SUCCEEDED(hr) || dst.bits == before);
    return 0;
  }
  // YUV to RGB or RGB to YUV on a bitmap of any size, type and stride.
  const int reduce = in.Range(0, 4);
  const int types[] = {KOPT_RGB32, KOPT_RGBA32, KOPT_RGBAFLOAT, KOPT_RGB24};
  const int type = types[in.Take() % 4];
  const int rw = in.Range(1, 34), rh = in.Range(1, 26);
  BITMAPINFOHEADER rgb{};
  uint32_t imageSize = 0;
  if (KoVideo_InitBitmapInfo(&rgb, type, rw, rh, nullptr, 0, &imageSize) != S_OK) return 0;
  const int bpp = type == KOPT_RGBAFLOAT ? 16 : type == KOPT_RGB24 ? 3 : 4;
  int stride = in.Take<int8_t>();
  stride = stride == 0 ? 0 : (stride < 0 ? -1 : 1) * (rw * bpp + (std::abs(stride) % 9) - 4);
  const int64_t rowBytes = stride ? std::abs(stride) : ((int64_t(rgb.biBitCount) * rw + 31) / 8 & ~3);
  std::vector<uint8_t> bits(size_t(rowBytes) * (rh - 1) + size_t(rw) * bpp, 0x5A);
  uint8_t *base = stride < 0 ? bits.data() + size_t(rowBytes) * (rh - 1) : bits.data();
  KoYUVColorInfo ci{0, in.Big(2) + 514, 0, in.Take() % 3u};
  KoYUVConvertParams params{};
  params.range = in.Range(0, 2);
  params.gamma = in.Range(0, 3) * 0.7;
  const double gamma = in.Range(0, 2) * 1.1;
  // A refusal leaves the destination alone; only a valid frame converts.
  const std::vector<uint8_t> &dst = op % 3 == 1 ? bits : src.bits, before = dst;
  const HRESULT hr =
      op % 3 == 1
          ? KoYUV_YUVToRGB(&rgb, gamma, base, stride, &src.h, &ci, src.bits.data(), &src.l, reduce, 0, &params)
          : KoYUV_RGBToYUV(&src.h, &ci, src.bits.data(), &src.l, &rgb, gamma, base, stride, reduce, 0, in.Take() & 1);
  Require((SUCCEEDED(hr) || dst == before) && (hr != S_OK || src.valid));
  return 0;
}
