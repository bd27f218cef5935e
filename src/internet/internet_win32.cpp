// The product's web pages through the shell, and mail through the Simple
// MAPI interface of the user's mail program, looked up when it is needed.
#include <windows.h>
#include <mapi.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "kokernel/kointernet.h"

namespace {

constexpr size_t kPathBytes = 259;  // paths and file names
constexpr size_t kLineBytes = 254;  // subject, recipient name and address

const wchar_t kProductInfo[] = L"https://service.tarnwell.example/v2/productinfo.asp";
const wchar_t kPrivacy[] = L"https://www.tarnwell.example/privacy.html";
// The support address Internet_SendFeedback writes to.
wchar_t g_supportAddress[128] = L"support@tarnwell.example";

// UTF-16 to the ANSI code page, cut to at most `limit` bytes (never inside a
// double-byte character) and zero-terminated.
std::string Ansi(const wchar_t *text, size_t limit) {
  if (!text || !*text) return std::string();
  std::string out;
  char unit[8];
  for (const wchar_t *p = text; *p; ++p) {
    const int units = (*p >= 0xD800 && *p < 0xDC00 && p[1]) ? 2 : 1;
    const int n = WideCharToMultiByte(CP_ACP, 0, p, units, unit, sizeof(unit), nullptr, nullptr);
    if (n <= 0 || out.size() + size_t(n) > limit) break;
    out.append(unit, size_t(n));
    p += units - 1;
  }
  return out;
}

char *Text(std::string &s) { return s.empty() ? const_cast<char *>("") : &s[0]; }

HRESULT Send(HWND owner, MapiMessage *message) {
  HMODULE mapi = LoadLibraryW(L"MAPI32.DLL");
  if (!mapi) return E_FAIL;
  auto send = reinterpret_cast<LPMAPISENDMAIL>(GetProcAddress(mapi, "MAPISendMail"));
  if (!send) {
    FreeLibrary(mapi);
    return E_FAIL;
  }
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  if (owner) {
    EnableWindow(owner, FALSE);
    SetCapture(owner);
  }
  SetFocus(nullptr);
  const ULONG result = send(0, reinterpret_cast<ULONG_PTR>(owner), message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
  if (owner) {
    ReleaseCapture();
    EnableWindow(owner, TRUE);
    SetActiveWindow(GetDesktopWindow());
    SetActiveWindow(owner);
    SetFocus(owner);
  }
  FreeLibrary(mapi);
  SetCursor(previous);
  return (result == 0 || result == 1 || result == 3) ? S_OK : E_FAIL;
}

}  // namespace

extern "C" KOAPI HRESULT Internet_MailFile(HWND owner, const wchar_t *path, const wchar_t *shownName,
                                           const wchar_t *subject) {
  std::string filePath = Ansi(path, kPathBytes), fileName = Ansi(shownName, kPathBytes);
  std::string line = Ansi(subject, kLineBytes);
  MapiFileDesc file{};
  file.nPosition = ULONG(-1);
  file.lpszPathName = Text(filePath);
  file.lpszFileName = Text(fileName);
  MapiMessage message{};
  message.lpszSubject = Text(line);
  message.nFileCount = 1;
  message.lpFiles = &file;
  return Send(owner, &message);
}

extern "C" KOAPI HRESULT Internet_SendMail(HWND owner, const wchar_t *subject, const wchar_t *name,
                                           const wchar_t *address) {
  std::string line = Ansi(subject, kLineBytes), who = Ansi(name, kLineBytes);
  std::string where = Ansi(address, kLineBytes);
  MapiRecipDesc to{};
  to.ulRecipClass = MAPI_TO;
  to.lpszName = Text(who);
  to.lpszAddress = Text(where);
  MapiMessage message{};
  message.lpszSubject = Text(line);
  message.nRecipCount = 1;
  message.lpRecips = &to;
  return Send(owner, &message);
}

extern "C" KOAPI HRESULT Internet_SendFeedback(HWND owner, const wchar_t *subject) {
  return Internet_SendMail(owner, subject, g_supportAddress, g_supportAddress);
}

extern "C" KOAPI HINSTANCE Internet_BrowseWebPage(void *, const wchar_t *page) {
  static const wchar_t *const kQueries[] = {L"Place=News", L"Place=FAQ", L"Place=Support",
                                            L"Place=Home", L"Product=Tarnwell"};
  std::wstring address;
  const uintptr_t selector = reinterpret_cast<uintptr_t>(page);
  if (selector >= 101 && selector <= 105) address = std::wstring(kProductInfo) + L"?" + kQueries[selector - 101];
  else if (selector == 106) address = kPrivacy;
  else if (page) address = page;
  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  return ShellExecuteW(GetDesktopWindow(), L"open", address.c_str(), nullptr, windows, SW_SHOWDEFAULT);
}
