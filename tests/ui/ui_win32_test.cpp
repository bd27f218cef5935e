// Real windows, dialog controls, fonts, profiles and the settings store
// under Wine, checked against Wine's own window, monitor and GDI functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kokernel/koframe.h"
#include "kokernel/kometric.h"
#include "kokernel/koui.h"
#include "kotest_win32.h"

extern "C" __declspec(dllexport) HMODULE KoApp_GetAppKernel(void) {
  return LoadLibraryW(L"kotest_uihost.dll");
}

namespace {

using kotest::Unique;
std::wstring TempDir() {
  wchar_t dir[MAX_PATH];
  return std::wstring(dir, GetTempPathW(MAX_PATH, dir));
}
RECT WorkOf(const RECT &r) {
  MONITORINFO info = {sizeof info};
  GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcWork;
}
bool Inside(const RECT &r, const RECT &w, int m = 0) {
  return r.left >= w.left + m && r.top >= w.top + m && r.right <= w.right - m && r.bottom <= w.bottom - m;
}
RECT RectOf(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return r;
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    top_ = CreateWindowExW(0, L"STATIC", L"kotest", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, 0, 0, 0, 0);
    ASSERT_NE(top_, nullptr);
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&metrics_, L"Placement", 0, vendor_.c_str(), nullptr), S_OK);
  }
  void TearDown() override {
    DestroyWindow(top_);
    KoMetric_Close(metrics_);
    KoMetric_DeleteAllHiveAndVersion(L"Placement", 0, vendor_.c_str());
  }
  HWND top_ = nullptr;
  HKOMETRIC metrics_ = nullptr;
  std::wstring vendor_ = Unique(L"KoTest UI");
};

TEST_F(Windows, CentringAndForcingAgreeWithTheMonitor) {
  ASSERT_TRUE(KoWndCenter(top_, nullptr, POINT{0, 0}, KO_CENTER_ON_REFERENCE));
  MONITORINFO info = {sizeof info};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(top_, MONITOR_DEFAULTTOPRIMARY), &info));
  const RECT r = RectOf(top_), m = info.rcMonitor;
  EXPECT_TRUE(r.right - r.left == 400 && std::abs((r.left + r.right) - (m.left + m.right)) <= 1 &&
              std::abs((r.top + r.bottom) - (m.top + m.bottom)) <= 1) << r.left << "," << r.top;
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 300, 200, 600, 500, 0, 0, 0, 0);
  ASSERT_TRUE(KoWndCenter(top_, other, POINT{0, 0}, 0));
  const RECT o = RectOf(other), c = RectOf(top_);
  EXPECT_TRUE(c.left == (o.left + o.right - 400) / 2 && c.top == (o.top + o.bottom - 300) / 2 && DestroyWindow(other));
  const SIZE size = {250, 150};  // near the corner: pushed back on screen
  ASSERT_TRUE(KoWndCenterAndResize(top_, nullptr, &size, POINT{m.right - 10, m.bottom - 10}, 3));
  EXPECT_TRUE(RectOf(top_).right - RectOf(top_).left == 250 && Inside(RectOf(top_), WorkOf(RectOf(top_))));
  RECT f = {-2500, 2000, -2180, 2240};  // far off: forced onto the nearest work area
  const RECT work = WorkOf(f);
  EXPECT_TRUE((KoForceRectOntoDesktop(&f, 5, 5), Inside(f, work, 5)) && KoIsWindowCaptionVisible(&f));
}

TEST_F(Windows, PlacementsRoundTripAndBadStoredOnesRestoreOnScreen) {
  for (int show : {SW_SHOWNORMAL, SW_SHOWMAXIMIZED}) {
    ShowWindow(top_, SW_SHOWNORMAL);
    SetWindowPos(top_, nullptr, 150 + show, 120, 420, 310, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(top_, show);
    WINDOWPLACEMENT saved = {sizeof saved}, back = {sizeof back};
    ASSERT_TRUE(GetWindowPlacement(top_, &saved));
    ASSERT_EQ(KoWindowPlacement(top_, metrics_, 7, KO_PLACEMENT_SAVE), S_OK);
    ShowWindow(top_, SW_SHOWNORMAL);
    SetWindowPos(top_, nullptr, 10, 10, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(KoWindowPlacement(top_, metrics_, -7, KO_PLACEMENT_RESTORE), S_OK);
    ASSERT_TRUE(GetWindowPlacement(top_, &back));
    EXPECT_TRUE(back.showCmd == saved.showCmd && EqualRect(&back.rcNormalPosition, &saved.rcNormalPosition)) << show;
  }
  for (auto [store, how] : {std::pair{HKOMETRIC(nullptr), KO_PLACEMENT_SAVE}, {KOMETRIC_DEFAULT_STORE, KO_PLACEMENT_SAVE},
                            {metrics_, 3}})
    EXPECT_EQ(KoWindowPlacement(top_, store, 7, how), E_FAIL) << how;
  // Stored records that are short, long, corrupt or from a monitor that is no
  // longer there never leave the window off screen.
  ShowWindow(top_, SW_SHOWNORMAL);
  const WINDOWPLACEMENT good = {sizeof good, 0, SW_SHOWNORMAL, {-1, -1}, {-1, -1}, {200, 150, 600, 450}};
  WINDOWPLACEMENT gone = good, corrupt = good, inverted = good, longer[2] = {good};
  gone.rcNormalPosition = {6000, 4000, 6400, 4300};
  corrupt.length = 0x12345678;
  inverted.rcNormalPosition = {600, 450, 200, 150};
  const struct { const void *data; uint32_t bytes; HRESULT hr; } cases[] = {
      {&good, 30, S_FALSE}, {longer, 60, S_FALSE}, {&corrupt, 44, S_FALSE}, {&inverted, 44, S_FALSE}, {&gone, 44, S_OK},
      {nullptr, 0, S_FALSE}};
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  for (const auto &c : cases) {
    SCOPED_TRACE(&c - cases);
    KoDeleteMetric(metrics_, 9, KOMETRIC_TYPE_BINARY);
    ASSERT_TRUE(!c.data || KoSetMetricBinary(metrics_, 9, c.data, c.bytes) == S_OK);
    SetWindowPos(top_, nullptr, 30, 40, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(KoWindowPlacement(top_, metrics_, 9, KO_PLACEMENT_RESTORE), c.hr);
    EXPECT_TRUE(c.hr == S_OK || RectOf(top_).left == 30);  // a refused record leaves the window alone
    EXPECT_EQ(KoWindowPlacement(top_, metrics_, 9, KO_PLACEMENT_RESTORE_OR_DEFAULT), c.hr);
    const RECT r = RectOf(top_);
    EXPECT_TRUE(KoIsWindowCaptionVisible(&r) && MonitorFromRect(&r, MONITOR_DEFAULTTONULL));
    // The default: the work area inset by a sixteenth.
    EXPECT_TRUE(c.hr == S_OK || (r.left == work.left + (work.right - work.left) / 16 &&
                                 r.bottom == work.bottom - (work.bottom - work.top) / 16)) << r.left << "," << r.bottom;
  }
}

TEST(Profiles, ColoursRoundTripThroughAFileAndBadLinesKeepTheirDefaults) {
  const std::wstring file = TempDir() + Unique(L"kocolours") + L".ini";
  for (UINT form = 0; form < 3; ++form) {
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::vector<COLORREF> set;
    for (int i = 0; i <= KO_UICOLOR_SYSTEM_LAST; ++i) {
      set.push_back(i == 25 ? GetSysColor(25) : RGB(i * 8, 255 - i * 8, (i * 37 + form) & 0xFF));
      ASSERT_TRUE(KoSetUIColor(i, set.back()));
    }
    ASSERT_EQ(KoSaveUIColors(file.c_str(), L"scheme", form), S_OK);
    KoKernel_UserPrefChanges(nullptr, WM_SYSCOLORCHANGE);
    for (int i = 0; i <= KO_UICOLOR_SYSTEM_LAST; ++i) ASSERT_EQ(KoGetUIColorAbsolute(i), GetSysColor(i));
    ASSERT_EQ(KoLoadUIColors(file.c_str(), L"scheme"), S_OK);
    for (int i = 0; i <= KO_UICOLOR_SYSTEM_LAST; ++i)
      EXPECT_EQ(KoGetUIColorAbsolute(i), set[i]) << i << " form " << form;
  }
  // Bad lines keep their defaults.
  FILE *f = _wfopen(file.c_str(), L"wb");
  ASSERT_TRUE(f && std::fputs("[colors]\r\nthis line is not a key\r\nCOLOR_MENU=RGB(1,2,3)\r\nCOLOR_WINDOW=purple\r\n"
             "COLOR_MENUTEXT=RGB(999,0,0)\r\n=#ffffff\r\nCOLOR_WINDOWTEXT = #102030\r\n[other]\r\n"
             "COLOR_BTNFACE=0x00ABCDEF\r\n", f) >= 0 && !std::fclose(f));
  KoKernel_UserPrefChanges(nullptr, WM_SYSCOLORCHANGE);
  ASSERT_EQ(KoLoadUIColors(file.c_str(), nullptr), S_OK);
  EXPECT_TRUE(KoGetUIColorAbsolute(COLOR_MENU) == RGB(1, 2, 3) && KoGetUIColorAbsolute(COLOR_WINDOWTEXT) == 0x302010u);
  for (int kept : {COLOR_WINDOW, COLOR_MENUTEXT, COLOR_BTNFACE, COLOR_SCROLLBAR})
    EXPECT_EQ(KoGetUIColorAbsolute(kept), GetSysColor(kept)) << kept;
  EXPECT_EQ(KoGetPrivateProfileColorref(L"colors", L"COLOR_WINDOW", 5, file.c_str()), 0xF000F0u);
  EXPECT_EQ(KoGetPrivateProfileColorref(L"colors", L"NOSUCHKEY", 5, file.c_str()), 5u);
  KoKernel_UserPrefChanges(nullptr, WM_SYSCOLORCHANGE);
  EXPECT_EQ(KoLoadUIColors((file + L".missing").c_str(), nullptr), KO_E_OPENFAILED);
  EXPECT_EQ(KoSaveUIColors(TempDir().c_str(), nullptr, 0), KO_E_WRITEFAILED);
  // The number writers, read back with the system's own reader.
  ASSERT_TRUE(KoWritePrivateProfileInt(L"n", L"i", -12, file.c_str(), FALSE) &&
              KoWritePrivateProfileDWord(L"n", L"d", 0xBEEF, file.c_str()) &&
              KoWritePrivateProfileDouble(L"n", L"f", 2.25, file.c_str(), FALSE, nullptr));
  EXPECT_FALSE(KoWritePrivateProfileDouble(L"n", L"g", 1e40, file.c_str(), FALSE, nullptr));
  wchar_t text[64];
  GetPrivateProfileSectionW(L"n", text, 64, file.c_str());
  EXPECT_EQ(0, std::memcmp(text, L"i=-12\0d=0x0000beef\0f=2.250000\0\0", 31 * sizeof(wchar_t)));
  DeleteFileW(file.c_str());
}

TEST(HostColours, TakeOverColourRequests) {
  ASSERT_EQ(KoKernel_EarlyInitialize(GetModuleHandleW(nullptr), 0x20), TRUE);
  EXPECT_TRUE(KoGetUIColorAbsolute(5) == 0x00A00005u && KoGetUIColor(120) == 0x00B00078u);
  ASSERT_EQ(KoKernel_EarlyInitialize(GetModuleHandleW(nullptr), 0), TRUE);
  EXPECT_EQ(KoGetUIColorAbsolute(5), GetSysColor(5));
  EXPECT_EQ(KoGetUIColor(120), GetNearestColor(GetDC(nullptr), 0x0000F4F9));
  KoKernel_LateTerminate();
}

TEST(Fonts, TableEntriesAreCreatedOnceAndDescribed) {
  const struct { int number; LONG weight, escapement; BYTE italic, underline; const wchar_t *face; } fonts[] = {
      {104, 700, 0, 0, 0, L"MS Shell Dlg 2"}, {102, 0, 0, 0, 0, L"Courier New"}, {108, 700, 0, 1, 0, nullptr},
      {163, 700, 2700, 0, 0, nullptr}, {165, 400, 0, 0, 1, nullptr}};
  for (const auto &f : fonts) {
    HFONT font = KoGetUIFont(f.number);
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), (int)sizeof lf) << f.number;
    EXPECT_TRUE(KoGetUIFont(f.number) == font && lf.lfCharSet == DEFAULT_CHARSET && (!f.weight || lf.lfWeight == f.weight) &&
                lf.lfEscapement == f.escapement && lf.lfItalic == f.italic && lf.lfUnderline == f.underline &&
                (!f.face || !wcscmp(lf.lfFaceName, f.face))) << f.number;
  }
  for (int other : {9, 101, 166, -1}) EXPECT_EQ(KoGetUIFont(other), GetStockObject(DEFAULT_GUI_FONT)) << other;
  EXPECT_EQ(KoGetUIFontSize(101), nullptr);
  EXPECT_LT(KoGetUIFontSize(120)->cy, KoGetUIFontSize(130)->cy);  // the smaller face measures smaller
  // Threads asking at once for a font not yet made get one and the same.
  HFONT seen[4] = {};
  std::vector<std::thread> threads;
  for (auto &s : seen) threads.emplace_back([&s] { s = KoGetUIFont(134); });
  for (auto &t : threads) t.join();
  for (HFONT s : seen) EXPECT_EQ(s, seen[0]);
}

TEST(Dialogs, ControlHelpersAndInstances) {
  HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 50, 60, 400, 300, 0, 0, 0, 0);
  auto child = [&](const wchar_t *cls, DWORD style, int id, int y) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, y, 80, 20, dialog,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  };
  for (int id = 10; id <= 12; ++id) child(L"BUTTON", BS_AUTORADIOBUTTON, id, 30 * id - 290);
  HWND edit = child(L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL, 20, 200);
  CheckDlgButton(dialog, 11, BST_CHECKED);
  EXPECT_TRUE(KoDlgWhichRadioButton(dialog, 10, 12, -1) == 11 && KoDlgWhichRadioButton(dialog, 12, 10, -1) == -1);
  RECT r, moved = {15, 37, 105, 61};
  EXPECT_FALSE(KoDlgGetControlRect(dialog, nullptr, 99, &r));
  ASSERT_TRUE(KoDlgDeltaControlMove(dialog, 11, 5, -3) && KoDlgDeltaControlSize(dialog, 11, 10, 4));
  EXPECT_TRUE(KoDlgGetControlRect(dialog, nullptr, 11, &r) && EqualRect(&r, &moved));
  // Mouse tests: left and top inclusive, right and bottom exclusive.
  EXPECT_TRUE(KoIsMouseInControl(dialog, 11, 15, 37, TRUE) && !KoIsMouseInControl(dialog, 11, 105, 37, TRUE));
  const int ids[] = {10, 12, 99};
  EXPECT_FALSE(KoDlgShowControls(dialog, ids, 3, FALSE) || IsWindowVisible(GetDlgItem(dialog, 12)));  // no 99
  // The caret to the end, with a line break only when the line has text.
  wchar_t text[32];
  SetWindowTextW(edit, L"abc");
  Edit_CursorToEnd(edit, TRUE), Edit_CursorToEnd(edit, TRUE);
  EXPECT_TRUE(GetWindowTextW(edit, text, 32) == 5 && !wcscmp(text, L"abc\r\n") && DestroyWindow(dialog));
  const std::wstring name = Unique(L"KoTestClass");
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = name.c_str();
  ASSERT_TRUE(RegisterClassW(&wc));
  EXPECT_EQ(KoActivatePrevAppInstance(name.c_str()), nullptr);
  HWND w[2];
  for (HWND &h : w) h = CreateWindowExW(0, name.c_str(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, 0, 0, 0, 0);
  EXPECT_EQ(KoGetAppInstanceCount(name.c_str()), 2);
  const HWND found = KoActivatePrevAppInstance(name.c_str());
  EXPECT_TRUE((found == w[0] || found == w[1]) && DestroyWindow(w[0]) && DestroyWindow(w[1]));
  UnregisterClassW(name.c_str(), nullptr);
}

}  // namespace
