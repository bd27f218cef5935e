#include "text/locale_settings.h"

#include <cstring>
#include <initializer_list>

namespace ko::text {

namespace {

void Put(KOCHAR (&dst)[kSeparatorUnits], const char *ascii) {
  int i = 0;
  for (; ascii[i] && i < kSeparatorUnits - 1; ++i) dst[i] = static_cast<KOCHAR>(ascii[i]);
  dst[i] = 0;
}

bool Same(const KOCHAR *a, const KOCHAR *b) {
  int i = 0;
  while (a[i] && a[i] == b[i]) ++i;
  return a[i] == b[i];
}

LocaleSettings g_settings = DefaultLocaleSettings();

}  // namespace

LocaleSettings DefaultLocaleSettings() {
  LocaleSettings s{};
  Put(s.decimalSeparator, ".");
  Put(s.thousandSeparator, ",");
  Put(s.listSeparator, ",");
  Put(s.timeSeparator, ":");
  Put(s.negativeSign, "-");
  s.grouping = 3;
  s.leadingZero = true;
  Put(s.timecodeUnits, ":");
  Put(s.timecodeFrames, ".");
  Put(s.timecodeDropFrames, ",");
  Put(s.musicBeats, ".");
  Put(s.musicTicks, ".");
  return s;
}

const LocaleSettings &CurrentLocaleSettings() { return g_settings; }

void SetLocaleSettings(const LocaleSettings &settings) {
  LocaleSettings s = settings;
  // Force termination of every field.
  for (KOCHAR *f : {s.decimalSeparator, s.thousandSeparator, s.listSeparator, s.timeSeparator,
                    s.negativeSign, s.timecodeUnits, s.timecodeFrames, s.timecodeDropFrames,
                    s.musicBeats, s.musicTicks})
    f[kSeparatorUnits - 1] = 0;
  if (Same(s.decimalSeparator, s.thousandSeparator)) {
    bool thousandIsDot = s.thousandSeparator[0] == '.' && s.thousandSeparator[1] == 0;
    Put(s.decimalSeparator, thousandIsDot ? "," : ".");
  }
  g_settings = s;
}

const KOCHAR *TimecodeSeparator(int index) {
  switch (index) {
    case 100: return g_settings.timecodeUnits;
    case 101: return g_settings.timecodeFrames;
    case 102: return g_settings.timecodeDropFrames;
    case 120: return g_settings.musicBeats;
    case 121: return g_settings.musicTicks;
    default: return nullptr;
  }
}

}  // namespace ko::text
