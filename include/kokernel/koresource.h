/*
 * kokernel: resources, menus and dialog templates.
 *
 * Resources are found in the language of a language handle (HKOLANG) with
 * English as the fallback. Dialog templates can be built in memory from
 * compact records and read back into them; a resource pool is a block of
 * compiled resources (the layout of a resource compiler's .res output) held
 * in memory. Template building, mapping and the pool lookup are portable;
 * the functions on modules, windows and menus exist on Windows only.
 * Compiles as C and as C++.
 */
#ifndef KOKERNEL_KORESOURCE_H
#define KOKERNEL_KORESOURCE_H

#include "kobase.h"
#include "kolang.h"
#include "koresult.h"

#ifndef _WIN32
#pragma pack(push, 2)
/* The classic dialog template header, as on Windows (18 bytes). */
typedef struct {
  uint32_t style;
  uint32_t dwExtendedStyle;
  uint16_t cdit;
  int16_t x, y, cx, cy;
} DLGTEMPLATE;
#pragma pack(pop)
#endif

/* A text reference: a string number below 0x10000, a KOLANGSTRINGID record,
 * or plain text (see KoGetStringSmart). Class and menu fields take a name
 * or an ordinal below 0x10000. */
typedef struct _kodlghdrcreate {
  uint32_t style;
  uint32_t exStyle;
  uint16_t controlCount; /* at most 256 are used */
  int16_t x, y, cx, cy;
  uint16_t menuId;
  uint16_t classId;
  KOCSTR title;
  uint32_t pointSize;
  KOCSTR fontFace; /* null: "MS Shell Dlg", 8 points (9 for Japanese) */
} _kodlghdrcreate;

typedef struct _kodlgctrlcreate {
  KOCSTR className;
  KOCSTR text;
  uint16_t id;
  int16_t x, y, cx, cy;
  uint32_t exStyle;
  uint32_t style;
} _kodlgctrlcreate;

typedef struct _kodlghdrcreateex {
  KOCSTR title;
  uint32_t style;
  uint32_t exStyle;
  KOCSTR menu;
  KOCSTR windowClass;
  uint16_t controlCount; /* at most 256 are used */
  int16_t x, y, cx, cy;
  uint16_t pointSize;
  KOCSTR fontFace; /* null: "MS Shell Dlg", 8 points, weight 400, charset 1 */
  uint16_t weight;
  uint8_t italic;
  uint8_t charSet;
  uint32_t helpId;
} _kodlghdrcreateex;

typedef struct _kodlgctrlcreateex {
  KOCSTR className;
  KOCSTR text;
  uint16_t id;
  int16_t x, y, cx, cy;
  uint32_t exStyle;
  uint32_t style;
  uint32_t helpId;
  uint32_t creationDataSize;
  const void *creationData;
} _kodlgctrlcreateex;

/* A block of compiled resources in memory. */
typedef struct _KORESPOOL {
  uint32_t reserved;
  uint32_t size; /* bytes */
  const void *data;
} _KORESPOOL;

#define KO_DLGTEMPLATEEX_SIGNATURE 0xFFFF0001u

#ifdef __cplusplus
static_assert(sizeof(_kodlghdrcreateex) == 64, "extended header record");
static_assert(sizeof(_kodlgctrlcreateex) == 56, "extended control record");
static_assert(sizeof(DLGTEMPLATE) == 18, "classic template header");
#else
_Static_assert(sizeof(_kodlghdrcreateex) == 64, "extended header record");
_Static_assert(sizeof(_kodlgctrlcreateex) == 56, "extended control record");
#endif

KO_BEGIN_DECLS

/* ---- templates in memory ------------------------------------------------------
 * The built template lives in a zeroed, locked global memory block that the
 * caller releases (unlock, then free its handle); null when memory is short. */
KOAPI const DLGTEMPLATE *KoCreateDialogTemplate(HKOLANG h, const _kodlghdrcreate *hdr,
                                                const _kodlgctrlcreate *controls);
KOAPI const DLGTEMPLATE *KoCreateDialogTemplateEx(HKOLANG h, const _kodlghdrcreateex *hdr,
                                                  const _kodlgctrlcreateex *controls,
                                                  WORD *sizeOut);
/* Reads a classic or extended template of `size` bytes into one new block
 * holding the header record, the control records and copies of every string
 * and creation data. Returns 64 + 56 x controls; 0 (and a null block) for
 * null arguments, short memory, or a template that runs past its size. */
KOAPI long KoMapDialogTemplate(const DLGTEMPLATE *t, long size, _kodlghdrcreateex **out);

/* ---- resource pools ------------------------------------------------------------
 * Names and types below 0x10000 are ordinals. Entries that run past the pool
 * or whose header does not hold its own fields end the walk. */
KOAPI void *KoFindResourceInResPool(const _KORESPOOL *pool, UINT *sizeOut, KOCSTR name,
                                    KOCSTR type, DWORD language, DWORD *languageOut);
KOAPI const DLGTEMPLATE *KoFindDialogTemplateInResPool(const _KORESPOOL *pool, UINT *sizeOut,
                                                       KOCSTR name, DWORD language);

#ifdef _WIN32
/* ---- Windows only: module resources ------------------------------------------- */
KOAPI HRSRC KoFindResource(HKOLANG h, LPCWSTR name, LPCWSTR type);
KOAPI HRSRC KoFindResourceMulti(HKOLANG h, LPCWSTR name, LPCWSTR *types, int typeCount,
                                UINT *typeIndexOut);
KOAPI HGLOBAL KoLoadResource(HKOLANG h, HRSRC res);
KOAPI DWORD KoSizeofResource(HKOLANG h, HRSRC res);
KOAPI HGLOBAL KoLoadResourceCustom(HKOLANG h, LPCWSTR name, LPCWSTR type, DWORD *sizeOut);
KOAPI HRESULT KoExtractResourceToFile(HKOLANG h, LPCWSTR name, LPCWSTR type, LPCWSTR fileName);
KOAPI HBITMAP KoLoadBitmap(HKOLANG h, LPCWSTR name);
KOAPI HICON KoLoadIcon(HKOLANG h, LPCWSTR name);
KOAPI HANDLE KoLoadImage(HKOLANG h, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
KOAPI HCURSOR KoLoadCursor(HKOLANG h, LPCWSTR name);
KOAPI HACCEL KoLoadAccelerators(HKOLANG h, LPCWSTR name);

/* ---- dialogs ---------------------------------------------------------------------- */
KOAPI HWND KoCreateDialogParam(HKOLANG h, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param);
KOAPI INT_PTR KoDialogBoxParam(HKOLANG h, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param);
KOAPI HWND KoCreateDialogIndirectParam(HKOLANG h, const DLGTEMPLATE *t, HWND parent, DLGPROC proc,
                                       LPARAM param);
KOAPI INT_PTR KoDialogBoxIndirectParam(HKOLANG h, const DLGTEMPLATE *t, HWND parent, DLGPROC proc,
                                       LPARAM param);
KOAPI BOOL KoGetDialogUnitsForFont(LPCWSTR face, int pointSize, int weight, BYTE charSet,
                                   BYTE italic, SIZE *baseUnits);
KOAPI BOOL KoGetDialogSizeIndirect(HKOLANG h, const DLGTEMPLATE *t, SIZE *size);
KOAPI BOOL KoGetDialogSizeEx(HKOLANG h, const _kodlghdrcreateex *hdr, SIZE *size);
KOAPI long KoDialogTemplateFromRCID(HKOLANG h, LPCWSTR name, const DLGTEMPLATE **t);
KOAPI INT_PTR KoResPoolDialogBox(const _KORESPOOL *pool, HKOLANG h, LPCWSTR name, HWND parent,
                                 DLGPROC proc, LPARAM param);
/* In a dialog shown from a pool, a control of this class shows the pool's
 * bitmap (RT_BITMAP) named by the control's text or ordinal, in the dialog's
 * language; STM_GETIMAGE returns it. */
#define KO_POOLBITMAP_CLASS L"KoPoolBitmap"

/* ---- menus ------------------------------------------------------------------------ */
KOAPI HMENU KoLoadMenu(HKOLANG h, LPCWSTR name);
KOAPI HMENU KoLoadCulledMenu(HKOLANG h, LPCWSTR name, const UINT *ids, int count, BOOL tidy);
KOAPI void KoCullMenu(HMENU menu, const UINT *ids, int count, BOOL tidy);
KOAPI BOOL KoCleanMenu(HMENU menu, HMENU parent, UINT indexInParent);
KOAPI void KoGrayMenu(HMENU menu, const UINT *ids, int count);
KOAPI void KoGrayAllMenuItems(HMENU menu);
KOAPI void KoEnableAllMenuItems(HMENU menu);
KOAPI BOOL KoFindSubMenu(HMENU menu, UINT id, HMENU *found, UINT *index);
KOAPI HMENU KoGetSubmenuByID(HMENU menu, UINT id, UINT *index);
KOAPI void KoMenuReplaceTokens(HMENU menu);
#endif

KO_END_DECLS

#if defined(_WIN32) && defined(__cplusplus)
/* The two forms of KoGetDialogSize (C++ exports): from the dialog resource
 * `id`, and from a classic header record. */
KOAPI BOOL KoGetDialogSize(HKOLANG h, WORD id, DLGPROC proc, LPARAM param, SIZE *size);
KOAPI BOOL KoGetDialogSize(HKOLANG h, const _kodlghdrcreate *hdr, SIZE *size);
#endif

#endif /* KOKERNEL_KORESOURCE_H */
