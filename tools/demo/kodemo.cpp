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

#ifdef _WIN32
void Narrow(const KOCHAR *wide, char *out, size_t capacity) {
  size_t i = 0;
  for (; wide[i] && i + 1 < capacity; ++i) out[i] = wide[i] < 128 ? static_cast<char>(wide[i]) : '?';
  out[i] = 0;
}
#endif

void FrameDemo() {
  DWORD support = KoGetCPUSupport(0);
  std::printf("processors: %u, CPU support 0x%08X (class %u):", unsigned(KoGetProcessorCount()),
              unsigned(support), unsigned(support & 0xF));
  const struct {
    DWORD flag;
    const char *name;
  } flags[] = {{KOCPU_MMX, "MMX"},   {KOCPU_SSE, "SSE"},     {KOCPU_SSE2, "SSE2"},
               {KOCPU_SSE3, "SSE3"}, {KOCPU_SSSE3, "SSSE3"}, {KOCPU_SSE41, "SSE4.1"},
               {KOCPU_SSE42, "SSE4.2"}, {KOCPU_AVX, "AVX"},  {KOCPU_CMOV, "CMOV"},
               {KOCPU_FPU, "FPU"},   {KOCPU_TSC, "TSC"},     {KOCPU_DAZ, "DAZ"}};
  for (const auto &f : flags)
    if (support & f.flag) std::printf(" %s", f.name);
  std::printf("\n");
#ifdef _WIN32
  KOCHAR os[64];
  char text[64];
  KoGetOS(os, 64);
  Narrow(os, text, sizeof text);
  std::printf("operating system: %s, at least Windows 10: %s\n", text,
              KoOSVersionOK(10) ? "yes" : "no");
  KOCHAR path[260];
  char pathText[260];
  if (SUCCEEDED(KoKernel_GetAppKernelPathName(path, 260))) {
    Narrow(path, pathText, sizeof pathText);
    std::printf("application kernel: %s\n", pathText);
  }
#endif
  ULONGLONG counter = 0;
  KoDeltaMicrosecEx(&counter);
  volatile double sink = 0;
  for (int i = 0; i < 1000000; ++i) sink = sink + i * 0.5;
  std::printf("clocks: %u ms since start-up; a million additions took %u us\n",
              unsigned(KoGetMillisec()), unsigned(KoDeltaMicrosecEx(&counter)));
}

}  // namespace

int main() {
  std::printf("kokernel demo host\n");
#ifdef _WIN32
  HMODULE self = GetModuleHandleW(nullptr);
#else
  HMODULE self = nullptr;
#endif
  if (!KoKernel_EarlyInitialize(self, 0)) {
    std::printf("start-up failed\n");
    return 1;
  }
  FrameDemo();
  std::printf("Win32 error 2 -> 0x%08X\n",
              static_cast<unsigned>(KoErrorHandler_TranslateWin32Error(2)));
  ListDemo();
  KoKernel_LateTerminate();
  return 0;
}
