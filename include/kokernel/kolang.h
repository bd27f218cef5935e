/*
 * kokernel: language handles, string tables and language utilities.
 *
 * A language handle (HKOLANG) binds a resource module to a user-interface
 * language. Texts come through it three ways: by string-resource number from
 * the module's string tables (in the handle's language, English as the
 * fallback, cached per handle), by a multi-language string record
 * (KOLANGSTRINGID) carrying one text per language of the 18-entry language
 * table, or as plain text passed through. The handle also owns a ring of
 * scratch buffers for short-lived conversions.
 *
 * Numbered strings exist only where the module has string tables (Windows):
 * natively numbered lookups find nothing and records fall back to English.
 *
 * KoGetString and KoLoadString have two forms each and are exported as C++
 * functions; every other name is a C export. Compiles as C and as C++.
 */
#ifndef KOKERNEL_KOLANG_H
#define KOKERNEL_KOLANG_H

#include "kobase.h"
#include "koresult.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

typedef struct KOLANG_RECORD *HKOLANG;

/* Number of languages in the language table and in a built-in record. */
#define KOLANG_SLOT_COUNT 18
/* First unit of a multi-language string record. */
#define KOLANG_RECORD_MARKER 0xFFFEu
/* Default and smallest scratch ring sizes, and the ring's reserve, in units. */
#define KOLANG_SCRATCH_DEFAULT 8192u
#define KOLANG_SCRATCH_MIN 2048u
#define KOLANG_SCRATCH_RESERVE 1024u
/* Size of the internationals record in bytes. */
#define KOLANG_INTERNATIONALS_SIZE 796u

/*
 * Multi-language string record (160 bytes, 8-byte aligned). Each slot is a
 * text pointer or, below 0x10000, a string-resource number in the handle's
 * module; resolving a numbered slot writes the text pointer back, so records
 * must be writable. Slot 1 (English) is the fallback of every slot.
 */
typedef struct _KOLANGSTRINGID {
  uint16_t marker;    /* KOLANG_RECORD_MARKER */
  uint8_t slotCount;  /* KOLANG_SLOT_COUNT in every built-in record */
  uint8_t zero[5];
  const KOCHAR *slots[KOLANG_SLOT_COUNT];
  const void *end; /* zero */
} KOLANGSTRINGID;

/* A string number carried in a text or slot pointer. */
#define KOLANG_NUMBER(n) ((const KOCHAR *)(uintptr_t)(n))

/* Internationals record (process-wide), as copied by KoLang_GetInternationals. */
typedef struct _KOINTERNATIONALS {
  uint32_t size; /* KOLANG_INTERNATIONALS_SIZE */
  uint32_t systemLCID;
  uint32_t languageNumber;
  KOCHAR languageName[64];
  uint32_t languageNameLength;
  KOCHAR englishLanguageName[64];
  uint32_t englishLanguageNameLength;
  uint32_t countryCode;
  KOCHAR countryName[64];
  uint32_t countryNameLength;
  KOCHAR englishCountryName[64];
  uint32_t englishCountryNameLength;
  KOCHAR negativeSign[8];
  uint32_t negativeSignLength;
  KOCHAR minus[8];
  uint32_t minusLength;
  KOCHAR thousandSeparator[8];
  uint32_t thousandSeparatorLength;
  KOCHAR decimalSeparator[8];
  uint32_t decimalSeparatorLength;
  uint32_t grouping;
  uint32_t digits;
  uint32_t leadingZero;
  KOCHAR timeSeparator[8];
  uint32_t timeSeparatorLength;
  KOCHAR listSeparator[8];
  uint32_t listSeparatorLength;
  uint32_t measure;
  KOCHAR timecodeWhole[8];
  uint32_t timecodeWholeLength;
  KOCHAR timecodeNonDrop[8];
  uint32_t timecodeNonDropLength;
  KOCHAR timecodeDrop[8];
  uint32_t timecodeDropLength;
  KOCHAR languageId[4];
  uint32_t languageIdLength;
  KOCHAR musicBeats[8];
  uint32_t musicBeatsLength;
  KOCHAR musicTicks[8];
  uint32_t musicTicksLength;
  uint32_t reserved; /* zero */
} KOINTERNATIONALS;

#ifdef __cplusplus
static_assert(sizeof(KOLANGSTRINGID) == 160, "KOLANGSTRINGID is 160 bytes");
static_assert(sizeof(KOINTERNATIONALS) == KOLANG_INTERNATIONALS_SIZE, "record size");
#else
_Static_assert(sizeof(KOLANGSTRINGID) == 160, "KOLANGSTRINGID is 160 bytes");
_Static_assert(sizeof(KOINTERNATIONALS) == KOLANG_INTERNATIONALS_SIZE, "record size");
#endif

KO_BEGIN_DECLS

/* ---- handles ------------------------------------------------------------ */
KOAPI HRESULT KoLang_Open(HKOLANG *out, HMODULE module, LCID lcid, uint32_t scratchUnits);
KOAPI HRESULT KoLang_Close(HKOLANG h);
KOAPI HMODULE KoLang_InstFromLang(HKOLANG h);
KOAPI LCID KoLang_GetLCID(HKOLANG h);

/* ---- texts -------------------------------------------------------------- */
KOAPI KOCSTR KoGetStringSmart(HKOLANG h, KOCSTR text);
KOAPI bool IsKOLANGSTRINGID(HKOLANG h, KOCSTR text);

/* ---- scratch buffers and conversions ---------------------------------------
 * A scratch slot of n units holds n units and a terminator. The ring is never
 * written past its end: a slot that would reach past it starts again at the
 * ring's beginning, and a request larger than the ring's capacity minus its
 * reserve is refused (null; the conversions then give the empty text). */
KOAPI KOSTR KoGetTempStringBuffer(HKOLANG h, int units);
KOAPI KOCSTR KoGetWideFromPrintString(HKOLANG h, KOCSTR text);
KOAPI KOCSTR KoGetPrintFromWideString(HKOLANG h, KOCSTR text);
KOAPI const char *KoGetMultiByteFromPrintString(HKOLANG h, KOCSTR text);
KOAPI KOCSTR KoGetPrintFromMultiByteString(HKOLANG h, const char *text);

/* ---- languages -------------------------------------------------------------- */
KOAPI LCID KoLang_GetConditionedLCID(LCID lcid);
KOAPI BOOL KoLang_GetLangAbbrev(HKOLANG h, KOSTR buffer, int cch);
KOAPI HRESULT KoLang_GetLangllCC(HKOLANG h, KOSTR buffer, int cch);
KOAPI BOOL KoLang_UseRTL(HKOLANG h);
KOAPI BOOL KoLang_UpdateKernelLCID(HKOLANG h, LCID lcid);
KOAPI BOOL KoLang_IsLCIDEnglish(LCID lcid);
KOAPI BOOL KoLang_IsNameOrderReversed(HKOLANG h);
KOAPI int KoLang_LocalizeUserName(HKOLANG h, KOCSTR givenName, KOCSTR familyName, KOSTR buffer,
                                  int cch);

/* ---- internationals --------------------------------------------------------- */
KOAPI HRESULT KoSetLangID(KOCSTR id);
KOAPI HRESULT KoLang_GetInternationals(void *buffer, uint32_t size);
KOAPI uint32_t KoGetInatN(int index, KOSTR buffer, uint32_t cch);
/* Copies without a size limit: buffers of at least 64 units. */
KOAPI uint32_t KoGetInat(int index, KOSTR buffer);

/* ---- code pages --------------------------------------------------------------
 * Asks the system's multi-language service for the code page of a narrow
 * text. Where the service does not exist (natively, and on systems without
 * it) the failure to create it is returned and *codePage is 0. */
KOAPI HRESULT KoLang_DetectPossibleCodepage(const char *text, uint32_t length,
                                            uint32_t *codePage);

#ifdef _WIN32
/* ---- Windows only: process layout, thread locale, resources, registry ------- */
KOAPI BOOL KoLang_EnableProcessMirroring(void);
KOAPI BOOL KoLang_DisableProcessMirroring(void);
KOAPI void KoLang_UpdateThreadLocale(HKOLANG h);
KOAPI int KoEnumResourceLanguages(HKOLANG h, WORD resourceId, KOSTR buffer, int cch);
KOAPI BOOL KoLang_DetectMultiByteCharacters(const char *text, uint32_t length);
KOAPI BOOL KoLang_LoadUserLCIDMetric(KOCSTR appName, uint32_t version, LCID *lcidOut,
                                     BOOL unversioned);
KOAPI BOOL KoLang_SaveUserLCIDMetric(KOCSTR appName, uint32_t version, LCID lcid,
                                     BOOL unversioned);
KOAPI BOOL KoLang_LoadUserLCIDMetricAppReg(KOCSTR appName, uint32_t version, LCID *lcidOut,
                                           KOCSTR vendorKey);
KOAPI BOOL KoLang_SaveUserLCIDMetricAppReg(KOCSTR appName, uint32_t version, LCID lcid,
                                           KOCSTR vendorKey);
#endif

KO_END_DECLS

#ifdef __cplusplus
/* The two-form text functions (C++ exports). The record form takes the
 * KOLANGSTRINGID seen as an array of pointer-sized slots. */
KOAPI KOCSTR KoGetString(HKOLANG h, UINT id);
KOAPI KOCSTR KoGetString(HKOLANG h, const KOCHAR *const *record);
KOAPI int KoLoadString(HKOLANG h, UINT id, KOSTR buffer, int cch);
KOAPI int KoLoadString(HKOLANG h, const KOCHAR *const *record, KOSTR buffer, int cch);
#endif

#endif /* KOKERNEL_KOLANG_H */
