/*
 * kokernel: user-interface colours and fonts, window placement and the
 * dialog-control helpers.
 *
 * Colour numbers: 0..30 the system colours (COLOR_*), each with an override;
 * 100..152 the applications' palette; -n the default of colour n;
 * 0x04WWBBAA a blend of colours AA and BB by weight WW.
 * The colour and placement rules are portable; fonts, profiles, windows and
 * dialogs exist only in the DLL.
 */
#ifndef KOKERNEL_KOUI_H
#define KOKERNEL_KOUI_H

#include "kobase.h"
#include "kogdi.h"

#ifndef _WIN32
typedef uint32_t COLORREF;
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT;
typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE;
typedef struct tagWINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
} WINDOWPLACEMENT;
#endif

#ifdef __cplusplus
static_assert(sizeof(WINDOWPLACEMENT) == 44, "WINDOWPLACEMENT is 44 bytes");
#endif

/* Palette numbers and the "no override" value. */
#define KO_UICOLOR_FIRST 100
#define KO_UICOLOR_LAST 152
#define KO_UICOLOR_SYSTEM_LAST 30
/* Blend of colours a and b (both below 100) by weight w (0..255). */
#define KO_UICOLOR_BLEND(a, b, w) \
  ((int)(0x04000000u | ((uint32_t)(w) & 0xFFu) << 16 | ((uint32_t)(b) & 0xFFu) << 8 | ((uint32_t)(a) & 0xFFu)))

/* Placement modes of KoWindowPlacement and KoLoadWindowPlacement. */
#define KO_PLACEMENT_SAVE 0
#define KO_PLACEMENT_RESTORE 1
#define KO_PLACEMENT_RESTORE_OR_DEFAULT 2

/* Centring flags: position in the low four bits, then options. */
#define KO_CENTER_ON_REFERENCE 0x0u
#define KO_CENTER_THIRD_DOWN 0x1u
#define KO_CENTER_ON_CURSOR 0x2u
#define KO_CENTER_ON_POINT 0x3u
#define KO_CENTER_RELATIVE 0x100u
#define KO_CENTER_CLIENT_AREA 0x1000u
#define KO_CENTER_USE_PARENT 0x8000u

KO_BEGIN_DECLS

/* ---- colours ------------------------------------------------------------ */
KOAPI COLORREF KoGetUIColorAbsolute(int number);
KOAPI COLORREF KoGetUIColor(int number);
KOAPI COLORREF KoGetSysColor(int number);
KOAPI BOOL KoSetUIColor(int number, COLORREF colour);
KOAPI BOOL KoIsHighColorDisplay(void);

/* ---- placement rules ------------------------------------------------------ */
KOAPI int KoForceRectOntoDesktop(RECT *rect, int marginX, int marginY);
KOAPI int KoForcePopupRectOntoDesktop(RECT *popup, const RECT *anchor, int marginX, int marginY);
KOAPI BOOL KoIsWindowCaptionVisible(const RECT *rect);
KOAPI int KoFixWindowPlacement(WINDOWPLACEMENT *placement);

#ifdef _WIN32
/* ---- fonts ----------------------------------------------------------------- */
KOAPI HFONT KoGetUIFont(int number);
KOAPI SIZE *KoGetUIFontSize(int number);
KOAPI void KoGetFontSize(HFONT font, SIZE *size);
KOAPI int KoGetUIFontCharset(void);

/* ---- colour profiles ------------------------------------------------------- */
/* section null: "colors". form 0 "RGB(r,g,b)", 1 "#rrggbb", else hexadecimal. */
KOAPI HRESULT KoLoadUIColors(const wchar_t *file, const wchar_t *section);
KOAPI HRESULT KoSaveUIColors(const wchar_t *file, const wchar_t *section, UINT form);
KOAPI COLORREF KoGetPrivateProfileColorref(const wchar_t *section, const wchar_t *key,
                                           COLORREF defaultColour, const wchar_t *file);
KOAPI BOOL KoWritePrivateProfileColorref(const wchar_t *section, const wchar_t *key,
                                         COLORREF colour, const wchar_t *file, UINT form);
KOAPI BOOL KoWritePrivateProfileInt(const wchar_t *section, const wchar_t *key, int value,
                                    const wchar_t *file, BOOL localized);
KOAPI BOOL KoWritePrivateProfileDWord(const wchar_t *section, const wchar_t *key, DWORD value,
                                      const wchar_t *file);
KOAPI BOOL KoWritePrivateProfileDouble(const wchar_t *section, const wchar_t *key, double value,
                                       const wchar_t *file, BOOL localized, const wchar_t *format);

/* ---- window placement -------------------------------------------------------- */
/* The settings handle is an HKOMETRIC (kometric.h). */
struct KOMETRIC_RECORD;
KOAPI int KoLoadWindowPlacement(struct KOMETRIC_RECORD *metrics, int number, int mode,
                                WINDOWPLACEMENT *placement);
KOAPI HRESULT KoWindowPlacement(HWND window, struct KOMETRIC_RECORD *metrics, int number, int mode);
KOAPI BOOL KoWndCenter(HWND window, HWND reference, POINT point, DWORD flags);
KOAPI BOOL KoWndCenterAndResize(HWND window, HWND reference, const SIZE *size, POINT point,
                                DWORD flags);
KOAPI void KoComputeWndCenter(int width, int height, HWND reference, POINT point, DWORD flags,
                              POINT *out);
KOAPI HWND KoActivatePrevAppInstance(const wchar_t *className);
KOAPI int KoGetAppInstanceCount(const wchar_t *className);

/* ---- dialog-control helpers ---------------------------------------------------- */
KOAPI BOOL KoGetRealClientRect(HWND window, RECT *rect);
KOAPI BOOL KoDlgGetControlRect(HWND dialog, HWND control, int id, RECT *rect);
KOAPI BOOL KoDlgDeltaControlMove(HWND dialog, int id, int dx, int dy);
KOAPI BOOL KoDlgDeltaControlSize(HWND dialog, int id, int dx, int dy);
KOAPI BOOL KoDlgEnableControls(HWND dialog, const int *ids, int count, BOOL enable);
KOAPI BOOL KoDlgShowControls(HWND dialog, const int *ids, int count, BOOL show);
KOAPI int KoDlgWhichRadioButton(HWND dialog, int first, int last, int defaultId);
KOAPI BOOL KoDlgUndropComboBox(void);
KOAPI void Edit_CursorToEnd(HWND edit, BOOL newLine);
KOAPI BOOL KoIsMouseInControl(HWND dialog, int id, int x, int y, BOOL dialogClient);
KOAPI HGLOBAL KoCopyHandle(HGLOBAL memory);
#endif /* _WIN32 */

KO_END_DECLS

#endif /* KOKERNEL_KOUI_H */
