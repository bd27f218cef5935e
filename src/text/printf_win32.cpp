// Formatting straight into windows and dialog controls, and appending to
// multi-line edit controls.
#include <cstdarg>

#include "kokernel/kolang.h"
#include "kokernel/koprintf.h"

namespace {

constexpr int kWindowText = 2048;  // formatted text, terminator included
constexpr int kNoFlashLimit = 8192;

bool NeedsFormatting(const wchar_t *s) {
  for (; *s; ++s)
    if (*s == L'$' || *s == L'%') return true;
  return false;
}

// Formats `format` into `buf` unless it holds no "$" or "%", in which case
// it is returned as it stands.
const wchar_t *Prepare(wchar_t (&buf)[kWindowText], const wchar_t *format, va_list args) {
  if (!NeedsFormatting(format)) return format;
  KoNVPrintF(buf, kWindowText, nullptr, format, args);
  return buf;
}

int SetWindowTextV(HWND window, const wchar_t *format, va_list args) {
  if (!format) return 0;
  wchar_t buf[kWindowText];
  const wchar_t *text = Prepare(buf, format, args);
  if (!SetWindowTextW(window, text)) return 0;
  return lstrlenW(text);
}

int SetDlgItemTextV(HWND dialog, int control, const wchar_t *format, va_list args) {
  if (!format) return 0;
  wchar_t buf[kWindowText];
  const wchar_t *text = Prepare(buf, format, args);
  if (!SetDlgItemTextW(dialog, control, text)) return 0;
  return lstrlenW(text);
}

int SetDlgItemTextNoFlashV(HWND dialog, int control, const wchar_t *format, va_list args) {
  if (!format) return 0;
  wchar_t buf[kWindowText];
  const wchar_t *text = Prepare(buf, format, args);
  HWND item = GetDlgItem(dialog, control);
  int current = item ? GetWindowTextLengthW(item) : 0;
  if (item && current < kNoFlashLimit) {
    wchar_t now[kNoFlashLimit];
    int got = GetWindowTextW(item, now, kNoFlashLimit);
    if (got == current && lstrcmpW(now, text) == 0) return current;
  }
  if (!SetDlgItemTextW(dialog, control, text)) return 0;
  return lstrlenW(text);
}

// Calls fn with the format "%s" and the text as its argument.
int CallWithText(int (*fn)(HWND, int, const wchar_t *, va_list), HWND w, int id,
                 const wchar_t *text, ...) {
  va_list args;
  va_start(args, text);
  int r = fn(w, id, L"%s", args);
  va_end(args);
  return r;
}

int SetWindowTextAdapter(HWND window, int, const wchar_t *format, va_list args) {
  return SetWindowTextV(window, format, args);
}

// Moves the caret of an edit control to the end of its text.
void CaretToEnd(HWND edit) {
  WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
  SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
}

}  // namespace

extern "C" int KoSetWindowTextF(HWND window, KOCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int r = SetWindowTextV(window, format, args);
  va_end(args);
  return r;
}

extern "C" int KoSetWindowTextNoF(HWND window, KOCSTR text) {
  if (!text) return 0;
  return CallWithText(SetWindowTextAdapter, window, 0, text, text);
}

extern "C" int KoSetDlgItemTextF(HWND dialog, int control, KOCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int r = SetDlgItemTextV(dialog, control, format, args);
  va_end(args);
  return r;
}

extern "C" int KoSetDlgItemTextNoF(HWND dialog, int control, KOCSTR text) {
  if (!text) return 0;
  return CallWithText(SetDlgItemTextV, dialog, control, text, text);
}

extern "C" int KoSetDlgItemTextNoFlashF(HWND dialog, int control, KOCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int r = SetDlgItemTextNoFlashV(dialog, control, format, args);
  va_end(args);
  return r;
}

extern "C" int KoSetDlgItemTextNoFlashNoF(HWND dialog, int control, KOCSTR text) {
  if (!text) return 0;
  return CallWithText(SetDlgItemTextNoFlashV, dialog, control, text, text);
}

extern "C" int KoSetWindowTextId(HKOLANG lang, HWND window, UINT id, ...) {
  va_list args;
  va_start(args, id);
  int r = SetWindowTextV(window, KoGetString(lang, id), args);
  va_end(args);
  return r;
}

extern "C" int KoSetDlgItemTextId(HKOLANG lang, HWND dialog, int control, UINT id, ...) {
  va_list args;
  va_start(args, id);
  int r = SetDlgItemTextV(dialog, control, KoGetString(lang, id), args);
  va_end(args);
  return r;
}

extern "C" int KoMEditPrintF(HWND edit, KOCSTR format, ...) {
  if (!format) {
    SetWindowTextW(edit, L"");
    return 0;
  }
  bool lineBreak = true;
  while (*format == L'~') {
    ++format;
    lineBreak = false;
  }
  wchar_t buf[kWindowText];
  UINT n = 0;
  va_list args;
  va_start(args, format);
  KoNVPrintF(buf, kWindowText, &n, format, args);
  va_end(args);
  CaretToEnd(edit);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(buf));
  if (lineBreak) {
    CaretToEnd(edit);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r\n"));
  }
  return static_cast<int>(n);
}
