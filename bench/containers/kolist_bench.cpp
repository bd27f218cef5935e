// KoList against std::vector, std::sort and std::lower_bound on the same
// data: insertion, deletion, both sorts and the binary searches.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "kokernel/kolist.h"

namespace {

std::vector<int64_t> RandomValues(size_t n, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<int64_t> v(n);
  for (auto &x : v) x = int64_t(rng() >> 1);
  return v;
}

int32_t CompareValues(uint64_t, const void *a, const void *b) {
  const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// The same comparison reached through a function pointer, as the list does.
bool LessThroughPointer(int64_t a, int64_t b) {
  static KOLISTCOMPAREPROC volatile compare = CompareValues;
  return compare(0, reinterpret_cast<const void *>(a), reinterpret_cast<const void *>(b)) < 0;
}

tKOLIST *NewList() {
  tKOLIST *l = nullptr;
  KoList_CreateExZ(&l, 0, 16, 256, 0, 0, 0, 0);
  return l;
}

// ---- insertion ---------------------------------------------------------------
void BM_ListAppend(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 1);
  for (auto _ : state) {
    tKOLIST *l = NewList();
    for (const int64_t &x : v) KoList_InsertList(l, -1, &x, 1);
    benchmark::DoNotOptimize(l->pSlots);
    KoList_Destroy(l);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_VectorPushBack(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 1);
  for (auto _ : state) {
    std::vector<int64_t> out;
    for (const int64_t &x : v) out.push_back(x);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListInsertFront(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 2);
  for (auto _ : state) {
    tKOLIST *l = NewList();
    for (const int64_t &x : v) KoList_InsertList(l, 0, &x, 1);
    benchmark::DoNotOptimize(l->pSlots);
    KoList_Destroy(l);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_VectorInsertFront(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 2);
  for (auto _ : state) {
    std::vector<int64_t> out;
    for (const int64_t &x : v) out.insert(out.begin(), x);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Sorted insertion: find the place, then insert there.
void BM_ListInsertSorted(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 3);
  for (auto _ : state) {
    tKOLIST *l = NewList();
    for (const int64_t &x : v) {
      const void *key = reinterpret_cast<const void *>(x);
      KoList_InsertList(l, KoList_FindSortedInsertIndexRange(l, key, 0, -1, CompareValues), &x, 1);
    }
    benchmark::DoNotOptimize(l->pSlots);
    KoList_Destroy(l);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_VectorInsertSorted(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 3);
  for (auto _ : state) {
    std::vector<int64_t> out;
    for (const int64_t &x : v) out.insert(std::lower_bound(out.begin(), out.end(), x), x);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// ---- deletion ----------------------------------------------------------------
void BM_ListDeleteFront(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 4);
  for (auto _ : state) {
    state.PauseTiming();
    tKOLIST *l = NewList();
    KoList_InsertList(l, 0, v.data(), int32_t(v.size()));
    state.ResumeTiming();
    while (l->nCount) KoList_DeleteList(l, 0, 1, FALSE);
    KoList_Destroy(l);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_VectorEraseFront(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 4);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<int64_t> out = v;
    state.ResumeTiming();
    while (!out.empty()) out.erase(out.begin());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// ---- sorting -----------------------------------------------------------------
template <HRESULT (*Sort)(tKOLIST *, uint64_t, KOLISTCOMPAREPROC)>
void BM_ListSort(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 5);
  tKOLIST *l = NewList();
  for (auto _ : state) {
    state.PauseTiming();
    KoList_DeleteList(l, 0, -1, FALSE);
    KoList_InsertList(l, 0, v.data(), int32_t(v.size()));
    state.ResumeTiming();
    Sort(l, 0, CompareValues);
    benchmark::DoNotOptimize(l->pSlots);
  }
  KoList_Destroy(l);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_StdSort(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 5);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<int64_t> w = v;
    state.ResumeTiming();
    std::sort(w.begin(), w.end());
    benchmark::DoNotOptimize(w.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_StdSortThroughPointer(benchmark::State &state) {
  const auto v = RandomValues(size_t(state.range(0)), 5);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<int64_t> w = v;
    state.ResumeTiming();
    std::sort(w.begin(), w.end(), LessThroughPointer);
    benchmark::DoNotOptimize(w.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// ---- binary search -----------------------------------------------------------
void BM_ListFindSorted(benchmark::State &state) {
  auto v = RandomValues(size_t(state.range(0)), 6);
  std::sort(v.begin(), v.end());
  tKOLIST *l = NewList();
  KoList_InsertList(l, 0, v.data(), int32_t(v.size()));
  const auto keys = RandomValues(1024, 7);
  size_t k = 0;
  for (auto _ : state) {
    const int64_t key = (k & 1) ? v[k % v.size()] : keys[k % keys.size()];
    ++k;
    benchmark::DoNotOptimize(
        KoList_FindSortedItemRange(l, reinterpret_cast<const void *>(key), 0, -1, CompareValues));
  }
  KoList_Destroy(l);
}
void BM_ListFindSortedInsertIndex(benchmark::State &state) {
  auto v = RandomValues(size_t(state.range(0)), 6);
  std::sort(v.begin(), v.end());
  tKOLIST *l = NewList();
  KoList_InsertList(l, 0, v.data(), int32_t(v.size()));
  const auto keys = RandomValues(1024, 7);
  size_t k = 0;
  for (auto _ : state) {
    const int64_t key = (k & 1) ? v[k % v.size()] : keys[k % keys.size()];
    ++k;
    benchmark::DoNotOptimize(KoList_FindSortedInsertIndexRange(
        l, reinterpret_cast<const void *>(key), 0, -1, CompareValues));
  }
  KoList_Destroy(l);
}
void BM_StdLowerBound(benchmark::State &state) {
  auto v = RandomValues(size_t(state.range(0)), 6);
  std::sort(v.begin(), v.end());
  const auto keys = RandomValues(1024, 7);
  size_t k = 0;
  for (auto _ : state) {
    const int64_t key = (k & 1) ? v[k % v.size()] : keys[k % keys.size()];
    ++k;
    benchmark::DoNotOptimize(std::lower_bound(v.begin(), v.end(), key));
  }
}
void BM_StdLowerBoundThroughPointer(benchmark::State &state) {
  auto v = RandomValues(size_t(state.range(0)), 6);
  std::sort(v.begin(), v.end());
  const auto keys = RandomValues(1024, 7);
  size_t k = 0;
  for (auto _ : state) {
    const int64_t key = (k & 1) ? v[k % v.size()] : keys[k % keys.size()];
    ++k;
    benchmark::DoNotOptimize(std::lower_bound(v.begin(), v.end(), key, LessThroughPointer));
  }
}

BENCHMARK(BM_ListAppend)->Arg(1 << 14);
BENCHMARK(BM_VectorPushBack)->Arg(1 << 14);
BENCHMARK(BM_ListInsertFront)->Arg(1 << 12);
BENCHMARK(BM_VectorInsertFront)->Arg(1 << 12);
BENCHMARK(BM_ListInsertSorted)->Arg(1 << 12);
BENCHMARK(BM_VectorInsertSorted)->Arg(1 << 12);
BENCHMARK(BM_ListDeleteFront)->Arg(1 << 12);
BENCHMARK(BM_VectorEraseFront)->Arg(1 << 12);
BENCHMARK(BM_ListSort<KoList_HeapSort>)->Name("BM_ListHeapSort")->Arg(1 << 10)->Arg(1 << 16);
BENCHMARK(BM_ListSort<KoList_Sort>)->Name("BM_ListSelectionSort")->Arg(1 << 10);
BENCHMARK(BM_StdSort)->Arg(1 << 10)->Arg(1 << 16);
BENCHMARK(BM_StdSortThroughPointer)->Arg(1 << 10)->Arg(1 << 16);
BENCHMARK(BM_ListFindSorted)->Arg(1 << 16);
BENCHMARK(BM_ListFindSortedInsertIndex)->Arg(1 << 16);
BENCHMARK(BM_StdLowerBound)->Arg(1 << 16);
BENCHMARK(BM_StdLowerBoundThroughPointer)->Arg(1 << 16);

}  // namespace
