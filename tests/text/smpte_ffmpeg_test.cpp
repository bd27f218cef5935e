// Drop-frame and whole-frame time code compared with FFmpeg's libavutil over
// every frame of a day.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/timecode.h>
}

#include "kokernel/kosmpte.h"

namespace {

struct PeerRate {
  DWORD mode;
  AVRational rate;
  int flags;
  int perDay;
};

void CompareDay(const PeerRate &r) {
  AVTimecode tc;
  ASSERT_EQ(av_timecode_init(&tc, r.rate, r.flags | AV_TIMECODE_FLAG_24HOURSMAX, 0, nullptr), 0);
  char peer[AV_TIMECODE_STR_SIZE];
  char ours[AV_TIMECODE_STR_SIZE + 16];
  const char sep = (r.flags & AV_TIMECODE_FLAG_DROPFRAME) ? ';' : ':';
  for (int c = 0; c < r.perDay; ++c) {
    av_timecode_make_string(&tc, peer, c);
    _smpteval t{r.mode, 0, 0, 0, 0, 0};
    KOSMPTE_FrameCountToSMPTE(&t, c);
    // The peer writes "HH:MM:SS;FF" (":" before the frames when not drop-frame).
    auto two = [&](int at) { return unsigned(peer[at] - '0') * 10 + unsigned(peer[at + 1] - '0'); };
    if (std::strlen(peer) != 11 || peer[8] != sep || two(0) != t.hours || two(3) != t.minutes ||
        two(6) != t.seconds || two(9) != t.frames) {
      std::snprintf(ours, sizeof ours, "%02u:%02u:%02u%c%02u", t.hours, t.minutes, t.seconds, sep, t.frames);
      ADD_FAILURE() << "mode " << r.mode << " frame " << c << ": " << ours << " vs libavutil " << peer;
      return;
    }
  }
}

}  // namespace

TEST(SmpteAgainstLibavutil, EveryFrameOfADayInFourModes) {
  for (const PeerRate &r : {PeerRate{2, {30000, 1001}, AV_TIMECODE_FLAG_DROPFRAME, 2589408},
                            PeerRate{1, {30, 1}, 0, 2592000}, PeerRate{3, {25, 1}, 0, 2160000},
                            PeerRate{4, {24, 1}, 0, 2073600}})
    CompareDay(r);
}
