// Under Wine: resources of a test module in English and German, dialogs
// created from its templates and from their records, the .res of the same
// resources as a pool, and menus checked item by item.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "kokernel/kofiles.h"
#include "kokernel/koframe.h"
#include "kokernel/koprintf.h"
#include "platform/platform.h"
#include "resources/res_helpers.h"

using namespace kores_test;

namespace {

// The formatter's tokens live in the list that start-up creates.
class StartedLibrary : public testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(KoKernel_EarlyInitialize(GetModuleHandleW(nullptr), 0)); }
  void TearDown() override { KoKernel_LateTerminate(); }
};
const auto *const kStarted = testing::AddGlobalTestEnvironment(new StartedLibrary);

HMODULE Host() {
  static HMODULE m = [] {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    return LoadLibraryW(L"kores_testhost.dll");
  }();
  return m;
}

struct Lang {
  explicit Lang(LCID lcid) { EXPECT_EQ(KoLang_Open(&h, Host(), lcid, 0), S_OK); }
  ~Lang() { KoLang_Close(h); }
  HKOLANG h = nullptr;
};

std::string Bytes(const void *p, size_t n) { return std::string(static_cast<const char *>(p), n); }

std::string ModuleData(LPCWSTR name, LPCWSTR type, WORD lang) {
  HRSRC r = FindResourceExW(Host(), type, name, lang);
  if (!r) return std::string();
  return Bytes(LockResource(LoadResource(Host(), r)), SizeofResource(Host(), r));
}

INT_PTR CALLBACK CloseOnCancel(HWND w, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
    EndDialog(w, 42);
    return TRUE;
  }
  return FALSE;
}

// Runs a modal dialog that a second thread closes once its window appears.
template <typename F>
INT_PTR RunModal(const wchar_t *title, F show) {
  std::thread closer([title] {
    for (int i = 0; i < 500; ++i) {
      if (HWND w = FindWindowW(nullptr, title)) {
        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      Sleep(10);
    }
  });
  INT_PTR r = show();
  closer.join();
  return r;
}

TEST(Resources, FoundInTheHandlesLanguageWithEnglishAsFallback) {
  ASSERT_NE(Host(), nullptr) << GetLastError();
  Lang de(0x0407), en(0x0409), at(0x0C07);
  DWORD size = 0;
  HGLOBAL g = KoLoadResourceCustom(de.h, L"TAKEDATA", RT_RCDATA, &size);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Bytes(LockResource(g), size), ModuleData(L"TAKEDATA", RT_RCDATA, 0x0407));
  g = KoLoadResourceCustom(en.h, L"TAKEDATA", RT_RCDATA, &size);
  EXPECT_EQ(Bytes(LockResource(g), size), ModuleData(L"TAKEDATA", RT_RCDATA, 0x0409));
  HRSRC r = KoFindResource(de.h, MAKEINTRESOURCEW(101), RT_DIALOG);  // English only
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(KoSizeofResource(de.h, r), SizeofResource(Host(), FindResourceExW(Host(), RT_DIALOG,
                                                                              MAKEINTRESOURCEW(101), 0x0409)));
  LPCWSTR types[] = {RT_BITMAP, RT_GROUP_ICON, RT_RCDATA};
  UINT index = 9;
  EXPECT_NE(KoFindResourceMulti(de.h, L"TAKEDATA", types, 3, &index), nullptr);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(KoFindResourceMulti(de.h, L"TAKEDATA", types, 0, &index), nullptr);
  EXPECT_NE(KoLoadIcon(en.h, MAKEINTRESOURCEW(300)), nullptr);
  EXPECT_NE(KoLoadImage(en.h, MAKEINTRESOURCEW(300), IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_NE(KoLoadCursor(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(KoLoadBitmap(en.h, MAKEINTRESOURCEW(999)), nullptr);

  // German accelerators are built from the German table; English ones load.
  ACCEL got[4];
  HACCEL a = KoLoadAccelerators(de.h, MAKEINTRESOURCEW(400));
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(CopyAcceleratorTableW(a, got, 4), 1);
  EXPECT_EQ(got[0].key, 'F');
  EXPECT_EQ(got[0].cmd, 10);
  EXPECT_EQ(got[0].fVirt & (FALT | FVIRTKEY), FALT | FVIRTKEY);
  DestroyAcceleratorTable(a);
  a = KoLoadAccelerators(at.h, MAKEINTRESOURCEW(400));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(CopyAcceleratorTableW(a, nullptr, 0), 2) << "no German (Austria) table: English";
  DestroyAcceleratorTable(a);
}

TEST(Resources, ExtractedToAFile) {
  Lang de(0x0407);
  wchar_t tmp[MAX_PATH], file[MAX_PATH];
  ASSERT_GT(KoGetTempPath(MAX_PATH, tmp), 0u);
  ASSERT_EQ(KoCreateTempFileAndNameEx(tmp, L"kores", L".bin", nullptr, file, MAX_PATH), S_OK);
  // A longer file is cut at the end of the data.
  HANDLE f = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(f, std::string(100, 'x').data(), 100, &n, nullptr);
  CloseHandle(f);
  ASSERT_EQ(KoExtractResourceToFile(de.h, L"TAKEDATA", RT_RCDATA, file), S_OK);
  std::string want = ModuleData(L"TAKEDATA", RT_RCDATA, 0x0407), got(200, '\0');
  f = CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ReadFile(f, &got[0], 200, &n, nullptr);
  CloseHandle(f);
  got.resize(n);
  EXPECT_EQ(got, want);
  EXPECT_EQ(KoExtractResourceToFile(de.h, L"NOSUCH", RT_RCDATA, file), KO_E_NOTFOUND);
  EXPECT_EQ(KoExtractResourceToFile(de.h, L"TAKEDATA", RT_RCDATA, L"Q:\\no\\such\\dir\\f"),
            KO_E_OPENFAILED);
  DeleteFileW(file);
}

// A control of a created dialog: class, id and rectangle in client pixels.
struct Control {
  std::wstring cls;
  int id;
  RECT rc;
  bool operator==(const Control &o) const {
    return cls == o.cls && id == o.id && EqualRect(&rc, &o.rc);
  }
};
std::vector<Control> Controls(HWND dlg) {
  std::vector<Control> out;
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    Control k;
    wchar_t cls[64];
    GetClassNameW(c, cls, 64);
    k.cls = cls;
    k.id = GetDlgCtrlID(c);
    GetWindowRect(c, &k.rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT *>(&k.rc), 2);
    out.push_back(k);
  }
  return out;
}

class DialogRoundTrip : public testing::TestWithParam<std::tuple<int, LCID>> {};
TEST_P(DialogRoundTrip, RecordsBuildTheSameDialog) {
  Lang lang(std::get<1>(GetParam()));
  LPCWSTR name = MAKEINTRESOURCEW(std::get<0>(GetParam()));
  const DLGTEMPLATE *t = nullptr;
  long size = KoDialogTemplateFromRCID(lang.h, name, &t);
  ASSERT_GT(size, 0);
  _kodlghdrcreateex *m = nullptr;
  ASSERT_GT(KoMapDialogTemplate(t, size, &m), 0);
  WORD builtSize = 0;
  const DLGTEMPLATE *built =
      KoCreateDialogTemplateEx(lang.h, m, reinterpret_cast<_kodlgctrlcreateex *>(m + 1), &builtSize);
  ASSERT_NE(built, nullptr);
  HWND original = KoCreateDialogParam(lang.h, name, nullptr, CloseOnCancel, 0);
  HWND copy = KoCreateDialogIndirectParam(lang.h, built, nullptr, CloseOnCancel, 0);
  ASSERT_NE(original, nullptr);
  ASSERT_NE(copy, nullptr);
  std::vector<Control> a = Controls(original), b = Controls(copy);
  EXPECT_EQ(a.size(), size_t(m->controlCount));
  EXPECT_TRUE(a == b);
  RECT ra, rb;
  GetClientRect(original, &ra);
  GetClientRect(copy, &rb);
  EXPECT_TRUE(EqualRect(&ra, &rb));
  // The computed size is what the system makes of the dialog units.
  SIZE s;
  ASSERT_TRUE(KoGetDialogSizeIndirect(lang.h, t, &s));
  RECT units = {0, 0, m->cx, m->cy};
  MapDialogRect(original, &units);
  EXPECT_EQ(s.cx, units.right);
  EXPECT_EQ(s.cy, units.bottom);
  SIZE fromRecords;
  ASSERT_TRUE(KoGetDialogSizeEx(lang.h, m, &fromRecords));
  EXPECT_EQ(fromRecords.cx, s.cx);
  EXPECT_EQ(fromRecords.cy, s.cy);
  DestroyWindow(original);
  DestroyWindow(copy);
  ko::platform::GlobalFreeLocked(const_cast<DLGTEMPLATE *>(built));
  ko::platform::GlobalFreeLocked(m);
}
INSTANTIATE_TEST_SUITE_P(Dialogs, DialogRoundTrip,
                         testing::Combine(testing::Values(100, 101),
                                          testing::Values(0x0409, 0x0407)));

TEST(Dialogs, ModalFromTheModuleAndFromThePool) {
  Lang de(0x0407);
  // Dialog 101 exists only in English: the German handle shows it.
  EXPECT_EQ(RunModal(L"Only English", [&] {
              return KoDialogBoxParam(de.h, MAKEINTRESOURCEW(101), nullptr, CloseOnCancel, 0);
            }),
            42);
  EXPECT_EQ(KoDialogBoxParam(de.h, MAKEINTRESOURCEW(999), nullptr, CloseOnCancel, 0), -1);

  wchar_t path[MAX_PATH];
  DWORD n = KoGetModulePath(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  wcscat(path, L"kores_pool.res");
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  std::vector<unsigned char> res(GetFileSize(f, nullptr));
  DWORD got = 0;
  ReadFile(f, res.data(), DWORD(res.size()), &got, nullptr);
  CloseHandle(f);
  _KORESPOOL pool{0, got, res.data()};
  // The pool holds the bytes the compiler put in the module.
  for (WORD lang : {WORD(0x0407), WORD(0x0409)}) {
    UINT size = 0;
    const DLGTEMPLATE *t = KoFindDialogTemplateInResPool(&pool, &size, MAKEINTRESOURCEW(100), lang);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Bytes(t, size), ModuleData(MAKEINTRESOURCEW(100), RT_DIALOG, lang));
  }
  UINT size = 0;
  DWORD lang = 0;
  void *data = KoFindResourceInResPool(&pool, &size, L"takedata", RT_RCDATA, 0x0C07, &lang);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(Bytes(data, size), ModuleData(L"TAKEDATA", RT_RCDATA, 0x0407));
  EXPECT_EQ(lang, 0x0407u);
  EXPECT_EQ(RunModal(L"Renderoptionen", [&] {
              return KoResPoolDialogBox(&pool, de.h, MAKEINTRESOURCEW(100), nullptr, CloseOnCancel, 0);
            }),
            42);
  EXPECT_EQ(KoResPoolDialogBox(&pool, de.h, MAKEINTRESOURCEW(555), nullptr, CloseOnCancel, 0), -1);
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
// The menu as a string: items by text or "-" for separators, sub-menus in [].
std::wstring Shape(HMENU m) {
  std::wstring s;
  for (int i = 0, n = GetMenuItemCount(m); i < n; ++i) {
    MENUITEMINFOW mi = {sizeof mi, MIIM_FTYPE | MIIM_SUBMENU | MIIM_ID};
    GetMenuItemInfoW(m, i, TRUE, &mi);
    if (i) s += L",";
    if (mi.hSubMenu) s += Text(m, i) + L"[" + Shape(mi.hSubMenu) + L"]";
    else if (mi.fType & MFT_SEPARATOR) s += L"-";
    else s += std::to_wstring(mi.wID);
  }
  return s;
}

TEST(Menus, LoadedCulledAndCleaned) {
  Lang de(0x0407), en(0x0409);
  HMENU m = KoLoadMenu(de.h, MAKEINTRESOURCEW(200));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Text(GetSubMenu(m, 0), 0), L"\x00d6&ffnen");  // marker removed
  DestroyMenu(m);
  m = KoLoadMenu(en.h, MAKEINTRESOURCEW(200));
  EXPECT_EQ(Shape(m), L"&File[10,-,11,-,12],&Edit[20,More[21]],30");
  EXPECT_EQ(Text(GetSubMenu(m, 0), 0), L"&Open");

  HMENU found = nullptr;
  UINT index = 77;
  EXPECT_TRUE(KoFindSubMenu(m, 21, &found, &index));
  EXPECT_EQ(found, GetSubMenu(GetSubMenu(m, 1), 1));
  EXPECT_EQ(index, 1u);
  index = 77;
  EXPECT_TRUE(KoFindSubMenu(m, 30, &found, &index));
  EXPECT_EQ(found, m);
  EXPECT_EQ(index, 77u);
  EXPECT_EQ(KoGetSubmenuByID(m, 11, &index), GetSubMenu(m, 0));
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(KoGetSubmenuByID(m, 30, &index), m);
  EXPECT_EQ(index, UINT(-1));
  EXPECT_EQ(KoGetSubmenuByID(m, 99, &index), nullptr);
  EXPECT_EQ(index, UINT(-1));

  UINT grey[] = {11, 0, 12};
  KoGrayMenu(m, grey, -1);  // the 0 ends the list
  EXPECT_TRUE(GetMenuState(m, 11, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(m, 12, MF_BYCOMMAND) & MF_GRAYED);
  KoGrayAllMenuItems(m);
  EXPECT_TRUE(GetMenuState(m, 2, MF_BYPOSITION) & MF_GRAYED);
  KoEnableAllMenuItems(m);
  EXPECT_FALSE(GetMenuState(m, 2, MF_BYPOSITION) & MF_GRAYED);

  KoPrintF_AddToken(L"app", L"Kotest");
  KoMenuReplaceTokens(m);
  EXPECT_EQ(Text(GetSubMenu(m, 0), 4), L"E&xit Kotest");
  EXPECT_EQ(Text(m, 2), L"&Help 100%");

  // Removing the item between two separators leaves one; the last item of
  // a sub-menu takes the sub-menu with it.
  UINT cull[] = {11, 21};
  KoCullMenu(m, cull, 2, TRUE);
  EXPECT_EQ(Shape(m), L"&File[10,-,12],&Edit[20],30");
  UINT rest[] = {10, 12, 20};
  KoCullMenu(m, rest, 3, TRUE);
  EXPECT_EQ(Shape(m), L"30");
  DestroyMenu(m);

  UINT none[] = {10, 12};
  m = KoLoadCulledMenu(en.h, MAKEINTRESOURCEW(200), none, 2, FALSE);
  EXPECT_EQ(Shape(m), L"&File[-,11,-],&Edit[20,More[21]],30");
  EXPECT_FALSE(KoCleanMenu(m, nullptr, 0));
  EXPECT_EQ(Shape(m), L"&File[11],&Edit[20,More[21]],30");
  DestroyMenu(m);
}

}  // namespace
