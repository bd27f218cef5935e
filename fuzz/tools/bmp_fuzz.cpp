// The BMP reader on any bytes: what it accepts must survive a write and a
// second read unchanged.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../../tools/common/media_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kotools::Dib dib;
  std::string error;
  if (!kotools::ParseBmp(data, size, &dib, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const std::vector<uint8_t> file = kotools::BmpBytes(dib.get());
  kotools::Dib again;
  if (!kotools::ParseBmp(file.data(), file.size(), &again, &error)) std::abort();
  if (again.width() != dib.width() || again.height() != dib.height() ||
      again.get()->biBitCount != dib.get()->biBitCount ||
      std::memcmp(again.bits(), dib.bits(), size_t(dib.stride()) * size_t(dib.height())) != 0)
    std::abort();
  return 0;
}
