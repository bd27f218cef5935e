// Floating-point unit of the calling thread. The control word keeps the C
// runtime's _controlfp layout and mirrors MXCSR, the unit that x86-64 code
// computes with; a rounding change is also given to the x87 unit.
#include <fenv.h>
#include <xmmintrin.h>

#include "kokernel/koperf.h"

namespace {

// Control-word bits (the _controlfp layout).
constexpr unsigned kEmInexact = 0x1, kEmUnderflow = 0x2, kEmOverflow = 0x4,
                   kEmZeroDivide = 0x8, kEmInvalid = 0x10, kEmDenormal = 0x80000;
constexpr unsigned kRcMask = 0x300;
constexpr unsigned kDnMask = 0x03000000, kDnFlush = 0x01000000,
                   kDnFlushOperands = 0x02000000, kDnFlushResults = 0x03000000;
constexpr unsigned kSupported = kEmInexact | kEmUnderflow | kEmOverflow | kEmZeroDivide |
                                kEmInvalid | kEmDenormal | kRcMask | kDnMask;

// MXCSR bits.
constexpr unsigned kMxDaz = 0x40, kMxIm = 0x80, kMxDm = 0x100, kMxZm = 0x200, kMxOm = 0x400,
                   kMxUm = 0x800, kMxPm = 0x1000, kMxRcShift = 13, kMxFz = 0x8000;

unsigned FromMxcsr(unsigned mx) {
  unsigned cw = 0;
  if (mx & kMxIm) cw |= kEmInvalid;
  if (mx & kMxDm) cw |= kEmDenormal;
  if (mx & kMxZm) cw |= kEmZeroDivide;
  if (mx & kMxOm) cw |= kEmOverflow;
  if (mx & kMxUm) cw |= kEmUnderflow;
  if (mx & kMxPm) cw |= kEmInexact;
  cw |= ((mx >> kMxRcShift) & 3u) << 8;
  const bool fz = mx & kMxFz, daz = mx & kMxDaz;
  if (fz && daz) cw |= kDnFlush;
  else if (daz) cw |= kDnFlushOperands;
  else if (fz) cw |= kDnFlushResults;
  return cw;
}

unsigned ToMxcsr(unsigned cw, unsigned mx) {
  mx &= ~(kMxIm | kMxDm | kMxZm | kMxOm | kMxUm | kMxPm | (3u << kMxRcShift) | kMxFz | kMxDaz);
  if (cw & kEmInvalid) mx |= kMxIm;
  if (cw & kEmDenormal) mx |= kMxDm;
  if (cw & kEmZeroDivide) mx |= kMxZm;
  if (cw & kEmOverflow) mx |= kMxOm;
  if (cw & kEmUnderflow) mx |= kMxUm;
  if (cw & kEmInexact) mx |= kMxPm;
  mx |= ((cw & kRcMask) >> 8) << kMxRcShift;
  switch (cw & kDnMask) {
    case kDnFlush: mx |= kMxFz | kMxDaz; break;
    case kDnFlushOperands: mx |= kMxDaz; break;
    case kDnFlushResults: mx |= kMxFz; break;
    default: break;
  }
  return mx;
}

}  // namespace

extern "C" {

unsigned int FPU_Control(unsigned int newValue, unsigned int mask) {
  const unsigned mx = _mm_getcsr();
  const unsigned cw = FromMxcsr(mx);
  mask &= kSupported;
  if (!mask) return cw;
  const unsigned next = (cw & ~mask) | (newValue & mask);
  if (mask & kRcMask) {
    static const int kModes[4] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
    fesetround(kModes[(next & kRcMask) >> 8]);
  }
  _mm_setcsr(ToMxcsr(next, _mm_getcsr()));
  return FromMxcsr(_mm_getcsr());
}

unsigned int FPU_Status(void) {
  const int e = fetestexcept(FE_ALL_EXCEPT);
  unsigned sw = 0;
  if (e & FE_INEXACT) sw |= 0x1;
  if (e & FE_UNDERFLOW) sw |= 0x2;
  if (e & FE_OVERFLOW) sw |= 0x4;
  if (e & FE_DIVBYZERO) sw |= 0x8;
  if (e & FE_INVALID) sw |= 0x10;
  if (_mm_getcsr() & 0x2) sw |= 0x80000;  // denormal operand
  return sw;
}

void FPU_Reset(void) { fesetenv(FE_DFL_ENV); }

}  // extern "C"
