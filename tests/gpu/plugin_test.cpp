// The plug-in set's core on pocl: image objects, compositing, masks, fill,
// the work-group rule and the runtime record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gpu_fixture.h"

namespace {

using namespace kotest::gpu;
using ko::gpu::PluginKernel;

TEST(GpuPlugin, ProgramBuildsAndKernelsExist) {
  KOTEST_REQUIRE_DEVICE();
  PluginLoad(BuildPluginCallback);
  EXPECT_NE(PluginKernel(ko::gpu::kFlipCopy), nullptr);
  EXPECT_NE(PluginKernel(ko::gpu::kCopy), nullptr);
  PluginUnload();
  EXPECT_EQ(PluginKernel(ko::gpu::kFlipCopy), nullptr);
}

}  // namespace
