// Argument generators of the registered row kernels. Each kernel of the
// registry (frame/kernel_forms.h) has one case maker here, keyed by the
// kernel's name; the comparison test (kernels_test.cpp) and the benchmark
// harness (bench/kernels) both build their inputs through it.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frame/kernel_forms.h"

namespace kotest {

using ko::forms::Form;
using ko::forms::Kernel;

// One set of valid arguments for one kernel. Run(f) calls form f on the
// inputs and keeps its output apart from the other forms' outputs; Diff(f)
// says how output f differs from the scalar output ("" where it keeps the
// kernel's promise).
struct Case {
  virtual ~Case() = default;
  virtual void Run(Form f) = 0;
  virtual std::string Diff(Form f) = 0;
};

using Rng = std::mt19937_64;
using MakeCase = std::unique_ptr<Case> (*)(const Kernel &k, Rng &rng, int width);

struct CaseRegistrar {
  CaseRegistrar(const char *name, MakeCase make);
};
MakeCase FindCase(const char *name);
std::vector<std::string> CaseNames();

#define KO_CONCAT2_(a, b) a##b
#define KO_CONCAT_(a, b) KO_CONCAT2_(a, b)
// KO_KERNEL_CASE("pixels.BilinearRow", MakeBilinear);
#define KO_KERNEL_CASE(name, make) \
  static const ::kotest::CaseRegistrar KO_CONCAT_(ko_case_, __LINE__)(name, make)

// Helpers for writing cases.
template <class T>
std::vector<T> RandomVec(Rng &rng, size_t n, T lo, T hi) {
  std::vector<T> v(n);
  if constexpr (std::is_floating_point_v<T>) {
    std::uniform_real_distribution<T> d(lo, hi);
    for (auto &x : v) x = d(rng);
  } else {
    std::uniform_int_distribution<long long> d(lo, hi);
    for (auto &x : v) x = static_cast<T>(d(rng));
  }
  return v;
}
inline std::vector<uint8_t> RandomBytes(Rng &rng, size_t n) { return RandomVec<uint8_t>(rng, n, 0, 255); }

// "" when the two byte ranges agree, else the first differing offset and
// the values there.
std::string DiffBytes(const void *ref, const void *got, size_t n);
// "" when every |ref[i] - got[i]| <= bound (NaN only against NaN); float
// and double.
template <class T>
std::string DiffReals(const T *ref, const T *got, size_t n, double bound);

// The common shape: outputs kept per form, compared by bytes or by floats
// with the kernel's bound.
template <class Out>
struct OutputsByForm : Case {
  explicit OutputsByForm(const Kernel &k, size_t n) : kernel(k) {
    for (auto &o : out) o.assign(n, Out{});
  }
  std::string Diff(Form f) override {
    const size_t n = out[0].size();
    if constexpr (std::is_floating_point_v<Out>)
      return DiffReals(out[0].data(), out[f].data(), n, kernel.bound);
    else
      return DiffBytes(out[0].data(), out[f].data(), n * sizeof(Out));
  }
  const Kernel &kernel;
  std::vector<Out> out[ko::forms::kFormCount];
};

// A kernel run on fixed inputs: `call(fn, out)` applies form fn.
template <class Fn, class Out>
struct CallCase : OutputsByForm<Out> {
  CallCase(const Kernel &k, size_t n) : OutputsByForm<Out>(k, n) {}
  void Run(Form f) override { call(ko::forms::FormOf<Fn>(this->kernel, f), this->out[f].data()); }
  std::function<void(Fn, Out *)> call;
};
template <class Fn, class Out>
std::unique_ptr<Case> MakeCall(const Kernel &k, size_t n, std::function<void(Fn, Out *)> call) {
  auto c = std::make_unique<CallCase<Fn, Out>>(k, n);
  c->call = std::move(call);
  return c;
}

// Widths every kernel is run at: 1, odd, around each vector width, and a
// few larger ones; the test adds random widths.
inline const std::vector<int> &EdgeWidths() {
  static const std::vector<int> w{1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 129};
  return w;
}

}  // namespace kotest
