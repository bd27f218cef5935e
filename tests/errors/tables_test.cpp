// Host error tables: precedence over the built-in table, their texts,
// entries that point at garbage, and the limit of 32 tables. The registry is
// process-wide and only grows, so this test has a program of its own.
#include <gtest/gtest.h>

#include "errors_test.h"
#include "settings/lang_internal.h"

using kotest::U8;

TEST(HostTables, ComeFirstUpToThirtyTwo) {
  HKOLANG english = nullptr, german = nullptr;
  ASSERT_EQ(KoLang_Open(&english, nullptr, 0x0409, 0), S_OK);
  ASSERT_EQ(KoLang_Open(&german, nullptr, 0x0407, 0), S_OK);
  ko::lang::SetKernelHandle(english);
  static KOLANGSTRINGID record{KOLANG_RECORD_MARKER, KOLANG_SLOT_COUNT, {}, {}, nullptr};
  for (auto &s : record.slots) s = KOTEXT("\n\nenglish");
  record.slots[2] = KOTEXT("\n\ndeutsch");
  static KOLANGSTRINGID badCount = record, badSlots = record;
  badCount.slotCount = 200;
  for (auto &s : badSlots.slots) s = reinterpret_cast<const KOCHAR *>(uintptr_t{0xFFFF800000001000u});
  static _koerror_table first[] = {{E_FAIL, KOTEXT("\n\nHost text.")},
                                   {KO_HR(0x8004AB01u), nullptr},
                                   {KO_HR(0x8004AB02u), KOLANG_NUMBER(7)}};
  static _koerror_table_rcid second[] = {
      {KO_HR(0x8004AB03u), reinterpret_cast<const KOCHAR *>(&record)},
      {KO_HR(0x8004AB04u), reinterpret_cast<const KOCHAR *>(&badCount)},
      {KO_HR(0x8004AB05u), reinterpret_cast<const KOCHAR *>(&badSlots)}};
  EXPECT_EQ(KoErrorHandler_AddErrorTable(nullptr, 1), E_POINTER);
  EXPECT_EQ(KoErrorHandler_AddErrorTable(first, 0), E_INVALIDARG);
  ASSERT_EQ(KoErrorHandler_AddErrorTable(first, 3), S_OK);
  ASSERT_EQ(KoErrorHandler_AddErrorTable(german, second, 3), S_OK);

  EXPECT_EQ(U8(KoErrorHandler_GetErrorMessage(0, E_FAIL, nullptr)),
            "An error occurred during the current operation.\n\nHost text.");
  // No text, a number without a string, or garbage: the code is shown.
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB01u)), nullptr);
  EXPECT_NE(U8(KoErrorHandler_GetErrorMessage(0, KO_HR(0x8004AB02u), nullptr)).find("0x8004ab02 (message missing)"),
            std::string::npos);
  EXPECT_EQ(U8(KoErrorHandler_GetHresultString(KO_HR(0x8004AB03u))), "\n\ndeutsch");
  for (uint32_t bad : {0x8004AB04u, 0x8004AB05u}) EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(bad)), nullptr);

  static _koerror_table late[] = {{KO_HR(0x8004AB07u), KOTEXT("late")}};
  for (int i = 2; i < KOERROR_MAX_TABLES; ++i) ASSERT_EQ(KoErrorHandler_AddErrorTable(first, 1), S_OK);
  EXPECT_EQ(KoErrorHandler_AddErrorTable(late, 1), S_FALSE);
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004AB07u)), nullptr);
  ko::lang::SetKernelHandle(nullptr);
  KoLang_Close(german);
  KoLang_Close(english);
}
