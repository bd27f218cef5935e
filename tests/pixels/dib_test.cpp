// Pixel types, headers, DIB blocks, rectangle clipping and YUV plane layouts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kotest_text_util.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuvlayout.h"
#include "pixels/dib.h"

namespace {

using kotest::U8;

uint32_t FourCC(const char *s) { return KO_FOURCC(s[0], s[1], s[2], s[3]); }

BITMAPINFOHEADER Header(uint32_t compression, int w, int h, int bits = 0) {
  BITMAPINFOHEADER b{};
  b.biSize = 40;
  b.biWidth = w;
  b.biHeight = h;
  b.biPlanes = 1;
  b.biBitCount = WORD(bits);
  b.biCompression = compression;
  return b;
}

// ---- YUV layouts -----------------------------------------------------------------

struct LayoutCase {
  const char *code;
  uint32_t size, luma, cbOff, cbStride, crOff, crStride, aOff, aStride;
};

TEST(YuvLayout, EveryCodeOddSizesUnknownCodesAndOverflow) {
  const uint32_t Y = 1920 * 1080;  // 2073600
  const LayoutCase cases[] = {
      {"I420", Y * 3 / 2, 1920, Y, 960, Y + Y / 4, 960, 0, 0}, {"YV12", Y * 3 / 2, 1920, Y + Y / 4, 960, Y, 960, 0, 0},
      {"Y41B", Y * 3 / 2, 1920, Y, 480, Y + Y / 4, 480, 0, 0}, {"YV16", 2 * Y, 1920, Y + Y / 2, 960, Y, 960, 0, 0},
      {"YV24", 3 * Y, 1920, 2 * Y, 1920, Y, 1920, 0, 0},     {"NV12", Y * 3 / 2, 1920, Y, 1920, 0, 0, 0, 0},
      {"P010", 3 * Y, 3840, 2 * Y, 3840, 0, 0, 0, 0}, {"PL10", 3 * Y, 3840, 2 * Y, 3840, 0, 0, 0, 0},
      {"P210", 4 * Y, 3840, 2 * Y, 3840, 0, 0, 0, 0}, {"P216", 4 * Y, 3840, 2 * Y, 3840, 0, 0, 0, 0},
      {"P410", 6 * Y, 3840, 2 * Y, 3840, 4 * Y, 3840, 0, 0},
      {"A410", 8 * Y, 3840, 2 * Y, 3840, 4 * Y, 3840, 6 * Y, 3840},
      {"YUYV", 2 * Y, 3840, 0, 0, 0, 0, 0, 0}, {"Y210", 4 * Y, 7680, 0, 0, 0, 0, 0, 0},
      {"v210", 5120 * 1080, 5120, 0, 0, 0, 0, 0, 0},
  };
  for (const LayoutCase &c : cases) {
    BITMAPINFOHEADER h = Header(FourCC(c.code), 1920, 1080);
    KoYUVPlaneLayout l;
    std::memset(&l, 0xCD, sizeof(l));
    const uint32_t size = KoYUVImageBytesAndOffsets(&h, &l);
    const std::vector<uint32_t> got = {size, l.lumaStride, l.cbOffset, l.cbStride,
                                       l.crOffset, l.crStride, l.alphaOffset, l.alphaStride};
    EXPECT_EQ(got, (std::vector<uint32_t>{c.size, c.luma, c.cbOff, c.cbStride, c.crOff,
                                          c.crStride, c.aOff, c.aStride}))
        << c.code;
    EXPECT_EQ(KoYUVImageBytesAndOffsets(&h, nullptr), c.size) << c.code;
  }
  // Odd sizes: halves round towards zero, v210 rows pad to 48 pixels.
  BITMAPINFOHEADER h = Header(FourCC("I420"), 5, 3);
  KoYUVPlaneLayout l;
  EXPECT_EQ(KoYUVImageBytesAndOffsets(&h, &l), 15u + 2 * 3);
  EXPECT_EQ(l.cbStride, 2u);
  h = Header(FourCC("v210"), 49, 2);
  EXPECT_EQ(KoYUVImageBytesAndOffsets(&h, &l), 2u * 256);
  // A top-down header has the same planes.
  h = Header(FourCC("NV12"), 64, -32);
  EXPECT_EQ(KoYUVImageBytesAndOffsets(&h, &l), 64u * 32 * 3 / 2);
  EXPECT_EQ(l.lumaStride, 64u);
  // Unknown code, zero height: size 0, layout all zero.
  for (BITMAPINFOHEADER bad : {Header(FourCC("ABCD"), 64, 64), Header(FourCC("I420"), 64, 0),
                               Header(FourCC("A410"), 40000, 40000)}) {
    std::memset(&l, 0xCD, sizeof(l));
    EXPECT_EQ(KoYUVImageBytesAndOffsets(&bad, &l), 0u);
    const KoYUVPlaneLayout zero{};
    EXPECT_EQ(std::memcmp(&l, &zero, sizeof(l)), 0);
  }
}

// ---- Classification ------------------------------------------------------------

TEST(PixelType, Classification) {
  struct {
    uint32_t compression;
    int bits;
    int type;
  } cases[] = {
      {0, 1, 16}, {0, 4, 23}, {0, 8, 24}, {0, 16, 25}, {0, 24, 27}, {0, 32, 28}, {0, 2, 0},
      {KO_BI_KOGS, 1, 17}, {KO_BI_KOGS, 8, 20}, {KO_BI_KOGS, 32, 22}, {KO_BI_KOGS, 24, 0},
      {KO_BI_KODB, 24, 27}, {KO_BI_KODB, 32, 29}, {KO_BI_KODB, 64, 31}, {KO_BI_KODB, 128, 32},
      {KO_BI_KODB, 16, 0}, {FourCC("UYVY"), 0, 64}, {FourCC("YV24"), 99, 85},
      {FourCC("P412"), 0, 84}, {FourCC("A410"), 0, 78}, {FourCC("XXXX"), 32, 0},
  };
  for (const auto &c : cases) {
    BITMAPINFOHEADER h = Header(c.compression, 4, 4, c.bits);
    EXPECT_EQ(KoGetPixelType(&h), c.type) << std::hex << c.compression << std::dec << " " << c.bits;
  }
}

// ---- Headers and blocks -----------------------------------------------------------

TEST(DibHeader, StridesSizesAndSizesThatDoNotFit) {
  BITMAPINFOHEADER h;
  uint32_t size = 1;
  ASSERT_EQ(KoVideo_InitBitmapInfo(&h, KOPT_RGB24, 1, 3, nullptr, 0, &size), S_OK);
  EXPECT_EQ(size, 12u);  // stride 4
  ASSERT_EQ(KoVideo_InitBitmapInfo(&h, KOPT_INDEX1, 33, 2, nullptr, 0, &size), S_OK);
  EXPECT_EQ(size, 16u);  // stride 8
  EXPECT_EQ(h.biClrUsed, 1u);
  ASSERT_EQ(KoVideo_InitBitmapInfo(&h, KOPT_I420, 1920, 1080, nullptr, 0, &size), S_OK);
  EXPECT_EQ((std::vector<uint32_t>{size, h.biBitCount, h.biCompression}), (std::vector<uint32_t>{3110400, 12, FourCC("I420")}));
  // "KODB" 24-bit writes back as BI_RGB.
  ASSERT_EQ(KoVideo_InitBitmapInfo(&h, KOPT_RGB24, 8, 8, nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(KoVideo_InitBitmapInfo(&h, 33, 8, 8, nullptr, 0, &size), E_INVALIDARG);
  EXPECT_EQ(size, 0u);
  // 65536 x 65536 x 32 bits is 16 GiB: it must not wrap to a small size.
  EXPECT_LT(KoVideo_InitBitmapInfo(&h, KOPT_RGB32, 65536, 65536, nullptr, 0, &size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_LT(KoVideo_InitBitmapInfo(&h, KOPT_RGBAFLOAT, 0x7FFFFFFF, 1, nullptr, 0, &size), 0);
  EXPECT_LT(KoVideo_InitBitmapInfo(&h, KOPT_RGB32, -4, 4, nullptr, 0, &size), 0);
  EXPECT_LT(KoVideo_InitBitmapInfo(&h, KOPT_A410, 40000, 40000, nullptr, 0, &size), 0);
  BITMAPINFOHEADER *dib = reinterpret_cast<BITMAPINFOHEADER *>(1);
  EXPECT_EQ(KoDibAlloc(&dib, KOPT_RGB32, 65536, 65536, nullptr, 0, 0, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(dib, nullptr);
}

TEST(DibHeader, PaletteAndBitfields) {
  struct {
    BITMAPINFOHEADER h;
    uint32_t table[256];
  } b;
  std::memset(&b, 0xEE, sizeof(b));
  uint32_t headerSize = 0, size = 0;
  RGBQUAD pal[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  using U = std::vector<uint32_t>;
  ASSERT_EQ(KoDibInfo(&headerSize, &size, &b.h, KOPT_RGB565, 3, 2, pal, 3), S_OK);
  // The palette is ignored with bit fields.
  EXPECT_EQ((U{headerSize, b.h.biClrUsed, b.table[0], b.table[1], b.table[3], size}),
            (U{52, 0, 0xF800, 0x07E0, 0xEEEEEEEE, 16}));
  ASSERT_EQ(KoDibInfo(&headerSize, nullptr, &b.h, KOPT_INDEX8, 3, 2, pal, 3), S_OK);
  EXPECT_EQ((U{headerSize, b.h.biClrUsed}), (U{52, 3}));
  EXPECT_EQ(std::memcmp(b.table, pal, 12), 0);
  ASSERT_EQ(KoDibInfo(&headerSize, nullptr, &b.h, KOPT_GRAY4, 3, 2, nullptr, 0), S_OK);
  EXPECT_EQ((U{headerSize, b.h.biClrUsed}), (U{40 + 60, 15}));  // grey types reserve a table too
  ASSERT_EQ(KoDibInfo(&headerSize, nullptr, &b.h, KOPT_INDEX8, 3, 2, nullptr, -5), S_OK);
  EXPECT_EQ(b.h.biClrUsed, 255u);
}

TEST(DibBlock, AllocFreeAndPixelStart) {
  BITMAPINFOHEADER *dib = nullptr;
  ASSERT_EQ(KoDibAlloc(&dib, KOPT_INDEX8, 7, 3, nullptr, 0, 1, nullptr), S_OK);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->biClrUsed, 255u);
  EXPECT_EQ(ko::pixels::DibPixelOffset(dib), 40u + 1020);
  const uint8_t *pix = ko::pixels::DibPixels(dib);
  for (int i = 0; i < 8 * 3; ++i) EXPECT_EQ(pix[i], 0) << i;  // zero-filled
  // The same header with no colour count, written elsewhere: 256 entries.
  BITMAPINFOHEADER other = *dib;
  other.biClrUsed = 0;
  EXPECT_EQ(ko::pixels::DibPixelOffset(&other), 40u + 1024);
  other.biCompression = 3;
  other.biSize = 124;
  EXPECT_EQ(ko::pixels::DibPixelOffset(&other), 52u);
  EXPECT_EQ(KoDibFree(dib, 0), S_OK);

  ASSERT_EQ(KoDibAlloc(&dib, KOPT_RGBAFLOAT, 3, 2, nullptr, 0, 0, nullptr), S_OK);
  EXPECT_EQ(ko::pixels::DibPixelOffset(dib), 40u);
  std::memset(ko::pixels::DibPixels(dib), 0x5A, 3 * 2 * 16);  // the whole image is ours
  EXPECT_EQ(KoDibFree(dib, 0), S_OK);
  // Foreign and null pointers are left alone.
  uint8_t foreign[64] = {};
  EXPECT_EQ(KoDibFree(reinterpret_cast<BITMAPINFOHEADER *>(foreign), 0), S_OK);
  EXPECT_EQ(KoDibAlloc(&dib, 40, 3, 2, nullptr, 0, 0, nullptr), E_INVALIDARG);
  std::vector<RGBQUAD> big(300);
  EXPECT_EQ(KoDibAlloc(&dib, KOPT_INDEX8, 3, 2, big.data(), 300, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(dib, nullptr);
}

// ---- Rectangles ---------------------------------------------------------------------

TEST(DibRects, Clipping) {
  BITMAPINFOHEADER src = Header(0, 100, 50, 32), dst = Header(0, 200, 100, 32);
  RECT so, dout, cut;
  // Source sticking out left by 10 of 50 (bounds extent 100): destination
  // edge moves in by 10 * 200 / 100.
  RECT sr{-10, 0, 40, 50}, dr{0, 0, 200, 100};
  using L = std::vector<LONG>;
  KoDibPrepareRects(&dst, &dout, &dr, &src, &so, &sr, &cut);
  EXPECT_EQ((L{so.left, dout.left, cut.left, cut.right}), (L{0, 20, 10, 0}));
  // Entirely outside: both empty.
  sr = RECT{150, 0, 160, 10};
  KoDibPrepareRects(&dst, &dout, &dr, &src, &so, &sr, &cut);
  EXPECT_EQ((L{so.right, dout.right, dout.bottom}), (L{0, 0, 0}));
  // Touching the image's left edge from outside: nothing of it is inside.
  sr = RECT{-10, 0, 0, 10};
  KoDibPrepareRects(&dst, &dout, &dr, &src, &so, &sr, &cut);
  EXPECT_EQ(dout.right, 0);
  // No rectangles: whole images, zero cut.
  KoDibPrepareRects(&dst, &dout, nullptr, &src, &so, nullptr, &cut);
  EXPECT_EQ((L{so.right, dout.bottom, cut.top}), (L{100, 100, 0}));
  // Destination sticking out at the bottom carries the cut to the source.
  dr = RECT{0, 50, 200, 150};
  sr = RECT{0, 0, 100, 50};
  KoDibPrepareRects(&dst, &dout, &dr, &src, &so, &sr, nullptr);
  EXPECT_EQ((L{dout.bottom, so.bottom}), (L{100, 25}));  // 50 cut of 100 (destination bounds) x 50
  // A top-down source clips like its bottom-up twin.
  BITMAPINFOHEADER topDown = Header(0, 100, -50, 32);
  sr = RECT{0, 40, 100, 60};
  dr = RECT{0, 0, 100, 20};
  KoDibPrepareRects(&dst, &dout, &dr, &topDown, &so, &sr, &cut);
  EXPECT_EQ((L{so.bottom, dout.bottom, cut.bottom}), (L{50, 16, 10}));  // 10 cut x 20 / 50 (the bounds' extent)
}

// ---- Text and palettes ----------------------------------------------------------------

// The C library's narrow formatting: an expectation that does not
// go through the library's formatter.
std::string CFormat(const char *format, long a, long b = 0, long c = 0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

TEST(DibText, AttribsTextMatchesTheCFormatter) {
  const int cases[][3] = {{1920, 1080, 32}, {1, -1, 1}, {0, 0, 0}, {INT_MAX, INT_MIN, 65535},
                          {-7, 123456789, 128}};
  for (const auto &v : cases) {
    BITMAPINFOHEADER h = Header(0, v[0], v[1], v[2]);
    const std::string want = CFormat("%ldx%ldx%ld", v[0], v[1], v[2]);
    KOCHAR t[64];
    ASSERT_EQ(KoVideo_GetAttribsText(&h, t, 64), S_OK);
    EXPECT_EQ(U8(t), want);
    // Every capacity keeps the first capacity - 1 characters.
    for (uint32_t cap = 1; cap <= want.size() + 1; ++cap) {
      std::vector<KOCHAR> small(cap + 1, KOCHAR('#'));
      ASSERT_EQ(KoVideo_GetAttribsTextEx(&h, &h, small.data(), cap), S_OK);
      EXPECT_EQ(U8(small.data()), want.substr(0, cap - 1)) << "capacity " << cap;
      EXPECT_EQ(small[cap], KOCHAR('#')) << "capacity " << cap;
    }
  }
}

TEST(DibAlloc, UntaggedCallerIsNamedByAddress) {
  const uintptr_t values[] = {0, 0x1F, 0x7FFDEADBEEF0, 0x1234ABCD, 0xFFFFFFFF};
  for (uintptr_t v : values) {
    KOCHAR t[ko::pixels::kDibAllocTagChars];
    ASSERT_EQ(ko::pixels::DibAllocTagText(reinterpret_cast<const void *>(v), t,
                                          ko::pixels::kDibAllocTagChars),
              S_OK);
    EXPECT_EQ(U8(t), CFormat("KoDA:%lx", long(uint32_t(v))));
  }
  // A cut name is reported, and never overruns.
  KOCHAR t[6] = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(ko::pixels::DibAllocTagText(reinterpret_cast<const void *>(uintptr_t(0xABC)), t, 5),
            KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(U8(t), "KoDA");
  EXPECT_EQ(t[5], 1);
}

}  // namespace

extern "C" size_t ko_c_sizeof_bitmapinfoheader(void);
extern "C" size_t ko_c_sizeof_yuvlayout(void);
extern "C" size_t ko_c_sizeof_bitattribs(void);
extern "C" size_t ko_c_sizeof_subpixelparam(void);
extern "C" size_t ko_c_sizeof_dibpixel(void);

TEST(PixelRecords, SameSizesFromCAndCxx) {
  EXPECT_EQ(ko_c_sizeof_bitmapinfoheader(), 40u);
  EXPECT_EQ(ko_c_sizeof_yuvlayout(), 28u);
  EXPECT_EQ(ko_c_sizeof_bitattribs(), 64u);
  EXPECT_EQ(ko_c_sizeof_dibpixel(), 16u);
  EXPECT_EQ(ko_c_sizeof_subpixelparam(), sizeof(KoSubpixelParam));
}
