// Fuzzes the KoPrintF language with a sized destination. For every input:
// the bounded form with a capacity taken from the input must stay inside
// its capacity, terminate, and keep a prefix of the whole text; the whole
// text, when it fits in a large buffer, must come out identically from the
// unbounded form into a destination of exactly its size.
#include <algorithm>

#include "../harness.h"
#include "kokernel/koprintf.h"
#include "text/printf_engine.h"

namespace {

// Arguments drawn from the input: any integers and doubles, and only valid
// (or null) text pointers.
class FuzzArgs final : public ko::text::ArgReader {
 public:
  FuzzArgs(const uint8_t *pool, size_t n) : pool_(pool), n_(n) {}
  int32_t Int32() override { return static_cast<int32_t>(Bits()); }
  int64_t Int64() override { return static_cast<int64_t>(Bits()); }
  double Double() override {
    uint64_t b = Bits();
    double d;
    std::memcpy(&d, &b, 8);
    return d;
  }
  const void *Pointer() override {
    static const KOCHAR kShort[] = {'a', 'b', 'c', 0}, kEmpty[] = {0};
    static KOCHAR kLong[400];
    if (!kLong[0])
      for (int i = 0; i < 399; ++i) kLong[i] = static_cast<KOCHAR>('A' + i % 26);
    const void *const texts[] = {kShort, kEmpty, kLong, nullptr};
    return texts[Bits() % 4];
  }

 private:
  uint64_t Bits() {
    uint64_t b = 0;
    for (int i = 0; i < 8 && n_; ++i) b = (b << 8) | pool_[(at_++) % n_];
    return b;
  }
  const uint8_t *pool_;
  size_t n_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  KoPrintF_AddToken(KOTEXT("tok"), KOTEXT("token value"));
  KoPrintF_AddToken(KOTEXT("SMPTE.Drop"), KOTEXT(";"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 10) return 0;
  size_t capacity = 1 + (data[0] | (data[1] << 8)) % 600;
  size_t poolSize = data[2] % 64;
  data += 3;
  size -= 3;
  if (poolSize > size) poolSize = size;
  const uint8_t *pool = data;
  data += poolSize;
  size -= poolSize;
  // Format: bytes as characters; 0xFF takes the next two bytes as one unit.
  std::vector<KOCHAR> text;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF && i + 2 < size) {
      text.push_back(static_cast<KOCHAR>(data[i + 1] | (data[i + 2] << 8)));
      i += 2;
    } else {
      text.push_back(static_cast<KOCHAR>(data[i]));
    }
    if (text.back() == 0) text.back() = '%';
  }
  text.push_back(0);

  // Each form with the same arguments afresh.
  auto format = [&](ko::text::Sink &sink) {
    FuzzArgs args(pool, poolSize);
    ko::text::FormatText(sink, text.data(), args);
    sink.Terminate();
  };
  // Whole text in a large buffer.
  const size_t kLarge = 1 << 16;
  static std::vector<KOCHAR> whole(kLarge + 1);
  ko::text::Sink big(whole.data(), kLarge);
  format(big);
  // Bounded: an exactly sized heap block, so any overrun is caught.
  std::vector<KOCHAR> small(capacity);
  ko::text::Sink bounded(small.data(), capacity - 1);
  format(bounded);
  const size_t keep = bounded.Length();
  Require(keep <= capacity - 1 && small[keep] == 0);
  if (!big.Cut()) {
    Require(keep == std::min(capacity - 1, big.Length()) &&
            std::memcmp(small.data(), whole.data(), keep * sizeof(KOCHAR)) == 0);
    // Unbounded into a destination of exactly the whole text's size.
    std::vector<KOCHAR> exact(big.Length() + 1);
    ko::text::Sink unbounded(exact.data(), SIZE_MAX - 1);
    format(unbounded);
    Require(unbounded.Length() == big.Length() &&
            std::memcmp(exact.data(), whole.data(), exact.size() * sizeof(KOCHAR)) == 0);
  }
  return 0;
}
