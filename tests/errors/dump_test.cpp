// Hex dumps and exception dumps, with unreadable memory and short buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "platform/platform.h"

using kotest::Hex16;

namespace {

// Rows written independently of the dumper: "%02X " per byte (three blanks
// past the end, ".." from `unreadable` on), or "%08X " per DWORD.
std::string HexRow(const unsigned char *p, size_t n, size_t unreadable = 8) {
  std::string row = " " + Hex16(reinterpret_cast<uintptr_t>(p)) + ": ", chars;
  char cell[8];
  for (size_t i = 0; i < 8; ++i) {
    std::snprintf(cell, sizeof cell, "%02X ", i < n && i < unreadable ? p[i] : 0);
    row += i >= n ? "   " : i >= unreadable ? ".. " : cell;
    chars += i >= n ? ' ' : (i < unreadable && p[i] >= 0x20 && p[i] < 0x7F ? char(p[i]) : '.');
  }
  return row + chars + "\r\n";
}
std::string Words(const unsigned char *p, int n, int readable) {
  std::string row = " " + Hex16(reinterpret_cast<uintptr_t>(p)) + ": ";
  char cell[16];
  for (int i = 0; i < n; ++i) {
    uint32_t v = 0;
    if (i < readable) std::memcpy(&v, p + 4 * i, 4);
    std::snprintf(cell, sizeof cell, "%08X ", v);
    row += i < readable ? cell : "........ ";
  }
  return row + "\r\n";
}

TEST(Dumps, HexRowsTheirRoomAndUnreadableBytes) {
  unsigned char bytes[21];
  for (int i = 0; i < 21; ++i) bytes[i] = static_cast<unsigned char>(i * 37 + 5);
  std::memcpy(bytes + 8, "\x1F\x20\x7E\x7F\x80\xFF", 6);  // the edges of the printable range
  char out[512];
  for (UINT count : {0u, 1u, 8u, 9u, 21u}) {
    std::string want;
    for (UINT at = 0; at < count; at += 8) want += HexRow(bytes + at, count - at < 8 ? count - at : 8);
    EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, bytes, count), want.size()) << count;
    EXPECT_EQ(std::string(out), want) << count;
  }
  // A row is written only with room for its 53 characters and the terminator.
  std::memset(out, 'z', sizeof out);
  EXPECT_TRUE(KoErrorHandler_DumpHex(out, 53, bytes, 21) == 0u && std::string(out, 2) == std::string("\0z", 2));
  // DWORDs, unaligned, the last row short; a count below 1 writes nothing.
  const std::string two = Words(bytes + 1, 4, 4) + Words(bytes + 17, 1, 1);
  const DWORD *data = reinterpret_cast<const DWORD *>(bytes + 1);
  EXPECT_EQ(KoErrorHandler_DumpHexDWords(out, sizeof out, data, 5), two.size());
  EXPECT_EQ(std::string(out), two);
  EXPECT_EQ(KoErrorHandler_DumpHexDWords(out, static_cast<UINT>(two.size()), data, 5), two.find('\n') + 1);
  EXPECT_TRUE(KoErrorHandler_DumpHexDWords(out, sizeof out, data, -1) == 0u && out[0] == 0);
  // The end of a mapping.
  size_t page = 0;
  unsigned char *base = kotest::PageBeforeHole(&page);
  ASSERT_NE(base, nullptr);
  unsigned char *tail = base + page - 5;
  std::memcpy(tail, "wxyz!", 5);
  const std::string want = HexRow(tail, 8, 5) + HexRow(tail + 8, 8, 0) + HexRow(tail + 16, 4, 0);
  EXPECT_EQ(KoErrorHandler_DumpHex(out, sizeof out, tail, 20), want.size());
  EXPECT_EQ(std::string(out), want);
  KoErrorHandler_DumpHexDWords(out, sizeof out, reinterpret_cast<const DWORD *>(tail - 1), 3);
  EXPECT_EQ(std::string(out), Words(tail - 1, 3, 1));
}

TEST(Dumps, ExceptionLinesPartsAndTheFaultReporter) {
  ko::errors::SetFaultReporterName(KOTEXT("no-such-fault-reporter"));
  EXCEPTION_RECORD record{};
  record.ExceptionAddress = reinterpret_cast<void *>(uintptr_t{0x10});  // in no module
  EXCEPTION_POINTERS pointers{&record, nullptr};
  const std::string ip = " IP:0x0000000000000010\r\n";
  const struct { uint32_t code; DWORD params, write; std::string want; } cases[] = {
      {0x80000001, 0, 0, "Exception 0x80000001 (guard page violation)"},
      {0xC0000005, 2, 1, "Exception 0xC0000005 (access violation) WRITE:0x000000000000ABC0"},
      {0xC0000005, 2, 0, "Exception 0xC0000005 (access violation) READ:0x000000000000ABC0"},
      {0xC000013A, 3, 1, "Exception 0xC000013A (control+c exit)"},
      {0x1, 1, 0, "Exception 0x1 (Unknown Type)"},
  };
  char out[1024];
  for (const auto &c : cases) {
    record.ExceptionCode = c.code;
    record.NumberParameters = c.params;
    record.ExceptionInformation[0] = c.write;
    record.ExceptionInformation[1] = 0xABC0;
    EXPECT_EQ(KoErrorHandler_DumpExceptionRecord(out, sizeof out, "t", &pointers, 0x01),
              static_cast<int>(c.want.size() + ip.size()));
    EXPECT_EQ(std::string(out), c.want + ip);
  }
  char id[16];
  std::snprintf(id, sizeof id, "%X", ko::platform::CurrentThreadId());
  const std::string first = cases[4].want + ip, thread = "Thread: worker ID=0x" + std::string(id) + " Stack=\r\n";
  EXPECT_EQ(KoErrorHandler_DumpExceptionRecord(out, sizeof out, "worker", &pointers, 0),
            static_cast<int>((first + thread).size()));
  EXPECT_EQ(std::string(out), first + thread);
  // Writing stops once fewer than 50 bytes remain; a line that does not fit is left out.
  KoErrorHandler_DumpExceptionRecord(out, static_cast<UINT>(first.size() + 49), "worker", &pointers, 0);
  EXPECT_EQ(std::string(out), first);
  KoErrorHandler_DumpExceptionRecord(out, static_cast<UINT>(first.size() - 1), "worker", &pointers, 0x21);
  EXPECT_EQ(std::string(out), thread);
  EXPECT_EQ(KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x02), 0);
  EXPECT_EQ(KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, nullptr, 0x01), 0);
  // The fault reporter, once present, receives the exception pointers.
  const ko::kostring path = kotest::W(kotest::LedgerLibraryPath());
  HMODULE ledger = ko::platform::ModuleLoad(path.c_str());
  ASSERT_NE(ledger, nullptr) << kotest::LedgerLibraryPath();
  auto calls = reinterpret_cast<int (*)(void **)>(ko::platform::ModuleSymbol(ledger, "CrashLedgerTest_Calls"));
  ASSERT_TRUE(calls && calls(nullptr) == 0);
  ko::errors::SetFaultReporterName(path.c_str());
  KoErrorHandler_DumpExceptionRecord(out, sizeof out, nullptr, &pointers, 0x01);
  void *last = nullptr;
  EXPECT_TRUE(calls(&last) == 1 && last == &pointers);
  ko::errors::SetFaultReporterName(nullptr);
  ko::platform::ModuleFree(ledger);
}

}  // namespace
