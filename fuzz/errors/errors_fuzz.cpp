// Fuzzes the composed messages, the details lines and the dumpers. Mode 0
// composes a message for a context (a number, or a format taken from the
// input) and a code; mode 1 adds a details line with a format from the
// input; mode 2 dumps a buffer of the input's size into an output of a size
// taken from the input. Outputs live in exactly sized heap blocks so that
// any overrun is caught, and every result is checked against its own text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kokernel/koerror.h"
#include "kokernel/koprintf.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

size_t Length(const KOCHAR *s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

std::vector<KOCHAR> TextFrom(const uint8_t *data, size_t size) {
  std::vector<KOCHAR> text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const KOCHAR c = static_cast<KOCHAR>(data[i] | (data[i + 1] << 8));
    text.push_back(c ? c : static_cast<KOCHAR>(data[i] % 2 ? '%' : '$'));
  }
  text.push_back(0);
  return text;
}

KOCHAR g_arg[64] = {'a', 'r', 'g', 0};

void Compose(const uint8_t *data, size_t size) {
  if (size < 6) return;
  uint32_t code;
  std::memcpy(&code, data + 1, 4);
  const std::vector<KOCHAR> text = TextFrom(data + 5, size - 5);
  const UINT_PTR context = data[0] & 1 ? reinterpret_cast<UINT_PTR>(text.data()) : data[0] >> 1;
  KOBSTR composed = KoErrorHandler_ComposeErrorText(context, static_cast<HRESULT>(code),
                                                    data[0] & 2 ? text.data() : nullptr);
  Check(composed != nullptr);
  const KOCHAR *message = KoErrorHandler_GetErrorMessage(context, static_cast<HRESULT>(code),
                                                         data[0] & 2 ? text.data() : nullptr);
  const size_t n = Length(message);
  Check(n < KOERROR_MESSAGE_UNITS);
  Check(std::memcmp(composed, message, n * sizeof(KOCHAR)) == 0);
#ifdef _WIN32
  SysFreeString(composed);
#else
  KoSysFreeString(composed);
#endif
}

void AddLine(const uint8_t *data, size_t size) {
  const std::vector<KOCHAR> format = TextFrom(data, size);
  // Every conversion reads at most three arguments (a width, a precision and
  // the value); no more conversions than the arguments below can serve.
  int conversions = 0;
  for (KOCHAR c : format) conversions += c == '%' || c == '$';
  if (conversions > 12) return;
  const KOCHAR *before = KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr);
  const size_t had = before ? Length(before) : 0;
  const KOCHAR *a = g_arg;
  const HRESULT hr = KoErrorHandler_DetailsAddString(
      1, format.data(), a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a,
      a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a);
  const KOCHAR *after = KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr);
  const size_t has = after ? Length(after) : 0;
  if (hr == S_OK) {
    Check(has >= had + 2 && has * sizeof(KOCHAR) < KOERROR_DETAILS_BYTE_LIMIT);
    Check(after[has - 2] == '\r' && after[has - 1] == '\n');
  } else {
    Check(hr == E_FAIL && has == had);
    KoErrorHandler_DetailsInit();
  }
}

void Dump(const uint8_t *data, size_t size) {
  if (size < 3) return;
  const UINT outSize = (data[1] | (data[2] << 8)) % 700;
  std::vector<uint8_t> bytes(data + 3, data + size);  // exactly sized
  std::vector<char> out(outSize ? outSize : 1);
  char *dst = outSize ? out.data() : nullptr;
  UINT n;
  switch (data[0] % 4) {
    case 0: n = KoErrorHandler_DumpHex(dst, outSize, bytes.data(), static_cast<UINT>(bytes.size())); break;
    case 1: n = KoErrorHandler_DumpHexDWords(dst, outSize, reinterpret_cast<const DWORD *>(bytes.data()),
                                             static_cast<long>(bytes.size() / 4));
      break;
    case 2: n = KoErrorHandler_DumpHex(dst, outSize, reinterpret_cast<const void *>(uintptr_t{0x1000}),
                                       static_cast<UINT>(bytes.size()));
      break;
    default: {
      EXCEPTION_RECORD record{};
      std::memcpy(&record, bytes.data(), bytes.size() < sizeof record ? bytes.size() : sizeof record);
      record.ExceptionRecord = nullptr;
      EXCEPTION_POINTERS pointers{&record, nullptr};
      n = static_cast<UINT>(KoErrorHandler_DumpExceptionRecord(dst, outSize, "fuzz", &pointers, data[1]));
    }
  }
  if (outSize == 0) {
    Check(n == 0);
    return;
  }
  Check(n < outSize && std::strlen(dst) == n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  switch (data[0] % 3) {
    case 0: Compose(data + 1, size - 1); break;
    case 1: AddLine(data + 1, size - 1); break;
    default: Dump(data + 1, size - 1); break;
  }
  return 0;
}
