// Colour reader and writers on any text.
#include "../harness.h"
#include "kokernel/konumtext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzText t(data, size);
  KOCSTR end = nullptr;
  const DWORD c = KoTextToColorrefToken(t.c_str(), &end);
  Require(t.Holds(end) && KoTextToColorref(t.c_str()) == c);
  // A colour that was read prints in every style and reads back the same.
  if (c != KO_COLORREF_NONE || end != t.c_str()) {
    for (DWORD style = 0; style < 3; ++style) {
      KOCHAR text[32];
      KoColorrefToText(text, 32, c, style);
      Require(KoTextToColorref(text) == c);
    }
  }
  Bounded(static_cast<int>(t.length % 16), [&](KOCHAR *d, int capacity) {
    DWORD length = 0;
    KoColorrefToTextEx(d, capacity, &length, c, t.length);
    return capacity ? int(length) : 0;
  });
  return 0;
}
