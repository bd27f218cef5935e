// A private temporary folder for each test, removed afterwards, and a file
// writer of the test's own (not the library's).
#pragma once

#include <cstdio>
#include <string>

#include "files/files_helpers.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace kofiles_test {

class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    KOCHAR tmp[KO_MAX_PATH + 1];
    ASSERT_GT(KoGetTempPath(KO_MAX_PATH + 1, tmp), 0u);
    KOCHAR unique[KO_MAX_PATH + 1];
    ASSERT_EQ(KoGetUniqueSubFolder(tmp, KOTEXT("kofiles"), unique, KO_MAX_PATH + 1), S_OK);
    ASSERT_TRUE(KoCreateDirectory(unique, nullptr));
    root_ = wstr(unique) + KOTEXT("\\");
  }
  void TearDown() override {
    if (!root_.empty()) {
      EXPECT_TRUE(KoDeleteDirectoryTree(root_.c_str(), TRUE));
    }
  }
  wstr Path(const char *rel) const { return root_ + W(rel); }
  static void Write(const wstr &path, const void *data, size_t bytes) {
#ifdef _WIN32
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << N(path.c_str());
    DWORD n = 0;
    ::WriteFile(f, data, static_cast<DWORD>(bytes), &n, nullptr);
    ::CloseHandle(f);
    ASSERT_EQ(n, bytes);
#else
    std::string p;
    for (KOCHAR c : path) p += c == '\\' ? '/' : static_cast<char>(c);
    FILE *f = std::fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr) << p;
    ASSERT_EQ(std::fwrite(data, 1, bytes, f), bytes);
    std::fclose(f);
#endif
  }
  static void Touch(const wstr &path) { Write(path, "", 0); }

  wstr root_;  // ends with "\"
};

}  // namespace kofiles_test
