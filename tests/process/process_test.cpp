// GUID text and token arithmetic, in both targets.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "kokernel/koprocess.h"
#include "process/token_rules.h"

namespace {

using std::u16string;
namespace kp = ko::process;

u16string ToText(const GUID &g, int cch = 40) {
  KOCHAR buf[40];
  buf[0] = u'#';
  EXPECT_EQ(KoGuidToString(&g, buf, cch), S_OK);
  return cch < 1 ? u16string() : u16string(buf, buf + std::char_traits<KOCHAR>::length(buf));
}

u16string U(const char *s) { return u16string(s, s + std::strlen(s)); }

TEST(GuidText, SpyInterfaceIdentifier) {
  const GUID spy = {0x34, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(ToText(spy), U("00000034-0000-0000-c000-000000000046"));
  EXPECT_EQ(ToText(spy, 9), U("00000034"));
  EXPECT_EQ(ToText(spy, 1), U(""));
}

TEST(GuidText, RandomRoundTripsInBothCases) {
  std::mt19937 rng(18);
  for (int i = 0; i < 500; ++i) {
    GUID g;
    uint8_t *bytes = reinterpret_cast<uint8_t *>(&g);
    for (size_t k = 0; k < sizeof g; ++k) bytes[k] = static_cast<uint8_t>(rng());
    u16string text = ToText(g);
    if (i & 1)
      for (auto &c : text) c = (c >= u'a' && c <= u'f') ? static_cast<KOCHAR>(c - 32) : c;
    GUID back{};
    ASSERT_EQ(KoGuidFromString(reinterpret_cast<KOCSTR>(text.c_str()), &back), S_OK);
    ASSERT_EQ(std::memcmp(&back, &g, sizeof g), 0) << i;
  }
}

TEST(GuidText, MalformedTextFailsAndLeavesTheGuid) {
  for (const char *bad : {"{00000034-0000-0000-c000-000000000046}", "00000034-0000-0000-c000-00000000004",
                          "00000034-0000-0000-c000-0000000000466", "0000034-00000-0000-c000-000000000046",
                          "00000034-0000-0000-c000-00000000004g", "00000034-0000-0000-c000-00000000004 ",
                          "00000034-0000-0000-c000+000000000046", "0x000034-0000-0000-c000-000000000046",
                          " 0000034-0000-0000-c000-000000000046", ""}) {
    GUID g = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const GUID before = g;
    const u16string text = U(bad);
    EXPECT_EQ(KoGuidFromString(reinterpret_cast<KOCSTR>(text.c_str()), &g), E_FAIL) << bad;
    EXPECT_EQ(std::memcmp(&g, &before, sizeof g), 0) << bad;
  }
}

// ---- token routes ---------------------------------------------------------

struct RouteCase {
  const char *name;
  uint32_t kind;
  uint64_t address;
  int32_t offset;
  uint32_t size, alloc, owner, access;
  kp::Route route;
  bool passes, passesDirect;
};

constexpr uint32_t kSelf = 100, kPeer = 200;
constexpr uint64_t kHigh = 0x7ff000000000ull;

class TokenRoutes : public testing::TestWithParam<RouteCase> {};

TEST_P(TokenRoutes, RouteAndPassThrough) {
  const RouteCase &c = GetParam();
  _komemorytoken t{};
  t.mapping = reinterpret_cast<HANDLE>(intptr_t{-1});
  t.address = reinterpret_cast<void *>(static_cast<uintptr_t>(c.address));
  t.dataSize = c.size;
  t.allocSize = c.alloc;
  t.dataOffset = c.offset;
  t.kind = c.kind;
  t.ownerProcessId = c.owner;
  EXPECT_EQ(kp::RouteFor(t, kSelf, c.access), c.route);
  EXPECT_EQ(kp::PassesThrough(t, false), c.passes);
  EXPECT_EQ(kp::PassesThrough(t, true), c.passesDirect);
}

using R = kp::Route;
INSTANTIATE_TEST_SUITE_P(
    Table, TokenRoutes,
    testing::Values(
        RouteCase{"SelfAnyKind", 9, 0x1000, 16, 8, 0, kSelf, 0, R::Direct, false, false},
        RouteCase{"SelfWraps", 0, ~0ull - 8, 16, 8, 0, kSelf, 6, R::Unusable, false, true},
        RouteCase{"Mapping", 1, kHigh, 100, 4000, 4100, kPeer, 6, R::MapDuplicate, true, true},
        RouteCase{"MappingNoAlloc", 1, kHigh, 0, 4000, 0, kPeer, 4, R::MapDuplicate, true, true},
        RouteCase{"MappingTooBig", 1, kHigh, 101, 4000, 4100, kPeer, 6, R::Unusable, true, true},
        RouteCase{"MappingNegOffset", 1, kHigh, -4, 40, 0, kPeer, 6, R::Unusable, true, true},
        RouteCase{"MappingEmpty", 1, kHigh, 0, 0, 0, kPeer, 6, R::Unusable, true, true},
        RouteCase{"LowRead", 0, 0x10000, 0, 64, 0, kPeer, 4, R::ReadOwner, true, true},
        RouteCase{"HighAccessZero", 0, kHigh, 0, 64, 0, kPeer, 0, R::ReadOwner, false, true},
        RouteCase{"HighWriteOnly", 0, kHigh, 0, 64, 0, kPeer, 2 | 8, R::ZeroedCopy, false, true},
        RouteCase{"LowDataAbove4G", 0, 0xFFFFFF00, 0x100, 64, 0, kPeer, 6, R::ReadOwner, false, true},
        RouteCase{"HighDataBelow4G", 0, 0x100000010, -0x20, 8, 0, kPeer, 6, R::ReadOwner, true, true},
        RouteCase{"PlainWraps", 0, ~0ull - 0x100, 0x80, 0x100, 0, kPeer, 6, R::Unusable, false, true},
        RouteCase{"PlainBelowZero", 0, 0x10, -0x20, 8, 0, kPeer, 6, R::Unusable, false, true},
        RouteCase{"PlainEmpty", 0, 0x10000, 0, 0, 0, kPeer, 6, R::Unusable, true, true},
        RouteCase{"OtherKind", 2, 0x10000, 0, 8, 0, kPeer, 6, R::Unusable, false, false}),
    [](const testing::TestParamInfo<RouteCase> &i) { return std::string(i.param.name); });

}  // namespace
