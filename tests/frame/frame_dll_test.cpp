// Start-up and shutdown through the shipped library, as a host loads it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

#include "kokernel/koframe.h"

namespace {
HMODULE FakeModule(uintptr_t v) { return reinterpret_cast<HMODULE>(v); }
}  // namespace

// One test: the steps depend on the library's state at load.
TEST(FrameDll, LifeCycle) {
  EXPECT_EQ(KoKernel_GetAppKernel(), nullptr);

  // Before start-up the clock counts ticks: only the low 32 bits of a
  // counter are written, and microseconds are whole milliseconds.
  ULONGLONG c = 0xABCD123400000000ull;
  KoDeltaMillisecEx(&c);
  EXPECT_EQ(c >> 32, 0xABCD1234ull);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  const uint32_t us = KoGetMicrosecEx(&c), ms = KoGetMillisecEx(&c);
  EXPECT_TRUE(us % 1000u == 0 && us / 1000u <= ms && us >= 1000u) << us << " " << ms;

  ASSERT_EQ(KoKernel_EarlyInitialize(FakeModule(0x10000), 0), TRUE);
  EXPECT_EQ(KoKernel_GetAppKernel(), FakeModule(0x10000));
  // Now a counter is a whole performance-counter reading.
  c = 0xABCD123400000000ull;
  KoDeltaMillisecEx(&c);
  EXPECT_NE(c >> 32, 0xABCD1234ull);

  // Running the start-up again keeps the clock base and records the new kernel.
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const uint32_t before = KoGetMicrosec();
  EXPECT_GE(before, 2000u);
  ASSERT_EQ(KoKernel_EarlyInitialize(FakeModule(0x20000), 0x20), TRUE);
  EXPECT_EQ(KoKernel_GetAppKernel(), FakeModule(0x20000));
  EXPECT_GE(KoGetMicrosec(), before);
}

#ifdef _WIN32
TEST(FrameDllWin32, ErrorModeAndKernelPath) {
  ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
  HMODULE dll = ::GetModuleHandleW(L"kokernel.dll");
  ASSERT_NE(dll, nullptr);
  KoKernel_LateTerminate();
  wchar_t buf[MAX_PATH + 8];
  EXPECT_EQ(KoKernel_GetAppKernelPathName(buf, MAX_PATH), E_UNEXPECTED);  // no kernel

  ASSERT_EQ(KoKernel_EarlyInitialize(dll, 0), TRUE);
  EXPECT_EQ(::GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX | 0x8001));

  wchar_t want[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(dll, want, MAX_PATH);
  ASSERT_GT(n, 12u);
  EXPECT_TRUE(KoKernel_GetAppKernelPathName(buf, MAX_PATH) == S_OK && std::wstring(buf) == want);

  // Too small: E_FAIL (the translated ERROR_INSUFFICIENT_BUFFER), nothing
  // written past the buffer.
  for (auto &ch : buf) ch = 0x7777;
  EXPECT_TRUE(KoKernel_GetAppKernelPathName(buf, 5) == E_FAIL && buf[4] == 0 && buf[5] == 0x7777);
  EXPECT_TRUE(KoKernel_GetAppKernelPathName(buf, n) == E_FAIL && buf[n] == 0x7777);  // no room for the terminator

  // A module that is not loaded: the Win32 error goes through the table.
  KoKernel_EarlyInitialize(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)), 0);
  ::SetLastError(0);
  ASSERT_EQ(::GetModuleFileNameW(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)), want, MAX_PATH), 0u);
  const DWORD err = ::GetLastError();
  EXPECT_EQ(KoKernel_GetAppKernelPathName(buf, MAX_PATH), KoErrorHandler_TranslateWin32Error(err))
      << err;
  KoKernel_LateTerminate();
}
#endif
