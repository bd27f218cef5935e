/*
 * kokernel: the pixel-exchange engine (converter records between the direct
 * pixel types), the DIB copy built on it, the tone curve, the 8/16-bit RGBA
 * sub-rectangle converters and the inverse colour map of palettised DIBs.
 */
#ifndef KOKERNEL_KOXCHG_H
#define KOKERNEL_KOXCHG_H

#include "kokernel/kobase.h"
#include "kokernel/kodib.h"
#include "kokernel/kogdi.h"
#include "kokernel/koresult.h"

/* ---- Flags of KoXCHGGetFunctionPointers and KoDibCopy ------------------- */
#define KOXCHG_MODE_MASK 0x0000000Fu     /* quality mode 0 to 4 */
#define KOXCHG_FORCE16 0x00000010u       /* 16-bit working pixel */
#define KOXCHG_VARIANT1 0x00000020u      /* x257 widening, interpolating reads */
#define KOXCHG_FULL8 0x00000040u         /* full-precision 8-bit mixing */
#define KOXCHG_EDGE_BOTTOM 0x00001000u   /* soft edges */
#define KOXCHG_EDGE_TOP 0x00002000u
#define KOXCHG_EDGE_LEFT 0x00004000u
#define KOXCHG_EDGE_RIGHT 0x00008000u
#define KOXCHG_EDGE_MASK 0x0000F000u
#define KOXCHG_EDGE_WIDTH_SHIFT 16       /* edge width in bits 16-23 */
#define KOXCHG_SUBPIXEL 0x01000000u      /* rectangles in 1/16384 pixel */
#define KOXCHG_AREA 0x02000000u          /* scalers: area averaging */
#define KOXCHG_BICUBIC 0x04000000u       /* scalers: bicubic */
#define KOXCHG_NOEDGEMIX 0x08000000u     /* scalers: no edge mixing */

/* Working-pixel precisions. */
#define KOXCHG_PREC8 0
#define KOXCHG_PREC16 1
#define KOXCHG_PRECFLOAT 2

/* Result of KoDibCopy for unsupported types and empty rectangles. */
#define KO_E_UNSUPPORTEDMEDIATYPE KO_HR(0x8004E000u)

/* ---- Tone curve ------------------------------------------------------------ */
/* A BT.709-style power curve with a linear toe, built for an exponent. The
 * optional tables sample it at N + 1 evenly spaced inputs from 0 to 1; they
 * belong to whoever built them (never to a copy of the record). */
typedef struct KoToneCurve {
  double gamma;      /* exponent g */
  double threshold;  /* t */
  double slope;      /* s, below the threshold */
  double offset;     /* a */
  int32_t active;    /* g outside [0.999, 1.001] */
  int32_t floatCount;   /* N of floatTable (0: none) */
  float *floatTable;    /* N + 1 floats, read with linear interpolation */
  uint8_t *byteTable;   /* 4097 entries scaled by 255, or null */
  uint16_t *tenTable;   /* 16385 entries scaled by 1023, or null */
  uint16_t *twoTable;   /* 257 entries scaled by 3, or null */
} KoToneCurve;

/* ---- Converter record ------------------------------------------------------ */
typedef struct KoXchgContext KoXchgContext;
typedef void (*KoXchgFn)(KoXchgContext *record);

/* One working pixel in one of the three precisions; memory order B, G, R, A. */
typedef union KoXchgPixel {
  uint16_t w[4]; /* 16-bit: 0 to 65535 */
  uint8_t b[4];  /* 8-bit: 0 to 255 */
  float f[4];    /* float: nominal 0.0 to 1.0 */
} KoXchgPixel;

/* Parameter block of a mixing operation (the params of KoXCHGGetFunctionPointers). */
typedef struct KoXchgOpParams {
  int32_t op;          /* 0 to 19 */
  uint16_t key[3];     /* key colour B, G, R, 16-bit */
  uint16_t reserved;
  uint32_t threshold;  /* T */
  uint16_t factor;     /* F, 16-bit */
  uint16_t factor2;    /* F2, 16-bit */
  uint8_t factor8;     /* F, 8-bit */
  uint8_t factor28;    /* F2, 8-bit */
  uint16_t reserved2;
  double value;
} KoXchgOpParams;

struct KoXchgContext {
  uint32_t flags;     /* effective flags */
  int32_t srcType;
  int32_t dstType;
  /* Per-pixel functions. read/write take one pixel at the cursor into or
   * from pixel[0] and step the cursor; read4/write4 do four (pixel[0..3]).
   * The interpolating reads and the block read leave the cursor where it is
   * and use fracX, fracY and srcStride. */
  KoXchgFn read;
  KoXchgFn write;
  KoXchgFn readBilinear;  /* the plain read in variant 0 */
  KoXchgFn readBlock;     /* 2 x 2 block into pixel[0..3] */
  KoXchgFn mix;           /* pixel[0] op other[0] */
  KoXchgFn mix4;          /* pixel[0..3] op other[0..3] */
  KoXchgFn mixExtra;      /* the operation's extra form, where it has one */
  KoXchgFn mixExtra4;
  KoXchgFn read4;
  KoXchgFn write4;
  KoXchgFn readVertical;  /* interpolates between this row and the next only */
  KoXchgFn readBilinear2;
  int32_t precision;      /* KOXCHG_PREC8, KOXCHG_PREC16, KOXCHG_PRECFLOAT */
  KoXchgPixel pixel[4];   /* working pixel P (four for runs of four) */
  KoXchgPixel other[4];   /* second pixel Q */
  uint16_t key[3];        /* operation parameters */
  uint16_t reserved0;
  uint32_t threshold;
  uint16_t factor;
  uint16_t factor2;
  uint8_t factor8;
  uint8_t factor28;
  uint8_t edgeWidth;      /* (flags >> 16) & 0xFF */
  uint8_t reserved1;
  double opValue;
  const uint16_t *lut16;  /* optional L of the mixing operations: 65536 entries */
  const uint8_t *lut8;    /* or 256 in the 8-bit path */
  /* Source cursor. */
  const uint8_t *src;
  int32_t srcBit;         /* bit offset from the most significant bit, 1/2/4-bit types */
  uint32_t fracX;         /* 14-bit fractions */
  uint32_t fracY;
  int32_t srcStride;      /* bytes from one source row to the next */
  /* Destination cursor. */
  uint8_t *dst;
  int32_t dstBit;
  int32_t reserved2;
  const RGBQUAD *palette;   /* source colour table */
  const uint8_t *inverseMap; /* destination lookup, 32768 entries */
  KoToneCurve writeCurve;   /* integer data written into a float type */
  KoToneCurve readCurve;    /* a float type read */
};

/* Prepared sub-pixel copy (DibPrepareSubpixelParam): the geometry of the
 * scalers' parameter block (top rows, negated strides for bottom-up DIBs,
 * clipped rectangles in 1/16384 pixel, scales and inner steps), the two
 * types, the colour tables padded to 256 entries, and the destination's
 * inverse colour map, which DibCleanupSubpixelParam releases. */
typedef struct KoDibSubpixelJob {
  KoSubpixelParam geometry;
  int32_t dstType;
  int32_t srcType;
  RGBQUAD srcPalette[256];
  RGBQUAD dstPalette[256];
  uint8_t *inverseMap;
} KoDibSubpixelJob;

KO_BEGIN_DECLS

KOAPI HRESULT KoXCHGGetFunctionPointers(int dstType, int srcType, uint32_t flags,
                                        KoXchgContext *record, const void *params,
                                        double curveA, double curveB);

KOAPI HRESULT KoDibCopy(BITMAPINFOHEADER *dst, void *dstBits, const RECT *dstRect,
                        uint32_t dstStride, BITMAPINFOHEADER *src, void *srcBits,
                        const RECT *srcRect, uint32_t srcStride, uint32_t flags,
                        double curveA, double curveB);

KOAPI HRESULT DibPrepareSubpixelParam(KoDibSubpixelJob *job, BITMAPINFOHEADER *dst,
                                      void *dstBits, const RECT *dstRect, uint32_t dstStride,
                                      BITMAPINFOHEADER *src, void *srcBits, const RECT *srcRect,
                                      uint32_t srcStride);
KOAPI void DibCleanupSubpixelParam(KoDibSubpixelJob *job);

KOAPI HRESULT KoDibCreateColorQuantizer(uint8_t **map, const BITMAPINFOHEADER *dib);

KOAPI HRESULT KoRGB_RGBA_To_RGBA64_SubRect(const void *unused0, void *dst, uint32_t dstStride,
                                           const void *unused1, const void *src,
                                           uint32_t srcStride, int x, int y, int width,
                                           int height);
KOAPI HRESULT KoRGB_RGBA_To_B64A_SubRect(const void *unused0, void *dst, uint32_t dstStride,
                                         const void *unused1, const void *src,
                                         uint32_t srcStride, int x, int y, int width,
                                         int height);
KOAPI HRESULT KoRGB_B64A_To_RGBA64_SubRect(const void *unused0, void *dst, uint32_t dstStride,
                                           const void *unused1, const void *src,
                                           uint32_t srcStride, int x, int y, int width,
                                           int height);
KOAPI HRESULT KoRGB_RGBA64_To_B64A_SubRect(const void *unused0, void *dst, uint32_t dstStride,
                                           const void *unused1, const void *src,
                                           uint32_t srcStride, int x, int y, int width,
                                           int height);

KO_END_DECLS

#endif /* KOKERNEL_KOXCHG_H */
