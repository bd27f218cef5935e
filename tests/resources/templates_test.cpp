// Dialog templates built from records and mapped back, and the resource-pool
// lookup, on templates and pools that are whole, truncated or lying.
#include <vector>

#include "platform/platform.h"
#include "resources/res_helpers.h"

using namespace kores_test;

namespace {

struct Block {  // a built template or a mapped block, released at the end
  explicit Block(const void *p) : p(p) {}
  ~Block() { ko::platform::GlobalFreeLocked(const_cast<void *>(p)); }
  const void *p;
};
using Bytes = std::vector<unsigned char>;
Bytes Cut(const void *p, size_t n) {  // a copy that ends exactly at the cut, for ASan
  Bytes b(static_cast<const unsigned char *>(p), static_cast<const unsigned char *>(p) + n);
  b.shrink_to_fit();
  return b;
}
const DLGTEMPLATE *Dlg(const Bytes &b) { return reinterpret_cast<const DLGTEMPLATE *>(b.data()); }

const unsigned char kData[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// Extended records whose every field survives a build and a map.
struct ExDialog {
  _kodlghdrcreateex hdr{};
  std::vector<_kodlgctrlcreateex> controls;
  explicit ExDialog(bool font) {
    hdr.title = KOTEXT("Render options");
    hdr.style = 0x80C80880u | (font ? 0x40u : 0u);
    hdr.exStyle = 0x10000, hdr.menu = Ord(7), hdr.windowClass = KOTEXT("KoDialogClass");
    hdr.x = -3, hdr.y = 5, hdr.cx = 200, hdr.cy = 120, hdr.helpId = 4242;
    if (font) hdr.pointSize = 9, hdr.fontFace = KOTEXT("Segoe UI"), hdr.weight = 700, hdr.italic = 1, hdr.charSet = 204;
    controls.push_back({Ord(0x80), KOTEXT("&OK"), 1, 10, 100, 50, 14, 0, 0x50010001u, 11, 0, nullptr});
    controls.push_back({KOTEXT("msctls_trackbar32"), KOTEXT(""), 1001, 10, 10, 180, 20, 0x200,
                        0x50000000u, 0, 0, nullptr});
    // Creation data last, so that a cut can fall inside it.
    controls.push_back({Ord(0x82), KOTEXT("Level:"), 0xFFFF, -1, 40, 60, 8, 0, 0x50000000u, 0,
                        sizeof kData, kData});
    hdr.controlCount = static_cast<uint16_t>(controls.size());
  }
};

// Built, mapped and built again: the two templates are the same bytes, so
// every field the builder writes came back into the records.
class ExRoundTrip : public testing::TestWithParam<bool> {};
TEST_P(ExRoundTrip, RecordsComeBackUnchanged) {
  ExDialog d(GetParam());
  WORD size = 0, again = 0;
  Block t(KoCreateDialogTemplateEx(nullptr, &d.hdr, d.controls.data(), &size));
  ASSERT_NE(t.p, nullptr);
  _kodlghdrcreateex *m = nullptr;
  ASSERT_EQ(KoMapDialogTemplate(static_cast<const DLGTEMPLATE *>(t.p), size, &m), 64 + 56 * 3);
  Block mapped(m);
  const auto *c = reinterpret_cast<const _kodlgctrlcreateex *>(m + 1);
  Block t2(KoCreateDialogTemplateEx(nullptr, m, c, &again));
  ASSERT_EQ(again, size);
  EXPECT_EQ(std::memcmp(t.p, t2.p, size), 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(m->menu), 7u);  // ordinals stay ordinals
  EXPECT_EQ(m->fontFace != nullptr, GetParam());
  ASSERT_EQ(c[2].creationDataSize, sizeof kData);
  EXPECT_EQ(std::memcmp(c[2].creationData, kData, sizeof kData), 0);
}
INSTANTIATE_TEST_SUITE_P(Templates, ExRoundTrip, testing::Bool());

// The classic layout, byte by byte, for a one-control dialog with a font.
TEST(ClassicTemplate, WorkedBytesMapBackWithTheClassicFont) {
  _kodlghdrcreate hdr{0x80C00040u, 0, 1, 1, 2, 100, 50, 0x66, 0, KOTEXT("T"), 10, KOTEXT("Ab")};
  _kodlgctrlcreate ctl{Ord(0x80), KOTEXT("Go"), 0x1234, 3, 4, 30, 12, 0x20, 0x50000001u};
  Block t(KoCreateDialogTemplate(nullptr, &hdr, &ctl));
  ASSERT_NE(t.p, nullptr);
  const uint16_t expect[] = {
      0x0040, 0x80C0, 0, 0, 1, 1, 2, 100, 50,  // style, exStyle, count, x, y, cx, cy
      0xFFFF, 0x66, 0,                         // menu ordinal, no class
      'T', 0, 10, 'A', 'b', 0,                 // title, point size, face
      0x0001, 0x5000, 0x20, 0, 3, 4, 30, 12,   // control at offset 36: style, exStyle, x..cy
      0x1234, 0xFFFF, 0x80, 'G', 'o', 0, 0};   // id, class, text, no creation data
  const auto *u = static_cast<const uint16_t *>(t.p);
  for (size_t i = 0; i < sizeof expect / 2; ++i) EXPECT_EQ(u[i], expect[i]) << "unit " << i;
  _kodlghdrcreateex *m = nullptr;
  ASSERT_EQ(KoMapDialogTemplate(static_cast<const DLGTEMPLATE *>(t.p), sizeof expect, &m), 120);
  Block mapped(m);
  EXPECT_TRUE(Text(m->fontFace) == KOTEXT("Ab") && m->weight == 400 && m->charSet == 1);
  EXPECT_EQ(reinterpret_cast<const _kodlgctrlcreateex *>(m + 1)->id, 0x1234);
}

TEST(ClassicTemplate, AtMost256ControlsAndTheDefaultFont) {
  std::vector<_kodlgctrlcreate> many(300, {Ord(0x80), nullptr, 1, 0, 0, 1, 1, 0, 0});
  _kodlghdrcreate hdr{0x40, 0, 300, 0, 0, 10, 10, 0, 0, nullptr, 12, nullptr};
  Block t(KoCreateDialogTemplate(nullptr, &hdr, many.data()));
  ASSERT_NE(t.p, nullptr);
  EXPECT_EQ(static_cast<const DLGTEMPLATE *>(t.p)->cdit, 256);
  _kodlghdrcreateex *m = nullptr;
  long n = KoMapDialogTemplate(static_cast<const DLGTEMPLATE *>(t.p),
                               static_cast<long>(ko::platform::GlobalSizeLocked(t.p)), &m);
  Block mapped(m);
  ASSERT_EQ(n, 64 + 56 * 256);  // more than twice the template: the block grows to hold them
  EXPECT_GE(ko::platform::GlobalSizeLocked(m), static_cast<size_t>(n));
  EXPECT_TRUE(Text(m->fontFace) == KOTEXT("MS Shell Dlg") && m->pointSize == 8);
}

// Every cut of a template is refused (the last control's creation data ends
// it, so any cut loses some) and read within the cut, never past it.
TEST(MapTemplate, TruncatedAndLyingTemplatesAreRefused) {
  ExDialog d(true);
  WORD size = 0;
  Block t(KoCreateDialogTemplateEx(nullptr, &d.hdr, d.controls.data(), &size));
  ASSERT_NE(t.p, nullptr);
  _kodlghdrcreateex *m = nullptr;
  for (long cut = 0; cut < size; ++cut) {
    Bytes copy = Cut(t.p, static_cast<size_t>(cut));
    EXPECT_TRUE(KoMapDialogTemplate(Dlg(copy), cut, &m) == 0 && m == nullptr) << cut;
  }
  Bytes lying = Cut(t.p, size);
  lying[16] = lying[17] = 0xFF;  // more controls than the block holds
  EXPECT_FALSE(KoMapDialogTemplate(Dlg(lying), size, &m) || KoMapDialogTemplate(nullptr, size, &m));
}

// ---- resource pools -------------------------------------------------------------------
const char kEnglish[] = "english", kGerman[] = "german!", kFrench[] = "french";

Bytes SamplePool() {
  PoolWriter w;
  w.AddEmpty();
  w.Add(Ord(10), KOTEXT("TAKE"), 0x040C, kFrench, sizeof kFrench);
  w.Add(Ord(10), KOTEXT("TAKE"), 0x0409, kEnglish, sizeof kEnglish);
  w.Add(Ord(10), KOTEXT("TAKE"), 0x0407, kGerman, sizeof kGerman);
  w.Add(KOTEXT("WAVE"), Ord(3), 0x0409, kEnglish, 4);
  w.Add(Ord(5), Ord(100), 0x0409, kEnglish, sizeof kEnglish);
  return w.bytes();
}
void *Find(const Bytes &b, size_t size, KOCSTR name, KOCSTR type, DWORD lang, UINT *bytes = nullptr,
           DWORD *langOut = nullptr) {
  _KORESPOOL pool{0, static_cast<uint32_t>(size), b.data()};
  return KoFindResourceInResPool(&pool, bytes, name, type, lang, langOut);
}

struct PoolCase { KOCSTR name, type; DWORD language; const char *data; DWORD languageOut; };  // data null: not found
const PoolCase kPool[] = {
    {KOTEXT("take"), Ord(10), 0x0C07, kGerman, 0x0407},  // German (Austria) finds German
    {KOTEXT("TAKE"), Ord(10), 0x0809, kEnglish, 0x0409},
    {KOTEXT("TAKE"), Ord(10), 0x0411, kFrench, 0x040C},  // no Japanese: the first candidate
    {KOTEXT("TAKES"), Ord(10), 0x0409, nullptr, 0}, {Ord(3), KOTEXT("WAVE"), 0x0409, kEnglish, 0x0409},
    {Ord(3), Ord(10), 0x0409, nullptr, 0},               // an ordinal never matches a text
    {KOTEXT("3"), KOTEXT("WAVE"), 0x0409, nullptr, 0},
};
class Pool : public testing::TestWithParam<PoolCase> {};
TEST_P(Pool, BestEntry) {
  const PoolCase &c = GetParam();
  Bytes b = SamplePool();
  DWORD lang = 0;
  void *p = Find(b, b.size(), c.name, c.type, c.language, nullptr, &lang);
  EXPECT_TRUE(p ? c.data && !std::memcmp(p, c.data, 4) && lang == c.languageOut : !c.data) << lang;
}
INSTANTIATE_TEST_SUITE_P(Pools, Pool, testing::ValuesIn(kPool));

TEST(PoolWalk, CutAndLyingPoolsAreNeverReadPast) {
  const Bytes all = SamplePool();
  for (size_t cut = 0; cut <= all.size(); ++cut) {
    Bytes copy = Cut(all.data(), cut);
    UINT size = 0;
    auto *p = static_cast<unsigned char *>(Find(copy, cut, Ord(100), Ord(5), 0x0409, &size));
    EXPECT_TRUE(!p || p + size <= copy.data() + cut) << cut;
    EXPECT_EQ(p != nullptr, cut == all.size()) << cut;
  }
  Bytes lying = all;
  lying[36] = 12;  // the second entry's header claims less than its own fields
  EXPECT_EQ(Find(lying, lying.size(), Ord(100), Ord(5), 0x0409), nullptr);
  lying = all;
  lying[32] = lying[33] = lying[34] = lying[35] = 0xFF;  // a data size that wraps
  EXPECT_EQ(Find(lying, lying.size(), Ord(100), Ord(5), 0x0409), nullptr);
  EXPECT_EQ(Find(all, 31, Ord(0), Ord(0), 0), nullptr);
}

}  // namespace
