// SMPTE time code: frame counts, media time, arithmetic, steps and reading.
#include <cmath>
#include <cstdint>

#include "kokernel/kosmpte.h"
#include "text/numbers_internal.h"

namespace {

struct ModeInfo {
  int fps;          // frame labels per second
  double rate;      // real frames per second, for media time
  int64_t perHour;  // frames in one hour
};

constexpr ModeInfo kModes[] = {
    {30, 30.0, 108000},
    {30, 30000.0 / 1001.0, 107892},
    {25, 25.0, 90000},
    {24, 24.0, 86400},
    {30, 30000.0 / 1001.0, 108000},
    {24, 24000.0 / 1001.0, 86400},
};

constexpr DWORD kDropMode = 2;

const ModeInfo *Mode(DWORD mode) { return mode >= 1 && mode <= 6 ? &kModes[mode - 1] : nullptr; }

int64_t PerDay(const ModeInfo &m) { return m.perHour * 24; }

// Is this label one that drop-frame numbering skips?
bool SkippedLabel(uint64_t minutes, uint64_t seconds, uint64_t frames) {
  return seconds == 0 && frames < 2 && minutes % 10 != 0;
}

// The frame count of a record in 64 bits (0 for an invalid mode).
int64_t FrameCount(const _smpteval &t) {
  const ModeInfo *m = Mode(t.mode);
  if (!m) return 0;
  uint64_t frames = t.frames;
  if (t.mode == kDropMode && SkippedLabel(t.minutes, t.seconds, frames)) frames = 2;
  uint64_t count = ((uint64_t{t.hours} * 60 + t.minutes) * 60 + t.seconds) * m->fps + frames;
  if (t.mode == kDropMode) count -= uint64_t{t.hours} * 108 + (uint64_t{t.minutes} - t.minutes / 10) * 2;
  return static_cast<int64_t>(count);
}

int64_t Wrap(int64_t count, int64_t period) {
  int64_t r = count % period;
  return r < 0 ? r + period : r;
}

void SetFromCount(_smpteval &t, int64_t count) {
  const ModeInfo *m = Mode(t.mode);
  if (!m) return;
  int64_t c = Wrap(count, PerDay(*m));
  int fps = m->fps;
  if (t.mode == kDropMode) {
    // Add back the labels that drop-frame numbering skipped before c. The
    // skipped count depends on where c lands, so iterate to the fixed point.
    const int64_t base = c;
    int64_t dropped = 0;
    for (int guard = 0; guard < 64; ++guard) {
      c = base + dropped;
      int64_t inHour = c % 108000;
      int64_t next = (c / 108000) * 108;
      if (inHour >= 1800) next += (inHour / 1800 - inHour / 18000) * 2;
      if (next == dropped) break;
      dropped = next;
    }
    c = base + dropped;
  }
  const int64_t perHour = int64_t{fps} * 3600;
  t.hours = static_cast<DWORD>(c / perHour);
  int64_t r = c % perHour;
  t.minutes = static_cast<DWORD>(r / (int64_t{fps} * 60));
  r %= int64_t{fps} * 60;
  t.seconds = static_cast<DWORD>(r / fps);
  t.frames = static_cast<DWORD>(r % fps);
  if (t.mode == kDropMode && SkippedLabel(t.minutes, t.seconds, t.frames)) t.frames = 2;
}

// Truncates towards zero, saturating at the 64-bit range.
int64_t TruncateToTime(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return INT64_MAX;
  if (v <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<int64_t>(v);
}

}  // namespace

extern "C" LONG KOSMPTE_SMPTEToFrameCount(const _smpteval *smpte) {
  if (!smpte) return 0;
  return static_cast<LONG>(static_cast<uint32_t>(FrameCount(*smpte)));
}

extern "C" void KOSMPTE_FrameCountToSMPTE(_smpteval *smpte, LONG frameCount) {
  if (smpte) SetFromCount(*smpte, frameCount);
}

extern "C" void KOSMPTE_NanoToSMPTE(LONGLONG time, _smpteval *smpte) {
  if (!smpte) return;
  const ModeInfo *m = Mode(smpte->mode);
  if (!m) return;
  // Rounded down (not towards zero) so that times before 0 count back from
  // midnight frame by frame.
  int64_t count = TruncateToTime(std::floor(static_cast<double>(time) * m->rate / 1e7 + 0.000005));
  SetFromCount(*smpte, Wrap(count, PerDay(*m)));
}

extern "C" LONGLONG KOSMPTE_SMPTEToNanos(const _smpteval *smpte) {
  if (!smpte) return 0;
  const ModeInfo *m = Mode(smpte->mode);
  if (!m) return 0;
  return TruncateToTime(static_cast<double>(FrameCount(*smpte)) / m->rate * 1e7 + 0.999);
}

extern "C" LONGLONG KOSMPTE_SmpteLikeToNanos(double rate, const _smpteval *smpte) {
  if (!smpte || !(rate > 0) || !std::isfinite(rate)) return 0;
  double whole = (static_cast<double>(smpte->hours) * 60 + smpte->minutes) * 60 + smpte->seconds;
  return TruncateToTime((whole * rate + smpte->frames) / rate * 1e7 + 0.999);
}

extern "C" void KOSMPTE_AddSMPTE(_smpteval *a, const _smpteval *b) {
  if (!a || !b) return;
  const ModeInfo *m = Mode(a->mode);
  if (!m) return;
  SetFromCount(*a, Wrap(FrameCount(*a) + FrameCount(*b), PerDay(*m)));
}

extern "C" void KOSMPTE_SubtractSMPTE(_smpteval *a, const _smpteval *b) {
  if (!a || !b) return;
  const ModeInfo *m = Mode(a->mode);
  if (!m) return;
  int64_t d = FrameCount(*a) - FrameCount(*b);
  int64_t day = PerDay(*m);
  SetFromCount(*a, d < 0 ? day - (-d % day) : d % day);
}

extern "C" LONG KOSMPTE_SMPTECompare(const _smpteval *a, const _smpteval *b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  const DWORD x[] = {a->hours, a->minutes, a->seconds, a->frames};
  const DWORD y[] = {b->hours, b->minutes, b->seconds, b->frames};
  for (int i = 0; i < 4; ++i)
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  return 0;
}

extern "C" void KOSMPTE_IncrementByFrame(_smpteval *smpte, DWORD) {
  if (!smpte) return;
  const ModeInfo *m = Mode(smpte->mode);
  if (!m) return;
  _smpteval &t = *smpte;
  if (++t.frames < static_cast<DWORD>(m->fps)) return;
  t.frames = 0;
  if (++t.seconds < 60) return;
  t.seconds = 0;
  ++t.minutes;
  if (t.minutes >= 60) {
    t.minutes = 0;
    t.hours = t.hours % 32 + 1;
    if (t.hours >= 24) t.hours = 0;
  }
  if (t.mode == kDropMode && t.minutes % 10 != 0) t.frames = 2;
}

// The exact inverse of the increment: in drop-frame mode the first label of
// a minute not divisible by 10 is 2, so stepping back from it goes to the
// last label (29) of the second before.
extern "C" void KOSMPTE_DeccrementByFrame(_smpteval *smpte, DWORD) {
  if (!smpte) return;
  const ModeInfo *m = Mode(smpte->mode);
  if (!m) return;
  _smpteval &t = *smpte;
  const DWORD first = (t.mode == kDropMode && t.seconds == 0 && t.minutes % 10 != 0) ? 2 : 0;
  if (t.frames > first) {
    --t.frames;
    return;
  }
  t.frames = static_cast<DWORD>(m->fps - 1);
  if (t.seconds > 0) {
    --t.seconds;
    return;
  }
  t.seconds = 59;
  if (t.minutes > 0) {
    --t.minutes;
    return;
  }
  t.minutes = 59;
  DWORD h = t.hours % 32;
  t.hours = (h == 0 || h > 24) ? 23 : h - 1;
}

extern "C" KOCHAR KOSMPTE_TextToSMPTE(KOCSTR text, _smpteval *smpte) {
  if (!smpte) return 0;
  smpte->hours = smpte->minutes = smpte->seconds = smpte->frames = smpte->reserved = 0;
  if (!text) return 0;

  DWORD field[4] = {0, 0, 0, 0};  // hours, minutes, seconds, frames
  int read = 0;
  KOCHAR stoppedAt = 0;
  auto push = [&](DWORD v) {
    field[0] = field[1];
    field[1] = field[2];
    field[2] = field[3];
    field[3] = v;
    ++read;
  };
  auto isDigit = [](KOCHAR c) { return c >= '0' && c <= '9'; };

  const KOCHAR *p = text;
  while (*p && !stoppedAt) {
    if (!isDigit(*p)) {
      ++p;
      continue;
    }
    const KOCHAR *run = p;
    while (isDigit(*p)) ++p;
    // Runs longer than two digits are pairs counted from the right.
    const ptrdiff_t len = p - run;
    const KOCHAR *piece = run;
    ptrdiff_t pieceLen = len <= 2 ? len : (len % 2 ? 1 : 2);
    while (piece < p) {
      if (read == 4) {
        stoppedAt = *piece;
        break;
      }
      DWORD v = 0;
      for (ptrdiff_t i = 0; i < pieceLen; ++i) v = v * 10 + (piece[i] - '0');
      push(v);
      piece += pieceLen;
      pieceLen = 2;
    }
  }
  // A separator at the very end stands for a field of 0 ("1:2:" is 1:2:0).
  if (!stoppedAt && p > text) {
    KOCHAR last = p[-1];
    if (!isDigit(last) && !ko::numtext::IsWhiteSpace(last)) {
      if (read == 4)
        stoppedAt = last;
      else
        push(0);
    }
  }

  DWORD h = field[0], mi = field[1], s = field[2], f = field[3];
  if (const ModeInfo *m = Mode(smpte->mode)) {
    s += f / m->fps;
    f %= m->fps;
  }
  mi += s / 60;
  s %= 60;
  h += mi / 60;
  mi %= 60;
  h %= 24;
  smpte->hours = h;
  smpte->minutes = mi;
  smpte->seconds = s;
  smpte->frames = f;
  return stoppedAt;
}
