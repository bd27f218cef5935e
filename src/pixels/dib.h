// Internal helpers of the DIB record shared by the image families.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kokernel/kodib.h"

namespace ko::pixels {

// Bytes from the start of the header to the pixel rows when no pixel
// pointer is given.
size_t DibPixelOffset(const BITMAPINFOHEADER *header);

// Default stride: rows padded to 32 bits. 64-bit so huge widths are seen.
inline int64_t DibDefaultStride(int64_t bitCount, int64_t width) {
  return ((bitCount * width + 31) / 8) & ~int64_t(3);
}

// The pixel rows of a DIB.
inline uint8_t *DibPixels(BITMAPINFOHEADER *header) {
  return reinterpret_cast<uint8_t *>(header) + DibPixelOffset(header);
}

// The diagnostic name of a DIB block whose caller gave no tag: "KoDA:%x"
// with the caller's address (its low 32 bits), through the formatter.
constexpr size_t kDibAllocTagChars = 16;
HRESULT DibAllocTagText(const void *caller, KOCHAR *text, size_t capacity);

}  // namespace ko::pixels
