// Plane structure of every YUV layout the library reads or writes.
#include "colour/yuv_layout.h"

#include <cstdlib>
#include <cstring>

#include "kokernel/koyuvlayout.h"

namespace ko::colour {
namespace {

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 |
         uint32_t(uint8_t(s[2])) << 16 | uint32_t(uint8_t(s[3])) << 24;
}

}  // namespace

bool ComputeYuvLayout(uint32_t fourcc, int32_t width, int32_t height, YuvLayout64 *out) {
  *out = YuvLayout64{};
  if (height == 0) return false;
  const uint64_t w = uint64_t(std::llabs(int64_t(width)));
  const uint64_t h = uint64_t(std::llabs(int64_t(height)));
  const uint64_t wh = w * h;
  uint64_t lumaSize = 0;
  YuvLayout64 l{};
  // Planar layouts: luma, then two chroma planes in memory order.
  auto planar = [&](uint64_t lumaBytes, uint64_t chromaStride, uint64_t chromaSize,
                    bool crFirst) {
    lumaSize = lumaBytes;
    const uint64_t first = lumaBytes, second = lumaBytes + chromaSize;
    l.cbStride = l.crStride = chromaStride;
    l.cbOffset = crFirst ? second : first;
    l.crOffset = crFirst ? first : second;
    l.frameBytes = lumaBytes + 2 * chromaSize;
  };
  auto semiPlanar = [&](uint64_t lumaBytes, uint64_t chromaStride, uint64_t chromaSize) {
    lumaSize = lumaBytes;
    l.cbOffset = lumaBytes;
    l.cbStride = chromaStride;
    l.frameBytes = lumaBytes + chromaSize;
  };
  auto packed = [&](uint64_t bytes) {
    lumaSize = bytes;
    l.frameBytes = bytes;
  };

  switch (fourcc) {
    case FourCC("I420"):
    case FourCC("IYUV"): planar(wh, w / 2, wh / 4, false); break;
    case FourCC("YV12"): planar(wh, w / 2, wh / 4, true); break;
    case FourCC("Y41B"): planar(wh, w / 4, wh / 4, false); break;
    case FourCC("YV16"): planar(wh, w / 2, (w / 2) * h, true); break;
    case FourCC("YV24"): planar(wh, w, wh, true); break;
    case FourCC("NV12"): semiPlanar(wh, w, wh / 2); break;
    case FourCC("P010"):
    case FourCC("P012"):
    case FourCC("PL10"): semiPlanar(2 * wh, 4 * (w / 2), 4 * (w / 2) * (h / 2)); break;
    case FourCC("P210"):
    case FourCC("P212"):
    case FourCC("P216"): semiPlanar(2 * wh, 4 * (w / 2), 4 * (w / 2) * h); break;
    case FourCC("P410"):
    case FourCC("P412"): planar(2 * wh, 2 * w, 2 * wh, false); break;
    case FourCC("A410"):
      planar(2 * wh, 2 * w, 2 * wh, false);
      l.alphaOffset = 6 * wh;
      l.alphaStride = 2 * w;
      l.frameBytes = 8 * wh;
      break;
    case FourCC("YUYV"):
    case FourCC("UYVY"): packed(2 * wh); break;
    case FourCC("Y210"): packed(4 * wh); break;
    case FourCC("v210"): packed(128 * ((w + 47) / 48) * h); break;
    default: return false;
  }
  l.lumaStride = lumaSize / h;
  *out = l;
  return true;
}

}  // namespace ko::colour

extern "C" uint32_t KoYUVImageBytesAndOffsets(const BITMAPINFOHEADER *header,
                                              KoYUVPlaneLayout *layout) {
  if (layout) std::memset(layout, 0, sizeof(*layout));
  if (!header) return 0;
  ko::colour::YuvLayout64 l;
  if (!ko::colour::ComputeYuvLayout(header->biCompression, header->biWidth, header->biHeight, &l))
    return 0;
  // A frame whose size or any offset does not fit the 32-bit record has no
  // usable layout; report it as unknown rather than truncated.
  const uint64_t fields[] = {l.frameBytes, l.lumaStride, l.cbOffset, l.cbStride,
                             l.crOffset, l.crStride, l.alphaOffset, l.alphaStride};
  for (uint64_t f : fields)
    if (f > UINT32_MAX) return 0;
  if (layout) {
    layout->lumaStride = uint32_t(l.lumaStride);
    layout->cbOffset = uint32_t(l.cbOffset);
    layout->cbStride = uint32_t(l.cbStride);
    layout->crOffset = uint32_t(l.crOffset);
    layout->crStride = uint32_t(l.crStride);
    layout->alphaOffset = uint32_t(l.alphaOffset);
    layout->alphaStride = uint32_t(l.alphaStride);
  }
  return uint32_t(l.frameBytes);
}
