// Number and hexadecimal readers, re-formatters and name fix-ups on any text.
#include <cstdlib>
#include <vector>

#include "fuzz_text.h"
#include "kokernel/konumtext.h"
#include "text/locale_settings.h"

namespace {

void CheckEnd(const FuzzText &t, KOCSTR end) {
  if (!t.Holds(end)) std::abort();
}

// A bounded writer gets a heap buffer of exactly its capacity.
template <class F>
void Bounded(int capacity, F f) {
  std::vector<KOCHAR> out(capacity > 0 ? capacity : 1);
  int n = f(capacity > 0 ? out.data() : nullptr, capacity);
  if (n < 0 || (capacity > 0 && n >= capacity)) std::abort();
}

}  // namespace

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
  KoTextToDWordToken(t.c_str(), &end), CheckEnd(t, end);
  KoTextToDWordTokenEx(t.c_str(), 1, 0, 100, &end), CheckEnd(t, end);
  KoTextToDWordLongToken(t.c_str(), &end), CheckEnd(t, end);
  KoTextToLongToken(t.c_str(), &end), CheckEnd(t, end);
  KoTextToLongLongTokenEx(t.c_str(), 1, -5, 5, &end), CheckEnd(t, end);
  KoHexToDWordToken(t.c_str(), &end), CheckEnd(t, end);
  KoHexToDWordLongTokenEx(t.c_str(), 1, 0, 100, &end), CheckEnd(t, end);
  KoTextToDoubleToken(t.c_str(), &end, TRUE), CheckEnd(t, end);
  KoTextToDoubleTokenEx(t.c_str(), 1, -1e9, 1e9, &end, FALSE), CheckEnd(t, end);

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
