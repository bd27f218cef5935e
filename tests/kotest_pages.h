// A readable page followed directly by one that is not mapped, for tests
// that make the library read up to the end of memory and no further.
#pragma once

#include <cstddef>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kotest {

// The readable page, of `*pageBytes` bytes; never released.
inline unsigned char *PageBeforeHole(size_t *pageBytes) {
#ifdef _WIN32
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  // Reserve two pages and commit only the first: nothing backs the second.
  void *p = VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS);
  if (!p || !VirtualAlloc(p, page, MEM_COMMIT, PAGE_READWRITE)) return nullptr;
#else
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void *p = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  munmap(static_cast<unsigned char *>(p) + page, page);
#endif
  *pageBytes = page;
  return static_cast<unsigned char *>(p);
}

}  // namespace kotest
