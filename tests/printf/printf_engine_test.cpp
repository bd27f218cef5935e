// The KoPrintF language: escapes, brackets, tokens, separator and locale
// conversions, fixed-point "z", bounded formatting and the token list under
// concurrent use; KoComposeStr where FormatMessageW (its peer under Wine)
// cannot check it: star widths, null texts and results that do not fit.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "printf_test_util.h"

using kotest::Fmt;
using kotest::ScopedLocale;
using kotest::U8;

// One row per rule of the language: what KoPrintF wrote against the text
// the rule gives, with the default (English) conventions unless a row says
// otherwise.
TEST(PrintFLanguage, RulesInOneTable) {
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("Unknown"), KOTEXT("x")));
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("e"), KOTEXT("")));
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("pct"), KOTEXT("%d$(e)")));
  ko::kostring longSpec = KOTEXT("<%"), longPlain = KOTEXT("%"), longName = KOTEXT("$(");
  longSpec.append(259, static_cast<KOCHAR>('q'));
  longSpec += KOTEXT("d>");
  longPlain.append(260, static_cast<KOCHAR>('q'));
  longPlain += KOTEXT("d");
  longName.append(261, static_cast<KOCHAR>('n'));
  longName += KOTEXT(")");
  struct Row { std::string got, want; } rows[] = {
      // Escapes, literals and specifications without a conversion character.
      {Fmt(KOTEXT("$$5|100%%")), "$5|100%"}, {Fmt(KOTEXT("50%")), "50%"}, {Fmt(KOTEXT("a$")), "a$"},
      {Fmt(KOTEXT("%5.2")), "%5.2"}, {Fmt(KOTEXT("%lly")), "%lly"},
      {Fmt(KOTEXT("\u00e9t\u00e9 %d \u20ac"), 3), "\u00e9t\u00e9 3 \u20ac"},
      // C99 where the system's formatter differs: "hh" cuts to a char, a
      // precision turns the "0" flag off.
      {Fmt(KOTEXT("[%hhx|%hhd|%08.3x|%05.1d]"), 0x1FF, 0x80, 0xab, -7), "[ff|-128|     0ab|   -7]"},
      {Fmt(KOTEXT("[%Ix|%jd|%lli|%I32u]"), int64_t{-1}, INT64_MIN, INT64_MAX, UINT32_MAX),
       "[ffffffffffffffff|-9223372036854775808|9223372036854775807|4294967295]"},
      {Fmt(KOTEXT("[%-6.2hs|%5.3s]"), "narrow", KOTEXT("wide")), "[na    |  wid]"},
      {Fmt(longSpec.c_str(), 5), "<>"},
      {Fmt(longPlain.c_str(), 5), "%" + std::string(260, 'q') + "d"},
      // An invalid conversion writes nothing but takes its argument.
      {Fmt(KOTEXT("[%qd][%d]"), 1, 2), "[][2]"},
      {Fmt(KOTEXT("[%hf][%.1f]"), 1.5, 2.25), "[][2.2]"},
      // Separators.
      {Fmt(KOTEXT("%!:|%!x|%!.|%!,|%&:|%&.|%&x|%!")), ":|x|.|,|.|.|x|"},
      {Fmt(KOTEXT("1%*5 a%,b 3%:4")), "1.5 a,b 3:4"},
      {Fmt(KOTEXT("%u$:%02u|%d$&:%1u"), 12u, 5u, 7, 3u), "12:05|7.3"},
      // Tokens, case-blind; values are not reformatted; brackets as numbers.
      {Fmt(KOTEXT("[$(UNKNOWN)]$(nothing)")), "[x]$(nothing)"},
      {Fmt(KOTEXT("<$(e)><$(pct)>")), "<><%d$(e)>"},
      {Fmt(KOTEXT("$(1234567.25)|$(-1,234,567)|$(.5)|$(0001000.000)|$(12a)")),
       "1,234,567.25|-1,234,567|0.5|1,000.000|$(12a)"},
      {Fmt(KOTEXT("a$(b %d"), 5), "a$(b %d"},
      {Fmt(longName.c_str()), "$(" + std::string(261, 'n') + ")"},
      // Locale conversions regroup the standard text.
      {Fmt(KOTEXT("$d|$u|$I64d"), -1234, 4000000000u, int64_t{-9223372036854775807LL - 1}),
       "-1,234|4,000,000,000|-9,223,372,036,854,775,808"},
      {Fmt(KOTEXT("[$8d]|$x"), 12345, 0x12345), "[   12,345]|12345"},
      {Fmt(KOTEXT("[$-8d][$+d][$05d][$.6d]"), 1234, 1234, 42, 1234), "[1,234    ][+1,234][42][1,234]"},
      {Fmt(KOTEXT("$.3f|$g|$e"), 1234567.0625, 12345.5, 1234.5), "1,234,567.062|12345.5|1.234500e+03"},
      // Fixed point.
      {Fmt(KOTEXT("%.2z|$.2z|%z|$.1z"), 12345, 1234567, 5, -5), "123.45|12,345.67|5|-0.5"},
      {Fmt(KOTEXT("%.3z|%.2z|%.20z"), 7, INT32_MIN, 1), "0.007|-21474836.48|0.00000000000000000001"},
      {Fmt(KOTEXT("[%8.2z][%-8.1z][%+.1z]"), 314, 5, 5), "[    3.14][0.5     ][+0.5]"},
  };
  for (const Row &r : rows) EXPECT_EQ(r.got, r.want);
  EXPECT_TRUE(KoPrintF_DeleteToken(KOTEXT("unknown")));
  EXPECT_FALSE(KoPrintF_DeleteToken(KOTEXT("unknown")));
  EXPECT_EQ(Fmt(KOTEXT("$(Unknown)")), "$(Unknown)");
  EXPECT_FALSE(KoPrintF_AddToken(nullptr, KOTEXT("v")));
  KoPrintF_DeleteToken(KOTEXT("e"));
  KoPrintF_DeleteToken(KOTEXT("pct"));

  {
    ScopedLocale de(",", ".", 3);
    EXPECT_EQ(Fmt(KOTEXT("$(1234567.25)|$.2f|%.2f|$g|$G"), 1234567.125, 1234567.125, 1234.5, 1e-10),
              "1.234.567,25|1.234.567,12|1234567.12|1234,5|1E-10");
    EXPECT_EQ(Fmt(KOTEXT("%.2z|$.2z"), 1234567, 1234567), "12345,67|12.345,67");
  }
  {
    ScopedLocale ch(".", "'", 4, false);
    EXPECT_EQ(Fmt(KOTEXT("$(1234567.25)|$(0.5)")), "123'4567.25|.5");
  }
  // The thousands separator is never the same as the decimal separator.
  ko::text::LocaleSettings s = ko::text::DefaultLocaleSettings();
  using Sep = KOCHAR(*)[ko::text::kSeparatorUnits];
  const std::pair<Sep, const char *> seps[] = {
      {&s.decimalSeparator, ","}, {&s.thousandSeparator, "\u00a0"}, {&s.listSeparator, ";"},
      {&s.timeSeparator, "h"},    {&s.timecodeUnits, "'"},          {&s.timecodeFrames, "f"},
      {&s.timecodeDropFrames, ";"}, {&s.musicBeats, "|"},          {&s.musicTicks, "/"}};
  for (const auto &p : seps) kotest::PutSep(*p.first, p.second);
  ScopedLocale scoped(s);
  EXPECT_EQ(Fmt(KOTEXT("%*%,%:%!:%!.%!,%&:%&.|$*$,$:")), ",;h'f;|/|,;h");
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
  // A token that comes and goes: present or not, either form is whole.
  std::thread toggler([&] {
    while (!stop) KoPrintF_AddToken(KOTEXT("shared"), KOTEXT("SHARED-VALUE")), KoPrintF_DeleteToken(KOTEXT("shared"));
  });
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id)
    threads.emplace_back([&, id] {
      KOCHAR name[32], value[32], fmt[64], out[128];
      for (int round = 0; round < 400; ++round) {
        KoPrintF(name, KOTEXT("T%d_%d"), id, round % 8);
        KoPrintF(value, KOTEXT("v%d"), round);
        KoPrintF(fmt, KOTEXT("$$(%s)"), name);
        bad += !KoPrintF_AddToken(name, value);
        KoPrintF(out, fmt);
        bad += U8(out) != U8(value);
        KoPrintF(out, KOTEXT("$(shared)"));
        const std::string s = U8(out);
        bad += s != "$(shared)" && s != "SHARED-VALUE";
        bad += round >= 392 && !KoPrintF_DeleteToken(name);  // each name once, at the end
      }
    });
  for (auto &t : threads) t.join();
  stop = true;
  toggler.join();
  EXPECT_EQ(bad.load(), 0);
}

TEST(ComposeStr, StarWidthsNullTextsAndFailures) {
  KOCHAR buf[256];
  EXPECT_EQ(KoComposeStr(buf, 256, KOTEXT("%1!*.*s!|%4"), 6, 2, KOTEXT("abcdef"), KOTEXT("next")), 11u);
  EXPECT_EQ(U8(buf), "    ab|next");
  // A negative star width justifies left; a negative star precision is none.
  KoComposeStr(buf, 256, KOTEXT("[%1!*.*d!|%4!*.*s!|%7!*.*d!]"), -6, -1, 42, 5, -2, KOTEXT("abc"), 4, 3, -7);
  EXPECT_EQ(U8(buf), "[42    |  abc|-007]");
  KoComposeStr(buf, 256, KOTEXT("%1!s!|%2!.3s!"), static_cast<const KOCHAR *>(nullptr),
               static_cast<const KOCHAR *>(nullptr));
  EXPECT_EQ(U8(buf), "(null)|(nu");
  KoComposeStr(buf, 256, KOTEXT("<%1>"), static_cast<const KOCHAR *>(nullptr));
  EXPECT_EQ(U8(buf), "<(null)>");
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("%1 and more"), KOTEXT("long")), 0u);
  EXPECT_EQ(U8(buf), "");
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("12345678")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 0, KOTEXT("x")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 8, nullptr), 0u);
}
