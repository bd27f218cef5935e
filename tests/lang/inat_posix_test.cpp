// The internationals record natively, from the C library's locale: the C
// locale, and real locales compiled into the build tree, checked against
// the C library's own locale data and its grouped number printing.
#include <gtest/gtest.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kokernel/konumtext.h"
#include "lang/lang_helpers.h"
#include "settings/lang_internal.h"
#include "text/locale_settings.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using kotest::U8;

namespace {

const std::string kLocaleDir = std::string(KO_BINARY_DIR) + "/lang-locales";

// Sets an environment variable for the scope and restores it after.
struct Env {
  std::string name, old;
  bool had;
  Env(const char *n, const std::string &value) : name(n), had(std::getenv(n) != nullptr) {
    if (had) old = std::getenv(n);
    setenv(n, value.c_str(), 1);
  }
  ~Env() { had ? setenv(name.c_str(), old.c_str(), 1) : unsetenv(name.c_str()); }
};

// The C library's grouped printing of an integer in a locale: the peer of KoFormatNumber.
std::string GroupedByLibc(locale_t loc, long long v) {
  locale_t old = uselocale(loc);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%'lld", v);
  uselocale(old);
  return buf;
}

}  // namespace

TEST(LangPosixLocale, CompiledLocalesMatchTheCLibrary) {
  struct stat st;
  for (const char *name : {"de_DE.UTF-8", "ru_RU.UTF-8"})
    ASSERT_EQ(stat((kLocaleDir + "/" + name + "/LC_NUMERIC").c_str(), &st), 0) << "no compiled " << name;
#if defined(__SANITIZE_ADDRESS__)
  // With LOCPATH set the C library's newlocale keeps its parsed copy of the
  // path list and never frees it: not a leak of ours.
  __lsan::ScopedDisabler libcLocalePath;
#endif
  Env locpath("LOCPATH", kLocaleDir);
  const struct { const char *name; uint32_t languageNumber, countryCode; } wants[] = {
      {"de_DE.UTF-8", 407, 49}, {"ru_RU.UTF-8", 419, 7}};
  for (const auto &w : wants) {
    SCOPED_TRACE(w.name);
    KOINTERNATIONALS r{};
    ASSERT_TRUE(ko::lang::ReadNamedLocaleFields(w.name, &r));
    locale_t loc = newlocale(LC_ALL_MASK, w.name, static_cast<locale_t>(0));
    ASSERT_NE(loc, static_cast<locale_t>(0));
    EXPECT_TRUE(r.languageNumber == w.languageNumber && r.countryCode == w.countryCode);
    EXPECT_EQ(U8(r.englishLanguageName), nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, loc));
    EXPECT_EQ(U8(r.englishCountryName), nl_langinfo_l(_NL_IDENTIFICATION_TERRITORY, loc));
    EXPECT_EQ(U8(r.countryName), nl_langinfo_l(_NL_ADDRESS_COUNTRY_NAME, loc));
    EXPECT_EQ(U8(r.decimalSeparator), nl_langinfo_l(RADIXCHAR, loc));
    EXPECT_EQ(U8(r.thousandSeparator), nl_langinfo_l(THOUSEP, loc));
    EXPECT_EQ(r.grouping, static_cast<uint32_t>(nl_langinfo_l(GROUPING, loc)[0]));
    EXPECT_EQ(U8(r.listSeparator), ";");
    // The process-wide rebuild reads the environment's locale, and the
    // number texts then group as the C library does.
    {
      Env all("LC_ALL", w.name);
      ASSERT_EQ(KoLang_GetInternationals(nullptr, 0), S_OK);
      KOCHAR buf[64];
      EXPECT_EQ(KoGetInat(24, buf), 1u);
      EXPECT_EQ(U8(buf), ",");
      for (long long v : {1234567LL, -1234567LL, 999LL, 1000LL, 12345678901LL}) {
        const std::string src = std::to_string(v);
        std::u16string wide(src.begin(), src.end());
        KOCHAR out[64];
        KoFormatNumber(reinterpret_cast<const KOCHAR *>(wide.c_str()), out, 64);
        EXPECT_EQ(U8(out), GroupedByLibc(loc, v)) << v;
      }
    }
    freelocale(loc);
  }
  KoLang_GetInternationals(nullptr, 0);
  ko::text::SetLocaleSettings(ko::text::DefaultLocaleSettings());
}
