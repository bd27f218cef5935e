// GUID text and token routes, in both targets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kokernel/koprocess.h"
#include "process/token_rules.h"

namespace {

namespace kp = ko::process;
using Text = std::basic_string<KOCHAR>;
Text U(const char *s) { return Text(s, s + std::strlen(s)); }

TEST(GuidText, WorkedValueTruncationAndMalformedText) {
  const GUID spy = {0x34, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  for (int cch : {40, 37, 9, 1}) {
    KOCHAR buf[40] = {'#'};
    ASSERT_EQ(KoGuidToString(&spy, buf, cch), S_OK);
    EXPECT_EQ(Text(buf), U("00000034-0000-0000-c000-000000000046").substr(0, cch - 1));
  }
  for (const char *bad : {"{00000034-0000-0000-c000-000000000046}", "00000034-0000-0000-c000-00000000004",
                          "00000034-0000-0000-c000-0000000000466",
                          "0000034-00000-0000-c000-000000000046", "00000034-0000-0000-c000-00000000004g",
                          "00000034-0000-0000-c000+000000000046", "0x000034-0000-0000-c000-000000000046"}) {
    GUID g = spy;
    EXPECT_EQ(KoGuidFromString(reinterpret_cast<KOCSTR>(U(bad).c_str()), &g), E_FAIL) << bad;
    EXPECT_EQ(std::memcmp(&g, &spy, sizeof g), 0) << bad;
  }
}

// passes: handed on unchanged without direct use.
struct RouteCase { const char *name; uint32_t kind; uint64_t address; int32_t offset; uint32_t size, alloc, owner, access;
                   kp::Route route; bool passes; };
constexpr uint32_t kSelf = 100, kPeer = 200;
constexpr uint64_t kHigh = 0x7ff000000000ull;
using R = kp::Route;

class TokenRoutes : public testing::TestWithParam<RouteCase> {};
TEST_P(TokenRoutes, RouteAndPassThrough) {
  const RouteCase &c = GetParam();
  _komemorytoken t = {reinterpret_cast<HANDLE>(intptr_t{-1}), reinterpret_cast<void *>(c.address),
                      c.size, c.alloc, c.offset, 0, c.kind, c.owner};
  EXPECT_EQ(kp::RouteFor(t, kSelf, c.access), c.route);
  EXPECT_EQ(kp::PassesThrough(t, false), c.passes);
  EXPECT_EQ(kp::PassesThrough(t, true), c.kind <= 1);
}
INSTANTIATE_TEST_SUITE_P(
    Table, TokenRoutes,
    testing::Values(RouteCase{"SelfAnyKind", 9, 0x1000, 16, 8, 0, kSelf, 0, R::Direct, false},
                    RouteCase{"SelfWraps", 0, ~0ull - 8, 16, 8, 0, kSelf, 6, R::Unusable, false},
                    RouteCase{"Mapping", 1, kHigh, 100, 4000, 4100, kPeer, 6, R::MapDuplicate, true},
                    RouteCase{"MappingTooBig", 1, kHigh, 101, 4000, 4100, kPeer, 6, R::Unusable, true},
                    RouteCase{"MappingNegOffset", 1, kHigh, -4, 40, 0, kPeer, 6, R::Unusable, true},
                    RouteCase{"HighAccessZero", 0, kHigh, 0, 64, 0, kPeer, 0, R::ReadOwner, false},
                    RouteCase{"HighWriteOnly", 0, kHigh, 0, 64, 0, kPeer, 2 | 8, R::ZeroedCopy, false},
                    RouteCase{"DataEndsAt4G", 0, 0xFFFFFF00, 0x100, 64, 0, kPeer, 6, R::ReadOwner, false},
                    RouteCase{"DataBelow4G", 0, 0x100000010, -0x20, 8, 0, kPeer, 6, R::ReadOwner, true},
                    RouteCase{"PlainWraps", 0, ~0ull - 0x100, 0x80, 0x100, 0, kPeer, 6, R::Unusable, false},
                    RouteCase{"PlainEmpty", 0, 0x10000, 0, 0, 0, kPeer, 6, R::Unusable, true},
                    RouteCase{"OtherKind", 2, 0x10000, 0, 8, 0, kPeer, 6, R::Unusable, false}),
    [](const testing::TestParamInfo<RouteCase> &i) { return std::string(i.param.name); });

}  // namespace
