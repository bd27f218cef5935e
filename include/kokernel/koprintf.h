/*
 * kokernel: the KoPrintF formatting engine.
 *
 * The format language: "%" conversions of the C formatting functions, "$"
 * conversions that print numbers with the user's grouping and decimal
 * separator, "$(name)" tokens registered at run time, "$(1234.5)" numbers,
 * and separator conversions ("%*" decimal, "%," list, "%:" time, "%!:" "%!."
 * "%!," time-code, "%&:" "%&." music-time). Text is UTF-16; "s" and "c"
 * arguments are KOCHAR text. Every conversion reads one argument.
 */
#ifndef KOKERNEL_KOPRINTF_H
#define KOKERNEL_KOPRINTF_H

#include <stdarg.h>

#include "kobase.h"
#include "koresult.h"
#include "kolang.h"

KO_BEGIN_DECLS

/* Formats into a destination that the caller has sized for the whole
 * result; returns the characters written, without the terminator. */
KOAPI int KoPrintF(KOSTR dst, KOCSTR format, ...);
KOAPI int KoVPrintF(KOSTR dst, KOCSTR format, va_list args);

/* Bounded forms: write at most capacity - 1 characters and always
 * terminate (when capacity > 0). S_OK, or KO_E_BUFFERTOOSMALL when the text
 * of a conversion, token or bracket was cut; E_POINTER / E_INVALIDARG for a
 * null destination or format or a zero capacity. *length (may be null)
 * receives the characters written. */
KOAPI HRESULT KoNVPrintF(KOSTR dst, size_t capacity, UINT *length, KOCSTR format, va_list args);
KOAPI HRESULT KoCchPrintF(KOSTR dst, size_t capacity, UINT *length, KOCSTR format, ...);

/* Named tokens for "$(name)", compared case-insensitively. */
KOAPI BOOL KoPrintF_AddToken(KOCSTR name, KOCSTR value);
KOAPI BOOL KoPrintF_DeleteToken(KOCSTR name);

/* The message-formatter language: "%1" to "%99" with optional "!fmt!" C
 * formats, "%%", "%n" (line break), "%r", "%t", "%0" (end) and "%" before
 * any other character for that character. Returns the characters written,
 * 0 on failure (the destination is then empty). */
KOAPI UINT KoComposeStr(KOSTR dst, UINT capacity, KOCSTR format, ...);

#ifdef _WIN32
/* Window and control wrappers: a text without "$" and "%" is set as it
 * stands, otherwise formatted into 2048 characters. They return the length
 * of the text set, or 0 when the system call fails. */
KOAPI int KoSetWindowTextF(HWND window, KOCSTR format, ...);
KOAPI int KoSetWindowTextNoF(HWND window, KOCSTR text);
KOAPI int KoSetDlgItemTextF(HWND dialog, int control, KOCSTR format, ...);
KOAPI int KoSetDlgItemTextNoF(HWND dialog, int control, KOCSTR text);
KOAPI int KoSetDlgItemTextNoFlashF(HWND dialog, int control, KOCSTR format, ...);
KOAPI int KoSetDlgItemTextNoFlashNoF(HWND dialog, int control, KOCSTR text);
/* The same with string number `id` of language handle `lang` as the format. */
KOAPI int KoSetWindowTextId(HKOLANG lang, HWND window, UINT id, ...);
KOAPI int KoSetDlgItemTextId(HKOLANG lang, HWND dialog, int control, UINT id, ...);

/* Appends formatted text to a multi-line edit control, followed by a line
 * break unless the format starts with "~". A null format empties it. */
KOAPI int KoMEditPrintF(HWND edit, KOCSTR format, ...);
#endif

KO_END_DECLS

#endif /* KOKERNEL_KOPRINTF_H */
