#include <gtest/gtest.h>

#include <cstdint>

#include "kokernel/koresult.h"

namespace ko {
size_t Win32TableRows();
uint32_t Win32TableNumber(size_t row);
}  // namespace ko

// One number for each code of its own (both ends where several share one),
// then both ends of ranges that give E_FAIL and the gaps beside them.
TEST(ResultCodes, TranslationOfWin32Errors) {
  const struct {
    uint32_t win32, hr;
  } cases[] = {
      {0, 0},              {1, 0x80070057u},    {2, 0x8004E00Au},   {127, 0x8004E00Au},
      {4, 0x8004E026u},    {5, 0x80070005u},    {6, 0x80070006u},   {14, 0x8007000Eu},
      {84, 0x8007000Eu},   {15, 0x800404B0u},   {32, 0x8004E05Au},  {39, 0x8004E002u},
      {112, 0x8004E002u},  {80, 0x8004E032u},   {110, 0x8004E007u}, {120, 0x80004001u},
      {123, 0x8004E00Du},  {170, 0x8004E005u},  {183, 0x8004E170u}, {7, 0x80004005u},
      {13, 0x80004005u},   {128, 0x80004005u},  {162, 0x80004005u}, {536, 0x80004005u},
      {35, 0x80004005u},   {163, 0x80004005u},  {537, 0x80004005u}, {0xFFFFFFFFu, 0x80004005u},
  };
  for (const auto &c : cases)
    EXPECT_EQ(static_cast<uint32_t>(KoErrorHandler_TranslateWin32Error(c.win32)), c.hr) << "Win32 error " << c.win32;
  // The table is sorted for its binary search: every row after the one before.
  for (size_t i = 1; i < ko::Win32TableRows(); ++i)
    EXPECT_LT(ko::Win32TableNumber(i - 1), ko::Win32TableNumber(i)) << "row " << i;
}
