// kodemo: a small host program that loads the library the way the editors
// do and shows what the frame and the containers offer.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "kokernel/kokernel.h"

namespace {

int32_t CompareNames(uint64_t, const void *a, const void *b) {
  return std::strcmp(static_cast<const char *>(a), static_cast<const char *>(b));
}

void ListDemo() {
  tKOLIST *list = nullptr;
  HRESULT hr = KoList_CreateExZ(&list, 0, 0, 0,
                                KOLIST_OPT_HEAPITEMS | KOLIST_OPT_SYNCHRONIZED, 0, 0, 0);
  if (FAILED(hr)) {
    std::printf("KoList_CreateExZ failed: 0x%08X\n", static_cast<unsigned>(hr));
    return;
  }
  const char *clips[] = {"titles", "b-roll", "interview", "music", "ambience"};
  for (const char *clip : clips) {
    // Keep the list sorted as it grows: find the place, then insert there.
    int32_t at = KoList_FindSortedInsertIndexRange(list, clip, 0, -1, CompareNames);
    KoList_AllocAndInsertItem(list, clip, std::strlen(clip) + 1, at, nullptr);
  }
  std::printf("list of %d clips, %d slots allocated:", list->nCount, list->nAllocated);
  for (int32_t i = 0; i < list->nCount; ++i)
    std::printf(" %s", static_cast<const char *>(reinterpret_cast<void **>(list->pSlots)[i]));
  std::printf("\n\"music\" found at index %d; footprint %" PRId64 " bytes\n",
              KoList_FindSortedItemRange(list, "music", 0, -1, CompareNames),
              KoList_AllocSize(list, -1));
  KoList_Destroy(list);
}

}  // namespace

int main() {
  std::printf("kokernel demo host\n");
  std::printf("Win32 error 2 -> 0x%08X\n",
              static_cast<unsigned>(KoErrorHandler_TranslateWin32Error(2)));
  ListDemo();
  return 0;
}
