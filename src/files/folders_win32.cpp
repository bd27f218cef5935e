// The product's folders: the preset folder of an application version and
// the shared folders of the product family, kept in the registry, and the
// system's special folders with the product's sub-folders.
#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

#include "files/files_internal.h"

namespace {

const wchar_t kVendorKey[] = L"Software\\Corvane Creative Software";
const wchar_t kSharedKey[] = L"Software\\Corvane Creative Software\\Shared Information";
const wchar_t kPresetValue[] = L"VSTPresetPath";
const wchar_t kSharedValue[] = L"SharedComponentsFolder";

struct Special {
  const wchar_t *value;
  const wchar_t *defaultName;
};
const Special kSpecial[2] = {{L"TunewriteThemesFolder", L"Tunewrite Themes"},
                             {L"AudioTransitionsFolder", L"Audio Transitions"}};

std::wstring PresetKey(DWORD version, KOCSTR app) {
  wchar_t key[512];
  _snwprintf(key, 511, L"%ls\\%ls\\%d.%d\\Metrics", kVendorKey, app ? app : L"",
             static_cast<int>(version >> 24), static_cast<int>((version >> 16) & 0xFF));
  key[511] = 0;
  return key;
}

// Reads a string value; false when missing or not a string.
bool ReadString(HKEY root, const wchar_t *key, const wchar_t *value, std::wstring *out) {
  HKEY k;
  if (::RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  DWORD type = 0, bytes = 0;
  bool ok = ::RegQueryValueExW(k, value, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok) {
    std::wstring s(bytes / sizeof(wchar_t) + 1, L'\0');
    ok = ::RegQueryValueExW(k, value, nullptr, &type, reinterpret_cast<BYTE *>(&s[0]), &bytes) ==
         ERROR_SUCCESS;
    s.resize(wcslen(s.c_str()));
    *out = s;
  }
  ::RegCloseKey(k);
  return ok;
}

LONG WriteString(HKEY k, const wchar_t *value, KOCSTR text) {
  return ::RegSetValueExW(k, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

HRESULT Out(const std::wstring &s, KOSTR dst, int cch) {
  return ko::files::CopyOut(s.data(), s.size(), dst, cch) ? S_OK : E_FAIL;
}

std::wstring Slashed(std::wstring s) {
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

bool SystemFolder(int csidl, std::wstring *out) {
  wchar_t path[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path)))
    return false;
  *out = path;
  return true;
}

HRESULT MadeFolder(const std::wstring &s, KOSTR dst, int cch) {
  if (s.size() + 1 > static_cast<size_t>(cch)) return E_FAIL;
  if (!KoCreateDirectory(s.c_str(), nullptr)) return KO_E_CREATEFAILED;
  return Out(s, dst, cch);
}

}  // namespace

KO_EXTERN_C KOAPI HRESULT KoGetPresetFolder(KOSTR dst, int cch, DWORD version, KOCSTR appName) {
  if (!dst || cch <= 0) return E_INVALIDARG;
  std::wstring s;
  if (!ReadString(HKEY_CURRENT_USER, PresetKey(version, appName).c_str(), kPresetValue, &s) &&
      !SystemFolder(CSIDL_PERSONAL, &s))
    return E_FAIL;
  return Out(s, dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoSetPresetFolder(KOCSTR path, DWORD version, KOCSTR appName) {
  if (!path) return E_INVALIDARG;
  HKEY k;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, PresetKey(version, appName).c_str(), 0, nullptr, 0,
                        KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return S_FALSE;
  LONG r = WriteString(k, kPresetValue, path);
  ::RegCloseKey(k);
  return r == ERROR_SUCCESS ? S_OK : E_FAIL;
}

KO_EXTERN_C KOAPI HRESULT KoGetSharedComponentsFolder(KOSTR dst, int cch) {
  if (!dst || cch <= 0) return E_INVALIDARG;
  std::wstring s;
  if (!ReadString(HKEY_LOCAL_MACHINE, kSharedKey, kSharedValue, &s) || s.empty()) return E_FAIL;
  return Out(Slashed(s), dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoGetSpecialOrloDefaultFolderName(KOSTR dst, int cch, int folder) {
  if (!dst || cch <= 0 || folder < 0 || folder > 1) return E_INVALIDARG;
  return Out(kSpecial[folder].defaultName, dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoGetSpecialOrloFolder(KOSTR dst, int cch, int folder) {
  if (!dst || cch <= 0 || folder < 0 || folder > 1) return E_INVALIDARG;
  std::wstring s;
  if (ReadString(HKEY_LOCAL_MACHINE, kSharedKey, kSpecial[folder].value, &s) && !s.empty())
    return Out(s, dst, cch);
  wchar_t shared[MAX_PATH + 1];
  HRESULT hr = KoGetSharedComponentsFolder(shared, MAX_PATH + 1);
  if (FAILED(hr)) return hr;
  return Out(std::wstring(shared) + kSpecial[folder].defaultName + L"\\", dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoSetSpecialOrloFolder(KOCSTR path, int folder) {
  if (!path || folder < 0 || folder > 1) return E_INVALIDARG;
  HKEY k;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
    return KO_E_NEEDADMIN;
  LONG r = WriteString(k, kSpecial[folder].value, path);
  ::RegCloseKey(k);
  return r == ERROR_SUCCESS ? S_OK : KO_E_NEEDADMIN;
}

KO_EXTERN_C KOAPI HRESULT KoGetSpecialFolderVer(KOSTR dst, int cch, int csidl, KOCSTR name,
                                                int major, int minor) {
  if (!dst || cch < MAX_PATH || !name) return E_INVALIDARG;
  std::wstring s;
  if (!SystemFolder(csidl, &s)) return E_FAIL;
  wchar_t tail[MAX_PATH];
  _snwprintf(tail, MAX_PATH - 1, L"%ls\\%d.%d\\", name, major, minor);
  tail[MAX_PATH - 1] = 0;
  return MadeFolder(Slashed(s) + tail, dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoGetSpecialFolderNoVer(KOSTR dst, int cch, int csidl, KOCSTR name) {
  if (!dst || cch <= 0 || !name) return E_INVALIDARG;
  std::wstring s;
  if (!SystemFolder(csidl, &s)) return E_FAIL;
  return MadeFolder(Slashed(Slashed(s) + name), dst, cch);
}
