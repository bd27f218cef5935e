// Shared by the fuzz targets: the input read as fields, the input as a
// terminated UTF-16 text in a buffer of exactly its size, and the checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kokernel/kobase.h"

// A failed property is a crash, for libFuzzer and for the replay smoke.
inline void Require(bool ok) {
  if (!ok) std::abort();
}

// Fields taken from the front of the input; zeros once it is used up.
struct FuzzInput {
  const uint8_t *p;
  size_t n;
  template <class T = uint8_t>
  T Take() {
    T v{};
    const size_t k = n < sizeof(T) ? n : sizeof(T);
    if (k) std::memcpy(&v, p, k);
    p += k, n -= k;
    return v;
  }
  // The next `bytes` bytes, the first one highest.
  uint32_t Big(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | Take();
    return v;
  }
  int Range(int lo, int hi) { return lo + Take() % (hi - lo + 1); }
};

struct FuzzText {
  std::vector<KOCHAR> storage;
  size_t length = 0;

  // An early terminator in the input simply shortens the text.
  FuzzText(const uint8_t *data, size_t size) {
    storage.resize(size / 2 + 1);
    if (size / 2) std::memcpy(storage.data(), data, size / 2 * 2);
    while (length < size / 2 && storage[length]) ++length;
    storage[length] = 0;
    storage.resize(length + 1);
    storage.shrink_to_fit();
  }
  const KOCHAR *c_str() const { return storage.data(); }
  // Is p a position inside the text or on its terminator?
  bool Holds(const KOCHAR *p) const { return p >= storage.data() && p <= storage.data() + length; }
};

// A bounded writer gets a heap buffer of exactly its capacity and must
// answer a length inside it.
template <class F>
void Bounded(int capacity, F f) {
  std::vector<KOCHAR> out(capacity > 0 ? capacity : 1);
  const int n = f(capacity > 0 ? out.data() : nullptr, capacity);
  Require(n >= 0 && (capacity <= 0 || n < capacity));
}
