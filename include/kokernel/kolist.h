/*
 * kokernel: KoList, the growable list container, with its sorting and
 * searching functions.
 *
 * A list is a 136-byte header record, tKOLIST, that owns one contiguous block
 * of slots. Hosts may read the item count, the slot size and the slot block
 * directly from the header, and may keep a header in their own storage
 * (KOLIST_OPT_INPLACE). Item i (0 <= i < nCount) is the slot at
 * pSlots + i * nSlotSize.
 *
 * Three kinds of list:
 *  - value lists (neither KOLIST_OPT_HEAPITEMS nor KOLIST_OPT_ARRAYITEMS):
 *    every slot holds an 8-byte value, typically a pointer the caller owns;
 *  - heap-item lists (KOLIST_OPT_HEAPITEMS): every slot holds a pointer to a
 *    zero-filled item that the list allocated and owns;
 *  - array-item lists (KOLIST_OPT_ARRAYITEMS): items are stored in the slots,
 *    the slot size is the item size rounded up to a multiple of 4.
 *
 * Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOLIST_H
#define KOKERNEL_KOLIST_H

#include "kobase.h"
#include "koresult.h"

/* ---- create options ------------------------------------------------------ */
#define KOLIST_OPT_HEAPITEMS 0x00000002u    /* slots hold owned item pointers */
#define KOLIST_OPT_ARRAYITEMS 0x00000004u   /* items stored in the slots */
#define KOLIST_OPT_INPLACE 0x00000008u      /* header in caller storage */
#define KOLIST_OPT_PRIVATEHEAP 0x10000000u  /* heap items from a private heap */
#define KOLIST_OPT_NOTHREADCHECK 0x40000000u /* always set by creation */
#define KOLIST_OPT_SYNCHRONIZED 0x80000000u /* every operation takes the lock */

/* "CURT" read as a little-endian 32-bit integer: the header of a live list. */
#define KOLIST_SIGNATURE 0x54525543u

/* Size of the header record; KoList_IsList accepts only this size. */
#define KOLIST_HEADER_SIZE 136

/* Granularity limits of capacity changes. */
#define KOLIST_GROW_MIN 4
#define KOLIST_GROW_MAX 66560

/* Heap flags stored in heap-item lists (Win32 values). */
#define KOLIST_HEAP_NO_SERIALIZE 0x00000001u
#define KOLIST_HEAP_ZERO_MEMORY 0x00000008u

/* The 40-byte lock of a synchronised list: a CRITICAL_SECTION on Windows,
 * opaque aligned storage for the platform's re-entrant lock elsewhere. */
#ifdef _WIN32
typedef CRITICAL_SECTION KOLISTLOCK;
#else
typedef union _kolistlock {
  unsigned char bytes[40];
  uint64_t align_;
} KOLISTLOCK;
#endif

/* The list header record (136 bytes, natural alignment). */
typedef struct _tKOLIST {
  int32_t nCount;            /* number of items */
  uint64_t nSlotSize;        /* bytes per slot */
  void *pSlots;              /* slot block: nCount used slots, then free ones */
  KOLISTLOCK lock;           /* initialised only for synchronised lists */
  uint32_t dwSignature;      /* KOLIST_SIGNATURE while alive, 0 after destruction */
  uint32_t dwCreateOptions;  /* KOLIST_OPT_* */
  uint64_t qwUserData;       /* free for the owner */
  uint64_t qwSortCriteria;   /* criteria of the last sort */
  uint32_t dwOwnerThread;    /* thread identifier of the creator, or as set */
  int32_t nAllocated;        /* slots in the slot block */
  int32_t nGrowCount;        /* granularity of capacity changes */
  HANDLE hItemHeap;          /* private item heap (KOLIST_OPT_PRIVATEHEAP) */
  uint32_t dwHeapAllocFlags; /* 9 for heap-item lists */
  uint32_t dwHeapFreeFlags;  /* 1 for heap-item lists */
  void *pPendingItem;        /* allocated by KoList_AllocItem, not yet inserted */
  uint64_t qwReserved;       /* zero */
} tKOLIST;

#ifdef __cplusplus
static_assert(sizeof(tKOLIST) == 136, "tKOLIST is 136 bytes");
static_assert(sizeof(KOLISTLOCK) == 40, "the list lock is 40 bytes");
static_assert(sizeof(void *) == 8, "lists hold 8-byte values");
#else
_Static_assert(sizeof(tKOLIST) == 136, "tKOLIST is 136 bytes");
_Static_assert(sizeof(KOLISTLOCK) == 40, "the list lock is 40 bytes");
_Static_assert(sizeof(void *) == 8, "lists hold 8-byte values");
#endif

/*
 * Comparison function of the sorts and sorted searches: returns a negative
 * value when a orders before b, 0 when they are equal, a positive value when
 * a orders after b. criteria is the list's sort criteria. For value lists and
 * heap-item lists a and b are the slot values (the 8-byte value or the item
 * pointer, carried as a pointer); for array-item lists they point to the
 * slots. In the searches a is the caller's key, passed through unchanged.
 */
typedef int32_t (*KOLISTCOMPAREPROC)(uint64_t criteria, const void *a, const void *b);

/* Match predicate of KoList_FindItemRange: returns 0 when item matches key;
 * item is passed as for KOLISTCOMPAREPROC. */
typedef int32_t (*KOLISTMATCHPROC)(const void *key, const void *item);

KO_BEGIN_DECLS

/* ---- lifetime ------------------------------------------------------------ */
KOAPI HRESULT KoList_CreateExZ(tKOLIST **list, uint32_t itemSize, int32_t initialCount,
                               int32_t growCount, uint32_t options, uint64_t reserved1,
                               uint64_t reserved2, uint64_t reserved3);
KOAPI HRESULT KoList_Destroy(tKOLIST *list);
KOAPI HRESULT KoList_ConvertToInPlace(tKOLIST **list, tKOLIST *storage);
KOAPI BOOL KoList_IsList(const void *p, uint64_t size);
KOAPI BOOL KoList_IsListFast(const void *p);
KOAPI BOOL KoList_IsValidIndexSlow(tKOLIST *list, int32_t index);

/* ---- items and capacity -------------------------------------------------- */
KOAPI HRESULT KoList_InsertList(tKOLIST *list, int32_t index, const void *source, int32_t count);
KOAPI HRESULT KoList_DeleteList(tKOLIST *list, int32_t index, int32_t count, BOOL shrink);
KOAPI HRESULT KoList_MoveRange(tKOLIST *list, int32_t from, int32_t to, int32_t count);
KOAPI HRESULT KoList_GrowAllocated(tKOLIST *list, int32_t slots);
KOAPI HRESULT KoList_ShrinkAllocated(tKOLIST *list, int32_t slots);
KOAPI HRESULT KoList_ArrayForceItemCount(tKOLIST *list, int32_t count, BOOL flag);

/* ---- heap items ------------------------------------------------------------ */
KOAPI HRESULT KoList_AllocItem(tKOLIST *list, uint64_t size, void **item);
KOAPI HRESULT KoList_AllocAndInsertItem(tKOLIST *list, const void *source, uint64_t size,
                                        int32_t index, int32_t *insertedIndex);
KOAPI HRESULT KoList_ReAllocItem(tKOLIST *list, int32_t index, uint64_t size);
KOAPI HRESULT KoList_MoveItemsBetweenHeapLists(tKOLIST *destination, int32_t destinationIndex,
                                               tKOLIST *source, int32_t sourceIndex,
                                               int32_t count);
KOAPI int64_t KoList_AllocSize(tKOLIST *list, int32_t index);

/* ---- header fields --------------------------------------------------------- */
KOAPI uint64_t KoList_SetUserData(tKOLIST *list, uint64_t value);
KOAPI uint64_t KoList_GetUserData(tKOLIST *list);
KOAPI uint32_t KoList_GetCreateOptions(tKOLIST *list);
KOAPI uint64_t KoList_GetSortCriteria(tKOLIST *list);
KOAPI uint32_t KoList_GetThreadOwner(tKOLIST *list);
KOAPI HRESULT KoList_SetThreadOwner(tKOLIST *list, uint32_t threadId);
KOAPI uint32_t KoList_GetFileAndLine(tKOLIST *list, KOCHAR *buffer);

/* ---- sorting and searching ------------------------------------------------- */
KOAPI HRESULT KoList_Sort(tKOLIST *list, uint64_t criteria, KOLISTCOMPAREPROC compare);
KOAPI HRESULT KoList_HeapSort(tKOLIST *list, uint64_t criteria, KOLISTCOMPAREPROC compare);
KOAPI HRESULT KoList_SortTo(tKOLIST *destination, tKOLIST *source, uint64_t criteria,
                            KOLISTCOMPAREPROC compare);
KOAPI int32_t KoList_FindSpecificItemRange(tKOLIST *list, int32_t start, int32_t count,
                                           const void *key);
KOAPI int32_t KoList_FindItemRange(tKOLIST *list, int32_t start, int32_t count,
                                   const void *key, KOLISTMATCHPROC match);
KOAPI int32_t KoList_FindSortedItemRange(tKOLIST *list, const void *key, int32_t start,
                                         int32_t count, KOLISTCOMPAREPROC compare);
KOAPI int32_t KoList_FindSortedInsertIndexRange(tKOLIST *list, const void *key, int32_t start,
                                                int32_t count, KOLISTCOMPAREPROC compare);

KO_END_DECLS

#endif /* KOKERNEL_KOLIST_H */
