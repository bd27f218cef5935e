// Helpers of the resource tests: a writer of compiled resource entries (the
// layout of a resource compiler's .res file) and record comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kokernel/koresource.h"

namespace kores_test {

using wstr = std::basic_string<KOCHAR>;
inline KOCSTR Ord(unsigned n) { return reinterpret_cast<KOCSTR>(static_cast<uintptr_t>(n)); }
inline bool IsOrd(KOCSTR p) { return reinterpret_cast<uintptr_t>(p) < 0x10000; }
inline wstr Text(KOCSTR p) { return (p && !IsOrd(p)) ? wstr(p) : wstr(); }

class PoolWriter {
 public:
  // An entry; name and type are ordinals below 0x10000 or texts.
  void Add(KOCSTR type, KOCSTR name, uint16_t language, const void *data, uint32_t bytes) {
    std::vector<unsigned char> h;
    Field(&h, type), Field(&h, name);
    while ((h.size() + 8) % 4) h.push_back(0);
    Put32(&h, 0), Put16(&h, 0x1030), Put16(&h, language);  // data version, memory flags, language
    Put32(&h, 0), Put32(&h, 0);
    size_t start = bytes_.size();
    Put32(&bytes_, bytes), Put32(&bytes_, static_cast<uint32_t>(h.size() + 8));
    bytes_.insert(bytes_.end(), h.begin(), h.end());
    const auto *d = static_cast<const unsigned char *>(data);
    bytes_.insert(bytes_.end(), d, d + bytes);
    while ((bytes_.size() - start) % 4) bytes_.push_back(0);
  }
  // The empty entry a resource compiler writes first.
  void AddEmpty() { Add(Ord(0), Ord(0), 0, nullptr, 0); }
  std::vector<unsigned char> &bytes() { return bytes_; }

 private:
  static void Put16(std::vector<unsigned char> *v, uint16_t x) { v->push_back(x & 0xFF), v->push_back(x >> 8); }
  static void Put32(std::vector<unsigned char> *v, uint32_t x) { Put16(v, x & 0xFFFF), Put16(v, x >> 16); }
  static void Field(std::vector<unsigned char> *v, KOCSTR f) {
    if (IsOrd(f)) return Put16(v, 0xFFFF), Put16(v, static_cast<uint16_t>(reinterpret_cast<uintptr_t>(f)));
    for (; *f; ++f) Put16(v, *f);
    Put16(v, 0);
  }
  std::vector<unsigned char> bytes_;
};

}  // namespace kores_test
