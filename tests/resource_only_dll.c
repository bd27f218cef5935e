/* Entry point of the test DLLs that carry only resources (strings, dialogs,
   a version record): the code exists so the linker has an entry point. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
