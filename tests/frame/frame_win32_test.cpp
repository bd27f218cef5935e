// Operating-system, version-resource and display queries against the
// system's own answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "kotest_win32.h"

using kotest::BesideTheProgram;

// Wine can tell one program that it runs on another Windows version
// (HKCU\Software\Wine\AppDefaults\<program>\Version). The helper program
// reports the library's answers under each.
TEST(OperatingSystem, EveryVersionWineCanPretend) {
  ASSERT_TRUE(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) << "runs under Wine";
  const std::wstring helper = BesideTheProgram(L"kotest_frame_os.exe");
  const std::wstring output = BesideTheProgram(L"kotest_frame_os.txt");
  const wchar_t *key = L"Software\\Wine\\AppDefaults\\kotest_frame_os.exe";
  const struct {
    const wchar_t *wine;
    DWORD major, minor;
    const char *name;
  } versions[] = {
      {L"winxp64", 5, 2, "0 Unknown Versoin"},     {L"win7", 6, 1, "1 Windows 7 (64-bit)"},
      {L"win8", 6, 2, "1 Windows 8 (64-bit)"},     {L"win81", 6, 3, "1 Windows 8.1 (64-bit)"},
      {L"win10", 10, 0, "1 Windows 10.0 (64-bit)"},
  };
  for (const auto &v : versions) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Version", REG_SZ, v.wine,
                                static_cast<DWORD>((wcslen(v.wine) + 1) * sizeof(wchar_t))), ERROR_SUCCESS);
    ::DeleteFileW(output.c_str());

    std::wstring cmd = L"\"" + helper + L"\" \"" + output + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessW(helper.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    DWORD code = 99;
    ::WaitForSingleObject(pi.hProcess, 120000);
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread), ::CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "helper under " << v.name;

    char lines[3][64] = {};
    FILE *f = _wfopen(output.c_str(), L"r");
    ASSERT_NE(f, nullptr);
    for (auto &line : lines) line[std::fgets(line, sizeof line, f) ? strcspn(line, "\n") : 0] = 0;
    std::fclose(f);
    unsigned maj = 0, min = 0, build = 0;
    std::sscanf(lines[2], "%u.%u.%u", &maj, &min, &build);
    ASSERT_EQ(maj * 100 + min, v.major * 100 + v.minor) << "Wine did not pretend " << v.name;

    EXPECT_STREQ(lines[0], v.name);
    auto atLeast = [&](DWORD a, DWORD b) { return v.major > a || (v.major == a && v.minor >= b); };
    std::string levels = "000000";
    for (auto [a, b] : {std::pair{5, 1}, {6, 0}, {6, 1}, {6, 2}, {10, 0}}) levels += atLeast(a, b) ? '1' : '0';
    levels += (v.major == 10 && build >= 22000) ? "10" : "00";
    EXPECT_EQ(std::string(lines[1]), levels) << v.name;
  }
  ::RegDeleteKeyW(HKEY_CURRENT_USER, key);
  ::DeleteFileW(output.c_str());
}

// The first translation only; none without a translation table or (the test
// program) without a version resource.
TEST(VersionResource, ReadsTheFirstTranslationOnly) {
  const std::wstring dll = BesideTheProgram(L"kotest_versioned.dll");
  wchar_t buf[64];
  for (auto [name, want] : {std::pair{L"ProductVersion", L"5.6.7 Deutsch"}, {L"CompanyName", L"Beispiel GmbH"}}) {
    ASSERT_EQ(KoVersion_GetString(dll.c_str(), name, buf, 64), S_OK);
    EXPECT_EQ(std::wstring(buf), want);  // 0407/04E4 comes first
  }
  // Values only under the second translation are not looked at.
  EXPECT_TRUE(KoVersion_GetString(dll.c_str(), L"OnlyEnglish", buf, 64) == KO_E_NOTFOUND && buf[0] == 0);

  // Truncated to the buffer.
  for (auto &ch : buf) ch = 0x7777;
  ASSERT_EQ(KoVersion_GetString(dll.c_str(), L"ProductVersion", buf, 4), S_OK);
  EXPECT_TRUE(std::wstring(buf) == L"5.6" && buf[4] == 0x7777);
  for (const wchar_t *file : {L"kotest_notranslation.dll", L"kotest_frame.exe"})
    EXPECT_EQ(KoVersion_GetString(BesideTheProgram(file).c_str(), L"ProductVersion", buf, 64), KO_E_NOTFOUND);
}

TEST(Display, HighColourAgreesWithTheDeviceContexts) {
  HDC dc = ::GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const int bits = ::GetDeviceCaps(dc, BITSPIXEL);
  ::ReleaseDC(nullptr, dc);
  EXPECT_EQ(KoIsHighColor() != FALSE, bits >= 16) << bits;

  // Every display device attached to the desktop, found by name.
  bool all = true;
  DISPLAY_DEVICEW dd = {};
  dd.cb = sizeof dd;
  int attached = 0;
  for (DWORD i = 0; ::EnumDisplayDevicesW(nullptr, i, &dd, 0); ++i, dd.cb = sizeof dd) {
    if (!(dd.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
    ++attached;
    HDC mdc = ::CreateDCW(L"DISPLAY", dd.DeviceName, nullptr, nullptr);
    if (!mdc) continue;
    if (::GetDeviceCaps(mdc, BITSPIXEL) < 16) all = false;
    ::DeleteDC(mdc);
  }
  EXPECT_EQ(KoIsAllMonitorsHighColor() != FALSE, all) << attached << " displays";
  EXPECT_EQ(KoIsOS64Bit(), TRUE);
}

TEST(MulDiv, SameAsWin32) {
  // INT_MIN is left out: Wine negates it in 32 bits and answers with the
  // overflowed value, which says nothing about the rounding.
  const int values[] = {0, 1, -1, 2, -2, 3, 5, -5, 7, 1000, 999999, 1000000, 1193181, 65535,
                        INT_MAX, INT_MAX - 1, INT_MIN + 1, 123456789, -987654321};
  for (int a : values)
    for (int b : values)
      for (int c : values) {
        ASSERT_EQ(ko::frame::MulDiv(a, b, c), ::MulDiv(a, b, c)) << a << " " << b << " " << c;
      }
}
