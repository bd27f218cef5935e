// Byte sizes as text.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kokernel/konumtext.h"
#include "text/numbers_internal.h"

using namespace ko::numtext;

namespace {

constexpr int kPlainCapacity = 64;

// "<size>" below 1024, otherwise "$.2f" of the scaled size and a unit.
int ByteSizeText(LONGLONG size, KOCHAR *dst, const char *unitSep, bool bytesWord) {
  TextSink sink(dst, kPlainCapacity);
  if (!sink.capacity) return 0;
  char text[64];
  if (size < 1024) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(size));
    sink.PutAscii(text);
    if (bytesWord) sink.PutAscii(" bytes");
    return sink.Finish();
  }
  double v;
  const char *unit;
  if (size < 1024000) {
    v = static_cast<double>(size) / 1024.0;
    if (v < 0.01) v = 0.01;
    unit = "KB";
  } else if (size < 1024000000) {
    v = static_cast<double>(size) / 1024000.0;
    unit = "MB";
  } else {
    v = static_cast<double>(size) / 1024000000.0;
    unit = "GB";
  }
  std::snprintf(text, sizeof text, "%.2f", v);
  PutLocaleNumber(text, true, sink);
  sink.PutAscii(unitSep);
  sink.PutAscii(unit);
  return sink.Finish();
}

// Three significant digits, cut rather than rounded, with the user's
// decimal separator.
void ScaledNumber(double v, TextSink &out) {
  char text[64];
  if (v >= 100) {
    std::snprintf(text, sizeof text, "%.0f", std::floor(v));
    PutLocaleNumber(text, true, out);
    return;
  }
  double shown = v >= 10 ? std::trunc(v * 10) / 10 + 0.01 : std::trunc(v * 100) / 100 + 0.001;
  std::snprintf(text, sizeof text, "%.4g", shown);
  KOCHAR local[64];
  TextSink sink(local, 64);
  PutLocaleNumber(text, false, sink);
  sink.Finish();
  // Four characters hold three digits and the separator; without a leading
  // zero the text starts with the separator and holds two digits.
  const KOCHAR *sep = CurrentLocaleSettings().decimalSeparator;
  int sepLen = 0;
  while (sep[sepLen]) ++sepLen;
  bool startsWithSep = sepLen > 0;
  for (int i = 0; i < sepLen; ++i)
    if (local[i] != sep[i]) startsWithSep = false;
  int keep = startsWithSep ? 2 + sepLen : 3 + (sepLen ? sepLen : 1);
  if (sink.length > keep) local[keep] = 0;
  out.Put(local);
}

}  // namespace

extern "C" int KoGetByteSizeText(LONGLONG size, KOCHAR *dst) { return ByteSizeText(size, dst, "", false); }

extern "C" int KoGetByteSizeTextWithSpace(LONGLONG size, KOCHAR *dst) {
  return ByteSizeText(size, dst, " ", false);
}

extern "C" int KoGetByteSizeText2(LONGLONG size, KOCHAR *dst) { return ByteSizeText(size, dst, " ", true); }

extern "C" int KoFormatFileSize(LONGLONG size, KOCHAR *dst, int capacity, BOOL longUnits) {
  TextSink sink(dst, capacity);
  if (!sink.capacity) return 0;
  if (size < 0) size = 0;
  if (size >= 0x7000000000000000LL) {
    sink.Put(SizeUnitText(SizeText::kTooBig));
    return sink.Finish();
  }
  KOCHAR number[64];
  TextSink num(number, 64);
  SizeText unit;
  if (size < 999) {
    char text[16];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(size));
    num.PutAscii(text);
    unit = longUnits ? SizeText::kBytesLong : SizeText::kBytesShort;
  } else {
    static constexpr SizeText kUnits[] = {SizeText::kKB, SizeText::kMB, SizeText::kGB,
                                          SizeText::kTB, SizeText::kPB};
    double v = 0;
    unit = SizeText::kEB;
    for (int i = 0; i < 5; ++i) {
      if (size < 999LL << (10 * (i + 1))) {
        v = static_cast<double>(size) / static_cast<double>(1LL << (10 * (i + 1)));
        unit = kUnits[i];
        break;
      }
    }
    if (unit == SizeText::kEB) v = static_cast<double>(size) / static_cast<double>(1LL << 50) / 1024.0;
    ScaledNumber(v, num);
  }
  num.Finish();
  // Fill the "%1" placeholder of the unit text.
  for (const KOCHAR *p = SizeUnitText(unit); *p; ++p) {
    if (p[0] == '%' && p[1] == '1') {
      sink.Put(number);
      ++p;
    } else {
      sink.Put(*p);
    }
  }
  return sink.Finish();
}
