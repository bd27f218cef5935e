/*
 * kokernel: whole-image operations on DIBs: fill, flip, red/blue swap,
 * single-pixel access, fading toward a colour, interlaced fields and
 * palette selection by box covering.
 */
#ifndef KOKERNEL_KODIBOPS_H
#define KOKERNEL_KODIBOPS_H

#include "kokernel/kobase.h"
#include "kokernel/koresult.h"
#include "kokernel/kogdi.h"
#include "kokernel/kodib.h"

/* Rectangles of the fill, fade and interlace functions are in 1/16384 pixel. */
#define KODIB_SUBPIXEL_RECT 0x1000000u

/* Field selectors: field 1 is the even image rows (0, 2, ...) counted from the
 * top, field 0 the odd rows. */
#define KODIB_FIELD_ODD_ROWS 0
#define KODIB_FIELD_EVEN_ROWS 1

KO_BEGIN_DECLS

/* ---- Fill ----------------------------------------------------------------- */
KOAPI HRESULT KoDibSet(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                       float red, float green, float blue, float alpha, uint32_t flags);
KOAPI HRESULT KoDibFillRect(BITMAPINFOHEADER *dib, void *bits, const RECT *rect,
                            uint32_t stride, const KODIBPIXEL *colour, uint32_t flags);
/* Reserved: always E_NOTIMPL. */
KOAPI HRESULT KoDibFillRectChannel(BITMAPINFOHEADER *dib, void *bits, const RECT *rect,
                                   uint32_t stride, int channel, float value,
                                   uint32_t flags);

/* ---- Flip and channel order ------------------------------------------------ */
KOAPI HRESULT KoDibFlip(BITMAPINFOHEADER *dib, void *bits, const RECT *rect, uint32_t stride,
                        uint32_t horizontal, uint32_t vertical);
KOAPI HRESULT KoDibSwapRB(BITMAPINFOHEADER *dib, void *bits, const RECT *rect,
                          uint32_t stride);

/* ---- Single pixels: four 16-bit channels blue, green, red, alpha ------------ */
KOAPI HRESULT KoDibGetPixel(const BITMAPINFOHEADER *dib, const void *bits, uint32_t stride,
                            int x, int y, uint64_t *pixel);
KOAPI HRESULT KoDibSetPixel(BITMAPINFOHEADER *dib, void *bits, uint32_t stride, int x, int y,
                            const uint64_t *pixel);

/* ---- Fade ------------------------------------------------------------------ */
KOAPI HRESULT KoDibFadeToColor(BITMAPINFOHEADER *dib, void *bits, const RECT *rect,
                               uint32_t stride, const KODIBPIXEL *colour, float amount,
                               int keepAlpha, uint32_t flags);

/* ---- Interlaced fields ----------------------------------------------------- */
KOAPI HRESULT KoDibCopyInterlace(BITMAPINFOHEADER *dst, void *dstBits, const RECT *dstRect,
                                 uint32_t dstStride, BITMAPINFOHEADER *src, void *srcBits,
                                 const RECT *srcRect, uint32_t srcStride, int field,
                                 uint32_t flags);
KOAPI HRESULT KoDibMergeFields(BITMAPINFOHEADER *dst, void *dstBits, uint32_t dstStride,
                               const BITMAPINFOHEADER *src, const void *srcBits,
                               int srcStride, int field);
KOAPI HRESULT KoDibMergeFieldsRotated(BITMAPINFOHEADER *dst, void *dstBits,
                                      uint32_t dstStride, const BITMAPINFOHEADER *src,
                                      const void *srcBits, int srcStride, int field);

/* ---- Palette selection ----------------------------------------------------- */
KOAPI HRESULT KoDibQuantizePalette(BITMAPINFOHEADER *target, const BITMAPINFOHEADER *src,
                                   const void *srcBits, const RECT *rect, int srcStride,
                                   uint32_t flags);

KO_END_DECLS

#endif /* KOKERNEL_KODIBOPS_H */
