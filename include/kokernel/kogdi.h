/*
 * kokernel: the few GDI records that the image families share
 * (BITMAPINFOHEADER, RGBQUAD, RECT). On Windows they come from <windows.h>;
 * elsewhere they are defined here with the same layout.
 */
#ifndef KOKERNEL_KOGDI_H
#define KOKERNEL_KOGDI_H

#include "kokernel/kobase.h"

#ifndef _WIN32
#ifndef KOKERNEL_GDI_RECORDS
#define KOKERNEL_GDI_RECORDS
typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

#ifndef BI_RGB
#define BI_RGB 0L
#define BI_BITFIELDS 3L
#endif
#endif /* KOKERNEL_GDI_RECORDS */
#endif /* !_WIN32 */

#ifdef __cplusplus
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");
static_assert(sizeof(RECT) == 16, "RECT is 16 bytes");
#endif

/* Four-character code, first character in the lowest byte. */
#define KO_FOURCC(a, b, c, d)                                             \
  ((uint32_t)(uint8_t)(a) | ((uint32_t)(uint8_t)(b) << 8) |               \
   ((uint32_t)(uint8_t)(c) << 16) | ((uint32_t)(uint8_t)(d) << 24))

#endif /* KOKERNEL_KOGDI_H */
