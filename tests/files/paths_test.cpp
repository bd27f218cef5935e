// Path strings: one table of path cases drives the splitters (A and W forms
// together), joiners, checks, wildcard and logical compare; every result is
// written into a buffer that ends at a guard.
#include "files/files_helpers.h"
#include "files/files_internal.h"

using namespace kofiles_test;

namespace {

enum Op {
  kReplaceExt, kReplaceExtNumber, kAddExt, kAddSlash, kRemoveSlash, kAppend, kAppendExt,
  kUpOneLevel,  // the in-place ones, up to here
  kPathPart, kRoot, kNameNoExt, kBaseRelative,
  kSplit,     // result: the name; arg: its extension (A and W forms)
  kShared,    // result: the tail of arg that path shares
  kValidate,  // result: the fixed name; ret: valid
  kMatch,     // path: the pattern; arg: the name
  kLogical,   // ret: the sign of path against arg, and the opposite one the other way
};
struct PathCase {
  Op op;
  const char *path, *arg;
  int cch;
  const char *result;  // the buffer afterwards
  long long ret;       // return value (BOOL, length, HRESULT or sign)
};
std::string Long(size_t n) { return "C:\\" + std::string(n - 3, 'a') + "\\bcd"; }
const std::string k259 = Long(255), k260 = Long(256);
const std::string k255up = k259.substr(0, 256);

const PathCase kPaths[] = {
    {kSplit, "C:\\dir\\file.txt", ".txt", 0, "file.txt", 0}, {kSplit, "dir/sub/a.b.c", ".c", 0, "a.b.c", 0},
    {kSplit, "trail.", "", 0, "trail.", 0}, {kSplit, "C:\\dir.d\\file", "", 0, "file", 0},
    {kSplit, "C:\\dir\\", "", 0, "", 0}, {kSplit, ".profile", ".profile", 0, ".profile", 0},
    {kReplaceExt, "C:\\a\\take.wav", "mp3", 260, "C:\\a\\take.mp3", TRUE},
    {kReplaceExt, "C:\\a.dir\\take", ".mp3", 260, "C:\\a.dir\\take.mp3", TRUE},
    {kReplaceExt, "take.wa", "mp3", 9, "take.mp3", TRUE}, {kReplaceExt, "take.w", "mp3", 8, "take.w", FALSE},
    {kReplaceExt, "take_12.wav", "mp3", 260, "take_12.mp3", TRUE},
    {kReplaceExtNumber, "take_12.wav", "mp3", 260, "take.mp3", TRUE},
    {kReplaceExtNumber, "take_x2.wav", "mp3", 260, "take_x2.mp3", TRUE}, {kAddExt, "song", ".wav", 260, "song.wav", 8},
    {kAddExt, "song.WAV", "wav", 260, "song.WAV", 8}, {kAddExt, "song.wav", ".mp3", 12, "song.wav", 0},
    {kAddSlash, "C:\\a", "", 260, "C:\\a\\", 5}, {kAddSlash, "C:\\a\\", "", 260, "C:\\a\\", 5},
    {kAddSlash, "abc", "", 4, "abc", 0}, {kRemoveSlash, "C:\\a\\", "", 260, "C:\\a", 4},
    {kRemoveSlash, "C:\\a\\\\", "", 260, "C:\\a\\", 5}, {kAppend, "C:\\a", "b.txt", 260, "C:\\a\\b.txt", 10},
    {kAppend, "", "b", 260, "b", 1}, {kAppend, "C:\\a", "b.txt", 10, "C:\\a", 0},
    {kAppendExt, "C:\\a\\", "\\b.txt", 260, "C:\\a\\b.wav", 10}, {kUpOneLevel, "C:\\a\\b\\", "", 260, "C:\\a\\", TRUE},
    {kUpOneLevel, "C:\\a", "", 260, "C:\\", TRUE}, {kUpOneLevel, "C:\\", "", 260, "C:\\", FALSE},
    {kUpOneLevel, k259.c_str(), "", 261, k255up.c_str(), TRUE},
    {kUpOneLevel, k260.c_str(), "", 261, k260.c_str(), FALSE}, {kPathPart, "C:\\a\\b.txt", "", 260, "C:\\a\\", 5},
    {kPathPart, "C:b.txt", "", 260, "C:", 2}, {kPathPart, "b.txt", "", 260, "", 0},
    {kPathPart, "C:\\a\\b.txt", "", 5, "", 0}, {kRoot, "c:\\x\\y", "", 260, "c:\\", 3},
    {kRoot, "\\\\srv\\share\\dir\\f", "", 260, "\\\\srv\\share\\", 12},
    {kRoot, "\\\\srv\\share", "", 260, "\\\\srv\\share\\", 12}, {kRoot, "\\\\srv", "", 260, "", 0},
    {kNameNoExt, "C:\\a\\take.wav", "", 260, "take", 4}, {kNameNoExt, "C:\\a\\.wav", "", 260, "", 0},
    {kNameNoExt, "C:\\a\\take.wav", "", 4, "tak", 3},
    {kBaseRelative, "D:\\y\\docs\\file.txt", "C:\\x\\docs\\file.txt", 260, "D:\\y\\", S_OK},
    {kBaseRelative, "D:\\y\\docs\\file.txt", "C:\\x\\docs\\file.txt", 5, "", E_FAIL},
    {kShared, "C:\\x\\docs\\file.txt", "D:\\y\\docs\\file.txt", 0, "docs\\file.txt", 0},
    {kShared, "C:\\xdocs\\f", "D:\\docs\\f", 0, "f", 0}, {kShared, "C:\\a\\f", "D:\\b\\g", 0, "", 0},
    {kShared, "C:\\a\\\\f", "D:\\b\\\\f", 0, "f", 0}, {kValidate, "take 1.wav", "", 0, "take 1.wav", TRUE},
    {kValidate, "name.", "", 0, "name_", FALSE}, {kValidate, "name ", "", 0, "name_", FALSE},
    {kValidate, "a*b?c|d\"e<f>g:h", "", 0, "a_b_c_d_e_f_g_h", FALSE},
    {kValidate, "CON", "", 0, "CON", TRUE},  // reserved device names are not refused
    {kValidate, "", "", 0, "", FALSE},
    // Where the shell's rules differ (its own functions check the simple
    // patterns under Wine): the match never backtracks, a star stops at a
    // dot and case counts; digit runs of any length compare as numbers.
    {kMatch, "*", "a.b.c", 0, "", TRUE}, {kMatch, "*.txt", "a.b.txt", 0, "", FALSE},
    {kMatch, "abc", "abc.", 0, "", TRUE}, {kMatch, "abc.", "abc", 0, "", TRUE}, {kMatch, "ABC", "abc", 0, "", FALSE},
    {kMatch, "a*", "ab.c", 0, "", FALSE}, {kMatch, "*a.txt", "banana.txt", 0, "", FALSE},
    {kMatch, "t*1.wav", "take1.wav", 0, "", TRUE},
    {kMatch, "", "a", 0, "", FALSE}, {kLogical, "take2", "take10", 0, "", -1}, {kLogical, "a007", "a7", 0, "", 0},
    {kLogical, "a7b", "a07c", 0, "", -1}, {kLogical, "1abc", "abc", 0, "", -1},
    {kLogical, "x99999999999999999999", "x100000000000000000000", 0, "", -1},
};

int Sign(int v) { return (v > 0) - (v < 0); }

class PathTable : public testing::TestWithParam<PathCase> {};
TEST_P(PathTable, ResultAndReturnWithinCapacity) {
  const PathCase &c = GetParam();
  wstr arg = W(c.arg), path = W(c.path);
  int cch = c.cch ? c.cch : static_cast<int>(path.size() + 1);
  Guarded buf(static_cast<size_t>(cch), c.op <= kUpOneLevel || c.op == kValidate ? path : wstr());
  KOCHAR *d = buf.data();
  long long ret = 0;
  std::string result;
  switch (c.op) {
    case kReplaceExt: ret = KoReplaceExtensionOnPathName(d, cch, arg.c_str()); break;
    case kReplaceExtNumber: ret = KoReplaceExtensionOnPathNameEx(d, cch, arg.c_str(), TRUE); break;
    case kAddExt: ret = KoAddExtensionToPathName(d, cch, arg.c_str()); break;
    case kAddSlash: ret = KoAddSlashToPathName(d, cch); break;
    case kRemoveSlash: ret = KoRemoveSlashFromPathNameEnd(d, cch); break;
    case kAppend: ret = KoAppendToPathName(d, cch, arg.c_str(), nullptr); break;
    case kAppendExt: ret = KoAppendToPathName(d, cch, arg.c_str(), KOTEXT("wav")); break;
    case kUpOneLevel: ret = KoDirectoryUpOneLevel(d, cch); break;
    case kPathPart: d[0] = 0, ret = KoGetPathNameFromFilePath(path.c_str(), d, cch); break;
    case kRoot: d[0] = 0, ret = KoGetRootPathFromFilePath(path.c_str(), d, cch); break;
    case kNameNoExt: {
      KOCHAR *cut = KoGetFileNameWithoutPathOrExtension(path.c_str(), d, cch);
      ASSERT_NE(cut, nullptr);
      ret = cut - d;
      break;
    }
    case kBaseRelative: d[0] = 0, ret = KoGetBasePathRelative(arg.c_str(), path.c_str(), d, cch); break;
    case kSplit: {
      const KOCHAR *name = KoGetFileNamePtrW(path.c_str());
      EXPECT_STREQ(KoGetFileNamePtrA(c.path), c.result);
      EXPECT_STREQ(KoGetFileNameExtensionPtrA(KoGetFileNamePtrA(c.path)), c.arg);
      EXPECT_EQ(N(KoGetFileNameExtensionPtrW(name)), c.arg);
      result = N(name);
      break;
    }
    case kShared: {
      const KOCHAR *p = KoGetFileNamePtrRelative(path.c_str(), arg.c_str());
      ASSERT_TRUE(p >= arg.c_str() && p <= arg.c_str() + arg.size());
      result = N(p);
      break;
    }
    case kValidate: {
      wstr check = path;
      EXPECT_EQ(KoValidateFileName(&check[0], FALSE), c.ret);
      EXPECT_TRUE(check == path) << "checking alone changes nothing";
      ret = KoValidateFileName(d, TRUE);
      break;
    }
    case kMatch: ret = KoIsMatchWildCard(path.c_str(), arg.c_str()); break;
    case kLogical:
      ret = Sign(KoFilenameLogicalCompare(path.c_str(), arg.c_str()));
      EXPECT_EQ(Sign(KoFilenameLogicalCompare(arg.c_str(), path.c_str())), -c.ret);
      break;
  }
  EXPECT_EQ(ret, c.ret) << c.path;
  if (c.op < kSplit || c.op == kValidate) result = buf.text();
  EXPECT_EQ(result, c.result) << c.path;
  EXPECT_TRUE(buf.GuardIntact()) << c.path;
}
INSTANTIATE_TEST_SUITE_P(Paths, PathTable, testing::ValuesIn(kPaths));

TEST(ReplaceBase, NewBaseAndTheRestOrEmptyWithFailure) {
  Guarded d(260), small(8);
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\old\\sub\\f.wav"), KOTEXT("c:\\OLD"),
                                      KOTEXT("E:\\new"), d.data(), d.cch()), S_OK);
  EXPECT_EQ(d.text(), "E:\\new\\sub\\f.wav");
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\other\\f"), KOTEXT("C:\\old"), KOTEXT("E:\\"),
                                      d.data(), d.cch()), E_FAIL);
  EXPECT_EQ(d.text(), "");
  // 255 units of new base and 6 of the rest make 261: refused.
  wstr base = W(("E:\\" + std::string(252, 'n')).c_str());
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\o\\f.wav"), KOTEXT("C:\\o"), base.c_str(),
                                      d.data(), d.cch()), E_FAIL);
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\o\\f.wav"), KOTEXT("C:\\o"), KOTEXT("E:"),
                                      small.data(), small.cch()), E_FAIL);
  EXPECT_TRUE(small.GuardIntact());
}

TEST(HiddenByDefault, ShownFoldersAndFlagBits) {
  for (int shown : {5, 12, 16, 25, 40, 46, 53, 54, 55, 0x8005}) EXPECT_FALSE(KoIsHiddenFolderByDefault(shown)) << shown;
  for (int hidden : {0, 6, 26, 0x1C, 0x8006}) EXPECT_TRUE(KoIsHiddenFolderByDefault(hidden)) << hidden;
}

// ---- display shortening with a model font: 5 pixels a unit ---------------------------
int FiveEach(void *, const KOCHAR *, int units) { return 5 * units; }

struct EllipsisCase { const char *path; int width, cch; const char *result; bool shortened; };
const char kDocs[] = "C:\\Users\\me\\Documents\\file.txt";
const EllipsisCase kEllipsis[] = {
    {kDocs, 100, 260, "C:\\Users...\\file.txt", true}, {kDocs, 150, 260, kDocs, false},
    {kDocs, 59, 260, kDocs, false},  // not even the tail fits: left whole
    {kDocs, 60, 260, "...\\file.txt", true}, {"C:/Users/me/Documents/file.txt", 100, 260, "C:/Users.../file.txt", true},
    {kDocs, 100, 16, "C:\\...\\file.txt", true}, {kDocs, 100, 10, "...\\file.", true},
};
class Ellipsis : public testing::TestWithParam<EllipsisCase> {};
TEST_P(Ellipsis, PathShortenedBeforeItsTail) {
  const EllipsisCase &c = GetParam();
  wstr p = W(c.path);
  Guarded d(static_cast<size_t>(c.cch));
  EXPECT_EQ(ko::files::PathEllipsis(p.c_str(), d.data(), d.cch(), c.width, FiveEach, nullptr),
            c.shortened);
  EXPECT_EQ(d.text(), c.result);
  EXPECT_TRUE(d.GuardIntact());
}
INSTANTIATE_TEST_SUITE_P(Paths, Ellipsis, testing::ValuesIn(kEllipsis));

TEST(StringEllipsis, CutsUntilTextAndDotsFitTwoPixelsInside) {
  Guarded t(11, W("abcdefghij")), tight(3, W("ab"));
  EXPECT_FALSE(ko::files::StringEllipsis(t.data(), t.cch(), 52, FiveEach, nullptr));
  EXPECT_EQ(t.text(), "abcdefghij");
  EXPECT_TRUE(ko::files::StringEllipsis(t.data(), t.cch(), 40, FiveEach, nullptr));
  EXPECT_EQ(t.text(), "abcd...");
  EXPECT_FALSE(ko::files::StringEllipsis(tight.data(), tight.cch(), 4, FiveEach, nullptr));
  EXPECT_TRUE(tight.GuardIntact());
}

}  // namespace
