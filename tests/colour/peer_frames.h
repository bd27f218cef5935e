// The frames the converters are compared on beside their peers: an I420
// picture of a pattern, and ours of it expanded to top-down BGRA.
#pragma once

#include <cstdint>
#include <vector>

#include "colour/colour_test_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace kotest {

constexpr int kPeerW = 96, kPeerH = 32;

struct I420 {
  std::vector<uint8_t> y, u, v, all;
  explicit I420(Pattern p) {
    y = MakePlane(p, kPeerW, kPeerH, 16, 235, 1);
    u = MakePlane(p, kPeerW / 2, kPeerH / 2, 16, 240, 2);
    v = MakePlane(p, kPeerW / 2, kPeerH / 2, 16, 240, 3);
    all = y;
    all.insert(all.end(), u.begin(), u.end());
    all.insert(all.end(), v.begin(), v.end());
  }
};

// The float path with studio levels expanded, BT.601 (m 0) or BT.709 (m 1),
// into out as top-down rows (ours are bottom-up: the last memory row first,
// stepping back).
inline HRESULT ExpandedBgra(const I420 &f, int m, std::vector<uint8_t> *out) {
  out->assign(size_t(kPeerW) * kPeerH * 4, 0);
  BITMAPINFOHEADER rgb{};
  uint32_t size;
  if (HRESULT hr = KoVideo_InitBitmapInfo(&rgb, KOPT_RGBA32, kPeerW, kPeerH, nullptr, 0, &size); hr != S_OK)
    return hr;
  const BITMAPINFOHEADER yh = YuvHeader("I420", kPeerW, kPeerH);
  const KoYUVColorInfo ci{0, uint32_t(515 + m), 0, 0};
  return KoYUV_YUVToRGB(&rgb, 2.2222222222222223, out->data() + size_t(4) * kPeerW * (kPeerH - 1), -4 * kPeerW,
                        &yh, &ci, f.all.data(), nullptr, 0, 0, nullptr);
}

}  // namespace kotest
