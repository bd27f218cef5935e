// Entry point of kokernel.dll.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Initialise the vector primitives (KoPerf_Initialize) here once they
    // are part of the library.
  }
  return TRUE;
}
