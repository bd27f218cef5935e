// Composed texts as BSTRs (oleaut32).
#include <windows.h>
#include <oleauto.h>

#include "errors/errors_internal.h"

namespace ko::errors {

KOBSTR AllocText(const KOCHAR *text, uint32_t units) { return ::SysAllocStringLen(text, units); }

}  // namespace ko::errors
