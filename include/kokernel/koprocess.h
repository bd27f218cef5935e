/*
 * kokernel: memory tokens between processes, COM initialisation and
 * registration helpers, GUID text.
 *
 * A memory token (_komemorytoken) describes a block so that another process
 * can reach it: an unnamed shared file mapping, or a plain address in the
 * owner's address space. COutOfProcessMemoryToken runs in the owner and
 * turns any token into one a peer can use; CMappingOfKoMemoryToken runs in
 * the peer (or the owner) and gives a pointer to the token's data.
 *
 * The record and the GUID text functions exist in both targets; the token
 * classes and the COM helpers only in the DLL, and the classes only for C++.
 */
#ifndef KOKERNEL_KOPROCESS_H
#define KOKERNEL_KOPROCESS_H

#include "kobase.h"
#include "koresult.h"

#ifdef _WIN32
#include <objbase.h>
#include <objidl.h>
#else
#ifndef KO_GUID_DEFINED
#define KO_GUID_DEFINED
/* The platform's 16-byte class identifier, with its Windows field layout. */
typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
#endif
#endif

/* ---- memory tokens ------------------------------------------------------- */

/* Token kinds. */
#define KOMEMORYTOKEN_MEMORY 0u  /* plain memory of the owner process */
#define KOMEMORYTOKEN_MAPPING 1u /* shared file mapping of the owner process */

/* Access flags (the file-mapping meanings); 0 stands for both. */
#define KOMEMORYTOKEN_WRITE 2u
#define KOMEMORYTOKEN_READ 4u

/* 40 bytes, passed by value between processes. */
typedef struct _komemorytoken {
  HANDLE mapping;        /* mapping handle in the owner; all ones when none */
  void *address;         /* block address in the owner (the view base for a mapping) */
  DWORD dataSize;        /* number of data bytes */
  DWORD allocSize;       /* size of the mapping (dataSize for mappings made here) */
  LONG dataOffset;       /* signed offset of the data from address */
  DWORD reserved;        /* zero */
  DWORD kind;            /* KOMEMORYTOKEN_MEMORY or KOMEMORYTOKEN_MAPPING */
  DWORD ownerProcessId;  /* identifier of the owner process */
} _komemorytoken;

#ifdef __cplusplus
static_assert(sizeof(_komemorytoken) == 40, "memory token is 40 bytes");
#else
_Static_assert(sizeof(_komemorytoken) == 40, "memory token is 40 bytes");
#endif

#if defined(__cplusplus) && defined(_WIN32)
/* Gives a pointer to a token's data in this process: a view of a duplicate
 * of the owner's mapping, a local copy of the owner's memory (written back on
 * Dispose when the access includes write), or the block itself when the
 * token belongs to this process. Nothing throws; an unusable token gives a
 * null pointer and DataSize -1.
 * Copy assignment hands the resources over: the assigned object releases
 * what it held, takes the other's fields, and the other is left empty. */
class KOAPI CMappingOfKoMemoryToken {
 public:
  CMappingOfKoMemoryToken(const _komemorytoken &token, DWORD access);
  ~CMappingOfKoMemoryToken();
  CMappingOfKoMemoryToken &operator=(const CMappingOfKoMemoryToken &other);
  CMappingOfKoMemoryToken(const CMappingOfKoMemoryToken &) = delete;

  HRESULT GetPointer(void **data);
  void *Pointer();
  long DataSize();
  void Dispose();
  void Close();

 private:
  _komemorytoken token_;
  void *data_;
  void *view_;
  HANDLE duplicate_;
  BYTE isMappedView_;
  BYTE isLocalCopy_;
  BYTE failed_;
  BYTE writeBack_;
};

/* Runs in the owner: passes mappings and reachable plain memory through, and
 * otherwise copies the block into a fresh unnamed mapping that the peer can
 * map, copying the peer's changes back when destroyed (write access).
 * Copy assignment hands the mapping over as for CMappingOfKoMemoryToken. */
class KOAPI COutOfProcessMemoryToken {
 public:
  COutOfProcessMemoryToken(_komemorytoken &token, DWORD access, int allowDirect);
  ~COutOfProcessMemoryToken();
  COutOfProcessMemoryToken &operator=(const COutOfProcessMemoryToken &other);
  COutOfProcessMemoryToken(const COutOfProcessMemoryToken &) = delete;

  HRESULT GetMemoryToken(_komemorytoken &shared);

 private:
  void Release();
  _komemorytoken source_;
  _komemorytoken shared_;
  int ownsMapping_;
  int failed_;
  DWORD access_;
};

/* Wraps COM and OLE initialisation of a thread and is the thread's
 * initialisation spy from its initialise call to its uninitialise call.
 * Its lifetime is its owner's: AddRef and Release count nothing. */
class KOAPI CMonitored_CoInitializeEx : public IInitializeSpy {
 public:
  CMonitored_CoInitializeEx();
  CMonitored_CoInitializeEx(const CMonitored_CoInitializeEx &other);
  CMonitored_CoInitializeEx(CMonitored_CoInitializeEx &&other);
  CMonitored_CoInitializeEx &operator=(const CMonitored_CoInitializeEx &other);
  CMonitored_CoInitializeEx &operator=(CMonitored_CoInitializeEx &&other);
  // Revokes a registration still held, so that COM never calls a spy that
  // is gone (on the registering thread; elsewhere the revocation fails).
  ~CMonitored_CoInitializeEx();

  HRESULT CoInitialize(void *reserved);
  HRESULT CoInitializeEx(void *reserved, DWORD flags);
  HRESULT OleInitialize(void *reserved);
  void CoUninitialize();
  void OleUninitialize();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE PreInitialize(DWORD apartment, DWORD currentThreadCount) override;
  HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT result, DWORD apartment,
                                           DWORD newThreadCount) override;
  HRESULT STDMETHODCALLTYPE PreUninitialize(DWORD currentThreadCount) override;
  HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD newThreadCount) override;

 private:
  void Initialize();
  void UnInitialize();
  ULARGE_INTEGER cookie_;
};
#endif /* C++ on Windows */

KO_BEGIN_DECLS

/* ---- GUID text ------------------------------------------------------------ */
/* "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in lower case without braces,
 * truncated to cch units with its terminator; always S_OK. */
KOAPI HRESULT KoGuidToString(const GUID *guid, KOSTR text, int cch);
/* Reads exactly that form (36 hexadecimal digits and dashes, either case,
 * nothing after it); E_FAIL leaves *guid unchanged. */
KOAPI HRESULT KoGuidFromString(KOCSTR text, GUID *guid);

#ifdef _WIN32
/* ---- COM and OLE ------------------------------------------------------------ */
KOAPI BOOL KoOleInit(BOOL initialise);
KOAPI HRESULT KoDllCreateInstance(HMODULE module, REFCLSID clsid, IUnknown *outer, REFIID iid,
                                  void **object);
KOAPI HRESULT KoDllCreateInstanceFromFile(const wchar_t *path, REFCLSID clsid, IUnknown *outer,
                                          REFIID iid, void **object);

/* ---- registration ------------------------------------------------------------ */
KOAPI HRESULT KoRegisterServer(HMODULE module, const GUID *clsid, const wchar_t *description,
                               BOOL registerIt);
KOAPI HRESULT KoSelfRegister_IsSupported(const wchar_t *path);
KOAPI HRESULT KoSelfRegister_Register(const wchar_t *path, BOOL unregister);

/* ---- registry helpers ---------------------------------------------------------- */
KOAPI BOOL KoIsPowerUser(void);
KOAPI DWORD KoGetLocale(void);
KOAPI HRESULT KoSetLocale(DWORD locale);
KOAPI BOOL KoIsExplorerFileExtHidden(void);
#endif /* _WIN32 */

KO_END_DECLS

#endif /* KOKERNEL_KOPROCESS_H */
