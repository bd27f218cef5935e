// Whether a run of bytes can be read without faulting. Used by the list
// header check, which is handed arbitrary pointers by hosts.
#pragma once

#include <cstddef>

namespace ko::containers {

// True when all `bytes` bytes at `p` are mapped and readable. When the
// system gives no answer the memory is taken as readable.
bool MemoryReadable(const void *p, size_t bytes);

}  // namespace ko::containers
