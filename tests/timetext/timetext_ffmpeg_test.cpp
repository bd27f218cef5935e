// Time-code labels compared with FFmpeg's libavutil over every frame of a
// day: the SMPTE records of each count, and the positions printed by the
// position formats (then read back).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/timecode.h>
}

#include "kokernel/kosmpte.h"
#include "kokernel/kotimetext.h"
#include "timetext/timetext_test_util.h"

using namespace kotest;

namespace {

struct PeerRate { DWORD code, mode; AVRational rate; int flags; int perDay; };

void CompareDay(const PeerRate &r) {
  AVTimecode tc;
  ASSERT_EQ(av_timecode_init(&tc, r.rate, r.flags | AV_TIMECODE_FLAG_24HOURSMAX, 0, nullptr), 0);
  _koposfmt f = Format(r.code);
  char peer[AV_TIMECODE_STR_SIZE], label[AV_TIMECODE_STR_SIZE + 16], narrow[64];
  KOCHAR ours[64];
  const char sep = (r.flags & AV_TIMECODE_FLAG_DROPFRAME) ? ';' : ':';
  for (int c = 0; c < r.perDay; ++c) {
    av_timecode_make_string(&tc, peer, c);
    _smpteval s{r.mode, 0, 0, 0, 0, 0};
    KOSMPTE_FrameCountToSMPTE(&s, c);
    std::snprintf(label, sizeof label, "%02u:%02u:%02u%c%02u", s.hours, s.minutes, s.seconds, sep, s.frames);
    // The first unit of frame c, and a time in its middle (both signs).
    const long long num = r.rate.num, den = r.rate.den;
    const LONGLONG start = (static_cast<LONGLONG>(c) * den * 10000000 + num - 1) / num;
    const LONGLONG middle = start + den * 5000000 / num;
    const LONGLONG t = (c & 1) ? middle : start;
    const bool negative = (c % 7) == 3;
    int n = KoNanoTimeToText(ours, &f, negative ? -t : t, (c & 2) != 0);
    int k = 0;
    while (ours[k] && k < 63) narrow[k] = static_cast<char>(ours[k]), ++k;
    narrow[k] = 0;
    const char *text = narrow + (negative ? 1 : 0);
    if (std::strcmp(label, peer) != 0 || n != k || std::strcmp(text, peer) != 0 || (negative && narrow[0] != '-')) {
      ADD_FAILURE() << "code " << r.code << " frame " << c << " (" << t << "): record " << label << ", text '"
                    << narrow << "' vs libavutil '" << peer << "'";
      return;
    }
    // Read back: the first unit of the frame (of the sign printed).
    KOCSTR end = nullptr;
    LONGLONG back = KoTextToNanoTimeToken(ours, &f, FALSE, &end);
    const LONGLONG expected = negative ? -start : start;
    if (back < expected - 1 || back > expected + 1 || end != ours + n) {
      ADD_FAILURE() << "code " << r.code << " '" << narrow << "' reads back as " << back << ", not " << expected;
      return;
    }
  }
}

// Non-drop labels at 29.97: libavutil counts 30 labels a second too.
TEST(TimeTextFFmpeg, EveryFrameOfADay) {
  for (const PeerRate &r : {PeerRate{KOPOSFMT_SMPTE_2997_DROP, 2, {30000, 1001}, AV_TIMECODE_FLAG_DROPFRAME, 2589408},
                            PeerRate{KOPOSFMT_SMPTE_25, 3, {25, 1}, 0, 2160000},
                            PeerRate{KOPOSFMT_SMPTE_24, 4, {24, 1}, 0, 2073600},
                            PeerRate{KOPOSFMT_SMPTE_30, 1, {30, 1}, 0, 2592000},
                            PeerRate{KOPOSFMT_SMPTE_2997, 5, {30000, 1001}, 0, 2592000}})
    CompareDay(r);
}

}  // namespace
