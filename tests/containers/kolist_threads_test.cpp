// Synchronised lists under real threads: four threads insert, delete, move
// and allocate-and-insert at once; afterwards the count, every item and the
// zero tail are checked.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "kokernel/kolist.h"
#include "list_helpers.h"
#include "platform/platform.h"

using namespace kotest;

namespace {
constexpr int kThreads = 4;
constexpr int kOpsPerThread = 3000;
constexpr int64_t kMagic = 0x5A5A1234;

struct Item {
  int64_t magic, id, check;
};
Item MakeItem(int64_t id) { return Item{kMagic, id, ~id * 31}; }
bool Intact(const Item *it) { return it && it->magic == kMagic && it->check == ~it->id * 31; }

int32_t CompareIds(uint64_t, const void *a, const void *b) {
  const int64_t x = static_cast<const Item *>(a)->id, y = static_cast<const Item *>(b)->id;
  return x < y ? -1 : (x > y ? 1 : 0);
}

int32_t CountOf(const tKOLIST *l) { return __atomic_load_n(&l->nCount, __ATOMIC_RELAXED); }

// Every kind of change at once on a heap-item list; returns the net number
// of items this thread added. `handOver` also inserts items allocated by the
// caller on the C heap (not for private-heap lists).
int64_t Hammer(tKOLIST *l, int thread, bool handOver) {
  std::mt19937 rng(1000 + thread);
  int64_t net = 0;
  int64_t nextId = int64_t(thread) << 32;
  for (int op = 0; op < kOpsPerThread; ++op) {
    const int32_t count = CountOf(l);  // a hint only: others change it
    const int32_t index = count > 0 ? int32_t(rng() % uint32_t(count)) : 0;
    const int kind = op % 8 == 2 ? 2 : int(rng() % 8);
    if (op % 8 == 2 && handOver) {  // items handed over by pointer
      void *items[2];
      for (auto &p : items) {
        p = ko::platform::ItemCalloc(sizeof(Item));
        const Item it = MakeItem(nextId++);
        std::memcpy(p, &it, sizeof it);
      }
      EXPECT_EQ(S_OK, KoList_InsertList(l, index, items, -2));
      net += 2;
    } else if (kind <= 2) {
      const Item it = MakeItem(nextId++);
      int32_t at = -2;
      const bool ok = KoList_AllocAndInsertItem(l, &it, sizeof it, index, &at) == S_OK;
      net += ok;
      EXPECT_TRUE(ok ? at >= 0 : at == -1) << at;
    } else if (kind <= 4) {
      // The index may be stale: E_FAIL is allowed and then nothing changed.
      // One item per call, so that each success removes exactly one.
      for (int32_t k = 0, n = 1 + int32_t(rng() % 3); k < n; ++k) {
        const HRESULT hr = KoList_DeleteList(l, index, 1, (rng() & 1) ? TRUE : FALSE);
        EXPECT_TRUE(hr == S_OK || hr == E_FAIL) << std::hex << hr;
        net -= hr == S_OK;
      }
    } else if (kind == 5) {
      const HRESULT hr = KoList_MoveRange(l, index, int32_t(rng() % uint32_t(count + 1)), 1);
      EXPECT_TRUE(hr == S_OK || hr == E_FAIL) << std::hex << hr;
    } else if (kind == 6) {
      EXPECT_GT(KoList_AllocSize(l, -1), 136);
      KoList_IsValidIndexSlow(l, index);
    } else {
      EXPECT_TRUE(op % 97 || KoList_HeapSort(l, 0, CompareIds) == S_OK);
      KoList_SetUserData(l, uint64_t(thread));
    }
  }
  return net;
}

void CheckHeapList(tKOLIST *l, int64_t expectedCount) {
  ASSERT_EQ(expectedCount, l->nCount);
  std::set<int64_t> ids;
  for (int32_t i = 0; i < l->nCount; ++i) {
    const Item *it = static_cast<Item *const *>(l->pSlots)[i];
    ASSERT_TRUE(Intact(it)) << "item " << i;
    ASSERT_TRUE(ids.insert(it->id).second) << "id twice: " << it->id;
  }
  EXPECT_TRUE(TailIsZero(l));
  EXPECT_EQ(nullptr, l->pPendingItem);
  EXPECT_LT(KoList_GetUserData(l), uint64_t(kThreads));
}

// Heap-item lists from the shared and from a private heap, and a list whose
// header moved into caller storage (its lock must work there).
TEST(KoListThreads, FourThreadsChangeOneSynchronisedList) {
  for (int form = 0; form < 3; ++form) {
    tKOLIST *heapHeader = nullptr, storage;
    const uint32_t options = kHeap | kSync | (form == 1 ? KOLIST_OPT_PRIVATEHEAP : 0u);
    ASSERT_EQ(S_OK, KoList_CreateExZ(&heapHeader, 0, form == 0 ? 4 : 0, form == 0 ? 4 : 0, options, 0, 0, 0));
    tKOLIST *l = heapHeader;
    if (form == 2) {
      ASSERT_EQ(S_OK, KoList_ConvertToInPlace(&heapHeader, &storage));
      l = &storage;
    }
    std::atomic<int64_t> net{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { net += Hammer(l, t, form != 1); });
    for (auto &t : threads) t.join();
    CheckHeapList(l, net.load());
    EXPECT_EQ(S_OK, KoList_Destroy(l));
  }
}

}  // namespace
