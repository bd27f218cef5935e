// The library's own message box: a small dialog template built at run time,
// grown at initialisation to hold the message, the buttons of the style's
// set, the details pane with its toggle, the "do not show again" check box
// and a link that opens in the user's browser.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <string>

#include "errors/msgbox_internal.h"
#include "errors/msgbox_win32.h"
#include "kokernel/kointernet.h"
#include "kokernel/koresource.h"
#include "kokernel/koui.h"
#include "text/builtin_texts.h"

using namespace ko::msgbox;

namespace {

constexpr UINT kDetailsBits = 0xC000;
constexpr UINT kCheckBits = 0x3000;
constexpr UINT kCheckShown = 0x1000;
constexpr int kIdIcon = 1001;
constexpr int kIdPrototype = 1002;
constexpr int kIdText = 1003;
constexpr int kIdCheck = 300;
constexpr int kIdPane = 301;
constexpr int kIdLink = 310;
constexpr int kIdDetails = 200;
constexpr UINT kLinkClicked = UINT(-105);
constexpr int kUIFont = 100;
constexpr int kPaneLines = 10;
constexpr int kLinkTextUnits = 2048;
const wchar_t kLinkClass[] = L"KoKrn_Static_Class";

// Everything the dialog needs, owned by the caller of the box.
struct Request {
  UINT style;
  const wchar_t *text;
  const wchar_t *details;
  bool detailsShown;
  int paneHeight;
  bool closeDisabled;
  const wchar_t *checkText;
  BOOL *dontShowAgain;
  const wchar_t *title;
  const wchar_t *linkUrl;
  const wchar_t *linkText;
  HWND owner;
  const ButtonSet *set;
};

const wchar_t *Label(int result) {
  using namespace ko::lang;
  int text = kTextOk;
  switch (result) {
    case 2: text = kTextCancel; break;
    case 3: text = kTextAbort; break;
    case 4: text = kTextRetry; break;
    case 5: text = kTextIgnore; break;
    case 6: text = kTextYes; break;
    case 7: text = kTextNo; break;
    case 100: text = kTextYesToAll; break;
    case 101: text = kTextDelete; break;
    case 102: text = kTextNoToAll; break;
    case kIdDetails: text = kTextDetailsShow; break;
  }
  return ko::text::BuiltinText(text);
}

// ---- the link control ------------------------------------------------------------------

// Extra words of a link window: its font, and the underlined twin it draws with.
constexpr int kLinkFont = 0;
constexpr int kLinkUnderlined = sizeof(LONG_PTR);

void NotifyClick(HWND link) {
  NMHDR n{link, UINT_PTR(GetDlgCtrlID(link)), kLinkClicked};
  SendMessageW(GetParent(link), WM_NOTIFY, n.idFrom, LPARAM(&n));
}

LRESULT CALLBACK LinkProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFONT: {
      SetWindowLongPtrW(w, kLinkFont, LONG_PTR(wp));
      if (HFONT old = HFONT(SetWindowLongPtrW(w, kLinkUnderlined, 0))) DeleteObject(old);
      LOGFONTW lf{};
      if (wp && GetObjectW(HFONT(wp), sizeof lf, &lf)) {
        lf.lfUnderline = TRUE;
        SetWindowLongPtrW(w, kLinkUnderlined, LONG_PTR(CreateFontIndirectW(&lf)));
      }
      if (lp) InvalidateRect(w, nullptr, TRUE);
      return 0;
    }
    case WM_GETFONT: return GetWindowLongPtrW(w, kLinkFont);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      HFONT font = HFONT(GetWindowLongPtrW(w, kLinkUnderlined));
      HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
      wchar_t text[kLinkTextUnits];
      GetWindowTextW(w, text, kLinkTextUnits);
      RECT r;
      GetClientRect(w, &r);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
      DrawTextW(dc, text, -1, &r, DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS);
      if (old) SelectObject(dc, old);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_SETCURSOR: SetCursor(LoadCursorW(nullptr, IDC_HAND)); return TRUE;
    case WM_LBUTTONUP: NotifyClick(w); return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) NotifyClick(w);
      return 0;
    case WM_DESTROY:
      if (HFONT old = HFONT(SetWindowLongPtrW(w, kLinkUnderlined, 0))) DeleteObject(old);
      break;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

HMODULE ThisModule() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&LinkProc), &self);
  return self;
}

bool RegisterLinkClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = LinkProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
    wc.lpszClassName = kLinkClass;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

// ---- layout --------------------------------------------------------------------------------

SIZE Measure(HDC dc, const wchar_t *text, int maxWidth, UINT flags) {
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, text, -1, &r, DT_CALCRECT | flags);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT ChildRect(HWND dlg, int id) {
  RECT r{};
  HWND c = GetDlgItem(dlg, id);
  GetWindowRect(c, &r);
  MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT *>(&r), 2);
  return r;
}

HWND Child(HWND dlg, const wchar_t *cls, const wchar_t *text, DWORD style, DWORD exStyle, int id, HFONT font) {
  HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 0, 0, dlg, HMENU(INT_PTR(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (c) SendMessageW(c, WM_SETFONT, WPARAM(font), FALSE);
  return c;
}

void Place(HWND dlg, int id, int x, int y, int cx, int cy) {
  SetWindowPos(GetDlgItem(dlg, id), nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

LPCWSTR IconFor(UINT style) {
  switch (style & 0xF0) {
    case 0x10: return IDI_HAND;
    case 0x20: return IDI_QUESTION;
    case 0x30: return IDI_EXCLAMATION;
    case 0x40: return IDI_ASTERISK;
  }
  return nullptr;
}

void Initialise(HWND dlg, Request &r) {
  HFONT font = KoGetUIFont(kUIFont);
  const SIZE unit = *KoGetUIFontSize(kUIFont);
  SetWindowTextW(dlg, r.title ? r.title : App().appTitle);
  const RECT icon = ChildRect(dlg, kIdIcon), proto = ChildRect(dlg, kIdPrototype), tmpl = ChildRect(dlg, kIdText);
  const int margin = icon.left, gap = unit.cx;
  ShowWindow(GetDlgItem(dlg, kIdPrototype), SW_HIDE);
  EnableWindow(GetDlgItem(dlg, kIdPrototype), FALSE);

  int textLeft = tmpl.left;
  if (LPCWSTR which = IconFor(r.style)) {
    SendDlgItemMessageW(dlg, kIdIcon, STM_SETICON, WPARAM(LoadIconW(nullptr, which)), 0);
  } else {
    ShowWindow(GetDlgItem(dlg, kIdIcon), SW_HIDE);
    textLeft = margin;
  }

  const bool detailsButton = (r.style & kDetailsBits) == kDetailsBits;
  const bool check = (r.style & kCheckBits) == kCheckShown && r.dontShowAgain;
  const bool link = r.linkUrl && *r.linkUrl && r.linkText && *r.linkText;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // The room on the screen for the client area.
  const DWORD style = DWORD(GetWindowLongPtrW(dlg, GWL_STYLE)), exStyle = DWORD(GetWindowLongPtrW(dlg, GWL_EXSTYLE));
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int screenW = (work.right - work.left) - (frame.right - frame.left);
  const int screenH = (work.bottom - work.top) - (frame.bottom - frame.top);

  HDC dc = GetDC(dlg);
  HGDIOBJ oldFont = SelectObject(dc, font);
  const UINT textFlags = DT_NOPREFIX | DT_WORDBREAK | DT_EXPANDTABS;
  SIZE text = Measure(dc, r.text, screenW - textLeft - margin, textFlags);
  const int maxTextH = detailsButton ? screenH * 3 / 8 : screenH * 3 / 4;
  text.cx = std::min<int>(std::max<int>(text.cx, tmpl.right - tmpl.left), screenW - textLeft - margin);
  text.cy = std::min<int>(std::max<int>(text.cy, tmpl.bottom - tmpl.top), maxTextH);

  // Buttons: as wide as their labels (at least as the prototype), in one row.
  int ids[6], widths[6], count = 0, rowW = 0;
  for (int i = 0; i < r.set->count; ++i) ids[count++] = r.set->results[i];
  if (detailsButton) ids[count++] = kIdDetails;
  const int protoW = proto.right - proto.left, protoH = proto.bottom - proto.top;
  for (int i = 0; i < count; ++i) {
    const wchar_t *label = Label(ids[i]);
    widths[i] = std::max<int>(protoW, Measure(dc, label, 0, DT_SINGLELINE).cx + 2);
    if (ids[i] == kIdDetails)  // room for either label
      widths[i] = std::max<int>(widths[i], Measure(dc, ko::text::BuiltinText(ko::lang::kTextDetailsHide), 0,
                                                   DT_SINGLELINE).cx + 2);
    rowW += widths[i] + (i ? gap : 0);
  }
  const wchar_t *checkText = r.checkText ? r.checkText : ko::text::BuiltinText(ko::lang::kTextDontShowAgain);
  SIZE checkSize{}, linkSize{};
  const int checkMark = GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE) + unit.cx;
  if (check) checkSize = Measure(dc, checkText, screenW - 2 * margin - checkMark, DT_WORDBREAK);
  if (link) linkSize = Measure(dc, r.linkText, screenW - 2 * margin, DT_NOPREFIX | DT_SINGLELINE);
  linkSize.cx = std::min<int>(linkSize.cx, screenW - 2 * margin);
  SelectObject(dc, oldFont);
  ReleaseDC(dlg, dc);

  int clientW = std::max<int>(textLeft + text.cx + margin, 2 * margin + rowW);
  if (check) clientW = std::max<int>(clientW, 2 * margin + checkMark + checkSize.cx);
  if (link) clientW = std::max<int>(clientW, 2 * margin + linkSize.cx);
  clientW = std::min(clientW, screenW);

  SendDlgItemMessageW(dlg, kIdText, WM_SETFONT, WPARAM(font), FALSE);
  SetDlgItemTextW(dlg, kIdText, r.text);
  Place(dlg, kIdText, textLeft, tmpl.top, text.cx, text.cy);
  int y = std::max<int>(tmpl.top + text.cy, IconFor(r.style) ? int(icon.bottom) : 0) + margin;

  const unsigned wanted = (r.style >> 8) & 0xF;
  const int defaultIndex = std::min<int>(int(wanted), r.set->count - 1);
  int x = (clientW - rowW) / 2;
  for (int i = 0; i < count; ++i) {
    const DWORD kind = i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    Child(dlg, L"BUTTON", Label(ids[i]), WS_VISIBLE | WS_TABSTOP | kind, 0, ids[i], font);
    Place(dlg, ids[i], x, y, widths[i], protoH);
    x += widths[i] + gap;
  }
  y += protoH + margin;
  if (check) {
    const DWORD multi = wcschr(checkText, L'\n') ? BS_MULTILINE : 0;
    Child(dlg, L"BUTTON", checkText, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | multi, 0, kIdCheck, font);
    const int h = std::max<int>(checkSize.cy, GetSystemMetrics(SM_CYMENUCHECK));
    Place(dlg, kIdCheck, margin, y, clientW - 2 * margin, h);
    CheckDlgButton(dlg, kIdCheck, *r.dontShowAgain ? BST_CHECKED : BST_UNCHECKED);
    y += h + margin;
  }
  if (link && RegisterLinkClass()) {
    Child(dlg, kLinkClass, r.linkText, WS_VISIBLE, 0, kIdLink, font);
    Place(dlg, kIdLink, margin, y, linkSize.cx, linkSize.cy);
    y += linkSize.cy + margin;
  }
  if (detailsButton) {
    r.paneHeight = unit.cy * kPaneLines + margin;
    Child(dlg, L"EDIT", r.details, WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
          kIdPane, font);
    SendDlgItemMessageW(dlg, kIdPane, EM_SETLIMITTEXT, 0, 0);
    SetDlgItemTextW(dlg, kIdPane, r.details);
    Place(dlg, kIdPane, margin, y, clientW - 2 * margin, r.paneHeight - margin);
  }

  if (r.closeDisabled) EnableMenuItem(GetSystemMenu(dlg, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

  const SIZE size{clientW + (frame.right - frame.left), y + (frame.bottom - frame.top)};
  KoWndCenterAndResize(dlg, r.owner, &size, POINT{0, 0}, KO_CENTER_ON_REFERENCE);

  const int defaultId = ids[defaultIndex];
  SendMessageW(dlg, DM_SETDEFID, WPARAM(defaultId), 0);
  SetFocus(GetDlgItem(dlg, defaultId));
}

void ToggleDetails(HWND dlg, Request &r) {
  r.detailsShown = !r.detailsShown;
  ShowWindow(GetDlgItem(dlg, kIdPane), r.detailsShown ? SW_SHOW : SW_HIDE);
  RECT w;
  GetWindowRect(dlg, &w);
  const int grow = r.detailsShown ? r.paneHeight : -r.paneHeight;
  SetWindowPos(dlg, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + grow,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetDlgItemTextW(dlg, kIdDetails,
                  ko::text::BuiltinText(r.detailsShown ? ko::lang::kTextDetailsHide : ko::lang::kTextDetailsShow));
}

bool InSet(const Request &r, int id) {
  for (int i = 0; i < r.set->count; ++i)
    if (r.set->results[i] == id) return true;
  return false;
}

void Finish(HWND dlg, const Request &r, int result) {
  if (GetDlgItem(dlg, kIdCheck)) *r.dontShowAgain = IsDlgButtonChecked(dlg, kIdCheck) == BST_CHECKED;
  EndDialog(dlg, result);
}

INT_PTR CALLBACK BoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  Request *r = reinterpret_cast<Request *>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      Initialise(dlg, *reinterpret_cast<Request *>(lp));
      return FALSE;  // the default button has the focus
    case WM_COMMAND: {
      if (!r || HIWORD(wp) != BN_CLICKED) break;
      const int id = LOWORD(wp);
      if (id == IDCANCEL) {  // the Cancel button, Esc and the close box
        if (!r->closeDisabled) Finish(dlg, *r, r->set->count == 1 ? IDOK : IDCANCEL);
      } else if (id == kIdDetails && GetDlgItem(dlg, kIdDetails)) {
        ToggleDetails(dlg, *r);
      } else if (InSet(*r, id)) {
        Finish(dlg, *r, id);
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      const NMHDR *n = reinterpret_cast<const NMHDR *>(lp);
      if (r && n->idFrom == kIdLink && n->code == kLinkClicked) Internet_BrowseWebPage(nullptr, r->linkUrl);
      return TRUE;
    }
  }
  return FALSE;
}

// The built-in template: a hidden push button that gives the buttons' size,
// the icon and the message text; everything else is added at initialisation.
const DLGTEMPLATE *BuildTemplate() {
  const KOCSTR button = reinterpret_cast<KOCSTR>(0x80), stat = reinterpret_cast<KOCSTR>(0x82);
  const _kodlgctrlcreate controls[] = {
      {button, nullptr, kIdPrototype, 39, 35, 30, 14, 0, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON},
      {stat, nullptr, kIdIcon, 6, 6, 21, 20, 0, WS_CHILD | WS_VISIBLE | SS_ICON},
      {stat, nullptr, kIdText, 31, 6, 70, 19, 0, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
  };
  _kodlghdrcreate hdr{};
  hdr.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  hdr.controlCount = 3;
  hdr.cx = 107;
  hdr.cy = 55;
  hdr.title = L"";
  hdr.pointSize = 8;
  hdr.fontFace = L"MS Sans Serif";
  return KoCreateDialogTemplate(nullptr, &hdr, controls);
}

int RunBox(Request &r) {
  const DLGTEMPLATE *t = BuildTemplate();
  if (!t) return 0;
  HINSTANCE module = App().instance ? App().instance : ThisModule();
  const INT_PTR result = DialogBoxIndirectParamW(module, t, r.owner, BoxProc, LPARAM(&r));
  HGLOBAL block = GlobalHandle(t);
  GlobalUnlock(block);
  GlobalFree(block);
  return result < 0 ? 0 : int(result);
}

struct Box {
  HWND owner;
  UINT style;
  const wchar_t *title;
  const wchar_t *details;
  bool needsFlag;  // the Ex forms refuse a check box without a flag
  const wchar_t *checkText;
  BOOL *dontShowAgain;
  const wchar_t *linkUrl;
  const wchar_t *linkText;
};

int Show(const Box &b, const wchar_t *format, va_list args) {
  if (!format) return 0;
  if ((b.style & kDetailsBits) && !b.details) return 0;
  if (b.needsFlag && (b.style & kCheckBits) == kCheckShown && !b.dontShowAgain) return 0;
  const HWND owner = ResolveOwner(b.owner);
  if (owner && !IsWindow(owner)) return 0;  // the owner has died: nothing to show the box on
  wchar_t text[kWorkUnits];
  FormatMessage(text, format, args);
  AppData &app = App();
  if (app.hook) {
    std::wstring seen(text);
    if (b.style & kDetailsBits) seen = seen + L"\r\n<Details>\r\n" + b.details + L"\r\n</Details>";
    const int answer = app.hook(app.hookData, owner, seen.c_str(), app.appTitle, b.style);
    if (answer != -1) return answer;
  }
  Request r{};
  r.set = &ButtonSetOf(b.style);
  r.style = r.set->count == 1 ? b.style & ~0xFu : b.style;
  r.text = text;
  r.details = b.details;
  r.closeDisabled = r.set->closeDisabled;
  r.checkText = b.checkText;
  r.dontShowAgain = b.dontShowAgain;
  r.title = b.title;
  r.linkUrl = b.linkUrl;
  r.linkText = b.linkText;
  r.owner = owner;
  return RunBox(r);
}

}  // namespace

extern "C" KOAPI int KoMsgBox_CustomF(HWND owner, UINT style, const wchar_t *details, const wchar_t *format,
                                      ...) {
  va_list args;
  va_start(args, format);
  const int answer = Show({owner, style, nullptr, details, false, nullptr, nullptr, nullptr, nullptr}, format, args);
  va_end(args);
  return answer;
}

extern "C" KOAPI int KoMsgBox_CustomExF(HWND owner, UINT style, const wchar_t *details,
                                        const wchar_t *checkBoxText, BOOL *dontShowAgain, const wchar_t *format,
                                        ...) {
  va_list args;
  va_start(args, format);
  const int answer =
      Show({owner, style, nullptr, details, true, checkBoxText, dontShowAgain, nullptr, nullptr}, format, args);
  va_end(args);
  return answer;
}

extern "C" KOAPI int KoMsgBox_CustomExLinkF(HWND owner, UINT style, const wchar_t *details,
                                            const wchar_t *checkBoxText, BOOL *dontShowAgain,
                                            const wchar_t *linkUrl, const wchar_t *linkText,
                                            const wchar_t *format, ...) {
  va_list args;
  va_start(args, format);
  const int answer =
      Show({owner, style, nullptr, details, true, checkBoxText, dontShowAgain, linkUrl, linkText}, format, args);
  va_end(args);
  return answer;
}

extern "C" KOAPI int KoMsgBox_TitledF(HWND owner, UINT style, const wchar_t *title, const wchar_t *details,
                                      const wchar_t *format, ...) {
  va_list args;
  va_start(args, format);
  const int answer = Show({owner, style, title, details, false, nullptr, nullptr, nullptr, nullptr}, format, args);
  va_end(args);
  return answer;
}

extern "C" KOAPI int KoMsgBox_CustomNoF(HWND owner, UINT style, const wchar_t *details, const wchar_t *text) {
  return KoMsgBox_CustomF(owner, style, details, L"%s", text);
}

extern "C" KOAPI int KoMsgBox_CustomExNoF(HWND owner, UINT style, const wchar_t *details,
                                          const wchar_t *checkBoxText, BOOL *dontShowAgain, const wchar_t *text) {
  return KoMsgBox_CustomExF(owner, style, details, checkBoxText, dontShowAgain, L"%s", text);
}

extern "C" KOAPI int KoMsgBox_TitledNoF(HWND owner, UINT style, const wchar_t *title, const wchar_t *details,
                                        const wchar_t *text) {
  return KoMsgBox_TitledF(owner, style, title, details, L"%s", text);
}
