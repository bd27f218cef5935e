// GUID text reader on any text: what it accepts prints back to the same
// digits, and a refused text leaves the GUID alone.
#include "../harness.h"
#include "kokernel/koprocess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzText t(data, size);
  GUID g;
  std::memset(&g, 0xA5, sizeof g);
  const GUID before = g;
  const HRESULT hr = KoGuidFromString(t.c_str(), &g);
  if (hr != S_OK) return Require(hr == E_FAIL && std::memcmp(&g, &before, sizeof g) == 0), 0;
  Require(t.length == 36);
  KOCHAR text[37];
  KoGuidToString(&g, text, 37);
  for (size_t i = 0; i < 36; ++i) {
    KOCHAR c = t.c_str()[i];
    if (c >= 'A' && c <= 'F') c = static_cast<KOCHAR>(c + 32);
    if (text[i] != c) std::abort();
  }
  return 0;
}
