// Pieces of the exchange engine shared between its source files.
#pragma once

#include <cstdint>

#include "frame/kernel_forms.h"
#include "kokernel/koxchg.h"

namespace ko::pixels::xchg {

// Flags after the quality mode has been applied.
uint32_t EffectiveFlags(uint32_t flags);

// Puts the mixing functions of operation `op` for the record's precision in
// the record; false when the one-pixel form doesn't exist.
bool SelectMix(KoXchgContext *rec, int op);

}  // namespace ko::pixels::xchg

namespace ko::pixels::xchg {

// ---- Whole-row converters -----------------------------------------------------------
// A row converter turns `count` packed source pixels into `count` packed
// destination pixels. Each kind has a scalar reference and SSE2 and AVX2 twins
// that give identical bytes.
using RowFn = void (*)(const uint8_t *src, uint8_t *dst, int count);

enum class RowKind {
  None,
  Copy3,        // 27 -> 27
  Copy4,        // 28/29 -> 28/29 (the 8-bit path copies all four bytes)
  Copy8,        // 31 -> 31
  Copy16,       // 32 -> 32 without a curve
  Rgb24ToRgb32, // 27 -> 28/29, alpha 255
  Rgb32ToRgb24, // 28/29 -> 27
  Rgb32To64V0,  // 28/29 -> 31, bytes << 8
  Rgb32To64V1,  // 28/29 -> 31, bytes x 257
  Rgb64To32,    // 31 -> 28/29, high bytes
  FloatTo32,    // 32 -> 28/29 directly: clamp, x 255 + 0.5, truncate
  FloatTo24,    // 32 -> 27 directly
  FloatTo1010,  // 32 -> 30/34 directly: x 1023 (alpha x 3) + 0.5
  FloatTo64,    // 32 -> 31: clamp, x 65535 + 0.5, truncate
  Rgb32ToFloatV0,  // 28/29 -> 32 through the 16-bit pixel, bytes << 8, / 65535
  Rgb32ToFloatV1,  // bytes x 257 / 65535
  Rgb64ToFloat,    // 31 -> 32, / 65535
  Count
};

// The kind of row converter for a pair (without scaling, curves or soft
// edges) under the effective flags; None when there is none.
RowKind ChooseRow(int dstType, int srcType, uint32_t effectiveFlags);
// The registered kernel of a kind (its forms), and the form the pixel
// family takes now; null for None.
const ko::forms::Kernel &RowKernel(RowKind kind);
RowFn RowFunction(RowKind kind);

// AVX2 twins, in their own file.
RowFn RowFunctionAVX2(RowKind kind);

// Float rows through the read curve's tables, 32 -> 27, 28, 29, 30, 32, 34.
// Integer tables below mode 3 (byte table for 27 to 29, 10/2-bit tables for
// 30 and 34), float tables from mode 3 on; 32 always uses the float table.
// Builds the tables it needs in the curve; false when memory ran out (the
// caller then converts through the curve directly).
bool PrepareFloatCurveRows(KoToneCurve *curve, int dstType, uint32_t mode);
void FloatCurveRow(const KoToneCurve &curve, int dstType, uint32_t mode, const float *src,
                   uint8_t *dst, int count);

}  // namespace ko::pixels::xchg
