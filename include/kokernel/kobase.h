/*
 * kokernel: base types and export macros shared by every public header.
 * Compiles as C and as C++. On Windows the Win32 types come from
 * <windows.h>; elsewhere the same names are defined with the same sizes.
 */
#ifndef KOKERNEL_KOBASE_H
#define KOKERNEL_KOBASE_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
typedef wchar_t KOCHAR;
#define KOTEXT(s) L##s
#else
typedef int32_t HRESULT;
typedef int32_t BOOL;
typedef void *HMODULE;
typedef void *HINSTANCE;
typedef void *HANDLE;
typedef void *HWND;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef uint32_t LCID;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t LPARAM;
typedef uintptr_t WPARAM;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
#ifdef __cplusplus
typedef char16_t KOCHAR;
#define KOTEXT(s) u##s
#else
typedef uint16_t KOCHAR;
/* C11 u"" literals are arrays of uint_least16_t, the same type here. */
#define KOTEXT(s) u##s
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#endif /* _WIN32 */

#ifdef __cplusplus
#define KO_EXTERN_C extern "C"
#define KO_BEGIN_DECLS extern "C" {
#define KO_END_DECLS }
#else
#define KO_EXTERN_C extern
#define KO_BEGIN_DECLS
#define KO_END_DECLS
#endif

#if defined(_WIN32)
#if defined(KOKERNEL_BUILD_DLL)
#define KOAPI __declspec(dllexport)
#elif defined(KOKERNEL_STATIC)
#define KOAPI
#else
#define KOAPI __declspec(dllimport)
#endif
#else
#if defined(KOKERNEL_BUILD_DLL)
#define KOAPI __attribute__((visibility("default")))
#else
#define KOAPI
#endif
#endif

/* Wide-character pointer types used by the text functions. */
typedef KOCHAR *KOSTR;
typedef const KOCHAR *KOCSTR;

#endif /* KOKERNEL_KOBASE_H */
