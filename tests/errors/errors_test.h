// Helpers shared by the error tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "kokernel/koerror.h"
#include "kotest_pages.h"
#include "kotest_text_util.h"
#ifdef _WIN32
#include <oleauto.h>
#endif

namespace kotest {

// The folder of the test program, with a trailing separator.
inline std::string ProgramDir() {
#ifdef _WIN32
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string s(path, n > 0 ? static_cast<size_t>(n) : 0);
#endif
  return s.substr(0, s.find_last_of("\\/") + 1);
}

// The fault reporter's stand-in library beside the test program.
#ifdef _WIN32
inline std::string LedgerLibraryPath() { return ProgramDir() + "kotest_crashledger.dll"; }
inline void FreeComposed(KOBSTR text) { SysFreeString(text); }
#else
inline std::string LedgerLibraryPath() { return ProgramDir() + "kotest_crashledger.so"; }
inline void FreeComposed(KOBSTR text) { KoSysFreeString(text); }
#endif

// A pointer as the dumps write it.
inline std::string Hex16(uintptr_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "%016llX", static_cast<unsigned long long>(v));
  return b;
}

}  // namespace kotest
