// Files and folders: existence and emptiness tests, creation and removal of
// folder trees, sizes, executable headers, date-times, temporary and unique
// names, moves and disk space. Everything reaches the system through the
// platform's file-system door.
#include <cstring>
#include <vector>

#include "files/files_internal.h"
#include "kokernel/koprintf.h"
#include "platform/fs.h"
#include "text/builtin_texts.h"

namespace fs = ko::platform::fs;
using ko::kostring;
using namespace ko::files;

namespace {

kostring Str(const KOCHAR *s) { return s ? kostring(s, ko::WideLength(s)) : kostring(); }

kostring Join(const kostring &dir, const KOCHAR *name) {
  kostring s = dir;
  if (!s.empty() && s.back() != '\\') s += u'\\';
  s += Str(name);
  return s;
}

kostring WithoutSlash(const KOCHAR *p) {
  kostring s = Str(p);
  while (s.size() > 1 && s.back() == '\\') s.pop_back();
  return s;
}

bool IsDir(uint32_t a) { return a != fs::kAttrInvalid && (a & fs::kAttrDirectory); }
bool IsLink(uint32_t a) { return a != fs::kAttrInvalid && (a & fs::kAttrReparse); }

struct Entry {
  kostring name;
  uint32_t attributes;
};

// Lists first, then acts, so that removals never disturb an open listing.
bool List(const kostring &dir, std::vector<Entry> *out) {
  return fs::ListDirectory(dir.c_str(), [&](const KOCHAR *n, uint32_t a) {
    out->push_back({Str(n), a});
    return true;
  });
}

bool ClearReadOnly(const kostring &path, uint32_t a) {
  if (a == fs::kAttrInvalid || !(a & fs::kAttrReadOnly)) return true;
  // Only the attributes a caller may set are passed back.
  uint32_t rest = a & 0x3126u & ~fs::kAttrReadOnly;
  return fs::SetAttributes(path.c_str(), rest ? rest : fs::kAttrNormal);
}

bool RemoveLink(const kostring &path, uint32_t a) {
  return (a & fs::kAttrDirectory) ? fs::RemoveDirectory(path.c_str())
                                  : fs::DeleteFile(path.c_str());
}

bool EmptyRecursive(const kostring &dir, bool ignoreThumbs) {
  std::vector<Entry> entries;
  if (!List(dir, &entries)) return true;
  for (const Entry &e : entries) {
    if (IsDir(e.attributes) && !IsLink(e.attributes)) {
      if (!EmptyRecursive(Join(dir, e.name.c_str()), ignoreThumbs)) return false;
      continue;
    }
    if (ignoreThumbs && e.name.size() == 9) {
      static const char kThumbs[] = "THUMBS.DB";
      bool same = true;
      for (size_t i = 0; i < 9; ++i)
        if (Fold(e.name[i]) != static_cast<KOCHAR>(kThumbs[i])) same = false;
      if (same) continue;
    }
    return false;
  }
  return true;
}

bool DeleteTree(const kostring &dir, bool removeSelf) {
  bool ok = true;
  std::vector<Entry> entries;
  if (!List(dir, &entries)) ok = false;
  for (const Entry &e : entries) {
    kostring p = Join(dir, e.name.c_str());
    if (IsLink(e.attributes)) {
      ok = RemoveLink(p, e.attributes) && ok;  // the link goes, its target stays
    } else if (e.attributes & fs::kAttrDirectory) {
      ClearReadOnly(p, e.attributes);
      ok = DeleteTree(p, true) && ok;
    } else {
      ClearReadOnly(p, e.attributes);
      ok = fs::DeleteFile(p.c_str()) && ok;
    }
  }
  if (removeSelf) {
    ClearReadOnly(dir, fs::Attributes(dir.c_str()));
    ok = fs::RemoveDirectory(dir.c_str()) && ok;
  }
  return ok;
}

bool DeleteMatching(const kostring &dir, const KOCHAR *pattern, bool recurse) {
  bool ok = true;
  std::vector<Entry> entries;
  if (!List(dir, &entries)) return false;
  for (const Entry &e : entries) {
    kostring p = Join(dir, e.name.c_str());
    bool isDir = (e.attributes & fs::kAttrDirectory) != 0;
    if (isDir) {
      if (recurse && !IsLink(e.attributes)) ok = DeleteMatching(p, pattern, true) && ok;
      continue;
    }
    if (!KoIsMatchWildCard(pattern, e.name.c_str())) continue;
    ClearReadOnly(p, e.attributes);
    ok = fs::DeleteFile(p.c_str()) && ok;
  }
  return ok;
}

bool TreeSize(const kostring &dir, uint64_t *total) {
  std::vector<Entry> entries;
  if (!List(dir, &entries)) return false;
  for (const Entry &e : entries) {
    if (IsLink(e.attributes)) continue;
    kostring p = Join(dir, e.name.c_str());
    if (e.attributes & fs::kAttrDirectory) {
      if (!TreeSize(p, total)) return false;
    } else {
      uint64_t s = 0;
      if (fs::FileSize(p.c_str(), &s)) *total += s;
    }
  }
  return true;
}

bool CopyTree(const kostring &from, const kostring &to) {
  if (!IsDir(fs::Attributes(to.c_str())) && !fs::MakeDirectory(to.c_str(), nullptr, nullptr))
    return false;
  std::vector<Entry> entries;
  if (!List(from, &entries)) return false;
  bool ok = true;
  for (const Entry &e : entries) {
    if (IsLink(e.attributes)) continue;
    kostring a = Join(from, e.name.c_str()), b = Join(to, e.name.c_str());
    ok = ((e.attributes & fs::kAttrDirectory) ? CopyTree(a, b) : fs::CopyFile(a.c_str(), b.c_str()))
         && ok;
  }
  return ok;
}

// Length of the root of a path: "C:\", "\\server\share\", a leading "\".
size_t RootLength(const kostring &p) {
  KOCHAR r[KO_MAX_PATH + 1];
  int n = KoGetRootPathFromFilePath(p.c_str(), r, KO_MAX_PATH + 1);
  if (n > 0) return static_cast<size_t>(n);
  return (!p.empty() && p[0] == '\\') ? 1 : 0;
}

HRESULT FromWin32(uint32_t e) { return KoErrorHandler_TranslateWin32Error(e); }

DWORD Scaled(uint64_t bytes, DWORD unit) {
  uint64_t v = unit ? bytes / unit : bytes;
  return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(v);
}

DWORD DiskValue(KOCSTR path, DWORD unit, bool total) {
  if (!path || !*path) return 0;
  uint64_t avail = 0, all = 0;
  if (!fs::DiskSpace(path, &avail, &all)) return (path[0] == '\\' && path[1] == '\\') ? 0xFFFFFFFFu : 0;
  return Scaled(total ? all : avail, unit);
}

DWORD DosDateTime(KOCSTR path, bool local) {
  fs::CivilTime t;
  if (!path || !fs::LastWriteTime(path, local, &t)) return 0;
  if (t.year < 1980 || t.year > 2107) return 0;
  uint32_t date = static_cast<uint32_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
  uint32_t time = static_cast<uint32_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
  return (date << 16) | time;
}

}  // namespace

namespace ko::files {

bool ParseExecutableHead(const unsigned char *b, size_t n, DWORD *machine,
                         DWORD *characteristics) {
  if (n < 64 || b[0] != 'M' || b[1] != 'Z') return false;
  uint32_t off = b[0x3C] | (b[0x3D] << 8) | (b[0x3E] << 16) | (static_cast<uint32_t>(b[0x3F]) << 24);
  if (off > n || n - off < 24) return false;
  const unsigned char *pe = b + off;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;
  if (machine) *machine = static_cast<DWORD>(pe[4] | (pe[5] << 8));
  if (characteristics) *characteristics = static_cast<DWORD>(pe[22] | (pe[23] << 8));
  return true;
}

}  // namespace ko::files

KO_EXTERN_C KOAPI BOOL KoDoesFileExist(KOCSTR path, BOOL hiddenIsAbsent) {
  if (!path || !*path) return FALSE;
  uint32_t a = fs::Attributes(path);
  if (a == fs::kAttrInvalid) return FALSE;
  return !(hiddenIsAbsent && (a & fs::kAttrHidden));
}

KO_EXTERN_C KOAPI BOOL KoIsFileWritable(KOCSTR path) {
  if (!path || !*path) return FALSE;
  // A read-only file is not writable even where a privileged caller could
  // open it anyway.
  uint32_t a = fs::Attributes(path);
  if (a == fs::kAttrInvalid || (a & (fs::kAttrReadOnly | fs::kAttrDirectory))) return FALSE;
  return fs::OpenableForWrite(path);
}

KO_EXTERN_C KOAPI BOOL KoIsDirectoryWritable(KOCSTR folder) {
  if (!folder || !*folder || !IsDir(fs::Attributes(folder))) return FALSE;
  KOCHAR name[KO_MAX_PATH + 1];
  if (FAILED(KoCreateTempFileAndNameEx(folder, KOTEXT("~kow"), KOTEXT(".tmp"), nullptr, name,
                                       KO_MAX_PATH + 1)))
    return FALSE;
  fs::DeleteFile(name);
  return TRUE;
}

KO_EXTERN_C KOAPI BOOL KoIsDirectoryEmpty(KOCSTR folder) {
  if (!folder) return TRUE;
  bool any = false;
  fs::ListDirectory(folder, [&](const KOCHAR *, uint32_t) {
    any = true;
    return false;
  });
  return !any;
}

KO_EXTERN_C KOAPI BOOL KoIsDirectoryEmptyRecursive(KOCSTR folder, BYTE ignoreThumbnails) {
  if (!folder || ko::WideLength(folder) >= KO_MAX_PATH) return FALSE;
  return EmptyRecursive(Str(folder), ignoreThumbnails != 0);
}

KO_EXTERN_C KOAPI BOOL KoCreateDirectory(KOCSTR path, void *securityAttributes) {
  if (!path || !*path) return FALSE;
  kostring p = WithoutSlash(path);
  for (size_t i = RootLength(p); i < p.size(); ++i) {
    if (p[i] != '\\' || p[i - 1] == '\\') continue;
    kostring level = p.substr(0, i);
    if (!IsDir(fs::Attributes(level.c_str())))
      fs::MakeDirectory(level.c_str(), securityAttributes, nullptr);
  }
  if (!IsDir(fs::Attributes(p.c_str()))) fs::MakeDirectory(p.c_str(), securityAttributes, nullptr);
  return IsDir(fs::Attributes(p.c_str()));
}

KO_EXTERN_C KOAPI BOOL KoDeleteFiles(KOCSTR folder, KOCSTR pattern, BOOL recurse) {
  if (!folder || !*folder) return FALSE;
  return DeleteMatching(WithoutSlash(folder), pattern ? pattern : KOTEXT("*"), recurse != 0);
}

KO_EXTERN_C KOAPI BOOL KoDeleteDirectoryTree(KOCSTR folder, BOOL removeFolder) {
  if (!folder || !*folder) return FALSE;
  kostring root = WithoutSlash(folder);
  uint32_t a = fs::Attributes(root.c_str());
  if (!IsDir(a)) return FALSE;
  // A root that is itself a link is never entered: with the flag the link
  // is removed, without it nothing is deleted.
  if (IsLink(a)) return removeFolder && RemoveLink(root, a);
  return DeleteTree(root, removeFolder != 0);
}

KO_EXTERN_C KOAPI HRESULT KoGetFileSizeByName(KOCSTR path, uint64_t *size) {
  if (!size) return E_POINTER;
  *size = 0;
  if (!path || !*path || !fs::FileSize(path, size)) {
    *size = 0;
    return KO_E_OPENFAILED;
  }
  return S_OK;
}

KO_EXTERN_C KOAPI HRESULT KoGetDirectorySize(KOCSTR folder, uint64_t *size) {
  if (!folder || !size) return E_INVALIDARG;
  *size = 0;
  if (!IsDir(fs::Attributes(folder))) return KO_E_NOTFOUND;
  return TreeSize(WithoutSlash(folder), size) ? S_OK : KO_E_OPENFAILED;
}

KO_EXTERN_C KOAPI HRESULT KoGetFileExecutableInfo(KOCSTR path, DWORD *machine,
                                                  DWORD *characteristics) {
  if (!path) return E_INVALIDARG;
  unsigned char head[4096];
  uint32_t got = 0, err = 0;
  if (!fs::ReadHead(path, head, sizeof head, &got, &err))
    return static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
  return ParseExecutableHead(head, got, machine, characteristics) ? S_OK : KO_E_BADFORMAT;
}

KO_EXTERN_C KOAPI DWORD KoDosGetDateTime(KOCSTR path) { return DosDateTime(path, true); }
KO_EXTERN_C KOAPI DWORD KoDosGetDateTimeUTC(KOCSTR path) { return DosDateTime(path, false); }

KO_EXTERN_C KOAPI void KoGetDateTime(KODATETIME *out) {
  if (!out) return;
  fs::CivilTime t = fs::LocalNow();
  out->date = (static_cast<uint32_t>(t.month) << 24) | (static_cast<uint32_t>(t.day) << 16) | t.year;
  out->time = (static_cast<uint32_t>(t.hour) << 24) | (static_cast<uint32_t>(t.minute) << 16) |
              (static_cast<uint32_t>(t.second) << 8) | (t.milliseconds / 10u);
}

KO_EXTERN_C KOAPI HRESULT KoCreateTempFileAndNameEx(KOCSTR folder, KOCSTR prefix, KOCSTR suffix,
                                                    KOCSTR numberFormat, KOSTR dst, int cch) {
  if (!dst || cch <= 0) return E_INVALIDARG;
  if (!folder && !prefix && !suffix) return E_INVALIDARG;
  kostring base;
  if (folder) {
    base = Str(folder);
  } else {
    KOCHAR tmp[KO_MAX_PATH + 1];
    if (fs::TempPath(tmp, KO_MAX_PATH + 1) == 0) {
      dst[0] = 0;
      return E_FAIL;
    }
    base = tmp;
  }
  if (!base.empty() && base.back() != '\\') base += u'\\';
  base += Str(prefix);
  const KOCHAR *format = numberFormat ? numberFormat : KOTEXT("%d");
  // A format that ignores the number would name the same file forever.
  for (int n = 1; n <= 65536; ++n) {
    KOCHAR number[64];
    UINT len = 0;
    if (FAILED(KoCchPrintF(number, 64, &len, format, n))) number[0] = 0;
    kostring name = base + Str(number) + Str(suffix);
    if (!CopyOut(name.data(), name.size(), dst, cch)) {
      dst[0] = 0;
      return E_INVALIDARG;
    }
    uint32_t err = fs::CreateNewFile(dst);
    if (err == 0) return S_OK;
    if (err == fs::kErrFileExists || err == fs::kErrSharingViolation) continue;
    dst[0] = 0;
    HRESULT hr = FromWin32(err);
    return FAILED(hr) ? hr : E_FAIL;
  }
  dst[0] = 0;
  return E_FAIL;
}

KO_EXTERN_C KOAPI HRESULT KoCreateTempFileAndName(KOCSTR prefix, KOCSTR suffix, KOSTR dst,
                                                  int cch) {
  return KoCreateTempFileAndNameEx(nullptr, prefix, suffix, nullptr, dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoGetUniqueSubFolder(KOCSTR parent, KOCSTR name, KOSTR dst, int cch) {
  if (!parent || !name || !dst || cch < KO_MAX_PATH) return E_INVALIDARG;
  kostring base = Join(Str(parent), name);
  for (uint32_t n = 0; n < 65536; ++n) {
    kostring candidate = base;
    if (n) {
      KOCHAR number[16];
      UINT len = 0;
      KoCchPrintF(number, 16, &len, KOTEXT("%lu"), static_cast<unsigned long>(n));
      candidate += number;
    }
    if (IsDir(fs::Attributes(candidate.c_str()))) continue;
    return CopyOut(candidate.data(), candidate.size(), dst, cch) ? S_OK : E_FAIL;
  }
  return E_FAIL;
}

KO_EXTERN_C KOAPI HRESULT KoCanMoveFolder(KOCSTR source, KOCSTR destination) {
  if (!source || !destination || !*source || !*destination) return E_INVALIDARG;
  kostring s = WithoutSlash(source), d = WithoutSlash(destination);
  if (!IsDir(fs::Attributes(s.c_str()))) return KO_E_NOTFOUND;
  if (d.size() >= s.size()) {
    bool prefix = true;
    for (size_t i = 0; i < s.size(); ++i)
      if (Fold(s[i]) != Fold(d[i])) prefix = false;
    if (prefix && (d.size() == s.size() || d[s.size()] == '\\')) return KO_E_DESTINSIDESOURCE;
  }
  if (fs::Attributes(d.c_str()) != fs::kAttrInvalid) return KO_E_ALREADYEXISTS;
  // The nearest existing ancestor of the destination takes the space.
  kostring parent = d;
  while (!parent.empty() && !IsDir(fs::Attributes(parent.c_str()))) {
    size_t cut = parent.find_last_of(u'\\');
    if (cut == kostring::npos) {
      parent.clear();
      break;
    }
    parent.resize(cut ? cut : 1);
    if (cut == 0) break;
  }
  if (parent.empty()) return KO_E_CREATEFAILED;
  uint64_t need = 0, avail = 0, total = 0;
  if (!TreeSize(s, &need)) return KO_E_OPENFAILED;
  if (fs::DiskSpace(parent.c_str(), &avail, &total) && avail < need) return KO_E_DISKFULL;
  if (!KoIsDirectoryWritable(parent.c_str())) return E_ACCESSDENIED;
  return S_OK;
}

KO_EXTERN_C KOAPI HRESULT KoMoveFolder(KOCSTR source, KOCSTR destination) {
  HRESULT hr = KoCanMoveFolder(source, destination);
  if (FAILED(hr)) return hr;
  kostring s = WithoutSlash(source), d = WithoutSlash(destination);
  size_t cut = d.find_last_of(u'\\');
  if (cut != kostring::npos && cut > 0) {
    kostring parent = d.substr(0, cut);
    if (!KoCreateDirectory(parent.c_str(), nullptr)) return KO_E_CREATEFAILED;
  }
  if (fs::Rename(s.c_str(), d.c_str(), nullptr)) return S_OK;
  // Across volumes: copy the tree, then remove the source.
  if (!fs::MakeDirectory(d.c_str(), nullptr, nullptr)) return KO_E_CREATEFAILED;
  if (!CopyTree(s, d)) {
    DeleteTree(d, true);
    return KO_E_WRITEFAILED;
  }
  return DeleteTree(s, true) ? S_OK : S_FALSE;
}

KO_EXTERN_C KOAPI DWORD KoGetDiskFreeSpace(KOCSTR path, DWORD unit) {
  return DiskValue(path, unit, false);
}

KO_EXTERN_C KOAPI DWORD KoGetDiskTotalSpace(KOCSTR path, DWORD unit) {
  return DiskValue(path, unit, true);
}

KO_EXTERN_C KOAPI DWORD KoGetTempPath(DWORD cch, KOSTR dst) {
  if (!dst || cch == 0) return 0;
  return fs::TempPath(dst, cch);
}

KO_EXTERN_C KOAPI HRESULT KoFormatDiskFreeSpace(KOCSTR path, KOSTR dst) {
  if (!dst) return E_INVALIDARG;
  using namespace ko::lang;
  UINT len = 0;
  DWORD units = (path && *path) ? DiskValue(path, 102400, false) : 0xFFFFFFFFu;
  // The texts come in the kernel language handle's language.
  if (!path || !*path || units == 0xFFFFFFFFu)
    return KoCchPrintF(dst, KO_DISKSPACE_TEXT_CCH, &len, ko::text::BuiltinText(kTextDiskUnknown));
  if (units < 10000)
    return KoCchPrintF(dst, KO_DISKSPACE_TEXT_CCH, &len, ko::text::BuiltinText(kTextDiskMegabytes),
                       static_cast<int>(units));
  return KoCchPrintF(dst, KO_DISKSPACE_TEXT_CCH, &len, ko::text::BuiltinText(kTextDiskGigabytes),
                     static_cast<int>(units >> 10));
}
