// User-interface colours: overrides of the system colours, the applications'
// palette with its built-in defaults, blends of two colours, and the host's
// take-over of colour lookup.
#include <atomic>
#include <cmath>
#include <mutex>

#include "frame/frame_internal.h"
#include "kokernel/koui.h"
#include "platform/platform.h"
#include "ui/ui_internal.h"

namespace ko::ui {
namespace {

// Colour values 0x00BBGGRR of palette numbers 100 to 152.
constexpr uint32_t kPaletteDefaults[kPaletteColours] = {
    0x00640000, 0x00640000, 0x00FFFFFF, 0x00F00000, 0x00C0C0C0, 0x00000000, 0x00008000,
    0x00808000, 0x000000FF, 0x00FF0000, 0x00808000, 0x00FFFF00, 0x005C5C5C, 0x000000FF,
    0x00FF0000, 0x00FF8000, 0x00FFFFFF, 0x00C0C0C0, 0x000000FF, 0x00FFFFFF, 0x0000F4F9,
    0x00FFFFFF, 0x00C0C0C0, 0x00FFFFFF, 0x00000000, 0x00FFAE00, 0x0074D826, 0x001896FF,
    0x00FF00BB, 0x00808000, 0x00578EDB, 0x00659E54, 0x00808000, 0x00008000, 0x007D5F38,
    0x007D5F38, 0x00DB57BD, 0x005757DB, 0x00800000, 0x0000F4F9, 0x00FF6121, 0x00B5D2FD,
    0x00720092, 0x00FFFFFF, 0x00E6E6E6, 0x00FF6121, 0x000000FF, 0x00C00000, 0x00E6E6E6,
    0x00000064, 0x0074AC26, 0x002450FF, 0x00A2008F,
};

const char *const kSystemColourKeys[kSystemColours] = {
    "COLOR_SCROLLBAR",     "COLOR_BACKGROUND",       "COLOR_ACTIVECAPTION",
    "COLOR_INACTIVECAPTION", "COLOR_MENU",           "COLOR_WINDOW",
    "COLOR_WINDOWFRAME",   "COLOR_MENUTEXT",         "COLOR_WINDOWTEXT",
    "COLOR_CAPTIONTEXT",   "COLOR_ACTIVEBORDER",     "COLOR_INACTIVEBORDER",
    "COLOR_APPWORKSPACE",  "COLOR_HIGHLIGHT",        "COLOR_HIGHLIGHTTEXT",
    "COLOR_BTNFACE",       "COLOR_BTNSHADOW",        "COLOR_GRAYTEXT",
    "COLOR_BTNTEXT",       "COLOR_INACTIVECAPTIONTEXT", "COLOR_BTNHIGHLIGHT",
    "COLOR_3DDKSHADOW",    "COLOR_3DLIGHT",          "COLOR_INFOTEXT",
    "COLOR_INFOBK",        nullptr,                  "COLOR_HOTLIGHT",
    "COLOR_GRADIENTACTIVECAPTION", "COLOR_GRADIENTINACTIVECAPTION", "COLOR_MENUHILIGHT",
    "COLOR_MENUBAR",
};

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;
constexpr uint32_t kReferenceBit = 0x04000000u;  // top byte 0x04 or 0x05

std::atomic<uint32_t> g_overrides[kSystemColours];
std::atomic<uint32_t> g_palette[kPaletteColours];
// Set once the palette has been given its defaults (start-up or first use).
std::once_flag g_paletteInit;

void FillDefaults() {
  for (int i = 0; i < kPaletteColours; ++i) g_palette[i].store(kPaletteDefaults[i]);
  for (auto &o : g_overrides) o.store(kNoOverride);
}
void EnsureTables() { std::call_once(g_paletteInit, FillDefaults); }

// ---- the host's take-over -------------------------------------------------------
using ColourFunction = uint32_t (*)(int);
using AppKernelFunction = HMODULE (*)();
// Recursive: the host's KoApp_GetAppKernel may itself ask for a colour.
std::recursive_mutex g_hostLock;
bool g_hostLooked = false;
bool g_hostLooking = false;  // inside the lookup, on the thread that holds the lock
ColourFunction g_hostAbsolute = nullptr;
ColourFunction g_hostColour = nullptr;

// The host's functions when the take-over is on and both were found;
// otherwise switches the take-over off and gives false.
bool HostFunctions(ColourFunction *absolute, ColourFunction *colour) {
  if (!(frame::KernelOptions() & frame::kKernelOptionHostColours)) return false;
  std::lock_guard<std::recursive_mutex> guard(g_hostLock);
  if (g_hostLooking) return false;  // a colour request from the host's own look-up
  if (!g_hostLooked) {
    g_hostLooking = true;
    g_hostAbsolute = g_hostColour = nullptr;
    HMODULE process = frame::HostProcessModule();
    if (!process) process = platform::ModuleOfProcess();
    auto appKernel = reinterpret_cast<AppKernelFunction>(
        platform::ModuleSymbol(process, "KoApp_GetAppKernel"));
    if (HMODULE kernel = appKernel ? appKernel() : nullptr) {
      g_hostAbsolute =
          reinterpret_cast<ColourFunction>(platform::ModuleSymbol(kernel, "KoGetUIColorAbsolute"));
      g_hostColour = reinterpret_cast<ColourFunction>(platform::ModuleSymbol(kernel, "KoGetUIColor"));
    }
    // A module that hands back this library's own functions would make
    // every request call itself.
    if (g_hostAbsolute == reinterpret_cast<ColourFunction>(&KoGetUIColorAbsolute) ||
        g_hostColour == reinterpret_cast<ColourFunction>(&KoGetUIColor))
      g_hostAbsolute = g_hostColour = nullptr;
    g_hostLooking = false;
    g_hostLooked = true;
  }
  if (!g_hostAbsolute || !g_hostColour) {
    frame::ClearKernelOption(frame::kKernelOptionHostColours);
    return false;
  }
  *absolute = g_hostAbsolute;
  *colour = g_hostColour;
  return true;
}

// ---- the library's own rules ------------------------------------------------------
uint32_t SystemValue(int index) {
  const uint32_t o = g_overrides[index].load(std::memory_order_relaxed);
  return o != kNoOverride ? o : platform::SystemColour(index);
}

// A colour for a display with few colours: saturation and lightness are
// brought to a few steps that such a display shows without dithering.
uint32_t AdjustForFewColours(uint32_t c) {
  const double r = (c & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = ((c >> 16) & 0xFF) / 255.0;
  const double hi = std::fmax(r, std::fmax(g, b)), lo = std::fmin(r, std::fmin(g, b));
  double l = (hi + lo) / 2, s = 0, h = 0;
  if (hi > lo) {
    const double d = hi - lo;
    s = l > 0.5 ? d / (2 - hi - lo) : d / (hi + lo);
    if (hi == r) h = (g - b) / d + (g < b ? 6 : 0);
    else if (hi == g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h /= 6;
  }
  s = s < 0.25 ? 0 : 1;
  l = std::round(l * 4) / 4;
  auto channel = [&](double t) {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    double v = t < 1.0 / 6 ? p + (q - p) * 6 * t : t < 0.5 ? q : t < 2.0 / 3 ? p + (q - p) * (2.0 / 3 - t) * 6 : p;
    return static_cast<uint32_t>(std::lround(v * 255));
  };
  return channel(h + 1.0 / 3) | channel(h) << 8 | channel(h - 1.0 / 3) << 16;
}

uint32_t ResolveEntry(uint32_t entry) {
  const uint32_t top = entry >> 24, index = entry & 0xFFFFFF;
  if (top != 0x04 && top != 0x05) return entry;
  if (index >= static_cast<uint32_t>(kSystemColours)) return kNotAColour;
  const uint32_t c = SystemValue(static_cast<int>(index));
  return (top == 0x05 && platform::ScreenBitsPerPixel() <= 8) ? AdjustForFewColours(c) : c;
}

uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    long v = cb + std::lround((ca - cb) * static_cast<double>(weight) / 255.0);
    v = v < 0 ? 0 : v > 255 ? 255 : v;
    out |= static_cast<uint32_t>(v) << shift;
  }
  return out;
}

}  // namespace

uint32_t PaletteDefault(int number) {
  return (number >= kPaletteFirst && number < kPaletteFirst + kPaletteColours)
             ? kPaletteDefaults[number - kPaletteFirst]
             : kAllOnes;
}

const char *SystemColourKey(int index) {
  return (index >= 0 && index < kSystemColours) ? kSystemColourKeys[index] : nullptr;
}

void ResetColours() {
  EnsureTables();
  FillDefaults();
  std::lock_guard<std::recursive_mutex> guard(g_hostLock);
  g_hostLooked = false;
}

uint32_t OwnColourAbsolute(int number) {
  EnsureTables();
  if (number >= 0 && number < kSystemColours) return SystemValue(number);
  if (number >= kSystemColours && number < kPaletteFirst) return kNotAColour;
  if (number >= kPaletteFirst && number < kPaletteFirst + kPaletteColours)
    return ResolveEntry(g_palette[number - kPaletteFirst].load(std::memory_order_relaxed));
  if (number < 0) {
    const int64_t n = -static_cast<int64_t>(number);
    if (n < kSystemColours) return platform::SystemColour(static_cast<int>(n));
    if (n >= kPaletteFirst && n < kPaletteFirst + kPaletteColours)
      return ResolveEntry(kPaletteDefaults[n - kPaletteFirst]);
    return kAllOnes;
  }
  if ((static_cast<uint32_t>(number) >> 24) == 0x04) {
    const int a = number & 0xFF, b = (number >> 8) & 0xFF;
    const uint32_t weight = (static_cast<uint32_t>(number) >> 16) & 0xFF;
    if (a < kPaletteFirst && b < kPaletteFirst) {
      const uint32_t ca = OwnColourAbsolute(a);
      return weight == 0 ? ca : Blend(ca, OwnColourAbsolute(b), weight);
    }
  }
  return kAllOnes;
}

}  // namespace ko::ui

using namespace ko::ui;

extern "C" KOAPI COLORREF KoGetUIColorAbsolute(int number) {
  ColourFunction absolute, colour;
  if (HostFunctions(&absolute, &colour)) return absolute(number);
  return OwnColourAbsolute(number);
}

extern "C" KOAPI COLORREF KoGetUIColor(int number) {
  ColourFunction absolute, colour;
  if (HostFunctions(&absolute, &colour)) return colour(number);
  const uint32_t c = OwnColourAbsolute(number);
  if (number >= kPaletteFirst && number < kPaletteFirst + kPaletteColours)
    return ko::platform::NearestScreenColour(c);
  return c;
}

extern "C" KOAPI COLORREF KoGetSysColor(int number) { return KoGetUIColor(number); }

extern "C" KOAPI BOOL KoSetUIColor(int number, COLORREF colour) {
  EnsureTables();
  if (number >= 0 && number < kSystemColours) {
    // An override cannot refer to another colour; all ones removes it.
    if (colour != kNoOverride && (colour & kReferenceBit)) return FALSE;
    g_overrides[number].store(colour);
    return TRUE;
  }
  if (number >= kPaletteFirst && number < kPaletteFirst + kPaletteColours) {
    g_palette[number - kPaletteFirst].store(colour);
    return TRUE;
  }
  return FALSE;
}

extern "C" KOAPI BOOL KoIsHighColorDisplay(void) {
  return ko::platform::ScreenBitsPerPixel() > 8 ? TRUE : FALSE;
}
