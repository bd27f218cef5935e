// The application kernel's file name.
#include <windows.h>

#include "kokernel/koframe.h"

extern "C" KOAPI HRESULT KoKernel_GetAppKernelPathName(KOCHAR *buffer, DWORD size) {
  if (!buffer) return E_POINTER;
  // Before start-up (or after shutdown) there is no application kernel; a
  // null module would name the host's executable instead.
  HMODULE kernel = KoKernel_GetAppKernel();
  if (!kernel) return E_UNEXPECTED;
  if (size == 0) return KoErrorHandler_TranslateWin32Error(ERROR_INSUFFICIENT_BUFFER);
  ::SetLastError(ERROR_SUCCESS);
  const DWORD n = ::GetModuleFileNameW(kernel, buffer, size);
  if (n == 0) return KoErrorHandler_TranslateWin32Error(::GetLastError());
  if (n >= size) {
    // Cut short: the name is not usable as a path.
    buffer[size - 1] = 0;
    return KoErrorHandler_TranslateWin32Error(ERROR_INSUFFICIENT_BUFFER);
  }
  return S_OK;
}
