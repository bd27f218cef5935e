/*
 * kokernel: the KoMetric settings store.
 *
 * Host applications keep their preferences ("metrics") as registry values
 * under one key per application and version:
 *   HKEY_CURRENT_USER\Software\<vendor>\<application>[\<major>.<minor>]\Metrics[\<sub-key>]
 * A metric is addressed by an identifier and a value type; the store names
 * the value ("S7", "B7", "7", "Z7" for identifier 7 or -7).
 *
 * The family exists only on Windows: natively this header declares nothing.
 */
#ifndef KOKERNEL_KOMETRIC_H
#define KOKERNEL_KOMETRIC_H

#include "kobase.h"
#include "koresult.h"

#ifdef _WIN32
#include <objidl.h> /* IStream */

/* Settings handle. Null and KOMETRIC_DEFAULT_STORE (all ones) both behave as
 * an absent store: getters give their defaults, setters fail. */
typedef struct KOMETRIC_RECORD *HKOMETRIC;
#define KOMETRIC_DEFAULT_STORE ((HKOMETRIC)(intptr_t)-1)

/* Vendor key used by every function without a vendor argument. */
#define KOMETRIC_DEFAULT_VENDOR KOTEXT("Corvane Creative Software")

/* Key paths hold at most KOMETRIC_PATH_UNITS - 1 units plus the terminator. */
#define KOMETRIC_PATH_UNITS 260

/* Largest stream that KoSetMetricStream stores, in bytes. */
#define KOMETRIC_STREAM_MAX_BYTES 2048

/* Value types (the registry's type numbers); any other type is treated as
 * a multi-string. */
#define KOMETRIC_TYPE_STRING 1u      /* REG_SZ, value name "S<n>" */
#define KOMETRIC_TYPE_BINARY 3u      /* REG_BINARY, value name "B<n>" */
#define KOMETRIC_TYPE_DWORD 4u       /* REG_DWORD, value name "<n>" */
#define KOMETRIC_TYPE_MULTISTRING 7u /* REG_MULTI_SZ, value name "Z<n>" */

/* Version word: major in bits 24-31, minor in bits 16-23. */
#define KOMETRIC_VERSION(major, minor) \
  ((uint32_t)(((uint32_t)(major) & 0xFFu) << 24 | ((uint32_t)(minor) & 0xFFu) << 16))

KO_BEGIN_DECLS

/* ---- opening and closing ------------------------------------------------ */
KOAPI HRESULT KoMetric_OpenAppVersion(HKOMETRIC *out, KOCSTR keyPath, KOCSTR subKey);
KOAPI HRESULT KoMetric_OpenRegHiveAndVersion(HKOMETRIC *out, KOCSTR appName, uint32_t version,
                                             KOCSTR vendorKey, KOCSTR subKey);
KOAPI HRESULT KoMetric_Open(HKOMETRIC *out, KOCSTR appName, uint32_t version, KOCSTR subKey);
KOAPI HRESULT KoMetric_OpenSubKey(HKOMETRIC *out, HKOMETRIC parent, KOCSTR subKey);
KOAPI HRESULT KoMetric_Close(HKOMETRIC h);
KOAPI HRESULT KoMetric_CloseAndDeleteKey(HKOMETRIC h);

/* ---- 32-bit metrics ------------------------------------------------------ */
KOAPI uint32_t KoGetMetric(HKOMETRIC h, int id);
KOAPI uint32_t KoGetMetricEx(HKOMETRIC h, int id, int minValue, int maxValue, int defaultValue);
KOAPI BOOL KoGetMetricBool(HKOMETRIC h, int id, BOOL defaultValue);
KOAPI HRESULT KoSetMetric(HKOMETRIC h, int id, uint32_t value);
KOAPI uint32_t KoGetMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t defaultValue);
KOAPI HRESULT KoSetMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t value);

/* ---- binary metrics and streams ------------------------------------------ */
KOAPI uint32_t KoGetMetricBinary(HKOMETRIC h, int id, void *buffer, uint32_t size);
KOAPI HRESULT KoGetMetricBinaryEx(HKOMETRIC h, int id, uint8_t *buffer, uint32_t size,
                                  uint32_t *bytesOut);
KOAPI HRESULT KoSetMetricBinary(HKOMETRIC h, int id, const void *data, uint32_t size);
KOAPI HRESULT KoGetMetricStream(HKOMETRIC h, int id, IStream *stream);
KOAPI HRESULT KoSetMetricStream(HKOMETRIC h, int id, IStream *stream);

/* ---- string and multi-string metrics ------------------------------------- */
KOAPI int KoGetMetricStringEx(HKOMETRIC h, int id, KOSTR buffer, int cch, KOCSTR defaultText,
                              BOOL keepEmpty);
KOAPI int KoGetMetricMultiStringEx(HKOMETRIC h, int id, KOSTR buffer, int cch,
                                   KOCSTR defaultText, BOOL keepEmpty);
KOAPI HRESULT KoSetMetricString(HKOMETRIC h, int id, KOCSTR text);
KOAPI HRESULT KoSetMetricMultiString(HKOMETRIC h, int id, KOCSTR data, uint32_t cch);

/* ---- any type ------------------------------------------------------------ */
KOAPI HRESULT KoGetMetricAny(HKOMETRIC h, int id, uint32_t type, uint8_t *buffer, uint32_t size,
                             uint32_t *bytesOut);
KOAPI HRESULT KoDoesMetricExist(HKOMETRIC h, int id, uint32_t type);
KOAPI HRESULT KoDeleteMetric(HKOMETRIC h, int id, uint32_t type);
KOAPI HRESULT KoDeleteMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t type);
/* Writes the display name of a metric into out (room for 16 units). */
KOAPI int KoMetricGetName(int id, uint32_t type, KOSTR out);

/* ---- whole-tree deletion ------------------------------------------------- */
KOAPI HRESULT KoMetric_DeleteAllHiveAndVersion(KOCSTR appName, uint32_t version, KOCSTR vendorKey);
KOAPI HRESULT KoMetric_DeleteAll(KOCSTR appName, uint32_t version);
KOAPI HRESULT KoMetric_DeleteUserMetrics(KOCSTR appName, uint32_t version);
KOAPI HRESULT KoMetric_DeleteKeyHiveAndVersion(KOCSTR appName, uint32_t version, KOCSTR vendorKey,
                                               KOCSTR subKey);
KOAPI HRESULT KoMetric_DeleteKey(KOCSTR appName, uint32_t version, KOCSTR subKey);

/* ---- registry helpers ---------------------------------------------------- */
KOAPI BOOL KoRegDeleteKey(HKEY root, KOCSTR subKey);
KOAPI uint32_t KoRegGetSubKeyCount(HKEY root, KOCSTR subKey, uint32_t *maxNameLengthOut);

KO_END_DECLS

#endif /* _WIN32 */

#endif /* KOKERNEL_KOMETRIC_H */
