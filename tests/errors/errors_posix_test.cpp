#include <sys/mman.h>
#include <unistd.h>

#include "errors_test.h"

namespace kotest {

std::string ProgramDir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string s(path, n > 0 ? static_cast<size_t>(n) : 0);
  return s.substr(0, s.rfind('/') + 1);
}

std::string LedgerLibraryPath() { return ProgramDir() + "kotest_crashledger.so"; }

unsigned char *PageBeforeHole(size_t *pageBytes) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void *p = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  munmap(static_cast<unsigned char *>(p) + page, page);
  *pageBytes = page;
  return static_cast<unsigned char *>(p);
}

void FreeComposed(KOBSTR text) { KoSysFreeString(text); }

}  // namespace kotest
