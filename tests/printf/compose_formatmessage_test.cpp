// Windows peers under Wine: KoComposeStr against FormatMessageW with
// FORMAT_MESSAGE_FROM_STRING, which also checks the integer and text
// conversions of the standard formatter.
#include <gtest/gtest.h>

#include <string>

#include "printf_test_util.h"

using kotest::U8;

namespace {

std::string Message(const wchar_t *format, ...) {
  wchar_t buf[512];
  va_list args;
  va_start(args, format);
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_STRING, format, 0, 0, buf, 512, &args);
  va_end(args);
  if (n == 0) return "<FormatMessageW failed>";
  return U8(buf);
}

std::string Compose(UINT n, const wchar_t *buf) { return n ? U8(buf) : "<KoComposeStr failed>"; }

}  // namespace

#define EXPECT_SAME_AS_FORMATMESSAGE(format, ...)                                      \
  do {                                                                             \
    wchar_t out[512];                                                              \
    UINT n = KoComposeStr(out, 512, format, __VA_ARGS__);                          \
    EXPECT_EQ(Compose(n, out), Message(format, __VA_ARGS__)) << U8(format);        \
  } while (0)

TEST(ComposeStrPeer, MatchesFormatMessageW) {
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1 bytes", L"500");
  EXPECT_SAME_AS_FORMATMESSAGE(L"%2-%1-%2", L"a", L"b");
  EXPECT_SAME_AS_FORMATMESSAGE(L"[%1!d!][%2!04x!][%3!-5s!][%4!c!]", 42, 0xAB, L"x", L'Q');
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1!I64u!|%2!u!|%3!I64x!", uint64_t{1} << 40, 7u, ~uint64_t{0});
  EXPECT_SAME_AS_FORMATMESSAGE(L"100%% %t%r%n.%!%.%x", 0);
  EXPECT_SAME_AS_FORMATMESSAGE(L"a\nb\r\nc\rd%0ignored", 0);
  EXPECT_SAME_AS_FORMATMESSAGE(L"%10|%1|%9", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"ten");
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1!+5d!|%2!#x!|%3!-8.3s!|%4!lu!|%5!X!|%6!o!", -3, 255, L"abcdef", 4000000000u, 0xbeef, 8);
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1!hs!|%2!S!|%3!C!|%4!hc!", "narrow", "ansi", 'C', 'h');
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1!5s!|%2!d!", L"ab", 17);
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1%2 %1", L"x", L"y");
  EXPECT_SAME_AS_FORMATMESSAGE(L"%1!010d!|%2!-6i!|%3! d!|%4!.4d!", 12, -5, 9, 12);
  EXPECT_SAME_AS_FORMATMESSAGE(L"\u00e9t\u00e9 %1 \u20ac", L"\u00fc");
  // Integers at their limits, sizes that cut the value, flags together.
  EXPECT_SAME_AS_FORMATMESSAGE(L"[%1!I64d!][%2!I64u!][%3!hd!][%4!-+12.3d!][%5!#-8o!][%6!+ 05d!]",
                               INT64_MIN, ~uint64_t{0}, 70000, INT32_MIN, 8u, 7);
  EXPECT_SAME_AS_FORMATMESSAGE(L"[%1!.0d!][%2!#.0x!][%3!-#10X!][%4!u!][%5! .5i!][%6!I64o!]", 0, 0, 0xbeefu, 0x80000000u, -42, INT64_MIN);
  // Format errors fail as they do in FormatMessageW.
  for (const wchar_t *f : {L"100%", L"%1!5!", L"%1!d", L"ab%1!!"}) {
    wchar_t out[64], peer[64];
    UINT n = KoComposeStr(out, 64, f, 5, 6);
    DWORD m = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, f, 0, 0, peer, 64,
                             reinterpret_cast<va_list *>(const_cast<DWORD_PTR *>(std::initializer_list<DWORD_PTR>{5, 6}.begin())));
    EXPECT_EQ(n == 0, m == 0) << U8(f) << ": ours " << (n ? U8(out) : "failed") << ", FormatMessageW "
                              << (m ? U8(peer) : "failed");
  }
}
