// Colour profiles: the system colours saved to and loaded from a
// private-profile file, and the profile writers for numbers and colours.
#include <windows.h>

#include "kokernel/koresult.h"
#include "kokernel/koui.h"
#include "ui/ui_internal.h"

using namespace ko::ui;

namespace {

constexpr wchar_t kDefaultSection[] = L"colors";
constexpr DWORD kReadUnits = 128;  // 127 units and the terminator

// The file exists and is an ordinary file (not a folder, not a device).
bool IsPlainFile(const wchar_t *file, bool *exists) {
  *exists = false;
  if (!file || !*file) return false;
  const DWORD attributes = ::GetFileAttributesW(file);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  *exists = true;
  return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

void KeyText(int index, wchar_t *out) {
  const char *key = SystemColourKey(index);
  size_t i = 0;
  for (; key && key[i]; ++i) out[i] = static_cast<wchar_t>(key[i]);
  out[i] = 0;
}

// The raw value text of key; false when the key is missing.
bool ReadValue(const wchar_t *section, const wchar_t *key, const wchar_t *file, wchar_t *out) {
  // A default that no value can equal tells a missing key from an empty one.
  static const wchar_t kMissing[] = L"\x1\x2\x3";
  ::GetPrivateProfileStringW(section, key, kMissing, out, kReadUnits, file);
  return lstrcmpW(out, kMissing) != 0;
}

BOOL WriteText(const wchar_t *section, const wchar_t *key, const wchar_t *text, const wchar_t *file) {
  return ::WritePrivateProfileStringW(section, key, text, file) ? TRUE : FALSE;
}

}  // namespace

extern "C" KOAPI COLORREF KoGetPrivateProfileColorref(const wchar_t *section, const wchar_t *key,
                                                      COLORREF defaultColour, const wchar_t *file) {
  wchar_t text[kReadUnits];
  if (!key || !ReadValue(section ? section : kDefaultSection, key, file, text)) return defaultColour;
  uint32_t colour;
  ReadProfileColour(text, &colour);
  return colour;
}

extern "C" KOAPI BOOL KoWritePrivateProfileColorref(const wchar_t *section, const wchar_t *key,
                                                    COLORREF colour, const wchar_t *file, UINT form) {
  wchar_t text[kProfileNumberUnits];
  if (!ColourProfileText(colour, form, text)) return FALSE;
  return WriteText(section, key, text, file);
}

extern "C" KOAPI BOOL KoWritePrivateProfileInt(const wchar_t *section, const wchar_t *key, int value,
                                               const wchar_t *file, BOOL localized) {
  wchar_t text[kProfileNumberUnits];
  if (!IntProfileText(value, localized != FALSE, text)) return FALSE;
  return WriteText(section, key, text, file);
}

extern "C" KOAPI BOOL KoWritePrivateProfileDWord(const wchar_t *section, const wchar_t *key,
                                                 DWORD value, const wchar_t *file) {
  wchar_t text[kProfileNumberUnits];
  if (!DWordProfileText(value, text)) return FALSE;
  return WriteText(section, key, text, file);
}

extern "C" KOAPI BOOL KoWritePrivateProfileDouble(const wchar_t *section, const wchar_t *key,
                                                  double value, const wchar_t *file,
                                                  BOOL localized, const wchar_t *format) {
  wchar_t text[kProfileNumberUnits];
  if (!DoubleProfileText(value, localized != FALSE, format, text)) return FALSE;
  return WriteText(section, key, text, file);
}

extern "C" KOAPI HRESULT KoLoadUIColors(const wchar_t *file, const wchar_t *section) {
  bool exists;
  if (!IsPlainFile(file, &exists)) return KO_E_OPENFAILED;
  if (!section || !*section) section = kDefaultSection;
  for (int i = 0; i < kSystemColours; ++i) {
    if (!SystemColourKey(i)) continue;
    wchar_t key[40], text[kReadUnits];
    KeyText(i, key);
    // A missing key, or a value that names no colour, keeps the current
    // colour rather than turning it into the "not a colour" value.
    if (!ReadValue(section, key, file, text)) continue;
    uint32_t colour;
    if (!ReadProfileColour(text, &colour)) continue;
    KoSetUIColor(i, colour);
  }
  return S_OK;
}

extern "C" KOAPI HRESULT KoSaveUIColors(const wchar_t *file, const wchar_t *section, UINT form) {
  if (!file || !*file) return KO_E_WRITEFAILED;
  bool exists;
  if (IsPlainFile(file, &exists)) {
    HANDLE h = ::CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return KO_E_WRITEFAILED;
    ::CloseHandle(h);
  } else if (exists) {
    return KO_E_WRITEFAILED;  // a folder or a device
  }
  if (!section || !*section) section = kDefaultSection;
  HRESULT hr = S_OK;
  for (int i = 0; i < kSystemColours; ++i) {
    if (!SystemColourKey(i)) continue;
    wchar_t key[40];
    KeyText(i, key);
    if (!KoWritePrivateProfileColorref(section, key, KoGetUIColorAbsolute(i), file, form)) hr = E_FAIL;
  }
  // Write the cached profile through to the file before reporting.
  ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
  return hr;
}
