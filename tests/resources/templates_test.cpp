// Dialog templates built from records and mapped back, and the resource-pool
// lookup, on templates and pools that are whole, truncated or lying.
#include <vector>

#include "platform/platform.h"
#include "resources/res_helpers.h"

using namespace kores_test;

namespace {

struct Block {  // a built template or a mapped block, released at the end
  explicit Block(const void *p) : p(p) {}
  ~Block() {
    if (p) ko::platform::GlobalFreeLocked(const_cast<void *>(p));
  }
  const void *p;
};

const unsigned char kData[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// Extended records whose every field survives a build and a map.
struct ExDialog {
  _kodlghdrcreateex hdr{};
  std::vector<_kodlgctrlcreateex> controls;
  ExDialog(uint32_t style, bool font) {
    hdr.title = KOTEXT("Render options");
    hdr.style = style | (font ? 0x40u : 0u);
    hdr.exStyle = 0x10000;
    hdr.menu = Ord(7);
    hdr.windowClass = KOTEXT("KoDialogClass");
    hdr.x = -3, hdr.y = 5, hdr.cx = 200, hdr.cy = 120;
    if (font) {
      hdr.pointSize = 9, hdr.fontFace = KOTEXT("Segoe UI"), hdr.weight = 700, hdr.italic = 1;
      hdr.charSet = 204;
    }
    hdr.helpId = 4242;
    controls.push_back({Ord(0x80), KOTEXT("&OK"), 1, 10, 100, 50, 14, 0, 0x50010001u, 11, 0,
                        nullptr});
    controls.push_back({KOTEXT("msctls_trackbar32"), KOTEXT(""), 1001, 10, 10, 180, 20, 0x200,
                        0x50000000u, 0, sizeof kData, kData});
    controls.push_back({Ord(0x82), KOTEXT("Level:"), 0xFFFF, -1, 40, 60, 8, 0, 0x50000000u, 0, 0,
                        nullptr});
    hdr.controlCount = static_cast<uint16_t>(controls.size());
  }
};

// Built, mapped and built again: the two templates are the same bytes, so
// every field the builder writes came back into the records.
class ExRoundTrip : public testing::TestWithParam<bool> {};
TEST_P(ExRoundTrip, RecordsComeBackUnchanged) {
  ExDialog d(0x80C80880u, GetParam());
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
  EXPECT_EQ(Text(m->windowClass), KOTEXT("KoDialogClass"));
  EXPECT_EQ(m->fontFace != nullptr, GetParam());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(c[0].className), 0x80u);
  EXPECT_EQ(Text(c[1].className), KOTEXT("msctls_trackbar32"));
  ASSERT_EQ(c[1].creationDataSize, sizeof kData);
  EXPECT_EQ(std::memcmp(c[1].creationData, kData, sizeof kData), 0);
  EXPECT_EQ(c[2].id, 0xFFFF);
  EXPECT_EQ(c[2].x, -1);
}
INSTANTIATE_TEST_SUITE_P(Templates, ExRoundTrip, testing::Bool());

// The classic layout, byte by byte, for a one-control dialog with a font.
TEST(ClassicTemplate, WorkedBytes) {
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
  // Mapped back: classic fonts read with weight 400 and character set 1.
  _kodlghdrcreateex *m = nullptr;
  ASSERT_EQ(KoMapDialogTemplate(static_cast<const DLGTEMPLATE *>(t.p), sizeof expect, &m), 120);
  Block mapped(m);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(m->menu), 0x66u);
  EXPECT_EQ(m->windowClass, nullptr);
  EXPECT_EQ(Text(m->fontFace), KOTEXT("Ab"));
  EXPECT_EQ(m->weight, 400); EXPECT_EQ(m->charSet, 1); EXPECT_EQ(m->pointSize, 10);
  const auto *c = reinterpret_cast<const _kodlgctrlcreateex *>(m + 1);
  EXPECT_EQ(c->id, 0x1234); EXPECT_EQ(Text(c->text), KOTEXT("Go"));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(c->className), 0x80u);
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
  // Mapped records outgrow twice the template here: the block grows to hold them.
  EXPECT_EQ(n, 64 + 56 * 256);
  ASSERT_NE(m, nullptr);
  EXPECT_GE(ko::platform::GlobalSizeLocked(m), static_cast<size_t>(n));
  EXPECT_EQ(Text(m->fontFace), KOTEXT("MS Shell Dlg"));
  EXPECT_EQ(m->pointSize, 8);
}

// Every cut of a template is refused or read within the cut, never past it
// (the copy ends exactly at the cut, so a read past it is seen by ASan).
TEST(MapTemplate, TruncatedTemplatesAreRefused) {
  ExDialog d(0x80C80000u, true);
  WORD size = 0;
  Block t(KoCreateDialogTemplateEx(nullptr, &d.hdr, d.controls.data(), &size));
  ASSERT_NE(t.p, nullptr);
  for (long cut = 0; cut < size; ++cut) {
    std::vector<unsigned char> copy(static_cast<const unsigned char *>(t.p),
                                    static_cast<const unsigned char *>(t.p) + cut);
    copy.shrink_to_fit();
    _kodlghdrcreateex *m = nullptr;
    long n = KoMapDialogTemplate(reinterpret_cast<const DLGTEMPLATE *>(copy.data()), cut, &m);
    // The last control's creation data ends the template: any cut loses some.
    EXPECT_EQ(n, 0) << cut;
    EXPECT_EQ(m, nullptr);
    Block mapped(m);
  }
  // A count that claims more controls than the block holds.
  std::vector<unsigned char> lying(static_cast<const unsigned char *>(t.p),
                                   static_cast<const unsigned char *>(t.p) + size);
  lying[16] = 0xFF, lying[17] = 0xFF;
  _kodlghdrcreateex *m = nullptr;
  EXPECT_EQ(KoMapDialogTemplate(reinterpret_cast<const DLGTEMPLATE *>(lying.data()), size, &m), 0);
  EXPECT_EQ(KoMapDialogTemplate(nullptr, size, &m), 0);
}

// ---- resource pools -------------------------------------------------------------------
const char kEnglish[] = "english", kGerman[] = "german!", kFrench[] = "french";

PoolWriter SamplePool() {
  PoolWriter w;
  w.AddEmpty();
  w.Add(Ord(10), KOTEXT("TAKE"), 0x040C, kFrench, sizeof kFrench);
  w.Add(Ord(10), KOTEXT("TAKE"), 0x0409, kEnglish, sizeof kEnglish);
  w.Add(Ord(10), KOTEXT("TAKE"), 0x0407, kGerman, sizeof kGerman);
  w.Add(KOTEXT("WAVE"), Ord(3), 0x0409, kEnglish, 4);
  w.Add(Ord(5), Ord(100), 0x0409, kEnglish, sizeof kEnglish);
  return w;
}

struct PoolCase {
  KOCSTR name, type;
  DWORD language;
  const char *data;  // null: not found
  DWORD languageOut;
};
const PoolCase kPool[] = {
    {KOTEXT("TAKE"), Ord(10), 0x0407, kGerman, 0x0407},
    {KOTEXT("take"), Ord(10), 0x0C07, kGerman, 0x0407},  // German (Austria) finds German
    {KOTEXT("TAKE"), Ord(10), 0x0809, kEnglish, 0x0409},
    {KOTEXT("TAKE"), Ord(10), 0x0411, kFrench, 0x040C},  // no Japanese: the first candidate
    {KOTEXT("TAKES"), Ord(10), 0x0409, nullptr, 0},
    {Ord(3), KOTEXT("WAVE"), 0x0409, kEnglish, 0x0409},
    {Ord(3), Ord(10), 0x0409, nullptr, 0},               // an ordinal never matches a text
    {KOTEXT("3"), KOTEXT("WAVE"), 0x0409, nullptr, 0},
    {Ord(100), Ord(5), 0x0407, kEnglish, 0x0409},
};
class Pool : public testing::TestWithParam<PoolCase> {};
TEST_P(Pool, BestEntry) {
  PoolWriter w = SamplePool();
  _KORESPOOL pool{0, static_cast<uint32_t>(w.bytes().size()), w.bytes().data()};
  UINT size = 0;
  DWORD lang = 0;
  void *p = KoFindResourceInResPool(&pool, &size, GetParam().name, GetParam().type,
                                    GetParam().language, &lang);
  if (!GetParam().data) {
    EXPECT_EQ(p, nullptr);
    return;
  }
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::memcmp(p, GetParam().data, 4), 0);
  EXPECT_EQ(lang, GetParam().languageOut);
}
INSTANTIATE_TEST_SUITE_P(Pools, Pool, testing::ValuesIn(kPool));

TEST(PoolWalk, CutAndLyingPoolsAreNeverReadPast) {
  PoolWriter w = SamplePool();
  const std::vector<unsigned char> &all = w.bytes();
  for (size_t cut = 0; cut <= all.size(); ++cut) {
    std::vector<unsigned char> copy(all.begin(), all.begin() + static_cast<long>(cut));
    copy.shrink_to_fit();
    _KORESPOOL pool{0, static_cast<uint32_t>(cut), copy.data()};
    UINT size = 0;
    auto *p = static_cast<unsigned char *>(
        KoFindResourceInResPool(&pool, &size, Ord(100), Ord(5), 0x0409, nullptr));
    if (p) {
      EXPECT_LE(p + size, copy.data() + cut) << cut;
    }
    EXPECT_EQ(p != nullptr, cut == all.size()) << cut;
  }
  // A header that claims less than its own fields, and sizes that wrap.
  std::vector<unsigned char> lying = all;
  lying[36] = 12;  // the second entry's header size
  _KORESPOOL pool{0, static_cast<uint32_t>(lying.size()), lying.data()};
  EXPECT_EQ(KoFindResourceInResPool(&pool, nullptr, Ord(100), Ord(5), 0x0409, nullptr), nullptr);
  lying = all;
  lying[32] = lying[33] = lying[34] = lying[35] = 0xFF;  // data size 4 GiB
  pool.data = lying.data();
  EXPECT_EQ(KoFindResourceInResPool(&pool, nullptr, Ord(100), Ord(5), 0x0409, nullptr), nullptr);
  _KORESPOOL tiny{0, 31, all.data()};
  EXPECT_EQ(KoFindResourceInResPool(&tiny, nullptr, Ord(0), Ord(0), 0, nullptr), nullptr);
}

}  // namespace
