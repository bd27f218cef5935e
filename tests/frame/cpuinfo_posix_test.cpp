#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"

// The kernel's view of the processor, as /proc/cpuinfo tells it.
TEST(CpuInfo, FlagsAgreeWithProcCpuinfo) {
  std::ifstream in("/proc/cpuinfo");
  ASSERT_TRUE(in) << "no /proc/cpuinfo";
  std::set<std::string> flags;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("flags", 0) != 0) continue;
    std::istringstream words(line.substr(line.find(':') + 1));
    for (std::string w; words >> w;) flags.insert(w);
    break;
  }
  ASSERT_FALSE(flags.empty());
  const uint32_t supported = ko::frame::Detection().supported;
  const struct {
    const char *name;
    uint32_t flag;
  } checks[] = {{"mmx", KOCPU_MMX},      {"sse", KOCPU_SSE},       {"sse2", KOCPU_SSE2},
                {"pni", KOCPU_SSE3},     {"ssse3", KOCPU_SSSE3},   {"sse4_1", KOCPU_SSE41},
                {"sse4_2", KOCPU_SSE42}, {"avx", KOCPU_AVX},       {"cmov", KOCPU_CMOV},
                {"tsc", KOCPU_TSC},      {"fpu", KOCPU_FPU}};
  for (const auto &c : checks)
    EXPECT_EQ(flags.count(c.name) != 0, (supported & c.flag) != 0) << c.name;
}
