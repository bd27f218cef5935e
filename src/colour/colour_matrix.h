// The three colour matrices and the rules that pick one, shared by the
// preview converters and the general YUV converters.
#pragma once

#include <cstdint>

#include "colour/colour_rows.h"

namespace ko::colour {

enum Matrix : int { kBT601 = 0, kBT709 = 1, kBT2020 = 2 };

struct MatrixValues {
  // YUV to RGB, unscaled: R from Cr, G from Cb, G from Cr, B from Cb.
  float rCr, gCb, gCr, bCb;
  // RGB to YUV rows.
  float yR, yG, yB, cbR, cbG, cbB, crR, crG, crB;
  Q14Coefs q14;
  // UYVY arithmetic: the 219/224-scaled inverse and the 224/219-scaled
  // chroma rows, as the doubles the 12-bit coefficients are made from.
  double uyvyVR, uyvyVG, uyvyUG, uyvyUB;
  double uyvyUR, uyvyUGf, uyvyUBf, uyvyVRf, uyvyVGf, uyvyVBf;
};

const MatrixValues &MatrixOf(Matrix m);

// The frame-size rule: BT.601 for widths 704 to 720 and heights below 720.
Matrix MatrixBySize(int width, int height);
// Codes 515/516/517, anything else by size.
Matrix MatrixFromCode(uint32_t code, int width, int height);
// The UYVY numbering 1/2/3, anything else by size.
Matrix MatrixFromUyvyCode(int code, int width, int height);

UyvyToRgbCoefs UyvyToRgbFixed(Matrix m);
RgbToUyvyCoefs RgbToUyvyFixed(Matrix m);

// The integer 4:2:0 converter behind KoYUV420ToRGBA, with a signed
// destination stride and an already-resolved matrix; sizes checked by the
// caller (even width and height).
void Convert420Full(int width, int height, uint8_t *dst, intptr_t dstStride, const uint8_t *y,
                    intptr_t yStride, const uint8_t *u, intptr_t uStride, const uint8_t *v,
                    intptr_t vStride, int mode, const Q14Coefs &c);

}  // namespace ko::colour
