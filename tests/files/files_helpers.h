// Helpers of the path and file tests: wide texts from narrow literals and
// buffers that end at a guard.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kokernel/kofiles.h"

namespace kofiles_test {

using wstr = std::basic_string<KOCHAR>;

inline wstr W(const char *s) {
  wstr w;
  for (; *s; ++s) w += static_cast<KOCHAR>(static_cast<unsigned char>(*s));
  return w;
}

inline std::string N(const KOCHAR *s) {
  std::string n;
  for (; s && *s; ++s) n += *s < 128 ? static_cast<char>(*s) : '?';
  return n;
}

// A buffer of `capacity` units followed by a guard that must stay intact.
class Guarded {
 public:
  explicit Guarded(size_t capacity, const wstr &initial = wstr())
      : capacity_(capacity), units_(capacity + kGuard, kMark) {
    for (size_t i = 0; i < initial.size() && i < capacity; ++i) units_[i] = initial[i];
    if (initial.size() < capacity) units_[initial.size()] = 0;
  }
  KOCHAR *data() { return units_.data(); }
  int cch() const { return static_cast<int>(capacity_); }
  std::string text() const { return N(units_.data()); }
  bool GuardIntact() const { return std::count(units_.begin() + capacity_, units_.end(), kMark) == std::ptrdiff_t(kGuard); }

 private:
  static constexpr size_t kGuard = 16;
  static constexpr KOCHAR kMark = static_cast<KOCHAR>(0xBEEF);
  size_t capacity_;
  std::vector<KOCHAR> units_;
};

}  // namespace kofiles_test
