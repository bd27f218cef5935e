// The OpenCL runtime natively: the ICD loader, opened by its versioned name
// (the unversioned one belongs to development packages).
#include <dlfcn.h>

#include "platform/opencl.h"

namespace ko::platform {

HMODULE OpenCLModuleLoad() { return dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL); }

}  // namespace ko::platform
