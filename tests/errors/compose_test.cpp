// Composed messages, host tables, details lines and the hyperlink.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "kokernel/koprintf.h"
#include "settings/lang_internal.h"
#include "text/token_list.h"

using kotest::U8;
using kotest::W;

namespace {

const std::string kSaving = "An error occurred while saving the project file ";
const std::string kLowMemory =
    "\n\nThe system is low on memory. You may be able to reduce memory usage by closing other "
    "applications.";

// A kernel handle of the given language, the AppName token and empty details.
class Compose : public ::testing::Test {
 protected:
  void Use(LCID lcid) {
    if (h_) {
      ko::lang::SetKernelHandle(nullptr);
      KoLang_Close(h_);
    }
    ASSERT_EQ(KoLang_Open(&h_, nullptr, lcid, 0), S_OK);
    ko::lang::SetKernelHandle(h_);
  }
  void SetUp() override {
    Use(0x0409);
    ko::text::CreateTokenList();
    KoPrintF_AddToken(KOTEXT("AppName"), KOTEXT("Studio"));
    KoErrorHandler_DetailsInit();
  }
  void TearDown() override {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h_);
    KoErrorHandler_DetailsInit();
  }
  static std::string Message(UINT_PTR context, uint32_t code, const char *arg) {
    const ko::kostring a = W(arg ? arg : "");
    return U8(KoErrorHandler_GetErrorMessage(context, KO_HR(code), arg ? a.c_str() : nullptr));
  }
  HKOLANG h_ = nullptr;
};

TEST_F(Compose, MessagesFromTheBuiltinTables) {
  struct Case {
    UINT_PTR context;
    uint32_t code;
    const char *arg;
    std::string want;
  };
  const Case cases[] = {
      {6, 0x8007000E, "a.prj", kSaving + "a.prj." + kLowMemory},
      {6, 0x8007000E, nullptr, kSaving + "." + kLowMemory},
      {999, 0x8004E005, nullptr, "An error occurred during the current operation.\n\nThe system is busy."},
      {0, 0x8004ABCD, "x", "An error occurred during the current operation.\n\nError 0x8004abcd (message missing)"},
      // Tokens are expanded in both sentences; a placeholder in an error
      // sentence stays empty.
      {26, 0x8004E164, nullptr, "An error occurred starting Studio.\n\n file type is unsupported in this version of Studio."},
      // Conversions beyond the one argument read nothing.
      {3, 0x8004E02A, "%s%d", "An error occurred in the effect chain '%s%d'.\nThe bit depth is not supported."},
  };
  for (const Case &c : cases) EXPECT_EQ(Message(c.context, c.code, c.arg), c.want) << c.context;
  const ko::kostring plain = W("Copying %s, %s and %d: ");
  EXPECT_EQ(Message(reinterpret_cast<UINT_PTR>(plain.c_str()), 0x8004E00C, "f"),
            "Copying f,  and 0: \n\nThe operation was cancelled by the user.");
}

TEST_F(Compose, LongArgumentsStayInsideTheMessageBuffer) {
  for (size_t n : {1850u, 1890u, 1947u, 5000u}) {
    const std::string arg(n, 'x');
    const std::string got = Message(6, 0x8004E002, arg.c_str());
    const std::string context = (kSaving + arg + ".").substr(0, KOERROR_MESSAGE_UNITS - 1);
    ASSERT_EQ(got.substr(0, context.size()), context) << n;
    const std::string sentence = "\n\nThe disk is full. Please free some space and try again.";
    // Below 1948 units of context the error sentence follows, cut to the room.
    const std::string want = context.size() >= 1948 ? context
        : (context + sentence).substr(0, KOERROR_MESSAGE_UNITS - 1);
    EXPECT_EQ(got, want) << n;
  }
}

TEST_F(Compose, GermanAndFrenchWithEnglishWhereNoTranslationExists) {
  Use(0x0407);
  EXPECT_EQ(Message(6, 0x8004E002, "a"),
            "Beim Speichern der Projektdatei a ist ein Fehler aufgetreten.\n\nDer Datenträger ist "
            "voll. Bitte geben Sie Speicherplatz frei und versuchen Sie es erneut.");
  EXPECT_EQ(Message(9, 0x8004E002, "b"), "An error occurred while importing the EDL file b.\n\nDer "
            "Datenträger ist voll. Bitte geben Sie Speicherplatz frei und versuchen Sie es erneut.");
  EXPECT_EQ(Message(0, 0x8004E010, nullptr), "Während des aktuellen Vorgangs ist ein Fehler "
            "aufgetreten.\n\nAn error occurred while opening a device driver.");
  Use(0x040C);
  EXPECT_EQ(Message(6, 0x8004E00C, "c"), "Une erreur s'est produite lors de l'enregistrement du "
            "fichier de projet c.\n\nL'opération a été annulée par l'utilisateur.");
  EXPECT_EQ(Message(45, 0x8004E00C, "d"),
            "An error occurred during this command (d)\n\nL'opération a été annulée par l'utilisateur.");
}

TEST_F(Compose, DetailsLinesAndTheComposedText) {
  EXPECT_EQ(KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr), nullptr);
  const std::string plain = kSaving + "p." + kLowMemory;
  KOBSTR bare = KoErrorHandler_ComposeErrorText(6, E_OUTOFMEMORY, KOTEXT("p"));
  EXPECT_EQ(U8(bare), plain);
  kotest::FreeComposed(bare);

  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_DISKFULL, nullptr), E_POINTER);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_DISKFULL, KOTEXT("a")), S_OK);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_BUSY, KOTEXT("b=%d, %s"), 5, KOTEXT("z")), S_OK);
  HRESULT last = 0;
  int lines = 0;
  DWORD owner = 0;
  EXPECT_EQ(U8(KoErrorHandler_DetailsInfo(&last, &lines, &owner)), "a\r\nb=5, z\r\n");
  EXPECT_EQ(last, KO_E_BUSY);
  EXPECT_EQ(KoErrorHandler_GetLastError(), KO_E_BUSY);
  EXPECT_EQ(lines, 2);
  EXPECT_NE(owner, 0u);

  KOBSTR text = KoErrorHandler_ComposeErrorText(6, E_OUTOFMEMORY, KOTEXT("p"));
  EXPECT_EQ(U8(text), plain + "\r\n<Details>\r\na\r\nb=5, z\r\n\r\n</Details>");
  kotest::FreeComposed(text);

  // Another thread is refused unless it continues with the last code.
  HRESULT other = S_OK, same = E_FAIL;
  std::thread([&] {
    other = KoErrorHandler_DetailsAddString(KO_E_DISKFULL, KOTEXT("c"));
    same = KoErrorHandler_DetailsAddString(KO_E_BUSY, KOTEXT("d"));
  }).join();
  EXPECT_EQ(other, E_FAIL);
  EXPECT_EQ(same, S_OK);
  EXPECT_EQ(U8(KoErrorHandler_DetailsInfo(nullptr, &lines, nullptr)), "a\r\nb=5, z\r\nd\r\n");
}

TEST_F(Compose, DetailsStopBelowTheirByteLimit) {
  const ko::kostring line = W(std::string(999, 'q'));
  int accepted = 0;
  while (KoErrorHandler_DetailsAddString(1, line.c_str()) == S_OK) ++accepted;
  // Each line takes 1001 units; the eighth would reach 8008 + ... units.
  EXPECT_EQ(accepted, 8);
  const KOCHAR *details = KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr);
  EXPECT_EQ(ko::WideLength(details), 8u * 1001u);
  // The last room: (8008 + 2 + n) * 2 < 16384 holds up to n = 181.
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, W(std::string(182, 'r')).c_str()), E_FAIL);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, W(std::string(181, 'r')).c_str()), S_OK);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, KOTEXT("")), E_FAIL);
  KoErrorHandler_DetailsInit();
  // A formatted line longer than the whole record is refused, not cut.
  const ko::kostring big = W(std::string(9000, 's'));
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, KOTEXT("%s"), big.c_str()), E_FAIL);
  EXPECT_EQ(KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Compose, Hyperlink) {
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(nullptr, KOTEXT("t")), E_POINTER);
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(KOTEXT("u"), nullptr), E_POINTER);
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(KOTEXT("https://example.org/"), KOTEXT("Help")), S_OK);
  const std::string url(2082, 'u'), text(2047, 't');
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(W(url + "u").c_str(), KOTEXT("x")), E_INVALIDARG);
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(KOTEXT("x"), W(text + "t").c_str()), E_INVALIDARG);
  EXPECT_EQ(U8(ko::errors::Details().linkUrl), "https://example.org/");
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(W(url).c_str(), W(text).c_str()), S_OK);
  EXPECT_EQ(U8(ko::errors::Details().linkUrl), url);
  EXPECT_EQ(U8(ko::errors::Details().linkText), text);
}

TEST(CommDlgErrors, Translation) {
  const struct {
    DWORD error;
    HRESULT want;
  } rows[] = {{0, S_OK},           {1, E_INVALIDARG},     {3, E_INVALIDARG},
              {4, E_INVALIDARG},   {11, E_INVALIDARG},    {2, E_OUTOFMEMORY},
              {5, E_OUTOFMEMORY},  {7, E_OUTOFMEMORY},    {8, E_OUTOFMEMORY},
              {9, E_OUTOFMEMORY},  {10, E_OUTOFMEMORY},   {6, KO_E_RESOURCEMISSING},
              {0x3001, E_OUTOFMEMORY}, {0x3002, KO_E_BADFILENAME}, {0x3003, E_INVALIDARG},
              {0x4001, E_INVALIDARG}, {0xFFFF, E_INVALIDARG}, {12, E_FAIL},
              {0x1001, E_FAIL},    {0x100C, E_FAIL},      {0x2002, E_FAIL}};
  for (const auto &r : rows) EXPECT_EQ(KoErrorHandler_TranslateCommDlgError(r.error), r.want) << r.error;
}

}  // namespace
