// Language handles natively: no string tables (numbered lookups find
// nothing), locale data from the C library's locale with English (United
// States) defaults, UTF-8 as the narrow code page.
#include <langinfo.h>
#include <locale.h>

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

void ReadLocaleFields(uint32_t, KOINTERNATIONALS *r) {
  // English (United States) first; a real user locale then overrides what
  // the C library knows of it.
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
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (!loc) return;
  const char *name = nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, loc);
  const char *codeset = nl_langinfo_l(CODESET, loc);
  // The C and POSIX locales describe no country: keep the defaults.
  if (name && *name && codeset && std::strcmp(codeset, "ANSI_X3.4-1968") != 0) {
    PutUtf8(r->englishLanguageName, name);
    PutUtf8(r->languageName, name);
    const char *territory = nl_langinfo_l(_NL_IDENTIFICATION_TERRITORY, loc);
    if (territory && *territory) {
      PutUtf8(r->countryName, territory);
      PutUtf8(r->englishCountryName, territory);
    }
    const char *radix = nl_langinfo_l(RADIXCHAR, loc);
    const char *thousands = nl_langinfo_l(THOUSEP, loc);
    if (radix && *radix) PutUtf8(r->decimalSeparator, radix);
    if (thousands) PutUtf8(r->thousandSeparator, thousands);
    const char *measure = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, loc);
    if (measure) r->measure = (*measure == 2) ? 1 : 0;  // 1 metric, 2 US
  }
  freelocale(loc);
}

}  // namespace ko::lang
