// The standard message box, centred on its owner (or the screen), its formatting wrappers
// and the process-wide hook with the library's unattended answerer.
#include <windows.h>

#include <cstdarg>
#include <cwchar>

#include "errors/msgbox_internal.h"
#include "errors/msgbox_win32.h"
#include "kokernel/koprintf.h"
#include "kokernel/koui.h"

namespace ko::msgbox {

namespace {
AppData g_app;
}

AppData &App() { return g_app; }

HWND ResolveOwner(HWND owner) {
  if (owner == reinterpret_cast<HWND>(~uintptr_t(0))) return nullptr;
  if (owner) return owner;
  return g_app.mainWindow ? GetLastActivePopup(g_app.mainWindow) : nullptr;
}

void FormatMessage(wchar_t (&work)[kWorkUnits], const wchar_t *format, va_list args) {
  work[0] = 0;
  if (wcschr(format, L'$') || wcschr(format, L'%')) KoNVPrintF(work, kWorkUnits, nullptr, format, args);
  else wcsncpy(work, format, kWorkUnits - 1);
  work[kWorkUnits - 1] = 0;
}

}  // namespace ko::msgbox

using namespace ko::msgbox;

namespace {

constexpr UINT kSystemModalStop = 0x1010;
const wchar_t kInvalidDefault[] = L"Invalid Message Box parameter...User intervention is needed!!!!";

int UnattendedHook(UINT_PTR data, HWND, const wchar_t *text, const wchar_t *, UINT style) {
  if (GetCurrentThreadId() != g_app.ownerThread) return 0;
  auto log = reinterpret_cast<void (*)(const wchar_t *)>(data);
  log(text ? text : L"");
  const int answer = ko::msgbox::DefaultAnswer(style);
  if (answer < 0) log(kInvalidDefault);
  return answer;
}

LRESULT CALLBACK CentreHook(int code, WPARAM wp, LPARAM lp) {
  HHOOK self = g_app.activeCenterHook;
  if (code == HC_ACTION) {
    const CWPSTRUCT *msg = reinterpret_cast<const CWPSTRUCT *>(lp);
    wchar_t cls[16] = L"", text[kTitleUnits] = L"";
    // The box has its final size once it is first shown.
    if (msg->message == WM_SHOWWINDOW && msg->wParam && GetClassNameW(msg->hwnd, cls, 16) && !wcscmp(cls, L"#32770")) {
      GetWindowTextW(msg->hwnd, text, int(kTitleUnits));
      if (g_app.activeTitle && !wcscmp(text, g_app.activeTitle)) {
        g_app.activeCenterHook = nullptr;
        UnhookWindowsHookEx(self);
        const POINT none{0, 0};
        KoWndCenterAndResize(msg->hwnd, GetParent(msg->hwnd), nullptr, none, 0);
      }
    }
  }
  return CallNextHookEx(self, code, wp, lp);
}

}  // namespace

extern "C" KOAPI BOOL KoMsgBoxSetAppData(HINSTANCE instance, HWND mainWindow, const wchar_t *appTitle) {
  g_app = AppData{};
  g_app.ownerThread = GetCurrentThreadId();
  g_app.instance = instance;
  g_app.mainWindow = mainWindow;
  if (appTitle) wcsncpy(g_app.appTitle, appTitle, kTitleUnits - 1);  // longer titles are cut
  return TRUE;
}

extern "C" KOAPI BOOL KoMsgBoxSetHook(KoMsgBoxHook hook, DWORD hookData) {
  if (GetCurrentThreadId() != g_app.ownerThread) return FALSE;
  g_app.hook = hook;
  g_app.hookData = hook ? hookData : 0;
  return TRUE;
}

extern "C" KOAPI BOOL KoMsgBoxSetNoUIHook(void (*log)(const wchar_t *text)) {
  if (GetCurrentThreadId() != g_app.ownerThread) return FALSE;
  if (log) {
    g_app.hook = UnattendedHook;
    g_app.hookData = reinterpret_cast<UINT_PTR>(log);
  } else if (g_app.hook == UnattendedHook) {
    g_app.hook = nullptr;
    g_app.hookData = 0;
  }
  return TRUE;
}

extern "C" KOAPI int KoMessageBox(HWND owner, const wchar_t *text, const wchar_t *title, UINT style) {
  owner = ResolveOwner(owner);
  if (owner && !IsWindow(owner)) return 0;  // the owner has died: nothing to show the box on
  if (g_app.hook) {
    const int answer = g_app.hook(g_app.hookData, owner, text, title, style);
    if (answer != -1) return answer;
  }
  if (!title) title = g_app.appTitle;
  if (style == kSystemModalStop || g_app.activeCenterHook) return MessageBoxW(owner, text, title, style);
  g_app.activeTitle = title;
  g_app.activeCenterHook = SetWindowsHookExW(WH_CALLWNDPROC, CentreHook, nullptr, GetCurrentThreadId());
  const int answer = MessageBoxW(owner, text, title, style);
  if (g_app.activeCenterHook) UnhookWindowsHookEx(g_app.activeCenterHook);
  g_app.activeCenterHook = nullptr;
  g_app.activeTitle = nullptr;
  return answer;
}

extern "C" KOAPI int KoMsgBoxF(HWND owner, UINT style, const wchar_t *format, ...) {
  if (!format) return 0;
  wchar_t work[kWorkUnits];
  va_list args;
  va_start(args, format);
  FormatMessage(work, format, args);
  va_end(args);
  return KoMessageBox(owner, work, nullptr, style);
}

extern "C" KOAPI int KoMsgBoxNoF(HWND owner, UINT style, const wchar_t *text) {
  return KoMsgBoxF(owner, style, L"%s", text);
}
