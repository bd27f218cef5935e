// A few kernels timed through the shipped library's exported functions: the
// same source is built against kokernel.dll (run under Wine) and against
// libkokernel.so, so that a slower cross-build shows beside the native one.
// Single-threaded. The DLL links its own copy of the OpenMP runtime, which
// omp_set_num_threads in this program does not reach: run it with
// OMP_NUM_THREADS=1 (as `make bench` does), or the DLL's scalers run on
// every core.
//
//   kobench_dll [--benchmark_out=FILE] [--benchmark_filter=TEXT] [TEXT]
//
// Each kernel is timed in short batches (about 0.3 ms, at least one call)
// and the best batch is reported beside the median: on a shared machine a
// batch that no other process interrupted is the kernel's own time, while
// long rounds measure the load as much as the kernel. With --benchmark_out
// the best times are also written as Google Benchmark JSON, named Dll/...
// or So/... by the build, for tools/bench_table.py to pair.
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koperf.h"
#include "kokernel/koxchg.h"

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
constexpr const char *kBuild = "Dll";
#else
constexpr const char *kBuild = "So";
#endif

struct Result {
  std::string name;
  double bestUs, medianUs;
};
std::vector<Result> g_results;
std::string g_filter;

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Best and median time of one call over batches of calls, for about half a
// second (at least 30 batches).
void Time(const char *name, const std::function<void()> &call) {
  const std::string full = std::string(kBuild) + "/" + name;
  if (!g_filter.empty() && full.find(g_filter) == std::string::npos) return;
  call();
  int reps = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) call();
    if (Seconds(t0) > 3e-4 || reps > (1 << 20)) break;
    reps *= 2;
  }
  std::vector<double> us;
  const auto start = Clock::now();
  while (us.size() < 30 || (Seconds(start) < 0.5 && us.size() < 5000)) {
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) call();
    us.push_back(Seconds(t0) * 1e6 / reps);
  }
  std::sort(us.begin(), us.end());
  g_results.push_back({full, us[0], us[us.size() / 2]});
  std::printf("%-40s best %10.2f us  median %10.2f us\n", full.c_str(), us[0], us[us.size() / 2]);
}

void WriteJson(const char *path) {
  FILE *f = std::fopen(path, "w");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
  std::fprintf(f, "{\n  \"benchmarks\": [\n");
  for (size_t i = 0; i < g_results.size(); ++i) {
    const Result &r = g_results[i];
    std::fprintf(f,
                 "    {\"name\": \"%s\", \"run_name\": \"%s\", \"run_type\": \"iteration\", "
                 "\"real_time\": %.4f, \"cpu_time\": %.4f, \"time_unit\": \"us\"}%s\n",
                 r.name.c_str(), r.name.c_str(), r.bestUs, r.bestUs, i + 1 < g_results.size() ? "," : "");
  }
  std::fprintf(f, "  ]\n}\n");
  std::fclose(f);
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
  const std::string name = "ComplexFft32fc/" + std::to_string(order);
  Time(name.c_str(), [&] { KoPerfsFFTFwd_CToC_32fc(src, dst, setup, buf); });
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

int main(int argc, char **argv) {
  const char *out = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--benchmark_out=", 16) == 0)
      out = argv[i] + 16;
    else if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0)
      g_filter = argv[i] + 19;
    else if (argv[i][0] != '-')
      g_filter = argv[i];
  }
  omp_set_num_threads(1);
  KoPerf_Initialize();
  Fft(10);
  Fft(16);
  Scale("Bilinear1080To720", 0);
  Scale("Area1080To720", 1);
  Copy("CopyRgb32ToRgb24", KOPT_RGB24, KOPT_RGB32);
  Copy("CopyRgb24ToRgb32", KOPT_RGB32, KOPT_RGB24);
  if (out) WriteJson(out);
  return 0;
}
