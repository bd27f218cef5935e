// Internals of the error texts: the details record (read by the error box),
// the built-in tables, the text allocation and the fault reporter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kokernel/koerror.h"

namespace ko::errors {

// The process-wide details record, fields in their documented order.
struct DetailsRecord {
  HRESULT lastCode;
  KOCHAR message[KOERROR_MESSAGE_UNITS];
  uint32_t ownerThread;
  uint32_t lineCount;
  KOCHAR details[KOERROR_DETAILS_UNITS];
  KOCHAR linkUrl[KOERROR_LINK_URL_UNITS];
  KOCHAR linkText[KOERROR_LINK_TEXT_UNITS];
};
DetailsRecord &Details();

// The built-in tables in their order: key (context number or code) and the
// multi-language record of each entry.
struct BuiltinEntry {
  uint32_t key;
  KOLANGSTRINGID record;
};
size_t BuiltinContextCount();
const BuiltinEntry &BuiltinContext(size_t i);
size_t BuiltinErrorCount();
const BuiltinEntry &BuiltinError(size_t i);
// The prefix of warning boxes ("Warning: "; key unused).
const BuiltinEntry &WarningPrefix();
// A built-in record in the kernel handle's language (English without one).
const KOCHAR *ResolveBuiltin(const BuiltinEntry &entry);

// A text of `units` units (not counting the terminator), terminated, that
// the caller frees with SysFreeString (natively KoSysFreeString); null when
// the allocation fails.
KOBSTR AllocText(const KOCHAR *text, uint32_t units);

// The fault reporter's library is looked up by this name on first use; a
// new name (null: the usual one) forgets the previous lookup.
void SetFaultReporterName(const KOCHAR *name);
// Hands the exception to the fault reporter when its library is present.
void ReportFault(EXCEPTION_POINTERS *exception);

}  // namespace ko::errors
