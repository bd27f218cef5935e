// Pixel types, bitmap headers, DIB blocks and rectangle clipping.
#include "pixels/dib.h"

#include <algorithm>
#include <cstring>

#include "colour/yuv_layout.h"
#include "kokernel/koprintf.h"
#include "kokernel/koresult.h"
#include "platform/platform.h"

namespace ko::pixels {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr uint32_t kKODB = KO_FOURCC('K', 'O', 'D', 'B');
constexpr uint32_t kKOGS = KO_FOURCC('K', 'O', 'G', 'S');

constexpr uint32_t FourCC(const char (&s)[5]) { return KO_FOURCC(s[0], s[1], s[2], s[3]); }

struct TypeInfo {
  int type;
  int bits;
  uint32_t compression;
  uint8_t channels[4];
};

// Every pixel type with a header form (33 has none and is absent).
constexpr TypeInfo kTypes[] = {
    {KOPT_INDEX1, 1, kBiRgb, {0, 0, 0, 1}},
    {KOPT_GRAY1, 1, kKOGS, {0, 0, 0, 1}},
    {KOPT_GRAY2, 2, kKOGS, {0, 0, 0, 2}},
    {KOPT_GRAY4, 4, kKOGS, {0, 0, 0, 4}},
    {KOPT_GRAY8, 8, kKOGS, {0, 0, 0, 8}},
    {KOPT_GRAY16, 16, kKOGS, {0, 0, 0, 16}},
    {KOPT_GRAYFLOAT, 32, kKOGS, {0, 0, 0, 32}},
    {KOPT_INDEX4, 4, kBiRgb, {8, 8, 8, 0}},
    {KOPT_INDEX8, 8, kBiRgb, {8, 8, 8, 0}},
    {KOPT_RGB555, 16, kBiRgb, {5, 5, 5, 1}},
    {KOPT_RGB565, 16, kBiBitfields, {5, 6, 5, 0}},
    {KOPT_RGB24, 24, kBiRgb, {8, 8, 8, 0}},
    {KOPT_RGB32, 32, kBiRgb, {8, 8, 8, 8}},
    {KOPT_RGBA32, 32, kKODB, {8, 8, 8, 8}},
    {KOPT_RGB101010, 32, kBiBitfields, {10, 10, 10, 2}},
    {KOPT_RGBA64, 64, kKODB, {16, 16, 16, 16}},
    {KOPT_RGBAFLOAT, 128, kKODB, {32, 32, 32, 32}},
    {KOPT_RGB101010B, 32, kBiBitfields, {10, 10, 10, 2}},
    {KOPT_UYVY, 16, FourCC("UYVY"), {0, 0, 0, 0}},
    {KOPT_YUYV, 16, FourCC("YUYV"), {0, 0, 0, 0}},
    {KOPT_Y41B, 12, FourCC("Y41B"), {0, 0, 0, 0}},
    {KOPT_I420, 12, FourCC("I420"), {0, 0, 0, 0}},
    {KOPT_V210, 20, FourCC("v210"), {0, 0, 0, 0}},
    {KOPT_P010, 15, FourCC("P010"), {0, 0, 0, 0}},
    {KOPT_PL10, 15, FourCC("PL10"), {0, 0, 0, 0}},
    {KOPT_P210, 20, FourCC("P210"), {0, 0, 0, 0}},
    {KOPT_P216, 20, FourCC("P216"), {0, 0, 0, 0}},
    {KOPT_Y210, 20, FourCC("Y210"), {0, 0, 0, 0}},
    {KOPT_P410, 30, FourCC("P410"), {0, 0, 0, 0}},
    {KOPT_NV12, 12, FourCC("NV12"), {0, 0, 0, 0}},
    {KOPT_YV12, 12, FourCC("YV12"), {0, 0, 0, 0}},
    {KOPT_YV16, 16, FourCC("YV16"), {0, 0, 0, 0}},
    {KOPT_A410, 46, FourCC("A410"), {0, 0, 0, 0}},
    {KOPT_P012, 18, FourCC("P012"), {0, 0, 0, 0}},
    {KOPT_P212, 24, FourCC("P212"), {0, 0, 0, 0}},
    {KOPT_P412, 36, FourCC("P412"), {0, 0, 0, 0}},
    {KOPT_YV24, 24, FourCC("YV24"), {0, 0, 0, 0}},
};

const TypeInfo *FindType(int type) {
  for (const TypeInfo &t : kTypes)
    if (t.type == type) return &t;
  return nullptr;
}

bool IsYuvType(int type) { return type >= 64; }

// Masks (red, green, blue) of the BI_BITFIELDS types.
void BitfieldMasks(int type, uint32_t masks[3]) {
  if (type == KOPT_RGB565) {
    masks[0] = 0xF800; masks[1] = 0x07E0; masks[2] = 0x001F;
  } else if (type == KOPT_RGB101010 || type == KOPT_RGB101010B) {
    masks[0] = 0x3FF00000; masks[1] = 0x000FFC00; masks[2] = 0x000003FF;
  } else {
    masks[0] = masks[1] = masks[2] = 0;
  }
}

// The header (with masks or up to 256 colour entries behind it) and its sizes.
struct BuiltHeader {
  BITMAPINFOHEADER header;
  uint32_t table[256];
  uint32_t headerBytes;  // 52, or 40 + 4 * biClrUsed
  uint64_t imageBytes;   // what biSizeImage holds, before the 32-bit check
};

// Shared filling of a header. Fails with E_INVALIDARG for an unknown type, a
// negative width or a palette of more than 256 entries, and E_OUTOFMEMORY when
// the image size does not fit the header's 32-bit size field.
HRESULT BuildHeader(BuiltHeader *b, int type, int width, int height, const RGBQUAD *palette,
                    int paletteCount) {
  std::memset(b, 0, sizeof(*b));
  const TypeInfo *t = FindType(type);
  if (!t || width < 0) return E_INVALIDARG;
  BITMAPINFOHEADER &h = b->header;
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(t->bits);
  h.biCompression = t->compression;
  const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : int64_t(height));
  if (IsYuvType(type)) {
    colour::YuvLayout64 l;
    colour::ComputeYuvLayout(t->compression, width, height, &l);
    b->imageBytes = l.frameBytes;
  } else {
    b->imageBytes = uint64_t(DibDefaultStride(t->bits, width)) * rows;
  }
  if (b->imageBytes > UINT32_MAX) return E_OUTOFMEMORY;
  h.biSizeImage = uint32_t(b->imageBytes);
  if (t->compression == kBiBitfields) {
    h.biClrUsed = 0;
    BitfieldMasks(type, b->table);
    b->headerBytes = 52;
    return S_OK;
  }
  int count = paletteCount < 0 ? 0 : paletteCount;
  if (!palette && count == 0 && t->bits <= 8) count = (1 << t->bits) - 1;
  if (count > 256) return E_INVALIDARG;
  h.biClrUsed = uint32_t(count);
  if (palette && count) std::memcpy(b->table, palette, 4 * size_t(count));
  b->headerBytes = 40 + 4 * uint32_t(count);
  return S_OK;
}

// Writes the built header and what follows it (masks, or a given palette).
void StoreHeader(const BuiltHeader &b, BITMAPINFOHEADER *dst, bool withPalette) {
  *dst = b.header;
  uint8_t *behind = reinterpret_cast<uint8_t *>(dst) + 40;
  if (b.header.biCompression == kBiBitfields)
    std::memcpy(behind, b.table, 12);
  else if (withPalette && b.header.biClrUsed)
    std::memcpy(behind, b.table, 4 * size_t(b.header.biClrUsed));
}

// Clips a to bounds, moving c's edges in proportion.
void ClipCarry(RECT &a, const RECT &bounds, RECT &c) {
  if (a.left >= bounds.left && a.top >= bounds.top && a.right <= bounds.right &&
      a.bottom <= bounds.bottom)
    return;
  if (a.left >= bounds.right || a.right <= bounds.left || a.top >= bounds.bottom ||
      a.bottom <= bounds.top) {
    a = RECT{0, 0, 0, 0};
    c = RECT{0, 0, 0, 0};
    return;
  }
  auto axis = [](LONG &lo, LONG &hi, LONG blo, LONG bhi, LONG &clo, LONG &chi) {
    const int64_t ext = int64_t(bhi) - blo;
    const int64_t cutLo = std::max<int64_t>(int64_t(blo) - lo, 0);
    const int64_t cutHi = std::max<int64_t>(int64_t(hi) - bhi, 0);
    const int64_t cext = int64_t(chi) - clo;
    clo = LONG(clo + cutLo * cext / ext);
    chi = LONG(chi - cutHi * cext / ext);
    lo = LONG(lo + cutLo);
    hi = LONG(hi - cutHi);
  };
  if (bounds.right - bounds.left > 0) axis(a.left, a.right, bounds.left, bounds.right, c.left, c.right);
  if (bounds.bottom - bounds.top != 0) axis(a.top, a.bottom, bounds.top, bounds.bottom, c.top, c.bottom);
}

}  // namespace

size_t DibPixelOffset(const BITMAPINFOHEADER *h) {
  if (h->biCompression == kBiBitfields) return 52;
  if (h->biCompression == kBiRgb && h->biClrUsed == 0 && h->biBitCount >= 1 && h->biBitCount <= 8)
    return h->biSize + (size_t(4) << h->biBitCount);
  return h->biSize + size_t(4) * h->biClrUsed;
}

HRESULT DibAllocTagText(const void *caller, KOCHAR *text, size_t capacity) {
  // The value's low 32 bits, as "%x" reads them.
  return KoCchPrintF(text, capacity, nullptr, KOTEXT("KoDA:%x"),
                     unsigned(uint32_t(reinterpret_cast<uintptr_t>(caller))));
}

}  // namespace ko::pixels

using namespace ko::pixels;

extern "C" {

uint32_t KoCountBits(uint32_t v) {
  uint32_t n = 0;
  for (; v; v &= v - 1) ++n;
  return n;
}

uint32_t KoCreateBitMask(int first, uint32_t count) {
  if (count == 0 || first < 0 || first >= 32) return 0;
  const uint64_t ones = count >= 64 ? ~uint64_t(0) : (uint64_t(1) << count) - 1;
  return uint32_t(ones << first);
}

KOPIXELTYPE KoGetPixelType(const BITMAPINFOHEADER *h) {
  if (!h) return KOPT_NONE;
  const uint32_t bits = h->biBitCount;
  switch (h->biCompression) {
    case kBiRgb:
      switch (bits) {
        case 1: return KOPT_INDEX1;
        case 4: return KOPT_INDEX4;
        case 8: return KOPT_INDEX8;
        case 16: return KOPT_RGB555;
        case 24: return KOPT_RGB24;
        case 32: return KOPT_RGB32;
        default: return KOPT_NONE;
      }
    case kBiBitfields: {
      const uint32_t *m = reinterpret_cast<const uint32_t *>(h + 1);
      const uint32_t r = KoCountBits(m[0]), g = KoCountBits(m[1]), b = KoCountBits(m[2]);
      if (bits == 16 && r == 5 && g == 5 && b == 5) return KOPT_RGB555;
      if (bits == 16 && r == 5 && g == 6 && b == 5) return KOPT_RGB565;
      if (bits == 32 && r == 8 && g == 8 && b == 8) return KOPT_RGB32;
      if (bits == 32 && r == 10 && g == 10 && b == 10) return KOPT_RGB101010;
      return KOPT_NONE;
    }
    case kKOGS:
      switch (bits) {
        case 1: return KOPT_GRAY1;
        case 2: return KOPT_GRAY2;
        case 4: return KOPT_GRAY4;
        case 8: return KOPT_GRAY8;
        case 16: return KOPT_GRAY16;
        case 32: return KOPT_GRAYFLOAT;
        default: return KOPT_NONE;
      }
    case kKODB:
      switch (bits) {
        case 24: return KOPT_RGB24;
        case 32: return KOPT_RGBA32;
        case 64: return KOPT_RGBA64;
        case 128: return KOPT_RGBAFLOAT;
        default: return KOPT_NONE;
      }
    default:
      for (const TypeInfo &t : kTypes)
        if (t.type >= 64 && t.compression == h->biCompression) return t.type;
      return KOPT_NONE;
  }
}

BOOL KoVideo_IsCompressed(const BITMAPINFOHEADER *h) {
  if (!h) return TRUE;
  const uint32_t c = h->biCompression;
  if (c != kBiRgb && c != kBiBitfields && c != kKODB && c != kKOGS) return TRUE;
  return KoGetPixelType(h) == KOPT_NONE ? TRUE : FALSE;
}

int KoGetPixelBitsPerChannel(int type, uint8_t bits[4]) {
  const TypeInfo *t = type <= KOPT_RGB101010B ? FindType(type) : nullptr;
  if (bits) {
    for (int i = 0; i < 4; ++i) bits[i] = t ? t->channels[i] : 0;
  }
  return t ? t->bits : 0;
}

int KoPixelTypeToBitAttribs(int type, uint32_t *compression, void *attribs, uint32_t attribsSize,
                            uint32_t masks[3]) {
  const TypeInfo *t = FindType(type);
  if (compression) *compression = t ? t->compression : 0;
  if (masks) BitfieldMasks(t && t->compression == kBiBitfields ? type : 0, masks);
  if (attribs) {
    if (attribsSize < sizeof(KODIBBITATTRIBS)) return 0;
    KODIBBITATTRIBS a{};
    a.size = sizeof(KODIBBITATTRIBS);
    a.greyLevels = (type >= KOPT_GRAY1 && type <= KOPT_GRAYFLOAT) ? 4096 : 0xFFFFFFFFu;
    a.reserved0 = 0;
    a.reserved1 = 0xFFFFFFFFu;
    a.low = 0.0;
    a.high = 1.0;
    std::memcpy(attribs, &a, sizeof(a));
  }
  return t ? t->bits : 0;
}

HRESULT KoVideo_InitBitmapInfo(BITMAPINFOHEADER *header, int type, int width, int height,
                               const RGBQUAD *palette, int paletteCount, uint32_t *imageSize) {
  if (imageSize) *imageSize = 0;
  if (!header) return E_INVALIDARG;
  BuiltHeader b;
  HRESULT hr = BuildHeader(&b, type, width, height, palette, paletteCount);
  if (hr < 0) return hr;
  StoreHeader(b, header, palette != nullptr);
  if (imageSize) *imageSize = b.header.biSizeImage;
  return S_OK;
}

HRESULT KoDibInfo(uint32_t *headerSize, uint32_t *imageSize, BITMAPINFOHEADER *header, int type,
                  int width, int height, const RGBQUAD *palette, int paletteCount) {
  if (imageSize) *imageSize = 0;
  if (!headerSize) return E_POINTER;
  *headerSize = 0;
  if (!header) return E_INVALIDARG;
  BuiltHeader b;
  HRESULT hr = BuildHeader(&b, type, width, height, palette, paletteCount);
  if (hr < 0) return hr;
  StoreHeader(b, header, palette != nullptr);
  *headerSize = b.headerBytes;
  if (imageSize) *imageSize = b.header.biSizeImage;
  return S_OK;
}

HRESULT KoDibAlloc(BITMAPINFOHEADER **result, int type, int width, int height,
                   const RGBQUAD *palette, int paletteCount, int flags, void *tag) {
  if (!result) return E_POINTER;
  *result = nullptr;
  BuiltHeader b;
  HRESULT hr = BuildHeader(&b, type, width, height, palette, paletteCount);
  if (hr < 0) return hr;
  // DIBs of the library are bottom-up; a negative height has no block size.
  if (height < 0) return E_OUTOFMEMORY;
  const uint64_t total = uint64_t(b.headerBytes) + b.imageBytes;
  if (total > SIZE_MAX) return E_OUTOFMEMORY;
  // The caller tag names the block in diagnostics. Without one the caller is
  // named by its return address; blocks carry no name here, so that text is
  // formed and not kept.
  if (!tag) {
    KOCHAR name[ko::pixels::kDibAllocTagChars];
    ko::pixels::DibAllocTagText(__builtin_return_address(0), name, ko::pixels::kDibAllocTagChars);
  }
  auto *dib = static_cast<BITMAPINFOHEADER *>(
      ko::platform::GlobalAllocLocked(size_t(total), (flags & 1) != 0));
  if (!dib) return E_OUTOFMEMORY;
  StoreHeader(b, dib, palette != nullptr);
  *result = dib;
  return S_OK;
}

HRESULT KoDibFree(BITMAPINFOHEADER *dib, int flags) {
  if (dib && ko::platform::GlobalOwns(dib)) ko::platform::GlobalFreeLocked(dib);
  return S_OK;
}

void KoDibPrepareRects(const BITMAPINFOHEADER *dst, RECT *dstOut, const RECT *dstRect,
                       const BITMAPINFOHEADER *src, RECT *srcOut, const RECT *srcRect,
                       RECT *srcCut) {
  if (!dst || !src || !dstOut || !srcOut) return;
  // A top-down DIB (negative height) has as many rows as its bottom-up twin.
  auto rows = [](LONG h) { return h < 0 ? LONG(-int64_t(h) > INT32_MAX ? INT32_MAX : -h) : h; };
  const RECT srcBounds{0, 0, src->biWidth, rows(src->biHeight)};
  const RECT dstBounds{0, 0, dst->biWidth, rows(dst->biHeight)};
  *srcOut = srcRect ? *srcRect : srcBounds;
  *dstOut = dstRect ? *dstRect : dstBounds;
  const RECT before = *srcOut;
  ClipCarry(*srcOut, srcBounds, *dstOut);
  ClipCarry(*dstOut, dstBounds, *srcOut);
  if (srcCut) {
    *srcCut = RECT{srcOut->left - before.left, srcOut->top - before.top,
                   before.right - srcOut->right, before.bottom - srcOut->bottom};
  }
  if (!srcRect) {
    *srcOut = srcBounds;
    if (srcCut) *srcCut = RECT{0, 0, 0, 0};
  }
  if (!dstRect) *dstOut = dstBounds;
}

void KoDib_Initialize(void) {}
void KoVideoDSP_ForceExternRef(void) {}

HRESULT KoVideo_GetFormatText(uint32_t compression, KOCHAR *text, int textSize) {
  const char *name = nullptr;
  switch (compression) {
    case kBiRgb: name = "RGB"; break;
    case kBiBitfields: name = "RGB (bitfields)"; break;
    case kKODB: name = "RGBA"; break;
    case kKOGS: name = "Grayscale"; break;
  }
  if (!text) return S_OK;
  if (name) {
    if (textSize < 1) return S_OK;
    int i = 0;
    for (; name[i] && i < textSize - 1; ++i) text[i] = KOCHAR(name[i]);
    text[i] = 0;
    return S_OK;
  }
  // The four characters and a terminator, cut to the capacity given.
  if (textSize < 1) return S_OK;
  int i = 0;
  for (; i < 4 && i < textSize - 1; ++i) {
    const uint8_t c = uint8_t(compression >> (8 * i));
    text[i] = (c >= 0x20 && c <= 0x7E) ? KOCHAR(c) : KOCHAR('.');
  }
  text[i] = 0;
  return S_OK;
}

// "%dx%dx%d" of width, height and bit count, truncated to the capacity.
HRESULT KoVideo_GetAttribsText(const BITMAPINFOHEADER *h, KOCHAR *text, uint32_t textSize) {
  if (!text || textSize == 0) return S_OK;
  if (!h) {
    text[0] = 0;
    return S_OK;
  }
  // A cut text is still a success here.
  KoCchPrintF(text, textSize, nullptr, KOTEXT("%dx%dx%d"), int(h->biWidth), int(h->biHeight),
              int(h->biBitCount));
  return S_OK;
}

HRESULT KoVideo_GetAttribsTextEx(const BITMAPINFOHEADER *h, const void *, KOCHAR *text,
                                 uint32_t textSize) {
  return KoVideo_GetAttribsText(h, text, textSize);
}

void KoVideo_PaletteRGBAFromEntry(void *dst, const void *src, int count) {
  if (!dst || !src) return;
  auto *d = static_cast<uint8_t *>(dst);
  auto *s = static_cast<const uint8_t *>(src);
  for (int i = 0; i < count; ++i, d += 4, s += 4) {
    const uint8_t a = s[0], b = s[1], c = s[2];
    d[0] = c; d[1] = b; d[2] = a; d[3] = 0;
  }
}

void KoVideo_PaletteEntryFromRGBA(void *dst, const void *src, int count) {
  KoVideo_PaletteRGBAFromEntry(dst, src, count);
}

}  // extern "C"
