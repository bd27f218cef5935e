// KoList sorting and searching, checked against std::sort and
// std::lower_bound on random data.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "kokernel/kolist.h"
#include "list_helpers.h"

using namespace kotest;

namespace {

template <class T>
int32_t Order(T x, T y) {
  return x < y ? -1 : (x > y ? 1 : 0);
}
// Value lists: criteria 0 ascending, 1 descending.
int32_t CompareValues(uint64_t criteria, const void *a, const void *b) {
  return criteria == 1 ? Order(I(b), I(a)) : Order(I(a), I(b));
}
// Array items and heap items start with a 32-bit key.
int32_t CompareKeys(uint64_t, const void *a, const void *b) {
  int32_t x, y;
  std::memcpy(&x, a, 4), std::memcpy(&y, b, 4);
  return Order(x, y);
}

using SortFn = HRESULT (*)(tKOLIST *, uint64_t, KOLISTCOMPAREPROC);
const SortFn kSorts[] = {KoList_Sort, KoList_HeapSort};
const char *const kSortNames[] = {"KoList_Sort", "KoList_HeapSort"};

// Value lists (criteria 0), array items of odd slot sizes (the 258-byte
// item swaps through more than one buffer load) whose payload follows from
// the key, and heap items sorted by their pointee; few and many distinct
// keys, against std::sort.
class KoListSortKinds : public testing::TestWithParam<std::tuple<int, uint32_t>> {};

TEST_P(KoListSortKinds, MatchStdSort) {
  const auto [s, itemSize] = GetParam();  // item size 0: values, 1: heap items
  std::mt19937_64 rng(11 + itemSize);
  for (int n : {2, 3, 5, 8, 31, 100, 257}) {
    for (uint64_t range : {uint64_t{4}, itemSize ? uint64_t{1} << 30 : uint64_t{1} << 40}) {
      const uint32_t opts = itemSize == 0 ? 0 : itemSize == 1 ? kHeap : kArray;
      List l(itemSize > 1 ? itemSize : 0, 0, 0, opts);
      const size_t slot = size_t(l->nSlotSize);
      std::vector<int64_t> keys(n);
      for (auto &k : keys) k = int64_t(rng() % range) - int64_t(range / 2);
      auto items = [&](const std::vector<int64_t> &ks) {
        std::vector<unsigned char> out(n * slot);
        for (int i = 0; i < n; ++i) {
          const int32_t k = int32_t(ks[i]);
          std::memcpy(&out[i * slot], &k, 4);
          for (size_t b = 4; b < slot; ++b) out[i * slot + b] = static_cast<unsigned char>(k * 7 + b);
        }
        return out;
      };
      if (itemSize == 0) {
        Append(l, keys);
      } else if (itemSize == 1) {
        for (int64_t k : keys) {
          const int32_t k32 = int32_t(k);
          ASSERT_EQ(S_OK, KoList_AllocAndInsertItem(l, &k32, sizeof k32, -1, nullptr));
        }
      } else {
        ASSERT_EQ(((itemSize + 3) / 4) * 4, slot);
        ASSERT_EQ(S_OK, KoList_InsertList(l, 0, items(keys).data(), n));
      }
      ASSERT_EQ(S_OK, kSorts[s](l, 0, itemSize ? CompareKeys : CompareValues));
      std::sort(keys.begin(), keys.end());
      if (itemSize == 0) {
        ASSERT_EQ(keys, Values(l)) << kSortNames[s] << " n " << n;
      } else if (itemSize == 1) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(keys[i], *static_cast<int32_t **>(l->pSlots)[i]) << kSortNames[s] << i;
      } else {
        ASSERT_EQ(0, std::memcmp(items(keys).data(), l->pSlots, n * slot)) << kSortNames[s] << " slot " << slot;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, KoListSortKinds,
                         testing::Combine(testing::Values(0, 1), testing::Values(0u, 1u, 5u, 9u, 15u, 30u, 258u)));

// The criteria are stored and reach the comparison, also of the searches;
// without a comparison the list stays as it is.
TEST(KoListSort, CriteriaAndMissingComparison) {
  for (int s = 0; s < 2; ++s) {
    List d(0, 0, 0, 0);
    Append(d, {5, 9, 2});
    ASSERT_EQ(S_OK, kSorts[s](d, 1, CompareValues));
    EXPECT_EQ((std::vector<int64_t>{9, 5, 2}), Values(d)) << kSortNames[s];
    ASSERT_EQ(S_OK, kSorts[s](d, 77, nullptr));
    EXPECT_TRUE(Values(d) == (std::vector<int64_t>{9, 5, 2}) && KoList_GetSortCriteria(d) == 77u);
    ASSERT_EQ(S_OK, KoList_Sort(d, 1, nullptr));
    EXPECT_EQ(1, KoList_FindSortedItemRange(d, V(5), 0, -1, CompareValues));
    EXPECT_EQ(2, KoList_FindSortedInsertIndexRange(d, V(3), 0, -1, CompareValues));
  }
}

TEST(KoListSearch, BinarySearchesMatchLowerBoundAndLinearScans) {
  std::mt19937 rng(9);
  for (int n : {1, 2, 3, 4, 5, 8, 13, 64, 333}) {
    std::vector<int64_t> v(n);
    for (auto &x : v) x = int64_t(rng() % (n + 3)) * 2;  // even values, some repeated
    std::sort(v.begin(), v.end());
    List l(0, 0, 0, 0);
    Append(l, v);
    for (int round = 0; round < 60; ++round) {
      const int start = int(rng() % (n + 1));
      const int count = int(rng() % (n + 2)) - 1;  // -1 means to the end
      const int end = count < 0 ? n : std::min(n, start + count);
      const int64_t key = int64_t(rng() % (2 * n + 8)) - 2;
      const auto lo = std::lower_bound(v.begin() + start, v.begin() + end, key);
      const bool present = lo != v.begin() + end && *lo == key;
      const int32_t ins = KoList_FindSortedInsertIndexRange(l, V(key), start, count, CompareValues);
      const int32_t found = KoList_FindSortedItemRange(l, V(key), start, count, CompareValues);
      if (present) {
        for (int32_t at : {ins, found}) {
          ASSERT_TRUE(at >= start && at < end) << at;
          EXPECT_EQ(key, v[at]) << "n " << n << " start " << start << " count " << count;
        }
      } else {
        EXPECT_EQ(int32_t(lo - v.begin()), ins)
            << "key " << key << " n " << n << " start " << start << " count " << count;
        EXPECT_EQ(-1, found) << "key " << key << " n " << n;
      }
    }
  }
  // Linear scans.
  List l(0, 0, 0, 0);
  Append(l, {4, 8, 4, 8, 4});
  auto matchHalf = [](const void *key, const void *item) -> int32_t { return I(item) * 2 == I(key) ? 0 : 1; };
  List arr(6, 0, 0, kArray);  // compares all 8 slot bytes
  const char items[3][8] = {"abcdefg", "hijklmn", "abcdefz"};
  ASSERT_EQ(S_OK, KoList_InsertList(arr, 0, items, 3));
  auto matchFirst = [](const void *key, const void *item) -> int32_t {
    return *static_cast<const char *>(item) == *static_cast<const char *>(key) ? 0 : 1;
  };
  const struct {
    int32_t got, want;
  } cases[] = {
      {KoList_FindSpecificItemRange(l, 2, 1, V(4)), 2},     {KoList_FindSpecificItemRange(l, 2, 1, V(8)), -1},
      {KoList_FindSpecificItemRange(l, -5, -1, V(8)), 1},   {KoList_FindSpecificItemRange(l, 6, -1, V(4)), -1},
      {KoList_FindItemRange(l, -5, -1, V(16), matchHalf), 1}, {KoList_FindItemRange(l, 2, -1, V(16), matchHalf), 3},
      {KoList_FindItemRange(l, 0, -1, V(16), nullptr), -1},  {KoList_FindSpecificItemRange(arr, 0, -1, "abcdefz"), 2},
      {KoList_FindSpecificItemRange(arr, 0, 2, "abcdefz"), -1}, {KoList_FindItemRange(arr, 0, -1, "h", matchFirst), 1},
  };
  for (const auto &c : cases) EXPECT_EQ(c.want, c.got) << "case " << (&c - cases);
}

TEST(KoListSortTo, InsertsInOrderAndLeavesTheSource) {
  std::mt19937 rng(13);
  std::vector<int64_t> v(300);
  for (auto &x : v) x = int64_t(rng() % 100);
  List src(0, 0, 0, 0);
  Append(src, v);
  List dst(0, 0, 0, 0);
  Append(dst, {-5, 50, 500});
  ASSERT_EQ(S_OK, KoList_SortTo(dst, src, 0, CompareValues));
  EXPECT_EQ(v, Values(src));
  std::vector<int64_t> expected = v;
  expected.insert(expected.end(), {-5, 50, 500});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, Values(dst));
  EXPECT_EQ(E_INVALIDARG, KoList_SortTo(src, src, 0, CompareValues));

  // Array items of one slot size.
  List asrc(10, 0, 0, kArray), adst(10, 0, 0, kArray);
  std::vector<std::array<int32_t, 3>> items(80);
  for (int i = 0; i < 80; ++i) items[i] = {int32_t(rng() % 20), i, -i};
  ASSERT_EQ(S_OK, KoList_InsertList(asrc, 0, items.data(), 80));
  ASSERT_EQ(S_OK, KoList_SortTo(adst, asrc, 3, CompareKeys));
  ASSERT_TRUE(adst->nCount == 80 && KoList_GetSortCriteria(adst) == 3u);
  const auto *out = static_cast<const std::array<int32_t, 3> *>(adst->pSlots);
  for (int i = 0; i < 80; ++i) EXPECT_TRUE(items[out[i][1]] == out[i] && (!i || out[i - 1][0] <= out[i][0])) << i;
  // A heap-item destination refuses copies and stays unchanged; slot sizes
  // that differ are refused.
  List heap(0, 0, 0, kHeap);
  List wide(20, 0, 0, kArray);
  ASSERT_EQ(S_OK, KoList_SortTo(heap, src, 0, CompareValues));
  EXPECT_EQ(E_INVALIDARG, KoList_SortTo(wide, asrc, 0, CompareKeys));
  EXPECT_TRUE(heap->nCount == 0 && wide->nCount == 0);
}

}  // namespace
