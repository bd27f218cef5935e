// COM initialisation with the thread's initialisation spy, the process OLE
// switch, and object creation straight from a module's class factory.
#include "kokernel/koprocess.h"
#include "process/paths_win32.h"

// ---- CMonitored_CoInitializeEx ----------------------------------------------

CMonitored_CoInitializeEx::CMonitored_CoInitializeEx() { cookie_.QuadPart = 0; }
CMonitored_CoInitializeEx::CMonitored_CoInitializeEx(const CMonitored_CoInitializeEx &other)
    : IInitializeSpy(), cookie_(other.cookie_) {}
CMonitored_CoInitializeEx::CMonitored_CoInitializeEx(CMonitored_CoInitializeEx &&other)
    : IInitializeSpy(), cookie_(other.cookie_) {}
CMonitored_CoInitializeEx &CMonitored_CoInitializeEx::operator=(
    const CMonitored_CoInitializeEx &other) {
  cookie_ = other.cookie_;
  return *this;
}
CMonitored_CoInitializeEx &CMonitored_CoInitializeEx::operator=(
    CMonitored_CoInitializeEx &&other) {
  cookie_ = other.cookie_;
  return *this;
}

CMonitored_CoInitializeEx::~CMonitored_CoInitializeEx() { UnInitialize(); }

void CMonitored_CoInitializeEx::Initialize() {
  ULARGE_INTEGER cookie;
  cookie.QuadPart = 0;
  if (SUCCEEDED(::CoRegisterInitializeSpy(this, &cookie))) cookie_ = cookie;
}

void CMonitored_CoInitializeEx::UnInitialize() {
  if (cookie_.QuadPart == 0) return;
  ::CoRevokeInitializeSpy(cookie_);
  cookie_.QuadPart = 0;
}

HRESULT CMonitored_CoInitializeEx::CoInitialize(void *reserved) {
  Initialize();
  return ::CoInitialize(reserved);
}

HRESULT CMonitored_CoInitializeEx::CoInitializeEx(void *reserved, DWORD flags) {
  Initialize();
  return ::CoInitializeEx(reserved, flags);
}

HRESULT CMonitored_CoInitializeEx::OleInitialize(void *reserved) {
  Initialize();
  return ::OleInitialize(reserved);
}

void CMonitored_CoInitializeEx::CoUninitialize() {
  UnInitialize();
  ::CoUninitialize();
}

void CMonitored_CoInitializeEx::OleUninitialize() {
  UnInitialize();
  ::OleUninitialize();
}

HRESULT CMonitored_CoInitializeEx::QueryInterface(REFIID iid, void **out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IInitializeSpy) || IsEqualIID(iid, IID_IUnknown)) {
    AddRef();
    *out = static_cast<IInitializeSpy *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG CMonitored_CoInitializeEx::AddRef() { return 1; }
ULONG CMonitored_CoInitializeEx::Release() { return 1; }
HRESULT CMonitored_CoInitializeEx::PreInitialize(DWORD, DWORD) { return S_OK; }
HRESULT CMonitored_CoInitializeEx::PostInitialize(HRESULT result, DWORD, DWORD) { return result; }
HRESULT CMonitored_CoInitializeEx::PreUninitialize(DWORD) { return S_OK; }
HRESULT CMonitored_CoInitializeEx::PostUninitialize(DWORD) { return S_OK; }

// ---- process OLE ------------------------------------------------------------

namespace {
// Written by KoOleInit on the thread that initialised OLE (the hosts' user
// interface thread); no lock.
BOOL g_oleInitialised = FALSE;
CMonitored_CoInitializeEx g_oleSpy;
}  // namespace

extern "C" BOOL KoOleInit(BOOL initialise) {
  if (initialise) {
    if (!g_oleInitialised) g_oleInitialised = SUCCEEDED(g_oleSpy.OleInitialize(nullptr));
    return g_oleInitialised;
  }
  if (g_oleInitialised) {
    g_oleSpy.OleUninitialize();
    g_oleInitialised = FALSE;
    return FALSE;
  }
  return g_oleInitialised;
}

// ---- creation from a module -------------------------------------------------

extern "C" HRESULT KoDllCreateInstance(HMODULE module, REFCLSID clsid, IUnknown *outer,
                                       REFIID iid, void **object) {
  if (object) *object = nullptr;
  if (!module) return E_FAIL;
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **);
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
  if (!getClassObject) return E_FAIL;
  IClassFactory *factory = nullptr;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void **>(&factory));
  if (FAILED(hr)) return hr;
  if (!factory) return E_FAIL;
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return hr;
}

extern "C" HRESULT KoDllCreateInstanceFromFile(const wchar_t *path, REFCLSID clsid,
                                               IUnknown *outer, REFIID iid, void **object) {
  if (object) *object = nullptr;
  if (!path || !*path) return E_FAIL;
  wchar_t saved[MAX_PATH + 1];
  const DWORD savedLength = GetCurrentDirectoryW(MAX_PATH + 1, saved);
  wchar_t folder[MAX_PATH + 1];
  if (ko::process::FolderOf(path, folder, MAX_PATH + 1)) SetCurrentDirectoryW(folder);
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = CoLoadLibrary(const_cast<wchar_t *>(path), TRUE);
  if (savedLength > 0 && savedLength <= MAX_PATH) SetCurrentDirectoryW(saved);
  if (!module) return E_FAIL;
  const HRESULT hr = KoDllCreateInstance(module, clsid, outer, iid, object);
  if (FAILED(hr)) CoFreeLibrary(module);
  return hr;
}
