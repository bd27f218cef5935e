// SMPTE time code: counts, media time, arithmetic, steps and reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "kokernel/kosmpte.h"
#include "kotest_text_util.h"

using kotest::W;

namespace {

_smpteval TC(DWORD mode, DWORD h, DWORD m, DWORD s, DWORD f) { return _smpteval{mode, h, m, s, f, 0}; }

std::string Str(const _smpteval &t) {
  char b[64];
  std::snprintf(b, sizeof b, "%u:%02u:%02u:%02u:%02u", unsigned(t.mode), unsigned(t.hours),
                unsigned(t.minutes), unsigned(t.seconds), unsigned(t.frames));
  return b;
}

bool Same(const _smpteval &a, const _smpteval &b) {
  return a.mode == b.mode && a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds &&
         a.frames == b.frames;
}

constexpr LONG kPerDay[] = {0, 2592000, 2589408, 2160000, 2073600, 2592000, 2073600};

_smpteval Read(DWORD mode, const char *text, KOCHAR *stop = nullptr) {
  _smpteval t{mode, 9, 9, 9, 9, 9};
  KOCHAR r = KOSMPTE_TextToSMPTE(W(text).c_str(), &t);
  if (stop) *stop = r;
  EXPECT_EQ(t.reserved, 0u);
  return t;
}

}  // namespace

TEST(Smpte, FrameCountsAndDropFrameLabels) {
  _smpteval t = TC(2, 0, 1, 0, 0);  // a label that drop-frame skips counts as label 2
  EXPECT_EQ(KOSMPTE_SMPTEToFrameCount(&t), 1800);
  t = TC(1, 0, 0, 0, 0);
  KOSMPTE_FrameCountToSMPTE(&t, 2592000);
  EXPECT_TRUE(Same(t, TC(1, 0, 0, 0, 0))) << Str(t);
  KOSMPTE_FrameCountToSMPTE(&t, -1);  // counts back from midnight
  EXPECT_TRUE(Same(t, TC(1, 23, 59, 59, 29))) << Str(t);
  t = TC(0, 1, 2, 3, 4);
  EXPECT_EQ(KOSMPTE_SMPTEToFrameCount(&t), 0);
  KOSMPTE_FrameCountToSMPTE(&t, 100);  // invalid modes are left alone
  EXPECT_TRUE(Same(t, TC(0, 1, 2, 3, 4)));
}

TEST(Smpte, MediaTime) {
  _smpteval t = TC(3, 0, 0, 0, 0);
  KOSMPTE_NanoToSMPTE(100000000, &t);
  EXPECT_TRUE(Same(t, TC(3, 0, 0, 10, 0))) << Str(t);
  EXPECT_EQ(KOSMPTE_SMPTEToNanos(&t), 100000000);
  t = TC(2, 1, 0, 0, 0);  // one hour of drop-frame is 107892 frames at 30000/1001
  EXPECT_EQ(KOSMPTE_SMPTEToNanos(&t), 35999964000);
  t = TC(1, 0, 0, 0, 0);
  KOSMPTE_NanoToSMPTE(-10000000, &t);  // one second before midnight
  EXPECT_TRUE(Same(t, TC(1, 23, 59, 59, 0))) << Str(t);
  KOSMPTE_NanoToSMPTE(INT64_MAX, &t);  // no overflow, some valid label
  EXPECT_LT(t.hours, 24u);
  t = TC(4, 0, 0, 1, 12);
  EXPECT_EQ(KOSMPTE_SmpteLikeToNanos(24.0, &t), 15000000);
  EXPECT_EQ(KOSMPTE_SmpteLikeToNanos(0.0, &t), 0);

  // Every frame of a day survives count -> media time -> time code, per mode.
  for (DWORD mode = 1; mode <= 6; ++mode) {
    for (LONG c = 0; c < kPerDay[mode]; c += (c < 200000 ? 1 : 7)) {
      _smpteval a = TC(mode, 0, 0, 0, 0), b = TC(mode, 0, 0, 0, 0);
      KOSMPTE_FrameCountToSMPTE(&a, c);
      KOSMPTE_NanoToSMPTE(KOSMPTE_SMPTEToNanos(&a), &b);
      ASSERT_TRUE(Same(a, b)) << "mode " << mode << " count " << c << ": " << Str(a) << " vs " << Str(b);
    }
  }
}

TEST(Smpte, ArithmeticAndCompare) {
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    DWORD ma = 1 + rng() % 6, mb = 1 + rng() % 6;
    _smpteval x = TC(ma, 0, 0, 0, 0), y = TC(mb, 0, 0, 0, 0);
    LONG cx = rng() % kPerDay[ma], cy = rng() % kPerDay[mb];
    KOSMPTE_FrameCountToSMPTE(&x, cx);
    KOSMPTE_FrameCountToSMPTE(&y, cy);
    _smpteval sum = x;
    KOSMPTE_AddSMPTE(&sum, &y);
    ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&sum), (cx + cy) % kPerDay[ma]) << Str(x) << " + " << Str(y);
    KOSMPTE_SubtractSMPTE(&sum, &y);
    ASSERT_TRUE(Same(sum, x)) << Str(sum) << " vs " << Str(x);
    _smpteval z = TC(ma, 0, 0, 0, 0);
    KOSMPTE_FrameCountToSMPTE(&z, cy % kPerDay[ma]);
    LONG expect = cx < cy % kPerDay[ma] ? -1 : cx > cy % kPerDay[ma] ? 1 : 0;
    ASSERT_EQ(KOSMPTE_SMPTECompare(&x, &z), expect) << Str(x) << " vs " << Str(z);
  }
  _smpteval p = TC(1, 1, 0, 0, 0), q = TC(3, 1, 0, 0, 0);
  EXPECT_EQ(KOSMPTE_SMPTECompare(&p, &q), 0);  // modes are not compared
  _smpteval early = TC(1, 1, 0, 0, 1), late = TC(1, 1, 0, 0, 2);
  EXPECT_EQ(KOSMPTE_SMPTECompare(&early, &late), -1);  // labels a frame apart
  EXPECT_EQ(KOSMPTE_SMPTECompare(&late, &early), 1);
}

// Stepping forward over a whole day visits every frame count in order and
// ends where it began; stepping back retraces the same labels.
TEST(Smpte, WholeDayForwardAndBackInEveryMode) {
  for (DWORD mode = 1; mode <= 6; ++mode) {
    _smpteval t = TC(mode, 0, 0, 0, 0);
    for (LONG c = 0; c < kPerDay[mode]; ++c) {
      _smpteval expect = TC(mode, 0, 0, 0, 0);
      KOSMPTE_FrameCountToSMPTE(&expect, c);
      ASSERT_TRUE(Same(t, expect)) << "mode " << mode << " step " << c << ": " << Str(t) << " vs "
                                   << Str(expect);
      ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&t), c) << Str(t);
      KOSMPTE_IncrementByFrame(&t, 0);
    }
    ASSERT_TRUE(Same(t, TC(mode, 0, 0, 0, 0))) << "mode " << mode << " after a day: " << Str(t);
    for (LONG c = kPerDay[mode] - 1; c >= 0; --c) {
      KOSMPTE_DeccrementByFrame(&t, 0);
      ASSERT_EQ(KOSMPTE_SMPTEToFrameCount(&t), c) << "mode " << mode << ": " << Str(t);
    }
    ASSERT_TRUE(Same(t, TC(mode, 0, 0, 0, 0))) << "mode " << mode << " back: " << Str(t);
  }
}

TEST(Smpte, ReadingText) {
  EXPECT_TRUE(Same(Read(1, "1:2:3:4"), TC(1, 1, 2, 3, 4)));
  EXPECT_TRUE(Same(Read(1, "123412"), TC(1, 0, 12, 34, 12)));
  EXPECT_TRUE(Same(Read(1, "90"), TC(1, 0, 0, 3, 0)));
  EXPECT_TRUE(Same(Read(1, "12345"), TC(1, 0, 1, 24, 15)));  // 1 23 45: frames carry
  EXPECT_TRUE(Same(Read(3, "00:00:00:25"), TC(3, 0, 0, 1, 0)));
  EXPECT_TRUE(Same(Read(4, "99:99:99:99"), TC(4, 4, 40, 43, 3)));
  EXPECT_TRUE(Same(Read(1, "1:2:"), TC(1, 0, 1, 2, 0)));  // trailing separator adds a 0 field
  EXPECT_TRUE(Same(Read(1, "1:2 "), TC(1, 0, 0, 1, 2)));
  EXPECT_TRUE(Same(Read(1, "abc"), TC(1, 0, 0, 0, 0)));
  KOCHAR stop = 1;
  EXPECT_TRUE(Same(Read(1, "1:2:3:4:5"), TC(1, 1, 2, 3, 4)));
  Read(1, "1:2:3:4:5", &stop);
  EXPECT_EQ(stop, '5');
  Read(1, "1:2:3:4;", &stop);
  EXPECT_EQ(stop, ';');
  _smpteval t = TC(1, 1, 1, 1, 1);
  EXPECT_EQ(KOSMPTE_TextToSMPTE(nullptr, &t), 0);
  EXPECT_TRUE(Same(t, TC(1, 0, 0, 0, 0)));

  // Printed labels read back as themselves.
  std::mt19937 rng(11);
  for (int i = 0; i < 5000; ++i) {
    DWORD mode = 1 + rng() % 6;
    _smpteval a = TC(mode, 0, 0, 0, 0);
    KOSMPTE_FrameCountToSMPTE(&a, rng() % kPerDay[mode]);
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u%c%02u", unsigned(a.hours), unsigned(a.minutes),
                  unsigned(a.seconds), mode == 2 ? ';' : ':', unsigned(a.frames));
    ASSERT_TRUE(Same(Read(mode, text), a)) << text;
  }
}
