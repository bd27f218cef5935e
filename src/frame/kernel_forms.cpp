// The path controller and the registry of kernel forms.
#include "frame/kernel_forms.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "frame/kernel_families.h"
#include "kokernel/koframe.h"

namespace ko::signal {
int CurrentPath();
}

namespace ko::forms {

namespace {

std::atomic<int> g_forced{-1};
std::atomic<bool> g_avx2Allowed{true};

bool Avx2Present() {
#if defined(__x86_64__) || defined(_M_X64)
  static const bool present = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
  }();
  return present;
#else
  return false;
#endif
}

Form Cap(Form f) {
  const int forced = g_forced.load(std::memory_order_relaxed);
  return forced >= 0 && forced < f ? static_cast<Form>(forced) : f;
}

struct Registry {
  std::vector<const Kernel *> all;
  Registry() {
#define KO_ADD_TABLE(Name)                                   \
  {                                                          \
    const KernelTable &t = KernelTable_##Name();             \
    for (size_t i = 0; i < t.count; ++i) all.push_back(t.items[i]); \
  }
    KO_KERNEL_TABLES(KO_ADD_TABLE)
#undef KO_ADD_TABLE
  }
};

const Registry &Reg() {
  static const Registry r;
  return r;
}

}  // namespace

const char *FormName(Form f) {
  switch (f) {
    case kSSE2: return "SSE2";
    case kAVX2: return "AVX2";
    default: return "scalar";
  }
}

const char *FamilyName(Family f) {
  switch (f) {
    case Family::Pixels: return "pixels";
    case Family::Colour: return "colour";
    case Family::ImageOps: return "imageops";
    case Family::Signal: return "signal";
    default: return "?";
  }
}

bool HardwareRuns(Form f) {
#if defined(__x86_64__) || defined(_M_X64)
  switch (f) {
    case kScalar:
    case kSSE2: return true;
    case kAVX2: return Avx2Present();
  }
#endif
  return f == kScalar;
}

Form Current(Family family) {
  Form f = kScalar;
  if (family == Family::Signal) {
    const int path = ko::signal::CurrentPath();
    f = path == 3 ? kAVX2 : (path >= 1 ? kSSE2 : kScalar);
  } else if (KoGetCPUSupport(KOCPU_SSE2) & KOCPU_SSE2) {
    f = g_avx2Allowed.load(std::memory_order_relaxed) && Avx2Present() ? kAVX2 : kSSE2;
  }
  return Cap(f);
}

void AllowAVX2(bool allow) { g_avx2Allowed.store(allow, std::memory_order_relaxed); }
bool AVX2Allowed() { return g_avx2Allowed.load(std::memory_order_relaxed); }

void Force(int form) { g_forced.store(form < 0 ? -1 : form, std::memory_order_relaxed); }
int Forced() { return g_forced.load(std::memory_order_relaxed); }

bool ForceScope::Runs() const {
  const int f = Forced();
  return f < 0 || HardwareRuns(static_cast<Form>(f));
}

Form Best(const Kernel &k, Form at) {
  for (int f = at; f > kScalar; --f)
    if (k.fn[f] && HardwareRuns(static_cast<Form>(f))) return static_cast<Form>(f);
  return kScalar;
}

size_t Count() { return Reg().all.size(); }
const Kernel &At(size_t i) { return *Reg().all[i]; }
const Kernel *Find(const char *name) {
  for (const Kernel *k : Reg().all)
    if (std::strcmp(k->name, name) == 0) return k;
  return nullptr;
}

}  // namespace ko::forms
