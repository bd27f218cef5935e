// Media time as text: the worked examples, the readers' field rules and end
// positions, and round trips of every position format; labelled values in
// the kernel language handle's scratch ring.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "kokernel/kotimetext.h"
#include "settings/lang_internal.h"
#include "timetext/timetext_test_util.h"

using namespace kotest;

namespace {

constexpr LONGLONG kSecond = 10000000;

TEST(TimeText, EveryFormatCodeOnOnePosition) {
  ScopedSeparators sep{Separators{}};
  // 1 h 2 min 3.52 s past an origin of 10 s.
  const LONGLONG t = 37235200000 + 10 * kSecond;
  struct Case {
    DWORD code;
    const char *full, *shortText;
  } cases[] = {
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
  _koposfmt f = Format(KOPOSFMT_TIME);
  EXPECT_EQ(Print(f, 36610000000), "01.01.01,000");
  f = Format(KOPOSFMT_MEASURES);
  EXPECT_EQ(Print(f, 22500000), "2:1/480");
  // Time-code texts keep their own separators.
  f = Format(KOPOSFMT_SMPTE_25);
  EXPECT_EQ(Print(f, 36615200000), "01:01:01:13");

  // Bounded: cut as the formatter cuts, never past the capacity.
  f = Format(KOPOSFMT_TIME);
  KOCHAR buf[16];
  for (auto &c : buf) c = 0x7777;
  EXPECT_EQ(KoNanoTimeToTextN(buf, 5, &f, -36610000000, FALSE), 4);
  EXPECT_EQ(U8(buf) + (buf[5] == 0x7777 ? "" : " (written past)"), "-01.");
  EXPECT_EQ(KoNanoTimeToTextN(buf, 1, &f, 36610000000, FALSE), 0);
  EXPECT_EQ(buf[0], 0);

  // A day and more: the unbounded writer counts days, the bounded one wraps.
  const LONGLONG day = 86400 * kSecond;
  EXPECT_EQ(Print(f, day + 36610000000), "01.01.01.01");
  EXPECT_EQ(KoNanoTimeToTextN(buf, 16, &f, day + 36610000000, FALSE), 12);
  EXPECT_EQ(U8(buf), "01.01.01,000");
  EXPECT_EQ(Print(f, 863999000000), "23.59.59,900");
  EXPECT_EQ(Print(f, 863999000001), "00.23.59.59");
  EXPECT_EQ(Print(f, 863999995000), "01.00.00.00");
}

// Code 1 past a day: the day text reads back as days to seconds, in the full
// and the short reader, whatever the separators.
TEST(TimeText, DayFormReadsBack) {
  struct Case {
    Separators sep;
    const char *text;
    DWORD flags;
    LONGLONG seconds, ms;
  } cases[] = {
      {{}, "01:01:01:01", 0, 86400 + 3661, 0},
      {{}, "01:01:01:01", KOPOSFMT_PARSE_SHORT, 86400 + 3661, 0},
      {{}, "123:00:00:05", 0, 123 * 86400 + 5, 0},
      {{}, "1:02:03.04", 0, 3723, 40},      // the clock form is untouched
      {{}, "01:02:03:", 0, 3723, 0},        // a closing separator is no fourth field
      {{",", ".", "."}, "02.03.04.05", 0, 2 * 86400 + 3 * 3600 + 4 * 60 + 5, 0},
      {{",", ".", "."}, "03.04.05,060", 0, 3 * 3600 + 4 * 60 + 5, 60},
      {{".", ",", "."}, "03.04.05.060", 0, 3 * 3600 + 4 * 60 + 5, 60},
  };
  for (const Case &c : cases) {
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

TEST(TimeText, CallerFormatsReadOnlyTheValuesGiven) {
  ScopedSeparators sep{Separators{}};
  _koposfmt f = Format(KOPOSFMT_TIME_FRAMES);
  KOCHAR buf[128];
  ko::kostring fmt = W("[%u|%u|%u|%u|%u|%s|%I64d|%f]");
  KoNanoTimeToTextFormat(buf, &f, 36615200000, fmt.c_str(), 0);
  EXPECT_EQ(U8(buf), "[1|1|1|13|0|(null)|0|0.000000]");
  f.format = 40;
  fmt = W("<$I64d>");
  EXPECT_EQ(KoNanoTimeToTextFormat(buf, &f, -1234567, fmt.c_str(), 0), 12);
  EXPECT_EQ(U8(buf), "-<1,234,567>");
  EXPECT_EQ(KoNanoTimeToTextFormatN(buf, 6, &f, -1234567, fmt.c_str(), 0), 5);
  EXPECT_EQ(U8(buf), "-<1,2");
  // The origin is kept with flag bit 1.
  f.origin = 1000;
  fmt = W("$I64d");
  KoNanoTimeToTextFormat(buf, &f, 1500, fmt.c_str(), KOPOSFMT_FLAG_NO_ORIGIN);
  EXPECT_EQ(U8(buf), "1,500");
  KoNanoTimeToTextFormat(buf, &f, 1500, fmt.c_str(), 0);
  EXPECT_EQ(U8(buf), "500");
}

TEST(TimeText, TimeTokenFieldRules) {
  struct Case {
    const char *text;
    BOOL shortForm;
    LONGLONG ms;
  } cases[] = {
      {"42", FALSE, 42000},       {"3.5", FALSE, 3500},        {"1:30", FALSE, 1300},
      {"1:02:03.4567", FALSE, 3723456}, {"1:30", TRUE, 90000},   {"3.", FALSE, 3000},
      {"  7:", TRUE, 420000},     {"", FALSE, 0},              {"x", FALSE, 0},
  };
  for (const Case &c : cases) {
    ko::kostring w = W(c.text);
    EXPECT_EQ(KoTextToTimeToken(w.c_str(), nullptr, c.shortForm, nullptr), c.ms) << c.text;
  }
  // Each reader stops after its last field.
  ko::kostring w = W("01:02:03.456xyz");
  KOCSTR end = nullptr;
  EXPECT_EQ(KoTextToTimeToken(w.c_str(), nullptr, FALSE, &end), 3723456);
  EXPECT_EQ(end - w.c_str(), 12);
  EXPECT_EQ(KoTextToTimeToken(w.c_str(), nullptr, TRUE, &end), 3723000);
  EXPECT_EQ(end - w.c_str(), 8);
  // Thirty-one digits make a field; saturated values stay in range.
  w = W("99999999999999999999999999999999999999:99");
  EXPECT_EQ(KoTextToTimeToken(w.c_str(), nullptr, FALSE, nullptr), KOTIME_PARSE_MAX / 10000);
}

TEST(TimeText, PositionReaderDefaultsLimitsAndEnds) {
  _koposfmt f = Format(KOPOSFMT_SECONDS);
  ko::kostring abc = W("abc"), n99 = W("99"), blank = W("   ");
  KOCSTR end = nullptr;
  EXPECT_EQ(KoTextToNanoTimeToken2(abc.c_str(), &f, 777, 0, 10000000, 4, &end), 777);
  EXPECT_EQ(end, abc.c_str());
  EXPECT_EQ(KoTextToNanoTimeToken2(n99.c_str(), &f, 777, 0, 10000000, 4, &end), 10000000);
  EXPECT_EQ(*end, 0);
  EXPECT_EQ(KoTextToNanoTimeTokenEx(blank.c_str(), &f, FALSE, 55, 0, 100, &end), 55);
  // Without flag bit 2 the text gives 0 and the limits do not apply.
  EXPECT_EQ(KoTextToNanoTimeToken(abc.c_str(), &f, FALSE, &end), 0);
  EXPECT_EQ(KoTextToNanoTimeToken(n99.c_str(), &f, FALSE, &end), 990000000);
  f.origin = 5 * kSecond;
  EXPECT_EQ(KoTextToNanoTimeToken2(n99.c_str(), &f, 0, 0, 0, 0, nullptr), 1040000000);
  EXPECT_EQ(KoTextToNanoTimeToken2(n99.c_str(), &f, 0, 0, 0, 2, nullptr), 990000000);
  ko::kostring neg = W(" - 1.5 ");
  EXPECT_EQ(KoTextToNanoTimeToken2(neg.c_str(), &f, 0, 0, 0, 0, &end), 35000000);
  EXPECT_EQ(end - neg.c_str(), 6);

  // Where each kind of reader stops.
  struct Case {
    DWORD code;
    const char *text;
    int stop;
  } cases[] = {
      {KOPOSFMT_SECONDS, "12.5abc", 4},        {KOPOSFMT_SAMPLES, "48,000 x", 6},
      {KOPOSFMT_SMPTE_25, "01:02:03:04:", 11}, {KOPOSFMT_MEASURES, "3.2.1 x", 5},
      {KOPOSFMT_CD_TIME, "abc", 0},            {30, "123", 0},
  };
  for (const Case &c : cases) {
    _koposfmt g = Format(c.code);
    ko::kostring w = W(c.text);
    KoTextToNanoTimeToken2(w.c_str(), &g, 0, 0, 0, 0, &end);
    EXPECT_EQ(end - w.c_str(), c.stop) << c.code << " '" << c.text << "'";
  }
  f = Format(KOPOSFMT_SAMPLES);
  f.sampleRate = 0;  // no rate: no position
  EXPECT_EQ(KoTextToNanoTimeToken(n99.c_str(), &f, FALSE, nullptr), 0);
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

// How far a read-back position may be from the position printed: one step of
// the text (with the writer's own slack), and a unit or two of rounding.
double Step(const _koposfmt &f, bool shortForm) {
  const double s = kSecond;
  const double frame = s / f.frameRate;
  switch (f.format) {
    case KOPOSFMT_SAMPLES: return s / f.sampleRate;
    case KOPOSFMT_TIME:
    case KOPOSFMT_SECONDS: return shortForm ? s : s / 1000;
    case KOPOSFMT_TIME_FRAMES: return shortForm ? s : frame;
    case KOPOSFMT_FRAMES: return shortForm ? frame : frame / 1000;
    case KOPOSFMT_MEASURES:
    case KOPOSFMT_MEASURES_ZERO: {
      const double beat = 60 * s / f.tempo;
      return (shortForm ? beat : beat / f.ticksPerBeat) + 0.00005 * beat * f.beatsPerMeasure;
    }
    case KOPOSFMT_SMPTE_2997:
    case KOPOSFMT_SMPTE_2997_DROP: return s * 1001 / 30000;
    case KOPOSFMT_SMPTE_30: return s / 30;
    case KOPOSFMT_SMPTE_25: return s / 25;
    case KOPOSFMT_SMPTE_24: return s / 24;
    case KOPOSFMT_SMPTE_23976: return s * 1001 / 24000;
    case KOPOSFMT_UNITS: return 0;
    case KOPOSFMT_MICROSECONDS: return 5;
    case KOPOSFMT_BEATS: return (shortForm ? 1 : 0.001) * 60 * s / f.tempo;
    case KOPOSFMT_FEET_FRAMES_40:
    case KOPOSFMT_FEET_FRAMES_16: return frame;
    case KOPOSFMT_CD_TIME: return shortForm ? s : s / 75;
    case KOPOSFMT_CLOCK: return s;
    default: return 0;
  }
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

// A kernel handle for one test; none again afterwards.
struct KernelLang {
  HKOLANG h = nullptr;
  explicit KernelLang(LCID lcid, uint32_t scratch = 0) {
    KoLang_Open(&h, nullptr, lcid, scratch);
    ko::lang::SetKernelHandle(h);
  }
  ~KernelLang() {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h);
  }
};

TEST(LabeledValues, NumbersAndLabels) {
  ScopedSeparators sep{Separators{}};
  KernelLang lang(0x0409);
  ASSERT_NE(lang.h, nullptr);
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-1000, 1, -1000, nullptr)), "-Inf.");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-999, 1, -1000, nullptr)), "-99.9");
  ko::kostring hz = W(" Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(1234567, 2, 0, hz.c_str())), "12,345.67 Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(5, 12, 0, nullptr)), "0.000000005");
  EXPECT_EQ(U8(KoGetdBStringFixed(-125, 1, 0, TRUE)), "-12.5 dB");
  EXPECT_EQ(U8(KoGetdBStringFixed(-900, 1, -900, TRUE)), "-Inf.");

  EXPECT_EQ(U8(KoGetLabeledStringFloat(3.14159f, 2, 0, hz.c_str())), "3.14 Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(-3.7f, 0, 0, nullptr)), "-3");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(1e12f, 0, 0, nullptr)), "2,147,483,647");
  EXPECT_EQ(U8(KoGetdBStringFloat(-6.02f, 1, -96.0f, TRUE)), "-6.0 dB");
  EXPECT_EQ(U8(KoGetdBStringFloat(-96.0f, 1, -96.0f, TRUE)), "-Inf.");

  // A long label is cut to the piece; a long number is cut by the formatter.
  ko::kostring longLabel = W(" is a label far longer than the piece");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(12, 0, 0, longLabel.c_str())), "12 is a label far longe");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(-3e38f, 2, 0, nullptr)).size(), 23u);
}

TEST(LabeledValues, LanguageTexts) {
  {
    KernelLang lang(0x0407);
    EXPECT_EQ(U8(KoGetLabeledStringFixed(-5, 0, -5, nullptr)), "-Unendl.");
    EXPECT_EQ(U8(KoGetdBStringFixed(3, 0, 0, TRUE)), "3 dB");
  }
  {
    KernelLang lang(0x0419);
    EXPECT_EQ(U8(KoGetdBStringFixed(3, 0, 0, TRUE)), "3 дБ");
  }
  // Without a kernel handle there is no ring: the English error text.
  ko::lang::SetKernelHandle(nullptr);
  EXPECT_EQ(U8(KoGetLabeledStringFixed(12, 0, 0, nullptr)), "Err.");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-5, 0, -5, nullptr)), "-Inf.");
}

TEST(LabeledValues, PiecesStayInsideTheRing) {
  KernelLang lang(0x0409, KOLANG_SCRATCH_MIN);
  ASSERT_NE(lang.h, nullptr);
  const KOCHAR *ring = lang.h->scratch;
  const uint32_t capacity = lang.h->scratchCapacity;
  const KOCHAR *previous = nullptr;
  int wraps = 0;
  ko::kostring label = W(" a label that fills the piece");
  for (int i = 0; i < 400; ++i) {
    const KOCHAR *s = KoGetLabeledStringFixed(-123456789 - i, 3, 0, label.c_str());
    ASSERT_GE(s, ring);
    size_t n = 0;
    while (s[n]) ++n;
    ASSERT_EQ(n, 23u) << U8(s);
    ASSERT_LE(s + n + 1, ring + capacity) << "piece " << i;
    if (previous && s < previous) ++wraps;
    // Pieces are 26 units apart until the ring starts again.
    if (previous && s > previous) { ASSERT_EQ(s - previous, 26); }
    previous = s;
  }
  EXPECT_GE(wraps, 9);
}

}  // namespace
