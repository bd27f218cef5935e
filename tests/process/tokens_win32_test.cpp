// Memory tokens between two real processes: this program starts a second
// copy of itself as the peer and sends it tokens through a pipe.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <memory>

#include "kokernel/koprocess.h"

namespace {

enum Op : DWORD { kVerify = 1, kFill = 2, kZeroed = 4 };
struct Request { _komemorytoken token; DWORD access, ops, seed; };
struct Reply { HRESULT hr; long size; int64_t mismatch; };

uint8_t Pattern(DWORD seed, size_t i) {
  return static_cast<uint8_t>((i * 0x9E3779B1u + seed * 0x85EBCA6Bu) >> 11);
}
// Index of the first byte that differs from the pattern (or from zero), -1 when none.
int64_t Mismatch(const uint8_t *p, size_t n, DWORD seed, bool zero) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != (zero ? 0 : Pattern(seed, i))) return static_cast<int64_t>(i);
  return -1;
}
void Fill(uint8_t *p, size_t n, DWORD seed) {
  for (size_t i = 0; i < n; ++i) p[i] = Pattern(seed, i);
}

// The peer: maps each token it receives, checks and writes it, disposes it,
// then answers, so the owner looks at its block after the peer's dispose.
struct PeerMain {
  PeerMain() {
    if (!std::wcsstr(GetCommandLineW(), L"--ko-token-peer")) return;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE);
    Request q;
    DWORD n = 0;
    while (ReadFile(in, &q, sizeof q, &n, nullptr) && n == sizeof q) {
      CMappingOfKoMemoryToken m(q.token, q.access);
      Reply r{m.GetPointer(nullptr), m.DataSize(), -1};
      auto *p = static_cast<uint8_t *>(m.Pointer());
      if (p && (q.ops & (kVerify | kZeroed))) r.mismatch = Mismatch(p, r.size, q.seed, q.ops & kZeroed);
      if (p && (q.ops & kFill)) Fill(p, r.size, q.seed + 1);
      m.Dispose();
      WriteFile(out, &r, sizeof r, &n, nullptr);
    }
    ExitProcess(0);
  }
} g_peerMain;

class Peer {
 public:
  Peer() {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE childIn, childOut;
    CreatePipe(&childIn, &toPeer_, &sa, 0);
    CreatePipe(&fromPeer_, &childOut, &sa, 0);
    SetHandleInformation(toPeer_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromPeer_, HANDLE_FLAG_INHERIT, 0);
    wchar_t exe[MAX_PATH], line[MAX_PATH + 32];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    swprintf(line, MAX_PATH + 32, L"\"%ls\" --ko-token-peer", exe);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = si.hStdError = childOut;
    started_ = CreateProcessW(exe, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_);
    CloseHandle(childIn);
    CloseHandle(childOut);
  }
  ~Peer() {
    CloseHandle(toPeer_);  // the peer sees the end of its input and exits
    if (started_) {
      WaitForSingleObject(pi_.hProcess, 10000);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
    CloseHandle(fromPeer_);
  }
  DWORD Id() const { return pi_.dwProcessId; }
  Reply Ask(const _komemorytoken &t, DWORD access, DWORD ops, DWORD seed) {
    Request q{t, access, ops, seed};
    Reply r{S_OK, -2, -2};
    DWORD n = 0;
    EXPECT_TRUE(started_ && WriteFile(toPeer_, &q, sizeof q, &n, nullptr) && n == sizeof q);
    EXPECT_TRUE(ReadFile(fromPeer_, &r, sizeof r, &n, nullptr) && n == sizeof r) << "peer gone";
    return r;
  }

 private:
  HANDLE toPeer_ = nullptr, fromPeer_ = nullptr;
  PROCESS_INFORMATION pi_{};
  BOOL started_ = FALSE;
};

Peer *g_peer;
class TokenPeer : public testing::Environment {
  void SetUp() override { g_peer = new Peer; }
  void TearDown() override { delete g_peer; }
};
[[maybe_unused]] const auto *g_env = testing::AddGlobalTestEnvironment(new TokenPeer);

const HANDLE kNone = INVALID_HANDLE_VALUE;
constexpr size_t kPage = 4096, kGuard = 2 * kPage;
constexpr DWORD kSeed = 7, kGuardSeed = 99;

// A block with guard bytes on both sides, at a high or a low address, or in
// a mapping of this process.
enum Where { kHigh, kLow, kMapped };
struct Block {
  Block(Where where, size_t size, LONG offset) : size(size) {
    const size_t total = size + offset + 2 * kGuard;
    if (where == kMapped) {
      mapping = CreateFileMappingW(kNone, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(total), nullptr);
      base = static_cast<uint8_t *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    } else if (where == kHigh) {
      base = static_cast<uint8_t *>(
          VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE));
    } else {
      for (uintptr_t a = 0x20000000; !base && a < 0xF0000000; a += 0x1000000)
        base = static_cast<uint8_t *>(VirtualAlloc(reinterpret_cast<void *>(a), total,
                                                   MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    Fill(base, total, kGuardSeed);
    data = base + kGuard + offset;
    Fill(data, size, kSeed);
    token = {mapping ? mapping : kNone, mapping ? base : base + kGuard, static_cast<DWORD>(size),
             static_cast<DWORD>(mapping ? total : 0), mapping ? static_cast<LONG>(kGuard) + offset : offset,
             0, mapping ? 1u : 0u, GetCurrentProcessId()};
    total_ = total;
  }
  ~Block() {
    if (mapping) {
      UnmapViewOfFile(base);
      CloseHandle(mapping);
    } else {
      VirtualFree(base, 0, MEM_RELEASE);
    }
  }
  // The data holds the pattern of seed and nothing around it changed.
  void Expect(DWORD seed) const {
    EXPECT_EQ(Mismatch(data, size, seed, false), -1);
    const size_t before = data - base;
    std::unique_ptr<uint8_t[]> guard(new uint8_t[total_]);
    Fill(guard.get(), total_, kGuardSeed);
    EXPECT_EQ(std::memcmp(base, guard.get(), before), 0) << "bytes before the block";
    EXPECT_EQ(std::memcmp(data + size, guard.get() + before + size, total_ - before - size), 0)
        << "bytes after the block";
  }
  HANDLE mapping = nullptr;
  uint8_t *base = nullptr, *data = nullptr;
  size_t size, total_ = 0;
  _komemorytoken token{};
};

struct ShareCase {
  const char *name;
  Where where;
  size_t size;
  LONG offset;
  DWORD ownerAccess;
  int allowDirect;
  DWORD peerAccess, ops;
  bool copied;  // the owner hands out a fresh mapping
};

class TokenSharing : public testing::TestWithParam<ShareCase> {};

TEST_P(TokenSharing, PeerSeesAndChangesTheOwnersBlock) {
  const ShareCase &c = GetParam();
  Block block(c.where, c.size, c.offset);
  ASSERT_NE(block.base, nullptr);
  if (c.where != kMapped) {
    ASSERT_EQ(reinterpret_cast<uintptr_t>(block.data) >> 32 != 0, c.where == kHigh);
  }
  const bool ownerWrites = (c.ownerAccess & 2) || !c.ownerAccess;
  const bool ownerReads = (c.ownerAccess & 4) || !c.ownerAccess;
  const bool peerWrites = (c.ops & kFill) && ((c.peerAccess & 2) || !c.peerAccess);
  auto owner = std::make_unique<COutOfProcessMemoryToken>(block.token, c.ownerAccess, c.allowDirect);
  _komemorytoken shared{};
  ASSERT_EQ(owner->GetMemoryToken(shared), S_OK);
  EXPECT_EQ(shared.kind, c.copied ? 1u : block.token.kind);
  EXPECT_EQ(shared.address != block.token.address, c.copied);

  const DWORD ops = c.ops | (c.copied && !ownerReads ? DWORD{kZeroed} : 0u);
  const Reply r = g_peer->Ask(shared, c.peerAccess, ops, kSeed);
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.size, static_cast<long>(c.size));
  EXPECT_EQ(r.mismatch, -1) << "first byte the peer saw wrong";
  block.Expect(!c.copied && peerWrites ? kSeed + 1 : kSeed);
  owner.reset();
  block.Expect(peerWrites && (!c.copied || ownerWrites) ? kSeed + 1 : kSeed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenSharing,
    testing::Values(
        ShareCase{"HighCopiedIntoMapping", kHigh, 3 * kPage + 77, 100, 0, 0, 0, kVerify | kFill, true},
        ShareCase{"HighReadByPeer", kHigh, 3 * kPage + 77, 100, 0, 1, 0, kVerify | kFill, false},
        ShareCase{"LowPassedThrough", kLow, 5000, 0, 6, 0, 6, kVerify | kFill, false},
        ShareCase{"OwnMapping", kMapped, 5000, 12, 0, 0, 0, kVerify | kFill, false},
        ShareCase{"StraddlesPagePlain", kLow, 300, kPage - 100, 0, 0, 0, kVerify | kFill, false},
        ShareCase{"StraddlesPageMapping", kMapped, 300, kPage - 100, 0, 0, 0, kVerify | kFill, false},
        ShareCase{"StraddlesPageCopied", kHigh, 300, kPage - 100, 0, 0, 0, kVerify | kFill, true},
        ShareCase{"PeerWriteOnly", kHigh, 9000, 3, 0, 1, 2, kZeroed | kFill, false},
        ShareCase{"PeerReadOnlyCopy", kHigh, 9000, 3, 0, 1, 4, kVerify | kFill, false},
        ShareCase{"PeerReadOnlyView", kMapped, 9000, 3, 0, 0, 4, kVerify, false},
        ShareCase{"OwnerReadOnly", kHigh, 9000, 3, 4, 0, 0, kVerify | kFill, true},
        ShareCase{"OwnerWriteOnly", kHigh, 9000, 3, 2, 0, 0, kFill, true},
        ShareCase{"Block64MB", kHigh, 64u << 20, 0, 0, 0, 0, kVerify | kFill, true},
        ShareCase{"Block64MBMapped", kMapped, 64u << 20, 0, 0, 0, 0, kVerify | kFill, false}),
    [](const testing::TestParamInfo<ShareCase> &i) { return std::string(i.param.name); });

// Tokens that must give the peer nothing: no view of another block, no
// write anywhere, and the peer keeps serving.
DWORD DeadProcessId() {
  wchar_t exe[MAX_PATH], line[MAX_PATH + 32];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  swprintf(line, MAX_PATH + 32, L"\"%ls\" --ko-token-peer", exe);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  WaitForSingleObject(pi.hProcess, 10000);  // no input: it exits at once
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return pi.dwProcessId;
}

TEST(TokenRefusal, ForgedClosedDeadAndOversizedTokens) {
  Block mapped(kMapped, kPage, 0), plain(kHigh, kPage, 0);
  HANDLE closed = CreateFileMappingW(kNone, nullptr, PAGE_READWRITE, 0, kPage, nullptr);
  CloseHandle(closed);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const DWORD dead = DeadProcessId();
  // One committed page followed by a reserved one.
  void *edge = VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE, PAGE_NOACCESS);
  VirtualAlloc(edge, kPage, MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(dead, 0u);
  struct Bad { const char *what; _komemorytoken t; DWORD access; };
  auto with = [](_komemorytoken t, auto change) { change(t); return t; };
  const _komemorytoken m = mapped.token, p = plain.token;
  const Bad cases[] = {
      {"forged handle", with(m, [](auto &t) { t.mapping = reinterpret_cast<HANDLE>(0x7ff0); }), 0},
      {"closed handle", with(m, [&](auto &t) { t.mapping = closed; }), 0},
      {"not a mapping", with(m, [&](auto &t) { t.mapping = event; }), 0},
      {"mapping of a dead process", with(m, [&](auto &t) { t.ownerProcessId = dead; }), 0},
      {"memory of a dead process", with(p, [&](auto &t) { t.ownerProcessId = dead; }), 0},
      {"write-only to a dead process", with(p, [&](auto &t) { t.ownerProcessId = dead; }), 2},
      {"view beyond the mapping", with(m, [](auto &t) { t.allocSize = 0; t.dataSize = 6 * kPage; }), 0},
      {"size beyond allocSize", with(m, [](auto &t) { t.dataSize = t.allocSize; }), 0},
      {"negative mapping offset", with(m, [](auto &t) { t.dataOffset = -1; }), 0},
      {"memory beyond the block", with(p, [&](auto &t) { t.address = edge; t.dataOffset = 0; t.dataSize = kPage + 1; }), 0},
      {"address wraps", with(p, [](auto &t) { t.address = reinterpret_cast<void *>(~uintptr_t{0}); t.dataOffset = 2; }), 0},
      {"unknown kind", with(p, [](auto &t) { t.kind = 7; }), 0},
  };
  for (const Bad &b : cases) {
    const Reply r = g_peer->Ask(b.t, b.access, kFill, kSeed);
    EXPECT_EQ(r.hr, E_FAIL) << b.what;
    EXPECT_EQ(r.size, -1) << b.what;
  }
  mapped.Expect(kSeed);
  plain.Expect(kSeed);
  CloseHandle(event);
  VirtualFree(edge, 0, MEM_RELEASE);
}

TEST(TokenOwner, ThisProcessAndFailedCopies) {
  Block block(kHigh, 100, 5);
  _komemorytoken t = block.token;
  t.kind = 5;  // the owner's own token maps directly whatever its kind
  CMappingOfKoMemoryToken direct(t, 0);
  EXPECT_EQ(direct.Pointer(), block.data);
  EXPECT_EQ(direct.DataSize(), 100);
  CMappingOfKoMemoryToken taker(block.token, 4);
  taker = direct;  // the assignment hands the pointer over
  EXPECT_EQ(taker.Pointer(), block.data);
  EXPECT_EQ(direct.DataSize(), -1);
  // A copy that cannot be made is a failure, whatever the access.
  t = block.token;
  t.dataSize = 0;
  for (DWORD access : {0u, 2u, 4u}) {
    COutOfProcessMemoryToken owner(t, access, 0);
    _komemorytoken shared;
    EXPECT_EQ(owner.GetMemoryToken(shared), E_FAIL) << access;
  }
}

}  // namespace
