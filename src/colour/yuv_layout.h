// Plane layouts of YUV frames, computed in 64 bits so that callers sizing a
// block can tell a frame that does not fit 32 bits from a small one.
#pragma once

#include <cstdint>

namespace ko::colour {

struct YuvLayout64 {
  uint64_t frameBytes;
  uint64_t lumaStride, cbOffset, cbStride, crOffset, crStride, alphaOffset, alphaStride;
};

// False for an unknown code or a zero height. Width and height are taken by
// magnitude (a bottom-up or top-down frame has the same planes).
bool ComputeYuvLayout(uint32_t fourcc, int32_t width, int32_t height, YuvLayout64 *out);

}  // namespace ko::colour
