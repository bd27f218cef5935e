// KoPrintF against glibc's swprintf for a few typical formats of the
// string tables. Each pair formats the same values; compare the times of
// the KoPrintF/... and swprintf/... rows with the same name.
#include <benchmark/benchmark.h>

#include <cwchar>

#include "kokernel/konumtext.h"
#include "kokernel/koprintf.h"

namespace {

KOCHAR g_ko[512];
wchar_t g_w[512];

void KoInt(benchmark::State &s) {
  int i = 0;
  for (auto _ : s) benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("Frame %d of %d"), ++i, 100000));
}
void SwInt(benchmark::State &s) {
  int i = 0;
  for (auto _ : s) benchmark::DoNotOptimize(swprintf(g_w, 512, L"Frame %d of %d", ++i, 100000));
}

void KoTime(benchmark::State &s) {
  unsigned i = 0;
  for (auto _ : s) {
    ++i;
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("%02u:%02u:%02u"), i % 24, i % 60, 7u));
  }
}
void SwTime(benchmark::State &s) {
  unsigned i = 0;
  for (auto _ : s) {
    ++i;
    benchmark::DoNotOptimize(swprintf(g_w, 512, L"%02u:%02u:%02u", i % 24, i % 60, 7u));
  }
}

void KoFixed(benchmark::State &s) {
  double v = 3.14159;
  for (auto _ : s) {
    v += 0.001;
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("%.2f dB"), v));
  }
}
void SwFixed(benchmark::State &s) {
  double v = 3.14159;
  for (auto _ : s) {
    v += 0.001;
    benchmark::DoNotOptimize(swprintf(g_w, 512, L"%.2f dB", v));
  }
}

void KoGeneral(benchmark::State &s) {
  double v = 44100.0 / 3;
  for (auto _ : s) {
    v *= 1.0001;
    if (v > 1e7) v = 44100.0 / 3;  // the same range of values however many runs
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("%g Hz"), v));
  }
}
void SwGeneral(benchmark::State &s) {
  double v = 44100.0 / 3;
  for (auto _ : s) {
    v *= 1.0001;
    if (v > 1e7) v = 44100.0 / 3;  // the same range of values however many runs
    benchmark::DoNotOptimize(swprintf(g_w, 512, L"%g Hz", v));
  }
}

void KoString(benchmark::State &s) {
  for (auto _ : s)
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("Cannot open '%s': %s"), KOTEXT("C:\\media\\clip.avi"),
                                      KOTEXT("file in use")));
}
void SwString(benchmark::State &s) {
  for (auto _ : s)
    benchmark::DoNotOptimize(
        swprintf(g_w, 512, L"Cannot open '%ls': %ls", L"C:\\media\\clip.avi", L"file in use"));
}

void KoInt64(benchmark::State &s) {
  long long v = 1234567890123LL;
  for (auto _ : s) benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("%I64d samples"), ++v));
}
void SwInt64(benchmark::State &s) {
  long long v = 1234567890123LL;
  for (auto _ : s) benchmark::DoNotOptimize(swprintf(g_w, 512, L"%lld samples", ++v));
}

void KoExponent(benchmark::State &s) {
  double v = 1.0 / 7;
  for (auto _ : s) {
    v *= 1.37;
    if (v > 1e200) v = 1.0 / 7;
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("%.6e"), v));
  }
}
void SwExponent(benchmark::State &s) {
  double v = 1.0 / 7;
  for (auto _ : s) {
    v *= 1.37;
    if (v > 1e200) v = 1.0 / 7;
    benchmark::DoNotOptimize(swprintf(g_w, 512, L"%.6e", v));
  }
}

// Our own conversions, without a peer: grouping, tokens, fixed point.
void KoLocale(benchmark::State &s) {
  KoPrintF_AddToken(KOTEXT("MusicTime.Label"), KOTEXT("Measures"));
  int i = 1000000;
  for (auto _ : s) {
    ++i;
    benchmark::DoNotOptimize(KoPrintF(g_ko, KOTEXT("$d bytes, $.1z s, $(MusicTime.Label)"), i, i));
  }
}

// Regrouping a number text with the locale's separators.
void KoFormatNumberBench(benchmark::State &state) {
  KOCHAR out[64];
  for (auto _ : state) {
    int n = KoFormatNumber(KOTEXT("-1234567.891"), out, 64);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(out);
  }
}

}  // namespace

BENCHMARK(KoFormatNumberBench)->Name("KoFormatNumber/grouped-decimal");
BENCHMARK(KoInt)->Name("KoPrintF/int");
BENCHMARK(SwInt)->Name("swprintf/int");
BENCHMARK(KoTime)->Name("KoPrintF/time");
BENCHMARK(SwTime)->Name("swprintf/time");
BENCHMARK(KoFixed)->Name("KoPrintF/fixed");
BENCHMARK(SwFixed)->Name("swprintf/fixed");
BENCHMARK(KoGeneral)->Name("KoPrintF/general");
BENCHMARK(SwGeneral)->Name("swprintf/general");
BENCHMARK(KoString)->Name("KoPrintF/string");
BENCHMARK(SwString)->Name("swprintf/string");
BENCHMARK(KoInt64)->Name("KoPrintF/int64");
BENCHMARK(SwInt64)->Name("swprintf/int64");
BENCHMARK(KoExponent)->Name("KoPrintF/exponent");
BENCHMARK(SwExponent)->Name("swprintf/exponent");
BENCHMARK(KoLocale)->Name("KoPrintF/locale-grouping-token");
