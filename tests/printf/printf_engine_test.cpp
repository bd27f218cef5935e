// The KoPrintF language: escapes, brackets, tokens, separator and locale
// conversions, fixed-point "z", bounded formatting and the token list under
// concurrent use.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "printf_test_util.h"

using kotest::Fmt;
using kotest::ScopedLocale;
using kotest::U8;

TEST(PrintFLanguage, EscapesAndLiterals) {
  EXPECT_EQ(Fmt(KOTEXT("$$5")), "$5");
  EXPECT_EQ(Fmt(KOTEXT("100%%")), "100%");
  EXPECT_EQ(Fmt(KOTEXT("plain text")), "plain text");
  EXPECT_EQ(Fmt(KOTEXT("")), "");
  // A specification without a conversion character stands as written.
  EXPECT_EQ(Fmt(KOTEXT("50%")), "50%");
  EXPECT_EQ(Fmt(KOTEXT("a$")), "a$");
  EXPECT_EQ(Fmt(KOTEXT("%5.2")), "%5.2");
  EXPECT_EQ(Fmt(KOTEXT("%lly")), "%lly");
  // Non-ASCII text passes through unchanged.
  EXPECT_EQ(Fmt(KOTEXT("\u00e9t\u00e9 %d \u20ac"), 3), "\u00e9t\u00e9 3 \u20ac");
}

TEST(PrintFLanguage, SpecificationLimitOf260Characters) {
  // 259 specification characters and a conversion: still a conversion (one
  // that fails, so nothing is written for it).
  std::u16string longSpec(259, u'q');
  ko::kostring f = KOTEXT("<%");
  for (char16_t c : longSpec) f += static_cast<KOCHAR>(c);
  f += KOTEXT("d>");
  EXPECT_EQ(Fmt(f.c_str(), 5), "<>");
  // 260 characters without a conversion character are written unchanged and
  // reading goes on after them.
  ko::kostring g = KOTEXT("%");
  for (int i = 0; i < 260; ++i) g += static_cast<KOCHAR>('q');
  g += KOTEXT("d");
  std::string expect = "%" + std::string(260, 'q') + "d";
  EXPECT_EQ(Fmt(g.c_str(), 5), expect);
}

TEST(PrintFLanguage, InvalidSpecificationWritesNothingButTakesItsArgument) {
  EXPECT_EQ(Fmt(KOTEXT("[%qd][%d]"), 1, 2), "[][2]");
  EXPECT_EQ(Fmt(KOTEXT("[%l5d][%d]"), 1, 2), "[][2]");
  EXPECT_EQ(Fmt(KOTEXT("[%hf][%.1f]"), 1.5, 2.25), "[][2.2]");
}

TEST(PrintFLanguage, SeparatorConversions) {
  EXPECT_EQ(Fmt(KOTEXT("%!:")), ":");
  EXPECT_EQ(Fmt(KOTEXT("%!x")), "x");
  EXPECT_EQ(Fmt(KOTEXT("%!.|%!,|%&:|%&.|%&x")), ".|,|.|.|x");
  EXPECT_EQ(Fmt(KOTEXT("%!")), "");
  EXPECT_EQ(Fmt(KOTEXT("1%*5 a%,b 3%:4")), "1.5 a,b 3:4");
  EXPECT_EQ(Fmt(KOTEXT("%u$:%02u"), 12u, 5u), "12:05");
  EXPECT_EQ(Fmt(KOTEXT("%d$&:%1u"), 7, 3u), "7.3");
  ko::text::LocaleSettings s = ko::text::DefaultLocaleSettings();
  ScopedLocale::Put(s.decimalSeparator, ",");
  ScopedLocale::Put(s.thousandSeparator, "\u00a0");
  ScopedLocale::Put(s.listSeparator, ";");
  ScopedLocale::Put(s.timeSeparator, "h");
  ScopedLocale::Put(s.timecodeUnits, "'");
  ScopedLocale::Put(s.timecodeFrames, "f");
  ScopedLocale::Put(s.timecodeDropFrames, ";");
  ScopedLocale::Put(s.musicBeats, "|");
  ScopedLocale::Put(s.musicTicks, "/");
  ScopedLocale scoped(s);
  EXPECT_EQ(Fmt(KOTEXT("%*%,%:%!:%!.%!,%&:%&.")), ",;h'f;|/");
  EXPECT_EQ(Fmt(KOTEXT("$*$,$:")), ",;h");
}

TEST(PrintFLanguage, Tokens) {
  EXPECT_EQ(Fmt(KOTEXT("$(Unknown)")), "$(Unknown)");
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("Unknown"), KOTEXT("x")));
  EXPECT_EQ(Fmt(KOTEXT("$(unknown)")), "x");
  EXPECT_EQ(Fmt(KOTEXT("[$(UNKNOWN)]")), "[x]");
  // Adding again replaces the value.
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("UNKNOWN"), KOTEXT("second")));
  EXPECT_EQ(Fmt(KOTEXT("$(Unknown)")), "second");
  EXPECT_TRUE(KoPrintF_DeleteToken(KOTEXT("unknown")));
  EXPECT_FALSE(KoPrintF_DeleteToken(KOTEXT("unknown")));
  EXPECT_EQ(Fmt(KOTEXT("$(Unknown)")), "$(Unknown)");
  EXPECT_FALSE(KoPrintF_AddToken(nullptr, KOTEXT("v")));
  EXPECT_FALSE(KoPrintF_DeleteToken(nullptr));

  // Empty value, and a value holding format characters, which is not reformatted.
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("e"), KOTEXT("")));
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("pct"), KOTEXT("%d$(e)")));
  EXPECT_EQ(Fmt(KOTEXT("<$(e)><$(pct)>")), "<><%d$(e)>");
  KoPrintF_DeleteToken(KOTEXT("e"));
  KoPrintF_DeleteToken(KOTEXT("pct"));
}

TEST(PrintFLanguage, Brackets) {
  EXPECT_EQ(Fmt(KOTEXT("$(1234567.25)")), "1,234,567.25");
  EXPECT_EQ(Fmt(KOTEXT("$(-1,234,567)")), "-1,234,567");
  EXPECT_EQ(Fmt(KOTEXT("$(.5)")), "0.5");
  EXPECT_EQ(Fmt(KOTEXT("$(0001000.000)")), "1,000.000");
  EXPECT_EQ(Fmt(KOTEXT("$(12a)")), "$(12a)");  // not a number: an unknown token
  // An unclosed bracket is written as read (here up to the end, so the
  // "%d" is part of it) and reading goes on after it.
  EXPECT_EQ(Fmt(KOTEXT("a$(b %d"), 5), "a$(b %d");
  EXPECT_EQ(Fmt(KOTEXT("$(")), "$(");
  // A name longer than 260 characters does not close.
  ko::kostring f = KOTEXT("$(");
  f.append(261, static_cast<KOCHAR>('n'));
  f += KOTEXT(")");
  EXPECT_EQ(Fmt(f.c_str()), "$(" + std::string(261, 'n') + ")");
  {
    ScopedLocale de(",", ".", 3);
    EXPECT_EQ(Fmt(KOTEXT("$(1234567.25)")), "1.234.567,25");
  }
  {
    ScopedLocale ch(".", "'", 4, false);
    EXPECT_EQ(Fmt(KOTEXT("$(1234567.25)|$(0.5)")), "123'4567.25|.5");
  }
}

TEST(PrintFLanguage, LocaleConversions) {
  EXPECT_EQ(Fmt(KOTEXT("%d"), -1234), "-1234");
  EXPECT_EQ(Fmt(KOTEXT("$d"), -1234), "-1,234");
  EXPECT_EQ(Fmt(KOTEXT("$u|$i"), 4000000000u, 999), "4,000,000,000|999");
  EXPECT_EQ(Fmt(KOTEXT("$I64d"), int64_t{-9223372036854775807LL - 1}), "-9,223,372,036,854,775,808");
  EXPECT_EQ(Fmt(KOTEXT("$Id|$I32d"), int64_t{1} << 40, 123456), "1,099,511,627,776|123,456");
  EXPECT_EQ(Fmt(KOTEXT("[$8d]"), 12345), "[   12,345]");
  EXPECT_EQ(Fmt(KOTEXT("$x|$X"), 0x12345, 0xABCDEF), "12345|ABCDEF");
  // The standard text is regrouped as number text: padding before and after
  // the number stays, leading zeros go (as the system's number formatting).
  EXPECT_EQ(Fmt(KOTEXT("[$-8d][$+d][$05d][$.6d]"), 1234, 1234, 42, 1234), "[1,234    ][+1,234][42][1,234]");
  EXPECT_EQ(Fmt(KOTEXT("$.3f"), 1234567.0625), "1,234,567.062");
  EXPECT_EQ(Fmt(KOTEXT("$.0f|$f"), 2.5, -0.5), "2|-0.500000");
  EXPECT_EQ(Fmt(KOTEXT("$g|$g"), 12345.5, 1e20), "12345.5|1e+20");
  EXPECT_EQ(Fmt(KOTEXT("$e"), 1234.5), "1.234500e+03");
  ScopedLocale de(",", ".", 3);
  EXPECT_EQ(Fmt(KOTEXT("$.2f|%.2f"), 1234567.125, 1234567.125), "1.234.567,12|1234567.12");
  EXPECT_EQ(Fmt(KOTEXT("$g|$G|$g"), 1234.5, 1e-10, 0.25), "1234,5|1E-10|0,25");
  EXPECT_EQ(Fmt(KOTEXT("$d|$e"), 1234567, 1.5), "1.234.567|1.500000e+00");
  EXPECT_EQ(Fmt(KOTEXT("$f"), 1.0 / 0.0), "inf");
}

TEST(PrintFLanguage, FixedPointZ) {
  EXPECT_EQ(Fmt(KOTEXT("%.2z"), 12345), "123.45");
  EXPECT_EQ(Fmt(KOTEXT("$.2z"), 1234567), "12,345.67");
  EXPECT_EQ(Fmt(KOTEXT("%z"), 5), "5");
  EXPECT_EQ(Fmt(KOTEXT("$z|$.0z"), 1234567, 1234567), "1,234,567|1,234,567");
  EXPECT_EQ(Fmt(KOTEXT("$.1z"), -5), "-0.5");
  EXPECT_EQ(Fmt(KOTEXT("%.3z|%.3z"), 7, 0), "0.007|0.000");
  EXPECT_EQ(Fmt(KOTEXT("%.2z"), INT32_MIN), "-21474836.48");
  EXPECT_EQ(Fmt(KOTEXT("%.20z"), 1), "0.00000000000000000001");
  EXPECT_EQ(Fmt(KOTEXT("[%8.2z][%-8.1z][%+.1z]"), 314, 5, 5), "[    3.14][0.5     ][+0.5]");
  ScopedLocale de(",", ".", 3);
  EXPECT_EQ(Fmt(KOTEXT("%.2z|$.2z"), 1234567, 1234567), "12345,67|12.345,67");
}

TEST(PrintFBounded, EveryCapacityKeepsAPrefixAndStaysInside) {
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("tok"), KOTEXT("VALUE")));
  const KOCHAR *format = KOTEXT("a%5d|$d|%.3e|%s|$(tok)|$(12345.5)|%-6.2z|%!:|%x%%");
  KOCHAR full[256];
  int n = KoPrintF(full, format, 42, 1234567, 3.14159, KOTEXT("str"), 1234, 0xbeef);
  std::string whole = U8(full);
  ASSERT_EQ(whole, "a   42|1,234,567|3.142e+00|str|VALUE|12,345.5|12.34 |:|beef%");
  for (int cap = 1; cap <= n + 2; ++cap) {
    KOCHAR buf[300];
    for (KOCHAR &c : buf) c = 0x7777;
    UINT len = 0;
    HRESULT hr = KoCchPrintF(buf, cap, &len, format, 42, 1234567, 3.14159, KOTEXT("str"), 1234, 0xbeef);
    size_t expectLen = std::min<size_t>(cap - 1, n);
    EXPECT_EQ(len, expectLen) << cap;
    EXPECT_EQ(U8(buf), whole.substr(0, expectLen)) << cap;
    for (int i = cap; i < 300; ++i) ASSERT_EQ(buf[i], 0x7777) << "written past capacity " << cap;
    // Only the final literal "%" (from "%%") may be dropped without a report.
    bool onlyLiteralLost = static_cast<int>(expectLen) >= n - 1;
    EXPECT_EQ(hr, onlyLiteralLost ? S_OK : KO_E_BUFFERTOOSMALL) << cap;
  }
  KoPrintF_DeleteToken(KOTEXT("tok"));
}

TEST(PrintFTokens, ConcurrentAddDeleteAndFormat) {
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  auto worker = [&](int id) {
    KOCHAR name[32], value[32], fmt[64], out[128];
    for (int round = 0; round < 400; ++round) {
      KoPrintF(name, KOTEXT("T%d_%d"), id, round % 8);
      KoPrintF(value, KOTEXT("v%d"), round);
      if (!KoPrintF_AddToken(name, value)) bad++;
      KoPrintF(fmt, KOTEXT("$$(%s)"), name);
      KoPrintF(out, fmt);
      if (U8(out) != U8(value)) bad++;
      KoPrintF(out, KOTEXT("$(shared)"));  // present or not, either form is whole
      std::string s = U8(out);
      if (s != "$(shared)" && s != "SHARED-VALUE") bad++;
      if (round % 3 == 0 && !KoPrintF_DeleteToken(name)) bad++;
    }
  };
  std::thread toggler([&] {
    while (!stop) {
      KoPrintF_AddToken(KOTEXT("shared"), KOTEXT("SHARED-VALUE"));
      KoPrintF_DeleteToken(KOTEXT("shared"));
    }
  });
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(worker, i);
  for (auto &t : threads) t.join();
  stop = true;
  toggler.join();
  EXPECT_EQ(bad.load(), 0);
  KOCHAR name[32];
  for (int id = 0; id < 4; ++id)
    for (int k = 0; k < 8; ++k) {
      KoPrintF(name, KOTEXT("T%d_%d"), id, k);
      KoPrintF_DeleteToken(name);
    }
}
