// Internal interface of the pixel-exchange engine, for the copy, fill,
// pixel-access, field and quantizer operations that convert through it.
//
// Using a converter record:
//   KoXchgContext rec;
//   if (FAILED(KoXCHGGetFunctionPointers(dstType, srcType, flags, &rec, params, a, b))) ...
//   rec.palette = <source colour table or null>;
//   rec.inverseMap = <destination inverse map or null>;   // palettised destinations
//   xchg::SeekSrc(&rec, srcRow, srcType, x);               // cursor at column x
//   xchg::SeekDst(&rec, dstRow, dstType, x);
//   rec.read(&rec);  rec.write(&rec);                      // one pixel, both cursors step
//   rec.read4(&rec); rec.write4(&rec);                     // four pixels
//   xchg::Cleanup(&rec);                                   // frees curve tables, if built
// Working pixels: rec.pixel[0] (and [1..3] for runs of four) is P, rec.other[]
// is Q of the mixing operations; rec.precision says which member of the
// KoXchgPixel union is in use (b for 8-bit, w for 16-bit, f for float).
// KoXCHGGetFunctionPointers never allocates: a record that nobody gave curve
// tables (BuildCurveTables) needs no cleanup, and Cleanup is harmless on it.
// Copies of a record (one per thread) share its tables and must not be
// cleaned; only the original is.
//
// Inverse colour maps (KoDibCreateColorQuantizer): 32768 bytes in a movable
// global-memory block; release with FreeColorQuantizer (or
// ko::platform::GlobalFreeLocked), never with free().
#pragma once

#include <cstdint>

#include "kokernel/koxchg.h"

namespace ko::pixels::xchg {

// Bits per pixel of a direct type (16 to 34), 0 for any other value.
int TypeBits(int type);
inline bool IsDirectType(int type) { return type >= 16 && type <= 34; }

// Cursor placement: row start plus column x, with the bit offset of the
// 1, 2 and 4-bit types.
void SeekSrc(KoXchgContext *rec, const void *row, int type, int64_t x);
void SeekDst(KoXchgContext *rec, void *row, int type, int64_t x);
inline void SeekSrc(KoXchgContext *rec, const void *row, int64_t x) {
  SeekSrc(rec, row, rec->srcType, x);
}
inline void SeekDst(KoXchgContext *rec, void *row, int64_t x) {
  SeekDst(rec, row, rec->dstType, x);
}

// ---- Tone curve ---------------------------------------------------------------
// Builds the curve for exponent g (tables left empty).
void CurveInit(KoToneCurve *curve, double g);
// The curve's value at x, computed directly.
double CurveEval(const KoToneCurve &curve, double x);
// Table kinds: float tables of 256, 1024 or 2048 steps; the 4096-step byte
// table; the 16384-step 10-bit table with the 256-step 2-bit table.
enum class CurveTable { Float256, Float1024, Float2048, Byte4096, Ten16384 };
// Builds one table (curve left without it when memory runs out: false).
bool CurveBuildTable(KoToneCurve *curve, CurveTable kind);
void CurveFreeTables(KoToneCurve *curve);
// Reading the tables: float with linear interpolation, the others at the
// nearest entry; below 0 (or NaN) gives 0, above 1 the top entry.
float CurveLookupFloat(const KoToneCurve &curve, float x);
uint8_t CurveLookupByte(const KoToneCurve &curve, float x);
uint16_t CurveLookupTen(const KoToneCurve &curve, float x);
uint16_t CurveLookupTwo(const KoToneCurve &curve, float x);
// The curve applied to a float the way the engine does it: table if there is
// one, else directly; identity when inactive.
float CurveApply(const KoToneCurve &curve, float x);

// Releases both curves' tables of a record.
void Cleanup(KoXchgContext *rec);

// ---- Inverse colour map ----------------------------------------------------------
// Builds the 32768-cell map from `count` palette entries (B, G, R, reserved).
// Returns null when memory runs out or count < 1.
uint8_t *CreateColorQuantizer(const RGBQUAD *palette, int count);
void FreeColorQuantizer(uint8_t *map);
// Cell of an 8-bit colour and of a 16-bit one.
inline uint32_t Cell8(uint32_t r, uint32_t g, uint32_t b) {
  return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}
inline uint32_t Cell16(uint32_t r, uint32_t g, uint32_t b) {
  return (r >> 11) << 10 | (g >> 11) << 5 | (b >> 11);
}

}  // namespace ko::pixels::xchg
