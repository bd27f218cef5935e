// The plug-in filters on the device against their processor twins on the
// same pixels: bilinear scaling (exact), channel map (exact) and the
// Gaussian blur (within one level of the processor's 8-bit result).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "gpu_fixture.h"
#include "kokernel/kodib.h"
#include "kokernel/kogpu.h"
#include "kokernel/koimageops.h"
#include "kokernel/koresult.h"

namespace {

using namespace kotest::gpu;
using Pixels = std::vector<uint8_t>;

enum class Op { Scale, ChannelMap, Gauss };

// Scale: (p, q) = destination size; channel map: p = channel; Gauss: sigmas.
struct Case {
  const char *name;
  Op op;
  int w, h;
  double p, q;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

Pixels Processor(const Case &t, const Pixels &src, int &ow, int &oh, const uint8_t (*table)[4]) {
  ow = t.w, oh = t.h;
  Pixels out = src;
  if (t.op == Op::Scale) {
    ow = int(t.p), oh = int(t.q);
    out.assign(size_t(ow) * oh * 4, 0);
    const uint32_t ds[2] = {uint32_t(ow), uint32_t(oh)}, ss[2] = {uint32_t(t.w), uint32_t(t.h)};
    EXPECT_EQ(KoDibScale_Bilinear(out.data(), ds, ow * 4, nullptr, src.data(), ss, t.w * 4, nullptr, 4, 0, 0), S_OK);
  } else if (t.op == Op::ChannelMap) {
    EXPECT_TRUE(ChannelMapEx(reinterpret_cast<uint32_t *>(out.data()), t.w * 4,
                             reinterpret_cast<const uint32_t *>(src.data()), t.w * 4, uint32_t(t.p), t.w, t.h,
                             reinterpret_cast<const uint32_t *>(table)));
  } else {
    std::vector<float> temp(size_t(t.w) * t.h * 4);
    EXPECT_TRUE(GaussianBlur(out.data(), t.w * 4, 4, t.w, t.h, temp.data(), temp.size() * 4, t.p, t.q, nullptr,
                             nullptr));
  }
  return out;
}

// The plug-in program is built once for each suite.
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
  for (auto &e : table)
    for (auto &b : e) b = uint8_t(rng());
  int ow, oh;
  const Pixels want = Processor(t, src, ow, oh, table);

  // Every object the call makes is released again.
  cl_mem a = UploadBgra(src, t.w, t.h), b = CreateCLImage(g.context, ow, oh);
  ASSERT_TRUE(a && b);
  InstallCounting(g.rt);
  const int live = LiveObjects();
  bool ok = false;
  if (t.op == Op::Scale)
    ok = ScaleOCL(a, b, g.context, g.queue, nullptr, ow, oh);
  else if (t.op == Op::ChannelMap)
    ok = ChannelMapOCL(a, b, g.context, g.queue, nullptr, t.w, t.h, int(t.p), table);
  else
    ok = GaussianBlurOCL(a, b, g.context, g.queue, nullptr, unsigned(t.w), unsigned(t.h), t.p, t.q);
  EXPECT_EQ(KO_CL(g.rt, clFinish, g.queue), CL_SUCCESS);
  EXPECT_EQ(LiveObjects(), live);
  RemoveCounting(g.rt);
  ASSERT_TRUE(ok);
  const Pixels got = ReadBgra(b, ow, oh);
  Release(a);
  Release(b);
  ASSERT_EQ(got.size(), want.size());

  // The Gaussian: one level; two above sigma 30, where the processor's own
  // single-precision rounding, amplified by the filter's long memory, reaches
  // about a level and a third (its own suite measures it against doubles).
  const int tolerance = t.op != Op::Gauss ? 0 : std::max(t.p, t.q) > 30 ? 2 : 1;
  int worst = 0;
  size_t at = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    const int d = std::abs(int(got[i]) - int(want[i]));
    if (d > worst) worst = d, at = i;
  }
  EXPECT_LE(worst, tolerance) << "pixel " << at / 4 % ow << "," << at / 4 / ow << " channel " << at % 4
                              << ": device " << int(got[at]) << ", processor " << int(want[at]);
}

const Case kCases[] = {
    {"Scale1x1Up", Op::Scale, 1, 1, 3, 2},        {"ScaleTo1x1", Op::Scale, 3, 2, 1, 1},
    {"ScaleSame", Op::Scale, 17, 9, 17, 9},       {"Scale2x2To3x3", Op::Scale, 2, 2, 3, 3},
    {"ScaleUp", Op::Scale, 31, 17, 64, 41},       {"ScaleDown", Op::Scale, 97, 61, 33, 20},
    {"ScaleMixed", Op::Scale, 97, 61, 200, 7},    {"Map1x1", Op::ChannelMap, 1, 1, 0, 0},
    {"MapG", Op::ChannelMap, 17, 9, 1, 0},        {"MapR", Op::ChannelMap, 97, 61, 2, 0},
    {"MapA", Op::ChannelMap, 33, 20, 3, 0},       {"Gauss1x1", Op::Gauss, 1, 1, 2, 2},
    {"GaussClampLow", Op::Gauss, 17, 9, 0, -3},   {"GaussSmall", Op::Gauss, 97, 61, 0.5, 1.3},
    {"GaussMid", Op::Gauss, 64, 47, 6, 2.5},      {"GaussClampHigh", Op::Gauss, 64, 48, 100, 20},
    {"GaussTall", Op::Gauss, 5, 200, 3, 54},      {"GaussWide", Op::Gauss, 300, 40, 6, 1.3},
    {"GaussLong", Op::Gauss, 40, 300, 0.5, 20},   {"GaussWidest", Op::Gauss, 2200, 3, 54, 54},
};

INSTANTIATE_TEST_SUITE_P(Gpu, Filters, testing::Combine(testing::ValuesIn(kCases),
                                                        testing::Values(Picture::Random, Picture::Photo)),
                         [](const auto &i) {
                           return std::string(std::get<0>(i.param).name) + PictureName(std::get<1>(i.param));
                         });

// Calls that must fail without launching anything.
TEST_F(FiltersBadInput, Refused) {
  KOTEST_REQUIRE_DEVICE();
  const Device &g = Shared();
  uint8_t table[256][4] = {};
  cl_mem a = CreateCLImage(g.context, 4, 4), b = CreateCLImage(g.context, 4, 4);
  ASSERT_TRUE(a && b);
  struct Bad {
    const char *what;
    bool result;
  } const bad[] = {
      {"scale to zero width", ScaleOCL(a, b, g.context, g.queue, nullptr, 0, 4)},
      {"scale without queue", ScaleOCL(a, b, g.context, nullptr, nullptr, 4, 4)},
      {"scale from no image", ScaleOCL(nullptr, b, g.context, g.queue, nullptr, 4, 4)},
      {"map channel 4", ChannelMapOCL(a, b, g.context, g.queue, nullptr, 4, 4, 4, table)},
      {"map channel -1", ChannelMapOCL(a, b, g.context, g.queue, nullptr, 4, 4, -1, table)},
      {"map without table", ChannelMapOCL(a, b, g.context, g.queue, nullptr, 4, 4, 0, nullptr)},
      {"map without context", ChannelMapOCL(a, b, nullptr, g.queue, nullptr, 4, 4, 0, table)},
      {"map zero height", ChannelMapOCL(a, b, g.context, g.queue, nullptr, 4, 0, 0, table)},
      {"blur zero height", GaussianBlurOCL(a, b, g.context, g.queue, nullptr, 4, 0, 2, 2)},
      {"blur without context", GaussianBlurOCL(a, b, nullptr, g.queue, nullptr, 4, 4, 2, 2)},
      {"blur from no image", GaussianBlurOCL(nullptr, b, g.context, g.queue, nullptr, 4, 4, 2, 2)},
  };
  for (const auto &c : bad) EXPECT_FALSE(c.result) << c.what;
  // Without the plug-in kernels nothing runs.
  PluginUnload();
  EXPECT_FALSE(ScaleOCL(a, b, g.context, g.queue, nullptr, 4, 4));
  EXPECT_FALSE(ChannelMapOCL(a, b, g.context, g.queue, nullptr, 4, 4, 0, table));
  EXPECT_FALSE(GaussianBlurOCL(a, b, g.context, g.queue, nullptr, 4, 4, 2, 2));
  PluginLoad(BuildPluginCallback);
  EXPECT_TRUE(ScaleOCL(a, b, g.context, g.queue, nullptr, 4, 4));
  Release(a);
  Release(b);
}

}  // namespace
