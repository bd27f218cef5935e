/* An application kernel that answers colour requests itself. */
#include <windows.h>

__declspec(dllexport) COLORREF KoGetUIColorAbsolute(int number) { return 0x00A00000u | (COLORREF)number; }
__declspec(dllexport) COLORREF KoGetUIColor(int number) { return 0x00B00000u | (COLORREF)number; }
