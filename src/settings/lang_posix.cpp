// Language handles natively: no string tables (numbered lookups find
// nothing), locale data from the C library's locale (the C and POSIX
// locales give English (United States) conventions), UTF-8 as the narrow
// code page.
#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/utf.h"
#include "settings/lang_internal.h"

namespace ko::lang {

namespace {

template <size_t N>
void PutUtf8(KOCHAR (&dst)[N], const char *src) {
  kostring w = Utf8ToUtf16(src ? src : "");
  size_t i = 0;
  for (; i < w.size() && i < N - 1; ++i) dst[i] = w[i];
  dst[i] = 0;
}

// The three-letter names the 18 table languages are known by.
struct Abbrev {
  uint32_t lcid;
  const char *name;
};
constexpr Abbrev kAbbrevs[] = {
    {0x0409, "ENU"}, {0x0411, "JPN"}, {0x0407, "DEU"}, {0x040A, "ESN"}, {0x040C, "FRA"},
    {0x0804, "CHS"}, {0x0404, "CHT"}, {0x0406, "DAN"}, {0x040B, "FIN"}, {0x0410, "ITA"},
    {0x0412, "KOR"}, {0x0413, "NLD"}, {0x0414, "NOR"}, {0x0416, "PTB"}, {0x0816, "PTG"},
    {0x0419, "RUS"}, {0x041D, "SVE"}, {0x0415, "PLK"},
};

}  // namespace

namespace sys {

int LoadStringInLanguage(HMODULE, uint32_t, uint16_t, KOCHAR *buf, int cch) {
  if (buf && cch > 0) buf[0] = 0;
  return -1;
}

const KOCHAR *FindTerminatedStringEntry(HMODULE, uint32_t, uint16_t) { return nullptr; }

uint32_t UserDefaultUILanguage() { return kEnglish; }

bool LocaleAbbrevName(uint32_t lcid, KOCHAR *buf, int cch) {
  for (const Abbrev &a : kAbbrevs) {
    if (a.lcid != lcid) continue;
    int i = 0;
    for (; a.name[i] && i < cch - 1; ++i) buf[i] = static_cast<KOCHAR>(a.name[i]);
    buf[i] = 0;
    return true;
  }
  return false;
}

void SetProcessLayoutRTL(bool) {}

bool WideToNarrow(const KOCHAR *text, int units, char *out, int outBytes) {
  kostring w(text, text + units);
  while (!w.empty() && w.back() == 0) w.pop_back();
  std::string s = Utf16ToUtf8(w.c_str());
  if (s.size() + 1 > static_cast<size_t>(outBytes)) return false;
  std::memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

bool NarrowToWide(const char *text, int bytes, KOCHAR *out, int outUnits) {
  std::string s(text, strnlen(text, static_cast<size_t>(bytes)));
  kostring w = Utf8ToUtf16(s.c_str());
  if (w.size() + 1 > static_cast<size_t>(outUnits)) return false;
  for (size_t i = 0; i <= w.size(); ++i) out[i] = w.c_str()[i];
  return true;
}

}  // namespace sys

namespace {

// Locale names by LCID for the table languages and a few more; the first
// entry of a language is the one its primary language maps to.
struct LocaleName {
  uint32_t lcid;
  const char *name;
};
constexpr LocaleName kLocaleNames[] = {
    {0x0409, "en_US"}, {0x0809, "en_GB"}, {0x0C09, "en_AU"}, {0x1009, "en_CA"},
    {0x0411, "ja_JP"}, {0x0407, "de_DE"}, {0x0C07, "de_AT"}, {0x0807, "de_CH"},
    {0x0C0A, "es_ES"}, {0x080A, "es_MX"}, {0x040C, "fr_FR"}, {0x0C0C, "fr_CA"},
    {0x080C, "fr_BE"}, {0x100C, "fr_CH"}, {0x0804, "zh_CN"}, {0x0404, "zh_TW"},
    {0x0C04, "zh_HK"}, {0x0406, "da_DK"}, {0x040B, "fi_FI"}, {0x0410, "it_IT"},
    {0x0412, "ko_KR"}, {0x0413, "nl_NL"}, {0x0813, "nl_BE"}, {0x0414, "nb_NO"},
    {0x0416, "pt_BR"}, {0x0816, "pt_PT"}, {0x0419, "ru_RU"}, {0x041D, "sv_SE"},
    {0x0415, "pl_PL"}, {0x0401, "ar_SA"}, {0x040D, "he_IL"}, {0x0405, "cs_CZ"},
    {0x040E, "hu_HU"}, {0x041F, "tr_TR"}, {0x0408, "el_GR"}, {0x0422, "uk_UA"},
};

// Primary language numbers by ISO 639-1 code, for locales not listed above.
struct PrimaryName {
  uint32_t primary;
  const char *code;
};
constexpr PrimaryName kPrimaries[] = {
    {0x01, "ar"}, {0x04, "zh"}, {0x05, "cs"}, {0x06, "da"}, {0x07, "de"}, {0x08, "el"},
    {0x09, "en"}, {0x0A, "es"}, {0x0B, "fi"}, {0x0C, "fr"}, {0x0D, "he"}, {0x0E, "hu"},
    {0x10, "it"}, {0x11, "ja"}, {0x12, "ko"}, {0x13, "nl"}, {0x14, "nb"}, {0x14, "no"},
    {0x15, "pl"}, {0x16, "pt"}, {0x19, "ru"}, {0x1D, "sv"}, {0x1F, "tr"}, {0x20, "ur"},
    {0x22, "uk"}, {0x29, "fa"},
};

// The LCID of an open locale from its language and territory codes; 0 when
// the locale names no language (the C and POSIX locales).
uint32_t LcidOf(locale_t loc) {
  const char *lang = nl_langinfo_l(_NL_ADDRESS_LANG_AB, loc);
  const char *country = nl_langinfo_l(_NL_ADDRESS_COUNTRY_AB2, loc);
  if (!lang || !*lang) return 0;
  std::string name = lang;
  name += '_';
  name += country ? country : "";
  for (const LocaleName &n : kLocaleNames)
    if (name == n.name) return n.lcid;
  for (const PrimaryName &p : kPrimaries)
    if (std::strcmp(lang, p.code) == 0) return p.primary | 0x0400;
  return 0;
}

// The separator that follows the hours in a time format ("%T" and "%R"
// give ":"); empty when the format shows none.
std::string TimeSeparator(const char *fmt) {
  bool afterHours = false;
  for (const char *p = fmt; p && *p; ++p) {
    if (*p == '%') {
      char c = p[1];
      while (c == '-' || c == '_' || c == '0' || c == '^' || c == '#' || c == 'E' || c == 'O')
        c = *++p ? p[1] : 0;
      if (!c) break;
      ++p;
      if (c == 'T' || c == 'R') return ":";
      if (c == 'H' || c == 'I' || c == 'k' || c == 'l') afterHours = true;
      continue;
    }
    if (afterHours) {
      // One UTF-8 character.
      size_t n = 1;
      while ((static_cast<unsigned char>(p[n]) & 0xC0) == 0x80) ++n;
      return std::string(p, n);
    }
  }
  return std::string();
}

void FillFromLocale(locale_t loc, KOINTERNATIONALS *r) {
  const uint32_t lcid = LcidOf(loc);
  if (!lcid) return;  // C and POSIX: the English (United States) defaults stay
  // The language number is the LCID's four hex digits read as a decimal
  // number, as the system's locale data give it (so 0x0C0A reads as 0).
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04x", lcid & 0xFFFF);
  r->languageNumber = static_cast<uint32_t>(std::strtoul(digits, nullptr, 10));
  const char *langName = nl_langinfo_l(_NL_ADDRESS_LANG_NAME, loc);
  const char *countryName = nl_langinfo_l(_NL_ADDRESS_COUNTRY_NAME, loc);
  std::string display = langName && *langName ? langName : "";
  if (countryName && *countryName) display += std::string(" (") + countryName + ")";
  PutUtf8(r->languageName, display.c_str());
  PutUtf8(r->englishLanguageName, nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, loc));
  const char *prefix = nl_langinfo_l(_NL_TELEPHONE_INT_PREFIX, loc);
  r->countryCode = prefix && *prefix ? static_cast<uint32_t>(std::strtoul(prefix, nullptr, 10)) : 0;
  PutUtf8(r->countryName, countryName);
  PutUtf8(r->englishCountryName, nl_langinfo_l(_NL_IDENTIFICATION_TERRITORY, loc));
  const char *negative = nl_langinfo_l(__NEGATIVE_SIGN, loc);
  PutUtf8(r->negativeSign, negative && *negative ? negative : "-");
  const char *radix = nl_langinfo_l(RADIXCHAR, loc);
  if (radix && *radix) PutUtf8(r->decimalSeparator, radix);
  PutUtf8(r->thousandSeparator, nl_langinfo_l(THOUSEP, loc));
  const char *grouping = nl_langinfo_l(GROUPING, loc);
  const int group = grouping ? static_cast<unsigned char>(grouping[0]) : 0;
  r->grouping = (group > 0 && group < 127) ? static_cast<uint32_t>(group) : 0;
  const char *frac = nl_langinfo_l(__FRAC_DIGITS, loc);
  r->digits = frac && static_cast<unsigned char>(*frac) <= 9 ? static_cast<unsigned char>(*frac) : 2;
  r->leadingZero = 1;
  const std::string time = TimeSeparator(nl_langinfo_l(T_FMT, loc));
  if (!time.empty()) PutUtf8(r->timeSeparator, time.c_str());
  // The C library keeps no list separator: ";" where "," is the decimal
  // separator, as the system's locale data have it, else ",".
  PutUtf8(r->listSeparator, r->decimalSeparator[0] == ',' && r->decimalSeparator[1] == 0 ? ";" : ",");
  const char *measure = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, loc);
  if (measure) r->measure = (*measure == 2) ? 1 : 0;  // C library: 1 metric, 2 US
}

void Defaults(KOINTERNATIONALS *r) {
  r->systemLCID = kEnglish;
  r->languageNumber = 409;
  PutUtf8(r->languageName, "English (United States)");
  PutUtf8(r->englishLanguageName, "English");
  r->countryCode = 1;
  PutUtf8(r->countryName, "United States");
  PutUtf8(r->englishCountryName, "United States");
  PutUtf8(r->negativeSign, "-");
  PutUtf8(r->thousandSeparator, ",");
  PutUtf8(r->decimalSeparator, ".");
  r->grouping = 3;
  r->digits = 2;
  r->leadingZero = 1;
  PutUtf8(r->timeSeparator, ":");
  PutUtf8(r->listSeparator, ",");
  r->measure = 1;
}

// The process's default locale (from the environment) as an LCID.
uint32_t SystemLcid() {
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (!loc) return kEnglish;
  const uint32_t lcid = LcidOf(loc);
  freelocale(loc);
  return lcid ? lcid : kEnglish;
}

}  // namespace

bool ReadNamedLocaleFields(const char *name, KOINTERNATIONALS *r) {
  Defaults(r);
  r->systemLCID = SystemLcid();
  locale_t loc = newlocale(LC_ALL_MASK, name ? name : "", static_cast<locale_t>(0));
  if (!loc) return false;
  FillFromLocale(loc, r);
  freelocale(loc);
  return true;
}

void ReadLocaleFields(uint32_t locale, KOINTERNATIONALS *r) {
  // 0 is the user's locale from the environment; an LCID names a locale of
  // the table above in UTF-8. A locale the system lacks leaves the English
  // (United States) defaults.
  if (locale == 0) {
    ReadNamedLocaleFields("", r);
    return;
  }
  for (const LocaleName &n : kLocaleNames) {
    if (n.lcid != (locale & 0xFFFF)) continue;
    const std::string name = std::string(n.name) + ".UTF-8";
    if (ReadNamedLocaleFields(name.c_str(), r)) return;
    break;
  }
  Defaults(r);
  r->systemLCID = SystemLcid();
}

}  // namespace ko::lang

using namespace ko::lang;

// ---- code pages ---------------------------------------------------------------------

// The system's multi-language service exists only on Windows. Here its
// creation fails as it does where the class is not registered, and that
// failure is passed on as the Windows form passes on the service's own.
extern "C" KOAPI HRESULT KoLang_DetectPossibleCodepage(const char *text, uint32_t length,
                                                       uint32_t *codePage) {
  if (!codePage) return E_POINTER;
  *codePage = 0;
  if (!text || length == 0 || length > 0x7FFFFFFF) return E_INVALIDARG;
  return REGDB_E_CLASSNOTREG;
}
