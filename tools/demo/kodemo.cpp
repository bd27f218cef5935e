// kodemo: a small host program that loads the library the way the editors do.
#include <cstdio>

#include "kokernel/koresult.h"

int main() {
  std::printf("kokernel demo host\n");
  std::printf("Win32 error 2 -> 0x%08X\n", static_cast<unsigned>(KoErrorHandler_TranslateWin32Error(2)));
  return 0;
}
