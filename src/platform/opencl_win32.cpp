// The OpenCL runtime on Windows: OpenCL.dll, loaded while the activation
// context of the library's own manifest (resource 2, the one a DLL uses for
// isolation) is active, so that side-by-side redirections it declares apply.
// A library without such a manifest simply loads the DLL.
#include <windows.h>

#include "platform/opencl.h"

namespace ko::platform {
namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

HMODULE OpenCLModuleLoad() {
  ACTCTXW context = {};
  context.cbSize = sizeof(context);
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.hModule = ThisModule();
  context.lpResourceName = MAKEINTRESOURCEW(2);
  HANDLE actCtx = context.hModule ? ::CreateActCtxW(&context) : INVALID_HANDLE_VALUE;
  ULONG_PTR cookie = 0;
  bool active = actCtx != INVALID_HANDLE_VALUE && ::ActivateActCtx(actCtx, &cookie);
  HMODULE module = ::LoadLibraryW(L"OpenCL.dll");
  if (active) ::DeactivateActCtx(0, cookie);
  if (actCtx != INVALID_HANDLE_VALUE) ::ReleaseActCtx(actCtx);
  return module;
}

}  // namespace ko::platform
