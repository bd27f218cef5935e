/*
 * kokernel: path and file utilities.
 *
 * Paths are UTF-16 texts of at most 260 characters (KO_MAX_PATH) unless a
 * function says otherwise, with "\" as the separator; capacities are in
 * characters and include the terminator. No function writes past the
 * capacity it is given. Natively the file-system functions take "\" as "/".
 * Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOFILES_H
#define KOKERNEL_KOFILES_H

#include "kobase.h"
#include "koresult.h"

#define KO_MAX_PATH 260

/* Current local date and time as returned by KoGetDateTime:
 * date = month << 24 | day << 16 | year,
 * time = hour << 24 | minute << 16 | second << 8 | hundredths. */
typedef struct _KODATETIME {
  uint32_t date;
  uint32_t time;
} KODATETIME;

/* Folder indices of KoGetSpecialOrloFolder and its companions. */
#define KO_ORLOFOLDER_THEMES 0
#define KO_ORLOFOLDER_TRANSITIONS 1

KO_BEGIN_DECLS

/* ---- path strings -------------------------------------------------------- */
KOAPI const char *KoGetFileNamePtrA(const char *path);
KOAPI KOCSTR KoGetFileNamePtrW(KOCSTR path);
KOAPI const char *KoGetFileNameExtensionPtrA(const char *name);
KOAPI KOCSTR KoGetFileNameExtensionPtrW(KOCSTR name);
/* TRUE when done; FALSE (path unchanged) when the result would not fit. */
KOAPI BOOL KoReplaceExtensionOnPathName(KOSTR path, int cch, KOCSTR extension);
KOAPI BOOL KoReplaceExtensionOnPathNameEx(KOSTR path, int cch, KOCSTR extension,
                                          BOOL removeNumberSuffix);
/* These return the new length, 0 (path unchanged) when it would not fit. */
KOAPI int KoAddExtensionToPathName(KOSTR path, int cch, KOCSTR extension);
KOAPI int KoAddSlashToPathName(KOSTR path, int cch);
KOAPI int KoRemoveSlashFromPathNameEnd(KOSTR path, int cch);
KOAPI int KoAppendToPathName(KOSTR path, int cch, KOCSTR name, KOCSTR extension);
KOAPI int KoGetPathNameFromFilePath(KOCSTR path, KOSTR dst, int cch);
KOAPI int KoGetRootPathFromFilePath(KOCSTR path, KOSTR dst, int cch);
/* Copies the file-name part (cut to cch - 1 characters when longer) and cuts
 * it at its extension; returns the cut inside dst, null for bad arguments. */
KOAPI KOSTR KoGetFileNameWithoutPathOrExtension(KOCSTR path, KOSTR dst, int cch);
KOAPI KOCSTR KoGetFileNamePtrRelative(KOCSTR a, KOCSTR b);
KOAPI HRESULT KoGetBasePathRelative(KOCSTR a, KOCSTR b, KOSTR dst, int cch);
KOAPI HRESULT KoReplaceBasePathRelative(KOCSTR path, KOCSTR oldBase, KOCSTR newBase, KOSTR dst,
                                        int cch);
KOAPI BOOL KoValidateFileName(KOSTR name, BOOL fix);
KOAPI BOOL KoIsMatchWildCard(KOCSTR pattern, KOCSTR name);
KOAPI int KoFilenameLogicalCompare(KOCSTR a, KOCSTR b);
/* Removes the last directory level in place. */
KOAPI BOOL KoDirectoryUpOneLevel(KOSTR path, int cch);

/* ---- files and folders ----------------------------------------------------- */
KOAPI BOOL KoDoesFileExist(KOCSTR path, BOOL hiddenIsAbsent);
KOAPI BOOL KoIsFileWritable(KOCSTR path);
KOAPI BOOL KoIsDirectoryWritable(KOCSTR folder);
KOAPI BOOL KoIsDirectoryEmpty(KOCSTR folder);
KOAPI BOOL KoIsDirectoryEmptyRecursive(KOCSTR folder, BYTE ignoreThumbnails);
/* securityAttributes: a SECURITY_ATTRIBUTES pointer on Windows, or null. */
KOAPI BOOL KoCreateDirectory(KOCSTR path, void *securityAttributes);
/* Deletes the files of the folder matching the pattern (KoIsMatchWildCard;
 * null or "*" for all), clearing read-only first; links are deleted, never
 * followed. TRUE when every matching file was deleted. */
KOAPI BOOL KoDeleteFiles(KOCSTR folder, KOCSTR pattern, BOOL recurse);
/* Links and junctions inside the tree are removed, never followed. */
KOAPI BOOL KoDeleteDirectoryTree(KOCSTR folder, BOOL removeFolder);
KOAPI HRESULT KoGetFileSizeByName(KOCSTR path, uint64_t *size);
/* Sum of the sizes of the files of the tree (links are not followed). */
KOAPI HRESULT KoGetDirectorySize(KOCSTR folder, uint64_t *size);
KOAPI HRESULT KoGetFileExecutableInfo(KOCSTR path, DWORD *machine, DWORD *characteristics);
KOAPI DWORD KoDosGetDateTime(KOCSTR path);
KOAPI DWORD KoDosGetDateTimeUTC(KOCSTR path);
KOAPI void KoGetDateTime(KODATETIME *out);
KOAPI HRESULT KoCreateTempFileAndNameEx(KOCSTR folder, KOCSTR prefix, KOCSTR suffix,
                                        KOCSTR numberFormat, KOSTR dst, int cch);
KOAPI HRESULT KoCreateTempFileAndName(KOCSTR prefix, KOCSTR suffix, KOSTR dst, int cch);
KOAPI HRESULT KoGetUniqueSubFolder(KOCSTR parent, KOCSTR name, KOSTR dst, int cch);
/* S_OK when the folder tree can be moved to the destination (which must not
 * exist yet and must not lie inside the source). */
KOAPI HRESULT KoCanMoveFolder(KOCSTR source, KOCSTR destination);
KOAPI HRESULT KoMoveFolder(KOCSTR source, KOCSTR destination);
KOAPI DWORD KoGetDiskFreeSpace(KOCSTR path, DWORD unit);
KOAPI DWORD KoGetDiskTotalSpace(KOCSTR path, DWORD unit);
/* The temporary folder with a trailing "\" and in its long form; returns its
 * length, 0 when it does not fit. */
KOAPI DWORD KoGetTempPath(DWORD cch, KOSTR dst);
/* Free space as text ("12.3 Megabytes"); dst holds KO_DISKSPACE_TEXT_CCH units. */
#define KO_DISKSPACE_TEXT_CCH 64
KOAPI HRESULT KoFormatDiskFreeSpace(KOCSTR path, KOSTR dst);

#ifdef _WIN32
/* ---- Windows only --------------------------------------------------------- */
KOAPI BOOL KoIsFileExecutable(HANDLE file, DWORD *machine, DWORD *characteristics);
KOAPI BOOL KoReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read, OVERLAPPED *overlapped);
/* The system's full, long and module paths, each in its long form. */
KOAPI BOOL KoQualifyPath(KOSTR path, DWORD cch);
KOAPI DWORD KoGetFullPathName(KOCSTR path, DWORD cch, KOSTR dst, KOSTR *filePart);
KOAPI DWORD KoGetLongPathName(KOCSTR path, KOSTR dst, DWORD cch);
KOAPI DWORD KoGetModuleFileName(HMODULE module, KOSTR dst, DWORD cch);
/* The module's folder with a trailing "\". */
KOAPI DWORD KoGetModulePath(HMODULE module, KOSTR dst, DWORD cch);

/* Display shortening; widths in pixels. In place, a path never grows. */
KOAPI BOOL KoCalcPathEllipsisEx(HDC dc, KOCSTR path, KOSTR dst, int cch, int width);
KOAPI BOOL KoCalcPathEllipsis(HDC dc, KOSTR path, int width);
KOAPI BOOL KoCalcPathEllipsisExCtl(HWND control, KOCSTR path, KOSTR dst, int cch);
KOAPI BOOL KoCalcStringEllipsis(HDC dc, KOSTR text, int cch, int width);
KOAPI HRESULT KoFilenameFormat(HDC dc, KOCSTR path, KOSTR dst, int cch, int width);
KOAPI HRESULT KoFilenameFormatForWidth(HFONT font, KOCSTR path, KOSTR dst, int cch, int width);
KOAPI HRESULT KoFilenameFormatForCtl(HWND control, KOCSTR path, KOSTR dst, int cch);

/* The product's folders in the registry. */
KOAPI HRESULT KoGetPresetFolder(KOSTR dst, int cch, DWORD version, KOCSTR appName);
KOAPI HRESULT KoSetPresetFolder(KOCSTR path, DWORD version, KOCSTR appName);
KOAPI HRESULT KoGetSharedComponentsFolder(KOSTR dst, int cch);
KOAPI HRESULT KoGetSpecialOrloFolder(KOSTR dst, int cch, int folder);
KOAPI HRESULT KoSetSpecialOrloFolder(KOCSTR path, int folder);
KOAPI HRESULT KoGetSpecialOrloDefaultFolderName(KOSTR dst, int cch, int folder);
KOAPI HRESULT KoGetSpecialFolderVer(KOSTR dst, int cch, int csidl, KOCSTR name, int major,
                                    int minor);
KOAPI HRESULT KoGetSpecialFolderNoVer(KOSTR dst, int cch, int csidl, KOCSTR name);
#endif
/* FALSE for the folders shown by default (flag bits 8 to 15 are ignored). */
KOAPI BOOL KoIsHiddenFolderByDefault(int csidl);

KO_END_DECLS

#endif /* KOKERNEL_KOFILES_H */
