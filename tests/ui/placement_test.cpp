// Placement rules over a table of monitor arrangements.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/ui_internal.h"

namespace {

using ko::platform::DisplayLayout;
using ko::platform::MonitorArea;

struct Arrangement {
  const char *name;
  std::vector<MonitorArea> monitors;  // {monitor, work, primary}
};

DisplayLayout Layout(const Arrangement &a) {
  DisplayLayout d{};
  for (const auto &m : a.monitors) d.monitors[d.count++] = m;
  d.primaryWork = a.monitors[0].work;
  d.screenClip = a.monitors[0].monitor;
  d.smallCaption = 22;
  return d;
}

const Arrangement kArrangements[] = {
    {"single", {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}}},
    {"side_by_side",
     {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}, {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, false}}},
    {"stacked",
     {{{0, 0, 1280, 1024}, {0, 40, 1280, 1024}, true}, {{0, 1024, 1024, 1792}, {0, 1024, 1024, 1792}, false}}},
    {"negative_left",
     {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}, {{-1280, -200, 0, 824}, {-1280, -200, 0, 784}, false}}},
};

bool Inside(const RECT &r, const RECT &w) {
  return r.left >= w.left && r.top >= w.top && r.right <= w.right && r.bottom <= w.bottom;
}

class Arrangements : public ::testing::TestWithParam<Arrangement> {};

// Any rectangle that fits ends inside the work area it was measured against,
// keeps its size, stays there when forced again and has a reachable caption.
TEST_P(Arrangements, ForcedRectanglesLandOnAWorkArea) {
  const DisplayLayout d = Layout(GetParam());
  for (int margin : {0, 8}) {
    for (int x = -3000; x <= 4000; x += 350) {
      for (int y = -1500; y <= 2500; y += 250) {
        for (const SIZE size : {SIZE{200, 100}, SIZE{900, 700}}) {
          RECT r = {x, y, x + size.cx, y + size.cy};
          const RECT w = ko::ui::WorkAreaFor(d, r);
          ko::ui::ForceRectOnto(d, &r, margin, margin);
          const RECT shrunk = {w.left + margin, w.top + margin, w.right - margin, w.bottom - margin};
          SCOPED_TRACE(testing::Message() << x << "," << y << " margin " << margin);
          ASSERT_TRUE(r.right - r.left == size.cx && r.bottom - r.top == size.cy && Inside(r, shrunk) &&
                      ko::ui::CaptionVisible(d, r)) << r.left << "," << r.top;
          const RECT again = r;
          ko::ui::ForceRectOnto(d, &r, margin, margin);
          EXPECT_TRUE(r.left == again.left && r.top == again.top);
        }
      }
    }
  }
}

// A pop-up opens beside its anchor towards the middle of the anchor's work
// area, or is pushed inside it when that does not fit.
TEST_P(Arrangements, PopupsOpenTowardsTheMiddle) {
  const DisplayLayout d = Layout(GetParam());
  for (size_t m = 0; m < d.count; ++m) {
    const RECT w = d.monitors[m].work;
    for (int corner = 0; corner < 4; ++corner) {
      const bool right = corner & 1, lower = corner & 2;
      const LONG ax = right ? w.right - 150 : w.left + 50, ay = lower ? w.bottom - 40 : w.top + 20;
      const RECT anchor = {ax, ay, ax + 100, ay + 20};
      RECT popup = {0, 0, 300, 200};
      EXPECT_EQ(ko::ui::ForcePopupRectOnto(d, &popup, anchor, 4, 4), 0);
      EXPECT_EQ(popup.left, right ? anchor.left - 300 : anchor.right) << corner;
      EXPECT_EQ(popup.top, lower ? anchor.top - 200 : anchor.bottom) << corner;
      RECT tall = {0, 0, 300, w.bottom - w.top};
      EXPECT_NE(ko::ui::ForcePopupRectOnto(d, &tall, anchor, 0, 0), 0);
      EXPECT_TRUE(tall.bottom - tall.top == w.bottom - w.top && Inside(tall, w)) << corner;
    }
  }
}

// A window saved on a monitor that has gone comes back with its caption on
// the remaining one; one saved on a monitor that is still there stays.
TEST_P(Arrangements, PlacementsFromARemovedMonitorComeBack) {
  const DisplayLayout d = Layout(GetParam());
  const RECT saved[] = {{3300, 100, 3900, 500}, {-2000, 300, -1400, 700}, {200, 1900, 800, 2300},
                        {200, -900, 800, -500}};
  for (const RECT &r : saved) {
    WINDOWPLACEMENT wp = {44, 0, 2, {-1, -1}, {-1, -1}, r};
    EXPECT_EQ(ko::ui::FixPlacement(d, &wp), 0);
    EXPECT_TRUE(wp.showCmd == 1u && ko::ui::CaptionVisible(d, wp.rcNormalPosition)) << r.left << "," << r.top;
  }
  for (size_t m = 0; m < d.count; ++m) {
    const RECT w = d.monitors[m].work;
    WINDOWPLACEMENT wp = {44, 0, 3, {-1, -1}, {-1, -1}, {w.left + 10, w.top + 10, w.left + 300, w.top + 200}};
    const RECT before = wp.rcNormalPosition;
    EXPECT_NE(ko::ui::FixPlacement(d, &wp), 0);
    EXPECT_TRUE(wp.showCmd == 3u && wp.rcNormalPosition.left == before.left && wp.rcNormalPosition.top == before.top);
  }
}

INSTANTIATE_TEST_SUITE_P(Monitors, Arrangements, ::testing::ValuesIn(kArrangements),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PlacementRules, WorkedValuesAndStoredOrDefault) {
  const DisplayLayout single = Layout(kArrangements[0]);
  RECT r = {-50, 10, 150, 110};
  ko::ui::ForceRectOnto(single, &r, 8, 0);
  EXPECT_TRUE(r.left == 8 && r.top == 10 && r.right == 208);
  // Caption strips: off every monitor, 2 pixels high on one, 11 pixels high.
  EXPECT_FALSE(ko::ui::CaptionVisible(single, {100, 1200, 500, 1400}) || ko::ui::CaptionVisible(single, {100, 1078, 500, 1300}));
  EXPECT_TRUE(ko::ui::CaptionVisible(single, {100, 1069, 500, 1300}));
  // Centring on (0, 0, 1200, 900), on a reference, and forced back onto the work area.
  const ko::ui::CentreInputs in = {{0, 0, 1200, 900}, {600, 500}, {1000, 800}};
  const struct { ko::ui::CentreInputs in; uint32_t flags; LONG x, y; } centres[] = {
      {in, 1, 450, 234}, {in, 0, 450, 350}, {in, 2, 450, 400}, {in, 3, 850, 700}, {in, 7, 450, 350},
      {{{100, 50, 1300, 950}, {600, 500}, {1000, 800}}, KO_CENTER_RELATIVE, 450, 350},
      {{{100, 50, 1300, 950}, {600, 500}, {1900, 1030}}, 3, 1620, 840}};
  for (const auto &c : centres) {
    const POINT p = ko::ui::CentrePosition(single, 300, 200, c.in, c.flags);
    EXPECT_TRUE(p.x == c.x && p.y == c.y) << &c - centres << ": " << p.x << "," << p.y;
  }
  // A stored placement or the default.
  const DisplayLayout d = Layout(kArrangements[0]);
  WINDOWPLACEMENT wp = {44, 2, 1, {-1, -1}, {-1, -1}, {10, 20, 300, 400}};
  EXPECT_TRUE(ko::ui::ChoosePlacement(d, true, &wp) == 0 && wp.rcNormalPosition.left == 10);
  wp.ptMinPosition = {0, 0};
  EXPECT_EQ(ko::ui::ChoosePlacement(d, true, &wp), 1);
  // 1920 x 1040 inset by 1/16; the flags as read.
  const WINDOWPLACEMENT expect = {44, 2, 1, {-1, -1}, {-1, -1}, {120, 65, 1800, 975}};
  EXPECT_EQ(0, std::memcmp(&wp, &expect, sizeof expect));
  EXPECT_TRUE(ko::ui::ChoosePlacement(d, false, &wp) == 1 && wp.flags == 0u);
  // Records that no window can take (bad show command, huge rectangle).
  EXPECT_TRUE(ko::ui::PlausiblePlacement(wp));
  WINDOWPLACEMENT badShow = wp, huge = wp;
  badShow.showCmd = 99;
  huge.rcNormalPosition.bottom = 0x7FFFFFFF;
  EXPECT_FALSE(ko::ui::PlausiblePlacement(badShow) || ko::ui::PlausiblePlacement(huge));
}

}  // namespace
