// Hex dumps and exception dumps, with unreadable memory and short buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "platform/platform.h"

using kotest::Hex16;

namespace {

// The rows written independently of the dumper: "%02X " per byte, three
// blanks past the end, ".." for unreadable bytes.
std::string HexRow(const unsigned char *p, size_t n, size_t unreadableFrom = 8) {
  std::string row = " " + Hex16(reinterpret_cast<uintptr_t>(p)) + ": ";
  char cell[8];
  for (size_t i = 0; i < 8; ++i) {
    if (i >= n) row += "   ";
    else if (i >= unreadableFrom) row += ".. ";
    else std::snprintf(cell, sizeof cell, "%02X ", p[i]), row += cell;
  }
  for (size_t i = 0; i < 8; ++i)
    row += i >= n ? ' ' : (i < unreadableFrom && p[i] >= 0x20 && p[i] < 0x7F ? char(p[i]) : '.');
  return row + "\r\n";
}

TEST(Dumps, HexRowsAndTheirRoom) {
  const unsigned char abc[] = {0x41, 0x42, 0x0A};
  char out[256];
  EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, abc, 3), 53u);
  EXPECT_EQ(std::string(out), " " + Hex16(reinterpret_cast<uintptr_t>(abc)) +
                                  ": 41 42 0A                AB.     \r\n");
  unsigned char bytes[21];
  for (int i = 0; i < 21; ++i) bytes[i] = static_cast<unsigned char>(i * 37 + 5);
  for (UINT count : {0u, 1u, 8u, 9u, 21u}) {
    std::string want;
    for (UINT at = 0; at < count; at += 8) want += HexRow(bytes + at, count - at < 8 ? count - at : 8);
    EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, bytes, count), want.size()) << count;
    EXPECT_EQ(std::string(out), want) << count;
  }
  // A row needs its 53 characters and the terminator.
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(KoErrorHandler_DumpHex(out, 53, bytes, 21), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 'z');
  EXPECT_EQ(KoErrorHandler_DumpHex(out, 54 + 53, bytes, 21), 106u);
  EXPECT_EQ(KoErrorHandler_DumpHex(nullptr, 100, bytes, 21), 0u);
  EXPECT_EQ(KoErrorHandler_DumpHex(out, 0, bytes, 21), 0u);
  EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, nullptr, 8), 53u);  // one row of ".."
  EXPECT_EQ(std::string(out).substr(19, 24), ".. .. .. .. .. .. .. .. ");
}

TEST(Dumps, DWordRowsUnalignedAndShort) {
  unsigned char raw[4 * 6 + 1];
  for (size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(0xF0 - i * 7);
  const DWORD *data = reinterpret_cast<const DWORD *>(raw + 1);  // deliberately unaligned
  std::string want;
  char cell[16];
  for (int row = 0; row < 2; ++row) {
    want += " " + Hex16(reinterpret_cast<uintptr_t>(raw + 1 + row * 16)) + ": ";
    for (int i = 0; i < (row ? 1 : 4); ++i) {
      uint32_t v;
      std::memcpy(&v, raw + 1 + row * 16 + i * 4, 4);
      std::snprintf(cell, sizeof cell, "%08X ", v);
      want += cell;
    }
    want += "\r\n";
  }
  char out[256];
  EXPECT_EQ(KoErrorHandler_DumpHexDWords(out, sizeof out, data, 5), want.size());
  EXPECT_EQ(std::string(out), want);
  for (long count : {0L, -1L}) {
    EXPECT_EQ(KoErrorHandler_DumpHexDWords(out, sizeof out, data, count), 0u);
    EXPECT_EQ(out[0], 0);
  }
  const size_t firstRow = want.find('\n') + 1;
  EXPECT_EQ(KoErrorHandler_DumpHexDWords(out, static_cast<UINT>(want.size()), data, 5), firstRow);
}

TEST(Dumps, UnreadableBytesAtTheEndOfAMapping) {
  size_t page = 0;
  unsigned char *base = kotest::PageBeforeHole(&page);
  ASSERT_NE(base, nullptr);
  unsigned char *tail = base + page - 5;
  std::memcpy(tail, "wxyz!", 5);
  char out[512];
  const std::string want = HexRow(tail, 8, 5) + HexRow(tail + 8, 8, 0) + HexRow(tail + 16, 4, 0);
  EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, tail, 20), want.size());
  EXPECT_EQ(std::string(out), want);
  EXPECT_EQ(std::string(out).substr(19, 24), "77 78 79 7A 21 .. .. .. ");
  // DWORDs straddling the hole: the one that reaches into it is unreadable.
  EXPECT_GT(KoErrorHandler_DumpHexDWords(out, sizeof out, reinterpret_cast<const DWORD *>(base + page - 6), 3), 0u);
  char word[16];
  uint32_t v;
  std::memcpy(&v, base + page - 6, 4);
  std::snprintf(word, sizeof word, "%08X ", v);
  EXPECT_EQ(std::string(out).substr(19), std::string(word) + "........ ........ \r\n");
}

// A synthetic record for every name of the table (and an unknown code).
TEST(Dumps, ExceptionLinesAndParts) {
  ko::errors::SetFaultReporterName(KOTEXT("no-such-fault-reporter"));
  const struct {
    uint32_t code;
    const char *name;
  } names[] = {
      {0x80000001, "guard page violation"}, {0x80000002, "datatype misalignment"},
      {0x80000003, "breakpoint"}, {0x80000004, "single step"}, {0xC0000005, "access violation"},
      {0xC0000006, "in page error"}, {0xC0000008, "invalid handle"}, {0xC0000017, "no memory"},
      {0xC000001D, "illegal instruction"}, {0xC0000025, "noncontinuable exception"},
      {0xC0000026, "invalid disposition"}, {0xC000008C, "array bounds exceeded"},
      {0xC000008D, "float denormal operand"}, {0xC000008E, "float divide by zero"},
      {0xC000008F, "float inexact result"}, {0xC0000090, "float invalid operation"},
      {0xC0000091, "float overflow"}, {0xC0000092, "float stack check"},
      {0xC0000093, "float underflow"}, {0xC0000094, "integer divide by zero"},
      {0xC0000095, "integer overflow"}, {0xC0000096, "privileged instruction"},
      {0xC00000FD, "stack overflow"}, {0xC000013A, "control+c exit"}, {0xE0434F4D, "Unknown Type"},
      {0x1, "Unknown Type"}};
  EXCEPTION_RECORD record{};
  record.ExceptionAddress = reinterpret_cast<void *>(&KoErrorHandler_DumpHex);
  EXCEPTION_POINTERS pointers{&record, nullptr};
  const std::string ip = " IP:0x" + Hex16(reinterpret_cast<uintptr_t>(record.ExceptionAddress)) + "\r\n";
  char out[1024];
  char code[16];
  for (const auto &n : names) {
    record.ExceptionCode = n.code;
    for (DWORD params : {0u, 1u, 2u, 3u}) {
      record.NumberParameters = params;
      record.ExceptionInformation[0] = params == 2 ? 0 : 1;
      record.ExceptionInformation[1] = 0xABC0;
      std::snprintf(code, sizeof code, "%X", n.code);
      const std::string access = params == 2 ? " READ:0x" + Hex16(0xABC0) : "";
      const int len = KoErrorHandler_DumpExceptionRecord(out, sizeof out, "t", &pointers, 0x01);
      EXPECT_EQ(std::string(out), "Exception 0x" + std::string(code) + " (" + n.name + ")" + access + ip);
      EXPECT_EQ(len, static_cast<int>(std::strlen(out)));
    }
  }
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x01);
  EXPECT_NE(std::string(out).find(") WRITE:0x" + Hex16(0xABC0) + " IP:"), std::string::npos);

  // Module and thread lines, and all parts at once.
  uintptr_t base = 0;
  std::string file;
  ASSERT_TRUE(kotest::SystemModuleOf(record.ExceptionAddress, &base, &file));
  const std::string module = "In Module '" + file + "' at Address 0x" + Hex16(base) + " + 0x" +
      Hex16(reinterpret_cast<uintptr_t>(record.ExceptionAddress) - base) + "\r\n";
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x02);
  EXPECT_EQ(std::string(out), module);
  std::snprintf(code, sizeof code, "%X", ko::platform::CurrentThreadId());
  const std::string thread = "Thread: worker ID=0x" + std::string(code) + " Stack=\r\n";
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, "worker", &pointers, 0x20);
  EXPECT_EQ(std::string(out), thread);
  const int all = KoErrorHandler_DumpExceptionRecord(out, sizeof out, "worker", &pointers, 0);
  const std::string first = std::string(out).substr(0, std::string(out).find('\n') + 1);
  EXPECT_EQ(std::string(out), first + module + thread);
  EXPECT_EQ(all, static_cast<int>(first.size() + module.size() + thread.size()));

  // Writing stops once fewer than 50 bytes remain; a line that does not fit
  // is left out; an address in no module has no module line.
  KoErrorHandler_DumpExceptionRecord(out, static_cast<UINT>(first.size() + 49), "w", &pointers, 0);
  EXPECT_EQ(std::string(out), first);
  KoErrorHandler_DumpExceptionRecord(out, static_cast<UINT>(first.size() - 1), "w", &pointers, 0x21);
  EXPECT_EQ(std::string(out), "Thread: w ID=0x" + std::string(code) + " Stack=\r\n");
  record.ExceptionAddress = reinterpret_cast<void *>(uintptr_t{0x10});
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x02);
  EXPECT_EQ(std::string(out), "");
  EXPECT_EQ(KoErrorHandler_DumpExceptionRecord(out, sizeof out, "n", nullptr, 0x01), 0);
  ko::errors::SetFaultReporterName(nullptr);
}

TEST(Dumps, FaultReporterReceivesTheExceptionWhenPresent) {
  const ko::kostring path = kotest::W(kotest::LedgerLibraryPath());
  HMODULE ledger = ko::platform::ModuleLoad(path.c_str());
  ASSERT_NE(ledger, nullptr) << kotest::LedgerLibraryPath();
  auto calls = reinterpret_cast<int (*)(void **)>(ko::platform::ModuleSymbol(ledger, "CrashLedgerTest_Calls"));
  ASSERT_NE(calls, nullptr);
  EXCEPTION_RECORD record{};
  EXCEPTION_POINTERS pointers{&record, nullptr};
  char out[256];
  ko::errors::SetFaultReporterName(KOTEXT("no-such-fault-reporter"));
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x01);
  EXPECT_EQ(calls(nullptr), 0);
  ko::errors::SetFaultReporterName(path.c_str());
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x01);
  void *last = nullptr;
  EXPECT_EQ(calls(&last), 1);
  EXPECT_EQ(last, &pointers);
  ko::errors::SetFaultReporterName(nullptr);
  ko::platform::ModuleFree(ledger);
}

}  // namespace
