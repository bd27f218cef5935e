// The floating-point conversions against glibc's swprintf, which prints the
// same text as the C99 formatter with exact decimal conversion and ties to
// even: thousands of generated specifications over doubles at rounding ties,
// denormals, infinities and NaN. Integer and text conversions are compared
// with FormatMessageW in the shipped target.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include "printf_test_util.h"

using kotest::U8;

namespace {

std::string Glibc(const std::wstring &fmt, ...) {
  static wchar_t buf[1 << 15];
  va_list args;
  va_start(args, fmt);
  int n = vswprintf(buf, sizeof buf / sizeof buf[0], fmt.c_str(), args);
  va_end(args);
  return n < 0 ? "<glibc failed>" : U8(ko::kostring(buf, buf + n));  // BMP texts only
}

std::string Ours(const std::string &fmt, ...) {
  static KOCHAR buf[1 << 15];
  ko::kostring f = ko::Utf8ToUtf16(fmt.c_str());
  va_list args;
  va_start(args, fmt);
  UINT len = 0;
  HRESULT hr = KoNVPrintF(buf, sizeof buf / sizeof buf[0], &len, f.c_str(), args);
  va_end(args);
  if (hr != S_OK) return "<failed>";
  std::string s = U8(buf);
  if (len != ko::WideLength(buf)) s += "<length>";
  return s;
}

std::wstring Wide(const std::string &s) { return std::wstring(s.begin(), s.end()); }

struct Generated { std::string flags, width, precision; };

Generated RandomSpec(std::mt19937_64 &rng, int maxPrecision) {
  static const char kFlags[] = "-+ 0#";
  Generated g;
  int nf = rng() % 4;
  for (int i = 0; i < nf; ++i) g.flags += kFlags[rng() % 5];
  if (rng() % 3) g.width = std::to_string(rng() % 30);
  if (g.width == "0") g.width.clear();  // "0" would be a flag
  switch (rng() % 4) {
    case 0: break;
    case 1: g.precision = "."; break;
    default: g.precision = "." + std::to_string(rng() % (maxPrecision + 1)); break;
  }
  return g;
}

// Doubles that stress the conversion: ties, limits, denormals, specials.
double InterestingDouble(std::mt19937_64 &rng) {
  static const double kSpecial[] = {0.0, -0.0, DBL_MIN, DBL_MAX, -DBL_MAX, 4.9406564584124654e-324,
                                    2.2250738585072009e-308, 1.0, 0.1, 0.5, 9.5, 99.5, 999.5, 0.05, 0.005,
                                    1e15, 1e16, 1e17, 1e21, 1e22, 1e23, 1e-5, 9.9999999999999995e-5, 0.0001,
                                    123456789012345678.0, INFINITY, -INFINITY, std::nan(""), -std::nan("")};
  uint64_t bits = rng();
  double d;
  switch (rng() % 12) {
    case 0:  // k + 1/2^j: exact binary ties at various decimal positions
      return (static_cast<double>(rng() % 2000) + 0.5) / std::ldexp(1.0, rng() % 12) * (rng() % 2 ? -1 : 1);
    case 1:  // n * 5 * 10^-j: decimal ties near representable values
      return static_cast<double>(rng() % 100000) * 5 / std::pow(10.0, rng() % 8);
    case 2:  // denormals
      bits &= (uint64_t{1} << 52) - 1;
      std::memcpy(&d, &bits, 8);
      return rng() % 2 ? d : -d;
    case 3: return kSpecial[rng() % (sizeof kSpecial / sizeof kSpecial[0])];
    case 4: {  // powers of ten and their neighbours
      const double p = std::pow(10.0, static_cast<int>(rng() % 600) - 300);
      const int step = static_cast<int>(rng() % 3) - 1;
      return step ? std::nextafter(p, step > 0 ? INFINITY : 0.0) : p;
    }
    case 5: return std::ldexp(1.0, static_cast<int>(rng() % 2098) - 1074);  // 2^k, integers beyond 2^53
    default:  // any finite bit pattern, half of them scaled near 1
      do std::memcpy(&d, &(bits = rng()), 8);
      while (!std::isfinite(d));
      int e;
      return rng() % 2 ? std::ldexp(std::frexp(d, &e), static_cast<int>(rng() % 80) - 40) : d;
  }
}

}  // namespace

TEST(StandardConversions, DoublesMatchGlibc) {
  std::mt19937_64 rng(67890);
  static const char *kConv = "eEfgG";
  int failures = 0;
  for (int i = 0; i < 40000 && failures < 20; ++i) {
    Generated g = RandomSpec(rng, i % 50 == 0 ? 400 : 20);
    char conv = kConv[rng() % 5];
    const char *size = rng() % 8 == 0 ? "l" : "";
    double v = InterestingDouble(rng);
    if (conv == 'f' && std::fabs(v) > 1e60 && i % 50) v = std::fmod(v, 1e30);  // keep most texts short
    std::string spec = "[%" + g.flags + g.width + g.precision + size + conv + "]";
    std::string a = Ours(spec, v);
    std::string b = Glibc(Wide(spec), v);
    if ((conv == 'g' || conv == 'G') && g.flags.find('#') != std::string::npos && std::isfinite(v)) {
      // glibc 2.36 drops a digit from "#" g-style text when rounding carries
      // into the exponent form ("%#.2g" of 99.5 gives "1.e+02"). C99 says:
      // with P significant digits and X the exponent of the rounded value,
      // exponent form takes P - 1 decimals, so derive the text from "%#e".
      int p = g.precision.empty() ? 6 : g.precision.size() == 1 ? 0 : std::stoi(g.precision.substr(1));
      if (p == 0) p = 1;
      std::string e = Glibc(Wide("%." + std::to_string(p - 1) + "e"), v);
      int x = std::stoi(e.substr(e.find('e') + 1));
      if (v != 0 && (x < -4 || x >= p)) {
        std::string alt = "[%" + g.flags + g.width + "." + std::to_string(p - 1) + (conv == 'g' ? "e" : "E") + "]";
        b = Glibc(Wide(alt), v);
      }
    }
    if (a != b) {
      ++failures;
      char hex[64];
      std::snprintf(hex, sizeof hex, "%a", v);
      ADD_FAILURE() << spec << " of " << hex << ": ours " << a << " glibc " << b;
    }
  }
}
