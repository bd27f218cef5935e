// kodemo: the typical frame of an editor, step by step. A 1920x1080 4:2:0
// frame (generated, or read from a .y4m or raw .yuv file) becomes a BGRA DIB,
// is fitted to a 1280x720 preview, gets a title card composited over it, is
// blurred and saved as BMP files; then the frame's position is shown in
// every position format and read back, and the error message of a failed
// save is composed in two languages. With an OpenCL device, the composite and
// the blur run again through the device twins and are compared with the
// processor's. One line per step, with its time.
#include "kodemo.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../common/cl_host.h"
#include "../common/media_io.h"
#include "../common/tool_text.h"
#include "kokernel/kokernel.h"
#ifdef _WIN32
#include <oleauto.h>

#include "kokernel/komsgbox.h"
#endif

namespace {

using kotools::Dib;
using kotools::YuvFrame;

const char kUsage[] =
    "usage: kodemo [options] [input.y4m | input.yuv --size WxH --layout L]\n"
    "  Takes a frame through YUV to RGB, a 1280x720 preview, a composited title card and\n"
    "  a blur, writes frame.bmp, preview.bmp and blurred.bmp, shows the frame's position in\n"
    "  every position format and composes the error message of a failed save. With an\n"
    "  OpenCL device the composite and the blur also run on it and are compared.\n"
    "  Without an input file a 1920x1080 frame is generated (colour bars, zone plate, gradient).\n"
    "options:\n"
    "  --out DIR      folder for the BMP files (default: the current folder)\n"
    "  --frames N     take N frames through the steps (default 1), with a progress line\n"
    "  --size WxH     frame size of a raw .yuv input\n"
    "  --layout L     layout of a raw .yuv input: I420, YV12, NV12, YV16, YV24 (default I420)\n"
    "  --ui           show the error message in the library's message box (Windows)\n";

struct Options {
  std::string input, out = ".", layout = "I420";
  int width = 0, height = 0, frames = 1;
  bool ui = false, help = false;
};

// The time of one step, from the library's clock.
class StepClock {
 public:
  StepClock() { KoDeltaMicrosecEx(&counter_); }
  double Lap() { return KoDeltaMicrosecEx(&counter_) / 1000.0; }

 private:
  ULONGLONG counter_ = 0;
};

class Demo {
 public:
  Demo(std::FILE *out, std::FILE *err) : out_(out), err_(err) {}
  int Run(const Options &o);

 private:
  void Step(const char *name, double ms, const std::string &what) {
    if (quiet_) return;
    std::fprintf(out_, "%-10s %9.2f ms  %s\n", name, ms, what.c_str());
  }
  int Fail(const std::string &message) {
    std::fprintf(err_, "kodemo: %s\n", message.c_str());
    return 1;
  }
  bool NextFrame(int index, std::string *error);
  int ProcessFrame(int index);
  void ShowPosition(int index);
  void ShowSaveError(bool ui);
  void RunOpenCL();

  std::FILE *out_, *err_;
  Options opt_;
  kotools::YuvReader reader_;
  bool fromFile_ = false, quiet_ = false, ended_ = false;
  int width_ = 1920, height_ = 1080;
  double rate_ = 25.0;
  YuvFrame yuv_;
  Dib frame_, preview_, title_;
  std::vector<uint8_t> blurTemp_;
  // The last frame's preview as fitted, composited and blurred (bottom-up
  // rows): the input and the results of the device run.
  std::vector<uint8_t> fitted_, composited_, blurred_;
};

// ---- The generated frame: 75% colour bars moving sideways over the top two
// thirds, a zone plate and a luma gradient below, in BT.709 studio levels.

struct Ycc {
  uint8_t y, cb, cr;
};
Ycc Encode709(double r, double g, double b) {
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const auto q = [](double v) { return uint8_t(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); };
  return {q(16 + 219 * y), q(128 + 224 * (b - y) / 1.8556), q(128 + 224 * (r - y) / 1.5748)};
}

void GenerateFrame(const kotools::YuvLayout &layout, int index, YuvFrame *f) {
  const int w = f->header.biWidth, h = f->header.biHeight, cw = (w + 1) / 2, ch = (h + 1) / 2;
  std::vector<uint8_t> packed(size_t(kotools::FileFrameBytes(layout, w, h)));
  uint8_t *Y = packed.data(), *U = Y + size_t(w) * h, *V = U + size_t(cw) * ch;
  static const double kBars[8][3] = {{.75, .75, .75}, {.75, .75, 0}, {0, .75, .75}, {0, .75, 0},
                                     {.75, 0, .75},   {.75, 0, 0},   {0, 0, .75},   {0, 0, 0}};
  const int barsBottom = h * 2 / 3, shift = index * 8;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Ycc c;
      if (y < barsBottom) {
        const double *rgb = kBars[((x + shift) % w) * 8 / w];
        c = Encode709(rgb[0], rgb[1], rgb[2]);
      } else if (x < w / 2) {
        const double dx = x - w / 4.0, dy = y - (barsBottom + h) / 2.0;
        const double v = 0.5 + 0.5 * std::cos((dx * dx + dy * dy) * 0.002 + index * 0.4);
        c = Encode709(v, v, v);
      } else {
        const double v = double(x - w / 2) / (w - w / 2 - 1);
        c = Encode709(v, v * (1 - double(y - barsBottom) / (h - barsBottom)), 1 - v);
      }
      Y[size_t(y) * w + x] = c.y;
      if (y % 2 == 0 && x % 2 == 0) {
        U[size_t(y / 2) * cw + x / 2] = c.cb;
        V[size_t(y / 2) * cw + x / 2] = c.cr;
      }
    }
  kotools::UnpackFrame(layout, packed.data(), f);
}

// ---- The title card: a translucent lower third with a white caption, in
// premultiplied BGRA as the compositor takes it.

const uint8_t kGlyphs[][8] = {
    // letter, then seven rows of five bits
    {'K', 0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {'O', 0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},
    {'E', 0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {'R', 0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {'N', 0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}, {'L', 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {'D', 0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}, {'M', 0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11},
};

void PutPixel(const Dib &d, int x, int y, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  uint8_t *p = d.top() - ptrdiff_t(y) * d.stride() + size_t(x) * 4;
  p[0] = b;
  p[1] = g;
  p[2] = r;
  p[3] = a;
}

void DrawTitle(const Dib &card) {
  const int w = card.width(), h = card.height();
  const int x0 = w / 16, x1 = w - w / 16, y0 = h * 3 / 4, y1 = h * 11 / 12;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (x < x0 + 12)
        PutPixel(card, x, y, 0, 140, 255, 255);  // an opaque orange accent
      else
        PutPixel(card, x, y, 100, 40, 10, 170);  // dark blue at two thirds
  const char *caption = "KOKERNEL DEMO";
  const int scale = std::max(1, (y1 - y0) / 12), top = (y0 + y1) / 2 - 7 * scale / 2;
  int left = x0 + 12 + 3 * scale;
  for (const char *c = caption; *c; ++c, left += 6 * scale)
    for (const auto &g : kGlyphs)
      if (g[0] == *c)
        for (int gy = 0; gy < 7 * scale; ++gy)
          for (int gx = 0; gx < 5 * scale; ++gx)
            if (g[1 + gy / scale] & (0x10 >> (gx / scale)) && left + gx < x1)
              PutPixel(card, left + gx, top + gy, 255, 255, 255, 255);
}

// ---- Steps -------------------------------------------------------------------

bool Demo::NextFrame(int index, std::string *error) {
  if (fromFile_) {
    if (reader_.Next(&yuv_, error)) return true;
    if (error->empty()) {
      *error = opt_.input + ": has no frame " + std::to_string(index + 1);
      ended_ = true;
    }
    return false;
  }
  if (index == 0 && !kotools::MakeYuvFrame(*kotools::FindLayout("I420"), width_, height_, &yuv_)) {
    *error = "no I420 layout";
    return false;
  }
  GenerateFrame(*kotools::FindLayout("I420"), index, &yuv_);
  return true;
}

int Demo::ProcessFrame(int index) {
  StepClock clock;
  std::string error;
  if (!NextFrame(index, &error)) {
    if (index > 0 && ended_) return -1;  // a file shorter than --frames
    return Fail(error);
  }
  char what[160];
  std::snprintf(what, sizeof what, "%dx%d %s frame %d %s", width_, height_, fromFile_ ? reader_.layout().name : "I420",
                index + 1, fromFile_ ? ("from " + opt_.input).c_str() : "generated");
  Step("source", clock.Lap(), what);

  // YUV to a BGRA DIB, studio levels expanded to full range.
  KoYUVColorInfo colour{0, 0, 0, 0};  // matrix chosen from the frame size
  KoYUVConvertParams params{};
  HRESULT hr = KoYUV_YUVToRGB(frame_.get(), 2.2222222222222223, nullptr, 0, &yuv_.header, &colour,
                              yuv_.bits.data(), &yuv_.planes, 0, 0, &params);
  if (FAILED(hr)) return Fail("KoYUV_YUVToRGB failed: 0x" + std::to_string(unsigned(hr)));
  Step("to RGB", clock.Lap(), "KoYUV_YUVToRGB into a BGRA DIB from KoDibAlloc");

  // Fitted into the preview, keeping the aspect ratio; the rest stays black.
  const int64_t pw = preview_.width(), ph = preview_.height();
  int64_t fw = pw, fh = int64_t(height_) * pw / width_;
  if (fh > ph) fh = ph, fw = int64_t(width_) * ph / height_;
  const RECT fit{LONG((pw - fw) / 2), LONG((ph - fh) / 2), LONG((pw - fw) / 2 + fw), LONG((ph - fh) / 2 + fh)};
  hr = KoDibCopy(preview_.get(), nullptr, &fit, 0, frame_.get(), nullptr, nullptr, 0, 3 | KOXCHG_BICUBIC, 0, 0);
  if (FAILED(hr)) return Fail("KoDibCopy failed");
  std::snprintf(what, sizeof what, "KoDibCopy bicubic to %" PRId64 "x%" PRId64 " in %" PRId64 "x%" PRId64, fw, fh,
                pw, ph);
  Step("fit", clock.Lap(), what);
  const size_t previewBytes = size_t(preview_.stride()) * preview_.height();
  fitted_.assign(preview_.bits(), preview_.bits() + previewBytes);
  clock.Lap();  // the copy kept for the device step is not the next step's time

  if (!Composite(preview_.top(), -preview_.stride(), title_.top(), -title_.stride(), 4, int32_t(pw), int32_t(ph),
                 KOCOMPOSITE_OVER, 1.0))
    return Fail("Composite failed");
  Step("composite", clock.Lap(), "Composite: the title card over the preview");
  composited_.assign(preview_.bits(), preview_.bits() + previewBytes);
  clock.Lap();  // the copy kept for the device step is not the next step's time

  const bool save = index == 0 || index == opt_.frames - 1;
  std::string path;
  if (save) {
    for (const auto &[name, dib] : {std::pair<const char *, const Dib *>{"frame.bmp", &frame_}, {"preview.bmp", &preview_}})
      if (!kotools::WriteBmp(opt_.out + "/" + name, dib->get(), &error)) return Fail(error);
    Step("save", clock.Lap(), "frame.bmp and preview.bmp in " + opt_.out);
  }

  if (!GaussianBlur(preview_.top(), -preview_.stride(), 4, int32_t(pw), int32_t(ph), blurTemp_.data(),
                    blurTemp_.size(), 2.5, 2.5, nullptr, nullptr))
    return Fail("GaussianBlur failed");
  Step("blur", clock.Lap(), "GaussianBlur, sigma 2.5");
  blurred_.assign(preview_.bits(), preview_.bits() + previewBytes);
  clock.Lap();  // the copy kept for the device step is not the next step's time
  if (save) {
    if (!kotools::WriteBmp(opt_.out + "/blurred.bmp", preview_.get(), &error)) return Fail(error);
    Step("save", clock.Lap(), "blurred.bmp in " + opt_.out);
  }
  return 0;
}

void Demo::ShowPosition(int index) {
  const LONGLONG time = 3600 * KOTIME_UNITS_PER_SECOND + std::llround(index * 1e7 / rate_);
  StepClock clock;
  int exact = 0;
  std::string lines;
  for (const auto &f : kotools::kPositionFormats) {
    const _koposfmt fmt = kotools::MakePositionFormat(f.code, rate_);
    KOCHAR text[128];
    KoNanoTimeToTextN(text, 128, &fmt, time, FALSE);
    KOCSTR end = nullptr;
    const LONGLONG back = KoTextToNanoTimeToken(text, &fmt, FALSE, &end);
    exact += back == time;
    char line[256];
    std::snprintf(line, sizeof line, "  %-18s %-24s read back %+" PRId64 " units\n", f.name,
                  kotools::Utf8(text).c_str(), int64_t(back - time));
    lines += line;
  }
  char what[128];
  std::snprintf(what, sizeof what, "frame %d at %.3f fps, 48 kHz, 120 bpm 4/4: %d of %d formats read back exactly",
                index + 1, rate_, exact, KOPOSFMT_COUNT);
  Step("position", clock.Lap(), what);
  std::fputs(lines.c_str(), out_);
}

void Demo::ShowSaveError(bool ui) {
  StepClock clock;
  // A save into a folder that does not exist.
  const std::string folder = opt_.out + "/no-such-folder";
  std::string error;
  const bool saved = kotools::WriteBmp(folder + "/preview.bmp", preview_.get(), &error);
  const HRESULT code = saved ? S_OK : KO_E_CREATEFAILED;
  const auto file = kotools::Wide(folder + "/preview.bmp"), details = kotools::Wide(folder);
  HKOLANG lang = nullptr;
  KoLang_Open(&lang, nullptr, 0x0409, 0);
  std::string shown;
#ifdef _WIN32
  KOBSTR english = nullptr;  // kept for the message box
#endif
  for (const LCID lcid : {LCID(0x0409), LCID(0x0407)}) {
    KoLang_UpdateKernelLCID(lang, lcid);
    KoErrorHandler_DetailsInit();
    KoErrorHandler_DetailsAddString(code, KOTEXT("The folder %s does not exist."), details.c_str());
    KOBSTR text = KoErrorHandler_ComposeErrorText(7, code, file.c_str());
    std::string s = kotools::Utf8(text);
    for (size_t at = 0; (at = s.find('\n', at)) != std::string::npos; at += 3) s.replace(at, 1, "\n  ");
    shown += std::string("  [") + (lcid == 0x0409 ? "English" : "Deutsch") + "]\n  " + s + "\n";
#ifdef _WIN32
    if (lcid == 0x0409 && ui)
      english = text;
    else
      SysFreeString(text);
#else
    KoSysFreeString(text);
#endif
  }
  KoLang_UpdateKernelLCID(lang, 0x0409);
  KoLang_Close(lang);
  KoErrorHandler_DetailsInit();
  Step("error", clock.Lap(), saved ? "the save into a missing folder did not fail" : "a failed save (" + error +
                                         "), context and code with a details line");
  std::fputs(shown.c_str(), out_);
#ifdef _WIN32
  if (english) {
    KoMessageBox(nullptr, english, L"kodemo", MB_OK | MB_ICONERROR);
    SysFreeString(english);
    Step("ui", clock.Lap(), "KoMessageBox closed");
  }
#else
  if (ui) Step("ui", 0, "--ui needs the windows target: no message box here");
#endif
}

int Demo::Run(const Options &o) {
  opt_ = o;
  StepClock total;
  std::string error;
  if (!o.input.empty()) {
    fromFile_ = true;
    const kotools::YuvLayout *layout = kotools::FindLayout(o.layout);
    if (!layout) return Fail("unknown layout '" + o.layout + "' (known: " + kotools::LayoutNames() + ")");
    const bool ok = kotools::EndsWith(o.input, ".y4m")
                        ? reader_.OpenY4m(o.input, &error)
                        : o.width ? reader_.OpenRaw(o.input, *layout, o.width, o.height, &error)
                                  : (error = "a raw input needs --size WxH", false);
    if (!ok) return Fail(error);
    width_ = reader_.width();
    height_ = reader_.height();
    rate_ = reader_.frameRate();
  }
  std::fprintf(out_, "kodemo: %d processors, CPU support %s\n", int(KoGetProcessorCount()),
               kotools::CpuFlagsText(KoGetCPUSupport(0)).c_str());
  std::fprintf(out_, "%-10s %9s     %s\n", "step", "time", "what");
  StepClock clock;
  if (FAILED(KoDibAlloc(frame_.out(), KOPT_RGB32, width_, height_, nullptr, 0, 0, nullptr)) ||
      FAILED(KoDibAlloc(preview_.out(), KOPT_RGB32, 1280, 720, nullptr, 0, 1, nullptr)) ||
      FAILED(KoDibAlloc(title_.out(), KOPT_RGBA32, 1280, 720, nullptr, 0, 1, nullptr)))
    return Fail("KoDibAlloc failed");
  DrawTitle(title_);
  blurTemp_.resize(size_t(1280) * 720 * 16);
  Step("allocate", clock.Lap(), "KoDibAlloc: frame, 1280x720 preview, title card with alpha");

  int done = 0;
  StepClock progress;
  double sinceProgress = 0, elapsed = 0;
  for (; done < o.frames; ++done) {
    quiet_ = done > 0;
    if (done > 0) KoDibSet(preview_.get(), nullptr, nullptr, 0, 0, 0, 0, 1, 0);
    const int status = ProcessFrame(done);
    if (status < 0) {
      std::fprintf(out_, "progress: the input ends after %d frames\n", done);
      break;
    }
    if (status != 0) return status;
    const double lap = progress.Lap();
    sinceProgress += lap;
    elapsed += lap;
    if (o.frames > 1 && (sinceProgress >= 1000 || done + 1 == o.frames)) {
      std::fprintf(out_, "progress: %d of %d frames, %.1f frames a second\n", done + 1, o.frames,
                   (done + 1) * 1000.0 / elapsed);
      sinceProgress = 0;
    }
  }
  quiet_ = false;
  RunOpenCL();
  ShowPosition(done - 1);
  ShowSaveError(o.ui);
  std::fprintf(out_, "done: %d frame%s in %.1f ms\n", done, done == 1 ? "" : "s", total.Lap());
  return 0;
}

// The last frame's composite and blur again on the OpenCL device, through
// the library's device twins, and the largest difference of each result to
// the processor's in 8-bit levels.
void Demo::RunOpenCL() {
  StepClock clock;
  if (blurred_.empty()) return;
  std::string error;
  kotools::ClHost *device = kotools::ClHost::Shared(&error);
  if (!device) return Step("opencl", clock.Lap(), error + ": the device step is left out");
  const kotools::ClHost &host = *device;
  PluginLoad(&kotools::ClHost::BuildPlugin);
  const int w = preview_.width(), h = preview_.height(), stride = preview_.stride();
  cl_mem background = CreateCLImage(host.context(), w, h), title = CreateCLImage(host.context(), w, h),
         composite = CreateCLImage(host.context(), w, h), blurred = CreateCLImage(host.context(), w, h);
  std::vector<uint8_t> readComposite(size_t(w) * h * 4), readBlurred(readComposite.size());
  // Bottom-up bitmaps go in flipped, so that the images are top-down.
  bool ok = background && title && composite && blurred &&
            FlipCopyMemoryToOpenCLImage(background, host.queue(), host.context(), fitted_.data(), stride, w, h) &&
            FlipCopyMemoryToOpenCLImage(title, host.queue(), host.context(), title_.bits(), title_.stride(), w, h) &&
            CompositeOCL(background, title, composite, nullptr, host.queue(), nullptr, w, h, KOCOMPOSITE_OVER, 1.0) &&
            GaussianBlurOCL(composite, blurred, host.context(), host.queue(), nullptr, uint32_t(w), uint32_t(h), 2.5,
                            2.5) &&
            host.Finish() &&
            CopyOpenCLImageToMemory(host.queue(), composite, readComposite.data(), w * 4, w, h) &&
            CopyOpenCLImageToMemory(host.queue(), blurred, readBlurred.data(), w * 4, w, h);
  for (cl_mem m : {background, title, composite, blurred})
    if (m) ReleaseOpenCLImage(m);
  PluginUnload();
  if (!ok) return Step("opencl", clock.Lap(), "the device run on " + host.deviceName() + " failed");
  // Image row y is bitmap row h-1-y.
  auto largest = [&](const std::vector<uint8_t> &device, const uint8_t *bottomUp) {
    int most = 0;
    for (int y = 0; y < h; ++y) {
      const uint8_t *a = device.data() + size_t(y) * w * 4, *b = bottomUp + size_t(h - 1 - y) * stride;
      for (int i = 0; i < w * 4; ++i) most = std::max(most, std::abs(int(a[i]) - int(b[i])));
    }
    return most;
  };
  char what[200];
  std::snprintf(what, sizeof what,
                "CompositeOCL and GaussianBlurOCL on %s: largest difference to the processor %d and %d levels",
                host.deviceName().c_str(), largest(readComposite, composited_.data()),
                largest(readBlurred, blurred_.data()));
  Step("opencl", clock.Lap(), what);
}

bool ParseOptions(int argc, char **argv, Options *o, std::string *error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      o->help = true;
    } else if (a == "--ui") {
      o->ui = true;
    } else if (a == "--out" && hasValue) {
      o->out = argv[++i];
    } else if (a == "--layout" && hasValue) {
      o->layout = argv[++i];
    } else if (a == "--size" && hasValue) {
      if (!kotools::ParseSize(argv[++i], &o->width, &o->height)) return *error = "bad --size '" + std::string(argv[i]) + "'", false;
    } else if (a == "--frames" && hasValue) {
      char *end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end || n < 1 || n > 100000) return *error = "bad --frames '" + std::string(argv[i]) + "' (1 to 100000)", false;
      o->frames = int(n);
    } else if (a.size() > 1 && a[0] == '-') {
      return *error = "unknown option '" + a + "'" + (hasValue ? "" : " or missing value"), false;
    } else if (o->input.empty()) {
      o->input = a;
    } else {
      return *error = "more than one input file", false;
    }
  }
  return true;
}

}  // namespace

int RunKodemo(int argc, char **argv, std::FILE *out, std::FILE *err) {
  Options o;
  std::string error;
  if (!ParseOptions(argc, argv, &o, &error)) {
    std::fprintf(err, "kodemo: %s (see kodemo --help)\n", error.c_str());
    return 2;
  }
  if (o.help) {
    std::fputs(kUsage, out);
    return 0;
  }
  Demo demo(out, err);
  return demo.Run(o);
}
