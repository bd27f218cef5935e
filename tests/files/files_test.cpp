// File-system work in a private temporary folder: the same rules natively
// and under Wine (where the folder is the Linux one seen through a drive).
#include <cstdlib>
#include <cstring>

#include "files/files_helpers.h"
#include "files/files_internal.h"
#include "files/files_fixture.h"
#include "platform/fs.h"

using namespace kofiles_test;
namespace fs = ko::platform::fs;

namespace {

TEST_F(TempFolder, CreatesEveryLevelAndTellsFilesFromHiddenOnes) {
  wstr deep = Path("a\\b\\c\\");
  EXPECT_TRUE(KoCreateDirectory(deep.c_str(), nullptr));
  EXPECT_TRUE(KoDoesFileExist(Path("a\\b\\c").c_str(), FALSE));
  EXPECT_TRUE(KoCreateDirectory(deep.c_str(), nullptr));  // existing is fine
  Touch(Path("a\\plain.txt"));
  Touch(Path("a\\.hid"));
  fs::SetAttributes(Path("a\\.hid").c_str(), fs::kAttrHidden);
  EXPECT_TRUE(KoDoesFileExist(Path("a\\plain.txt").c_str(), TRUE));
  EXPECT_TRUE(KoDoesFileExist(Path("a\\.hid").c_str(), FALSE));
  EXPECT_FALSE(KoDoesFileExist(Path("a\\.hid").c_str(), TRUE));
  EXPECT_FALSE(KoDoesFileExist(Path("missing").c_str(), FALSE));
  EXPECT_FALSE(KoDoesFileExist(KOTEXT(""), FALSE));
  // A file in the way of a level makes the creation fail.
  EXPECT_FALSE(KoCreateDirectory(Path("a\\plain.txt\\sub").c_str(), nullptr));
}

TEST_F(TempFolder, TempFilesAreNumberedPastExistingOnes) {
  Touch(Path("tmp1.wav"));
  Guarded d(260);
  ASSERT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("tmp"), KOTEXT(".wav"), nullptr,
                                      d.data(), d.cch()),
            S_OK);
  EXPECT_EQ(d.text(), N(Path("tmp2.wav").c_str()));
  EXPECT_TRUE(KoDoesFileExist(d.data(), FALSE));
  wstr noSlash = root_.substr(0, root_.size() - 1);
  ASSERT_EQ(KoCreateTempFileAndNameEx(noSlash.c_str(), KOTEXT("t"), nullptr, KOTEXT("%03d"),
                                      d.data(), d.cch()),
            S_OK);
  EXPECT_EQ(d.text(), N(Path("t001").c_str()));
  // Too small a destination: refused, emptied, never overrun.
  Guarded small(root_.size() + 5);
  EXPECT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("tmp"), KOTEXT(".wav"), nullptr,
                                      small.data(), small.cch()),
            E_INVALIDARG);
  EXPECT_EQ(small.text(), "");
  EXPECT_TRUE(small.GuardIntact());
  EXPECT_EQ(KoCreateTempFileAndNameEx(nullptr, nullptr, nullptr, nullptr, d.data(), d.cch()),
            E_INVALIDARG);
  EXPECT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("x"), nullptr, nullptr, nullptr, 9),
            E_INVALIDARG);
  // A missing folder is a system error, translated; the destination is emptied.
  HRESULT hr = KoCreateTempFileAndNameEx(Path("nowhere").c_str(), KOTEXT("x"), nullptr, nullptr,
                                         d.data(), d.cch());
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  EXPECT_EQ(d.text(), "");
  // A format that ignores the number ends instead of trying forever.
  Touch(Path("same"));
  EXPECT_EQ(KoCreateTempFileAndNameEx(root_.c_str(), KOTEXT("same"), nullptr, KOTEXT(""),
                                      d.data(), d.cch()),
            E_FAIL);
}

TEST_F(TempFolder, UniqueSubFolderSkipsExistingFoldersOnly) {
  Guarded d(260);
  ASSERT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), N(Path("New").c_str()));
  ASSERT_TRUE(KoCreateDirectory(Path("New").c_str(), nullptr));
  ASSERT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), N(Path("New1").c_str()));
  ASSERT_TRUE(KoCreateDirectory(Path("New1").c_str(), nullptr));
  Touch(Path("New2"));  // a file of that name does not count
  ASSERT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), N(Path("New2").c_str()));
  EXPECT_FALSE(KoDoesFileExist(Path("New2\\x").c_str(), FALSE));  // not created
  EXPECT_EQ(KoGetUniqueSubFolder(root_.c_str(), KOTEXT("New"), d.data(), 259), E_INVALIDARG);
  EXPECT_EQ(KoGetUniqueSubFolder(nullptr, KOTEXT("New"), d.data(), d.cch()), E_INVALIDARG);
}

TEST_F(TempFolder, EmptinessWithAndWithoutThumbnails) {
  ASSERT_TRUE(KoCreateDirectory(Path("e\\sub").c_str(), nullptr));
  Touch(Path("e\\Thumbs.db"));
  EXPECT_TRUE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 1));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 0));
  EXPECT_FALSE(KoIsDirectoryEmpty(Path("e").c_str()));
  EXPECT_TRUE(KoIsDirectoryEmpty(Path("e\\sub").c_str()));
  EXPECT_TRUE(KoIsDirectoryEmpty(Path("missing").c_str()));  // cannot be listed
  Touch(Path("e\\sub\\thumbs.DB"));
  EXPECT_TRUE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 1));
  Touch(Path("e\\a.txt"));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 1));
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("e").c_str(), 0));
  wstr longPath = root_ + wstr(260, 'x');
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(longPath.c_str(), 1));
}

TEST_F(TempFolder, TreeDeletionClearsReadOnlyAndKeepsTheRootOnRequest) {
  ASSERT_TRUE(KoCreateDirectory(Path("t\\x\\y").c_str(), nullptr));
  for (const char *f : {"t\\a.txt", "t\\x\\b.txt", "t\\x\\y\\c.txt"}) {
    Touch(Path(f));
    ASSERT_TRUE(fs::SetAttributes(Path(f).c_str(), fs::kAttrReadOnly));
  }
  EXPECT_FALSE(KoIsFileWritable(Path("t\\a.txt").c_str()));
  ASSERT_TRUE(fs::SetAttributes(Path("t\\x").c_str(), fs::kAttrReadOnly));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("t").c_str(), FALSE));
  EXPECT_TRUE(KoDoesFileExist(Path("t").c_str(), FALSE));
  EXPECT_TRUE(KoIsDirectoryEmpty(Path("t").c_str()));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("t\\").c_str(), TRUE));
  EXPECT_FALSE(KoDoesFileExist(Path("t").c_str(), FALSE));
  EXPECT_FALSE(KoDeleteDirectoryTree(Path("t").c_str(), TRUE));
}

TEST_F(TempFolder, DeleteFilesByPatternAndDepth) {
  ASSERT_TRUE(KoCreateDirectory(Path("d\\sub").c_str(), nullptr));
  for (const char *f : {"d\\a.wav", "d\\b.txt", "d\\sub\\c.wav", "d\\sub\\d.txt"}) Touch(Path(f));
  fs::SetAttributes(Path("d\\a.wav").c_str(), fs::kAttrReadOnly);
  EXPECT_TRUE(KoDeleteFiles(Path("d").c_str(), KOTEXT("*.wav"), FALSE));
  EXPECT_FALSE(KoDoesFileExist(Path("d\\a.wav").c_str(), FALSE));
  EXPECT_TRUE(KoDoesFileExist(Path("d\\sub\\c.wav").c_str(), FALSE));
  EXPECT_TRUE(KoDeleteFiles(Path("d").c_str(), KOTEXT("*.wav"), TRUE));
  EXPECT_FALSE(KoDoesFileExist(Path("d\\sub\\c.wav").c_str(), FALSE));
  EXPECT_TRUE(KoDoesFileExist(Path("d\\b.txt").c_str(), FALSE));
  EXPECT_TRUE(KoDoesFileExist(Path("d\\sub\\d.txt").c_str(), FALSE));
}

TEST_F(TempFolder, SizesAndExecutableHeaders) {
  uint64_t size = 7;
  Write(Path("five.bin"), "12345", 5);
  EXPECT_EQ(KoGetFileSizeByName(Path("five.bin").c_str(), &size), S_OK);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(KoGetFileSizeByName(Path("missing").c_str(), &size), KO_E_OPENFAILED);
  EXPECT_EQ(size, 0u);
  ASSERT_TRUE(KoCreateDirectory(Path("sz\\in").c_str(), nullptr));
  Write(Path("sz\\a"), "abc", 3);
  Write(Path("sz\\in\\b"), "abcdefg", 7);
  EXPECT_EQ(KoGetDirectorySize(Path("sz").c_str(), &size), S_OK);
  EXPECT_EQ(size, 10u);

  // A minimal image: MZ, the new-header offset at 0x3C, then PE\0\0 and the
  // file header (machine 0x8664, characteristics 0x2022).
  unsigned char pe[0x100] = {'M', 'Z'};
  pe[0x3C] = 0x80;
  std::memcpy(pe + 0x80, "PE\0\0", 4);
  pe[0x84] = 0x64, pe[0x85] = 0x86;
  pe[0x96] = 0x22, pe[0x97] = 0x20;
  Write(Path("x.exe"), pe, sizeof pe);
  DWORD machine = 0, characteristics = 0;
  EXPECT_EQ(KoGetFileExecutableInfo(Path("x.exe").c_str(), &machine, &characteristics), S_OK);
  EXPECT_EQ(machine, 0x8664u);
  EXPECT_EQ(characteristics, 0x2022u);
  // The offset points past the bytes read: not an executable, never read past.
  pe[0x3C] = 0xF0;
  Write(Path("cut.exe"), pe, sizeof pe);
  EXPECT_EQ(KoGetFileExecutableInfo(Path("cut.exe").c_str(), &machine, &characteristics),
            KO_E_BADFORMAT);
  EXPECT_EQ(KoGetFileExecutableInfo(Path("five.bin").c_str(), &machine, &characteristics),
            KO_E_BADFORMAT);
  EXPECT_EQ(KoGetFileExecutableInfo(Path("missing").c_str(), &machine, &characteristics),
            static_cast<HRESULT>(0x80070002u));
}

TEST_F(TempFolder, DosTimeOfAFreshFileIsNow) {
  KODATETIME now;
  KoGetDateTime(&now);
  Touch(Path("now.txt"));
  DWORD dos = KoDosGetDateTime(Path("now.txt").c_str());
  ASSERT_NE(dos, 0u);
  uint32_t date = dos >> 16, time = dos & 0xFFFF;
  EXPECT_EQ((date >> 9) + 1980, now.date & 0xFFFF);
  EXPECT_EQ((date >> 5) & 15, now.date >> 24);
  EXPECT_EQ(date & 31, (now.date >> 16) & 0xFF);
  int fileSeconds = static_cast<int>((time >> 11) * 3600 + ((time >> 5) & 63) * 60 + (time & 31) * 2);
  int nowSeconds = static_cast<int>((now.time >> 24) * 3600 + ((now.time >> 16) & 0xFF) * 60 +
                                    ((now.time >> 8) & 0xFF));
  EXPECT_LE(std::abs(fileSeconds - nowSeconds), 4);
  EXPECT_LT(now.time & 0xFF, 100u);
  EXPECT_NE(KoDosGetDateTimeUTC(Path("now.txt").c_str()), 0u);
  EXPECT_EQ(KoDosGetDateTime(Path("missing").c_str()), 0u);
}

TEST_F(TempFolder, FoldersMoveButNeverIntoThemselves) {
  ASSERT_TRUE(KoCreateDirectory(Path("src\\in").c_str(), nullptr));
  Write(Path("src\\in\\f.txt"), "data", 4);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("src\\in\\deeper").c_str()),
            KO_E_DESTINSIDESOURCE);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("SRC").c_str()), KO_E_DESTINSIDESOURCE);
  EXPECT_EQ(KoCanMoveFolder(Path("missing").c_str(), Path("dst").c_str()), KO_E_NOTFOUND);
  EXPECT_EQ(KoCanMoveFolder(Path("src").c_str(), Path("src2").c_str()), S_OK);  // prefix only
  ASSERT_EQ(KoMoveFolder(Path("src").c_str(), Path("new\\level\\dst").c_str()), S_OK);
  uint64_t size = 0;
  EXPECT_EQ(KoGetFileSizeByName(Path("new\\level\\dst\\in\\f.txt").c_str(), &size), S_OK);
  EXPECT_EQ(size, 4u);
  EXPECT_FALSE(KoDoesFileExist(Path("src").c_str(), FALSE));
  ASSERT_TRUE(KoCreateDirectory(Path("other").c_str(), nullptr));
  EXPECT_EQ(KoMoveFolder(Path("other").c_str(), Path("new").c_str()), KO_E_ALREADYEXISTS);
}

TEST_F(TempFolder, WritabilityAndDiskSpace) {
  Touch(Path("w.txt"));
  EXPECT_TRUE(KoIsFileWritable(Path("w.txt").c_str()));
  EXPECT_FALSE(KoIsFileWritable(Path("missing").c_str()));
  EXPECT_TRUE(KoIsDirectoryWritable(root_.c_str()));
  EXPECT_FALSE(KoIsDirectoryEmpty(root_.c_str()));
  EXPECT_FALSE(KoIsDirectoryWritable(Path("missing").c_str()));
  DWORD freeMb = KoGetDiskFreeSpace(root_.c_str(), 1u << 20);
  DWORD totalMb = KoGetDiskTotalSpace(root_.c_str(), 1u << 20);
  EXPECT_GT(totalMb, 0u);
  EXPECT_LE(freeMb, totalMb);
  DWORD freeKb = KoGetDiskFreeSpace(root_.c_str(), 1024);
  if (freeKb != 0xFFFFFFFFu) {  // the same byte count in either unit
    EXPECT_LE(std::abs(static_cast<long long>(freeKb / 1024) - freeMb), 2);
  }
  EXPECT_EQ(KoGetDiskFreeSpace(KOTEXT(""), 0), 0u);
  KOCHAR text[KO_DISKSPACE_TEXT_CCH];
  EXPECT_EQ(KoFormatDiskFreeSpace(KOTEXT(""), text), S_OK);
  EXPECT_EQ(N(text), "-- Megabytes");
  EXPECT_EQ(KoFormatDiskFreeSpace(root_.c_str(), text), S_OK);
  std::string t = N(text);
  EXPECT_TRUE(t.find(" Megabytes") != std::string::npos || t.find(" Gigabytes") != std::string::npos)
      << t;
}

}  // namespace
