// The internationals record, its reading functions and the derived tokens.
#include <gtest/gtest.h>

#include <cstring>

#include "lang/lang_helpers.h"
#include "settings/lang_internal.h"
#include "kokernel/koprintf.h"
#include "text/locale_settings.h"
#include "text/token_list.h"

using kotest::Lang;
using kotest::U8;

namespace {

template <size_t N>
uint32_t Len(const KOCHAR (&s)[N]) {
  uint32_t n = 0;
  while (n < N && s[n]) ++n;
  return n;
}

}  // namespace

TEST(LangInternationals, RebuildFillsRecordPublishesSeparatorsAndTokens) {
  ASSERT_EQ(KoSetLangID(KOTEXT("DEUTSCH")), static_cast<HRESULT>(0x8007007A)) << "truncated";
  ASSERT_EQ(KoLang_GetInternationals(nullptr, 0), S_OK);
  KOINTERNATIONALS r;
  std::memset(&r, 0xCC, sizeof r);
  ASSERT_EQ(KoLang_GetInternationals(&r, sizeof r), S_OK);
  EXPECT_EQ(r.size, 796u);
  EXPECT_EQ(U8(r.languageId), "DEU") << "kept across the rebuild";
  EXPECT_EQ(U8(r.minus) + U8(r.timecodeWhole) + U8(r.timecodeNonDrop) + U8(r.timecodeDrop), "-:.,");
  EXPECT_EQ(U8(r.musicBeats) + U8(r.musicTicks), "..");
  EXPECT_EQ(r.decimalSeparatorLength, Len(r.decimalSeparator));
  EXPECT_EQ(r.listSeparatorLength, Len(r.listSeparator));
  EXPECT_NE(U8(r.decimalSeparator), U8(r.thousandSeparator));
  // The formatter's settings follow the record.
  const auto &s = ko::text::CurrentLocaleSettings();
  EXPECT_EQ(U8(s.decimalSeparator) + U8(s.timecodeFrames), U8(r.decimalSeparator) + ".");
  // A short copy: the first 32 bits carry the copied size, nothing beyond it is written.
  uint32_t small[3] = {0, 0xAAAAAAAA, 0xBBBBBBBB};
  EXPECT_EQ(KoLang_GetInternationals(small, 8), S_OK);
  EXPECT_TRUE(small[0] == 8u && small[1] == r.systemLCID && small[2] == 0xBBBBBBBBu);
  EXPECT_EQ(KoSetLangID(nullptr), S_OK);
  KoLang_GetInternationals(&r, sizeof r);
  EXPECT_EQ(U8(r.languageId), "ENU");
  // The rebuild registers the formatter's tokens.
  ASSERT_EQ(ko::text::CreateTokenList(), S_OK);
  Lang kernel(0x0407);
  ko::lang::SetKernelHandle(kernel.h);
  ASSERT_EQ(KoLang_GetInternationals(nullptr, 0), S_OK);
  KOCHAR out[128];
  KoCchPrintF(out, 128, nullptr, KOTEXT("$(SMPTE.Label.NonDrop)|$(MusicTime.Label.Full)|$(SMPTE.Drop)"));
  EXPECT_EQ(U8(out), "Std:Min:Sek.Fr|Takte.Beats.Ticks|,");
  // Switching the kernel language and rebuilding replaces the tokens.
  KoLang_UpdateKernelLCID(kernel.h, 0x0409);
  ASSERT_EQ(KoLang_GetInternationals(nullptr, 0), S_OK);
  KoCchPrintF(out, 128, nullptr, KOTEXT("$(SMPTE.Label.Drop.Full)"));
  EXPECT_EQ(U8(out), "hours:minutes:seconds,frames");
  ko::lang::SetKernelHandle(nullptr);
  ko::text::DestroyTokenList();
  ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings());
}
