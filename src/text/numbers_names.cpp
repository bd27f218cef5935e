// Small string fix-ups for names shown to the user.
#include <cstring>
#include <string>
#include <vector>

#include "kokernel/konumtext.h"
#include "text/numbers_internal.h"

using namespace ko::numtext;

namespace {

using wstr = std::basic_string<KOCHAR>;

bool IsDigit(KOCHAR c) { return c >= '0' && c <= '9'; }
bool IsLetterOrDigit(KOCHAR c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

void CopyOut(const wstr &s, KOCHAR *dst, int capacity) {
  TextSink sink(dst, capacity);
  for (KOCHAR c : s) sink.Put(c);
  sink.Finish();
}

wstr Trim(const wstr &s) {
  size_t b = 0, e = s.size();
  while (b < e && IsWhiteSpace(s[b])) ++b;
  while (e > b && IsWhiteSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool MatchNoCase(const KOCHAR *p, const char *word) {
  for (; *word; ++p, ++word) {
    KOCHAR c = *p;
    if (c >= 'a' && c <= 'z') c = static_cast<KOCHAR>(c - 32);
    if (c != static_cast<KOCHAR>(*word)) return false;
  }
  return true;
}

struct DigitRun {
  size_t begin, end;
  uint64_t value;
};

// A numbered pair such as "Out 3/4" or "Analog 1-2 (Main)": two digit runs,
// the second one more than the first, separated by at most three characters
// of punctuation or space. Fills the two names and returns true when found.
bool SplitNumberedPair(const wstr &name, wstr &left, wstr &right) {
  std::vector<DigitRun> runs;
  for (size_t i = 0; i < name.size();) {
    if (!IsDigit(name[i])) {
      ++i;
      continue;
    }
    DigitRun r{i, i, 0};
    while (r.end < name.size() && IsDigit(name[r.end])) {
      if (r.value < 1000000000ULL) r.value = r.value * 10 + (name[r.end] - '0');
      ++r.end;
    }
    runs.push_back(r);
    i = r.end;
  }
  for (size_t k = 0; k + 1 < runs.size(); ++k) {
    const DigitRun &a = runs[k], &b = runs[k + 1];
    if (b.value != a.value + 1 || a.value >= 1000000000ULL) continue;
    size_t gap = b.begin - a.end;
    if (gap == 0 || gap > 3) continue;
    bool separator = true;
    for (size_t i = a.end; i < b.begin; ++i)
      if (IsLetterOrDigit(name[i])) separator = false;
    if (!separator) continue;
    left = name.substr(0, a.end) + name.substr(b.end);
    right = name.substr(0, a.begin) + name.substr(b.begin);
    return true;
  }
  return false;
}

// Position of the "/" that separates the two channel names, skipping the one
// in "S/PDIF"; npos when there is none.
size_t FindChannelSlash(const wstr &name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '/') continue;
    if (i >= 1 && MatchNoCase(name.c_str() + i - 1, "S/PDIF")) continue;
    return i;
  }
  return wstr::npos;
}

wstr FirstWord(const wstr &s) {
  size_t e = 0;
  while (e < s.size() && !IsWhiteSpace(s[e])) ++e;
  return s.substr(0, e);
}

bool SameNoCase(const wstr &a, const wstr &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    KOCHAR x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<KOCHAR>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<KOCHAR>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Splits "Front L/R Bus" at the slash: the word just before the slash names
// the left channel and the word just after it the right one; the words
// before that pair and after it are shared by both names ("Front L Bus",
// "Front R Bus"). When both sides start with the same word, each side is
// already a whole name ("Guitar L/Guitar R").
void SplitAtSlash(const wstr &name, size_t slash, wstr &left, wstr &right) {
  wstr before = Trim(name.substr(0, slash));
  wstr after = Trim(name.substr(slash + 1));
  if (before.empty() || after.empty()) {
    left = right = before.empty() ? after : before;
    return;
  }
  if (SameNoCase(FirstWord(before), FirstWord(after))) {
    left = before;
    right = after;
    return;
  }
  size_t lastWord = before.size();
  while (lastWord > 0 && !IsWhiteSpace(before[lastWord - 1])) --lastWord;
  size_t firstWordEnd = FirstWord(after).size();
  left = before + after.substr(firstWordEnd);
  right = before.substr(0, lastWord) + after;
}

}  // namespace

extern "C" int KoStringReplaceChars(char *text, char from, char to) {
  if (!text) return 0;
  int n = 0;
  for (; text[n]; ++n)
    if (text[n] == from) text[n] = to;
  return n;
}

extern "C" int KoStringReplaceCharsW(KOCHAR *text, KOCHAR from, KOCHAR to) {
  if (!text) return 0;
  int n = 0;
  for (; text[n]; ++n)
    if (text[n] == from) text[n] = to;
  return n;
}

extern "C" int KoStripWhiteSpace(KOCHAR *text) {
  if (!text) return 0;
  size_t b = 0;
  while (IsWhiteSpace(text[b])) ++b;
  size_t e = b;
  while (text[e]) ++e;
  while (e > b && IsWhiteSpace(text[e - 1])) --e;
  std::memmove(text, text + b, (e - b) * sizeof(KOCHAR));
  text[e - b] = 0;
  return static_cast<int>(e - b);
}

extern "C" KOCHAR *KoPrepareName(KOCSTR src, KOCHAR *dst, int capacity) {
  if (!src || !dst || capacity <= 0) return nullptr;
  while (IsWhiteSpace(*src)) ++src;
  size_t e = 0;
  while (src[e]) ++e;
  while (e > 0 && IsWhiteSpace(src[e - 1])) --e;
  if (e == 0) {
    dst[0] = 0;
    return nullptr;
  }
  if (e > static_cast<size_t>(capacity - 1)) e = capacity - 1;
  std::memmove(dst, src, e * sizeof(KOCHAR));
  dst[e] = 0;
  return e ? dst : nullptr;
}

extern "C" BOOL KoChannelizeStereoName(KOCSTR pair, KOCHAR *left, int leftCapacity, KOCHAR *right,
                                       int rightCapacity) {
  if (!pair) return FALSE;
  wstr name = Trim(wstr(pair));
  wstr l, r;
  if (!SplitNumberedPair(name, l, r)) {
    size_t slash = FindChannelSlash(name);
    if (slash == wstr::npos)
      l = r = name;
    else
      SplitAtSlash(name, slash, l, r);
  }
  if (left) CopyOut(l, left, leftCapacity);
  if (right) CopyOut(r, right, rightCapacity);
  return TRUE;
}

extern "C" int KoFixNameForMenu(KOCHAR *dst, KOCSTR src, int capacity) {
  constexpr int kWork = 260;
  KOCHAR work[kWork];
  int n = 0;
  if (src) {
    for (; *src; ++src) {
      int need = *src == '&' ? 2 : 1;
      if (n + need > kWork - 1) break;  // the doubled text must fit, terminator included
      work[n++] = *src;
      if (*src == '&') work[n++] = '&';
    }
  }
  work[n] = 0;
  TextSink sink(dst, capacity);
  if (!sink.capacity) return 0;
  // Never end a cut text on half of a doubled "&".
  int keep = n < capacity - 1 ? n : capacity - 1;
  int amps = 0;
  for (int i = keep - 1; i >= 0 && work[i] == '&'; --i) ++amps;
  if (keep < n && amps % 2) --keep;
  for (int i = 0; i < keep; ++i) sink.Put(work[i]);
  sink.Finish();
  return sink.length;
}
