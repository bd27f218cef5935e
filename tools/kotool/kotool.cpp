// kotool: the library's conversions from the command line. One verb a call:
// convert, scale, blur, time, error, cpu. Bad files and arguments give one
// line on the error stream and a non-zero status.
#include "kotool.h"

#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../common/media_io.h"
#include "../common/tool_text.h"
#include "kokernel/kokernel.h"

namespace {

using kotools::Dib;

// Exit statuses.
constexpr int kDone = 0, kFailed = 1, kUsage = 2;

struct Verb {
  const char *name;
  const char *usage;
  const char *options;  // the options it takes, each followed by a space
  int minArgs, maxArgs;
  int (*run)(const std::vector<std::string> &args, std::map<std::string, std::string> &opt, std::FILE *out,
             std::FILE *err);
};

int Fail(std::FILE *err, const char *verb, const std::string &message, int status = kFailed) {
  std::fprintf(err, "kotool %s: %s\n", verb, message.c_str());
  return status;
}

// ---- convert -----------------------------------------------------------------

// The matrix and range options as the converters take them.
bool ColourOptions(std::map<std::string, std::string> &opt, KoYUVColorInfo *ci, bool *full, std::string *error) {
  static const std::map<std::string, uint32_t> kMatrices = {
      {"auto", 0}, {"601", KOYUV_MATRIX_BT601}, {"709", KOYUV_MATRIX_BT709}, {"2020", KOYUV_MATRIX_BT2020}};
  const std::string m = opt.count("--matrix") ? opt["--matrix"] : "auto";
  const std::string r = opt.count("--range") ? opt["--range"] : "studio";
  if (!kMatrices.count(m)) return *error = "unknown matrix '" + m + "' (auto, 601, 709, 2020)", false;
  if (r != "studio" && r != "full") return *error = "unknown range '" + r + "' (studio, full)", false;
  *ci = KoYUVColorInfo{0, kMatrices.at(m), 0, 0};
  *full = r == "full";
  return true;
}

// The output gamma that expands studio levels without a tone curve: the
// converters' own default material gamma.
constexpr double kNeutralGamma = 2.2222222222222223;

bool ToRgb32(Dib *dib, std::string *error) {
  if (KoGetPixelType(dib->get()) == KOPT_RGB32) return true;
  Dib rgb;
  if (FAILED(KoDibAlloc(rgb.out(), KOPT_RGB32, dib->width(), dib->height(), nullptr, 0, 0, nullptr)) ||
      FAILED(KoDibCopy(rgb.get(), nullptr, nullptr, 0, dib->get(), nullptr, nullptr, 0, 0, 0, 0)))
    return *error = "cannot convert the image to 32-bit BGRA", false;
  *dib = std::move(rgb);
  return true;
}

// What both directions of convert take: matrix, range and raw layout.
struct ConvertSettings {
  KoYUVColorInfo ci;
  bool full;
  const kotools::YuvLayout *layout;
};

int YuvToBmp(const std::vector<std::string> &a, std::map<std::string, std::string> &opt,
             const ConvertSettings &cs, std::FILE *out, std::FILE *err) {
  std::string error;
  long frameNumber = 1;
  if (opt.count("--frame")) {
    char *end = nullptr;
    frameNumber = std::strtol(opt["--frame"].c_str(), &end, 10);
    if (*end || frameNumber < 1 || frameNumber > 1000000) return Fail(err, "convert", "bad --frame", kUsage);
  }
  kotools::YuvReader reader;
  if (kotools::EndsWith(a[0], ".y4m")) {
    if (!reader.OpenY4m(a[0], &error)) return Fail(err, "convert", error);
  } else {
    int w = 0, h = 0;
    if (!opt.count("--size") || !kotools::ParseSize(opt["--size"], &w, &h))
      return Fail(err, "convert", "a raw .yuv input needs --size WxH (1 to 16384 each)", kUsage);
    if (!reader.OpenRaw(a[0], *cs.layout, w, h, &error)) return Fail(err, "convert", error);
  }
  kotools::YuvFrame frame;
  for (long i = 0; i < frameNumber; ++i)
    if (!reader.Next(&frame, &error))
      return Fail(err, "convert", error.empty() ? a[0] + ": has no frame " + std::to_string(frameNumber) : error);
  Dib rgb;
  if (FAILED(KoDibAlloc(rgb.out(), KOPT_RGB32, reader.width(), reader.height(), nullptr, 0, 0, nullptr)))
    return Fail(err, "convert", "out of memory");
  KoYUVConvertParams params{};
  params.range = cs.full ? KOYUV_RANGE_FULL : 0;
  const HRESULT hr = KoYUV_YUVToRGB(rgb.get(), kNeutralGamma, nullptr, 0, &frame.header, &cs.ci, frame.bits.data(),
                                    &frame.planes, 0, 0, &params);
  if (FAILED(hr)) return Fail(err, "convert", "the library refused the frame (KoYUV_YUVToRGB failed)");
  if (!kotools::WriteBmp(a[1], rgb.get(), &error)) return Fail(err, "convert", error);
  std::fprintf(out, "%s: %dx%d %s frame %ld -> %s\n", a[0].c_str(), reader.width(), reader.height(),
               reader.layout().name, frameNumber, a[1].c_str());
  return kDone;
}

int BmpToYuv(const std::vector<std::string> &a, const ConvertSettings &cs, std::FILE *out, std::FILE *err) {
  std::string error;
  const kotools::YuvLayout *layout = cs.layout;
  const std::string layoutName = layout->name;
  Dib rgb;
  if (!kotools::ReadBmp(a[0], &rgb, &error) || !ToRgb32(&rgb, &error)) return Fail(err, "convert", error);
  kotools::YuvFrame frame;
  if (!kotools::SizeSuits(*layout, rgb.width(), rgb.height()))
    return Fail(err, "convert", a[0] + ": " + kotools::SizeProblem(*layout, rgb.width(), rgb.height()));
  if (!kotools::MakeYuvFrame(*layout, rgb.width(), rgb.height(), &frame))
    return Fail(err, "convert", "the library has no " + layoutName + " layout");
  const HRESULT hr = KoYUV_RGBToYUV(&frame.header, &cs.ci, frame.bits.data(), &frame.planes, rgb.get(), kNeutralGamma,
                                    nullptr, 0, 0, 0, !cs.full);
  if (FAILED(hr)) return Fail(err, "convert", "the library cannot write " + layoutName + " (KoYUV_RGBToYUV failed)");
  std::FILE *f = std::fopen(a[1].c_str(), "wb");
  if (!f) return Fail(err, "convert", "cannot create " + a[1]);
  const bool ok = kotools::WriteRawFrame(f, *layout, frame);
  if (std::fclose(f) != 0 || !ok) return Fail(err, "convert", "cannot write " + a[1]);
  std::fprintf(out, "%s: %dx%d -> %s %s\n", a[0].c_str(), rgb.width(), rgb.height(), layout->name, a[1].c_str());
  return kDone;
}

int Convert(const std::vector<std::string> &a, std::map<std::string, std::string> &opt, std::FILE *out,
            std::FILE *err) {
  ConvertSettings cs{};
  std::string error;
  if (!ColourOptions(opt, &cs.ci, &cs.full, &error)) return Fail(err, "convert", error, kUsage);
  const std::string layoutName = opt.count("--layout") ? opt["--layout"] : "I420";
  cs.layout = kotools::FindLayout(layoutName);
  if (!cs.layout)
    return Fail(err, "convert", "unknown layout '" + layoutName + "' (" + kotools::LayoutNames() + ")", kUsage);
  if (kotools::EndsWith(a[0], ".bmp")) {
    if (kotools::EndsWith(a[1], ".yuv")) return BmpToYuv(a, cs, out, err);
  } else if (kotools::EndsWith(a[1], ".bmp")) {
    return YuvToBmp(a, opt, cs, out, err);
  }
  return Fail(err, "convert", "convert takes .y4m or .yuv to .bmp, or .bmp to .yuv", kUsage);
}

// ---- scale and blur ----------------------------------------------------------

int Scale(const std::vector<std::string> &a, std::map<std::string, std::string> &opt, std::FILE *out,
          std::FILE *err) {
  static const std::map<std::string, uint32_t> kFilters = {
      {"nearest", 0}, {"bilinear", 3}, {"bicubic", 3 | KOXCHG_BICUBIC}, {"area", 3 | KOXCHG_AREA}};
  const std::string filter = opt.count("--filter") ? opt["--filter"] : "bicubic";
  int w = 0, h = 0;
  if (!opt.count("--size") || !kotools::ParseSize(opt["--size"], &w, &h))
    return Fail(err, "scale", "scale needs --size WxH (1 to 16384 each)", kUsage);
  if (!kFilters.count(filter)) return Fail(err, "scale", "unknown filter '" + filter + "'", kUsage);
  std::string error;
  Dib src, dst;
  if (!kotools::ReadBmp(a[0], &src, &error) || !ToRgb32(&src, &error)) return Fail(err, "scale", error);
  if (FAILED(KoDibAlloc(dst.out(), KOPT_RGB32, w, h, nullptr, 0, 0, nullptr)) ||
      FAILED(KoDibCopy(dst.get(), nullptr, nullptr, 0, src.get(), nullptr, nullptr, 0, kFilters.at(filter), 0, 0)))
    return Fail(err, "scale", "KoDibCopy failed");
  if (!kotools::WriteBmp(a[1], dst.get(), &error)) return Fail(err, "scale", error);
  std::fprintf(out, "%s: %dx%d -> %dx%d %s, %s\n", a[0].c_str(), src.width(), src.height(), w, h, filter.c_str(),
               a[1].c_str());
  return kDone;
}

int Blur(const std::vector<std::string> &a, std::map<std::string, std::string> &opt, std::FILE *out,
         std::FILE *err) {
  double sigma = 2.0;
  if (opt.count("--sigma") && (!kotools::ParseNumber(opt["--sigma"], &sigma) || sigma <= 0 || sigma > 500))
    return Fail(err, "blur", "bad --sigma (above 0, at most 500)", kUsage);
  std::string error;
  Dib img;
  if (!kotools::ReadBmp(a[0], &img, &error) || !ToRgb32(&img, &error)) return Fail(err, "blur", error);
  std::vector<uint8_t> temp(size_t(img.width()) * size_t(img.height()) * 16);
  if (!GaussianBlur(img.top(), -img.stride(), 4, img.width(), img.height(), temp.data(), temp.size(), sigma, sigma,
                    nullptr, nullptr))
    return Fail(err, "blur", "GaussianBlur failed");
  if (!kotools::WriteBmp(a[1], img.get(), &error)) return Fail(err, "blur", error);
  std::fprintf(out, "%s: blurred with sigma %g -> %s\n", a[0].c_str(), sigma, a[1].c_str());
  return kDone;
}

// ---- time, error, cpu ----------------------------------------------------------

int Time(const std::vector<std::string> &a, std::map<std::string, std::string> &opt, std::FILE *out,
         std::FILE *err) {
  double rate = 25.0;
  if (opt.count("--rate") && (!kotools::ParseNumber(opt["--rate"], &rate) || rate < 1 || rate > 1000))
    return Fail(err, "time", "bad --rate (1 to 1000 frames a second)", kUsage);
  if (opt.count("--format")) {
    const kotools::PositionFormat *f = kotools::FindPositionFormat(opt["--format"]);
    if (!f) return Fail(err, "time", "unknown format '" + opt["--format"] + "' (see kotool time --help)", kUsage);
    const _koposfmt fmt = kotools::MakePositionFormat(f->code, rate);
    const auto text = kotools::Wide(a[0]);
    KOCSTR end = nullptr;
    const LONGLONG t = KoTextToNanoTimeToken(text.c_str(), &fmt, FALSE, &end);
    std::fprintf(out, "%" PRId64 " units (%.7f s)%s\n", int64_t(t), double(t) / 1e7,
                 end && *end ? (" - stopped at '" + kotools::Utf8(end) + "'").c_str() : "");
    return kDone;
  }
  double seconds = 0;
  if (!kotools::ParseNumber(a[0], &seconds) || std::fabs(seconds) > 1e9)
    return Fail(err, "time", "'" + a[0] + "' is not a number of seconds", kUsage);
  const LONGLONG t = std::llround(seconds * 1e7);
  for (const auto &f : kotools::kPositionFormats) {
    const _koposfmt fmt = kotools::MakePositionFormat(f.code, rate);
    KOCHAR text[128];
    KoNanoTimeToTextN(text, 128, &fmt, t, FALSE);
    std::fprintf(out, "%-18s %s\n", f.name, kotools::Utf8(text).c_str());
  }
  return kDone;
}

int Error(const std::vector<std::string> &a, std::map<std::string, std::string> &opt, std::FILE *out,
          std::FILE *err) {
  static const std::map<std::string, LCID> kLanguages = {{"en", 0x0409}, {"de", 0x0407}, {"fr", 0x040C}};
  const std::string lang = opt.count("--lang") ? opt["--lang"] : "en";
  uint32_t code = 0;
  if (!kotools::ParseResultCode(a[0], &code)) return Fail(err, "error", "'" + a[0] + "' is not a result code", kUsage);
  if (!kLanguages.count(lang)) return Fail(err, "error", "unknown language '" + lang + "' (en, de, fr)", kUsage);
  HKOLANG h = nullptr;
  KoLang_Open(&h, nullptr, 0x0409, 0);
  KoLang_UpdateKernelLCID(h, kLanguages.at(lang));
  const KOCSTR text = KoErrorHandler_GetHresultString(HRESULT(code));
  std::string s = text ? kotools::Utf8(text) : "";
  while (!s.empty() && s[0] == '\n') s.erase(0, 1);
  KoLang_UpdateKernelLCID(h, 0x0409);
  KoLang_Close(h);
  if (!text) return Fail(err, "error", "no text for 0x" + [&] {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", code);
    return std::string(hex);
  }());
  std::fprintf(out, "0x%08X %s\n", code, s.c_str());
  return kDone;
}

int Cpu(const std::vector<std::string> &, std::map<std::string, std::string> &, std::FILE *out, std::FILE *) {
  const uint32_t support = KoGetCPUSupport(0);
  std::fprintf(out, "processors: %d\nclass: %u\nsupport: 0x%08X %s\n", int(KoGetProcessorCount()),
               unsigned(support & KOCPU_CLASS_MASK), unsigned(support), kotools::CpuFlagsText(support).c_str());
  return kDone;
}

const Verb kVerbs[] = {
    {"convert",
     "kotool convert IN OUT [--size WxH] [--layout L] [--frame N] [--matrix M] [--range R]\n"
     "  A frame of a .y4m or raw .yuv file to a 32-bit BMP, or a BMP to a raw .yuv frame.\n"
     "  --size WxH   frame size of a raw .yuv input\n"
     "  --layout L   raw layout: I420 (default), YV12, NV12, YV16, YV24 (written: not YV24)\n"
     "  --frame N    which frame of the input, from 1 (default 1)\n"
     "  --matrix M   auto (default: from the frame size), 601, 709, 2020\n"
     "  --range R    studio (default: 16-235 YUV) or full (0-255 YUV)\n",
     "--size --layout --frame --matrix --range ", 2, 2, Convert},
    {"scale",
     "kotool scale IN.bmp OUT.bmp --size WxH [--filter F]\n"
     "  Resizes a BMP. F: nearest, bilinear, bicubic (default), area.\n",
     "--size --filter ", 2, 2, Scale},
    {"blur", "kotool blur IN.bmp OUT.bmp [--sigma S]\n  A Gaussian blur of S pixels (default 2).\n", "--sigma ", 2, 2,
     Blur},
    {"time",
     "kotool time SECONDS [--rate FPS]\n"
     "  Prints a media time in every position format (48 kHz, 120 bpm in 4/4).\n"
     "kotool time TEXT --format NAME [--rate FPS]\n"
     "  Reads TEXT in one format and prints the media time (100 ns units).\n"
     "  NAME: samples, time, seconds, time-frames, frames, measures, smpte-29.97, smpte-30,\n"
     "        smpte-29.97-drop, smpte-25, smpte-24, units, microseconds, measures-from-0, beats,\n"
     "        feet-frames-16mm, feet-frames-35mm, cd-time, smpte-23.976, clock\n",
     "--rate --format ", 1, 1, Time},
    {"error",
     "kotool error CODE [--lang en|de|fr]\n"
     "  The error text of a result code: 0x8004E002, 8004E002 (eight digits are hexadecimal) or decimal.\n",
     "--lang ", 1, 1, Error},
    {"cpu", "kotool cpu\n  The processor support the library detected.\n", "", 0, 0, Cpu},
};

void GeneralHelp(std::FILE *to) {
  std::fputs("usage: kotool VERB [arguments] (kotool VERB --help for each)\nverbs:", to);
  for (const auto &v : kVerbs) std::fprintf(to, " %s", v.name);
  std::fputs("\n", to);
}

}  // namespace

int RunKotool(int argc, char **argv, std::FILE *out, std::FILE *err) {
  if (argc < 2) {
    GeneralHelp(err);
    return kUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    GeneralHelp(out);
    return kDone;
  }
  const Verb *verb = nullptr;
  for (const auto &v : kVerbs)
    if (name == v.name) verb = &v;
  if (!verb) {
    std::fprintf(err, "kotool: unknown verb '%s' (kotool --help lists them)\n", name.c_str());
    return kUsage;
  }
  std::vector<std::string> args;
  std::map<std::string, std::string> opt;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(verb->usage, out);
      return kDone;
    }
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      if (std::string(verb->options).find(a + " ") == std::string::npos)
        return Fail(err, verb->name, "unknown option '" + a + "' (kotool " + name + " --help)", kUsage);
      if (i + 1 >= argc) return Fail(err, verb->name, "option " + a + " needs a value", kUsage);
      opt[a] = argv[++i];
    } else {
      args.push_back(a);
    }
  }
  if (int(args.size()) < verb->minArgs || int(args.size()) > verb->maxArgs)
    return Fail(err, verb->name, "wrong number of arguments; usage:\n" + std::string(verb->usage), kUsage);
  return verb->run(args, opt, out, err);
}
