// Path strings: one table of path cases drives the splitters, joiners and
// checks; every result is written into a buffer that ends at a guard.
#include <functional>

#include "files/files_helpers.h"
#include "files/files_internal.h"

using namespace kofiles_test;

namespace {

// ---- splitting: the A and W forms from the same table ------------------------
struct SplitCase {
  const char *path, *name, *ext;
};
const SplitCase kSplit[] = {
    {"C:\\dir\\file.txt", "file.txt", ".txt"}, {"C:file.txt", "file.txt", ".txt"},
    {"dir/sub/a.b.c", "a.b.c", ".c"},          {"noext", "noext", ""},
    {"trail.", "trail.", ""},                  {"a.b c", "a.b c", ""},
    {"C:\\dir.d\\file", "file", ""},           {"C:\\dir\\", "", ""},
    {"", "", ""},                              {"\\\\\\", "", ""},
    {".profile", ".profile", ".profile"},
};
class Split : public testing::TestWithParam<SplitCase> {};
TEST_P(Split, NameAndExtensionInBothForms) {
  const SplitCase &c = GetParam();
  wstr w = W(c.path);
  EXPECT_EQ(N(KoGetFileNamePtrW(w.c_str())), c.name);
  EXPECT_STREQ(KoGetFileNamePtrA(c.path), c.name);
  const KOCHAR *nameW = KoGetFileNamePtrW(w.c_str());
  EXPECT_EQ(N(KoGetFileNameExtensionPtrW(nameW)), c.ext);
  EXPECT_STREQ(KoGetFileNameExtensionPtrA(KoGetFileNamePtrA(c.path)), c.ext);
}
INSTANTIATE_TEST_SUITE_P(Paths, Split, testing::ValuesIn(kSplit));

// ---- in-place and copying transforms ---------------------------------------------
enum Op {
  kReplaceExt, kReplaceExtNumber, kAddExt, kAddSlash, kRemoveSlash, kAppend, kAppendExt,
  kPathPart, kRoot, kNameNoExt, kUpOneLevel, kBaseRelative
};
struct EditCase {
  Op op;
  const char *path;
  const char *arg;
  int cch;
  const char *result;  // the buffer afterwards
  long long ret;       // return value (BOOL, length or HRESULT)
};
std::string Long(char fill, size_t n, const char *head) {
  std::string s = head;
  while (s.size() < n) s += fill;
  return s;
}
const std::string k259 = Long('a', 255, "C:\\") + "\\bcd";  // 259 units
const std::string k260 = Long('a', 256, "C:\\") + "\\bcd";
const std::string k261 = Long('a', 257, "C:\\") + "\\bcd";
const std::string k255up = Long('a', 255, "C:\\") + "\\";

const EditCase kEdits[] = {
    {kReplaceExt, "C:\\a\\take.wav", "mp3", 260, "C:\\a\\take.mp3", TRUE},
    {kReplaceExt, "C:\\a\\take", ".mp3", 260, "C:\\a\\take.mp3", TRUE},
    {kReplaceExt, "C:\\a.dir\\take", "mp3", 260, "C:\\a.dir\\take.mp3", TRUE},
    {kReplaceExt, "take.wav", "", 260, "take", TRUE},
    {kReplaceExt, "take.wa", "mp3", 9, "take.mp3", TRUE},
    {kReplaceExt, "take.w", "mp3", 8, "take.w", FALSE},
    {kReplaceExtNumber, "take_12.wav", "mp3", 260, "take.mp3", TRUE},
    {kReplaceExtNumber, "take_x2.wav", "mp3", 260, "take_x2.mp3", TRUE},
    {kReplaceExt, "take_12.wav", "mp3", 260, "take_12.mp3", TRUE},
    {kAddExt, "song", ".wav", 260, "song.wav", 8},
    {kAddExt, "song.WAV", "wav", 260, "song.WAV", 8},
    {kAddExt, "song.wav", ".mp3", 12, "song.wav", 0},
    {kAddSlash, "C:\\a", "", 260, "C:\\a\\", 5},
    {kAddSlash, "C:\\a\\", "", 260, "C:\\a\\", 5},
    {kAddSlash, "", "", 260, "", 0},
    {kAddSlash, "abc", "", 4, "abc", 0},
    {kAddSlash, "abc", "", 5, "abc\\", 4},
    {kRemoveSlash, "C:\\a\\", "", 260, "C:\\a", 4},
    {kRemoveSlash, "C:\\a\\\\", "", 260, "C:\\a\\", 5},
    {kRemoveSlash, "C:\\a", "", 260, "C:\\a", 4},
    {kAppend, "C:\\a", "b.txt", 260, "C:\\a\\b.txt", 10},
    {kAppend, "", "b", 260, "b", 1},
    {kAppend, "C:\\a", "b.txt", 10, "C:\\a", 0},
    {kAppendExt, "C:\\a\\", "\\b.txt", 260, "C:\\a\\b.wav", 10},
    {kPathPart, "C:\\a\\b.txt", "", 260, "C:\\a\\", 5},
    {kPathPart, "C:b.txt", "", 260, "C:", 2},
    {kPathPart, "b.txt", "", 260, "", 0},
    {kPathPart, "C:\\a\\b.txt", "", 5, "", 0},
    {kRoot, "c:\\x\\y", "", 260, "c:\\", 3},
    {kRoot, "\\\\srv\\share\\dir\\f", "", 260, "\\\\srv\\share\\", 12},
    {kRoot, "\\\\srv\\share", "", 260, "\\\\srv\\share\\", 12},
    {kRoot, "\\\\srv", "", 260, "", 0},
    {kRoot, "\\\\", "", 260, "", 0},
    {kRoot, "\\x", "", 260, "", 0},
    {kRoot, "c:", "", 3, "", 0},
    {kNameNoExt, "C:\\a\\take.wav", "", 260, "take", 4},
    {kNameNoExt, "C:\\a\\.wav", "", 260, "", 0},
    {kNameNoExt, "C:\\a\\take.wav", "", 4, "tak", 3},
    {kUpOneLevel, "C:\\a\\b", "", 260, "C:\\a\\", TRUE},
    {kUpOneLevel, "C:\\a\\b\\", "", 260, "C:\\a\\", TRUE},
    {kUpOneLevel, "C:\\a", "", 260, "C:\\", TRUE},
    {kUpOneLevel, "C:\\", "", 260, "C:\\", FALSE},
    {kUpOneLevel, "abcd", "", 260, "abcd", FALSE},
    {kUpOneLevel, k259.c_str(), "", 261, k255up.c_str(), TRUE},
    {kUpOneLevel, k260.c_str(), "", 261, k260.c_str(), FALSE},
    {kUpOneLevel, k261.c_str(), "", 262, k261.c_str(), FALSE},
    {kBaseRelative, "D:\\y\\docs\\file.txt", "C:\\x\\docs\\file.txt", 260, "D:\\y\\", S_OK},
    {kBaseRelative, "D:\\y\\docs\\file.txt", "C:\\x\\docs\\file.txt", 5, "", E_FAIL},
};

class Edit : public testing::TestWithParam<EditCase> {};
TEST_P(Edit, ResultAndReturnWithinCapacity) {
  const EditCase &c = GetParam();
  wstr arg = W(c.arg), path = W(c.path);
  // In-place operations start from the path; copying ones from an empty buffer.
  bool inPlace = c.op <= kAppendExt || c.op == kUpOneLevel;
  Guarded buf(static_cast<size_t>(c.cch), inPlace ? path : wstr());
  KOCHAR *d = buf.data();
  long long ret = 0;
  switch (c.op) {
    case kReplaceExt: ret = KoReplaceExtensionOnPathName(d, c.cch, arg.c_str()); break;
    case kReplaceExtNumber:
      ret = KoReplaceExtensionOnPathNameEx(d, c.cch, arg.c_str(), TRUE);
      break;
    case kAddExt: ret = KoAddExtensionToPathName(d, c.cch, arg.c_str()); break;
    case kAddSlash: ret = KoAddSlashToPathName(d, c.cch); break;
    case kRemoveSlash: ret = KoRemoveSlashFromPathNameEnd(d, c.cch); break;
    case kAppend: ret = KoAppendToPathName(d, c.cch, arg.c_str(), nullptr); break;
    case kAppendExt: ret = KoAppendToPathName(d, c.cch, arg.c_str(), KOTEXT("wav")); break;
    case kPathPart: d[0] = 0; ret = KoGetPathNameFromFilePath(path.c_str(), d, c.cch); break;
    case kRoot: d[0] = 0; ret = KoGetRootPathFromFilePath(path.c_str(), d, c.cch); break;
    case kNameNoExt: {
      KOCHAR *cut = KoGetFileNameWithoutPathOrExtension(path.c_str(), d, c.cch);
      ASSERT_NE(cut, nullptr);
      ret = cut - d;
      break;
    }
    case kUpOneLevel: ret = KoDirectoryUpOneLevel(d, c.cch); break;
    case kBaseRelative:
      d[0] = 0;
      ret = KoGetBasePathRelative(arg.c_str(), path.c_str(), d, c.cch);
      break;
  }
  EXPECT_EQ(ret, c.ret) << c.path;
  EXPECT_EQ(buf.text(), c.result) << c.path;
  EXPECT_TRUE(buf.GuardIntact()) << c.path;
}
INSTANTIATE_TEST_SUITE_P(Paths, Edit, testing::ValuesIn(kEdits));

// ---- common trailing components -------------------------------------------------
struct RelativeCase {
  const char *a, *b, *shared;
};
const RelativeCase kRelative[] = {
    {"C:\\x\\docs\\file.txt", "D:\\y\\docs\\file.txt", "docs\\file.txt"},
    {"C:\\xdocs\\f", "D:\\docs\\f", "f"},
    {"docs\\f", "C:\\Docs\\F", "Docs\\F"},
    {"C:\\a\\f", "C:\\A\\F", "C:\\A\\F"},
    {"C:\\a\\f", "D:\\b\\g", ""},
    {"C:\\a\\\\f", "D:\\b\\\\f", "f"},
};
class Relative : public testing::TestWithParam<RelativeCase> {};
TEST_P(Relative, SharedTail) {
  wstr a = W(GetParam().a), b = W(GetParam().b);
  const KOCHAR *p = KoGetFileNamePtrRelative(a.c_str(), b.c_str());
  ASSERT_TRUE(p >= b.c_str() && p <= b.c_str() + b.size());
  EXPECT_EQ(N(p), GetParam().shared);
}
INSTANTIATE_TEST_SUITE_P(Paths, Relative, testing::ValuesIn(kRelative));

TEST(ReplaceBase, NewBaseAndTheRestOrEmptyWithFailure) {
  Guarded d(260);
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\old\\sub\\f.wav"), KOTEXT("c:\\OLD"),
                                      KOTEXT("E:\\new"), d.data(), d.cch()),
            S_OK);
  EXPECT_EQ(d.text(), "E:\\new\\sub\\f.wav");
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\other\\f"), KOTEXT("C:\\old"), KOTEXT("E:\\"),
                                      d.data(), d.cch()),
            E_FAIL);
  EXPECT_EQ(d.text(), "");
  // 255 units of new base and 6 of the rest make 261: refused.
  wstr base = W(Long('n', 255, "E:\\").c_str());
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\o\\f.wav"), KOTEXT("C:\\o"), base.c_str(),
                                      d.data(), d.cch()),
            E_FAIL);
  EXPECT_EQ(d.text(), "");
  Guarded small(8);
  EXPECT_EQ(KoReplaceBasePathRelative(KOTEXT("C:\\o\\f.wav"), KOTEXT("C:\\o"), KOTEXT("E:"),
                                      small.data(), small.cch()),
            E_FAIL);
  EXPECT_TRUE(small.GuardIntact());
}

// ---- file-name validation ------------------------------------------------------------
struct ValidateCase {
  const char *name;
  BOOL valid;
  const char *fixed;
};
const ValidateCase kValidate[] = {
    {"take 1.wav", TRUE, "take 1.wav"}, {"a:b", FALSE, "a_b"},
    {"name.", FALSE, "name_"},          {"name ", FALSE, "name_"},
    {"a*b?c|d\"e<f>g", FALSE, "a_b_c_d_e_f_g"},
    {"x/y\\z", FALSE, "x_y_z"},         {"line\nbreak\r", FALSE, "line_break_"},
    // Reserved device names are not refused by this rule.
    {"CON", TRUE, "CON"},               {"", FALSE, ""},
};
class Validate : public testing::TestWithParam<ValidateCase> {};
TEST_P(Validate, CheckAndFix) {
  const ValidateCase &c = GetParam();
  wstr check = W(c.name), fix = W(c.name);
  EXPECT_EQ(KoValidateFileName(&check[0], FALSE), c.valid);
  EXPECT_EQ(N(check.c_str()), c.name);
  EXPECT_EQ(KoValidateFileName(&fix[0], TRUE), c.valid);
  EXPECT_EQ(N(fix.c_str()), c.fixed);
}
INSTANTIATE_TEST_SUITE_P(Paths, Validate, testing::ValuesIn(kValidate));

// ---- wildcards ----------------------------------------------------------------------
struct MatchCase {
  const char *pattern, *name;
  BOOL match;
};
const MatchCase kMatch[] = {
    {"*", "", TRUE},           {"*", "a.b.c", TRUE},      {"a?c", "abc", TRUE},
    {"*.txt", "a.txt", TRUE},  {"*.txt", "a.b.txt", FALSE}, {"abc", "abc.", TRUE},
    {"abc", "abc", TRUE},      {"abc", "abcd", FALSE},    {"ABC", "abc", FALSE},
    {"a*", "abc", TRUE},       {"a*", "ab.c", FALSE},     {"*.*", "a.b", TRUE},
    {"**", "abc", TRUE},       {"***", "", TRUE},         {"abc.", "abc", TRUE},
    {"a?", "a", FALSE},        {"t*1.wav", "take1.wav", TRUE}, {"*a.txt", "banana.txt", FALSE},
    {"t*e1.wav", "tee1.wav", FALSE},
    {"*1.wav", "take1.wav", TRUE}, {"", "", TRUE},        {"", "a", FALSE},
};
class Match : public testing::TestWithParam<MatchCase> {};
TEST_P(Match, NoBacktracking) {
  wstr p = W(GetParam().pattern), n = W(GetParam().name);
  EXPECT_EQ(KoIsMatchWildCard(p.c_str(), n.c_str()), GetParam().match);
}
INSTANTIATE_TEST_SUITE_P(Paths, Match, testing::ValuesIn(kMatch));

// ---- logical compare ------------------------------------------------------------------
struct LogicalCase {
  const char *a, *b;
  int sign;
};
const LogicalCase kLogical[] = {
    {"take2", "take10", -1}, {"take10", "take2", 1},  {"Take2", "take2", 0},
    {"a007", "a7", 0},       {"a7b", "a07c", -1},     {"file", "file1", -1},
    {"1abc", "abc", -1},     {"abc", "1abc", 1},      {"x99999999999999999999", "x100000000000000000000", -1},
    {"", "", 0},             {"b", "A", 1},           {"clip 9 v2", "clip 10 v1", -1},
};
int Sign(int v) { return (v > 0) - (v < 0); }
class Logical : public testing::TestWithParam<LogicalCase> {};
TEST_P(Logical, DigitsAsNumbers) {
  wstr a = W(GetParam().a), b = W(GetParam().b);
  EXPECT_EQ(Sign(KoFilenameLogicalCompare(a.c_str(), b.c_str())), GetParam().sign);
  EXPECT_EQ(Sign(KoFilenameLogicalCompare(b.c_str(), a.c_str())), -GetParam().sign);
}
INSTANTIATE_TEST_SUITE_P(Paths, Logical, testing::ValuesIn(kLogical));

TEST(HiddenByDefault, ShownFoldersAndFlagBits) {
  for (int shown : {5, 12, 16, 25, 40, 46, 53, 54, 55}) {
    EXPECT_FALSE(KoIsHiddenFolderByDefault(shown)) << shown;
    EXPECT_FALSE(KoIsHiddenFolderByDefault(shown | 0x8000)) << shown;
  }
  for (int hidden : {0, 6, 26, 0x1C, 0x8006}) EXPECT_TRUE(KoIsHiddenFolderByDefault(hidden));
}

// ---- display shortening with a model font: 5 pixels a unit ---------------------------
int FiveEach(void *, const KOCHAR *, int units) { return 5 * units; }

struct EllipsisCase {
  const char *path;
  int width, cch;
  const char *result;
  bool shortened;
};
const EllipsisCase kEllipsis[] = {
    {"C:\\Users\\me\\Documents\\file.txt", 100, 260, "C:\\Users...\\file.txt", true},
    {"C:\\Users\\me\\Documents\\file.txt", 150, 260, "C:\\Users\\me\\Documents\\file.txt", false},
    {"C:\\Users\\me\\Documents\\file.txt", 59, 260, "C:\\Users\\me\\Documents\\file.txt", false},
    {"C:\\Users\\me\\Documents\\file.txt", 60, 260, "...\\file.txt", true},
    {"C:/Users/me/Documents/file.txt", 100, 260, "C:/Users.../file.txt", true},
    {"file.txt", 10, 260, "file.txt", false},
    {"C:\\Users\\me\\Documents\\file.txt", 100, 16, "C:\\...\\file.txt", true},
    {"C:\\Users\\me\\Documents\\file.txt", 100, 10, "...\\file.", true},
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
  Guarded t(11, W("abcdefghij"));
  EXPECT_FALSE(ko::files::StringEllipsis(t.data(), t.cch(), 52, FiveEach, nullptr));
  EXPECT_EQ(t.text(), "abcdefghij");
  EXPECT_TRUE(ko::files::StringEllipsis(t.data(), t.cch(), 40, FiveEach, nullptr));
  EXPECT_EQ(t.text(), "abcd...");
  Guarded tight(3, W("ab"));
  EXPECT_FALSE(ko::files::StringEllipsis(tight.data(), tight.cch(), 4, FiveEach, nullptr));
  EXPECT_TRUE(tight.GuardIntact());
}

}  // namespace
