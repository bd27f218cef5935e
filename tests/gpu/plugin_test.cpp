// The plug-in set on pocl: each device operation and filter against its
// processor twin, the image objects, the work-group rule, bad input, leaks,
// the serialise lock of a host record, and a process without a runtime.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "gpu_fixture.h"
#include "kokernel/kodib.h"
#include "kokernel/koimageops.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace kotest::gpu;
using ko::gpu::ChooseLocalSize;
using ko::gpu::PluginKernel;
using ko::gpu::WorkGroupFacts;

struct Plugin : ::testing::Environment {
  void SetUp() override {
    if (Shared()) PluginLoad(BuildPluginCallback);
  }
  void TearDown() override { PluginUnload(); }
};
const auto *const kPluginEnv = ::testing::AddGlobalTestEnvironment(new Plugin);

// ---- Device operation against processor twin --------------------------------
// Byte for byte, except the Gaussian within a level (two above sigma 30,
// where the processor's own single-precision rounding, amplified by the
// filter's long memory, reaches about 1.3 levels). Every object a call
// makes is released again.

enum class Op { Composite, MaskMultiply, Fill, FlipCopy, Copy, Scale, Map, Gauss };
struct OpCase {
  const char *name;
  Op op;
  int mode;         // composite mode, mask channel, mapped channel
  double x, y;      // opacity; scale and offset; sigmas; scaled size
  float colour[4];  // fill: a, r, g, b
  int w = 0, h = 0;  // the filters' own source size (else every size below)
};

// Doubles just beside a quantisation step too (an opacity byte's half step,
// a 1/1024 step), where the double and its float fall on different sides:
// the twins quantise in double precision, and so must the device forms.
const OpCase kOps[] = {
    {"Over", Op::Composite, 1, 1.0, 0, {}},
    {"Under", Op::Composite, 2, 0.75, 0, {}},
    {"AddHalfStep", Op::Composite, 3, 128.5 / 255, 0, {}},
    {"Multiply", Op::Composite, 4, 0.25, 0, {}},
    {"OverlayHalf", Op::Composite, 5, 0.5, 0, {}},
    {"Screen", Op::Composite, 6, 0.625, 0, {}},
    {"Average", Op::Composite, 7, 1.0, 0, {}},
    {"AverageClear", Op::Composite, 7, 0.0, 0, {}},
    {"MaskSameChannel", Op::MaskMultiply, -1, 1.0, 0.0, {}},
    {"MaskRed", Op::MaskMultiply, 2, 2.5, -0.25, {}},
    {"MaskAlpha", Op::MaskMultiply, 3, 1.0, 0.0, {}},
    {"MaskNearlyPlain", Op::MaskMultiply, 1, 0.99995, 0.00009, {}},
    {"MaskBesideSteps", Op::MaskMultiply, -1, 0.5 - 1e-12, 0.25 - 1e-12, {}},
    // Floats beside half steps, where v * 255 + 0.5 rounded to a float
    // crosses the integer that the exact value stays below.
    {"FillHalfSteps", Op::Fill, 0, 0, 0, {float(128.5 / 255), 0x1.0101p-9f, float(200.5 / 255), float(254.5 / 255)}},
    {"FillOutOfRange", Op::Fill, 0, 0, 0, {-0.25f, 1.25f, 0.2f, 0.0f}},
    {"FlipCopy", Op::FlipCopy, 0, 0, 0, {}},
    {"CopyKernel", Op::Copy, 0, 0, 0, {}},
    {"Scale1x1Up", Op::Scale, 0, 3, 2, {}, 1, 1},
    {"ScaleTo1x1", Op::Scale, 0, 1, 1, {}, 3, 2},
    {"ScaleSame", Op::Scale, 0, 17, 9, {}, 17, 9},
    {"Scale2x2To3x3", Op::Scale, 0, 3, 3, {}, 2, 2},
    {"ScaleUp", Op::Scale, 0, 64, 41, {}, 31, 17},
    {"ScaleDown", Op::Scale, 0, 33, 20, {}, 97, 61},
    {"Map1x1", Op::Map, 0, 0, 0, {}, 1, 1},
    {"MapG", Op::Map, 1, 0, 0, {}, 17, 9},
    {"MapR", Op::Map, 2, 0, 0, {}, 97, 61},
    {"MapA", Op::Map, 3, 0, 0, {}, 33, 20},
    {"Gauss1x1", Op::Gauss, 0, 2, 2, {}, 1, 1},
    {"GaussClampLow", Op::Gauss, 0, 0, -3, {}, 17, 9},
    {"GaussSmall", Op::Gauss, 0, 0.5, 1.3, {}, 97, 61},
    {"GaussClampHigh", Op::Gauss, 0, 100, 20, {}, 64, 48},
    {"GaussTall", Op::Gauss, 0, 3, 54, {}, 5, 200},
    {"GaussWidest", Op::Gauss, 0, 54, 54, {}, 2200, 3},
};
struct Size {
  int w, h;
};
const Size kSizes[] = {{1, 1}, {3, 5}, {131, 67}};

using TwinParam = std::tuple<OpCase, Size, Picture>;
class Twins : public ::testing::TestWithParam<TwinParam> {};

TEST_P(Twins, DeviceMatchesProcessor) {
  KOTEST_REQUIRE_DEVICE();
  const auto &[c, size, picture] = GetParam();
  const int w = size.w, h = size.h;
  const bool scale = c.op == Op::Scale;
  const int ow = scale ? int(c.x) : w, oh = scale ? int(c.y) : h;
  std::vector<uint8_t> a = MakePicture(picture, w, h, 1), b = MakePicture(picture, w, h, 2);
  std::vector<uint8_t> want = scale ? std::vector<uint8_t>(size_t(ow) * oh * 4) : a;
  cl_mem ia = UploadBgra(a, w, h), ib = UploadBgra(b, w, h), ic = UploadBgra(nullptr, ow, oh);
  ASSERT_TRUE(ia && ib && ic);
  Device &d = Shared();
  const float *v = c.colour;
  ko::gpu::WorkSize ws;
  uint8_t table[256][4];
  std::mt19937 rng(7);
  for (auto &e : table) std::generate(e, e + 4, rng);
  std::vector<float> temp(a.size());
  const uint32_t ds[2] = {uint32_t(ow), uint32_t(oh)}, ss[2] = {uint32_t(w), uint32_t(h)};
  auto *w32 = reinterpret_cast<uint32_t *>(want.data());
  const auto *a32 = reinterpret_cast<const uint32_t *>(a.data());
  bool cpu = true;
  switch (c.op) {
    case Op::Composite: cpu = Composite(want.data(), w * 4, b.data(), w * 4, 4, w, h, c.mode, c.x); break;
    case Op::MaskMultiply: cpu = MaskMultiply(want.data(), w * 4, 4, b.data(), w * 4, w, h, c.mode, c.x, c.y); break;
    case Op::Fill: cpu = Fill(want.data(), w * 4, 4, w, h, v[0], v[1], v[2], v[3]); break;
    case Op::FlipCopy:
      // The oracle: the rows in reverse order. The write goes through the
      // exported functions, the read-back bypasses them.
      for (int y = 0; y < h; ++y) std::memcpy(&want[size_t(y) * w * 4], &b[size_t(h - 1 - y) * w * 4], size_t(w) * 4);
      break;
    case Op::Copy: cpu = BitmapCopy(want.data(), w * 4, b.data(), w * 4, 4, w, h); break;
    case Op::Scale:
      cpu = KoDibScale_Bilinear(want.data(), ds, ow * 4, nullptr, a.data(), ss, w * 4, nullptr, 4, 0, 0) == 0;
      break;
    case Op::Map:
      cpu = ChannelMapEx(w32, w * 4, a32, w * 4, uint32_t(c.mode), w, h, reinterpret_cast<uint32_t *>(table));
      break;
    case Op::Gauss:
      cpu = GaussianBlur(want.data(), w * 4, 4, w, h, temp.data(), temp.size() * 4, c.x, c.y, nullptr, nullptr);
      break;
  }
  ASSERT_TRUE(cpu);
  InstallCounting(d.rt);
  const int live = LiveObjects();
  bool ok = false;
  switch (c.op) {
    case Op::Composite: ok = CompositeOCL(ia, ib, ic, d.context, d.queue, nullptr, w, h, c.mode, c.x); break;
    case Op::MaskMultiply: ok = MaskMultiplyOCL(ia, ib, ic, d.context, d.queue, nullptr, w, h, c.mode, c.x, c.y); break;
    case Op::Fill: ok = FillOCL(ic, d.context, d.queue, nullptr, w, h, v[0], v[1], v[2], v[3]); break;
    case Op::FlipCopy: ok = FlipCopyMemoryToOpenCLImage(ic, d.queue, d.context, b.data(), w * 4, w, h); break;
    case Op::Copy:  // the plug-in copy kernel, which no export of this set wraps
      ok = ko::gpu::RunPluginKernel(ko::gpu::kCopy, ws, d.queue, w, h, ib, ic, w, h);
      break;
    case Op::Scale: ok = ScaleOCL(ia, ic, d.context, d.queue, nullptr, ow, oh); break;
    case Op::Map: ok = ChannelMapOCL(ia, ic, d.context, d.queue, nullptr, w, h, c.mode, table); break;
    case Op::Gauss: ok = GaussianBlurOCL(ia, ic, d.context, d.queue, nullptr, w, h, c.x, c.y); break;
  }
  EXPECT_EQ(KO_CL(d.rt, clFinish, d.queue), CL_SUCCESS);
  EXPECT_EQ(LiveObjects(), live);
  RemoveCounting(d.rt);
  EXPECT_TRUE(ok);
  const int tolerance = c.op != Op::Gauss ? 0 : std::max(c.x, c.y) > 30 ? 2 : 1;
  EXPECT_LE(MaxDifference(ReadBgra(ic, ow, oh), want), tolerance);
  Release(ia), Release(ib), Release(ic);
}

// The plug-in operations at every size, the filters at their own.
std::vector<TwinParam> TwinParams() {
  std::vector<TwinParam> v;
  for (const OpCase &c : kOps)
    for (Picture p : {Picture::Random, Picture::Photo}) {
      if (c.w) v.emplace_back(c, Size{c.w, c.h}, p);
      for (const Size &s : kSizes)
        if (!c.w) v.emplace_back(c, s, p);
    }
  return v;
}
std::string TwinName(const ::testing::TestParamInfo<TwinParam> &i) {
  const auto &[c, s, p] = i.param;
  return std::string(c.name) + "_" + std::to_string(s.w) + "x" + std::to_string(s.h) + "_" + PictureName(p);
}
INSTANTIATE_TEST_SUITE_P(Plugin, Twins, ::testing::ValuesIn(TwinParams()), TwinName);

// The exported write and read: a round trip with row padding, and the
// padding left alone.
TEST(GpuImages, WriteReadRoundTripWithPitch) {
  KOTEST_REQUIRE_DEVICE();
  Device &d = Shared();
  const int w = 13, h = 7, pitch = w * 4 + 12;
  std::vector<uint8_t> src(size_t(pitch) * h), dst(src.size(), 0xEE);
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 7 + 3);
  cl_mem image = CreateCLImage(d.context, w, h);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(CopyMemoryToOpenCLImage(image, d.queue, src.data(), pitch, w, h));
  EXPECT_TRUE(CopyOpenCLImageToMemory(d.queue, image, dst.data(), pitch, w, h));
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(0, std::memcmp(&src[size_t(y) * pitch], &dst[size_t(y) * pitch], size_t(w) * 4));
    EXPECT_EQ(dst[size_t(y) * pitch + w * 4], 0xEE);
  }
  EXPECT_EQ(ReleaseOpenCLImage(image), CL_SUCCESS);
}

// ---- The work-group rule ------------------------------------------------------

struct RuleCase {
  const char *name;
  WorkGroupFacts f;  // kernel size, compile size, multiple, known, device size, items, preset
  bool found;
  size_t lx, ly;
};
// Worked by hand from the halving sequence 512x512, 512x256, 256x256, ...
// (an item limit keeps halving: 1024 with y <= 4 ends at 8x4).
const RuleCase kRules[] = {
    {"KernelSmaller", {256, {}, 0, true, 1024, {1024, 1024}, {}}, true, 16, 16},
    {"DeviceSmaller", {1024, {}, 0, true, 512, {1024, 1024}, {}}, true, 32, 16},
    {"ItemLimitY", {1024, {}, 0, true, 1024, {1024, 4}, {}}, true, 8, 4},
    {"OddLimitMultiple", {1000, {}, 64, true, 1000, {1000, 1000}, {}}, true, 32, 30},
    {"MultipleBeyondItem", {1000, {}, 64, true, 1000, {1000, 16}, {}}, true, 32, 16},
    {"One", {1, {}, 0, true, 1, {1, 1}, {}}, true, 1, 1},
    {"CompileSize", {1024, {8, 2}, 0, true, 1024, {1024, 1024}, {4, 4}}, true, 8, 2},
    {"PresetFits", {1024, {}, 0, true, 1024, {1024, 1024}, {16, 8}}, true, 16, 8},
    {"PresetTooLarge", {256, {}, 0, true, 1024, {1024, 1024}, {32, 16}}, true, 16, 16},
    {"DeviceUnknown", {1024, {}, 0, false, 0, {}, {}}, false, 0, 0},
    {"PresetWithoutDevice", {256, {}, 0, false, 0, {}, {8, 8}}, true, 8, 8},
    {"NoLimit", {0, {}, 0, true, 0, {64, 64}, {}}, false, 0, 0},
};
class Rule : public ::testing::TestWithParam<RuleCase> {};
TEST_P(Rule, ChoosesTheWorkedSize) {
  const RuleCase &c = GetParam();
  size_t lx = 0, ly = 0;
  ASSERT_EQ(ChooseLocalSize(c.f, &lx, &ly), c.found);
  if (c.found) {
    EXPECT_EQ(std::make_pair(lx, ly), std::make_pair(c.lx, c.ly));
  }
}
INSTANTIATE_TEST_SUITE_P(Plugin, Rule, ::testing::ValuesIn(kRules),
                         [](const auto &i) { return std::string(i.param.name); });

// ---- Stored program -----------------------------------------------------------------

// Every set's text fits its buffer, exactly the text and its zero fit, and
// one byte fewer is refused (the kernels it names are run by the twins).
TEST(GpuProgram, TextFitsItsBuffer) {
  using ko::gpu::ProgramSet;
  for (ProgramSet set : {ProgramSet::Plugin, ProgramSet::DibCopy, ProgramSet::Interlace, ProgramSet::Yuv}) {
    std::vector<char> text(ko::gpu::ProgramBufferSize(set), 'x');
    ASSERT_TRUE(ko::gpu::ProduceProgramText(set, text.data(), text.size()));
    const size_t n = std::strlen(text.data());
    std::vector<char> exact(n + 1);
    EXPECT_TRUE(ko::gpu::ProduceProgramText(set, exact.data(), exact.size()));
    EXPECT_EQ(std::string(exact.data()), std::string(text.data()));
    EXPECT_FALSE(ko::gpu::ProduceProgramText(set, exact.data(), n));
  }
}

// ---- Bad input -------------------------------------------------------------------------

struct BadCase {
  const char *name;
  bool (*call)(Device &d, cl_mem i);
};
uint8_t g_px[8 * 8 * 4];
uint8_t g_table[256][4];
#define KOTEST_BAD(name, expr) {#name, [](Device &d, cl_mem i) { return (void)d, (void)i, (expr); }}
const BadCase kBad[] = {
    KOTEST_BAD(CompositeNullQueue, CompositeOCL(i, i, i, d.context, 0, 0, 4, 4, 1, 1.0)),
    KOTEST_BAD(CompositeMode0, CompositeOCL(i, i, i, d.context, d.queue, 0, 4, 4, 0, 1.0)),
    KOTEST_BAD(CompositeMode8, CompositeOCL(i, i, i, d.context, d.queue, 0, 4, 4, 8, 1.0)),
    KOTEST_BAD(CompositeNullImage, CompositeOCL(i, 0, i, d.context, d.queue, 0, 4, 4, 1, 1.0)),
    KOTEST_BAD(MaskChannel4, MaskMultiplyOCL(i, i, i, d.context, d.queue, 0, 4, 4, 4, 1, 0)),
    KOTEST_BAD(MaskNullQueue, MaskMultiplyOCL(i, i, i, d.context, 0, 0, 4, 4, 0, 1, 0)),
    KOTEST_BAD(FillNullImage, FillOCL(nullptr, d.context, d.queue, 0, 4, 4, 1, 1, 1, 1)),
    KOTEST_BAD(CreateNullContext, CreateCLImage(nullptr, 4, 4) != nullptr),
    KOTEST_BAD(CreateEmpty, CreateCLImage(d.context, 0, 4) != nullptr),
    KOTEST_BAD(FlipNullContext, FlipCopyMemoryToOpenCLImage(i, d.queue, 0, g_px, 16, 4, 4)),
    KOTEST_BAD(WriteNullQueue, CopyMemoryToOpenCLImage(i, nullptr, g_px, 16, 4, 4)),
    KOTEST_BAD(ReadBeyondImage, CopyOpenCLImageToMemory(d.queue, i, g_px, 32, 8, 8)),
    KOTEST_BAD(ScaleZeroWidth, ScaleOCL(i, i, d.context, d.queue, 0, 0, 4)),
    KOTEST_BAD(ScaleNullQueue, ScaleOCL(i, i, d.context, nullptr, 0, 4, 4)),
    KOTEST_BAD(MapChannel4, ChannelMapOCL(i, i, d.context, d.queue, 0, 4, 4, 4, g_table)),
    KOTEST_BAD(MapChannelNegative, ChannelMapOCL(i, i, d.context, d.queue, 0, 4, 4, -1, g_table)),
    KOTEST_BAD(MapNullTable, ChannelMapOCL(i, i, d.context, d.queue, 0, 4, 4, 0, nullptr)),
    KOTEST_BAD(MapNullContext, ChannelMapOCL(i, i, nullptr, d.queue, 0, 4, 4, 0, g_table)),
    KOTEST_BAD(GaussZeroHeight, GaussianBlurOCL(i, i, d.context, d.queue, 0, 4, 0, 2, 2)),
    KOTEST_BAD(GaussNullSource, GaussianBlurOCL(nullptr, i, d.context, d.queue, 0, 4, 4, 2, 2)),
};
class Bad : public ::testing::TestWithParam<BadCase> {};
TEST_P(Bad, FailsWithoutTouchingTheImage) {
  KOTEST_REQUIRE_DEVICE();
  Device &d = Shared();
  std::vector<uint8_t> px = MakePicture(Picture::Random, 4, 4, 9);
  cl_mem image = UploadBgra(px, 4, 4);
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(GetParam().call(d, image));
  EXPECT_EQ(ReadBgra(image, 4, 4), px);
  Release(image);
}
INSTANTIATE_TEST_SUITE_P(Plugin, Bad, ::testing::ValuesIn(kBad),
                         [](const auto &i) { return std::string(i.param.name); });

// How many plug-in operations on 2 x 2 images succeed with these handles.
int Succeeding(cl_context context, cl_command_queue queue, cl_mem image) {
  const uint8_t px[16] = {};
  const bool done[] = {CompositeOCL(image, image, image, context, queue, nullptr, 2, 2, 1, 1.0),
                       MaskMultiplyOCL(image, image, image, context, queue, nullptr, 2, 2, 0, 1, 0),
                       FillOCL(image, context, queue, nullptr, 2, 2, 1, 1, 1, 1),
                       FlipCopyMemoryToOpenCLImage(image, queue, context, px, 8, 2, 2),
                       ScaleOCL(image, image, context, queue, nullptr, 2, 2),
                       ChannelMapOCL(image, image, context, queue, nullptr, 2, 2, 0, g_table),
                       GaussianBlurOCL(image, image, context, queue, nullptr, 2, 2, 2, 2)};
  return int(std::count(std::begin(done), std::end(done), true));
}

// Without PluginLoad, after a failing build callback, or with a program that
// lacks the kernels, every operation fails and nothing is left behind;
// loading again then works.
bool FailingBuild(const char *, int, cl_program *out, const char *) {
  *out = nullptr;
  return false;
}
bool ForeignProgram(const char *, int, cl_program *out, const char *) {
  *out = BuildOnDevice("__kernel void other(__global int *p) { p[0] = 1; }");
  return *out != nullptr;
}
TEST(GpuPluginLoad, OperationsNeedTheKernels) {
  KOTEST_REQUIRE_DEVICE();
  Device &d = Shared();
  cl_mem image = UploadBgra(nullptr, 2, 2);
  InstallCounting(d.rt);
  PluginUnload();
  const int base = LiveObjects();
  EXPECT_EQ(Succeeding(d.context, d.queue, image), 0);
  PluginLoad(FailingBuild);
  EXPECT_EQ(Succeeding(d.context, d.queue, image), 0);
  PluginLoad(ForeignProgram);
  EXPECT_EQ(Succeeding(d.context, d.queue, image), 0);
  for (int i = 0; i < ko::gpu::kPluginKernelCount; ++i) EXPECT_EQ(PluginKernel(i), nullptr);
  // Every object the library creates through its record is released again:
  // the program without kernels when a load replaces it, the program and
  // kernels of a load, the images of a create/release pair (the twins above
  // count the objects of every operation).
  PluginLoad(BuildPluginCallback);
  int kernels = 0;
  for (int i = 0; i < ko::gpu::kPluginKernelCount; ++i) kernels += PluginKernel(i) != nullptr;
  EXPECT_GE(kernels, 5);
  EXPECT_EQ(LiveObjects(), base + 1 + kernels) << "the program and its kernels";
  EXPECT_TRUE(FillOCL(image, d.context, d.queue, nullptr, 2, 2, 1, 1, 1, 1));
  EXPECT_TRUE(GaussianBlurOCL(image, image, d.context, d.queue, nullptr, 2, 2, 2, 2));
  cl_mem extra = CreateCLImage(d.context, 9, 5);
  EXPECT_EQ(LiveObjects(), base + 2 + kernels);
  EXPECT_EQ(ReleaseOpenCLImage(extra), CL_SUCCESS);
  PluginUnload();
  EXPECT_EQ(LiveObjects(), base);
  RemoveCounting(d.rt);
  PluginLoad(BuildPluginCallback);
  Release(image);
}

// ---- The serialise flag of a host record -----------------------------------------

std::atomic<bool> g_holderDone{false};
std::atomic<int> g_seenDone{-1};
cl_int CL_API_CALL RecordingFlush(cl_command_queue) {
  g_seenDone = g_holderDone ? 1 : 0;
  return CL_SUCCESS;
}

// Another thread holds the record's lock; a call through the record waits
// for it only when serialise is set.
TEST(GpuRecord, SerialiseTakesTheRecordLock) {
  for (int serialise : {1, 0}) {
    CountingRecord host;
    host.rt.serialise = serialise;
    host.rt.clFlush = RecordingFlush;
    g_holderDone = false;
    std::atomic<bool> holding{false}, callDone{false};
    std::thread holder([&] {
      ko::platform::LockGuard guard(ko::gpu::RecordLock(&host.rt));
      holding = true;
      // Held long enough for a waiting call, or until a call that did not wait.
      for (int t = 0; serialise ? t < 200 : !callDone; ++t)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      g_holderDone = true;
    });
    while (!holding) std::this_thread::yield();
    EXPECT_EQ(KO_CL(&host.rt, clFlush, reinterpret_cast<cl_command_queue>(1)), CL_SUCCESS);
    callDone = true;
    holder.join();
    EXPECT_EQ(g_seenDone.load(), serialise) << "serialise " << serialise;
  }
  // A record or entry that is missing calls nothing.
  CountingRecord empty;
  empty.rt.clFlush = nullptr;
  empty.rt.clCreateKernel = nullptr;
  cl_int err = 0;
  EXPECT_EQ(KO_CL(static_cast<KoOpenCLRuntime *>(nullptr), clFlush, nullptr), -2);
  EXPECT_EQ(KO_CL(&empty.rt, clFlush, nullptr), -2);
  EXPECT_EQ(KO_CL_OBJ(&empty.rt, clCreateKernel, &err, nullptr, "x"), nullptr);
  EXPECT_EQ(err, -2);
}

// ---- A process without an OpenCL runtime -------------------------------------------

const char kChildVariable[] = "KOTEST_GPU_NO_RUNTIME";

// In the child: nothing is loaded, every device call fails cleanly.
void NoRuntimeChecks() {
  KoOpenCLRuntime *rt = LibraryRuntime();
  EXPECT_EQ(rt->module, nullptr);
  PluginLoad(BuildPluginCallback);
  for (int i = 0; i < ko::gpu::kPluginKernelCount; ++i) EXPECT_EQ(PluginKernel(i), nullptr);
  const auto context = reinterpret_cast<cl_context>(0x10);
  const auto queue = reinterpret_cast<cl_command_queue>(0x20);
  const auto image = reinterpret_cast<cl_mem>(0x30);
  uint8_t px[16] = {}, out[16] = {};
  EXPECT_EQ(CreateCLImage(context, 2, 2), nullptr);
  EXPECT_EQ(ReleaseOpenCLImage(image), -2);
  EXPECT_FALSE(CopyMemoryToOpenCLImage(image, queue, px, 8, 2, 2));
  EXPECT_FALSE(CopyOpenCLImageToMemory(queue, image, out, 8, 2, 2));
  EXPECT_EQ(Succeeding(context, queue, image), 0);
  PluginUnload();
}

#ifdef _WIN32
// Wine's builtin opencl.dll is the runtime here. A Windows process cannot
// hand WINEDLLOVERRIDES to its child (Wine reads it from the Unix
// environment), so the child is a copy of this program under its own name,
// for which the prefix's per-program overrides disable opencl.dll.
int RunWithoutRuntime(const std::string &filter) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const char name[] = "kotest_gpu_no_opencl.exe";
  std::string copy(exe);
  copy = copy.substr(0, copy.find_last_of("\\/") + 1) + name;
  if (!CopyFileA(exe, copy.c_str(), FALSE)) return 95;
  HKEY key = nullptr;
  std::string path = std::string("Software\\Wine\\AppDefaults\\") + name + "\\DllOverrides";
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return 94;
  const char disabled[] = "";  // no load order: the DLL is disabled
  RegSetValueExA(key, "opencl", 0, REG_SZ, reinterpret_cast<const BYTE *>(disabled),
                 sizeof disabled);
  RegCloseKey(key);
  _putenv_s(kChildVariable, "1");
  const std::string arg = "--gtest_filter=" + filter;
  const intptr_t code = _spawnl(_P_WAIT, copy.c_str(), copy.c_str(), arg.c_str(), nullptr);
  _putenv_s(kChildVariable, "");
  DeleteFileA(copy.c_str());
  return int(code);
}
#else
int RunWithoutRuntime(const std::string &filter) {
  // The ICD loader this process opened, as a file.
  Dl_info info = {};
  if (!dladdr(reinterpret_cast<void *>(LibraryRuntime()->clGetPlatformIDs), &info)) return 98;
  const std::string lib = info.dli_fname;
  char exe[4096] = {};
  if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0) return 97;
  // A private mount namespace in which the loader library is an empty file.
  std::string cmd = std::string(kChildVariable) + "=1 unshare -m sh -c 'mount --bind /dev/null " +
                    lib + " && exec \"" + exe + "\" --gtest_filter=" + filter + "'";
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 96;
}
#endif

TEST(GpuNoRuntime, EveryCallFailsCleanly) {
  if (std::getenv(kChildVariable)) {
    NoRuntimeChecks();
    return;
  }
  EXPECT_EQ(RunWithoutRuntime("GpuNoRuntime.EveryCallFailsCleanly"), 0)
      << "the child without a runtime reported failures";
}

}  // namespace
