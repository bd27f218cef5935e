// Language handles: open/close, numbered texts with their cache, multi-language
// records, the scratch ring and conversions, and the language utilities that
// need no system data.
#include <cstring>
#include <initializer_list>

#include "settings/lang_internal.h"

namespace pf = ko::platform;

namespace ko::lang {

namespace {

const KOCHAR kEmpty[1] = {0};
const char kEmptyNarrow[1] = {0};

HKOLANG g_kernel = nullptr;

// Cache items: a 32-bit number followed by the terminated text.
struct CacheItem {
  uint32_t number;
  KOCHAR text[1];
};

int32_t CompareCache(uint64_t, const void *a, const void *b) {
  const uint32_t x = static_cast<const CacheItem *>(a)->number;
  const uint32_t y = static_cast<const CacheItem *>(b)->number;
  return x < y ? -1 : (x > y ? 1 : 0);
}

int Length(const KOCHAR *s, int max) {
  int n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

bool HasPrefix(const KOCHAR *s) { return s[0] == '^' && s[1] == '*'; }

// Loads string `id` in the handle's language and then in English; strips
// the marker prefix. Returns the length in work (0 = nothing).
int LoadNumbered(HKOLANG h, uint32_t id, KOCHAR (&work)[kWorkUnits]) {
  work[0] = 0;
  int n = -1;
  if (h->nonEnglish && h->lcid)
    n = sys::LoadStringInLanguage(h->module, id, static_cast<uint16_t>(h->lcid), work, kWorkUnits);
  if (n <= 0) n = sys::LoadStringInLanguage(h->module, id, kEnglish, work, kWorkUnits);
  if (n <= 0) {
    work[0] = 0;
    return 0;
  }
  if (HasPrefix(work)) {
    std::memmove(work, work + 2, (n - 1) * sizeof(KOCHAR));  // n - 2 units + terminator
    n -= 2;
  }
  return n;
}

// The handle's slot in the language table. The fast path reads the cached
// slot without the lock; computing it takes the lock so that it cannot
// interleave with a change of language and store a stale slot.
uint32_t LanguageSlot(HKOLANG h) {
  const uint32_t cached = __atomic_load_n(&h->langSlot, __ATOMIC_ACQUIRE);
  if (cached >= 1) return cached;
  pf::LockGuard guard(&h->lock);
  if (h->langSlot >= 1) return h->langSlot;
  uint32_t slot = 1;
  const uint32_t lcid = KoLang_GetConditionedLCID(h->lcid ? h->lcid : sys::UserDefaultUILanguage());
  for (uint32_t i = 0; i < KOLANG_SLOT_COUNT; ++i) {
    if (KoLang_GetConditionedLCID(LanguageTable()[i]) == lcid) {
      slot = i + 1;
      break;
    }
  }
  __atomic_store_n(&h->langSlot, slot, __ATOMIC_RELEASE);
  return slot;
}

bool IsText(const KOCHAR *p) { return reinterpret_cast<uintptr_t>(p) >= 0x10000; }

constexpr uint32_t kCacheOptions = KOLIST_OPT_HEAPITEMS | KOLIST_OPT_SYNCHRONIZED;

// Empties the handle's cache; the caller holds the handle's lock. The old
// list is set aside rather than freed so that texts already handed out stay
// readable; only when no new list can be made are the texts deleted in place.
void ClearCache(HKOLANG h) {
  if (!h->cache || h->cache->nCount == 0) return;
  auto *node = static_cast<RetiredCache *>(pf::ItemCalloc(sizeof(RetiredCache)));
  tKOLIST *fresh = nullptr;
  if (node && SUCCEEDED(KoList_CreateExZ(&fresh, 0, 0, 16, kCacheOptions, 0, 0, 0)) && fresh) {
    node->list = h->cache;
    node->next = h->retired;
    h->retired = node;
    h->cache = fresh;
    return;
  }
  pf::ItemFree(node);
  KoList_DeleteList(h->cache, 0, h->cache->nCount, FALSE);
}

// Reserves a slot of `units` (+ terminator) in the ring; null when the
// handle has no ring or the request is larger than the ring can hold
// without running past its end.
KOCHAR *TakeScratch(HKOLANG h, int units) {
  if (!h || !h->scratch || units < 0) return nullptr;
  const uint32_t want = static_cast<uint32_t>(units);
  if (want > h->scratchCapacity - h->scratchReserve) return nullptr;
  pf::LockGuard guard(&h->lock);
  uint32_t pos = h->scratchPos;
  if (pos > h->scratchCapacity - h->scratchReserve) pos = 0;
  // A slot that would run past the end starts again at the beginning.
  if (pos + want + 2 > h->scratchCapacity) pos = 0;
  KOCHAR *slot = h->scratch + pos;
  if (want == 0) slot[0] = 0;
  h->scratchPos = (pos + want + 2) & ~1u;
  return slot;
}

}  // namespace

HKOLANG KernelHandle() { return __atomic_load_n(&g_kernel, __ATOMIC_ACQUIRE); }
void SetKernelHandle(HKOLANG h) { __atomic_store_n(&g_kernel, h, __ATOMIC_RELEASE); }

}  // namespace ko::lang

using namespace ko::lang;

// ---- handles ------------------------------------------------------------------

extern "C" KOAPI HRESULT KoLang_Open(HKOLANG *out, HMODULE module, LCID lcid,
                                     uint32_t scratchUnits) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto *h = static_cast<HKOLANG>(pf::ItemCalloc(sizeof(KOLANG_RECORD)));
  if (!h) return E_OUTOFMEMORY;
  uint32_t capacity = scratchUnits == 0 ? KOLANG_SCRATCH_DEFAULT : scratchUnits;
  if (capacity < KOLANG_SCRATCH_MIN) capacity = KOLANG_SCRATCH_MIN;
  if (capacity > 0x10000000u) {  // 512 MB of ring is never a sensible request
    pf::ItemFree(h);
    return E_OUTOFMEMORY;
  }
  h->scratch = static_cast<KOCHAR *>(pf::GlobalAllocLocked(size_t{capacity} * 2, true));
  if (!h->scratch) {
    pf::ItemFree(h);
    return E_OUTOFMEMORY;
  }
  h->scratchCapacity = capacity;
  h->scratchReserve = KOLANG_SCRATCH_RESERVE;
  HRESULT hr = KoList_CreateExZ(&h->cache, 0, 0, 16, kCacheOptions, 0, 0, 0);
  if (FAILED(hr)) {
    pf::GlobalFreeLocked(h->scratch);
    pf::ItemFree(h);
    return hr;
  }
  h->module = module;
  h->lcid = lcid;
  h->langSlot = 0;
  // Numbered strings look in the handle's language first when it is not English.
  h->nonEnglish = (lcid != 0 && Primary(lcid) != 9) ? 1 : 0;
  pf::LockInit(&h->lock);
  h->lockReady = 1;
  *out = h;
  return S_OK;
}

extern "C" KOAPI HRESULT KoLang_Close(HKOLANG h) {
  if (!h) return S_OK;
  if (h == KernelHandle()) SetKernelHandle(nullptr);
  if (h->lockReady) pf::LockDelete(&h->lock);
  if (h->scratch) pf::GlobalFreeLocked(h->scratch);
  if (h->cache) KoList_Destroy(h->cache);
  for (RetiredCache *r = h->retired; r;) {
    RetiredCache *next = r->next;
    KoList_Destroy(r->list);
    pf::ItemFree(r);
    r = next;
  }
  pf::ItemFree(h);
  return S_OK;
}

extern "C" KOAPI HMODULE KoLang_InstFromLang(HKOLANG h) { return h ? h->module : nullptr; }
extern "C" KOAPI LCID KoLang_GetLCID(HKOLANG h) {
  return h ? __atomic_load_n(&h->lcid, __ATOMIC_RELAXED) : 0;
}

// ---- texts ----------------------------------------------------------------------

KOAPI KOCSTR KoGetString(HKOLANG h, UINT id) {
  if (!h) return kEmpty;
  pf::LockGuard guard(&h->lock);
  if (!h->cache) return kEmpty;
  CacheItem key{id, {0}};
  const int32_t at = KoList_FindSortedItemRange(h->cache, &key, 0, -1, CompareCache);
  if (at >= 0) {
    auto *item = static_cast<const CacheItem *>(reinterpret_cast<void **>(h->cache->pSlots)[at]);
    return item->text;
  }
  KOCHAR work[kWorkUnits];
  const int n = LoadNumbered(h, id, work);
  if (n <= 0) return kEmpty;
  const int32_t pos = KoList_FindSortedInsertIndexRange(h->cache, &key, 0, -1, CompareCache);
  if (pos < 0) return kEmpty;
  const size_t bytes = sizeof(uint32_t) + (size_t(n) + 1) * sizeof(KOCHAR) + 4;
  int32_t inserted = -1;
  if (FAILED(KoList_AllocAndInsertItem(h->cache, nullptr, bytes, pos, &inserted)) || inserted < 0)
    return kEmpty;
  auto *item = static_cast<CacheItem *>(reinterpret_cast<void **>(h->cache->pSlots)[inserted]);
  item->number = id;
  std::memcpy(item->text, work, (size_t(n) + 1) * sizeof(KOCHAR));
  return item->text;
}

KOAPI KOCSTR KoGetString(HKOLANG h, const KOCHAR *const *record) {
  if (!h || !record || !IsText(reinterpret_cast<const KOCHAR *>(record))) return kEmpty;
  auto *slots = const_cast<const KOCHAR **>(record);
  const uint32_t count = reinterpret_cast<const uint8_t *>(record)[2];
  uint32_t slot = LanguageSlot(h);
  if (slot > count) slot = count;
  if (slot < 1) slot = 1;
  const KOCHAR *value = slots[slot];
  if (IsText(value)) return value;
  if (value && h->module) {
    const uint16_t lang = static_cast<uint16_t>(LanguageTable()[slot - 1]);
    const KOCHAR *text = sys::FindTerminatedStringEntry(
        h->module, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value)), lang);
    if (text) {
      slots[slot] = text;
      return text;
    }
  }
  // Fall back to English. Slot 1 itself may be a number: resolve it the same
  // way rather than hand out a small number as a text pointer.
  const KOCHAR *english = slots[1];
  if (!IsText(english) && english && h->module) {
    const KOCHAR *text = sys::FindTerminatedStringEntry(
        h->module, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(english)), kEnglish);
    if (text) slots[1] = english = text;
  }
  if (!IsText(english)) return kEmpty;
  slots[slot] = english;
  return english;
}

extern "C" KOAPI bool IsKOLANGSTRINGID(HKOLANG, KOCSTR text) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(text);
  return v >= 0x10000 && (v & 3) == 0 && static_cast<uint16_t>(text[0]) == KOLANG_RECORD_MARKER;
}

extern "C" KOAPI KOCSTR KoGetStringSmart(HKOLANG h, KOCSTR text) {
  if (!text) return nullptr;
  const uintptr_t v = reinterpret_cast<uintptr_t>(text);
  if (v < 0x10000) return KoGetString(h, static_cast<UINT>(v));
  if (IsKOLANGSTRINGID(h, text)) return KoGetString(h, reinterpret_cast<const KOCHAR *const *>(text));
  return text;
}

KOAPI int KoLoadString(HKOLANG h, UINT id, KOSTR buffer, int cch) {
  if (!buffer || cch < 1) return 0;
  buffer[0] = 0;
  if (!h) return 0;
  KOCHAR work[kWorkUnits];
  int n;
  {
    pf::LockGuard guard(&h->lock);  // one language and English flag for the lookup
    n = LoadNumbered(h, id, work);
  }
  if (n <= 0) return 0;
  if (n > cch - 1) n = cch - 1;
  std::memcpy(buffer, work, size_t(n) * sizeof(KOCHAR));
  buffer[n] = 0;
  return n;
}

KOAPI int KoLoadString(HKOLANG h, const KOCHAR *const *record, KOSTR buffer, int cch) {
  if (!buffer || cch < 1) return 0;
  buffer[0] = 0;
  if (!h) return 0;
  const KOCHAR *text = KoGetString(h, record);
  if (HasPrefix(text)) text += 2;
  int n = Length(text, cch - 1);
  std::memcpy(buffer, text, size_t(n) * sizeof(KOCHAR));
  buffer[n] = 0;
  return n;
}

// ---- scratch buffers and conversions ---------------------------------------------

extern "C" KOAPI KOSTR KoGetTempStringBuffer(HKOLANG h, int units) { return TakeScratch(h, units); }

extern "C" KOAPI KOCSTR KoGetWideFromPrintString(HKOLANG h, KOCSTR text) {
  return (h && h->scratch) ? text : kEmpty;
}

extern "C" KOAPI KOCSTR KoGetPrintFromWideString(HKOLANG h, KOCSTR text) {
  return KoGetWideFromPrintString(h, text);
}

extern "C" KOAPI const char *KoGetMultiByteFromPrintString(HKOLANG h, KOCSTR text) {
  if (!h || !h->scratch) return kEmptyNarrow;
  // The slot takes 2n + 2 units: a text longer than half the ring is refused.
  const int limit = static_cast<int>((h->scratchCapacity - h->scratchReserve) / 2);
  const int n = text ? Length(text, limit) : 0;
  if (n >= limit) return kEmptyNarrow;
  KOCHAR *slot = TakeScratch(h, 2 * n + 2);
  if (!slot) return kEmptyNarrow;  // longer than the ring can hold
  char *out = reinterpret_cast<char *>(slot);
  const int bytes = 2 * n + 2;
  out[0] = 0;
  if (n > 0 && !sys::WideToNarrow(text, n + 1, out, bytes)) out[0] = 0;
  out[bytes - 1] = 0;
  return out;
}

extern "C" KOAPI KOCSTR KoGetPrintFromMultiByteString(HKOLANG h, const char *text) {
  if (!h || !h->scratch || !text || !text[0]) return kEmpty;
  const int n = static_cast<int>(strnlen(text, 0x3FFFFFFF));
  KOCHAR *slot = TakeScratch(h, n);
  if (!slot) return kEmpty;
  if (!sys::NarrowToWide(text, n + 1, slot, n + 1)) return kEmpty;
  slot[n] = 0;
  return slot;
}

// ---- languages ----------------------------------------------------------------------

extern "C" KOAPI LCID KoLang_GetConditionedLCID(LCID lcid) {
  const uint32_t primary = lcid & 0x3FF;
  const uint32_t sub = (lcid & 0xFFFF) >> 10;
  if (primary == 4) return (sub == 1 || sub == 3 || sub == 5) ? 0x0404 : 0x0804;
  if (primary == 22) return lcid;
  return primary | 0x0400;
}

extern "C" KOAPI BOOL KoLang_GetLangAbbrev(HKOLANG h, KOSTR buffer, int cch) {
  if (!h || !buffer || cch < 1) return FALSE;
  if (sys::LocaleAbbrevName(KoLang_GetConditionedLCID(h->lcid), buffer, cch)) return TRUE;
  buffer[0] = 0;
  return FALSE;
}

extern "C" KOAPI HRESULT KoLang_GetLangllCC(HKOLANG h, KOSTR buffer, int cch) {
  if (!buffer || cch < 1) return h ? S_FALSE : E_POINTER;
  buffer[0] = 0;
  if (!h) return S_FALSE;
  const char *tag = nullptr;
  switch (Primary(h->lcid)) {
    case 4: tag = "zh-CN"; break;
    case 7: tag = "de-DE"; break;
    case 10: tag = "es-ES"; break;
    case 12: tag = "fr-FR"; break;
    case 17: tag = "ja-JP"; break;
    case 18: tag = "ko-KR"; break;
    case 21: tag = "pl-PL"; break;
    case 22: tag = "pt-BR"; break;
    default: return S_FALSE;
  }
  int i = 0;
  for (; tag[i] && i < cch - 1; ++i) buffer[i] = static_cast<KOCHAR>(tag[i]);
  buffer[i] = 0;
  return S_OK;
}

namespace {
bool IsRTLPrimary(uint32_t primary) {
  return primary == 1 || primary == 13 || primary == 32 || primary == 41;
}
}  // namespace

extern "C" KOAPI BOOL KoLang_UseRTL(HKOLANG h) {
  return h && IsRTLPrimary(Primary(h->lcid)) ? TRUE : FALSE;
}

extern "C" KOAPI BOOL KoLang_UpdateKernelLCID(HKOLANG h, LCID lcid) {
  HKOLANG kernel = KernelHandle();
  if (!h || !kernel) return FALSE;
  if (lcid == 0) lcid = kEnglish;
  const uint32_t nonEnglish = Primary(lcid) != 9 ? 1 : 0;
  // Each handle changes under its lock, so that a lookup by number sees the
  // language, the English flag and the cache of one language together.
  for (HKOLANG x : {h, kernel}) {
    pf::LockGuard guard(&x->lock);
    if (x->lcid != lcid) {
      __atomic_store_n(&x->lcid, lcid, __ATOMIC_RELAXED);
      __atomic_store_n(&x->langSlot, 0u, __ATOMIC_RELEASE);
      ClearCache(x);
    }
    x->nonEnglish = nonEnglish;
  }
  sys::SetProcessLayoutRTL(IsRTLPrimary(Primary(lcid)));
  return TRUE;
}

extern "C" KOAPI BOOL KoLang_IsLCIDEnglish(LCID lcid) { return Primary(lcid) == 9 ? TRUE : FALSE; }

extern "C" KOAPI BOOL KoLang_IsNameOrderReversed(HKOLANG h) {
  return h && h->lcid == 0x0411 ? TRUE : FALSE;
}

extern "C" KOAPI int KoLang_LocalizeUserName(HKOLANG h, KOCSTR givenName, KOCSTR familyName,
                                            KOSTR buffer, int cch) {
  if (!buffer || cch < 1) return 0;
  const bool reversed = KoLang_IsNameOrderReversed(h);
  const KOCHAR blank[2] = {' ', 0};
  const KOCHAR *parts[3] = {reversed ? familyName : givenName, blank,
                            reversed ? givenName : familyName};
  int n = 0;
  for (const KOCHAR *p : parts) {
    if (!p) continue;
    while (*p && n < cch - 1) buffer[n++] = *p++;
  }
  buffer[n] = 0;
  return n;
}
