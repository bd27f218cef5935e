// The YUV set on pocl against the processor converters: every source layout
// at each reduce value and matrix, 8-bit and float images, studio and
// expanded levels, both branches of the gamma step, interlaced chroma, odd
// and 1x1 frames; NV12 and P010 from BGRA and float images; bad input and
// the set's objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "colour/colour_test_util.h"
#include "gpu_fixture.h"
#include "kokernel/kodib.h"
#include "kokernel/koyuv.h"

namespace {

using namespace kotest::gpu;

const int kSizes[][2] = {{1, 1}, {37, 23}, {64, 36}};
const uint32_t kMatrices[] = {515, 516, 517};

cl_mem Buffer(const std::vector<uint8_t> &bytes) {
  cl_int e;
  return KO_CL_OBJ(Shared().rt, clCreateBuffer, &e, Shared().context, CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR,
                   bytes.size(), const_cast<uint8_t *>(bytes.data()));
}
// Image of w x h RGBA floats (px may be null); read back as floats.
cl_mem FloatImage(int w, int h, const float *px) {
  cl_image_format format = {CL_RGBA, CL_FLOAT};
  cl_int e;
  return KO_CL_OBJ(Shared().rt, clCreateImage2D, &e, Shared().context,
                   CL_MEM_READ_WRITE | (px ? CL_MEM_COPY_HOST_PTR : 0), &format, size_t(w), size_t(h), size_t{0},
                   const_cast<float *>(px));
}
template <class T>
std::vector<T> Read(cl_mem m, size_t count, int w = 0, int h = 0) {
  std::vector<T> v(count);
  size_t origin[3] = {0, 0, 0}, region[3] = {size_t(w), size_t(h), 1};
  KoOpenCLRuntime *rt = Shared().rt;
  cl_int e = KO_CL(rt, clFinish, Shared().queue);
  if (e == CL_SUCCESS)
    e = w ? KO_CL(rt, clEnqueueReadImage, Shared().queue, m, CL_TRUE, origin, region, size_t{0}, size_t{0}, v.data(),
                  0u, nullptr, nullptr)
          : KO_CL(rt, clEnqueueReadBuffer, Shared().queue, m, CL_TRUE, size_t{0}, count * sizeof(T), v.data(), 0u,
                  nullptr, nullptr);
  EXPECT_EQ(e, CL_SUCCESS);
  return v;
}

struct Bitmap {
  BITMAPINFOHEADER h{};
  std::vector<uint8_t> bits;
  Bitmap(int type, int w, int hgt) {
    uint32_t size = 0;
    KoVideo_InitBitmapInfo(&h, type, w, hgt, nullptr, 0, &size);
    bits.assign(size, 0xCD);
  }
};

// A frame: random bytes, or for "Photo" the test picture encoded by the
// processor (empty where it cannot write the layout).
std::vector<uint8_t> MakeFrame(const BITMAPINFOHEADER &hd, KoYUVPlaneLayout *l, Picture pic, uint32_t seed) {
  const uint32_t size = KoYUVImageBytesAndOffsets(&hd, l);
  std::vector<uint8_t> f = MakePicture(Picture::Random, int(size / 4 + 1), 1, seed);
  f.resize(size);
  if (pic == Picture::Photo) {
    Bitmap rgb(KOPT_RGBA32, hd.biWidth, hd.biHeight);
    const std::vector<uint8_t> px = MakePicture(Picture::Photo, hd.biWidth, hd.biHeight, seed);
    std::memcpy(rgb.bits.data(), px.data(), px.size());
    BITMAPINFOHEADER y = hd;
    if (KoYUV_RGBToYUV(&y, nullptr, f.data(), l, &rgb.h, 2.2, rgb.bits.data(), 0, 0, 0, true) != S_OK) f.clear();
  }
  return f;
}

class GpuYuv : public testing::Test {
 protected:
  void SetUp() override {
    KOTEST_REQUIRE_DEVICE();
    ASSERT_GE(YUV_OpenCL_Initialize(Shared().rt, BuildSetCallback), 0);
  }
};

// ---- YUV to RGB -------------------------------------------------------------

struct Variant {
  double outGamma, gamma;
  int range;
  bool toFloat;
  uint32_t interlace;
  bool gammaStep;  // the device evaluates the curve, the processor its table
};
const Variant kVariants[] = {
    {0, 0, 0, false, 0, false},   {2.2222222222222223, 0, 0, false, 0, false}, {1.0, 0, 0, false, 0, true},
    {2.2222222222222223, 1.0, 2, false, 1, true}, {0, 0, 0, true, 1, false}, {1.0, 0, 0, true, 0, true}};

class GpuYuvToRgb : public GpuYuv, public testing::WithParamInterface<std::tuple<const char *, int, uint32_t>> {};

TEST_P(GpuYuvToRgb, MatchesProcessor) {
  const auto [code, reduce, matrix] = GetParam();
  for (const auto &size : kSizes)
    for (Picture pic : {Picture::Random, Picture::Photo})
      for (const Variant &v : kVariants) {
        const BITMAPINFOHEADER hd = kotest::YuvHeader(code, size[0], size[1]);
        KoYUVPlaneLayout l;
        const std::vector<uint8_t> frame = MakeFrame(hd, &l, pic, size[0] * 7 + reduce);
        if (frame.empty()) continue;
        // Frames that reduce to nothing are accepted and leave the image alone.
        const int ow = size[0] >> reduce, oh = size[1] >> reduce;
        if (ow == 0 || oh == 0) {
          EXPECT_EQ(KoYUV_YUVToRGB_OCL(Shared().queue, nullptr, nullptr, 0, &hd, nullptr, &l, reduce, 0, nullptr),
                    E_POINTER);
          continue;
        }
        const uint32_t ci[4] = {0, matrix, 0, v.interlace};
        KoYUVConvertParams params{};
        params.range = v.range;
        params.gamma = v.gamma;
        Bitmap cpu(v.toFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, ow, oh);
        ASSERT_EQ(KoYUV_YUVToRGB(&cpu.h, v.outGamma, cpu.bits.data(), 0, &hd, ci, frame.data(), &l, reduce, 0, &params),
                  S_OK);
        cl_mem src = Buffer(frame), dst = v.toFloat ? FloatImage(ow, oh, nullptr) : UploadBgra(nullptr, ow, oh);
        ASSERT_TRUE(src && dst);
        EXPECT_EQ(KoYUV_YUVToRGB_OCL(Shared().queue, dst, src, v.outGamma, &hd, ci, &l, reduce, 0, &params), S_OK);
        const std::string what = std::string(code) + " " + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                 " " + PictureName(pic) + " variant " + std::to_string(&v - kVariants);
        // The device image is top-down, the bitmap bottom-up.
        double worst = 0;
        if (v.toFloat) {
          const std::vector<float> dev = Read<float>(dst, size_t(ow) * oh * 4, ow, oh);
          for (int y = 0; y < oh; ++y)
            for (int x = 0; x < ow; ++x)
              for (int c = 0; c < 4; ++c) {
                float p;
                std::memcpy(&p, &cpu.bits[(size_t(oh - 1 - y) * ow + x) * 16 + 4 * c], 4);
                const float d = dev[(size_t(y) * ow + x) * 4 + (c == 3 ? 3 : 2 - c)];
                worst = std::max(worst, double(std::fabs(d - p)));
              }
          EXPECT_LE(worst, v.gammaStep ? 1.0 / 255 : 0.0) << what;
        } else {
          const std::vector<uint8_t> dev = Read<uint8_t>(dst, size_t(ow) * oh * 4, ow, oh);
          for (int y = 0; y < oh; ++y)
            for (int i = 0; i < 4 * ow; ++i)
              worst = std::max(worst, std::fabs(double(dev[size_t(y) * ow * 4 + i]) -
                                                cpu.bits[size_t(oh - 1 - y) * ow * 4 + i]));
          EXPECT_LE(worst, v.gammaStep ? 1 : 0) << what;
        }
        Release(src);
        Release(dst);
      }
}

INSTANTIATE_TEST_SUITE_P(Layouts, GpuYuvToRgb,
                         testing::Combine(testing::Values("I420", "YV12", "NV12", "YV16", "YV24", "YUYV", "UYVY",
                                                          "P010", "P012", "PL10", "P210", "P212", "P216", "P410",
                                                          "P412", "A410", "Y210", "v210"),
                                          testing::Range(0, 4), testing::ValuesIn(kMatrices)));

// ---- RGB to YUV -------------------------------------------------------------

class GpuRgbToYuv : public GpuYuv, public testing::WithParamInterface<std::tuple<const char *, bool, uint32_t>> {};

TEST_P(GpuRgbToYuv, MatchesProcessor) {
  const auto [code, fromFloat, matrix] = GetParam();
  struct Levels {
    double gamma;
    bool studio;
    uint32_t interlace;
  };
  for (const auto &size : kSizes)
    for (Picture pic : {Picture::Random, Picture::Photo})
      for (const Levels lv : {Levels{2.2, true, 0}, Levels{0, true, 0}, Levels{2.2, true, 2}, Levels{1.0, false, 1}}) {
        const int w = size[0], h = size[1];
        const BITMAPINFOHEADER hd = kotest::YuvHeader(code, w, h);
        KoYUVPlaneLayout l;
        const std::vector<uint8_t> blank(KoYUVImageBytesAndOffsets(&hd, &l), 0xCD);
        const std::vector<uint8_t> px = MakePicture(pic, w, h, w + 3);
        // The bitmap holds the picture bottom-up; float values reach a little
        // beyond 0..1.
        Bitmap rgb(fromFloat ? KOPT_RGBAFLOAT : KOPT_RGBA32, w, h);
        std::vector<float> rgba(px.size());
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
              const uint8_t b = px[(size_t(y) * w + x) * 4 + c];
              const float f = b / 255.f * 1.2f - 0.1f;
              const size_t at = size_t(h - 1 - y) * w + x;
              if (fromFloat)
                std::memcpy(&rgb.bits[at * 16 + 4 * c], &f, 4);
              else
                rgb.bits[at * 4 + c] = b;
              rgba[(size_t(y) * w + x) * 4 + (c == 3 ? 3 : 2 - c)] = f;
            }
        const uint32_t ci[4] = {0, matrix, 0, lv.interlace};
        std::vector<uint8_t> cpu = blank;
        ASSERT_EQ(KoYUV_RGBToYUV(const_cast<BITMAPINFOHEADER *>(&hd), ci, cpu.data(), &l, &rgb.h, lv.gamma,
                                 rgb.bits.data(), 0, 0, 0, lv.studio),
                  S_OK);
        cl_mem src = fromFloat ? FloatImage(w, h, rgba.data()) : UploadBgra(px, w, h), dst = Buffer(blank);
        ASSERT_TRUE(src && dst);
        EXPECT_EQ(KoYUV_RGBToYUV_OCL(Shared().queue, &hd, ci, dst, &l, &rgb.h, lv.gamma, src, 0, 0, lv.studio), S_OK);
        EXPECT_EQ(Read<uint8_t>(dst, blank.size()), cpu)
            << code << " " << w << "x" << h << " " << PictureName(pic) << " interlace " << lv.interlace;
        Release(src);
        Release(dst);
      }
}

INSTANTIATE_TEST_SUITE_P(Targets, GpuRgbToYuv,
                         testing::Combine(testing::Values("NV12", "P010"), testing::Bool(),
                                          testing::ValuesIn(kMatrices)));

// ---- Bad input and the set's objects -------------------------------------------

TEST_F(GpuYuv, RefusesBadInput) {
  const int w = 8, h = 6;
  const BITMAPINFOHEADER i420 = kotest::YuvHeader("I420", w, h), iyuv = kotest::YuvHeader("IYUV", w, h),
                         y41b = kotest::YuvHeader("Y41B", w, h), nv12 = kotest::YuvHeader("NV12", w, h),
                         big = kotest::YuvHeader("I420", 2 * w, 2 * h);
  Bitmap rgb(KOPT_RGBA32, w, h), rgb24(KOPT_RGB24, w, h);
  cl_mem buf = Buffer(std::vector<uint8_t>(w * h * 3 / 2, 16)), img = UploadBgra(nullptr, w, h);
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
  } cases[] = {
      {"valid frame", toRgb(q, &i420, 0), S_OK},
      {"IYUV source", toRgb(q, &iyuv, 0), E_FAIL},
      {"Y41B source", toRgb(q, &y41b, 0), E_FAIL},
      {"reduce 4", toRgb(q, &i420, 4), E_FAIL},
      {"null queue", toRgb(nullptr, &i420, 0), E_POINTER},
      {"null header", toRgb(q, nullptr, 0), E_POINTER},
      {"frame beyond buffer and image", toRgb(q, &big, 0), E_INVALIDARG},
      {"valid target", toYuv(q, &nv12, &rgb.h, 0), S_OK},
      {"I420 target", toYuv(q, &i420, &rgb.h, 0), E_FAIL},
      {"reduce 1 target", toYuv(q, &nv12, &rgb.h, 1), E_FAIL},
      {"24-bit source", toYuv(q, &nv12, &rgb24.h, 0), E_FAIL},
      {"null queue target", toYuv(nullptr, &nv12, &rgb.h, 0), E_POINTER},
  };
  for (const auto &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  KO_CL(Shared().rt, clFinish, q);
  EXPECT_EQ(YUV_OpenCL_Shutdown(), S_OK);
  EXPECT_EQ(toRgb(q, &i420, 0), E_FAIL) << "uninitialised set";
  EXPECT_EQ(toYuv(q, &nv12, &rgb.h, 0), E_FAIL) << "uninitialised set";
  EXPECT_EQ(YUV_OpenCL_Initialize(Shared().rt, nullptr), S_FALSE) << "no callback";
  Release(buf);
  Release(img);
}

// A host record: 55 kernels and the program are created through it, nothing
// is created per call, and shutdown releases all of them.
TEST_F(GpuYuv, SetReleasesWhatItCreates) {
  EXPECT_EQ(YUV_OpenCL_Shutdown(), S_OK);
  CountingRecord host;
  InstallCounting(LibraryRuntime());  // the build callback's program
  const int before = LiveObjects(), kernels = LiveCounts()[kKernel];
  EXPECT_EQ(YUV_OpenCL_Initialize(&host.rt, BuildSetCallback), S_OK);
  EXPECT_EQ(LiveCounts()[kKernel] - kernels, 55);
  EXPECT_EQ(YUV_OpenCL_Initialize(&host.rt, BuildSetCallback), S_FALSE);
  const BITMAPINFOHEADER hd = kotest::YuvHeader("v210", 12, 2);
  KoYUVPlaneLayout l;
  cl_mem buf = Buffer(std::vector<uint8_t>(KoYUVImageBytesAndOffsets(&hd, &l))), img = UploadBgra(nullptr, 12, 2);
  const int live = LiveObjects();
  EXPECT_EQ(KoYUV_YUVToRGB_OCL(Shared().queue, img, buf, 0, &hd, nullptr, &l, 0, 0, nullptr), S_OK);
  KO_CL(Shared().rt, clFinish, Shared().queue);
  EXPECT_EQ(LiveObjects(), live);
  Release(buf);
  Release(img);
  EXPECT_EQ(YUV_OpenCL_Shutdown(), S_OK);
  EXPECT_EQ(LiveObjects(), before);
  RemoveCounting(LibraryRuntime());
  EXPECT_EQ(YUV_OpenCL_Initialize(Shared().rt, BuildSetCallback), S_OK);
}

}  // namespace
