// The token list of the formatting engine: named replacement texts for
// "$(name)" in a synchronised KoList kept sorted by name (case-insensitive);
// registration, deletion and every lookup hold the list's lock.
//
// Each token is one block: a reserved word, a pointer to the name, the
// value length and a pointer to the value, followed by the name text and,
// at the next 4-byte boundary, the value text.
#include <cstring>

#include "kokernel/koprintf.h"
#include "containers/kolist_impl.h"
#include "kokernel/kolist.h"
#include "platform/platform.h"
#include "text/printf_engine.h"

namespace ko::text {

namespace {

using containers::ListLock;

struct TokenItem {
  uint32_t reserved;
  const KOCHAR *name;
  uint32_t valueLength;
  const KOCHAR *value;
};

struct NameKey {
  const KOCHAR *name;
  size_t length;
};

// The token list: a synchronised heap-item KoList with 8-byte slots, 16
// initial and 16 growth slots, created on first use and kept for the
// process.
tKOLIST *CurrentTokenList() {
  static tKOLIST *list = [] {
    tKOLIST *l = nullptr;
    KoList_CreateExZ(&l, 8, 16, 16, KOLIST_OPT_HEAPITEMS | KOLIST_OPT_SYNCHRONIZED, 0, 0, 0);
    return l;
  }();
  return list;
}

int32_t CompareKeyToItem(uint64_t, const void *key, const void *item) {
  auto *k = static_cast<const NameKey *>(key);
  auto *it = static_cast<const TokenItem *>(item);
  return CompareTokenNames(k->name, k->length, it->name, WideLength(it->name));
}

int32_t FindToken(tKOLIST *list, const NameKey &key) {
  return KoList_FindSortedItemRange(list, &key, 0, -1, CompareKeyToItem);
}

TokenItem *ItemAt(tKOLIST *list, int32_t index) {
  void *p;
  std::memcpy(&p, static_cast<unsigned char *>(list->pSlots) + size_t(index) * 8, 8);
  return static_cast<TokenItem *>(p);
}

}  // namespace

bool AddToken(const KOCHAR *name, const KOCHAR *value) {
  if (!name) return false;
  static const KOCHAR kEmpty[] = {0};
  if (!value) value = kEmpty;
  tKOLIST *list = CurrentTokenList();
  if (!list) return false;
  size_t nn = WideLength(name), vn = WideLength(value);
  if (vn > UINT32_MAX) return false;
  size_t nameBytes = (nn + 1) * sizeof(KOCHAR);
  size_t valueOffset = (sizeof(TokenItem) + nameBytes + 3) & ~size_t{3};
  size_t bytes = valueOffset + (vn + 1) * sizeof(KOCHAR);
  NameKey key{name, nn};
  ListLock lock(list);
  int32_t found = FindToken(list, key);
  if (found >= 0) KoList_DeleteList(list, found, 1, FALSE);
  int32_t at = KoList_FindSortedInsertIndexRange(list, &key, 0, -1, CompareKeyToItem);
  if (at < 0) at = list->nCount;
  int32_t inserted = -1;
  if (FAILED(KoList_AllocAndInsertItem(list, nullptr, bytes, at, &inserted))) return false;
  // The item is zero-filled and owned by the list; the texts live inside it.
  auto *block = reinterpret_cast<unsigned char *>(ItemAt(list, inserted));
  auto *item = reinterpret_cast<TokenItem *>(block);
  auto *nameText = reinterpret_cast<KOCHAR *>(block + sizeof(TokenItem));
  auto *valueText = reinterpret_cast<KOCHAR *>(block + valueOffset);
  std::memcpy(nameText, name, nn * sizeof(KOCHAR));
  if (vn) std::memcpy(valueText, value, vn * sizeof(KOCHAR));
  item->reserved = 0;
  item->name = nameText;
  item->valueLength = static_cast<uint32_t>(vn);
  item->value = valueText;
  return true;
}

bool DeleteToken(const KOCHAR *name) {
  if (!name) return false;
  tKOLIST *list = CurrentTokenList();
  if (!list) return false;
  NameKey key{name, WideLength(name)};
  ListLock lock(list);
  int32_t found = FindToken(list, key);
  if (found < 0) return false;
  // Deleting with shrinking gives back room when more than one growth step is free.
  return SUCCEEDED(KoList_DeleteList(list, found, 1, TRUE));
}

bool WriteToken(Sink &out, const KOCHAR *name, size_t n) {
  tKOLIST *list = CurrentTokenList();
  if (!list) return false;
  NameKey key{name, n};
  ListLock lock(list);
  int32_t found = FindToken(list, key);
  if (found < 0) return false;
  const TokenItem *it = ItemAt(list, found);
  out.Write(it->value, it->valueLength);
  return true;
}

}  // namespace ko::text

extern "C" BOOL KoPrintF_AddToken(KOCSTR name, KOCSTR value) {
  return ko::text::AddToken(name, value) ? TRUE : FALSE;
}

extern "C" BOOL KoPrintF_DeleteToken(KOCSTR name) {
  return ko::text::DeleteToken(name) ? TRUE : FALSE;
}
