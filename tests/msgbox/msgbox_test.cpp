// The answer of each button set's default button (what the unattended hook
// gives), over every set and default index.
#include <gtest/gtest.h>

#include <vector>

#include "errors/msgbox_internal.h"

namespace {

TEST(MsgBoxDefaultAnswer, EverySetAndIndex) {
  // Buttons of each set in order; sets 6..9 and 14, 15 behave as set 0.
  const std::vector<std::vector<int>> sets = {
      {1}, {1, 2}, {3, 4, 5}, {6, 7, 2}, {6, 7}, {4, 2}, {1}, {1}, {1}, {1},
      {6, 100, 7, 2}, {6, 7, 101}, {6, 7, 102, 2}, {6, 100, 7, 102, 2}, {1}, {1}};
  for (uint32_t set = 0; set < sets.size(); ++set)
    for (uint32_t index = 0; index < 16; ++index) {
      const int expected = index < sets[set].size() ? sets[set][index] : -1;
      // Icon and other bits do not change the answer.
      EXPECT_EQ(ko::msgbox::DefaultAnswer(set | index << 8 | 0x30), expected) << set << "/" << index;
    }
}

}  // namespace
