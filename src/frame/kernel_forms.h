// One path controller and one registry of row-kernel forms.
//
// Every dispatched row kernel of the library is declared once as a
// `Kernel`: its name, its scalar reference and its SSE2/AVX2 forms. A family
// lists its kernels in a `KernelTable` and names that table in
// kernel_families.h. The frame functions pick a form with `Pick`, which reads
// the same record, so a form that is dispatched is a form the registry knows
// and the comparison test (tests/kernels) runs against its reference; the
// benchmark harness (bench/kernels) times every form from the same list.
//
// The controller: each family has its rule for the form it takes
// (`Current`). Tests and benchmarks cap every family at once with `Force`
// (or a `ForceScope`), whatever the family's own rule.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ko::forms {

enum Form : int { kScalar = 0, kSSE2 = 1, kAVX2 = 2 };
constexpr int kFormCount = 3;
const char *FormName(Form f);

// Families and the rule each follows for its choice:
//  Pixels, Colour, ImageOps: the processor-support value (KoGetCPUSupport,
//    with its allow/disallow masks) must show SSE2 for the SSE2 forms; AVX2
//    forms need AVX2 and FMA from the processor and the operating system,
//    and the AVX2 switch (AllowAVX2) on.
//  Signal: the primitives' own probe and code path (path 3 runs AVX2, paths
//    1 and 2 SSE2, path 0 the generic kernels).
enum class Family : int { Pixels, Colour, ImageOps, Signal, Count };
const char *FamilyName(Family f);

// Whether this processor and operating system can run the form at all.
bool HardwareRuns(Form f);

// The form the family takes now, with any forced cap applied.
Form Current(Family family);

// The AVX2 switch of the processor-support families (on by default).
void AllowAVX2(bool allow);
bool AVX2Allowed();

// Caps every family at `form` (never above what the hardware runs); -1 lifts
// the cap. For tests and benchmarks.
void Force(int form);
int Forced();

class ForceScope {
 public:
  explicit ForceScope(Form form) : saved_(Forced()) { Force(form); }
  ~ForceScope() { Force(saved_); }
  ForceScope(const ForceScope &) = delete;
  ForceScope &operator=(const ForceScope &) = delete;
  // Whether the forced form really runs here (false where the hardware
  // cannot take it; the family then runs a lower form).
  bool Runs() const;

 private:
  int saved_;
};

// What a kernel promises about its vector forms against its reference.
enum class Promise : int {
  Exact,    // bit-identical output
  Bounded,  // within `bound` (units stated by the kernel's comment)
};

struct Kernel {
  const char *name;  // "family.Kernel", unique
  Family family;
  const void *fn[kFormCount];  // fn[kScalar] always set; null where a form is absent
  Promise promise = Promise::Exact;
  double bound = 0;  // for Promise::Bounded
};

// Builds a Kernel from typed function pointers (null for a missing form).
template <class F>
constexpr Kernel Declare(const char *name, Family family, F scalar, F sse2, F avx2,
                         Promise promise = Promise::Exact, double bound = 0) {
  return Kernel{name,
                family,
                {reinterpret_cast<const void *>(scalar), reinterpret_cast<const void *>(sse2),
                 reinterpret_cast<const void *>(avx2)},
                promise,
                bound};
}

// The highest form of `k` that is present and at or below `at`.
Form Best(const Kernel &k, Form at);

// The function of the form the family takes now.
template <class F>
F Pick(const Kernel &k) {
  return reinterpret_cast<F>(const_cast<void *>(k.fn[Best(k, Current(k.family))]));
}
// The function of one form (null where absent), for tests and benchmarks.
template <class F>
F FormOf(const Kernel &k, Form f) {
  return reinterpret_cast<F>(const_cast<void *>(k.fn[f]));
}

struct KernelTable {
  const Kernel *const *items;
  size_t count;
};

// Every registered kernel, in table order; Find by name (null if unknown).
size_t Count();
const Kernel &At(size_t i);
const Kernel *Find(const char *name);

}  // namespace ko::forms
