// Any pattern against any name: the matcher ends, and a pattern without
// wildcards matches exactly its own text (and that text plus a lone ".").
#include <cstdlib>
#include <vector>

#include "kokernel/kofiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  size_t half = size / 2 & ~size_t{1};
  std::vector<KOCHAR> pattern, name;
  for (size_t i = 0; i + 1 < half; i += 2) pattern.push_back(static_cast<KOCHAR>(data[i] | (data[i + 1] << 8)));
  for (size_t i = half; i + 1 < size; i += 2) name.push_back(static_cast<KOCHAR>(data[i] | (data[i + 1] << 8)));
  pattern.push_back(0);
  name.push_back(0);
  KoIsMatchWildCard(pattern.data(), name.data());
  bool plain = true;
  for (KOCHAR c : pattern)
    if (c == '*' || c == '?') plain = false;
  if (plain && !KoIsMatchWildCard(pattern.data(), pattern.data())) std::abort();
  std::vector<KOCHAR> star = {'*', 0};
  if (!KoIsMatchWildCard(star.data(), name.data())) std::abort();
  return 0;
}
