// Key-path formatting of the settings store (windows target only).
#pragma once

#include <cstddef>
#include <initializer_list>

#include "kokernel/kobase.h"

namespace ko::settings {

// Key paths hold at most kPathUnits - 1 units plus the terminator.
constexpr size_t kPathUnits = 260;

// One argument of FormatKeyPath: a text for "%s" or a number for "%d".
struct PathArg {
  const KOCHAR *text;
  int number;
  PathArg(const KOCHAR *t) : text(t), number(0) {}  // NOLINT: implicit by design
  PathArg(int n) : text(nullptr), number(n) {}      // NOLINT
};

// Formats a key path into out (kPathUnits units) as the bounded formatter
// does: "%s" takes the next text (null reads as empty), "%d" the next number
// in decimal, every other character is copied. At most kPathUnits - 1 units
// are written, what does not fit is dropped, and the text is always
// terminated. Returns false when something was dropped.
bool FormatKeyPath(KOCHAR *out, const KOCHAR *format, std::initializer_list<PathArg> args);

}  // namespace ko::settings
