// Any bytes as a resource pool: a found entry lies inside the pool.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kokernel/koresource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  // The first bytes choose the wanted name, type and language.
  uint16_t name = static_cast<uint16_t>(data[0] | (data[1] << 8));
  uint16_t lang = static_cast<uint16_t>(data[2] | (data[3] << 8));
  std::vector<uint8_t> bytes(data + 4, data + size);
  bytes.shrink_to_fit();
  _KORESPOOL pool{0, static_cast<uint32_t>(bytes.size()), bytes.data()};
  const KOCHAR text[] = {'D', 'L', 'G', 0};
  KOCSTR names[] = {reinterpret_cast<KOCSTR>(uintptr_t{name}), text};
  KOCSTR types[] = {reinterpret_cast<KOCSTR>(uintptr_t{5}), text};
  for (KOCSTR n : names)
    for (KOCSTR t : types) {
      UINT got = 0;
      DWORD gotLang = 0;
      auto *p = static_cast<const uint8_t *>(
          KoFindResourceInResPool(&pool, &got, n, t, lang, &gotLang));
      if (p && (p < bytes.data() || p + got > bytes.data() + bytes.size())) std::abort();
    }
  return 0;
}
