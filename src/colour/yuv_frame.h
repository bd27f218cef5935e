// A YUV frame as the general converters see it: the layout's plane
// structure with every stride and offset taken by magnitude, checked
// against the header's size before any pixel moves.
#pragma once

#include <cstdint>

#include "kokernel/kogdi.h"
#include "kokernel/koyuvlayout.h"

namespace ko::colour {

enum class Kind { Planar8, Semi8, Semi16, Planar16, PackedYUYV, PackedUYVY, Y210, V210 };

struct LayoutInfo {
  uint32_t code;
  Kind kind;
  int hs, vs;  // chroma subsampling shifts
  bool alpha;
};

// Null for a code the general converters do not know.
const LayoutInfo *FindLayoutInfo(uint32_t code);

struct Frame {
  const LayoutInfo *info;
  int w, h;
  int64_t lumaStride, cbOffset, cbStride, crOffset, crStride, alphaOffset, alphaStride;
  int chromaW, chromaH;  // chroma samples a row and chroma rows
};

// Fills f from the header and the caller's layout (or the header's own
// when layout is null). E_FAIL for an unknown code, E_INVALIDARG when a
// stride cannot hold a row or the planes overlap, else S_OK.
int32_t MakeFrame(const BITMAPINFOHEADER *header, const KoYUVPlaneLayout *layout, Frame *f);

// Bytes from the frame's start to the end of its last plane row.
uint64_t FrameExtent(const Frame &f);

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

}  // namespace ko::colour
