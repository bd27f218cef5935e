// Frames between YUV layouts: plane copies, interleaving and the 10-bit
// repacks. Every access stays inside both frames as their headers and
// layouts describe them.
#include <algorithm>
#include <cstring>

#include "colour/yuv_frame.h"
#include "frame/parallel.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace ko::colour {

namespace {

inline uint16_t Word(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
inline void PutWord(uint8_t *p, unsigned v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline uint32_t Dword(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutDword(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Both frames, read as the layout the function works on whatever code
// their headers carry.
struct Pair {
  Frame d, s;
  uint8_t *dst;
  const uint8_t *src;
};

HRESULT Open(const BITMAPINFOHEADER *dh, BYTE *dst, const KoYUVPlaneLayout *dl, const BITMAPINFOHEADER *sh,
             const BYTE *src, const KoYUVPlaneLayout *sl, uint32_t dcode, uint32_t scode, Pair *p) {
  if (!dh || !dst || !dl || !sh || !src || !sl) return E_POINTER;
  BITMAPINFOHEADER a = *dh, b = *sh;
  a.biCompression = dcode;
  b.biCompression = scode;
  if (HRESULT hr = MakeFrame(&a, dl, &p->d); hr != S_OK) return hr;
  if (HRESULT hr = MakeFrame(&b, sl, &p->s); hr != S_OK) return hr;
  p->dst = dst;
  p->src = src;
  return S_OK;
}

// The source rectangle, clipped to what the destination holds. False when
// nothing is to be done; hr says whether that is an error.
struct Rect {
  int x0, y0, x1, y1;
};
bool Clip(const Pair &p, unsigned x0, unsigned y0, unsigned x1, unsigned y1, Rect *r, HRESULT *hr) {
  *hr = S_OK;
  if (x0 >= x1 || y0 >= y1) return false;
  if (x1 > unsigned(p.s.w) || y1 > unsigned(p.s.h)) {
    *hr = E_INVALIDARG;
    return false;
  }
  r->x0 = int(x0);
  r->y0 = int(y0);
  r->x1 = std::min(int(x1), int(x0) + p.d.w);
  r->y1 = std::min(int(y1), int(y0) + p.d.h);
  return true;
}

// Rows of one plane: `rows` rows of `bytes` bytes from (srcOff + srcStride
// * first + start) to (dstOff + dstStride * k).
void CopyRows(uint8_t *dst, int64_t dOff, int64_t dStride, const uint8_t *src, int64_t sOff,
              int64_t sStride, int first, int rows, int64_t start, int64_t bytes) {
  if (bytes <= 0) return;
  ko::frame::ParallelFor(rows, [&](int k) {
    std::memcpy(dst + dOff + dStride * k, src + sOff + sStride * (first + k) + start, size_t(bytes));
  });
}

// Luma and chroma of planar or semi-planar layouts with the same sample
// structure on both sides; sb bytes a sample, cb bytes a chroma column.
void CopyPlanes(const Pair &p, const Rect &r, int sb, int cb, bool twoChroma) {
  CopyRows(p.dst, 0, p.d.lumaStride, p.src, 0, p.s.lumaStride, r.y0, r.y1 - r.y0, int64_t(r.x0) * sb,
           int64_t(r.x1 - r.x0) * sb);
  const int vs = p.s.info->vs, hs = p.s.info->hs;
  const int c0 = r.y0 >> vs, c1 = std::min({(r.y1 + vs) >> vs, p.s.chromaH, c0 + p.d.chromaH});
  const int x0 = r.x0 >> hs, x1 = std::min({(r.x1 + hs) >> hs, p.s.chromaW, x0 + p.d.chromaW});
  if (c1 <= c0 || x1 <= x0) return;
  CopyRows(p.dst, p.d.cbOffset, p.d.cbStride, p.src, p.s.cbOffset, p.s.cbStride, c0, c1 - c0,
           int64_t(x0) * cb, int64_t(x1 - x0) * cb);
  if (twoChroma)
    CopyRows(p.dst, p.d.crOffset, p.d.crStride, p.src, p.s.crOffset, p.s.crStride, c0, c1 - c0,
             int64_t(x0) * cb, int64_t(x1 - x0) * cb);
}

HRESULT Planar420(KOYUV2YUV_ARGS, KOYUV2YUV_RECT, uint32_t dcode, uint32_t scode) {
  Pair p;
  if (HRESULT hr = Open(dstHeader, dst, dstLayout, srcHeader, src, srcLayout, dcode, scode, &p); hr != S_OK)
    return hr;
  Rect r;
  HRESULT hr;
  if (!Clip(p, x0, y0, x1, y1, &r, &hr)) return hr;
  CopyPlanes(p, r, 1, 1, true);
  return S_OK;
}

HRESULT Nv12ToI420(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  Pair p;
  if (HRESULT hr = Open(dstHeader, dst, dstLayout, srcHeader, src, srcLayout, FourCC("I420"), FourCC("NV12"), &p);
      hr != S_OK)
    return hr;
  Rect r;
  HRESULT hr;
  if (!Clip(p, x0, y0, x1, y1, &r, &hr)) return hr;
  CopyRows(p.dst, 0, p.d.lumaStride, p.src, 0, p.s.lumaStride, r.y0, r.y1 - r.y0, r.x0, r.x1 - r.x0);
  const int c0 = r.y0 / 2, c1 = std::min({(r.y1 + 1) / 2, p.s.chromaH, c0 + p.d.chromaH});
  const int k0 = r.x0 / 2, k1 = std::min({(r.x1 + 1) / 2, p.s.chromaW, k0 + p.d.chromaW});
  ko::frame::ParallelFor(std::max(0, c1 - c0), [&](int k) {
    const uint8_t *s = p.src + p.s.cbOffset + p.s.cbStride * (c0 + k);
    uint8_t *u = p.dst + p.d.cbOffset + p.d.cbStride * k, *v = p.dst + p.d.crOffset + p.d.crStride * k;
    for (int c = k0; c < k1; ++c) {
      u[c - k0] = s[2 * c];
      v[c - k0] = s[2 * c + 1];
    }
  });
  return S_OK;
}

// Same-structure copies of the wide layouts.
HRESULT Wide(KOYUV2YUV_ARGS, KOYUV2YUV_RECT, uint32_t code) {
  Pair p;
  if (HRESULT hr = Open(dstHeader, dst, dstLayout, srcHeader, src, srcLayout, code, code, &p); hr != S_OK)
    return hr;
  Rect r;
  HRESULT hr;
  if (!Clip(p, x0, y0, x1, y1, &r, &hr)) return hr;
  if (p.s.info->kind == Kind::Y210) {
    // Whole pixel pairs: a Y210 pair is eight bytes.
    const int a = r.x0 & ~1, b = std::min(r.x1 + (r.x1 & 1), std::min(p.s.w, a + p.d.w)) & ~1;
    const int64_t last = std::min<int64_t>(int64_t(b) * 4, int64_t(p.s.w) * 4);
    CopyRows(p.dst, 0, p.d.lumaStride, p.src, 0, p.s.lumaStride, r.y0, r.y1 - r.y0, int64_t(a) * 4,
             std::min<int64_t>(last - int64_t(a) * 4, int64_t(p.d.w) * 4));
    return S_OK;
  }
  CopyPlanes(p, r, 2, 4, false);
  return S_OK;
}

}  // namespace

}  // namespace ko::colour

using namespace ko::colour;

#define KO_FWD dstHeader, dst, dstLayout, srcHeader, src, srcLayout
#define KO_WHOLE 0u, 0u, srcHeader ? unsigned(std::abs(srcHeader->biWidth)) : 0u, \
                 srcHeader ? unsigned(std::abs(srcHeader->biHeight)) : 0u

KO_EXTERN_C HRESULT KoYUV_I420_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Planar420(KO_FWD, x0, y0, x1, y1, FourCC("I420"), FourCC("I420"));
}
KO_EXTERN_C HRESULT KoYUV_YV12_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Planar420(KO_FWD, x0, y0, x1, y1, FourCC("I420"), FourCC("YV12"));
}
KO_EXTERN_C HRESULT KoYUV_YV12_To_I420(KOYUV2YUV_ARGS) {
  return KoYUV_YV12_To_I420_SubRect(KO_FWD, KO_WHOLE);
}
KO_EXTERN_C HRESULT KoYUV_I420_To_YV12(KOYUV2YUV_ARGS) {
  return Planar420(KO_FWD, KO_WHOLE, FourCC("YV12"), FourCC("I420"));
}
KO_EXTERN_C HRESULT KoYUV_NV12_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Nv12ToI420(KO_FWD, x0, y0, x1, y1);
}
KO_EXTERN_C HRESULT KoYUV_NV12_To_I420(KOYUV2YUV_ARGS) { return Nv12ToI420(KO_FWD, KO_WHOLE); }

KO_EXTERN_C HRESULT KoYUV_I420_To_NV12(KOYUV2YUV_ARGS) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("NV12"), FourCC("I420"), &p); hr != S_OK) return hr;
  Rect r;
  HRESULT hr;
  if (!Clip(p, KO_WHOLE, &r, &hr)) return hr;
  CopyRows(p.dst, 0, p.d.lumaStride, p.src, 0, p.s.lumaStride, 0, r.y1, 0, r.x1);
  const int rows = std::min(p.s.chromaH, p.d.chromaH), cols = std::min(p.s.chromaW, p.d.chromaW);
  ko::frame::ParallelFor(rows, [&](int k) {
    const uint8_t *u = p.src + p.s.cbOffset + p.s.cbStride * k, *v = p.src + p.s.crOffset + p.s.crStride * k;
    uint8_t *d = p.dst + p.d.cbOffset + p.d.cbStride * k;
    for (int c = 0; c < cols; ++c) {
      d[2 * c] = u[c];
      d[2 * c + 1] = v[c];
    }
  });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV_YV16_To_YUYV_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("YUYV"), FourCC("YV16"), &p); hr != S_OK) return hr;
  // x1 and y1 are the width and height here.
  const int64_t pairs = std::min<int64_t>(x1 / 2, p.d.w / 2), rows = std::min<int64_t>(y1, p.d.h);
  if (pairs <= 0 || rows <= 0) return S_OK;
  if (int64_t(x0) + 2 * pairs > p.s.w || int64_t(y0) + rows > p.s.h) return E_INVALIDARG;
  const int cx = int(x0 / 2);
  if (cx + pairs > p.s.chromaW) return E_INVALIDARG;
  ko::frame::ParallelFor(int(rows), [&](int k) {
    const int64_t r = int64_t(y0) + k;
    const uint8_t *y = p.src + p.s.lumaStride * r + x0;
    const uint8_t *u = p.src + p.s.cbOffset + p.s.cbStride * r + cx;
    const uint8_t *v = p.src + p.s.crOffset + p.s.crStride * r + cx;
    uint8_t *d = p.dst + p.d.lumaStride * k;
    for (int64_t i = 0; i < pairs; ++i) {
      d[4 * i] = y[2 * i];
      d[4 * i + 1] = u[i];
      d[4 * i + 2] = y[2 * i + 1];
      d[4 * i + 3] = v[i];
    }
  });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV_P010_To_P010_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Wide(KO_FWD, x0, y0, x1, y1, FourCC("P010"));
}
KO_EXTERN_C HRESULT KoYUV_P216_To_P216_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Wide(KO_FWD, x0, y0, x1, y1, FourCC("P216"));
}
KO_EXTERN_C HRESULT KoYUV_Y210_To_Y210_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT) {
  return Wide(KO_FWD, x0, y0, x1, y1, FourCC("Y210"));
}

// ---- 16-bit layouts to 8-bit I420: the high byte of every sample ------------

namespace {

HRESULT WideToI420(KOYUV2YUV_ARGS, uint32_t scode) {
  if (!dstHeader || !dst || !srcHeader || !src || !srcLayout) return E_POINTER;
  Pair p;
  // The destination is packed from its header's size, whatever its layout.
  BITMAPINFOHEADER dh = *dstHeader;
  dh.biCompression = FourCC("I420");
  KoYUVPlaneLayout packed;
  if (KoYUVImageBytesAndOffsets(&dh, &packed) == 0) return E_INVALIDARG;
  if (HRESULT hr = Open(&dh, dst, &packed, srcHeader, src, srcLayout, FourCC("I420"), scode, &p); hr != S_OK)
    return hr;
  if (p.d.w != p.s.w || p.d.h != p.s.h) return E_INVALIDARG;
  const Frame &s = p.s, &d = p.d;
  ko::frame::ParallelFor(s.h, [&](int r) {
    const uint8_t *y = p.src + s.lumaStride * r;
    uint8_t *o = p.dst + d.lumaStride * r;
    for (int x = 0; x < s.w; ++x) o[x] = y[2 * x + 1];
  });
  const int rows = d.chromaH, cols = d.chromaW;
  const Kind k = s.info->kind;
  ko::frame::ParallelFor(rows, [&](int r) {
    uint8_t *u = p.dst + d.cbOffset + d.cbStride * r, *v = p.dst + d.crOffset + d.crStride * r;
    if (k == Kind::Semi16) {
      // 4:2:0 reads its chroma rows in turn, 4:2:2 every second one.
      const int sr = std::min(s.info->vs ? r : 2 * r, s.chromaH - 1);
      const uint8_t *c = p.src + s.cbOffset + s.cbStride * sr;
      for (int x = 0; x < std::min(cols, s.chromaW); ++x) {
        u[x] = c[4 * x + 1];
        v[x] = c[4 * x + 3];
      }
    } else {
      const uint8_t *cb = p.src + s.cbOffset + s.cbStride * (2 * r);
      const uint8_t *cr = p.src + s.crOffset + s.crStride * (2 * r);
      for (int x = 0; x < cols; ++x) {
        u[x] = cb[4 * x + 1];
        v[x] = cr[4 * x + 1];
      }
    }
  });
  return S_OK;
}

// v210 sample positions of a group of six pixels, in stream order
// Cb0 Y0 Cr0 Y1 Cb2 Y2 Cr2 Y3 Cb4 Y4 Cr4 Y5: word i / 3, field i % 3.
inline uint32_t V210Get(const uint8_t *group, int i) { return Dword(group + 4 * (i / 3)) >> (10 * (i % 3)) & 0x3FF; }

}  // namespace

KO_EXTERN_C HRESULT KoYUV_P010_To_I420(KOYUV2YUV_ARGS) { return WideToI420(KO_FWD, FourCC("P010")); }
KO_EXTERN_C HRESULT KoYUV_P210_To_I420(KOYUV2YUV_ARGS) { return WideToI420(KO_FWD, FourCC("P210")); }
KO_EXTERN_C HRESULT KoYUV_P410_To_I420(KOYUV2YUV_ARGS) { return WideToI420(KO_FWD, FourCC("P410")); }

KO_EXTERN_C HRESULT KoYUV_P210_To_v210(KOYUV2YUV_ARGS) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("v210"), FourCC("P210"), &p); hr != S_OK) return hr;
  const int w = std::min(p.s.w, p.d.w) & ~1, h = std::min(p.s.h, p.d.h);
  ko::frame::ParallelFor(h, [&](int r) {
    const uint8_t *y = p.src + p.s.lumaStride * r, *c = p.src + p.s.cbOffset + p.s.cbStride * r;
    uint8_t *o = p.dst + p.d.lumaStride * r;
    for (int g = 0; 6 * g < w; ++g) {
      uint32_t s[12] = {};
      for (int pair = 0; pair < 3 && 6 * g + 2 * pair < w; ++pair) {
        const int x = 6 * g + 2 * pair;
        s[4 * pair] = Word(c + 2 * x) >> 6;
        s[4 * pair + 1] = Word(y + 2 * x) >> 6;
        s[4 * pair + 2] = Word(c + 2 * x + 2) >> 6;
        s[4 * pair + 3] = Word(y + 2 * x + 2) >> 6;
      }
      // A short last group packs what it has, zeros after.
      for (int i = 0; i < 4; ++i) PutDword(o + 16 * g + 4 * i, s[3 * i] | s[3 * i + 1] << 10 | s[3 * i + 2] << 20);
    }
  });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV_v210_To_P210(KOYUV2YUV_ARGS) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("P210"), FourCC("v210"), &p); hr != S_OK) return hr;
  const int w = std::min(p.s.w, p.d.w) & ~1, h = std::min(p.s.h, p.d.h);
  ko::frame::ParallelFor(h, [&](int r) {
    const uint8_t *s = p.src + p.s.lumaStride * r;
    uint8_t *y = p.dst + p.d.lumaStride * r, *c = p.dst + p.d.cbOffset + p.d.cbStride * r;
    for (int x = 0; x < w; x += 2) {
      const uint8_t *g = s + 16 * (x / 6);
      const int base = 4 * ((x % 6) / 2);
      PutWord(c + 2 * x, V210Get(g, base) << 6);
      PutWord(y + 2 * x, V210Get(g, base + 1) << 6);
      PutWord(c + 2 * x + 2, V210Get(g, base + 2) << 6);
      PutWord(y + 2 * x + 2, V210Get(g, base + 3) << 6);
    }
  });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV_v210_TO_UYVY(BYTE *dst, const BYTE *src, int64_t dstStride, int64_t srcStride,
                                      uint64_t width, int64_t rows) {
  if (!dst || !src) return E_POINTER;
  if (dstStride < 1 || srcStride < 1 || width == 0 || width % 2 || rows <= 0 || width > (1u << 20) ||
      uint64_t(dstStride) < 2 * width || uint64_t(srcStride) < (width * 8 + 5) / 6)
    return E_INVALIDARG;
  // A source row must also hold every word its last pixel pair is read from.
  const uint64_t last = width - 2;
  if (uint64_t(srcStride) < 16 * (last / 6) + 4 * ((4 * ((last % 6) / 2) + 3) / 3 + 1)) return E_INVALIDARG;
  ko::frame::ParallelFor(rows, [&](int64_t r) {
    const uint8_t *s = src + srcStride * r;
    uint8_t *d = dst + dstStride * r;
    for (uint64_t x = 0; x < width; x += 2) {
      const uint8_t *g = s + 16 * (x / 6);
      const int base = int(4 * ((x % 6) / 2));
      for (int i = 0; i < 4; ++i) d[2 * x + i] = uint8_t(V210Get(g, base + i) >> 2);
    }
  });
  return S_OK;
}

// ---- Dispatch ---------------------------------------------------------------------

namespace {

HRESULT I420ToUyvy(KOYUV2YUV_ARGS) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("UYVY"), FourCC("I420"), &p); hr != S_OK) return hr;
  const int w = std::min(p.s.w, p.d.w), h = std::min(p.s.h, p.d.h);
  ko::frame::ParallelFor(h, [&](int r) {
    const uint8_t *y = p.src + p.s.lumaStride * r;
    const int k = std::min(r / 2, p.s.chromaH - 1);
    uint8_t *d = p.dst + p.d.lumaStride * r;
    for (int x = 0; x < w; ++x) {
      const int c = std::min(x / 2, p.s.chromaW - 1);
      const uint8_t *plane = x % 2 == 0 ? p.src + p.s.cbOffset + p.s.cbStride * k
                                        : p.src + p.s.crOffset + p.s.crStride * k;
      d[2 * x] = c >= 0 && k >= 0 ? plane[c] : 128;
      d[2 * x + 1] = y[x];
    }
  });
  return S_OK;
}

// 4:1:1 to 4:2:0: each chroma sample is the mean of the two rows it spans.
HRESULT Y41bToI420(KOYUV2YUV_ARGS) {
  Pair p;
  if (HRESULT hr = Open(KO_FWD, FourCC("I420"), FourCC("Y41B"), &p); hr != S_OK) return hr;
  if (p.d.w != p.s.w || p.d.h != p.s.h) return E_INVALIDARG;
  CopyRows(p.dst, 0, p.d.lumaStride, p.src, 0, p.s.lumaStride, 0, p.s.h, 0, p.s.w);
  if (p.s.chromaW == 0) return S_OK;
  ko::frame::ParallelFor(p.d.chromaH, [&](int k) {
    const int r0 = 2 * k, r1 = std::min(2 * k + 1, p.s.chromaH - 1);
    for (int plane = 0; plane < 2; ++plane) {
      const int64_t so = plane ? p.s.crOffset : p.s.cbOffset, ss = plane ? p.s.crStride : p.s.cbStride;
      const int64_t d0 = plane ? p.d.crOffset : p.d.cbOffset, ds = plane ? p.d.crStride : p.d.cbStride;
      const uint8_t *a = p.src + so + ss * r0, *b = p.src + so + ss * r1;
      uint8_t *o = p.dst + d0 + ds * k;
      for (int c = 0; c < p.d.chromaW; ++c) {
        const int sc = std::min(c / 2, p.s.chromaW - 1);
        o[c] = uint8_t((a[sc] + b[sc] + 1) / 2);
      }
    }
  });
  return S_OK;
}

}  // namespace

KO_EXTERN_C HRESULT KoYUV_YUVToYUV(KOYUV2YUV_ARGS) {
  if (!dstHeader || !srcHeader) return E_POINTER;
  const uint32_t s = srcHeader->biCompression, d = dstHeader->biCompression;
  const bool srcI420 = s == FourCC("I420") || s == FourCC("IYUV");
  const bool dstI420 = d == FourCC("I420") || d == FourCC("IYUV");
  if (srcI420 && d == FourCC("YV12")) return KoYUV_I420_To_YV12(KO_FWD);
  if (srcI420 && d == FourCC("NV12")) return KoYUV_I420_To_NV12(KO_FWD);
  if (srcI420 && d == FourCC("UYVY")) return I420ToUyvy(KO_FWD);
  if (s == FourCC("NV12") && dstI420) return KoYUV_NV12_To_I420(KO_FWD);
  if (s == FourCC("YV12") && dstI420) return KoYUV_YV12_To_I420(KO_FWD);
  if (s == FourCC("Y41B") && dstI420) return Y41bToI420(KO_FWD);
  return S_OK;
}
