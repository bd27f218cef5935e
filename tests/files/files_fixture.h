// A private temporary folder for each test, removed afterwards, and a file
// and link writer of the test's own (not the library's).
#pragma once

#include <cstdio>
#include <string>

#include "files/files_helpers.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kofiles_test {

class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    KOCHAR tmp[KO_MAX_PATH + 1], unique[KO_MAX_PATH + 1];
    ASSERT_GT(KoGetTempPath(KO_MAX_PATH + 1, tmp), 0u);
    ASSERT_EQ(KoGetUniqueSubFolder(tmp, KOTEXT("kofiles"), unique, KO_MAX_PATH + 1), S_OK);
    ASSERT_TRUE(KoCreateDirectory(unique, nullptr));
    root_ = wstr(unique) + KOTEXT("\\");
  }
  void TearDown() override { EXPECT_TRUE(root_.empty() || KoDeleteDirectoryTree(root_.c_str(), TRUE)); }
  wstr Path(const char *rel) const { return root_ + W(rel); }
  bool Exists(const char *rel) const { return KoDoesFileExist(Path(rel).c_str(), FALSE); }
#ifdef _WIN32
  static void Write(const wstr &path, const void *data, size_t bytes) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << N(path.c_str());
    DWORD n = 0;
    ::WriteFile(f, data, static_cast<DWORD>(bytes), &n, nullptr);
    ::CloseHandle(f);
    ASSERT_EQ(n, bytes);
  }
  static bool Link(const wstr &target, const wstr &link, bool dir) {
    return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), dir ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
  }
#else
  static std::string Posix(const wstr &p) {
    std::string s;
    for (KOCHAR c : p) s += c == '\\' ? '/' : static_cast<char>(c);
    return s;
  }
  static void Write(const wstr &path, const void *data, size_t bytes) {
    FILE *f = std::fopen(Posix(path).c_str(), "wb");
    ASSERT_NE(f, nullptr) << Posix(path);
    ASSERT_EQ(std::fwrite(data, 1, bytes, f), bytes);
    std::fclose(f);
  }
  static bool Link(const wstr &target, const wstr &link, bool) {
    return symlink(Posix(target).c_str(), Posix(link).c_str()) == 0;
  }
#endif
  static void Touch(const wstr &path) { Write(path, "", 0); }

  wstr root_;  // ends with "\"
};

}  // namespace kofiles_test
