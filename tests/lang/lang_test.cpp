// Language handles without resources: records, slots, the scratch ring,
// conversions and the LCID utilities.
#include <gtest/gtest.h>

#include <vector>

#include "kokernel/konumtext.h"
#include "lang/lang_helpers.h"
#include "settings/lang_internal.h"

using kotest::Lang;
using kotest::MakeRecord;
using kotest::Slots;
using kotest::U8;

namespace {

// One distinct text per slot: "slot<n>".
struct SlotRecord {
  KOCHAR texts[KOLANG_SLOT_COUNT][8];
  KOLANGSTRINGID record = MakeRecord(nullptr);
  SlotRecord() {
    for (int i = 0; i < KOLANG_SLOT_COUNT; ++i) {
      const std::string s = "slot" + std::to_string(i + 1);
      for (size_t k = 0; k <= s.size(); ++k) texts[i][k] = static_cast<KOCHAR>(s[k]);
      record.slots[i] = texts[i];
    }
  }
};

std::string Resolve(LCID lcid, KOLANGSTRINGID &r) {
  Lang lang(lcid);
  return U8(KoGetString(lang.h, Slots(r)));
}

}  // namespace

TEST(LangRecord, SlotsSlotCountNumbersAndMarkers) {
  SlotRecord sr;
  const uint32_t *table = ko::lang::LanguageTable();
  for (int i = 0; i < KOLANG_SLOT_COUNT; ++i)
    EXPECT_EQ(Resolve(table[i], sr.record), "slot" + std::to_string(i + 1)) << std::hex << table[i];
  // Sub-languages condition to the table's forms; unknown languages give
  // English; French (5) in a record of 3 slots gives slot 3.
  const struct { LCID lcid; int slot, slotCount; } cases[] = {
      {0x0C0A, 4, KOLANG_SLOT_COUNT}, {0x1404, 7, KOLANG_SLOT_COUNT}, {0x1004, 6, KOLANG_SLOT_COUNT},
      {0x0816, 15, KOLANG_SLOT_COUNT}, {0x0418, 1, KOLANG_SLOT_COUNT}, {0x040C, 3, 3}};
  for (const auto &c : cases) {
    sr.record.slotCount = c.slotCount;
    EXPECT_EQ(Resolve(c.lcid, sr.record), "slot" + std::to_string(c.slot)) << c.lcid;
  }
  // A numbered slot that the module cannot give is replaced by slot 1's text, written back.
  SlotRecord nr;
  nr.record.slots[2] = KOLANG_NUMBER(4711);
  Lang german(0x0407);
  EXPECT_EQ(U8(KoGetString(german.h, Slots(nr.record))), "slot1");
  EXPECT_EQ(nr.record.slots[2], nr.texts[0]);
  nr.record.slots[2] = nullptr;  // no text at all: English too
  EXPECT_EQ(U8(KoGetString(german.h, Slots(nr.record))), "slot1");
  // Slot 1 itself a number that nothing resolves: the empty text, never the number.
  KOLANGSTRINGID numbers = MakeRecord(KOLANG_NUMBER(17));
  const KOCHAR *t = KoGetString(german.h, Slots(numbers));
  EXPECT_TRUE(reinterpret_cast<uintptr_t>(t) >= 0x10000u && t[0] == 0);
  const KOCHAR *asText = reinterpret_cast<const KOCHAR *>(&sr.record);
  sr.record.slotCount = KOLANG_SLOT_COUNT;
  EXPECT_TRUE(IsKOLANGSTRINGID(nullptr, asText));
  EXPECT_EQ(U8(KoGetStringSmart(german.h, asText)), "slot3");
  EXPECT_EQ(KoGetStringSmart(german.h, KOLANG_NUMBER(0xFFFF))[0], 0);
  // An odd pointer starting with the marker is plain text.
  alignas(4) static KOCHAR buffer[8] = {0, 0xFFFE, 'x', 0};
  const KOCHAR *odd = reinterpret_cast<const KOCHAR *>(reinterpret_cast<char *>(buffer) + 2);
  EXPECT_FALSE(IsKOLANGSTRINGID(nullptr, odd));
  EXPECT_EQ(KoGetStringSmart(german.h, odd), odd);
}

TEST(LangScratch, RingWrapsStaysInsideAndRefusesOversizedText) {
  Lang lang(0x0409, nullptr, 2048);
  KOCHAR *base = KoGetTempStringBuffer(lang.h, 10), *prev = base;
  ASSERT_NE(base, nullptr);
  int wrapsAt = -1;
  for (int i = 1; i < 200 && wrapsAt < 0; ++i) {
    KOCHAR *slot = KoGetTempStringBuffer(lang.h, 10);
    if (slot == base) wrapsAt = static_cast<int>(prev - base);
    else ASSERT_EQ(slot - prev, 12) << "request " << i;
    prev = slot;
  }
  EXPECT_EQ(wrapsAt, 1020) << "the ring wraps after the position passes 1024";
  // Requests of every size up to the reserve never reach past the end.
  Lang ring(0x0409, nullptr, 2048);
  KOCHAR *start = KoGetTempStringBuffer(ring.h, 0);
  ASSERT_NE(start, nullptr);
  for (int units : {1020, 1024, 1000, 1023, 1024, 7, 1024, 513, 1024, 999, 1024}) {
    KOCHAR *slot = KoGetTempStringBuffer(ring.h, units);
    ASSERT_NE(slot, nullptr) << units;
    EXPECT_LE(slot - start + units + 1, 2048) << "a slot of " << units << " at " << slot - start;
    for (int k = 0; k <= units; ++k) slot[k] = 'x';  // ASan sees any overrun
  }
  for (int bad : {1025, -1}) EXPECT_EQ(KoGetTempStringBuffer(ring.h, bad), nullptr) << bad;
  EXPECT_EQ(KoGetTempStringBuffer(nullptr, 4), nullptr);

  EXPECT_STREQ(KoGetMultiByteFromPrintString(lang.h, KOTEXT("plain text")), "plain text");
  EXPECT_EQ(U8(KoGetPrintFromMultiByteString(lang.h, "back again")), "back again");
  // 600 units need a slot of 1202: beyond what a 2048 ring serves, so empty.
  std::vector<KOCHAR> longText(600, 'a');
  longText.push_back(0);
  EXPECT_STREQ(KoGetMultiByteFromPrintString(lang.h, longText.data()), "");
  EXPECT_EQ(KoGetPrintFromMultiByteString(lang.h, std::string(1500, 'b').c_str())[0], 0);
}

TEST(LangUtilities, ConditioningTagsDirectionAndNames) {
  const struct { LCID in, out; } cond[] = {{0x0C04, 0x0404}, {0x1004, 0x0804}, {0x0816, 0x0816},
                                           {0x0C0A, 0x040A}, {0x0809, 0x0409}, {0x10407, 0x0407}};
  for (const auto &c : cond) EXPECT_EQ(KoLang_GetConditionedLCID(c.in), c.out) << std::hex << c.in;
  const struct { LCID lcid; const char *tag; int cch; HRESULT hr; } tags[] = {
      {0x0804, "zh-CN", 8, S_OK}, {0x0816, "pt-BR", 8, S_OK}, {0x0407, "de", 3, S_OK}, {0x0409, "", 8, S_FALSE}};
  for (const auto &t : tags) {
    KOCHAR buf[8] = {0};
    Lang lang(t.lcid);
    EXPECT_EQ(KoLang_GetLangllCC(lang.h, buf, t.cch), t.hr) << t.tag;
    if (t.hr == S_OK) { EXPECT_EQ(U8(buf), t.tag); }
  }
  Lang french(0x040C), arabic(0x0401), japanese(0x0411), japaneseOther(0x0811);
  EXPECT_TRUE(KoLang_UseRTL(arabic.h) && !KoLang_UseRTL(french.h));
  KOCHAR name[32];
  EXPECT_EQ(KoLang_LocalizeUserName(japanese.h, KOTEXT("Taro"), KOTEXT("Yamada"), name, 32), 11);
  EXPECT_EQ(U8(name), "Yamada Taro");
  EXPECT_FALSE(KoLang_IsNameOrderReversed(japaneseOther.h)) << "only exactly 0x0411";
  EXPECT_EQ(KoLang_LocalizeUserName(french.h, KOTEXT("Anne"), KOTEXT("Martin"), name, 6), 5);
  EXPECT_EQ(U8(name), "Anne ");
}

TEST(LangKernel, UpdateSwitchesBothHandlesAndResetsSlots) {
  SlotRecord sr;
  Lang kernel(0x0407), h(0x040C);
  EXPECT_FALSE(KoLang_UpdateKernelLCID(h.h, 0x0410)) << "no kernel handle yet";
  ko::lang::SetKernelHandle(kernel.h);
  EXPECT_EQ(U8(KoGetString(h.h, Slots(sr.record))), "slot5");
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0410));
  EXPECT_EQ(KoLang_GetLCID(kernel.h), 0x0410u);
  EXPECT_EQ(U8(KoGetString(h.h, Slots(sr.record))) + U8(KoGetString(kernel.h, Slots(sr.record))), "slot10slot10");
  EXPECT_TRUE(KoLang_UpdateKernelLCID(h.h, 0));
  EXPECT_EQ(KoLang_GetLCID(h.h) + KoLang_GetLCID(kernel.h), 2 * 0x0409u);
  EXPECT_EQ(h.h->nonEnglish + kernel.h->nonEnglish, 0u);
  EXPECT_EQ(U8(KoGetString(kernel.h, Slots(sr.record))), "slot1");
  EXPECT_FALSE(KoLang_UpdateKernelLCID(nullptr, 0x0407));
  ko::lang::SetKernelHandle(nullptr);
}

// The mnemonic of a button label: the character after its single "&",
// lower-cased for Latin, Latin-1 and Cyrillic letters; 0 when the label has
// no mnemonic or more than one "&".
static KOCHAR Mnemonic(const KOCHAR *s) {
  KOCHAR m = 0;
  int marks = 0;
  for (; *s; ++s)
    if (*s == '&') ++marks, m = s[1];
  const bool upper = (m >= 'A' && m <= 'Z') || (m >= 0xC0 && m <= 0xDE && m != 0xD7) || (m >= 0x410 && m <= 0x42F);
  return marks != 1 ? 0 : upper ? static_cast<KOCHAR>(m + 0x20) : m;
}

TEST(LangBuiltin, ButtonLabelsHaveDistinctMnemonicsInEveryLanguage) {
  using namespace ko::lang;
  // The boxes' button sets; the details button and the check box can join
  // any of them, so their mnemonics must differ from all buttons of a set.
  const std::vector<std::vector<int>> sets = {
      {kTextAbort, kTextRetry, kTextIgnore}, {kTextYes, kTextNo}, {kTextYes, kTextYesToAll, kTextNo},
      {kTextYes, kTextNo, kTextDelete}, {kTextYes, kTextNo, kTextNoToAll}, {kTextYes, kTextYesToAll, kTextNo, kTextNoToAll}};
  for (int s = 0; s < KOLANG_SLOT_COUNT; ++s)
    for (const auto &set : sets)
      for (int extra : {kTextDetailsShow, kTextDetailsHide}) {
        std::vector<int> all = set;
        all.insert(all.end(), {extra, kTextDontShowAgain});
        for (size_t a = 0; a < all.size(); ++a) {
          const KOCHAR *x = BuiltinRecord(all[a])->slots[s];
          EXPECT_NE(Mnemonic(x), 0) << U8(x) << " in slot " << s + 1;
          for (size_t b = a + 1; b < all.size(); ++b)
            EXPECT_NE(Mnemonic(x), Mnemonic(BuiltinRecord(all[b])->slots[s]))
                << "slot " << s + 1 << ": '" << U8(x) << "' and '" << U8(BuiltinRecord(all[b])->slots[s]) << "'";
        }
      }
  // Translated, not copied: the languages with their own words differ from
  // English in every button label.
  Lang english(0x0409), japanese(0x0411), russian(0x0419), polish(0x0415), french(0x040C);
  for (int l : {kTextAbort, kTextRetry, kTextIgnore, kTextYes, kTextNo, kTextYesToAll, kTextDelete, kTextNoToAll,
                kTextDetailsShow, kTextDetailsHide, kTextDontShowAgain})
    for (Lang *x : {&french, &japanese, &russian, &polish})
      EXPECT_NE(U8(KoGetString(x->h, AsSlots(BuiltinRecord(l)))), U8(KoGetString(english.h, AsSlots(BuiltinRecord(l)))))
          << std::hex << KoLang_GetLCID(x->h);
  EXPECT_EQ(U8(KoGetString(japanese.h, AsSlots(BuiltinRecord(kTextNo)))), "いいえ(&N)");
}
