// File-system door, native side: POSIX calls on paths whose "\" separators
// are taken as "/".
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "platform/utf.h"

namespace ko::platform::fs {

namespace {

std::string Native(const KOCHAR *path) {
  std::string s = ko::Utf16ToUtf8(path);
  for (char &c : s)
    if (c == '\\') c = '/';
  return s;
}

uint32_t Win32Error(int e) {
  switch (e) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kErrAccessDenied;
    case EEXIST: return kErrAlreadyExists;
    case ENAMETOOLONG: return 206;
    case ENOSPC: return 112;
    case EBUSY: return kErrSharingViolation;
    default: return 31;  // a device error: translated to a failure
  }
}

void SetErr(uint32_t *errorOut, uint32_t e) {
  if (errorOut) *errorOut = e;
}

uint32_t FromMode(const std::string &path, const struct stat &st, bool link) {
  uint32_t a = 0;
  if (link) {
    a |= kAttrReparse;
    struct stat target;
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) a |= kAttrDirectory;
  } else if (S_ISDIR(st.st_mode)) {
    a |= kAttrDirectory;
  }
  if (!link && !(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
  size_t slash = path.find_last_of('/');
  const char *base = path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
  if (base[0] == '.' && base[1] != 0 && !(base[1] == '.' && base[2] == 0)) a |= kAttrHidden;
  return a ? a : kAttrNormal;
}

}  // namespace

uint32_t Attributes(const KOCHAR *path, uint32_t *errorOut) {
  std::string p = Native(path);
  struct stat st;
  if (p.empty() || ::lstat(p.c_str(), &st) != 0) {
    SetErr(errorOut, p.empty() ? kErrPathNotFound : Win32Error(errno));
    return kAttrInvalid;
  }
  SetErr(errorOut, 0);
  return FromMode(p, st, S_ISLNK(st.st_mode));
}

bool SetAttributes(const KOCHAR *path, uint32_t attributes) {
  std::string p = Native(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) return true;
  mode_t m = st.st_mode & 07777;
  m = (attributes & kAttrReadOnly) ? (m & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (m | S_IWUSR);
  return ::chmod(p.c_str(), m) == 0;
}

bool MakeDirectory(const KOCHAR *path, void *, uint32_t *errorOut) {
  std::string p = Native(path);
  bool ok = !p.empty() && ::mkdir(p.c_str(), 0777) == 0;
  SetErr(errorOut, ok ? 0 : (p.empty() ? kErrPathNotFound : Win32Error(errno)));
  return ok;
}

bool RemoveDirectory(const KOCHAR *path) {
  std::string p = Native(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) return ::unlink(p.c_str()) == 0;
  return ::rmdir(p.c_str()) == 0;
}

bool DeleteFile(const KOCHAR *path) {
  std::string p = Native(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // A read-only file is refused, as on Windows.
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;
  return ::unlink(p.c_str()) == 0;
}

uint32_t CreateNewFile(const KOCHAR *path) {
  std::string p = Native(path);
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? kErrFileExists : Win32Error(errno);
  ::close(fd);
  return 0;
}

bool OpenableForWrite(const KOCHAR *path) {
  std::string p = Native(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (!(st.st_mode & S_IWUSR)) return false;  // read-only, even for a privileged user
  int fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool FileSize(const KOCHAR *path, uint64_t *size) {
  std::string p = Native(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool ReadHead(const KOCHAR *path, void *buffer, uint32_t bytes, uint32_t *got,
              uint32_t *errorOut) {
  *got = 0;
  std::string p = Native(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    SetErr(errorOut, S_ISDIR(st.st_mode) ? kErrAccessDenied : Win32Error(errno));
    return false;
  }
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetErr(errorOut, Win32Error(errno));
    return false;
  }
  uint32_t total = 0;
  while (total < bytes) {
    ssize_t n = ::read(fd, static_cast<char *>(buffer) + total, bytes - total);
    if (n <= 0) break;
    total += static_cast<uint32_t>(n);
  }
  ::close(fd);
  *got = total;
  SetErr(errorOut, 0);
  return true;
}

bool Rename(const KOCHAR *from, const KOCHAR *to, uint32_t *errorOut) {
  std::string a = Native(from), b = Native(to);
  struct stat st;
  if (::lstat(b.c_str(), &st) == 0) {  // never replace, as MoveFileEx without the flag
    SetErr(errorOut, kErrAlreadyExists);
    return false;
  }
  bool ok = ::rename(a.c_str(), b.c_str()) == 0;
  SetErr(errorOut, ok ? 0 : Win32Error(errno));
  return ok;
}

bool CopyFile(const KOCHAR *from, const KOCHAR *to) {
  std::string a = Native(from), b = Native(to);
  int in = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = ::open(b.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    ::close(in);
    return false;
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0 || ::write(out, buf, static_cast<size_t>(n)) != n) {
      ok = false;
      break;
    }
  }
  ::close(in);
  return ::close(out) == 0 && ok;
}

bool ListDirectory(const KOCHAR *dir,
                   const std::function<bool(const KOCHAR *, uint32_t)> &visit) {
  std::string p = Native(dir);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  DIR *d = ::opendir(p.c_str());
  if (!d) return false;
  while (struct dirent *e = ::readdir(d)) {
    const char *n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    std::string full = p + "/" + n;
    struct stat st;
    if (::lstat(full.c_str(), &st) != 0) continue;
    kostring wide = ko::Utf8ToUtf16(n);
    if (!visit(wide.c_str(), FromMode(full, st, S_ISLNK(st.st_mode)))) break;
  }
  ::closedir(d);
  return true;
}

namespace {
CivilTime FromTm(const struct tm &t, long ms) {
  return {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
          static_cast<uint16_t>(t.tm_mday),        static_cast<uint16_t>(t.tm_hour),
          static_cast<uint16_t>(t.tm_min),         static_cast<uint16_t>(t.tm_sec),
          static_cast<uint16_t>(ms)};
}
}  // namespace

bool LastWriteTime(const KOCHAR *path, bool local, CivilTime *out) {
  std::string p = Native(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return false;
  struct tm t;
  time_t s = st.st_mtim.tv_sec;
  if (!(local ? ::localtime_r(&s, &t) : ::gmtime_r(&s, &t))) return false;
  *out = FromTm(t, st.st_mtim.tv_nsec / 1000000);
  return true;
}

CivilTime LocalNow() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  struct tm t;
  ::localtime_r(&ts.tv_sec, &t);
  return FromTm(t, ts.tv_nsec / 1000000);
}

bool DiskSpace(const KOCHAR *path, uint64_t *freeToCaller, uint64_t *total) {
  std::string p = Native(path);
  struct statvfs v;
  if (p.empty() || ::statvfs(p.c_str(), &v) != 0) return false;
  *freeToCaller = static_cast<uint64_t>(v.f_bavail) * v.f_frsize;
  *total = static_cast<uint64_t>(v.f_blocks) * v.f_frsize;
  return true;
}

uint32_t TempPath(KOCHAR *buffer, uint32_t capacity) {
  const char *t = ::getenv("TMPDIR");
  std::string s = (t && *t) ? t : "/tmp";
  if (s.back() != '/') s += '/';
  kostring w = ko::Utf8ToUtf16(s.c_str());
  for (KOCHAR &c : w)
    if (c == u'/') c = u'\\';
  if (w.size() + 1 > capacity) return 0;
  for (size_t i = 0; i < w.size(); ++i) buffer[i] = w[i];
  buffer[w.size()] = 0;
  return static_cast<uint32_t>(w.size());
}

}  // namespace ko::platform::fs

namespace ko::platform::fs {
const char *NextNarrowChar(const char *p) { return *p ? p + 1 : p; }
}  // namespace ko::platform::fs
