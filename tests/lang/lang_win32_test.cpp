// Language handles on Windows: string tables of a host DLL in English and
// German, the thread language, locale data against GetLocaleInfoW, the
// registry language choice and code-page detection.
#include <windows.h>

#include <gtest/gtest.h>
#include <mbctype.h>

#include <string>

#include "kokernel/konumtext.h"
#include "kokernel/koprintf.h"
#include "lang/lang_helpers.h"
#include "settings/lang_internal.h"
#include "text/locale_settings.h"

using kotest::Lang;
using kotest::MakeRecord;
using kotest::Slots;
using kotest::U8;

namespace {

HMODULE Host() {
  static HMODULE module = LoadLibraryW(L"kolang_testhost.dll");
  return module;
}

std::string LocaleText(LCID lcid, LCTYPE type) {
  WCHAR buf[128] = {};
  GetLocaleInfoW(lcid, type, buf, 128);
  return U8(buf);
}

uint32_t LocaleNumber(LCID lcid, LCTYPE type) {
  WCHAR buf[16] = {};
  GetLocaleInfoW(lcid, type, buf, 16);
  return static_cast<uint32_t>(wcstoul(buf, nullptr, 10));
}

bool InsideModule(HMODULE m, const void *p) {
  auto *base = reinterpret_cast<const char *>(m);
  auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(m);
  auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  auto *c = static_cast<const char *>(p);
  return c >= base && c < base + nt->OptionalHeader.SizeOfImage;
}

}  // namespace

TEST(LangStrings, NumbersAndRecordsUseTheLanguageThenEnglishAndStripPrefix) {
  ASSERT_NE(Host(), nullptr) << "kolang_testhost.dll, error " << GetLastError();
  Lang german(0x0407, Host()), english(0x0409, Host()), japanese(0x0411, Host());
  const struct { Lang *lang; UINT id; const char *text; } cases[] = {
      {&german, 100, "Öffnen"}, {&german, 101, "Close"},  // English fallback
      {&german, 102, "Vorangestellt"}, {&german, 103, ""},  // nothing left after the prefix
      {&german, 200, "Hallo"}, {&english, 100, "Open"}, {&japanese, 100, "Open"}};
  for (const auto &c : cases) EXPECT_EQ(U8(KoGetString(c.lang->h, c.id)), c.text) << c.id;
  EXPECT_EQ(U8(KoGetStringSmart(german.h, KOLANG_NUMBER(100))), "Öffnen");
  KOCHAR buf[32];
  EXPECT_EQ(KoLoadString(german.h, 102u, buf, 32), 13);
  EXPECT_EQ(KoLoadString(german.h, 100u, buf, 3), 2);
  EXPECT_EQ(U8(buf), "Öf");
  EXPECT_EQ(KoLoadString(german.h, 999u, buf, 32), 0);
  EXPECT_EQ(buf[0], 0);
  // Numbers in a record resolve in the slot's language.
  static const KOCHAR kEnglish[] = L"English text";
  KOLANGSTRINGID r = MakeRecord(kEnglish);
  r.slots[2] = KOLANG_NUMBER(200);  // German, terminated in the table
  const KOCHAR *t = KoGetString(german.h, Slots(r));
  EXPECT_EQ(U8(t), "Hallo");
  EXPECT_TRUE(InsideModule(Host(), t) && r.slots[2] == t) << "the resource text itself, written back";
  // 201: a German entry without a terminator; 203: only in the English table.
  for (uint16_t n : {201, 203}) {
    KOLANGSTRINGID u = MakeRecord(kEnglish);
    u.slots[2] = KOLANG_NUMBER(n);
    EXPECT_EQ(U8(KoGetString(german.h, Slots(u))), "English text") << n;
  }
  KOLANGSTRINGID n = MakeRecord(KOLANG_NUMBER(203));
  EXPECT_EQ(U8(KoGetString(english.h, Slots(n))), "Only English");
  EXPECT_EQ(U8(KoGetString(german.h, Slots(n))), "Only English") << "slot 1 as fallback";
  KOLANGSTRINGID p = MakeRecord(L"^*Marked");
  EXPECT_EQ(KoLoadString(german.h, Slots(p), buf, 8), 6);
  EXPECT_EQ(U8(buf), "Marked");
}

TEST(LangStrings, CacheKeepsTextsUntilTheLanguageChanges) {
  ASSERT_NE(Host(), nullptr);
  Lang kernel(0x0409), h(0x0407, Host());
  ko::lang::SetKernelHandle(kernel.h);
  const KOCHAR *first = KoGetString(h.h, 100u);
  EXPECT_EQ(KoGetString(h.h, 101u), KoGetString(h.h, 101u)) << "served from the cache";
  EXPECT_FALSE(InsideModule(Host(), first)) << "the cache holds a copy";
  // Sorted by number whatever the order of the lookups; misses are not cached.
  for (UINT id : {102u, 1u, 200u}) KoGetString(h.h, id);
  ASSERT_EQ(h.h->cache->nCount, 4);
  auto **items = static_cast<uint32_t **>(h.h->cache->pSlots);
  EXPECT_TRUE(*items[0] == 100 && *items[3] == 200);
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0409));
  EXPECT_EQ(h.h->cache->nCount, 0) << "the cache is emptied";
  EXPECT_EQ(U8(KoGetString(h.h, 100u)), "Open");
  // Texts handed out stay readable: the emptied cache is set aside until the handle closes.
  EXPECT_EQ(U8(first), "Öffnen");
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0409));
  EXPECT_EQ(h.h->cache->nCount, 1) << "same language: the cache stays";
  DWORD layout = 0;
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0401));
  GetProcessDefaultLayout(&layout);
  EXPECT_EQ(layout, static_cast<DWORD>(LAYOUT_RTL)) << "Arabic mirrors the process";
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0407));
  GetProcessDefaultLayout(&layout);
  EXPECT_EQ(layout, 0u);
  ko::lang::SetKernelHandle(nullptr);
}

TEST(LangSystem, ThreadLocaleAbbreviationsAndResourceLanguages) {
  ASSERT_NE(Host(), nullptr);
  const LCID saved = GetThreadLocale();
  Lang german(0x0407, Host()), english(0x0409, Host());
  KoLang_UpdateThreadLocale(german.h);
  EXPECT_EQ(GetThreadLocale(), 0x0407u);
  SetThreadLocale(saved);
  KOCHAR buf[300];
  for (LCID lcid : {0x0411u, 0x0C0Au}) {
    Lang l(lcid);
    ASSERT_TRUE(KoLang_GetLangAbbrev(l.h, buf, 300)) << std::hex << lcid;
    EXPECT_EQ(U8(buf), LocaleText(KoLang_GetConditionedLCID(lcid), LOCALE_SABBREVLANGNAME));
  }
  EXPECT_EQ(KoEnumResourceLanguages(english.h, 1, buf, 300), 0) << "English handle: empty";
  const int n = KoEnumResourceLanguages(german.h, 1, buf, 300);
  const std::string want = LocaleText(0x0407, LOCALE_SABBREVLANGNAME) + "," +
                           LocaleText(0x0409, LOCALE_SABBREVLANGNAME);
  EXPECT_EQ(U8(buf), want);
  EXPECT_EQ(n, static_cast<int>(want.size()));
  EXPECT_EQ(KoEnumResourceLanguages(german.h, 1, buf, 4), 3);
  EXPECT_EQ(U8(buf), want.substr(0, 3));
}

TEST(LangSystem, InternationalsMatchGetLocaleInfoAndTheUsersConventions) {
  const LCTYPE texts[] = {LOCALE_SLANGUAGE, LOCALE_SENGLANGUAGE, LOCALE_SCOUNTRY, LOCALE_SNEGATIVESIGN,
                          LOCALE_STHOUSAND, LOCALE_SDECIMAL, LOCALE_STIME, LOCALE_SLIST};
  const LCTYPE numbers[] = {LOCALE_ILANGUAGE, LOCALE_ICOUNTRY, LOCALE_SGROUPING, LOCALE_IDIGITS, LOCALE_ILZERO,
                            LOCALE_IMEASURE};
  for (LCID lcid : {0x0407u, 0x040Cu, 0x0411u, 0x0419u, 0x041Du, 0x0C0Au}) {
    KOINTERNATIONALS r;
    ko::lang::BuildInternationals(lcid, nullptr, &r);
    SCOPED_TRACE(testing::Message() << "lcid 0x" << std::hex << lcid);
    const KOCHAR *got[] = {r.languageName, r.englishLanguageName, r.countryName, r.negativeSign,
                           r.thousandSeparator, r.decimalSeparator, r.timeSeparator, r.listSeparator};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(U8(got[i]), LocaleText(lcid, texts[i])) << texts[i];
    const uint32_t gotNumbers[] = {r.languageNumber, r.countryCode, r.grouping, r.digits, r.leadingZero, r.measure};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(gotNumbers[i], LocaleNumber(lcid, numbers[i])) << numbers[i];
    EXPECT_EQ(r.systemLCID, GetSystemDefaultLCID());
  }
  // The user's number conventions switched to those of several locales (as
  // the user would in the control panel): the rebuilt record follows the
  // user's locale, not its language's defaults.
  const LCTYPE types[] = {LOCALE_SDECIMAL, LOCALE_STHOUSAND, LOCALE_SGROUPING};
  WCHAR saved[3][32];
  for (int i = 0; i < 3; ++i) GetLocaleInfoW(LOCALE_USER_DEFAULT, types[i], saved[i], 32);
  for (LCID lcid : {0x0407u, 0x0411u, 0x0419u, 0x041Du, 0x0409u}) {
    SCOPED_TRACE(testing::Message() << "conventions of 0x" << std::hex << lcid);
    for (LCTYPE t : types) {
      WCHAR v[32] = {};
      GetLocaleInfoW(lcid, t, v, 32);
      EXPECT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, t, v)) << "type " << t << " = " << U8(v);
    }
    ASSERT_EQ(KoLang_GetInternationals(nullptr, 0), S_OK);
    KOINTERNATIONALS r;
    KoLang_GetInternationals(&r, sizeof r);
    EXPECT_EQ(U8(r.decimalSeparator), LocaleText(lcid, LOCALE_SDECIMAL));
    EXPECT_EQ(r.grouping, LocaleNumber(LOCALE_USER_DEFAULT, LOCALE_SGROUPING));
    EXPECT_EQ(U8(r.thousandSeparator), LocaleText(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND));
    EXPECT_EQ(U8(r.englishLanguageName), LocaleText(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE));
  }
  for (int i = 0; i < 3; ++i) SetLocaleInfoW(LOCALE_USER_DEFAULT, types[i], saved[i]);
  KoLang_GetInternationals(nullptr, 0);
  ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings());
}

TEST(LangSystem, UserLanguageChoiceRoundTripsThroughTheRegistry) {
  const uint32_t v2_1 = 0x02010000;
  LCID got = 0;
  EXPECT_FALSE(KoLang_LoadUserLCIDMetric(L"KoLangTest", v2_1, &got, FALSE));
  ASSERT_TRUE(KoLang_SaveUserLCIDMetric(L"KoLangTest", v2_1, 0x10407, FALSE));
  ASSERT_TRUE(KoLang_LoadUserLCIDMetric(L"KoLangTest", v2_1, &got, FALSE));
  EXPECT_EQ(got, 0x0407u) << "only the low word is stored";
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Corvane Creative Software\\KoLangTest\\2.1\\Lang", 0,
                          KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  // Unversioned (or major 0) uses the key without the version.
  ASSERT_TRUE(KoLang_SaveUserLCIDMetric(L"KoLangTest", 0x00050000, 0x040C, FALSE));
  ASSERT_TRUE(KoLang_LoadUserLCIDMetric(L"KoLangTest", v2_1, &got, TRUE));
  EXPECT_EQ(got, 0x040Cu);
  ASSERT_TRUE(KoLang_SaveUserLCIDMetricAppReg(L"KoLangTest", v2_1, 0x0411, L"Other Vendor"));
  ASSERT_TRUE(KoLang_LoadUserLCIDMetricAppReg(L"KoLangTest", v2_1, &got, L"Other Vendor"));
  EXPECT_EQ(got, 0x0411u);
  ASSERT_TRUE(KoLang_LoadUserLCIDMetric(L"KoLangTest", v2_1, &got, FALSE));
  EXPECT_EQ(got, 0x0407u) << "the vendors keep separate choices";
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Corvane Creative Software\\KoLangTest");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Other Vendor");
}

TEST(LangSystem, MultiByteAndCodePageDetection) {
  const int saved = _getmbcp();
  _setmbcp(932);
  const char sjis[] = "a\x82\xa0z";
  EXPECT_TRUE(KoLang_DetectMultiByteCharacters(sjis, 4));
  EXPECT_FALSE(KoLang_DetectMultiByteCharacters(sjis, 2)) << "the pair lies beyond the length";
  EXPECT_FALSE(KoLang_DetectMultiByteCharacters("plain", 5));
  EXPECT_FALSE(KoLang_DetectMultiByteCharacters(nullptr, 5));
  _setmbcp(0);
  EXPECT_FALSE(KoLang_DetectMultiByteCharacters(sjis, 4)) << "no multibyte code page";
  _setmbcp(saved);
}

