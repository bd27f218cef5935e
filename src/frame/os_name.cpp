// The operating-system name written by KoGetOS.
#include <cstdint>

#include "frame/frame_internal.h"

namespace ko::frame {
namespace {

// Appends text at *pos, never writing past size - 1; false when cut short.
bool Append(KOCHAR *buffer, uint32_t size, uint32_t *pos, const char *text) {
  for (; *text; ++text) {
    if (*pos + 1 >= size) return false;
    buffer[(*pos)++] = static_cast<KOCHAR>(*text);
  }
  return true;
}

}  // namespace

bool ComposeOSName(OSLevel level, uint16_t architecture, KOCHAR *buffer, uint32_t size) {
  if (!buffer || size == 0) return false;
  const char *name = "Unknown Versoin";
  switch (level) {
    case OSLevel::kWindows11: name = "Windows 11.0"; break;
    case OSLevel::kWindows10: name = "Windows 10.0"; break;
    case OSLevel::kWindows81: name = "Windows 8.1"; break;
    case OSLevel::kWindows8: name = "Windows 8"; break;
    case OSLevel::kWindows7: name = "Windows 7"; break;
    case OSLevel::kOlder: break;
  }
  uint32_t pos = 0;
  bool fitted = Append(buffer, size, &pos, name);
  if (fitted && level != OSLevel::kOlder) {
    if (architecture == 0) fitted = Append(buffer, size, &pos, " (32-bit)");
    else if (architecture == 9) fitted = Append(buffer, size, &pos, " (64-bit)");
  }
  buffer[pos] = 0;
  return fitted && level != OSLevel::kOlder;
}

}  // namespace ko::frame
