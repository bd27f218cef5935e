// Profile text of colours and numbers: what the private-profile readers and
// writers put into and take out of a profile value.
#include <cstring>

#include "kokernel/konumtext.h"
#include "kokernel/koprintf.h"
#include "ui/ui_internal.h"

namespace ko::ui {
namespace {

constexpr size_t kValueUnits = 127;  // a profile colour value is read up to here

}  // namespace

bool ReadProfileColour(const KOCHAR *text, uint32_t *colour) {
  *colour = kNotAColour;
  if (!text) return false;
  KOCHAR value[kValueUnits + 1];
  size_t n = 0;
  while (n < kValueUnits && text[n]) {
    value[n] = text[n];
    ++n;
  }
  value[n] = 0;
  // "RGB(r,g,b)", "#rrggbb", "0x..." or a decimal number, after blanks.
  KOCSTR end = value;
  const uint32_t c = KoTextToColorrefTokenEx(value, kNotAColour, &end);
  if (end == value) return false;
  *colour = c == 0xFFFFFFFFu ? kNotAColour : c;
  return true;
}

size_t ColourProfileText(uint32_t colour, uint32_t form, KOCHAR *out) {
  const int n = KoColorrefToText(out, static_cast<int>(kProfileNumberUnits), colour, form);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool IntProfileText(int value, bool localized, KOCHAR *out) {
  UINT length = 0;
  return SUCCEEDED(KoCchPrintF(out, kProfileNumberUnits, &length,
                               localized ? KOTEXT("$d") : KOTEXT("%d"), value));
}

bool DWordProfileText(uint32_t value, KOCHAR *out) {
  UINT length = 0;
  // "%#010x" of a nonzero value; zero keeps its prefix too.
  return SUCCEEDED(KoCchPrintF(out, kProfileNumberUnits, &length, KOTEXT("0x%08x"), value));
}

bool DoubleProfileText(double value, bool localized, const KOCHAR *format, KOCHAR *out) {
  UINT length = 0;
  if (!format || !*format) format = localized ? KOTEXT("$.6f") : KOTEXT("%.6f");
  const HRESULT hr = KoCchPrintF(out, kProfileNumberUnits, &length, format, value);
  if (FAILED(hr)) out[0] = 0;
  return SUCCEEDED(hr);
}

}  // namespace ko::ui
