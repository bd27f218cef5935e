// COM under Wine: the initialisation spy against CoInitializeEx's own
// results, the process OLE switch, creation from the test server's file,
// registration checked with the registry functions, GUID text against
// StringFromGUID2 and CLSIDFromString.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kokernel/koprocess.h"
#include "process/testserver.h"

namespace {

std::wstring BinFile(const wchar_t *name) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// A spy that writes down what it observes, on top of the library's.
struct CountingSpy : CMonitored_CoInitializeEx {
  HRESULT lastResult = E_UNEXPECTED;
  DWORD count = 0, seen = 0;
  HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT r, DWORD a, DWORD n) override {
    lastResult = r;
    count = n;
    ++seen;
    return CMonitored_CoInitializeEx::PostInitialize(r, a, n);
  }
  HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD n) override {
    count = n;
    ++seen;
    return CMonitored_CoInitializeEx::PostUninitialize(n);
  }
};

// On each thread the spy sees every initialisation, its own and other code's,
// with the result CoInitializeEx gives the caller, until it is revoked.
TEST(ComSpy, CountsFollowCoInitializeExOnSeveralThreads) {
  enum Call { kSpyInit, kInit, kInitMta, kUninit, kSpyUninit, kOleSpyInit, kOleSpyUninit };
  struct Step { Call call; HRESULT hr; DWORD count, seen; };
  const Step steps[] = {
      {kSpyInit, S_OK, 1, 1},        {kInit, S_FALSE, 2, 2},   {kInitMta, RPC_E_CHANGED_MODE, 2, 3},
      {kUninit, S_OK, 1, 4},         {kSpyUninit, S_OK, 1, 4}, {kInit, S_OK, 1, 4},
      {kOleSpyInit, S_FALSE, 2, 5},  {kUninit, S_OK, 1, 6},    {kOleSpyUninit, S_OK, 1, 6},
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&steps, t] {
      CountingSpy spy;
      for (const Step &s : steps) {
        HRESULT hr = S_OK;
        const DWORD seenBefore = spy.seen;
        switch (s.call) {
          case kSpyInit: hr = spy.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); break;
          case kInit: hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); break;
          case kInitMta: hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED); break;
          case kUninit: CoUninitialize(); break;
          case kSpyUninit: spy.CoUninitialize(); break;
          case kOleSpyInit: hr = spy.OleInitialize(nullptr); break;
          case kOleSpyUninit: spy.OleUninitialize(); break;
        }
        const auto at = &s - steps;
        EXPECT_EQ(hr, s.hr) << "thread " << t << " step " << at;
        EXPECT_EQ(spy.seen, s.seen) << "thread " << t << " step " << at;
        EXPECT_EQ(spy.count, s.count) << "thread " << t << " step " << at;
        const bool init = s.call == kSpyInit || s.call == kInit || s.call == kInitMta || s.call == kOleSpyInit;
        if (init && spy.seen != seenBefore) {
          EXPECT_EQ(spy.lastResult, hr) << "thread " << t << " step " << at;
        }
      }
      // Afterwards COM is fully torn down: another apartment type is accepted.
      EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "thread " << t;
      CoUninitialize();
    });
  for (auto &th : threads) th.join();
}

TEST(ComSpy, AnswersForItsOwnInterfacesOnly) {
  CMonitored_CoInitializeEx spy;
  void *out = nullptr;
  EXPECT_EQ(spy.QueryInterface(IID_IInitializeSpy, &out), S_OK);
  EXPECT_EQ(out, static_cast<IInitializeSpy *>(&spy));
  EXPECT_EQ(spy.QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(spy.QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(spy.AddRef(), 1u);
  EXPECT_EQ(spy.Release(), 1u);
}

TEST(ComOle, SwitchInitialisesOnceAndTearsDownOnce) {
  std::thread([] {
    EXPECT_EQ(KoOleInit(TRUE), TRUE);
    EXPECT_EQ(KoOleInit(TRUE), TRUE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);  // OLE's apartment
    CoUninitialize();
    EXPECT_EQ(KoOleInit(FALSE), FALSE);
    EXPECT_EQ(KoOleInit(FALSE), FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // nothing left
    CoUninitialize();
  }).join();
}

TEST(ComCreate, FromTheServersFile) {
  const std::wstring server = BinFile(L"kotest_comserver.dll");
  wchar_t before[MAX_PATH], after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  IPersist *object = nullptr;
  ASSERT_EQ(KoDllCreateInstanceFromFile(server.c_str(), kTestServerClass, nullptr, IID_IPersist,
                                        reinterpret_cast<void **>(&object)), S_OK);
  CLSID id{};
  EXPECT_EQ(object->GetClassID(&id), S_OK);
  EXPECT_TRUE(IsEqualCLSID(id, kTestServerClass));
  object->Release();
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(before, after);

  void *none = &id;
  const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(KoDllCreateInstanceFromFile(server.c_str(), other, nullptr, IID_IUnknown, &none),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(KoDllCreateInstanceFromFile(server.c_str(), kTestServerClass, nullptr,
                                        IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(KoDllCreateInstanceFromFile(BinFile(L"kotest_plainserver.dll").c_str(),
                                        kTestServerClass, nullptr, IID_IPersist, &none), S_OK);
  static_cast<IUnknown *>(none)->Release();
  EXPECT_EQ(KoDllCreateInstanceFromFile(L"C:\\windows\\system32\\kernel32.dll", kTestServerClass,
                                        nullptr, IID_IUnknown, &none), E_FAIL);
  EXPECT_EQ(KoDllCreateInstanceFromFile(BinFile(L"missing.dll").c_str(), kTestServerClass,
                                        nullptr, IID_IUnknown, &none), E_FAIL);
  EXPECT_EQ(KoDllCreateInstance(nullptr, kTestServerClass, nullptr, IID_IUnknown, &none), E_FAIL);
}

std::wstring ClassKey() {
  wchar_t text[40];
  StringFromGUID2(kTestServerClass, text, 40);
  return std::wstring(L"Software\\Classes\\CLSID\\") + text;
}

// The text of a registry value, or "<missing>".
std::wstring Value(HKEY root, const std::wstring &key, const wchar_t *name) {
  HKEY k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k)) return L"<missing>";
  wchar_t text[MAX_PATH + 1] = {};
  DWORD type = 0, bytes = sizeof text - sizeof(wchar_t);
  const LSTATUS s = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE *>(text), &bytes);
  RegCloseKey(k);
  return s == ERROR_SUCCESS && type == REG_SZ ? text : L"<missing>";
}

std::wstring LongPath(const std::wstring &p) {
  wchar_t out[MAX_PATH];
  return GetLongPathNameW(p.c_str(), out, MAX_PATH) ? out : p;
}

// Machine-wide registration, then per-user registration while the machine
// key refuses writes: HKEY_LOCAL_MACHINE is pointed at a volatile key, under
// which no lasting key can be made.
TEST(ComRegister, SelfRegisteringServerMachineWideThenPerUser) {
  const std::wstring server = BinFile(L"kotest_comserver.dll"), key = ClassKey();
  const std::wstring inproc = key + L"\\InProcServer32";
  EXPECT_EQ(KoSelfRegister_IsSupported(server.c_str()), S_OK);
  EXPECT_EQ(KoSelfRegister_IsSupported(BinFile(L"kotest_plainserver.dll").c_str()), E_NOTIMPL);
  EXPECT_EQ(KoSelfRegister_IsSupported(BinFile(L"kotest_process.exe").c_str()), E_FAIL);
  EXPECT_EQ(KoSelfRegister_Register(BinFile(L"kotest_plainserver.dll").c_str(), FALSE), E_NOTIMPL);
  EXPECT_TRUE(KoIsPowerUser());

  ASSERT_EQ(KoSelfRegister_Register(server.c_str(), FALSE), S_OK);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, nullptr), kTestServerName);
  EXPECT_EQ(_wcsicmp(Value(HKEY_LOCAL_MACHINE, inproc, nullptr).c_str(), LongPath(server).c_str()), 0);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, inproc, L"ThreadingModel"), L"Both");
  EXPECT_EQ(Value(HKEY_CURRENT_USER, inproc, nullptr), L"<missing>");
  // Wine's COM finds the server through what was written.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IPersist *object = nullptr;
  EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist,
                             reinterpret_cast<void **>(&object)), S_OK);
  if (object) object->Release();
  CoUninitialize();
  EXPECT_EQ(KoSelfRegister_Register(server.c_str(), TRUE), S_FALSE);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, inproc, nullptr), L"<missing>");

  HKEY volatileKey;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\KoVolatileMachine", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr), 0);
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, volatileKey), 0);
  const BOOL power = KoIsPowerUser();
  const HRESULT locale = KoSetLocale(0x407);
  const HRESULT reg = KoRegisterServer(GetModuleHandleW(nullptr), &kTestServerClass, L"per user", TRUE);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(volatileKey);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KoVolatileMachine");
  EXPECT_FALSE(power);
  EXPECT_EQ(locale, E_FAIL);
  EXPECT_EQ(reg, S_OK);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, key, nullptr), L"per user");
  EXPECT_EQ(_wcsicmp(Value(HKEY_CURRENT_USER, inproc, nullptr).c_str(),
                     LongPath(BinFile(L"kotest_process.exe")).c_str()), 0);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, nullptr), L"<missing>");
  EXPECT_EQ(KoRegisterServer(nullptr, &kTestServerClass, nullptr, FALSE), S_FALSE);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, key, nullptr), L"<missing>");
}

TEST(ComRegistry, LocaleAndHiddenExtensions) {
  EXPECT_EQ(KoGetLocale(), 0u);
  ASSERT_EQ(KoSetLocale(0x409), S_OK);
  DWORD locale = 0, bytes = sizeof locale;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Corvane Creative Software\\Shared Information",
                         L"Locale", RRF_RT_REG_DWORD, nullptr, &locale, &bytes), 0);
  EXPECT_EQ(locale, 0x409u);
  const wchar_t *adv = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  struct Case { DWORD type; DWORD value; BOOL hidden; };
  for (const Case c : {Case{REG_NONE, 0, TRUE}, Case{REG_DWORD, 0, FALSE}, Case{REG_DWORD, 1, TRUE},
                       Case{REG_BINARY, 0, TRUE}}) {
    if (c.type == REG_NONE) RegDeleteKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt");
    else RegSetKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt", c.type, &c.value, sizeof c.value);
    EXPECT_EQ(KoIsExplorerFileExtHidden(), c.hidden) << c.type << " " << c.value;
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, adv, L"HideFileExt");
}

TEST(ComGuidText, AgreesWithStringFromGuid2AndClsidFromString) {
  std::mt19937 rng(1812);
  for (int i = 0; i < 300; ++i) {
    GUID g;
    for (size_t k = 0; k < sizeof g; ++k) reinterpret_cast<uint8_t *>(&g)[k] = static_cast<uint8_t>(rng());
    wchar_t braced[40], ours[40];
    ASSERT_EQ(StringFromGUID2(g, braced, 40), 39);
    ASSERT_EQ(KoGuidToString(&g, ours, 40), S_OK);
    std::wstring platform(braced + 1, 36);
    for (auto &c : platform) c = towlower(c);
    ASSERT_EQ(platform, ours) << i;
    GUID fromPlatformText{}, fromOurText{};
    braced[37] = 0;
    ASSERT_EQ(KoGuidFromString(braced + 1, &fromPlatformText), S_OK);
    const std::wstring wrapped = std::wstring(L"{") + ours + L"}";
    ASSERT_EQ(CLSIDFromString(wrapped.c_str(), &fromOurText), S_OK);
    ASSERT_TRUE(IsEqualGUID(fromPlatformText, g) && IsEqualGUID(fromOurText, g)) << i;
  }
}

}  // namespace
