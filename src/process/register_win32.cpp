// Registration of in-process servers and self-registering modules, the
// machine-wide write probe and the single-value registry helpers.
#include <cwchar>

#include "kokernel/kometric.h"
#include "kokernel/koprocess.h"
#include "process/paths_win32.h"

namespace ko::process {

bool FolderOf(const wchar_t *path, wchar_t *folder, size_t cch) {
  if (cch) folder[0] = 0;
  const wchar_t *name = path;
  for (const wchar_t *p = path; *p; ++p)
    if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
  const size_t n = static_cast<size_t>(name - path);
  if (n == 0 || n >= cch) return false;
  wmemcpy(folder, path, n);
  folder[n] = 0;
  return true;
}

bool ModuleLongPath(HMODULE module, wchar_t *path, DWORD cch) {
  wchar_t full[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(module, full, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return false;
  const DWORD m = GetLongPathNameW(full, path, cch);
  if (m > 0 && m < cch) return true;
  if (n >= cch) return false;
  wmemcpy(path, full, n + 1);
  return true;
}

}  // namespace ko::process

namespace {

const wchar_t kClassesKey[] = L"Software\\Classes\\CLSID\\";

HRESULT FromWin32(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT SetText(HKEY key, const wchar_t *name, const wchar_t *text) {
  const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  return FromWin32(
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), bytes));
}

// Writes the class key, its InProcServer32 key and their values under root;
// on failure the class key is deleted again.
HRESULT WriteServer(HKEY root, const wchar_t *classPath, const wchar_t *description,
                    const wchar_t *modulePath) {
  HKEY classKey = nullptr;
  HRESULT hr = FromWin32(RegCreateKeyExW(root, classPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                                         &classKey, nullptr));
  if (FAILED(hr)) return hr;
  hr = SetText(classKey, nullptr, description ? description : L"");
  if (SUCCEEDED(hr)) {
    HKEY server = nullptr;
    hr = FromWin32(RegCreateKeyExW(classKey, L"InProcServer32", 0, nullptr, 0, KEY_WRITE,
                                   nullptr, &server, nullptr));
    if (SUCCEEDED(hr)) {
      hr = SetText(server, nullptr, modulePath);
      if (SUCCEEDED(hr)) hr = SetText(server, L"ThreadingModel", L"Both");
      RegCloseKey(server);
    }
  }
  RegCloseKey(classKey);
  if (FAILED(hr)) KoRegDeleteKey(root, classPath);
  return hr;
}

}  // namespace

extern "C" HRESULT KoRegisterServer(HMODULE module, const GUID *clsid, const wchar_t *description,
                                    BOOL registerIt) {
  if (!clsid) return E_INVALIDARG;
  wchar_t classPath[80];
  wcscpy(classPath, kClassesKey);
  if (!StringFromGUID2(*clsid, classPath + wcslen(classPath), 40)) return E_FAIL;
  if (!registerIt) {
    KoRegDeleteKey(HKEY_LOCAL_MACHINE, classPath);
    KoRegDeleteKey(HKEY_CURRENT_USER, classPath);
    return S_FALSE;
  }
  wchar_t modulePath[MAX_PATH + 1];
  if (!ko::process::ModuleLongPath(module, modulePath, MAX_PATH + 1))
    return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_BAD_PATHNAME);
  HRESULT hr = WriteServer(HKEY_LOCAL_MACHINE, classPath, description, modulePath);
  if (FAILED(hr)) hr = WriteServer(HKEY_CURRENT_USER, classPath, description, modulePath);
  return hr;
}

extern "C" HRESULT KoSelfRegister_IsSupported(const wchar_t *path) {
  if (!path) return E_FAIL;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return E_FAIL;
  void *info = HeapAlloc(GetProcessHeap(), 0, size);
  if (!info) return E_OUTOFMEMORY;
  HRESULT hr = E_FAIL;
  if (GetFileVersionInfoW(path, 0, size, info)) {
    WORD *pairs = nullptr;
    UINT bytes = 0;
    if (VerQueryValueW(info, L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&pairs),
                       &bytes) &&
        pairs && bytes >= 2 * sizeof(WORD)) {
      wchar_t query[64];
      swprintf(query, 64, L"\\StringFileInfo\\%04hX%04hX\\OLESelfRegister", pairs[0], pairs[1]);
      void *value = nullptr;
      UINT length = 0;
      hr = VerQueryValueW(info, query, &value, &length) ? S_OK : E_NOTIMPL;
    }
  }
  HeapFree(GetProcessHeap(), 0, info);
  return hr;
}

extern "C" HRESULT KoSelfRegister_Register(const wchar_t *path, BOOL unregister) {
  const HRESULT supported = KoSelfRegister_IsSupported(path);
  if (supported != S_OK) return supported;
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return E_FAIL;
  using EntryFn = HRESULT(STDAPICALLTYPE *)();
  auto entry = reinterpret_cast<EntryFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(module, unregister ? "DllUnregisterServer" : "DllRegisterServer")));
  const HRESULT hr = entry ? entry() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

extern "C" BOOL KoIsPowerUser(void) {
  wchar_t path[128];
  swprintf(path, 128, L"SOFTWARE\\Microsoft\\%ls\\CurrentVersion\\~KoTestLoginPrivilege",
           L"Windows NT");
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return FALSE;
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
  return TRUE;
}

extern "C" DWORD KoGetLocale(void) { return 0; }

extern "C" HRESULT KoSetLocale(DWORD locale) {
  wchar_t path[128];
  swprintf(path, 128, L"%ls\\%ls", L"Software\\Corvane Creative Software", L"Shared Information");
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  const LSTATUS status = RegSetValueExW(key, L"Locale", 0, REG_DWORD,
                                        reinterpret_cast<const BYTE *>(&locale), sizeof locale);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" BOOL KoIsExplorerFileExtHidden(void) {
  DWORD type = 0, value = 1, bytes = sizeof value;
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                   L"HideFileExt", RRF_RT_ANY, &type, &value, &bytes);
  return !(status == ERROR_SUCCESS && type == REG_DWORD && bytes == sizeof value && value == 0);
}
