// String fix-ups for names: replace, strip, prepare, stereo pairs, menus.
#include <gtest/gtest.h>

#include <string>

#include "kokernel/konumtext.h"
#include "numbers_test_util.h"

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
  EXPECT_EQ(KoStringReplaceCharsW(nullptr, 'a', 'b'), 0);

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
  EXPECT_EQ(KoPrepareName(nullptr, dst, 8), nullptr);
  EXPECT_EQ(KoPrepareName(W(" A long name ").c_str(), dst, 8), dst);
  EXPECT_EQ(U8(dst), "A long ");  // cut to the capacity
}

TEST(NameFixUps, StereoPairsWithNumbers) {
  Pair p = Channelize("Out 3/4");
  EXPECT_EQ(p.left, "Out 3");
  EXPECT_EQ(p.right, "Out 4");
  p = Channelize("Analog 9-10 (Main)");
  EXPECT_EQ(p.left, "Analog 9 (Main)");
  EXPECT_EQ(p.right, "Analog 10 (Main)");
  p = Channelize("S/PDIF 1/2");
  EXPECT_EQ(p.left, "S/PDIF 1");
  EXPECT_EQ(p.right, "S/PDIF 2");
  p = Channelize("ADAT 2 + 3");
  EXPECT_EQ(p.left, "ADAT 2");
  EXPECT_EQ(p.right, "ADAT 3");
  // Numbers that are not a pair fall through to the "/" rule.
  p = Channelize("Mic 1 Room 2");
  EXPECT_EQ(p.left, "Mic 1 Room 2");
  EXPECT_EQ(p.right, "Mic 1 Room 2");

  KOCHAR r[64];
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), nullptr, 0, r, 64));
  EXPECT_EQ(U8(r), "Out 4");
  KOCHAR tiny[4];
  EXPECT_TRUE(KoChannelizeStereoName(W("Out 3/4").c_str(), tiny, 4, nullptr, 0));
  EXPECT_EQ(U8(tiny), "Out");
  EXPECT_FALSE(KoChannelizeStereoName(nullptr, tiny, 4, r, 64));
}

TEST(NameFixUps, StereoPairsSplitAtTheSlash) {
  Pair p = Channelize("Left/Right");
  EXPECT_EQ(p.left, "Left");
  EXPECT_EQ(p.right, "Right");
  p = Channelize("Front L/R");
  EXPECT_EQ(p.left, "Front L");
  EXPECT_EQ(p.right, "Front R");
  p = Channelize("Drums L / R Bus");
  EXPECT_EQ(p.left, "Drums L Bus");
  EXPECT_EQ(p.right, "Drums R Bus");
  p = Channelize("Guitar L/Guitar R");
  EXPECT_EQ(p.left, "Guitar L");
  EXPECT_EQ(p.right, "Guitar R");
  p = Channelize("S/PDIF L/R");
  EXPECT_EQ(p.left, "S/PDIF L");
  EXPECT_EQ(p.right, "S/PDIF R");
  p = Channelize("S/PDIF");
  EXPECT_EQ(p.left, "S/PDIF");
  EXPECT_EQ(p.right, "S/PDIF");
  p = Channelize("Main/");
  EXPECT_EQ(p.left, "Main");
  EXPECT_EQ(p.right, "Main");
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
  EXPECT_EQ(KoFixNameForMenu(dst, nullptr, 300), 0);
  EXPECT_EQ(dst[0], 0);
}
