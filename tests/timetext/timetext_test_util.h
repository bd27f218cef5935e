// Helpers shared by the time-text tests.
#pragma once

#include <string>

#include "kokernel/kotimetext.h"
#include "kotest_text_util.h"

namespace kotest {

// Separators for one test; the defaults come back at scope end.
struct Separators {
  const char *decimal = ".";
  const char *thousand = ",";
  const char *time = ":";
  const char *measureBeat = ".";
  const char *beatTick = ".";
  int grouping = 3;
};

class ScopedSeparators {
 public:
  explicit ScopedSeparators(const Separators &s) {
    ko::text::LocaleSettings l = ko::text::DefaultLocaleSettings();
    PutSep(l.decimalSeparator, s.decimal);
    PutSep(l.thousandSeparator, s.thousand);
    PutSep(l.timeSeparator, s.time);
    PutSep(l.musicBeats, s.measureBeat);
    PutSep(l.musicTicks, s.beatTick);
    l.grouping = s.grouping;
    ko::text::SetLocaleSettings(l);
  }
  ~ScopedSeparators() { ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings()); }
};

inline _koposfmt Format(DWORD code) {
  _koposfmt f{};
  f.format = code;
  f.sampleRate = 48000;
  f.frameRate = 25;
  f.tempo = 120;
  f.beatUnit = 4;
  f.beatsPerMeasure = 4;
  f.ticksPerBeat = 960;
  return f;
}

inline std::string Print(const _koposfmt &f, LONGLONG t, DWORD flags = 0) {
  KOCHAR buf[256];
  int n = KoNanoTimeToTextEx(buf, &f, t, flags);
  std::string s = U8(buf);
  if (n != static_cast<int>(ko::Utf8ToUtf16(s.c_str()).size())) s += " (length " + std::to_string(n) + ")";
  return s;
}

inline LONGLONG Parse(const _koposfmt &f, const char *text, DWORD flags = 0) {
  ko::kostring w = W(text);
  return KoTextToNanoTimeToken2(w.c_str(), &f, 0, 0, 0, flags, nullptr);
}

}  // namespace kotest
