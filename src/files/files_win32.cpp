// Path and file utilities that need Win32: open-file checks, system path
// forms, and display shortening measured with a device context's font.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "files/files_internal.h"

using namespace ko::files;

namespace {

int DcWidth(void *ctx, const KOCHAR *text, int units) {
  SIZE s = {0, 0};
  if (units > 0) ::GetTextExtentPoint32W(static_cast<HDC>(ctx), text, units, &s);
  return s.cx;
}

// Long form of a path in place (kept as it is when the system cannot).
DWORD ToLong(KOSTR path, DWORD cch, DWORD len) {
  wchar_t tmp[32768];
  DWORD n = ::GetLongPathNameW(path, tmp, 32768);
  if (n == 0 || n >= 32768) return len;
  if (n + 1 > cch) return n + 1;
  std::wmemcpy(path, tmp, n + 1);
  return n;
}

bool ControlBox(HWND control, int *width) {
  RECT r;
  if (!control || !::GetClientRect(control, &r)) return false;
  *width = r.right - r.left;
  return true;
}

// Runs fn with a DC of the window (or the screen) holding the font.
template <typename F>
auto WithFontDc(HWND window, HFONT font, F fn) {
  HDC dc = ::GetDC(window);
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  auto r = fn(dc);
  if (old) ::SelectObject(dc, old);
  ::ReleaseDC(window, dc);
  return r;
}

HRESULT FormatInto(HDC dc, KOCSTR path, KOSTR dst, int cch, int width) {
  if (!dc || !path || !dst || cch <= 0 || width <= 0) return E_INVALIDARG;
  PathEllipsis(path, dst, cch, width, DcWidth, dc);
  StringEllipsis(dst, cch, width, DcWidth, dc);
  return S_OK;
}

}  // namespace

KO_EXTERN_C KOAPI BOOL KoIsFileExecutable(HANDLE file, DWORD *machine, DWORD *characteristics) {
  if (!file || file == INVALID_HANDLE_VALUE) return FALSE;
  unsigned char head[4096];
  DWORD got = 0;
  LARGE_INTEGER zero = {};
  ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
  BOOL ok = ::ReadFile(file, head, sizeof head, &got, nullptr);
  ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN);
  return ok && ParseExecutableHead(head, got, machine, characteristics);
}

KO_EXTERN_C KOAPI BOOL KoReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read,
                                  OVERLAPPED *overlapped) {
  return ::ReadFile(file, buffer, bytes, read, overlapped);
}

KO_EXTERN_C KOAPI DWORD KoGetFullPathName(KOCSTR path, DWORD cch, KOSTR dst, KOSTR *filePart) {
  if (!path || !dst || cch == 0) return 0;
  DWORD n = ::GetFullPathNameW(path, cch, dst, nullptr);
  if (n == 0 || n >= cch) return n;
  n = ToLong(dst, cch, n);
  if (n < cch && filePart) *filePart = const_cast<KOSTR>(KoGetFileNamePtrW(dst));
  return n;
}

KO_EXTERN_C KOAPI DWORD KoGetLongPathName(KOCSTR path, KOSTR dst, DWORD cch) {
  return path ? ::GetLongPathNameW(path, dst, cch) : 0;
}

KO_EXTERN_C KOAPI BOOL KoQualifyPath(KOSTR path, DWORD cch) {
  if (!path || cch == 0) return FALSE;
  std::vector<wchar_t> tmp(cch);
  DWORD n = KoGetFullPathName(path, cch, tmp.data(), nullptr);
  if (n == 0 || n >= cch) return FALSE;
  std::wmemcpy(path, tmp.data(), n + 1);
  return TRUE;
}

KO_EXTERN_C KOAPI DWORD KoGetModuleFileName(HMODULE module, KOSTR dst, DWORD cch) {
  if (!dst || cch == 0) return 0;
  DWORD n = ::GetModuleFileNameW(module, dst, cch);
  if (n == 0 || n >= cch) return 0;
  n = ToLong(dst, cch, n);
  return n < cch ? n : 0;
}

KO_EXTERN_C KOAPI DWORD KoGetModulePath(HMODULE module, KOSTR dst, DWORD cch) {
  DWORD n = KoGetModuleFileName(module, dst, cch);
  if (n == 0) return 0;
  KOSTR name = const_cast<KOSTR>(KoGetFileNamePtrW(dst));
  *name = 0;
  return static_cast<DWORD>(name - dst);
}

KO_EXTERN_C KOAPI BOOL KoCalcPathEllipsisEx(HDC dc, KOCSTR path, KOSTR dst, int cch, int width) {
  if (!dc || !dst || cch <= 0) return FALSE;
  return PathEllipsis(path, dst, cch, width, DcWidth, dc);
}

KO_EXTERN_C KOAPI BOOL KoCalcPathEllipsis(HDC dc, KOSTR path, int width) {
  if (!dc || !path) return FALSE;
  size_t len = ko::WideLength(path);
  if (len > 1300) len = 1300;
  std::vector<wchar_t> copy(path, path + len);
  copy.push_back(0);
  // In place the result may not grow: the buffer is only known to hold the
  // original text.
  return PathEllipsis(copy.data(), path, static_cast<int>(len + 1), width, DcWidth, dc);
}

KO_EXTERN_C KOAPI BOOL KoCalcPathEllipsisExCtl(HWND control, KOCSTR path, KOSTR dst, int cch) {
  int width = 0;
  if (!ControlBox(control, &width) || !dst || cch <= 0) return FALSE;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  return WithFontDc(control, font, [&](HDC dc) {
    return PathEllipsis(path, dst, cch, width, DcWidth, dc) ? TRUE : FALSE;
  });
}

KO_EXTERN_C KOAPI BOOL KoCalcStringEllipsis(HDC dc, KOSTR text, int cch, int width) {
  if (!dc) return FALSE;
  return StringEllipsis(text, cch, width, DcWidth, dc);
}

KO_EXTERN_C KOAPI HRESULT KoFilenameFormat(HDC dc, KOCSTR path, KOSTR dst, int cch, int width) {
  return FormatInto(dc, path, dst, cch, width);
}

KO_EXTERN_C KOAPI HRESULT KoFilenameFormatForWidth(HFONT font, KOCSTR path, KOSTR dst, int cch,
                                                   int width) {
  if (!path || !dst || cch <= 0 || width <= 0) return E_INVALIDARG;
  return WithFontDc(nullptr, font, [&](HDC dc) { return FormatInto(dc, path, dst, cch, width); });
}

KO_EXTERN_C KOAPI HRESULT KoFilenameFormatForCtl(HWND control, KOCSTR path, KOSTR dst, int cch) {
  int width = 0;
  if (!ControlBox(control, &width) || !path || !dst || cch <= 0) return E_INVALIDARG;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  return WithFontDc(control, font,
                    [&](HDC dc) { return FormatInto(dc, path, dst, cch, width); });
}
