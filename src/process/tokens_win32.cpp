// Memory tokens between processes: the owner's COutOfProcessMemoryToken and
// the peer's CMappingOfKoMemoryToken.
#include <cstdlib>
#include <cstring>

#include "kokernel/koprocess.h"
#include "process/token_rules.h"

namespace kp = ko::process;

namespace {

const HANDLE kNoHandle = INVALID_HANDLE_VALUE;  // all ones
constexpr DWORD kOwnerMemoryAccess =
    PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION;

// Does the owner hold the whole range as committed memory that can be read
// (and written, for a copy that goes back)?
bool OwnerHolds(HANDLE owner, uintptr_t start, size_t n, bool write) {
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  for (uintptr_t at = start; at - start < n;) {
    MEMORY_BASIC_INFORMATION mbi;
    if (!VirtualQueryEx(owner, reinterpret_cast<void *>(at), &mbi, sizeof mbi)) return false;
    if (mbi.State != MEM_COMMIT || (mbi.Protect & PAGE_GUARD) ||
        !(mbi.Protect & (write ? writable : readable)))
      return false;
    at = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  }
  return true;
}

void *DataPointer(const _komemorytoken &t) {
  uint64_t start = 0;
  kp::DataAddress(t, &start);
  return reinterpret_cast<void *>(static_cast<uintptr_t>(start));
}

}  // namespace

// ---- CMappingOfKoMemoryToken ----------------------------------------------

CMappingOfKoMemoryToken::CMappingOfKoMemoryToken(const _komemorytoken &token, DWORD access)
    : token_(token), data_(nullptr), view_(nullptr), duplicate_(kNoHandle), isMappedView_(0),
      isLocalCopy_(0), failed_(1), writeBack_(0) {
  const DWORD a = kp::NormaliseAccess(access);
  switch (kp::RouteFor(token_, GetCurrentProcessId(), a)) {
    case kp::Route::Direct:
      data_ = DataPointer(token_);
      failed_ = data_ ? 0 : 1;
      return;
    case kp::Route::MapDuplicate: {
      uint64_t bytes = 0;
      kp::MappingViewBytes(token_, &bytes);
      HANDLE owner = OpenProcess(PROCESS_DUP_HANDLE, FALSE, token_.ownerProcessId);
      if (!owner) return;
      HANDLE dup = nullptr;
      if (DuplicateHandle(owner, token_.mapping, GetCurrentProcess(), &dup, 0, FALSE,
                          DUPLICATE_SAME_ACCESS)) {
        duplicate_ = dup;
        view_ = MapViewOfFile(dup, a, 0, 0, static_cast<SIZE_T>(bytes));
        if (view_) {
          data_ = static_cast<BYTE *>(view_) + token_.dataOffset;
          isMappedView_ = 1;
          failed_ = 0;
        } else {
          CloseHandle(dup);
          duplicate_ = kNoHandle;
        }
      }
      CloseHandle(owner);
      return;
    }
    case kp::Route::ZeroedCopy:
    case kp::Route::ReadOwner: {
      // A write-only peer starts from zeros, but its block goes back on
      // dispose: the owner's range is read in either case, so that an owner
      // that has gone or does not hold the whole range gives nothing.
      HANDLE owner = OpenProcess(kOwnerMemoryAccess, FALSE, token_.ownerProcessId);
      if (!owner) return;
      void *block = std::malloc(token_.dataSize);
      SIZE_T got = 0;
      void *from = DataPointer(token_);
      if (block &&
          OwnerHolds(owner, reinterpret_cast<uintptr_t>(from), token_.dataSize, a & KOMEMORYTOKEN_WRITE) &&
          ReadProcessMemory(owner, from, block, token_.dataSize, &got) &&
          got == token_.dataSize) {
        if (!(a & KOMEMORYTOKEN_READ)) std::memset(block, 0, token_.dataSize);
        data_ = block;
        writeBack_ = (a & KOMEMORYTOKEN_WRITE) ? 1 : 0;
        isLocalCopy_ = 1;
        failed_ = 0;
      } else {
        std::free(block);
      }
      CloseHandle(owner);
      return;
    }
    case kp::Route::Unusable:
      return;
  }
}

CMappingOfKoMemoryToken::~CMappingOfKoMemoryToken() { Dispose(); }

void CMappingOfKoMemoryToken::Dispose() {
  if (failed_) {
    data_ = nullptr;
    return;
  }
  if (isMappedView_) {
    UnmapViewOfFile(view_);
    CloseHandle(duplicate_);
    duplicate_ = kNoHandle;
    view_ = nullptr;
    isMappedView_ = 0;
    data_ = nullptr;
  }
  if (isLocalCopy_ && data_) {
    if (writeBack_) {
      HANDLE owner = OpenProcess(kOwnerMemoryAccess, FALSE, token_.ownerProcessId);
      if (owner) {
        SIZE_T put = 0;
        WriteProcessMemory(owner, DataPointer(token_), data_, token_.dataSize, &put);
        CloseHandle(owner);
      }
    }
    std::free(data_);
    isLocalCopy_ = 0;
  }
  data_ = nullptr;
  failed_ = 1;
}

void CMappingOfKoMemoryToken::Close() { Dispose(); }

HRESULT CMappingOfKoMemoryToken::GetPointer(void **data) {
  void *p = Pointer();
  if (data) *data = p;
  return p ? S_OK : E_FAIL;
}

void *CMappingOfKoMemoryToken::Pointer() { return failed_ ? nullptr : data_; }

long CMappingOfKoMemoryToken::DataSize() {
  return (failed_ || !data_) ? -1 : static_cast<long>(token_.dataSize);
}

CMappingOfKoMemoryToken &CMappingOfKoMemoryToken::operator=(const CMappingOfKoMemoryToken &other) {
  if (this == &other) return *this;
  Dispose();
  std::memcpy(static_cast<void *>(this), &other, sizeof *this);
  // The resources now belong to this object alone.
  auto &from = const_cast<CMappingOfKoMemoryToken &>(other);
  from.data_ = nullptr;
  from.view_ = nullptr;
  from.duplicate_ = kNoHandle;
  from.isMappedView_ = from.isLocalCopy_ = from.writeBack_ = 0;
  from.failed_ = 1;
  return *this;
}

// ---- COutOfProcessMemoryToken ---------------------------------------------

COutOfProcessMemoryToken::COutOfProcessMemoryToken(_komemorytoken &token, DWORD access,
                                                   int allowDirect)
    : source_(token), shared_{}, ownsMapping_(1), failed_(1),
      access_(kp::NormaliseAccess(access)) {
  if (kp::PassesThrough(source_, allowDirect != 0)) {
    ownsMapping_ = 0;
    failed_ = 0;
    shared_ = source_;
    return;
  }
  const DWORD size = source_.dataSize;
  HANDLE mapping = size ? CreateFileMappingW(kNoHandle, nullptr, PAGE_READWRITE, 0, size, nullptr)
                        : nullptr;
  void *view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size)
                       : nullptr;
  if (!view && mapping) CloseHandle(mapping);
  shared_ = kp::FreshMappingToken(view ? mapping : kNoHandle, view, size, GetCurrentProcessId());
  if (view) {
    if (access_ & KOMEMORYTOKEN_READ) {
      CMappingOfKoMemoryToken from(source_, KOMEMORYTOKEN_READ);
      CMappingOfKoMemoryToken to(shared_, KOMEMORYTOKEN_WRITE);
      if (from.DataSize() == to.DataSize() && from.Pointer() && to.Pointer()) {
        std::memcpy(to.Pointer(), from.Pointer(), size);
        failed_ = 0;
      }
    } else {
      failed_ = 0;
    }
  }
  if (failed_) {
    if (view) {
      UnmapViewOfFile(view);
      CloseHandle(mapping);
    }
    shared_ = _komemorytoken{};
  }
}

void COutOfProcessMemoryToken::Release() {
  if (!ownsMapping_ || failed_) return;
  if (access_ & KOMEMORYTOKEN_WRITE) {
    failed_ = 1;
    CMappingOfKoMemoryToken to(source_, KOMEMORYTOKEN_WRITE);
    CMappingOfKoMemoryToken from(shared_, KOMEMORYTOKEN_READ);
    if (from.DataSize() == to.DataSize() && from.Pointer() && to.Pointer()) {
      std::memcpy(to.Pointer(), from.Pointer(), shared_.dataSize);
      failed_ = 0;
    }
  }
  if (shared_.kind == KOMEMORYTOKEN_MAPPING) {
    UnmapViewOfFile(shared_.address);
    CloseHandle(shared_.mapping);
  }
  shared_ = _komemorytoken{};
  ownsMapping_ = 0;
}

COutOfProcessMemoryToken::~COutOfProcessMemoryToken() { Release(); }

HRESULT COutOfProcessMemoryToken::GetMemoryToken(_komemorytoken &shared) {
  if (failed_) return E_FAIL;
  shared = shared_;
  return S_OK;
}

COutOfProcessMemoryToken &COutOfProcessMemoryToken::operator=(
    const COutOfProcessMemoryToken &other) {
  if (this == &other) return *this;
  Release();
  source_ = other.source_;
  shared_ = other.shared_;
  ownsMapping_ = other.ownsMapping_;
  failed_ = other.failed_;
  access_ = other.access_;
  // The mapping now belongs to this object alone.
  const_cast<COutOfProcessMemoryToken &>(other).ownsMapping_ = 0;
  return *this;
}
