// Text helpers of the tools.
#include "tool_text.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "kokernel/koframe.h"

namespace kotools {

std::string Utf8(const KOCHAR *text) {
  std::string out;
  if (!text) return out;
  for (size_t i = 0; text[i]; ++i) {
    uint32_t c = uint16_t(text[i]);
    if (c >= 0xD800 && c < 0xDC00 && uint16_t(text[i + 1]) >= 0xDC00 && uint16_t(text[i + 1]) < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (uint16_t(text[++i]) - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;  // a lone surrogate
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::basic_string<KOCHAR> Wide(std::string_view s) {
  std::basic_string<KOCHAR> out;
  for (size_t i = 0; i < s.size();) {
    const uint8_t b = uint8_t(s[i]);
    const int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    uint32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + size_t(extra) < s.size() + (extra == 0);
    for (int k = 1; ok && k <= extra; ++k) {
      const uint8_t t = uint8_t(s[i + size_t(k)]);
      ok = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3F);
    }
    i += ok ? size_t(extra) + 1 : 1;
    if (!ok) c = 0xFFFD;
    if (c >= 0x10000) {
      out += KOCHAR(0xD800 + ((c - 0x10000) >> 10));
      out += KOCHAR(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += KOCHAR(c);
    }
  }
  return out;
}

std::string CpuFlagsText(uint32_t support) {
  static const struct {
    uint32_t flag;
    const char *name;
  } kFlags[] = {{KOCPU_FPU, "FPU"},     {KOCPU_TSC, "TSC"},       {KOCPU_CMOV, "CMOV"},    {KOCPU_MMX, "MMX"},
                {KOCPU_SSE, "SSE"},     {KOCPU_SSE2, "SSE2"},     {KOCPU_SSE3, "SSE3"},    {KOCPU_SSSE3, "SSSE3"},
                {KOCPU_SSE41, "SSE4.1"}, {KOCPU_SSE42, "SSE4.2"}, {KOCPU_AVX, "AVX"},      {KOCPU_DAZ, "DAZ"}};
  std::string s;
  for (const auto &f : kFlags)
    if (support & f.flag) s += (s.empty() ? "" : " ") + std::string(f.name);
  return s.empty() ? "none" : s;
}

const PositionFormat kPositionFormats[KOPOSFMT_COUNT] = {
    {KOPOSFMT_SAMPLES, "samples"},
    {KOPOSFMT_TIME, "time"},
    {KOPOSFMT_SECONDS, "seconds"},
    {KOPOSFMT_TIME_FRAMES, "time-frames"},
    {KOPOSFMT_FRAMES, "frames"},
    {KOPOSFMT_MEASURES, "measures"},
    {KOPOSFMT_SMPTE_2997, "smpte-29.97"},
    {KOPOSFMT_SMPTE_30, "smpte-30"},
    {KOPOSFMT_SMPTE_2997_DROP, "smpte-29.97-drop"},
    {KOPOSFMT_SMPTE_25, "smpte-25"},
    {KOPOSFMT_SMPTE_24, "smpte-24"},
    {KOPOSFMT_UNITS, "units"},
    {KOPOSFMT_MICROSECONDS, "microseconds"},
    {KOPOSFMT_MEASURES_ZERO, "measures-from-0"},
    {KOPOSFMT_BEATS, "beats"},
    {KOPOSFMT_FEET_FRAMES_40, "feet-frames-16mm"},
    {KOPOSFMT_FEET_FRAMES_16, "feet-frames-35mm"},
    {KOPOSFMT_CD_TIME, "cd-time"},
    {KOPOSFMT_SMPTE_23976, "smpte-23.976"},
    {KOPOSFMT_CLOCK, "clock"},
};

const PositionFormat *FindPositionFormat(std::string_view name) {
  for (const auto &f : kPositionFormats)
    if (name == f.name) return &f;
  return nullptr;
}

_koposfmt MakePositionFormat(DWORD code, double frameRate) {
  _koposfmt fmt{};
  fmt.format = code;
  fmt.sampleRate = 48000;
  fmt.frameRate = frameRate;
  fmt.tempo = 120.0;
  fmt.beatUnit = 4;
  fmt.beatsPerMeasure = 4;
  fmt.ticksPerBeat = 960;
  return fmt;
}

bool ParseResultCode(std::string_view text, uint32_t *code) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  const bool anyHex = hex || text.size() == 8 || text.find_first_of("abcdefABCDEF") != std::string_view::npos;
  if (text.empty() || text.size() > (anyHex ? 8u : 10u)) return false;
  uint64_t v = 0;
  for (char c : text) {
    const int d = std::isdigit(uint8_t(c)) ? c - '0' : std::isxdigit(uint8_t(c)) ? std::tolower(c) - 'a' + 10 : -1;
    if (d < 0) return false;
    v = v * (anyHex ? 16 : 10) + uint64_t(d);
  }
  if (v > 0xFFFFFFFFu) return false;
  *code = uint32_t(v);
  return true;
}

bool ParseNumber(std::string_view text, double *value) {
  if (text.empty() || text.size() > 32) return false;
  const std::string s(text);
  char *end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !(v == v) || v > 1e12 || v < -1e12) return false;
  *value = v;
  return true;
}

}  // namespace kotools
