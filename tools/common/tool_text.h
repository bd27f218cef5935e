// Text helpers of the tools: the library's UTF-16 text to and from UTF-8,
// the processor-support line, the position formats by name, result codes.
#ifndef KOKERNEL_TOOLS_TOOL_TEXT_H
#define KOKERNEL_TOOLS_TOOL_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

#include "kokernel/kobase.h"
#include "kokernel/kotimetext.h"

namespace kotools {

std::string Utf8(const KOCHAR *text);
std::basic_string<KOCHAR> Wide(std::string_view utf8);

// "SSE SSE2 ... AVX" for a processor-support value.
std::string CpuFlagsText(uint32_t support);

// The position formats: code and a short name for the command line.
struct PositionFormat {
  DWORD code;
  const char *name;
};
extern const PositionFormat kPositionFormats[KOPOSFMT_COUNT];
const PositionFormat *FindPositionFormat(std::string_view name);
// A record for a format: 48 kHz, the given frame rate, 120 bpm in 4/4.
_koposfmt MakePositionFormat(DWORD code, double frameRate);

// A result code typed as hexadecimal ("0x8004E002", "8004e002") or decimal.
bool ParseResultCode(std::string_view text, uint32_t *code);
// A decimal number with an optional fraction ("12", "0.5").
bool ParseNumber(std::string_view text, double *value);

}  // namespace kotools

#endif  // KOKERNEL_TOOLS_TOOL_TEXT_H
