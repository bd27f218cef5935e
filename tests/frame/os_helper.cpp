// Helper for the operating-system tests: started under several pretended
// Windows versions, it writes what the library answers into a file.
//   kotest_frame_os <output file>
// line 1: KoGetOS result and text; line 2: KoOSVersionOK for levels 0..12
// as 0/1; line 3: RtlGetVersion major.minor.build.
#include <windows.h>

#include <cstdio>

#include "kokernel/koframe.h"

int wmain(int argc, wchar_t **argv) {
  if (argc < 2) return 2;
  FILE *out = _wfopen(argv[1], L"w");
  if (!out) return 3;
  wchar_t name[64] = {};
  const BOOL ok = KoGetOS(name, 64);
  std::fprintf(out, "%d %ls\n", ok, name);
  for (DWORD level = 0; level <= 12; ++level) std::fputc(KoOSVersionOK(level) ? '1' : '0', out);
  std::fputc('\n', out);
  OSVERSIONINFOW vi = {};
  vi.dwOSVersionInfoSize = sizeof vi;
  using Fn = LONG(WINAPI *)(OSVERSIONINFOW *);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void *>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (fn) fn(&vi);
  std::fprintf(out, "%lu.%lu.%lu\n", vi.dwMajorVersion, vi.dwMinorVersion, vi.dwBuildNumber);
  std::fclose(out);
  return 0;
}
