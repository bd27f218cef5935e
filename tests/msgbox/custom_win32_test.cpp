// Real custom boxes under Wine, one table of rows: a driver thread waits for
// the box (visible and enabled), reads its text and buttons, acts on it
// (clicks, Cancel through WM_COMMAND, Enter at the focused control, the
// details toggle, the check box, the link) and the row checks the answer.
// Hooks and refusals are checked with a CBT hook counting window creations.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "internet/url_recorder.h"
#include "kokernel/koerror.h"
#include "kokernel/komsgbox.h"

namespace {

// The documented English labels of every result.
const std::map<int, std::wstring> kLabels = {
    {1, L"OK"},        {2, L"Cancel"},         {3, L"&Abort"},  {4, L"&Retry"},      {5, L"&Ignore"},
    {6, L"&Yes"},      {7, L"&No"},            {100, L"Yes to &All"}, {101, L"D&elete"},
    {102, L"N&o to All"}, {200, L"&Details >>"}};

enum Act { kPress, kCancel, kEnter, kCheck, kLink };
struct Step { Act act; int id; };

enum Call { kCustom, kErrorBox, kFilter };
struct Row {
  const char *name;
  Call call;
  UINT style;
  std::vector<int> buttons;  // expected, left to right
  int defaultId;
  bool closeDisabled;
  std::vector<Step> steps;
  int expected;
  BOOL flagBefore = FALSE, flagAfter = FALSE;
  const wchar_t *details = nullptr, *link = nullptr;
  size_t textUnits = 0;  // a message of this many units instead of the usual one
};

struct Seen {
  bool found = false, leftOpen = false, greyClose = false, paneShown = false, centred = false, inside = false;
  std::wstring text, pane, detailsLabel, checkText;
  std::vector<int> ids;
  std::vector<std::wstring> labels;
  int defaultId = 0, grown = 0;
};

std::vector<HWND> PushButtons(HWND box) {
  std::vector<HWND> found;
  EnumChildWindows(box, [](HWND w, LPARAM lp) -> BOOL {
    wchar_t cls[16];
    const LONG type = GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK;
    if (GetClassNameW(w, cls, 16) && !lstrcmpiW(cls, L"Button") && IsWindowVisible(w) &&
        (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
      reinterpret_cast<std::vector<HWND> *>(lp)->push_back(w);
    return TRUE;
  }, LPARAM(&found));
  std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra), GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return found;
}

std::wstring TextOf(HWND w) {
  wchar_t text[4096] = L"";
  if (w) SendMessageTimeoutW(w, WM_GETTEXT, 4096, LPARAM(text), SMTO_BLOCK, 5000, nullptr);
  return text;
}

// Drives the box titled `title`, shown on thread `thread` over `owner`.
std::thread Driver(const wchar_t *title, DWORD thread, HWND owner, const Row &row, Seen *seen) {
  return std::thread([=] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !box; ++i, Sleep(25)) {
      box = FindWindowW(L"#32770", title);
      if (box && (!IsWindowVisible(box) || !IsWindowEnabled(box))) box = nullptr;
    }
    if (!(seen->found = box != nullptr)) return;
    Sleep(100);  // let the box settle its focus
    seen->text = TextOf(GetDlgItem(box, 1003));
    for (HWND b : PushButtons(box)) {
      seen->ids.push_back(GetDlgCtrlID(b));
      seen->labels.push_back(TextOf(b));
      if ((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen->defaultId = GetDlgCtrlID(b);
    }
    seen->greyClose = (GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
    seen->checkText = TextOf(GetDlgItem(box, 300));
    RECT r, o;
    GetWindowRect(box, &r);
    if (owner) GetWindowRect(owner, &o);
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &o, 0);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    seen->inside = r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom;
    seen->centred = std::abs((r.left + r.right) - (o.left + o.right)) <= 4 &&
                    std::abs((r.top + r.bottom) - (o.top + o.bottom)) <= 4;
    for (const Step &s : row.steps) {
      HWND item = GetDlgItem(box, s.id);
      if (s.act == kPress || s.act == kCheck) SendMessageTimeoutW(item, BM_CLICK, 0, 0, SMTO_BLOCK, 5000, nullptr);
      if (s.act == kCancel) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      if (s.act == kLink) PostMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
      if (s.act == kEnter) {
        GUITHREADINFO gui{sizeof gui};
        GetGUIThreadInfo(thread, &gui);
        PostMessageW(gui.hwndFocus ? gui.hwndFocus : box, WM_KEYDOWN, VK_RETURN, 0);
      }
      if (s.act == kPress && s.id == 200) {
        RECT after;
        GetWindowRect(box, &after);
        seen->grown = (after.bottom - after.top) - (r.bottom - r.top);
        seen->paneShown = IsWindowVisible(GetDlgItem(box, 301));
        seen->pane = TextOf(GetDlgItem(box, 301));
        seen->detailsLabel = TextOf(item);
      }
      Sleep(100);
    }
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
    if ((seen->leftOpen = IsWindow(box) != FALSE) && !row.buttons.empty())  // never leave the suite hanging
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(row.buttons[0], BN_CLICKED), 0);
  });
}

class CustomBox : public ::testing::TestWithParam<Row> {};

TEST_P(CustomBox, ShowsItsButtonsAndAnswers) {
  const Row &row = GetParam();
  const std::wstring title = L"Ko Custom " + std::wstring(row.name, row.name + strlen(row.name));
  ASSERT_TRUE(KoMsgBoxSetAppData(nullptr, nullptr, title.c_str()));
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 60, 40, 640, 480, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  ASSERT_TRUE(kotest::RegisterBrowser());
  kotest::ForgetOpenedUrl();
  KoErrorHandler_DetailsInit();

  std::wstring text = row.textUnits ? std::wstring(row.textUnits, L'x') : L"Question 3?";
  if (row.textUnits) text[100] = text[200] = L'\n';
  EXCEPTION_RECORD record{EXCEPTION_ACCESS_VIOLATION, 0, nullptr, nullptr, 2, {1, 0x40}};
  EXCEPTION_POINTERS pointers{&record, nullptr};
  if (row.call == kErrorBox) {
    ASSERT_EQ(KoErrorHandler_DetailsAddString(E_OUTOFMEMORY, L"line %d", 1), S_OK);
    ASSERT_TRUE(!row.link || KoErrorHandler_DetailsSetHyperlink(row.link, L"Help on saving") == S_OK);
    text = L"Warning: " + std::wstring(KoErrorHandler_GetErrorMessage(6, E_OUTOFMEMORY, L"a.prj"));
  }
  if (row.call == kFilter) text = KoErrorHandler_GetErrorMessage(0, KO_E_EXCEPTION, nullptr);

  Seen seen;
  HWND centreOn = row.call == kFilter ? nullptr : owner;
  std::thread drive = Driver(title.c_str(), GetCurrentThreadId(), centreOn, row, &seen);
  BOOL flag = row.flagBefore;
  int answer = -7;
  if (row.call == kCustom)
    answer = KoMsgBox_CustomExLinkF(owner, row.style, row.details, nullptr, &flag, row.link,
                                    row.link ? L"Help on saving" : nullptr, L"%s", text.c_str());
  if (row.call == kErrorBox) answer = KoErrorHandler_MsgBox(owner, row.style, 6, E_OUTOFMEMORY, L"a.prj", TRUE);
  if (row.call == kFilter) answer = KoErrorHandler_ExceptionFilter(&pointers, "worker");
  drive.join();
  DestroyWindow(owner);

  ASSERT_TRUE(seen.found);
  EXPECT_TRUE(!seen.leftOpen && answer == row.expected) << answer;
  EXPECT_EQ(seen.text, text.substr(0, 2047));
  EXPECT_EQ(seen.ids, row.buttons);
  for (size_t i = 0; i < seen.ids.size(); ++i) EXPECT_EQ(seen.labels[i], kLabels.at(seen.ids[i])) << i;
  EXPECT_TRUE(seen.defaultId == row.defaultId && seen.greyClose == row.closeDisabled && flag == row.flagAfter)
      << seen.defaultId << " " << seen.greyClose << " " << flag;
  EXPECT_TRUE(seen.inside && (seen.centred || row.textUnits));  // a box wider than its owner is kept on the screen
  EXPECT_EQ(seen.checkText, (row.style & 0x3000) == 0x1000 ? L"Do no&t show this message again." : L"");
  if (std::find(row.buttons.begin(), row.buttons.end(), 200) != row.buttons.end()) {
    EXPECT_TRUE(seen.grown > 0 && seen.paneShown && seen.detailsLabel == L"No &Details") << seen.grown;
    if (row.call != kFilter) { EXPECT_EQ(seen.pane, row.call == kCustom ? row.details : L"line 1\r\n"); }
    if (row.call == kFilter) {
      EXPECT_EQ(seen.pane.rfind(title + L"\r\nException 0xC0000005 (access violation) WRITE:0x", 0), 0u);
      EXPECT_NE(seen.pane.find(L"Thread: worker ID="), std::wstring::npos);
    }
  }
  if (row.link) { EXPECT_EQ(kotest::OpenedUrl(), "https://example.org/help?topic=save"); }
  // Details are shown once.
  EXPECT_TRUE(row.call == kCustom || KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr) == nullptr);
}

const wchar_t kUrl[] = L"https://example.org/help?topic=save";

INSTANTIATE_TEST_SUITE_P(
    Table, CustomBox,
    ::testing::Values(
        Row{"unlisted_set_is_ok", kCustom, 7, {1}, 1, false, {{kCancel, 0}}, 1},
        Row{"okcancel_esc", kCustom, 1, {1, 2}, 1, false, {{kCancel, 0}}, 2},
        Row{"abort_retry_ignore", kCustom, 0x12, {3, 4, 5}, 3, true, {{kCancel, 0}, {kPress, 5}}, 5},
        Row{"yesnocancel_enter", kCustom, 0x223, {6, 7, 2}, 2, false, {{kEnter, 0}}, 2},
        Row{"yesno_no_escape", kCustom, 0x134, {6, 7}, 7, true, {{kCancel, 0}, {kEnter, 0}}, 7},
        Row{"delete", kCustom, 11, {6, 7, 101}, 6, true, {{kPress, 101}}, 101},
        Row{"no_to_all_enter", kCustom, 0x20C, {6, 7, 102, 2}, 102, false, {{kEnter, 0}}, 102},
        Row{"default_clamped", kCustom, 0xF0D, {6, 100, 7, 102, 2}, 2, false, {{kPress, 7}}, 7},
        Row{"details", kCustom, 0xC001, {1, 2, 200}, 1, false, {{kPress, 200}, {kPress, 1}}, 1, FALSE, FALSE,
            L"first\r\nsecond"},
        Row{"details_required_only", kCustom, 0x8000, {1}, 1, false, {{kPress, 1}}, 1, FALSE, FALSE, L"d"},
        Row{"check_box", kCustom, 0x1004, {6, 7}, 6, true, {{kCheck, 300}, {kPress, 6}}, 6, FALSE, TRUE},
        Row{"check_box_cleared", kCustom, 0x1003, {6, 7, 2}, 6, false, {{kCheck, 300}, {kCancel, 0}}, 2, TRUE,
            FALSE},
        Row{"no_check_box", kCustom, 0x3000, {1}, 1, false, {{kPress, 1}}, 1, TRUE, TRUE},
        Row{"link", kCustom, 0, {1}, 1, false, {{kLink, 310}, {kPress, 1}}, 1, FALSE, FALSE, nullptr, kUrl},
        Row{"long_text", kCustom, 0x30, {1}, 1, false, {{kPress, 1}}, 1, FALSE, FALSE, nullptr, nullptr, 3000},
        Row{"error_box", kErrorBox, 0x14, {6, 7, 200}, 6, true, {{kLink, 310}, {kPress, 200}, {kPress, 7}}, 7,
            FALSE, FALSE, nullptr, kUrl},
        Row{"crash_box", kFilter, 0, {1, 200}, 1, false, {{kPress, 200}, {kPress, 1}}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
