// Every time reader on any text and any position record; what a reader gives
// is printed again, bounded and unbounded, and read back.
#include "../harness.h"
#include "kokernel/kotimetext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 8) return 0;
  FuzzInput r{data, size};
  const uint8_t code = r.Take(), flags = r.Take(), rates = r.Take(), extra = r.Take();
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
  Require(t.Holds(end) && (!(pflags & 4) || (v >= lo && v <= hi)));
  _koposfmt plain = f;
  plain.origin = 0;
  const LONGLONG w = KoTextToNanoTimeToken(s, &plain, pflags & 1, &end);
  Require(t.Holds(end) && w >= -KOTIME_PARSE_MAX && w <= KOTIME_PARSE_MAX);
  v = KoTextToNanoTimeTokenEx(s, &f, pflags & 1, def, lo, hi, &end);
  Require(t.Holds(end) && v >= lo && v <= hi);
  KoTextToTimeToken(s, &f, pflags & 1, &end), Require(t.Holds(end));
  KoTextToHMSFToken(s, &f, pflags & 1, &end), Require(t.Holds(end));
  KoTextToFeetAndFramesToken(s, &f, pflags & 1, &end), Require(t.Holds(end));
  KoTextToMusicTimeToken(s, &f, pflags, &end), Require(t.Holds(end));
  LONG m, b, k;
  KoTextToMeasuresBeatsTicks(s, &f, pflags & 1, extra, &m, &b, &k);
  KoTextToBeatsTicks(s, &f, extra, &b, &k);
  KoTextToTicks(s, &f, pflags & 2, extra);

  // Print what was read: unbounded into plenty, bounded into an exact fit.
  KOCHAR big[512];
  const int n = KoNanoTimeToText(big, &plain, w, pflags & 1);
  Require(n >= 0 && n < 512);
  Bounded(1 + extra % 24, [&](KOCHAR *d, int c) {
    const int nb = KoNanoTimeToTextN(d, c, &f, w, pflags & 1);
    Require(nb < 0 || nb >= c || d[nb] == 0);
    return nb;
  });
  // The text is its own format too.
  Bounded(64, [&](KOCHAR *d, int c) { return KoNanoTimeToTextFormatN(d, c, &f, w, s, flags); });
  // And what prints reads back without fault.
  KoTextToNanoTimeToken(big, &plain, pflags & 1, &end);
  Require(end >= big && end <= big + n);
  KOCHAR ticks[128];
  Require(KoTicksToText(ticks, &f, w, pflags & 1, pflags & 2, extra) < 128);
  _smpteval hmsf{static_cast<DWORD>(extra % 8), 0, 0, 0, 0, 0};
  KoNanoTimeToHMSF(w, &hmsf, f.frameRate, flags & 8);
  KoHMSFToNanoTime(&hmsf, f.frameRate);
  return 0;
}
