#include <gtest/gtest.h>

#include "kokernel/kokernel.h"

extern "C" size_t ko_c_sizeof_kochar(void);
extern "C" size_t ko_c_sizeof_hresult(void);
extern "C" size_t ko_c_sizeof_kolist(void);

// The records seen from C and from C++ must have the same layout.
TEST(PublicHeaders, SameSizesFromCAndCxx) {
  EXPECT_EQ(ko_c_sizeof_kochar(), sizeof(KOCHAR));
  EXPECT_EQ(ko_c_sizeof_kochar(), 2u);
  EXPECT_EQ(ko_c_sizeof_hresult(), 4u);
  EXPECT_EQ(ko_c_sizeof_kolist(), sizeof(tKOLIST));
  EXPECT_EQ(ko_c_sizeof_kolist(), 136u);
}
