// kodemo and kotool over good and bad inputs: exit status and the message
// the user sees; conversions checked against the colour equations worked
// out here, and a .yuv -> BMP -> .yuv round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../tools/common/media_io.h"
#include "../../tools/demo/kodemo.h"
#include "../../tools/kotool/kotool.h"
#include "kokernel/kokernel.h"
#ifdef _WIN32
#include "kokernel/komsgbox.h"
#endif

namespace {

namespace fs = std::filesystem;

// The library is started for the whole program (../printf/started_library.cpp).
const std::string kDir = "tools-test-files/";

struct Result {
  int status;
  std::string out, err;
};

std::string Drain(std::FILE *f) {
  std::string s;
  for (std::rewind(f); !std::feof(f);) s += char(std::fgetc(f));
  std::fclose(f);
  return s.substr(0, s.size() - 1);
}

// Runs a tool in this process on words split at spaces.
Result RunTool(int (*tool)(int, char **, std::FILE *, std::FILE *), const std::string &line) {
  std::vector<std::string> words{"tool"};
  for (size_t at = 0; at < line.size();) {
    const size_t end = std::min(line.find(' ', at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  std::vector<char *> argv;
  for (auto &w : words) argv.push_back(w.data());
  std::FILE *out = std::tmpfile(), *err = std::tmpfile();
  const int status = tool(int(argv.size()), argv.data(), out, err);
  return {status, Drain(out), Drain(err)};
}

void Write(const std::string &name, const std::string &bytes) {
  std::ofstream(kDir + name, std::ios::binary) << bytes;
}
std::string Read(const std::string &name) {
  std::ifstream in(kDir + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A smooth 4:2:0 frame (in gamut for every matrix) in file order.
std::string SmoothI420(int w, int h, int seed) {
  std::string s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s += char(60 + (2 * x + y + seed) % 120);
  for (int plane = 0; plane < 2; ++plane)
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x) s += char(plane ? 148 - (2 * x + y) % 40 : 108 + (x + y) % 40);
  return s;
}

class Tools : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::create_directories(kDir + "out");
    const std::string frame = SmoothI420(64, 48, 0);
    Write("good.y4m", "YUV4MPEG2 W64 H48 F30000:1001 Ip C420jpeg\nFRAME\n" + frame + "FRAME\n" + SmoothI420(64, 48, 7));
    Write("good.yuv", frame);
    Write("truncated2.y4m", "YUV4MPEG2 W64 H48\nFRAME\n" + frame + "FRAME\n" + frame.substr(0, 1000));
    Write("lying.y4m", "YUV4MPEG2 W16384 H16384 C420\nFRAME\n" + frame);
    Write("overflow.y4m", "YUV4MPEG2 W4294967312 H48\nFRAME\n" + frame);
    Write("noheader.y4m", "RIFF0000AVI LIST");
    Write("endless.y4m", "YUV4MPEG2 W64 H48" + std::string(5000, ' '));
    Write("nosize.y4m", "YUV4MPEG2 F25:1\nFRAME\n");
    Write("chroma.y4m", "YUV4MPEG2 W64 H48 C410\nFRAME\n" + frame);
    Write("odd.y4m", "YUV4MPEG2 W63 H48\nFRAME\n" + frame);
    Write("marker.y4m", "YUV4MPEG2 W64 H48\nFRAMES\n" + frame);
    Write("short.bmp", "BM\x10\0\0\0");
    std::string bmp = kotools_bmp(4, 4, 24);
    Write("cut.bmp", bmp.substr(0, bmp.size() - 5));
    Write("indexed.bmp", kotools_bmp(4, 4, 8));
    Write("huge.bmp", kotools_bmp(1, 1, 24, 70000));
    Write("good.bmp", bmp);
  }
  // A BMP of any depth and width written by hand (grey pixels).
  static std::string kotools_bmp(int w, int h, int bpp, int claimedWidth = 0) {
    const int stride = ((bpp * w + 31) / 8) & ~3;
    std::string pixels(size_t(stride) * std::abs(h), '\x80'), s = "BM";
    const auto put = [&s](uint32_t v, int bytes) {
      for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    };
    put(uint32_t(54 + pixels.size()), 4), put(0, 4), put(54, 4);
    put(40, 4), put(uint32_t(claimedWidth ? claimedWidth : w), 4), put(uint32_t(h), 4), put(1, 2), put(bpp, 2);
    put(0, 4), put(uint32_t(pixels.size()), 4);
    s.append(16, '\0');
    return s + pixels;
  }
};

// Status and message for each bad input; every message names the problem.
TEST_F(Tools, BadInputsGiveAStatusAndOneLine) {
  const std::string d = kDir;
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"convert " + d + "missing.y4m " + d + "out/x.bmp", 1, "cannot open " + d + "missing.y4m"},
      {"convert " + d + "lying.y4m " + d + "out/x.bmp", 1, "frame 1 is truncated (4608 of 402653184 bytes)"},
      {"convert " + d + "overflow.y4m " + d + "out/x.bmp", 1, "bad frame size 'W4294967312'"},
      {"convert " + d + "noheader.y4m " + d + "out/x.bmp", 1, "not a YUV4MPEG2 file"},
      {"convert " + d + "endless.y4m " + d + "out/x.bmp", 1, "header line is truncated or longer than 4096"},
      {"convert " + d + "nosize.y4m " + d + "out/x.bmp", 1, "the header has no frame size"},
      {"convert " + d + "chroma.y4m " + d + "out/x.bmp", 1, "unsupported chroma layout 'C410'"},
      {"convert " + d + "odd.y4m " + d + "out/x.bmp", 1, "63x48 does not suit I420"},
      {"convert " + d + "marker.y4m " + d + "out/x.bmp", 1, "frame 1 has no FRAME marker"},
      {"convert " + d + "good.y4m " + d + "out/x.bmp --frame 3", 1, "has no frame 3"},
      {"convert " + d + "good.yuv " + d + "out/x.bmp --size 99999x4", 2, "needs --size WxH"},
      {"convert " + d + "good.yuv " + d + "out/x.bmp --size 64x48 --layout ABCD", 2, "unknown layout 'ABCD'"},
      {"convert " + d + "good.yuv " + d + "out/x.bmp --size 64x48 --matrix 123", 2, "unknown matrix '123'"},
      {"convert " + d + "good.bmp " + d + "out/x.yuv --layout YV24", 1, "cannot write YV24"},
      {"convert " + d + "short.bmp " + d + "out/x.yuv", 1, "not a BMP file"},
      {"convert " + d + "cut.bmp " + d + "out/x.yuv", 1, "pixels are truncated"},
      {"scale " + d + "indexed.bmp " + d + "out/x.bmp --size 2x2", 1, "only uncompressed 24- and 32-bit"},
      {"blur " + d + "huge.bmp " + d + "out/x.bmp", 1, "BMP size 70000x1 is out of range"},
      {"scale " + d + "good.bmp " + d + "out/x.bmp", 2, "needs --size"},
      {"scale " + d + "good.bmp " + d + "out/x.bmp --size 2x2 --filter sinc", 2, "unknown filter 'sinc'"},
      {"blur " + d + "good.bmp " + d + "out/x.bmp --sigma -1", 2, "bad --sigma"},
      {"blur " + d + "good.bmp " + d + "no-such-folder/x.bmp", 1, "cannot create " + d + "no-such-folder/x.bmp"},
      {"convert " + d + "good.y4m", 2, "wrong number of arguments"},
      {"convert a.txt b.txt", 2, "convert takes .y4m or .yuv to .bmp"},
      {"time soon", 2, "'soon' is not a number of seconds"},
      {"time 1 --format smpte-26", 2, "unknown format 'smpte-26'"},
      {"error 0xZZ", 2, "'0xZZ' is not a result code"},
      {"error 0x12345678", 1, "no text for 0x12345678"},
      {"error 0x8004E002 --lang xx", 2, "unknown language 'xx'"},
      {"cpu --fast 1", 2, "unknown option '--fast'"},
      {"render", 2, "unknown verb 'render'"},
  };
  for (const auto &c : cases) {
    const Result r = RunTool(RunKotool, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.find("kotool"), 0u) << c.args;
  }
}

// Uniform frames against the matrix equations: studio levels expanded to
// 0..255, or (full range) levels kept with chroma scaled by 219/224.
TEST_F(Tools, ConvertMatchesTheColourEquations) {
  const struct {
    const char *matrix;
    double kr, kb;
  } matrices[] = {{"601", 0.299, 0.114}, {"709", 0.2126, 0.0722}, {"2020", 0.2627, 0.0593}};
  const int colours[][3] = {{126, 128, 128}, {63, 102, 240}, {173, 42, 146}, {50, 180, 90}};
  for (const char *layout : {"I420", "YV12", "NV12"})
    for (const auto &m : matrices)
      for (const bool full : {false, true})
        for (const auto &c : colours) {
        // The planes in the layout's order, written out here.
        const std::string u(32 * 24, char(c[1])), v(32 * 24, char(c[2]));
        std::string frame(64 * 48, char(c[0]));
        if (layout[0] == 'N')
          for (size_t i = 0; i < u.size(); ++i) frame += {u[i], v[i]};
        else
          frame += layout[0] == 'Y' ? v + u : u + v;
        Write("uniform.yuv", frame);
        const std::string args = "convert " + kDir + "uniform.yuv " + kDir + "out/u.bmp --size 64x48 --layout " +
                                 layout + " --matrix " + m.matrix + (full ? " --range full" : "");
        ASSERT_EQ(RunTool(RunKotool, args).status, 0) << args;
        const double y = full ? c[0] : (c[0] - 16) * 255.0 / 219, scale = full ? 219.0 / 224 : 255.0 / 224;
        const double cb = (c[1] - 128) * scale, cr = (c[2] - 128) * scale;
        const double r = y + 2 * (1 - m.kr) * cr, b = y + 2 * (1 - m.kb) * cb;
        const double g = (y - m.kr * r - m.kb * b) / (1 - m.kr - m.kb);
        const std::string bmp = Read("out/u.bmp");
        ASSERT_EQ(bmp.size(), 54u + 64 * 48 * 4);
        const double want[3] = {b, g, r};
        for (int k = 0; k < 3; ++k)
          EXPECT_NEAR(uint8_t(bmp[54 + 4 * 100 + k]), std::clamp(want[k], 0.0, 255.0), 1.5)
              << args << " channel " << k << " of " << c[0] << "," << c[1] << "," << c[2];
      }
}

// .yuv -> BMP -> .yuv gives the frame back within one level, for every layout
// that can be written, every matrix and both ranges.
TEST_F(Tools, RoundTripThroughBmp) {
  const std::string i420 = SmoothI420(64, 48, 3);
  for (const char *layout : {"I420", "YV12", "NV12"})
    for (const char *matrix : {"601", "709", "2020"})
      for (const char *range : {"studio", "full"}) {
        // The input in the layout under test, from the I420 planes.
        kotools::YuvFrame frame;
        ASSERT_TRUE(kotools::MakeYuvFrame(*kotools::FindLayout("I420"), 64, 48, &frame));
        kotools::UnpackFrame(*kotools::FindLayout("I420"), reinterpret_cast<const uint8_t *>(i420.data()), &frame);
        std::string packed(i420.size(), '\0');
        kotools::YuvFrame same = frame;
        kotools::PackFrame(*kotools::FindLayout(layout), same, reinterpret_cast<uint8_t *>(packed.data()));
        Write("in.yuv", packed);
        const std::string opts = std::string(" --layout ") + layout + " --matrix " + matrix + " --range " + range;
        ASSERT_EQ(RunTool(RunKotool, "convert " + kDir + "in.yuv " + kDir + "out/rt.bmp --size 64x48" + opts).status, 0);
        ASSERT_EQ(RunTool(RunKotool, "convert " + kDir + "out/rt.bmp " + kDir + "out/rt.yuv" + opts).status, 0);
        const std::string back = Read("out/rt.yuv");
        ASSERT_EQ(back.size(), packed.size());
        int worst = 0;
        for (size_t i = 0; i < back.size(); ++i) worst = std::max(worst, std::abs(uint8_t(back[i]) - uint8_t(packed[i])));
        EXPECT_LE(worst, 1) << layout << " " << matrix << " " << range;
      }
}

TEST_F(Tools, ScaleBlurTimeAndErrorTexts) {
  ASSERT_EQ(RunTool(RunKotool, "scale " + kDir + "good.bmp " + kDir + "out/s.bmp --size 7x3 --filter area").status, 0);
  EXPECT_EQ(RunTool(RunKotool, "blur " + kDir + "good.bmp " + kDir + "out/b.bmp --sigma 3").status, 0);
  // A top-down file, blue over red, is turned over into the bottom-up DIB.
  std::string topDown = kotools_bmp(1, -2, 24), error;
  topDown.replace(54, 8, std::string("\xff\0\0\0\0\0\xff\0", 8));
  Write("topdown.bmp", topDown);
  kotools::Dib scaled, turned;
  ASSERT_TRUE(kotools::ReadBmp(kDir + "out/s.bmp", &scaled, &error) && kotools::ReadBmp(kDir + "topdown.bmp", &turned, &error))
      << error;
  EXPECT_EQ(scaled.width() * 100 + scaled.height(), 703);
  EXPECT_EQ(scaled.bits()[5 * 4 + 1], 0x80);  // grey stays grey
  EXPECT_EQ(turned.top()[0] * 1000 + turned.bits()[2], 255255);
  const Result parsed = RunTool(RunKotool, "time 01:00:00:00 --format smpte-25");
  EXPECT_EQ(parsed.out.find("36000000000 units"), 0u) << parsed.out;
  const Result all = RunTool(RunKotool, "time 90.5 --rate 25");
  EXPECT_NE(all.out.find("smpte-25           00:01:30:12"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("samples            4,344,000"), std::string::npos) << all.out;
  EXPECT_NE(RunTool(RunKotool, "error 8004E002 --lang de").out.find("Der Datenträger ist voll."), std::string::npos);
  EXPECT_EQ(RunTool(RunKotool, "error 2147942414").out, "0x8007000E The system is low on memory. You may be able to "
                                                   "reduce memory usage by closing other applications.\n");
}

TEST_F(Tools, DemoRunsEveryStepOnAFileShorterThanAskedFor) {
  const Result r = RunTool(RunKodemo, kDir + "good.y4m --frames 5 --out " + kDir + "out");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char *step : {"\nto RGB", "\nfit", "\ncomposite", "\nblur", "\nposition", "\nerror", "\nopencl",
                           "progress: the input ends after 2 frames", "Beim Erstellen der Mediendatei",
                           "The file could not be created.", "smpte-29.97-drop", "feet-frames-35mm"})
    EXPECT_NE(r.out.find(step), std::string::npos) << step << "\n" << r.out;
  // The project's machines have an OpenCL device (pocl): the device twins
  // give the processor's composite and its blur within a level.
  int composite = -1, blur = -1;
  const size_t at = r.out.find("to the processor ");
  ASSERT_NE(at, std::string::npos) << r.out;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "to the processor %d and %d levels", &composite, &blur), 2);
  EXPECT_EQ(composite, 0);
  EXPECT_LE(blur, 1);
  std::string error;
  for (const char *name : {"frame.bmp", "preview.bmp", "blurred.bmp"}) {
    kotools::Dib dib;
    EXPECT_TRUE(kotools::ReadBmp(kDir + "out/" + name, &dib, &error)) << error;
  }
  const struct {
    std::string args;
    int status;
    const char *message;
  } bad[] = {{kDir + "good.yuv", 1, "a raw input needs --size"},
             {kDir + "truncated2.y4m --frames 2", 1, "frame 2 is truncated"},  // not a short file
             {"--frames 0", 2, "bad --frames"},
             {"--colour", 2, "unknown option '--colour'"}};
  for (const auto &c : bad) {
    const Result b = RunTool(RunKodemo, c.args);
    EXPECT_EQ(b.status, c.status) << c.args;
    EXPECT_NE(b.err.find(c.message), std::string::npos) << c.args << "\n" << b.err;
  }
}

#ifdef _WIN32
// With --ui the English message goes to the library's message box (answered
// here by the box hook instead of a user).
std::wstring boxText;
int Answer(UINT_PTR, HWND, const wchar_t *text, const wchar_t *, UINT) {
  boxText = text;
  return IDOK;
}

TEST_F(Tools, DemoShowsTheMessageInTheMessageBox) {
  ASSERT_TRUE(KoMsgBoxSetAppData(GetModuleHandleW(nullptr), nullptr, L"kodemo"));
  ASSERT_TRUE(KoMsgBoxSetHook(Answer, 0));
  const Result r = RunTool(RunKodemo, "--ui --out " + kDir + "out");
  KoMsgBoxSetHook(nullptr, 0);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(boxText.find(L"An error occurred while creating the media file"), 0u);
  EXPECT_NE(boxText.find(L"The file could not be created."), std::wstring::npos);
}
#endif

}  // namespace
