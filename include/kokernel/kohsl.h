/*
 * kokernel: single colours between RGB and hue-saturation-lightness, and
 * the broadcast-safe checks of composite video amplitude.
 */
#ifndef KOKERNEL_KOHSL_H
#define KOKERNEL_KOHSL_H

#include "kokernel/kobase.h"
#include "kokernel/kodib.h"

typedef struct KORGBA {
  uint8_t b, g, r, a;
} KORGBA;

typedef struct KORGBAFLOAT {
  float b, g, r, a;
} KORGBAFLOAT;

/* h is a fraction of the circle (red 0, green 1/3, blue 2/3); s, l, a 0..1. */
typedef struct KOHSL {
  double h, s, l, a;
} KOHSL;

KO_BEGIN_DECLS

KOAPI void KORGBA_To_KOHSL(KOHSL *out, const KORGBA *in);
KOAPI void KORGBAFLOAT_To_KOHSL(KOHSL *out, const KORGBAFLOAT *in);
KOAPI void KODIBPIXEL_To_KOHSL(KOHSL *out, const KODIBPIXEL *in);
/* Tolerant of values outside 0..1. */
KOAPI void KODIBPIXEL_To_KOHSL_Float(KOHSL *out, const KODIBPIXEL *in);
KOAPI void KOHSL_To_KORGBA(KORGBA *out, const KOHSL *in);
KOAPI void KOHSL_To_KORGBAFLOAT(KORGBAFLOAT *out, const KOHSL *in);
KOAPI void KOHSL_To_KODIBPIXEL(KODIBPIXEL *out, const KOHSL *in);
/* Negates in->s when in->l lies outside 0..1. */
KOAPI void KOHSL_To_KODIBPIXEL_Float(KODIBPIXEL *out, KOHSL *in);

/* Linear-light colours 0..1: 1 when the colour exceeds the composite limit.
 * The Return forms pull a hot colour back by scaling its chroma, in place. */
KOAPI int HotCheckNTSCYIQ(const KORGBAFLOAT *colour);
KOAPI int HotCheckNTSCYUV(const KORGBAFLOAT *colour);
KOAPI int HotCheckPALYUV(const KORGBAFLOAT *colour);
KOAPI int HotCheckNTSCYIQReturn(KORGBAFLOAT *colour);
KOAPI int HotCheckNTSCYUVReturn(KORGBAFLOAT *colour);
KOAPI int HotCheckPALYUVReturn(KORGBAFLOAT *colour);

KO_END_DECLS

#endif /* KOKERNEL_KOHSL_H */
