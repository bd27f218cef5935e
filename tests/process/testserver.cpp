// A small in-process COM server for the COM tests: one class whose objects
// answer IPersist with their class identifier, its class factory, and
// registration through the library.
#include <windows.h>
#include <objbase.h>

#include "kokernel/koprocess.h"
#include "process/testserver.h"

namespace {

HMODULE g_module;
LONG g_live;

class TestObject : public IPersist {
 public:
  TestObject() { InterlockedIncrement(&g_live); }
  virtual ~TestObject() { InterlockedDecrement(&g_live); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPersist)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IPersist *>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) override {
    *id = kTestServerClass;
    return S_OK;
  }

 private:
  LONG refs_ = 1;
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TestObject *o = new TestObject;
    const HRESULT hr = o->QueryInterface(iid, out);
    o->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} g_factory;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid,
                                                                          REFIID iid, void **out) {
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kTestServerClass)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return g_live ? S_FALSE : S_OK;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  return KoRegisterServer(g_module, &kTestServerClass, kTestServerName, TRUE);
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return KoRegisterServer(g_module, &kTestServerClass, nullptr, FALSE);
}
