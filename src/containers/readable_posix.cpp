// Readable-memory check, native: asks the kernel to copy the bytes out of our
// own address space, which reports EFAULT instead of faulting.
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "containers/readable.h"

namespace ko::containers {

bool MemoryReadable(const void *p, size_t bytes) {
  if (!p) return false;
  if (bytes > UINTPTR_MAX - reinterpret_cast<uintptr_t>(p)) return false;
  unsigned char buffer[256];
  const unsigned char *at = static_cast<const unsigned char *>(p);
  while (bytes > 0) {
    const size_t chunk = bytes < sizeof buffer ? bytes : sizeof buffer;
    iovec local{buffer, chunk};
    iovec remote{const_cast<unsigned char *>(at), chunk};
    const ssize_t got = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
    if (got < 0) return errno != EFAULT;  // no answer (EPERM, ENOSYS): assume readable
    if (static_cast<size_t>(got) != chunk) return false;
    at += chunk;
    bytes -= chunk;
  }
  return true;
}

}  // namespace ko::containers
