// Process-wide locale settings read by the formatter and the number writers
// and readers. Until the language layer fills them from the user's locale
// they hold English (United States) defaults. Written at start-up (and by
// tests through SetLocaleSettings), read without a lock afterwards.
#pragma once

#include "kokernel/kobase.h"

namespace ko::text {

constexpr int kSeparatorUnits = 8;  // room for a separator of up to 7 units

struct LocaleSettings {
  KOCHAR decimalSeparator[kSeparatorUnits];   // "."
  KOCHAR thousandSeparator[kSeparatorUnits];  // ","
  KOCHAR listSeparator[kSeparatorUnits];      // ","
  KOCHAR timeSeparator[kSeparatorUnits];      // ":"
  KOCHAR negativeSign[kSeparatorUnits];       // "-"
  int grouping;                               // first number of the grouping string: 3
  bool leadingZero;                           // "0.5" rather than ".5"
  // Time-code separators by index: 100 whole units ":", 101 non-drop frames ".",
  // 102 drop-frame frames ",", 120 measures/beats ".", 121 beats/ticks ".".
  KOCHAR timecodeUnits[kSeparatorUnits];
  KOCHAR timecodeFrames[kSeparatorUnits];
  KOCHAR timecodeDropFrames[kSeparatorUnits];
  KOCHAR musicBeats[kSeparatorUnits];
  KOCHAR musicTicks[kSeparatorUnits];
};

// The current settings (never null).
const LocaleSettings &CurrentLocaleSettings();

// Replaces the settings; applies the rule that equal decimal and thousands
// separators turn the decimal separator into "." (or "," when the thousands
// separator is "."). The one entry point for the language layer and tests.
void SetLocaleSettings(const LocaleSettings &settings);

// English (United States) defaults.
LocaleSettings DefaultLocaleSettings();

// The separator that a time-code index selects (100, 101, 102, 120, 121),
// or null for any other index.
const KOCHAR *TimecodeSeparator(int index);

}  // namespace ko::text
