// Helpers shared by the list tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kokernel/kolist.h"

namespace kotest {

constexpr uint32_t kHeap = KOLIST_OPT_HEAPITEMS;
constexpr uint32_t kArray = KOLIST_OPT_ARRAYITEMS;
constexpr uint32_t kSync = KOLIST_OPT_SYNCHRONIZED;

// Owns a list made by KoList_CreateExZ; destroys it at scope end.
class List {
 public:
  List(uint32_t itemSize, int32_t initial, int32_t grow, uint32_t options) {
    hr_ = KoList_CreateExZ(&list_, itemSize, initial, grow, options, 0, 0, 0);
  }
  ~List() { KoList_Destroy(list_); }
  List(const List &) = delete;
  List &operator=(const List &) = delete;

  HRESULT hr() const { return hr_; }
  tKOLIST *get() const { return list_; }
  tKOLIST *operator->() const { return list_; }
  operator tKOLIST *() const { return list_; }

 private:
  tKOLIST *list_ = nullptr;
  HRESULT hr_;
};

inline const void *V(int64_t v) { return reinterpret_cast<const void *>(static_cast<intptr_t>(v)); }
inline int64_t I(const void *p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }

// The values of a value list, in order.
inline std::vector<int64_t> Values(const tKOLIST *l) {
  std::vector<int64_t> out(static_cast<size_t>(l->nCount));
  const auto *slots = static_cast<const int64_t *>(l->pSlots);
  for (int32_t i = 0; i < l->nCount; ++i) out[static_cast<size_t>(i)] = slots[i];
  return out;
}

inline void Append(tKOLIST *l, const std::vector<int64_t> &values) {
  ASSERT_EQ(S_OK, KoList_InsertList(l, -1, values.data(), static_cast<int32_t>(values.size())));
}

// True when every byte of the slots from nCount to nAllocated is zero.
inline bool TailIsZero(const tKOLIST *l) {
  const auto *bytes = static_cast<const unsigned char *>(l->pSlots);
  for (uint64_t i = uint64_t(l->nCount) * l->nSlotSize; i < uint64_t(l->nAllocated) * l->nSlotSize; ++i)
    if (bytes[i]) return false;
  return true;
}

}  // namespace kotest
