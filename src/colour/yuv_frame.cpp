// Plane structure and bounds of the frames the general converters read
// and write.
#include "colour/yuv_frame.h"

#include <algorithm>
#include <cstdlib>

#include "kokernel/koresult.h"

namespace ko::colour {

namespace {
const LayoutInfo kInfos[] = {
    {FourCC("I420"), Kind::Planar8, 1, 1, false},  {FourCC("IYUV"), Kind::Planar8, 1, 1, false},
    {FourCC("YV12"), Kind::Planar8, 1, 1, false},  {FourCC("Y41B"), Kind::Planar8, 2, 0, false},
    {FourCC("YV16"), Kind::Planar8, 1, 0, false},  {FourCC("YV24"), Kind::Planar8, 0, 0, false},
    {FourCC("NV12"), Kind::Semi8, 1, 1, false},    {FourCC("P010"), Kind::Semi16, 1, 1, false},
    {FourCC("P012"), Kind::Semi16, 1, 1, false},   {FourCC("PL10"), Kind::Semi16, 1, 1, false},
    {FourCC("P210"), Kind::Semi16, 1, 0, false},   {FourCC("P212"), Kind::Semi16, 1, 0, false},
    {FourCC("P216"), Kind::Semi16, 1, 0, false},   {FourCC("P410"), Kind::Planar16, 0, 0, false},
    {FourCC("P412"), Kind::Planar16, 0, 0, false}, {FourCC("A410"), Kind::Planar16, 0, 0, true},
    {FourCC("YUYV"), Kind::PackedYUYV, 1, 0, false}, {FourCC("UYVY"), Kind::PackedUYVY, 1, 0, false},
    {FourCC("Y210"), Kind::Y210, 1, 0, false},     {FourCC("v210"), Kind::V210, 1, 0, false},
};

int64_t Mag(uint32_t v) { return std::llabs(int64_t(int32_t(v))); }

// Bytes one row of each plane needs.
int64_t LumaRowBytes(const Frame &f) {
  switch (f.info->kind) {
    case Kind::Planar8:
    case Kind::Semi8: return f.w;
    case Kind::Semi16:
    case Kind::Planar16:
    case Kind::PackedYUYV:
    case Kind::PackedUYVY: return 2ll * f.w;
    case Kind::Y210: return 4ll * f.w;
    case Kind::V210: return 16ll * ((f.w + 5) / 6);
  }
  return 0;
}
int64_t ChromaRowBytes(const Frame &f) {
  switch (f.info->kind) {
    case Kind::Planar8: return f.chromaW;
    case Kind::Semi8: return 2ll * f.chromaW;
    case Kind::Semi16: return 4ll * f.chromaW;
    case Kind::Planar16: return 2ll * f.chromaW;
    default: return 0;
  }
}
bool Packed(Kind k) { return k == Kind::PackedYUYV || k == Kind::PackedUYVY || k == Kind::Y210 || k == Kind::V210; }

struct Span {
  int64_t begin, end;
};
bool Overlap(Span a, Span b) { return a.begin < b.end && b.begin < a.end; }

}  // namespace

const LayoutInfo *FindLayoutInfo(uint32_t code) {
  for (const LayoutInfo &i : kInfos)
    if (i.code == code) return &i;
  return nullptr;
}

uint64_t FrameExtent(const Frame &f) {
  auto end = [](int64_t off, int64_t stride, int rows, int64_t rowBytes) -> int64_t {
    return rows > 0 && rowBytes > 0 ? off + stride * (rows - 1) + rowBytes : 0;
  };
  int64_t e = end(0, f.lumaStride, f.h, LumaRowBytes(f));
  if (!Packed(f.info->kind)) {
    e = std::max(e, end(f.cbOffset, f.cbStride, f.chromaH, ChromaRowBytes(f)));
    if (f.info->kind != Kind::Semi8 && f.info->kind != Kind::Semi16)
      e = std::max(e, end(f.crOffset, f.crStride, f.chromaH, ChromaRowBytes(f)));
    if (f.info->alpha) e = std::max(e, end(f.alphaOffset, f.alphaStride, f.h, 2ll * f.w));
  }
  return uint64_t(e);
}

int32_t MakeFrame(const BITMAPINFOHEADER *header, const KoYUVPlaneLayout *layout, Frame *f) {
  if (!header) return E_POINTER;
  *f = Frame{};
  f->info = FindLayoutInfo(header->biCompression);
  if (!f->info) return E_FAIL;
  if (header->biWidth == 0 || header->biHeight == 0) return E_INVALIDARG;
  const int64_t w = std::llabs(int64_t(header->biWidth)), h = std::llabs(int64_t(header->biHeight));
  if (w > (1 << 16) || h > (1 << 16)) return E_INVALIDARG;
  f->w = int(w);
  f->h = int(h);
  f->chromaW = f->w >> f->info->hs;
  f->chromaH = f->h >> f->info->vs;
  KoYUVPlaneLayout own;
  if (!layout) {
    if (KoYUVImageBytesAndOffsets(header, &own) == 0) return E_INVALIDARG;
    layout = &own;
  }
  f->lumaStride = Mag(layout->lumaStride);
  f->cbOffset = Mag(layout->cbOffset);
  f->cbStride = Mag(layout->cbStride);
  f->crOffset = Mag(layout->crOffset);
  f->crStride = Mag(layout->crStride);
  f->alphaOffset = Mag(layout->alphaOffset);
  f->alphaStride = Mag(layout->alphaStride);
  if (f->lumaStride < LumaRowBytes(*f)) return E_INVALIDARG;
  const Kind k = f->info->kind;
  if (Packed(k)) return S_OK;
  const Span luma{0, f->lumaStride * f->h};
  const int64_t cRow = ChromaRowBytes(*f);
  auto plane = [&](int64_t off, int64_t stride) {
    return Span{off, f->chromaH > 0 ? off + stride * (f->chromaH - 1) + cRow : off};
  };
  if (f->cbStride < cRow || Overlap(luma, plane(f->cbOffset, f->cbStride))) return E_INVALIDARG;
  if (k == Kind::Semi8 || k == Kind::Semi16) return S_OK;
  if (f->crStride < cRow || Overlap(luma, plane(f->crOffset, f->crStride)) ||
      Overlap(plane(f->cbOffset, f->cbStride), plane(f->crOffset, f->crStride)))
    return E_INVALIDARG;
  if (f->info->alpha) {
    const Span a{f->alphaOffset, f->alphaOffset + f->alphaStride * (f->h - 1) + 2ll * f->w};
    if (f->alphaStride < 2ll * f->w || Overlap(luma, a) || Overlap(plane(f->cbOffset, f->cbStride), a) ||
        Overlap(plane(f->crOffset, f->crStride), a))
      return E_INVALIDARG;
  }
  return S_OK;
}

}  // namespace ko::colour
