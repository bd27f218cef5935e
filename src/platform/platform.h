// kokernel platform layer: the only door from the portable core to the OS.
// Two implementations: platform_win32.cpp (windows target) and
// platform_posix.cpp (native target). Portable code includes this header and
// never <windows.h> or POSIX headers directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kokernel/kobase.h"
#include "kokernel/kogdi.h"

namespace ko::platform {

// ---- Movable "global memory" blocks ------------------------------------
// Blocks stay locked for their whole life, are found again from their
// pointer, and foreign pointers are recognised and left alone.
void *GlobalAllocLocked(size_t bytes, bool zero);          // null on failure
bool GlobalFreeLocked(void *p);                            // false for null/foreign
void *GlobalReAllocLocked(void *p, size_t bytes, bool zero);  // null on failure, old block kept
size_t GlobalSizeLocked(const void *p);                    // 0 for foreign
bool GlobalOwns(const void *p);

// ---- C-heap items with a size query (calloc/_msize semantics) -----------
void *ItemCalloc(size_t bytes);
void *ItemReAlloc(void *p, size_t bytes);  // null on failure, old item kept
void ItemFree(void *p);
size_t ItemSize(const void *p);

// ---- Private heaps -----------------------------------------------------
// Flags follow the Win32 values: 0x1 no serialise, 0x8 zero memory.
using HeapHandle = void *;
constexpr uint32_t kHeapNoSerialize = 0x1;
constexpr uint32_t kHeapZeroMemory = 0x8;
HeapHandle HeapCreate(uint32_t flags, size_t initialBytes, size_t maxBytes);
bool HeapDestroy(HeapHandle heap);
void *HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes);
void *HeapReAlloc(HeapHandle heap, uint32_t flags, void *p, size_t bytes);
bool HeapFree(HeapHandle heap, uint32_t flags, void *p);
size_t HeapSize(HeapHandle heap, uint32_t flags, const void *p);  // SIZE_MAX when unknown

// ---- Re-entrant lock that fits 40 bytes ----------------------------------
constexpr size_t kLockBytes = 40;
struct alignas(8) LockStorage {
  unsigned char bytes[kLockBytes];
};
void LockInit(LockStorage *lock);
void LockDelete(LockStorage *lock);
void LockEnter(LockStorage *lock);
void LockLeave(LockStorage *lock);

class LockGuard {
 public:
  explicit LockGuard(LockStorage *lock) : lock_(lock) {
    if (lock_) LockEnter(lock_);
  }
  ~LockGuard() {
    if (lock_) LockLeave(lock_);
  }
  LockGuard(const LockGuard &) = delete;
  LockGuard &operator=(const LockGuard &) = delete;

 private:
  LockStorage *lock_;
};

// ---- Threads ----------------------------------------------------------
uint32_t CurrentThreadId();

// ---- Modules --------------------------------------------------------------
// Handles are HMODULE on Windows and dlopen handles natively.
HMODULE ModuleLoad(const KOCHAR *path);  // null on failure
void *ModuleSymbol(HMODULE module, const char *name);
void ModuleFree(HMODULE module);
HMODULE ModuleOfProcess();  // the main executable
// The module's file name; returns the characters written (without the
// terminator), 0 on failure with *errorOut set to a Win32-style error number.
uint32_t ModuleFileName(HMODULE module, KOCHAR *buffer, uint32_t capacity,
                        uint32_t *errorOut);

// The module whose image holds `address`: its base and its file name as
// narrow text (the process code page on Windows). False when the address
// belongs to no module; *base is null then and the name empty.
bool ModuleFromAddress(const void *address, void **base, char *name, uint32_t capacity);

// ---- Memory probe -----------------------------------------------------------
// Copies `bytes` bytes from `from` to `to` without faulting: false when any
// of them cannot be read (to is then undefined).
bool ReadMemory(const void *from, void *to, size_t bytes);

// ---- Clocks -----------------------------------------------------------
bool PerformanceFrequency(int64_t *frequency);  // false when unavailable
int64_t PerformanceCounter();
uint32_t TickCount();  // milliseconds, wraps

// ---- Processor facts ----------------------------------------------------
struct SystemInfo {
  uint32_t processorCount;
  uint32_t processorType;  // 386, 486, 586 or 8664
  uint16_t processorArchitecture;  // 0 x86, 9 x64
};
SystemInfo GetSystemInfo();

// ---- Error mode (no-op natively) ------------------------------------------
uint32_t GetErrorMode();
void SetErrorMode(uint32_t mode);

// ---- Debugger output ------------------------------------------------------
void DebugOutput(const char *text);

// ---- Display: monitors and their work areas ---------------------------------
// Everything the window-placement rules need to know about the screens, read
// in one call so that the rules themselves are pure functions of it.
constexpr size_t kMaxMonitors = 16;
struct MonitorArea {
  RECT monitor;  // the monitor's rectangle in virtual-screen coordinates
  RECT work;     // its work area (without task bars)
  bool primary;
};
struct DisplayLayout {
  size_t count;  // monitors in `monitors` (at most kMaxMonitors)
  MonitorArea monitors[kMaxMonitors];
  RECT screenClip;         // clip box of the screen's device context
  RECT primaryWork;        // the primary work area as the system settings report it
  int32_t smallCaption;    // height of a small caption, in pixels
};
// Win32: EnumDisplayMonitors / GetMonitorInfoW and the system metrics.
// Natively there is no window system: the layout is the one last given to
// SetDisplayLayout (no monitors until then).
DisplayLayout GetDisplayLayout();
#ifndef _WIN32
void SetDisplayLayout(const DisplayLayout &layout);
#endif

// ---- Display: colours ---------------------------------------------------------
// The system colour of a COLOR_* number (0 to 30); natively every system
// colour is black.
uint32_t SystemColour(int index);
// Bits per pixel of the screen (natively 24).
int ScreenBitsPerPixel();
// The nearest colour the screen can show (natively the colour itself).
uint32_t NearestScreenColour(uint32_t colour);

}  // namespace ko::platform
