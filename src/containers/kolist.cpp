// KoList: the growable list container. A 136-byte header owns one block of
// slots (movable global memory kept locked); heap-item lists also own their
// items, from the C heap or from a private heap of the list.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "containers/kolist_impl.h"
#include "containers/readable.h"
#include "kokernel/kolist.h"
#include "platform/platform.h"

namespace pf = ko::platform;

namespace ko::containers {

namespace {

constexpr int32_t kDefaultCount = 16;
constexpr size_t kStackMoveBytes = 512;

int64_t RoundUp(int64_t v, int64_t g) { return (v + g - 1) / g * g; }

// Bytes of `slots` slots, or false when that cannot be allocated.
bool SlotBytes(const tKOLIST *l, int64_t slots, size_t *bytes) {
  if (slots < 0) return false;
  const uint64_t size = l->nSlotSize;
  if (size != 0 && static_cast<uint64_t>(slots) > kMaxAllocBytes / size) return false;
  *bytes = static_cast<size_t>(static_cast<uint64_t>(slots) * size);
  return true;
}

// ---- heap items ----------------------------------------------------------------
void *AllocItemMemory(const tKOLIST *l, uint64_t size) {
  if (size > kMaxAllocBytes) return nullptr;
  if (l->hItemHeap)
    return pf::HeapAlloc(l->hItemHeap, l->dwHeapAllocFlags | pf::kHeapZeroMemory,
                         static_cast<size_t>(size));
  return pf::ItemCalloc(static_cast<size_t>(size));
}

void FreeItemMemory(const tKOLIST *l, void *item) {
  if (!item) return;
  if (l->hItemHeap)
    pf::HeapFree(l->hItemHeap, l->dwHeapFreeFlags, item);
  else
    pf::ItemFree(item);
}

// SIZE_MAX when the item is unknown to the list's allocator.
size_t ItemMemorySize(const tKOLIST *l, const void *item) {
  if (!item) return 0;
  if (l->hItemHeap) return pf::HeapSize(l->hItemHeap, l->dwHeapFreeFlags, item);
  return pf::ItemSize(item);
}

void *ItemPointer(const tKOLIST *l, int64_t i) {
  return reinterpret_cast<void *>(static_cast<uintptr_t>(SlotValue(l, i)));
}

// ---- capacity ------------------------------------------------------------------
HRESULT Grow(tKOLIST *l, int64_t slots) {
  const int64_t g = GrowCountOf(l);
  const int64_t added = RoundUp(slots >= 1 ? slots : g, g);
  const int64_t total = static_cast<int64_t>(l->nAllocated) + added;
  size_t bytes = 0, oldBytes = 0;
  if (total > INT32_MAX || !SlotBytes(l, total, &bytes) ||
      !SlotBytes(l, std::max<int64_t>(l->nAllocated, 0), &oldBytes))
    return E_OUTOFMEMORY;
  void *block = pf::GlobalAllocLocked(bytes, true);
  if (!block) return E_OUTOFMEMORY;
  if (l->pSlots && oldBytes) std::memcpy(block, l->pSlots, oldBytes);
  pf::GlobalFreeLocked(l->pSlots);
  l->pSlots = block;
  l->nAllocated = static_cast<int32_t>(total);
  return S_OK;
}

HRESULT Shrink(tKOLIST *l, int64_t slots) {
  const int64_t g = GrowCountOf(l);
  const int64_t free = static_cast<int64_t>(l->nAllocated) - l->nCount;
  if (free <= 0) return S_OK;
  // Never release more than the free slots, whatever the caller asked for.
  const int64_t wanted = (slots < 0 || slots > free) ? free : slots;
  int64_t r = RoundUp(wanted, g);
  if (r > free) r -= g;
  if (r <= 0) return S_OK;
  const int64_t remaining = l->nAllocated - r;
  size_t bytes = 0;
  if (!SlotBytes(l, std::max<int64_t>(remaining, 1), &bytes)) return E_OUTOFMEMORY;
  void *block = pf::GlobalReAllocLocked(l->pSlots, bytes, false);
  if (!block) return E_OUTOFMEMORY;
  l->pSlots = block;
  l->nAllocated = static_cast<int32_t>(remaining);
  return S_OK;
}

int32_t InsertPosition(const tKOLIST *l, int32_t index) {
  return (index < 0 || index > l->nCount) ? l->nCount : index;
}

// ---- insertion and deletion ------------------------------------------------------
HRESULT Insert(tKOLIST *l, int32_t index, const void *source, int32_t count) {
  int64_t n;
  bool pending = false;
  void *pendingItem = l->pPendingItem;
  if (source) {
    if (count >= 0 && (l->dwCreateOptions & kOptHeap)) return E_FAIL;
    n = count >= 0 ? count : -static_cast<int64_t>(count);
  } else if (count == -1 && pendingItem) {
    n = 1;
    source = &pendingItem;
    pending = true;
  } else {
    return E_FAIL;
  }
  HRESULT hr = InsertSlots(l, index, source, n);
  if (SUCCEEDED(hr) && pending) l->pPendingItem = nullptr;
  return hr;
}

// Removes [index, index + n) (already clipped) without freeing items.
void RemoveSlots(tKOLIST *l, int32_t index, int32_t n) {
  const size_t slot = static_cast<size_t>(l->nSlotSize);
  const int32_t tail = l->nCount - index - n;
  if (tail > 0) std::memmove(SlotAt(l, index), SlotAt(l, index + n), static_cast<size_t>(tail) * slot);
  std::memset(SlotAt(l, l->nCount - n), 0, static_cast<size_t>(n) * slot);
  l->nCount -= n;
}

HRESULT Delete(tKOLIST *l, int32_t index, int32_t count, BOOL shrink) {
  if (count < 0 && index < 0) {
    if (!l->pPendingItem) return E_FAIL;
    FreeItemMemory(l, l->pPendingItem);
    l->pPendingItem = nullptr;
    return S_OK;
  }
  int64_t n = count;
  if (count < 0) n = static_cast<int64_t>(l->nCount) - index;
  if (n < 1) return S_OK;
  if (index < 0 || index >= l->nCount) return E_FAIL;
  n = std::min<int64_t>(n, static_cast<int64_t>(l->nCount) - index);
  if (l->dwCreateOptions & kOptHeap)
    for (int64_t i = index; i < index + n; ++i) FreeItemMemory(l, ItemPointer(l, i));
  RemoveSlots(l, index, static_cast<int32_t>(n));
  if (shrink) {
    const int64_t free = static_cast<int64_t>(l->nAllocated) - l->nCount;
    if (free > GrowCountOf(l)) Shrink(l, free);  // a failed shrink leaves a valid list
  }
  return S_OK;
}

HRESULT AllocPending(tKOLIST *l, uint64_t size, void **item) {
  *item = nullptr;
  if (!(l->dwCreateOptions & kOptHeap) || l->pPendingItem) return E_FAIL;
  void *p = AllocItemMemory(l, size);
  if (!p) return E_OUTOFMEMORY;
  l->pPendingItem = p;
  *item = p;
  return S_OK;
}

// Frees everything the header owns; leaves the header itself.
void Release(tKOLIST *l) {
  if (l->dwCreateOptions & kOptHeap) {
    if (l->hItemHeap) {
      pf::HeapDestroy(l->hItemHeap);
      l->hItemHeap = nullptr;
    } else {
      if (l->pSlots)
        for (int64_t i = 0; i < l->nCount; ++i) pf::ItemFree(ItemPointer(l, i));
      pf::ItemFree(l->pPendingItem);
    }
    l->pPendingItem = nullptr;
  }
  pf::GlobalFreeLocked(l->pSlots);
  l->pSlots = nullptr;
  l->nCount = 0;
  l->nAllocated = 0;
}

}  // namespace

HRESULT CheckList(const tKOLIST *l) {
  if (!l) return E_POINTER;
  if (l->dwSignature != kSignature) return E_INVALIDARG;
  const uint32_t options = LoadOptions(l);
  if (!(options & (kOptSync | kOptNoThreadCheck)) &&
      __atomic_load_n(&l->dwOwnerThread, __ATOMIC_RELAXED) != pf::CurrentThreadId())
    return E_FAIL;
  return S_OK;
}

HRESULT InsertSlots(tKOLIST *l, int32_t index, const void *source, int64_t n) {
  if (n == 0) return S_OK;
  const int32_t pos = InsertPosition(l, index);
  if (n > static_cast<int64_t>(INT32_MAX) - l->nCount) return E_OUTOFMEMORY;
  size_t bytes = 0;
  if (!SlotBytes(l, n, &bytes)) return E_OUTOFMEMORY;

  // A source inside our own slot block would move under us (or be freed by a
  // growth): take a copy first.
  void *copy = nullptr;
  size_t blockBytes = 0;
  SlotBytes(l, l->nAllocated, &blockBytes);
  const auto *src = static_cast<const unsigned char *>(source);
  const auto *block = static_cast<const unsigned char *>(l->pSlots);
  if (bytes && block && src < block + blockBytes && block < src + bytes) {
    copy = pf::GlobalAllocLocked(bytes, false);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, source, bytes);
    src = static_cast<const unsigned char *>(copy);
  }

  if (l->nCount + n > l->nAllocated) {
    HRESULT hr = Grow(l, n);
    if (FAILED(hr)) {
      pf::GlobalFreeLocked(copy);
      return hr;
    }
  }
  const size_t slot = static_cast<size_t>(l->nSlotSize);
  const int32_t tail = l->nCount - pos;
  if (tail > 0) std::memmove(SlotAt(l, pos + n), SlotAt(l, pos), static_cast<size_t>(tail) * slot);
  if (bytes) std::memcpy(SlotAt(l, pos), src, bytes);
  l->nCount += static_cast<int32_t>(n);
  pf::GlobalFreeLocked(copy);
  return S_OK;
}

}  // namespace ko::containers

using namespace ko::containers;

// ---- lifetime ---------------------------------------------------------------------

extern "C" KOAPI HRESULT KoList_CreateExZ(tKOLIST **out, uint32_t itemSize, int32_t initialCount,
                                          int32_t growCount, uint32_t options, uint64_t,
                                          uint64_t, uint64_t) {
  if (!out) return E_POINTER;
  options |= kOptNoThreadCheck;
  tKOLIST *l = nullptr;
  if (options & kOptInPlace) {
    l = *out;
    if (!l) return E_FAIL;
    std::memset(l, 0, sizeof *l);
  } else {
    *out = nullptr;
  }
  if ((options & (kOptHeap | kOptArray)) == (kOptHeap | kOptArray)) return E_FAIL;
  if (!(options & kOptInPlace)) {
    l = static_cast<tKOLIST *>(pf::ItemCalloc(sizeof(tKOLIST)));
    if (!l) return E_OUTOFMEMORY;
  }
  auto fail = [&](HRESULT hr) {
    l->dwSignature = 0;
    if (!(options & kOptInPlace)) pf::ItemFree(l);
    return hr;
  };

  l->dwSignature = kSignature;
  l->nSlotSize = (options & kOptArray) ? ((uint64_t{itemSize} + 3) & ~uint64_t{3}) : 8;
  int64_t g = growCount >= 1 ? growCount : kDefaultCount;
  g = std::clamp<int64_t>(g, KOLIST_GROW_MIN, KOLIST_GROW_MAX);
  int64_t n = initialCount >= 1 ? initialCount : kDefaultCount;
  n = std::max<int64_t>(n, 4);
  const int64_t allocated = (n + g - 1) / g * g;
  size_t bytes = 0;
  if (allocated > INT32_MAX || !SlotBytes(l, allocated, &bytes)) return fail(E_OUTOFMEMORY);
  l->pSlots = pf::GlobalAllocLocked(bytes, true);
  if (!l->pSlots) return fail(E_OUTOFMEMORY);

  if (options & kOptSync) pf::LockInit(LockOf(l));
  l->dwOwnerThread = pf::CurrentThreadId();
  l->dwCreateOptions = options;
  l->nAllocated = static_cast<int32_t>(allocated);
  l->nGrowCount = static_cast<int32_t>(g);
  if (options & kOptHeap) {
    if (options & kOptPrivateHeap) {
      l->hItemHeap = pf::HeapCreate(pf::kHeapNoSerialize, 4096, 0);
      if (!l->hItemHeap) {
        KoList_Destroy(l);
        return E_OUTOFMEMORY;
      }
    }
    l->dwHeapAllocFlags = KOLIST_HEAP_NO_SERIALIZE | KOLIST_HEAP_ZERO_MEMORY;
    l->dwHeapFreeFlags = KOLIST_HEAP_NO_SERIALIZE;
  }
  *out = l;
  return S_OK;
}

extern "C" KOAPI HRESULT KoList_Destroy(tKOLIST *list) {
  if (!list) return S_OK;
  if (list->dwSignature != kSignature) return E_INVALIDARG;
  const uint32_t options = LoadOptions(list);
  if (options & kOptSync) {
    {
      ListLock lock(list);  // let an operation in progress on another thread finish
      Release(list);
      list->dwSignature = 0;
    }
    pf::LockDelete(LockOf(list));
  } else {
    Release(list);
    list->dwSignature = 0;
  }
  if (!(options & kOptInPlace)) pf::ItemFree(list);
  return S_OK;
}

extern "C" KOAPI HRESULT KoList_ConvertToInPlace(tKOLIST **list, tKOLIST *storage) {
  if (!list || !*list || !storage) return E_INVALIDARG;
  tKOLIST *l = *list;
  if (l->dwSignature != kSignature || storage == l) return E_INVALIDARG;
  const uint32_t options = LoadOptions(l);
  if (options & kOptInPlace) return E_FAIL;
  if (options & kOptSync) {
    // A lock cannot be moved by copying its bytes: copy the header while
    // holding the old lock, then give the new header a lock of its own.
    {
      ListLock lock(l);
      std::memcpy(storage, l, sizeof *l);
    }
    pf::LockDelete(LockOf(l));
    pf::LockInit(LockOf(storage));
  } else {
    std::memcpy(storage, l, sizeof *l);
  }
  storage->dwCreateOptions |= kOptInPlace;
  l->dwSignature = 0;
  pf::ItemFree(l);
  *list = nullptr;
  return S_OK;
}

extern "C" KOAPI BOOL KoList_IsList(const void *p, uint64_t size) {
  if (!p || size != sizeof(tKOLIST)) return FALSE;
  if (!MemoryReadable(p, sizeof(tKOLIST))) return FALSE;
  uint32_t signature;
  std::memcpy(&signature, static_cast<const unsigned char *>(p) + offsetof(tKOLIST, dwSignature),
              sizeof signature);
  return signature == kSignature ? TRUE : FALSE;
}

extern "C" KOAPI BOOL KoList_IsListFast(const void *p) {
  if (!p) return FALSE;
  uint32_t signature;
  std::memcpy(&signature, static_cast<const unsigned char *>(p) + offsetof(tKOLIST, dwSignature),
              sizeof signature);
  return signature == kSignature ? TRUE : FALSE;
}

extern "C" KOAPI BOOL KoList_IsValidIndexSlow(tKOLIST *list, int32_t index) {
  if (FAILED(CheckList(list))) return FALSE;
  ListLock lock(list);
  return index >= 0 && index < list->nCount ? TRUE : FALSE;
}

// ---- items and capacity -----------------------------------------------------------

extern "C" KOAPI HRESULT KoList_InsertList(tKOLIST *list, int32_t index, const void *source,
                                           int32_t count) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  return Insert(list, index, source, count);
}

extern "C" KOAPI HRESULT KoList_DeleteList(tKOLIST *list, int32_t index, int32_t count,
                                           BOOL shrink) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  return Delete(list, index, count, shrink);
}

extern "C" KOAPI HRESULT KoList_MoveRange(tKOLIST *list, int32_t from, int32_t to,
                                          int32_t count) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  if (from < 0) return E_INVALIDARG;
  if (to < 0) to = 0;
  ListLock lock(list);
  const int64_t items = list->nCount;
  const int64_t n = count < 0 ? items - std::max(from, to) : count;
  if (n < 1) return S_OK;
  if (from + n > items || to + n > items) return E_FAIL;
  if (from == to) return S_OK;

  const size_t slot = static_cast<size_t>(list->nSlotSize);
  const size_t runBytes = static_cast<size_t>(n) * slot;
  unsigned char stack[kStackMoveBytes];
  void *heapRun = nullptr;
  unsigned char *run = stack;
  if (runBytes > sizeof stack) {
    heapRun = pf::GlobalAllocLocked(runBytes, false);
    if (!heapRun) return E_OUTOFMEMORY;
    run = static_cast<unsigned char *>(heapRun);
  }
  std::memcpy(run, SlotAt(list, from), runBytes);
  if (from < to)
    std::memmove(SlotAt(list, from), SlotAt(list, from + n), static_cast<size_t>(to - from) * slot);
  else
    std::memmove(SlotAt(list, to + n), SlotAt(list, to), static_cast<size_t>(from - to) * slot);
  std::memcpy(SlotAt(list, to), run, runBytes);
  pf::GlobalFreeLocked(heapRun);
  return S_OK;
}

extern "C" KOAPI HRESULT KoList_GrowAllocated(tKOLIST *list, int32_t slots) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  return Grow(list, slots);
}

extern "C" KOAPI HRESULT KoList_ShrinkAllocated(tKOLIST *list, int32_t slots) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  return Shrink(list, slots);
}

extern "C" KOAPI HRESULT KoList_ArrayForceItemCount(tKOLIST *list, int32_t count, BOOL) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  if (!(list->dwCreateOptions & kOptArray) || count < 0) return E_FAIL;
  if (count > list->nAllocated) {
    hr = Grow(list, static_cast<int64_t>(count) - list->nAllocated);
    if (FAILED(hr)) return hr;
  }
  list->nCount = count;
  return S_OK;
}

// ---- heap items -------------------------------------------------------------------

extern "C" KOAPI HRESULT KoList_AllocItem(tKOLIST *list, uint64_t size, void **item) {
  if (item) *item = nullptr;
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  if (!item) return E_POINTER;
  ListLock lock(list);
  return AllocPending(list, size, item);
}

extern "C" KOAPI HRESULT KoList_AllocAndInsertItem(tKOLIST *list, const void *source,
                                                   uint64_t size, int32_t index,
                                                   int32_t *insertedIndex) {
  if (insertedIndex) *insertedIndex = -1;
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  void *item = nullptr;
  hr = AllocPending(list, size, &item);
  if (FAILED(hr)) return hr;  // an earlier pending item is not ours to free
  if (source && size) std::memcpy(item, source, static_cast<size_t>(size));
  const int32_t pos = InsertPosition(list, index);
  hr = Insert(list, pos, nullptr, -1);
  if (FAILED(hr)) {
    FreeItemMemory(list, item);
    list->pPendingItem = nullptr;
    return hr;
  }
  if (insertedIndex) *insertedIndex = pos;
  return S_OK;
}

extern "C" KOAPI HRESULT KoList_ReAllocItem(tKOLIST *list, int32_t index, uint64_t size) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  if (!(list->dwCreateOptions & kOptHeap)) return E_FAIL;
  if (index < 0 || index >= list->nCount) return E_FAIL;
  if (size > kMaxAllocBytes) return E_OUTOFMEMORY;
  void *old = ItemPointer(list, index);
  void *item;
  if (!old)
    item = AllocItemMemory(list, size);
  else if (list->hItemHeap)
    item = pf::HeapReAlloc(list->hItemHeap, list->dwHeapAllocFlags | pf::kHeapZeroMemory, old,
                           static_cast<size_t>(size));
  else
    item = pf::ItemReAlloc(old, static_cast<size_t>(size));
  if (!item) return E_OUTOFMEMORY;
  SetSlotValue(list, index, reinterpret_cast<uintptr_t>(item));
  return S_OK;
}

extern "C" KOAPI HRESULT KoList_MoveItemsBetweenHeapLists(tKOLIST *destination,
                                                          int32_t destinationIndex,
                                                          tKOLIST *source, int32_t sourceIndex,
                                                          int32_t count) {
  HRESULT hr = CheckList(destination);
  if (FAILED(hr)) return hr;
  hr = CheckList(source);
  if (FAILED(hr)) return hr;
  if (destination == source) return E_INVALIDARG;  // a move within one list is KoList_MoveRange
  PairLock lock(destination, source);
  if (!(destination->dwCreateOptions & kOptHeap) || !(source->dwCreateOptions & kOptHeap) ||
      destination->pPendingItem)
    return E_FAIL;
  if (sourceIndex < 0 || sourceIndex > source->nCount) return E_FAIL;
  const int64_t n = count < 0 ? static_cast<int64_t>(source->nCount) - sourceIndex : count;
  if (n == 0) return S_OK;
  if (sourceIndex + n > source->nCount) return E_FAIL;
  if (n > static_cast<int64_t>(INT32_MAX) - destination->nCount) return E_OUTOFMEMORY;

  // Items whose heaps differ are copied into the destination's heap, so that
  // every list frees only what its own heap gave out.
  const bool sameHeap = destination->hItemHeap == source->hItemHeap;
  void **copies = nullptr;
  auto dropCopies = [&](int64_t made) {
    for (int64_t i = 0; i < made; ++i) FreeItemMemory(destination, copies[i]);
    pf::GlobalFreeLocked(copies);
  };
  if (!sameHeap) {
    copies = static_cast<void **>(pf::GlobalAllocLocked(static_cast<size_t>(n) * sizeof(void *), true));
    if (!copies) return E_OUTOFMEMORY;
    for (int64_t i = 0; i < n; ++i) {
      const void *item = ItemPointer(source, sourceIndex + i);
      if (!item) continue;
      const size_t size = ItemMemorySize(source, item);
      if (size == SIZE_MAX) {
        dropCopies(i);
        return E_FAIL;
      }
      copies[i] = AllocItemMemory(destination, size);
      if (!copies[i]) {
        dropCopies(i);
        return E_OUTOFMEMORY;
      }
      std::memcpy(copies[i], item, size);
    }
  }
  // Room first, so that a failure leaves both lists as they were.
  if (destination->nCount + n > destination->nAllocated) {
    hr = Grow(destination, n);
    if (FAILED(hr)) {
      if (copies) dropCopies(n);
      return hr;
    }
  }
  hr = InsertSlots(destination, destinationIndex,
                   copies ? static_cast<const void *>(copies) : SlotAt(source, sourceIndex), n);
  if (FAILED(hr)) {
    if (copies) dropCopies(n);
    return hr;
  }
  if (copies) {
    for (int64_t i = sourceIndex; i < sourceIndex + n; ++i) FreeItemMemory(source, ItemPointer(source, i));
    pf::GlobalFreeLocked(copies);
  }
  RemoveSlots(source, sourceIndex, static_cast<int32_t>(n));
  return S_OK;
}

extern "C" KOAPI int64_t KoList_AllocSize(tKOLIST *list, int32_t index) {
  if (FAILED(CheckList(list))) return -1;
  ListLock lock(list);
  const bool heap = (list->dwCreateOptions & kOptHeap) != 0;
  if (index < 0) {
    uint64_t total = pf::GlobalSizeLocked(list->pSlots) + sizeof(tKOLIST);
    if (heap) {
      for (int64_t i = 0; i < list->nCount; ++i) {
        const size_t size = ItemMemorySize(list, ItemPointer(list, i));
        if (size != SIZE_MAX) total += size;
      }
      const size_t pending = ItemMemorySize(list, list->pPendingItem);
      if (pending != SIZE_MAX) total += pending;
    }
    return static_cast<int64_t>(total);
  }
  if (index >= list->nCount) return -1;
  if (!heap) return static_cast<int64_t>(list->nSlotSize);
  const size_t size = ItemMemorySize(list, ItemPointer(list, index));
  return size == SIZE_MAX ? -1 : static_cast<int64_t>(size);
}

// ---- header fields ----------------------------------------------------------------

extern "C" KOAPI uint64_t KoList_SetUserData(tKOLIST *list, uint64_t value) {
  if (FAILED(CheckList(list))) return 0xFFFFFFFFu;
  return std::atomic_ref<uint64_t>(list->qwUserData).exchange(value);
}

extern "C" KOAPI uint64_t KoList_GetUserData(tKOLIST *list) {
  if (FAILED(CheckList(list))) return 0xFFFFFFFFu;
  return std::atomic_ref<uint64_t>(list->qwUserData).load();
}

extern "C" KOAPI uint32_t KoList_GetCreateOptions(tKOLIST *list) {
  if (!list || list->dwSignature != kSignature) return 0;
  return LoadOptions(list);
}

extern "C" KOAPI uint64_t KoList_GetSortCriteria(tKOLIST *list) {
  if (!list || list->dwSignature != kSignature) return 0;
  return std::atomic_ref<uint64_t>(list->qwSortCriteria).load();
}

extern "C" KOAPI uint32_t KoList_GetThreadOwner(tKOLIST *list) {
  if (!list || list->dwSignature != kSignature) return 0;
  return std::atomic_ref<uint32_t>(list->dwOwnerThread).load();
}

extern "C" KOAPI HRESULT KoList_SetThreadOwner(tKOLIST *list, uint32_t threadId) {
  if (!list) return E_POINTER;
  if (list->dwSignature != kSignature) return E_INVALIDARG;
  std::atomic_ref<uint32_t>(list->dwOwnerThread).store(threadId ? threadId : pf::CurrentThreadId());
  return S_OK;
}

extern "C" KOAPI uint32_t KoList_GetFileAndLine(tKOLIST *, KOCHAR *buffer) {
  if (buffer) buffer[0] = 0;
  return 0xFFFFFFFFu;
}
