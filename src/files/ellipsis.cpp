// Shortening of paths and texts for display, measured by a width function.
#include <cstring>

#include "files/files_internal.h"

namespace ko::files {

namespace {
const KOCHAR kDots[] = {'.', '.', '.', 0};

// Copies n units (cut to fit) and a terminator.
void CopyCut(const KOCHAR *s, size_t n, KOCHAR *dst, int cch) {
  if (n + 1 > static_cast<size_t>(cch)) n = static_cast<size_t>(cch) - 1;
  std::memmove(dst, s, n * sizeof(KOCHAR));
  dst[n] = 0;
}
}  // namespace

bool PathEllipsis(const KOCHAR *path, KOCHAR *dst, int cch, int width, WidthFn fn, void *ctx) {
  if (!dst || cch <= 0) return false;
  if (!path) {
    dst[0] = 0;
    return false;
  }
  size_t len = ko::WideLength(path);
  size_t tail = len;
  for (size_t i = 0; i < len; ++i)
    if (path[i] == '\\' || path[i] == '/') tail = i;
  int tailWidth = tail < len ? fn(ctx, path + tail, static_cast<int>(len - tail)) : 0;
  int dotsWidth = fn(ctx, kDots, 3);
  if (tail == len || fn(ctx, path, static_cast<int>(len)) <= width ||
      tailWidth + dotsWidth > width) {
    CopyCut(path, len, dst, cch);
    return false;
  }
  // The head also shrinks until the result fits the destination.
  size_t head = tail;
  const size_t rest = 3 + (len - tail) + 1;
  while (head > 0 && (head + rest > static_cast<size_t>(cch) ||
                      fn(ctx, path, static_cast<int>(head)) + dotsWidth + tailWidth > width))
    --head;
  ko::kostring s(path, head);
  s += kDots;
  s.append(path + tail, len - tail);
  CopyCut(s.data(), s.size(), dst, cch);
  return true;
}

bool StringEllipsis(KOCHAR *text, int cch, int width, WidthFn fn, void *ctx) {
  if (!text || cch <= 0) return false;
  size_t len = BoundedLength(text, cch);
  if (len >= static_cast<size_t>(cch)) return false;
  int room = width - 2;
  if (fn(ctx, text, static_cast<int>(len)) <= room) return false;
  int dotsWidth = fn(ctx, kDots, 3);
  size_t keep = len;
  // At least one unit goes, and the rest plus "..." must fit the buffer.
  if (keep > 0) --keep;
  while (keep > 0 && (keep + 4 > static_cast<size_t>(cch) ||
                      fn(ctx, text, static_cast<int>(keep)) + dotsWidth > room))
    --keep;
  if (keep + 4 > static_cast<size_t>(cch)) return false;
  std::memcpy(text + keep, kDots, 4 * sizeof(KOCHAR));
  return true;
}

}  // namespace ko::files
