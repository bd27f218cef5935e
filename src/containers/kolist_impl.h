// Internals shared by the list container and its sorting and searching
// functions. Every function here expects the caller to hold the list's lock
// (for synchronised lists) and to have checked the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kokernel/kolist.h"
#include "platform/platform.h"

namespace ko::containers {

constexpr uint32_t kOptHeap = KOLIST_OPT_HEAPITEMS;
constexpr uint32_t kOptArray = KOLIST_OPT_ARRAYITEMS;
constexpr uint32_t kOptInPlace = KOLIST_OPT_INPLACE;
constexpr uint32_t kOptPrivateHeap = KOLIST_OPT_PRIVATEHEAP;
constexpr uint32_t kOptNoThreadCheck = KOLIST_OPT_NOTHREADCHECK;
constexpr uint32_t kOptSync = KOLIST_OPT_SYNCHRONIZED;
constexpr uint32_t kSignature = KOLIST_SIGNATURE;

static_assert(sizeof(KOLISTLOCK) == ko::platform::kLockBytes, "list lock size");
static_assert(offsetof(tKOLIST, lock) % alignof(ko::platform::LockStorage) == 0,
              "list lock alignment");
static_assert(offsetof(tKOLIST, nSlotSize) == 8 && offsetof(tKOLIST, pSlots) == 16 &&
                  offsetof(tKOLIST, lock) == 24 && offsetof(tKOLIST, dwSignature) == 64 &&
                  offsetof(tKOLIST, qwUserData) == 72 && offsetof(tKOLIST, dwOwnerThread) == 88 &&
                  offsetof(tKOLIST, hItemHeap) == 104 && offsetof(tKOLIST, pPendingItem) == 120,
              "tKOLIST field offsets");

// Requests beyond this many bytes cannot be met on any machine we run on;
// they are refused before the allocator sees them.
constexpr uint64_t kMaxAllocBytes = uint64_t{1} << 40;

inline uint32_t LoadOptions(const tKOLIST *l) {
  return __atomic_load_n(&l->dwCreateOptions, __ATOMIC_RELAXED);
}

inline ko::platform::LockStorage *LockOf(tKOLIST *l) {
  return reinterpret_cast<ko::platform::LockStorage *>(&l->lock);
}

// Holds a synchronised list's lock for the scope; no-op for other lists.
class ListLock {
 public:
  explicit ListLock(tKOLIST *l) : lock_((LoadOptions(l) & kOptSync) ? LockOf(l) : nullptr) {
    if (lock_) ko::platform::LockEnter(lock_);
  }
  ~ListLock() {
    if (lock_) ko::platform::LockLeave(lock_);
  }
  ListLock(const ListLock &) = delete;
  ListLock &operator=(const ListLock &) = delete;

 private:
  ko::platform::LockStorage *lock_;
};

// Locks two lists in address order, so that two threads working on the same
// pair in opposite roles cannot deadlock. The same list given twice is
// entered twice (the lock is re-entrant).
class PairLock {
 public:
  PairLock(tKOLIST *a, tKOLIST *b)
      : first_(a < b ? a : b), second_(a == b ? a : (a < b ? b : a)) {}

 private:
  ListLock first_;
  ListLock second_;
};

// Null or dead header, or a call from a foreign thread on a list that asks
// for the owner-thread check.
HRESULT CheckList(const tKOLIST *l);

inline int32_t GrowCountOf(const tKOLIST *l) {
  int32_t g = l->nGrowCount;
  if (g < KOLIST_GROW_MIN) g = KOLIST_GROW_MIN;
  if (g > KOLIST_GROW_MAX) g = KOLIST_GROW_MAX;
  return g;
}

inline unsigned char *SlotAt(const tKOLIST *l, int64_t i) {
  return static_cast<unsigned char *>(l->pSlots) + static_cast<size_t>(i) * l->nSlotSize;
}

inline uint64_t SlotValue(const tKOLIST *l, int64_t i) {
  uint64_t v;
  std::memcpy(&v, SlotAt(l, i), sizeof v);
  return v;
}

inline void SetSlotValue(const tKOLIST *l, int64_t i, uint64_t v) {
  std::memcpy(SlotAt(l, i), &v, sizeof v);
}

// Item i as the comparison functions see it: a pointer to the slot for array
// items, the slot's 8-byte value otherwise.
inline const void *ItemArg(const tKOLIST *l, int64_t i) {
  if (l->dwCreateOptions & kOptArray) return SlotAt(l, i);
  return reinterpret_cast<const void *>(static_cast<uintptr_t>(SlotValue(l, i)));
}

// Normalises a search range: negative start counts as 0, negative count means
// to the end, the count is limited to the items from the start. False when
// the start lies beyond the item count.
inline bool NormaliseRange(const tKOLIST *l, int32_t start, int32_t count, int32_t *lo,
                           int32_t *n) {
  if (start < 0) start = 0;
  if (start > l->nCount) return false;
  const int32_t avail = l->nCount - start;
  *lo = start;
  *n = (count < 0 || count > avail) ? avail : count;
  return true;
}

// Inserts `n` slots copied from `source` at `index` (the end when negative or
// beyond the count). Takes no ownership decisions: the caller has checked the
// list kind.
HRESULT InsertSlots(tKOLIST *l, int32_t index, const void *source, int64_t n);

// Binary search for the insertion index of `key` in [lo, lo + n).
int32_t SortedInsertIndex(tKOLIST *l, const void *key, int32_t lo, int32_t n,
                          KOLISTCOMPAREPROC compare);

}  // namespace ko::containers
