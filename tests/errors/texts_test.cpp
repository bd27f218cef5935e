// The built-in tables against the English texts kept in english_texts.txt,
// and the records behind them.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <vector>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "settings/lang_internal.h"

using kotest::U8;

namespace {

struct Row {
  bool context;
  uint32_t key;
  std::string text;  // line feeds in place of "\n"
};

std::vector<Row> ReadRows() {
  std::vector<Row> rows;
  std::ifstream in(kotest::ProgramDir() + "errors_english_texts.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    Row r{line[0] == 'C', static_cast<uint32_t>(std::stoul(line.substr(t1 + 1, t2 - t1 - 1), nullptr, 0)), ""};
    for (size_t i = t2 + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
        r.text += '\n';
        ++i;
      } else {
        r.text += line[i];
      }
    }
    rows.push_back(r);
  }
  return rows;
}

// An English kernel handle for the duration of a test.
class BuiltinTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(KoLang_Open(&h_, nullptr, 0x0409, 0), S_OK);
    ko::lang::SetKernelHandle(h_);
  }
  void TearDown() override {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h_);
  }
  HKOLANG h_ = nullptr;
};

TEST_F(BuiltinTexts, EveryEnglishTextAndTheTableOrder) {
  const std::vector<Row> rows = ReadRows();
  ASSERT_EQ(rows.size(), 53u + 161u) << "the data file was not found or is incomplete";
  size_t context = 0, error = 0;
  std::set<uint32_t> codesSeen;
  for (const Row &r : rows) {
    if (r.context) {
      // Context 13 is the one entry of the table that the data file lacks.
      if (ko::errors::BuiltinContext(context).key == 13) ++context;
      ASSERT_LT(context, ko::errors::BuiltinContextCount());
      EXPECT_EQ(ko::errors::BuiltinContext(context++).key, r.key);
      EXPECT_EQ(U8(KoErrorHandler_GetContextString(r.key)), r.text) << "context " << r.key;
    } else {
      ASSERT_LT(error, ko::errors::BuiltinErrorCount());
      EXPECT_EQ(ko::errors::BuiltinError(error).key, r.key) << "row " << error;
      EXPECT_EQ(U8(ko::errors::BuiltinError(error).record.slots[0]), r.text) << std::hex << r.key;
      ++error;
      if (codesSeen.insert(r.key).second) {
        EXPECT_EQ(U8(KoErrorHandler_GetHresultString(static_cast<HRESULT>(r.key))), r.text)
            << std::hex << r.key;
      }
    }
  }
  EXPECT_EQ(context, ko::errors::BuiltinContextCount());
  // The eleven rows after the listed ones are the codes without listed wording.
  const std::set<uint32_t> extra = {0x8004E034, 0x8004E18A, 0x8004E17D, 0x8004E17E,
                                    0x8004E180, 0x8004E181, 0x8004E182, 0x8004E183,
                                    0x8004E184, 0x8004E063, 0x8004E064};
  std::set<uint32_t> tail;
  for (size_t i = error; i < ko::errors::BuiltinErrorCount(); ++i) {
    tail.insert(ko::errors::BuiltinError(i).key);
    EXPECT_NE(KoErrorHandler_GetHresultString(static_cast<HRESULT>(ko::errors::BuiltinError(i).key)),
              nullptr);
  }
  EXPECT_EQ(tail, extra);
  EXPECT_EQ(ko::errors::BuiltinErrorCount(), 172u);
  EXPECT_EQ(KoErrorHandler_GetHresultString(KO_HR(0x8004ABCDu)), nullptr);
  EXPECT_EQ(U8(KoErrorHandler_GetContextString(999)), U8(KoErrorHandler_GetContextString(0)));
}

// Every slot of every record is a text; translated slots differ from the
// English one and are what a handle of that language gets.
TEST_F(BuiltinTexts, RecordsHoldATextInEverySlot) {
  struct Lang {
    LCID lcid;
    int slot;
  };
  const Lang langs[] = {{0x0407, 2}, {0x040C, 4}};
  HKOLANG handles[2] = {};
  for (int i = 0; i < 2; ++i) ASSERT_EQ(KoLang_Open(&handles[i], nullptr, langs[i].lcid, 0), S_OK);
  int translated[2] = {};
  auto check = [&](const ko::errors::BuiltinEntry &e) {
    EXPECT_EQ(e.record.marker, KOLANG_RECORD_MARKER);
    EXPECT_EQ(e.record.slotCount, KOLANG_SLOT_COUNT);
    for (const KOCHAR *s : e.record.slots) EXPECT_GE(reinterpret_cast<uintptr_t>(s), 0x10000u);
    for (int i = 0; i < 2; ++i) {
      const KOCHAR *own = e.record.slots[langs[i].slot];
      if (U8(own) != U8(e.record.slots[0])) ++translated[i];
      auto *slots = reinterpret_cast<const KOCHAR *const *>(&e.record);
      EXPECT_EQ(U8(KoGetString(handles[i], slots)), U8(own));
    }
  };
  for (size_t i = 0; i < ko::errors::BuiltinContextCount(); ++i) check(ko::errors::BuiltinContext(i));
  for (size_t i = 0; i < ko::errors::BuiltinErrorCount(); ++i) check(ko::errors::BuiltinError(i));
  EXPECT_EQ(translated[0], translated[1]);  // German and French cover the same entries
  EXPECT_GT(translated[0], 20);
  for (HKOLANG h : handles) KoLang_Close(h);
}

}  // namespace
