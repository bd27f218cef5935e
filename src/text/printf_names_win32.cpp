// Token names compare as lstrcmpiW compares them: the user's locale,
// ignoring case.
#include "text/printf_engine.h"

namespace ko::text {

int CompareTokenNames(const KOCHAR *a, size_t an, const KOCHAR *b, size_t bn) {
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, static_cast<int>(an), b,
                         static_cast<int>(bn));
  return r == 0 ? 0 : r - CSTR_EQUAL;
}

}  // namespace ko::text
