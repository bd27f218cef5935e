// kodemo: a host program that loads the library the way the editors do and
// takes one frame through the typical steps (see kodemo.cpp).
#include <cstdio>

#include "kodemo.h"
#include "kokernel/kokernel.h"

int main(int argc, char **argv) {
#ifdef _WIN32
  HMODULE self = GetModuleHandleW(nullptr);
#else
  HMODULE self = nullptr;
#endif
  if (!KoKernel_EarlyInitialize(self, 0)) {
    std::fprintf(stderr, "kodemo: the library did not start\n");
    return 1;
  }
  const int status = RunKodemo(argc, argv, stdout, stderr);
  KoKernel_LateTerminate();
  return status;
}
