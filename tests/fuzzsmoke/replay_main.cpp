// Runs a fuzz target without libFuzzer, as a smoke test inside the normal
// suites: every file of the target's corpus, then a fixed number of
// deterministic mutations of them (bytes flipped, inserted, dropped,
// spliced). Crashes, overruns and undefined behaviour are caught by the
// sanitizers the suite is built with.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s corpus-dir [mutations]\n", argv[0]);
    return 2;
  }
  const long mutations = argc > 2 ? std::atol(argv[2]) : 20000;
  std::vector<std::vector<uint8_t>> corpus;
  for (const auto &entry : std::filesystem::directory_iterator(argv[1])) {
    std::ifstream in(entry.path(), std::ios::binary);
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (corpus.empty()) {
    std::fprintf(stderr, "empty corpus: %s\n", argv[1]);
    return 1;
  }
  for (const auto &input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());

  static const uint8_t kBytes[] = {0, 0xFF, '%', '$', '(', ')', '.', ',', ':', '-', '9', 0x7F};
  std::mt19937 rng(12345);
  for (long i = 0; i < mutations; ++i) {
    std::vector<uint8_t> data = corpus[rng() % corpus.size()];
    for (int e = 0, edits = 1 + int(rng() % 8); e < edits; ++e) {
      const auto at = long(data.empty() ? 0 : rng() % (data.size() + 1));
      const bool inside = size_t(at) < data.size();
      const auto &other = corpus[rng() % corpus.size()];
      const size_t from = other.empty() ? 0 : rng() % other.size();
      switch (rng() % 5) {
        case 0:  // flip a bit
          if (inside) data[at] ^= uint8_t(1u << (rng() % 8));
          break;
        case 1:  // insert a random byte
          data.insert(data.begin() + at, uint8_t(rng()));
          break;
        case 2:  // drop a byte
          if (inside) data.erase(data.begin() + at);
          break;
        case 3:  // splice part of another input
          data.insert(data.begin() + at, other.begin() + long(from),
                      other.begin() + long(other.empty() ? 0 : from + 1 + rng() % (other.size() - from)));
          break;
        default:  // set an interesting byte
          if (inside) data[at] = kBytes[rng() % sizeof kBytes];
      }
    }
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::printf("%zu corpus inputs and %ld mutations ran cleanly\n", corpus.size(), mutations);
  return 0;
}
