// Display colour depth of the primary screen and of every monitor, and the
// reaction to broadcast changes of the system settings.
#include <windows.h>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "ui/ui_internal.h"

namespace ko::frame {
namespace {

constexpr int kHighColorBits = 16;

bool g_highColorKnown = false;
bool g_highColor = false;
bool g_allMonitorsKnown = false;
bool g_allMonitors = false;

bool EvaluateHighColor() {
  HDC dc = ::GetDC(nullptr);
  if (!dc) return false;
  const int bits = ::GetDeviceCaps(dc, BITSPIXEL);
  ::ReleaseDC(nullptr, dc);
  return bits >= kHighColorBits;
}

BOOL CALLBACK CheckMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  bool *all = reinterpret_cast<bool *>(data);
  MONITORINFOEXW info = {};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) return TRUE;  // counts as high colour
  HDC dc = ::CreateDCW(L"DISPLAY", info.szDevice, nullptr, nullptr);
  if (!dc) return TRUE;
  const int bits = ::GetDeviceCaps(dc, BITSPIXEL);
  ::DeleteDC(dc);
  if (bits < kHighColorBits) {
    *all = false;
    return FALSE;
  }
  return TRUE;
}

bool EvaluateAllMonitors() {
  bool all = true;
  ::EnumDisplayMonitors(nullptr, nullptr, CheckMonitor, reinterpret_cast<LPARAM>(&all));
  return all;
}

}  // namespace

void RefreshHighColor() {
  g_highColor = EvaluateHighColor();
  g_highColorKnown = true;
  g_allMonitors = EvaluateAllMonitors();
  g_allMonitorsKnown = true;
}

}  // namespace ko::frame

using namespace ko::frame;

extern "C" KOAPI BOOL KoIsHighColor(void) {
  if (!g_highColorKnown) {
    g_highColor = EvaluateHighColor();
    g_highColorKnown = true;
  }
  return g_highColor ? TRUE : FALSE;
}

extern "C" KOAPI BOOL KoIsAllMonitorsHighColor(void) {
  if (!g_allMonitorsKnown) {
    g_allMonitors = EvaluateAllMonitors();
    g_allMonitorsKnown = true;
  }
  return g_allMonitors ? TRUE : FALSE;
}

extern "C" KOAPI void KoKernel_UserPrefChanges(HWND, UINT message) {
  switch (message) {
    case WM_SYSCOLORCHANGE:
      RefreshHighColor();
      // No cached UI brushes or pens to release; the palette and the
      // overrides go back to their start-up state.
      ko::ui::ResetColours();
      break;
    case WM_DISPLAYCHANGE:
      RefreshHighColor();
      break;
    default:
      break;
  }
}
