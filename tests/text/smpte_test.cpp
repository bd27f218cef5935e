// SMPTE time code: counts, media time, arithmetic, steps and reading. The
// labels of every frame of a day are compared with libavutil's in
// tests/timetext/timetext_ffmpeg_test.cpp.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "kokernel/kosmpte.h"
#include "kotest_text_util.h"

namespace {

_smpteval TC(DWORD mode, DWORD h = 0, DWORD m = 0, DWORD s = 0, DWORD f = 0) { return _smpteval{mode, h, m, s, f, 0}; }

std::string Str(const _smpteval &t) {
  char b[64];
  std::snprintf(b, sizeof b, "%u:%02u:%02u:%02u:%02u%s", unsigned(t.mode), unsigned(t.hours), unsigned(t.minutes),
                unsigned(t.seconds), unsigned(t.frames), t.reserved ? " reserved set" : "");
  return b;
}

_smpteval FromCount(DWORD mode, LONG count) {
  _smpteval t = TC(mode);
  KOSMPTE_FrameCountToSMPTE(&t, count);
  return t;
}

constexpr LONG kPerDay[] = {0, 2592000, 2589408, 2160000, 2073600, 2592000, 2073600};

}  // namespace

TEST(Smpte, CountsMediaTimeAndStepsOverAWholeDay) {
  for (DWORD skipped : {0, 1}) {  // labels that drop-frame skips count as label 2
    _smpteval d = TC(2, 0, 1, 0, skipped);
    EXPECT_EQ(KOSMPTE_SMPTEToFrameCount(&d), 1800) << skipped;
  }
  EXPECT_EQ(Str(FromCount(1, 2592000)), Str(TC(1)));
  EXPECT_EQ(Str(FromCount(1, -1)), Str(TC(1, 23, 59, 59, 29)));  // counts back from midnight
  _smpteval t = TC(0, 1, 2, 3, 4);
  EXPECT_EQ(KOSMPTE_SMPTEToFrameCount(&t), 0);
  KOSMPTE_FrameCountToSMPTE(&t, 100);  // invalid modes are left alone
  EXPECT_EQ(Str(t), Str(TC(0, 1, 2, 3, 4)));

  t = TC(3);
  KOSMPTE_NanoToSMPTE(100000000, &t);
  EXPECT_EQ(Str(t), Str(TC(3, 0, 0, 10)));
  EXPECT_EQ(KOSMPTE_SMPTEToNanos(&t), 100000000);
  t = TC(2, 1);  // one hour of drop-frame is 107892 frames at 30000/1001
  EXPECT_EQ(KOSMPTE_SMPTEToNanos(&t), 35999964000);
  t = TC(1);
  KOSMPTE_NanoToSMPTE(-10000000, &t);  // one second before midnight
  EXPECT_EQ(Str(t), Str(TC(1, 23, 59, 59)));
  KOSMPTE_NanoToSMPTE(INT64_MAX, &t);  // no overflow, some valid label
  EXPECT_LT(t.hours, 24u);
  t = TC(4, 0, 0, 1, 12);
  EXPECT_EQ(KOSMPTE_SmpteLikeToNanos(24.0, &t), 15000000);
  EXPECT_EQ(KOSMPTE_SmpteLikeToNanos(0.0, &t), 0);
  // Per mode over a whole day: stepping forward visits every frame count in
  // order (each label also surviving count -> media time -> time code) and
  // ends where it began; stepping back retraces the same counts.
  for (DWORD mode = 1; mode <= 6; ++mode) {
    _smpteval t = TC(mode);
    for (LONG c = 0; c < kPerDay[mode]; ++c) {
      const _smpteval expect = FromCount(mode, c);
      ASSERT_EQ(Str(t), Str(expect)) << "mode " << mode << " step " << c;
      ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&t), c) << Str(t);
      _smpteval back = TC(mode);
      KOSMPTE_NanoToSMPTE(KOSMPTE_SMPTEToNanos(&t), &back);
      ASSERT_EQ(Str(back), Str(t)) << "through media time, mode " << mode;
      KOSMPTE_IncrementByFrame(&t, 0);
    }
    ASSERT_EQ(Str(t), Str(TC(mode))) << "after a day";
    for (LONG c = kPerDay[mode] - 1; c >= 0; --c) {
      KOSMPTE_DeccrementByFrame(&t, 0);
      ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&t), c) << "mode " << mode << ": " << Str(t);
    }
  }
}

TEST(Smpte, ArithmeticAndCompare) {
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    DWORD ma = 1 + rng() % 6, mb = 1 + rng() % 6;
    LONG cx = rng() % kPerDay[ma], cy = rng() % kPerDay[mb];
    const _smpteval x = FromCount(ma, cx), y = FromCount(mb, cy), z = FromCount(ma, cy % kPerDay[ma]);
    _smpteval sum = x;
    KOSMPTE_AddSMPTE(&sum, &y);
    ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&sum), (cx + cy) % kPerDay[ma]) << Str(x) << " + " << Str(y);
    KOSMPTE_SubtractSMPTE(&sum, &y);
    ASSERT_EQ(Str(sum), Str(x));
    LONG expect = cx < cy % kPerDay[ma] ? -1 : cx > cy % kPerDay[ma] ? 1 : 0;
    ASSERT_EQ(KOSMPTE_SMPTECompare(&x, &z), expect) << Str(x) << " vs " << Str(z);
  }
  _smpteval p = TC(1, 1), q = TC(3, 1), early = TC(1, 1, 0, 0, 1), late = TC(1, 1, 0, 0, 2);
  EXPECT_EQ(KOSMPTE_SMPTECompare(&p, &q), 0);  // modes are not compared
  EXPECT_EQ(KOSMPTE_SMPTECompare(&early, &late), -1);  // labels a frame apart
  EXPECT_EQ(KOSMPTE_SMPTECompare(&late, &early), 1);
}

TEST(Smpte, ReadingText) {
  // stop: the character reading stopped at; -1: not checked.
  const struct { DWORD mode; const char *text; _smpteval want; int stop; } cases[] = {
      {1, "1:2:3:4", TC(1, 1, 2, 3, 4), 0},        {1, "123412", TC(1, 0, 12, 34, 12), 0},
      {1, "90", TC(1, 0, 0, 3), 0},                {1, "12345", TC(1, 0, 1, 24, 15), 0},  // 1 23 45: frames carry
      {3, "00:00:00:25", TC(3, 0, 0, 1), 0},       {4, "99:99:99:99", TC(4, 4, 40, 43, 3), 0},
      {1, "1:2:", TC(1, 0, 1, 2), 0},  // trailing separator adds a 0 field
      {1, "1:2 ", TC(1, 0, 0, 1, 2), -1},          {1, "abc", TC(1), -1},
      {1, "1:2:3:4:5", TC(1, 1, 2, 3, 4), '5'},    {1, "1:2:3:4;", TC(1, 1, 2, 3, 4), ';'},
  };
  for (const auto &c : cases) {
    _smpteval t{c.mode, 9, 9, 9, 9, 9};
    const int stop = KOSMPTE_TextToSMPTE(kotest::W(c.text).c_str(), &t);
    EXPECT_EQ(Str(t), Str(c.want)) << c.text;
    if (c.stop >= 0) { EXPECT_EQ(stop, c.stop) << c.text; }
  }
  _smpteval t = TC(1, 1, 1, 1, 1);
  EXPECT_EQ(KOSMPTE_TextToSMPTE(nullptr, &t), 0);
  EXPECT_EQ(Str(t), Str(TC(1)));
}
