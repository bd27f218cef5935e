// Helpers shared by the language tests.
#pragma once

#include "kokernel/kolang.h"
#include "kotest_text_util.h"

namespace kotest {

// Opens a handle and closes it at scope end.
struct Lang {
  HKOLANG h = nullptr;
  explicit Lang(LCID lcid, HMODULE module = nullptr, uint32_t scratch = 0) {
    KoLang_Open(&h, module, lcid, scratch);
  }
  ~Lang() { KoLang_Close(h); }
  Lang(const Lang &) = delete;
  Lang &operator=(const Lang &) = delete;
};

// A writable record with the given texts (or numbers) per slot.
inline KOLANGSTRINGID MakeRecord(const KOCHAR *english) {
  KOLANGSTRINGID r{};
  r.marker = KOLANG_RECORD_MARKER;
  r.slotCount = KOLANG_SLOT_COUNT;
  for (auto &s : r.slots) s = english;
  return r;
}

inline const KOCHAR *const *Slots(KOLANGSTRINGID &r) {
  return reinterpret_cast<const KOCHAR *const *>(&r);
}

}  // namespace kotest
