// Composed texts, native: the shape of a BSTR (a 32-bit byte length before
// the text, a terminator after it), freed with KoSysFreeString.
#include <cstdlib>
#include <cstring>

#include "errors/errors_internal.h"

namespace ko::errors {

KOBSTR AllocText(const KOCHAR *text, uint32_t units) {
  if (units > (UINT32_MAX - 8) / sizeof(KOCHAR) / 2) return nullptr;
  const size_t bytes = sizeof(uint32_t) + (size_t(units) + 1) * sizeof(KOCHAR);
  auto *block = static_cast<unsigned char *>(std::malloc(bytes));
  if (!block) return nullptr;
  const uint32_t length = units * sizeof(KOCHAR);
  std::memcpy(block, &length, sizeof length);
  auto *out = reinterpret_cast<KOCHAR *>(block + sizeof(uint32_t));
  if (text) std::memcpy(out, text, size_t(units) * sizeof(KOCHAR));
  else std::memset(out, 0, size_t(units) * sizeof(KOCHAR));
  out[units] = 0;
  return out;
}

}  // namespace ko::errors

extern "C" KOAPI void KoSysFreeString(KOBSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char *>(text) - sizeof(uint32_t));
}
