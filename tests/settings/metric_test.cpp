// The settings store against the real registry (Wine's, in the test prefix).
// Every value written through the store is read back with the plain Win32
// registry functions, the independent check of names, types and bytes. All
// keys live under a vendor key unique to this run, deleted at the end; the
// default-vendor forms use an application name unique to this run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kokernel/kometric.h"
#include "kotest_win32.h"

namespace {

using std::wstring;
using Bytes = std::vector<BYTE>;

using kotest::Unique;
const wstring kVendor = Unique(L"KoTest Vendor"), kDefaultVendorApp = Unique(L"KoTest App");
const wstring kDefaultVendorKey = L"Software\\Corvane Creative Software";
wstring Under(const wstring &rest) { return L"Software\\" + kVendor + L"\\" + rest; }
std::string Narrow(const wstring &w) { return std::string(w.begin(), w.end()); }
Bytes B(const void *p, size_t n) { return Bytes(static_cast<const BYTE *>(p), static_cast<const BYTE *>(p) + n); }

bool KeyExists(HKEY root, const wstring &path) {
  HKEY key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS && !RegCloseKey(key);
}
void CreateKey(const wstring &path) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  RegCloseKey(key);
}
void DeleteTree(const wstring &path) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    RegDeleteTreeW(root, path.c_str()), RegDeleteKeyW(root, path.c_str());
}

struct RawValue { bool found = false; DWORD type = REG_NONE; Bytes bytes; };
RawValue ReadRaw(const wstring &path, const wstring &name) {
  RawValue v;
  HKEY key;
  BYTE data[4096];
  DWORD size = sizeof data;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  v.found = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, data, &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (v.found) v.bytes.assign(data, data + size);
  return v;
}
void WriteRaw(const wstring &path, const wstring &name, DWORD type, const void *data, DWORD bytes) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), type, data, bytes), ERROR_SUCCESS);
}

// Removes everything this run wrote, and checks that it is gone.
class RegistryCleanup : public ::testing::Environment {
 public:
  void SetUp() override { vendorExisted_ = KeyExists(HKEY_CURRENT_USER, kDefaultVendorKey); }
  void TearDown() override {
    wstring vendor = L"Software\\" + kVendor, app = kDefaultVendorKey + L"\\" + kDefaultVendorApp;
    DeleteTree(vendor), DeleteTree(app);
    if (!vendorExisted_)
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteKeyW(root, kDefaultVendorKey.c_str());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, vendor) || KeyExists(HKEY_LOCAL_MACHINE, vendor) ||
                 KeyExists(HKEY_CURRENT_USER, app));
  }

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
    path_ = Under(app_ + L"\\3.1\\Metrics");
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h_, app_.c_str(), KOMETRIC_VERSION(3, 1), kVendor.c_str(), nullptr), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(KoMetric_Close(h_), S_OK);
    DeleteTree(Under(app_));
  }
  wstring app_, path_;
  HKOMETRIC h_ = nullptr;
};

TEST(MetricOpen, PathsFromVersionVendorAndSubKeysAndTheirLimits) {
  struct Case { uint32_t version; const wchar_t *segment; } cases[] = {
      {0x0F020000u, L"\\15.2"}, {0x0000FFFFu, L""}, {0x00FF0000u, L""}, {0xFFFFFFFFu, L"\\255.255"}};
  for (const Case &c : cases) {
    wstring expected = Under(wstring(L"Versions") + c.segment + L"\\Metrics");
    HKOMETRIC h = nullptr;
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h, L"Versions", c.version, kVendor.c_str(), L""), S_OK);
    EXPECT_TRUE(KoSetMetric(h, 1, c.version) == S_OK && ReadRaw(expected, L"1").bytes == B(&c.version, 4)) << Narrow(expected);
    EXPECT_TRUE(KoMetric_CloseAndDeleteKey(h) == S_OK && !KeyExists(HKEY_CURRENT_USER, expected));
  }
  HKOMETRIC h = nullptr;
  ASSERT_EQ(KoMetric_Open(&h, kDefaultVendorApp.c_str(), KOMETRIC_VERSION(2, 0), L"Panels"), S_OK);
  EXPECT_TRUE(KoSetMetricString(h, 4, L"x") == S_OK && KoMetric_Close(h) == S_OK);
  EXPECT_TRUE(ReadRaw(kDefaultVendorKey + L"\\" + kDefaultVendorApp + L"\\2.0\\Metrics\\Panels", L"S4").found);
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, Under(L"Direct").c_str(), L"One\\Two"), S_OK);
  EXPECT_TRUE(KoSetMetric(h, 5, 55) == S_OK && ReadRaw(Under(L"Direct\\One\\Two"), L"5").found);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  // Paths that do not fit, and registry errors. An empty path would be the
  // root of the user's hive.
  h = nullptr;
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, L"", nullptr), E_INVALIDARG);
  EXPECT_TRUE(KoSetMetric(h, 1, 1) == E_FAIL && KoMetric_CloseAndDeleteKey(h) == S_OK);
  wstring fits = Under(L"Long\\" + wstring(200, L'p'));
  fits += L"\\" + wstring(259 - fits.size() - 1, L'q');
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, fits.c_str(), nullptr), S_OK);
  EXPECT_TRUE(KoSetMetric(h, 1, 1) == S_OK && ReadRaw(fits, L"1").found);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  wstring cut = fits.substr(0, 258);
  ASSERT_EQ(KoMetric_OpenAppVersion(&h, cut.c_str(), L"Z"), KO_E_BUFFERTOOSMALL);
  // A keyless handle, like none and the default store, gives defaults and refuses writes.
  for (HKOMETRIC none : {static_cast<HKOMETRIC>(nullptr), KOMETRIC_DEFAULT_STORE, h}) {
    wchar_t text[8];
    EXPECT_TRUE(KoGetMetricEx(none, 1, 0, 10, 42) == 10u && KoGetMetricStringEx(none, 1, text, 8, L"dflt", FALSE) == 4 &&
                !wcscmp(text, L"dflt"));
    EXPECT_TRUE(KoSetMetric(none, 1, 1) == E_FAIL && KoDeleteMetric(none, 1, 4) == S_FALSE);
  }
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(KOMETRIC_DEFAULT_STORE), E_FAIL);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, fits) && !KeyExists(HKEY_CURRENT_USER, cut)) << "a cut path is not deleted";
  // A volatile key takes no lasting sub-keys: the registry's own error.
  wstring parent = Under(L"Volatile");
  HKEY key, probe;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr), ERROR_SUCCESS);
  LONG error = RegCreateKeyW(HKEY_CURRENT_USER, (parent + L"\\Probe").c_str(), &probe);
  ASSERT_NE(error, ERROR_SUCCESS);
  EXPECT_EQ(KoMetric_OpenAppVersion(&h, parent.c_str(), L"Child"),
            static_cast<HRESULT>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu)));
  EXPECT_EQ(KoGetMetricEx(h, 1, 0, 0, 17), 17u);
  EXPECT_EQ(KoMetric_Close(h), S_OK);
  RegCloseKey(key);
  // A sub-key is a sibling under the application's metrics key.
  struct Sibling { const wchar_t *app, *sub, *metrics; uint32_t version; } siblings[] = {
      {L"Siblings", L"A", L"Siblings\\1.0\\Metrics", KOMETRIC_VERSION(1, 0)},
      {L"MetricsLab", L"Metrics\\A", L"MetricsLab\\Metrics", 0}, {L"Metrics", L"Metrics\\A", L"Metrics\\Metrics", 0}};
  for (const Sibling &c : siblings) {
    HKOMETRIC a = nullptr, b = nullptr;
    ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&a, c.app, c.version, kVendor.c_str(), c.sub), S_OK);
    ASSERT_EQ(KoMetric_OpenSubKey(&b, a, L"B"), S_OK);
    EXPECT_TRUE(KoSetMetric(b, 4, 44) == S_OK && ReadRaw(Under(c.metrics) + L"\\B", L"4").found) << Narrow(c.app);
    EXPECT_TRUE(KoMetric_Close(b) == S_OK && KoMetric_Close(a) == S_OK);
  }
  // No "\Metrics" in the parent's key path (the sub-key does not count).
  HKOMETRIC a = nullptr, b = reinterpret_cast<HKOMETRIC>(1);
  ASSERT_EQ(KoMetric_OpenAppVersion(&a, Under(L"Plain").c_str(), L"Metrics"), S_OK);
  EXPECT_TRUE(KoMetric_OpenSubKey(&b, a, L"B") == E_INVALIDARG && b == nullptr);
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(a), S_OK);
}

TEST_F(Metric, EveryTypeRoundTripsThroughTheRegistryAndNumbersClamp) {
  const uint32_t number = 0xA1B2C3D4u;
  const BYTE blob[3] = {9, 8, 7};
  const wchar_t multi[] = L"m\0n\0";
  ASSERT_EQ(KoSetMetric(h_, -7, number), S_OK);  // the sign never reaches the name
  ASSERT_EQ(KoSetMetricString(h_, -7, L"seven"), S_OK);
  ASSERT_EQ(KoSetMetricBinary(h_, 7, blob, 3), S_OK);
  ASSERT_EQ(KoSetMetricMultiString(h_, -7, multi, 5), S_OK);
  ASSERT_EQ(KoSetMetricUsingName(h_, L"Window Layout", 0x01020304u), S_OK);
  struct Expect { const wchar_t *name; DWORD type; Bytes bytes; } expects[] = {
      {L"7", REG_DWORD, B(&number, 4)}, {L"S7", REG_SZ, B(L"seven", 12)}, {L"B7", REG_BINARY, B(blob, 3)},
      {L"Z7", REG_MULTI_SZ, B(multi, 10)}, {L"Window Layout", REG_DWORD, B("\x04\x03\x02\x01", 4)}};
  for (const Expect &e : expects) {
    RawValue v = ReadRaw(path_, e.name);
    EXPECT_TRUE(v.type == e.type && v.bytes == e.bytes) << Narrow(e.name);
  }
  EXPECT_TRUE(KoGetMetric(h_, 7) == number && KoGetMetricUsingName(h_, L"Window Layout", 77) == 0x01020304u);
  wchar_t text[16];
  EXPECT_TRUE(KoGetMetricStringEx(h_, 7, text, 16, nullptr, FALSE) == 5 && !wcscmp(text, L"seven"));
  BYTE back[3];
  EXPECT_TRUE(KoGetMetricBinary(h_, -7, back, 3) == 3u && B(back, 3) == B(blob, 3));
  EXPECT_TRUE(KoGetMetricMultiStringEx(h_, 7, text, 16, nullptr, FALSE) == 4 && !std::memcmp(text, multi, 10));
  // Display names, against swprintf (the registry ignores the letters' case,
  // so reading the values back does not pin them).
  struct Name { int id; uint32_t type; const wchar_t *format; } names[] = {
      {12, 1, L"S%d"}, {-12, 3, L"B%d"}, {12, 4, L"D%d"}, {-2147483647, 7, L"Z%d"}, {65535, 2, L"Z%d"}};
  for (const Name &n : names) {
    wchar_t out[16], expected[16];
    swprintf(expected, 16, n.format, n.id < 0 ? -n.id : n.id);
    EXPECT_TRUE(KoMetricGetName(n.id, n.type, out) == static_cast<int>(wcslen(expected)) && !wcscmp(out, expected))
        << Narrow(expected);
  }
  // Numbers clamped to a range, and defaults for what is missing or of another type.
  ASSERT_EQ(KoSetMetric(h_, 20, 50), S_OK);
  ASSERT_EQ(KoSetMetric(h_, 21, static_cast<uint32_t>(-5)), S_OK);
  WriteRaw(path_, L"23", REG_SZ, L"12", 6);  // another type reads as missing
  struct Case { int id, lo, hi, dflt; uint32_t expect; } cases[] = {
      {20, 0, 10, 5, 10}, {20, 60, 90, 5, 60}, {20, 0, 100, 5, 50}, {21, 0, 10, 5, 0}, {21, -10, 10, 5, uint32_t(-5)},
      {20, 3, 3, 5, 50}, {22, 3, 3, 99, 99}, {22, 0, 10, 99, 10}, {22, 0, 10, -4, 0}, {23, 0, 100, 7, 7},
      {20, 0, 49, 5, 49}, {20, 51, 90, 5, 51}};
  for (const Case &c : cases)
    EXPECT_EQ(KoGetMetricEx(h_, c.id, c.lo, c.hi, c.dflt), c.expect) << c.id << " " << c.lo << ".." << c.hi;
  EXPECT_EQ(KoGetMetricBool(h_, 20, FALSE), 1);
}

TEST_F(Metric, BinaryAndTextCapacities) {
  const BYTE data[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(KoSetMetricBinary(h_, 30, data, 5), S_OK);
  BYTE buf[10];
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 30, buf, 8), 5u);
  EXPECT_EQ(B(buf, 10), (Bytes{1, 2, 3, 4, 5, 0, 0, 0, 0xCC, 0xCC}));
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(KoGetMetricBinary(h_, 30, buf, 4), 0u) << "larger than the buffer";
  EXPECT_EQ(B(buf, 5), (Bytes{0, 0, 0, 0, 0xCC}));

  ASSERT_EQ(KoSetMetricString(h_, 70, L"hello"), S_OK);
  ASSERT_EQ(KoSetMetricString(h_, 72, L""), S_OK);
  WriteRaw(path_, L"S73", REG_SZ, L"abcdX", 8);  // no terminator stored
  struct Case { int id, capacity; const wchar_t *dflt; BOOL keepEmpty; int result; const wchar_t *text; } cases[] = {
      {70, 8, L"dflt", FALSE, 5, L"hello"}, {70, 6, nullptr, FALSE, 5, L"hello"}, {70, 4, L"dflt", FALSE, 3, L"dfl"},
      {71, 8, L"dflt", FALSE, 4, L"dflt"}, {72, 8, L"dflt", TRUE, 0, L""}, {72, 8, L"dflt", FALSE, 4, L"dflt"},
      {73, 4, nullptr, FALSE, 3, L"abc"}};
  for (const Case &c : cases) {
    wchar_t text[12];
    for (wchar_t &u : text) u = L'#';
    EXPECT_EQ(KoGetMetricStringEx(h_, c.id, text, c.capacity, c.dflt, c.keepEmpty), c.result) << c.id;
    EXPECT_STREQ(text, c.text) << c.id << " capacity " << c.capacity;
    // The rest zero-filled, nothing past the capacity.
    EXPECT_EQ(wstring(text + c.result, c.capacity - c.result) + text[c.capacity], wstring(c.capacity - c.result, 0) + L'#');
  }
  // A multi-string without its final terminator that fills the buffer: the
  // cut item is dropped.
  WriteRaw(path_, L"Z81", REG_MULTI_SZ, L"ab\0cdX", 10);
  wchar_t multi[8];
  for (wchar_t &u : multi) u = L'#';
  EXPECT_EQ(KoGetMetricMultiStringEx(h_, 81, multi, 5, nullptr, FALSE), 4);
  EXPECT_TRUE(std::memcmp(multi, L"ab\0\0", 10) == 0 && multi[5] == L'#');
}

Bytes Pattern(size_t n, int seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<BYTE>(i * 7 + seed);
  return b;
}
IStream *StreamOf(const Bytes &b) {
  IStream *s = nullptr;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
  if (!b.empty()) { EXPECT_EQ(s->Write(b.data(), static_cast<ULONG>(b.size()), nullptr), S_OK); }
  return s;
}
uint64_t Seek(IStream *s, LONGLONG to, DWORD how = STREAM_SEEK_SET) {
  ULARGE_INTEGER at{};
  EXPECT_EQ(s->Seek(LARGE_INTEGER{.QuadPart = to}, how, &at), S_OK);
  return at.QuadPart;
}

TEST_F(Metric, StreamsStoreTheBytesBeforeThePositionUpTo2048) {
  const Bytes exact = Pattern(2048, 1), part = Pattern(100, 3);
  IStream *s = StreamOf(exact), *over = StreamOf(Pattern(2049, 2)), *p = StreamOf(part), *empty = StreamOf({});
  EXPECT_TRUE(KoSetMetricStream(h_, 50, s) == S_OK && ReadRaw(path_, L"B50").bytes == exact);
  EXPECT_EQ(KoSetMetricStream(h_, 50, over), E_INVALIDARG);
  EXPECT_EQ(ReadRaw(path_, L"B50").bytes, exact) << "old value kept";
  Seek(p, 10);
  EXPECT_TRUE(KoSetMetricStream(h_, 52, p) == S_OK && ReadRaw(path_, L"B52").bytes == Bytes(part.begin(), part.begin() + 10));
  Seek(p, 0);
  EXPECT_EQ(KoSetMetricStream(h_, 53, p), E_UNEXPECTED);
  Seek(empty, 100);  // past the end of its memory
  EXPECT_TRUE(KoSetMetricStream(h_, 54, empty) == E_UNEXPECTED && !ReadRaw(path_, L"B54").found);
  // Read back from the target's start, whatever it held and where it sat.
  IStream *target = StreamOf(Pattern(3000, 4));
  Seek(target, 1234);
  EXPECT_TRUE(KoGetMetricStream(h_, 50, target) == S_OK && Seek(target, 0, STREAM_SEEK_CUR) == 2048u);
  Bytes back(2048);
  Seek(target, 0);
  EXPECT_TRUE(target->Read(back.data(), 2048, nullptr) == S_OK && back == exact);
  EXPECT_EQ(KoGetMetricStream(h_, 62, target), E_UNEXPECTED) << "missing";
  for (IStream *each : {s, over, p, empty, target}) each->Release();
}

TEST_F(Metric, ExistenceAndDeletionByType) {
  ASSERT_EQ(KoSetMetric(h_, 100, 1), S_OK);
  ASSERT_EQ(KoSetMetricString(h_, 100, L"s"), S_OK);
  ASSERT_EQ(KoSetMetricBinary(h_, 100, "bb", 2), S_OK);
  ASSERT_EQ(KoSetMetricMultiString(h_, 100, L"z\0", 3), S_OK);
  for (uint32_t type : {1u, 3u, 4u, 7u})
    EXPECT_TRUE(KoDoesMetricExist(h_, -100, type) == S_OK && KoDoesMetricExist(h_, 101, type) == S_FALSE) << type;
  DWORD dword = 1;
  WriteRaw(path_, L"S102", REG_DWORD, &dword, 4);
  EXPECT_EQ(KoDoesMetricExist(h_, 102, REG_SZ), S_FALSE) << "another type";
  BYTE buf[8];
  uint32_t n = 0;
  EXPECT_EQ(KoGetMetricAny(h_, 100, REG_BINARY, buf, 8, &n), KO_E_NOTFOUND) << "B100 is not the bare name";
  EXPECT_EQ(KoDeleteMetric(h_, 100, REG_BINARY), S_OK);
  EXPECT_TRUE(!ReadRaw(path_, L"B100").found && ReadRaw(path_, L"S100").found);
  EXPECT_TRUE(KoDeleteMetric(h_, -100, 4) == S_OK && !ReadRaw(path_, L"100").found);
  EXPECT_TRUE(KoDeleteMetricUsingName(h_, L"Z100", 12345) == S_OK && !ReadRaw(path_, L"Z100").found);
}

TEST(MetricDelete, KeysAndTrees) {
  wstring metrics = Under(L"Tree\\Metrics");
  HKOMETRIC h = nullptr;
  ASSERT_EQ(KoMetric_OpenRegHiveAndVersion(&h, L"Tree", 0, kVendor.c_str(), L"Doomed"), S_OK);
  CreateKey(metrics + L"\\Doomed\\a\\b\\c");
  CreateKey(metrics + L"\\Kept");
  EXPECT_EQ(KoMetric_CloseAndDeleteKey(h), S_OK);
  EXPECT_TRUE(!KeyExists(HKEY_CURRENT_USER, metrics + L"\\Doomed") && KeyExists(HKEY_CURRENT_USER, metrics + L"\\Kept"));

  wstring root = Under(L"Helpers");
  CreateKey(root + L"\\a");
  CreateKey(root + L"\\bbbb\\x\\y");
  CreateKey(root + L"\\cc");
  uint32_t longest = 0;
  EXPECT_TRUE(KoRegGetSubKeyCount(HKEY_CURRENT_USER, root.c_str(), &longest) == 3u && longest == 5u) << longest;
  for (const wchar_t *rootName : {L"", L"\\"}) EXPECT_EQ(KoRegDeleteKey(HKEY_CURRENT_USER, rootName), FALSE);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

}  // namespace
