// Numbers as text: writers, re-formatters, readers, colours, codes and sizes;
// string fix-ups for names: replace, strip, prepare, stereo pairs, menus.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "kokernel/konumtext.h"
#include "kotest_text_util.h"

using kotest::ScopedLocale;
using kotest::U8;
using kotest::W;

namespace {

using Writer = std::function<int(KOCHAR *, int)>;

// Runs a writer into a guarded buffer of `capacity` and checks that nothing
// beyond it changed. The text, with "#<result>" added when the result is not
// the text's length (0 for a cut text).
std::string Out(int capacity, const Writer &write) {
  KOCHAR buf[320];
  for (KOCHAR &c : buf) c = 0x5A5A;
  const int r = write(buf, capacity);
  for (int i = capacity; i < 320; ++i)
    if (buf[i] != 0x5A5A) ADD_FAILURE() << "wrote past capacity " << capacity << " at " << i;
  const std::string s = capacity > 0 ? U8(buf) : std::string();
  return r == static_cast<int>(capacity > 0 ? ko::WideLength(buf) : 0) && r ? s : s + "#" + std::to_string(r);
}
std::string Out(const Writer &write) { return Out(128, write); }

Writer Long(LONG v, BOOL g) { return [=](KOCHAR *b, int) { return KoLongToText(v, b, g); }; }
Writer Dbl(double v, int d, BOOL g = FALSE) { return [=](KOCHAR *b, int) { return KoDoubleToText(b, v, d, g); }; }
Writer Group(const char *s, int d) {
  return [=](KOCHAR *b, int c) { return KoFormatGroupDecimalNumber(W(s).c_str(), b, c, d); };
}

struct Row { std::string got, want; };
void Check(const std::vector<Row> &rows) {
  for (const Row &r : rows) EXPECT_EQ(r.got, r.want);
}

}  // namespace

TEST(NumberWriters, IntegersDoublesAndCapacities) {
  Check({
      {Out(Long(-1234567, TRUE)), "-1,234,567"},
      {Out(Long(-1234567, FALSE)), "-1234567"},
      {Out(Long(INT32_MIN, TRUE)), "-2,147,483,648"},
      {Out([](KOCHAR *b, int) { return KoDWordToText(UINT32_MAX, b, TRUE); }), "4,294,967,295"},
      {Out([](KOCHAR *b, int) { return KoLongLongToText(INT64_MIN, b, TRUE); }), "-9,223,372,036,854,775,808"},
      {Out([](KOCHAR *b, int) { return KoDWordLongToText(UINT64_MAX, b, TRUE); }), "18,446,744,073,709,551,615"},
      // Bounded: exactly fitting, one short (cut, result 0), no room at all.
      {Out(11, [](KOCHAR *b, int c) { return KoLongToTextN(-1234567, b, c, TRUE); }), "-1,234,567"},
      {Out(10, [](KOCHAR *b, int c) { return KoLongToTextN(-1234567, b, c, TRUE); }), "-1,234,56#0"},
      {Out(0, [](KOCHAR *b, int c) { return KoLongLongToTextN(5, b, c, FALSE); }), "#0"},
      {Out(5, [](KOCHAR *b, int c) { return KoDoubleToTextN(b, c, 1234.5678, 3, TRUE); }), "1,23#0"},
      // A huge double does not fit the plain form's 64 characters; it is cut.
      {std::to_string(Out(64, [](KOCHAR *b, int c) { return KoDoubleToTextN(b, c, 1e300, 2, FALSE); }).size()),
       "65"},
      // Doubles round with a float half step, at most 9 decimals.
      {Out(Dbl(1.25, 1)), "1.3"},
      {Out(Dbl(-0.004, 2)), "0.00"},
      {Out(Dbl(0.125, 2)), "0.12"},  // 0.01f halved is slightly below 0.005
      {Out(Dbl(3.1415926536, 12)), "3.141592654"},
      {Out(Dbl(7.9, -3)), "8"},
      {Out(Dbl(1234567.891, 2, TRUE)), "1,234,567.89"},
      {Out(Dbl(std::nan(""), 2)), "nan"},
  });
  {
    ScopedLocale german(",", ".", 3);
    Check({{Out(Long(-1234567, TRUE)), "-1.234.567"}, {Out(Dbl(1234567.891, 2, TRUE)), "1.234.567,89"}});
  }
  {
    ScopedLocale indianish(".", "'", 2);
    Check({{Out(Long(1234567, TRUE)), "1'23'45'67"}});
  }
  // Seven-unit separators on a 64-bit value are the widest text the plain
  // forms can produce: 20 digits, 6 separators, a sign, the terminator.
  ScopedLocale wide(".", "_______", 3, true, "-");
  KOCHAR buf[64];
  EXPECT_EQ(KoLongLongToText(INT64_MIN, buf, TRUE), 62) << U8(buf);
}

// Worked values where the system's GetNumberFormatW (compared in
// numbers_win32_test.cpp) cannot check: text around the number, a carry
// that Wine groups differently, a minus sign of several bytes, cut texts;
// and one rounding for the native build.
TEST(NumberReformat, LocaleNumberText) {
  Check({
      {Out([](KOCHAR *b, int c) { return KoFormatNumber(W("Total: 1234 files").c_str(), b, c); }),
       "Total: 1,234 files"},
      {Out(Group("1234567.255", 2)), "1,234,567.26"},  // a half rounds up, natively too
      {Out(Group("-0.001", 2)), "-0.00"},  // the source's sign stays, as the system keeps it
      {Out(Group("999.999", 0)), "1,000"},  // a carry into a new digit is grouped
      {Out(6, [](KOCHAR *b, int c) { return KoFormatNumber(W("1234567").c_str(), b, c); }), "1,234#0"},
  });
  ScopedLocale german(",", ".", 3, false, "\xE2\x88\x92");  // U+2212 minus sign
  Check({{Out(Group("-1234567.25", -1)), "-1.234.567,25"},  // always a plain "-"
         {Out(8, Group("1", 1 << 30)), "1,00000#0"},  // a huge digit count is cut, not allocated
         {Out(Group("0.25", 2)), ",25"},                   // no leading zero
         {Out(6, [](KOCHAR *b, int c) { return KoFormatNumber(W("1234567").c_str(), b, c); }), "1.234#0"}});
}

TEST(NumberReaders, ValuesEndPositionsSaturationAndWhatTheWritersWrite) {
  // kind: d DWORD, l LONG, L LONGLONG, U ULONGLONG, h hex DWORD, H hex
  // ULONGLONG, f double (plain), g double (locale); "rest" is the text left
  // (nullptr: not checked).
  const struct { char kind; std::string text; long double value; const char *rest; } cases[] = {
      {'d', "  1,234,567 rest", 1234567, " rest"},
      {'l', "-42abc", -42, "abc"},
      {'d', "-42abc", 0, "abc"},  // a leading "-" gives 0
      {'l', "12.9", 12, nullptr},
      {'f', "1,234.75;", 1234.75, ";"},  // plain: "," is skipped, "." is the point
      {'d', "4294967296", UINT32_MAX, ""},
      {'d', "99999999999999999999999", UINT32_MAX, ""},
      {'l', "2147483648", INT32_MAX, ""},
      {'l', "-2147483649", INT32_MIN, ""},
      {'L', "-9223372036854775809", INT64_MIN, ""},
      {'h', "100000000", UINT32_MAX, ""},
      {'H', "0x10000000000000000", UINT64_MAX, ""},
      {'f', std::string(400, '9'), INFINITY, ""},
      // Digits beyond the 63 kept still count for the magnitude of a double.
      {'f', "1" + std::string(99, '0') + ".5", 1e99, ""},
      // A very long number: the end position is after all of it.
      {'U', std::string(100, '7') + "x", UINT64_MAX, "x"},
  };
  // Long double holds every 64-bit integer exactly.
  auto read = [](char kind, KOCSTR t, KOCSTR *end) -> long double {
    switch (kind) {
      case 'd': return KoTextToDWordToken(t, end);
      case 'l': return KoTextToLongToken(t, end);
      case 'L': return KoTextToLongLongToken(t, end);
      case 'U': return KoTextToDWordLongToken(t, end);
      case 'h': return KoHexToDWordToken(t, end);
      case 'H': return KoHexToDWordLongToken(t, end);
      default: return KoTextToDoubleToken(t, end, kind == 'g');
    }
  };
  for (const auto &c : cases) {
    const ko::kostring t = W(c.text);
    KOCSTR end = nullptr;
    const long double v = read(c.kind, t.c_str(), &end);
    EXPECT_TRUE(v == c.value || (c.kind == 'f' && std::fabs(v / c.value - 1) < 1e-12)) << c.text << ": " << v;
    if (c.rest) { EXPECT_EQ(U8(end), c.rest) << c.text; }
  }
  ScopedLocale german(",", ".", 3, true, "\xE2\x88\x92");
  const ko::kostring t = W("\xE2\x88\x92" "1.234,75 EUR");
  KOCSTR end = nullptr;
  EXPECT_EQ(KoTextToLongToken(t.c_str(), &end), -1234);
  EXPECT_EQ(U8(end), " EUR");
  EXPECT_DOUBLE_EQ(KoTextToDoubleToken(t.c_str(), &end, TRUE), -1234.75);
  EXPECT_EQ(U8(end), " EUR");
  // What the writers write reads back.
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
        uint64_t u = rng() >> (rng() % 64);
        KoDWordLongToText(u, buf, grouped);
        ASSERT_EQ(KoTextToDWordLongToken(buf, nullptr), u) << U8(buf);

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

TEST(ColoursAndSizes, ReadingWritingAndFileSizes) {
  const struct {
    const char *text;
    DWORD colour;
  } colours[] = {{"RGB(255, 0, 16)", 0x1000FF}, {"RGB(256,0,0)", KO_COLORREF_NONE}, {" rgb ( 1 ,2, 3 )", 0x030201},
                 {"RGB(1,2)", KO_COLORREF_NONE}, {"#1000000", KO_COLORREF_NONE},    {"0x1000FF", 0x1000FF},
                 {"4294967296", KO_COLORREF_NONE}};
  for (const auto &c : colours) EXPECT_EQ(KoTextToColorref(W(c.text).c_str()), c.colour) << c.text;
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

  // File sizes keep three digits, cut (not rounded).
  auto fs = [](LONGLONG size, int cap = 32) {
    return Out(cap, [=](KOCHAR *b, int c) { return KoFormatFileSize(size, b, c, FALSE); });
  };
  Check({{fs(1536), "1.50 KB"}, {fs(1048576000), "0.97 GB"}, {fs(-5), "0 B"}, {fs(998), "998 B"},
         {fs(999), "0.97 KB"}, {fs(999 * 1024 - 1), "998 KB"}, {fs(999 * 1024), "0.97 MB"},
         {fs(0x6F00000000000000LL), "6.93 EB"}, {fs(0x7000000000000000LL), "> 9 YB"}, {fs(1536, 5), "1.50#0"}});
  ScopedLocale noZero(",", ".", 3, false);
  EXPECT_EQ(fs(1048576000), ",97 GB");
}

TEST(NameFixUps, ReplaceStripPrepareMenusAndStereoPairs) {
  char narrow[] = "a-b-c";
  EXPECT_EQ(KoStringReplaceChars(narrow, '-', '_'), 5);
  EXPECT_STREQ(narrow, "a_b_c");
  ko::kostring w = W("x/y/z");
  EXPECT_EQ(KoStringReplaceCharsW(w.data(), '/', '\\'), 5);
  EXPECT_EQ(U8(w.c_str()), "x\\y\\z");
  for (const char *s : {" \t Name \xC2\xA0\r\n", "   "}) {
    ko::kostring t = W(s);
    const int n = KoStripWhiteSpace(t.data());
    EXPECT_EQ(U8(t.c_str()) + "#" + std::to_string(n), s[1] == ' ' ? "#0" : "Name#4");
  }
  const struct {
    const char *src, *want;  // nullptr: refused
  } names[] = {{"  Bus 1  ", "Bus 1"}, {"   ", nullptr}, {" A long name ", "A long "}};  // cut to the capacity
  for (const auto &n : names) {
    KOCHAR dst[8];
    const KOCHAR *r = KoPrepareName(W(n.src).c_str(), dst, 8);
    EXPECT_EQ(r ? U8(r) : "(refused)", n.want ? n.want : "(refused)");
    EXPECT_TRUE(!r || r == dst);
  }
  // Menus double the "&"; the work buffer holds 259 characters and a doubled
  // "&" is never split, not by a small destination either.
  auto menu = [](const std::string &src, int cap) {
    return Out(cap, [&](KOCHAR *b, int c) { return KoFixNameForMenu(b, W(src).c_str(), c); });
  };
  EXPECT_EQ(menu("Salt & Pepper", 300), "Salt && Pepper");
  EXPECT_EQ(menu(std::string(200, '&'), 300), std::string(258, '&'));
  EXPECT_EQ(menu("a&b", 3), "a");
  // Stereo pairs: number pairs first; names without one split at the "/".
  const char *const cases[][3] = {
      {"Out 3/4", "Out 3", "Out 4"},           {"Analog 9-10 (Main)", "Analog 9 (Main)", "Analog 10 (Main)"},
      {"S/PDIF 1/2", "S/PDIF 1", "S/PDIF 2"},  {"ADAT 2 + 3", "ADAT 2", "ADAT 3"},
      {"Mic 1 Room 2", "Mic 1 Room 2", "Mic 1 Room 2"}, {"Left/Right", "Left", "Right"},
      {"Front L/R", "Front L", "Front R"},     {"Drums L / R Bus", "Drums L Bus", "Drums R Bus"},
      {"Guitar L/Guitar R", "Guitar L", "Guitar R"}, {"S/PDIF L/R", "S/PDIF L", "S/PDIF R"},
      {"S/PDIF", "S/PDIF", "S/PDIF"},          {"Main/", "Main", "Main"}};
  for (const auto &c : cases) {
    KOCHAR l[64], r[64];
    EXPECT_TRUE(KoChannelizeStereoName(W(c[0]).c_str(), l, 64, r, 64)) << c[0];
    EXPECT_EQ(U8(l) + "|" + U8(r), std::string(c[1]) + "|" + c[2]);
  }
  KOCHAR r[64], tiny[4];
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), nullptr, 0, r, 64));
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), tiny, 4, nullptr, 0));
  EXPECT_EQ(U8(r) + "|" + U8(tiny), "Out 4|Out");
}
