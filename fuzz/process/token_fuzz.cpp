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
  if (a == 0 || (a & ~6u) || ((route == kp::Route::ReadOwner) && !(a & KOMEMORYTOKEN_READ))) std::abort();
  uint64_t start = 0, bytes = 0;
  const bool addressOk = kp::DataAddress(t, &start);
  if (addressOk && start + t.dataSize < start) std::abort();
  const bool mapOk = kp::MappingViewBytes(t, &bytes);
  if (mapOk && (t.dataOffset < 0 || bytes < t.dataSize || (t.allocSize && bytes > t.allocSize))) std::abort();
  // Every route that reaches data rests on a range that passed the checks.
  if (route == kp::Route::Direct && !(self == t.ownerProcessId && addressOk)) std::abort();
  if (route == kp::Route::MapDuplicate && !(t.kind == KOMEMORYTOKEN_MAPPING && mapOk)) std::abort();
  if ((route == kp::Route::ReadOwner || route == kp::Route::ZeroedCopy) &&
      !(t.kind == KOMEMORYTOKEN_MEMORY && addressOk && t.dataSize && self != t.ownerProcessId))
    std::abort();
  if (kp::PassesThrough(t, false) && t.kind == KOMEMORYTOKEN_MEMORY && (start >> 32)) std::abort();
  return 0;
}
