/*
 * kokernel: library start-up and shutdown, the application kernel,
 * processor support, operating-system and display queries, clocks.
 * Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOFRAME_H
#define KOKERNEL_KOFRAME_H

#include "kobase.h"
#include "koresult.h"

/* Processor-support value: class in bits 0..3, feature flags above. */
#define KOCPU_CLASS_MASK 0x0000000Fu
#define KOCPU_MMX 0x00000010u
#define KOCPU_SSE 0x00000020u
#define KOCPU_SSE2 0x00000040u
#define KOCPU_SSE3 0x00000080u
#define KOCPU_SSSE3 0x00000100u
#define KOCPU_SSE41 0x00000200u
#define KOCPU_SSE42 0x00000400u
#define KOCPU_AVX 0x00000800u
#define KOCPU_CMOV 0x00001000u
#define KOCPU_FPU 0x00002000u
#define KOCPU_TSC 0x00004000u
#define KOCPU_DAZ 0x00020000u

KO_BEGIN_DECLS

/* ---- start-up and the application kernel ------------------------------- */
KOAPI BOOL KoKernel_EarlyInitialize(HMODULE appKernel, DWORD flags);
KOAPI BOOL KoKernel_LateTerminate(void);
KOAPI HMODULE KoKernel_GetAppKernel(void);

/* ---- processor support -------------------------------------------------- */
KOAPI DWORD KoGetCPUSupport(DWORD mask);
KOAPI DWORD KoGetOSSupport(DWORD mask);
KOAPI DWORD KoGetProcessorCount(void);
KOAPI BOOL KoAllowCPUSupport(DWORD bits);
KOAPI BOOL KoDisallowCPUSupport(DWORD bits);
KOAPI BOOL KoOnlyAllowCPUSupport(DWORD bits);
KOAPI BOOL KoSetCPUClassBySupport(void);
/* buffer: at least 5 characters. */
KOAPI void KoFourCCToStringCPU(DWORD fourcc, KOCHAR *buffer);

/* ---- clocks (32-bit results that wrap) ---------------------------------- */
KOAPI DWORD KoGetMillisec(void);
KOAPI DWORD KoGetMicrosec(void);
KOAPI DWORD KoGetMillisecEx(const ULONGLONG *counter);
KOAPI DWORD KoGetMicrosecEx(const ULONGLONG *counter);
KOAPI DWORD KoDeltaMillisecEx(ULONGLONG *counter);
KOAPI DWORD KoDeltaMicrosecEx(ULONGLONG *counter);
KOAPI void KoTimer_LateInitialize(void);

#ifdef _WIN32
/* ---- Windows only --------------------------------------------------------- */
KOAPI HRESULT KoKernel_GetAppKernelPathName(KOCHAR *buffer, DWORD size);
KOAPI void KoKernel_UserPrefChanges(HWND unused, UINT message);

/* buffer: at least 22 characters. */
KOAPI BOOL KoGetOS(KOCHAR *buffer, DWORD size);
KOAPI BOOL KoIsOS64Bit(void);
KOAPI BOOL KoOSVersionOK(DWORD level);
KOAPI HRESULT KoVersion_GetString(const KOCHAR *path, const KOCHAR *valueName,
                                  KOCHAR *buffer, DWORD size);
KOAPI BOOL KoBeep(DWORD kind);
KOAPI BOOL KoIsHighColor(void);
KOAPI BOOL KoIsAllMonitorsHighColor(void);
#endif

KO_END_DECLS

#endif /* KOKERNEL_KOFRAME_H */
