// Cursor handles: the loader over the three image layouts, the built-in
// cursors and KoGetUICursor with its three caches, emptied at shutdown.
#include <windows.h>

#include <mutex>

#include "frame/frame_internal.h"
#include "kokernel/kocursor.h"
#include "ui/cursor_internal.h"
#include "ui/ui_internal.h"

namespace ko::ui {
namespace {

using namespace cursors;

std::mutex g_lock;
HCURSOR g_system[kSystemSlots];
HCURSOR g_library[kLibraryCursors];
HCURSOR g_host[kHostSlots];

HCURSOR Arrow() { return LoadCursorW(nullptr, IDC_ARROW); }

int ScreenDensity() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi;
}

}  // namespace

void ReleaseCursors() {
  std::lock_guard<std::mutex> hold(g_lock);
  SetCursor(Arrow());
  for (HCURSOR &c : g_library) {
    if (c) DestroyCursor(c);
    c = nullptr;
  }
  for (HCURSOR &c : g_host) {
    if (c) DestroyCursor(c);
    c = nullptr;
  }
  for (HCURSOR &c : g_system) c = nullptr;  // shared system cursors are not destroyed
}

}  // namespace ko::ui

using namespace ko::ui;
using namespace ko::ui::cursors;

extern "C" KOAPI HCURSOR KoLoadCursorFromBitsEx(const void *image, DWORD size, int index, UINT flags,
                                                int width, int height) {
  auto choose = [flags, width, height](const uint8_t *dir, size_t) {
    return LookupIconIdFromDirectoryEx(const_cast<PBYTE>(dir), FALSE, width, height, flags);
  };
  Plan plan = PlanLoad(static_cast<const uint8_t *>(image), size, index, choose);
  if (!plan.ok) return nullptr;
  if (plan.dropShared) flags &= ~UINT(LR_SHARED);
  return CreateIconFromResourceEx(const_cast<PBYTE>(plan.bits), DWORD(plan.size), FALSE,
                                  kResourceVersion, width, height, flags);
}

extern "C" KOAPI HCURSOR KoLoadCursorFromBits(const void *image, DWORD size, int index, UINT flags) {
  return KoLoadCursorFromBitsEx(image, size, index, flags, 0, 0);
}

extern "C" KOAPI HCURSOR KoLoadKernelCursor(UINT number) {
  const Entry *e = Find(number);
  if (!e) return nullptr;
  return KoLoadCursorFromBitsEx(e->image, e->size, -1, LR_DEFAULTSIZE | LR_SHARED, 0, 0);
}

extern "C" KOAPI HCURSOR KoGetUICursor(UINT number) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (number >= kSystemFirst) {
    uint32_t load = 0;
    const int slot = SystemSlot(number, &load);
    if (!g_system[slot]) g_system[slot] = LoadCursorW(nullptr, MAKEINTRESOURCEW(load));
    return g_system[slot] ? g_system[slot] : Arrow();
  }
  if (number > uint32_t(kLibraryCursors)) {
    const uint32_t base = ko::frame::HostCursorBase();
    if (number < base || number >= base + kHostSlots) return Arrow();
    HCURSOR &slot = g_host[number - base];
    if (!slot) slot = LoadCursorW(ko::frame::HostProcessModule(), MAKEINTRESOURCEW(number));
    return slot ? slot : Arrow();
  }
  if (number == 0) return Arrow();  // no slot of its own
  HCURSOR &slot = g_library[number - 1];
  if (!slot) slot = KoLoadKernelCursor(DensityNumber(number, ScreenDensity()));
  return slot ? slot : Arrow();
}
