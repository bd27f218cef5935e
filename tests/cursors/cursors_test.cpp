// The portable cursor walk: the built-in table and its images, the density
// and slot rules, and cursor files written here, whole and damaged.
#include <gtest/gtest.h>

#include <set>

#include "cursors/cur_writer.h"
#include "kokernel/kocursor.h"
#include "ui/cursor_internal.h"

namespace {

using namespace ko::ui::cursors;

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t *p) { return Get16(p) | uint32_t(Get16(p + 2)) << 16; }

int First(const uint8_t *, size_t) { return 1; }

TEST(CursorTable, NumbersAndImagesWalkToTheirDirectory) {
  const auto &table = Table();
  ASSERT_EQ(table.size(), 174u);
  std::multiset<uint32_t> numbers;
  for (size_t i = 0; i < table.size(); ++i) {
    const Entry &e = table[i];
    numbers.insert(e.number);
    const int pixels = kVariantPixels[i / 58];
    SCOPED_TRACE(e.number);
    ASSERT_TRUE(IsKoGroupCursorPtr(e.image, e.size));
    // The directory's size and the embedded file's entry agree with the variant;
    // the hot spot is already in front of the image, so nothing is copied.
    const uint8_t *file = e.image + Get32(e.image + 4);
    EXPECT_TRUE(Get16(e.image + 14) == pixels && file[6] == pixels);
    Plan plan = PlanLoad(e.image, e.size, -1, First);
    ASSERT_TRUE(plan.ok && plan.copy.empty() && IsLikelyCursorRESPtr(plan.bits, DWORD(plan.size)));
    EXPECT_TRUE(Get16(plan.bits) == Get16(file + 10) && Get16(plan.bits + 2) == Get16(file + 12));
    EXPECT_EQ(KoGetKernelCursorBits(e.number, nullptr), (e.number == 157 ? table[56].image : e.image));
  }
  EXPECT_TRUE(table[0].size == 4318u && numbers.count(57) == 0u && numbers.count(157) == 2u);
  for (uint32_t n : {1u, 56u, 58u, 101u, 158u, 201u, 258u}) EXPECT_EQ(numbers.count(n), 1u) << n;
  EXPECT_TRUE(KoGetKernelCursorBits(57, nullptr) == nullptr && KoGetKernelCursorBits(0, nullptr) == nullptr);
  // A built-in image with a lying offset or cut short is refused.
  const Entry &e = table[0];
  std::vector<uint8_t> img(e.image, e.image + e.size);
  for (uint32_t offset : {0u, 7u, e.size, 0xFFFFFFFFu}) {
    auto bad = img;
    CurPut32(bad, 4, offset);
    EXPECT_FALSE(PlanLoad(bad.data(), bad.size(), -1, First).ok) << offset;
  }
  img.resize(1000), img.shrink_to_fit();
  EXPECT_FALSE(PlanLoad(img.data(), img.size(), -1, First).ok);
}

TEST(CursorRules, DensityAndSystemSlots) {
  const struct { uint32_t number; int dpi; uint32_t load; } density[] = {
      {1, 96, 1}, {1, 143, 1}, {5, 144, 105}, {5, 192, 105}, {5, 193, 205}, {58, 288, 258}};
  for (const auto &c : density) EXPECT_EQ(DensityNumber(c.number, c.dpi), c.load) << c.dpi;
  const struct { uint32_t number; int slot; uint32_t load; } slots[] = {
      {32512, 0, 32512}, {32514, 2, 32514}, {32526, 14, 32526}, {32527, 0, 32512}, {32641, 0, 32512}, {32642, 5, 32642},
      {32649, 12, 32649}, {32651, 14, 32651}, {40000, 0, 32512}};
  for (const auto &c : slots) {
    uint32_t load = 0;
    EXPECT_TRUE(SystemSlot(c.number, &load) == c.slot && load == c.load) << c.number << " " << load;
  }
}

TEST(CursorFile, EntriesAndRecognisers) {
  const auto cur = WriteCur({{16, 3, 4}, {32, 10, 20}});
  const DWORD n = DWORD(cur.size());
  EXPECT_TRUE(IsLikelyCursorFilePtr(cur.data(), n));
  EXPECT_FALSE(IsLikelyCursorRESPtr(cur.data(), n) || IsKoGroupCursorPtr(cur.data(), n));
  for (int index : {0, 1}) {
    Plan plan = PlanLoad(cur.data(), n, index, nullptr);
    EXPECT_TRUE(plan.ok && plan.dropShared && Get16(plan.bits) == (index ? 10 : 3) &&
                Get32(plan.bits + 8) == (index ? 32u : 16u) && plan.size == CurBitmapBytes(index ? 32 : 16) + 4) << index;
  }
  // The chooser sees the file's entries as a directory and its pick is used.
  Plan chosen = PlanLoad(cur.data(), n, -1, [](const uint8_t *dir, size_t size) {
    EXPECT_TRUE(size == 6u + 2 * 14 && Get16(dir + 6 + 14) == 32);
    return int(Get16(dir + 6 + 14 + 12));
  });
  EXPECT_TRUE(chosen.ok && Get16(chosen.bits + 2) == 20);
  EXPECT_FALSE(PlanLoad(cur.data(), n, 2, nullptr).ok);
}

// Damaged files: each is refused and never read beyond its size.
struct Damage { const char *name; size_t at; uint32_t value; bool cut; };  // at: the byte changed, or the size cut to
class CursorDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(CursorDamage, Refused) {
  auto cur = WriteCur({{32, 1, 1}});
  const Damage &d = GetParam();
  if (d.cut) cur.resize(d.at);
  else CurPut32(cur, d.at, d.value);
  cur.shrink_to_fit();  // exactly sized, so ASan sees any overrun
  EXPECT_FALSE(PlanLoad(cur.data(), cur.size(), 0, First).ok || PlanLoad(cur.data(), cur.size(), -1, First).ok);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CursorDamage,
    ::testing::Values(Damage{"short", 21, 0, true}, Damage{"header_only", 22, 0, true},
                      Damage{"half_image", 22 + 2000, 0, true}, Damage{"one_short", 22 + 4263, 0, true},
                      Damage{"zero_entries", 4, 0, false}, Damage{"type_icon", 2, 1, false},
                      Damage{"bytes_lie", 14, 0x10000, false}, Damage{"offset_lies", 18, 0xFFFFFFF0u, false},
                      Damage{"bytes_small", 14, 100, false}, Damage{"width_lies", 22 + 4, 200, false},
                      Damage{"bits_odd", 22 + 14, 7, false}, Damage{"height_odd", 22 + 8, 63, false}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
