// COM under Wine: the initialisation spy against CoInitializeEx's own
// results on several threads, the process OLE switch, creation from the test
// server's file, registration read back with the registry functions, GUID
// text against StringFromGUID2 and CLSIDFromString.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kokernel/koprocess.h"
#include "kotest_win32.h"
#include "process/testserver.h"

namespace {

constexpr auto &Bin = kotest::BesideTheProgram;

// A spy that writes down what it sees, on top of the library's.
struct CountingSpy : CMonitored_CoInitializeEx {
  HRESULT last = E_UNEXPECTED;
  DWORD count = 0, seen = 0;
  HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT r, DWORD a, DWORD n) override {
    last = r, count = n, ++seen;
    return CMonitored_CoInitializeEx::PostInitialize(r, a, n);
  }
  HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD n) override {
    count = n, ++seen;
    return CMonitored_CoInitializeEx::PostUninitialize(n);
  }
};

// The spy sees every initialisation of its thread, its own and other code's,
// with the result the caller gets, until it is revoked.
TEST(ComSpy, CountsFollowCoInitializeExOnSeveralThreads) {
  enum Call { kSpyInit, kInit, kInitMta, kUninit, kSpyUninit, kOleInit, kOleUninit };
  struct Step { Call call; HRESULT hr; DWORD count, seen; };
  static const Step steps[] = {{kSpyInit, S_OK, 1, 1}, {kInit, S_FALSE, 2, 2}, {kInitMta, RPC_E_CHANGED_MODE, 2, 3},
                               {kUninit, S_OK, 1, 4}, {kSpyUninit, S_OK, 1, 4}, {kInit, S_OK, 1, 4},
                               {kOleInit, S_FALSE, 2, 5}, {kUninit, S_OK, 1, 6}, {kOleUninit, S_OK, 1, 6}};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      CountingSpy spy;
      for (const Step &s : steps) {
        HRESULT hr = S_OK;
        const DWORD before = spy.seen;
        switch (s.call) {
          case kSpyInit: hr = spy.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); break;
          case kInit: hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); break;
          case kInitMta: hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED); break;
          case kUninit: CoUninitialize(); break;
          case kSpyUninit: spy.CoUninitialize(); break;
          case kOleInit: hr = spy.OleInitialize(nullptr); break;
          case kOleUninit: spy.OleUninitialize(); break;
        }
        const bool init = s.call == kSpyInit || s.call == kInit || s.call == kInitMta || s.call == kOleInit;
        // OLE's own result may differ from that of the CoInitializeEx inside it.
        EXPECT_TRUE((s.call == kOleInit ? SUCCEEDED(hr) : hr == s.hr) && spy.seen == s.seen &&
                    spy.count == s.count && (!init || spy.seen == before || spy.last == s.hr))
            << "thread " << t << " step " << &s - steps << ": " << std::hex << hr << std::dec << " seen "
            << spy.seen << " count " << spy.count;
      }
      EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "COM is left initialised";
      CoUninitialize();
    });
  for (auto &th : threads) th.join();
}

TEST(ComOle, SwitchInitialisesOnceAndTearsDownOnce) {
  std::thread([] {  // on a thread of its own, as the spy test's threads
    EXPECT_TRUE(KoOleInit(TRUE) && KoOleInit(TRUE));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);  // OLE's apartment
    CoUninitialize();
    EXPECT_TRUE(!KoOleInit(FALSE) && !KoOleInit(FALSE));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // nothing left
    CoUninitialize();
  }).join();
}

TEST(ComCreate, FromTheServersFile) {
  const std::wstring server = Bin(L"kotest_comserver.dll");
  wchar_t before[MAX_PATH], after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  IPersist *object = nullptr;
  ASSERT_EQ(KoDllCreateInstanceFromFile(server.c_str(), kTestServerClass, nullptr, IID_IPersist,
                                        reinterpret_cast<void **>(&object)), S_OK);
  CLSID id{};
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_TRUE(object->GetClassID(&id) == S_OK && IsEqualCLSID(id, kTestServerClass) && !wcscmp(before, after));
  void *none = &id;
  const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  struct Case { std::wstring path; const GUID &clsid; REFIID iid; HRESULT hr; };
  for (const Case &c : {Case{server, other, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
                        Case{server, kTestServerClass, IID_IClassFactory, E_NOINTERFACE},
                        Case{L"C:\\windows\\system32\\kernel32.dll", kTestServerClass, IID_IUnknown, E_FAIL},
                        Case{Bin(L"missing.dll"), kTestServerClass, IID_IUnknown, E_FAIL}})
    EXPECT_TRUE(KoDllCreateInstanceFromFile(c.path.c_str(), c.clsid, nullptr, c.iid, &none) == c.hr && !none);
  EXPECT_EQ(KoDllCreateInstance(nullptr, kTestServerClass, nullptr, IID_IUnknown, &none), E_FAIL);
}

// A registry text value, or "-" when there is none.
std::wstring Value(HKEY root, const std::wstring &key, const wchar_t *name) {
  wchar_t text[MAX_PATH + 1];
  DWORD bytes = sizeof text;
  return RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) ? L"-" : text;
}
std::wstring LongPath(const std::wstring &p) {
  wchar_t out[MAX_PATH];
  return GetLongPathNameW(p.c_str(), out, MAX_PATH) ? out : p;
}

// Machine-wide registration, then per user while the machine key refuses
// lasting keys (HKEY_LOCAL_MACHINE pointed at a volatile key).
TEST(ComRegister, MachineWideThenPerUser) {
  const std::wstring server = Bin(L"kotest_comserver.dll"), plain = Bin(L"kotest_plainserver.dll");
  wchar_t braced[40];
  StringFromGUID2(kTestServerClass, braced, 40);
  const std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + braced, inproc = key + L"\\InProcServer32";
  struct Case { std::wstring path; HRESULT hr; };
  for (const Case &c : {Case{server, S_OK}, Case{plain, E_NOTIMPL}, Case{Bin(L"kotest_process.exe"), E_FAIL}})
    EXPECT_EQ(KoSelfRegister_IsSupported(c.path.c_str()), c.hr) << c.hr;
  EXPECT_EQ(KoSelfRegister_Register(plain.c_str(), FALSE), E_NOTIMPL);
  ASSERT_TRUE(KoIsPowerUser() && KoSelfRegister_Register(server.c_str(), FALSE) == S_OK);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, nullptr), kTestServerName);
  EXPECT_EQ(_wcsicmp(Value(HKEY_LOCAL_MACHINE, inproc, nullptr).c_str(), LongPath(server).c_str()), 0);
  EXPECT_TRUE(Value(HKEY_LOCAL_MACHINE, inproc, L"ThreadingModel") == L"Both" &&
              Value(HKEY_CURRENT_USER, key, nullptr) == L"-");
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // Wine's COM finds the server from what was written
  IPersist *object = nullptr;
  EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist,
                             reinterpret_cast<void **>(&object)), S_OK);
  CoUninitialize();
  EXPECT_TRUE(KoSelfRegister_Register(server.c_str(), TRUE) == S_FALSE && Value(HKEY_LOCAL_MACHINE, key, nullptr) == L"-");

  HKEY machine;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\KoVolatile", 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &machine, nullptr), 0);
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), 0);
  const BOOL power = KoIsPowerUser();
  const HRESULT locale = KoSetLocale(0x407);
  const HRESULT reg = KoRegisterServer(nullptr, &kTestServerClass, L"per user", TRUE);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), RegCloseKey(machine);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KoVolatile");
  EXPECT_TRUE(!power && locale == E_FAIL && reg == S_OK) << power << std::hex << " " << locale << " " << reg;
  EXPECT_TRUE(Value(HKEY_CURRENT_USER, key, nullptr) == L"per user" && Value(HKEY_LOCAL_MACHINE, key, nullptr) == L"-");
  EXPECT_EQ(_wcsicmp(Value(HKEY_CURRENT_USER, inproc, nullptr).c_str(), LongPath(Bin(L"kotest_process.exe")).c_str()), 0);
  EXPECT_TRUE(KoRegisterServer(nullptr, &kTestServerClass, nullptr, FALSE) == S_FALSE &&
              Value(HKEY_CURRENT_USER, key, nullptr) == L"-");
}

TEST(ComRegistry, LocaleAndHiddenExtensions) {
  DWORD locale = 0, bytes = sizeof locale;
  ASSERT_EQ(KoSetLocale(0x409), S_OK);
  EXPECT_TRUE(!RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Corvane Creative Software\\Shared Information", L"Locale",
                            RRF_RT_REG_DWORD, nullptr, &locale, &bytes) && locale == 0x409 && KoGetLocale() == 0);
  const wchar_t *adv = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  struct Case { DWORD type, value; BOOL hidden; };
  for (const Case c : {Case{REG_NONE, 0, TRUE}, Case{REG_DWORD, 0, FALSE}, Case{REG_BINARY, 0, TRUE}}) {
    if (c.type == REG_NONE) RegDeleteKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt");
    else RegSetKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt", c.type, &c.value, sizeof c.value);
    EXPECT_EQ(KoIsExplorerFileExtHidden(), c.hidden) << c.type << " " << c.value;
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt");
}

TEST(ComGuidText, AgreesWithStringFromGuid2AndClsidFromString) {
  std::mt19937 rng(1812);
  for (int i = 0; i < 300; ++i) {
    GUID g, fromPlatformText{}, fromOurText{};
    for (size_t k = 0; k < sizeof g; ++k) reinterpret_cast<uint8_t *>(&g)[k] = static_cast<uint8_t>(rng());
    wchar_t braced[40], ours[40];
    ASSERT_TRUE(StringFromGUID2(g, braced, 40) == 39 && KoGuidToString(&g, ours, 40) == S_OK);
    braced[37] = 0;
    ASSERT_EQ(KoGuidFromString(braced + 1, &fromPlatformText), S_OK);
    for (wchar_t *c = braced + 1; *c; ++c) *c = towlower(*c);
    ASSERT_STREQ(braced + 1, ours);
    ASSERT_EQ(CLSIDFromString((L"{" + std::wstring(ours) + L"}").c_str(), &fromOurText), S_OK);
    ASSERT_TRUE(IsEqualGUID(fromPlatformText, g) && IsEqualGUID(fromOurText, g)) << i;
  }
}

}  // namespace
