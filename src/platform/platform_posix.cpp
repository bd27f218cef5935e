// Platform layer, native (Linux/POSIX) implementation.
#include "platform/platform.h"

#include <dlfcn.h>
#include <link.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/utf.h"

namespace ko::platform {

namespace {

// Registry of live global blocks: lets GlobalFreeLocked recognise its own
// blocks without reading memory in front of a foreign pointer.
struct GlobalRegistry {
  std::mutex mutex;
  std::unordered_map<const void *, size_t> blocks;
};

GlobalRegistry &Globals() {
  static GlobalRegistry *registry = new GlobalRegistry;  // lives for the process
  return *registry;
}

// C-heap items carry their requested size in a 16-byte prefix.
constexpr size_t kItemPrefix = 16;

struct PrivateHeap {
  std::mutex mutex;
  std::unordered_map<const void *, size_t> blocks;
};

}  // namespace

// ---- global memory ----------------------------------------------------------
void *GlobalAllocLocked(size_t bytes, bool zero) {
  void *p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!p) return nullptr;
  auto &g = Globals();
  std::lock_guard<std::mutex> lock(g.mutex);
  try {
    g.blocks.emplace(p, bytes);
  } catch (...) {
    std::free(p);
    return nullptr;
  }
  return p;
}

bool GlobalFreeLocked(void *p) {
  if (!p) return false;
  auto &g = Globals();
  {
    std::lock_guard<std::mutex> lock(g.mutex);
    auto it = g.blocks.find(p);
    if (it == g.blocks.end()) return false;
    g.blocks.erase(it);
  }
  std::free(p);
  return true;
}

void *GlobalReAllocLocked(void *p, size_t bytes, bool zero) {
  if (!p) return GlobalAllocLocked(bytes, zero);
  size_t old = GlobalSizeLocked(p);
  if (!GlobalOwns(p)) return nullptr;
  void *q = GlobalAllocLocked(bytes, zero);
  if (!q) return nullptr;
  std::memcpy(q, p, old < bytes ? old : bytes);
  GlobalFreeLocked(p);
  return q;
}

size_t GlobalSizeLocked(const void *p) {
  auto &g = Globals();
  std::lock_guard<std::mutex> lock(g.mutex);
  auto it = g.blocks.find(p);
  return it == g.blocks.end() ? 0 : it->second;
}

bool GlobalOwns(const void *p) {
  if (!p) return false;
  auto &g = Globals();
  std::lock_guard<std::mutex> lock(g.mutex);
  return g.blocks.count(p) != 0;
}

// ---- C-heap items -------------------------------------------------------------
void *ItemCalloc(size_t bytes) {
  if (bytes > SIZE_MAX - kItemPrefix) return nullptr;
  auto *base = static_cast<unsigned char *>(std::calloc(bytes + kItemPrefix, 1));
  if (!base) return nullptr;
  std::memcpy(base, &bytes, sizeof bytes);
  return base + kItemPrefix;
}

void *ItemReAlloc(void *p, size_t bytes) {
  if (!p) return ItemCalloc(bytes);
  if (bytes > SIZE_MAX - kItemPrefix) return nullptr;
  auto *base = static_cast<unsigned char *>(p) - kItemPrefix;
  size_t old;
  std::memcpy(&old, base, sizeof old);
  auto *nb = static_cast<unsigned char *>(std::realloc(base, bytes + kItemPrefix));
  if (!nb) return nullptr;
  if (bytes > old) std::memset(nb + kItemPrefix + old, 0, bytes - old);
  std::memcpy(nb, &bytes, sizeof bytes);
  return nb + kItemPrefix;
}

void ItemFree(void *p) {
  if (p) std::free(static_cast<unsigned char *>(p) - kItemPrefix);
}

size_t ItemSize(const void *p) {
  if (!p) return SIZE_MAX;
  size_t n;
  std::memcpy(&n, static_cast<const unsigned char *>(p) - kItemPrefix, sizeof n);
  return n;
}

// ---- private heaps ----------------------------------------------------------------
HeapHandle HeapCreate(uint32_t, size_t, size_t) { return new (std::nothrow) PrivateHeap; }

bool HeapDestroy(HeapHandle heap) {
  auto *h = static_cast<PrivateHeap *>(heap);
  if (!h) return false;
  for (auto &b : h->blocks) std::free(const_cast<void *>(b.first));
  delete h;
  return true;
}

void *HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) {
  auto *h = static_cast<PrivateHeap *>(heap);
  if (!h) return nullptr;
  void *p = (flags & kHeapZeroMemory) ? std::calloc(bytes ? bytes : 1, 1)
                                      : std::malloc(bytes ? bytes : 1);
  if (!p) return nullptr;
  std::lock_guard<std::mutex> lock(h->mutex);
  try {
    h->blocks.emplace(p, bytes);
  } catch (...) {
    std::free(p);
    return nullptr;
  }
  return p;
}

void *HeapReAlloc(HeapHandle heap, uint32_t flags, void *p, size_t bytes) {
  auto *h = static_cast<PrivateHeap *>(heap);
  if (!h || !p) return nullptr;
  std::lock_guard<std::mutex> lock(h->mutex);
  auto it = h->blocks.find(p);
  if (it == h->blocks.end()) return nullptr;
  size_t old = it->second;
  void *q = std::realloc(p, bytes ? bytes : 1);
  if (!q) return nullptr;
  if ((flags & kHeapZeroMemory) && bytes > old)
    std::memset(static_cast<unsigned char *>(q) + old, 0, bytes - old);
  h->blocks.erase(it);
  h->blocks.emplace(q, bytes);
  return q;
}

bool HeapFree(HeapHandle heap, uint32_t, void *p) {
  auto *h = static_cast<PrivateHeap *>(heap);
  if (!h || !p) return false;
  {
    std::lock_guard<std::mutex> lock(h->mutex);
    auto it = h->blocks.find(p);
    if (it == h->blocks.end()) return false;
    h->blocks.erase(it);
  }
  std::free(p);
  return true;
}

size_t HeapSize(HeapHandle heap, uint32_t, const void *p) {
  auto *h = static_cast<PrivateHeap *>(heap);
  if (!h || !p) return SIZE_MAX;
  std::lock_guard<std::mutex> lock(h->mutex);
  auto it = h->blocks.find(p);
  return it == h->blocks.end() ? SIZE_MAX : it->second;
}

// ---- lock -------------------------------------------------------------------------
static_assert(sizeof(pthread_mutex_t) <= kLockBytes, "recursive mutex must fit 40 bytes");
static_assert(alignof(pthread_mutex_t) <= alignof(LockStorage), "lock alignment");

void LockInit(LockStorage *lock) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(reinterpret_cast<pthread_mutex_t *>(lock->bytes), &attr);
  pthread_mutexattr_destroy(&attr);
}
void LockDelete(LockStorage *lock) {
  pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t *>(lock->bytes));
}
void LockEnter(LockStorage *lock) {
  pthread_mutex_lock(reinterpret_cast<pthread_mutex_t *>(lock->bytes));
}
void LockLeave(LockStorage *lock) {
  pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t *>(lock->bytes));
}

// ---- threads ------------------------------------------------------------------------
uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

// ---- modules ------------------------------------------------------------------------
HMODULE ModuleLoad(const KOCHAR *path) {
  if (!path) return nullptr;
  std::string utf8 = Utf16ToUtf8(path);
  return dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *ModuleSymbol(HMODULE module, const char *name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

void ModuleFree(HMODULE module) {
  if (module) dlclose(module);
}

HMODULE ModuleOfProcess() {
  static HMODULE self = dlopen(nullptr, RTLD_NOW);
  return self;
}

bool ModuleFromAddress(const void *address, void **base, char *name, uint32_t capacity) {
  if (base) *base = nullptr;
  if (name && capacity) name[0] = 0;
  Dl_info info;
  if (!address || dladdr(address, &info) == 0 || !info.dli_fbase) return false;
  if (base) *base = info.dli_fbase;
  if (name && capacity) {
    const char *path = info.dli_fname ? info.dli_fname : "";
    size_t n = std::strlen(path);
    if (n >= capacity) n = capacity - 1;
    std::memcpy(name, path, n);
    name[n] = 0;
  }
  return true;
}

bool ReadMemory(const void *from, void *to, size_t bytes) {
  if (bytes == 0) return true;
  if (!from || !to) return false;
  if (bytes > UINTPTR_MAX - reinterpret_cast<uintptr_t>(from)) return false;
  iovec local{to, bytes};
  iovec remote{const_cast<void *>(from), bytes};
  const ssize_t got = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
  if (got >= 0) return static_cast<size_t>(got) == bytes;
  if (errno == EFAULT) return false;
  // No cross-memory reads here (a sandbox may forbid them): a pipe reports
  // EFAULT for an unreadable source in the same way.
  int fds[2];
  if (::pipe(fds) != 0) return false;
  bool ok = true;
  const char *src = static_cast<const char *>(from);
  char *dst = static_cast<char *>(to);
  for (size_t done = 0; ok && done < bytes;) {
    const size_t chunk = bytes - done < 4096 ? bytes - done : 4096;
    const ssize_t w = ::write(fds[1], src + done, chunk);
    ok = w > 0 && ::read(fds[0], dst + done, static_cast<size_t>(w)) == w;
    if (ok) done += static_cast<size_t>(w);
  }
  ::close(fds[0]);
  ::close(fds[1]);
  return ok;
}

uint32_t ModuleFileName(HMODULE module, KOCHAR *buffer, uint32_t capacity, uint32_t *errorOut) {
  if (errorOut) *errorOut = 0;
  std::string name;
  struct link_map *map = nullptr;
  if (!module || module == ModuleOfProcess()) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
      if (errorOut) *errorOut = 126;  // ERROR_MOD_NOT_FOUND
      return 0;
    }
    name.assign(exe, static_cast<size_t>(n));
  } else if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) {
    name = map->l_name;
  } else {
    if (errorOut) *errorOut = 126;
    return 0;
  }
  std::u16string wide = Utf8ToUtf16(name.c_str());
  if (!buffer || capacity == 0) {
    if (errorOut) *errorOut = 122;  // ERROR_INSUFFICIENT_BUFFER
    return 0;
  }
  if (wide.size() + 1 > capacity) {
    // Same as Win32: truncated and terminated, the capacity is returned.
    std::memcpy(buffer, wide.data(), (capacity - 1) * sizeof(KOCHAR));
    buffer[capacity - 1] = 0;
    if (errorOut) *errorOut = 122;
    return capacity;
  }
  std::memcpy(buffer, wide.data(), wide.size() * sizeof(KOCHAR));
  buffer[wide.size()] = 0;
  return static_cast<uint32_t>(wide.size());
}

// ---- clocks -------------------------------------------------------------------------
bool PerformanceFrequency(int64_t *frequency) {
  if (frequency) *frequency = 1000000000;
  return true;
}

int64_t PerformanceCounter() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

uint32_t TickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

// ---- processor facts ----------------------------------------------------------------
SystemInfo GetSystemInfo() {
  SystemInfo info{};
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  info.processorCount = n > 0 ? static_cast<uint32_t>(n) : 1;
#if defined(__x86_64__)
  info.processorType = 8664;
  info.processorArchitecture = 9;
#else
  info.processorType = 0;
  info.processorArchitecture = 0xFFFF;
#endif
  return info;
}

// ---- error mode ---------------------------------------------------------------------
namespace {
uint32_t g_errorMode = 0;
}
uint32_t GetErrorMode() { return g_errorMode; }
void SetErrorMode(uint32_t mode) { g_errorMode = mode; }

void DebugOutput(const char *text) {
  if (text) std::fputs(text, stderr);
}

// ---- display ------------------------------------------------------------------------
namespace {
std::mutex g_displayLock;
DisplayLayout g_display{};
}  // namespace
DisplayLayout GetDisplayLayout() {
  std::lock_guard<std::mutex> guard(g_displayLock);
  return g_display;
}
void SetDisplayLayout(const DisplayLayout &layout) {
  std::lock_guard<std::mutex> guard(g_displayLock);
  g_display = layout;
  if (g_display.count > kMaxMonitors) g_display.count = kMaxMonitors;
}
uint32_t SystemColour(int) { return 0; }
int ScreenBitsPerPixel() { return 24; }
uint32_t NearestScreenColour(uint32_t colour) { return colour; }

}  // namespace ko::platform
