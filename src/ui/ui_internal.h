// Internal interface of the user-interface helpers: the colour tables, the
// profile text of colours and the window-placement rules over rectangles.
// The rules take the display layout as an argument so that they can be
// checked for any arrangement of monitors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kokernel/koui.h"
#include "platform/platform.h"

namespace ko::ui {

// ---- colours ----------------------------------------------------------------
constexpr int kSystemColours = 31;      // 0..30
constexpr int kPaletteFirst = 100;
constexpr int kPaletteColours = 53;     // 100..152
constexpr uint32_t kNoOverride = 0xFFFFFFFFu;
constexpr uint32_t kNotAColour = 0xF000F0u;

// Built-in default of palette colour number (100..152).
uint32_t PaletteDefault(int number);
// Start-up step 7 and WM_SYSCOLORCHANGE: palette back to its defaults, no
// system-colour overrides, the host's colour functions looked up afresh.
void ResetColours();
// The library's own colour rules (without the host's take-over).
uint32_t OwnColourAbsolute(int number);
// Profile key of a system colour (0..30), or null (25 and out of range).
const char *SystemColourKey(int index);

// ---- profile text -----------------------------------------------------------
// The colour a profile value names (at most 127 units are looked at).
// False when the text is not a colour; *colour is then 0xF000F0.
bool ReadProfileColour(const KOCHAR *text, uint32_t *colour);
// The profile text of a colour in the given form (0 "RGB(r,g,b)", 1
// "#rrggbb", else hexadecimal); returns the units written. out holds 32.
size_t ColourProfileText(uint32_t colour, uint32_t form, KOCHAR *out);
constexpr size_t kProfileNumberUnits = 32;  // 31 units and the terminator
bool IntProfileText(int value, bool localized, KOCHAR *out);
bool DWordProfileText(uint32_t value, KOCHAR *out);
bool DoubleProfileText(double value, bool localized, const KOCHAR *format, KOCHAR *out);

// ---- placement rules ----------------------------------------------------------
using platform::DisplayLayout;
constexpr uint32_t kPlacementBytes = 44;

// The work area of the monitor that MonitorFromRect(MONITOR_DEFAULTTOPRIMARY)
// gives for r, or the screen clip box when there is no monitor.
RECT WorkAreaFor(const DisplayLayout &d, const RECT &r);
void ForceRectOnto(const DisplayLayout &d, RECT *r, int mx, int my);
int ForcePopupRectOnto(const DisplayLayout &d, RECT *popup, const RECT &anchor, int mx, int my);
bool CaptionVisible(const DisplayLayout &d, const RECT &r);
int FixPlacement(const DisplayLayout &d, WINDOWPLACEMENT *wp);
// True when a record read back from the store can be applied at all: the
// right length, a known show command and a normal rectangle of a sane size.
bool PlausiblePlacement(const WINDOWPLACEMENT &wp);
// The placement used when nothing usable was stored.
void DefaultPlacement(const DisplayLayout &d, uint32_t flags, WINDOWPLACEMENT *wp);
// Mode 2's rule once the stored record (if any) is known: 0 when the stored
// record stays, 1 when the default was built into *wp.
int ChoosePlacement(const DisplayLayout &d, bool readOk, WINDOWPLACEMENT *wp);

// The top-left corner for a width x height window centred by the low four
// bits of flags on reference rectangle ref, forced onto the desktop.
struct CentreInputs {
  RECT reference;
  POINT cursor;  // position 2
  POINT point;   // position 3
};
POINT CentrePosition(const DisplayLayout &d, int width, int height, const CentreInputs &in,
                     uint32_t flags);

// ---- objects released at shutdown and on colour changes ----------------------
void ReleaseFonts();  // the cached fonts (nothing natively)
void ReleaseCursors();  // sets the arrow, destroys the cached cursors

}  // namespace ko::ui
