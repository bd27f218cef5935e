// A host built the way an MSVC-built application is: clang in MSVC mode,
// linked by lld-link against kokernel.lib, without a C++ runtime. It calls C++
// exports under their MSVC names and checks them against worked values and
// against the C exports that give the same answers. The exit code is the
// number of failed checks.
#include "kokernel/kokernel.h"

extern "C" void *__cdecl memset(void *, int, size_t);
// Placement new (there is no C++ runtime to provide it).
void *operator new(size_t, void *where) noexcept { return where; }

namespace {

int failures = 0;

void Say(const char *text) {
  DWORD n = 0, len = 0;
  while (text[len]) ++len;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, len, &n, nullptr);
}

void Check(bool ok, const char *what) {
  if (!ok) ++failures, Say("FAILED: "), Say(what), Say("\n");
}

bool Same(const KOCHAR *a, const KOCHAR *b) {
  if (!a || !b) return false;
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

void Texts() {
  HKOLANG h = nullptr;
  Check(SUCCEEDED(KoLang_Open(&h, GetModuleHandleW(nullptr), 0x0409, 0)), "KoLang_Open");
  KOLANGSTRINGID record;
  memset(&record, 0, sizeof record);
  record.marker = KOLANG_RECORD_MARKER;
  record.slotCount = KOLANG_SLOT_COUNT;
  for (auto &slot : record.slots) slot = KOTEXT("Save");
  const KOCHAR *const *slots = reinterpret_cast<const KOCHAR *const *>(&record);
  Check(Same(KoGetString(h, slots), KOTEXT("Save")), "KoGetString(record) gives the record's text");
  Check(Same(KoGetString(h, slots), KoGetStringSmart(h, reinterpret_cast<KOCSTR>(&record))),
        "KoGetString(record) agrees with KoGetStringSmart");
  KOCHAR copy[16];
  Check(KoLoadString(h, slots, copy, 16) == 4 && Same(copy, KOTEXT("Save")),
        "KoLoadString(record) copies the record's text");
  // This program has no string table: both number forms find nothing alike.
  KOCHAR byNumber[16];
  byNumber[0] = 'x';
  KoLoadString(h, 7u, byNumber, 16);
  Check(Same(KoGetString(h, 7u), byNumber), "KoGetString(number) agrees with KoLoadString");

  Check(KoErrorHandler_AddErrorTable(static_cast<_koerror_table *>(nullptr), 1) == E_POINTER,
        "AddErrorTable(null table) is E_POINTER");
  _koerror_table_rcid one[1];
  Check(KoErrorHandler_AddErrorTable(h, one, 0) == E_INVALIDARG,
        "AddErrorTable(handle, table, 0) is E_INVALIDARG");
  KoLang_Close(h);
}

void Tokens() {
  BYTE block[64];
  for (int i = 0; i < 64; ++i) block[i] = static_cast<BYTE>(i * 7 + 1);
  _komemorytoken local = {INVALID_HANDLE_VALUE, block, sizeof block, sizeof block, 0, 0, KOMEMORYTOKEN_MEMORY,
                          GetCurrentProcessId()};

  CMappingOfKoMemoryToken own(local, KOMEMORYTOKEN_READ);
  Check(own.Pointer() == block && own.DataSize() == 64, "a token of this process maps to itself");

  COutOfProcessMemoryToken owner(local, KOMEMORYTOKEN_READ | KOMEMORYTOKEN_WRITE, 0);
  _komemorytoken shared;
  // Low memory passes through; other memory is copied into a mapping.
  Check(SUCCEEDED(owner.GetMemoryToken(shared)) && shared.dataSize == 64,
        "the owner hands out a token");
  // Constructed by a new-expression, which may use what the constructor returns.
  alignas(CMappingOfKoMemoryToken) BYTE storage[sizeof(CMappingOfKoMemoryToken)];
  CMappingOfKoMemoryToken *view = new (storage) CMappingOfKoMemoryToken(shared, KOMEMORYTOKEN_READ);
  void *data = nullptr;
  bool equal = SUCCEEDED(view->GetPointer(&data)) && data && view->DataSize() == 64;
  for (int i = 0; equal && i < 64; ++i) equal = static_cast<BYTE *>(data)[i] == block[i];
  Check(equal, "the shared token shows the block's bytes");
  view->~CMappingOfKoMemoryToken();
}

void Spy() {
  CMonitored_CoInitializeEx com;
  HRESULT hr = com.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Check(hr == S_OK || hr == S_FALSE, "CoInitializeEx");
  // The virtual functions through the object's table, built inside the DLL.
  IInitializeSpy *spy = &com;
  const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  void *out = nullptr;
  Check(spy->QueryInterface(unknown, &out) == S_OK && out == spy, "QueryInterface(IUnknown)");
  Check(spy->AddRef() == com.AddRef() && spy->Release() == com.Release(),
        "AddRef and Release alike by table and by name");
  com.CoUninitialize();
}

}  // namespace

extern "C" int ko_host_main() {
  KoKernel_EarlyInitialize(GetModuleHandleW(nullptr), 0);
  Texts();
  Tokens();
  Spy();
  KoKernel_LateTerminate();
  Say(failures ? "msvc host: FAILED\n" : "msvc host: OK\n");
  ExitProcess(failures);
}
