/* The pixel headers compile as C; record sizes as C sees them. */
#include "kokernel/kokernel.h"

size_t ko_c_sizeof_bitmapinfoheader(void) { return sizeof(BITMAPINFOHEADER); }
size_t ko_c_sizeof_yuvlayout(void) { return sizeof(KoYUVPlaneLayout); }
size_t ko_c_sizeof_bitattribs(void) { return sizeof(KODIBBITATTRIBS); }
size_t ko_c_sizeof_subpixelparam(void) { return sizeof(KoSubpixelParam); }
size_t ko_c_sizeof_dibpixel(void) { return sizeof(KODIBPIXEL); }
