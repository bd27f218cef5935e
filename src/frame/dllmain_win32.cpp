// Entry point of kokernel.dll.
#include <windows.h>

#include "kokernel/koperf.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // On process attach the vector primitives choose their code path; the
  // other notifications need nothing.
  if (reason == DLL_PROCESS_ATTACH) KoPerf_Initialize();
  return TRUE;
}
