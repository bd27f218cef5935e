#include <gtest/gtest.h>

#include <string>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "kokernel/kolang.h"
#include "kokernel/koprintf.h"
#include "settings/lang_internal.h"
#include "platform/platform.h"
#include "text/token_list.h"

namespace {

std::u16string Str(const KOCHAR *s) {
  std::u16string out;
  while (*s) out.push_back(static_cast<char16_t>(*s++));
  return out;
}

HMODULE SomeModule() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)); }

struct StartUp : ::testing::Test {
  void TearDown() override {
    KoKernel_LateTerminate();
    ko::frame::ResetSupportControls();
  }
};

}  // namespace

TEST_F(StartUp, RecordsTheKernelDerivesTheOptionsAndKeepsTheSupportValue) {
  const struct {
    uint32_t flags, options;
  } cases[] = {{0, 0}, {0x20, 2}, {0x1, 1}, {0x21, 1}, {0xFFFFFFFEu, 2}, {0xFFFFFFDEu, 0}};
  for (const auto &c : cases) {
    EXPECT_EQ(KoKernel_EarlyInitialize(SomeModule(), c.flags), TRUE);
    EXPECT_TRUE(KoKernel_GetAppKernel() == SomeModule() && ko::frame::StartupFlags() == c.flags);
    EXPECT_EQ(ko::frame::KernelOptions(), c.options) << std::hex << c.flags;
  }
  ko::frame::ClearKernelOption(ko::frame::kKernelOptionHostColours);
  EXPECT_EQ(ko::frame::KernelOptions(), 0u);
  EXPECT_EQ(ko::frame::HostProcessModule(), ko::platform::ModuleOfProcess());
  EXPECT_TRUE(ko::frame::ClockUsesPerformanceCounter());
  EXPECT_EQ(ko::platform::GetErrorMode() & 0x8001u, 0x8001u);
  // The support value in force is kept; shutdown forgets only the kernel.
  KoDisallowCPUSupport(KOCPU_SSE2);
  KoKernel_EarlyInitialize(SomeModule(), 0);
  EXPECT_EQ(ko::frame::CurrentSupport() & KOCPU_SSE2, 0u);
  // A class set by support is part of the value in force.
  ASSERT_TRUE(KoOnlyAllowCPUSupport(0x10));
  KoSetCPUClassBySupport();
  KoKernel_EarlyInitialize(SomeModule(), 0x20);
  EXPECT_EQ(ko::frame::CurrentSupport(), KoGetCPUSupport(0));
  EXPECT_EQ(ko::frame::CurrentSupport() & KOCPU_CLASS_MASK, 4u);
  const uint32_t support = KoGetCPUSupport(0), ms = KoGetMillisec();
  EXPECT_EQ(KoKernel_LateTerminate(), TRUE);
  EXPECT_TRUE(KoKernel_GetAppKernel() == nullptr && KoGetCPUSupport(0) == support);
  EXPECT_GE(KoGetMillisec(), ms);  // the clock keeps running from the same base
  EXPECT_EQ(ko::platform::GetErrorMode() & 0x8001u, 0x8001u);
  EXPECT_EQ(KoKernel_LateTerminate(), TRUE);  // twice is harmless
}

TEST_F(StartUp, TokenListLivesFromStartUpToShutdown) {
  KoKernel_LateTerminate();
  EXPECT_EQ(ko::text::TokenList(), nullptr);
  ASSERT_EQ(KoKernel_EarlyInitialize(SomeModule(), 0), TRUE);
  tKOLIST *list = ko::text::TokenList();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(KoList_IsList(list, sizeof(tKOLIST)));
  const int32_t builtIn = list->nCount;
  EXPECT_EQ(builtIn, 9) << "the tokens of the user's international settings";

  // A second start-up keeps the list and the host's own tokens; the
  // international ones are replaced, not added again.
  ASSERT_TRUE(KoPrintF_AddToken(KOTEXT("HostProduct"), KOTEXT("Demo Studio")));
  EXPECT_EQ(list->nCount, builtIn + 1);
  ASSERT_EQ(KoKernel_EarlyInitialize(SomeModule(), 0), TRUE);
  EXPECT_EQ(ko::text::TokenList(), list);
  EXPECT_EQ(list->nCount, builtIn + 1);

  // The library's own language handle is open on the application kernel.
  ASSERT_NE(ko::lang::KernelHandle(), nullptr);
  EXPECT_EQ(KoLang_InstFromLang(ko::lang::KernelHandle()), SomeModule());

  // Shutdown destroys the list and closes the handle; the next start-up begins afresh.
  KoKernel_LateTerminate();
  EXPECT_TRUE(ko::text::TokenList() == nullptr && ko::lang::KernelHandle() == nullptr);
  KoKernel_EarlyInitialize(SomeModule(), 0);
  ASSERT_NE(ko::text::TokenList(), nullptr);
  EXPECT_EQ(ko::text::TokenList()->nCount, builtIn);
}

TEST(OSName, TextsAndTruncation) {
  using ko::frame::OSLevel;
  const struct {
    OSLevel level;
    uint16_t arch;
    const char *text;
    bool ok;
  } cases[] = {
      {OSLevel::kWindows11, 9, "Windows 11.0 (64-bit)", true},
      {OSLevel::kWindows10, 0, "Windows 10.0 (32-bit)", true},
      {OSLevel::kWindows8, 5, "Windows 8", true},  // other architectures: no suffix
  };
  for (const auto &c : cases) {
    KOCHAR buf[22];
    EXPECT_EQ(ko::frame::ComposeOSName(c.level, c.arch, buf, 22), c.ok) << c.text;
    std::u16string want(c.text, c.text + std::char_traits<char>::length(c.text));
    EXPECT_EQ(Str(buf), want) << c.text;
  }
  // A buffer under 22 characters: cut short, terminated, nothing written past it.
  KOCHAR small[8] = {0, 0, 0, 0, 0, 0x7777};
  EXPECT_FALSE(ko::frame::ComposeOSName(OSLevel::kWindows11, 9, small, 5));
  EXPECT_EQ(Str(small), u"Wind");
  EXPECT_EQ(small[5], 0x7777);
}
