// Mail through the recording MAPI32.DLL beside the test program (or, in the
// run that disables it, the no-mail-program result), and pages through a
// recording browser registered as the prefix's http and https handler.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internet/url_recorder.h"
#include "kokernel/kointernet.h"

namespace {

using kotest::Beside;
using kotest::ReadAll;

bool NoMailProgram() { return GetEnvironmentVariableW(L"KO_EXPECT_NO_MAIL", nullptr, 0) > 0; }

// call: 0 MailFile, 1 SendMail, 2 SendFeedback; record: the lines after the first.
struct MailCase { const char *name; int call; const char *mapiResult; HRESULT expected; const char *record; };

class InternetMail : public ::testing::TestWithParam<MailCase> {};

TEST_P(InternetMail, RecordedCallAndResult) {
  const MailCase &c = GetParam();
  const std::wstring record = Beside(L"mapi_record.txt");
  DeleteFileW(record.c_str());
  SetEnvironmentVariableA("KO_MAPI_RESULT", c.mapiResult);
  const std::wstring longSubject(300, L's');
  const HRESULT hr = c.call == 0   ? Internet_MailFile(nullptr, L"C:\\data\\take 1.wav", L"take 1.wav", L"")
                     : c.call == 1 ? Internet_SendMail(nullptr, longSubject.c_str(), L"Ann Lee", L"ann@example.org")
                                   : Internet_SendFeedback(nullptr, L"Feedback");
  if (NoMailProgram()) {
    EXPECT_TRUE(hr == E_FAIL && GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES) << hr;
    return;
  }
  EXPECT_EQ(hr, c.expected);
  EXPECT_EQ(ReadAll(record), std::string("session=0 ui=0 flags=9 reserved=0\n") + c.record);
}

const std::string kLong(254, 's');
const std::string kLongRecord = "subject=" + kLong + "\nnote=(null)\nto=1|Ann Lee|ann@example.org\n";

INSTANTIATE_TEST_SUITE_P(
    Calls, InternetMail,
    ::testing::Values(
        MailCase{"file", 0, "0", S_OK, "subject=\nnote=(null)\nfile=-1|C:\\data\\take 1.wav|take 1.wav\n"},
        MailCase{"mail_cut_subject", 1, "1", S_OK, kLongRecord.c_str()},
        MailCase{"mail_failure_2", 1, "2", E_FAIL, kLongRecord.c_str()},
        MailCase{"mail_result_3", 1, "3", S_OK, kLongRecord.c_str()},
        MailCase{"mail_failure_4", 1, "4", E_FAIL, kLongRecord.c_str()},
        MailCase{"feedback", 2, "0", S_OK,
                 "subject=Feedback\nnote=(null)\nto=1|support@tarnwell.example|support@tarnwell.example\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(InternetPages, SelectorsAndAddressesReachTheBrowser) {
  ASSERT_TRUE(kotest::RegisterBrowser());
  const struct { const wchar_t *page; const char *url; } pages[] = {
      {KO_PAGE_SUPPORT, "https://service.tarnwell.example/v2/productinfo.asp?Place=Support"},
      {KO_PAGE_PRODUCT, "https://service.tarnwell.example/v2/productinfo.asp?Product=Tarnwell"},
      {KO_PAGE_PRIVACY, "https://www.tarnwell.example/privacy.html"},
      {L"http://example.org/a?b=c", "http://example.org/a?b=c"},
  };
  for (const auto &p : pages) {
    kotest::ForgetOpenedUrl();
    EXPECT_GT(reinterpret_cast<INT_PTR>(Internet_BrowseWebPage(nullptr, p.page)), 32);
    EXPECT_EQ(kotest::OpenedUrl(), p.url);
  }
}

}  // namespace
