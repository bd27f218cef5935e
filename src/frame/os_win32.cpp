// Operating-system queries, version resources and the system sound.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "platform/platform.h"

namespace ko::frame {
namespace {

// VerifyVersionInfoW: major, minor and service-pack major 0, each >=.
bool AtLeastVersion(DWORD major, DWORD minor) {
  OSVERSIONINFOEXW vi = {};
  vi.dwOSVersionInfoSize = sizeof vi;
  vi.dwMajorVersion = major;
  vi.dwMinorVersion = minor;
  vi.wServicePackMajor = 0;
  DWORDLONG cond = 0;
  cond = ::VerSetConditionMask(cond, VER_MAJORVERSION, VER_GREATER_EQUAL);
  cond = ::VerSetConditionMask(cond, VER_MINORVERSION, VER_GREATER_EQUAL);
  cond = ::VerSetConditionMask(cond, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return ::VerifyVersionInfoW(&vi, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              cond) != FALSE;
}

// Windows 11 shares version 10.0 with Windows 10; the build number tells.
bool IsWindows11() {
  if (!AtLeastVersion(10, 0)) return false;
  using RtlGetVersionFn = LONG(WINAPI *)(OSVERSIONINFOW *);
  HMODULE ntdll = ::LoadLibraryW(L"Ntdll.dll");
  if (!ntdll) return false;
  bool result = false;
  auto fn = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void *>(::GetProcAddress(ntdll, "RtlGetVersion")));
  if (fn) {
    OSVERSIONINFOW vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    if (fn(&vi) == 0) {
      result = vi.dwMajorVersion > 10 ||
               (vi.dwMajorVersion == 10 && (vi.dwMinorVersion > 0 || vi.dwBuildNumber >= 22000));
    }
  }
  ::FreeLibrary(ntdll);
  return result;
}

OSLevel RunningLevel() {
  if (IsWindows11()) return OSLevel::kWindows11;
  if (AtLeastVersion(10, 0)) return OSLevel::kWindows10;
  if (AtLeastVersion(6, 3)) return OSLevel::kWindows81;
  if (AtLeastVersion(6, 2)) return OSLevel::kWindows8;
  if (AtLeastVersion(6, 1)) return OSLevel::kWindows7;
  return OSLevel::kOlder;
}

}  // namespace
}  // namespace ko::frame

using namespace ko::frame;

extern "C" KOAPI BOOL KoGetOS(KOCHAR *buffer, DWORD size) {
  if (!buffer || size == 0) return FALSE;
  const uint16_t arch = ko::platform::GetSystemInfo().processorArchitecture;
  return ComposeOSName(RunningLevel(), arch, buffer, size) ? TRUE : FALSE;
}

extern "C" KOAPI BOOL KoIsOS64Bit(void) {
  // The library only runs on 64-bit systems; the query is kept for hosts
  // that watch the call.
  using IsWow64ProcessFn = BOOL(WINAPI *)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto fn = kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void *>(
                         ::GetProcAddress(kernel, "IsWow64Process")))
                   : nullptr;
  if (fn) {
    BOOL wow64 = FALSE;
    fn(::GetCurrentProcess(), &wow64);
  }
  return TRUE;
}

extern "C" KOAPI BOOL KoOSVersionOK(DWORD level) {
  switch (level) {
    case 6: return AtLeastVersion(5, 1);
    case 7: return AtLeastVersion(6, 0);
    case 8: return AtLeastVersion(6, 1);
    case 9: return AtLeastVersion(6, 2);
    case 10: return AtLeastVersion(10, 0);
    case 11: return IsWindows11();
    default: return FALSE;
  }
}

extern "C" KOAPI HRESULT KoVersion_GetString(const KOCHAR *path, const KOCHAR *valueName,
                                             KOCHAR *buffer, DWORD size) {
  if (!path || !valueName || !buffer) return E_POINTER;
  if (size == 0) return E_INVALIDARG;
  buffer[0] = 0;

  DWORD ignored = 0;
  const DWORD bytes = ::GetFileVersionInfoSizeW(path, &ignored);
  if (bytes == 0) return KO_E_NOTFOUND;
  void *data = std::malloc(bytes);
  if (!data) return KO_E_NOTFOUND;

  HRESULT hr = KO_E_NOTFOUND;
  void *translation = nullptr;
  UINT translationBytes = 0;
  if (::GetFileVersionInfoW(path, 0, bytes, data) &&
      ::VerQueryValueW(data, L"\\VarFileInfo\\Translation", &translation, &translationBytes) &&
      translation && translationBytes >= sizeof(DWORD)) {
    DWORD first;
    std::memcpy(&first, translation, sizeof first);
    wchar_t prefix[32];
    std::swprintf(prefix, 32, L"\\StringFileInfo\\%04hX%04hX\\", LOWORD(first), HIWORD(first));
    std::wstring query = prefix;
    query += valueName;
    void *value = nullptr;
    UINT valueChars = 0;
    if (::VerQueryValueW(data, query.c_str(), &value, &valueChars) && value) {
      const wchar_t *text = static_cast<const wchar_t *>(value);
      size_t n = wcsnlen(text, valueChars);
      if (n > size - 1) n = size - 1;
      std::wmemcpy(buffer, text, n);
      buffer[n] = 0;
      hr = S_OK;
    }
  }
  std::free(data);
  return hr;
}

extern "C" KOAPI BOOL KoBeep(DWORD kind) {
  const wchar_t *sound = L"SystemDefault";
  switch (kind) {
    case 1: sound = L"SystemExclamation"; break;
    case 2: sound = L"SystemAsterisk"; break;
    case 3: sound = L"SystemQuestion"; break;
    case 4: sound = L"Korvath_DoneProcessing"; break;
    default: break;
  }
  return ::sndPlaySoundW(sound, SND_ASYNC);
}
