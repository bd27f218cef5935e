// KoList container: creation, capacity, insertion, deletion, moves, heap
// items, caller storage, header checks and misuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "kokernel/kolist.h"
#include "kotest_pages.h"
#include "list_helpers.h"

using namespace kotest;

namespace {

TEST(KoListCreate, GrowCountAndInitialSlots) {
  struct Case {
    int32_t initial, grow;
    int32_t allocated, growCount;
  } cases[] = {
      {0, 0, 16, 16}, {3, 2, 4, 4}, {17, 0, 32, 16}, {-7, -3, 16, 16}, {10, 100000, 66560, 66560},
  };
  for (const auto &c : cases) {
    List l(0, c.initial, c.grow, 0);
    ASSERT_EQ(S_OK, l.hr());
    EXPECT_EQ(std::make_pair(c.allocated, c.growCount), std::make_pair(l->nAllocated, l->nGrowCount))
        << "initial " << c.initial << " grow " << c.grow;
    EXPECT_TRUE(l->nCount == 0 && TailIsZero(l));
  }
}

TEST(KoListCheck, IsListAcceptsOnlyLiveHeadersOfExactSize) {
  List l(0, 0, 0, 0);
  tKOLIST zero{};
  EXPECT_TRUE(KoList_IsList(l, 136) && KoList_IsListFast(l));
  EXPECT_FALSE(KoList_IsList(l, 137) || KoList_IsList(nullptr, 136) || KoList_IsList(&zero, 136));

  // A header whose last bytes run into an unreadable page.
  size_t page = 0;
  unsigned char *mem = PageBeforeHole(&page);
  ASSERT_NE(nullptr, mem);
  // Signature readable (offset 64) but the header's tail is not.
  unsigned char *straddling = mem + page - 100;
  std::memcpy(straddling + 64, "CURT", 4);
  EXPECT_TRUE(!KoList_IsList(straddling, 136) && KoList_IsListFast(straddling));
  EXPECT_FALSE(KoList_IsList(mem + page, 136));
  std::memcpy(mem + page - 136 + 64, "CURT", 4);
  EXPECT_TRUE(KoList_IsList(mem + page - 136, 136));
}

// Random inserts, deletes and moves on value and array lists against a
// std::vector model: positions past the end append, negative counts copy
// their size, deletes stop at the end, the slots beyond the count stay zero.
TEST(KoListModel, InsertDeleteMoveMatchAVector) {
  std::mt19937 rng(7);
  for (uint32_t itemSize : {0u, 20u}) {
    List l(itemSize, int32_t(rng() % 5), int32_t(rng() % 7), itemSize ? kArray : 0);
    const size_t slot = l->nSlotSize;
    std::vector<std::vector<unsigned char>> model;
    int serial = 0;
    for (int round = 0; round < 2000; ++round) {
      const int n = int(model.size());
      const int op = int(rng() % 3);
      if (op == 0 || n < 3) {
        const int count = 1 + int(rng() % 9);
        std::vector<unsigned char> src(count * slot);
        for (auto &b : src) b = static_cast<unsigned char>(++serial | 1);
        int32_t at = int32_t(rng() % (n + 3)) - 1;  // -1 and past the end append
        ASSERT_EQ(S_OK, KoList_InsertList(l, at, src.data(), rng() % 2 ? count : -count));
        if (at < 0 || at > n) at = n;
        for (int i = 0; i < count; ++i)
          model.insert(model.begin() + at + i, std::vector<unsigned char>(&src[i * slot], &src[(i + 1) * slot]));
      } else if (op == 1) {
        const int at = int(rng() % n);
        const int count = int(rng() % 6) - 1;  // -1: to the end
        ASSERT_EQ(S_OK, KoList_DeleteList(l, at, count, rng() % 2 ? TRUE : FALSE));
        model.erase(model.begin() + at, count < 0 ? model.end() : model.begin() + std::min(n, at + count));
      } else {
        const int count = 1 + int(rng() % std::min(n, 40));
        const int from = int(rng() % (n - count + 1)), to = int(rng() % (n - count + 1));
        ASSERT_EQ(S_OK, KoList_MoveRange(l, from, to, count));
        std::vector<std::vector<unsigned char>> run(model.begin() + from, model.begin() + from + count);
        model.erase(model.begin() + from, model.begin() + from + count);
        model.insert(model.begin() + to, run.begin(), run.end());
      }
      ASSERT_EQ(int32_t(model.size()), l->nCount) << "round " << round;
      ASSERT_GE(l->nAllocated, l->nCount);
      for (size_t i = 0; i < model.size(); ++i)
        ASSERT_EQ(0, std::memcmp(model[i].data(), static_cast<unsigned char *>(l->pSlots) + i * slot, slot))
            << "item size " << itemSize << " round " << round << " item " << i;
      ASSERT_TRUE(TailIsZero(l)) << "round " << round;
    }
  }
}

TEST(KoListModel, RefusedPositionsLeaveTheListAloneAndSourcesMayLieInIt) {
  List l(0, 4, 4, 0);
  Append(l, {'A', 'B', 'C', 'D', 'E'});
  // (Inserting nothing with -1: there is no pending item.)
  for (HRESULT hr : {KoList_InsertList(l, 0, nullptr, 3), KoList_InsertList(l, 0, nullptr, -1),
                     KoList_DeleteList(l, 5, 1, FALSE), KoList_DeleteList(l, -2, 1, FALSE),
                     KoList_MoveRange(l, 4, 0, 2), KoList_MoveRange(l, 0, 4, 2)})
    EXPECT_EQ(E_FAIL, hr);
  EXPECT_EQ(E_INVALIDARG, KoList_MoveRange(l, -1, 0, 1));
  EXPECT_EQ((std::vector<int64_t>{'A', 'B', 'C', 'D', 'E'}), Values(l));
  EXPECT_EQ(S_OK, KoList_MoveRange(l, 1, -4, 1));  // to < 0 counts as 0
  EXPECT_EQ(S_OK, KoList_MoveRange(l, 3, 1, -1));  // count -1: to the end
  EXPECT_EQ((std::vector<int64_t>{'B', 'D', 'E', 'A', 'C'}), Values(l));
  // A source inside the slot block, which the growth replaces.
  List s(0, 4, 4, 0);
  Append(s, {1, 2, 3, 4});
  ASSERT_EQ(4, s->nAllocated);
  ASSERT_EQ(S_OK, KoList_InsertList(s, 1, s->pSlots, 4));
  EXPECT_EQ((std::vector<int64_t>{1, 1, 2, 3, 4, 2, 3, 4}), Values(s));
}

TEST(KoListCapacity, GrowShrinkInGrowCounts) {
  List l(0, 8, 4, 0);
  ASSERT_EQ(8, l->nAllocated);
  // Growth by whole grow counts (0 asks for one); with 7 items, shrinking
  // releases whole grow counts up to the request and never more than is
  // free, whatever was asked.
  const struct {
    bool grow;
    int32_t n, allocated;
  } steps[] = {{true, 5, 16}, {true, 0, 20}, {false, 5, 12}, {false, 3, 8}, {false, 1000, 8}};
  for (const auto &st : steps) {
    if (!st.grow && l->nCount == 0) Append(l, {1, 2, 3, 4, 5, 6, 7});
    ASSERT_EQ(S_OK, st.grow ? KoList_GrowAllocated(l, st.n) : KoList_ShrinkAllocated(l, st.n));
    EXPECT_EQ(st.allocated, l->nAllocated) << (st.grow ? "grow " : "shrink ") << st.n;
  }
  EXPECT_EQ((std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7}), Values(l));
  ASSERT_EQ(S_OK, KoList_DeleteList(l, 0, -1, FALSE));
  ASSERT_EQ(S_OK, KoList_ShrinkAllocated(l, -1));
  EXPECT_EQ(0, l->nAllocated);
  Append(l, {9});  // still usable
  EXPECT_EQ(std::vector<int64_t>{9}, Values(l));
  EXPECT_EQ(4, l->nAllocated);

  // Overflowing requests fail and leave the list alone.
  EXPECT_EQ(E_OUTOFMEMORY, KoList_GrowAllocated(l, INT32_MAX));
  EXPECT_EQ(E_OUTOFMEMORY, KoList_InsertList(l, 0, l->pSlots, INT32_MIN));
  EXPECT_EQ(4, l->nAllocated);
  EXPECT_EQ(std::vector<int64_t>{9}, Values(l));

  // A delete with the shrink flag follows the same rule.
  List m(0, 4, 4, 0);
  std::vector<int64_t> v(30);
  for (int i = 0; i < 30; ++i) v[i] = i;
  Append(m, v);
  ASSERT_EQ(36, m->nAllocated);  // 4 + 30 rounded up to 32
  ASSERT_EQ(S_OK, KoList_DeleteList(m, 5, 20, TRUE));  // 10 left, 22 free
  EXPECT_EQ(12, m->nAllocated);
  EXPECT_EQ((std::vector<int64_t>{0, 1, 2, 3, 4, 25, 26, 27, 28, 29}), Values(m));
  ASSERT_EQ(S_OK, KoList_DeleteList(m, 0, 1, TRUE));  // 3 free: not more than 4
  EXPECT_EQ(12, m->nAllocated);
}

TEST(KoListArray, ForceItemCount) {
  List l(4, 4, 4, kArray);
  const int32_t v[] = {1, 2, 3};
  ASSERT_EQ(S_OK, KoList_InsertList(l, 0, v, 3));
  ASSERT_EQ(S_OK, KoList_ArrayForceItemCount(l, 1, FALSE));
  EXPECT_EQ(1, l->nCount);
  ASSERT_EQ(S_OK, KoList_ArrayForceItemCount(l, 10, TRUE));  // beyond the 4 slots
  ASSERT_TRUE(l->nCount == 10 && l->nAllocated >= 10);
  const auto *slots = static_cast<const int32_t *>(l->pSlots);  // dropped items come back
  EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}), std::vector<int32_t>(slots, slots + 10));
  EXPECT_EQ(E_FAIL, KoList_ArrayForceItemCount(l, -1, FALSE));
  List values(0, 0, 0, 0);
  EXPECT_EQ(E_FAIL, KoList_ArrayForceItemCount(values, 3, FALSE));
}

struct Tagged {
  int64_t id;
  int64_t check;
};

std::vector<int64_t> HeapIds(const tKOLIST *l) {
  std::vector<int64_t> out;
  for (int32_t i = 0; i < l->nCount; ++i) {
    const Tagged *t = static_cast<Tagged *const *>(l->pSlots)[i];
    EXPECT_EQ(~t->id, t->check);
    out.push_back(t->id);
  }
  return out;
}

void FillTagged(tKOLIST *l, std::initializer_list<int64_t> ids) {
  for (int64_t id : ids) {
    const Tagged t{id, ~id};
    ASSERT_EQ(S_OK, KoList_AllocAndInsertItem(l, &t, sizeof t, -1, nullptr));
  }
}

TEST(KoListHeapItems, AllocReAllocAndMoveBetweenLists) {
  for (uint32_t extra : {0u, KOLIST_OPT_PRIVATEHEAP | kSync}) {
    List l(0, 0, 0, kHeap | extra);
    int32_t at = 77;
    for (int64_t i = 0; i < 40; ++i) {
      const Tagged t{i, ~i};
      const int32_t index = i % 3 == 0 ? -1 : int32_t(i / 2);
      ASSERT_EQ(S_OK, KoList_AllocAndInsertItem(l, &t, sizeof t, index, &at));
      const int32_t expected = index < 0 || index > int32_t(i) ? int32_t(i) : index;
      EXPECT_EQ(expected, at) << i;
      EXPECT_EQ(i, static_cast<Tagged **>(l->pSlots)[at]->id);
    }
    ASSERT_EQ(S_OK, KoList_AllocAndInsertItem(l, nullptr, 4, 0, nullptr));
    EXPECT_EQ(0, *static_cast<int32_t **>(l->pSlots)[0]);
    // A pending item blocks it and is kept.
    void *p = nullptr;
    ASSERT_EQ(S_OK, KoList_AllocItem(l, 8, &p));
    EXPECT_EQ(E_FAIL, KoList_AllocAndInsertItem(l, nullptr, 4, 0, &at));
    EXPECT_TRUE(at == -1 && p == l->pPendingItem);

    // Reallocation keeps the contents and zero-fills the growth.
    Tagged *before = static_cast<Tagged **>(l->pSlots)[5];
    const Tagged copy = *before;
    ASSERT_EQ(S_OK, KoList_ReAllocItem(l, 5, 4096));
    auto *after = static_cast<unsigned char *>(static_cast<void **>(l->pSlots)[5]);
    EXPECT_EQ(0, std::memcmp(&copy, after, sizeof copy));
    for (size_t i = sizeof copy; i < 4096; ++i) ASSERT_EQ(0, after[i]) << i;
    EXPECT_EQ(4096, KoList_AllocSize(l, 5));
    EXPECT_EQ(E_FAIL, KoList_ReAllocItem(l, l->nCount, 8));
    EXPECT_EQ(E_OUTOFMEMORY, KoList_ReAllocItem(l, 5, uint64_t{1} << 62));
    EXPECT_EQ(after, static_cast<void **>(l->pSlots)[5]);

    // Deleting frees the items (ASan reports any that leak).
    ASSERT_EQ(S_OK, KoList_DeleteList(l, 3, 10, TRUE));
  }
  // Between lists on the same or different heaps (the shared one, or each
  // list's private heap): items on another heap are copied into the
  // destination's, and destroying both frees every item on its own heap.
  for (uint32_t srcHeap : {0u, KOLIST_OPT_PRIVATEHEAP})
    for (uint32_t dstHeap : {0u, KOLIST_OPT_PRIVATEHEAP}) {
      List src(0, 0, 0, kHeap | srcHeap);
      List dst(0, 0, 0, kHeap | dstHeap);
      FillTagged(src, {'A', 'B', 'C'});
      ASSERT_EQ(S_OK, KoList_MoveItemsBetweenHeapLists(dst, 0, src, 1, 2));
      EXPECT_EQ((std::vector<int64_t>{'B', 'C'}), HeapIds(dst));
      EXPECT_EQ(std::vector<int64_t>{'A'}, HeapIds(src));
      FillTagged(src, {'D', 'E'});
      ASSERT_EQ(S_OK, KoList_MoveItemsBetweenHeapLists(dst, 1, src, 0, -1));
      EXPECT_EQ((std::vector<int64_t>{'B', 'A', 'D', 'E', 'C'}), HeapIds(dst));
      EXPECT_EQ(0, src->nCount);
      ASSERT_EQ(S_OK, KoList_MoveItemsBetweenHeapLists(src, 0, dst, 4, 1));  // and back
      EXPECT_EQ(std::vector<int64_t>{'C'}, HeapIds(src));
      EXPECT_EQ(S_OK, KoList_MoveItemsBetweenHeapLists(src, -1, dst, 0, 0));
      EXPECT_EQ(E_FAIL, KoList_MoveItemsBetweenHeapLists(src, -1, dst, 3, 3));
      EXPECT_EQ(E_INVALIDARG, KoList_MoveItemsBetweenHeapLists(dst, 0, dst, 0, 1));
      void *p;
      ASSERT_EQ(S_OK, KoList_AllocItem(src, 8, &p));
      EXPECT_EQ(E_FAIL, KoList_MoveItemsBetweenHeapLists(src, -1, dst, 0, 1));
      EXPECT_EQ(4, dst->nCount);
    }
}

TEST(KoListStorage, CallerStorageAndConversion) {
  tKOLIST storage;
  std::memset(&storage, 0xAB, sizeof storage);
  tKOLIST *l = &storage;
  ASSERT_EQ(S_OK, KoList_CreateExZ(&l, 0, 0, 0, KOLIST_OPT_INPLACE | kHeap, 0, 0, 0));
  EXPECT_TRUE(l == &storage && storage.qwReserved == 0);
  FillTagged(l, {5, 6});
  ASSERT_EQ(S_OK, KoList_Destroy(l));
  EXPECT_EQ(0u, storage.dwSignature);
  // A dead header is refused, not trusted.
  EXPECT_EQ(E_INVALIDARG, KoList_Destroy(&storage));
  EXPECT_EQ(E_INVALIDARG, KoList_InsertList(&storage, 0, nullptr, -1));

  tKOLIST *heapHeader = nullptr;
  ASSERT_EQ(S_OK, KoList_CreateExZ(&heapHeader, 0, 0, 0, 0, 0, 0, 0));
  Append(heapHeader, {1, 2, 3});
  tKOLIST moved;
  ASSERT_EQ(S_OK, KoList_ConvertToInPlace(&heapHeader, &moved));
  EXPECT_TRUE(heapHeader == nullptr && (KoList_GetCreateOptions(&moved) & KOLIST_OPT_INPLACE));
  EXPECT_EQ((std::vector<int64_t>{1, 2, 3}), Values(&moved));
  tKOLIST *again = &moved;
  tKOLIST other;
  EXPECT_EQ(E_FAIL, KoList_ConvertToInPlace(&again, &other));
  EXPECT_EQ(S_OK, KoList_Destroy(&moved));
}

}  // namespace
