// Processor probe, code-path choice and status mapping of the primitives
// layer.
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include <cpuid.h>
#include <x86intrin.h>

#include "frame/kernel_families.h"
#include "signal/signal_internal.h"

namespace ko::signal {

namespace {

// Path number -> kernels. Paths 1 and 2 (both variants) run the SSE2
// kernels, which need nothing newer.
const KernelSet *PathTable(int path) {
  switch (path) {
    case 1:
    case 2:
      return &Sse2Kernels();
    case 3:
      return &Avx2Kernels();
    default:
      return &GenericKernels();
  }
}

std::atomic<int> g_path{-1};

uint64_t ReadXcr0() {
  uint32_t lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<uint64_t>(hi) << 32) | lo;
}

int ChoosePath() {
  int variant = 0;
  return PathForFeatures(ProbeFeatures(), &variant);
}

}  // namespace

uint32_t ProbeFeatures() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return 0;
  uint32_t f = 0;
  if (d & (1u << 0)) f |= 0x01;
  if (d & (1u << 23)) f |= 0x02;
  if (d & (1u << 25)) f |= 0x04;
  if (d & (1u << 26)) f |= 0x08;
  if ((c & (1u << 0)) && (c & (1u << 9))) f |= 0x10;
  if (c & (1u << 19)) f |= 0x20;
  const bool osxsave = (c & (1u << 27)) != 0;
  const bool avx = (c & (1u << 28)) != 0;
  const bool fma = (c & (1u << 12)) != 0;
  if (osxsave && avx && fma && (ReadXcr0() & 0x6) == 0x6) {
    unsigned a7, b7, c7, d7;
    if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7) && (b7 & (1u << 5))) f |= 0x40;
  }
  return f;
}

int PathForFeatures(uint32_t features, int *variant) {
  *variant = 0;
  if (features & 0x40) return 3;
  if (features & 0x10) {
    if (features & 0x20) *variant = 1;
    return 2;
  }
  if (features & 0x08) return 1;
  return 0;
}

const KernelSet &KernelsForPath(int path) { return *PathTable(path); }

int CurrentPath() {
  int p = g_path.load(std::memory_order_acquire);
  if (p < 0) {
    p = ChoosePath();
    g_path.store(p, std::memory_order_release);
  }
  return p;
}

// The kernels of the three sets as registered kernels: generic = scalar,
// paths 1 and 2 = SSE2, path 3 = AVX2. Every path gives the same results.
#define KO_SIGNAL_KERNELS(X)                                                                    \
  X(fft32, Fft32) X(fft64, Fft64) X(realSplit64, RealSplit64) X(realMerge64, RealMerge64)      \
  X(mul64fc, Mul64fc) X(conj64fc, Conj64fc) X(minmax32f, MinMax32f) X(minmax64f, MinMax64f) \
  X(sqrt32f, Sqrt32f)

namespace {
struct SignalKernels {
#define KO_SIGNAL_FIELD(field, Name) ko::forms::Kernel field;
  KO_SIGNAL_KERNELS(KO_SIGNAL_FIELD)
#undef KO_SIGNAL_FIELD
};

const SignalKernels &Registered() {
  using ko::forms::Declare;
  static const SignalKernels k = {
#define KO_SIGNAL_DECLARE(field, Name)                                                           \
  Declare<decltype(KernelSet::field)>("signal." #Name, ko::forms::Family::Signal,              \
                                      GenericKernels().field, Sse2Kernels().field, Avx2Kernels().field),
      KO_SIGNAL_KERNELS(KO_SIGNAL_DECLARE)
#undef KO_SIGNAL_DECLARE
  };
  return k;
}
}  // namespace

// One set per form, resolved once (the hardware does not change); each call
// then only asks the family which form it takes now, forced caps included.
const KernelSet &Kernels() {
  using ko::forms::Form;
  static const auto sets = [] {
    const SignalKernels &k = Registered();
    std::array<KernelSet, ko::forms::kFormCount> all{};
    for (int f = 0; f < ko::forms::kFormCount; ++f) {
      const Form form = static_cast<Form>(f);
      all[f].name = (form == ko::forms::kAVX2   ? Avx2Kernels()
                     : form == ko::forms::kSSE2 ? Sse2Kernels()
                                                : GenericKernels())
                        .name;
#define KO_SIGNAL_PICK(field, Name) \
  all[f].field = ko::forms::FormOf<decltype(KernelSet::field)>(k.field, ko::forms::Best(k.field, form));
      KO_SIGNAL_KERNELS(KO_SIGNAL_PICK)
#undef KO_SIGNAL_PICK
    }
    return all;
  }();
  return sets[ko::forms::Current(ko::forms::Family::Signal)];
}

int ForcePath(int path) {
  int old = CurrentPath();
  if (path < 0 || path > 3) path = ChoosePath();
  g_path.store(path, std::memory_order_release);
  return old;
}

HRESULT StatusToResult(KoPerfStatus s) {
  if (s == KOPERF_STS_CPU_NOTSUPPORTED) return KO_HR(0x8004E6FFu);
  if (s == KOPERF_STS_UNKNOWN) return KO_HR(0x8004E700u);
  if (s >= 0) return KO_HR(0x0004E600u + static_cast<uint32_t>(s));
  return KO_HR(0x8004E600u + (0u - static_cast<uint32_t>(s)));
}

void *AlignedAlloc(size_t bytes) {
  constexpr size_t kAlign = 64;
  if (bytes > SIZE_MAX - kAlign - sizeof(void *)) return nullptr;
  void *raw = std::malloc(bytes + kAlign + sizeof(void *));
  if (!raw) return nullptr;
  uintptr_t p = (reinterpret_cast<uintptr_t>(raw) + sizeof(void *) + kAlign - 1) & ~(kAlign - 1);
  std::memcpy(reinterpret_cast<void *>(p - sizeof(void *)), &raw, sizeof(void *));
  return reinterpret_cast<void *>(p);
}

void AlignedFree(void *p) {
  if (!p) return;
  void *raw;
  std::memcpy(&raw, static_cast<char *>(p) - sizeof(void *), sizeof(void *));
  std::free(raw);
}

}  // namespace ko::signal

const ko::forms::KernelTable &ko::forms::KernelTable_Signal() {
  static const auto items = [] {
    const ko::signal::SignalKernels &k = ko::signal::Registered();
    return std::array<const Kernel *, 9>{&k.fft32, &k.fft64, &k.realSplit64, &k.realMerge64, &k.mul64fc,
                                         &k.conj64fc, &k.minmax32f, &k.minmax64f, &k.sqrt32f};
  }();
  static const KernelTable table{items.data(), items.size()};
  return table;
}

using namespace ko::signal;

extern "C" {

HRESULT KoPerfStatusToHRESULT(KoPerfStatus status) { return StatusToResult(status); }

HRESULT KoPerfMapStatus(int status) { return StatusToResult(status); }

int KoPerfMapHintAlgorithm(KoPerfHintAlgorithm hint) {
  static const int kTable[4] = {0, 1, 2, 0};
  return (hint >= 0 && hint < 4) ? kTable[hint] : 0;
}

HRESULT KoPerf_Initialize(void) {
  // The probe gives the same answer every time, so repeated or concurrent
  // calls store the same path.
  int variant = 0;
  uint32_t features = ProbeFeatures();
  int path = PathForFeatures(features, &variant);
  g_path.store(path, std::memory_order_release);
  return StatusToResult(KOPERF_STS_NOERR);
}

ULONGLONG KoPerfGetCpuClocks(void) { return __rdtsc(); }

}  // extern "C"
