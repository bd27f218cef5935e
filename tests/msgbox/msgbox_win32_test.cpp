// Real standard boxes under Wine: a helper thread finds the box, reads its
// text and buttons and presses one; the hook and the unattended hook answer
// without any window being created (a CBT hook counts creations).
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "kokernel/koerror.h"
#include "kokernel/komsgbox.h"

namespace {

std::atomic<int> g_created{0};
LRESULT CALLBACK CountCreations(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) ++g_created;
  return CallNextHookEx(nullptr, code, wp, lp);
}

std::vector<std::wstring> g_log;
void Log(const wchar_t *text) { g_log.push_back(text); }

struct Seen { HWND owner; std::wstring text, title; UINT style; };
std::vector<Seen> g_seen;
int Answer42(UINT_PTR data, HWND owner, const wchar_t *text, const wchar_t *title, UINT style) {
  g_seen.push_back({owner, text, title ? title : L"(null)", style});
  return int(data);
}

// Presses button `id` of the box titled `title` once it appears, after
// reading its message text.
std::thread Presser(const wchar_t *title, int id, std::wstring *message, bool *hadButton,
                    RECT *where = nullptr) {
  return std::thread([=] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !box; ++i, Sleep(25)) {
      box = FindWindowW(L"#32770", title);
      if (box && !IsWindowVisible(box)) box = nullptr;
    }
    if (!box) return;
    if (where) GetWindowRect(box, where);
    wchar_t text[256] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    *message = text;
    HWND button = GetDlgItem(box, id);
    *hadButton = button != nullptr;
    if (button) PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(button));
    else PostMessageW(box, WM_CLOSE, 0, 0);
  });
}

// The application's title for the boxes, a CBT hook counting window
// creations, and an owner window that no longer exists.
class NoWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(KoMsgBoxSetAppData(nullptr, nullptr, L"Ko Box Test"));
    cbt_ = SetWindowsHookExW(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
    ASSERT_NE(cbt_, nullptr);
    dead_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(dead_);
    g_created = 0;
    g_seen.clear();
    g_log.clear();
  }
  void TearDown() override {
    KoMsgBoxSetNoUIHook(nullptr);
    KoMsgBoxSetHook(nullptr, 0);
    UnhookWindowsHookEx(cbt_);
  }
  HHOOK cbt_ = nullptr;
  HWND dead_ = nullptr;
};

TEST_F(NoWindow, HooksAnswerStandardBoxes) {
  ASSERT_TRUE(KoMsgBoxSetHook(Answer42, 42));
  EXPECT_EQ(KoMsgBoxF(reinterpret_cast<HWND>(~uintptr_t(0)), MB_YESNO, L"n=%d", 7), 42);
  EXPECT_EQ(KoMsgBoxNoF(nullptr, 0x33, L"100% plain"), 42);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_TRUE(g_seen[0].owner == nullptr && g_seen[0].text == L"n=7" && g_seen[0].style == UINT(MB_YESNO));
  EXPECT_EQ(g_seen[1].text, L"100% plain");
  // Only the thread that set the application data may change the hooks.
  BOOL other = TRUE;
  std::thread([&] { other = KoMsgBoxSetHook(nullptr, 0); }).join();
  EXPECT_FALSE(other);
  ASSERT_TRUE(KoMsgBoxSetNoUIHook(Log));
  const struct { UINT style; int answer; } cases[] = {
      {0x0D | 0x400, 2}, {0x0A | 0x100, 100}, {0x02 | 0x200, 5}, {0x06, 1}, {0x0B | 0x200, 101}};
  for (const auto &c : cases) EXPECT_EQ(KoMessageBox(nullptr, L"unattended", nullptr, c.style), c.answer) << c.style;
  EXPECT_TRUE(g_log.size() == 5u && g_created.load() == 0);
  // Another thread's box is answered 0 at once.
  int fromOther = -5;
  std::thread([&] { fromOther = KoMessageBox(nullptr, L"elsewhere", nullptr, MB_OKCANCEL); }).join();
  EXPECT_EQ(fromOther, 0);
  ASSERT_TRUE(KoMsgBoxSetNoUIHook(nullptr));
  EXPECT_EQ(KoMessageBox(dead_, L"no owner left", nullptr, MB_OK), 0);
  EXPECT_EQ(g_created.load(), 0);
  ASSERT_TRUE(KoMsgBoxSetNoUIHook(Log));

  // An impossible default under the unattended hook is logged and shown.
  std::wstring message;
  bool hadButton = false;
  std::thread press = Presser(L"Ko Box Test", IDNO, &message, &hadButton);
  g_log.clear();
  EXPECT_EQ(KoMessageBox(nullptr, L"pick one", nullptr, MB_YESNO | 0x200), IDNO);
  press.join();
  EXPECT_TRUE(hadButton && message == L"pick one");
  ASSERT_EQ(g_log.size(), 2u);
  EXPECT_EQ(g_log[1], L"Invalid Message Box parameter...User intervention is needed!!!!");
}

// Real boxes: each button set shows its buttons and returns the one pressed;
// a box of the application's main window is centred on it.
struct Shown { UINT style; int press; bool owned; };
class MsgBoxShown : public ::testing::TestWithParam<Shown> {};

TEST_P(MsgBoxShown, ReturnsThePressedButton) {
  HWND owner = GetParam().owned ? CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 40, 60, 500, 400,
                                                  nullptr, nullptr, nullptr, nullptr) : nullptr;
  ASSERT_TRUE(KoMsgBoxSetAppData(nullptr, owner, L"Ko Shown Box"));
  std::wstring message;
  bool hadButton = false;
  RECT box{};
  std::thread press = Presser(L"Ko Shown Box", GetParam().press, &message, &hadButton, &box);
  const int answer = KoMsgBoxF(nullptr, GetParam().style, L"Question %d?", 3);
  press.join();
  if (owner) DestroyWindow(owner);
  EXPECT_TRUE(hadButton);
  EXPECT_EQ(message, L"Question 3?");
  EXPECT_EQ(answer, GetParam().press);
  if (owner) {
    EXPECT_NEAR((box.left + box.right) / 2, 40 + 250, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, 60 + 200, 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, MsgBoxShown,
                         ::testing::Values(Shown{MB_OK, IDOK, true},
                                           Shown{MB_YESNOCANCEL | MB_DEFBUTTON3, IDYES, false}));

// Custom and error boxes without a window: hooks, refusals, the crash filter.
TEST_F(NoWindow, CustomAndErrorBoxesAnswerAndRefuseBadInput) {
  BOOL flag = 5;
  ASSERT_TRUE(KoMsgBoxSetHook(Answer42, 9));
  const std::wstring longText(5000, L'y');
  EXPECT_EQ(KoMsgBox_TitledF(nullptr, 0xC003, L"own title", L"a\r\nb", L"n=%d", 4), 9);
  EXPECT_EQ(KoMsgBox_CustomNoF(nullptr, 0, nullptr, longText.c_str()), 9);
  // Refused before any hook: null format, missing details or flag, a dead owner.
  EXPECT_EQ(KoMsgBox_CustomF(nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(KoMsgBox_CustomF(nullptr, 0x4000, nullptr, L"x"), 0);
  EXPECT_EQ(KoMsgBox_CustomExF(nullptr, 0x1000, nullptr, nullptr, nullptr, L"x"), 0);
  EXPECT_EQ(KoMsgBox_CustomExF(dead_, 0x1000, nullptr, nullptr, &flag, L"x"), 0);
  EXPECT_EQ(KoErrorHandler_MsgBoxText(nullptr, 0x1000, L"x", FALSE), 0);  // the error box has no flag
  EXPECT_EQ(flag, 5);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].text, L"n=4\r\n<Details>\r\na\r\nb\r\n</Details>");
  // The application's title, not the box's own.
  EXPECT_TRUE(g_seen[0].title == L"Ko Box Test" && g_seen[0].style == 0xC003u);
  EXPECT_EQ(g_seen[1].text, longText.substr(0, 2047));

  // The error box: a cancelled operation says nothing; details go once.
  ASSERT_TRUE(KoMsgBoxSetNoUIHook(Log));
  EXPECT_EQ(KoErrorHandler_MsgBox(nullptr, 0, 6, KO_E_CANCELLED, L"a.prj", FALSE), 1);
  KoErrorHandler_DetailsInit();
  KoErrorHandler_DetailsAddString(E_FAIL, L"why");
  BSTR composed = KoErrorHandler_ComposeErrorText(6, E_FAIL, L"a.prj");
  const std::wstring expected = L"Warning: " + std::wstring(composed);
  SysFreeString(composed);
  EXPECT_EQ(KoErrorHandler_MsgBox(nullptr, 0x10D | 0x4000, 6, E_FAIL, L"a.prj", TRUE), 100);
  EXPECT_EQ(KoErrorHandler_MsgBox(nullptr, 0, 6, E_FAIL, L"a.prj", FALSE), 1);
  ASSERT_EQ(g_log.size(), 2u);
  EXPECT_EQ(g_log[0], expected);
  EXPECT_EQ(g_log[1], KoErrorHandler_GetErrorMessage(6, E_FAIL, L"a.prj"));
  // The crash box under the unattended hook; a misalignment is left to others.
  EXCEPTION_RECORD record{0xC0000094, 0, nullptr, nullptr, 0, {}};
  EXCEPTION_POINTERS pointers{&record, nullptr};
  EXPECT_EQ(KoErrorHandler_ExceptionFilter(&pointers, nullptr), 1);
  ASSERT_EQ(g_log.size(), 3u);
  EXPECT_NE(g_log[2].find(L"An Exception has occurred.\r\n<Details>\r\nKo Box Test\r\nException 0xC0000094 "
                            L"(integer divide by zero)"), std::wstring::npos);
  record.ExceptionCode = 0x80000002;
  EXPECT_EQ(KoErrorHandler_ExceptionFilter(&pointers, nullptr), 0);
  // Under a debugger (the flag IsDebuggerPresent reads) it is left to the
  // debugger, and nothing is shown.
  PEB *peb = NtCurrentTeb()->ProcessEnvironmentBlock;
  peb->BeingDebugged = TRUE;
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  EXPECT_EQ(KoErrorHandler_ExceptionFilter(&pointers, nullptr), 0);
  peb->BeingDebugged = FALSE;
  EXPECT_TRUE(g_log.size() == 3u && g_created.load() == 0);
}

}  // namespace
