/*
 * kokernel: error tables, error messages, details and exception dumps.
 *
 * A message is two sentences: a context sentence saying what the user was
 * doing (a number in the built-in context table, or plain text) and an error
 * sentence for a result code (from the tables that hosts register, searched
 * in registration order, then from the built-in table). Both are resolved in
 * the kernel language handle's language, English where no translation
 * exists, and formatted with KoPrintF.
 *
 * Details lines accompany the next error box; the first thread that adds a
 * line owns them until the record is zeroed. The record, the table registry
 * and the message buffer are process-wide and unlocked.
 *
 * The two forms of KoErrorHandler_AddErrorTable are C++ exports; every other
 * name is a C export. Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOERROR_H
#define KOKERNEL_KOERROR_H

#include "kobase.h"
#include "koresult.h"
#include "kolang.h"

/* One entry of an error table. text is plain UTF-16 text, a KOLANGSTRINGID
 * record, or (below 0x10000) a string number of the table's language handle;
 * null means the code has no text. The caller keeps a registered table alive
 * and unchanged. */
typedef struct _koerror_table {
  HRESULT code;
  const KOCHAR *text;
} _koerror_table;
typedef struct _koerror_table_rcid {
  HRESULT code;
  const KOCHAR *text;
} _koerror_table_rcid;

/* Tables that may be registered, and the sizes of the details record. */
#define KOERROR_MAX_TABLES 32
#define KOERROR_MESSAGE_UNITS 2048
#define KOERROR_DETAILS_UNITS 8192
#define KOERROR_DETAILS_BYTE_LIMIT 16384
#define KOERROR_LINK_URL_UNITS 2083
#define KOERROR_LINK_TEXT_UNITS 2048

/* Composed texts handed to the caller: a BSTR on Windows (free it with
 * SysFreeString); natively a length-prefixed allocation of the same shape,
 * freed with KoSysFreeString. */
typedef KOCHAR *KOBSTR;

#ifndef _WIN32
/* The structured-exception records, laid out as on 64-bit Windows. */
#define EXCEPTION_MAXIMUM_PARAMETERS 15
typedef struct _EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  struct _EXCEPTION_RECORD *ExceptionRecord;
  void *ExceptionAddress;
  DWORD NumberParameters;
  UINT_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
} EXCEPTION_RECORD;
typedef struct _EXCEPTION_POINTERS {
  EXCEPTION_RECORD *ExceptionRecord;
  void *ContextRecord;
} EXCEPTION_POINTERS;
#endif

/* Parts of an exception dump (0 selects all of them). */
#define KOERROR_DUMP_EXCEPTION 0x01u
#define KOERROR_DUMP_MODULE 0x02u
#define KOERROR_DUMP_THREAD 0x20u

KO_BEGIN_DECLS

/* ---- texts ------------------------------------------------------------------ */
/* The error sentence for code, or null when no table holds it. */
KOAPI KOCSTR KoErrorHandler_GetHresultString(HRESULT code);
/* A context of 0x10000 or more is a text pointer; a smaller one is looked up
 * in the built-in context table (unknown numbers give context 0). */
KOAPI KOCSTR KoErrorHandler_GetContextString(UINT_PTR context);
/* Composes context and error sentence into the shared message buffer
 * (2048 units), overwritten by the next call. */
KOAPI KOSTR KoErrorHandler_GetErrorMessage(UINT_PTR context, HRESULT code, KOCSTR argument);
/* The same as a new string, followed by the details lines when there are any;
 * null when the allocation fails. */
KOAPI KOBSTR KoErrorHandler_ComposeErrorText(UINT_PTR context, HRESULT code, KOCSTR argument);

/* ---- details and hyperlink ---------------------------------------------------- */
KOAPI HRESULT KoErrorHandler_DetailsInit(void);
/* Appends one line (formatted with KoPrintF when it holds '%' or '$').
 * E_POINTER for a null format; E_FAIL for a line from a thread that does not
 * own the lines (unless code is the last code), for a line that would take
 * the details to 16384 bytes or more, and for a line that cannot be
 * formatted whole. */
KOAPI HRESULT KoErrorHandler_DetailsAddString(HRESULT code, KOCSTR format, ...);
/* Fills the non-null outputs; the details text, or null without lines. */
KOAPI KOCSTR KoErrorHandler_DetailsInfo(HRESULT *lastCode, int *lineCount, DWORD *ownerThread);
/* Both required (E_POINTER). A url of more than 2082 units or a text of
 * more than 2047 is refused with E_INVALIDARG and the link is unchanged. */
KOAPI HRESULT KoErrorHandler_DetailsSetHyperlink(KOCSTR url, KOCSTR text);
KOAPI HRESULT KoErrorHandler_GetLastError(void);

/* ---- translations ------------------------------------------------------------ */
KOAPI HRESULT KoErrorHandler_TranslateCommDlgError(DWORD error);

/* ---- dumps (narrow text) -------------------------------------------------------
 * Memory that cannot be read is shown as ".." (bytes) or "........" (DWORDs);
 * the dumpers never fault on it. Rows that do not fit whole are left out; the
 * result is the number of characters written. */
KOAPI int KoErrorHandler_DumpExceptionRecord(char *out, UINT outSize, const char *threadName,
                                             EXCEPTION_POINTERS *exception, DWORD parts);
KOAPI UINT KoErrorHandler_DumpHex(char *out, UINT outSize, const void *data, UINT count);
KOAPI UINT KoErrorHandler_DumpHexDWords(char *out, UINT outSize, const DWORD *data, long count);

#ifdef _WIN32
/* ---- Windows only: error boxes -------------------------------------------------
 * The message (with "Warning: " before it when warning is set) in the
 * library's custom box, with the details lines and the link collected for
 * it; the details record is zeroed, so each set is shown once. Returns the
 * button chosen. KO_E_CANCELLED shows nothing and returns 1. */
KOAPI int KoErrorHandler_MsgBox(HWND owner, UINT style, UINT_PTR context, HRESULT code, KOCSTR argument,
                                BOOL warning);
KOAPI int KoErrorHandler_MsgBoxText(HWND owner, UINT style, KOCSTR text, BOOL warning);
/* Dumps the exception (the fault reporter receives it) and shows the crash
 * box; 1 (execute the handler). 0 (continue the search) for a datatype
 * misalignment and when a debugger is attached. */
KOAPI LONG KoErrorHandler_ExceptionFilter(EXCEPTION_POINTERS *exception, const char *threadName);
#else
/* Frees a text returned by KoErrorHandler_ComposeErrorText; null is accepted. */
KOAPI void KoSysFreeString(KOBSTR text);
#endif

KO_END_DECLS

#ifdef __cplusplus
/* Registers a table with the kernel language handle as it is now, or with the
 * given handle. S_OK; S_FALSE without registering when 32 tables are
 * registered; E_POINTER for a null table, E_INVALIDARG for a count of 0. */
KOAPI HRESULT KoErrorHandler_AddErrorTable(_koerror_table *table, UINT count);
KOAPI HRESULT KoErrorHandler_AddErrorTable(HKOLANG h, _koerror_table_rcid *table, UINT count);
#endif

#endif /* KOKERNEL_KOERROR_H */
