// Host error tables: precedence over the built-in table, resolution of their
// texts, entries that point at garbage, and the limit of 32 tables. The
// registry is process-wide and only grows, so these tests have a program of
// their own.
#include <gtest/gtest.h>

#include "errors_test.h"
#include "kokernel/koprintf.h"
#include "settings/lang_internal.h"
#include "text/token_list.h"

using kotest::U8;

namespace {

class HostTables : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(KoLang_Open(&h_, nullptr, 0x0409, 0), S_OK);
    ko::lang::SetKernelHandle(h_);
    ko::text::CreateTokenList();
    KoPrintF_AddToken(KOTEXT("AppName"), KOTEXT("Studio"));
  }
  void TearDown() override {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h_);
  }
  static std::string Message(UINT_PTR context, uint32_t code, const char *) {
    return U8(KoErrorHandler_GetErrorMessage(context, KO_HR(code), nullptr));
  }
  HKOLANG h_ = nullptr;
};

// One test walks the registry from the first table to the refused 33rd.
TEST_F(HostTables, ComeFirstUpToThirtyTwo) {
  static _koerror_table first[] = {{E_FAIL, KOTEXT("\n\nHost text for $(AppName).")},
                                   {KO_HR(0x8004AB01u), nullptr},
                                   {KO_HR(0x8004AB02u), KOLANG_NUMBER(7)}};
  ASSERT_EQ(KoErrorHandler_AddErrorTable(first, 3), S_OK);
  EXPECT_EQ(Message(0, 0x80004005, nullptr),
            "An error occurred during the current operation.\n\nHost text for Studio.");
  // No text, or a string number that resolves to nothing: the code is shown.
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB01u)), nullptr);
  EXPECT_NE(Message(0, 0x8004AB02, nullptr).find("Error 0x8004ab02 (message missing)"),
            std::string::npos);

  // A German table with a record, and records that point at garbage.
  HKOLANG german = nullptr;
  ASSERT_EQ(KoLang_Open(&german, nullptr, 0x0407, 0), S_OK);
  static KOLANGSTRINGID record{};
  record.marker = KOLANG_RECORD_MARKER;
  record.slotCount = KOLANG_SLOT_COUNT;
  for (auto &s : record.slots) s = KOTEXT("\n\nenglish");
  record.slots[2] = KOTEXT("\n\ndeutsch");
  alignas(8) static KOLANGSTRINGID badCount = record, badSlots = record;
  badCount.slotCount = 200;
  for (auto &s : badSlots.slots) s = reinterpret_cast<const KOCHAR *>(uintptr_t{0xFFFF800000001000u});
  static _koerror_table_rcid second[] = {
      {KO_HR(0x8004AB03u), reinterpret_cast<const KOCHAR *>(&record)},
      {KO_HR(0x8004AB04u), reinterpret_cast<const KOCHAR *>(&badCount)},
      {KO_HR(0x8004AB05u), reinterpret_cast<const KOCHAR *>(&badSlots)}};
  ASSERT_EQ(KoErrorHandler_AddErrorTable(german, second, 3), S_OK);
  EXPECT_EQ(U8(KoErrorHandler_GetHresultString(KO_HR(0x8004AB03u))), "\n\ndeutsch");
  EXPECT_EQ(U8(record.slots[1]), "\n\nenglish");  // the caller's record is not written
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB04u)), nullptr);
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB05u)), nullptr);

  EXPECT_EQ(KoErrorHandler_AddErrorTable(nullptr, 1), E_POINTER);
  EXPECT_EQ(KoErrorHandler_AddErrorTable(first, 0), E_INVALIDARG);
  static _koerror_table filler[] = {{KO_HR(0x8004AB06u), KOTEXT("filler")}};
  for (int i = 2; i < KOERROR_MAX_TABLES; ++i) ASSERT_EQ(KoErrorHandler_AddErrorTable(filler, 1), S_OK);
  static _koerror_table late[] = {{KO_HR(0x8004AB07u), KOTEXT("late")}};
  EXPECT_EQ(KoErrorHandler_AddErrorTable(late, 1), S_FALSE);
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB07u)), nullptr);
  KoLang_Close(german);
}

}  // namespace
