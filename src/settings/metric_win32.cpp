// KoMetric settings store: metrics as registry values under
// HKEY_CURRENT_USER\Software\<vendor>\<application>[\<major>.<minor>]\Metrics.
// Every get and set goes straight to the registry; the handle only carries
// the key path and the open key.
#include "kokernel/kometric.h"

#include "settings/metric_path.h"

#include <cstring>
#include <new>

namespace {

using ko::settings::kPathUnits;
static_assert(kPathUnits == KOMETRIC_PATH_UNITS, "one path size");
constexpr uint32_t kStreamMaxBytes = KOMETRIC_STREAM_MAX_BYTES;
constexpr size_t kNameUnits = 16;
constexpr DWORD kEnumNameUnits = 260;

constexpr KOCHAR kMetricsSegment[] = L"\\Metrics";
constexpr size_t kMetricsSegmentUnits = sizeof(kMetricsSegment) / sizeof(KOCHAR) - 1;

}  // namespace

// The handle record. The spare path and the auxiliary key are never filled
// here but are kept (and the auxiliary key closed) for the families that
// share the record.
struct KOMETRIC_RECORD {
  KOCHAR sparePath[kPathUnits];
  HKEY auxKey;
  KOCHAR keyPath[kPathUnits];
  HKEY key;
  // Units of keyPath that came from the caller's key path (before "\sub-key").
  size_t basePathUnits;
  // The path did not fit: the key was not opened and is never deleted.
  bool pathTruncated;
};

namespace ko::settings {

// ---- key paths -------------------------------------------------------------

bool FormatKeyPath(KOCHAR *out, const KOCHAR *format, std::initializer_list<PathArg> args) {
  size_t n = 0;
  bool complete = true;
  auto put = [&](KOCHAR c) {
    if (n < kPathUnits - 1)
      out[n++] = c;
    else
      complete = false;
  };
  const PathArg *arg = args.begin();
  for (const KOCHAR *f = format; *f; ++f) {
    if (f[0] != L'%' || (f[1] != L's' && f[1] != L'd')) {
      put(*f);
      continue;
    }
    ++f;
    if (arg == args.end()) continue;
    if (*f == L's') {
      for (const KOCHAR *s = arg->text; s && *s; ++s) put(*s);
    } else {
      KOCHAR digits[12];
      int k = 0;
      uint32_t magnitude = arg->number < 0 ? 0u - static_cast<uint32_t>(arg->number)
                                           : static_cast<uint32_t>(arg->number);
      do {
        digits[k++] = static_cast<KOCHAR>(L'0' + magnitude % 10);
        magnitude /= 10;
      } while (magnitude);
      if (arg->number < 0) put(L'-');
      while (k) put(digits[--k]);
    }
    ++arg;
  }
  out[n] = 0;
  return complete;
}

namespace {

bool Empty(const KOCHAR *s) { return !s || !*s; }

bool HasMajor(uint32_t version) { return (version >> 16) > 255; }
int Major(uint32_t version) { return static_cast<int>(version >> 24); }
int Minor(uint32_t version) { return static_cast<int>((version >> 16) & 0xFF); }

// The Metrics key of an application, with the version segment when the
// major byte is set.
bool FormatMetricsPath(KOCHAR *out, const KOCHAR *vendor, const KOCHAR *app, uint32_t version) {
  if (HasMajor(version))
    return FormatKeyPath(out, L"Software\\%s\\%s\\%d.%d\\Metrics",
                         {vendor, app, Major(version), Minor(version)});
  return FormatKeyPath(out, L"Software\\%s\\%s\\Metrics", {vendor, app});
}

// ---- value names -------------------------------------------------------------

uint32_t Magnitude(int id) {
  return id < 0 ? 0u - static_cast<uint32_t>(id) : static_cast<uint32_t>(id);
}

// Writes the letter (when not 0) and |id| in decimal; returns the length.
int PutName(KOCHAR *out, KOCHAR letter, int id) {
  KOCHAR digits[12];
  int k = 0;
  uint32_t m = Magnitude(id);
  do {
    digits[k++] = static_cast<KOCHAR>(L'0' + m % 10);
    m /= 10;
  } while (m);
  int n = 0;
  if (letter) out[n++] = letter;
  while (k) out[n++] = digits[--k];
  out[n] = 0;
  return n;
}

DWORD RegistryTypeOf(uint32_t type) {
  switch (type) {
    case REG_SZ: return REG_SZ;
    case REG_BINARY: return REG_BINARY;
    case REG_DWORD: return REG_DWORD;
    default: return REG_MULTI_SZ;
  }
}

KOCHAR StoreLetterOf(uint32_t type) {
  switch (RegistryTypeOf(type)) {
    case REG_SZ: return L'S';
    case REG_BINARY: return L'B';
    case REG_DWORD: return 0;
    default: return L'Z';
  }
}

struct ValueName {
  KOCHAR text[kNameUnits];
  ValueName(uint32_t type, int id) { PutName(text, StoreLetterOf(type), id); }
};

// ---- handles -------------------------------------------------------------------

// The open key of a handle, or null for an absent store.
HKEY KeyOf(HKOMETRIC h) {
  if (!h || h == KOMETRIC_DEFAULT_STORE) return nullptr;
  return h->key;
}

HRESULT FromWin32(LONG error) {
  return static_cast<HRESULT>((static_cast<uint32_t>(error) & 0xFFFFu) | 0x80070000u);
}

// Reads a value into buffer (size bytes; buffer may be null to ask the size).
// Returns the registry's answer, the type and the byte count.
LONG Query(HKEY key, const KOCHAR *name, void *buffer, DWORD size, DWORD *type, DWORD *bytes) {
  *type = REG_NONE;
  *bytes = buffer ? size : 0;
  return RegQueryValueExW(key, name, nullptr, type, static_cast<BYTE *>(buffer), bytes);
}

bool ReadDword(HKEY key, const KOCHAR *name, uint32_t *value) {
  if (!key || !name) return false;
  DWORD v = 0, type, bytes;
  if (Query(key, name, &v, sizeof v, &type, &bytes) != ERROR_SUCCESS) return false;
  if (type != REG_DWORD) return false;
  *value = v;
  return true;
}

LONG Write(HKEY key, const KOCHAR *name, DWORD type, const void *data, DWORD bytes) {
  return RegSetValueExW(key, name, 0, type, static_cast<const BYTE *>(data), bytes);
}

HRESULT OpenStore(HKOMETRIC *out, const KOCHAR *keyPath, const KOCHAR *subKey, bool pathComplete) {
  *out = nullptr;
  auto *record = new (std::nothrow) KOMETRIC_RECORD{};
  if (!record) return E_OUTOFMEMORY;
  bool complete = FormatKeyPath(record->keyPath, L"%s", {keyPath}) && pathComplete;
  record->basePathUnits = wcslen(record->keyPath);
  if (!Empty(subKey))
    complete &= FormatKeyPath(record->keyPath, L"%s\\%s", {keyPath, subKey});
  record->pathTruncated = !complete;
  *out = record;
  // A cut path names some other key: it is neither opened nor, later, deleted.
  if (!complete) return KO_E_BUFFERTOOSMALL;
  // An empty path would open the root itself.
  if (!record->keyPath[0]) return E_INVALIDARG;
  LONG error = RegCreateKeyW(HKEY_CURRENT_USER, record->keyPath, &record->key);
  if (error != ERROR_SUCCESS) {
    record->key = nullptr;
    return FromWin32(error);
  }
  return S_OK;
}

// Where the Metrics key ends in a handle's path: after the last whole
// "\Metrics" segment of the part that came from the caller's key path.
// Returns 0 when there is none.
size_t MetricsEnd(const KOMETRIC_RECORD *r) {
  size_t found = 0;
  size_t limit = r->basePathUnits < kPathUnits ? r->basePathUnits : kPathUnits - 1;
  for (size_t i = 0; i + kMetricsSegmentUnits <= limit; ++i) {
    if (std::memcmp(r->keyPath + i, kMetricsSegment, kMetricsSegmentUnits * sizeof(KOCHAR)) != 0)
      continue;
    KOCHAR next = r->keyPath[i + kMetricsSegmentUnits];
    if (next == 0 || next == L'\\') found = i + kMetricsSegmentUnits;
  }
  return found;
}

void Release(HKOMETRIC h) {
  if (h->key) RegCloseKey(h->key);
  if (h->auxKey) RegCloseKey(h->auxKey);
  delete h;
}

// Deletes a tree of keys; see KoRegDeleteKey.
BOOL DeleteTree(HKEY root, const KOCHAR *subKey) {
  if (RegDeleteKeyW(root, subKey) == ERROR_SUCCESS) return TRUE;
  HKEY key = nullptr;
  LONG error = RegOpenKeyExW(root, subKey, 0, KEY_READ, &key);
  if (error == ERROR_FILE_NOT_FOUND) return TRUE;
  if (error != ERROR_SUCCESS) return FALSE;
  for (;;) {
    KOCHAR name[kEnumNameUnits];
    DWORD units = kEnumNameUnits;
    if (RegEnumKeyExW(key, 0, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (!DeleteTree(key, name)) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyW(root, subKey) == ERROR_SUCCESS;
}

// True when a name holds something besides separators. Deletion paths must
// name an application's own keys: an empty name, or one of separators only,
// would widen the path to the vendor's or the user's whole tree.
bool Meaningful(const KOCHAR *s) {
  for (; s && *s; ++s)
    if (*s != L'\\') return true;
  return false;
}

bool SafeNames(const KOCHAR *app, const KOCHAR *vendor) {
  return Meaningful(app) && Meaningful(vendor);
}

HRESULT DeleteAppTree(const KOCHAR *app, uint32_t version, const KOCHAR *vendor, bool machineToo) {
  if (!SafeNames(app, vendor)) return E_INVALIDARG;
  KOCHAR path[kPathUnits];
  bool complete = HasMajor(version)
                      ? FormatKeyPath(path, L"Software\\%s\\%s\\%d.%d",
                                      {vendor, app, Major(version), Minor(version)})
                      : FormatKeyPath(path, L"Software\\%s\\%s", {vendor, app});
  if (!complete) return KO_E_BUFFERTOOSMALL;
  if (machineToo) KoRegDeleteKey(HKEY_LOCAL_MACHINE, path);
  KoRegDeleteKey(HKEY_CURRENT_USER, path);
  return S_OK;
}

// Shared by the string and multi-string getters.
int GetText(HKOMETRIC h, int id, DWORD wantType, KOCHAR *buffer, int cch, const KOCHAR *defaultText,
            BOOL keepEmpty) {
  if (!buffer || cch < 0) cch = 0;
  DWORD capacity = static_cast<DWORD>(cch) * sizeof(KOCHAR);
  DWORD bytes = 0;
  HKEY key = KeyOf(h);
  if (key && cch > 0) {
    ValueName name(wantType, id);
    DWORD type;
    if (Query(key, name.text, buffer, capacity, &type, &bytes) != ERROR_SUCCESS || type != wantType)
      bytes = 0;
  }
  if (cch > 0) {
    std::memset(reinterpret_cast<BYTE *>(buffer) + bytes, 0, capacity - bytes);
    // A value that fills the buffer keeps its last unit (two for a
    // multi-string) as the terminator.
    if (wantType == REG_MULTI_SZ && cch >= 2 && bytes > (capacity - 2 * sizeof(KOCHAR))) {
      buffer[cch - 2] = 0;
      buffer[cch - 1] = 0;
    } else {
      buffer[cch - 1] = 0;
    }
  }
  if (bytes > 2) return static_cast<int>(bytes / 2) - 1;
  if (cch > 0) buffer[0] = 0;
  if (bytes >= 1 && keepEmpty) return 0;
  if (!defaultText) return 0;
  if (cch <= 0) return 0;
  int n = 0;
  while (n < cch - 1 && defaultText[n]) {
    buffer[n] = defaultText[n];
    ++n;
  }
  buffer[n] = 0;
  return n;
}

HRESULT DeleteValue(HKOMETRIC h, const KOCHAR *name) {
  HKEY key = KeyOf(h);
  if (!key) return S_FALSE;
  if (!name) return E_POINTER;
  return RegDeleteValueW(key, name) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace
}  // namespace ko::settings

using namespace ko::settings;

// ---- opening and closing --------------------------------------------------------

extern "C" HRESULT KoMetric_OpenAppVersion(HKOMETRIC *out, KOCSTR keyPath, KOCSTR subKey) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!keyPath) return E_INVALIDARG;
  return OpenStore(out, keyPath, subKey, true);
}

extern "C" HRESULT KoMetric_OpenRegHiveAndVersion(HKOMETRIC *out, KOCSTR appName, uint32_t version,
                                                  KOCSTR vendorKey, KOCSTR subKey) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!appName || !vendorKey) return E_INVALIDARG;
  KOCHAR path[kPathUnits];
  bool complete = FormatMetricsPath(path, vendorKey, appName, version);
  return OpenStore(out, path, subKey, complete);
}

extern "C" HRESULT KoMetric_Open(HKOMETRIC *out, KOCSTR appName, uint32_t version, KOCSTR subKey) {
  return KoMetric_OpenRegHiveAndVersion(out, appName, version, KOMETRIC_DEFAULT_VENDOR, subKey);
}

extern "C" HRESULT KoMetric_OpenSubKey(HKOMETRIC *out, HKOMETRIC parent, KOCSTR subKey) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!parent || parent == KOMETRIC_DEFAULT_STORE) return E_FAIL;
  if (parent->pathTruncated) return E_INVALIDARG;
  size_t end = MetricsEnd(parent);
  if (!end) return E_INVALIDARG;
  KOCHAR path[kPathUnits];
  std::memcpy(path, parent->keyPath, end * sizeof(KOCHAR));
  path[end] = 0;
  return OpenStore(out, path, subKey, true);
}

extern "C" HRESULT KoMetric_Close(HKOMETRIC h) {
  if (h && h != KOMETRIC_DEFAULT_STORE) Release(h);
  return S_OK;
}

extern "C" HRESULT KoMetric_CloseAndDeleteKey(HKOMETRIC h) {
  if (!h || h == KOMETRIC_DEFAULT_STORE) return E_FAIL;
  if (h->key) {
    RegCloseKey(h->key);
    h->key = nullptr;
  }
  if (!h->pathTruncated && h->keyPath[0]) KoRegDeleteKey(HKEY_CURRENT_USER, h->keyPath);
  Release(h);
  return S_OK;
}

// ---- 32-bit metrics ------------------------------------------------------------------

extern "C" uint32_t KoGetMetric(HKOMETRIC h, int id) {
  uint32_t value = 0;
  ReadDword(KeyOf(h), ValueName(REG_DWORD, id).text, &value);
  return value;
}

extern "C" uint32_t KoGetMetricEx(HKOMETRIC h, int id, int minValue, int maxValue,
                                  int defaultValue) {
  uint32_t stored;
  int value = ReadDword(KeyOf(h), ValueName(REG_DWORD, id).text, &stored)
                  ? static_cast<int>(stored)
                  : defaultValue;
  if (minValue != maxValue) {
    if (value < minValue)
      value = minValue;
    else if (value > maxValue)
      value = maxValue;
  }
  return static_cast<uint32_t>(value);
}

extern "C" BOOL KoGetMetricBool(HKOMETRIC h, int id, BOOL defaultValue) {
  uint32_t value;
  if (!ReadDword(KeyOf(h), ValueName(REG_DWORD, id).text, &value))
    value = static_cast<uint32_t>(defaultValue);
  return value != 0 ? TRUE : FALSE;
}

extern "C" HRESULT KoSetMetric(HKOMETRIC h, int id, uint32_t value) {
  HKEY key = KeyOf(h);
  if (!key) return E_FAIL;
  DWORD v = value;
  return Write(key, ValueName(REG_DWORD, id).text, REG_DWORD, &v, sizeof v) == ERROR_SUCCESS
             ? S_OK
             : E_FAIL;
}

extern "C" uint32_t KoGetMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t defaultValue) {
  uint32_t value = defaultValue;
  ReadDword(KeyOf(h), valueName, &value);
  return value;
}

extern "C" HRESULT KoSetMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t value) {
  HKEY key = KeyOf(h);
  if (!key) return E_FAIL;
  if (!valueName) return E_POINTER;
  DWORD v = value;
  LONG error = Write(key, valueName, REG_DWORD, &v, sizeof v);
  return error == ERROR_SUCCESS ? S_OK : FromWin32(error);
}

// ---- binary metrics ------------------------------------------------------------------

extern "C" uint32_t KoGetMetricBinary(HKOMETRIC h, int id, void *buffer, uint32_t size) {
  if (!buffer) return 0;
  HKEY key = KeyOf(h);
  DWORD type, bytes = 0;
  if (!key || Query(key, ValueName(REG_BINARY, id).text, buffer, size, &type, &bytes) !=
                  ERROR_SUCCESS ||
      type != REG_BINARY || bytes > size)
    bytes = 0;
  std::memset(static_cast<BYTE *>(buffer) + bytes, 0, size - bytes);
  return bytes;
}

extern "C" HRESULT KoGetMetricBinaryEx(HKOMETRIC h, int id, uint8_t *buffer, uint32_t size,
                                       uint32_t *bytesOut) {
  if (!bytesOut) return E_INVALIDARG;
  *bytesOut = 0;
  if (!buffer && size) return E_INVALIDARG;
  HKEY key = KeyOf(h);
  if (!key) {
    if (buffer) std::memset(buffer, 0, size);
    return KO_E_NOTFOUND;
  }
  DWORD type, bytes;
  LONG error = Query(key, ValueName(REG_BINARY, id).text, buffer, size, &type, &bytes);
  if ((error != ERROR_SUCCESS && error != ERROR_MORE_DATA) || type != REG_BINARY) {
    if (buffer) std::memset(buffer, 0, size);
    return S_FALSE;
  }
  if (error == ERROR_MORE_DATA || (buffer && bytes > size)) {
    if (buffer) std::memset(buffer, 0, size);
    *bytesOut = bytes;
    return KO_E_BUFFERTOOSMALL;
  }
  if (!buffer) {
    // Asked for the size only.
    *bytesOut = bytes;
    return S_OK;
  }
  std::memset(buffer + bytes, 0, size - bytes);
  *bytesOut = bytes;
  return S_OK;
}

extern "C" HRESULT KoSetMetricBinary(HKOMETRIC h, int id, const void *data, uint32_t size) {
  HKEY key = KeyOf(h);
  if (!key) return E_FAIL;
  if (!data && size) return E_POINTER;
  return Write(key, ValueName(REG_BINARY, id).text, REG_BINARY, data, size) == ERROR_SUCCESS
             ? S_OK
             : E_FAIL;
}

// ---- streams -------------------------------------------------------------------------

extern "C" HRESULT KoGetMetricStream(HKOMETRIC h, int id, IStream *stream) {
  if (!stream) return E_POINTER;
  uint32_t size = 0;
  KoGetMetricBinaryEx(h, id, nullptr, 0, &size);
  if (size == 0) return E_UNEXPECTED;
  HGLOBAL block = GlobalAlloc(GPTR, size);
  if (!block) return E_OUTOFMEMORY;
  auto *bytes = static_cast<uint8_t *>(static_cast<void *>(block));
  HRESULT hr = S_OK;
  if (KoGetMetricBinary(h, id, bytes, size) != size) {
    hr = E_UNEXPECTED;
  } else {
    LARGE_INTEGER zero{};
    hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) {
      ULONG written = 0;
      hr = stream->Write(bytes, size, &written);
      if (SUCCEEDED(hr) && written < size) hr = E_UNEXPECTED;
    }
  }
  GlobalFree(block);
  return hr;
}

extern "C" HRESULT KoSetMetricStream(HKOMETRIC h, int id, IStream *stream) {
  if (!stream) return E_POINTER;
  LARGE_INTEGER zero{};
  ULARGE_INTEGER position{};
  HRESULT hr = stream->Seek(zero, STREAM_SEEK_CUR, &position);
  if (FAILED(hr)) return hr;
  if (position.QuadPart > kStreamMaxBytes) return E_INVALIDARG;
  if (position.QuadPart == 0) return E_UNEXPECTED;
  auto bytes = static_cast<DWORD>(position.QuadPart);
  HGLOBAL memory = nullptr;
  hr = GetHGlobalFromStream(stream, &memory);
  if (FAILED(hr)) return hr;
  // A stream may be positioned past its end: never read beyond the block.
  if (GlobalSize(memory) < bytes) return E_UNEXPECTED;
  void *data = GlobalLock(memory);
  if (!data) return E_UNEXPECTED;
  HKEY key = KeyOf(h);
  hr = key && Write(key, ValueName(REG_BINARY, id).text, REG_BINARY, data, bytes) == ERROR_SUCCESS
           ? S_OK
           : E_FAIL;
  GlobalUnlock(memory);
  return hr;
}

// ---- strings -------------------------------------------------------------------------

extern "C" int KoGetMetricStringEx(HKOMETRIC h, int id, KOSTR buffer, int cch, KOCSTR defaultText,
                                   BOOL keepEmpty) {
  return GetText(h, id, REG_SZ, buffer, cch, defaultText, keepEmpty);
}

extern "C" int KoGetMetricMultiStringEx(HKOMETRIC h, int id, KOSTR buffer, int cch,
                                        KOCSTR defaultText, BOOL keepEmpty) {
  return GetText(h, id, REG_MULTI_SZ, buffer, cch, defaultText, keepEmpty);
}

extern "C" HRESULT KoSetMetricString(HKOMETRIC h, int id, KOCSTR text) {
  HKEY key = KeyOf(h);
  if (!key) return E_FAIL;
  if (!text) return E_POINTER;
  size_t units = wcslen(text) + 1;
  if (units > 0x7FFFFFFFu / sizeof(KOCHAR)) return E_FAIL;
  return Write(key, ValueName(REG_SZ, id).text, REG_SZ, text,
               static_cast<DWORD>(units * sizeof(KOCHAR))) == ERROR_SUCCESS
             ? S_OK
             : E_FAIL;
}

extern "C" HRESULT KoSetMetricMultiString(HKOMETRIC h, int id, KOCSTR data, uint32_t cch) {
  HKEY key = KeyOf(h);
  if (!key) return E_FAIL;
  if (!data && cch) return E_POINTER;
  if (cch > 0x7FFFFFFFu / sizeof(KOCHAR)) return E_FAIL;
  return Write(key, ValueName(REG_MULTI_SZ, id).text, REG_MULTI_SZ, data,
               static_cast<DWORD>(cch * sizeof(KOCHAR))) == ERROR_SUCCESS
             ? S_OK
             : E_FAIL;
}

// ---- any type ------------------------------------------------------------------------

extern "C" HRESULT KoGetMetricAny(HKOMETRIC h, int id, uint32_t type, uint8_t *buffer,
                                  uint32_t size, uint32_t *bytesOut) {
  HKEY key = KeyOf(h);
  if (!key) return E_UNEXPECTED;
  if (!buffer && size) return E_INVALIDARG;
  ValueName name(REG_DWORD, id);  // the bare number, whatever the type
  DWORD stored, bytes;
  LONG error = Query(key, name.text, buffer, size, &stored, &bytes);
  if ((error != ERROR_SUCCESS && error != ERROR_MORE_DATA) || stored != type)
    return KO_E_NOTFOUND;
  if (error == ERROR_MORE_DATA || bytes > size) {
    if (bytesOut) *bytesOut = bytes;
    return KO_E_BUFFERTOOSMALL;
  }
  if (bytesOut) *bytesOut = bytes;
  if (stored != REG_SZ || size == 0) return S_OK;
  if (size - bytes >= 2) {
    buffer[bytes] = 0;
    buffer[bytes + 1] = 0;
    return S_OK;
  }
  // The text filled the buffer: its last unit becomes the terminator.
  if (size > bytes) buffer[bytes] = 0;
  if (size == 1) {
    if (buffer[0] == 0) return S_OK;
    buffer[0] = 0;
  } else {
    if (buffer[size - 2] == 0 && buffer[size - 1] == 0) return S_OK;
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
  }
  if (bytesOut) *bytesOut = bytes + 2;
  return KO_E_BUFFERTOOSMALL;
}

extern "C" HRESULT KoDoesMetricExist(HKOMETRIC h, int id, uint32_t type) {
  HKEY key = KeyOf(h);
  if (!key) return S_FALSE;
  BYTE probe[1];
  DWORD stored, bytes;
  LONG error = Query(key, ValueName(type, id).text, probe, sizeof probe, &stored, &bytes);
  if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) return S_FALSE;
  return stored == RegistryTypeOf(type) ? S_OK : S_FALSE;
}

extern "C" HRESULT KoDeleteMetric(HKOMETRIC h, int id, uint32_t type) {
  return DeleteValue(h, ValueName(type, id).text);
}

extern "C" HRESULT KoDeleteMetricUsingName(HKOMETRIC h, KOCSTR valueName, uint32_t type) {
  return DeleteValue(h, valueName);
}

extern "C" int KoMetricGetName(int id, uint32_t type, KOSTR out) {
  if (!out) return 0;
  KOCHAR letter = StoreLetterOf(type);
  return PutName(out, letter ? letter : L'D', id);
}

// ---- whole-tree deletion ---------------------------------------------------------------

extern "C" HRESULT KoMetric_DeleteAllHiveAndVersion(KOCSTR appName, uint32_t version,
                                                    KOCSTR vendorKey) {
  return DeleteAppTree(appName, version, vendorKey, true);
}

extern "C" HRESULT KoMetric_DeleteAll(KOCSTR appName, uint32_t version) {
  return DeleteAppTree(appName, version, KOMETRIC_DEFAULT_VENDOR, true);
}

extern "C" HRESULT KoMetric_DeleteUserMetrics(KOCSTR appName, uint32_t version) {
  return DeleteAppTree(appName, version, KOMETRIC_DEFAULT_VENDOR, false);
}

extern "C" HRESULT KoMetric_DeleteKeyHiveAndVersion(KOCSTR appName, uint32_t version,
                                                    KOCSTR vendorKey, KOCSTR subKey) {
  if (!SafeNames(appName, vendorKey)) return E_INVALIDARG;
  KOCHAR metrics[kPathUnits];
  KOCHAR path[kPathUnits];
  bool complete = FormatMetricsPath(metrics, vendorKey, appName, version);
  complete &= Empty(subKey) ? FormatKeyPath(path, L"%s", {metrics})
                            : FormatKeyPath(path, L"%s\\%s", {metrics, subKey});
  if (!complete) return KO_E_BUFFERTOOSMALL;
  KoRegDeleteKey(HKEY_LOCAL_MACHINE, path);
  KoRegDeleteKey(HKEY_CURRENT_USER, path);
  return S_OK;
}

extern "C" HRESULT KoMetric_DeleteKey(KOCSTR appName, uint32_t version, KOCSTR subKey) {
  return KoMetric_DeleteKeyHiveAndVersion(appName, version, KOMETRIC_DEFAULT_VENDOR, subKey);
}

// ---- registry helpers --------------------------------------------------------------------

extern "C" BOOL KoRegDeleteKey(HKEY root, KOCSTR subKey) {
  // An empty sub-key would name the root itself and take everything below it.
  if (!Meaningful(subKey)) return FALSE;
  return DeleteTree(root, subKey);
}

extern "C" uint32_t KoRegGetSubKeyCount(HKEY root, KOCSTR subKey, uint32_t *maxNameLengthOut) {
  if (maxNameLengthOut) *maxNameLengthOut = 1;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0, longest = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    count = 0;
    longest = 0;
  }
  RegCloseKey(key);
  if (maxNameLengthOut) *maxNameLengthOut = longest + 1;
  return count;
}
