// Readable-memory check, Win32: walks the regions with VirtualQuery.
#include <windows.h>

#include <cstdint>

#include "containers/readable.h"

namespace ko::containers {

bool MemoryReadable(const void *p, size_t bytes) {
  if (!p) return false;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(p);
  if (bytes > UINTPTR_MAX - begin) return false;
  const uintptr_t end = begin + bytes;
  uintptr_t at = begin;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                              PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                              PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info;
    if (::VirtualQuery(reinterpret_cast<const void *>(at), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT) return false;
    if ((info.Protect & kReadable) == 0 || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
      return false;
    const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= at) return false;
    at = regionEnd;
  }
  return true;
}

}  // namespace ko::containers
