// Window placement kept in the settings store, centring real windows, and
// finding the running instances of an application.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "kokernel/kometric.h"
#include "kokernel/koui.h"
#include "ui/ui_internal.h"

using namespace ko::ui;

namespace {

bool HasKey(HKOMETRIC h) { return h && h != KOMETRIC_DEFAULT_STORE; }

// Reads the stored record: true only for exactly 44 bytes that make a
// placement a window can take; otherwise the record is left zeroed.
bool ReadPlacement(HKOMETRIC metrics, int number, WINDOWPLACEMENT *wp) {
  std::memset(wp, 0, sizeof *wp);
  if (!HasKey(metrics)) return false;
  if (KoGetMetricBinary(metrics, number, wp, kPlacementBytes) == kPlacementBytes &&
      PlausiblePlacement(*wp))
    return true;
  std::memset(wp, 0, sizeof *wp);
  return false;
}

}  // namespace

extern "C" KOAPI int KoLoadWindowPlacement(HKOMETRIC metrics, int number, int mode,
                                           WINDOWPLACEMENT *placement) {
  if (!placement) return 1;
  const bool ok = ReadPlacement(metrics, number, placement);
  if (mode != KO_PLACEMENT_RESTORE_OR_DEFAULT) return ok ? 0 : 1;
  return ChoosePlacement(ko::platform::GetDisplayLayout(), ok, placement);
}

extern "C" KOAPI HRESULT KoWindowPlacement(HWND window, HKOMETRIC metrics, int number, int mode) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  switch (mode) {
    case KO_PLACEMENT_SAVE:
      if (!::GetWindowPlacement(window, &wp) || !HasKey(metrics)) return E_FAIL;
      return SUCCEEDED(KoSetMetricBinary(metrics, number, &wp, sizeof wp)) ? S_OK : E_FAIL;
    case KO_PLACEMENT_RESTORE:
    case KO_PLACEMENT_RESTORE_OR_DEFAULT: {
      const int fallback = KoLoadWindowPlacement(metrics, number, mode, &wp);
      if (fallback && mode == KO_PLACEMENT_RESTORE) return S_FALSE;
      FixPlacement(ko::platform::GetDisplayLayout(), &wp);
      if (!::SetWindowPlacement(window, &wp)) return E_FAIL;
      return fallback ? S_FALSE : S_OK;
    }
    default:
      return E_FAIL;
  }
}

extern "C" KOAPI void KoComputeWndCenter(int width, int height, HWND reference, POINT point,
                                         DWORD flags, POINT *out) {
  CentreInputs in = {};
  in.point = point;
  if (reference) {
    if (flags & KO_CENTER_CLIENT_AREA) {
      ::GetClientRect(reference, &in.reference);
      ::MapWindowPoints(reference, nullptr, reinterpret_cast<POINT *>(&in.reference), 2);
    } else {
      ::GetWindowRect(reference, &in.reference);
    }
  } else {
    in.reference = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  if ((flags & 0xF) == KO_CENTER_ON_CURSOR) ::GetCursorPos(&in.cursor);
  const POINT p = CentrePosition(ko::platform::GetDisplayLayout(), width, height, in, flags);
  if (out) *out = p;
}

extern "C" KOAPI BOOL KoWndCenterAndResize(HWND window, HWND reference, const SIZE *size,
                                           POINT point, DWORD flags) {
  HWND parent = ::GetParent(window);
  if (flags & KO_CENTER_USE_PARENT) reference = (parent && !::IsIconic(parent)) ? parent : nullptr;
  int width, height;
  if (size) {
    width = size->cx;
    height = size->cy;
  } else {
    RECT r = {};
    ::GetWindowRect(window, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
  if (reference == parent && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
    flags |= KO_CENTER_RELATIVE;
  POINT p = {};
  KoComputeWndCenter(width, height, reference, point, flags, &p);
  UINT how = SWP_NOZORDER | SWP_NOACTIVATE;
  if (!size) how |= SWP_NOSIZE;
  return ::SetWindowPos(window, nullptr, p.x, p.y, width, height, how);
}

extern "C" KOAPI BOOL KoWndCenter(HWND window, HWND reference, POINT point, DWORD flags) {
  return KoWndCenterAndResize(window, reference, nullptr, point, flags);
}

extern "C" KOAPI HWND KoActivatePrevAppInstance(const wchar_t *className) {
  HWND found = ::FindWindowW(className, nullptr);
  if (!found) return nullptr;
  HWND popup = ::GetLastActivePopup(found);
  if (!popup) popup = found;
  if (::IsIconic(popup)) {
    ::ShowWindow(popup, SW_RESTORE);
  } else {
    ::BringWindowToTop(found);
    ::SetForegroundWindow(popup);
  }
  return found;
}

namespace {
struct InstanceCount {
  const wchar_t *className;
  int count;
};
BOOL CALLBACK CountInstance(HWND window, LPARAM data) {
  auto *c = reinterpret_cast<InstanceCount *>(data);
  wchar_t name[129];
  if (!::GetClassNameW(window, name, 129)) return FALSE;
  if (std::wcscmp(name, c->className) == 0) ++c->count;
  return TRUE;
}
}  // namespace

extern "C" KOAPI int KoGetAppInstanceCount(const wchar_t *className) {
  if (!className) return 0;
  InstanceCount c = {className, 0};
  ::EnumWindows(CountInstance, reinterpret_cast<LPARAM>(&c));
  return c.count;
}
