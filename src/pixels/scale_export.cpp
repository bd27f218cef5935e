// The exported scalers: whole-pixel and sub-pixel rectangles, the parameter
// block they are prepared into, and the 1:1 copy.
#include <algorithm>
#include <cstring>

#include "kokernel/koresult.h"
#include "pixels/scale.h"

using namespace ko::pixels::scale;

namespace {

constexpr int64_t kUnit = 16384;
constexpr int64_t kMaxFixed = INT32_MAX;
constexpr int64_t kMinDst = 1024;

struct R64 {
  int64_t l, t, r, b;
};

R64 Intersect(const R64 &a, const R64 &b) {
  return {std::max(a.l, b.l), std::max(a.t, b.t), std::min(a.r, b.r), std::min(a.b, b.b)};
}

HRESULT Scale(bool bicubic, bool subPixel, void *dst, const uint32_t dstSize[2], int dstStride,
              const RECT *dstRect, const void *src, const uint32_t srcSize[2], int srcStride,
              const RECT *srcRect, uint32_t bpp, uint32_t areaMode, uint32_t noEdgeMix) {
  if (!dst || !src || !dstSize || !srcSize) return E_POINTER;
  if (bpp != 4 && bpp != 16) return E_INVALIDARG;
  RECT d, s;
  const RECT *pd = dstRect, *ps = srcRect;
  if (!subPixel) {
    // Whole pixels: scale the rectangles into 1/16384 units, refusing those
    // that the fixed-point rectangle can't hold.
    auto up = [](const RECT *r, RECT &out) {
      const int64_t v[4] = {r->left, r->top, r->right, r->bottom};
      for (int64_t x : v)
        if (x * kUnit > kMaxFixed || x * kUnit < -kMaxFixed - 1) return false;
      out = RECT{LONG(r->left * kUnit), LONG(r->top * kUnit), LONG(r->right * kUnit),
                 LONG(r->bottom * kUnit)};
      return true;
    };
    if (dstRect) {
      if (!up(dstRect, d)) return S_OK;
      pd = &d;
    }
    if (srcRect) {
      if (!up(srcRect, s)) return S_OK;
      ps = &s;
    }
  }
  KoSubpixelParam p;
  if (!KoPrepareSubpixelParam(&p, dst, dstSize, uint32_t(dstStride), pd, src, srcSize,
                              uint32_t(srcStride), ps))
    return S_OK;
  if (!subPixel && p.scaleX == kUnit && p.scaleY == kUnit) {
    // 1:1 in whole pixels: plain row copies.
    const int64_t dl = p.dstRect.left >> 14, dt = p.dstRect.top >> 14;
    const int64_t sl = p.srcRect.left >> 14, st = p.srcRect.top >> 14;
    const int64_t w = (int64_t(p.dstRect.right) - p.dstRect.left + kUnit - 1) >> 14;
    const int64_t h = (int64_t(p.dstRect.bottom) - p.dstRect.top + kUnit - 1) >> 14;
    for (int64_t y = 0; y < h; ++y)
      std::memmove(static_cast<uint8_t *>(dst) + (dt + y) * dstStride + dl * bpp,
                   static_cast<const uint8_t *>(src) + (st + y) * srcStride + sl * bpp,
                   size_t(w * bpp));
    return S_OK;
  }
  Options o;
  o.bicubic = bicubic;
  o.bytesPerPixel = bpp;
  o.areaMode = areaMode != 0;
  o.noEdgeMix = noEdgeMix != 0;
  Run(p, o);
  return S_OK;
}

}  // namespace

extern "C" {

int KoPrepareSubpixelParam(KoSubpixelParam *param, void *dst, const uint32_t dstSize[2],
                           uint32_t dstStride, const RECT *dstRect, const void *src,
                           const uint32_t srcSize[2], uint32_t srcStride, const RECT *srcRect) {
  if (!param || !dstSize || !srcSize) return 0;
  std::memset(param, 0, sizeof(*param));
  param->dst = dst;
  param->src = src;
  param->dstSize[0] = dstSize[0];
  param->dstSize[1] = dstSize[1];
  param->srcSize[0] = srcSize[0];
  param->srcSize[1] = srcSize[1];
  param->dstStride = int32_t(dstStride);
  param->srcStride = int32_t(srcStride);
  // Images whose extent in 1/16384 units does not fit a rectangle are refused.
  for (uint32_t v : {dstSize[0], dstSize[1], srcSize[0], srcSize[1]})
    if (int64_t(v) * kUnit > kMaxFixed) return 0;
  const R64 dImg{0, 0, int64_t(dstSize[0]) * kUnit, int64_t(dstSize[1]) * kUnit};
  const R64 sImg{0, 0, int64_t(srcSize[0]) * kUnit, int64_t(srcSize[1]) * kUnit};
  const R64 dRect = dstRect ? R64{dstRect->left, dstRect->top, dstRect->right, dstRect->bottom} : dImg;
  R64 sRect = srcRect ? R64{srcRect->left, srcRect->top, srcRect->right, srcRect->bottom} : sImg;
  sRect = Intersect(sRect, sImg);
  if (sRect.r - sRect.l < kUnit || sRect.b - sRect.t < kUnit) return 0;
  if (dRect.r - dRect.l < kMinDst || dRect.b - dRect.t < kMinDst) return 0;
  const int64_t scaleX = int64_t(double(sRect.r - sRect.l) * 16384.0 / double(dRect.r - dRect.l));
  const int64_t scaleY = int64_t(double(sRect.b - sRect.t) * 16384.0 / double(dRect.b - dRect.t));
  if (scaleX <= 0 || scaleY <= 0) return 0;
  R64 dClip = Intersect(dRect, dImg);
  if (dClip.r - dClip.l < kMinDst || dClip.b - dClip.t < kMinDst) return 0;
  // Map the clipped destination onto the source, clip, and map back so that
  // both rectangles cover the same area.
  auto toSrc = [](int64_t d, int64_t d0, int64_t s0, int64_t scale) {
    return s0 + int64_t((__int128)(d - d0) * scale / kUnit);
  };
  auto toDst = [](int64_t s, int64_t s0, int64_t d0, int64_t scale) {
    return d0 + int64_t((__int128)(s - s0) * kUnit / scale);
  };
  // Only edges that the clipping moved are mapped, so that unclipped
  // rectangles keep their exact extents.
  R64 sMap = sRect;
  if (dClip.l != dRect.l) sMap.l = toSrc(dClip.l, dRect.l, sRect.l, scaleX);
  if (dClip.t != dRect.t) sMap.t = toSrc(dClip.t, dRect.t, sRect.t, scaleY);
  if (dClip.r != dRect.r) sMap.r = toSrc(dClip.r, dRect.l, sRect.l, scaleX);
  if (dClip.b != dRect.b) sMap.b = toSrc(dClip.b, dRect.t, sRect.t, scaleY);
  sMap = Intersect(sMap, sRect);
  R64 dMap = dClip;
  if (sMap.l != sRect.l) dMap.l = toDst(sMap.l, sRect.l, dRect.l, scaleX);
  if (sMap.t != sRect.t) dMap.t = toDst(sMap.t, sRect.t, dRect.t, scaleY);
  if (sMap.r != sRect.r) dMap.r = toDst(sMap.r, sRect.l, dRect.l, scaleX);
  if (sMap.b != sRect.b) dMap.b = toDst(sMap.b, sRect.t, dRect.t, scaleY);
  dMap = Intersect(dMap, dClip);
  if (dMap.r - dMap.l < kMinDst || dMap.b - dMap.t < kMinDst) return 0;
  if (sMap.r - sMap.l < 1 || sMap.b - sMap.t < 1) return 0;
  param->dstRect = RECT{LONG(dMap.l), LONG(dMap.t), LONG(dMap.r), LONG(dMap.b)};
  param->srcRect = RECT{LONG(sMap.l), LONG(sMap.t), LONG(sMap.r), LONG(sMap.b)};
  param->scaleX = scaleX;
  param->scaleY = scaleY;
  auto step = [](int64_t sExt, int64_t dExt) -> int64_t {
    if (dExt < 2 * kUnit) return 0;
    const int64_t st = (sExt - kUnit) * kUnit / (dExt - kUnit);
    return st < 1 ? 0 : st;
  };
  param->stepX = step(sMap.r - sMap.l, dMap.r - dMap.l);
  param->stepY = step(sMap.b - sMap.t, dMap.b - dMap.t);
  return 1;
}

HRESULT KoDibScale_Bilinear(void *dst, const uint32_t dstSize[2], int dstStride,
                            const RECT *dstRect, const void *src, const uint32_t srcSize[2],
                            int srcStride, const RECT *srcRect, uint32_t bytesPerPixel,
                            uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(false, false, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BilinearSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                    const RECT *dstRect, const void *src,
                                    const uint32_t srcSize[2], int srcStride, const RECT *srcRect,
                                    uint32_t bytesPerPixel, uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(false, true, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BiCubic(void *dst, const uint32_t dstSize[2], int dstStride,
                           const RECT *dstRect, const void *src, const uint32_t srcSize[2],
                           int srcStride, const RECT *srcRect, uint32_t bytesPerPixel,
                           uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(true, false, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

HRESULT KoDibScale_BiCubicSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                   const RECT *dstRect, const void *src,
                                   const uint32_t srcSize[2], int srcStride, const RECT *srcRect,
                                   uint32_t bytesPerPixel, uint32_t areaMode, uint32_t noEdgeMix) {
  return Scale(true, true, dst, dstSize, dstStride, dstRect, src, srcSize, srcStride, srcRect,
               bytesPerPixel, areaMode, noEdgeMix);
}

}  // extern "C"
