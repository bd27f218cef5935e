// Composed messages in three languages, details lines and the hyperlink.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "errors/errors_internal.h"
#include "errors_test.h"
#include "kokernel/koprintf.h"
#include "platform/platform.h"
#include "settings/lang_internal.h"
#include "text/token_list.h"

using kotest::U8;
using kotest::W;

namespace {

const std::string kSaving = "An error occurred while saving the project file ";
const std::string kLowMemory =
    "\n\nThe system is low on memory. You may be able to reduce memory usage by closing other "
    "applications.";
const std::string kDiskFull = "\n\nThe disk is full. Please free some space and try again.";

// A kernel handle of the given language, the AppName token and no details.
class Compose : public ::testing::Test {
 protected:
  void Use(LCID lcid) {
    TearDown();
    ASSERT_EQ(KoLang_Open(&h_, nullptr, lcid, 0), S_OK);
    ko::lang::SetKernelHandle(h_);
  }
  void SetUp() override {
    Use(0x0409);
    ko::text::CreateTokenList();
    KoPrintF_AddToken(KOTEXT("AppName"), KOTEXT("Studio"));
  }
  void TearDown() override {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(std::exchange(h_, nullptr));
    KoErrorHandler_DetailsInit();
  }
  static std::string Message(UINT_PTR context, uint32_t code, const char *arg) {
    const ko::kostring a = W(arg ? arg : "");
    return U8(KoErrorHandler_GetErrorMessage(context, KO_HR(code), arg ? a.c_str() : nullptr));
  }
  HKOLANG h_ = nullptr;
};

// German and French use their translations and fall back to English
// sentence by sentence where there is none.
TEST_F(Compose, MessagesInThreeLanguagesAndLongArguments) {
  const ko::kostring plain = W("Copying %s, %s and %d: ");
  const std::string voll = "\n\nDer Datenträger ist voll. Bitte geben Sie Speicherplatz frei und "
                           "versuchen Sie es erneut.";
  const struct { LCID lcid; UINT_PTR context; uint32_t code; const char *arg; std::string want; } cases[] = {
      {0x409, 6, 0x8007000E, "a.prj", kSaving + "a.prj." + kLowMemory},
      {0x409, 6, 0x8007000E, nullptr, kSaving + "." + kLowMemory},
      {0x409, 999, 0x8004E005, nullptr, "An error occurred during the current operation.\n\nThe system is busy."},
      {0x409, 0, 0x8004ABCD, "x", "An error occurred during the current operation.\n\nError 0x8004abcd (message missing)"},
      // Tokens are expanded in both sentences; the placeholder of an error
      // sentence and conversions beyond the one argument read nothing.
      {0x409, 26, 0x8004E164, nullptr, "An error occurred starting Studio.\n\n file type is unsupported in this version of Studio."},
      {0x409, 3, 0x8004E02A, "%s%d", "An error occurred in the effect chain '%s%d'.\nThe bit depth is not supported."},
      {0x409, reinterpret_cast<UINT_PTR>(plain.c_str()), 0x8004E00C, "f",
       "Copying f,  and 0: \n\nThe operation was cancelled by the user."},
      {0x407, 6, 0x8004E002, "a", "Beim Speichern der Projektdatei a ist ein Fehler aufgetreten." + voll},
      {0x407, 9, 0x8004E002, "b", "An error occurred while importing the EDL file b." + voll},
      {0x407, 0, 0x8004E010, nullptr, "Während des aktuellen Vorgangs ist ein Fehler aufgetreten.\n\n"
                                      "An error occurred while opening a device driver."},
      {0x40C, 6, 0x8004E00C, "c", "Une erreur s'est produite lors de l'enregistrement du fichier de projet c."
                                  "\n\nL'opération a été annulée par l'utilisateur."},
      {0x40C, 45, 0x8004E00C, "d", "An error occurred during this command (d)\n\nL'opération a été annulée par l'utilisateur."},
  };
  for (const auto &c : cases) {
    Use(c.lcid);
    EXPECT_EQ(Message(c.context, c.code, c.arg), c.want) << c.lcid << " " << c.context;
  }
  // Long arguments stay inside the message buffer.
  Use(0x0409);
  for (size_t n : {1850u, 1898u, 1899u, 5000u}) {
    const std::string arg(n, 'x');
    const std::string context = (kSaving + arg + ".").substr(0, KOERROR_MESSAGE_UNITS - 1);
    // From 1948 units of context on, the error sentence is left out.
    const std::string want = context.size() >= 1948
        ? context : (context + kDiskFull).substr(0, KOERROR_MESSAGE_UNITS - 1);
    EXPECT_EQ(Message(6, 0x8004E002, arg.c_str()), want) << n;
  }
}

TEST_F(Compose, DetailsLinesTheComposedTextAndTheLimits) {
  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_DISKFULL, nullptr), E_POINTER);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_DISKFULL, KOTEXT("a")), S_OK);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(KO_E_BUSY, KOTEXT("b=%d, %s"), 5, KOTEXT("z")), S_OK);
  // Another thread is refused unless it continues with the last code.
  HRESULT other = S_OK, same = E_FAIL;
  std::thread([&] {
    other = KoErrorHandler_DetailsAddString(KO_E_DISKFULL, KOTEXT("c"));
    same = KoErrorHandler_DetailsAddString(KO_E_BUSY, KOTEXT("d"));
  }).join();
  EXPECT_TRUE(other == E_FAIL && same == S_OK);
  int lines = 0;
  DWORD owner = 0;
  EXPECT_EQ(U8(KoErrorHandler_DetailsInfo(nullptr, &lines, &owner)), "a\r\nb=5, z\r\nd\r\n");
  EXPECT_TRUE(KoErrorHandler_GetLastError() == KO_E_BUSY && lines == 3 && owner == ko::platform::CurrentThreadId());
  KOBSTR text = KoErrorHandler_ComposeErrorText(6, E_OUTOFMEMORY, KOTEXT("p"));
  EXPECT_EQ(U8(text), kSaving + "p." + kLowMemory + "\r\n<Details>\r\na\r\nb=5, z\r\nd\r\n\r\n</Details>");
  kotest::FreeComposed(text);
  // Details and the hyperlink stop at their limits.
  KoErrorHandler_DetailsInit();
  const ko::kostring line = W(std::string(999, 'q'));
  int accepted = 0;
  while (KoErrorHandler_DetailsAddString(1, line.c_str()) == S_OK) ++accepted;
  EXPECT_EQ(accepted, 8);  // 1001 units a line; a ninth would pass 8192 units
  // The last room: (8008 + 2 + n) * 2 < 16384 holds up to n = 181.
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, W(std::string(182, 'r')).c_str()), E_FAIL);
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, W(std::string(181, 'r')).c_str()), S_OK);
  EXPECT_EQ(ko::WideLength(KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr)), 8191u);
  KoErrorHandler_DetailsInit();
  // A formatted line longer than the whole record is refused, not cut.
  EXPECT_EQ(KoErrorHandler_DetailsAddString(1, KOTEXT("%s"), W(std::string(9000, 's')).c_str()), E_FAIL);
  EXPECT_EQ(KoErrorHandler_DetailsInfo(nullptr, nullptr, nullptr), nullptr);
  const std::string url(2082, 'u'), label(2047, 't');
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(W(url).c_str(), W(label).c_str()), S_OK);
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(W(url + "u").c_str(), KOTEXT("x")), E_INVALIDARG);
  EXPECT_EQ(KoErrorHandler_DetailsSetHyperlink(KOTEXT("x"), W(label + "t").c_str()), E_INVALIDARG);
  EXPECT_EQ(U8(ko::errors::Details().linkUrl) + U8(ko::errors::Details().linkText), url + label);
}

}  // namespace
