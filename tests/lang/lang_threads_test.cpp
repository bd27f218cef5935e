// Several threads look texts up on one handle while another thread switches
// the handle's language: every text read must be whole and one of the valid
// texts of its number or record. With string tables (Windows) the lookups by
// number go through the cache that each switch empties.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "lang/lang_helpers.h"
#include "settings/lang_internal.h"

#ifdef _WIN32
#include <windows.h>
#endif

using kotest::Lang;
using kotest::U8;

namespace {

HMODULE Host() {
#ifdef _WIN32
  static HMODULE module = LoadLibraryW(L"kolang_testhost.dll");
  return module;
#else
  return nullptr;
#endif
}

struct Expect {
  bool byNumber;
  UINT id;
  int record;
  std::string valid[2];  // the text in each of the two languages
};

}  // namespace

TEST(LangThreads, LookupsStayWholeWhileTheLanguageSwitches) {
  using namespace ko::lang;
  Lang kernel(0x0409), h(0x0409, Host());
  ASSERT_NE(h.h, nullptr);
  SetKernelHandle(kernel.h);

  std::vector<Expect> expect;
  for (int r : {kTextYes, kTextCancel, kTextMusicLabelFull, kTextSizeBytesLong, kTextDetailsShow})
    expect.push_back({false, 0, r,
                      {U8(BuiltinRecord(r)->slots[0]), U8(BuiltinRecord(r)->slots[2])}});
#ifdef _WIN32
  ASSERT_NE(Host(), nullptr);
  const UINT ids[] = {100, 101, 102, 200, 202, 300};
  for (UINT id : ids) {
    Lang en(0x0409, Host()), de(0x0407, Host());
    expect.push_back({true, id, 0, {U8(KoGetString(en.h, id)), U8(KoGetString(de.h, id))}});
    ASSERT_FALSE(expect.back().valid[0].empty()) << id;
  }
  EXPECT_EQ(expect.back().valid[1], "%d Clips ausgewählt");
#endif

  std::atomic<bool> done{false};
  std::atomic<int> seen[2] = {{0}, {0}};
  constexpr int kReaders = 4;
  std::vector<int> bad(kReaders, 0);
  std::vector<std::string> firstBad(kReaders);
  std::vector<std::thread> readers;
  for (int t = 0; t < kReaders; ++t) {
    readers.emplace_back([&, t] {
      for (int round = 0; !done.load() || round < 50; ++round) {
        const Expect &e = expect[(round + t) % expect.size()];
        const KOCHAR *p = e.byNumber ? KoGetString(h.h, e.id)
                                     : KoGetString(h.h, AsSlots(BuiltinRecord(e.record)));
        // Read the text twice: a text freed or rewritten under the reader
        // shows as a difference or as a text of neither language.
        const std::string a = U8(p);
        std::this_thread::yield();
        const std::string b = U8(p);
        const int which = a == e.valid[0] ? 0 : (a == e.valid[1] ? 1 : -1);
        if (which < 0 || a != b) {
          if (!bad[t]++) firstBad[t] = a + " / " + b;
        } else {
          seen[which].fetch_add(1);
        }
      }
    });
  }
  std::thread switcher([&] {
    for (int i = 0; i < 400; ++i) {
      KoLang_UpdateKernelLCID(h.h, (i & 1) ? 0x0409 : 0x0407);
      if ((i & 15) == 0) std::this_thread::yield();
    }
    done.store(true);
  });
  switcher.join();
  for (auto &r : readers) r.join();
  for (int t = 0; t < kReaders; ++t) EXPECT_EQ(bad[t], 0) << "thread " << t << ": " << firstBad[t];
  EXPECT_GT(seen[0].load() + seen[1].load(), 0);

  // Settled in German: every lookup gives the German text and the cache
  // holds each number once.
  KoLang_UpdateKernelLCID(h.h, 0x0407);
  for (const Expect &e : expect) {
    const KOCHAR *p = e.byNumber ? KoGetString(h.h, e.id)
                                 : KoGetString(h.h, AsSlots(BuiltinRecord(e.record)));
    EXPECT_EQ(U8(p), e.valid[1]);
  }
#ifdef _WIN32
  EXPECT_EQ(h.h->cache->nCount, 6);
#endif
  SetKernelHandle(nullptr);
}

#ifdef _WIN32
// A text handed out by number stays readable after the language changes:
// the emptied cache is set aside, not freed, until the handle closes.
TEST(LangThreads, TextsHandedOutSurviveALanguageChange) {
  ASSERT_NE(Host(), nullptr);
  Lang kernel(0x0409), h(0x0407, Host());
  ko::lang::SetKernelHandle(kernel.h);
  const KOCHAR *german = KoGetString(h.h, 100u);
  ASSERT_EQ(U8(german), "Öffnen");
  ASSERT_TRUE(KoLang_UpdateKernelLCID(h.h, 0x0409));
  EXPECT_EQ(h.h->cache->nCount, 0);
  const KOCHAR *english = KoGetString(h.h, 100u);
  EXPECT_EQ(U8(english), "Open");
  EXPECT_EQ(U8(german), "Öffnen") << "the old text is intact";
  ASSERT_NE(h.h->retired, nullptr);
  EXPECT_EQ(h.h->retired->list->nCount, 1);
  ko::lang::SetKernelHandle(nullptr);
}
#endif
