#include <dlfcn.h>
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

bool SystemModuleOf(const void *address, uintptr_t *base, std::string *file) {
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fbase) return false;
  *base = reinterpret_cast<uintptr_t>(info.dli_fbase);
  const std::string path = info.dli_fname ? info.dli_fname : "";
  *file = path.substr(path.rfind('/') + 1);
  return true;
}

void FreeComposed(KOBSTR text) { KoSysFreeString(text); }

}  // namespace kotest
