/*
 * kokernel: numbers as text.
 * Integers and doubles to text with or without the user's digit grouping,
 * re-formatting of number text with the user's separators, tolerant readers
 * of typed numbers (with default, minimum and maximum), hexadecimal readers,
 * colours, four-character codes, byte sizes and a few string fix-ups.
 *
 * Writers without "N" need a destination of at least 64 characters; the "N"
 * forms take a capacity and return 0 when the text did not fit (the text is
 * then cut and terminated). Every writer returns the characters written.
 *
 * Readers ("Token") store where they stopped in *end when end is not null.
 * Integer readers saturate on overflow (an unsigned reader gives its largest
 * value, a signed reader its smallest or largest value).
 */
#ifndef KOKERNEL_KONUMTEXT_H
#define KOKERNEL_KONUMTEXT_H

#include "kobase.h"
#include "koresult.h"

KO_BEGIN_DECLS

/* ---- Integers and doubles to text -------------------------------------- */
/* group: nonzero writes the user's digit grouping (as KoFormatNumber). */
KOAPI int KoLongToText(LONG value, KOCHAR *dst, BOOL group);
KOAPI int KoLongToTextN(LONG value, KOCHAR *dst, int capacity, BOOL group);
KOAPI int KoDWordToText(DWORD value, KOCHAR *dst, BOOL group);
KOAPI int KoDWordToTextN(DWORD value, KOCHAR *dst, int capacity, BOOL group);
KOAPI int KoLongLongToText(LONGLONG value, KOCHAR *dst, BOOL group);
KOAPI int KoLongLongToTextN(LONGLONG value, KOCHAR *dst, int capacity, BOOL group);
KOAPI int KoDWordLongToText(ULONGLONG value, KOCHAR *dst, BOOL group);
KOAPI int KoDWordLongToTextN(ULONGLONG value, KOCHAR *dst, int capacity, BOOL group);
/* decimals: 0 to 9 (more count as 9, fewer than 0 as 0). */
KOAPI int KoDoubleToText(KOCHAR *dst, double value, int decimals, BOOL group);
KOAPI int KoDoubleToTextN(KOCHAR *dst, int capacity, double value, int decimals, BOOL group);

/* ---- Re-formatting number text with the user's separators --------------- */
/* Leading characters that do not start a number are copied as they are, the
 * number is rewritten, and text after the number is copied as it is. */
KOAPI int KoFormatNumber(KOCSTR src, KOCHAR *dst, int capacity);
KOAPI int KoFormatDecimalNumber(KOCSTR src, KOCHAR *dst, int capacity);
/* digits: decimals to write, or -1 / -2 for as many as the source has. */
KOAPI int KoFormatGroupDecimalNumber(KOCSTR src, KOCHAR *dst, int capacity, int digits);

/* ---- Readers ------------------------------------------------------------- */
KOAPI DWORD KoTextToDWordToken(KOCSTR text, KOCSTR *end);
KOAPI DWORD KoTextToDWordTokenEx(KOCSTR text, DWORD def, DWORD minimum, DWORD maximum, KOCSTR *end);
KOAPI ULONGLONG KoTextToDWordLongToken(KOCSTR text, KOCSTR *end);
KOAPI ULONGLONG KoTextToDWordLongTokenEx(KOCSTR text, ULONGLONG def, ULONGLONG minimum,
                                         ULONGLONG maximum, KOCSTR *end);
KOAPI LONG KoTextToLongToken(KOCSTR text, KOCSTR *end);
KOAPI LONG KoTextToLongTokenEx(KOCSTR text, LONG def, LONG minimum, LONG maximum, KOCSTR *end);
KOAPI LONGLONG KoTextToLongLongToken(KOCSTR text, KOCSTR *end);
KOAPI LONGLONG KoTextToLongLongTokenEx(KOCSTR text, LONGLONG def, LONGLONG minimum,
                                       LONGLONG maximum, KOCSTR *end);
KOAPI DWORD KoHexToDWordToken(KOCSTR text, KOCSTR *end);
KOAPI DWORD KoHexToDWordTokenEx(KOCSTR text, DWORD def, DWORD minimum, DWORD maximum, KOCSTR *end);
KOAPI ULONGLONG KoHexToDWordLongToken(KOCSTR text, KOCSTR *end);
KOAPI ULONGLONG KoHexToDWordLongTokenEx(KOCSTR text, ULONGLONG def, ULONGLONG minimum,
                                        ULONGLONG maximum, KOCSTR *end);
/* useLocale: nonzero reads the user's separators and negative sign. */
KOAPI double KoTextToDoubleToken(KOCSTR text, KOCSTR *end, BOOL useLocale);
KOAPI double KoTextToDoubleTokenEx(KOCSTR text, double def, double minimum, double maximum,
                                   KOCSTR *end, BOOL useLocale);

/* ---- Colours (red in the low byte, then green, then blue) ---------------- */
#define KO_COLORREF_NONE 0xF000F0u /* what the readers give for "not a colour" */
/* style 0 "RGB(r,g,b)", 1 "#rrggbb", other styles (and values above
 * 0xFFFFFF) "0x%08x". */
KOAPI int KoColorrefToText(KOCHAR *dst, int capacity, DWORD color, DWORD style);
KOAPI HRESULT KoColorrefToTextEx(KOCHAR *dst, int capacity, DWORD *length, DWORD color,
                                 ULONGLONG style);
KOAPI DWORD KoTextToColorref(KOCSTR text);
KOAPI DWORD KoTextToColorrefToken(KOCSTR text, KOCSTR *end);
KOAPI DWORD KoTextToColorrefTokenEx(KOCSTR text, DWORD def, KOCSTR *end);

/* ---- Four-character codes and byte sizes ---------------------------------- */
/* dst: at least 5 characters. Bytes outside 32..126 show as ".". */
KOAPI HRESULT KoFourCCToString(DWORD fourcc, KOCHAR *dst);
/* dst: at least 64 characters. */
KOAPI int KoGetByteSizeText(LONGLONG size, KOCHAR *dst);
KOAPI int KoGetByteSizeTextWithSpace(LONGLONG size, KOCHAR *dst);
KOAPI int KoGetByteSizeText2(LONGLONG size, KOCHAR *dst);
KOAPI int KoFormatFileSize(LONGLONG size, KOCHAR *dst, int capacity, BOOL longUnits);

/* ---- String fix-ups ------------------------------------------------------- */
KOAPI int KoStringReplaceChars(char *text, char from, char to);
KOAPI int KoStringReplaceCharsW(KOCHAR *text, KOCHAR from, KOCHAR to);
KOAPI int KoStripWhiteSpace(KOCHAR *text);
KOAPI KOCHAR *KoPrepareName(KOCSTR src, KOCHAR *dst, int capacity);
KOAPI BOOL KoChannelizeStereoName(KOCSTR pair, KOCHAR *left, int leftCapacity, KOCHAR *right,
                                  int rightCapacity);
KOAPI int KoFixNameForMenu(KOCHAR *dst, KOCSTR src, int capacity);

KO_END_DECLS

#endif /* KOKERNEL_KONUMTEXT_H */
