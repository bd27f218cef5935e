/*
 * kokernel: mouse cursors. Numbers 1..58 are the library's own cursors (in
 * the size that suits the screen's pixel density), 59..32511 the host's
 * cursor resources, 32512 and up the system's standard cursors.
 * The three image recognisers and the built-in images are portable; cursor
 * handles exist only in the DLL.
 */
#ifndef KOKERNEL_KOCURSOR_H
#define KOKERNEL_KOCURSOR_H

#include "kobase.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A grouped cursor image: "gcur", the offset of its cursor file, a group directory. */
KOAPI BOOL IsKoGroupCursorPtr(const void *image, DWORD size);
/* A cursor resource: hot spot, then a bitmap header. */
KOAPI BOOL IsLikelyCursorRESPtr(const void *image, DWORD size);
/* A cursor file in the .cur layout. */
KOAPI BOOL IsLikelyCursorFilePtr(const void *image, DWORD size);
/* The built-in image of a cursor number (1..56, 58, 101..158, 157, 201..258). */
KOAPI const void *KoGetKernelCursorBits(UINT number, DWORD *size);

#ifdef _WIN32
KOAPI HCURSOR KoGetUICursor(UINT number);
KOAPI HCURSOR KoLoadKernelCursor(UINT number);
KOAPI HCURSOR KoLoadCursorFromBitsEx(const void *image, DWORD size, int index, UINT flags,
                                     int width, int height);
KOAPI HCURSOR KoLoadCursorFromBits(const void *image, DWORD size, int index, UINT flags);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KOKERNEL_KOCURSOR_H */
