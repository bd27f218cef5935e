/*
 * kokernel: pixel types, DIB records and their allocation, rectangle
 * clipping, and the scalers that resample BGRA rectangles.
 */
#ifndef KOKERNEL_KODIB_H
#define KOKERNEL_KODIB_H

#include "kokernel/kobase.h"
#include "kokernel/kogdi.h"

/* ---- Pixel types ---------------------------------------------------------- */
typedef int32_t KOPIXELTYPE;
enum {
  KOPT_NONE = 0,
  KOPT_INDEX1 = 16,
  KOPT_GRAY1 = 17,
  KOPT_GRAY2 = 18,
  KOPT_GRAY4 = 19,
  KOPT_GRAY8 = 20,
  KOPT_GRAY16 = 21,
  KOPT_GRAYFLOAT = 22,
  KOPT_INDEX4 = 23,
  KOPT_INDEX8 = 24,
  KOPT_RGB555 = 25,
  KOPT_RGB565 = 26,
  KOPT_RGB24 = 27,
  KOPT_RGB32 = 28,
  KOPT_RGBA32 = 29,
  KOPT_RGB101010 = 30,
  KOPT_RGBA64 = 31,
  KOPT_RGBAFLOAT = 32,
  KOPT_RGB10A2 = 33,
  KOPT_RGB101010B = 34,
  KOPT_UYVY = 64,
  KOPT_YUYV = 65,
  KOPT_Y41B = 66,
  KOPT_I420 = 67,
  KOPT_V210 = 68,
  KOPT_P010 = 69,
  KOPT_PL10 = 70,
  KOPT_P210 = 71,
  KOPT_P216 = 72,
  KOPT_Y210 = 73,
  KOPT_P410 = 74,
  KOPT_NV12 = 75,
  KOPT_YV12 = 76,
  KOPT_YV16 = 77,
  KOPT_A410 = 78,
  KOPT_P012 = 82,
  KOPT_P212 = 83,
  KOPT_P412 = 84,
  KOPT_YV24 = 85
};

/* The library's own compression codes. */
#define KO_BI_KODB KO_FOURCC('K', 'O', 'D', 'B') /* direct RGB/RGBA */
#define KO_BI_KOGS KO_FOURCC('K', 'O', 'G', 'S') /* greyscale */

/* A colour handed to or from the library: blue, green, red, alpha, 0.0 to 1.0. */
typedef struct KODIBPIXEL {
  float blue, green, red, alpha;
} KODIBPIXEL;

/* The record KoPixelTypeToBitAttribs fills (64 bytes). */
typedef struct KODIBBITATTRIBS {
  uint32_t size;      /* 64 */
  uint32_t greyLevels; /* 4096 for the grey types, 0xFFFFFFFF otherwise */
  uint32_t reserved0;  /* 0 */
  uint32_t reserved1;  /* 0xFFFFFFFF */
  double low;          /* 0.0 */
  double high;         /* 1.0 */
  uint8_t reserved2[32]; /* zero */
} KODIBBITATTRIBS;

/* Rectangles of the sub-pixel functions are in 1/16384 pixel. */
#define KO_SUBPIXEL_ONE 16384

/* Prepared geometry of a sub-pixel resampling (rectangles in 1/16384 pixel). */
typedef struct KoSubpixelParam {
  void *dst;
  const void *src;
  uint32_t dstSize[2];
  uint32_t srcSize[2];
  int32_t dstStride;
  int32_t srcStride;
  RECT dstRect;     /* clipped destination, 1/16384 */
  RECT srcRect;     /* clipped source covering the same area, 1/16384 */
  int64_t scaleX;   /* source extent * 16384 / destination extent */
  int64_t scaleY;
  int64_t stepX;    /* inner step between destination pixel positions */
  int64_t stepY;
} KoSubpixelParam;

#ifdef __cplusplus
static_assert(sizeof(KODIBPIXEL) == 16, "KODIBPIXEL is four floats");
static_assert(sizeof(KODIBBITATTRIBS) == 64, "bit-attribute record is 64 bytes");
#endif

KO_BEGIN_DECLS

/* ---- Classification ------------------------------------------------------- */
KOAPI KOPIXELTYPE KoGetPixelType(const BITMAPINFOHEADER *header);
KOAPI BOOL KoVideo_IsCompressed(const BITMAPINFOHEADER *header);
KOAPI int KoGetPixelBitsPerChannel(int type, uint8_t bits[4]);
KOAPI int KoPixelTypeToBitAttribs(int type, uint32_t *compression, void *attribs,
                                  uint32_t attribsSize, uint32_t masks[3]);
KOAPI uint32_t KoCountBits(uint32_t v);
KOAPI uint32_t KoCreateBitMask(int first, uint32_t count);

/* ---- Headers and blocks --------------------------------------------------- */
KOAPI HRESULT KoVideo_InitBitmapInfo(BITMAPINFOHEADER *header, int type, int width, int height,
                                     const RGBQUAD *palette, int paletteCount,
                                     uint32_t *imageSize);
KOAPI HRESULT KoDibInfo(uint32_t *headerSize, uint32_t *imageSize, BITMAPINFOHEADER *header,
                        int type, int width, int height, const RGBQUAD *palette,
                        int paletteCount);
KOAPI HRESULT KoDibAlloc(BITMAPINFOHEADER **result, int type, int width, int height,
                         const RGBQUAD *palette, int paletteCount, int flags, void *tag);
KOAPI HRESULT KoDibFree(BITMAPINFOHEADER *dib, int flags);
KOAPI void KoDibPrepareRects(const BITMAPINFOHEADER *dst, RECT *dstOut, const RECT *dstRect,
                             const BITMAPINFOHEADER *src, RECT *srcOut, const RECT *srcRect,
                             RECT *srcCut);
KOAPI void KoDib_Initialize(void);
KOAPI void KoVideoDSP_ForceExternRef(void);

/* ---- Text and palettes ---------------------------------------------------- */
KOAPI HRESULT KoVideo_GetFormatText(uint32_t compression, KOCHAR *text, int textSize);
KOAPI HRESULT KoVideo_GetAttribsText(const BITMAPINFOHEADER *header, KOCHAR *text,
                                     uint32_t textSize);
KOAPI HRESULT KoVideo_GetAttribsTextEx(const BITMAPINFOHEADER *header, const void *unused,
                                       KOCHAR *text, uint32_t textSize);
KOAPI void KoVideo_PaletteRGBAFromEntry(void *dst, const void *src, int count);
KOAPI void KoVideo_PaletteEntryFromRGBA(void *dst, const void *src, int count);

/* ---- Scaling -------------------------------------------------------------- */
KOAPI int KoPrepareSubpixelParam(KoSubpixelParam *param, void *dst, const uint32_t dstSize[2],
                                 uint32_t dstStride, const RECT *dstRect, const void *src,
                                 const uint32_t srcSize[2], uint32_t srcStride,
                                 const RECT *srcRect);
KOAPI HRESULT KoDibScale_Bilinear(void *dst, const uint32_t dstSize[2], int dstStride,
                                  const RECT *dstRect, const void *src,
                                  const uint32_t srcSize[2], int srcStride, const RECT *srcRect,
                                  uint32_t bytesPerPixel, uint32_t areaMode, uint32_t noEdgeMix);
KOAPI HRESULT KoDibScale_BilinearSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                          const RECT *dstRect, const void *src,
                                          const uint32_t srcSize[2], int srcStride,
                                          const RECT *srcRect, uint32_t bytesPerPixel,
                                          uint32_t areaMode, uint32_t noEdgeMix);
KOAPI HRESULT KoDibScale_BiCubic(void *dst, const uint32_t dstSize[2], int dstStride,
                                 const RECT *dstRect, const void *src, const uint32_t srcSize[2],
                                 int srcStride, const RECT *srcRect, uint32_t bytesPerPixel,
                                 uint32_t areaMode, uint32_t noEdgeMix);
KOAPI HRESULT KoDibScale_BiCubicSubPixel(void *dst, const uint32_t dstSize[2], int dstStride,
                                         const RECT *dstRect, const void *src,
                                         const uint32_t srcSize[2], int srcStride,
                                         const RECT *srcRect, uint32_t bytesPerPixel,
                                         uint32_t areaMode, uint32_t noEdgeMix);

KO_END_DECLS

#endif /* KOKERNEL_KODIB_H */
