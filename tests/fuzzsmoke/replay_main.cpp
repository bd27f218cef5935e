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

  std::mt19937 rng(12345);
  for (long i = 0; i < mutations; ++i) {
    std::vector<uint8_t> data = corpus[rng() % corpus.size()];
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      size_t at = data.empty() ? 0 : rng() % (data.size() + 1);
      switch (rng() % 5) {
        case 0:  // flip a byte
          if (at < data.size()) data[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
          break;
        case 1:  // insert a random byte
          data.insert(data.begin() + static_cast<long>(at), static_cast<uint8_t>(rng()));
          break;
        case 2:  // drop a byte
          if (at < data.size()) data.erase(data.begin() + static_cast<long>(at));
          break;
        case 3: {  // splice part of another input
          const auto &other = corpus[rng() % corpus.size()];
          if (!other.empty()) {
            size_t from = rng() % other.size();
            size_t len = 1 + rng() % (other.size() - from);
            data.insert(data.begin() + static_cast<long>(at), other.begin() + static_cast<long>(from),
                        other.begin() + static_cast<long>(from + len));
          }
          break;
        }
        default:  // set an interesting byte
          if (at < data.size()) {
            static const uint8_t kBytes[] = {0, 0xFF, '%', '$', '(', ')', '.', ',', ':', '-', '9', 0x7F};
            data[at] = kBytes[rng() % sizeof kBytes];
          }
          break;
      }
    }
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::printf("%zu corpus inputs and %ld mutations ran cleanly\n", corpus.size(), mutations);
  return 0;
}
