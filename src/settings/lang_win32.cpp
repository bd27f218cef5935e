// Language handles on Windows: string tables, locale data, thread and
// common-control language, process layout, the user's language choice in the
// registry and code-page detection.
#include <windows.h>

#include <mbctype.h>
#include <mlang.h>
#include <objbase.h>

#include <cwchar>
#include <initializer_list>

#include "settings/lang_internal.h"

namespace ko::lang {

namespace {

// The string-table block holding `id` in `lang`, and the entry inside it:
// *entry points at the entry's length unit. False when absent.
bool FindEntry(HMODULE module, uint32_t id, uint16_t lang, const WCHAR **entry,
               const WCHAR **blockEnd) {
  if (!module || id > 0xFFFF) return false;
  HRSRC res = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW((id >> 4) + 1), lang);
  if (!res) return false;
  HGLOBAL mem = LoadResource(module, res);
  const DWORD bytes = SizeofResource(module, res);
  auto *p = static_cast<const WCHAR *>(mem ? LockResource(mem) : nullptr);
  if (!p) return false;
  const WCHAR *end = p + bytes / sizeof(WCHAR);
  for (uint32_t i = 0; i < (id & 15); ++i) {
    if (p >= end) return false;
    p += 1 + static_cast<uint16_t>(*p);
  }
  if (p >= end) return false;
  *entry = p;
  *blockEnd = end;
  return true;
}

}  // namespace

namespace sys {

int LoadStringInLanguage(HMODULE module, uint32_t id, uint16_t lang, KOCHAR *buf, int cch) {
  const WCHAR *entry, *end;
  if (!FindEntry(module, id, lang, &entry, &end)) return -1;
  int n = static_cast<uint16_t>(*entry);
  if (entry + 1 + n > end) n = static_cast<int>(end - entry - 1);  // damaged block
  if (n > cch - 1) n = cch - 1;
  for (int i = 0; i < n; ++i) buf[i] = entry[1 + i];
  buf[n] = 0;
  // An entry compiled with a terminator counts it: the text ends earlier.
  n = static_cast<int>(wcsnlen(buf, n));
  return n > 0 ? n : -1;
}

const KOCHAR *FindTerminatedStringEntry(HMODULE module, uint32_t id, uint16_t lang) {
  const WCHAR *entry, *end;
  if (!FindEntry(module, id, lang, &entry, &end)) return nullptr;
  int n = static_cast<uint16_t>(*entry);
  const WCHAR *text = entry + 1;
  if (n == 0 || text + n > end) return nullptr;
  if (text[n - 1] == 0) --n;  // the terminator is inside the count
  else if (text + n >= end || text[n] != 0) return nullptr;  // no terminator follows
  return n > 0 ? text : nullptr;
}

uint32_t UserDefaultUILanguage() { return GetUserDefaultUILanguage(); }

bool LocaleAbbrevName(uint32_t lcid, KOCHAR *buf, int cch) {
  return GetLocaleInfoW(lcid, LOCALE_SABBREVLANGNAME, buf, cch) > 0;
}

void SetProcessLayoutRTL(bool rtl) { SetProcessDefaultLayout(rtl ? LAYOUT_RTL : 0); }

bool WideToNarrow(const KOCHAR *text, int units, char *out, int outBytes) {
  return WideCharToMultiByte(CP_ACP, 0, text, units, out, outBytes, nullptr, nullptr) > 0;
}

bool NarrowToWide(const char *text, int bytes, KOCHAR *out, int outUnits) {
  return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, bytes, out, outUnits) > 0;
}

}  // namespace sys

void ReadLocaleFields(uint32_t locale, KOINTERNATIONALS *r) {
  const LCID lc = locale ? locale : LOCALE_USER_DEFAULT;
  WCHAR num[16];
  auto number = [&](LCTYPE type) -> uint32_t {
    if (GetLocaleInfoW(lc, type, num, 16) <= 0) return 0;
    return static_cast<uint32_t>(wcstoul(num, nullptr, 10));
  };
  r->systemLCID = GetSystemDefaultLCID();
  r->languageNumber = number(LOCALE_ILANGUAGE);  // the digits read as a decimal number
  GetLocaleInfoW(lc, LOCALE_SLANGUAGE, r->languageName, 64);
  GetLocaleInfoW(lc, LOCALE_SENGLANGUAGE, r->englishLanguageName, 64);
  r->countryCode = number(LOCALE_ICOUNTRY);
  GetLocaleInfoW(lc, LOCALE_SCOUNTRY, r->countryName, 64);
  GetLocaleInfoW(lc, LOCALE_SENGCOUNTRY, r->englishCountryName, 64);
  GetLocaleInfoW(lc, LOCALE_SNEGATIVESIGN, r->negativeSign, 8);
  GetLocaleInfoW(lc, LOCALE_STHOUSAND, r->thousandSeparator, 8);
  GetLocaleInfoW(lc, LOCALE_SDECIMAL, r->decimalSeparator, 8);
  r->grouping = number(LOCALE_SGROUPING);
  r->digits = number(LOCALE_IDIGITS);
  r->leadingZero = number(LOCALE_ILZERO);
  GetLocaleInfoW(lc, LOCALE_STIME, r->timeSeparator, 8);
  GetLocaleInfoW(lc, LOCALE_SLIST, r->listSeparator, 8);
  r->measure = number(LOCALE_IMEASURE);
}

}  // namespace ko::lang

using namespace ko::lang;

// ---- process layout and thread language -------------------------------------------

extern "C" KOAPI BOOL KoLang_EnableProcessMirroring(void) {
  return SetProcessDefaultLayout(LAYOUT_RTL);
}

extern "C" KOAPI BOOL KoLang_DisableProcessMirroring(void) { return SetProcessDefaultLayout(0); }

extern "C" KOAPI void KoLang_UpdateThreadLocale(HKOLANG h) {
  const LCID lcid = h ? h->lcid : 0;
  SetThreadLocale(lcid);
  // The common controls learn the language through InitMUILanguage, found at
  // run time (older systems lack it). The library carries no manifest of
  // its own, so the call runs in the caller's activation context.
  HMODULE comctl = GetModuleHandleW(L"Comctl32.dll");
  if (!comctl) comctl = LoadLibraryW(L"Comctl32.dll");
  if (!comctl) return;
  using InitMUI = void(WINAPI *)(LANGID);
  auto init = reinterpret_cast<InitMUI>(
      reinterpret_cast<void *>(GetProcAddress(comctl, "InitMUILanguage")));
  if (init) init(static_cast<LANGID>(lcid));
}

// ---- resource languages ---------------------------------------------------------------

namespace {

struct EnumState {
  WCHAR list[260];
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) {
  auto *s = reinterpret_cast<EnumState *>(param);
  WCHAR abbrev[16];
  if (GetLocaleInfoW(MAKELCID(lang, SORT_DEFAULT), LOCALE_SABBREVLANGNAME, abbrev, 16) <= 0)
    return TRUE;
  WCHAR joined[260];
  if (s->list[0])
    _snwprintf(joined, 260, L"%s,%s", s->list, abbrev);
  else
    _snwprintf(joined, 260, L"%s", abbrev);
  joined[259] = 0;
  wcscpy(s->list, joined);
  return TRUE;
}

}  // namespace

extern "C" KOAPI int KoEnumResourceLanguages(HKOLANG h, WORD resourceId, KOSTR buffer, int cch) {
  if (!buffer || cch < 1) return 0;
  buffer[0] = 0;
  EnumState state{};
  if (h && h->nonEnglish && h->module)
    EnumResourceLanguagesW(h->module, RT_VERSION, MAKEINTRESOURCEW(resourceId), OnLanguage,
                           reinterpret_cast<LONG_PTR>(&state));
  int n = static_cast<int>(wcsnlen(state.list, 260));
  if (n > cch - 1) n = cch - 1;
  wmemcpy(buffer, state.list, n);
  buffer[n] = 0;
  return n;
}

// ---- multibyte text and code pages ------------------------------------------------------

extern "C" KOAPI BOOL KoLang_DetectMultiByteCharacters(const char *text, uint32_t length) {
  if (!text || length < 2 || _getmbcp() == 0 || !text[0]) return FALSE;
  for (uint32_t i = 0; i + 1 < length && text[i]; ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    if (trail && _ismbblead(lead) && _ismbbtrail(trail)) return TRUE;
  }
  return FALSE;
}

extern "C" KOAPI HRESULT KoLang_DetectPossibleCodepage(const char *text, uint32_t length,
                                                       uint32_t *codePage) {
  if (!codePage) return E_POINTER;
  *codePage = 0;
  if (!text || length == 0 || length > 0x7FFFFFFF) return E_INVALIDARG;
  static const CLSID kClass = {0x275C23E2, 0x3747, 0x11D0,
                               {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};
  static const IID kInterface = {0xDCCFC164, 0x2B38, 0x11D2,
                                 {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IMultiLanguage2 *ml = nullptr;
  HRESULT hr = CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, kInterface,
                                reinterpret_cast<void **>(&ml));
  if (SUCCEEDED(hr) && ml) {
    DetectEncodingInfo info[10] = {};
    INT size = static_cast<INT>(length);
    INT count = 10;
    hr = ml->DetectInputCodepage(MLDETECTCP_8BIT, 0, const_cast<CHAR *>(text), &size, info,
                                 &count);
    ml->Release();
    if (SUCCEEDED(hr)) {
      int best = -1;
      for (int i = 0; i < count && i < 10; ++i)
        if (info[i].nDocPercent == 100 && (best < 0 || info[i].nConfidence > info[best].nConfidence))
          best = i;
      if (best >= 0 && info[best].nConfidence >= 100) {
        *codePage = info[best].nCodePage;
        hr = S_OK;
      } else {
        hr = KO_E_CODEPAGEUNKNOWN;
      }
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return hr;
}

// ---- the user's language choice -----------------------------------------------------------

namespace {

bool LangKeyPath(KOCSTR appName, uint32_t version, KOCSTR vendor, bool unversioned, WCHAR *path) {
  if (!appName || !vendor) return false;
  int n;
  const uint32_t major = version >> 24, minor = (version >> 16) & 0xFF;
  if (unversioned || major == 0)
    n = _snwprintf(path, 260, L"Software\\%s\\%s\\Lang", vendor, appName);
  else
    n = _snwprintf(path, 260, L"Software\\%s\\%s\\%u.%u\\Lang", vendor, appName, major, minor);
  return n > 0 && n < 260;
}

BOOL LoadLCID(KOCSTR appName, uint32_t version, LCID *out, KOCSTR vendor, bool unversioned) {
  WCHAR path[260];
  if (!out || !LangKeyPath(appName, version, vendor, unversioned, path)) return FALSE;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    DWORD value = 0, type = 0, bytes = sizeof value;
    const LONG rc = RegQueryValueExW(key, L"ULangID", nullptr, &type,
                                     reinterpret_cast<BYTE *>(&value), &bytes);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && type == REG_DWORD && bytes == sizeof value) {
      *out = value;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL SaveLCID(KOCSTR appName, uint32_t version, LCID lcid, KOCSTR vendor, bool unversioned) {
  WCHAR path[260];
  if (!LangKeyPath(appName, version, vendor, unversioned, path)) return FALSE;
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return FALSE;
  const DWORD value = lcid & 0xFFFF;
  const LONG rc = RegSetValueExW(key, L"ULangID", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE *>(&value), sizeof value);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

const WCHAR kVendor[] = L"Corvane Creative Software";

}  // namespace

extern "C" KOAPI BOOL KoLang_LoadUserLCIDMetric(KOCSTR appName, uint32_t version, LCID *lcidOut,
                                               BOOL unversioned) {
  return LoadLCID(appName, version, lcidOut, kVendor, unversioned != FALSE);
}

extern "C" KOAPI BOOL KoLang_SaveUserLCIDMetric(KOCSTR appName, uint32_t version, LCID lcid,
                                               BOOL unversioned) {
  return SaveLCID(appName, version, lcid, kVendor, unversioned != FALSE);
}

extern "C" KOAPI BOOL KoLang_LoadUserLCIDMetricAppReg(KOCSTR appName, uint32_t version,
                                                     LCID *lcidOut, KOCSTR vendorKey) {
  return LoadLCID(appName, version, lcidOut, vendorKey, false);
}

extern "C" KOAPI BOOL KoLang_SaveUserLCIDMetricAppReg(KOCSTR appName, uint32_t version, LCID lcid,
                                                     KOCSTR vendorKey) {
  return SaveLCID(appName, version, lcid, vendorKey, false);
}
