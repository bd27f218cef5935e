#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "kokernel/koresult.h"

namespace ko {
size_t Win32TableRows();
uint32_t Win32TableNumber(size_t row);
}  // namespace ko

namespace {

// The translation written out again from its grouped description: numbers
// with codes of their own, then the ranges that give E_FAIL.
uint32_t Expected(uint32_t n, bool *inTable) {
  *inTable = true;
  switch (n) {
    case 0: return 0;
    case 1: return 0x80070057u;
    case 2: case 3: case 126: case 127: return 0x8004E00Au;
    case 4: return 0x8004E026u;
    case 5: return 0x80070005u;
    case 6: return 0x80070006u;
    case 14: case 84: return 0x8007000Eu;
    case 15: return 0x800404B0u;
    case 32: return 0x8004E05Au;
    case 39: case 112: return 0x8004E002u;
    case 80: return 0x8004E032u;
    case 110: return 0x8004E007u;
    case 120: return 0x80004001u;
    case 123: return 0x8004E00Du;
    case 170: return 0x8004E005u;
    case 183: return 0x8004E170u;
    default: break;
  }
  static const uint32_t ranges[][2] = {
      {7, 13},    {16, 31},   {33, 34},   {36, 36},   {38, 38},   {50, 72},   {82, 83},
      {85, 89},   {100, 109}, {111, 111}, {113, 114}, {117, 119}, {121, 122}, {124, 125},
      {128, 162}, {164, 164}, {167, 167}, {173, 174}, {180, 180}, {182, 182}, {186, 203},
      {205, 210}, {212, 212}, {214, 216}, {230, 234}, {240, 240}, {254, 255}, {258, 259},
      {266, 267}, {275, 278}, {282, 282}, {288, 288}, {298, 301}, {317, 317}, {487, 487},
      {534, 536}};
  *inTable = false;
  for (const auto &r : ranges)
    if (n >= r[0] && n <= r[1]) *inTable = true;
  return 0x80004005u;
}

}  // namespace

TEST(ResultCodes, EveryRowAndEveryGapMatchesTheTable) {
  std::set<uint32_t> listed;
  for (uint32_t n = 0; n <= 1000; ++n) {
    bool inTable = false;
    const uint32_t want = Expected(n, &inTable);
    if (inTable) listed.insert(n);
    EXPECT_EQ(static_cast<uint32_t>(KoErrorHandler_TranslateWin32Error(n)), want)
        << "Win32 error " << n;
  }
  EXPECT_EQ(listed.size(), 194u);
  ASSERT_EQ(ko::Win32TableRows(), 194u);
  std::set<uint32_t> rows;
  for (size_t i = 0; i < ko::Win32TableRows(); ++i) {
    if (i > 0) {
      EXPECT_LT(ko::Win32TableNumber(i - 1), ko::Win32TableNumber(i)) << "row " << i;
    }
    rows.insert(ko::Win32TableNumber(i));
  }
  EXPECT_EQ(rows, listed);
}
