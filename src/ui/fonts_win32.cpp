// The shared user-interface fonts: created once per number on first use,
// kept for the process, and the extent of "0" in each.
#include <windows.h>

#include <mutex>

#include "kokernel/koframe.h"
#include "kokernel/koui.h"
#include "ui/ui_internal.h"

namespace {

constexpr int kFirstFont = 10;
constexpr int kLastFont = 165;
constexpr int kSlots = kLastFont - kFirstFont + 1;
constexpr int kStockGui = DEFAULT_GUI_FONT;   // 17
constexpr int kStockFixed = ANSI_FIXED_FONT;  // 11

constexpr BYTE kVariableSwiss = VARIABLE_PITCH | FF_SWISS;  // 34
constexpr BYTE kFixedModern = FIXED_PITCH | FF_MODERN;      // 49
constexpr BYTE kVariableOnly = VARIABLE_PITCH;              // 2

std::mutex g_fontLock;
HFONT g_fonts[kSlots];
SIZE g_sizes[kSlots];
bool g_sized[kSlots];

bool InTable(int n) {
  switch (n) {
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
    case 100: case 102: case 104: case 106: case 108: case 110: case 112: case 120:
    case 129: case 130: case 134:
    case 140: case 141: case 142: case 143: case 144: case 145: case 146: case 147:
    case 160: case 161: case 162: case 163: case 165:
      return true;
    default:
      return false;
  }
}

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

LOGFONTW StockLogFont(int stock) {
  LOGFONTW lf = {};
  ::GetObjectW(::GetStockObject(stock), sizeof lf, &lf);
  return lf;
}

int PointsOf(LONG height, int dpi) { return ::MulDiv(height < 0 ? -height : height, 72, dpi); }
LONG HeightOfPoints(int points, int dpi) { return -::MulDiv(points, dpi, 72); }

void SetFace(LOGFONTW *lf, const wchar_t *face) { lstrcpynW(lf->lfFaceName, face, LF_FACESIZE); }

// Proof quality and TrueType precision; TrueType only on 5.1 and later, and
// ClearType quality when the system smooths fonts with it.
void QualityRule(LOGFONTW *lf) {
  lf->lfQuality = PROOF_QUALITY;
  lf->lfOutPrecision = OUT_TT_PRECIS;
  if (KoOSVersionOK(6)) {
    lf->lfOutPrecision = OUT_TT_ONLY_PRECIS;
    BOOL smoothing = FALSE;
    UINT type = 0;
    if (::SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &smoothing, 0) && smoothing &&
        ::SystemParametersInfoW(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0) &&
        type == FE_FONTSMOOTHINGCLEARTYPE)
      lf->lfQuality = CLEARTYPE_QUALITY;
  }
}

bool DescribeFont(int n, LOGFONTW *out) {
  const int dpi = ScreenDpi();
  const LOGFONTW gui = StockLogFont(kStockGui);
  const LONG guiHeight = -(gui.lfHeight < 0 ? -gui.lfHeight : gui.lfHeight);
  const int guiPoints = PointsOf(gui.lfHeight, dpi);
  const int fixedPoints = PointsOf(StockLogFont(kStockFixed).lfHeight, dpi);
  const wchar_t *dialogFace = KoOSVersionOK(6) ? L"MS Shell Dlg 2" : L"MS Shell Dlg";

  LOGFONTW lf = {};
  lf.lfWeight = FW_NORMAL;
  lf.lfPitchAndFamily = kVariableSwiss;
  SetFace(&lf, dialogFace);
  lf.lfHeight = guiHeight;
  bool rule = true;
  NONCLIENTMETRICSW ncm = {};
  ncm.cbSize = sizeof ncm;
  const bool system = n >= 140 && n <= 146;
  if (system && n <= 144 && !::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    return false;
  switch (n) {
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
      lf = StockLogFont(n);
      break;
    case 100: break;
    case 102:
    case 120:
      SetFace(&lf, L"Courier New");
      lf.lfHeight = HeightOfPoints(fixedPoints - (n == 102 ? 1 : 2), dpi);
      lf.lfPitchAndFamily = kFixedModern;
      break;
    case 104: lf.lfWeight = FW_BOLD; break;
    case 106:
    case 108:
      SetFace(&lf, gui.lfFaceName);
      lf.lfItalic = TRUE;
      if (n == 108) lf.lfWeight = FW_BOLD;
      rule = false;
      lf.lfQuality = PROOF_QUALITY;
      lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
      break;
    case 110: case 112:
      lf.lfHeight = HeightOfPoints(guiPoints - 1, dpi);
      if (n == 112) lf.lfWeight = FW_BOLD;
      break;
    case 129: lf.lfHeight = HeightOfPoints(16, dpi); lf.lfWeight = FW_MEDIUM; lf.lfPitchAndFamily = kVariableOnly; break;
    case 130: lf.lfHeight = HeightOfPoints(12, dpi); lf.lfWeight = FW_MEDIUM; break;
    case 134: lf.lfHeight = HeightOfPoints(12, dpi); lf.lfWeight = FW_BOLD; lf.lfPitchAndFamily = kVariableOnly; break;
    case 140: lf = ncm.lfCaptionFont; break;
    case 141: lf = ncm.lfSmCaptionFont; break;
    case 142: lf = ncm.lfMenuFont; break;
    case 143: lf = ncm.lfStatusFont; break;
    case 144: lf = ncm.lfMessageFont; break;
    case 145:
    case 146:
      if (!::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) return false;
      if (n == 146) lf.lfWeight = FW_BOLD;  // the emphasised icon title
      break;
    case 147:
      SetFace(&lf, L"Consolas");
      lf.lfHeight = HeightOfPoints(10, dpi);
      lf.lfWeight = FW_MEDIUM;
      lf.lfPitchAndFamily = kVariableOnly;
      break;
    case 160: case 161: case 162: case 163:
      lf.lfEscapement = lf.lfOrientation = (n == 160 || n == 162) ? 900 : 2700;
      lf.lfWeight = n >= 162 ? FW_BOLD : FW_NORMAL;
      break;
    case 165: lf.lfUnderline = TRUE; break;
    default: return false;
  }
  lf.lfCharSet = DEFAULT_CHARSET;
  if (rule) QualityRule(&lf);
  *out = lf;
  return true;
}

HFONT CreateFor(int n) {
  LOGFONTW lf;
  HFONT font = DescribeFont(n, &lf) ? ::CreateFontIndirectW(&lf) : nullptr;
  if (!font) font = static_cast<HFONT>(::GetStockObject((n == 102 || n == 120) ? kStockFixed : kStockGui));
  return font;
}

bool IsStock(HFONT font) {
  for (int s = OEM_FIXED_FONT; s <= DEFAULT_GUI_FONT; ++s)
    if (::GetStockObject(s) == font) return true;
  return false;
}

}  // namespace

namespace ko::ui {
void ReleaseFonts() {
  std::lock_guard<std::mutex> guard(g_fontLock);
  for (int i = 0; i < kSlots; ++i) {
    if (g_fonts[i] && !IsStock(g_fonts[i])) ::DeleteObject(g_fonts[i]);
    g_fonts[i] = nullptr;
    g_sized[i] = false;
  }
}
}  // namespace ko::ui

extern "C" KOAPI HFONT KoGetUIFont(int number) {
  if (number < kFirstFont || number > kLastFont || !InTable(number))
    return static_cast<HFONT>(::GetStockObject(kStockGui));
  std::lock_guard<std::mutex> guard(g_fontLock);
  HFONT &slot = g_fonts[number - kFirstFont];
  if (!slot) slot = CreateFor(number);
  return slot;
}

extern "C" KOAPI void KoGetFontSize(HFONT font, SIZE *size) {
  if (!size) return;
  *size = SIZE{0, 0};
  HDC dc = ::GetDC(nullptr);
  if (!dc) return;
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  ::GetTextExtentPoint32W(dc, L"0", 1, size);
  if (old) ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
}

extern "C" KOAPI SIZE *KoGetUIFontSize(int number) {
  if (number < kFirstFont || number > kLastFont || !InTable(number)) return nullptr;
  HFONT font = KoGetUIFont(number);
  std::lock_guard<std::mutex> guard(g_fontLock);
  const int i = number - kFirstFont;
  if (!g_sized[i]) {
    KoGetFontSize(font, &g_sizes[i]);
    g_sized[i] = true;
  }
  return &g_sizes[i];
}

extern "C" KOAPI int KoGetUIFontCharset(void) {
  HDC dc = ::GetDC(nullptr);
  if (!dc) return DEFAULT_CHARSET;
  const int charset = ::GetTextCharset(dc);
  ::ReleaseDC(nullptr, dc);
  return charset;
}
