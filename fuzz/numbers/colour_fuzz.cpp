// Colour reader and writers on any text.
#include <cstdlib>
#include <vector>

#include "fuzz_text.h"
#include "kokernel/konumtext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzText t(data, size);
  KOCSTR end = nullptr;
  const DWORD c = KoTextToColorrefToken(t.c_str(), &end);
  if (!t.Holds(end)) std::abort();
  if (KoTextToColorref(t.c_str()) != c) std::abort();
  // A colour that was read prints in every style and reads back the same.
  if (c != KO_COLORREF_NONE || end != t.c_str()) {
    for (DWORD style = 0; style < 3; ++style) {
      KOCHAR text[32];
      KoColorrefToText(text, 32, c, style);
      if (KoTextToColorref(text) != c) std::abort();
    }
  }
  const int capacity = static_cast<int>(t.length % 16);
  std::vector<KOCHAR> out(capacity ? capacity : 1);
  DWORD length = 0;
  KoColorrefToTextEx(capacity ? out.data() : nullptr, capacity, &length, c, t.length);
  if (capacity && length >= static_cast<DWORD>(capacity)) std::abort();
  return 0;
}
