// Natively: links inside a deleted tree are removed, never followed.
#include <unistd.h>

#include "files/files_fixture.h"

using namespace kofiles_test;

namespace {

std::string Posix(const wstr &p) {
  std::string s;
  for (KOCHAR c : p) s += c == '\\' ? '/' : static_cast<char>(c);
  return s;
}

TEST_F(TempFolder, TreeDeletionRemovesLinksWithoutFollowingThem) {
  ASSERT_TRUE(KoCreateDirectory(Path("outside\\keep").c_str(), nullptr));
  Touch(Path("outside\\keep\\precious.txt"));
  ASSERT_TRUE(KoCreateDirectory(Path("tree\\sub").c_str(), nullptr));
  ASSERT_EQ(symlink(Posix(Path("outside")).c_str(), Posix(Path("tree\\dirlink")).c_str()), 0);
  ASSERT_EQ(symlink(Posix(Path("outside\\keep\\precious.txt")).c_str(),
                    Posix(Path("tree\\sub\\filelink")).c_str()),
            0);
  EXPECT_FALSE(KoIsDirectoryEmptyRecursive(Path("tree").c_str(), 1));
  EXPECT_TRUE(KoDeleteFiles(Path("tree").c_str(), nullptr, TRUE));
  EXPECT_TRUE(KoDoesFileExist(Path("outside\\keep\\precious.txt").c_str(), FALSE));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("tree").c_str(), TRUE));
  EXPECT_FALSE(KoDoesFileExist(Path("tree").c_str(), FALSE));
  EXPECT_TRUE(KoDoesFileExist(Path("outside\\keep\\precious.txt").c_str(), FALSE));
  // A root that is itself a link is not entered.
  ASSERT_EQ(symlink(Posix(Path("outside")).c_str(), Posix(Path("rootlink")).c_str()), 0);
  EXPECT_FALSE(KoDeleteDirectoryTree(Path("rootlink").c_str(), FALSE));
  EXPECT_TRUE(KoDeleteDirectoryTree(Path("rootlink").c_str(), TRUE));
  EXPECT_TRUE(KoDoesFileExist(Path("outside\\keep\\precious.txt").c_str(), FALSE));
}

}  // namespace
