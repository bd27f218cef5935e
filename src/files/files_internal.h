// Path and file utilities: pieces shared by the portable and Win32 files.
#pragma once

#include <cstddef>

#include "kokernel/kofiles.h"
#include "platform/utf.h"

namespace ko::files {

inline bool IsSep(KOCHAR c) { return c == '\\'; }
inline bool IsSpace(KOCHAR c) { return c == ' ' || (c >= 9 && c <= 13); }
// Simple case fold used by the case-blind compares (ASCII and Latin-1,
// Greek and Cyrillic basic letters).
KOCHAR Fold(KOCHAR c);
// Length of the text within `cch` units; cch when no terminator lies inside.
size_t BoundedLength(const KOCHAR *s, int cch);
// Copies `s` (n units) and a terminator into dst when they fit cch.
bool CopyOut(const KOCHAR *s, size_t n, KOCHAR *dst, int cch);

// Width of n units of text in pixels (a device context's text extent, or a
// test's model of one).
using WidthFn = int (*)(void *ctx, const KOCHAR *text, int units);
// Shortens a path for display (see KoCalcPathEllipsisEx); dst gets at most
// cch - 1 units and a terminator. Returns TRUE when it shortened the path.
bool PathEllipsis(const KOCHAR *path, KOCHAR *dst, int cch, int width, WidthFn fn, void *ctx);
// Shortens text in place with a trailing "..." (see KoCalcStringEllipsis).
bool StringEllipsis(KOCHAR *text, int cch, int width, WidthFn fn, void *ctx);

// Machine and characteristics of a portable executable from the first bytes
// of its file; false when they are not one.
bool ParseExecutableHead(const unsigned char *bytes, size_t n, DWORD *machine,
                         DWORD *characteristics);

}  // namespace ko::files
