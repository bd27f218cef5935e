// The bitmap-copy and interlace sets on pocl against their processor twins:
// the same pictures through the device and through KoDibCopy, the scalers,
// the fill, fade and swap, and the interlace and field functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "gpu/gpu_fixture.h"
#include "kokernel/kodibops.h"
#include "kokernel/koxchg.h"
#include "pixels/pixels_test_util.h"

using namespace kotest::gpu;
using kotest::Dib;
using Px = std::vector<uint8_t>;

namespace {

// Pictures are top row first, 4 bytes a pixel; DIB rows are bottom-up.
void Put(const Dib &d, const Px &p) {
  for (int y = 0; y < d.H(); ++y) std::memcpy(d.Row(y), &p[size_t(y) * d.W() * 4], size_t(d.W()) * 4);
}
Px Take(const Dib &d) {
  Px p(size_t(d.W()) * d.H() * 4);
  for (int y = 0; y < d.H(); ++y) std::memcpy(&p[size_t(y) * d.W() * 4], d.Row(y), size_t(d.W()) * 4);
  return p;
}
// A quarter turn: column x of p (w x h) becomes row w - 1 - x; back undoes it.
Px Turn(const Px &p, int w, int h, bool back) {
  Px r(p.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t a = (size_t(w - 1 - x) * h + y) * 4, b = (size_t(y) * w + x) * 4;
      std::memcpy(&r[back ? b : a], &p[back ? a : b], 4);
    }
  return r;
}

// Both sets made from the shared record (want: S_OK first, S_FALSE when
// they exist already), or shut down.
void InitSets(HRESULT want, KoOpenCLRuntime *rt = Shared().rt, KoOpenCLProgramCallback build = BuildSetCallback) {
  EXPECT_EQ(DibCopy_OpenCL_Initialize(rt, build), want);
  EXPECT_EQ(DibInterlace_OpenCL_Initialize(rt, build), want);
}
void ShutSets() {
  EXPECT_EQ(DibCopy_OpenCL_Shutdown(), S_OK);
  EXPECT_EQ(DibInterlace_OpenCL_Shutdown(), S_OK);
}
struct GpuDib : ::testing::Test {
  static void SetUpTestSuite() {
    if (Shared()) InitSets(S_OK);
  }
  static void TearDownTestSuite() { ShutSets(); }
};

#define KO_OPS(X)                                                                            \
  X(Same) X(Nearest) X(BilinearUp) X(BilinearDown) X(Bicubic) X(SubPixel) X(SubPixelNoMix)  \
  X(Box) X(Fade) X(FadeEdges) X(Swap) X(Fill) X(Rows) X(Columns) X(FieldRows) X(FieldColumns) \
  X(FrameMean) X(FrameWeave)
#define KO_ENUM(n) n,
#define KO_NAME(n) #n,
enum Op { KO_OPS(KO_ENUM) kOps };
const char *const kOpNames[kOps] = {KO_OPS(KO_NAME)};
struct Size { int w, h; };

using Param = std::tuple<Op, Size, Picture, int /*field*/>;
class GpuDibTwins : public GpuDib, public ::testing::WithParamInterface<Param> {};

TEST_P(GpuDibTwins, DeviceMatchesProcessor) {
  KOTEST_REQUIRE_DEVICE();
  const auto [op, size, picture, field] = GetParam();
  const int W = size.w, H = size.h;
  const cl_command_queue q = Shared().queue;
  // Destination size: the source's, or what the operation makes of it.
  int dw = W, dh = H;
  if (op == Nearest || op == BilinearUp || op == Bicubic) dw = 2 * W + 1, dh = H + H / 2 + 1;
  if (op == BilinearDown) dw = (W + 2) / 3, dh = (H + 1) / 2;
  if (op == SubPixel || op == SubPixelNoMix) dw = W + 3, dh = H + 2;
  // (The area scaler averages only toward destinations of two pixels or more.)
  const int fx = W >= 4 ? 3 : 1, fy = H >= 4 ? 2 : 1;
  if (op == Box) dw = W / fx, dh = H / fy;
  const int fieldRows = field ? (H + 1) / 2 : H / 2;
  const bool frame = op == FrameMean || op == FrameWeave;
  const int sh = frame ? std::max(fieldRows, 1) : H;

  const Px src = MakePicture(picture, W, sh, uint32_t(W * 31 + H)), old = MakePicture(Picture::Random, dw, dh, 7);
  Dib s(KOPT_RGBA32, W, sh), d(KOPT_RGBA32, dw, dh);
  Put(s, src);
  Put(d, old);
  cl_mem is = UploadBgra(src, W, sh), id = UploadBgra(old, dw, dh);
  ASSERT_TRUE(is && id);

  const float fsr[4] = {W > 2 ? 1.25f : 0.25f, H > 2 ? 1.5f : 0.5f, float(W) - 0.5f, float(sh)};
  const float fdr[4] = {0.5f, 0.75f, float(dw) - 0.25f, float(dh) - 0.5f};
  auto fixed = [](const float *f) {
    return RECT{LONG(f[0] * 16384), LONG(f[1] * 16384), LONG(f[2] * 16384), LONG(f[3] * 16384)};
  };
  const RECT rect{W / 3, H / 4, W - W / 5, H};  // part of the image, or all of it
  const RECT sub{8192, 4096, LONG(W) * 16384 - 12000, LONG(H) * 16384 - 3000};
  const KODIBPIXEL colour{0.2f, 0.9f, 1.5f, 0.6f};
  HRESULT gpu = E_UNEXPECTED, cpu = E_UNEXPECTED;
  const uint32_t modes[] = {0, 1, 3, 3, 4 | KOXCHG_BICUBIC, 3, 4 | KOXCHG_BICUBIC | KOXCHG_NOEDGEMIX};
  if (op <= SubPixelNoMix) {
    const bool subRects = op >= SubPixel;
    const RECT cs = fixed(fsr), cd = fixed(fdr);
    cpu = KoDibCopy(d.h, nullptr, subRects ? &cd : nullptr, 0, s.h, nullptr, subRects ? &cs : nullptr, 0,
                    modes[op] | (subRects ? KOXCHG_SUBPIXEL : 0), 0, 0);
    gpu = KoDibCopyOCL(q, d.h, id, subRects ? fdr : nullptr, 0, s.h, is, subRects ? fsr : nullptr, 0, modes[op]);
  } else if (op == Box) {
    const uint32_t ssz[2] = {uint32_t(W), uint32_t(H)}, dsz[2] = {uint32_t(dw), uint32_t(dh)};
    const RECT sr{0, 0, dw * fx, dh * fy};
    Px out = old;
    cpu = KoDibScale_Bilinear(out.data(), dsz, dw * 4, nullptr, src.data(), ssz, W * 4, &sr, 4, 1, 0);
    Put(d, out);
    gpu = KoDibBoxFilterOCL(q, id, is, s.h, fx, fy);
  } else if (op == Fade || op == FadeEdges) {
    const uint32_t flags = op == FadeEdges ? KODIB_SUBPIXEL_RECT : 0;
    const RECT *r = op == FadeEdges ? &sub : &rect;
    cpu = KoDibFadeToColor(s.h, nullptr, r, 0, &colour, 0.7f, field, flags);
    gpu = KoDibFadeToColorOCL(q, s.h, is, &colour, r, 0.7f, field, flags);
  } else if (op == Swap) {
    cpu = KoDibSwapRB(s.h, nullptr, &rect, 0);
    gpu = KoDibSwapRB_OCL(q, s.h, is, &rect);
  } else if (op == Fill) {
    cpu = KoDibFillRect(s.h, nullptr, &rect, 0, &colour, 0);
    gpu = KoDibFillRectOCL(q, is, &rect, &colour);
  } else if (op == Rows) {
    cpu = KoDibCopyInterlace(d.h, nullptr, nullptr, 0, s.h, nullptr, nullptr, 0, field, 0);
    gpu = KoDibCopyInterlaceOCL(q, d.h, id, is, field);
  } else if (op == Columns) {  // the row form on the frame turned a quarter round
    Dib ts(KOPT_RGBA32, H, W), td(KOPT_RGBA32, H, W);
    Put(ts, Turn(src, W, H, false));
    cpu = KoDibCopyInterlace(td.h, nullptr, nullptr, 0, ts.h, nullptr, nullptr, 0, field, 0);
    Put(d, Turn(Take(td), W, H, true));
    gpu = KoDibCopyInterlaceVerticalOCL(q, d.h, id, is, field);
  } else if (op == FieldRows || op == FieldColumns) {
    cpu = (op == FieldRows ? KoDibMergeFields : KoDibMergeFieldsRotated)(d.h, nullptr, 0, s.h, nullptr, 0, field);
    gpu = KoDibCopyInterlaceCopyFieldOCL(q, d.h, id, is, field, op == FieldColumns);
  } else if (fieldRows == 0) {  // a one-row frame has no odd field
    cpu = S_OK;
    gpu = KoDibResampledInterlacedFrameOCL(q, d.h, id, is, field, op == FrameWeave) == E_INVALIDARG ? S_OK : E_FAIL;
  } else {
    // The field's rows woven into a frame, the other rows zero.
    Dib woven(KOPT_RGBA32, W, H);
    std::memset(woven.Bits(), 0, woven.Bytes());
    for (int k = 0; k < fieldRows; ++k)
      std::memcpy(woven.Row(2 * k + 1 - field), &src[size_t(k) * W * 4], size_t(W) * 4);
    cpu = op == FrameMean ? KoDibCopyInterlace(d.h, nullptr, nullptr, 0, woven.h, nullptr, nullptr, 0, field, 0)
                          : KoDibMergeFields(d.h, nullptr, 0, woven.h, nullptr, 0, field);
    gpu = KoDibResampledInterlacedFrameOCL(q, d.h, id, is, field, op == FrameWeave);
  }
  ASSERT_EQ(cpu, S_OK);
  ASSERT_EQ(gpu, S_OK);
  const bool inPlace = op >= Fade && op <= Fill;
  const Px want = Take(inPlace ? s : d);
  const Px got = inPlace ? ReadBgra(is, W, H) : ReadBgra(id, dw, dh);
  EXPECT_EQ(MaxDifference(got, want), 0);
  Release(is), Release(id);
}

std::string CaseName(const ::testing::TestParamInfo<Param> &i) {
  const auto [op, size, picture, field] = i.param;
  return std::string(kOpNames[op]) + "_" + std::to_string(size.w) + "x" + std::to_string(size.h) +
         "_" + PictureName(picture) + "_f" + std::to_string(field);
}
const Size kSizes[] = {{1, 1}, {2, 3}, {7, 5}, {130, 67}};
INSTANTIATE_TEST_SUITE_P(Twins, GpuDibTwins,
                         ::testing::Combine(::testing::Range(Op(0), kOps), ::testing::ValuesIn(kSizes),
                                            ::testing::Values(Picture::Random, Picture::Photo),
                                            ::testing::Values(0, 1)),
                         CaseName);

// Each function of the two sets with arguments that work on 8 x 6 images.
struct Call {
  const char *name;
  std::function<HRESULT(cl_command_queue, const BITMAPINFOHEADER *, cl_mem, cl_mem)> run;
};
const float kRect[4] = {0.5f, 0.5f, 7.5f, 5.0f};
const RECT kWhole{0, 0, 8, 6};
const KODIBPIXEL kGrey{0.5f, 0.5f, 0.5f, 1.0f};
const Call kCalls[] = {
    {"copy", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibCopyOCL(q, h, d, kRect, 0, h, s, kRect, 0, 3); }},
    {"box", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibBoxFilterOCL(q, d, s, h, 2, 2); }},
    {"fade", [](auto q, auto h, cl_mem d, cl_mem) { return KoDibFadeToColorOCL(q, h, d, &kGrey, &kWhole, 0.5f, 0, 0); }},
    {"swap", [](auto q, auto h, cl_mem d, cl_mem) { return KoDibSwapRB_OCL(q, h, d, nullptr); }},
    {"fill", [](auto q, auto, cl_mem d, cl_mem) { return KoDibFillRectOCL(q, d, nullptr, &kGrey); }},
    {"rows", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibCopyInterlaceOCL(q, h, d, s, 1); }},
    {"columns", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibCopyInterlaceVerticalOCL(q, h, d, s, 0); }},
    {"field", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibCopyInterlaceCopyFieldOCL(q, h, d, s, 1, 0); }},
    {"frame", [](auto q, auto h, cl_mem d, cl_mem s) { return KoDibResampledInterlacedFrameOCL(q, h, d, s, 1, 0); }},
};

cl_program NoProgram(const char *, int) { return nullptr; }
// Builds through a host record, so that its counts see the programs too.
KoOpenCLRuntime *g_builder;
cl_program BuildThrough(const char *text, int) {
  cl_int err = CL_SUCCESS;
  cl_program p = KO_CL_OBJ(g_builder, clCreateProgramWithSource, &err, Shared().context, 1u, &text, nullptr);
  const bool built = p && KO_CL(g_builder, clBuildProgram, p, 1u, &Shared().device, "", nullptr, nullptr) == 0;
  return built ? p : nullptr;  // (the suite fails on a leaked program anyway)
}

// Bad arguments; every call: E_FAIL without touching the image when the
// sets are missing (never initialised, or their build failed), S_OK once
// they exist; the sets' initialise rule; and what a host record saw
// created is released.
TEST_F(GpuDib, SetsRecordsAndBadArguments) {
  KOTEST_REQUIRE_DEVICE();
  const cl_command_queue q = Shared().queue;
  Dib s(KOPT_RGBA32, 8, 6), big(KOPT_RGBA32, 9, 6), rgb(KOPT_RGB24, 8, 6);
  const Px px = MakePicture(Picture::Photo, 8, 6, 3);
  cl_mem a = UploadBgra(px, 8, 6), b = UploadBgra(px, 8, 6);
  // Arguments the device functions refuse before enqueuing anything (for a
  // missing queue see below).
  const float outside[4] = {-1, 0, 8, 6}, past[4] = {0, 0, 8.5f, 6};
  struct Bad {
    const char *what;
    HRESULT got, want;
  } cases[] = {
      {"null image", KoDibSwapRB_OCL(q, s.h, nullptr, nullptr), E_INVALIDARG},
      {"null header", KoDibCopyInterlaceOCL(q, nullptr, a, b, 1), E_POINTER},
      {"rect outside", KoDibCopyOCL(q, s.h, a, outside, 0, s.h, b, nullptr, 0, 3), E_INVALIDARG},
      {"rect past the edge", KoDibCopyOCL(q, s.h, a, nullptr, 0, s.h, b, past, 0, 0), E_INVALIDARG},
      {"image smaller than its header", KoDibCopyInterlaceOCL(q, big.h, a, b, 1), E_INVALIDARG},
      {"RGB24 header", KoDibFadeToColorOCL(q, rgb.h, a, &kGrey, nullptr, 1, 0, 0), E_NOTIMPL},
      {"area averaging", KoDibCopyOCL(q, s.h, a, nullptr, 0, s.h, b, kRect, 0, 3 | KOXCHG_AREA), E_NOTIMPL},
      {"soft edges", KoDibCopyOCL(q, s.h, a, nullptr, 0, s.h, b, kRect, 0, 0x11000), E_NOTIMPL},
      {"field 2", KoDibCopyInterlaceVerticalOCL(q, s.h, a, b, 2), E_INVALIDARG},
      {"same image", KoDibCopyInterlaceOCL(q, s.h, a, a, 1), E_INVALIDARG},
      {"box factor 0", KoDibBoxFilterOCL(q, a, b, s.h, 0, 1), E_INVALIDARG},
  };
  for (const Bad &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_EQ(ReadBgra(a, 8, 6), px);
  auto all = [&](HRESULT want, const char *when, cl_command_queue queue) {
    for (const Call &c : kCalls) EXPECT_EQ(c.run(queue, s.h, a, b), want) << c.name << " " << when;
  };
  InitSets(S_FALSE);  // exists already
  ShutSets();
  all(E_FAIL, "after shutdown", q);
  EXPECT_EQ(ReadBgra(a, 8, 6), px);
  EXPECT_EQ(DibCopy_OpenCL_Initialize(Shared().rt, nullptr), S_FALSE);
  InitSets(E_FAIL, Shared().rt, NoProgram);
  all(E_FAIL, "after a failed build", q);
  EXPECT_EQ(ReadBgra(a, 8, 6), px);

  const int before = LiveObjects();
  {
    CountingRecord host;
    g_builder = &host.rt;
    InitSets(S_OK, &host.rt, BuildThrough);
    EXPECT_EQ(LiveObjects(), before + 11);  // two programs, nine kernels
    all(E_INVALIDARG, "without a queue", nullptr);
    all(S_OK, "through a host record", q);
    // A copy within one image reads a private copy of it.
    const float left[4] = {0, 0, 4, 6}, right[4] = {4, 0, 8, 6};
    const RECT l{0, 0, 4, 6}, r{4, 0, 8, 6};
    Put(s, ReadBgra(b, 8, 6));
    EXPECT_EQ(KoDibCopyOCL(q, s.h, b, right, 0, s.h, b, left, 0, 0), S_OK);
    EXPECT_EQ(KoDibCopy(s.h, nullptr, &r, 0, s.h, nullptr, &l, 0, 0, 0, 0), S_OK);
    EXPECT_EQ(ReadBgra(b, 8, 6), Take(s));
    EXPECT_EQ(KO_CL(&host.rt, clFinish, q), CL_SUCCESS);
    ShutSets();
    EXPECT_EQ(LiveObjects(), before);
  }
  InitSets(S_OK);
  Release(a), Release(b);
}

}  // namespace
