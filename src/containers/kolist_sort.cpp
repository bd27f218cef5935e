// KoList sorting and searching: an in-place selection sort and heap sort,
// sorted copy into another list, linear scans and binary searches over a
// range that the caller keeps sorted.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "containers/kolist_impl.h"
#include "kokernel/kolist.h"

namespace ko::containers {

namespace {

void StoreCriteria(tKOLIST *l, uint64_t criteria) {
  std::atomic_ref<uint64_t>(l->qwSortCriteria).store(criteria);
}

uint64_t Criteria(tKOLIST *l) { return std::atomic_ref<uint64_t>(l->qwSortCriteria).load(); }

// Exchanges two slots; array items go through a small buffer in 4-byte
// multiples (every slot size is one).
void SwapSlots(const tKOLIST *l, int64_t i, int64_t j) {
  unsigned char *a = SlotAt(l, i);
  unsigned char *b = SlotAt(l, j);
  size_t left = static_cast<size_t>(l->nSlotSize);
  unsigned char buffer[256];
  while (left > 0) {
    const size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    std::memcpy(buffer, a, chunk);
    std::memcpy(a, b, chunk);
    std::memcpy(b, buffer, chunk);
    a += chunk;
    b += chunk;
    left -= chunk;
  }
}

class Sorter {
 public:
  Sorter(const tKOLIST *l, uint64_t criteria, KOLISTCOMPAREPROC compare)
      : l_(l),
        base_(static_cast<unsigned char *>(l->pSlots)),
        slot_(static_cast<size_t>(l->nSlotSize)),
        array_((l->dwCreateOptions & kOptArray) != 0),
        criteria_(criteria),
        compare_(compare) {}

  const void *Arg(int64_t i) const {
    const unsigned char *p = base_ + static_cast<size_t>(i) * slot_;
    if (array_) return p;
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return reinterpret_cast<const void *>(static_cast<uintptr_t>(v));
  }

  // Three-way comparison of items i and j (0-based).
  int32_t Compare(int64_t i, int64_t j) const { return compare_(criteria_, Arg(i), Arg(j)); }

  void Swap(int64_t i, int64_t j) const {
    if (!array_) {
      unsigned char *a = base_ + static_cast<size_t>(i) * 8;
      unsigned char *b = base_ + static_cast<size_t>(j) * 8;
      uint64_t x, y;
      std::memcpy(&x, a, 8);
      std::memcpy(&y, b, 8);
      std::memcpy(a, &y, 8);
      std::memcpy(b, &x, 8);
      return;
    }
    SwapSlots(l_, i, j);
  }

  // Selection sort: for each end position from the back, the first of the
  // largest items in front of it moves there.
  void Selection(int64_t n) const {
    for (int64_t end = n - 1; end >= 1; --end) {
      int64_t best = 0;
      for (int64_t k = 1; k <= end; ++k)
        if (Compare(k, best) > 0) best = k;
      if (best != end) Swap(best, end);
    }
  }

  // Heap sort on 1-based positions: build the heap from n / 2 down to 2,
  // then for heap sizes m from n down to 2 sift the root and move it to m.
  void Heap(int64_t n) const {
    for (int64_t i = n / 2; i >= 2; --i) Sift(i, n);
    for (int64_t m = n; m >= 2; --m) {
      Sift(1, m);
      Swap(0, m - 1);
    }
  }

 private:
  // Sifts position i down within the first m positions (1-based).
  void Sift(int64_t i, int64_t m) const {
    while (2 * i <= m) {
      int64_t child = 2 * i;
      if (child < m && Compare(child, child - 1) > 0) ++child;  // right child is greater
      if (Compare(child - 1, i - 1) <= 0) break;
      Swap(child - 1, i - 1);
      i = child;
    }
  }

  const tKOLIST *l_;
  unsigned char *base_;
  size_t slot_;
  bool array_;
  uint64_t criteria_;
  KOLISTCOMPAREPROC compare_;
};

HRESULT SortWith(tKOLIST *list, uint64_t criteria, KOLISTCOMPAREPROC compare, bool heap) {
  HRESULT hr = CheckList(list);
  if (FAILED(hr)) return hr;
  ListLock lock(list);
  StoreCriteria(list, criteria);
  if (!compare || list->nCount < 2) return S_OK;
  Sorter sorter(list, criteria, compare);
  if (heap)
    sorter.Heap(list->nCount);
  else
    sorter.Selection(list->nCount);
  return S_OK;
}

}  // namespace

// Binary search over [lo, lo + n): with r items left the probe is the middle
// one (the lower middle when r is even). Stops at the first probe that
// compares equal (*found true, its index); otherwise returns the index at
// which the key keeps the range sorted.
int32_t SearchSorted(tKOLIST *l, const void *key, int32_t lo, int32_t n, KOLISTCOMPAREPROC compare,
                     bool *found) {
  const uint64_t criteria = Criteria(l);
  int64_t low = lo;
  int64_t r = n;
  *found = false;
  while (r > 0) {
    const int64_t half = r / 2;
    const int64_t probe = (r & 1) ? low + half : low + half - 1;
    const int32_t c = compare(criteria, key, ItemArg(l, probe));
    if (c == 0) {
      *found = true;
      return static_cast<int32_t>(probe);
    }
    if (c < 0) {
      r = (r & 1) ? half : half - 1;
    } else {
      low = probe + 1;
      r = half;
    }
  }
  return static_cast<int32_t>(low);
}

int32_t SortedInsertIndex(tKOLIST *l, const void *key, int32_t lo, int32_t n,
                          KOLISTCOMPAREPROC compare) {
  bool found;
  return SearchSorted(l, key, lo, n, compare, &found);
}

}  // namespace ko::containers

using namespace ko::containers;

extern "C" KOAPI HRESULT KoList_Sort(tKOLIST *list, uint64_t criteria, KOLISTCOMPAREPROC compare) {
  return SortWith(list, criteria, compare, false);
}

extern "C" KOAPI HRESULT KoList_HeapSort(tKOLIST *list, uint64_t criteria,
                                         KOLISTCOMPAREPROC compare) {
  return SortWith(list, criteria, compare, true);
}

extern "C" KOAPI HRESULT KoList_SortTo(tKOLIST *destination, tKOLIST *source, uint64_t criteria,
                                       KOLISTCOMPAREPROC compare) {
  HRESULT hr = CheckList(destination);
  if (FAILED(hr)) return hr;
  hr = CheckList(source);
  if (FAILED(hr)) return hr;
  if (destination == source) return E_INVALIDARG;
  PairLock lock(destination, source);
  StoreCriteria(destination, criteria);
  if (!compare) return S_OK;
  // Each source item is copied as one destination slot: the slot sizes must
  // agree or the copy would read past the source slot.
  if (destination->nSlotSize != source->nSlotSize) return E_INVALIDARG;
  const bool heapDestination = (destination->dwCreateOptions & kOptHeap) != 0;
  for (int32_t i = 0; i < source->nCount; ++i) {
    const void *key = ItemArg(source, i);
    const int32_t at = SortedInsertIndex(destination, key, 0, destination->nCount, compare);
    // A heap-item destination refuses copied items; it stays unchanged.
    if (!heapDestination) InsertSlots(destination, at, SlotAt(source, i), 1);
  }
  return S_OK;
}

extern "C" KOAPI int32_t KoList_FindSpecificItemRange(tKOLIST *list, int32_t start, int32_t count,
                                                      const void *key) {
  if (FAILED(CheckList(list))) return -1;
  ListLock lock(list);
  int32_t lo, n;
  if (!NormaliseRange(list, start, count, &lo, &n)) return -1;
  if (list->dwCreateOptions & kOptArray) {
    if (!key) return -1;
    const size_t size = static_cast<size_t>(list->nSlotSize);
    for (int32_t i = lo; i < lo + n; ++i)
      if (std::memcmp(SlotAt(list, i), key, size) == 0) return i;
    return -1;
  }
  const uint64_t value = reinterpret_cast<uintptr_t>(key);
  for (int32_t i = lo; i < lo + n; ++i)
    if (SlotValue(list, i) == value) return i;
  return -1;
}

extern "C" KOAPI int32_t KoList_FindItemRange(tKOLIST *list, int32_t start, int32_t count,
                                              const void *key, KOLISTMATCHPROC match) {
  if (FAILED(CheckList(list)) || !match) return -1;
  ListLock lock(list);
  int32_t lo, n;
  if (!NormaliseRange(list, start, count, &lo, &n)) return -1;
  for (int32_t i = lo; i < lo + n; ++i)
    if (match(key, ItemArg(list, i)) == 0) return i;
  return -1;
}

extern "C" KOAPI int32_t KoList_FindSortedItemRange(tKOLIST *list, const void *key, int32_t start,
                                                    int32_t count, KOLISTCOMPAREPROC compare) {
  if (FAILED(CheckList(list)) || !compare) return -1;
  ListLock lock(list);
  int32_t lo, n;
  if (!NormaliseRange(list, start, count, &lo, &n) || n == 0) return -1;
  bool found;
  const int32_t at = SearchSorted(list, key, lo, n, compare, &found);
  return found ? at : -1;
}

extern "C" KOAPI int32_t KoList_FindSortedInsertIndexRange(tKOLIST *list, const void *key,
                                                           int32_t start, int32_t count,
                                                           KOLISTCOMPAREPROC compare) {
  if (FAILED(CheckList(list)) || !compare) return -1;
  ListLock lock(list);
  int32_t lo, n;
  if (!NormaliseRange(list, start, count, &lo, &n)) return -1;
  return SortedInsertIndex(list, key, lo, n, compare);
}
