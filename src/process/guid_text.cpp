// GUID text in both directions: "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
#include <cstring>

#include "kokernel/koprocess.h"

namespace {

constexpr int kGuidUnits = 36;
constexpr char kDigits[] = "0123456789abcdef";

// The 16 bytes in text order: Data1..Data3 most significant digit first,
// then Data4 as written.
void TextOrder(const GUID &g, uint8_t out[16]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(g.Data1 >> (24 - 8 * i));
  out[4] = static_cast<uint8_t>(g.Data2 >> 8);
  out[5] = static_cast<uint8_t>(g.Data2);
  out[6] = static_cast<uint8_t>(g.Data3 >> 8);
  out[7] = static_cast<uint8_t>(g.Data3);
  std::memcpy(out + 8, g.Data4, 8);
}

bool IsDash(int position) {
  return position == 8 || position == 13 || position == 18 || position == 23;
}

int HexValue(KOCHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

extern "C" HRESULT KoGuidToString(const GUID *guid, KOSTR text, int cch) {
  if (!text || cch < 1) return S_OK;
  KOCHAR full[kGuidUnits];
  uint8_t bytes[16] = {};
  if (guid) TextOrder(*guid, bytes);
  int b = 0;
  for (int pos = 0; pos < kGuidUnits; ++pos) {
    if (IsDash(pos)) {
      full[pos] = '-';
      continue;
    }
    full[pos] = static_cast<KOCHAR>(kDigits[bytes[b] >> 4]);
    full[++pos] = static_cast<KOCHAR>(kDigits[bytes[b] & 15]);
    ++b;
  }
  const int n = cch - 1 < kGuidUnits ? cch - 1 : kGuidUnits;
  for (int i = 0; i < n; ++i) text[i] = full[i];
  text[n] = 0;
  return S_OK;
}

extern "C" HRESULT KoGuidFromString(KOCSTR text, GUID *guid) {
  if (!text || !guid) return E_FAIL;
  uint8_t bytes[16];
  int b = 0;
  for (int pos = 0; pos < kGuidUnits; ++pos) {
    if (IsDash(pos)) {
      if (text[pos] != '-') return E_FAIL;
      continue;
    }
    const int hi = HexValue(text[pos]);
    if (hi < 0) return E_FAIL;
    const int lo = HexValue(text[++pos]);
    if (lo < 0) return E_FAIL;
    bytes[b++] = static_cast<uint8_t>(hi << 4 | lo);
  }
  if (text[kGuidUnits] != 0) return E_FAIL;
  GUID g;
  g.Data1 = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  g.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(g.Data4, bytes + 8, 8);
  *guid = g;
  return S_OK;
}
