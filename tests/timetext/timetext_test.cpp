// Media time as text: the worked examples, the readers' field rules and end
// positions, and round trips of every position format; labelled values in
// the kernel language handle's scratch ring.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

#include "kokernel/kotimetext.h"
#include "settings/lang_internal.h"
#include "timetext/timetext_test_util.h"

using namespace kotest;

namespace {

constexpr LONGLONG kSecond = 10000000, kAny = INT64_MIN;  // kAny: not checked

TEST(TimeText, EveryFormatCodeOnOnePosition) {
  ScopedSeparators sep{Separators{}};
  // 1 h 2 min 3.52 s past an origin of 10 s.
  const LONGLONG t = 37235200000 + 10 * kSecond;
  struct Case { DWORD code; const char *full, *shortText; } cases[] = {
      {KOPOSFMT_SAMPLES, "178,728,960", "178,728,960"},
      {KOPOSFMT_TIME, "01:02:03.520", "01:02:03"},
      {KOPOSFMT_SECONDS, "3,723.520", "3,723"},
      {KOPOSFMT_TIME_FRAMES, "01:02:03.13", "01:02:03"},
      {KOPOSFMT_FRAMES, "93,088.000", "93,088"},
      {KOPOSFMT_MEASURES, "1,862.4.038", "1,862.4"},
      {KOPOSFMT_SMPTE_2997_DROP, "01:02:03;16", "01:02:03;16"},
      {KOPOSFMT_UNITS, "37,235,200,000", "37,235,200,000"},
      {KOPOSFMT_MICROSECONDS, "3,723,520,000", "3,723,520,000"},
      {KOPOSFMT_MEASURES_ZERO, "1,861.3.038", "1,861.3"},
      {KOPOSFMT_BEATS, "7,447.040", "7,447"},
      {KOPOSFMT_FEET_FRAMES_40, "2,327+8", "2,327+8"},
      {KOPOSFMT_FEET_FRAMES_16, "5,818+0", "5,818+0"},
      {KOPOSFMT_CD_TIME, "01:02:03:39", "01:02:03"},
      {KOPOSFMT_CLOCK, "1:02:03", "1:02:03"},
      {25, "37,235,200,000", "37,235,200,000"},
  };
  for (const Case &c : cases) {
    _koposfmt f = Format(c.code);
    f.origin = 10 * kSecond;
    EXPECT_EQ(Print(f, t), c.full) << "code " << c.code;
    EXPECT_EQ(Print(f, t, KOPOSFMT_FLAG_SHORT), c.shortText) << "code " << c.code;
  }
}

TEST(TimeText, UserSeparatorsAndBoundedWriters) {
  ScopedSeparators sep{Separators{",", ".", ".", ":", "/"}};
  const LONGLONG day = 86400 * kSecond;
  const _koposfmt f = Format(KOPOSFMT_TIME);
  auto bounded = [&](int cap, LONGLONG t) {
    KOCHAR buf[16];
    for (auto &c : buf) c = 0x7777;
    const int n = KoNanoTimeToTextN(buf, cap, &f, t, FALSE);
    return U8(buf) + "#" + std::to_string(n) + (cap < 16 && buf[cap] != 0x7777 ? " (written past)" : "");
  };
  const struct { std::string got, want; } rows[] = {
      {Print(f, 36610000000), "01.01.01,000"},
      {Print(Format(KOPOSFMT_MEASURES), 22500000), "2:1/480"},
      {Print(Format(KOPOSFMT_SMPTE_25), 36615200000), "01:01:01:13"},  // time code keeps its own separators
      // Bounded: cut as the formatter cuts, never past the capacity.
      {bounded(5, -36610000000), "-01.#4"},
      {bounded(1, 36610000000), "#0"},
      // A day and more: the unbounded writer counts days, the bounded one wraps.
      {Print(f, day + 36610000000), "01.01.01.01"},
      {bounded(16, day + 36610000000), "01.01.01,000#12"},
      {Print(f, 863999000000), "23.59.59,900"},
      {Print(f, 863999000001), "00.23.59.59"},
      {Print(f, 863999995000), "01.00.00.00"},
  };
  for (const auto &r : rows) EXPECT_EQ(r.got, r.want);
}

TEST(TimeText, CallerFormatsReadOnlyTheValuesGiven) {
  ScopedSeparators sep{Separators{}};
  _koposfmt f = Format(KOPOSFMT_TIME_FRAMES), raw = Format(40);
  raw.origin = 1000;
  auto text = [](const _koposfmt &g, LONGLONG t, const char *format, DWORD flags, int cap = 128) {
    KOCHAR buf[128];
    const ko::kostring fmt = W(format);
    const int n = cap == 128 ? KoNanoTimeToTextFormat(buf, &g, t, fmt.c_str(), flags)
                             : KoNanoTimeToTextFormatN(buf, cap, &g, t, fmt.c_str(), flags);
    return U8(buf) + "#" + std::to_string(n);
  };
  EXPECT_EQ(text(f, 36615200000, "[%u|%u|%u|%u|%u|%s|%I64d|%f]", 0), "[1|1|1|13|0|(null)|0|0.000000]#30");
  EXPECT_EQ(text(raw, -1234567 + 1000, "<$I64d>", 0), "-<1,234,567>#12");
  EXPECT_EQ(text(raw, -1234567 + 1000, "<$I64d>", 0, 6), "-<1,2#5");
  EXPECT_EQ(text(raw, 1500, "$I64d", KOPOSFMT_FLAG_NO_ORIGIN), "1,500#5");  // the origin is kept
  EXPECT_EQ(text(raw, 1500, "$I64d", 0), "500#3");
}

TEST(TimeText, ReadersFieldRulesDefaultsLimitsAndEnds) {
  const struct {
    const char *text;
    BOOL shortForm;
    LONGLONG ms;
    int stop;  // -1: not checked
  } cases[] = {
      {"42", FALSE, 42000, 2},       {"3.5", FALSE, 3500, -1},          {"1:30", FALSE, 1300, -1},
      {"1:02:03.4567", FALSE, 3723456, -1}, {"1:30", TRUE, 90000, -1}, {"3.", FALSE, 3000, -1},
      {"  7:", TRUE, 420000, -1},   {"", FALSE, 0, 0},                 {"x", FALSE, 0, -1},
      // Each reader stops after its last field.
      {"01:02:03.456xyz", FALSE, 3723456, 12}, {"01:02:03.456xyz", TRUE, 3723000, 8},
      // Thirty-one digits make a field; saturated values stay in range.
      {"99999999999999999999999999999999999999:99", FALSE, KOTIME_PARSE_MAX / 10000, -1},
  };
  for (const auto &c : cases) {
    const ko::kostring w = W(c.text);
    KOCSTR end = nullptr;
    EXPECT_EQ(KoTextToTimeToken(w.c_str(), nullptr, c.shortForm, &end), c.ms) << c.text;
    if (c.stop >= 0) { EXPECT_EQ(end - w.c_str(), c.stop) << c.text; }
  }
  // The position reader: defaults, limits and ends.
  // flags 4: default for unreadable text, then the limits; 2: no origin.
  const struct {
    DWORD code;
    LONGLONG origin;
    const char *text;
    LONGLONG def, minimum, maximum;
    DWORD flags;
    LONGLONG want;
    int stop;  // -1: not checked
  } positions[] = {
      {KOPOSFMT_SECONDS, 0, "abc", 777, 0, 10000000, 4, 777, 0},
      {KOPOSFMT_SECONDS, 0, "99", 777, 0, 10000000, 4, 10000000, 2},
      {KOPOSFMT_SECONDS, 0, "abc", 777, 0, 10000000, 0, 0, -1},  // without bit 2 the text gives 0
      {KOPOSFMT_SECONDS, 0, "99", 777, 0, 10000000, 0, 990000000, -1},  // and the limits do not apply
      {KOPOSFMT_SECONDS, 5 * kSecond, "99", 0, 0, 0, 0, 1040000000, -1},
      {KOPOSFMT_SECONDS, 5 * kSecond, "99", 0, 0, 0, 2, 990000000, -1},
      {KOPOSFMT_SECONDS, 5 * kSecond, " - 1.5 ", 0, 0, 0, 0, 35000000, 6},
      // Where each kind of reader stops.
      {KOPOSFMT_SECONDS, 0, "12.5abc", 0, 0, 0, 0, 125000000, 4},
      {KOPOSFMT_SAMPLES, 0, "48,000 x", 0, 0, 0, 0, kSecond, 6},
      {KOPOSFMT_SMPTE_25, 0, "01:02:03:04:", 0, 0, 0, 0, 37231600000, 11},
      {KOPOSFMT_MEASURES, 0, "3.2.1 x", 0, 0, 0, 0, kAny, 5},
      {KOPOSFMT_CD_TIME, 0, "abc", 0, 0, 0, 0, 0, 0},
      {30, 0, "123", 0, 0, 0, 0, 0, 0},
  };
  for (const auto &c : positions) {
    _koposfmt f = Format(c.code);
    f.origin = c.origin;
    const ko::kostring w = W(c.text);
    KOCSTR end = nullptr;
    const LONGLONG got = KoTextToNanoTimeToken2(w.c_str(), &f, c.def, c.minimum, c.maximum, c.flags, &end);
    if (c.want != kAny) { EXPECT_EQ(got, c.want) << c.code << " '" << c.text << "'"; }
    if (c.stop >= 0) { EXPECT_EQ(end - w.c_str(), c.stop) << c.code << " '" << c.text << "'"; }
  }
  _koposfmt f = Format(KOPOSFMT_SECONDS);
  EXPECT_EQ(KoTextToNanoTimeTokenEx(W("   ").c_str(), &f, FALSE, 55, 0, 100, nullptr), 55);
  f = Format(KOPOSFMT_SAMPLES);
  f.sampleRate = 0;  // no rate: no position
  EXPECT_EQ(KoTextToNanoTimeToken(W("99").c_str(), &f, FALSE, nullptr), 0);
  // Code 1 past a day: the day text reads back as days to seconds, in the full
  // and the short reader, whatever the separators.
  struct Day { Separators sep; const char *text; DWORD flags; LONGLONG seconds, ms; } days[] = {
      {{}, "123:00:00:05", 0, 123 * 86400 + 5, 0},
      {{}, "1:02:03.04", 0, 3723, 40},      // the clock form is untouched
      {{}, "01:02:03:", 0, 3723, 0},        // a closing separator is no fourth field
      {{",", ".", "."}, "03.04.05,060", 0, 3 * 3600 + 4 * 60 + 5, 60},
      {{".", ",", "."}, "03.04.05.060", 0, 3 * 3600 + 4 * 60 + 5, 60},
  };
  for (const Day &c : days) {
    ScopedSeparators sep{c.sep};
    const _koposfmt f = Format(KOPOSFMT_TIME);
    EXPECT_EQ(Parse(f, c.text, c.flags), c.seconds * kSecond + c.ms * 10000) << c.text;
  }
  // The writer's day texts over many orders of magnitude: the seconds after
  // adding half a millisecond come back.
  std::mt19937_64 rng(7);
  for (const Separators &s : {Separators{}, Separators{",", ".", "."}, Separators{".", ",", "."}}) {
    ScopedSeparators sep{s};
    const _koposfmt f = Format(KOPOSFMT_TIME);
    for (int i = 0; i < 200; ++i) {
      const LONGLONG t = 863999000001 + static_cast<LONGLONG>(rng() % 1000000000000000);
      const DWORD flags = (i & 1) ? KOPOSFMT_FLAG_SHORT : 0;
      const std::string text = Print(f, t, flags);
      EXPECT_EQ(Parse(f, text.c_str(), flags), (t + 5000) / kSecond * kSecond) << text;
    }
  }
}

TEST(TimeText, RecordsAndMusicTicks) {
  _smpteval r{0, 9, 9, 9, 9, 0};
  KoNanoTimeToHMSF(36615200000, &r, 25, 0);
  EXPECT_EQ(KoHMSFToNanoTime(&r, 25), 36615200000);
  KoNanoTimeToHMSF(25 * 3600 * kSecond, &r, 25, 0);
  const DWORD wrapped = r.hours;
  KoNanoTimeToHMSF(25 * 3600 * kSecond, &r, 25, 1);
  EXPECT_EQ(wrapped * 100 + r.hours, 125u);
  // Frames are rounded to the nearest: just before a second is that second.
  KoNanoTimeToHMSF(kSecond - 1, &r, 25, 0);
  EXPECT_EQ(r.seconds * 100 + r.frames, 100u);

  _koposfmt f = Format(KOPOSFMT_MEASURES);
  DWORD m = 9, b = 9, t = 9;
  KoNanoTimeToMeasures(22500000, &f, &m, &b, &t);
  EXPECT_EQ((std::vector<DWORD>{m, b, t}), (std::vector<DWORD>{1, 0, 480}));

  ScopedSeparators sep{Separators{}};
  KOCHAR buf[64];
  EXPECT_EQ(KoMeasuresAndTicksToText(buf, &f, 2, 960 * 5 + 480, TRUE, FALSE, 1), 7);
  EXPECT_EQ(U8(buf), "3.2.480");
  // Eighth-note beats: 480 ticks to a beat.
  f.beatUnit = 8;
  KoMeasuresAndTicksToText(buf, &f, 0, 960 + 480, FALSE, FALSE, 1);
  EXPECT_EQ(U8(buf), "0.3.000");
  f.beatUnit = 4;
  KoTicksToText(buf, &f, 3840 * 2 + 960 + 5, TRUE, FALSE, 1);
  EXPECT_EQ(U8(buf), "3.2.005");
  // The ticks text reads back.
  ko::kostring w = W("3.2.005");
  EXPECT_EQ(KoTextToTicks(w.c_str(), &f, TRUE, 1), 3840 * 2 + 960 + 5);
}

// ---- round trips -------------------------------------------------------------

// How far a read-back position may be from the position printed: one step
// of the text (full, short), with the writer's own slack for the measures.
double Step(const _koposfmt &f, bool shortForm) {
  const double s = kSecond, frame = s / f.frameRate, beat = 60 * s / f.tempo;
  const double slack = 0.00005 * beat * f.beatsPerMeasure, sample = s / f.sampleRate;
  const double steps[KOPOSFMT_COUNT][2] = {
      {sample, sample}, {s / 1000, s}, {s / 1000, s}, {frame, s}, {frame / 1000, frame},
      {beat / f.ticksPerBeat + slack, beat + slack}, {s * 1001 / 30000, s * 1001 / 30000}, {s / 30, s / 30},
      {s * 1001 / 30000, s * 1001 / 30000}, {s / 25, s / 25}, {s / 24, s / 24}, {0, 0}, {5, 5},
      {beat / f.ticksPerBeat + slack, beat + slack}, {beat / 1000, beat}, {frame, frame}, {frame, frame},
      {s / 75, s}, {s * 1001 / 24000, s * 1001 / 24000}, {s, s}};
  return f.format < KOPOSFMT_COUNT ? steps[f.format][shortForm] : 0;
}

// Formats whose texts wrap at a day.
bool WrapsAtADay(DWORD code) {
  return code == KOPOSFMT_TIME || code == KOPOSFMT_TIME_FRAMES || code == KOPOSFMT_CD_TIME || code == KOPOSFMT_CLOCK ||
         (code >= KOPOSFMT_SMPTE_2997 && code <= KOPOSFMT_SMPTE_24) || code == KOPOSFMT_SMPTE_23976;
}

void RoundTrips(const _koposfmt &base, const char *what) {
  std::mt19937_64 rng(12345 + base.format);
  int failures = 0;
  for (int i = 0; i < 3000 && failures < 5; ++i) {
    _koposfmt f = base;
    f.origin = (i % 3 == 0) ? 0 : static_cast<LONGLONG>(rng() % (7200 * kSecond)) - 3600 * kSecond;
    const bool wraps = WrapsAtADay(f.format);
    // Magnitudes spread over many orders (below 23 hours for the clock texts).
    const double maxMag = wraps ? 23.0 * 3600 * kSecond : 1e15;
    const double mag = std::pow(10.0, std::uniform_real_distribution<double>(0, std::log10(maxMag))(rng));
    const LONGLONG offset = static_cast<LONGLONG>((i & 1) ? -mag : mag);
    const LONGLONG t = f.origin + offset;
    const bool shortForm = (i & 2) != 0;
    KOCHAR buf[128];
    int n = (i & 4) ? KoNanoTimeToTextN(buf, 128, &f, t, shortForm)
                    : KoNanoTimeToText(buf, &f, t, shortForm);
    KOCSTR end = nullptr;
    const LONGLONG back = KoTextToNanoTimeToken(buf, &f, shortForm, &end);
    const double tolerance = Step(f, shortForm) + 2 + std::fabs(static_cast<double>(offset)) * 1e-15;
    const double diff = std::fabs(static_cast<double>(back) - static_cast<double>(t));
    if (diff > tolerance || end != buf + n || n <= 0) {
      ++failures;
      ADD_FAILURE() << what << " code " << f.format << (shortForm ? " short" : " full") << ": "
                    << t << " (origin " << f.origin << ") prints '" << U8(buf) << "' (" << n
                    << " characters) and reads back as " << back << ", off by " << diff
                    << " (allowed " << tolerance << "), stopping at " << (end - buf);
    }
  }
}

TEST(TimeText, EveryFormatReadsBackWhatItPrints) {
  for (DWORD code = 0; code < KOPOSFMT_COUNT; ++code) {
    _koposfmt f = Format(code);
    if (code == KOPOSFMT_TIME_FRAMES) f.frameRate = 30000.0 / 1001.0;
    if (code == KOPOSFMT_FEET_FRAMES_16) f.frameRate = 24;
    if (code == KOPOSFMT_MEASURES) f.beatsPerMeasure = 3, f.tempo = 97.5;
    if (code == KOPOSFMT_SAMPLES) f.sampleRate = 44100;
    // Thousands and music separators alike (da-DK); a two-byte thousands mark (fr-FR).
    for (const Separators &s : {Separators{}, Separators{",", ".", ".", ".", "."},
                                Separators{",", "\xC2\xA0", ":", ":", "|"}}) {
      ScopedSeparators sep{s};
      RoundTrips(f, s.thousand);
    }
  }
}

TEST(LabeledValues, NumbersLabelsAndLanguages) {
  ScopedSeparators sep{Separators{}};
  const ko::kostring hz = W(" Hz"), longLabel = W(" is a label far longer than the piece");
  const struct {
    LCID lcid;  // 0: no kernel handle
    std::function<const KOCHAR *()> get;
    std::string want;
  } rows[] = {
      {0x409, [] { return KoGetLabeledStringFixed(-1000, 1, -1000, nullptr); }, "-Inf."},
      {0x409, [] { return KoGetLabeledStringFixed(-999, 1, -1000, nullptr); }, "-99.9"},
      {0x409, [&] { return KoGetLabeledStringFixed(1234567, 2, 0, hz.c_str()); }, "12,345.67 Hz"},
      {0x409, [] { return KoGetLabeledStringFixed(5, 12, 0, nullptr); }, "0.000000005"},
      {0x409, [] { return KoGetdBStringFixed(-125, 1, 0, TRUE); }, "-12.5 dB"},
      {0x409, [&] { return KoGetLabeledStringFloat(3.14159f, 2, 0, hz.c_str()); }, "3.14 Hz"},
      {0x409, [] { return KoGetLabeledStringFloat(-3.7f, 0, 0, nullptr); }, "-3"},
      {0x409, [] { return KoGetLabeledStringFloat(1e12f, 0, 0, nullptr); }, "2,147,483,647"},
      {0x409, [] { return KoGetdBStringFloat(-6.02f, 1, -96.0f, TRUE); }, "-6.0 dB"},
      {0x409, [] { return KoGetdBStringFloat(-96.0f, 1, -96.0f, TRUE); }, "-Inf."},
      // A long label is cut to the piece; a long number is cut by the formatter.
      {0x409, [&] { return KoGetLabeledStringFixed(12, 0, 0, longLabel.c_str()); }, "12 is a label far longe"},
      {0x407, [] { return KoGetLabeledStringFixed(-5, 0, -5, nullptr); }, "-Unendl."},
      {0x419, [] { return KoGetdBStringFixed(3, 0, 0, TRUE); }, "3 дБ"},
      // Without a kernel handle there is no ring: the English error text.
      {0, [] { return KoGetLabeledStringFixed(12, 0, 0, nullptr); }, "Err."},
  };
  for (const auto &r : rows) {
    HKOLANG h = nullptr;
    if (r.lcid) { ASSERT_EQ(KoLang_Open(&h, nullptr, r.lcid, 0), S_OK); }
    ko::lang::SetKernelHandle(h);
    EXPECT_EQ(U8(r.get()), r.want) << std::hex << r.lcid;
    if (r.lcid == 0x409) { EXPECT_EQ(U8(KoGetLabeledStringFloat(-3e38f, 2, 0, nullptr)).size(), 23u); }
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h);
  }
}

}  // namespace
