// Number and hexadecimal readers, re-formatters and name fix-ups on any text.
#include "../harness.h"
#include "kokernel/konumtext.h"
#include "text/locale_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  // The first byte picks the locale and a capacity; the rest is the text.
  const uint8_t control = data[0];
  ko::text::LocaleSettings s = ko::text::DefaultLocaleSettings();
  if (control & 1) {
    s.decimalSeparator[0] = ',';
    s.thousandSeparator[0] = '.';
  }
  if (control & 2) {
    s.thousandSeparator[0] = 0xA0;
    s.negativeSign[0] = 0x2212;
  }
  s.grouping = (control >> 2) & 7;
  s.leadingZero = control & 32;
  ko::text::SetLocaleSettings(s);
  FuzzText t(data + 1, size - 1);
  const int capacity = (control >> 6) * 7 + static_cast<int>(t.length % 5);

  KOCSTR end = nullptr;
  KoTextToDWordToken(t.c_str(), &end), Require(t.Holds(end));
  KoTextToDWordTokenEx(t.c_str(), 1, 0, 100, &end), Require(t.Holds(end));
  KoTextToDWordLongToken(t.c_str(), &end), Require(t.Holds(end));
  KoTextToLongToken(t.c_str(), &end), Require(t.Holds(end));
  KoTextToLongLongTokenEx(t.c_str(), 1, -5, 5, &end), Require(t.Holds(end));
  KoHexToDWordToken(t.c_str(), &end), Require(t.Holds(end));
  KoHexToDWordLongTokenEx(t.c_str(), 1, 0, 100, &end), Require(t.Holds(end));
  KoTextToDoubleToken(t.c_str(), &end, TRUE), Require(t.Holds(end));
  KoTextToDoubleTokenEx(t.c_str(), 1, -1e9, 1e9, &end, FALSE), Require(t.Holds(end));

  Bounded(capacity, [&](KOCHAR *d, int c) { return KoFormatNumber(t.c_str(), d, c); });
  Bounded(capacity, [&](KOCHAR *d, int c) { return KoFormatDecimalNumber(t.c_str(), d, c); });
  Bounded(capacity, [&](KOCHAR *d, int c) { return KoFormatGroupDecimalNumber(t.c_str(), d, c, (control & 7) - 2); });
  Bounded(capacity, [&](KOCHAR *d, int c) { return KoFixNameForMenu(d, t.c_str(), c); });
  Bounded(capacity, [&](KOCHAR *d, int c) {
    std::vector<KOCHAR> right(capacity > 0 ? capacity : 1);
    KoChannelizeStereoName(t.c_str(), d, c, capacity > 0 ? right.data() : nullptr, c);
    return 0;
  });
  Bounded(capacity, [&](KOCHAR *d, int c) { return KoPrepareName(t.c_str(), d, c) ? 0 : 0; });
  // Numbers read from the text feed the writers too.
  const double v = KoTextToDoubleToken(t.c_str(), nullptr, FALSE);
  Bounded(capacity, [&](KOCHAR *d, int c) { return KoDoubleToTextN(d, c, v, control & 15, control & 16); });
  Bounded(capacity, [&](KOCHAR *d, int c) {
    return KoLongLongToTextN(KoTextToLongLongToken(t.c_str(), nullptr), d, c, control & 16);
  });
  Bounded(capacity, [&](KOCHAR *d, int c) {
    return KoFormatFileSize(KoTextToLongLongToken(t.c_str(), nullptr), d, c, control & 16);
  });
  std::vector<KOCHAR> copy(t.storage);
  KoStripWhiteSpace(copy.data());
  return 0;
}
