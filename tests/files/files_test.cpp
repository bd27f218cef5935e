// File-system work in a private temporary folder: the same rules natively
// and under Wine (where the folder is the Linux one seen through a drive).
#include <cstdlib>
#include <cstring>

#include "files/files_helpers.h"
#include "platform/fs.h"
#include "settings/lang_internal.h"

using namespace kofiles_test;
namespace fs = ko::platform::fs;

namespace {

TEST_F(TempFolder, CreatesEveryLevelAndTellsFilesFromHiddenOnes) {
  EXPECT_TRUE(KoCreateDirectory(Path("a\\b\\c\\").c_str(), nullptr) && Exists("a\\b\\c"));
  EXPECT_TRUE(KoCreateDirectory(Path("a\\b\\c").c_str(), nullptr));  // existing is fine
  Touch(Path("a\\plain.txt")), Touch(Path("a\\.hid"));
  ASSERT_TRUE(fs::SetAttributes(Path("a\\.hid").c_str(), fs::kAttrHidden));
  EXPECT_TRUE(KoDoesFileExist(Path("a\\plain.txt").c_str(), TRUE) && Exists("a\\.hid"));
  EXPECT_FALSE(KoDoesFileExist(Path("a\\.hid").c_str(), TRUE));
  EXPECT_FALSE(Exists("missing") || KoDoesFileExist(KOTEXT(""), FALSE));
  EXPECT_FALSE(KoCreateDirectory(Path("a\\plain.txt\\sub").c_str(), nullptr));  // a file in the way
}

TEST_F(TempFolder, TempFilesAndSubFoldersAreNumberedPastExistingOnes) {
  Touch(Path("tmp1.wav"));
  Guarded d(260), small(root_.size() + 5);
  ASSERT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("tmp"), KOTEXT(".wav"), nullptr, d.data(), d.cch()), S_OK);
  EXPECT_TRUE(d.text() == N(Path("tmp2.wav").c_str()) && Exists("tmp2.wav")) << d.text();
  const wstr noSlash = root_.substr(0, root_.size() - 1);
  ASSERT_EQ(KoCreateTempFileAndNameEx(noSlash.c_str(), KOTEXT("t"), nullptr, KOTEXT("%03d"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), N(Path("t001").c_str()));
  // Too small a destination: refused, emptied, never overrun.
  EXPECT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("tmp"), KOTEXT(".wav"), nullptr, small.data(), small.cch()),
            E_INVALIDARG);
  EXPECT_TRUE(small.text().empty() && small.GuardIntact());
  // A format that ignores the number ends instead of trying forever.
  Touch(Path("same"));
  EXPECT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("same"), nullptr, KOTEXT(""), d.data(), d.cch()), E_FAIL);

  ASSERT_TRUE(KoCreateDirectory(Path("New").c_str(), nullptr));
  Touch(Path("New1"));  // a file of that name does not count
  ASSERT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), N(Path("New1").c_str()));
  EXPECT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), 259), E_INVALIDARG);
}

TEST_F(TempFolder, EmptinessAndDeletionOfTrees) {
  ASSERT_TRUE(KoCreateDirectory(Path("e\\sub").c_str(), nullptr));
  Touch(Path("e\\Thumbs.db")), Touch(Path("e\\sub\\thumbs.DB"));
  EXPECT_TRUE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 1));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 0) || KoIsDirectoryEmpty(Path("e").c_str()));
  EXPECT_TRUE(KoIsDirectoryEmpty(Path("missing").c_str()));  // cannot be listed
  Touch(Path("e\\sub\\a.txt"));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 1));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive((root_ + wstr(260, 'x')).c_str(), 1));
  // Deletion clears read-only flags and keeps the root on request.
  ASSERT_TRUE(KoCreateDirectory(Path("t\\x\\y").c_str(), nullptr));
  for (const char *f : {"t\\a.wav", "t\\x\\b.txt", "t\\x\\y\\c.wav"}) {
    Touch(Path(f));
    ASSERT_TRUE(fs::SetAttributes(Path(f).c_str(), fs::kAttrReadOnly));
  }
  EXPECT_FALSE(KoIsFileWritable(Path("t\\a.wav").c_str()));
  EXPECT_TRUE(KoDeleteFiles(Path("t").c_str(), KOTEXT("*.wav"), FALSE));
  EXPECT_TRUE(!Exists("t\\a.wav") && Exists("t\\x\\y\\c.wav"));
  EXPECT_TRUE(KoDeleteFiles(Path("t").c_str(), KOTEXT("*.wav"), TRUE));
  EXPECT_TRUE(!Exists("t\\x\\y\\c.wav") && Exists("t\\x\\b.txt"));
  ASSERT_TRUE(fs::SetAttributes(Path("t\\x").c_str(), fs::kAttrReadOnly));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("t").c_str(), FALSE));
  EXPECT_TRUE(Exists("t") && KoIsDirectoryEmpty(Path("t").c_str()));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("t\\").c_str(), TRUE) && !Exists("t"));
  EXPECT_FALSE(KoDeleteDirectoryTree(Path("t").c_str(), TRUE));
}

#ifndef _WIN32  // Wine makes no links: its CreateSymbolicLinkW reports success and creates nothing
// A link inside the tree is removed; what it points at stays.
TEST_F(TempFolder, DeletionRemovesLinksWithoutFollowingThem) {
  ASSERT_TRUE(KoCreateDirectory(Path("outside\\keep").c_str(), nullptr));
  Touch(Path("outside\\keep\\precious.txt"));
  ASSERT_TRUE(KoCreateDirectory(Path("tree\\sub").c_str(), nullptr));
  ASSERT_TRUE(Link(Path("outside"), Path("tree\\dirlink")));
  ASSERT_TRUE(Link(Path("outside\\keep"), Path("tree\\sub\\keeplink")));
  EXPECT_TRUE(KoDeleteFiles(Path("tree").c_str(), nullptr, TRUE) && KoDeleteDirectoryTree(Path("tree").c_str(), TRUE));
  EXPECT_TRUE(!Exists("tree") && Exists("outside\\keep\\precious.txt"));
  // A root that is itself a link is not entered.
  ASSERT_TRUE(Link(Path("outside"), Path("rootlink")));
  EXPECT_TRUE(!KoDeleteDirectoryTree(Path("rootlink").c_str(), FALSE) && Exists("rootlink"));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("rootlink\\").c_str(), TRUE));
  EXPECT_TRUE(!Exists("rootlink") && Exists("outside\\keep\\precious.txt"));
}
#endif

TEST_F(TempFolder, SizesExecutableHeadersAndTimes) {
  uint64_t size = 7;
  ASSERT_TRUE(KoCreateDirectory(Path("sz\\in").c_str(), nullptr));
  Write(Path("sz\\a"), "abc", 3), Write(Path("sz\\in\\b"), "abcdefg", 7);
  EXPECT_TRUE(KoGetFileSizeByName(Path("sz\\in\\b").c_str(), &size) == S_OK && size == 7u);
  EXPECT_TRUE(KoGetFileSizeByName(Path("missing").c_str(), &size) == KO_E_OPENFAILED && size == 0u);
  EXPECT_TRUE(KoGetDirectorySize(Path("sz").c_str(), &size) == S_OK && size == 10u);
  // A minimal image: MZ, the new-header offset at 0x3C, then PE\0\0 and the
  // file header (machine 0x8664, characteristics 0x2022).
  unsigned char pe[0x100] = {'M', 'Z'};
  pe[0x3C] = 0x80;
  std::memcpy(pe + 0x80, "PE\0\0", 4);
  pe[0x84] = 0x64, pe[0x85] = 0x86, pe[0x96] = 0x22, pe[0x97] = 0x20;
  Write(Path("x.exe"), pe, sizeof pe);
  DWORD machine = 0, characteristics = 0;
  EXPECT_TRUE(KoGetFileExecutableInfo(Path("x.exe").c_str(), &machine, &characteristics) == S_OK &&
              machine == 0x8664u && characteristics == 0x2022u);
  pe[0x3C] = 0xF0;  // past the bytes read: not an executable, never read past
  Write(Path("cut.exe"), pe, sizeof pe);
  for (const char *bad : {"cut.exe", "sz\\a"})
    EXPECT_EQ(KoGetFileExecutableInfo(Path(bad).c_str(), &machine, &characteristics), KO_E_BADFORMAT) << bad;
  EXPECT_EQ(KoGetFileExecutableInfo(Path("missing").c_str(), &machine, &characteristics),
            static_cast<HRESULT>(0x80070002u));
  EXPECT_EQ(KoDosGetDateTime(Path("missing").c_str()), 0u);
  // The clock reading against a file stamped now (the file times themselves
  // are checked against the system in the Wine suite).
  KODATETIME now;
  KoGetDateTime(&now);
  Touch(Path("now.txt"));
  const DWORD dos = KoDosGetDateTime(Path("now.txt").c_str()), d = dos >> 16, t = dos & 0xFFFF;
  EXPECT_EQ(((d >> 9) + 1980) << 16 | ((d >> 5) & 15) << 8 | (d & 31),
            (now.date & 0xFFFF) << 16 | (now.date >> 24) << 8 | ((now.date >> 16) & 0xFF));
  const int seconds = int((t >> 11) * 3600 + ((t >> 5) & 63) * 60 + (t & 31) * 2) -
                      int((now.time >> 24) * 3600 + ((now.time >> 16) & 0xFF) * 60 + ((now.time >> 8) & 0xFF));
  EXPECT_LE(std::abs(seconds), 4);
}

TEST_F(TempFolder, FoldersMoveButNeverIntoThemselves) {
  ASSERT_TRUE(KoCreateDirectory(Path("src\\in").c_str(), nullptr));
  Write(Path("src\\in\\f.txt"), "data", 4);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("src\\in\\deeper").c_str()), KO_E_DESTINSIDESOURCE);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("SRC").c_str()), KO_E_DESTINSIDESOURCE);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("src2").c_str()), S_OK);  // prefix only
  ASSERT_EQ(KoMoveFolder(Path("src").c_str(), Path("new\\level\\dst").c_str()), S_OK);
  EXPECT_TRUE(Exists("new\\level\\dst\\in\\f.txt") && !Exists("src"));
  ASSERT_TRUE(KoCreateDirectory(Path("other").c_str(), nullptr));
  EXPECT_EQ(KoMoveFolder(Path("other").c_str(), Path("new").c_str()), KO_E_ALREADYEXISTS);
}

TEST_F(TempFolder, WritabilityAndDiskSpaceText) {
  EXPECT_TRUE(KoIsDirectoryWritable(root_.c_str()));
  EXPECT_FALSE(KoIsDirectoryWritable(Path("missing").c_str()) || KoIsFileWritable(Path("missing").c_str()));
  EXPECT_EQ(KoGetDiskFreeSpace(KOTEXT(""), 0), 0u);
  // The texts follow the kernel language handle: English without one.
  KOCHAR text[KO_DISKSPACE_TEXT_CCH];
  HKOLANG german = nullptr;
  ASSERT_EQ(KoLang_Open(&german, nullptr, 0x0407, 0), S_OK);
  for (HKOLANG kernel : {static_cast<HKOLANG>(nullptr), german}) {
    ko::lang::SetKernelHandle(kernel);
    std::string mb = kernel ? " Megabyte" : " Megabytes", gb = kernel ? " Gigabyte" : " Gigabytes";
    EXPECT_TRUE(KoFormatDiskFreeSpace(KOTEXT(""), text) == S_OK && N(text) == "--" + mb) << N(text);
    ASSERT_EQ(KoFormatDiskFreeSpace(root_.c_str(), text), S_OK);
    const std::string t = N(text), tail = t.substr(t.find(' '));
    EXPECT_TRUE(tail == mb || tail == gb) << t;
  }
  ko::lang::SetKernelHandle(nullptr), KoLang_Close(german);
}

}  // namespace
