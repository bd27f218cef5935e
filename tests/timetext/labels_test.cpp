// Labelled values in the kernel language handle's scratch ring.
#include <gtest/gtest.h>

#include "kokernel/kotimetext.h"
#include "settings/lang_internal.h"
#include "timetext/timetext_test_util.h"

using namespace kotest;

namespace {

// A kernel handle for one test; none again afterwards.
struct KernelLang {
  HKOLANG h = nullptr;
  explicit KernelLang(LCID lcid, uint32_t scratch = 0) {
    KoLang_Open(&h, nullptr, lcid, scratch);
    ko::lang::SetKernelHandle(h);
  }
  ~KernelLang() {
    ko::lang::SetKernelHandle(nullptr);
    KoLang_Close(h);
  }
};

TEST(LabeledValues, NumbersAndLabels) {
  ScopedSeparators sep{Separators{}};
  KernelLang lang(0x0409);
  ASSERT_NE(lang.h, nullptr);
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-1000, 1, -1000, nullptr)), "-Inf.");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-999, 1, -1000, nullptr)), "-99.9");
  ko::kostring hz = W(" Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(1234567, 2, 0, hz.c_str())), "12,345.67 Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(5, 12, 0, nullptr)), "0.000000005");
  EXPECT_EQ(U8(KoGetdBStringFixed(-125, 1, 0, TRUE)), "-12.5 dB");
  EXPECT_EQ(U8(KoGetdBStringFixed(-900, 1, -900, TRUE)), "-Inf.");

  EXPECT_EQ(U8(KoGetLabeledStringFloat(3.14159f, 2, 0, hz.c_str())), "3.14 Hz");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(-3.7f, 0, 0, nullptr)), "-3");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(1e12f, 0, 0, nullptr)), "2,147,483,647");
  EXPECT_EQ(U8(KoGetdBStringFloat(-6.02f, 1, -96.0f, TRUE)), "-6.0 dB");
  EXPECT_EQ(U8(KoGetdBStringFloat(-96.0f, 1, -96.0f, TRUE)), "-Inf.");

  // A long label is cut to the piece; a long number is cut by the formatter.
  ko::kostring longLabel = W(" is a label far longer than the piece");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(12, 0, 0, longLabel.c_str())), "12 is a label far longe");
  EXPECT_EQ(U8(KoGetLabeledStringFloat(-3e38f, 2, 0, nullptr)).size(), 23u);
}

TEST(LabeledValues, LanguageTexts) {
  {
    KernelLang lang(0x0407);
    EXPECT_EQ(U8(KoGetLabeledStringFixed(-5, 0, -5, nullptr)), "-Unendl.");
    EXPECT_EQ(U8(KoGetdBStringFixed(3, 0, 0, TRUE)), "3 dB");
  }
  {
    KernelLang lang(0x0419);
    EXPECT_EQ(U8(KoGetdBStringFixed(3, 0, 0, TRUE)), "3 дБ");
  }
  // Without a kernel handle there is no ring: the English error text.
  ko::lang::SetKernelHandle(nullptr);
  EXPECT_EQ(U8(KoGetLabeledStringFixed(12, 0, 0, nullptr)), "Err.");
  EXPECT_EQ(U8(KoGetLabeledStringFixed(-5, 0, -5, nullptr)), "-Inf.");
}

TEST(LabeledValues, PiecesStayInsideTheRing) {
  KernelLang lang(0x0409, KOLANG_SCRATCH_MIN);
  ASSERT_NE(lang.h, nullptr);
  const KOCHAR *ring = lang.h->scratch;
  const uint32_t capacity = lang.h->scratchCapacity;
  const KOCHAR *previous = nullptr;
  int wraps = 0;
  ko::kostring label = W(" a label that fills the piece");
  for (int i = 0; i < 400; ++i) {
    const KOCHAR *s = KoGetLabeledStringFixed(-123456789 - i, 3, 0, label.c_str());
    ASSERT_GE(s, ring);
    size_t n = 0;
    while (s[n]) ++n;
    ASSERT_EQ(n, 23u) << U8(s);
    ASSERT_LE(s + n + 1, ring + capacity) << "piece " << i;
    if (previous && s < previous) ++wraps;
    // Pieces are 26 units apart until the ring starts again.
    if (previous && s > previous) { ASSERT_EQ(s - previous, 26); }
    previous = s;
  }
  EXPECT_GE(wraps, 9);
}

}  // namespace
