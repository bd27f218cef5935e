// Memory-token arithmetic; see token_rules.h.
#include "process/token_rules.h"

namespace ko::process {

namespace {
constexpr uint32_t kAccessBits = KOMEMORYTOKEN_READ | KOMEMORYTOKEN_WRITE;
constexpr uint64_t kFourGigabytes = uint64_t{1} << 32;
}  // namespace

uint32_t NormaliseAccess(uint32_t access) {
  const uint32_t a = access & kAccessBits;
  return a ? a : kAccessBits;
}

bool DataAddress(const _komemorytoken &token, uint64_t *start) {
  const uint64_t base = reinterpret_cast<uintptr_t>(token.address);
  const int64_t offset = token.dataOffset;
  uint64_t s;
  if (offset >= 0) {
    s = base + static_cast<uint64_t>(offset);
    if (s < base) return false;
  } else {
    const uint64_t back = static_cast<uint64_t>(-offset);
    if (back > base) return false;
    s = base - back;
  }
  if (s + token.dataSize < s) return false;
  *start = s;
  return true;
}

bool MappingViewBytes(const _komemorytoken &token, uint64_t *bytes) {
  if (token.dataOffset < 0) return false;
  const uint64_t n = static_cast<uint64_t>(token.dataOffset) + token.dataSize;
  if (token.dataSize == 0) return false;
  if (token.allocSize != 0 && n > token.allocSize) return false;
  *bytes = n;
  return true;
}

Route RouteFor(const _komemorytoken &token, uint32_t currentProcessId, uint32_t access) {
  uint64_t unused;
  if (token.ownerProcessId == currentProcessId)
    return DataAddress(token, &unused) ? Route::Direct : Route::Unusable;
  if (token.kind == KOMEMORYTOKEN_MAPPING)
    return MappingViewBytes(token, &unused) ? Route::MapDuplicate : Route::Unusable;
  if (token.kind != KOMEMORYTOKEN_MEMORY || token.dataSize == 0 || !DataAddress(token, &unused))
    return Route::Unusable;
  return (NormaliseAccess(access) & KOMEMORYTOKEN_READ) ? Route::ReadOwner : Route::ZeroedCopy;
}

bool PassesThrough(const _komemorytoken &token, bool allowDirect) {
  if (token.kind == KOMEMORYTOKEN_MAPPING) return true;
  if (token.kind != KOMEMORYTOKEN_MEMORY) return false;
  if (allowDirect) return true;
  uint64_t start;
  return DataAddress(token, &start) && start < kFourGigabytes;
}

_komemorytoken FreshMappingToken(HANDLE mapping, void *view, uint32_t dataSize,
                                 uint32_t ownerProcessId) {
  _komemorytoken t{};
  t.mapping = mapping;
  t.address = view;
  t.dataSize = dataSize;
  t.allocSize = dataSize;
  t.dataOffset = 0;
  t.kind = KOMEMORYTOKEN_MAPPING;
  t.ownerProcessId = ownerProcessId;
  return t;
}

}  // namespace ko::process
