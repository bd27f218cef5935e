// A small in-process COM server for the COM tests: one class whose objects
// answer IPersist with their class identifier, its class factory, and
// registration through the library.
#include "kokernel/koprocess.h"
#include "process/testserver.h"

namespace {

HMODULE g_module;

// One static object of each: their lifetime is the module's.
struct TestObject : IPersist {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) override { return *id = kTestServerClass, S_OK; }
} g_object;

struct Factory : IClassFactory {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override {
    *out = nullptr;
    return outer ? CLASS_E_NOAGGREGATION : g_object.QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} g_factory;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
  *out = nullptr;
  return IsEqualCLSID(clsid, kTestServerClass) ? g_factory.QueryInterface(iid, out) : CLASS_E_CLASSNOTAVAILABLE;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  return KoRegisterServer(g_module, &kTestServerClass, kTestServerName, TRUE);
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return KoRegisterServer(g_module, &kTestServerClass, nullptr, FALSE);
}
