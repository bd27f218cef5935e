// Every time reader on any text and any position record; what a reader gives
// is printed again, bounded and unbounded, and read back.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../numbers/fuzz_text.h"
#include "kokernel/kotimetext.h"

namespace {

struct Reader {
  const uint8_t *p;
  size_t n;
  template <class T>
  T Take() {
    T v{};
    size_t k = n < sizeof(T) ? n : sizeof(T);
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
};

void CheckEnd(const FuzzText &t, KOCSTR end) {
  if (!t.Holds(end)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 8) return 0;
  Reader r{data, size};
  const uint8_t code = r.Take<uint8_t>();
  const uint8_t flags = r.Take<uint8_t>();
  const uint8_t rates = r.Take<uint8_t>();
  const uint8_t extra = r.Take<uint8_t>();
  _koposfmt f{};
  f.format = code % 24;
  static const double kRates[] = {25, 30000.0 / 1001, 24, 0, 75, 1e-3, 1e9, 0.5};
  f.frameRate = kRates[rates & 7];
  f.sampleRate = (rates & 8) ? 0 : (rates & 16) ? 44100 : 4000000000u;
  f.tempo = (rates & 32) ? 0 : (rates & 64) ? 97.5 : 1e6;
  f.beatUnit = static_cast<WORD>(extra & 15);
  f.beatsPerMeasure = static_cast<WORD>((extra >> 4) & 15);
  f.ticksPerBeat = (rates & 128) ? 960 : 0xFFFFFFFFu;
  f.origin = (flags & 0x80) ? -3600LL * 10000000 : (flags & 0x40) ? INT64_MAX : 0;
  // Arbitrary rates from the input now and then.
  if ((flags & 0x30) == 0x30 && r.n >= 8) f.frameRate = r.Take<double>();
  FuzzText t(r.p, r.n);
  const KOCHAR *s = t.c_str();
  const DWORD pflags = flags & 7;

  KOCSTR end = nullptr;
  const LONGLONG def = 12345, lo = -1000000000, hi = 1000000000;
  LONGLONG v = KoTextToNanoTimeToken2(s, &f, def, lo, hi, pflags, &end);
  CheckEnd(t, end);
  if ((pflags & 4) && (v < lo || v > hi)) std::abort();
  _koposfmt plain = f;
  plain.origin = 0;
  LONGLONG w = KoTextToNanoTimeToken(s, &plain, pflags & 1, &end);
  CheckEnd(t, end);
  if (w < -KOTIME_PARSE_MAX || w > KOTIME_PARSE_MAX) std::abort();
  v = KoTextToNanoTimeTokenEx(s, &f, pflags & 1, def, lo, hi, &end);
  CheckEnd(t, end);
  if (v < lo || v > hi) std::abort();
  KoTextToTimeToken(s, &f, pflags & 1, &end);
  CheckEnd(t, end);
  KoTextToHMSFToken(s, &f, pflags & 1, &end);
  CheckEnd(t, end);
  KoTextToFeetAndFramesToken(s, &f, pflags & 1, &end);
  CheckEnd(t, end);
  KoTextToMusicTimeToken(s, &f, pflags, &end);
  CheckEnd(t, end);
  LONG m, b, k;
  KoTextToMeasuresBeatsTicks(s, &f, pflags & 1, extra, &m, &b, &k);
  KoTextToBeatsTicks(s, &f, extra, &b, &k);
  KoTextToTicks(s, &f, pflags & 2, extra);

  // Print what was read: unbounded into plenty, bounded into an exact fit.
  KOCHAR big[512];
  int n = KoNanoTimeToText(big, &plain, w, pflags & 1);
  if (n < 0 || n >= 512) std::abort();
  const int cap = 1 + extra % 24;
  std::vector<KOCHAR> small(static_cast<size_t>(cap));
  int nb = KoNanoTimeToTextN(small.data(), cap, &f, w, pflags & 1);
  if (nb < 0 || nb >= cap || small[static_cast<size_t>(nb)] != 0) std::abort();
  // The text is its own format too.
  std::vector<KOCHAR> fmtOut(64);
  nb = KoNanoTimeToTextFormatN(fmtOut.data(), 64, &f, w, s, flags);
  if (nb < 0 || nb >= 64) std::abort();
  // And what prints reads back without fault.
  KoTextToNanoTimeToken(big, &plain, pflags & 1, &end);
  if (end < big || end > big + n) std::abort();

  KOCHAR ticks[128];
  if (KoTicksToText(ticks, &f, w, pflags & 1, pflags & 2, extra) >= 128) std::abort();
  _smpteval hmsf{static_cast<DWORD>(extra % 8), 0, 0, 0, 0, 0};
  KoNanoTimeToHMSF(w, &hmsf, f.frameRate, flags & 8);
  KoHMSFToNanoTime(&hmsf, f.frameRate);
  return 0;
}
