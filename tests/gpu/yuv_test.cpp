// The YUV set on pocl against the processor converters: every source layout
// at each reduce value and matrix, 8-bit and float images, studio and
// expanded levels, both gamma branches, interlaced chroma, odd and 1x1
// frames; NV12 and P010 from BGRA and float images; bad input; objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "colour/colour_test_util.h"
#include "gpu_fixture.h"
#include "pixels/pixels_test_util.h"
#include "kokernel/kodib.h"

namespace {

using namespace kotest::gpu;
using kotest::Dib;

const int kSizes[][2] = {{1, 1}, {37, 23}, {64, 36}};
const uint32_t kMatrices[] = {515, 516, 517};

// A frame of random bytes, or the photo picture as the processor encodes it
// (empty where it cannot write the layout).
std::vector<uint8_t> MakeFrame(BITMAPINFOHEADER hd, KoYUVPlaneLayout *l, Picture pic, uint32_t seed) {
  const uint32_t size = KoYUVImageBytesAndOffsets(&hd, l);
  std::vector<uint8_t> f = MakePicture(Picture::Random, int(size / 4 + 1), 1, seed);
  f.resize(size);
  Dib rgb(KOPT_RGBA32, hd.biWidth, hd.biHeight);
  const std::vector<uint8_t> px = MakePicture(Picture::Photo, hd.biWidth, hd.biHeight, seed);
  for (int y = 0; y < hd.biHeight; ++y) std::memcpy(rgb.Row(y), &px[size_t(y) * hd.biWidth * 4], hd.biWidth * 4u);
  if (pic == Picture::Photo && KoYUV_RGBToYUV(&hd, nullptr, f.data(), l, rgb.h, 2.2, rgb.Bits(), 0, 0, 0, true))
    f.clear();
  return f;
}

class GpuYuv : public testing::Test {
 protected:
  void SetUp() override {
    KOTEST_REQUIRE_DEVICE();
    ASSERT_GE(YUV_OpenCL_Initialize(Shared().rt, BuildSetCallback), 0);
  }
};

// ---- YUV to RGB: exact, except where the device evaluates the tone curve and
// the processor interpolates its table ---------------------------------------

struct Variant {
  double outGamma, gamma;
  int range;
  bool toFloat;
  uint32_t interlace;
  bool gammaStep;
};
const Variant kVariants[] = {{0, 0, 0, false, 0, false},    {2.2222222222222223, 0, 0, false, 0, false},
                             {1.0, 0, 0, false, 0, true},   {2.2222222222222223, 1.0, 2, false, 1, true},
                             {0, 0, 0, true, 1, false},     {1.0, 0, 0, true, 0, true}};

class GpuYuvToRgb : public GpuYuv, public testing::WithParamInterface<std::tuple<const char *, int, uint32_t>> {};

TEST_P(GpuYuvToRgb, MatchesProcessor) {
  const auto [code, reduce, matrix] = GetParam();
  for (const auto &size : kSizes)
    for (Picture pic : {Picture::Random, Picture::Photo})
      for (const Variant &v : kVariants) {
        const BITMAPINFOHEADER hd = kotest::YuvHeader(code, size[0], size[1]);
        KoYUVPlaneLayout l;
        const std::vector<uint8_t> frame = MakeFrame(hd, &l, pic, size[0] * 7 + reduce);
        const int ow = size[0] >> reduce, oh = size[1] >> reduce;
        if (frame.empty() || ow == 0 || oh == 0) continue;
        const uint32_t ci[4] = {0, matrix, 0, v.interlace};
        const KoYUVConvertParams params{0, v.range, {}, v.gamma};
        Dib cpu(v.toFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, ow, oh);
        ASSERT_EQ(KoYUV_YUVToRGB(cpu.h, v.outGamma, cpu.Bits(), 0, &hd, ci, frame.data(), &l, reduce, 0, &params),
                  S_OK);
        cl_mem src = UploadBuffer(frame.data(), frame.size());
        cl_mem dst = v.toFloat ? UploadRgbaFloat(nullptr, ow, oh) : UploadBgra(nullptr, ow, oh);
        EXPECT_EQ(KoYUV_YUVToRGB_OCL(Shared().queue, dst, src, v.outGamma, &hd, ci, &l, reduce, 0, &params), S_OK);
        const std::vector<uint8_t> dev = v.toFloat ? std::vector<uint8_t>() : ReadBgra(dst, ow, oh);
        const std::vector<float> devFloat = v.toFloat ? Read<float>(dst, ow, oh) : std::vector<float>();
        ASSERT_EQ(dev.size() + devFloat.size(), size_t(ow) * oh * 4);
        double worst = 0;  // float images are RGBA
        for (int y = 0; y < oh; ++y)
          for (int x = 0; x < ow; ++x)
            for (int c = 0; c < 4; ++c) {
              const size_t at = size_t(y) * ow + x;
              const double d = v.toFloat ? devFloat[at * 4 + (c == 3 ? 3 : 2 - c)] : dev[at * 4 + c];
              worst = std::max(worst, std::fabs(d - cpu.Value(x, y, c)));
            }
        EXPECT_LE(worst, v.gammaStep ? (v.toFloat ? 1.0 / 255 : 1.0) : 0.0)
            << code << " " << size[0] << "x" << size[1] << " " << PictureName(pic) << " variant " << (&v - kVariants);
        Release(src);
        Release(dst);
      }
}

INSTANTIATE_TEST_SUITE_P(Layouts, GpuYuvToRgb,
                         testing::Combine(testing::Values("I420", "YV12", "NV12", "YV16", "YV24", "YUYV", "UYVY",
                                                          "P010", "P012", "PL10", "P210", "P212", "P216", "P410",
                                                          "P412", "A410", "Y210", "v210"),
                                          testing::Range(0, 4), testing::ValuesIn(kMatrices)));

// ---- RGB to YUV: the same bytes ------------------------------------------------

class GpuRgbToYuv : public GpuYuv, public testing::WithParamInterface<std::tuple<const char *, bool, uint32_t>> {};

TEST_P(GpuRgbToYuv, MatchesProcessor) {
  const auto [code, isFloat, matrix] = GetParam();
  struct Levels {
    double gamma;
    bool studio;
    uint32_t interlace;
  };
  for (const auto &size : kSizes)
    for (Picture pic : {Picture::Random, Picture::Photo})
      for (const Levels lv : {Levels{2.2, true, 0}, Levels{0, true, 0}, Levels{2.2, true, 2}, Levels{1.0, false, 1}}) {
        const int w = size[0], h = size[1];
        BITMAPINFOHEADER hd = kotest::YuvHeader(code, w, h);
        KoYUVPlaneLayout l;
        const std::vector<uint8_t> blank(KoYUVImageBytesAndOffsets(&hd, &l), 0xCD), px = MakePicture(pic, w, h, w + 3);
        // Float values reach a little beyond 0..1; the device image is RGBA.
        Dib rgb(isFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, w, h);
        std::vector<float> rgba(px.size());
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
              const uint8_t b = px[(size_t(y) * w + x) * 4 + c];
              const float f = b / 255.f * 1.2f - 0.1f;
              if (isFloat) std::memcpy(rgb.Row(y) + 16 * x + 4 * c, &f, 4); else rgb.Row(y)[4 * x + c] = b;
              rgba[(size_t(y) * w + x) * 4 + (c == 3 ? 3 : 2 - c)] = f;
            }
        const uint32_t ci[4] = {0, matrix, 0, lv.interlace};
        std::vector<uint8_t> cpu = blank;
        ASSERT_EQ(KoYUV_RGBToYUV(&hd, ci, cpu.data(), &l, rgb.h, lv.gamma, rgb.Bits(), 0, 0, 0, lv.studio), S_OK);
        cl_mem src = isFloat ? UploadRgbaFloat(rgba.data(), w, h) : UploadBgra(px, w, h);
        cl_mem dst = UploadBuffer(blank.data(), blank.size());
        EXPECT_EQ(KoYUV_RGBToYUV_OCL(Shared().queue, &hd, ci, dst, &l, rgb.h, lv.gamma, src, 0, 0, lv.studio), S_OK);
        EXPECT_EQ(Read<uint8_t>(dst, int(blank.size()), 0), cpu) << code << " " << w << "x" << h << " " << PictureName(pic) << " "
                                                << lv.gamma << " " << lv.studio << " " << lv.interlace;
        Release(src);
        Release(dst);
      }
}

INSTANTIATE_TEST_SUITE_P(Targets, GpuRgbToYuv,
                         testing::Combine(testing::Values("NV12", "P010"), testing::Bool(),
                                          testing::ValuesIn(kMatrices)));

// ---- Bad input, and the objects of the set ------------------------------------

TEST_F(GpuYuv, RefusesBadInputAndReleasesItsObjects) {
  const BITMAPINFOHEADER i420 = kotest::YuvHeader("I420", 8, 6), iyuv = kotest::YuvHeader("IYUV", 8, 6),
                         y41b = kotest::YuvHeader("Y41B", 8, 6), nv12 = kotest::YuvHeader("NV12", 8, 6),
                         big = kotest::YuvHeader("I420", 16, 12);
  Dib rgb(KOPT_RGBA32, 8, 6);
  BITMAPINFOHEADER rgb24 = *rgb.h;
  rgb24.biBitCount = 24;
  const std::vector<uint8_t> bytes(256, 16);  // an 8 x 6 I420 frame, or a 12 x 2 v210 one
  cl_mem buf = UploadBuffer(bytes.data(), bytes.size()), img = UploadBgra(nullptr, 8, 6);
  cl_command_queue q = Shared().queue;
  auto toRgb = [&](cl_command_queue queue, const BITMAPINFOHEADER *hd, int reduce) {
    return KoYUV_YUVToRGB_OCL(queue, img, buf, 0, hd, nullptr, nullptr, reduce, 0, nullptr);
  };
  auto toYuv = [&](cl_command_queue queue, const BITMAPINFOHEADER *hd, const BITMAPINFOHEADER *rh, int reduce) {
    return KoYUV_RGBToYUV_OCL(queue, hd, nullptr, buf, nullptr, rh, 2.2, img, reduce, 0, true);
  };
  const struct {
    const char *what;
    HRESULT got, want;
  } cases[] = {{"valid frame", toRgb(q, &i420, 0), S_OK},        {"IYUV", toRgb(q, &iyuv, 0), E_FAIL},
               {"Y41B", toRgb(q, &y41b, 0), E_FAIL},             {"reduce 4", toRgb(q, &i420, 4), E_FAIL},
               {"null queue", toRgb(nullptr, &i420, 0), E_POINTER}, {"null header", toRgb(q, nullptr, 0), E_POINTER},
               {"beyond buffer and image", toRgb(q, &big, 0), E_INVALIDARG},
               {"valid target", toYuv(q, &nv12, rgb.h, 0), S_OK}, {"I420 target", toYuv(q, &i420, rgb.h, 0), E_FAIL},
               {"reduce 1", toYuv(q, &nv12, rgb.h, 1), E_FAIL},
               {"24-bit source", toYuv(q, &nv12, &rgb24, 0), E_FAIL},
               {"null queue target", toYuv(nullptr, &nv12, rgb.h, 0), E_POINTER}};
  for (const auto &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  KO_CL(Shared().rt, clFinish, q);
  EXPECT_EQ(YUV_OpenCL_Shutdown(), S_OK);
  EXPECT_EQ(toRgb(q, &i420, 0), E_FAIL) << "uninitialised set";
  EXPECT_EQ(toYuv(q, &nv12, rgb.h, 0), E_FAIL) << "uninitialised set";
  // Through a host record: 55 kernels and the program, nothing per call
  // (a v210 frame, which takes the most steps), all released at shutdown.
  CountingRecord host;
  InstallCounting(LibraryRuntime());  // the build callback's program
  const int before = LiveObjects(), kernels = LiveCounts()[kKernel];
  EXPECT_EQ(YUV_OpenCL_Initialize(&host.rt, BuildSetCallback), S_OK);
  EXPECT_EQ(LiveCounts()[kKernel] - kernels, 55);
  const BITMAPINFOHEADER v210 = kotest::YuvHeader("v210", 12, 2);
  cl_mem wide = UploadBgra(nullptr, 12, 2);
  const int live = LiveObjects();
  EXPECT_EQ(KoYUV_YUVToRGB_OCL(q, wide, buf, 0, &v210, nullptr, nullptr, 0, 0, nullptr), S_OK);
  KO_CL(Shared().rt, clFinish, q);
  EXPECT_EQ(LiveObjects(), live);
  Release(wide);
  EXPECT_EQ(YUV_OpenCL_Shutdown(), S_OK);
  EXPECT_EQ(LiveObjects(), before);
  RemoveCounting(LibraryRuntime());
  EXPECT_EQ(YUV_OpenCL_Initialize(Shared().rt, BuildSetCallback), S_OK);
  Release(buf);
  Release(img);
}

}  // namespace
