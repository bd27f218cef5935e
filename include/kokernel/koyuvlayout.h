/*
 * kokernel: plane layouts of the YUV frames the library understands.
 */
#ifndef KOKERNEL_KOYUVLAYOUT_H
#define KOKERNEL_KOYUVLAYOUT_H

#include "kokernel/kobase.h"
#include "kokernel/kogdi.h"

/* Strides and offsets in bytes. The Cb fields always name the Cb plane (or
 * the interleaved CbCr plane of a semi-planar layout) and the Cr fields the
 * Cr plane, whatever their order in memory. */
typedef struct KoYUVPlaneLayout {
  uint32_t lumaStride;  /* plane 0: luma, or the single plane of a packed layout */
  uint32_t cbOffset;
  uint32_t cbStride;
  uint32_t crOffset;    /* 0 for semi-planar layouts */
  uint32_t crStride;    /* 0 for semi-planar layouts */
  uint32_t alphaOffset; /* 0 unless the layout has alpha */
  uint32_t alphaStride;
} KoYUVPlaneLayout;

#ifdef __cplusplus
static_assert(sizeof(KoYUVPlaneLayout) == 28, "KoYUVPlaneLayout is seven 32-bit fields");
#endif

/* Frame size in bytes of the layout named by header->biCompression, 0 for an
 * unknown code (layout then all zero). layout may be null. */
KO_EXTERN_C KOAPI uint32_t KoYUVImageBytesAndOffsets(const BITMAPINFOHEADER *header,
                                                     KoYUVPlaneLayout *layout);

#endif /* KOKERNEL_KOYUVLAYOUT_H */
