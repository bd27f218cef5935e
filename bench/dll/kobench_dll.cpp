// A few kernels timed through the shipped library's exported functions: the
// same source is built against kokernel.dll (run under Wine) and against
// libkokernel.so, so that a slower cross-build shows beside the native one.
// Single-threaded; prints the median and the best of several rounds. The DLL
// links its own copy of the OpenMP runtime, which omp_set_num_threads in this
// program does not reach: run it with OMP_NUM_THREADS=1 (as `make bench`
// does), or the DLL's scalers run on every core.
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koperf.h"
#include "kokernel/koxchg.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median and best time of one call in microseconds, over `rounds` rounds of
// enough calls to last about 50 ms.
void Time(const char *name, const std::function<void()> &call, int rounds = 7) {
  call();
  int reps = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) call();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (s > 0.05 || reps > (1 << 24)) break;
    reps *= 2;
  }
  std::vector<double> us;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) call();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / reps);
  }
  std::sort(us.begin(), us.end());
  std::printf("%-34s median %10.2f us  best %10.2f us\n", name, us[us.size() / 2], us[0]);
}

struct Image {
  BITMAPINFOHEADER *h = nullptr;
  Image(int type, int w, int height) {
    KoDibAlloc(&h, type, w, height, nullptr, 0, 1, nullptr);
    uint8_t *p = Bits();
    for (uint32_t i = 0; i < h->biSizeImage; ++i) p[i] = uint8_t(i * 2654435761u >> 13);
  }
  ~Image() { KoDibFree(h, 0); }
  uint8_t *Bits() const { return reinterpret_cast<uint8_t *>(h) + h->biSize; }
};

void Fft(int order) {
  const int n = 1 << order;
  void *setup = nullptr;
  KoPerfsFFTInitAlloc_C_32fc(&setup, order, KOPERF_FFT_NODIV_BY_ANY, 1);
  int bytes = 0;
  KoPerfsFFTGetBufSize_C_32fc(setup, &bytes);
  BYTE *buf = static_cast<BYTE *>(KoPerfsMalloc_8u(bytes > 0 ? bytes : 1));
  float *src = KoPerfsMalloc_32f(2 * n), *dst = KoPerfsMalloc_32f(2 * n);
  for (int i = 0; i < 2 * n; ++i) src[i] = float((i * 7919) % 2001 - 1000) / 1000.0f;
  char name[64];
  std::snprintf(name, sizeof name, "complex FFT 32fc 2^%d", order);
  Time(name, [&] { KoPerfsFFTFwd_CToC_32fc(src, dst, setup, buf); });
  KoPerfsFree(src);
  KoPerfsFree(dst);
  KoPerfsFree(buf);
  KoPerfsFFTFree_C_32fc(setup);
}

void Scale(const char *name, uint32_t areaMode) {
  const uint32_t srcSize[2] = {1920, 1080}, dstSize[2] = {1280, 720};
  std::vector<uint8_t> src(size_t(srcSize[0]) * srcSize[1] * 4), dst(size_t(dstSize[0]) * dstSize[1] * 4);
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 2654435761u >> 13);
  Time(name, [&] {
    KoDibScale_Bilinear(dst.data(), dstSize, int(dstSize[0] * 4), nullptr, src.data(), srcSize,
                        int(srcSize[0] * 4), nullptr, 4, areaMode, 0);
  });
}

void Copy(const char *name, int dstType, int srcType) {
  Image src(srcType, 1920, 1080), dst(dstType, 1920, 1080);
  Time(name, [&] { KoDibCopy(dst.h, nullptr, nullptr, 0, src.h, nullptr, nullptr, 0, 0, 0, 0); });
}

}  // namespace

int main() {
  omp_set_num_threads(1);
  KoPerf_Initialize();
#ifdef _WIN32
  std::printf("== kokernel.dll ==\n");
#else
  std::printf("== libkokernel.so ==\n");
#endif
  Fft(10);
  Fft(16);
  Scale("bilinear 1920x1080 -> 1280x720", 0);
  Scale("area 1920x1080 -> 1280x720", 1);
  Copy("copy RGB32 -> RGB24 1920x1080", KOPT_RGB24, KOPT_RGB32);
  Copy("copy RGB24 -> RGB32 1920x1080", KOPT_RGB32, KOPT_RGB24);
  return 0;
}
