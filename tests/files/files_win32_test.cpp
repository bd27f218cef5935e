// Under Wine: the path rules against Wine's own shell and kernel functions,
// system path forms, streams, a real font and the registry folders.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "files/files_helpers.h"

using namespace kofiles_test;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// Simple patterns, where PathMatchSpecW and the library's rule agree. They
// differ on purpose elsewhere: the library's match is case-sensitive, never
// backtracks, a star stops at a dot and "*.*" needs a dot in the name.
// Letters and digits only for StrCmpLogicalW: its punctuation order comes
// from the locale's sort tables, which the logical compare does not use.
TEST(Peers, WildcardAndLogicalCompareAgreeWithTheShell) {
  const wchar_t *patterns[] = {L"*", L"*.txt", L"a?c", L"abc", L"take*", L"?.wav"};
  const wchar_t *names[] = {L"a.txt", L"abc", L"abd", L"take", L"takeone", L"x.wav", L"xy.wav",
                            L"readme"};
  for (const wchar_t *p : patterns)
    for (const wchar_t *n : names)
      EXPECT_EQ(!!KoIsMatchWildCard(p, n), !!PathMatchSpecW(n, p)) << N(p) << " " << N(n);
  const wchar_t *sorted[] = {L"take2", L"take10", L"Take2", L"take02", L"a", L"B", L"b1",
                             L"b01x", L"b1y", L"clip9v2", L"clip10v1", L"10", L"9", L"z", L""};
  for (const wchar_t *a : sorted)
    for (const wchar_t *b : sorted)
      EXPECT_EQ(Sign(KoFilenameLogicalCompare(a, b)), Sign(StrCmpLogicalW(a, b))) << N(a) << " " << N(b);
}

TEST_F(TempFolder, FullAndLongPathsSizesAndTimesAgreeWithTheSystem) {
  std::wstring dir = root_ + L"A long folder name with spaces \x00e9\x00e8\x0416";
  ASSERT_TRUE(KoCreateDirectory(dir.c_str(), nullptr));
  std::wstring file = dir + L"\\file with a long name.txt";
  Write(file, "twelve bytes", 12);
  wchar_t shortName[MAX_PATH], system[MAX_PATH], library[MAX_PATH], *part = nullptr;
  ASSERT_GT(GetShortPathNameW(file.c_str(), shortName, MAX_PATH), 0u);
  ASSERT_GT(GetLongPathNameW(shortName, system, MAX_PATH), 0u);
  EXPECT_TRUE(KoGetLongPathName(shortName, library, MAX_PATH) == wcslen(system) && !wcscmp(library, system));
  EXPECT_TRUE(KoQualifyPath(shortName, MAX_PATH) && !wcscmp(shortName, system));
  std::wstring relative = dir + L"\\.\\sub\\..\\file with a long name.txt";
  ASSERT_GT(GetFullPathNameW(relative.c_str(), MAX_PATH, system, nullptr), 0u);
  EXPECT_TRUE(KoGetFullPathName(relative.c_str(), MAX_PATH, library, &part) == wcslen(system) &&
              !wcscmp(library, system) && !wcscmp(part, L"file with a long name.txt"));
  WIN32_FILE_ATTRIBUTE_DATA d;
  ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &d));
  uint64_t size = 1;
  EXPECT_TRUE(KoGetFileSizeByName(file.c_str(), &size) == S_OK && size == d.nFileSizeLow);
  WORD date[2], time[2];
  FILETIME local;
  FileTimeToLocalFileTime(&d.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date[0], &time[0]), FileTimeToDosDateTime(&d.ftLastWriteTime, &date[1], &time[1]);
  EXPECT_EQ(KoDosGetDateTime(file.c_str()), (DWORD(date[0]) << 16) | time[0]);
  EXPECT_EQ(KoDosGetDateTimeUTC(file.c_str()), (DWORD(date[1]) << 16) | time[1]);
}

TEST_F(TempFolder, DiskSpaceAgreesWithTheSystem) {
  ULARGE_INTEGER avail, total, all;
  ASSERT_TRUE(GetDiskFreeSpaceExW(root_.c_str(), &avail, &total, &all));
  EXPECT_EQ(KoGetDiskTotalSpace(root_.c_str(), 1u << 20), DWORD(total.QuadPart >> 20));
  EXPECT_LE(std::abs(KoGetDiskFreeSpace(root_.c_str(), 1u << 20) - static_cast<long long>(avail.QuadPart >> 20)), 2);
  EXPECT_EQ(KoGetDiskFreeSpace(L"\\\\nosuchserver\\share\\", 0), 0xFFFFFFFFu);
  EXPECT_EQ(KoGetDiskFreeSpace(L"Q:\\no\\such\\drive", 0), 0u);
}

TEST(Module, ThisProgramIsAnExecutableAndTheHandleKeepsItsPlace) {
  wchar_t self[MAX_PATH], dir[MAX_PATH];
  DWORD machine = 0, characteristics = 0, n = KoGetModulePath(nullptr, dir, MAX_PATH);
  ASSERT_TRUE(KoGetModuleFileName(nullptr, self, MAX_PATH) > n && n > 0);
  EXPECT_TRUE(dir[n - 1] == L'\\' && wcsncmp(dir, self, n) == 0);
  HANDLE f = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  SetFilePointer(f, 100, nullptr, FILE_BEGIN);
  EXPECT_TRUE(KoIsFileExecutable(f, &machine, &characteristics));
  EXPECT_TRUE(machine == IMAGE_FILE_MACHINE_AMD64 && (characteristics & IMAGE_FILE_EXECUTABLE_IMAGE));
  EXPECT_EQ(SetFilePointer(f, 0, nullptr, FILE_CURRENT), 0u);
  CloseHandle(f);
}

TEST(RegistryFolders, WrittenValuesComeBackAndDefaultsFillIn) {
  wchar_t buf[MAX_PATH], docs[MAX_PATH];
  ASSERT_EQ(KoSetPresetFolder(L"C:\\Presets\\Mine", 0x02050000, L"KoTestApp"), S_OK);
  EXPECT_TRUE(KoGetPresetFolder(buf, MAX_PATH, 0x02050000, L"KoTestApp") == S_OK && !wcscmp(buf, L"C:\\Presets\\Mine"));
  HKEY k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Corvane Creative Software\\KoTestApp\\2.5\\Metrics",
                          0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, docs), S_OK);
  EXPECT_TRUE(KoGetPresetFolder(buf, MAX_PATH, 0x09090000, L"KoTestApp") == S_OK && !wcscmp(buf, docs));  // none: documents
  HKEY shared;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Corvane Creative Software\\Shared Information",
                            0, nullptr, 0, KEY_WRITE, nullptr, &shared, nullptr), ERROR_SUCCESS);
  const wchar_t common[] = L"C:\\Common";
  RegSetValueExW(shared, L"SharedComponentsFolder", 0, REG_SZ, reinterpret_cast<const BYTE *>(common), sizeof common);
  RegDeleteValueW(shared, L"AudioTransitionsFolder"), RegCloseKey(shared);
  EXPECT_TRUE(KoGetSharedComponentsFolder(buf, MAX_PATH) == S_OK && !wcscmp(buf, L"C:\\Common\\")) << buf;
  EXPECT_EQ(KoGetSharedComponentsFolder(buf, 10), E_FAIL);
  EXPECT_TRUE(KoGetSpecialOrloFolder(buf, MAX_PATH, KO_ORLOFOLDER_TRANSITIONS) == S_OK &&
              !wcscmp(buf, L"C:\\Common\\Audio Transitions\\")) << buf;
  ASSERT_EQ(KoSetSpecialOrloFolder(L"D:\\Themes", KO_ORLOFOLDER_THEMES), S_OK);
  EXPECT_TRUE(KoGetSpecialOrloFolder(buf, MAX_PATH, KO_ORLOFOLDER_THEMES) == S_OK && !wcscmp(buf, L"D:\\Themes"));
  EXPECT_TRUE(KoGetSpecialOrloDefaultFolderName(buf, MAX_PATH, 0) == S_OK && !wcscmp(buf, L"Tunewrite Themes"));
  EXPECT_EQ(KoGetSpecialOrloDefaultFolderName(buf, MAX_PATH, 2), E_INVALIDARG);
}

TEST(SpecialFolders, CreatedUnderTheSystemsFolder) {
  wchar_t appData[MAX_PATH], buf[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, appData), S_OK);
  const std::wstring ver = std::wstring(appData) + L"\\KoTestVer";
  EXPECT_EQ(KoGetSpecialFolderVer(buf, 100, CSIDL_LOCAL_APPDATA, L"KoTestVer", 3, 1), E_INVALIDARG);
  ASSERT_EQ(KoGetSpecialFolderVer(buf, MAX_PATH, CSIDL_LOCAL_APPDATA, L"KoTestVer", 3, 1), S_OK);
  EXPECT_TRUE(buf == ver + L"\\3.1\\" && KoDoesFileExist(buf, FALSE) && KoDeleteDirectoryTree(ver.c_str(), TRUE));
  ASSERT_EQ(KoGetSpecialFolderNoVer(buf, MAX_PATH, CSIDL_LOCAL_APPDATA, L"KoTestNoVer"), S_OK);
  EXPECT_TRUE(buf == std::wstring(appData) + L"\\KoTestNoVer\\" && KoDeleteDirectoryTree(buf, TRUE));
}

// Shortening with a real font: the result fits the width.
TEST(Ellipsis, PathFitsTheWidthOfARealFont) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const wchar_t *path = L"C:\\Users\\someone\\Documents\\Projects\\2026\\final mix.wav";
  auto width = [dc](const wchar_t *s) {
    SIZE e;
    GetTextExtentPoint32W(dc, s, int(wcslen(s)), &e);
    return int(e.cx);
  };
  int fit = (width(path) + width(L"...\\final mix.wav")) / 2;
  wchar_t out[MAX_PATH], inPlace[MAX_PATH];
  EXPECT_TRUE(KoCalcPathEllipsisEx(dc, path, out, MAX_PATH, fit) && width(out) <= fit);
  EXPECT_TRUE(!wcscmp(out + wcslen(out) - 17, L"...\\final mix.wav") && !wcsncmp(out, path, wcslen(out) - 17)) << out;
  wcscpy(inPlace, path);
  EXPECT_TRUE(KoCalcPathEllipsis(dc, inPlace, fit) && !wcscmp(inPlace, out));
  EXPECT_TRUE(KoFilenameFormat(dc, path, out, MAX_PATH, fit) == S_OK && width(out) <= fit);
  EXPECT_EQ(KoFilenameFormat(nullptr, path, out, MAX_PATH, fit), E_INVALIDARG);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

}  // namespace
