// Error tables and composed messages: the registry of host tables, the
// error and context sentences, the message buffer and the composed text,
// and the common-dialog translation.
#include <cstring>

#include "errors/errors_internal.h"
#include "kokernel/koprintf.h"
#include "platform/platform.h"
#include "settings/lang_internal.h"
#include "text/printf_engine.h"

namespace ko::errors {

namespace {

const KOCHAR kEmpty[1] = {0};

// ---- reading what hosts hand over --------------------------------------------------

// Longest text taken from a host table (a sentence, not a document).
constexpr size_t kHostTextUnits = 8192;

// True when `text` can be read up to its terminator within kHostTextUnits
// units; a table entry that points at garbage then gives no text rather
// than a fault.
bool ReadableText(const KOCHAR *text) {
  if (!text) return false;
  KOCHAR chunk[64];
  const KOCHAR *at = text;
  for (size_t seen = 0; seen < kHostTextUnits;) {
    // Reads end at 128-byte boundaries, so that a text ending just before an
    // unreadable page is not refused.
    size_t units = (128 - (reinterpret_cast<uintptr_t>(at) & 127)) / sizeof(KOCHAR);
    if (units == 0) units = 1;
    if (!platform::ReadMemory(at, chunk, units * sizeof(KOCHAR))) return false;
    for (size_t i = 0; i < units; ++i)
      if (chunk[i] == 0) return true;
    at += units;
    seen += units;
  }
  return false;
}

bool IsRecord(const KOCHAR *text) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(text);
  if (v < 0x10000 || (v & 3) != 0) return false;
  uint16_t first = 0;
  return platform::ReadMemory(text, &first, sizeof first) && first == KOLANG_RECORD_MARKER;
}

// Resolves a host's record on a copy, so that a record in read-only memory
// is never written and a record with an impossible slot count is refused.
const KOCHAR *ResolveHostRecord(HKOLANG h, const KOCHAR *text) {
  KOLANGSTRINGID copy;
  if (!platform::ReadMemory(text, &copy, 8)) return nullptr;
  if (copy.slotCount < 1 || copy.slotCount > KOLANG_SLOT_COUNT) return nullptr;
  if (!platform::ReadMemory(text, &copy, 8 + size_t(copy.slotCount) * sizeof(void *)))
    return nullptr;
  const KOCHAR *resolved;
  if (h) {
    resolved = KoGetString(h, reinterpret_cast<const KOCHAR *const *>(&copy));
  } else {
    resolved = copy.slots[0];  // no handle: the English text
    if (reinterpret_cast<uintptr_t>(resolved) < 0x10000) resolved = nullptr;
  }
  return ReadableText(resolved) ? resolved : nullptr;
}

}  // namespace

const KOCHAR *ResolveBuiltin(const BuiltinEntry &entry) {
  auto &record = const_cast<KOLANGSTRINGID &>(entry.record);
  if (HKOLANG h = lang::KernelHandle())
    return KoGetString(h, reinterpret_cast<const KOCHAR *const *>(&record));
  return record.slots[0];
}

namespace {

// ---- the registry ----------------------------------------------------------------------

struct Registered {
  const _koerror_table *table;
  uint32_t count;
  HKOLANG lang;
};
Registered g_tables[KOERROR_MAX_TABLES];
uint32_t g_tableCount = 0;

HRESULT Register(HKOLANG h, const _koerror_table *table, UINT count) {
  if (!table) return E_POINTER;
  if (count == 0) return E_INVALIDARG;
  if (g_tableCount >= KOERROR_MAX_TABLES) return S_FALSE;
  g_tables[g_tableCount++] = {table, count, h};
  return S_OK;
}

// The text of a host table entry. Null when the entry has no usable text.
const KOCHAR *ResolveHostText(HKOLANG h, const KOCHAR *text) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(text);
  if (v == 0) return nullptr;
  if (v < 0x10000) {
    if (!h) return nullptr;
    const KOCHAR *s = KoGetString(h, static_cast<UINT>(v));
    return s && s[0] ? s : nullptr;
  }
  if (IsRecord(text)) return ResolveHostRecord(h, text);
  return ReadableText(text) ? text : nullptr;
}

// ---- formatting ---------------------------------------------------------------------

// The arguments of a context or error sentence: every conversion reads the
// message argument once, then empty texts and zeros, so that a sentence with
// more conversions than arguments never reads a missing one.
class SentenceArgs final : public text::ArgReader {
 public:
  explicit SentenceArgs(const KOCHAR *argument) : argument_(argument ? argument : kEmpty) {}
  int32_t Int32() override {
    Take();
    return 0;
  }
  int64_t Int64() override {
    Take();
    return 0;
  }
  double Double() override {
    Take();
    return 0.0;
  }
  const void *Pointer() override { return Take() ? argument_ : kEmpty; }

 private:
  bool Take() {  // true for the first conversion only
    const bool first = !used_;
    used_ = true;
    return first;
  }
  const KOCHAR *argument_;
  bool used_ = false;
};

// Formats into dst (room for capacity - 1 units and the terminator);
// returns the units written.
size_t FormatSentence(KOCHAR *dst, size_t capacity, const KOCHAR *format, const KOCHAR *argument) {
  if (capacity == 0) return 0;
  SentenceArgs args(argument);
  text::Sink out(dst, capacity - 1);
  text::FormatText(out, format, args);
  out.Terminate();
  return out.Length();
}

size_t Length(const KOCHAR *s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

constexpr size_t kErrorSentenceCutoff = 1948;

}  // namespace

}  // namespace ko::errors

using namespace ko::errors;

KOAPI HRESULT KoErrorHandler_AddErrorTable(_koerror_table *table, UINT count) {
  return Register(ko::lang::KernelHandle(), table, count);
}

KOAPI HRESULT KoErrorHandler_AddErrorTable(HKOLANG h, _koerror_table_rcid *table, UINT count) {
  return Register(h, reinterpret_cast<const _koerror_table *>(table), count);
}

extern "C" KOAPI KOCSTR KoErrorHandler_GetHresultString(HRESULT code) {
  for (uint32_t t = 0; t < g_tableCount; ++t) {
    const Registered &reg = g_tables[t];
    for (uint32_t i = 0; i < reg.count; ++i) {
      _koerror_table entry;
      if (!ko::platform::ReadMemory(&reg.table[i], &entry, sizeof entry)) break;
      if (entry.code == code) return ResolveHostText(reg.lang, entry.text);
    }
  }
  for (size_t i = 0; i < BuiltinErrorCount(); ++i)
    if (static_cast<HRESULT>(BuiltinError(i).key) == code) return ResolveBuiltin(BuiltinError(i));
  return nullptr;
}

extern "C" KOAPI KOCSTR KoErrorHandler_GetContextString(UINT_PTR context) {
  if (context >= 0x10000) {
    const KOCHAR *text = reinterpret_cast<const KOCHAR *>(context);
    // A record is resolved like any other text reference; plain text is
    // returned unchanged.
    if (IsRecord(text)) {
      const KOCHAR *resolved = ResolveHostRecord(ko::lang::KernelHandle(), text);
      return resolved ? resolved : ResolveBuiltin(BuiltinContext(0));
    }
    return text;
  }
  for (size_t i = 0; i < BuiltinContextCount(); ++i)
    if (BuiltinContext(i).key == context) return ResolveBuiltin(BuiltinContext(i));
  for (size_t i = 0; i < BuiltinContextCount(); ++i)
    if (BuiltinContext(i).key == 0) return ResolveBuiltin(BuiltinContext(i));
  return kEmpty;
}

extern "C" KOAPI KOSTR KoErrorHandler_GetErrorMessage(UINT_PTR context, HRESULT code,
                                                     KOCSTR argument) {
  KOCHAR *message = Details().message;
  const size_t written =
      FormatSentence(message, KOERROR_MESSAGE_UNITS, KoErrorHandler_GetContextString(context),
                     argument);
  if (written >= kErrorSentenceCutoff) return message;
  const KOCHAR *sentence = KoErrorHandler_GetHresultString(code);
  KOCHAR missing[100];
  if (!sentence || !sentence[0]) {
    KoCchPrintF(missing, 100, nullptr, KOTEXT("\n\nError 0x%08x (message missing)"),
                static_cast<uint32_t>(code));
    sentence = missing;
  }
  FormatSentence(message + written, KOERROR_MESSAGE_UNITS - written, sentence, nullptr);
  return message;
}

extern "C" KOAPI KOBSTR KoErrorHandler_ComposeErrorText(UINT_PTR context, HRESULT code,
                                                       KOCSTR argument) {
  const KOCHAR *message = KoErrorHandler_GetErrorMessage(context, code, argument);
  const DetailsRecord &d = Details();
  const size_t messageUnits = Length(message);
  if (d.lineCount == 0) return AllocText(message, static_cast<uint32_t>(messageUnits));
  static const KOCHAR kOpen[] = KOTEXT("\r\n<Details>\r\n");
  static const KOCHAR kClose[] = KOTEXT("\r\n</Details>");
  const size_t openUnits = sizeof kOpen / sizeof kOpen[0] - 1;
  const size_t closeUnits = sizeof kClose / sizeof kClose[0] - 1;
  const size_t detailUnits = Length(d.details);
  // At most 2047 + 13 + 8191 + 12 units: well inside the stack buffer.
  KOCHAR work[KOERROR_MESSAGE_UNITS + KOERROR_DETAILS_UNITS + 32];
  KOCHAR *at = work;
  std::memcpy(at, message, messageUnits * sizeof(KOCHAR));
  at += messageUnits;
  std::memcpy(at, kOpen, openUnits * sizeof(KOCHAR));
  at += openUnits;
  std::memcpy(at, d.details, detailUnits * sizeof(KOCHAR));
  at += detailUnits;
  std::memcpy(at, kClose, closeUnits * sizeof(KOCHAR));
  at += closeUnits;
  return AllocText(work, static_cast<uint32_t>(at - work));
}

extern "C" KOAPI HRESULT KoErrorHandler_TranslateCommDlgError(DWORD error) {
  switch (error) {
    case 0: return S_OK;
    case 1: case 3: case 4: case 11: return E_INVALIDARG;
    case 2: case 5: case 7: case 8: case 9: case 10: return E_OUTOFMEMORY;
    case 6: return KO_E_RESOURCEMISSING;
    case 0x3001: return E_OUTOFMEMORY;
    case 0x3002: return KO_E_BADFILENAME;
    case 0x3003: case 0x4001: case 0xFFFF: return E_INVALIDARG;
    default: return E_FAIL;
  }
}
