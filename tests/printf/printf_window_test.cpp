// The window and control wrappers on real windows and edit controls.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "printf_test_util.h"

using kotest::U8;

namespace {

constexpr int kStaticId = 102;
constexpr int kEditId = 101;

int g_setTextCount = 0;
WNDPROC g_staticProc = nullptr;

LRESULT CALLBACK CountingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTEXT) ++g_setTextCount;
  return CallWindowProcW(g_staticProc, w, msg, wp, lp);
}

std::string TextOf(HWND w) {
  wchar_t buf[4096];
  GetWindowTextW(w, buf, 4096);
  return U8(buf);
}

class WindowWrappers : public ::testing::Test {
 protected:
  void SetUp() override {
    top_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(top_, nullptr);
    label_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 100, 20, top_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStaticId)),
                             GetModuleHandleW(nullptr), nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL, 0, 30, 300,
                            200, top_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                            GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(label_, nullptr);
    ASSERT_NE(edit_, nullptr);
  }
  void TearDown() override { DestroyWindow(top_); }
  HWND top_ = nullptr, label_ = nullptr, edit_ = nullptr;
};

}  // namespace

TEST_F(WindowWrappers, SetWindowAndItemTextsAndOnlyChangedOnesWithoutFlash) {
  const std::wstring longText(3000, L'w');
  const struct { std::function<int()> call; int want; HWND window; std::string text; } rows[] = {
      {[&] { return KoSetWindowTextF(top_, L"Title %d of $d", 5, 12345); }, 17, top_, "Title 5 of 12,345"},
      {[&] { return KoSetWindowTextNoF(top_, L"100% $(raw) %d"); }, 14, top_, "100% $(raw) %d"},
      // The formatted text is limited to 2047 characters.
      {[&] { return KoSetWindowTextNoF(top_, longText.c_str()); }, 2047, top_, std::string(2047, 'w')},
      {[&] { return KoSetDlgItemTextF(top_, kStaticId, L"%.2z%*", 314); }, 5, label_, "3.14."},
      {[&] { return KoSetDlgItemTextF(top_, 999, L"%d", 1); }, 0, label_, "3.14."},  // no such control
      {[&] { return KoSetDlgItemTextNoF(top_, kStaticId, L"$$%s"); }, 4, label_, "$$%s"},
      // The multi-line edit appends lines; "~" leaves the line open.
      {[&] { return KoMEditPrintF(edit_, L"line %d", 1); }, 6, edit_, "line 1\r\n"},
      {[&] { return KoMEditPrintF(edit_, L"~abc"); }, 3, edit_, "line 1\r\nabc"},
      {[&] {  // at the end wherever the caret was left
         SendMessageW(edit_, EM_SETSEL, 0, 0);
         return KoMEditPrintF(edit_, L"~~$d", 1000);
       }, 5, edit_, "line 1\r\nabc1,000"},
      {[&] { return KoMEditPrintF(edit_, L""); }, 0, edit_, "line 1\r\nabc1,000\r\n"},
      {[&] { return KoMEditPrintF(edit_, nullptr); }, 0, edit_, ""},
  };
  for (const auto &r : rows) {
    const int got = r.call();
    EXPECT_EQ(std::to_string(got) + " " + TextOf(r.window), std::to_string(r.want) + " " + r.text);
  }
  // The no-flash forms set only a changed text.
  g_staticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(label_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
  g_setTextCount = 0;
  EXPECT_EQ(KoSetDlgItemTextNoFlashF(top_, kStaticId, L"value %d", 7), 7);
  EXPECT_EQ(g_setTextCount, 1);
  EXPECT_EQ(KoSetDlgItemTextNoFlashF(top_, kStaticId, L"value %d", 7), 7);
  EXPECT_EQ(g_setTextCount, 1) << "the same text was set again";
  EXPECT_EQ(KoSetDlgItemTextNoFlashNoF(top_, kStaticId, L"Value 7"), 7);  // exact comparison
  EXPECT_EQ(g_setTextCount, 2);
  EXPECT_EQ(TextOf(label_), "Value 7");
  // A current text of 8192 characters or more is not read: the text is set.
  std::wstring big(9000, L'b');
  SetWindowTextW(label_, big.c_str());
  g_setTextCount = 0;
  EXPECT_EQ(KoSetDlgItemTextNoFlashNoF(top_, kStaticId, L"short"), 5);
  EXPECT_EQ(g_setTextCount, 1);
  SetWindowLongPtrW(label_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));
}
