// The settings store against the real registry (Wine's, in the test prefix).
// Every value written through the store is read back with the plain Win32
// registry functions, which are the independent check of names, types and
// bytes. All keys live under a vendor key unique to this run, deleted at the
// end; the few tests that need the default vendor use an application name
// unique to this run and delete it too.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <shlwapi.h>
#include <string>
#include <vector>

#include "kokernel/kometric.h"
#include "settings/metric_path.h"

namespace {

using std::wstring;

wstring Unique(const wchar_t *prefix) {
  wchar_t text[96];
  swprintf(text, 96, L"%ls %lu-%lu", prefix, GetCurrentProcessId(), GetTickCount());
  return text;
}

const wstring &Vendor() {
  static const wstring vendor = Unique(L"KoTest Vendor");
  return vendor;
}

const wstring &DefaultVendorApp() {
  static const wstring app = Unique(L"KoTest App");
  return app;
}

const wchar_t kDefaultVendor[] = L"Corvane Creative Software";

bool KeyExists(HKEY root, const wstring &path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKey(HKEY root, const wstring &path) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS)
      << "creating " << std::string(path.begin(), path.end());
  RegCloseKey(key);
}

struct RawValue {
  bool found = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

// Reads a value with RegQueryValueExW.
RawValue ReadRaw(const wstring &path, const wstring &name) {
  RawValue v;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.bytes.resize(size);
    DWORD got = size;
    v.found = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, v.bytes.data(), &got) ==
              ERROR_SUCCESS;
    v.bytes.resize(got);
  }
  RegCloseKey(key);
  return v;
}

void WriteRaw(const wstring &path, const wstring &name, DWORD type, const void *data, DWORD bytes) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE *>(data), bytes),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::vector<BYTE> Bytes(const void *p, size_t n) {
  auto *b = static_cast<const BYTE *>(p);
  return std::vector<BYTE>(b, b + n);
}

std::string Narrow(const wstring &w) { return std::string(w.begin(), w.end()); }

// Removes everything this run wrote, and checks that it is gone.
class RegistryCleanup : public ::testing::Environment {
 public:
  void SetUp() override { vendorExisted_ = KeyExists(HKEY_CURRENT_USER, DefaultVendorKey()); }
  void TearDown() override {
    wstring vendor = L"Software\\" + Vendor();
    RegDeleteTreeW(HKEY_CURRENT_USER, vendor.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, vendor.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, vendor.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, vendor.c_str());
    wstring app = DefaultVendorKey() + L"\\" + DefaultVendorApp();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegDeleteTreeW(root, app.c_str());
      RegDeleteKeyW(root, app.c_str());
      if (!vendorExisted_) RegDeleteKeyW(root, DefaultVendorKey().c_str());
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, vendor));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, vendor));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, app));
  }
  static wstring DefaultVendorKey() { return wstring(L"Software\\") + kDefaultVendor; }

 private:
  bool vendorExisted_ = false;
};

const auto *const g_cleanup = ::testing::AddGlobalTestEnvironment(new RegistryCleanup);

// A store opened on an application of its own under the run's vendor key.
class Metric : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    app_.assign(name.begin(), name.end());
    path_ = L"Software\\" + Vendor() + L"\\" + app_ + L"\\3.1\\Metrics";
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h_, app_.c_str(), KOMETRIC_VERSION(3, 1),
                                             Vendor().c_str(), nullptr),
              S_OK);
    ASSERT_NE(h_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(KoMetric_Close(h_), S_OK);
    wstring appKey = L"Software\\" + Vendor() + L"\\" + app_;
    RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, appKey.c_str());
  }
  wstring app_;
  wstring path_;
  HKOMETRIC h_ = nullptr;
};

// A handle whose key could not be opened: the path is longer than a key path.
HKOMETRIC KeylessHandle() {
  HKOMETRIC h = nullptr;
  wstring path = L"Software\\" + Vendor() + L"\\" + wstring(120, L'k') + L"\\" + wstring(120, L'k');
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, path.c_str(), L"Sub"), KO_E_BUFFERTOOSMALL);
  EXPECT_NE(h, nullptr);
  return h;
}

// ---- key paths -------------------------------------------------------------------

TEST(MetricPath, FormatsLikePrintfAndCutsAt259Units) {
  using ko::settings::FormatKeyPath;
  wchar_t out[ko::settings::kPathUnits + 8];
  wchar_t expected[600];
  swprintf(expected, 600, L"Software\\%ls\\%ls\\%d.%d\\Metrics", L"Vend", L"App", 15, 2);
  EXPECT_TRUE(FormatKeyPath(out, L"Software\\%s\\%s\\%d.%d\\Metrics", {L"Vend", L"App", 15, 2}));
  EXPECT_STREQ(out, expected);
  swprintf(expected, 600, L"%d|%d|%d", 0, -2147483647 - 1, 255);
  EXPECT_TRUE(FormatKeyPath(out, L"%d|%d|%d", {0, -2147483647 - 1, 255}));
  EXPECT_STREQ(out, expected);

  // Exactly 259 units fit; one more is dropped, whatever piece it is in.
  wstring a(250, L'a');
  for (int extra = 7; extra <= 12; ++extra) {
    wstring b(extra, L'b');
    for (size_t i = 0; i < sizeof out / sizeof out[0]; ++i) out[i] = L'#';
    bool complete = FormatKeyPath(out, L"%s\\%s", {a.c_str(), b.c_str()});
    wstring full = a + L"\\" + b;
    EXPECT_EQ(complete, full.size() <= 259) << "extra " << extra;
    EXPECT_EQ(wstring(out), full.substr(0, 259)) << "extra " << extra;
    EXPECT_EQ(out[260], L'#') << "wrote past the path, extra " << extra;
  }
  wstring longNumber(255, L'x');
  EXPECT_FALSE(FormatKeyPath(out, L"%s%d", {longNumber.c_str(), 123456}));
  EXPECT_EQ(wstring(out), longNumber + L"1234");
}

TEST(MetricOpen, VersionSelectsThePathSegment) {
  struct Case {
    uint32_t version;
    const wchar_t *segment;
  } cases[] = {{0x0F020000u, L"\\15.2"}, {0x0000FFFFu, L""}, {0x00FF0000u, L""},
               {0x01000000u, L"\\1.0"}, {0xFFFFFFFFu, L"\\255.255"}};
  for (const Case &c : cases) {
    wstring app = L"Versions";
    wstring expected = L"Software\\" + Vendor() + L"\\" + app + c.segment + L"\\Metrics";
    HKOMETRIC h = nullptr;
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h, app.c_str(), c.version, Vendor().c_str(), L""),
              S_OK);
    EXPECT_EQ(KoSetMetric(h, 1, c.version), S_OK);
    RawValue v = ReadRaw(expected, L"1");
    EXPECT_TRUE(v.found) << Narrow(expected);
    EXPECT_EQ(v.bytes, Bytes(&c.version, 4)) << Narrow(expected);
    EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, expected)) << Narrow(expected);
  }
  wstring appKey = L"Software\\" + Vendor() + L"\\Versions";
  RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
}

TEST(MetricOpen, SubKeyAndDefaultVendor) {
  HKOMETRIC h = nullptr;
  ASSERT_EQ(KoMetric_Open(&h, DefaultVendorApp().c_str(), KOMETRIC_VERSION(2, 0), L"Panels"), S_OK);
  EXPECT_EQ(KoSetMetricString(h, 4, L"x"), S_OK);
  wstring path =
      RegistryCleanup::DefaultVendorKey() + L"\\" + DefaultVendorApp() + L"\\2.0\\Metrics\\Panels";
  EXPECT_TRUE(ReadRaw(path, L"S4").found) << Narrow(path);
  EXPECT_EQ(KoMetric_Close(h), S_OK);

  // A key path given whole, with and without a sub-key.
  wstring base = L"Software\\" + Vendor() + L"\\Direct";
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, base.c_str(), L"One\\Two"), S_OK);
  EXPECT_EQ(KoSetMetric(h, 5, 55), S_OK);
  EXPECT_TRUE(ReadRaw(base + L"\\One\\Two", L"5").found);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, base.c_str(), nullptr), S_OK);
  EXPECT_EQ(KoSetMetric(h, 6, 66), S_OK);
  EXPECT_TRUE(ReadRaw(base, L"6").found);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, base.c_str());
}

TEST(MetricOpen, RefusesBadArgumentsAndPathsThatDoNotFit) {
  HKOMETRIC h = reinterpret_cast<HKOMETRIC>(1);
  EXPECT_EQ(KoMetric_OpenAppVersion(nullptr, L"Software\\x", nullptr), E_POINTER);
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(h, nullptr);
  h = reinterpret_cast<HKOMETRIC>(1);
  EXPECT_EQ(KoMetric_Open(&h, nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(KoMetric_OpenRegHiveAndVersion(&h, L"a", 0, nullptr, nullptr), E_INVALIDARG);

  // An empty path would be the root of the user's hive: refused, but the
  // handle is returned and must be closed.
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, L"", nullptr), E_INVALIDARG);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KoSetMetric(h, 1, 1), E_FAIL);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);

  // 259 units open; 260 do not, and the cut path is neither created nor
  // deleted on close.
  wstring parent = L"Software\\" + Vendor() + L"\\Long";
  wstring fits = parent + L"\\" + wstring(200, L'p');
  fits += L"\\" + wstring(259 - fits.size() - 1, L'q');
  ASSERT_EQ(fits.size(), 259u);
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, fits.c_str(), nullptr), S_OK);
  EXPECT_EQ(KoSetMetric(h, 1, 1), S_OK);
  EXPECT_TRUE(ReadRaw(fits, L"1").found);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  wstring cut = fits.substr(0, 258);
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, cut.c_str(), L"Z"), KO_E_BUFFERTOOSMALL);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KoSetMetric(h, 1, 1), E_FAIL);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, fits)) << "a cut path must not be deleted";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, cut));
  wstring longApp(300, L'n');
  EXPECT_EQ(KoMetric_OpenRegHiveAndVersion(&h, longApp.c_str(), 0, Vendor().c_str(), nullptr),
            KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  RegDeleteTreeW(HKEY_CURRENT_USER, parent.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str());
}

TEST(MetricOpen, RegistryErrorsComeBackAsWin32Codes) {
  // A volatile key takes no lasting sub-keys: the open fails with the
  // registry's error, and the handle still has to be closed.
  wstring parent = L"Software\\" + Vendor() + L"\\Volatile";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  HKEY probe;
  LONG error = RegCreateKeyW(HKEY_CURRENT_USER, (parent + L"\\Probe").c_str(), &probe);
  ASSERT_NE(error, ERROR_SUCCESS) << "the registry took a lasting key under a volatile one";
  HKOMETRIC h = nullptr;
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, parent.c_str(), L"Child"),
            static_cast<HRESULT>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu)));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KoGetMetricEx(h, 1, 0, 0, 17), 17u);
  EXPECT_EQ(KoSetMetric(h, 1, 1), E_FAIL);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str());
}

TEST(MetricOpen, SubKeySiblingUnderTheSameMetricsKey) {
  wstring metrics = L"Software\\" + Vendor() + L"\\Siblings\\1.0\\Metrics";
  HKOMETRIC a = nullptr, b = nullptr;
  ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&a, L"Siblings", KOMETRIC_VERSION(1, 0),
                                           Vendor().c_str(), L"A"),
            S_OK);
  ASSERT_EQ(KoMetric_OpenSubKey(&b, a, L"B"), S_OK);
  EXPECT_EQ(KoSetMetric(b, 2, 22), S_OK);
  EXPECT_TRUE(ReadRaw(metrics + L"\\B", L"2").found);
  HKOMETRIC c = nullptr;
  ASSERT_EQ(KoMetric_OpenSubKey(&c, b, nullptr), S_OK);
  EXPECT_EQ(KoSetMetric(c, 3, 33), S_OK);
  EXPECT_TRUE(ReadRaw(metrics, L"3").found);
  EXPECT_EQ(KoMetric_Close(c), S_OK);
  EXPECT_EQ(KoMetric_Close(b), S_OK);
  EXPECT_EQ(KoMetric_Close(a), S_OK);

  // Names that hold "Metrics" themselves: the sibling is still taken from
  // the Metrics key of the application.
  for (const wchar_t *app : {L"MetricsLab", L"Metrics"}) {
    wstring appMetrics = L"Software\\" + Vendor() + L"\\" + app + L"\\Metrics";
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&a, app, 0, Vendor().c_str(), L"Metrics\\A"), S_OK);
    ASSERT_EQ(KoMetric_OpenSubKey(&b, a, L"B"), S_OK);
    EXPECT_EQ(KoSetMetric(b, 4, 44), S_OK);
    EXPECT_TRUE(ReadRaw(appMetrics + L"\\B", L"4").found) << Narrow(app);
    EXPECT_EQ(KoMetric_Close(b), S_OK);
    EXPECT_EQ(KoMetric_Close(a), S_OK);
  }

  // No "\Metrics" in the parent's path (here one that fills the path
  // buffer): refused.
  wstring plain = L"Software\\" + Vendor() + L"\\Plain";
  wstring full = plain + L"\\" + wstring(259 - plain.size() - 1, L'm');
  ASSERT_EQ(KoMetric_OpenAppVersion(&a, full.c_str(), nullptr), S_OK);
  b = reinterpret_cast<HKOMETRIC>(1);
  EXPECT_EQ(KoMetric_OpenSubKey(&b, a, L"B"), E_INVALIDARG);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(a), S_OK);
  ASSERT_EQ(KoMetric_OpenAppVersion(&a, plain.c_str(), L"Metrics"), S_OK);
  EXPECT_EQ(KoMetric_OpenSubKey(&b, a, L"B"), E_INVALIDARG) << "\\Metrics in the sub-key only";
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(a), S_OK);
  EXPECT_EQ(KoMetric_OpenSubKey(&b, nullptr, L"B"), E_FAIL);
  EXPECT_EQ(KoMetric_OpenSubKey(&b, KOMETRIC_DEFAULT_STORE, L"B"), E_FAIL);
  EXPECT_EQ(KoMetric_OpenSubKey(nullptr, a, L"B"), E_POINTER);
}

// ---- value names ------------------------------------------------------------------

TEST_F(Metric, IdentifierSignDoesNotChangeTheValueName) {
  const uint32_t number = 0xA1B2C3D4u;
  const BYTE blob[3] = {9, 8, 7};
  const wchar_t multi[] = L"m\0n\0";
  ASSERT_EQ(KoSetMetric(h_, -7, number), S_OK);
  ASSERT_EQ(KoSetMetricString(h_, -7, L"seven"), S_OK);
  ASSERT_EQ(KoSetMetricBinary(h_, -7, blob, 3), S_OK);
  ASSERT_EQ(KoSetMetricMultiString(h_, -7, multi, 5), S_OK);

  struct Expect {
    const wchar_t *name;
    DWORD type;
    std::vector<BYTE> bytes;
  } expects[] = {{L"7", REG_DWORD, Bytes(&number, 4)},
                 {L"S7", REG_SZ, Bytes(L"seven", 12)},
                 {L"B7", REG_BINARY, Bytes(blob, 3)},
                 {L"Z7", REG_MULTI_SZ, Bytes(multi, 10)}};
  for (const Expect &e : expects) {
    RawValue v = ReadRaw(path_, e.name);
    EXPECT_TRUE(v.found) << Narrow(e.name);
    EXPECT_EQ(v.type, e.type) << Narrow(e.name);
    EXPECT_EQ(v.bytes, e.bytes) << Narrow(e.name);
  }
  EXPECT_EQ(KoGetMetric(h_, 7), number);
  wchar_t text[16];
  EXPECT_EQ(KoGetMetricStringEx(h_, 7, text, 16, nullptr, FALSE), 5);
  EXPECT_STREQ(text, L"seven");
  BYTE back[3];
  EXPECT_EQ(KoGetMetricBinary(h_, 7, back, 3), 3u);
  EXPECT_EQ(Bytes(back, 3), Bytes(blob, 3));
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 7, text, 16, nullptr, FALSE), 4);
  EXPECT_EQ(std::memcmp(text, multi, 10), 0);
}

TEST(MetricName, DisplayNamesUseTheLetterD) {
  struct Case {
    int id;
    uint32_t type;
    const wchar_t *format;
  } cases[] = {{12, 1, L"S%d"}, {-12, 3, L"B%d"}, {12, 4, L"D%d"}, {-2147483647, 7, L"Z%d"},
               {0, 0, L"Z%d"}, {65535, 2, L"Z%d"}};
  for (const Case &c : cases) {
    wchar_t out[16], expected[16];
    int n = KoMetricGetName(c.id, c.type, out);
    swprintf(expected, 16, c.format, c.id < 0 ? -c.id : c.id);
    EXPECT_STREQ(out, expected);
    EXPECT_EQ(n, static_cast<int>(wcslen(expected)));
  }
  wchar_t out[16];
  EXPECT_EQ(KoMetricGetName(-2147483647 - 1, 1, out), 11);
  EXPECT_STREQ(out, L"S2147483648");
  EXPECT_EQ(KoMetricGetName(1, 1, nullptr), 0);
}

// ---- 32-bit metrics -------------------------------------------------------------------

TEST_F(Metric, DwordReadClampAndDefault) {
  EXPECT_EQ(KoGetMetric(h_, 20), 0u) << "missing";
  ASSERT_EQ(KoSetMetric(h_, 20, 50), S_OK);
  ASSERT_EQ(KoSetMetric(h_, 21, static_cast<uint32_t>(-5)), S_OK);
  EXPECT_EQ(ReadRaw(path_, L"21").bytes, Bytes("\xFB\xFF\xFF\xFF", 4));

  EXPECT_EQ(KoGetMetricEx(h_, 20, 0, 10, 5), 10u);
  EXPECT_EQ(KoGetMetricEx(h_, 20, 60, 90, 5), 60u);
  EXPECT_EQ(KoGetMetricEx(h_, 20, 0, 100, 5), 50u);
  EXPECT_EQ(KoGetMetricEx(h_, 21, 0, 10, 5), 0u) << "signed comparison";
  EXPECT_EQ(KoGetMetricEx(h_, 21, -10, 10, 5), static_cast<uint32_t>(-5));
  EXPECT_EQ(KoGetMetricEx(h_, 20, 3, 3, 5), 50u) << "min == max: no clamp";
  EXPECT_EQ(KoGetMetricEx(h_, 22, 3, 3, 99), 99u) << "default unclamped when min == max";
  EXPECT_EQ(KoGetMetricEx(h_, 22, 0, 10, 99), 10u) << "default clamped";
  EXPECT_EQ(KoGetMetricEx(h_, 22, 0, 10, -4), 0u);

  // A value of another type under the same name reads as missing.
  WriteRaw(path_, L"23", REG_SZ, L"12", 6);
  EXPECT_EQ(KoGetMetric(h_, 23), 0u);
  EXPECT_EQ(KoGetMetricEx(h_, 23, 0, 100, 7), 7u);
  EXPECT_EQ(KoGetMetricBool(h_, 23, TRUE), TRUE);

  EXPECT_EQ(KoGetMetricBool(h_, 20, FALSE), 1);
  ASSERT_EQ(KoSetMetric(h_, 24, 0), S_OK);
  EXPECT_EQ(KoGetMetricBool(h_, 24, TRUE), FALSE);
  EXPECT_EQ(KoGetMetricBool(h_, 25, 5), 1) << "missing: default, as 0 or 1";
  EXPECT_EQ(KoGetMetricBool(h_, 25, 0), 0);
}

TEST_F(Metric, DwordUsingName) {
  EXPECT_EQ(KoGetMetricUsingName(h_, L"Window Layout", 77), 77u);
  ASSERT_EQ(KoSetMetricUsingName(h_, L"Window Layout", 0x01020304u), S_OK);
  RawValue v = ReadRaw(path_, L"Window Layout");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v.bytes, Bytes("\x04\x03\x02\x01", 4));
  EXPECT_EQ(KoGetMetricUsingName(h_, L"Window Layout", 77), 0x01020304u);
  EXPECT_EQ(KoGetMetricUsingName(h_, nullptr, 77), 77u);
  EXPECT_EQ(KoSetMetricUsingName(h_, nullptr, 1), E_POINTER);
  // A name longer than the registry allows: the Win32 error is passed on.
  wstring tooLong(20000, L'v');
  HRESULT hr = KoSetMetricUsingName(h_, tooLong.c_str(), 1);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(static_cast<uint32_t>(hr) & 0xFFFF0000u, 0x80070000u) << std::hex << hr;
}

// ---- binary metrics ---------------------------------------------------------------------

TEST_F(Metric, BinaryReadsZeroFillTheRest) {
  const BYTE data[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(KoSetMetricBinary(h_, 30, data, 5), S_OK);
  RawValue v = ReadRaw(path_, L"B30");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(v.bytes, Bytes(data, 5));

  BYTE buf[10];
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 30, buf, 8), 5u);
  EXPECT_EQ(Bytes(buf, 10), (std::vector<BYTE>{1, 2, 3, 4, 5, 0, 0, 0, 0xCC, 0xCC}));
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 30, buf, 4), 0u) << "larger than the buffer";
  EXPECT_EQ(Bytes(buf, 5), (std::vector<BYTE>{0, 0, 0, 0, 0xCC}));
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 31, buf, 4), 0u) << "missing";
  EXPECT_EQ(Bytes(buf, 5), (std::vector<BYTE>{0, 0, 0, 0, 0xCC}));
  DWORD dword = 3;
  WriteRaw(path_, L"B32", REG_DWORD, &dword, 4);
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 32, buf, 8), 0u) << "another type";
  EXPECT_EQ(Bytes(buf, 4), (std::vector<BYTE>{0, 0, 0, 0}));
  EXPECT_EQ(KoGetMetricBinary(h_, 30, nullptr, 8), 0u);

  EXPECT_EQ(KoSetMetricBinary(h_, 33, nullptr, 4), E_POINTER);
  ASSERT_EQ(KoSetMetricBinary(h_, 33, nullptr, 0), S_OK);
  v = ReadRaw(path_, L"B33");
  EXPECT_TRUE(v.found);
  EXPECT_TRUE(v.bytes.empty());
}

TEST_F(Metric, BinaryExReportsSizesAndTypes) {
  const BYTE data[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(KoSetMetricBinary(h_, 40, data, 5), S_OK);
  uint32_t n = 99;
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, nullptr, 0, &n), S_OK);
  EXPECT_EQ(n, 5u) << "stored size";
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, nullptr, 3, &n), E_INVALIDARG);

  BYTE buf[10];
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, buf, 4, &n), KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(buf[4], 0xCC);
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, buf, 8, &n), S_OK);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Bytes(buf, 10), (std::vector<BYTE>{1, 2, 3, 4, 5, 0, 0, 0, 0xCC, 0xCC}));
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 40, buf, 5, &n), S_OK) << "exact fit";
  EXPECT_EQ(n, 5u);

  std::memset(buf, 0xCC, sizeof buf);
  n = 99;
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 41, buf, 8, &n), S_FALSE) << "missing";
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(Bytes(buf, 9), (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0, 0, 0xCC}));
  WriteRaw(path_, L"B42", REG_SZ, L"text", 10);
  n = 99;
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 42, buf, 8, &n), S_FALSE) << "another type";
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 42, buf, 2, &n), S_FALSE) << "another type, larger";
  EXPECT_EQ(KoGetMetricBinaryEx(h_, 42, nullptr, 0, &n), S_FALSE);
  EXPECT_EQ(n, 0u);
}

// ---- streams ----------------------------------------------------------------------------

struct Stream {
  IStream *s = nullptr;
  Stream() { EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK); }
  ~Stream() {
    if (s) s->Release();
  }
  void Fill(size_t n, int seed) {
    std::vector<BYTE> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<BYTE>(i * 7 + seed);
    ULONG written = 0;
    EXPECT_EQ(s->Write(bytes.data(), static_cast<ULONG>(n), &written), S_OK);
    EXPECT_EQ(written, n);
  }
  void SeekTo(uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    EXPECT_EQ(s->Seek(to, STREAM_SEEK_SET, nullptr), S_OK);
  }
  uint64_t Position() {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER at{};
    s->Seek(zero, STREAM_SEEK_CUR, &at);
    return at.QuadPart;
  }
  std::vector<BYTE> Contents(size_t n) {
    HGLOBAL g = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(s, &g), S_OK);
    auto *p = static_cast<BYTE *>(GlobalLock(g));
    std::vector<BYTE> out(p, p + n);
    GlobalUnlock(g);
    return out;
  }
};

TEST_F(Metric, StreamsStoreUpTo2048Bytes) {
  Stream exact;
  exact.Fill(2048, 1);
  ASSERT_EQ(exact.Position(), 2048u);
  EXPECT_EQ(KoSetMetricStream(h_, 50, exact.s), S_OK);
  RawValue v = ReadRaw(path_, L"B50");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(v.bytes, exact.Contents(2048));

  Stream over;
  over.Fill(2049, 2);
  EXPECT_EQ(KoSetMetricStream(h_, 51, over.s), E_INVALIDARG);
  EXPECT_FALSE(ReadRaw(path_, L"B51").found) << "nothing written";
  EXPECT_EQ(KoSetMetricStream(h_, 50, over.s), E_INVALIDARG);
  EXPECT_EQ(ReadRaw(path_, L"B50").bytes, exact.Contents(2048)) << "old value kept";
  over.SeekTo(2048);
  EXPECT_EQ(KoSetMetricStream(h_, 51, over.s), S_OK);
  EXPECT_EQ(ReadRaw(path_, L"B51").bytes, over.Contents(2048));

  // The bytes before the position are stored, from the stream's start.
  Stream part;
  part.Fill(100, 3);
  part.SeekTo(10);
  EXPECT_EQ(KoSetMetricStream(h_, 52, part.s), S_OK);
  EXPECT_EQ(ReadRaw(path_, L"B52").bytes, part.Contents(10));
  part.SeekTo(0);
  EXPECT_EQ(KoSetMetricStream(h_, 53, part.s), E_UNEXPECTED);
  EXPECT_FALSE(ReadRaw(path_, L"B53").found);

  // Positioned past the end of its memory: refused, nothing read beyond it.
  Stream empty;
  empty.SeekTo(100);
  EXPECT_EQ(KoSetMetricStream(h_, 54, empty.s), E_UNEXPECTED);
  EXPECT_FALSE(ReadRaw(path_, L"B54").found);

  // A stream that is not on global memory: the failure is passed on.
  IStream *mem = SHCreateMemStream(nullptr, 0);
  ASSERT_NE(mem, nullptr);
  ULONG written;
  mem->Write("abcd", 4, &written);
  HGLOBAL g;
  HRESULT expected = GetHGlobalFromStream(mem, &g);
  EXPECT_TRUE(FAILED(expected));
  EXPECT_EQ(KoSetMetricStream(h_, 55, mem), expected);
  mem->Release();

  EXPECT_EQ(KoSetMetricStream(h_, 56, nullptr), E_POINTER);
  EXPECT_EQ(KoSetMetricStream(nullptr, 56, part.s), E_UNEXPECTED) << "position 0 comes first";
  part.SeekTo(5);
  EXPECT_EQ(KoSetMetricStream(nullptr, 56, part.s), E_FAIL);
  EXPECT_EQ(KoSetMetricStream(KOMETRIC_DEFAULT_STORE, 56, part.s), E_FAIL);
}

TEST_F(Metric, StreamsRoundTrip) {
  Stream source;
  source.Fill(2048, 9);
  ASSERT_EQ(KoSetMetricStream(h_, 60, source.s), S_OK);

  // The target already holds other bytes and sits elsewhere: the stored
  // bytes are written from its start.
  Stream target;
  target.Fill(3000, 4);
  target.SeekTo(1234);
  EXPECT_EQ(KoGetMetricStream(h_, 60, target.s), S_OK);
  EXPECT_EQ(target.Position(), 2048u);
  EXPECT_EQ(target.Contents(2048), source.Contents(2048));

  Stream small;
  small.Fill(3, 5);
  ASSERT_EQ(KoSetMetricStream(h_, 61, small.s), S_OK);
  Stream back;
  EXPECT_EQ(KoGetMetricStream(h_, 61, back.s), S_OK);
  EXPECT_EQ(back.Contents(3), small.Contents(3));

  EXPECT_EQ(KoGetMetricStream(h_, 62, back.s), E_UNEXPECTED) << "missing";
  EXPECT_EQ(KoGetMetricStream(h_, 60, nullptr), E_POINTER);
  EXPECT_EQ(KoGetMetricStream(nullptr, 60, back.s), E_UNEXPECTED);
}

// ---- strings ------------------------------------------------------------------------------

TEST_F(Metric, StringsReadDefaultsAndEmptyValues) {
  ASSERT_EQ(KoSetMetricString(h_, 70, L"hello"), S_OK);
  RawValue v = ReadRaw(path_, L"S70");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(v.bytes, Bytes(L"hello", 12));

  wchar_t buf[12];
  auto fill = [&] {
    for (wchar_t &c : buf) c = L'#';
  };
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 70, buf, 8, L"dflt", FALSE), 5);
  EXPECT_STREQ(buf, L"hello");
  EXPECT_EQ(buf[7], 0) << "rest zero-filled";
  EXPECT_EQ(buf[8], L'#');
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 70, buf, 6, nullptr, FALSE), 5) << "exact fit";
  EXPECT_STREQ(buf, L"hello");
  EXPECT_EQ(buf[6], L'#');
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 70, buf, 4, L"dflt", FALSE), 3) << "too long: default, cut";
  EXPECT_STREQ(buf, L"dfl");
  EXPECT_EQ(buf[4], L'#');
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 71, buf, 8, L"dflt", FALSE), 4) << "missing";
  EXPECT_STREQ(buf, L"dflt");
  EXPECT_EQ(buf[7], 0);
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 71, buf, 8, nullptr, FALSE), 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buf[i], 0) << i;
  EXPECT_EQ(buf[8], L'#');

  ASSERT_EQ(KoSetMetricString(h_, 72, L""), S_OK);
  EXPECT_EQ(ReadRaw(path_, L"S72").bytes, Bytes(L"", 2));
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 72, buf, 8, L"dflt", TRUE), 0) << "kept empty";
  EXPECT_STREQ(buf, L"");
  EXPECT_EQ(KoGetMetricStringEx(h_, 72, buf, 8, L"dflt", FALSE), 4) << "empty: default";
  EXPECT_STREQ(buf, L"dflt");

  // A stored text without terminator that fills the buffer is cut by one.
  // (The registry counts a terminator that follows the data in memory: the
  // unit after the data must not be 0.)
  WriteRaw(path_, L"S73", REG_SZ, L"abcdX", 8);
  ASSERT_EQ(ReadRaw(path_, L"S73").bytes.size(), 8u);
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 73, buf, 4, nullptr, FALSE), 3);
  EXPECT_STREQ(buf, L"abc");
  EXPECT_EQ(buf[4], L'#');
  DWORD dword = 1;
  WriteRaw(path_, L"S74", REG_DWORD, &dword, 4);
  EXPECT_EQ(KoGetMetricStringEx(h_, 74, buf, 8, L"dflt", TRUE), 4) << "another type";

  EXPECT_EQ(KoGetMetricStringEx(h_, 70, nullptr, 8, L"dflt", FALSE), 0);
  fill();
  EXPECT_EQ(KoGetMetricStringEx(h_, 70, buf, 0, L"dflt", FALSE), 0);
  EXPECT_EQ(buf[0], L'#');
  EXPECT_EQ(KoGetMetricStringEx(h_, 70, buf, -3, L"dflt", FALSE), 0);
  EXPECT_EQ(buf[0], L'#');
  EXPECT_EQ(KoSetMetricString(h_, 75, nullptr), E_POINTER);
}

TEST_F(Metric, MultiStrings) {
  const wchar_t data[] = L"one\0two\0";  // 9 units with the final terminator
  ASSERT_EQ(KoSetMetricMultiString(h_, 80, data, 9), S_OK);
  RawValue v = ReadRaw(path_, L"Z80");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(v.bytes, Bytes(data, 18));

  wchar_t buf[14];
  for (wchar_t &c : buf) c = L'#';
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 80, buf, 12, nullptr, FALSE), 8);
  EXPECT_EQ(std::memcmp(buf, data, 18), 0);
  EXPECT_EQ(buf[11], 0);
  EXPECT_EQ(buf[12], L'#');
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 80, buf, 9, nullptr, FALSE), 8) << "exact fit";
  EXPECT_EQ(std::memcmp(buf, data, 18), 0);
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 80, buf, 8, L"d\0", FALSE), 1) << "too long";
  EXPECT_STREQ(buf, L"d");

  // Stored without the final terminator and filling the buffer: the last
  // two units become the list's end.
  WriteRaw(path_, L"Z81", REG_MULTI_SZ, L"ab\0cdX", 10);
  ASSERT_EQ(ReadRaw(path_, L"Z81").bytes.size(), 10u);
  for (wchar_t &c : buf) c = L'#';
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 81, buf, 5, nullptr, FALSE), 4);
  EXPECT_EQ(std::memcmp(buf, L"ab\0\0", 10), 0) << "the cut item is dropped";
  EXPECT_EQ(buf[5], L'#');

  ASSERT_EQ(KoSetMetricString(h_, 82, L"plain"), S_OK);
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 82, buf, 12, L"dflt", FALSE), 4) << "Z82 missing";
  EXPECT_EQ(KoSetMetricMultiString(h_, 83, nullptr, 2), E_POINTER);
}

// ---- any type, existence, deletion ---------------------------------------------------------

TEST_F(Metric, AnyTypeReadsTheBareNumberName) {
  ASSERT_EQ(KoSetMetric(h_, 90, 0x11223344u), S_OK);
  BYTE buf[12];
  uint32_t n = 0;
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_DWORD, buf, 8, &n), S_OK);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(Bytes(buf, 4), Bytes("\x44\x33\x22\x11", 4));
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_DWORD, buf, 8, nullptr), S_OK);
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_DWORD, buf, 2, &n), KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_DWORD, nullptr, 0, &n), KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_BINARY, buf, 8, &n), KO_E_NOTFOUND) << "another type";
  EXPECT_EQ(KoGetMetricAny(h_, 91, REG_DWORD, buf, 8, &n), KO_E_NOTFOUND) << "missing";
  EXPECT_EQ(KoGetMetricAny(h_, 90, REG_DWORD, nullptr, 4, &n), E_INVALIDARG);
  EXPECT_EQ(KoGetMetricAny(nullptr, 90, REG_DWORD, buf, 8, &n), E_UNEXPECTED);
  // "B92" is not the bare number name.
  ASSERT_EQ(KoSetMetricBinary(h_, 92, "xy", 2), S_OK);
  EXPECT_EQ(KoGetMetricAny(h_, 92, REG_BINARY, buf, 8, &n), KO_E_NOTFOUND);
  WriteRaw(path_, L"92", REG_BINARY, "zz", 2);
  EXPECT_EQ(KoGetMetricAny(h_, 92, REG_BINARY, buf, 8, &n), S_OK);
  EXPECT_EQ(Bytes(buf, 2), Bytes("zz", 2));

  // Texts are terminated: after the data when there is room, else in place
  // of the last unit.
  WriteRaw(path_, L"93", REG_SZ, L"abcX", 6);
  ASSERT_EQ(ReadRaw(path_, L"93").bytes.size(), 6u);
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricAny(h_, 93, REG_SZ, buf, 10, &n), S_OK);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(std::memcmp(buf, L"abc", 8), 0);
  EXPECT_EQ(buf[8], 0xCC);
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricAny(h_, 93, REG_SZ, buf, 6, &n), KO_E_BUFFERTOOSMALL);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(std::memcmp(buf, L"ab", 6), 0);
  EXPECT_EQ(buf[6], 0xCC);
  WriteRaw(path_, L"94", REG_SZ, L"ab", 6);
  EXPECT_EQ(KoGetMetricAny(h_, 94, REG_SZ, buf, 6, &n), S_OK) << "already terminated";
  EXPECT_EQ(n, 6u);
}

TEST_F(Metric, ExistenceAndDeletion) {
  ASSERT_EQ(KoSetMetric(h_, 100, 1), S_OK);
  ASSERT_EQ(KoSetMetricString(h_, 100, L"s"), S_OK);
  ASSERT_EQ(KoSetMetricBinary(h_, 100, "bb", 2), S_OK);
  ASSERT_EQ(KoSetMetricMultiString(h_, 100, L"z\0", 3), S_OK);
  for (uint32_t type : {1u, 3u, 4u, 7u, 0u}) {
    EXPECT_EQ(KoDoesMetricExist(h_, -100, type), S_OK) << type;
    EXPECT_EQ(KoDoesMetricExist(h_, 101, type), S_FALSE) << type;
    EXPECT_EQ(KoDoesMetricExist(nullptr, 100, type), S_FALSE) << type;
  }
  DWORD dword = 1;
  WriteRaw(path_, L"S102", REG_DWORD, &dword, 4);
  EXPECT_EQ(KoDoesMetricExist(h_, 102, REG_SZ), S_FALSE) << "another type";

  EXPECT_EQ(KoDeleteMetric(h_, 100, REG_BINARY), S_OK);
  EXPECT_FALSE(ReadRaw(path_, L"B100").found);
  EXPECT_TRUE(ReadRaw(path_, L"S100").found);
  EXPECT_EQ(KoDeleteMetric(h_, 100, REG_BINARY), E_FAIL) << "already gone";
  EXPECT_EQ(KoDeleteMetric(h_, -100, 4), S_OK);
  EXPECT_FALSE(ReadRaw(path_, L"100").found);
  EXPECT_EQ(KoDeleteMetricUsingName(h_, L"Z100", 12345), S_OK);
  EXPECT_FALSE(ReadRaw(path_, L"Z100").found);
  EXPECT_EQ(KoDeleteMetricUsingName(h_, nullptr, 1), E_POINTER);
  EXPECT_EQ(KoDeleteMetric(nullptr, 100, 1), S_FALSE);
  EXPECT_EQ(KoDeleteMetric(KOMETRIC_DEFAULT_STORE, 100, 1), S_FALSE);
  EXPECT_EQ(KoDeleteMetricUsingName(nullptr, L"S100", 1), S_FALSE);
  EXPECT_TRUE(ReadRaw(path_, L"S100").found);
}

// ---- absent stores ------------------------------------------------------------------------

TEST(MetricAbsent, NullAllOnesAndKeylessHandlesGiveDefaults) {
  HKOMETRIC keyless = KeylessHandle();
  for (HKOMETRIC h : {static_cast<HKOMETRIC>(nullptr), KOMETRIC_DEFAULT_STORE, keyless}) {
    EXPECT_EQ(KoGetMetric(h, 1), 0u);
    EXPECT_EQ(KoGetMetricEx(h, 1, 0, 10, 42), 10u);
    EXPECT_EQ(KoGetMetricBool(h, 1, 7), TRUE);
    EXPECT_EQ(KoGetMetricUsingName(h, L"x", 9), 9u);
    BYTE buf[4] = {1, 1, 1, 1};
    EXPECT_EQ(KoGetMetricBinary(h, 1, buf, 4), 0u);
    EXPECT_EQ(Bytes(buf, 4), (std::vector<BYTE>{0, 0, 0, 0}));
    uint32_t n = 5;
    EXPECT_EQ(KoGetMetricBinaryEx(h, 1, buf, 4, &n), KO_E_NOTFOUND);
    EXPECT_EQ(n, 0u);
    wchar_t text[8];
    EXPECT_EQ(KoGetMetricStringEx(h, 1, text, 8, L"dflt", FALSE), 4);
    EXPECT_STREQ(text, L"dflt");
    EXPECT_EQ(KoGetMetricMultiStringEx(h, 1, text, 8, L"m", FALSE), 1);
    EXPECT_EQ(KoGetMetricAny(h, 1, 4, buf, 4, &n), E_UNEXPECTED);
    EXPECT_EQ(KoDoesMetricExist(h, 1, 4), S_FALSE);
    EXPECT_EQ(KoDeleteMetric(h, 1, 4), S_FALSE);

    EXPECT_EQ(KoSetMetric(h, 1, 1), E_FAIL);
    EXPECT_EQ(KoSetMetricUsingName(h, L"x", 1), E_FAIL);
    EXPECT_EQ(KoSetMetricBinary(h, 1, buf, 4), E_FAIL);
    EXPECT_EQ(KoSetMetricString(h, 1, L"t"), E_FAIL);
    EXPECT_EQ(KoSetMetricMultiString(h, 1, L"t\0", 3), E_FAIL);
  }
  EXPECT_EQ(KoMetric_Close(nullptr), S_OK);
  EXPECT_EQ(KoMetric_Close(KOMETRIC_DEFAULT_STORE), S_OK);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(nullptr), E_FAIL);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(KOMETRIC_DEFAULT_STORE), E_FAIL);
  EXPECT_EQ(KoMetric_Close(keyless), S_OK);
}

// ---- deletion of trees ------------------------------------------------------------------------

TEST(MetricDelete, CloseAndDeleteKeyRemovesTheWholeTree) {
  wstring metrics = L"Software\\" + Vendor() + L"\\Tree\\Metrics";
  HKOMETRIC h = nullptr;
  ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h, L"Tree", 0, Vendor().c_str(), L"Doomed"), S_OK);
  EXPECT_EQ(KoSetMetric(h, 1, 1), S_OK);
  CreateKey(HKEY_CURRENT_USER, metrics + L"\\Doomed\\a\\b\\c");
  CreateKey(HKEY_CURRENT_USER, metrics + L"\\Doomed\\d");
  CreateKey(HKEY_CURRENT_USER, metrics + L"\\Kept");
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, metrics + L"\\Doomed"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, metrics + L"\\Kept"));
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + Vendor() + L"\\Tree").c_str());
}

TEST(MetricDelete, RegDeleteKeyAndSubKeyCount) {
  wstring root = L"Software\\" + Vendor() + L"\\Helpers";
  CreateKey(HKEY_CURRENT_USER, root + L"\\a");
  CreateKey(HKEY_CURRENT_USER, root + L"\\bbbb\\x\\y");
  CreateKey(HKEY_CURRENT_USER, root + L"\\cc");
  uint32_t longest = 0;
  EXPECT_EQ(KoRegGetSubKeyCount(HKEY_CURRENT_USER, root.c_str(), &longest), 3u);
  EXPECT_EQ(longest, 5u);
  EXPECT_EQ(KoRegGetSubKeyCount(HKEY_CURRENT_USER, root.c_str(), nullptr), 3u);
  EXPECT_EQ(KoRegGetSubKeyCount(HKEY_CURRENT_USER, (root + L"\\none").c_str(), &longest), 0u);
  EXPECT_EQ(longest, 1u);

  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, (root + L"\\none").c_str()), TRUE);
  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, (root + L"\\cc").c_str()), TRUE) << "leaf";
  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, root.c_str()), TRUE) << "tree";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root));
  // An empty path would name the root itself.
  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, L""), FALSE);
  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, nullptr), FALSE);
  EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, L"\\"), FALSE);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

TEST(MetricDelete, ApplicationTrees) {
  const wstring app = L"Whole";
  const wstring appKey = L"Software\\" + Vendor() + L"\\" + app;
  // Versioned: only that version goes, from both hives.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    CreateKey(root, appKey + L"\\15.2\\Metrics\\Sub");
    CreateKey(root, appKey + L"\\15.3\\Metrics");
  }
  EXPECT_EQ(KoMetric_DeleteAllHiveAndVersion(app.c_str(), 0x0F020000u, Vendor().c_str()), S_OK);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_FALSE(KeyExists(root, appKey + L"\\15.2"));
    EXPECT_TRUE(KeyExists(root, appKey + L"\\15.3\\Metrics"));
  }
  // Unversioned: the whole application.
  EXPECT_EQ(KoMetric_DeleteAllHiveAndVersion(app.c_str(), 0x0000FFFFu, Vendor().c_str()), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey));

  // A Metrics sub-key, then the Metrics key itself.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    CreateKey(root, appKey + L"\\1.5\\Metrics\\Gone\\deep");
    CreateKey(root, appKey + L"\\1.5\\Metrics\\Stays");
  }
  EXPECT_EQ(KoMetric_DeleteKeyHiveAndVersion(app.c_str(), KOMETRIC_VERSION(1, 5), Vendor().c_str(),
                                             L"Gone"),
            S_OK);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_FALSE(KeyExists(root, appKey + L"\\1.5\\Metrics\\Gone"));
    EXPECT_TRUE(KeyExists(root, appKey + L"\\1.5\\Metrics\\Stays"));
  }
  EXPECT_EQ(
      KoMetric_DeleteKeyHiveAndVersion(app.c_str(), KOMETRIC_VERSION(1, 5), Vendor().c_str(), L""),
      S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appKey + L"\\1.5\\Metrics"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, appKey + L"\\1.5"));

  // Empty names would widen the path to the vendor's whole tree.
  EXPECT_EQ(KoMetric_DeleteAllHiveAndVersion(L"", 0, Vendor().c_str()), E_INVALIDARG);
  EXPECT_EQ(KoMetric_DeleteAllHiveAndVersion(nullptr, 0, Vendor().c_str()), E_INVALIDARG);
  EXPECT_EQ(KoMetric_DeleteKeyHiveAndVersion(app.c_str(), 0, L"", nullptr), E_INVALIDARG);
  EXPECT_EQ(KoMetric_DeleteAllHiveAndVersion(L"\\\\", 0, Vendor().c_str()), E_INVALIDARG);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, appKey + L"\\1.5"));
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, appKey.c_str());
}

TEST(MetricDelete, DefaultVendorForms) {
  const wstring &app = DefaultVendorApp();
  const wstring appKey = RegistryCleanup::DefaultVendorKey() + L"\\" + app;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) CreateKey(root, appKey + L"\\4.0\\Metrics\\S");

  EXPECT_EQ(KoMetric_DeleteKey(app.c_str(), KOMETRIC_VERSION(4, 0), L"S"), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appKey + L"\\4.0\\Metrics\\S"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey + L"\\4.0\\Metrics\\S"));

  EXPECT_EQ(KoMetric_DeleteUserMetrics(app.c_str(), KOMETRIC_VERSION(4, 0)), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appKey + L"\\4.0"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, appKey + L"\\4.0")) << "the user's settings only";

  EXPECT_EQ(KoMetric_DeleteAll(app.c_str(), KOMETRIC_VERSION(4, 0)), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey + L"\\4.0"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, appKey));
  EXPECT_EQ(KoMetric_DeleteAll(app.c_str(), 0), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey));
  EXPECT_EQ(KoMetric_DeleteUserMetrics(L"", 0), E_INVALIDARG);
}

}  // namespace
