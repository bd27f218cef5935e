// Turns fuzz input into a terminated UTF-16 text in a buffer of exactly its
// size, so that reading past the terminator is caught.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kokernel/kobase.h"

struct FuzzText {
  std::vector<KOCHAR> storage;
  size_t length = 0;

  FuzzText(const uint8_t *data, size_t size) {
    length = size / 2;
    storage.resize(length + 1);
    if (length) std::memcpy(storage.data(), data, length * 2);
    // An early terminator in the input simply shortens the text.
    for (size_t i = 0; i < length; ++i)
      if (storage[i] == 0) {
        length = i;
        break;
      }
    storage[length] = 0;
    storage.resize(length + 1);
    storage.shrink_to_fit();
  }
  const KOCHAR *c_str() const { return storage.data(); }
  // Is p a position inside the text or on its terminator?
  bool Holds(const KOCHAR *p) const { return p >= storage.data() && p <= storage.data() + length; }
};
