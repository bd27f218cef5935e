// KoComposeStr: numbered inserts with C formats, escapes and line ends.
#include <gtest/gtest.h>

#include "printf_test_util.h"

using kotest::U8;

TEST(ComposeStr, InsertsAndEscapes) {
  KOCHAR buf[256];
  EXPECT_EQ(KoComposeStr(buf, 256, KOTEXT("%1 bytes"), KOTEXT("500")), 9u);
  EXPECT_EQ(U8(buf), "500 bytes");
  KoComposeStr(buf, 256, KOTEXT("%2-%1-%2"), KOTEXT("a"), KOTEXT("b"));
  EXPECT_EQ(U8(buf), "b-a-b");
  KoComposeStr(buf, 256, KOTEXT("[%1!d!][%2!04x!][%3!-5s!][%4!c!]"), 42, 0xAB, KOTEXT("x"), 'Q');
  EXPECT_EQ(U8(buf), "[42][00ab][x    ][Q]");
  KoComposeStr(buf, 256, KOTEXT("%1!I64u!|%2!u!"), uint64_t{1} << 40, 7u);
  EXPECT_EQ(U8(buf), "1099511627776|7");
  KoComposeStr(buf, 256, KOTEXT("100%% %t%r%n.%!%.%x"));
  EXPECT_EQ(U8(buf), "100% \t\r\r\n.!.x");
  KoComposeStr(buf, 256, KOTEXT("a\nb\r\nc\rd%0ignored"));
  EXPECT_EQ(U8(buf), "a\r\nb\r\nc\r\nd");
  KoComposeStr(buf, 256, KOTEXT("%10|%1"), KOTEXT("1"), KOTEXT("2"), KOTEXT("3"), KOTEXT("4"),
               KOTEXT("5"), KOTEXT("6"), KOTEXT("7"), KOTEXT("8"), KOTEXT("9"), KOTEXT("ten"));
  EXPECT_EQ(U8(buf), "ten|1");
  KoComposeStr(buf, 256, KOTEXT("%1!*.*s!|%4"), 6, 2, KOTEXT("abcdef"), KOTEXT("next"));
  EXPECT_EQ(U8(buf), "    ab|next");
  KoComposeStr(buf, 256, KOTEXT("<%1>"), static_cast<const KOCHAR *>(nullptr));
  EXPECT_EQ(U8(buf), "<(null)>");
}

TEST(ComposeStr, FailuresGiveZeroAndEmptyText) {
  KOCHAR buf[8];
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("%1 and more"), KOTEXT("long")), 0u);
  EXPECT_EQ(U8(buf), "");
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("12345678")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 0, KOTEXT("x")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 8, nullptr), 0u);
  // Format errors: a "%" at the end, an insert format without its closing "!".
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("100%")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("%1!d"), 5), 0u);
}
