// Library start-up and shutdown, and the record of the application kernel.
//
// The host calls KoKernel_EarlyInitialize once with its own module before
// anything else and KoKernel_LateTerminate last. The order of the steps below
// matters to the other subsystems; keep every step here.
#include <cstdint>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"
#include "kokernel/kolang.h"
#include "kokernel/koperf.h"
#include "settings/lang_internal.h"
#include "platform/platform.h"
#include "text/token_list.h"
#include "ui/ui_internal.h"

namespace ko::frame {
namespace {

constexpr uint32_t kErrorModeQuiet = 0x8001;  // SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX
constexpr uint32_t kHostCursorBase = 100;

HMODULE g_appKernel = nullptr;
uint32_t g_startupFlags = 0;
uint32_t g_kernelOptions = 0;
HMODULE g_hostModule = nullptr;
uint32_t g_hostCursorBase = kHostCursorBase;

}  // namespace

uint32_t StartupFlags() { return g_startupFlags; }
uint32_t KernelOptions() { return g_kernelOptions; }
void ClearKernelOption(uint32_t bits) { g_kernelOptions &= ~bits; }
HMODULE HostProcessModule() { return g_hostModule; }
uint32_t HostCursorBase() { return g_hostCursorBase; }

uint32_t KernelOptionsFromFlags(uint32_t flags) {
  if (flags & 0x1) return kKernelOptionOwnColours;
  return (flags & 0x20) ? kKernelOptionHostColours : 0;
}

}  // namespace ko::frame

using namespace ko::frame;

extern "C" KOAPI BOOL KoKernel_EarlyInitialize(HMODULE appKernel, DWORD flags) {
  // 1. No system message boxes for critical errors or missing files.
  ko::platform::SetErrorMode(ko::platform::GetErrorMode() | kErrorModeQuiet);

  // 2. The clock (performance counter when available).
  StartClock();

  // 3. The application kernel and the flags, unchanged.
  g_appKernel = appKernel;
  g_startupFlags = flags;

  // 4. Processor detection (once) and the current support value.
  RefreshCurrentSupport();

  // 5. Kernel option bits; bit 1 lets the host's module answer colour requests.
  g_kernelOptions = KernelOptionsFromFlags(flags);

  // 6. The host process module, where host cursors are loaded from.
  g_hostModule = ko::platform::ModuleOfProcess();
  g_hostCursorBase = kHostCursorBase;

  // 7. UI colours: the palette back to its defaults, the 31 system-colour
  //    overrides cleared.
  ko::ui::ResetColours();

  // 8. The formatter's token list (kept when it exists). A failure here is
  //    not reported: formatting then finds no custom tokens.
  ko::text::CreateTokenList();

  // 9. The library's own language handle on the application kernel (kept
  //    when open). When opening it fails the vector primitives still choose
  //    their code path (as step 11) and start-up reports FALSE.
  if (!ko::lang::KernelHandle()) {
    HKOLANG handle = nullptr;
    if (FAILED(KoLang_Open(&handle, appKernel, 0, 0)) || !handle) {
      KoPerf_Initialize();
      return FALSE;
    }
    ko::lang::SetKernelHandle(handle);
  }

  // 10. International number and date settings, and their formatter tokens.
  KoLang_GetInternationals(nullptr, 0);

  // 11. Vector primitives' processor dispatch.
  KoPerf_Initialize();
  return TRUE;
}

extern "C" KOAPI BOOL KoKernel_LateTerminate(void) {
  // 1. Close the library's language handle and forget it.
  if (HKOLANG handle = ko::lang::KernelHandle()) {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(handle);
  }

  // 2. Destroy the formatter's token list.
  ko::text::DestroyTokenList();

  // 3./4. The library keeps no cached UI brushes or pens; the cached fonts
  //       are deleted.
#ifdef _WIN32
  ko::ui::ReleaseFonts();
#endif

  // 5. Set the arrow cursor, then destroy the cached library cursors (174)
  //    and host cursors (300), once the cursor caches exist.
#ifdef _WIN32
  ko::ui::ReleaseCursors();
#endif

  // 6. Forget the application kernel.
  g_appKernel = nullptr;
  return TRUE;
}

extern "C" KOAPI HMODULE KoKernel_GetAppKernel(void) { return g_appKernel; }
