// The colour converters against libyuv on one 1920x1080 frame, single
// threaded unless the name says "Threads"; compare the pairs' times in the
// same run.
#include <benchmark/benchmark.h>
#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <omp.h>

#include <random>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct Frames {
  std::vector<uint8_t> i420, uyvy, argb, out, yuvOut;
  BITMAPINFOHEADER yuv{}, rgb{}, rgbFloat{};
  KoYUVPlaneLayout layout{};
  std::vector<float> outFloat;
  Frames() {
    std::mt19937 rng(5);
    yuv.biSize = sizeof yuv;
    yuv.biWidth = kW;
    yuv.biHeight = kH;
    yuv.biCompression = uint32_t('I') | uint32_t('4') << 8 | uint32_t('2') << 16 | uint32_t('0') << 24;
    i420.resize(KoYUVImageBytesAndOffsets(&yuv, &layout));
    for (size_t i = 0; i < i420.size(); ++i) i420[i] = uint8_t(16 + (i * 7 + rng() % 9) % 220);
    uyvy.resize(size_t(2) * kW * kH);
    for (auto &b : uyvy) b = uint8_t(16 + rng() % 220);
    argb.resize(size_t(4) * kW * kH);
    for (auto &b : argb) b = uint8_t(rng());
    out.resize(argb.size());
    yuvOut.resize(i420.size());
    outFloat.resize(size_t(4) * kW * kH);
    uint32_t size;
    KoVideo_InitBitmapInfo(&rgb, KOPT_RGBA32, kW, kH, nullptr, 0, &size);
    KoVideo_InitBitmapInfo(&rgbFloat, KOPT_RGBAFLOAT, kW, kH, nullptr, 0, &size);
  }
  const uint8_t *Y() const { return i420.data(); }
  const uint8_t *U() const { return i420.data() + layout.cbOffset; }
  const uint8_t *V() const { return i420.data() + layout.crOffset; }
};
Frames &F() {
  static Frames f;
  return f;
}

void Single(const benchmark::State &) { omp_set_num_threads(1); }
void Threads(const benchmark::State &) { omp_set_num_threads(omp_get_num_procs()); }

void Pixels(benchmark::State &s) { s.SetItemsProcessed(int64_t(s.iterations()) * kW * kH); }

void Ko420(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoYUV420ToRGBA(kW, kH, f.out.data(), 4 * kW, f.Y(), kW, f.U(), kW / 2, f.V(), kW / 2, 0, 515);
  Pixels(s);
}
void Libyuv420(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s) libyuv::I420ToARGB(f.Y(), kW, f.U(), kW / 2, f.V(), kW / 2, f.out.data(), 4 * kW, kW, kH);
  Pixels(s);
}
void Ko420Half(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoYUV420ToRGBA_Half(kW, kH, f.out.data(), 2 * kW, f.Y(), kW, f.U(), kW / 2, f.V(), kW / 2, 0, 515);
  Pixels(s);
}
void Ko420Quarter(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoYUV420ToRGBA_Quarter(kW, kH, f.out.data(), kW, f.Y(), kW, f.U(), kW / 2, f.V(), kW / 2, 0, 515);
  Pixels(s);
}
void KoUyvyToRgba(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoUYVY2RGBA(f.out.data(), reinterpret_cast<const uint32_t *>(f.uyvy.data()), 4 * kW, kW, kH, 1);
  Pixels(s);
}
void LibyuvUyvyToArgb(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s) libyuv::UYVYToARGB(f.uyvy.data(), 2 * kW, f.out.data(), 4 * kW, kW, kH);
  Pixels(s);
}
void KoRgbaToUyvy(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoRGBA2UYVY(f.out.data(), reinterpret_cast<const uint32_t *>(f.argb.data()), 4 * kW, 2 * kW, kW, kH, 1);
  Pixels(s);
}
void LibyuvArgbToUyvy(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s) libyuv::ARGBToUYVY(f.argb.data(), 4 * kW, f.out.data(), 2 * kW, kW, kH);
  Pixels(s);
}
void KoYuvToRgbQ14(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoYUV_YUVToRGB(&f.rgb, 0, f.out.data(), 4 * kW, &f.yuv, nullptr, f.i420.data(), &f.layout, 0, 0, nullptr);
  Pixels(s);
}
void KoYuvToRgbFloatGamma(benchmark::State &s) {
  Frames &f = F();
  KoYUVConvertParams p{};
  p.gamma = 2.2222222222222223;
  for (auto _ : s)
    KoYUV_YUVToRGB(&f.rgb, 1.8, f.out.data(), 4 * kW, &f.yuv, nullptr, f.i420.data(), &f.layout, 0, 0, &p);
  Pixels(s);
}
void KoRgbToI420(benchmark::State &s) {
  Frames &f = F();
  for (auto _ : s)
    KoYUV_RGBToYUV(&f.yuv, nullptr, f.yuvOut.data(), &f.layout, &f.rgb, 2.2, f.argb.data(), 4 * kW, 0, 0, true);
  Pixels(s);
}
void LibyuvArgbToI420(benchmark::State &s) {
  Frames &f = F();
  uint8_t *y = f.yuvOut.data(), *u = y + f.layout.cbOffset, *v = y + f.layout.crOffset;
  for (auto _ : s) libyuv::ARGBToI420(f.argb.data(), 4 * kW, y, kW, u, kW / 2, v, kW / 2, kW, kH);
  Pixels(s);
}

#define KO_PAIR(fn) BENCHMARK(fn)->Setup(Single)->UseRealTime()->Unit(benchmark::kMicrosecond)
KO_PAIR(Ko420);
KO_PAIR(Libyuv420);
KO_PAIR(Ko420Half);
KO_PAIR(Ko420Quarter);
KO_PAIR(KoUyvyToRgba);
KO_PAIR(LibyuvUyvyToArgb);
KO_PAIR(KoRgbaToUyvy);
KO_PAIR(LibyuvArgbToUyvy);
KO_PAIR(KoYuvToRgbQ14);
KO_PAIR(KoYuvToRgbFloatGamma);
KO_PAIR(KoRgbToI420);
KO_PAIR(LibyuvArgbToI420);
BENCHMARK(Ko420)->Name("Ko420Threads")->Setup(Threads)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(KoYuvToRgbQ14)->Name("KoYuvToRgbQ14Threads")->Setup(Threads)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(KoRgbToI420)->Name("KoRgbToI420Threads")->Setup(Threads)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
