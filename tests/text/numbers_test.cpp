// Numbers as text: writers, re-formatters, readers, colours, codes and sizes;
// string fix-ups for names: replace, strip, prepare, stereo pairs, menus.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "kokernel/konumtext.h"
#include "kotest_text_util.h"

using kotest::ScopedLocale;
using kotest::U8;
using kotest::W;

namespace {

// Runs a writer of the "N" family into a guarded buffer and checks that
// nothing beyond the capacity changed.
template <class F>
std::string WriteGuarded(int capacity, F write, int *result = nullptr) {
  KOCHAR buf[256];
  for (KOCHAR &c : buf) c = 0x5A5A;
  int r = write(buf, capacity);
  for (int i = capacity; i < 256; ++i)
    if (buf[i] != 0x5A5A) ADD_FAILURE() << "wrote past capacity " << capacity << " at " << i;
  if (result) *result = r;
  return capacity > 0 ? U8(buf) : std::string();
}

std::string LongText(LONG v, BOOL group) {
  KOCHAR buf[64];
  int n = KoLongToText(v, buf, group);
  EXPECT_EQ(n, (int)ko::WideLength(buf));
  return U8(buf);
}

std::string DoubleText(double v, int decimals, BOOL group = FALSE) {
  KOCHAR buf[64];
  int n = KoDoubleToText(buf, v, decimals, group);
  EXPECT_EQ(n, (int)ko::WideLength(buf));
  return U8(buf);
}

std::string Reformat(int (*f)(KOCSTR, KOCHAR *, int), const char *src) {
  KOCHAR buf[128];
  f(W(src).c_str(), buf, 128);
  return U8(buf);
}

std::string GroupDecimal(const char *src, int digits) {
  KOCHAR buf[128];
  KoFormatGroupDecimalNumber(W(src).c_str(), buf, 128, digits);
  return U8(buf);
}

struct Pair {
  std::string left, right;
};

Pair Channelize(const char *name) {
  KOCHAR l[64], r[64];
  EXPECT_TRUE(KoChannelizeStereoName(W(name).c_str(), l, 64, r, 64)) << name;
  return {U8(l), U8(r)};
}

}  // namespace

TEST(NumberWriters, IntegersWithAndWithoutGrouping) {
  EXPECT_EQ(LongText(-1234567, TRUE), "-1,234,567");
  EXPECT_EQ(LongText(-1234567, FALSE), "-1234567");
  EXPECT_EQ(LongText(INT32_MIN, TRUE), "-2,147,483,648");

  KOCHAR buf[64];
  KoDWordToText(UINT32_MAX, buf, TRUE);
  EXPECT_EQ(U8(buf), "4,294,967,295");
  KoLongLongToText(INT64_MIN, buf, TRUE);
  EXPECT_EQ(U8(buf), "-9,223,372,036,854,775,808");
  KoDWordLongToText(UINT64_MAX, buf, TRUE);
  EXPECT_EQ(U8(buf), "18,446,744,073,709,551,615");

  ScopedLocale german(",", ".", 3);
  EXPECT_EQ(LongText(-1234567, TRUE), "-1.234.567");
  ScopedLocale indianish(".", "'", 2);
  EXPECT_EQ(LongText(1234567, TRUE), "1'23'45'67");
}

TEST(NumberWriters, WidestSeparatorsStillFitTheUnboundedForm) {
  // Seven-unit separators on a 64-bit value are the widest text the plain
  // forms can produce: 20 digits, 6 separators, a sign, the terminator.
  ScopedLocale wide(".", "_______", 3, true, "-");
  KOCHAR buf[64];
  int n = KoLongLongToText(INT64_MIN, buf, TRUE);
  EXPECT_EQ(n, 62) << U8(buf);
}

TEST(NumberWriters, CapacityIsHonoured) {
  int r = -1;
  EXPECT_EQ(WriteGuarded(11, [](KOCHAR *b, int c) { return KoLongToTextN(-1234567, b, c, TRUE); }, &r),
            "-1,234,567");
  EXPECT_EQ(r, 10);
  // One short: the text is cut and the result is 0.
  EXPECT_EQ(WriteGuarded(10, [](KOCHAR *b, int c) { return KoLongToTextN(-1234567, b, c, TRUE); }, &r),
            "-1,234,56");
  EXPECT_EQ(r, 0);
  WriteGuarded(0, [](KOCHAR *b, int c) { return KoLongLongToTextN(5, b, c, FALSE); }, &r);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(WriteGuarded(5, [](KOCHAR *b, int c) { return KoDoubleToTextN(b, c, 1234.5678, 3, TRUE); }, &r),
            "1,23");
  EXPECT_EQ(r, 0);
  // A huge double does not fit the plain form's 64 characters; it is cut.
  EXPECT_EQ(WriteGuarded(64, [](KOCHAR *b, int c) { return KoDoubleToTextN(b, c, 1e300, 2, FALSE); }, &r)
                .size(),
            63u);
  EXPECT_EQ(r, 0);
}

TEST(NumberWriters, DoublesRoundWithAFloatHalfStep) {
  EXPECT_EQ(DoubleText(1.25, 1), "1.3");
  EXPECT_EQ(DoubleText(-0.004, 2), "0.00");
  EXPECT_EQ(DoubleText(0.125, 2), "0.12");  // 0.01f halved is slightly below 0.005
  EXPECT_EQ(DoubleText(3.1415926536, 12), "3.141592654");  // at most 9 decimals
  EXPECT_EQ(DoubleText(7.9, -3), "8");
  EXPECT_EQ(DoubleText(1234567.891, 2, TRUE), "1,234,567.89");
  EXPECT_EQ(DoubleText(std::nan(""), 2), "nan");
  ScopedLocale german(",", ".", 3);
  EXPECT_EQ(DoubleText(1234567.891, 2, TRUE), "1.234.567,89");
}

// Worked values where the system's GetNumberFormatW (compared in
// numbers_win32_test.cpp) cannot check: text around the number, a carry
// that Wine groups differently, a minus sign of several bytes, cut texts;
// and one rounding for the native build.
TEST(NumberReformat, LocaleNumberText) {
  EXPECT_EQ(Reformat(KoFormatNumber, "Total: 1234 files"), "Total: 1,234 files");
  EXPECT_EQ(GroupDecimal("1234567.255", 2), "1,234,567.26");  // a half rounds up, natively too
  EXPECT_EQ(GroupDecimal("-0.001", 2), "-0.00");  // the source's sign stays, as the system keeps it
  EXPECT_EQ(GroupDecimal("999.999", 0), "1,000");  // a carry into a new digit is grouped

  ScopedLocale german(",", ".", 3, false, "\xE2\x88\x92");  // U+2212 minus sign
  EXPECT_EQ(GroupDecimal("-1234567.25", -1), "-1.234.567,25");  // always a plain "-"
  EXPECT_EQ(GroupDecimal("0.25", 2), ",25");                    // no leading zero

  int r = -1;
  EXPECT_EQ(WriteGuarded(8, [](KOCHAR *b, int c) { return KoFormatGroupDecimalNumber(W("1").c_str(), b, c, 1 << 30); }, &r),
            "1,00000");  // a huge digit count is cut, not allocated
  EXPECT_EQ(r, 0);

  KOCHAR small[6];
  EXPECT_EQ(KoFormatNumber(W("1234567").c_str(), small, 6), 0);
  EXPECT_EQ(U8(small), "1.234");
}

TEST(NumberReaders, ExtractionAndEndPositions) {
  KOCSTR end = nullptr;
  ko::kostring t = W("  1,234,567 rest");
  EXPECT_EQ(KoTextToDWordToken(t.c_str(), &end), 1234567u);
  EXPECT_EQ(U8(end), " rest");
  t = W("-42abc");
  EXPECT_EQ(KoTextToLongToken(t.c_str(), &end), -42);
  EXPECT_EQ(U8(end), "abc");
  EXPECT_EQ(KoTextToDWordToken(t.c_str(), &end), 0u);  // a leading "-" gives 0
  EXPECT_EQ(U8(end), "abc");
  EXPECT_EQ(KoTextToLongToken(W("12.9").c_str(), nullptr), 12);

  ScopedLocale german(",", ".", 3, true, "\xE2\x88\x92");
  t = W("\xE2\x88\x92" "1.234,75 EUR");
  EXPECT_EQ(KoTextToLongToken(t.c_str(), &end), -1234);
  EXPECT_EQ(U8(end), " EUR");
  EXPECT_DOUBLE_EQ(KoTextToDoubleToken(t.c_str(), &end, TRUE), -1234.75);
  EXPECT_EQ(U8(end), " EUR");
  // Plain mode ignores the locale: "," is skipped, "." is the point.
  t = W("1,234.75;");
  EXPECT_DOUBLE_EQ(KoTextToDoubleToken(t.c_str(), &end, FALSE), 1234.75);
  EXPECT_EQ(U8(end), ";");
}

TEST(NumberReaders, OverflowSaturates) {
  EXPECT_EQ(KoTextToDWordToken(W("4294967296").c_str(), nullptr), UINT32_MAX);
  EXPECT_EQ(KoTextToDWordToken(W("99999999999999999999999").c_str(), nullptr), UINT32_MAX);
  EXPECT_EQ(KoTextToLongToken(W("2147483648").c_str(), nullptr), INT32_MAX);
  EXPECT_EQ(KoTextToLongToken(W("-2147483649").c_str(), nullptr), INT32_MIN);
  EXPECT_EQ(KoTextToLongLongToken(W("-9223372036854775809").c_str(), nullptr), INT64_MIN);
  EXPECT_EQ(KoHexToDWordToken(W("100000000").c_str(), nullptr), UINT32_MAX);
  EXPECT_EQ(KoHexToDWordLongToken(W("0x10000000000000000").c_str(), nullptr), UINT64_MAX);
  EXPECT_TRUE(std::isinf(KoTextToDoubleToken(W(std::string(400, '9').c_str()).c_str(), nullptr, FALSE)));
  // Digits beyond the 63 kept still count for the magnitude of a double.
  EXPECT_NEAR(KoTextToDoubleToken(W(("1" + std::string(99, '0') + ".5").c_str()).c_str(), nullptr, FALSE) / 1e99,
              1.0, 1e-12);

  // A very long number: the end position is after all of it, whatever was kept.
  std::string digits(100, '7');
  ko::kostring t = W((digits + "x").c_str());
  KOCSTR end = nullptr;
  EXPECT_EQ(KoTextToDWordLongToken(t.c_str(), &end), UINT64_MAX);
  EXPECT_EQ(end, t.c_str() + 100);
}

TEST(NumberReaders, WriteThenReadBack) {
  std::mt19937_64 rng(12345);
  for (int grouped = 0; grouped < 2; ++grouped) {
    for (int locale = 0; locale < 2; ++locale) {
      ScopedLocale l(locale ? "," : ".", locale ? "\xC2\xA0" : ",", locale ? 4 : 3);
      for (int i = 0; i < 2000; ++i) {
        int64_t v = static_cast<int64_t>(rng()) >> (rng() % 63);
        KOCHAR buf[64];
        KoLongLongToText(v, buf, grouped);
        KOCSTR end = nullptr;
        ASSERT_EQ(KoTextToLongLongToken(buf, &end), v) << U8(buf);
        ASSERT_EQ(*end, 0) << U8(buf);
        KoLongToText(static_cast<LONG>(v), buf, grouped);
        ASSERT_EQ(KoTextToLongToken(buf, nullptr), static_cast<LONG>(v)) << U8(buf);
        uint64_t u = rng() >> (rng() % 64);
        KoDWordLongToText(u, buf, grouped);
        ASSERT_EQ(KoTextToDWordLongToken(buf, nullptr), u) << U8(buf);
        KoDWordToText(static_cast<DWORD>(u), buf, grouped);
        ASSERT_EQ(KoTextToDWordToken(buf, nullptr), static_cast<DWORD>(u)) << U8(buf);

        // Doubles come back within half a step of the printed decimals.
        int d = static_cast<int>(rng() % 7);
        double x = (static_cast<double>(rng() % 2000000000) - 1e9) / std::pow(10.0, rng() % 6);
        KoDoubleToText(buf, x, d, grouped);
        double back = KoTextToDoubleToken(buf, &end, grouped);  // grouped text carries the locale
        ASSERT_EQ(*end, 0) << U8(buf);
        ASSERT_LE(std::fabs(back - x), 0.5 * std::pow(10.0, -d) * 1.0001 + 1e-9)
            << U8(buf) << " from " << x << " with " << d;
      }
    }
  }
}

TEST(Colours, Reading) {
  EXPECT_EQ(KoTextToColorref(W("RGB(255, 0, 16)").c_str()), 0x1000FFu);
  EXPECT_EQ(KoTextToColorref(W("RGB(256,0,0)").c_str()), KO_COLORREF_NONE);
  EXPECT_EQ(KoTextToColorref(W(" rgb ( 1 ,2, 3 )").c_str()), 0x030201u);
  EXPECT_EQ(KoTextToColorref(W("RGB(1,2)").c_str()), KO_COLORREF_NONE);
  EXPECT_EQ(KoTextToColorref(W("#1000000").c_str()), KO_COLORREF_NONE);
  EXPECT_EQ(KoTextToColorref(W("0x1000FF").c_str()), 0x1000FFu);
  EXPECT_EQ(KoTextToColorref(W("4294967296").c_str()), KO_COLORREF_NONE);
  ko::kostring t = W("#00ff00;");
  KOCSTR end = nullptr;
  EXPECT_EQ(KoTextToColorrefToken(t.c_str(), &end), 0x00FF00u);
  EXPECT_EQ(U8(end), ";");
  EXPECT_EQ(KoTextToColorrefTokenEx(W("bad").c_str(), 0x123u, &end), 0x123u);

  // Every style writes a text that reads back as the same colour.
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) {
    DWORD c = rng() & (i % 3 ? 0xFFFFFF : 0xFFFFFFFF);
    for (DWORD style = 0; style < 3; ++style) {
      KOCHAR buf[32];
      KoColorrefToText(buf, 32, c, style);
      ASSERT_EQ(KoTextToColorrefToken(buf, &end), c) << U8(buf);
      ASSERT_EQ(*end, 0);
    }
  }
}

TEST(ByteSizes, FileSizeThreeDigitsCut) {
  auto fs = [](LONGLONG size, BOOL longUnits = FALSE) {
    KOCHAR buf[32];
    KoFormatFileSize(size, buf, 32, longUnits);
    return U8(buf);
  };
  const struct {
    LONGLONG size;
    const char *text;
  } sizes[] = {{1536, "1.50 KB"}, {1048576000, "0.97 GB"}, {-5, "0 B"}, {998, "998 B"}, {999, "0.97 KB"},
               {999 * 1024 - 1, "998 KB"}, {999 * 1024, "0.97 MB"}, {0x6F00000000000000LL, "6.93 EB"},
               {0x7000000000000000LL, "> 9 YB"}};
  for (const auto &c : sizes) EXPECT_EQ(fs(c.size), c.text);
  {
    ScopedLocale noZero(",", ".", 3, false);
    EXPECT_EQ(fs(1048576000), ",97 GB");
  }
  int r = -1;
  EXPECT_EQ(WriteGuarded(5, [](KOCHAR *b, int c) { return KoFormatFileSize(1536, b, c, FALSE); }, &r),
            "1.50");
  EXPECT_EQ(r, 0);
}

TEST(NameFixUps, ReplaceStripPrepare) {
  char narrow[] = "a-b-c";
  EXPECT_EQ(KoStringReplaceChars(narrow, '-', '_'), 5);
  EXPECT_STREQ(narrow, "a_b_c");
  ko::kostring w = W("x/y/z");
  EXPECT_EQ(KoStringReplaceCharsW(w.data(), '/', '\\'), 5);
  EXPECT_EQ(U8(w.c_str()), "x\\y\\z");

  ko::kostring s = W(" \t Name \xC2\xA0\r\n");
  EXPECT_EQ(KoStripWhiteSpace(s.data()), 4);
  EXPECT_EQ(U8(s.c_str()), "Name");
  s = W("   ");
  EXPECT_EQ(KoStripWhiteSpace(s.data()), 0);
  EXPECT_EQ(s[0], 0);

  KOCHAR dst[8];
  EXPECT_EQ(KoPrepareName(W("  Bus 1  ").c_str(), dst, 8), dst);
  EXPECT_EQ(U8(dst), "Bus 1");
  EXPECT_EQ(KoPrepareName(W("   ").c_str(), dst, 8), nullptr);
  EXPECT_EQ(KoPrepareName(W(" A long name ").c_str(), dst, 8), dst);
  EXPECT_EQ(U8(dst), "A long ");  // cut to the capacity
}

TEST(NameFixUps, StereoPairs) {
  // Number pairs first; names without one split at the "/".
  const char *const cases[][3] = {
      {"Out 3/4", "Out 3", "Out 4"},           {"Analog 9-10 (Main)", "Analog 9 (Main)", "Analog 10 (Main)"},
      {"S/PDIF 1/2", "S/PDIF 1", "S/PDIF 2"},  {"ADAT 2 + 3", "ADAT 2", "ADAT 3"},
      {"Mic 1 Room 2", "Mic 1 Room 2", "Mic 1 Room 2"}, {"Left/Right", "Left", "Right"},
      {"Front L/R", "Front L", "Front R"},     {"Drums L / R Bus", "Drums L Bus", "Drums R Bus"},
      {"Guitar L/Guitar R", "Guitar L", "Guitar R"}, {"S/PDIF L/R", "S/PDIF L", "S/PDIF R"},
      {"S/PDIF", "S/PDIF", "S/PDIF"},          {"Main/", "Main", "Main"}};
  for (const auto &c : cases) {
    Pair p = Channelize(c[0]);
    EXPECT_EQ(p.left, c[1]) << c[0];
    EXPECT_EQ(p.right, c[2]) << c[0];
  }
  KOCHAR r[64], tiny[4];
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), nullptr, 0, r, 64));
  EXPECT_EQ(U8(r), "Out 4");
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), tiny, 4, nullptr, 0));
  EXPECT_EQ(U8(tiny), "Out");
}

TEST(NameFixUps, MenuNamesDoubleAmpersands) {
  KOCHAR dst[300];
  EXPECT_EQ(KoFixNameForMenu(dst, W("Salt & Pepper").c_str(), 300), 14);
  EXPECT_EQ(U8(dst), "Salt && Pepper");
  // The work buffer holds 259 characters: a doubled "&" is never split.
  std::string amps(200, '&');
  EXPECT_EQ(KoFixNameForMenu(dst, W(amps.c_str()).c_str(), 300), 258);
  // A small destination cuts between pairs too.
  EXPECT_EQ(KoFixNameForMenu(dst, W("a&b").c_str(), 3), 1);
  EXPECT_EQ(U8(dst), "a");
}
