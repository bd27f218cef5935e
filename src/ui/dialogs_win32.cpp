// Small helpers for dialog controls: rectangles, moves and sizes, enabling
// and showing groups of controls, radio groups, combo boxes and edits.
#include <windows.h>

#include <cstring>

#include "kokernel/koui.h"

namespace {

constexpr UINT kQuietMove = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// The control's window rectangle in the dialog's client coordinates.
bool ControlRect(HWND dialog, HWND control, RECT *r) {
  if (!control || !::GetWindowRect(control, r)) return false;
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(r), 2);
  return true;
}

}  // namespace

extern "C" KOAPI BOOL KoGetRealClientRect(HWND window, RECT *rect) {
  if (!rect || !::GetClientRect(window, rect)) return FALSE;
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
  if (style & WS_VSCROLL) rect->right += ::GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) rect->bottom += ::GetSystemMetrics(SM_CYHSCROLL);
  return TRUE;
}

extern "C" KOAPI BOOL KoDlgGetControlRect(HWND dialog, HWND control, int id, RECT *rect) {
  if (!rect) return FALSE;
  if (!control) control = ::GetDlgItem(dialog, id);
  if (!ControlRect(dialog, control, rect)) {
    rect->left = rect->top = 0;
    return FALSE;
  }
  return TRUE;
}

extern "C" KOAPI BOOL KoDlgDeltaControlMove(HWND dialog, int id, int dx, int dy) {
  HWND control = ::GetDlgItem(dialog, id);
  RECT r;
  if (!ControlRect(dialog, control, &r)) return FALSE;
  return ::SetWindowPos(control, nullptr, r.left + dx, r.top + dy, 0, 0, kQuietMove | SWP_NOSIZE);
}

extern "C" KOAPI BOOL KoDlgDeltaControlSize(HWND dialog, int id, int dx, int dy) {
  HWND control = ::GetDlgItem(dialog, id);
  RECT r;
  if (!control || !::GetClientRect(control, &r)) return FALSE;
  return ::SetWindowPos(control, nullptr, 0, 0, r.right + dx, r.bottom + dy, kQuietMove | SWP_NOMOVE);
}

extern "C" KOAPI BOOL KoDlgEnableControls(HWND dialog, const int *ids, int count, BOOL enable) {
  if (!ids) return FALSE;
  BOOL all = TRUE;
  for (int i = 0; i < count; ++i) {
    HWND control = ::GetDlgItem(dialog, ids[i]);
    if (!control) {
      all = FALSE;
      continue;
    }
    ::EnableWindow(control, enable);
  }
  return all;
}

extern "C" KOAPI BOOL KoDlgShowControls(HWND dialog, const int *ids, int count, BOOL show) {
  if (!ids) return FALSE;
  BOOL all = TRUE;
  for (int i = 0; i < count; ++i) {
    HWND control = ::GetDlgItem(dialog, ids[i]);
    if (!control) {
      all = FALSE;
      continue;
    }
    ::ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
  }
  return all;
}

extern "C" KOAPI int KoDlgWhichRadioButton(HWND dialog, int first, int last, int defaultId) {
  for (int id = first; id <= last; ++id) {
    if (::IsDlgButtonChecked(dialog, id) == BST_CHECKED) return id;
    if (id == last) break;  // no wrap at the end of the int range
  }
  return defaultId;
}

extern "C" KOAPI BOOL KoDlgUndropComboBox(void) {
  HWND focus = ::GetFocus();
  if (!focus) return FALSE;
  wchar_t name[32];
  if (!::GetClassNameW(focus, name, 32)) return FALSE;
  if (lstrcmpiW(name, L"Edit") == 0) {
    // Cancels whatever mode the edit's owner (a combo box, say) is in.
    if (HWND parent = ::GetParent(focus)) ::SendMessageW(parent, WM_CANCELMODE, 0, 0);
    return FALSE;
  }
  if (lstrcmpiW(name, L"ComboBox") == 0 && ::SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0)) {
    ::SendMessageW(focus, CB_SHOWDROPDOWN, FALSE, 0);
    return TRUE;
  }
  return FALSE;
}

extern "C" KOAPI void Edit_CursorToEnd(HWND edit, BOOL newLine) {
  // A start of -1 only drops the selection and leaves the caret where it
  // was, so the end is given as a position.
  const int end = ::GetWindowTextLengthW(edit);
  ::SendMessageW(edit, EM_SETSEL, end, end);
  if (!newLine) return;
  const LRESULT line = ::SendMessageW(edit, EM_LINEFROMCHAR, end, 0);
  const LRESULT lineStart = ::SendMessageW(edit, EM_LINEINDEX, line, 0);
  if (lineStart >= 0 && lineStart != end)
    ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r\n"));
}

extern "C" KOAPI BOOL KoIsMouseInControl(HWND dialog, int id, int x, int y, BOOL dialogClient) {
  HWND control = ::GetDlgItem(dialog, id);
  RECT r;
  if (!control || !::GetWindowRect(control, &r)) return FALSE;
  if (dialogClient) ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

extern "C" KOAPI HGLOBAL KoCopyHandle(HGLOBAL memory) {
  if (!memory) return nullptr;
  const SIZE_T bytes = ::GlobalSize(memory);
  void *from = ::GlobalLock(memory);
  if (!from) return nullptr;
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1);
  void *to = copy ? ::GlobalLock(copy) : nullptr;
  if (!to) {
    if (copy) ::GlobalFree(copy);
    ::GlobalUnlock(memory);
    return nullptr;
  }
  std::memcpy(to, from, bytes);
  return copy;  // both blocks stay locked
}
