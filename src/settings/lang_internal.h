// Language handles: the handle record, the process-wide kernel handle, the
// built-in text records and the doors to the system (string resources,
// locale data, conversions) that lang_win32.cpp and lang_posix.cpp provide.
#pragma once

#include <cstdint>

#include "kokernel/kolang.h"
#include "kokernel/kolist.h"
#include "platform/platform.h"
#include "text/builtin_texts.h"

// A cache set aside by a change of language (see KOLANG_RECORD::retired).
struct RetiredCache {
  RetiredCache *next;
  tKOLIST *list;
};

struct KOLANG_RECORD {
  HMODULE module;
  uint32_t lockReady;
  ko::platform::LockStorage lock;  // guards the cache and the scratch ring
  uint32_t scratchCapacity;        // units
  uint32_t scratchReserve;         // units; the ring wraps inside capacity - reserve
  uint32_t scratchPos;             // units
  KOCHAR *scratch;                 // zeroed global block of scratchCapacity units
  uint32_t nonEnglish;
  uint32_t lcid;
  uint32_t langSlot;  // 1-based slot in the language table; 0 = not computed
  tKOLIST *cache;     // heap items {uint32_t number; KOCHAR text[]}, sorted by number
  // Caches set aside by a change of language. A text handed out by number
  // may still be read by another thread when the language changes, so its
  // storage lives on until the handle is closed.
  RetiredCache *retired;
};

namespace ko::lang {

constexpr uint16_t kEnglish = 0x0409;
constexpr int kWorkUnits = 1024;  // numbered strings are truncated to 1023 units

// The kernel language handle (KernelHandle in text/builtin_texts.h).
void SetKernelHandle(HKOLANG h);

// The 18-entry language table (LCIDs by slot - 1).
const uint32_t *LanguageTable();

inline uint32_t Primary(uint32_t lcid) { return lcid & 0x3FF; }

// ---- built-in texts (lang_strings.cpp; their numbers in text/builtin_texts.h) ----
// The writable record of a built-in text, or null for an unknown index.
KOLANGSTRINGID *BuiltinRecord(int index);
inline const KOCHAR *const *AsSlots(KOLANGSTRINGID *r) {
  return reinterpret_cast<const KOCHAR *const *>(r);
}

// ---- internationals -------------------------------------------------------------
// Fills the locale-dependent fields of `rec` for `locale` (0 = the user's
// default locale). Every other field is left alone.
void ReadLocaleFields(uint32_t locale, KOINTERNATIONALS *rec);
// Builds a whole record for `locale` (0 = the user's default) the way the
// process-wide rebuild does, keeping `languageId` from `previous` (may be null).
void BuildInternationals(uint32_t locale, const KOINTERNATIONALS *previous, KOINTERNATIONALS *rec);
#ifndef _WIN32
// Fills the locale-dependent fields from the C library's locale `name`
// ("" = from the environment); false when the system lacks that locale
// (the fields then hold the English (United States) defaults).
bool ReadNamedLocaleFields(const char *name, KOINTERNATIONALS *rec);
#endif

// The KoPrintF tokens derived from the internationals record and the kernel
// handle's labels: name and value (at most 63 units) of each.
struct InternationalToken {
  const char *name;
  KOCHAR value[64];
};
constexpr int kInternationalTokenCount = 9;
void ComputeInternationalTokens(const KOINTERNATIONALS &rec, HKOLANG h,
                                InternationalToken (&out)[kInternationalTokenCount]);

// ---- system doors (lang_win32.cpp / lang_posix.cpp) ------------------------------
namespace sys {
// Loads string `id` of `module` in language `lang` into buf (truncated to
// cch - 1 units, terminated); returns its length, or -1 when the module has
// no such string table block or entry is empty.
int LoadStringInLanguage(HMODULE module, uint32_t id, uint16_t lang, KOCHAR *buf, int cch);
// Finds entry `id` of the string table block in language `lang`; returns a
// pointer into the resource when the entry is non-empty and a 0 unit follows
// its counted text (a trailing 0 inside the count is excluded), else null.
const KOCHAR *FindTerminatedStringEntry(HMODULE module, uint32_t id, uint16_t lang);
// The user's default user-interface language.
uint32_t UserDefaultUILanguage();
// The locale's abbreviated language name; false when unknown.
bool LocaleAbbrevName(uint32_t lcid, KOCHAR *buf, int cch);
// Process default layout: right-to-left or not.
void SetProcessLayoutRTL(bool rtl);
// Text conversions with the process's narrow code page. Return false on
// failure; out is not terminated by them.
bool WideToNarrow(const KOCHAR *text, int units, char *out, int outBytes);
bool NarrowToWide(const char *text, int bytes, KOCHAR *out, int outUnits);
}  // namespace sys

}  // namespace ko::lang
