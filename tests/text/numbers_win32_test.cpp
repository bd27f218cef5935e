// The locale re-formatters against the system's GetNumberFormatW given the
// same separators, grouping, leading-zero flag and negative pattern.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "kokernel/konumtext.h"
#include "kotest_text_util.h"

using kotest::ScopedLocale;
using kotest::U8;

namespace {

struct Setting { const char *decimal, *thousand; int grouping; bool leadingZero; };

// The system's text, with the locale's negative sign turned into "-" as the
// library does. Empty when the system refuses the input.
std::optional<std::wstring> SystemFormat(const std::wstring &src, const Setting &s, int digits, bool group) {
  std::wstring dec = (wchar_t *)kotest::W(s.decimal).c_str();
  std::wstring thou = (wchar_t *)kotest::W(s.thousand).c_str();
  NUMBERFMTW fmt{};
  fmt.NumDigits = digits;
  fmt.LeadingZero = s.leadingZero;
  fmt.Grouping = group ? s.grouping : 0;
  fmt.lpDecimalSep = dec.data();
  fmt.lpThousandSep = thou.data();
  fmt.NegativeOrder = 1;  // "-1.1"
  wchar_t out[256];
  if (!GetNumberFormatW(LOCALE_USER_DEFAULT, 0, src.c_str(), &fmt, out, 256)) return std::nullopt;
  std::wstring r = out;
  wchar_t neg[8] = L"-";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, neg, 8);
  if (r.compare(0, wcslen(neg), neg) == 0) r = L"-" + r.substr(wcslen(neg));
  return r;
}

// Two places where Wine's GetNumberFormatW is known to differ from the
// system it imitates, recognised so that they do not hide real differences:
// a rounding carry that adds an integer digit ("999.999" with 0 digits) is
// grouped as the digits were before the carry ("1000", "10__0__0"); and with
// no leading zero and no decimals, a value below one in size is written as
// nothing at all ("" or a bare "-"), where the library writes "0".
bool WineQuirk(const std::wstring &ours, const std::wstring &sys, const Setting &s, int digits) {
  if (!s.leadingZero && digits == 0 && ((ours == L"-0" && sys == L"-") || (ours == L"0" && sys.empty())))
    return true;
  std::wstring thou = (wchar_t *)kotest::W(s.thousand).c_str();
  auto ungroup = [&](std::wstring t) {
    for (size_t at; (at = t.find(thou)) != std::wstring::npos;) t.erase(at, thou.size());
    return t;
  };
  std::wstring plain = ungroup(sys);
  if (ungroup(ours) != plain) return false;
  size_t i = plain[0] == L'-' ? 1 : 0;
  if (plain[i++] != L'1') return false;
  while (i < plain.size() && plain[i] == L'0') ++i;
  std::wstring dec = (wchar_t *)kotest::W(s.decimal).c_str();
  return i == plain.size() || plain.compare(i, dec.size(), dec) == 0;
}

std::vector<std::wstring> Inputs() {
  std::vector<std::wstring> v = {L"0",      L"-0",       L"-0.000",  L"0.005",    L"-0.004",
                                 L"-0.006", L"999.999",  L"1234567", L"-1234567", L"0001234.5000",
                                 L".5",     L"-.5",      L"5.",      L"9.95",     L"99999.5",
                                 L"-9.5",   L"12345678901234567890.123456789"};
  std::mt19937 rng(2024);
  for (int i = 0; i < 300; ++i) {
    std::wstring s;
    if (rng() % 3 == 0) s += L'-';
    int intDigits = rng() % 14;
    for (int k = 0; k < intDigits; ++k) s += wchar_t(L'0' + (k == 0 && rng() % 4 ? 1 + rng() % 9 : rng() % 10));
    if (rng() % 2 || intDigits == 0) {
      s += L'.';
      int frac = 1 + rng() % 6;
      for (int k = 0; k < frac; ++k) s += wchar_t(L'0' + (rng() % 3 ? rng() % 10 : 9));
    }
    v.push_back(s);
  }
  return v;
}

}  // namespace

TEST(NumberFormatAgainstSystem, SameTextAsGetNumberFormatW) {
  const Setting settings[] = {
      {".", ",", 3, true},  {",", ".", 3, true},        {",", "\xC2\xA0", 3, false},
      {".", "'", 2, true},  {".", " ", 4, false},       {"::", "__", 1, true},
      {"-d-", "-t-", 5, true},
  };
  int compared = 0, refused = 0, mismatches = 0, quirks = 0;
  for (const Setting &s : settings) {
    ScopedLocale locale(s.decimal, s.thousand, s.grouping, s.leadingZero);
    for (const std::wstring &in : Inputs()) {
      const KOCHAR *src = reinterpret_cast<const KOCHAR *>(in.c_str());
      int fracDigits = 0;
      size_t dot = in.rfind(L'.');
      if (dot != std::wstring::npos) fracDigits = int(in.size() - dot - 1);
      struct Case { const char *name; int digits; bool group; std::wstring ours; };
      KOCHAR buf[256];
      std::vector<Case> cases;
      KoFormatNumber(src, buf, 256);
      cases.push_back({"KoFormatNumber", 0, true, (wchar_t *)buf});
      KoFormatDecimalNumber(src, buf, 256);
      cases.push_back({"KoFormatDecimalNumber", fracDigits, false, (wchar_t *)buf});
      for (int d : {-1, 0, 1, 2, 4}) {
        KoFormatGroupDecimalNumber(src, buf, 256, d);
        cases.push_back({"KoFormatGroupDecimalNumber", d < 0 ? fracDigits : d, true, (wchar_t *)buf});
      }
      for (const Case &c : cases) {
        std::optional<std::wstring> answer = SystemFormat(in, s, c.digits, c.group);
        if (!answer) {
          ++refused;
          continue;
        }
        const std::wstring &sys = *answer;
        ++compared;
        if (c.ours == sys) continue;
        if (WineQuirk(c.ours, sys, s, c.digits)) {
          ++quirks;
          continue;
        }
        if (++mismatches > 20) continue;  // report the first ones only
        EXPECT_EQ(U8((KOCHAR *)c.ours.c_str()), U8((KOCHAR *)sys.c_str()))
            << c.name << " of " << U8((const KOCHAR *)in.c_str()) << " with " << c.digits
            << " digits, decimal '" << s.decimal << "' thousands '" << s.thousand << "' grouping "
            << s.grouping << " leading zero " << s.leadingZero;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(compared, 10000) << "refused " << refused;
  EXPECT_LT(quirks, 100);
  std::printf("compared %d texts with GetNumberFormatW: %d refused by it, %d known Wine differences\n",
              compared, refused, quirks);
}
