#include "kernels/kernel_cases.h"

#include <cmath>
#include <cstdio>
#include <map>

namespace kotest {

namespace {
std::map<std::string, MakeCase> &Makers() {
  static std::map<std::string, MakeCase> m;
  return m;
}
}  // namespace

CaseRegistrar::CaseRegistrar(const char *name, MakeCase make) { Makers()[name] = make; }

MakeCase FindCase(const char *name) {
  auto it = Makers().find(name);
  return it == Makers().end() ? nullptr : it->second;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> v;
  for (auto &kv : Makers()) v.push_back(kv.first);
  return v;
}

std::string DiffBytes(const void *ref, const void *got, size_t n) {
  const auto *a = static_cast<const uint8_t *>(ref);
  const auto *b = static_cast<const uint8_t *>(got);
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) {
      char buf[96];
      std::snprintf(buf, sizeof buf, "byte %zu of %zu: reference %u, got %u", i, n, a[i], b[i]);
      return buf;
    }
  return "";
}

template <class T>
std::string DiffReals(const T *ref, const T *got, size_t n, double bound) {
  for (size_t i = 0; i < n; ++i) {
    const bool nanA = std::isnan(ref[i]), nanB = std::isnan(got[i]);
    if (nanA != nanB || (!nanA && !(std::fabs(double(ref[i]) - double(got[i])) <= bound))) {
      if (!nanA && ref[i] == got[i]) continue;  // equal infinities
      char buf[128];
      std::snprintf(buf, sizeof buf, "element %zu of %zu: reference %.9g, got %.9g (bound %g)", i, n,
                    double(ref[i]), double(got[i]), bound);
      return buf;
    }
  }
  return "";
}

template std::string DiffReals(const float *, const float *, size_t, double);
template std::string DiffReals(const double *, const double *, size_t, double);

}  // namespace kotest
