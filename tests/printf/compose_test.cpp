// KoComposeStr: what the system's FormatMessageW cannot check (it runs under
// Wine in compose_formatmessage_test.cpp): star widths, null texts, and
// results that do not fit.
#include <gtest/gtest.h>

#include "printf_test_util.h"

using kotest::U8;

TEST(ComposeStr, StarWidthsNullTextsAndFailures) {
  KOCHAR buf[256];
  EXPECT_EQ(KoComposeStr(buf, 256, KOTEXT("%1!*.*s!|%4"), 6, 2, KOTEXT("abcdef"), KOTEXT("next")), 11u);
  EXPECT_EQ(U8(buf), "    ab|next");
  KoComposeStr(buf, 256, KOTEXT("<%1>"), static_cast<const KOCHAR *>(nullptr));
  EXPECT_EQ(U8(buf), "<(null)>");
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("%1 and more"), KOTEXT("long")), 0u);
  EXPECT_EQ(U8(buf), "");
  EXPECT_EQ(KoComposeStr(buf, 8, KOTEXT("12345678")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 0, KOTEXT("x")), 0u);
  EXPECT_EQ(KoComposeStr(buf, 8, nullptr), 0u);
}
