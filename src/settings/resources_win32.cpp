// Resources of a language handle's module: found in the handle's language
// with English as the fallback; bitmaps, icons, cursors, accelerators, raw
// data and extraction to a file; dialogs from resources, from memory and
// from a resource pool; dialog units and sizes for a font.
#include <windows.h>

#include <cstring>
#include <vector>

#include "kokernel/koframe.h"
#include "kokernel/koresource.h"
#include "settings/lang_internal.h"

namespace {

constexpr WORD kEnglish = 0x0409;

HMODULE ModuleOf(HKOLANG h) { return h ? h->module : nullptr; }
bool NonEnglish(HKOLANG h) { return h && h->nonEnglish; }

// The handle's language first (when it is not English), then English or the
// module's default lookup.
HRSRC Find(HKOLANG h, LPCWSTR name, LPCWSTR type, bool englishFallback) {
  HMODULE m = ModuleOf(h);
  if (NonEnglish(h)) {
    if (HRSRC r = ::FindResourceExW(m, type, name, LANGIDFROMLCID(h->lcid))) return r;
  }
  return englishFallback ? ::FindResourceExW(m, type, name, kEnglish) : ::FindResourceW(m, name, type);
}

const void *Lock(HKOLANG h, HRSRC r, DWORD *size) {
  if (!r) return nullptr;
  HGLOBAL g = ::LoadResource(ModuleOf(h), r);
  if (size) *size = ::SizeofResource(ModuleOf(h), r);
  return g ? ::LockResource(g) : nullptr;
}

// Base units of the library's user-interface font.
SIZE InterfaceBaseUnits() {
  SIZE s = {0, 0};
  LOGFONTW lf;
  if (::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) {
    HDC dc = ::GetDC(nullptr);
    int points = lf.lfHeight < 0 ? -::MulDiv(lf.lfHeight, 72, ::GetDeviceCaps(dc, LOGPIXELSY)) : 8;
    ::ReleaseDC(nullptr, dc);
    KoGetDialogUnitsForFont(lf.lfFaceName, points, lf.lfWeight, lf.lfCharSet, lf.lfItalic, &s);
  }
  if (s.cx == 0) {
    LONG b = ::GetDialogBaseUnits();
    s.cx = LOWORD(b), s.cy = HIWORD(b);
  }
  return s;
}

BOOL SizeFrom(int cx, int cy, bool font, LPCWSTR face, int points, int weight, BYTE italic,
              BYTE charSet, SIZE *size) {
  SIZE base = {0, 0};
  if (!font || !KoGetDialogUnitsForFont(face, points, weight, charSet, italic, &base))
    base = InterfaceBaseUnits();
  size->cx = ::MulDiv(cx, base.cx, 4);
  size->cy = ::MulDiv(cy, base.cy, 8);
  return TRUE;
}

LPCWSTR SkipField(LPCWSTR p) {
  if (*p == 0xFFFF) return p + 2;
  while (*p) ++p;
  return p + 1;
}

}  // namespace

KO_EXTERN_C KOAPI HRSRC KoFindResource(HKOLANG h, LPCWSTR name, LPCWSTR type) {
  return Find(h, name, type, false);
}

KO_EXTERN_C KOAPI HRSRC KoFindResourceMulti(HKOLANG h, LPCWSTR name, LPCWSTR *types,
                                             int typeCount, UINT *typeIndexOut) {
  if (!types || typeCount < 1) return nullptr;
  HMODULE m = ModuleOf(h);
  for (int pass = NonEnglish(h) ? 0 : 1; pass < 2; ++pass)
    for (int i = 0; i < typeCount; ++i) {
      HRSRC r = pass == 0 ? ::FindResourceExW(m, types[i], name, LANGIDFROMLCID(h->lcid))
                          : ::FindResourceW(m, name, types[i]);
      if (r) {
        if (typeIndexOut) *typeIndexOut = static_cast<UINT>(i);
        return r;
      }
    }
  return nullptr;
}

KO_EXTERN_C KOAPI HGLOBAL KoLoadResource(HKOLANG h, HRSRC res) {
  return res ? ::LoadResource(ModuleOf(h), res) : nullptr;
}

KO_EXTERN_C KOAPI DWORD KoSizeofResource(HKOLANG h, HRSRC res) {
  return res ? ::SizeofResource(ModuleOf(h), res) : 0;
}

KO_EXTERN_C KOAPI HGLOBAL KoLoadResourceCustom(HKOLANG h, LPCWSTR name, LPCWSTR type,
                                               DWORD *sizeOut) {
  HRSRC r = Find(h, name, type, true);
  if (sizeOut) *sizeOut = r ? ::SizeofResource(ModuleOf(h), r) : 0;
  return r ? ::LoadResource(ModuleOf(h), r) : nullptr;
}

KO_EXTERN_C KOAPI HRESULT KoExtractResourceToFile(HKOLANG h, LPCWSTR name, LPCWSTR type,
                                                  LPCWSTR fileName) {
  HRSRC r = Find(h, name, type, false);
  if (!r) return KO_E_NOTFOUND;
  DWORD size = 0;
  const void *data = Lock(h, r, &size);
  if (!data || size == 0) return E_UNEXPECTED;
  HANDLE f = ::CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return KO_E_OPENFAILED;
  DWORD written = 0;
  BOOL ok = ::WriteFile(f, data, size, &written, nullptr);
  ::SetEndOfFile(f);
  ::CloseHandle(f);
  return (ok && written == size) ? S_OK : KO_E_WRITEFAILED;
}

KO_EXTERN_C KOAPI HBITMAP KoLoadBitmap(HKOLANG h, LPCWSTR name) {
  return ::LoadBitmapW(ModuleOf(h), name);
}

KO_EXTERN_C KOAPI HICON KoLoadIcon(HKOLANG h, LPCWSTR name) { return ::LoadIconW(ModuleOf(h), name); }

KO_EXTERN_C KOAPI HANDLE KoLoadImage(HKOLANG h, LPCWSTR name, UINT type, int cx, int cy,
                                     UINT flags) {
  return ::LoadImageW(ModuleOf(h), name, type, cx, cy, flags);
}

KO_EXTERN_C KOAPI HCURSOR KoLoadCursor(HKOLANG h, LPCWSTR name) {
  if (h) return ::LoadCursorW(h->module, name);
  uintptr_t n = reinterpret_cast<uintptr_t>(name);
  if (n >= 32512 && n < 0x10000) return ::LoadCursorW(nullptr, name);
  return ::LoadCursorW(KoKernel_GetAppKernel(), name);
}

KO_EXTERN_C KOAPI HACCEL KoLoadAccelerators(HKOLANG h, LPCWSTR name) {
  if (NonEnglish(h)) {
    DWORD size = 0;
    HRSRC r = ::FindResourceExW(h->module, RT_ACCELERATOR, name, LANGIDFROMLCID(h->lcid));
    const auto *e = static_cast<const unsigned char *>(Lock(h, r, &size));
    if (e && size >= 8) {
      // Entries of 8 bytes: flags, key, command, padding; the last has 0x80.
      std::vector<ACCEL> table;
      for (DWORD off = 0; off + 8 <= size; off += 8) {
        WORD flags, key, cmd;
        std::memcpy(&flags, e + off, 2), std::memcpy(&key, e + off + 2, 2);
        std::memcpy(&cmd, e + off + 4, 2);
        table.push_back({static_cast<BYTE>(flags & 0x7F), key, cmd});
        if (flags & 0x80) break;
      }
      if (HACCEL a = ::CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())))
        return a;
    }
  }
  return ::LoadAcceleratorsW(ModuleOf(h), name);
}

// ---- dialogs --------------------------------------------------------------------------
KO_EXTERN_C KOAPI HWND KoCreateDialogParam(HKOLANG h, LPCWSTR name, HWND parent, DLGPROC proc,
                                           LPARAM param) {
  const auto *t = static_cast<const DLGTEMPLATE *>(Lock(h, Find(h, name, RT_DIALOG, true), nullptr));
  return t ? ::CreateDialogIndirectParamW(ModuleOf(h), t, parent, proc, param) : nullptr;
}

KO_EXTERN_C KOAPI INT_PTR KoDialogBoxParam(HKOLANG h, LPCWSTR name, HWND parent, DLGPROC proc,
                                           LPARAM param) {
  const auto *t = static_cast<const DLGTEMPLATE *>(Lock(h, Find(h, name, RT_DIALOG, true), nullptr));
  return t ? ::DialogBoxIndirectParamW(ModuleOf(h), t, parent, proc, param) : -1;
}

KO_EXTERN_C KOAPI HWND KoCreateDialogIndirectParam(HKOLANG h, const DLGTEMPLATE *t, HWND parent,
                                                   DLGPROC proc, LPARAM param) {
  return t ? ::CreateDialogIndirectParamW(ModuleOf(h), t, parent, proc, param) : nullptr;
}

KO_EXTERN_C KOAPI INT_PTR KoDialogBoxIndirectParam(HKOLANG h, const DLGTEMPLATE *t, HWND parent,
                                                   DLGPROC proc, LPARAM param) {
  return t ? ::DialogBoxIndirectParamW(ModuleOf(h), t, parent, proc, param) : -1;
}

KO_EXTERN_C KOAPI BOOL KoGetDialogUnitsForFont(LPCWSTR face, int pointSize, int weight,
                                               BYTE charSet, BYTE italic, SIZE *baseUnits) {
  if (!baseUnits) return FALSE;
  baseUnits->cx = baseUnits->cy = 0;
  HDC dc = ::GetDC(nullptr);
  LOGFONTW lf = {};
  lf.lfHeight = -::MulDiv(pointSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfCharSet = charSet;
  if (face) wcsncpy(lf.lfFaceName, face, 31);
  HFONT font = ::CreateFontIndirectW(&lf);
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  if (font) {
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE ext;
    TEXTMETRICW tm;
    if (::GetTextExtentPoint32W(dc, kLetters, 52, &ext) && ::GetTextMetricsW(dc, &tm)) {
      baseUnits->cx = (ext.cx + 26) / 52;
      baseUnits->cy = tm.tmHeight + tm.tmExternalLeading;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
  }
  ::ReleaseDC(nullptr, dc);
  return baseUnits->cx != 0;
}

KO_EXTERN_C KOAPI BOOL KoGetDialogSizeIndirect(HKOLANG, const DLGTEMPLATE *t, SIZE *size) {
  if (!t || !size) return FALSE;
  const auto *w = reinterpret_cast<const WORD *>(t);
  DWORD first;
  std::memcpy(&first, t, 4);
  bool ex = first == KO_DLGTEMPLATEEX_SIGNATURE;
  DWORD style;
  short cx, cy;
  LPCWSTR p;
  if (ex) {
    std::memcpy(&style, w + 6, 4);
    std::memcpy(&cx, w + 11, 2), std::memcpy(&cy, w + 12, 2);
    p = reinterpret_cast<LPCWSTR>(w + 13);
  } else {
    style = t->style;
    cx = t->cx, cy = t->cy;
    p = reinterpret_cast<LPCWSTR>(w + 9);
  }
  p = SkipField(SkipField(p));  // menu, class
  while (*p) ++p;               // title
  ++p;
  if (!(style & DS_SETFONT)) return SizeFrom(cx, cy, false, nullptr, 0, 0, 0, 0, size);
  int points = *p++, weight = 400;
  BYTE italic = 0, charSet = 1;
  if (ex) {
    weight = *p++;
    italic = static_cast<BYTE>(*p & 0xFF), charSet = static_cast<BYTE>(*p >> 8);
    ++p;
  }
  return SizeFrom(cx, cy, true, p, points, weight, italic, charSet, size);
}

KO_EXTERN_C KOAPI long KoDialogTemplateFromRCID(HKOLANG h, LPCWSTR name, const DLGTEMPLATE **t) {
  if (t) *t = nullptr;
  DWORD size = 0;
  const void *p = Lock(h, Find(h, name, RT_DIALOG, false), &size);
  if (!p || !t) return 0;
  *t = static_cast<const DLGTEMPLATE *>(p);
  return static_cast<long>(size);
}

KOAPI BOOL KoGetDialogSize(HKOLANG h, WORD id, DLGPROC proc, LPARAM param, SIZE *size) {
  if (!size) return FALSE;
  LPCWSTR name = MAKEINTRESOURCEW(id);
  HRSRC r = Find(h, name, RT_DIALOG, true);
  DWORD bytes = 0;
  const auto *t = static_cast<const DLGTEMPLATE *>(Lock(h, r, &bytes));
  if (!t) return FALSE;
  HDC dc = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  if (ko::lang::Primary(::GetUserDefaultUILanguage()) == 9 && dpi == 96)
    return KoGetDialogSizeIndirect(h, t, size);
  // Elsewhere the dialog itself is measured, created hidden.
  std::vector<unsigned char> copy(static_cast<const unsigned char *>(static_cast<const void *>(t)),
                                  static_cast<const unsigned char *>(static_cast<const void *>(t)) + bytes);
  DWORD first;
  std::memcpy(&first, copy.data(), 4);
  size_t styleAt = first == KO_DLGTEMPLATEEX_SIGNATURE ? 12 : 0;
  DWORD style;
  std::memcpy(&style, copy.data() + styleAt, 4);
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  std::memcpy(copy.data() + styleAt, &style, 4);
  HWND w = ::CreateDialogIndirectParamW(ModuleOf(h), reinterpret_cast<DLGTEMPLATE *>(copy.data()),
                                        ::GetDesktopWindow(), proc, param);
  if (!w) return FALSE;
  RECT rc;
  ::GetWindowRect(w, &rc);
  ::DestroyWindow(w);
  size->cx = rc.right - rc.left, size->cy = rc.bottom - rc.top;
  return TRUE;
}

KOAPI BOOL KoGetDialogSize(HKOLANG h, const _kodlghdrcreate *hdr, SIZE *size) {
  if (!hdr || !size) return FALSE;
  bool font = (hdr->style & DS_SETFONT) != 0;
  LPCWSTR face = hdr->fontFace ? KoGetStringSmart(h, hdr->fontFace) : L"MS Shell Dlg";
  int points = hdr->fontFace ? static_cast<int>(hdr->pointSize) : 8;
  return SizeFrom(hdr->cx, hdr->cy, font, face, points, 400, 0, 1, size);
}

KO_EXTERN_C KOAPI BOOL KoGetDialogSizeEx(HKOLANG h, const _kodlghdrcreateex *hdr, SIZE *size) {
  if (!hdr || !size) return FALSE;
  bool font = (hdr->style & DS_SETFONT) != 0;
  if (!hdr->fontFace) return SizeFrom(hdr->cx, hdr->cy, font, L"MS Shell Dlg", 8, 400, 0, 1, size);
  return SizeFrom(hdr->cx, hdr->cy, font, KoGetStringSmart(h, hdr->fontFace), hdr->pointSize,
                  hdr->weight, hdr->italic, hdr->charSet, size);
}

// ---- bitmaps in pool dialogs ----------------------------------------------------
// A pool dialog cannot take its bitmaps from a module: a control of the class
// KO_POOLBITMAP_CLASS names a bitmap (its text, or an ordinal) that is looked
// up in the pool the dialog came from, in the dialog's language, and shown at
// its own size from the control's top-left corner. STM_GETIMAGE gives the
// bitmap, which the control owns.
namespace {

struct PoolContext {
  const _KORESPOOL *pool;
  DWORD lcid;
};
thread_local const PoolContext *t_pool = nullptr;  // the pool of the dialog being created

HBITMAP BitmapFromPool(const PoolContext &ctx, LPCWSTR name) {
  UINT size = 0;
  auto *dib = static_cast<const BYTE *>(
      KoFindResourceInResPool(ctx.pool, &size, name, RT_BITMAP, ctx.lcid, nullptr));
  if (!dib || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  auto *bi = reinterpret_cast<const BITMAPINFOHEADER *>(dib);
  if (bi->biSize < sizeof(BITMAPINFOHEADER) || bi->biSize > size || bi->biWidth <= 0 ||
      bi->biHeight == 0 || bi->biBitCount == 0 || bi->biBitCount > 32 || bi->biPlanes != 1)
    return nullptr;
  uint64_t colours = bi->biClrUsed ? bi->biClrUsed : (bi->biBitCount <= 8 ? 1u << bi->biBitCount : 0);
  if (bi->biCompression == BI_BITFIELDS) colours = 3;
  else if (bi->biCompression != BI_RGB) return nullptr;
  uint64_t height = bi->biHeight < 0 ? -static_cast<int64_t>(bi->biHeight) : bi->biHeight;
  uint64_t stride = ((static_cast<uint64_t>(bi->biWidth) * bi->biBitCount + 31) / 32) * 4;
  uint64_t bits = bi->biSize + colours * 4;
  if (bits > size || stride * height > size - bits) return nullptr;  // never read past the entry
  HDC screen = ::GetDC(nullptr);
  HBITMAP b = ::CreateDIBitmap(screen, bi, CBM_INIT, dib + bits,
                               reinterpret_cast<const BITMAPINFO *>(dib), DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return b;
}

LRESULT CALLBACK PoolBitmapProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto bitmap = reinterpret_cast<HBITMAP>(::GetWindowLongPtrW(w, 0));
  switch (msg) {
    case WM_NCCREATE:
      if (t_pool) {
        LPCWSTR name = reinterpret_cast<CREATESTRUCTW *>(lp)->lpszName;
        // A dialog passes an ordinal title as 0xFFFF and the number.
        if (name && name[0] == 0xFFFF) name = MAKEINTRESOURCEW(name[1]);
        if (name && (IS_INTRESOURCE(name) || *name))
          ::SetWindowLongPtrW(w, 0, reinterpret_cast<LONG_PTR>(BitmapFromPool(*t_pool, name)));
      }
      break;
    case WM_NCDESTROY:
      if (bitmap) ::DeleteObject(bitmap);
      ::SetWindowLongPtrW(w, 0, 0);
      break;
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(bitmap);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(w, &ps);
      BITMAP bm;
      if (bitmap && ::GetObjectW(bitmap, sizeof bm, &bm)) {
        HDC mem = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(mem, bitmap);
        ::BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
      }
      ::EndPaint(w, &ps);
      return 0;
    }
  }
  return ::DefWindowProcW(w, msg, wp, lp);
}

// Registered once per process, for every module's dialogs.
bool RegisterPoolBitmapClass() {
  static const bool registered = [] {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&PoolBitmapProc), &self);
    WNDCLASSW wc = {};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = PoolBitmapProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = self;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = KO_POOLBITMAP_CLASS;
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

KO_EXTERN_C KOAPI INT_PTR KoResPoolDialogBox(const _KORESPOOL *pool, HKOLANG h, LPCWSTR name,
                                             HWND parent, DLGPROC proc, LPARAM param) {
  DWORD lcid = (h && h->lcid) ? h->lcid : kEnglish;
  UINT size = 0;
  const DLGTEMPLATE *t = KoFindDialogTemplateInResPool(pool, &size, name, lcid);
  if (!t || size < sizeof(DLGTEMPLATE)) return -1;
  std::vector<DWORD> copy((size + 3) / 4);  // an aligned work copy
  std::memcpy(copy.data(), t, size);
  HMODULE module = h ? h->module : ::GetModuleHandleW(nullptr);
  RegisterPoolBitmapClass();
  // The bitmap controls take their pictures from this pool while the dialog
  // is created; a dialog shown from within keeps its own pool.
  const PoolContext ctx = {pool, lcid}, *outer = t_pool;
  t_pool = &ctx;
  INT_PTR r = ::DialogBoxIndirectParamW(module, reinterpret_cast<DLGTEMPLATE *>(copy.data()), parent,
                                        proc, param);
  t_pool = outer;
  return r;
}
