// Internals shared by the standard box, the custom box and the error boxes:
// the process-wide application data and the owner rule.
#pragma once

#include <windows.h>

#include "kokernel/komsgbox.h"

namespace ko::msgbox {

constexpr size_t kTitleUnits = 128;
constexpr size_t kWorkUnits = 2048;  // every formatted message

struct AppData {
  DWORD ownerThread;
  HINSTANCE instance;
  HWND mainWindow;
  KoMsgBoxHook hook;
  UINT_PTR hookData;
  wchar_t appTitle[kTitleUnits];
  HHOOK activeCenterHook;
  const wchar_t *activeTitle;
};
AppData &App();

// Null: the last active pop-up of the main window (none without one); the
// all-ones value: no owner; anything else as given.
HWND ResolveOwner(HWND owner);

// Formats like KoMsgBoxF (only a text holding '$' or '%' is formatted) into
// a work buffer of kWorkUnits units; a longer result is cut.
void FormatMessage(wchar_t (&work)[kWorkUnits], const wchar_t *format, va_list args);

}  // namespace ko::msgbox
