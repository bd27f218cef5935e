// Error boxes: a composed message in the custom box with the details lines
// and the link collected for it (each set shown once), and the filter that
// shows the crash box for an unhandled structured exception.
#include <windows.h>

#include <cstring>
#include <string>

#include "errors/errors_internal.h"
#include "errors/msgbox_win32.h"
#include "kokernel/koerror.h"

using namespace ko::errors;

namespace {

constexpr UINT kDetailsBits = 0xC000;
constexpr size_t kPrefixUnits = 49;
constexpr size_t kDumpBytes = 4096;
constexpr DWORD kMisalignment = 0x80000002u;
const HWND kNoOwner = reinterpret_cast<HWND>(~uintptr_t(0));

std::wstring WarningText() {
  const wchar_t *prefix = ResolveBuiltin(WarningPrefix());
  if (!prefix) return std::wstring();
  if (prefix[0] == L'^' && prefix[1] == L'*') prefix += 2;
  return std::wstring(prefix, wcsnlen(prefix, kPrefixUnits));
}

bool IsDebuggerAttached() {
  using Query = BOOL(WINAPI *)();
  HMODULE kernel = GetModuleHandleW(L"KERNEL32");
  FARPROC found = kernel ? GetProcAddress(kernel, "IsDebuggerPresent") : nullptr;
  auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(found));
  return query && query();
}

}  // namespace

extern "C" KOAPI int KoErrorHandler_MsgBoxText(HWND owner, UINT style, const wchar_t *text, BOOL warning) {
  DetailsRecord &d = Details();
  style &= ~kDetailsBits;
  std::wstring details;
  if (d.lineCount) {
    details.assign(d.details, wcsnlen(d.details, KOERROR_DETAILS_UNITS - 1));
    style |= kDetailsBits;
  }
  // The text may be the shared message buffer, which is zeroed below.
  const std::wstring shown = (warning ? WarningText() : std::wstring()) + (text ? text : L"");
  const std::wstring url(d.linkUrl), linkText(d.linkText);
  KoErrorHandler_DetailsInit();
  return KoMsgBox_CustomExLinkF(owner, style, (style & kDetailsBits) ? details.c_str() : nullptr, nullptr, nullptr,
                                url.c_str(), linkText.c_str(), L"%s", shown.c_str());
}

extern "C" KOAPI int KoErrorHandler_MsgBox(HWND owner, UINT style, UINT_PTR context, HRESULT code,
                                           const wchar_t *argument, BOOL warning) {
  if (code == KO_E_CANCELLED) return 1;  // the user cancelled: nothing to tell
  return KoErrorHandler_MsgBoxText(owner, style, KoErrorHandler_GetErrorMessage(context, code, argument), warning);
}

extern "C" KOAPI LONG KoErrorHandler_ExceptionFilter(EXCEPTION_POINTERS *exception, const char *threadName) {
  if (exception && exception->ExceptionRecord && exception->ExceptionRecord->ExceptionCode == kMisalignment)
    return EXCEPTION_CONTINUE_SEARCH;
  char dump[kDumpBytes] = "";
  KoErrorHandler_DumpExceptionRecord(dump, kDumpBytes, threadName, exception, 0);
  if (IsDebuggerAttached()) return EXCEPTION_CONTINUE_SEARCH;  // the debugger takes it

  KoErrorHandler_DetailsInit();
  KoErrorHandler_DetailsAddString(KO_E_EXCEPTION, L"%s", ko::msgbox::App().appTitle);
  wchar_t wide[kDumpBytes];
  if (MultiByteToWideChar(CP_ACP, 0, dump, -1, wide, int(kDumpBytes)) <= 0) wide[0] = 0;
  wide[kDumpBytes - 1] = 0;
  KoErrorHandler_DetailsAddString(KO_E_EXCEPTION, L"%s", wide);
  KoErrorHandler_MsgBoxText(kNoOwner, MB_ICONEXCLAMATION, KoErrorHandler_GetErrorMessage(0, KO_E_EXCEPTION, nullptr),
                            FALSE);
  return EXCEPTION_EXECUTE_HANDLER;
}
