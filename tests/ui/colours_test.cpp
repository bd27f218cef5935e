// Colour numbers, the palette and its reset at start-up, and the profile
// text of colours and numbers.
#include <gtest/gtest.h>

#include <string>

#include "kokernel/koframe.h"
#include "platform/platform.h"
#include "ui/ui_internal.h"

namespace {

using Text = std::basic_string<KOCHAR>;
Text T(const char *s) { return Text(s, s + std::char_traits<char>::length(s)); }

class Colours : public ::testing::Test {
 protected:
  void SetUp() override { ko::ui::ResetColours(); }
  void TearDown() override { ko::ui::ResetColours(); }
};

TEST_F(Colours, NumbersFollowTheirRangesAndPaletteEntriesReferToSystemColours) {
  ASSERT_TRUE(KoSetUIColor(1, 0x000000) && KoSetUIColor(2, 0x0000FF01) && KoSetUIColor(3, 0x00000001));
  const struct { int number; uint32_t colour; } cases[] = {
      {100, 0x00640000}, {152, 0x00A2008F},  // built-in defaults
      {2, 0x0000FF01}, {-2, ko::platform::SystemColour(2)}, {31, 0xF000F0}, {99, 0xF000F0}, {153, 0xFFFFFFFF},
      {-50, 0xFFFFFFFF}, {-153, 0xFFFFFFFF}, {INT32_MIN, 0xFFFFFFFF},
      // Blends AA, BB, WW: channels BB + (AA - BB) * WW / 255, rounded.
      {KO_UICOLOR_BLEND(2, 1, 128), 0x00008001}, {KO_UICOLOR_BLEND(1, 2, 128), 0x00007F00},
      {KO_UICOLOR_BLEND(3, 1, 127), 0x0}, {KO_UICOLOR_BLEND(3, 1, 128), 0x1}, {KO_UICOLOR_BLEND(2, 1, 255), 0x0000FF01},
      {KO_UICOLOR_BLEND(2, 1, 0), 0x0000FF01}, {KO_UICOLOR_BLEND(50, 1, 255), 0xF000F0},
      {KO_UICOLOR_BLEND(1, 100, 9), 0xFFFFFFFF},
  };
  for (const auto &c : cases)
    EXPECT_EQ(KoGetUIColorAbsolute(c.number), c.colour) << std::hex << c.number;
  // Palette entries may refer to system colours, until start-up resets them.
  ASSERT_TRUE(KoSetUIColor(130, 0x04000005) && KoSetUIColor(5, 0x00123456) && KoSetUIColor(132, 0x04000031));
  EXPECT_EQ(KoGetUIColorAbsolute(130), 0x00123456u);
  EXPECT_EQ(KoGetUIColorAbsolute(-130), 0x00578EDBu);  // the default, not the entry
  EXPECT_EQ(KoGetUIColorAbsolute(132), 0xF000F0u);
  // Overrides cannot refer to colours; all ones removes one; out of range.
  EXPECT_FALSE(KoSetUIColor(6, 0x04000001));
  EXPECT_TRUE(KoSetUIColor(5, 0xFFFFFFFF) && KoGetUIColorAbsolute(130) == ko::platform::SystemColour(5));
  for (int bad : {31, 99, 153, -1}) EXPECT_FALSE(KoSetUIColor(bad, 0)) << bad;
  // Start-up resets the palette and the overrides.
  ASSERT_TRUE(KoSetUIColor(140, 0x00010203) && KoSetUIColor(7, 0x00010203));
  ASSERT_EQ(KoKernel_EarlyInitialize(reinterpret_cast<HMODULE>(uintptr_t{0x10000}), 0), TRUE);
  EXPECT_TRUE(KoGetUIColorAbsolute(140) == 0x00FF6121u && KoGetUIColorAbsolute(7) == ko::platform::SystemColour(7));
  KoKernel_LateTerminate();
}

// The colour texts themselves (every form written, read back, worked reads)
// are the number-text suite's; here what the profile reader adds: all ones
// is no colour, a text with nothing readable is refused, and only the first
// 127 units of a value are looked at.
TEST(ProfileText, ReadsOnTopOfTheColourParser) {
  const struct { const char *text; bool ok; uint32_t colour; } reads[] = {
      {"0xFFFFFFFF", true, 0xF000F0}, {"banana", false, 0xF000F0}, {"", false, 0xF000F0}, {"0x", true, 0}};
  for (const auto &r : reads) {
    uint32_t c = 0;
    EXPECT_EQ(ko::ui::ReadProfileColour(T(r.text).c_str(), &c), r.ok) << r.text;
    EXPECT_EQ(c, r.colour) << r.text;
  }
  uint32_t c = 0;
  EXPECT_TRUE(ko::ui::ReadProfileColour((Text(121, ' ') + T("#123456")).c_str(), &c) && c == 0x452301u)
      << "the 128th unit is not read";
}

}  // namespace
