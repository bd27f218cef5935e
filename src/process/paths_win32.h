// The few path services the COM helpers need.
#ifndef KOKERNEL_PROCESS_PATHS_WIN32_H
#define KOKERNEL_PROCESS_PATHS_WIN32_H

#include <windows.h>

namespace ko::process {

// The folder part of path (everything up to and including the last "\",
// "/" or ":"). False, with an empty folder, when the path has none or the
// folder does not fit in cch units.
bool FolderOf(const wchar_t *path, wchar_t *folder, size_t cch);

// The full path of a module in its long form; false when it cannot be had.
bool ModuleLongPath(HMODULE module, wchar_t *path, DWORD cch);

}  // namespace ko::process

#endif
