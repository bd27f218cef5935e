/* The list header used from C: builds, and the record reads the same. */
#include <stddef.h>

#include "kokernel/kolist.h"

static int32_t CompareAscending(uint64_t criteria, const void *a, const void *b) {
  (void)criteria;
  return (intptr_t)a < (intptr_t)b ? -1 : ((intptr_t)a > (intptr_t)b ? 1 : 0);
}

/* Sorts 5 values in a list made from C; returns the sum of value * position
 * (0 on any failure) and the header offsets as C sees them. */
int64_t kolist_c_user(size_t offsets[4]) {
  const int64_t values[5] = {50, 10, 40, 20, 30};
  tKOLIST *list = NULL;
  int64_t sum = 0;
  int32_t i;
  offsets[0] = offsetof(tKOLIST, pSlots);
  offsets[1] = offsetof(tKOLIST, dwSignature);
  offsets[2] = offsetof(tKOLIST, hItemHeap);
  offsets[3] = offsetof(tKOLIST, qwReserved);
  if (KoList_CreateExZ(&list, 0, 0, 0, KOLIST_OPT_SYNCHRONIZED, 0, 0, 0) != S_OK) return 0;
  if (KoList_InsertList(list, 0, values, 5) == S_OK &&
      KoList_HeapSort(list, 0, CompareAscending) == S_OK) {
    for (i = 0; i < list->nCount; ++i) sum += ((const int64_t *)list->pSlots)[i] * (i + 1);
  }
  KoList_Destroy(list);
  return sum;
}
