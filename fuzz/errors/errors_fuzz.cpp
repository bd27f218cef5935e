// Fuzzes composed messages, details lines and the dumpers. The first byte
// picks the mode: a message for a context (a number, or a format from the
// input) and a code; a details line with a format from the input; a dump
// of an exactly sized copy of the input into an exactly sized output.
#include "../harness.h"
#include "kokernel/koerror.h"

namespace {

size_t Length(const KOCHAR *s) {
  size_t n = 0;
  while (s && s[n]) ++n;
  return n;
}

std::vector<KOCHAR> TextFrom(const uint8_t *data, size_t size) {
  std::vector<KOCHAR> text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<KOCHAR>((data[i] | (data[i + 1] << 8)) ? (data[i] | (data[i + 1] << 8)) : '%'));
  text.push_back(0);
  return text;
}

const KOCHAR kArg[] = {'a', 'r', 'g', 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  const std::vector<KOCHAR> text = TextFrom(data + 4, size - 4);
  if (data[0] % 3 == 0) {
    const UINT_PTR context = data[1] & 1 ? reinterpret_cast<UINT_PTR>(text.data()) : data[1] >> 1;
    const HRESULT code = static_cast<HRESULT>((data[1] & 4 ? 0x8004E000u : 0x80070000u) | data[2] |
                                              ((data[3] & 1u) << 8));
    KOBSTR composed = KoErrorHandler_ComposeErrorText(context, code, data[1] & 2 ? text.data() : nullptr);
    const KOCHAR *message = KoErrorHandler_GetErrorMessage(context, code, data[1] & 2 ? text.data() : nullptr);
    Require(composed && Length(message) < KOERROR_MESSAGE_UNITS &&
          std::memcmp(composed, message, Length(message) * sizeof(KOCHAR)) == 0);
    KoSysFreeString(composed);
  } else if (data[0] % 3 == 1) {
    // A conversion reads at most three arguments; forty serve twelve of them.
    int conversions = 0;
    for (KOCHAR c : text) conversions += c == '%' || c == '$';
    if (conversions > 12) return 0;
    const size_t had = Length(KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr));
    const KOCHAR *a = kArg;
    const HRESULT hr = KoErrorHandler_DetailsAddString(
        1, text.data(), a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a,
        a, a, a, a, a, a, a, a, a, a, a, a, a, a, a);
    const KOCHAR *after = KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr);
    const size_t has = Length(after);
    Require(hr == S_OK ? has >= had + 2 && has * 2 < KOERROR_DETAILS_BYTE_LIMIT && after[has - 1] == '\n'
                     : hr == E_FAIL && has == had);
    if (hr != S_OK) KoErrorHandler_DetailsInit();
  } else {
    const UINT outSize = (data[1] | (data[2] << 8)) % 700;
    std::vector<uint8_t> bytes(data + 4, data + size);
    std::vector<char> out(outSize ? outSize : 1);
    char *dst = outSize ? out.data() : nullptr;
    EXCEPTION_RECORD record{};
    if (!bytes.empty()) std::memcpy(&record, bytes.data(), bytes.size() < sizeof record ? bytes.size() : sizeof record);
    record.ExceptionRecord = nullptr;
    EXCEPTION_POINTERS pointers{&record, nullptr};
    UINT n;
    switch (data[3] % 4) {
      case 0: n = KoErrorHandler_DumpHex(dst, outSize, bytes.data(), static_cast<UINT>(bytes.size())); break;
      case 1: n = KoErrorHandler_DumpHexDWords(dst, outSize, reinterpret_cast<const DWORD *>(bytes.data()),
                                               static_cast<long>(bytes.size() / 4)); break;
      case 2: n = KoErrorHandler_DumpHex(dst, outSize, reinterpret_cast<const void *>(uintptr_t{0x1000}),
                                         static_cast<UINT>(bytes.size())); break;
      default: n = static_cast<UINT>(KoErrorHandler_DumpExceptionRecord(dst, outSize, "fuzz", &pointers, data[1]));
    }
    Require(outSize ? n < outSize && std::strlen(dst) == n : n == 0);
  }
  return 0;
}
