/*
 * kokernel: YUV frames to and from RGB, between YUV layouts, and the fast
 * 4:2:0 and UYVY preview conversions.
 */
#ifndef KOKERNEL_KOYUV_H
#define KOKERNEL_KOYUV_H

#include "kokernel/kobase.h"
#include "kokernel/koresult.h"
#include "kokernel/kogdi.h"
#include "kokernel/koyuvlayout.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* Colour-matrix codes of the colour description record and of the 4:2:0
 * preview functions; any other value lets the frame size decide. */
#define KOYUV_MATRIX_BT601 515
#define KOYUV_MATRIX_BT709 516
#define KOYUV_MATRIX_BT2020 517
/* The UYVY preview functions number the same matrices 1, 2 and 3. */
#define KOUYVY_MATRIX_BT601 1
#define KOUYVY_MATRIX_BT709 2
#define KOUYVY_MATRIX_BT2020 3

/* Range code of KoYUVConvertParams: the YUV data are full range. */
#define KOYUV_RANGE_FULL 2

typedef struct KoYUVConvertParams {
  uint32_t unused;
  int32_t range;          /* KOYUV_RANGE_FULL: full-range YUV data */
  uint8_t reserved[24];   /* handed to the OpenCL paths unchanged */
  double gamma;           /* gamma of the YUV material; 0 means 1/0.45 */
} KoYUVConvertParams;

/* The colour description record as the converters read it: the second
 * field is the matrix code, the fourth the interlace mode (1 or 2:
 * interlaced). */
typedef struct KoYUVColorInfo {
  uint32_t unused0;
  uint32_t matrix;
  uint32_t unused2;
  uint32_t interlace;
} KoYUVColorInfo;

#ifdef __cplusplus
static_assert(sizeof(KoYUVConvertParams) == 40, "KoYUVConvertParams is 40 bytes");
#endif

KO_BEGIN_DECLS

/* ---- 4:2:0 preview: planar 8-bit 4:2:0 to 32-bit BGRA -------------------- */
/* mode 1 or 2: interlaced chroma; matrix 515/516/517 or automatic. */
#define KOYUV420_ARGS                                                              \
  int width, int height, void *dst, intptr_t dstStride, const uint8_t *y,         \
      intptr_t yStride, const uint8_t *u, intptr_t uStride, const uint8_t *v,     \
      intptr_t vStride, int mode, int matrix
KOAPI HRESULT KoYUV420ToRGBA(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_HalfHorz(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_Half_BlendFields(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_Half(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_QuarterHorz_HalfVert_BlendFields(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_Quarter_BlendFields(KOYUV420_ARGS);
KOAPI HRESULT KoYUV420ToRGBA_Quarter(KOYUV420_ARGS);

/* ---- UYVY preview: packed 4:2:2 to and from BGRA and BGR ------------------ */
/* matrix 1/2/3 or automatic; the UYVY side is packed (2 * width bytes a row). */
KOAPI HRESULT KoUYVY2RGBA(uint8_t *dst, const uint32_t *src, intptr_t dstStride, int width,
                          int height, int matrix);
KOAPI HRESULT KoUYVY2RGB(uint8_t *dst, const uint32_t *src, intptr_t dstStride, int width,
                         int height, int matrix);
KOAPI HRESULT KoRGBA2UYVY(uint8_t *dst, const uint32_t *src, intptr_t srcStride,
                          intptr_t dstStride, int width, int height, int matrix);
KOAPI HRESULT KoRGB2UYVY(uint8_t *dst, const uint8_t *src, intptr_t srcStride,
                         intptr_t dstStride, int width, int height, int matrix);

/* ---- YUV to RGB and back ------------------------------------------------------ */
KOAPI HRESULT KoYUV_YUVToRGB(BITMAPINFOHEADER *rgbHeader, double outputGamma, void *rgbBits,
                             int rgbStride, const BITMAPINFOHEADER *yuvHeader,
                             const void *colorInfo, const void *yuvBits,
                             const KoYUVPlaneLayout *yuvLayout, int reduce, unsigned reserved,
                             const KoYUVConvertParams *params);
KOAPI HRESULT KoYUV422PlanarToRGBA(int width, int height, void *dst, int dstStride,
                                   const BYTE *y, int yStride, const BYTE *cb, int cbStride,
                                   const BYTE *cr, int crStride, int matrixCode);
KOAPI HRESULT KoYUV_RGBToYUV(BITMAPINFOHEADER *yuvHeader, const void *colorInfo,
                             void *yuvBits, const KoYUVPlaneLayout *yuvLayout,
                             const BITMAPINFOHEADER *rgbHeader, double gamma,
                             const void *rgbBits, int rgbStride, int reduce, unsigned reserved,
                             bool toStudioRange);

/* ---- YUV to YUV: destination first, then source --------------------------- */
#define KOYUV2YUV_ARGS                                                               \
  const BITMAPINFOHEADER *dstHeader, BYTE *dst, const KoYUVPlaneLayout *dstLayout, \
      const BITMAPINFOHEADER *srcHeader, const BYTE *src, const KoYUVPlaneLayout *srcLayout
/* Source rectangle, right and bottom edges exclusive. */
#define KOYUV2YUV_RECT unsigned x0, unsigned y0, unsigned x1, unsigned y1

KOAPI HRESULT KoYUV_YUVToYUV(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_I420_To_YV12(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_I420_To_NV12(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_NV12_To_I420(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_NV12_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_YV12_To_I420(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_YV12_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_I420_To_I420_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
/* x1 and y1 are the width and height of the rectangle here. */
KOAPI HRESULT KoYUV_YV16_To_YUYV_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_P010_To_P010_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_P216_To_P216_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_Y210_To_Y210_SubRect(KOYUV2YUV_ARGS, KOYUV2YUV_RECT);
KOAPI HRESULT KoYUV_P010_To_I420(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_P210_To_I420(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_P410_To_I420(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_P210_To_v210(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_v210_To_P210(KOYUV2YUV_ARGS);
KOAPI HRESULT KoYUV_v210_TO_UYVY(BYTE *dst, const BYTE *src, int64_t dstStride,
                                 int64_t srcStride, uint64_t width, int64_t rows);

KO_END_DECLS

#endif /* KOKERNEL_KOYUV_H */
