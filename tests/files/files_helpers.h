// Helpers of the path and file tests: narrow views of wide texts, buffers
// that end at a guard, and a private temporary folder for each test (removed
// afterwards) with a file and link writer of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "kokernel/kofiles.h"
#include "kotest_text_util.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace kofiles_test {

using wstr = std::basic_string<KOCHAR>;
using kotest::W;

inline std::string N(const KOCHAR *s) {
  std::string n;
  for (; s && *s; ++s) n += *s < 128 ? static_cast<char>(*s) : '?';
  return n;
}

// A buffer of `capacity` units followed by a guard that must stay intact.
class Guarded {
 public:
  explicit Guarded(size_t capacity, const wstr &initial = wstr())
      : capacity_(capacity), units_(capacity + kGuard, kMark) {
    std::copy_n(initial.begin(), std::min(initial.size(), capacity), units_.begin());
    if (initial.size() < capacity) units_[initial.size()] = 0;
  }
  KOCHAR *data() { return units_.data(); }
  int cch() const { return static_cast<int>(capacity_); }
  std::string text() const { return N(units_.data()); }
  bool GuardIntact() const { return std::count(units_.begin() + capacity_, units_.end(), kMark) == std::ptrdiff_t(kGuard); }

 private:
  static constexpr size_t kGuard = 16;
  static constexpr KOCHAR kMark = static_cast<KOCHAR>(0xBEEF);
  size_t capacity_;
  std::vector<KOCHAR> units_;
};

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
  static FILE *Open(const wstr &path) { return _wfopen(path.c_str(), L"wb"); }
#else
  static std::string Posix(const wstr &p) {
    std::string s;
    for (KOCHAR c : p) s += c == '\\' ? '/' : static_cast<char>(c);
    return s;
  }
  static FILE *Open(const wstr &path) { return std::fopen(Posix(path).c_str(), "wb"); }
  static bool Link(const wstr &target, const wstr &link) { return symlink(Posix(target).c_str(), Posix(link).c_str()) == 0; }
#endif
  static void Write(const wstr &path, const void *data, size_t bytes) {
    FILE *f = Open(path);
    ASSERT_NE(f, nullptr) << N(path.c_str());
    ASSERT_EQ(std::fwrite(data, 1, bytes, f), bytes);
    std::fclose(f);
  }
  static void Touch(const wstr &path) { Write(path, "", 0); }

  wstr root_;  // ends with "\"
};

}  // namespace kofiles_test
