// Times every form of every registered row kernel on one row of 1920
// elements (pixels, points or words, as the kernel counts its width), built
// by the kernel's case maker. Names: <kernel>/<form>.
#include <benchmark/benchmark.h>

#include <string>

#include "kernels/kernel_cases.h"

namespace {

constexpr int kWidth = 1920;

void TimeForm(benchmark::State &state, const ko::forms::Kernel *k, ko::forms::Form form) {
  kotest::Rng rng(1);
  auto c = kotest::FindCase(k->name)(*k, rng, kWidth);
  for (auto _ : state) {
    c->Run(form);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth);
}

// Registered from main, after every table and case maker exists (they are
// set up by static initialisers in other files).
void RegisterEveryForm() {
  for (size_t i = 0; i < ko::forms::Count(); ++i) {
    const ko::forms::Kernel &k = ko::forms::At(i);
    if (!kotest::FindCase(k.name)) continue;
    for (int f = 0; f < ko::forms::kFormCount; ++f) {
      const auto form = static_cast<ko::forms::Form>(f);
      if (!k.fn[f] || !ko::forms::HardwareRuns(form)) continue;
      benchmark::RegisterBenchmark((std::string(k.name) + "/" + ko::forms::FormName(form)).c_str(), TimeForm,
                                   &k, form);
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterEveryForm();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
