// The recording browser of the test prefix (url_recorder.c): registered as the
// http and https handler, it writes its command line to url_record.txt beside
// the test program.
#pragma once

#include <string>

#include "kotest_win32.h"

namespace kotest {

constexpr auto &Beside = BesideTheProgram;

// False when the handler keys cannot be written.
inline bool RegisterBrowser() {
  const std::wstring command = L"\"" + Beside(L"kotest_urlrecorder.exe") + L"\" \"%1\"";
  for (const wchar_t *key : {L"Software\\Classes\\http\\shell\\open\\command",
                             L"Software\\Classes\\https\\shell\\open\\command"}) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
      return false;
    RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                   DWORD((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }
  return true;
}

inline void ForgetOpenedUrl() { DeleteFileW(Beside(L"url_record.txt").c_str()); }

// The address the browser was last started with (waiting up to 90 s for
// it: a new Wine process on a busy machine can take a while), or what it
// recorded when that holds no quoted address.
inline std::string OpenedUrl() {
  const std::wstring record = Beside(L"url_record.txt");
  for (int i = 0; i < 1800 && GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  const std::string line = ReadAll(record);
  const size_t end = line.rfind('"'), start = end == std::string::npos ? end : line.rfind('"', end - 1);
  return (start == std::string::npos) ? line : line.substr(start + 1, end - start - 1);
}

}  // namespace kotest
