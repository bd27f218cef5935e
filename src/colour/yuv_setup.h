// The per-call set-up of the general YUV <-> RGB converters: the colour
// description, the level constants folded into the matrix, the gamma step
// and the choice of the integer 4:2:0 path. The processor converters and
// their OpenCL forms both use it, so the two compute the same picture.
#pragma once

#include <cstdint>

#include "colour/colour_matrix.h"
#include "colour/yuv_frame.h"

namespace ko::colour {

struct ColorInfo {
  uint32_t matrix = 0xFFFFFFFFu;
  uint32_t interlace = 0;
};
// The second and fourth fields of the caller's record (defaults when null).
ColorInfo ReadColorInfo(const void *p);
inline bool InterlacedMode(uint32_t m) { return m == 1 || m == 2; }

// The eighteen source layouts of the conversion to RGB.
bool YuvToRgbAccepts(uint32_t code);

// Layouts whose samples are 10-bit values (16-bit words read >> 6, v210).
bool TenBit(Kind k);

// YUV to RGB: Y' = (Y - lumaOff) * lumaScale, C' = C - chromaOff,
// R = Y' + kR Cr', G = Y' + kGb Cb' + kGr Cr', B = Y' + kB Cb'.
struct DecodeLevels {
  float lumaOff, lumaScale, chromaOff, kR, kGb, kGr, kB;
};
DecodeLevels MakeDecodeLevels(const MatrixValues &m, bool expand, bool isFloat, bool tenBit);

// Gamma of 0 stands for 1/0.45; both ends are clamped to 0.5..4.0.
double ClampGamma(double g);
// The tone-curve exponent of a call: material / output gamma; the step
// applies when it lies outside 0.999..1.001.
double GammaRatio(double materialGamma, double outputGamma);
bool GammaStepNeeded(double ratio);

// The integer converter serves 8-bit "I420" at full size with studio levels
// kept, no gamma step and an even frame size.
bool UsesQ14Path(const Frame &f, int reduce, bool isFloat, bool expand, bool gammaStep);

// RGB to YUV: the matrix rows and the level constants of the target range.
struct Encoder {
  float yR, yG, yB, cbR, cbG, cbB, crR, crG, crB;
  float lumaScale, lumaOff, chromaScale;
  float tenMul;  // 10-bit samples per 8-bit level
};
Encoder MakeEncoder(const MatrixValues &m, bool studio);

}  // namespace ko::colour
