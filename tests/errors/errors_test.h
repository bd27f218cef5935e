// Helpers shared by the error tests; the system-facing ones are defined in
// errors_win32_test.cpp and errors_posix_test.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "kokernel/koerror.h"
#include "kotest_text_util.h"

namespace kotest {

// The folder of the test program, with a trailing separator.
std::string ProgramDir();
// The fault reporter's stand-in library beside the test program.
std::string LedgerLibraryPath();
// A readable page of `*pageBytes` bytes immediately followed by an unmapped one.
unsigned char *PageBeforeHole(size_t *pageBytes);
void FreeComposed(KOBSTR text);
// A pointer as the dumps write it.
inline std::string Hex16(uintptr_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "%016llX", static_cast<unsigned long long>(v));
  return b;
}

}  // namespace kotest
