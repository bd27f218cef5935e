/*
 * kokernel: result codes.
 * A result code is a signed 32-bit value laid out as a COM HRESULT: negative
 * is failure. The library's own codes use facility 4 (FACILITY_ITF).
 */
#ifndef KOKERNEL_KORESULT_H
#define KOKERNEL_KORESULT_H

#include "kobase.h"

#define KO_HR(v) ((HRESULT)(uint32_t)(v))

#ifndef _WIN32
#define S_OK KO_HR(0x00000000u)
#define S_FALSE KO_HR(0x00000001u)
#define E_FAIL KO_HR(0x80004005u)
#define E_UNEXPECTED KO_HR(0x8000FFFFu)
#define E_INVALIDARG KO_HR(0x80070057u)
#define E_POINTER KO_HR(0x80004003u)
#define E_NOTIMPL KO_HR(0x80004001u)
#define E_OUTOFMEMORY KO_HR(0x8007000Eu)
#define E_HANDLE KO_HR(0x80070006u)
#define E_NOINTERFACE KO_HR(0x80004002u)
#define E_ACCESSDENIED KO_HR(0x80070005u)
#define REGDB_E_CLASSNOTREG KO_HR(0x80040154u)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

/* The library's own codes (facility 4). */
#define KO_E_DISKFULL KO_HR(0x8004E002u)
#define KO_E_BUSY KO_HR(0x8004E005u)
#define KO_E_CREATEFAILED KO_HR(0x8004E006u)
#define KO_E_OPENFAILED KO_HR(0x8004E007u)
#define KO_E_WRITEFAILED KO_HR(0x8004E009u)
#define KO_E_NOTFOUND KO_HR(0x8004E00Au)
#define KO_E_BADFORMAT KO_HR(0x8004E00Bu)
#define KO_E_CANCELLED KO_HR(0x8004E00Cu)
#define KO_E_BADFILENAME KO_HR(0x8004E00Du)
#define KO_E_RESOURCEMISSING KO_HR(0x8004E00Eu)
#define KO_E_EXCEPTION KO_HR(0x8004E017u)
#define KO_E_TOOMANYOPENFILES KO_HR(0x8004E026u)
#define KO_E_CREATEEXISTS KO_HR(0x8004E032u)
#define KO_E_BUFFERTOOSMALL KO_HR(0x8004E03Cu)
#define KO_E_FILEINUSE KO_HR(0x8004E05Au)
#define KO_E_NEEDADMIN KO_HR(0x8004E142u)
#define KO_E_ALREADYEXISTS KO_HR(0x8004E170u)
#define KO_E_DESTINSIDESOURCE KO_HR(0x8004E186u)
#define KO_E_CODEPAGEUNKNOWN KO_HR(0x8004E1FDu)
#define KO_E_INVALIDDEVICE KO_HR(0x800404B0u)

/* Ranges of the library's own codes. */
#define KO_E_FIRST KO_HR(0x8004E000u)
#define KO_E_LAST KO_HR(0x8004E18Au)
#define KO_S_FIRST KO_HR(0x0004E000u)
#define KO_S_LAST KO_HR(0x0004E019u)

KO_BEGIN_DECLS

/* Turns a Win32 error number into a result code; unknown numbers give E_FAIL. */
KOAPI HRESULT KoErrorHandler_TranslateWin32Error(DWORD win32Error);

KO_END_DECLS

#endif /* KOKERNEL_KORESULT_H */
