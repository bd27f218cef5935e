// The built-in tables against the English texts kept in english_texts.txt.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "settings/lang_internal.h"

using kotest::U8;
using ko::errors::BuiltinContext;
using ko::errors::BuiltinError;

TEST(BuiltinTexts, EveryEnglishTextInTableOrder) {
  HKOLANG h = nullptr;
  ASSERT_EQ(KoLang_Open(&h, nullptr, 0x0409, 0), S_OK);
  ko::lang::SetKernelHandle(h);
  std::ifstream in(kotest::ProgramDir() + "errors_english_texts.txt");
  size_t contexts = 0, errors = 0;
  std::set<uint32_t> seen;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    const uint32_t key = static_cast<uint32_t>(std::stoul(line.substr(t1 + 1, t2 - t1 - 1), nullptr, 0));
    std::string text = line.substr(t2 + 1);
    for (size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
    if (line[0] == 'C') {
      ASSERT_LT(contexts, ko::errors::BuiltinContextCount());
      if (BuiltinContext(contexts).key == 13) ++contexts;  // the one row the list lacks
      EXPECT_EQ(BuiltinContext(contexts++).key, key);
      EXPECT_EQ(U8(KoErrorHandler_GetContextString(key)), text) << "context " << key;
    } else {
      // The sample keeps table order: the row is the next one with this code.
      while (errors < ko::errors::BuiltinErrorCount() && BuiltinError(errors).key != key) ++errors;
      ASSERT_LT(errors, ko::errors::BuiltinErrorCount()) << std::hex << key << " missing or out of order";
      EXPECT_EQ(U8(BuiltinError(errors++).record.slots[0]), text) << std::hex << key;
      const bool first = seen.insert(key).second;  // the first of equal codes wins
      EXPECT_TRUE(!first || U8(KoErrorHandler_GetHresultString(KO_HR(key))) == text) << std::hex << key;
    }
  }
  EXPECT_EQ(contexts, ko::errors::BuiltinContextCount());
  EXPECT_EQ(seen.size(), 30u) << "the data file was not read whole";
  ko::lang::SetKernelHandle(nullptr);
  KoLang_Close(h);
}
