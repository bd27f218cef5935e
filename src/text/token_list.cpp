// The formatter's token list.
#include "text/token_list.h"

#include <atomic>

namespace ko::text {
namespace {

constexpr uint32_t kSlotBytes = 8;
constexpr int32_t kInitialSlots = 16;
constexpr int32_t kGrowSlots = 16;
constexpr uint32_t kOptions = KOLIST_OPT_SYNCHRONIZED | KOLIST_OPT_HEAPITEMS;  // 0x80000002

// Written by the start-up and the shutdown (one thread), read by every
// formatting call in between.
std::atomic<tKOLIST *> g_tokens{nullptr};

}  // namespace

HRESULT CreateTokenList() {
  if (g_tokens.load(std::memory_order_acquire)) return S_OK;
  tKOLIST *list = nullptr;
  const HRESULT hr =
      KoList_CreateExZ(&list, kSlotBytes, kInitialSlots, kGrowSlots, kOptions, 0, 0, 0);
  if (FAILED(hr)) return hr;
  g_tokens.store(list, std::memory_order_release);
  return S_OK;
}

void DestroyTokenList() {
  tKOLIST *list = g_tokens.exchange(nullptr, std::memory_order_acq_rel);
  if (list) KoList_Destroy(list);
}

tKOLIST *TokenList() { return g_tokens.load(std::memory_order_acquire); }

}  // namespace ko::text
