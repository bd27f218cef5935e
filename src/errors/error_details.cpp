// The details record: details lines with their owner thread, the hyperlink
// for the next error box, and the last code.
#include <cstdarg>
#include <cstring>

#include "errors/errors_internal.h"
#include "kokernel/koprintf.h"
#include "platform/platform.h"

namespace ko::errors {

namespace {

DetailsRecord g_details;

size_t Length(const KOCHAR *s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

bool NeedsFormatting(const KOCHAR *s) {
  for (; *s; ++s)
    if (*s == '%' || *s == '$') return true;
  return false;
}

// Copies text of at most `max` units (and its terminator) into dst; false,
// with dst unchanged, when it is longer.
bool CopyBounded(KOCHAR *dst, const KOCHAR *text, size_t max) {
  size_t n = 0;
  while (text[n]) {
    if (++n > max) return false;
  }
  std::memcpy(dst, text, n * sizeof(KOCHAR));
  dst[n] = 0;
  return true;
}

}  // namespace

DetailsRecord &Details() { return g_details; }

}  // namespace ko::errors

using namespace ko::errors;

extern "C" KOAPI HRESULT KoErrorHandler_DetailsInit(void) {
  std::memset(&g_details, 0, sizeof g_details);
  return S_OK;
}

extern "C" KOAPI HRESULT KoErrorHandler_DetailsAddString(HRESULT code, KOCSTR format, ...) {
  DetailsRecord &d = g_details;
  const uint32_t thread = ko::platform::CurrentThreadId();
  if (d.ownerThread != 0 && d.ownerThread != thread && code != d.lastCode) return E_FAIL;
  if (!format) return E_POINTER;

  // A line can never be longer than the details text itself; one that does
  // not format whole into that room is refused like any line that is too long.
  KOCHAR formatted[KOERROR_DETAILS_UNITS];
  const KOCHAR *line = format;
  size_t lineUnits;
  if (NeedsFormatting(format)) {
    va_list args;
    va_start(args, format);
    UINT written = 0;
    const HRESULT hr = KoNVPrintF(formatted, KOERROR_DETAILS_UNITS, &written, format, args);
    va_end(args);
    if (FAILED(hr) || hr == KO_E_BUFFERTOOSMALL) return E_FAIL;
    line = formatted;
    lineUnits = written;
  } else {
    lineUnits = Length(format);
  }
  const size_t have = Length(d.details);
  if ((have + 2 + lineUnits) * sizeof(KOCHAR) >= KOERROR_DETAILS_BYTE_LIMIT) return E_FAIL;

  std::memcpy(d.details + have, line, lineUnits * sizeof(KOCHAR));
  d.details[have + lineUnits] = '\r';
  d.details[have + lineUnits + 1] = '\n';
  d.details[have + lineUnits + 2] = 0;
  if (d.ownerThread == 0) d.ownerThread = thread;
  ++d.lineCount;
  d.lastCode = code;
  return S_OK;
}

extern "C" KOAPI KOCSTR KoErrorHandler_DetailsInfo(HRESULT *lastCode, int *lineCount,
                                                  DWORD *ownerThread) {
  const DetailsRecord &d = g_details;
  if (lastCode) *lastCode = d.lastCode;
  if (lineCount) *lineCount = static_cast<int>(d.lineCount);
  if (ownerThread) *ownerThread = d.ownerThread;
  return d.lineCount ? d.details : nullptr;
}

extern "C" KOAPI HRESULT KoErrorHandler_DetailsSetHyperlink(KOCSTR url, KOCSTR text) {
  if (!url || !text) return E_POINTER;
  KOCHAR urlCopy[KOERROR_LINK_URL_UNITS];
  KOCHAR textCopy[KOERROR_LINK_TEXT_UNITS];
  if (!CopyBounded(urlCopy, url, KOERROR_LINK_URL_UNITS - 1) ||
      !CopyBounded(textCopy, text, KOERROR_LINK_TEXT_UNITS - 1))
    return E_INVALIDARG;
  std::memcpy(g_details.linkUrl, urlCopy, sizeof urlCopy);
  std::memcpy(g_details.linkText, textCopy, sizeof textCopy);
  return S_OK;
}

extern "C" KOAPI HRESULT KoErrorHandler_GetLastError(void) { return g_details.lastCode; }
