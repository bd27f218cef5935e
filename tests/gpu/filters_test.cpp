// The plug-in filters on the device against their processor twins on the
// same pixels: scaling and channel map byte for byte, the Gaussian within a
// level (two above sigma 30, where the processor's own single-precision
// rounding, amplified by the filter's long memory, reaches about 1.3 levels).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "gpu_fixture.h"
#include "kokernel/kodib.h"
#include "kokernel/koimageops.h"

namespace {

using namespace kotest::gpu;
using Pixels = std::vector<uint8_t>;

enum class Op { Scale, Map, Gauss };
// Scale: (p, q) = destination size; channel map: p = channel; Gauss: sigmas.
struct Case {
  const char *name;
  Op op;
  int w, h;
  double p, q;
};
void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

struct FiltersBadInput : testing::Test {
  static void SetUpTestSuite() {
    if (Shared()) PluginLoad(BuildPluginCallback);
  }
};
struct Filters : FiltersBadInput, testing::WithParamInterface<std::tuple<Case, Picture>> {};

TEST_P(Filters, DeviceMatchesProcessor) {
  KOTEST_REQUIRE_DEVICE();
  const auto &[t, kind] = GetParam();
  const Device &g = Shared();
  const Pixels src = MakePicture(kind, t.w, t.h, uint32_t(t.w * 131 + t.h));
  uint8_t table[256][4];
  std::mt19937 rng(7);
  for (auto &e : table) std::generate(e, e + 4, rng);
  const int ow = t.op == Op::Scale ? int(t.p) : t.w, oh = t.op == Op::Scale ? int(t.q) : t.h;
  Pixels want = src;
  std::vector<float> temp(src.size());
  const uint32_t ds[2] = {uint32_t(ow), uint32_t(oh)}, ss[2] = {uint32_t(t.w), uint32_t(t.h)};
  if (t.op == Op::Scale) want.assign(size_t(ow) * oh * 4, 0);
  ASSERT_TRUE(t.op == Op::Scale ? KoDibScale_Bilinear(want.data(), ds, ow * 4, nullptr, src.data(), ss, t.w * 4,
                                                      nullptr, 4, 0, 0) == 0
              : t.op == Op::Map ? ChannelMapEx(reinterpret_cast<uint32_t *>(want.data()), t.w * 4,
                                               reinterpret_cast<const uint32_t *>(src.data()), t.w * 4,
                                               uint32_t(t.p), t.w, t.h, reinterpret_cast<uint32_t *>(table))
                                : GaussianBlur(want.data(), t.w * 4, 4, t.w, t.h, temp.data(), temp.size() * 4, t.p,
                                               t.q, nullptr, nullptr));

  // Every object the call makes is released again.
  cl_mem a = UploadBgra(src, t.w, t.h), b = CreateCLImage(g.context, ow, oh);
  ASSERT_TRUE(a && b);
  InstallCounting(g.rt);
  const int live = LiveObjects();
  const bool ok = t.op == Op::Scale ? ScaleOCL(a, b, g.context, g.queue, nullptr, ow, oh)
                  : t.op == Op::Map ? ChannelMapOCL(a, b, g.context, g.queue, nullptr, t.w, t.h, int(t.p), table)
                                    : GaussianBlurOCL(a, b, g.context, g.queue, nullptr, t.w, t.h, t.p, t.q);
  EXPECT_EQ(LiveObjects(), live);
  RemoveCounting(g.rt);
  ASSERT_TRUE(ok);
  const int tolerance = t.op != Op::Gauss ? 0 : std::max(t.p, t.q) > 30 ? 2 : 1;
  EXPECT_LE(MaxDifference(ReadBgra(b, ow, oh), want), tolerance);
  Release(a);
  Release(b);
}

const Case kCases[] = {
    {"Scale1x1Up", Op::Scale, 1, 1, 3, 2},      {"ScaleTo1x1", Op::Scale, 3, 2, 1, 1},
    {"ScaleSame", Op::Scale, 17, 9, 17, 9},     {"Scale2x2To3x3", Op::Scale, 2, 2, 3, 3},
    {"ScaleUp", Op::Scale, 31, 17, 64, 41},     {"ScaleDown", Op::Scale, 97, 61, 33, 20},
    {"Map1x1", Op::Map, 1, 1, 0, 0},            {"MapG", Op::Map, 17, 9, 1, 0},
    {"MapR", Op::Map, 97, 61, 2, 0},            {"MapA", Op::Map, 33, 20, 3, 0},
    {"Gauss1x1", Op::Gauss, 1, 1, 2, 2},        {"GaussClampLow", Op::Gauss, 17, 9, 0, -3},
    {"GaussSmall", Op::Gauss, 97, 61, 0.5, 1.3}, {"GaussClampHigh", Op::Gauss, 64, 48, 100, 20},
    {"GaussTall", Op::Gauss, 5, 200, 3, 54},    {"GaussWidest", Op::Gauss, 2200, 3, 54, 54},
};
INSTANTIATE_TEST_SUITE_P(Gpu, Filters,
                         testing::Combine(testing::ValuesIn(kCases), testing::Values(Picture::Random, Picture::Photo)));

// Calls that must fail without launching anything, and every call without
// the plug-in kernels.
TEST_F(FiltersBadInput, Refused) {
  KOTEST_REQUIRE_DEVICE();
  const Device &g = Shared();
  uint8_t t[256][4] = {};
  cl_mem a = CreateCLImage(g.context, 4, 4), b = CreateCLImage(g.context, 4, 4);
  cl_context c = g.context;
  cl_command_queue q = g.queue;
  for (const bool refused :
       {ScaleOCL(a, b, c, q, nullptr, 0, 4), ScaleOCL(a, b, c, nullptr, nullptr, 4, 4),
        ScaleOCL(nullptr, b, c, q, nullptr, 4, 4), ChannelMapOCL(a, b, c, q, nullptr, 4, 4, 4, t),
        ChannelMapOCL(a, b, c, q, nullptr, 4, 4, -1, t), ChannelMapOCL(a, b, c, q, nullptr, 4, 4, 0, nullptr),
        ChannelMapOCL(a, b, nullptr, q, nullptr, 4, 4, 0, t), ChannelMapOCL(a, b, c, q, nullptr, 4, 0, 0, t),
        GaussianBlurOCL(a, b, c, q, nullptr, 4, 0, 2, 2), GaussianBlurOCL(a, b, nullptr, q, nullptr, 4, 4, 2, 2),
        GaussianBlurOCL(nullptr, b, c, q, nullptr, 4, 4, 2, 2)})
    EXPECT_FALSE(refused);
  PluginUnload();
  EXPECT_FALSE(ScaleOCL(a, b, c, q, nullptr, 4, 4) || ChannelMapOCL(a, b, c, q, nullptr, 4, 4, 0, t) ||
               GaussianBlurOCL(a, b, c, q, nullptr, 4, 4, 2, 2));
  PluginLoad(BuildPluginCallback);
  EXPECT_TRUE(ScaleOCL(a, b, c, q, nullptr, 4, 4) && ChannelMapOCL(a, b, c, q, nullptr, 4, 4, 0, t) &&
              GaussianBlurOCL(a, b, c, q, nullptr, 4, 4, 2, 2));
  Release(a);
  Release(b);
}

}  // namespace
