// Under Wine: resources of a test module in English and German, dialogs
// created from its templates and from their records, the .res of the same
// resources as a pool, and menus checked item by item. The library is started
// for the whole program (../printf/started_library.cpp): menu tokens need it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "kokernel/kofiles.h"
#include "kokernel/koframe.h"
#include "kokernel/koprintf.h"
#include "kotest_win32.h"
#include "lang/lang_helpers.h"
#include "platform/platform.h"
#include "resources/res_helpers.h"

using namespace kores_test;

namespace {

HMODULE Host() {
  static HMODULE m = [] {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    return LoadLibraryW(L"kores_testhost.dll");
  }();
  return m;
}
using kotest::Lang;
std::string Bytes(const void *p, size_t n) { return std::string(static_cast<const char *>(p), n); }
std::string ModuleData(LPCWSTR name, LPCWSTR type, WORD lang) {  // what the system finds
  HRSRC r = FindResourceExW(Host(), type, name, lang);
  return r ? Bytes(LockResource(LoadResource(Host(), r)), SizeofResource(Host(), r)) : std::string();
}
using kotest::ReadAll;

INT_PTR CALLBACK CloseOnCancel(HWND w, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) EndDialog(w, 42);
  return msg == WM_INITDIALOG || msg == WM_COMMAND;
}
std::wstring g_picture;  // what PoolPicture saw: size, three pixels, the second control
INT_PTR CALLBACK PoolPicture(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_INITDIALOG) return CloseOnCancel(w, msg, wp, lp);
  auto b = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(w, 10, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP bm = {};
  HDC dc = CreateCompatibleDC(nullptr);
  wchar_t text[80] = L"no bitmap";
  if (b && GetObjectW(b, sizeof bm, &bm) && SelectObject(dc, b))
    swprintf(text, 80, L"%ldx%ld %06lx %06lx %06lx %ls", bm.bmWidth, bm.bmHeight, GetPixel(dc, 0, 0),
             GetPixel(dc, 0, 1), GetPixel(dc, 2, 1),
             SendDlgItemMessageW(w, 11, STM_GETIMAGE, IMAGE_BITMAP, 0) ? L"some" : L"none");
  g_picture = text;
  return DeleteDC(dc);
}
// Runs a modal dialog that a second thread closes once its window appears.
template <typename F>
INT_PTR RunModal(const wchar_t *title, F show) {
  std::thread closer([title] {
    for (int i = 0; i < 500; ++i, Sleep(10)) {
      if (HWND w = FindWindowW(nullptr, title)) {
        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        return;
      }
    }
  });
  INT_PTR r = show();
  closer.join();
  return r;
}

TEST(Resources, FoundInTheHandlesLanguageWithEnglishAsFallback) {
  ASSERT_NE(Host(), nullptr) << GetLastError();
  Lang de(0x0407, Host()), en(0x0409, Host()), at(0x0C07, Host());
  DWORD size = 0;
  for (auto [lang, id] : {std::pair{&de, WORD(0x0407)}, {&en, WORD(0x0409)}}) {
    HGLOBAL g = KoLoadResourceCustom(lang->h, L"TAKEDATA", RT_RCDATA, &size);
    ASSERT_NE(g, nullptr) << id;
    EXPECT_EQ(Bytes(LockResource(g), size), ModuleData(L"TAKEDATA", RT_RCDATA, id));
  }
  HRSRC r = KoFindResource(de.h, MAKEINTRESOURCEW(101), RT_DIALOG);  // English only
  EXPECT_TRUE(r && KoSizeofResource(de.h, r) == ModuleData(MAKEINTRESOURCEW(101), RT_DIALOG, 0x0409).size());
  LPCWSTR types[] = {RT_BITMAP, RT_GROUP_ICON, RT_RCDATA};
  UINT index = 9;
  EXPECT_TRUE(KoFindResourceMulti(de.h, L"TAKEDATA", types, 3, &index) && index == 2u);
  EXPECT_TRUE(KoLoadIcon(en.h, MAKEINTRESOURCEW(300)) && KoLoadImage(en.h, MAKEINTRESOURCEW(300), IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(KoLoadBitmap(en.h, MAKEINTRESOURCEW(999)), nullptr);
  // German accelerators come from the German table; German (Austria) has
  // none, so the English one with two entries loads.
  ACCEL got[4];
  HACCEL a = KoLoadAccelerators(de.h, MAKEINTRESOURCEW(400)), b = KoLoadAccelerators(at.h, MAKEINTRESOURCEW(400));
  ASSERT_EQ(CopyAcceleratorTableW(a, got, 4), 1);
  EXPECT_TRUE(got[0].key == 'F' && (got[0].fVirt & (FALT | FVIRTKEY)) == (FALT | FVIRTKEY));
  EXPECT_TRUE(CopyAcceleratorTableW(b, nullptr, 0) == 2 && DestroyAcceleratorTable(a) && DestroyAcceleratorTable(b));

  // Extraction cuts a longer file at the end of the data.
  wchar_t tmp[MAX_PATH], file[MAX_PATH];
  ASSERT_GT(KoGetTempPath(MAX_PATH, tmp), 0u);
  ASSERT_EQ(KoCreateTempFileAndNameEx(tmp, L"kores", L".bin", nullptr, file, MAX_PATH), S_OK);
  std::ofstream(file, std::ios::binary) << std::string(100, 'x');
  EXPECT_TRUE(KoExtractResourceToFile(de.h, L"TAKEDATA", RT_RCDATA, file) == S_OK &&
              ReadAll(file) == ModuleData(L"TAKEDATA", RT_RCDATA, 0x0407));
  EXPECT_EQ(KoExtractResourceToFile(de.h, L"NOSUCH", RT_RCDATA, file), KO_E_NOTFOUND);
  EXPECT_EQ(KoExtractResourceToFile(de.h, L"TAKEDATA", RT_RCDATA, L"Q:\\no\\such\\dir\\f"),
            KO_E_OPENFAILED);
  DeleteFileW(file);
}

// The controls of a created dialog: class, id and rectangle in client pixels.
std::wstring Controls(HWND dlg) {
  std::wstring out;
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[64], line[128];
    RECT rc;
    GetClassNameW(c, cls, 64);
    GetWindowRect(c, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT *>(&rc), 2);
    swprintf(line, 128, L"%ls %d %ld,%ld,%ld,%ld;", cls, GetDlgCtrlID(c), rc.left, rc.top, rc.right,
             rc.bottom);
    out += line;
  }
  return out;
}

class DialogRoundTrip : public testing::TestWithParam<std::tuple<int, LCID>> {};
TEST_P(DialogRoundTrip, RecordsBuildTheSameDialog) {
  Lang lang(std::get<1>(GetParam()), Host());
  LPCWSTR name = MAKEINTRESOURCEW(std::get<0>(GetParam()));
  const DLGTEMPLATE *t = nullptr;
  long size = KoDialogTemplateFromRCID(lang.h, name, &t);
  ASSERT_GT(size, 0);
  _kodlghdrcreateex *m = nullptr;
  ASSERT_GT(KoMapDialogTemplate(t, size, &m), 0);
  WORD builtSize = 0;
  const DLGTEMPLATE *built =
      KoCreateDialogTemplateEx(lang.h, m, reinterpret_cast<_kodlgctrlcreateex *>(m + 1), &builtSize);
  HWND original = KoCreateDialogParam(lang.h, name, nullptr, CloseOnCancel, 0);
  HWND copy = built ? KoCreateDialogIndirectParam(lang.h, built, nullptr, CloseOnCancel, 0) : nullptr;
  ASSERT_TRUE(original && copy);
  std::wstring a = Controls(original);
  EXPECT_TRUE(std::count(a.begin(), a.end(), L';') == m->controlCount && a == Controls(copy)) << a;
  RECT ra, rb, units = {0, 0, m->cx, m->cy};
  EXPECT_TRUE(GetClientRect(original, &ra) && GetClientRect(copy, &rb) && EqualRect(&ra, &rb));
  // The computed size is what the system makes of the dialog units.
  SIZE s, fromRecords;
  ASSERT_TRUE(KoGetDialogSizeIndirect(lang.h, t, &s) && KoGetDialogSizeEx(lang.h, m, &fromRecords));
  MapDialogRect(original, &units);
  EXPECT_TRUE(s.cx == units.right && s.cy == units.bottom) << s.cx << "x" << s.cy;
  EXPECT_TRUE(fromRecords.cx == s.cx && fromRecords.cy == s.cy);
  DestroyWindow(original), DestroyWindow(copy);
  ko::platform::GlobalFreeLocked(const_cast<DLGTEMPLATE *>(built)), ko::platform::GlobalFreeLocked(m);
}
INSTANTIATE_TEST_SUITE_P(Dialogs, DialogRoundTrip,
                         testing::Combine(testing::Values(100, 101), testing::Values(0x0409, 0x0407)));

TEST(Dialogs, ModalFromTheModuleAndFromThePool) {
  Lang de(0x0407, Host());
  // Dialog 101 exists only in English: the German handle shows it.
  EXPECT_EQ(RunModal(L"Only English", [&] {
              return KoDialogBoxParam(de.h, MAKEINTRESOURCEW(101), nullptr, CloseOnCancel, 0);
            }), 42);
  EXPECT_EQ(KoDialogBoxParam(de.h, MAKEINTRESOURCEW(999), nullptr, CloseOnCancel, 0), -1);
  std::string res = ReadAll(kotest::BesideTheProgram(L"kores_pool.res"));
  _KORESPOOL pool{0, static_cast<uint32_t>(res.size()), res.data()};
  // The pool holds the bytes the compiler put in the module.
  UINT size = 0;
  DWORD lang = 0;
  for (WORD l : {WORD(0x0407), WORD(0x0409)}) {
    const DLGTEMPLATE *t = KoFindDialogTemplateInResPool(&pool, &size, MAKEINTRESOURCEW(100), l);
    EXPECT_TRUE(t && Bytes(t, size) == ModuleData(MAKEINTRESOURCEW(100), RT_DIALOG, l)) << l;
  }
  void *data = KoFindResourceInResPool(&pool, &size, L"takedata", RT_RCDATA, 0x0C07, &lang);
  EXPECT_TRUE(data && Bytes(data, size) == ModuleData(L"TAKEDATA", RT_RCDATA, 0x0407) && lang == 0x0407u);
  EXPECT_EQ(RunModal(L"Renderoptionen", [&] {
              return KoResPoolDialogBox(&pool, de.h, MAKEINTRESOURCEW(100), nullptr, CloseOnCancel, 0);
            }), 42);
  EXPECT_EQ(KoResPoolDialogBox(&pool, de.h, MAKEINTRESOURCEW(555), nullptr, CloseOnCancel, 0), -1);
  // The bitmap control shows the pool's bitmap (3 x 2, bottom row red green
  // blue, top row white black grey); a name the pool lacks shows nothing.
  EXPECT_EQ(RunModal(L"Pool picture", [&] {
              return KoResPoolDialogBox(&pool, de.h, MAKEINTRESOURCEW(102), nullptr, PoolPicture, 0);
            }), 42);
  EXPECT_EQ(g_picture, L"3x2 ffffff 0000ff ff0000 none");
}

// ---- menus -------------------------------------------------------------------------------
std::wstring Text(HMENU m, int pos) {
  wchar_t buf[128] = {};
  MENUITEMINFOW mi = {sizeof mi, MIIM_STRING};
  mi.dwTypeData = buf;
  mi.cch = 127;
  GetMenuItemInfoW(m, pos, TRUE, &mi);
  return buf;
}
// The menu as a string: items by id or "-" for separators, sub-menus in [].
std::wstring Shape(HMENU m) {
  std::wstring s;
  for (int i = 0, n = GetMenuItemCount(m); i < n; ++i) {
    MENUITEMINFOW mi = {sizeof mi, MIIM_FTYPE | MIIM_SUBMENU | MIIM_ID};
    GetMenuItemInfoW(m, i, TRUE, &mi);
    s += i ? L"," : L"";
    if (mi.hSubMenu) s += Text(m, i) + L"[" + Shape(mi.hSubMenu) + L"]";
    else s += (mi.fType & MFT_SEPARATOR) ? L"-" : std::to_wstring(mi.wID);
  }
  return s;
}

TEST(Menus, LoadedCulledCleanedAndSearched) {
  Lang de(0x0407, Host()), en(0x0409, Host());
  HMENU m = KoLoadMenu(de.h, MAKEINTRESOURCEW(200));
  EXPECT_TRUE(m && Text(GetSubMenu(m, 0), 0) == L"\x00d6&ffnen" && DestroyMenu(m));  // marker removed
  m = KoLoadMenu(en.h, MAKEINTRESOURCEW(200));
  EXPECT_EQ(Shape(m), L"&File[10,-,11,-,12],&Edit[20,More[21]],30");
  HMENU found = nullptr;
  UINT index = 77;
  EXPECT_TRUE(KoFindSubMenu(m, 21, &found, &index) && found == GetSubMenu(GetSubMenu(m, 1), 1) && index == 1u);
  EXPECT_TRUE(KoGetSubmenuByID(m, 11, &index) == GetSubMenu(m, 0) && !KoGetSubmenuByID(m, 99, &index));
  UINT grey[] = {11, 0, 12};
  KoGrayMenu(m, grey, -1);  // the 0 ends the list
  EXPECT_TRUE((GetMenuState(m, 11, MF_BYCOMMAND) & MF_GRAYED) && !(GetMenuState(m, 12, MF_BYCOMMAND) & MF_GRAYED));
  KoGrayAllMenuItems(m);
  EXPECT_TRUE(GetMenuState(m, 2, MF_BYPOSITION) & MF_GRAYED);
  KoEnableAllMenuItems(m);
  EXPECT_TRUE(!(GetMenuState(m, 2, MF_BYPOSITION) & MF_GRAYED) && (GetMenuState(m, 11, MF_BYCOMMAND) & MF_GRAYED))
      << "top level only";
  KoPrintF_AddToken(L"app", L"Kotest");
  KoMenuReplaceTokens(m);
  EXPECT_EQ(Text(GetSubMenu(m, 0), 4) + Text(m, 2), L"E&xit Kotest&Help 100%");
  // Removing the item between two separators leaves one; the last item of
  // a sub-menu takes the sub-menu with it.
  UINT cull[] = {11, 21}, rest[] = {10, 12, 20}, none[] = {10, 12};
  KoCullMenu(m, cull, 2, TRUE);
  EXPECT_EQ(Shape(m), L"&File[10,-,12],&Edit[20],30");
  KoCullMenu(m, rest, 3, TRUE);
  EXPECT_TRUE(Shape(m) == L"30" && DestroyMenu(m));
  m = KoLoadCulledMenu(en.h, MAKEINTRESOURCEW(200), none, 2, FALSE);
  EXPECT_EQ(Shape(m), L"&File[-,11,-],&Edit[20,More[21]],30");
  EXPECT_FALSE(KoCleanMenu(m, nullptr, 0));
  EXPECT_TRUE(Shape(m) == L"&File[11],&Edit[20,More[21]],30" && DestroyMenu(m));
}

}  // namespace
