// Dumps of real exceptions compared with what the system itself reports
// about the faulting address.
#include <windows.h>

#include <gtest/gtest.h>

#include <oleauto.h>

#include <string>

#include "errors/errors_internal.h"
#include "errors_test.h"

namespace {

// The module that the system names for an address: its base and file name.
bool SystemModuleOf(const void *address, uintptr_t *base, std::string *file) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module))
    return false;
  MEMORY_BASIC_INFORMATION mbi;
  if (!VirtualQuery(address, &mbi, sizeof mbi) || mbi.AllocationBase != module) return false;
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  *base = reinterpret_cast<uintptr_t>(module);
  *file = std::string(path, n).substr(std::string(path, n).find_last_of("\\/:") + 1);
  return true;
}

// The watched thread's exception is dumped from a vectored handler, which
// then sends the thread to its end instead of back to the fault.
DWORD g_thread;
char g_dump[4096];
EXCEPTION_RECORD g_record;
volatile int g_zero = 0;
volatile int *g_page[2];  // no access, guarded

void EndThread() { ExitThread(0); }

LONG CALLBACK Handler(EXCEPTION_POINTERS *e) {
  if (GetCurrentThreadId() != g_thread) return EXCEPTION_CONTINUE_SEARCH;
  g_record = *e->ExceptionRecord;
  KoErrorHandler_DumpExceptionRecord(g_dump, sizeof g_dump, "faulting", e, 0);
  e->ContextRecord->Rsp = (e->ContextRecord->Rsp & ~uint64_t{15}) - 8;
  e->ContextRecord->Rip = reinterpret_cast<DWORD64>(&EndThread);
  return EXCEPTION_CONTINUE_EXECUTION;
}

DWORD WINAPI Raise(void *which) {
  const ULONG_PTR params[3] = {0x11, 0x22, 0x33};
  switch (reinterpret_cast<uintptr_t>(which)) {
    case 0: *g_page[0] = 1; break;
    case 1: g_zero = *g_page[1]; break;
    case 2: g_zero = 7 / g_zero; break;
    default: RaiseException(0xE0001234u, 0, 3, params);
  }
  return 0;
}

TEST(RealExceptions, DumpNamesTheModuleAndOffsetTheSystemReports) {
  ko::errors::SetFaultReporterName(KOTEXT("no-such-fault-reporter"));
  g_page[0] = static_cast<int *>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_NOACCESS));
  g_page[1] = static_cast<int *>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD));
  void *handler = AddVectoredExceptionHandler(1, Handler);
  const std::string cases[] = {
      "Exception 0xC0000005 (access violation) WRITE:0x" + kotest::Hex16(uintptr_t(g_page[0])),
      "Exception 0x80000001 (guard page violation) READ:0x" + kotest::Hex16(uintptr_t(g_page[1])),
      "Exception 0xC0000094 (integer divide by zero)", "Exception 0xE0001234 (Unknown Type)"};
  for (uintptr_t which = 0; which < 4; ++which) {
    g_dump[0] = 0;
    HANDLE t = CreateThread(nullptr, 0, Raise, reinterpret_cast<void *>(which), CREATE_SUSPENDED, &g_thread);
    ASSERT_TRUE(t && ResumeThread(t) == 1);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    const std::string dump = g_dump;
    const uintptr_t ip = reinterpret_cast<uintptr_t>(g_record.ExceptionAddress);
    uintptr_t base = 0;
    std::string file;
    ASSERT_TRUE(SystemModuleOf(g_record.ExceptionAddress, &base, &file)) << dump;
    char thread[64];
    std::snprintf(thread, sizeof thread, "Thread: faulting ID=0x%lX Stack=\r\n", g_thread);
    EXPECT_EQ(dump, cases[which] + " IP:0x" + kotest::Hex16(ip) + "\r\nIn Module '" + file +
                        "' at Address 0x" + kotest::Hex16(base) + " + 0x" + kotest::Hex16(ip - base) +
                        "\r\n" + thread);
    // The faults are in this program; RaiseException raises in a system DLL.
    EXPECT_EQ(file == "kotest_errors.exe", which != 3) << file;
  }
  RemoveVectoredExceptionHandler(handler);
  for (volatile int *p : g_page) VirtualFree(const_cast<int *>(p), 0, MEM_RELEASE);
  ko::errors::SetFaultReporterName(nullptr);
}

}  // namespace
