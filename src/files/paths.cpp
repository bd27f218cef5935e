// Path strings: splitting, joining, checking and matching path names.
#include <cstring>

#include "files/files_internal.h"
#include "platform/fs.h"

namespace ko::files {

KOCHAR Fold(KOCHAR c) {
  if (c >= 'a' && c <= 'z') return static_cast<KOCHAR>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<KOCHAR>(c - 32);
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<KOCHAR>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<KOCHAR>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<KOCHAR>(c - 80);
  return c;
}

size_t BoundedLength(const KOCHAR *s, int cch) {
  size_t n = 0;
  while (n < static_cast<size_t>(cch) && s[n]) ++n;
  return n;
}

bool CopyOut(const KOCHAR *s, size_t n, KOCHAR *dst, int cch) {
  if (!dst || cch <= 0 || n + 1 > static_cast<size_t>(cch)) return false;
  if (n) std::memmove(dst, s, n * sizeof(KOCHAR));
  dst[n] = 0;
  return true;
}

namespace {

using ko::kostring;

const KOCHAR *NamePart(const KOCHAR *path) {
  const KOCHAR *name = path;
  for (const KOCHAR *p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

const KOCHAR *ExtensionOf(const KOCHAR *name) {
  const KOCHAR *dot = nullptr;
  const KOCHAR *p = name;
  for (; *p; ++p)
    if (*p == '.') dot = p;
  if (!dot || !dot[1]) return p;
  for (const KOCHAR *q = dot + 1; *q; ++q)
    if (IsSpace(*q)) return p;
  return dot;
}

bool EqualNoCase(const KOCHAR *a, const KOCHAR *b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

kostring Dotted(const KOCHAR *ext) {
  kostring e;
  if (ext && *ext) {
    if (*ext != '.') e += u'.';
    e += kostring(reinterpret_cast<const KOCHAR *>(ext), ko::WideLength(ext));
  }
  return e;
}

// Writes `s` into path when it fits cch; returns its length or -1.
int Store(const kostring &s, KOCHAR *path, int cch) {
  if (!CopyOut(s.data(), s.size(), path, cch)) return -1;
  return static_cast<int>(s.size());
}

kostring ReplaceExtension(const KOCHAR *path, size_t len, const KOCHAR *ext, bool dropNumber) {
  kostring s(path, len);
  const KOCHAR *name = NamePart(s.c_str());
  size_t cut = static_cast<size_t>(ExtensionOf(name) - s.c_str());
  if (dropNumber) {
    size_t d = cut;
    size_t nameStart = static_cast<size_t>(name - s.c_str());
    while (d > nameStart && s[d - 1] >= '0' && s[d - 1] <= '9') --d;
    if (d < cut && d > nameStart && s[d - 1] == '_') cut = d - 1;
  }
  s.resize(cut);
  s += Dotted(ext);
  return s;
}

bool DigitChar(KOCHAR c) { return c >= '0' && c <= '9'; }

}  // namespace
}  // namespace ko::files

using namespace ko::files;

KO_EXTERN_C KOAPI const char *KoGetFileNamePtrA(const char *path) {
  if (!path) return nullptr;
  const char *name = path;
  for (const char *p = path; *p; p = ko::platform::fs::NextNarrowChar(p))
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

KO_EXTERN_C KOAPI KOCSTR KoGetFileNamePtrW(KOCSTR path) { return path ? NamePart(path) : nullptr; }

KO_EXTERN_C KOAPI const char *KoGetFileNameExtensionPtrA(const char *name) {
  if (!name) return nullptr;
  const char *dot = nullptr;
  const char *p = name;
  for (; *p; p = ko::platform::fs::NextNarrowChar(p))
    if (*p == '.') dot = p;
  if (!dot || !dot[1]) return p;
  for (const char *q = dot + 1; *q; ++q)
    if (*q == ' ' || (*q >= 9 && *q <= 13)) return p;
  return dot;
}

KO_EXTERN_C KOAPI KOCSTR KoGetFileNameExtensionPtrW(KOCSTR name) {
  return name ? ExtensionOf(name) : nullptr;
}

KO_EXTERN_C KOAPI BOOL KoReplaceExtensionOnPathNameEx(KOSTR path, int cch, KOCSTR extension,
                                                      BOOL removeNumberSuffix) {
  if (!path || cch <= 0) return FALSE;
  size_t len = BoundedLength(path, cch);
  if (len >= static_cast<size_t>(cch)) return FALSE;
  return Store(ReplaceExtension(path, len, extension, removeNumberSuffix != 0), path, cch) >= 0;
}

KO_EXTERN_C KOAPI BOOL KoReplaceExtensionOnPathName(KOSTR path, int cch, KOCSTR extension) {
  return KoReplaceExtensionOnPathNameEx(path, cch, extension, FALSE);
}

KO_EXTERN_C KOAPI int KoAddExtensionToPathName(KOSTR path, int cch, KOCSTR extension) {
  if (!path || cch <= 0) return 0;
  size_t len = BoundedLength(path, cch);
  if (len >= static_cast<size_t>(cch)) return 0;
  ko::kostring e = Dotted(extension);
  if (e.empty() || (len >= e.size() && EqualNoCase(path + len - e.size(), e.data(), e.size())))
    return static_cast<int>(len);
  ko::kostring s(path, len);
  s += e;
  int n = Store(s, path, cch);
  return n < 0 ? 0 : n;
}

KO_EXTERN_C KOAPI int KoAddSlashToPathName(KOSTR path, int cch) {
  if (!path || cch <= 0) return 0;
  size_t len = BoundedLength(path, cch);
  if (len == 0 || len >= static_cast<size_t>(cch)) return 0;
  if (path[len - 1] == '\\') return static_cast<int>(len);
  if (len + 2 > static_cast<size_t>(cch)) return 0;
  path[len] = '\\';
  path[len + 1] = 0;
  return static_cast<int>(len + 1);
}

KO_EXTERN_C KOAPI int KoRemoveSlashFromPathNameEnd(KOSTR path, int cch) {
  if (!path || cch <= 0) return 0;
  size_t len = BoundedLength(path, cch);
  if (len >= static_cast<size_t>(cch)) return static_cast<int>(len);
  if (len > 0 && path[len - 1] == '\\') path[--len] = 0;
  return static_cast<int>(len);
}

KO_EXTERN_C KOAPI int KoAppendToPathName(KOSTR path, int cch, KOCSTR name, KOCSTR extension) {
  if (!path || cch <= 0) return 0;
  size_t len = BoundedLength(path, cch);
  if (len >= static_cast<size_t>(cch)) return 0;
  ko::kostring s(path, len);
  if (name) {
    while (*name == '\\') ++name;
    if (!s.empty() && s.back() != '\\' && *name) s += u'\\';
    s += ko::kostring(name, ko::WideLength(name));
  }
  if (extension) s = ReplaceExtension(s.data(), s.size(), extension, false);
  int n = Store(s, path, cch);
  return n < 0 ? 0 : n;
}

KO_EXTERN_C KOAPI int KoGetPathNameFromFilePath(KOCSTR path, KOSTR dst, int cch) {
  if (!path) return 0;
  const KOCHAR *end = nullptr;
  for (const KOCHAR *p = path; *p; ++p)
    if (*p == '\\' || *p == ':') end = p + 1;
  if (!end) return 0;
  size_t n = static_cast<size_t>(end - path);
  return CopyOut(path, n, dst, cch) ? static_cast<int>(n) : 0;
}

KO_EXTERN_C KOAPI int KoGetRootPathFromFilePath(KOCSTR path, KOSTR dst, int cch) {
  if (!path) return 0;
  ko::kostring root;
  KOCHAR c = path[0];
  if (((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':') {
    root.assign(path, 2);
    root += u'\\';
  } else if (path[0] == '\\' && path[1] == '\\') {
    const KOCHAR *server = path + 2;
    const KOCHAR *p = server;
    while (*p && *p != '\\') ++p;
    if (p == server || *p != '\\') return 0;
    const KOCHAR *share = p + 1;
    const KOCHAR *q = share;
    while (*q && *q != '\\') ++q;
    if (q == share) return 0;
    root.assign(path, static_cast<size_t>(q - path));
    root += u'\\';
  } else {
    return 0;
  }
  return CopyOut(root.data(), root.size(), dst, cch) ? static_cast<int>(root.size()) : 0;
}

KO_EXTERN_C KOAPI KOSTR KoGetFileNameWithoutPathOrExtension(KOCSTR path, KOSTR dst, int cch) {
  if (!path || !dst || cch <= 0) return nullptr;
  const KOCHAR *name = NamePart(path);
  size_t n = ko::WideLength(name);
  if (n + 1 > static_cast<size_t>(cch)) n = static_cast<size_t>(cch) - 1;
  std::memmove(dst, name, n * sizeof(KOCHAR));
  dst[n] = 0;
  KOCHAR *cut = const_cast<KOCHAR *>(ExtensionOf(dst));
  *cut = 0;
  return cut;
}

KO_EXTERN_C KOAPI KOCSTR KoGetFileNamePtrRelative(KOCSTR a, KOCSTR b) {
  if (!a || !b) return b;
  size_t i = ko::WideLength(a), j = ko::WideLength(b);
  const size_t lenB = j;
  while (i > 0 && j > 0 && Fold(a[i - 1]) == Fold(b[j - 1])) --i, --j;
  if (j == 0) return b;
  if (j == lenB) return b + lenB;
  bool clean = b[j] == '\\' || ((i == 0 || a[i - 1] == '\\') && b[j - 1] == '\\');
  size_t k = j;
  if (!clean)
    while (b[k] && b[k] != '\\') ++k;
  while (b[k] == '\\') ++k;
  return b + k;
}

KO_EXTERN_C KOAPI HRESULT KoGetBasePathRelative(KOCSTR a, KOCSTR b, KOSTR dst, int cch) {
  if (!a || !b || !dst || cch <= 0) return E_INVALIDARG;
  size_t n = static_cast<size_t>(KoGetFileNamePtrRelative(a, b) - b);
  ko::kostring s(b, n);
  if (!s.empty() && s.back() != '\\') s += u'\\';
  return CopyOut(s.data(), s.size(), dst, cch) ? S_OK : E_FAIL;
}

KO_EXTERN_C KOAPI HRESULT KoReplaceBasePathRelative(KOCSTR path, KOCSTR oldBase, KOCSTR newBase,
                                                    KOSTR dst, int cch) {
  if (!dst || cch <= 0) return E_INVALIDARG;
  dst[0] = 0;
  if (!path || !oldBase || !newBase) return E_FAIL;
  size_t lp = ko::WideLength(path), lo = ko::WideLength(oldBase), ln = ko::WideLength(newBase);
  if (lo > lp || !EqualNoCase(path, oldBase, lo)) return E_FAIL;
  size_t total = ln + (lp - lo);
  if (total >= KO_MAX_PATH + 1) return E_FAIL;
  ko::kostring s(newBase, ln);
  s.append(path + lo, lp - lo);
  if (!CopyOut(s.data(), s.size(), dst, cch)) {
    dst[0] = 0;
    return E_FAIL;
  }
  return S_OK;
}

KO_EXTERN_C KOAPI BOOL KoValidateFileName(KOSTR name, BOOL fix) {
  if (!name || !*name) return FALSE;
  static const char kBad[] = "\n\r\"*/:<>?\\|";
  BOOL ok = TRUE;
  KOCHAR *p = name;
  for (; *p; ++p) {
    if (*p < 128 && std::strchr(kBad, static_cast<char>(*p))) {
      ok = FALSE;
      if (fix) *p = '_';
    }
  }
  if (p[-1] == ' ' || p[-1] == '.') {
    ok = FALSE;
    if (fix) p[-1] = '_';
  }
  return ok;
}

KO_EXTERN_C KOAPI BOOL KoIsMatchWildCard(KOCSTR pattern, KOCSTR name) {
  if (!pattern || !name) return FALSE;
  if (pattern[0] == '*' && pattern[1] == 0) return TRUE;
  const KOCHAR *p = pattern, *n = name;
  while (*p && *n) {
    if (*p == '?') {
      ++p, ++n;
    } else if (*p == '*') {
      ++p;
      while (*n && *n != '.' && *n != *p) ++n;
    } else if (*p == *n) {
      ++p, ++n;
    } else {
      return FALSE;
    }
  }
  if (!*p) return !*n || (n[0] == '.' && n[1] == 0);
  return *p == '*' || (p[0] == '.' && p[1] == 0);
}

KO_EXTERN_C KOAPI int KoFilenameLogicalCompare(KOCSTR a, KOCSTR b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  while (*a && *b) {
    bool da = DigitChar(*a), db = DigitChar(*b);
    if (da && db) {
      // Numbers compare by value: skip leading zeros, then the longer run
      // is larger, then the first differing digit decides.
      while (*a == '0' && DigitChar(a[1])) ++a;
      while (*b == '0' && DigitChar(b[1])) ++b;
      size_t na = 0, nb = 0;
      while (DigitChar(a[na])) ++na;
      while (DigitChar(b[nb])) ++nb;
      if (na != nb) return na < nb ? -1 : 1;
      for (size_t k = 0; k < na; ++k)
        if (a[k] != b[k]) return a[k] < b[k] ? -1 : 1;
      a += na, b += nb;
    } else if (da != db) {
      return da ? -1 : 1;
    } else {
      KOCHAR fa = Fold(*a), fb = Fold(*b);
      if (fa != fb) return fa < fb ? -1 : 1;
      ++a, ++b;
    }
  }
  if (*a) return 1;
  if (*b) return -1;
  return 0;
}

KO_EXTERN_C KOAPI BOOL KoDirectoryUpOneLevel(KOSTR path, int cch) {
  if (!path || cch <= 0) return FALSE;
  size_t len = BoundedLength(path, cch);
  if (len < 4 || len >= KO_MAX_PATH || len >= static_cast<size_t>(cch)) return FALSE;
  size_t end = len;
  if (path[end - 1] == '\\') --end;
  while (end > 0 && path[end - 1] != '\\') --end;
  if (end == 0) return FALSE;
  path[end] = 0;
  return TRUE;
}

KO_EXTERN_C KOAPI BOOL KoIsHiddenFolderByDefault(int csidl) {
  switch (csidl & ~0xFF00) {
    case 5: case 12: case 16: case 25: case 40: case 46: case 53: case 54: case 55:
      return FALSE;
    default:
      return TRUE;
  }
}
