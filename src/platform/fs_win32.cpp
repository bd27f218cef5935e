// File-system door, Win32 side.
#include <windows.h>

#include <string>

#include "platform/fs.h"

namespace ko::platform::fs {

namespace {
void SetErr(uint32_t *errorOut, uint32_t e) {
  if (errorOut) *errorOut = e;
}
}  // namespace

uint32_t Attributes(const KOCHAR *path, uint32_t *errorOut) {
  DWORD a = ::GetFileAttributesW(path);
  SetErr(errorOut, a == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : 0);
  return a;
}

bool SetAttributes(const KOCHAR *path, uint32_t attributes) {
  return ::SetFileAttributesW(path, attributes) != 0;
}

bool MakeDirectory(const KOCHAR *path, void *sa, uint32_t *errorOut) {
  BOOL ok = ::CreateDirectoryW(path, static_cast<LPSECURITY_ATTRIBUTES>(sa));
  SetErr(errorOut, ok ? 0 : ::GetLastError());
  return ok != 0;
}

bool RemoveDirectory(const KOCHAR *path) { return ::RemoveDirectoryW(path) != 0; }

bool DeleteFile(const KOCHAR *path) { return ::DeleteFileW(path) != 0; }

uint32_t CreateNewFile(const KOCHAR *path) {
  HANDLE f = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (f == INVALID_HANDLE_VALUE) return ::GetLastError();
  ::CloseHandle(f);
  return 0;
}

bool OpenableForWrite(const KOCHAR *path) {
  HANDLE f = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE | FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(f);
  return true;
}

bool FileSize(const KOCHAR *path, uint64_t *size) {
  HANDLE f = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER li;
  BOOL ok = ::GetFileSizeEx(f, &li);
  ::CloseHandle(f);
  if (!ok) return false;
  *size = static_cast<uint64_t>(li.QuadPart);
  return true;
}

bool ReadHead(const KOCHAR *path, void *buffer, uint32_t bytes, uint32_t *got,
              uint32_t *errorOut) {
  *got = 0;
  HANDLE f = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    SetErr(errorOut, ::GetLastError());
    return false;
  }
  DWORD n = 0;
  BOOL ok = ::ReadFile(f, buffer, bytes, &n, nullptr);
  ::CloseHandle(f);
  *got = ok ? n : 0;
  SetErr(errorOut, 0);
  return true;
}

bool Rename(const KOCHAR *from, const KOCHAR *to, uint32_t *errorOut) {
  BOOL ok = ::MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED);
  SetErr(errorOut, ok ? 0 : ::GetLastError());
  return ok != 0;
}

bool CopyFile(const KOCHAR *from, const KOCHAR *to) { return ::CopyFileW(from, to, FALSE) != 0; }

bool ListDirectory(const KOCHAR *dir,
                   const std::function<bool(const KOCHAR *, uint32_t)> &visit) {
  std::wstring pattern(dir);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    const wchar_t *n = fd.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    if (!visit(n, fd.dwFileAttributes)) break;
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return true;
}

bool LastWriteTime(const KOCHAR *path, bool local, CivilTime *out) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &d)) return false;
  FILETIME ft = d.ftLastWriteTime;
  if (local && !::FileTimeToLocalFileTime(&d.ftLastWriteTime, &ft)) return false;
  SYSTEMTIME st;
  if (!::FileTimeToSystemTime(&ft, &st)) return false;
  *out = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  return true;
}

CivilTime LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

bool DiskSpace(const KOCHAR *path, uint64_t *freeToCaller, uint64_t *total) {
  ULARGE_INTEGER avail, tot, all;
  if (!::GetDiskFreeSpaceExW(path, &avail, &tot, &all)) return false;
  *freeToCaller = avail.QuadPart;
  *total = tot.QuadPart;
  return true;
}

uint32_t TempPath(KOCHAR *buffer, uint32_t capacity) {
  wchar_t tmp[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, tmp);
  if (n == 0 || n > MAX_PATH) return 0;
  wchar_t longer[MAX_PATH + 1];
  DWORD m = ::GetLongPathNameW(tmp, longer, MAX_PATH + 1);
  const wchar_t *src = (m != 0 && m <= MAX_PATH) ? longer : tmp;
  size_t len = wcslen(src);
  bool slash = len > 0 && src[len - 1] == L'\\';
  size_t need = len + (slash ? 0 : 1);
  if (need + 1 > capacity) return 0;
  wcscpy(buffer, src);
  if (!slash) {
    buffer[len] = L'\\';
    buffer[len + 1] = 0;
  }
  return static_cast<uint32_t>(need);
}

}  // namespace ko::platform::fs

namespace ko::platform::fs {
const char *NextNarrowChar(const char *p) { return ::CharNextA(p); }
}  // namespace ko::platform::fs
