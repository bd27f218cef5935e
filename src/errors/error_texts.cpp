// The built-in context and error tables, built from error_texts.inc. Every
// slot of every record holds a text: the translation where one exists, the
// English text elsewhere. The records are writable, as record resolution
// expects.
#include "errors/errors_internal.h"

namespace ko::errors {

namespace {

#define T(s) KOTEXT(s)
#define NONE nullptr
// Slot order of the language table: en-US, ja, de, es, fr, then thirteen more.
#define KO_RECORD(en, de, fr)                                                              \
  {KOLANG_RECORD_MARKER,                                                                   \
   KOLANG_SLOT_COUNT,                                                                      \
   {0, 0, 0, 0, 0},                                                                        \
   {en, en, (de) ? (de) : (en), en, (fr) ? (fr) : (en), en, en, en, en, en, en, en, en, en, \
    en, en, en, en},                                                                       \
   nullptr}

BuiltinEntry g_contexts[] = {
#define KO_CONTEXT(number, en, de, fr) {number, KO_RECORD(en, de, fr)},
#define KO_ERROR(code, en, de, fr)
#include "errors/error_texts.inc"
#undef KO_CONTEXT
#undef KO_ERROR
};

BuiltinEntry g_errors[] = {
#define KO_CONTEXT(number, en, de, fr)
#define KO_ERROR(code, en, de, fr) {code, KO_RECORD(en, de, fr)},
#include "errors/error_texts.inc"
#undef KO_CONTEXT
#undef KO_ERROR
};

BuiltinEntry g_warningPrefix = {0, KO_RECORD(T("Warning: "), T("Warnung: "), T("Avertissement : "))};

#undef KO_RECORD
#undef NONE
#undef T

}  // namespace

size_t BuiltinContextCount() { return sizeof g_contexts / sizeof g_contexts[0]; }
const BuiltinEntry &BuiltinContext(size_t i) { return g_contexts[i]; }
size_t BuiltinErrorCount() { return sizeof g_errors / sizeof g_errors[0]; }
const BuiltinEntry &BuiltinError(size_t i) { return g_errors[i]; }
const BuiltinEntry &WarningPrefix() { return g_warningPrefix; }

}  // namespace ko::errors
