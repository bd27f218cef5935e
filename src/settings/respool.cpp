// Resource pools: lookup of a resource in a block of compiled resources held
// in memory, laid out as a resource compiler's output file.
#include <cstring>

#include "kokernel/koresource.h"
#include "platform/utf.h"
#include "settings/lang_internal.h"

namespace {

constexpr uint32_t kRtDialog = 5;

bool IsOrdinal(const KOCHAR *p) { return reinterpret_cast<uintptr_t>(p) < 0x10000; }

uint16_t U16At(const unsigned char *p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t U32At(const unsigned char *p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

KOCHAR Upper(KOCHAR c) { return (c >= 'a' && c <= 'z') ? static_cast<KOCHAR>(c - 32) : c; }

// Matches the name or type field at p (inside [p, end)) against `want` and
// moves p past it; false when the field runs past end.
bool MatchField(const unsigned char *&p, const unsigned char *end, const KOCHAR *want,
                bool *match) {
  if (end - p < 2) return false;
  uint16_t first = U16At(p);
  if (first == 0xFFFF) {
    if (end - p < 4) return false;
    *match = IsOrdinal(want) && U16At(p + 2) == static_cast<uint16_t>(reinterpret_cast<uintptr_t>(want));
    p += 4;
    return true;
  }
  // A text: compared whole and without case, as the system's finder does.
  bool same = !IsOrdinal(want);
  const KOCHAR *w = same ? want : nullptr;
  for (;;) {
    if (end - p < 2) return false;
    uint16_t c = U16At(p);
    p += 2;
    if (same) {
      if (Upper(static_cast<KOCHAR>(c)) != Upper(*w)) same = false;
      else if (c) ++w;
    }
    if (!c) break;
  }
  *match = same;
  return true;
}

}  // namespace

KO_EXTERN_C KOAPI void *KoFindResourceInResPool(const _KORESPOOL *pool, UINT *sizeOut,
                                                KOCSTR name, KOCSTR type, DWORD language,
                                                DWORD *languageOut) {
  if (sizeOut) *sizeOut = 0;
  if (languageOut) *languageOut = 0;
  if (!pool || !pool->data || !name || !type || pool->size < 32) return nullptr;
  HKOLANG kernel = ko::lang::KernelHandle();
  const uint32_t kernelLcid = kernel ? KoLang_GetConditionedLCID(KoLang_GetLCID(kernel)) : 0;
  const uint32_t wanted = language ? KoLang_GetConditionedLCID(language) : kernelLcid;

  const auto *base = static_cast<const unsigned char *>(pool->data);
  const uint64_t total = pool->size;
  const unsigned char *found = nullptr;
  uint32_t foundSize = 0, foundLang = 0;
  uint64_t off = 0;
  while (off < total && total - off >= 8) {
    const unsigned char *e = base + off;
    const uint64_t dataSize = U32At(e), headerSize = U32At(e + 4);
    if (headerSize + dataSize < 13 || headerSize + dataSize > total - off) break;
    const unsigned char *headerEnd = e + headerSize;
    const unsigned char *p = e + 8;
    bool typeMatch = false, nameMatch = false;
    if (p > headerEnd || !MatchField(p, headerEnd, type, &typeMatch) ||
        !MatchField(p, headerEnd, name, &nameMatch))
      break;
    // Padding to 4, then version, flags, language, version, characteristics.
    uint64_t fields = ((static_cast<uint64_t>(p - e) + 3) & ~uint64_t{3});
    if (fields + 16 > headerSize) break;
    if (typeMatch && nameMatch) {
      uint32_t lang = KoLang_GetConditionedLCID(U16At(e + fields + 6));
      if (wanted == 0 || wanted == lang) {
        found = headerEnd, foundSize = static_cast<uint32_t>(dataSize), foundLang = lang;
        break;
      }
      if (!found || lang == kernelLcid) {
        found = headerEnd, foundSize = static_cast<uint32_t>(dataSize), foundLang = lang;
      }
    }
    off = (off + headerSize + dataSize + 3) & ~uint64_t{3};
  }
  if (!found) return nullptr;
  if (sizeOut) *sizeOut = foundSize;
  if (languageOut) *languageOut = foundLang;
  return const_cast<unsigned char *>(found);
}

KO_EXTERN_C KOAPI const DLGTEMPLATE *KoFindDialogTemplateInResPool(const _KORESPOOL *pool,
                                                                   UINT *sizeOut, KOCSTR name,
                                                                   DWORD language) {
  return static_cast<const DLGTEMPLATE *>(KoFindResourceInResPool(
      pool, sizeOut, name, reinterpret_cast<KOCSTR>(uintptr_t{kRtDialog}), language, nullptr));
}
