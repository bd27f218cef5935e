// File-system door of the portable core. Paths are UTF-16 with "\" as the
// separator on both targets; natively "\" is taken as "/" on the way to the
// system. Attributes use the Win32 bit values; natively they are derived
// from the file mode (read-only: no owner write bit; hidden: a leading ".";
// a symbolic link reports kAttrReparse, plus kAttrDirectory when it points
// at a directory). Errors are Win32 error numbers on both targets.
#pragma once

#include <cstdint>
#include <functional>

#include "kokernel/kobase.h"

namespace ko::platform::fs {

constexpr uint32_t kAttrReadOnly = 0x1;
constexpr uint32_t kAttrHidden = 0x2;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrReparse = 0x400;
constexpr uint32_t kAttrInvalid = 0xFFFFFFFFu;

constexpr uint32_t kErrFileNotFound = 2;
constexpr uint32_t kErrPathNotFound = 3;
constexpr uint32_t kErrAccessDenied = 5;
constexpr uint32_t kErrSharingViolation = 32;
constexpr uint32_t kErrFileExists = 80;
constexpr uint32_t kErrAlreadyExists = 183;

// Attributes of a path itself (a link is not followed); kAttrInvalid when
// it does not exist. *errorOut (may be null) receives the error.
uint32_t Attributes(const KOCHAR *path, uint32_t *errorOut = nullptr);
bool SetAttributes(const KOCHAR *path, uint32_t attributes);
bool MakeDirectory(const KOCHAR *path, void *securityAttributes, uint32_t *errorOut);
// Removes an empty directory, or a link to a directory (not its target).
bool RemoveDirectory(const KOCHAR *path);
// Removes a file or a link to a file.
bool DeleteFile(const KOCHAR *path);
// Creates a new file (fails when it exists) and closes it; 0 or the error.
uint32_t CreateNewFile(const KOCHAR *path);
// Whether the existing file opens for writing with write sharing.
bool OpenableForWrite(const KOCHAR *path);
bool FileSize(const KOCHAR *path, uint64_t *size);
// Reads up to `bytes` bytes from the file's start; false when it cannot be
// opened (with *errorOut set).
bool ReadHead(const KOCHAR *path, void *buffer, uint32_t bytes, uint32_t *got,
              uint32_t *errorOut);
bool Rename(const KOCHAR *from, const KOCHAR *to, uint32_t *errorOut);
// Copies a file (the destination is replaced).
bool CopyFile(const KOCHAR *from, const KOCHAR *to);

// Calls `visit` with each entry of the directory other than "." and ".."
// (name and attributes); `visit` returns false to stop. False when the
// directory cannot be listed.
bool ListDirectory(const KOCHAR *dir,
                   const std::function<bool(const KOCHAR *name, uint32_t attributes)> &visit);

// Broken-down time.
struct CivilTime {
  uint16_t year, month, day, hour, minute, second, milliseconds;
};
bool LastWriteTime(const KOCHAR *path, bool local, CivilTime *out);
CivilTime LocalNow();

// Space of the volume holding the path.
bool DiskSpace(const KOCHAR *path, uint64_t *freeToCaller, uint64_t *total);

// The temporary folder with a trailing "\"; returns its length (0 on failure
// or when it does not fit `capacity` with its terminator).
uint32_t TempPath(KOCHAR *buffer, uint32_t capacity);

}  // namespace ko::platform::fs

namespace ko::platform::fs {
// The next character of a narrow text in the process's code page (CharNextA
// on Windows; one byte natively, where narrow texts are UTF-8 bytes).
const char *NextNarrowChar(const char *p);
}  // namespace ko::platform::fs
