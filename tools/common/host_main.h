// The start of both tools: the library started the way a host does, the
// tool's run, the library stopped.
#ifndef KOKERNEL_TOOLS_HOST_MAIN_H
#define KOKERNEL_TOOLS_HOST_MAIN_H

#include <cstdio>

#include "kokernel/kokernel.h"
#ifdef _WIN32
#include <string>

#include "kokernel/komsgbox.h"
#endif

namespace kotools {

inline int RunAsHost(const char *name, int (*run)(int, char **, std::FILE *, std::FILE *), int argc,
                     char **argv) {
#ifdef _WIN32
  HMODULE self = GetModuleHandleW(nullptr);
#else
  HMODULE self = nullptr;
#endif
  if (!KoKernel_EarlyInitialize(self, 0)) {
    std::fprintf(stderr, "%s: the library did not start\n", name);
    return 1;
  }
#ifdef _WIN32
  // Message boxes carry the program's name.
  const std::string narrow(name);
  KoMsgBoxSetAppData(self, nullptr, std::wstring(narrow.begin(), narrow.end()).c_str());
#endif
  const int status = run(argc, argv, stdout, stderr);
  KoKernel_LateTerminate();
  return status;
}

}  // namespace kotools

#endif  // KOKERNEL_TOOLS_HOST_MAIN_H
