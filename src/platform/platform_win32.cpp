// Platform layer, Win32 implementation (windows target only).
#include <malloc.h>
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace ko::platform {

// ---- global memory ------------------------------------------------------------
void *GlobalAllocLocked(size_t bytes, bool zero) {
  HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | (zero ? GMEM_ZEROINIT : 0), bytes ? bytes : 1);
  if (!h) return nullptr;
  void *p = ::GlobalLock(h);
  if (!p) ::GlobalFree(h);
  return p;
}

bool GlobalOwns(const void *p) { return p && ::GlobalHandle(p) != nullptr; }

bool GlobalFreeLocked(void *p) {
  if (!p) return false;
  HGLOBAL h = ::GlobalHandle(p);
  if (!h) return false;
  ::GlobalUnlock(h);
  return ::GlobalFree(h) == nullptr;
}

void *GlobalReAllocLocked(void *p, size_t bytes, bool zero) {
  if (!p) return GlobalAllocLocked(bytes, zero);
  size_t old = GlobalSizeLocked(p);
  void *q = GlobalAllocLocked(bytes, zero);
  if (!q) return nullptr;
  std::memcpy(q, p, old < bytes ? old : bytes);
  GlobalFreeLocked(p);
  return q;
}

size_t GlobalSizeLocked(const void *p) {
  if (!p) return 0;
  HGLOBAL h = ::GlobalHandle(p);
  return h ? ::GlobalSize(h) : 0;
}

// ---- C-heap items ----------------------------------------------------------------
void *ItemCalloc(size_t bytes) { return std::calloc(bytes ? bytes : 1, 1); }

void *ItemReAlloc(void *p, size_t bytes) {
  size_t old = p ? _msize(p) : 0;
  void *q = std::realloc(p, bytes ? bytes : 1);
  if (q && bytes > old) std::memset(static_cast<char *>(q) + old, 0, bytes - old);
  return q;
}

void ItemFree(void *p) { std::free(p); }
size_t ItemSize(const void *p) { return p ? _msize(const_cast<void *>(p)) : SIZE_MAX; }

// ---- private heaps ----------------------------------------------------------------
HeapHandle HeapCreate(uint32_t flags, size_t initialBytes, size_t maxBytes) {
  return ::HeapCreate(flags, initialBytes, maxBytes);
}
bool HeapDestroy(HeapHandle heap) { return heap && ::HeapDestroy(heap); }
void *HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) {
  return heap ? ::HeapAlloc(heap, flags, bytes) : nullptr;
}
void *HeapReAlloc(HeapHandle heap, uint32_t flags, void *p, size_t bytes) {
  return heap && p ? ::HeapReAlloc(heap, flags, p, bytes) : nullptr;
}
bool HeapFree(HeapHandle heap, uint32_t flags, void *p) {
  return heap && p && ::HeapFree(heap, flags, p);
}
size_t HeapSize(HeapHandle heap, uint32_t flags, const void *p) {
  if (!heap || !p) return SIZE_MAX;
  SIZE_T n = ::HeapSize(heap, flags, p);
  return n == static_cast<SIZE_T>(-1) ? SIZE_MAX : n;
}

// ---- lock ---------------------------------------------------------------------------
static_assert(sizeof(CRITICAL_SECTION) == kLockBytes, "CRITICAL_SECTION is 40 bytes on x64");

void LockInit(LockStorage *lock) {
  ::InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(lock->bytes));
}
void LockDelete(LockStorage *lock) {
  ::DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(lock->bytes));
}
void LockEnter(LockStorage *lock) {
  ::EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(lock->bytes));
}
void LockLeave(LockStorage *lock) {
  ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(lock->bytes));
}

// ---- threads ------------------------------------------------------------------------
uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

// ---- modules ------------------------------------------------------------------------
HMODULE ModuleLoad(const KOCHAR *path) { return path ? ::LoadLibraryW(path) : nullptr; }
void *ModuleSymbol(HMODULE module, const char *name) {
  return module && name ? reinterpret_cast<void *>(::GetProcAddress(module, name)) : nullptr;
}
void ModuleFree(HMODULE module) {
  if (module) ::FreeLibrary(module);
}
HMODULE ModuleOfProcess() { return ::GetModuleHandleW(nullptr); }

uint32_t ModuleFileName(HMODULE module, KOCHAR *buffer, uint32_t capacity, uint32_t *errorOut) {
  ::SetLastError(0);
  DWORD n = ::GetModuleFileNameW(module, buffer, capacity);
  if (errorOut) *errorOut = n == 0 || n >= capacity ? ::GetLastError() : 0;
  return n;
}

bool ModuleFromAddress(const void *address, void **base, char *name, uint32_t capacity) {
  if (base) *base = nullptr;
  if (name && capacity) name[0] = 0;
  MEMORY_BASIC_INFORMATION info;
  if (!address || ::VirtualQuery(address, &info, sizeof info) == 0 || !info.AllocationBase)
    return false;
  char path[MAX_PATH * 2];
  const DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(info.AllocationBase), path, sizeof path);
  if (n == 0 || n >= sizeof path) return false;
  if (base) *base = info.AllocationBase;
  if (name && capacity) {
    const uint32_t copy = n < capacity ? n : capacity - 1;
    std::memcpy(name, path, copy);
    name[copy] = 0;
  }
  return true;
}

// ---- memory probe ---------------------------------------------------------------------
// The regions must be committed and readable: ReadProcessMemory alone is not
// enough, since Wine serves it from the process's whole mapping, which reads
// reserved, free and no-access pages as zeros. The copy itself still goes
// through ReadProcessMemory, so that a region released in between fails the
// copy instead of faulting.
bool ReadMemory(const void *from, void *to, size_t bytes) {
  if (bytes == 0) return true;
  if (!from || !to) return false;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(from);
  if (bytes > UINTPTR_MAX - begin) return false;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                              PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  for (uintptr_t at = begin; at < begin + bytes;) {
    MEMORY_BASIC_INFORMATION info;
    if (::VirtualQuery(reinterpret_cast<const void *>(at), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT || (info.Protect & kReadable) == 0 ||
        (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
      return false;
    const uintptr_t end = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (end <= at) return false;
    at = end;
  }
  SIZE_T got = 0;
  return ::ReadProcessMemory(::GetCurrentProcess(), from, to, bytes, &got) && got == bytes;
}

// ---- clocks -------------------------------------------------------------------------
bool PerformanceFrequency(int64_t *frequency) {
  LARGE_INTEGER f;
  if (!::QueryPerformanceFrequency(&f)) return false;
  if (frequency) *frequency = f.QuadPart;
  return true;
}
int64_t PerformanceCounter() {
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return c.QuadPart;
}
uint32_t TickCount() { return ::GetTickCount(); }

// ---- processor facts ----------------------------------------------------------------
SystemInfo GetSystemInfo() {
  SYSTEM_INFO si;
  ::GetSystemInfo(&si);
  SystemInfo info{};
  info.processorCount = si.dwNumberOfProcessors;
  info.processorType = si.dwProcessorType;
  SYSTEM_INFO native;
  ::GetNativeSystemInfo(&native);
  info.processorArchitecture = native.wProcessorArchitecture;
  return info;
}

// ---- error mode ---------------------------------------------------------------------
uint32_t GetErrorMode() { return ::GetErrorMode(); }
void SetErrorMode(uint32_t mode) { ::SetErrorMode(mode); }

void DebugOutput(const char *text) {
  if (text) ::OutputDebugStringA(text);
}

// ---- display ------------------------------------------------------------------------
namespace {
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto *layout = reinterpret_cast<DisplayLayout *>(data);
  if (layout->count >= kMaxMonitors) return FALSE;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) return TRUE;
  MonitorArea &m = layout->monitors[layout->count++];
  m.monitor = info.rcMonitor;
  m.work = info.rcWork;
  m.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
  return TRUE;
}
}  // namespace

DisplayLayout GetDisplayLayout() {
  DisplayLayout layout{};
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
  if (HDC dc = ::GetDC(nullptr)) {
    ::GetClipBox(dc, &layout.screenClip);
    ::ReleaseDC(nullptr, dc);
  }
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &layout.primaryWork, 0))
    layout.primaryWork = layout.screenClip;
  layout.smallCaption = ::GetSystemMetrics(SM_CYSMCAPTION);
  return layout;
}

uint32_t SystemColour(int index) { return ::GetSysColor(index); }

int ScreenBitsPerPixel() {
  HDC dc = ::GetDC(nullptr);
  if (!dc) return 0;
  const int bits = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
  ::ReleaseDC(nullptr, dc);
  return bits;
}

uint32_t NearestScreenColour(uint32_t colour) {
  HDC dc = ::GetDC(nullptr);
  if (!dc) return colour;
  const COLORREF nearest = ::GetNearestColor(dc, colour);
  ::ReleaseDC(nullptr, dc);
  return nearest == CLR_INVALID ? colour : nearest;
}

}  // namespace ko::platform
