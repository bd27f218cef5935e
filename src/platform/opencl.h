// The OpenCL runtime library, found the platform's way. The library never
// links against OpenCL: the GPU code loads the runtime here and resolves its
// entry points with ModuleSymbol (platform.h).
#pragma once

#include "kokernel/kobase.h"

namespace ko::platform {

// Loads the OpenCL runtime: "OpenCL.dll" on Windows (inside the activation
// context of the library's own manifest, when it has one), the ICD loader
// "libOpenCL.so.1" natively. Null when there is none. Free with ModuleFree.
HMODULE OpenCLModuleLoad();

}  // namespace ko::platform
