// Token validation on any 40-byte record: a route that reaches data never
// promises a range that wraps, leaves the mapping, or starts before zero.
#include <cstdlib>
#include <cstring>

#include "kokernel/koprocess.h"
#include "process/token_rules.h"

namespace kp = ko::process;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < sizeof(_komemorytoken) + 5) return 0;
  _komemorytoken t;
  std::memcpy(&t, data, sizeof t);
  uint32_t access, self;
  std::memcpy(&access, data + sizeof t, 4);
  self = data[sizeof t + 4] & 1 ? t.ownerProcessId : t.ownerProcessId + 1;
  const kp::Route route = kp::RouteFor(t, self, access);
  const uint32_t a = kp::NormaliseAccess(access);
  if (a == 0 || (a & ~6u)) std::abort();
  uint64_t start = 0, bytes = 0;
  const bool addressOk = kp::DataAddress(t, &start);
  if (addressOk && start + t.dataSize < start) std::abort();
  switch (route) {
    case kp::Route::Direct:
      if (self != t.ownerProcessId || !addressOk) std::abort();
      break;
    case kp::Route::MapDuplicate:
      if (t.kind != KOMEMORYTOKEN_MAPPING || t.dataOffset < 0 || t.dataSize == 0) std::abort();
      if (!kp::MappingViewBytes(t, &bytes) || bytes < t.dataSize) std::abort();
      if (t.allocSize && bytes > t.allocSize) std::abort();
      break;
    case kp::Route::ReadOwner:
    case kp::Route::ZeroedCopy:
      if (t.kind != KOMEMORYTOKEN_MEMORY || !addressOk || t.dataSize == 0) std::abort();
      if ((route == kp::Route::ReadOwner) != ((a & KOMEMORYTOKEN_READ) != 0)) std::abort();
      break;
    case kp::Route::Unusable:
      if (self == t.ownerProcessId && addressOk) std::abort();
      break;
  }
  if (kp::PassesThrough(t, false) && t.kind == KOMEMORYTOKEN_MEMORY && (start >> 32)) std::abort();
  return 0;
}
