// Memory tokens between two real processes: this program starts a second
// copy of itself as the peer and sends it tokens through a pipe.
#include <gtest/gtest.h>

#include <cwchar>
#include <memory>

#include "kokernel/koprocess.h"

namespace {

enum Op : DWORD { kVerify = 1, kFill = 2, kZeroed = 4 };
struct Request { _komemorytoken token; DWORD access, ops, seed; };
struct Reply { HRESULT hr; long size; int64_t mismatch; };

uint8_t Pattern(DWORD seed, size_t i) { return static_cast<uint8_t>((i * 0x9E3779B1u + seed * 0x85EBCA6Bu) >> 11); }
// First byte that differs from the pattern of seed (0: from zero), or -1.
int64_t Mismatch(const uint8_t *p, size_t n, DWORD seed) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != (seed ? Pattern(seed, i) : 0)) return static_cast<int64_t>(i);
  return -1;
}
void Fill(uint8_t *p, size_t n, DWORD seed) {
  for (size_t i = 0; i < n; ++i) p[i] = Pattern(seed, i);
}

PROCESS_INFORMATION StartPeer(HANDLE in, HANDLE out) {
  wchar_t exe[MAX_PATH], line[MAX_PATH + 32];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  swprintf(line, MAX_PATH + 32, L"\"%ls\" --ko-token-peer", exe);
  STARTUPINFOW si{sizeof si};
  si.dwFlags = in ? STARTF_USESTDHANDLES : 0;
  si.hStdInput = in;
  si.hStdOutput = si.hStdError = out;
  PROCESS_INFORMATION pi{};
  CreateProcessW(exe, line, nullptr, nullptr, in != nullptr, 0, nullptr, nullptr, &si, &pi);
  return pi;
}

// The peer maps each token it receives, checks and writes it and disposes
// it before answering, so the owner looks at its block after the dispose.
struct PeerMain {
  PeerMain() {
    if (!std::wcsstr(GetCommandLineW(), L"--ko-token-peer")) return;
    Request q;
    DWORD n = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &q, sizeof q, &n, nullptr) && n == sizeof q) {
      CMappingOfKoMemoryToken m(q.token, q.access);
      Reply r{m.GetPointer(nullptr), m.DataSize(), -1};
      auto *p = static_cast<uint8_t *>(m.Pointer());
      if (p && (q.ops & (kVerify | kZeroed))) r.mismatch = Mismatch(p, r.size, q.ops & kZeroed ? 0 : q.seed);
      if (p && (q.ops & kFill)) Fill(p, r.size, q.seed + 1);
      m.Dispose();
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &r, sizeof r, &n, nullptr);
    }
    ExitProcess(0);
  }
} g_peerMain;

struct Peer : testing::Environment {
  void SetUp() override {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE childIn, childOut;
    CreatePipe(&childIn, &toPeer, &sa, 0);
    CreatePipe(&fromPeer, &childOut, &sa, 0);
    SetHandleInformation(toPeer, HANDLE_FLAG_INHERIT, 0), SetHandleInformation(fromPeer, HANDLE_FLAG_INHERIT, 0);
    pi = StartPeer(childIn, childOut);
    CloseHandle(childIn), CloseHandle(childOut);
  }
  void TearDown() override { CloseHandle(toPeer), WaitForSingleObject(pi.hProcess, 10000); }  // the peer sees the end
  Reply Ask(const _komemorytoken &t, DWORD access, DWORD ops, DWORD seed) {
    Request q{t, access, ops, seed};
    Reply r{S_OK, -2, -2};
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(toPeer, &q, sizeof q, &n, nullptr) && ReadFile(fromPeer, &r, sizeof r, &n, nullptr) &&
                n == sizeof r) << "the peer is gone";
    return r;
  }
  HANDLE toPeer, fromPeer;
  PROCESS_INFORMATION pi;
};
Peer *const g_peer = static_cast<Peer *>(testing::AddGlobalTestEnvironment(new Peer));

const HANDLE kNone = INVALID_HANDLE_VALUE;
constexpr size_t kPage = 4096, kGuard = 2 * kPage;
constexpr DWORD kSeed = 7, kGuardSeed = 99;

// A block with guard bytes around it: plain memory above or below 4 GB, or
// in a mapping of this process.
enum Where { kHigh, kLow, kMapped };
struct Block {
  Block(Where where, size_t size, LONG offset) : size(size), total(size + offset + 2 * kGuard) {
    if (where == kMapped) {
      mapping = CreateFileMappingW(kNone, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(total), nullptr);
      base = static_cast<uint8_t *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    }
    const uintptr_t step = where == kLow ? 0x1000000 : 0x10000000;
    for (uintptr_t a = where == kLow ? 0x20000000 : 0x200000000; !base && a < 0x80 * step; a += step)
      base = static_cast<uint8_t *>(VirtualAlloc(reinterpret_cast<void *>(a), total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    Fill(base, total, kGuardSeed);
    data = base + kGuard + offset;
    Fill(data, size, kSeed);
    token = {mapping ? mapping : kNone, mapping ? base : base + kGuard, static_cast<DWORD>(size),
             mapping ? static_cast<DWORD>(total) : 0, static_cast<LONG>(mapping ? kGuard : 0) + offset,
             0, mapping ? 1u : 0u, GetCurrentProcessId()};
  }
  ~Block() {
    if (mapping) UnmapViewOfFile(base), CloseHandle(mapping);
    else VirtualFree(base, 0, MEM_RELEASE);
  }
  // The data holds the pattern of seed, and nothing around it changed.
  void Expect(DWORD seed) const {
    const size_t start = data - base;
    size_t i = 0;
    while (i < total && base[i] == (i - start < size ? Pattern(seed, i - start) : Pattern(kGuardSeed, i))) ++i;
    EXPECT_EQ(i, total) << "first wrong byte, the data starting at " << start;
  }
  size_t size, total;
  HANDLE mapping = nullptr;
  uint8_t *base = nullptr, *data = nullptr;
  _komemorytoken token;
};

// copied: the owner hands out a fresh mapping.
struct ShareCase { const char *name; Where where; size_t size; LONG offset; DWORD ownerAccess; int allowDirect;
                   DWORD peerAccess, ops; bool copied; };
class TokenSharing : public testing::TestWithParam<ShareCase> {};

TEST_P(TokenSharing, PeerSeesAndChangesTheOwnersBlock) {
  const ShareCase &c = GetParam();
  Block block(c.where, c.size, c.offset);
  ASSERT_NE(block.base, nullptr);
  ASSERT_TRUE(c.where == kMapped || (reinterpret_cast<uintptr_t>(block.data) >> 32 != 0) == (c.where == kHigh));
  const bool ownerWrites = c.ownerAccess != 4, ownerReads = c.ownerAccess != 2;
  const bool peerWrites = (c.ops & kFill) && c.peerAccess != 4;
  auto owner = std::make_unique<COutOfProcessMemoryToken>(block.token, c.ownerAccess, c.allowDirect);
  _komemorytoken shared{};
  ASSERT_EQ(owner->GetMemoryToken(shared), S_OK);
  EXPECT_TRUE(shared.kind == (c.copied ? 1u : block.token.kind) && (shared.address != block.token.address) == c.copied);
  const Reply r = g_peer->Ask(shared, c.peerAccess, c.ops | (ownerReads ? 0u : DWORD{kZeroed}), kSeed);
  EXPECT_TRUE(r.hr == S_OK && r.size == static_cast<long>(c.size) && r.mismatch == -1)
      << r.hr << " " << r.size << ", first byte the peer saw wrong " << r.mismatch;
  block.Expect(!c.copied && peerWrites ? kSeed + 1 : kSeed);
  owner.reset();
  block.Expect(peerWrites && (!c.copied || ownerWrites) ? kSeed + 1 : kSeed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenSharing,
    testing::Values(ShareCase{"HighCopied", kHigh, 3 * kPage + 77, 100, 0, 0, 0, kVerify | kFill, true},
                    ShareCase{"HighReadByPeer", kHigh, 3 * kPage + 77, 100, 0, 1, 0, kVerify | kFill, false},
                    ShareCase{"OwnMapping", kMapped, 5000, 12, 0, 0, 0, kVerify | kFill, false},
                    ShareCase{"StraddlesPageLow", kLow, 300, kPage - 100, 6, 0, 6, kVerify | kFill, false},
                    ShareCase{"StraddlesPageMapping", kMapped, 300, kPage - 100, 0, 0, 0, kVerify | kFill, false},
                    ShareCase{"PeerWriteOnly", kHigh, 9000, 3, 0, 1, 2, kZeroed | kFill, false},
                    ShareCase{"PeerReadOnlyCopy", kHigh, 9000, 3, 0, 1, 4, kVerify | kFill, false},
                    ShareCase{"PeerReadOnlyView", kMapped, 9000, 3, 0, 0, 4, kVerify, false},
                    ShareCase{"OwnerReadOnly", kHigh, 9000, 3, 4, 0, 0, kVerify | kFill, true},
                    ShareCase{"OwnerWriteOnly", kHigh, 9000, 3, 2, 0, 0, kFill, true}),
    [](const testing::TestParamInfo<ShareCase> &i) { return std::string(i.param.name); });

// Tokens that must give the peer nothing, write nowhere, and leave it serving.
TEST(TokenRefusal, ForgedClosedDeadAndOversizedTokens) {
  Block mapped(kMapped, kPage, 0), plain(kHigh, kPage, 0);
  HANDLE closed = CreateFileMappingW(kNone, nullptr, PAGE_READWRITE, 0, kPage, nullptr), event = CreateEventW(nullptr, 1, 0, nullptr);
  CloseHandle(closed);
  PROCESS_INFORMATION gone = StartPeer(nullptr, nullptr);  // no input: it exits at once
  ASSERT_EQ(WaitForSingleObject(gone.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(gone.hProcess), CloseHandle(gone.hThread);
  auto *edge = static_cast<uint8_t *>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE, PAGE_NOACCESS));
  VirtualAlloc(edge, kPage, MEM_COMMIT, PAGE_READWRITE);  // one page readable, the next reserved
  struct Bad { const char *what; _komemorytoken t; };
  Bad cases[] = {{"forged handle", mapped.token}, {"closed handle", mapped.token}, {"not a mapping", mapped.token},
                 {"mapping of an exited process", mapped.token}, {"memory of an exited process", plain.token},
                 {"view beyond the mapping", mapped.token}, {"memory beyond the block", plain.token}};
  cases[0].t.mapping = reinterpret_cast<HANDLE>(0x7ff0), cases[1].t.mapping = closed, cases[2].t.mapping = event;
  cases[3].t.ownerProcessId = cases[4].t.ownerProcessId = gone.dwProcessId;
  cases[5].t.allocSize = 0, cases[5].t.dataSize = 6 * kPage;
  cases[6].t.address = edge, cases[6].t.dataSize = kPage + 1;
  for (const Bad &b : cases)
    for (DWORD access : {0u, 2u}) {
      const Reply r = g_peer->Ask(b.t, access, kFill, kSeed);
      EXPECT_TRUE(r.hr == E_FAIL && r.size == -1) << b.what << " access " << access;
    }
  mapped.Expect(kSeed), plain.Expect(kSeed);
  CloseHandle(event), VirtualFree(edge, 0, MEM_RELEASE);
}

TEST(TokenOwner, OwnTokensMapDirectlyAndFailedCopiesFail) {
  Block block(kHigh, 100, 5);
  _komemorytoken t = block.token;
  t.kind = 5;  // whatever its kind
  CMappingOfKoMemoryToken direct(t, 0), taker(block.token, 4);
  EXPECT_TRUE(direct.Pointer() == block.data && direct.DataSize() == 100);
  taker = direct;  // hands the pointer over
  EXPECT_TRUE(taker.Pointer() == block.data && taker.DataSize() == 100 && direct.DataSize() == -1 && !direct.Pointer());
  t = block.token;
  t.dataSize = 0;  // no mapping can be made for it
  for (DWORD access : {0u, 2u, 4u}) {
    _komemorytoken shared;
    EXPECT_EQ(COutOfProcessMemoryToken(t, access, 0).GetMemoryToken(shared), E_FAIL) << access;
  }
}

}  // namespace
