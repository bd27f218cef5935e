// String fix-ups for names: replace, strip, prepare, stereo pairs, menus.
#include <gtest/gtest.h>

#include <string>

#include "kokernel/konumtext.h"
#include "kotest_text_util.h"

using kotest::U8;
using kotest::W;

namespace {

struct Pair {
  std::string left, right;
};

Pair Channelize(const char *name) {
  KOCHAR l[64], r[64];
  EXPECT_TRUE(KoChannelizeStereoName(W(name).c_str(), l, 64, r, 64)) << name;
  return {U8(l), U8(r)};
}

}  // namespace

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
