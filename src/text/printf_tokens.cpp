// The token list of the formatting engine: named replacement texts for
// "$(name)", kept sorted by name (case-insensitive) and guarded by one
// re-entrant lock for registration, deletion and every lookup.
//
// Each token is one block: a reserved word, a pointer to the name, the
// value length and a pointer to the value, followed by the name text and,
// at the next 4-byte boundary, the value text.
#include <cstring>

#include "kokernel/koprintf.h"
#include "platform/platform.h"
#include "text/printf_engine.h"

namespace ko::text {

namespace {

struct TokenItem {
  uint32_t reserved;
  const KOCHAR *name;
  uint32_t valueLength;
  const KOCHAR *value;
};

constexpr size_t kGrowth = 16;

// Sorted array of token blocks with its lock.
class TokenTable {
 public:
  TokenTable() { platform::LockInit(&lock_); }
  platform::LockStorage *Lock() { return &lock_; }

  // Index of the name, or -(insertion point) - 1.
  ptrdiff_t Find(const KOCHAR *name, size_t n) const {
    size_t lo = 0, hi = count_;
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      const TokenItem *it = items_[mid];
      int r = CompareTokenNames(name, n, it->name, WideLength(it->name));
      if (r == 0) return static_cast<ptrdiff_t>(mid);
      if (r < 0)
        hi = mid;
      else
        lo = mid + 1;
    }
    return -static_cast<ptrdiff_t>(lo) - 1;
  }
  const TokenItem *At(size_t i) const { return items_[i]; }

  bool Insert(size_t at, TokenItem *item) {
    if (count_ == capacity_) {
      size_t cap = capacity_ + kGrowth;
      void *p = platform::ItemReAlloc(items_, cap * sizeof(TokenItem *));
      if (!p) return false;
      items_ = static_cast<TokenItem **>(p);
      capacity_ = cap;
    }
    std::memmove(items_ + at + 1, items_ + at, (count_ - at) * sizeof(TokenItem *));
    items_[at] = item;
    ++count_;
    return true;
  }

  void Remove(size_t at) {
    platform::ItemFree(items_[at]);
    std::memmove(items_ + at, items_ + at + 1, (count_ - at - 1) * sizeof(TokenItem *));
    --count_;
  }

  // Gives back room when more than one growth step is free.
  void Shrink() {
    if (capacity_ - count_ <= kGrowth) return;
    size_t cap = (count_ + kGrowth - 1) / kGrowth * kGrowth;
    if (cap == 0) {
      platform::ItemFree(items_);
      items_ = nullptr;
      capacity_ = 0;
      return;
    }
    void *p = platform::ItemReAlloc(items_, cap * sizeof(TokenItem *));
    if (p) {
      items_ = static_cast<TokenItem **>(p);
      capacity_ = cap;
    }
  }

 private:
  platform::LockStorage lock_;
  TokenItem **items_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

TokenTable &Table() {
  static TokenTable *table = new TokenTable();  // lives for the process
  return *table;
}

TokenItem *MakeItem(const KOCHAR *name, const KOCHAR *value) {
  size_t nn = WideLength(name), vn = WideLength(value);
  if (vn > UINT32_MAX) return nullptr;
  size_t nameBytes = (nn + 1) * sizeof(KOCHAR);
  size_t valueOffset = (sizeof(TokenItem) + nameBytes + 3) & ~size_t{3};
  auto *block = static_cast<unsigned char *>(
      platform::ItemCalloc(valueOffset + (vn + 1) * sizeof(KOCHAR)));
  if (!block) return nullptr;
  auto *item = reinterpret_cast<TokenItem *>(block);
  auto *nameText = reinterpret_cast<KOCHAR *>(block + sizeof(TokenItem));
  auto *valueText = reinterpret_cast<KOCHAR *>(block + valueOffset);
  std::memcpy(nameText, name, nn * sizeof(KOCHAR));
  if (vn) std::memcpy(valueText, value, vn * sizeof(KOCHAR));
  item->reserved = 0;
  item->name = nameText;
  item->valueLength = static_cast<uint32_t>(vn);
  item->value = valueText;
  return item;
}

}  // namespace

bool AddToken(const KOCHAR *name, const KOCHAR *value) {
  if (!name) return false;
  static const KOCHAR kEmpty[] = {0};
  if (!value) value = kEmpty;
  TokenItem *item = MakeItem(name, value);
  if (!item) return false;
  TokenTable &t = Table();
  platform::LockGuard guard(t.Lock());
  size_t nn = WideLength(name);
  ptrdiff_t at = t.Find(name, nn);
  if (at >= 0) {
    t.Remove(static_cast<size_t>(at));
    at = t.Find(name, nn);
  }
  if (!t.Insert(static_cast<size_t>(-at - 1), item)) {
    platform::ItemFree(item);
    return false;
  }
  return true;
}

bool DeleteToken(const KOCHAR *name) {
  if (!name) return false;
  TokenTable &t = Table();
  platform::LockGuard guard(t.Lock());
  ptrdiff_t at = t.Find(name, WideLength(name));
  if (at < 0) return false;
  t.Remove(static_cast<size_t>(at));
  t.Shrink();
  return true;
}

bool WriteToken(Sink &out, const KOCHAR *name, size_t n) {
  TokenTable &t = Table();
  platform::LockGuard guard(t.Lock());
  ptrdiff_t at = t.Find(name, n);
  if (at < 0) return false;
  const TokenItem *it = t.At(static_cast<size_t>(at));
  out.Write(it->value, it->valueLength);
  return true;
}

}  // namespace ko::text

extern "C" BOOL KoPrintF_AddToken(KOCSTR name, KOCSTR value) {
  return ko::text::AddToken(name, value) ? TRUE : FALSE;
}

extern "C" BOOL KoPrintF_DeleteToken(KOCSTR name) {
  return ko::text::DeleteToken(name) ? TRUE : FALSE;
}
