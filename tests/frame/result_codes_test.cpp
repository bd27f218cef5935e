#include <gtest/gtest.h>

#include "kokernel/koresult.h"

TEST(ResultCodes, Win32Translation) {
  EXPECT_EQ(KoErrorHandler_TranslateWin32Error(0), S_OK);
  EXPECT_EQ((uint32_t)KoErrorHandler_TranslateWin32Error(2), 0x8004E00Au);
}
