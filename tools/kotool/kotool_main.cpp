// kotool: the library's conversions from the command line (see kotool.cpp).
#include <cstdio>

#include "kotool.h"
#include "kokernel/kokernel.h"

int main(int argc, char **argv) {
#ifdef _WIN32
  HMODULE self = GetModuleHandleW(nullptr);
#else
  HMODULE self = nullptr;
#endif
  if (!KoKernel_EarlyInitialize(self, 0)) {
    std::fprintf(stderr, "kotool: the library did not start\n");
    return 1;
  }
  const int status = RunKotool(argc, argv, stdout, stderr);
  KoKernel_LateTerminate();
  return status;
}
