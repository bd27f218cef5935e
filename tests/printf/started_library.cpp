// The formatter's tokens live in the list that start-up creates: every test
// of this program runs with the library started, as in a host.
#include <gtest/gtest.h>

#include "kokernel/koframe.h"

namespace {

class StartedLibrary : public ::testing::Environment {
 public:
  void SetUp() override {
#ifdef _WIN32
    ASSERT_TRUE(KoKernel_EarlyInitialize(GetModuleHandleW(nullptr), 0));
#else
    ASSERT_TRUE(KoKernel_EarlyInitialize(nullptr, 0));
#endif
  }
  void TearDown() override { KoKernel_LateTerminate(); }
};

const auto *const kStarted = ::testing::AddGlobalTestEnvironment(new StartedLibrary);

}  // namespace
