// Floating-point unit of the calling thread, through the C runtime.
#include <float.h>

#include "kokernel/koperf.h"

extern "C" {

unsigned int FPU_Control(unsigned int newValue, unsigned int mask) {
  unsigned int current = 0;
  if (_controlfp_s(&current, newValue, mask) != 0) _controlfp_s(&current, 0, 0);
  return current;
}

unsigned int FPU_Status(void) { return _statusfp(); }

void FPU_Reset(void) { _fpreset(); }

}  // extern "C"
