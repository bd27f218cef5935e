// Window placement rules over rectangles: which monitor's work area a
// rectangle belongs to, pushing rectangles and pop-ups onto it, whether a
// caption can still be reached, and where a centred window goes.
#include <algorithm>

#include "kokernel/koui.h"
#include "ui/ui_internal.h"

namespace ko::ui {
namespace {

int64_t Width(const RECT &r) { return static_cast<int64_t>(r.right) - r.left; }
int64_t Height(const RECT &r) { return static_cast<int64_t>(r.bottom) - r.top; }

bool Intersect(const RECT &a, const RECT &b, RECT *out) {
  out->left = std::max(a.left, b.left);
  out->top = std::max(a.top, b.top);
  out->right = std::min(a.right, b.right);
  out->bottom = std::min(a.bottom, b.bottom);
  return out->left < out->right && out->top < out->bottom;
}

void Offset(RECT *r, int64_t dx, int64_t dy) {
  r->left = static_cast<LONG>(r->left + dx);
  r->right = static_cast<LONG>(r->right + dx);
  r->top = static_cast<LONG>(r->top + dy);
  r->bottom = static_cast<LONG>(r->bottom + dy);
}

const platform::MonitorArea *Primary(const DisplayLayout &d) {
  for (size_t i = 0; i < d.count; ++i)
    if (d.monitors[i].primary) return &d.monitors[i];
  return d.count ? &d.monitors[0] : nullptr;
}

// The show commands a window placement can hold (SW_HIDE to SW_FORCEMINIMIZE).
constexpr uint32_t kLastShowCommand = 11;
// No window is wider or taller than this many pixels.
constexpr int64_t kLargestWindow = 1 << 16;

}  // namespace

RECT WorkAreaFor(const DisplayLayout &d, const RECT &r) {
  // The monitor sharing the largest area with r; the primary when none does.
  const platform::MonitorArea *best = nullptr;
  int64_t bestArea = 0;
  for (size_t i = 0; i < d.count; ++i) {
    RECT common;
    if (!Intersect(r, d.monitors[i].monitor, &common)) continue;
    const int64_t area = Width(common) * Height(common);
    if (area > bestArea) {
      bestArea = area;
      best = &d.monitors[i];
    }
  }
  if (!best) best = Primary(d);
  return best ? best->work : d.screenClip;
}

void ForceRectOnto(const DisplayLayout &d, RECT *r, int mx, int my) {
  const RECT w = WorkAreaFor(d, *r);
  const int64_t left = static_cast<int64_t>(w.left) + mx, right = static_cast<int64_t>(w.right) - mx;
  const int64_t top = static_cast<int64_t>(w.top) + my, bottom = static_cast<int64_t>(w.bottom) - my;
  int64_t dx = 0, dy = 0;
  if (r->left < left)
    dx = left - r->left;
  else if (r->right > right)
    dx = right - r->right;
  if (r->top < top)
    dy = top - r->top;
  else if (r->bottom > bottom)
    dy = bottom - r->bottom;
  Offset(r, dx, dy);
}

int ForcePopupRectOnto(const DisplayLayout &d, RECT *popup, const RECT &anchor, int mx, int my) {
  RECT w = WorkAreaFor(d, anchor);
  const bool left = (static_cast<int64_t>(anchor.left) + anchor.right) / 2 <=
                    (static_cast<int64_t>(w.left) + w.right) / 2;
  const bool upper = (static_cast<int64_t>(anchor.top) + anchor.bottom) / 2 <=
                     (static_cast<int64_t>(w.top) + w.bottom) / 2;
  w.left += mx;
  w.right -= mx;
  w.top += my;
  w.bottom -= my;
  const int64_t width = Width(*popup), height = Height(*popup);
  RECT c;
  // Open towards the middle of the work area.
  c.left = static_cast<LONG>(left ? anchor.right : anchor.left - width);
  c.top = static_cast<LONG>(upper ? anchor.bottom : anchor.top - height);
  c.right = static_cast<LONG>(c.left + width);
  c.bottom = static_cast<LONG>(c.top + height);
  *popup = c;
  if (c.left >= w.left && c.top >= w.top && c.right <= w.right && c.bottom <= w.bottom) return 0;
  ForceRectOnto(d, popup, mx, my);
  return 1;
}

bool CaptionVisible(const DisplayLayout &d, const RECT &r) {
  const int32_t h = d.smallCaption;
  const RECT strip = {r.left, r.top, r.right, static_cast<LONG>(r.top + h)};
  const int64_t need = std::max<int64_t>(h / 2, 3);
  for (size_t i = 0; i < d.count; ++i) {
    RECT part;
    if (!Intersect(strip, d.monitors[i].monitor, &part)) continue;
    if (Width(part) >= need && Height(part) >= need) return true;
  }
  return false;
}

int FixPlacement(const DisplayLayout &d, WINDOWPLACEMENT *wp) {
  if (wp->showCmd == 2) wp->showCmd = 1;
  if (CaptionVisible(d, wp->rcNormalPosition)) return 1;
  ForceRectOnto(d, &wp->rcNormalPosition, 0, 0);
  return 0;
}

bool PlausiblePlacement(const WINDOWPLACEMENT &wp) {
  const RECT &r = wp.rcNormalPosition;
  return wp.length == kPlacementBytes && wp.showCmd <= kLastShowCommand && Width(r) > 0 &&
         Height(r) > 0 && Width(r) <= kLargestWindow && Height(r) <= kLargestWindow;
}

void DefaultPlacement(const DisplayLayout &d, uint32_t flags, WINDOWPLACEMENT *wp) {
  const RECT &w = d.primaryWork;
  const LONG dx = static_cast<LONG>(Width(w) / 16), dy = static_cast<LONG>(Height(w) / 16);
  *wp = WINDOWPLACEMENT{};
  wp->length = kPlacementBytes;
  wp->flags = flags;
  wp->showCmd = 1;
  wp->ptMinPosition = {-1, -1};
  wp->ptMaxPosition = {-1, -1};
  wp->rcNormalPosition = {w.left + dx, w.top + dy, w.right - dx, w.bottom - dy};
}

int ChoosePlacement(const DisplayLayout &d, bool readOk, WINDOWPLACEMENT *wp) {
  if (readOk && wp->ptMinPosition.x < 0 && wp->ptMinPosition.y < 0) return 0;
  DefaultPlacement(d, readOk ? wp->flags : 0, wp);
  return 1;
}

POINT CentrePosition(const DisplayLayout &d, int width, int height, const CentreInputs &in,
                     uint32_t flags) {
  const RECT &R = in.reference;
  int64_t x, y;
  switch (flags & 0xF) {
    case 1:
      x = (static_cast<int64_t>(R.left) + R.right - width) / 2;
      y = R.top + Height(R) / 3 - height / 3;
      break;
    case 2:
      x = in.cursor.x - width / 2;
      y = in.cursor.y - height / 2;
      break;
    case 3:
      x = in.point.x - width / 2;
      y = in.point.y - height / 2;
      break;
    default:
      x = (static_cast<int64_t>(R.left) + R.right - width) / 2;
      y = (static_cast<int64_t>(R.top) + R.bottom - height) / 2;
      break;
  }
  if (flags & KO_CENTER_RELATIVE) {
    x -= R.left;
    y -= R.top;
  }
  RECT r = {static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + width),
            static_cast<LONG>(y + height)};
  ForceRectOnto(d, &r, 0, 0);
  return POINT{r.left, r.top};
}

}  // namespace ko::ui

using namespace ko::ui;

extern "C" KOAPI int KoForceRectOntoDesktop(RECT *rect, int mx, int my) {
  if (!rect) return 0;
  const RECT before = *rect;
  ForceRectOnto(ko::platform::GetDisplayLayout(), rect, mx, my);
  // Nonzero when the rectangle stayed where it was.
  return before.left == rect->left && before.top == rect->top ? 1 : 0;
}

extern "C" KOAPI int KoForcePopupRectOntoDesktop(RECT *popup, const RECT *anchor, int mx, int my) {
  if (!popup || !anchor) return 0;
  return ForcePopupRectOnto(ko::platform::GetDisplayLayout(), popup, *anchor, mx, my);
}

extern "C" KOAPI BOOL KoIsWindowCaptionVisible(const RECT *rect) {
  return rect && CaptionVisible(ko::platform::GetDisplayLayout(), *rect) ? TRUE : FALSE;
}

extern "C" KOAPI int KoFixWindowPlacement(WINDOWPLACEMENT *wp) {
  if (!wp) return 0;
  return FixPlacement(ko::platform::GetDisplayLayout(), wp);
}
