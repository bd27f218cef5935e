// Load-time entry of libkokernel.so: the counterpart of the DLL's process
// attach, where the vector primitives choose their code path.
#include "kokernel/koperf.h"

namespace {
__attribute__((constructor)) void OnLibraryLoad() { KoPerf_Initialize(); }
}  // namespace
