// Arithmetic and validation of memory tokens, shared by the token classes
// and by the tests and fuzzers of both targets. Nothing here reaches the OS.
#ifndef KOKERNEL_PROCESS_TOKEN_RULES_H
#define KOKERNEL_PROCESS_TOKEN_RULES_H

#include <cstdint>

#include "kokernel/koprocess.h"

namespace ko::process {

// Only the read and write bits count; none of them means both.
uint32_t NormaliseAccess(uint32_t access);

// Address of the data in the owner (address + dataOffset). False when the
// sum or the end of the data wraps around the address space.
bool DataAddress(const _komemorytoken &token, uint64_t *start);

// Bytes of the view a mapping token needs, counted from the view base
// (dataOffset + dataSize). False for a negative offset, an empty view, or
// data that does not fit in allocSize when the token gives one.
bool MappingViewBytes(const _komemorytoken &token, uint64_t *bytes);

// How a peer reaches the data of a token.
enum class Route {
  Direct,        // the token belongs to this process: use address + dataOffset
  MapDuplicate,  // duplicate the owner's mapping handle and map a view
  ReadOwner,     // read the owner's memory into a local copy
  ZeroedCopy,    // write-only: a zeroed local block, written back on dispose
  Unusable,
};
Route RouteFor(const _komemorytoken &token, uint32_t currentProcessId, uint32_t access);

// True when the owner can hand the token to a peer unchanged: a mapping, or
// plain memory whose data starts below 4 GB (or any plain memory when direct
// use is allowed).
bool PassesThrough(const _komemorytoken &token, bool allowDirect);

// The token the owner hands out for a fresh mapping of dataSize bytes.
_komemorytoken FreshMappingToken(HANDLE mapping, void *view, uint32_t dataSize,
                                 uint32_t ownerProcessId);

}  // namespace ko::process

#endif
