// The process-wide internationals record: locale conventions read from the
// user's locale, the library's time-code and music-time separators, and the
// KoPrintF tokens derived from them.
#include <cstring>

#include "settings/lang_internal.h"
#include "kokernel/koprintf.h"
#include "text/locale_settings.h"

namespace ko::lang {

namespace {

KOINTERNATIONALS g_inat{};

// Result of a copy that had to truncate (the system's insufficient-buffer code).
constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007AL);

template <size_t N>
uint32_t PutText(KOCHAR (&dst)[N], const KOCHAR *src) {
  uint32_t i = 0;
  if (src)
    for (; src[i] && i < N - 1; ++i) dst[i] = src[i];
  dst[i] = 0;
  return i;
}

template <size_t N>
uint32_t PutAscii(KOCHAR (&dst)[N], const char *src) {
  uint32_t i = 0;
  for (; src[i] && i < N - 1; ++i) dst[i] = static_cast<KOCHAR>(src[i]);
  dst[i] = 0;
  return i;
}

template <size_t N>
uint32_t TextLength(const KOCHAR (&s)[N]) {
  uint32_t i = 0;
  while (i < N && s[i]) ++i;
  return i;
}

bool Same(const KOCHAR *a, const KOCHAR *b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// Formats a label record's text with its separators into at most 63 units.
void FormatLabel(const KOCHAR *pattern, const KOCHAR *const *args, int nargs, KOCHAR *out,
                 int cch) {
  out[0] = 0;
  const KOCHAR *a = args[0], *b = nargs > 1 ? args[1] : nullptr, *c = nargs > 2 ? args[2] : nullptr;
  // A label cut at the size limit is kept as far as it goes.
  KoCchPrintF(out, static_cast<size_t>(cch), nullptr, pattern, a, b, c);
}

const KOCHAR *Label(HKOLANG h, int index) {
  KOLANGSTRINGID *r = BuiltinRecord(index);
  if (!r) return nullptr;
  // Without a handle the English text of the record is used.
  return h ? KoGetString(h, AsSlots(r)) : r->slots[0];
}

void PublishSeparators(const KOINTERNATIONALS &r) {
  text::LocaleSettings s = text::DefaultLocaleSettings();
  auto copy = [](KOCHAR (&dst)[text::kSeparatorUnits], const KOCHAR(&src)[8]) {
    for (int i = 0; i < text::kSeparatorUnits; ++i) dst[i] = src[i];
    dst[text::kSeparatorUnits - 1] = 0;
  };
  copy(s.decimalSeparator, r.decimalSeparator);
  copy(s.thousandSeparator, r.thousandSeparator);
  copy(s.listSeparator, r.listSeparator);
  copy(s.timeSeparator, r.timeSeparator);
  copy(s.negativeSign, r.negativeSign);
  s.grouping = static_cast<int>(r.grouping);
  s.leadingZero = r.leadingZero != 0;
  copy(s.timecodeUnits, r.timecodeWhole);
  copy(s.timecodeFrames, r.timecodeNonDrop);
  copy(s.timecodeDropFrames, r.timecodeDrop);
  copy(s.musicBeats, r.musicBeats);
  copy(s.musicTicks, r.musicTicks);
  text::SetLocaleSettings(s);
}

}  // namespace

void BuildInternationals(uint32_t locale, const KOINTERNATIONALS *previous,
                         KOINTERNATIONALS *rec) {
  KOINTERNATIONALS r{};
  r.size = KOLANG_INTERNATIONALS_SIZE;
  ReadLocaleFields(locale, &r);
  r.negativeSignLength = TextLength(r.negativeSign);
  r.minusLength = PutAscii(r.minus, "-");
  r.thousandSeparatorLength = TextLength(r.thousandSeparator);
  if (Same(r.decimalSeparator, r.thousandSeparator)) {
    const bool thousandIsDot = r.thousandSeparator[0] == '.' && r.thousandSeparator[1] == 0;
    PutAscii(r.decimalSeparator, thousandIsDot ? "," : ".");
  }
  r.decimalSeparatorLength = TextLength(r.decimalSeparator);
  r.timeSeparatorLength = TextLength(r.timeSeparator);
  r.listSeparatorLength = TextLength(r.listSeparator);
  r.languageNameLength = TextLength(r.languageName);
  r.englishLanguageNameLength = TextLength(r.englishLanguageName);
  r.countryNameLength = TextLength(r.countryName);
  r.englishCountryNameLength = TextLength(r.englishCountryName);
  r.timecodeWholeLength = PutAscii(r.timecodeWhole, ":");
  r.timecodeNonDropLength = PutAscii(r.timecodeNonDrop, ".");
  r.timecodeDropLength = PutAscii(r.timecodeDrop, ",");
  if (previous && previous->languageIdLength) {
    r.languageIdLength = PutText(r.languageId, previous->languageId);
  }
  r.musicBeatsLength = PutAscii(r.musicBeats, ".");
  r.musicTicksLength = PutAscii(r.musicTicks, ".");
  *rec = r;
}

void ComputeInternationalTokens(const KOINTERNATIONALS &r, HKOLANG h,
                                InternationalToken (&out)[kInternationalTokenCount]) {
  const KOCHAR *nonDrop[3] = {r.timecodeWhole, r.timecodeWhole, r.timecodeNonDrop};
  const KOCHAR *drop[3] = {r.timecodeWhole, r.timecodeWhole, r.timecodeDrop};
  const KOCHAR *music[2] = {r.musicBeats, r.musicTicks};
  const KOCHAR *shortTc = Label(h, kTextTimecodeLabel);
  const KOCHAR *fullTc = Label(h, kTextTimecodeLabelFull);
  const KOCHAR *shortMt = Label(h, kTextMusicLabel);
  const KOCHAR *fullMt = Label(h, kTextMusicLabelFull);
  out[0].name = "SMPTE.Whole";
  PutText(out[0].value, r.timecodeWhole);
  out[1].name = "SMPTE.NonDrop";
  PutText(out[1].value, r.timecodeNonDrop);
  out[2].name = "SMPTE.Drop";
  PutText(out[2].value, r.timecodeDrop);
  out[3].name = "SMPTE.Label.NonDrop";
  FormatLabel(shortTc, nonDrop, 3, out[3].value, 64);
  out[4].name = "SMPTE.Label.Drop";
  FormatLabel(shortTc, drop, 3, out[4].value, 64);
  out[5].name = "SMPTE.Label.NonDrop.Full";
  FormatLabel(fullTc, nonDrop, 3, out[5].value, 64);
  out[6].name = "SMPTE.Label.Drop.Full";
  FormatLabel(fullTc, drop, 3, out[6].value, 64);
  out[7].name = "MusicTime.Label";
  FormatLabel(shortMt, music, 2, out[7].value, 64);
  out[8].name = "MusicTime.Label.Full";
  FormatLabel(fullMt, music, 2, out[8].value, 64);
}

}  // namespace ko::lang

using namespace ko::lang;

extern "C" KOAPI HRESULT KoSetLangID(KOCSTR id) {
  static const KOCHAR kDefault[4] = {'E', 'N', 'U', 0};
  if (!id || !id[0]) id = kDefault;
  KOCHAR *dst = g_inat.languageId;
  uint32_t n = 0;
  while (id[n] && n < 3) {
    dst[n] = id[n];
    ++n;
  }
  dst[n] = 0;
  g_inat.languageIdLength = n;
  // The copy is bounded to three characters: a longer identifier is truncated.
  return id[n] ? kInsufficientBuffer : S_OK;
}

extern "C" KOAPI HRESULT KoLang_GetInternationals(void *buffer, uint32_t size) {
  if (buffer) {
    uint32_t n = size < KOLANG_INTERNATIONALS_SIZE ? size : KOLANG_INTERNATIONALS_SIZE;
    if (n < sizeof(uint32_t)) return E_INVALIDARG;  // no room for the copied size
    std::memcpy(buffer, &g_inat, n);
    std::memcpy(buffer, &n, sizeof n);
    return S_OK;
  }
  KOINTERNATIONALS r;
  BuildInternationals(0, &g_inat, &r);
  g_inat = r;
  PublishSeparators(g_inat);
  // The derived KoPrintF tokens, each replacing a token of the same name.
  InternationalToken tokens[kInternationalTokenCount];
  ComputeInternationalTokens(g_inat, KernelHandle(), tokens);
  for (const InternationalToken &t : tokens) {
    KOCHAR name[32];
    PutAscii(name, t.name);
    KoPrintF_AddToken(name, t.value);
  }
  return S_OK;
}

extern "C" KOAPI uint32_t KoGetInatN(int index, KOSTR buffer, uint32_t cch) {
  if (buffer && cch) buffer[0] = 0;
  const KOCHAR *text = nullptr;
  switch (index) {
    case 0: return g_inat.systemLCID;
    case 1: return g_inat.languageNumber;
    case 2: text = g_inat.languageName; break;
    case 3: text = g_inat.englishLanguageName; break;
    case 4: return g_inat.countryCode;
    case 24: text = g_inat.decimalSeparator; break;
    case 40: text = g_inat.listSeparator; break;
    case 60: text = g_inat.timeSeparator; break;
    case 100: text = g_inat.timecodeWhole; break;
    case 101: text = g_inat.timecodeNonDrop; break;
    case 102: text = g_inat.timecodeDrop; break;
    case 120: text = g_inat.musicBeats; break;
    case 121: text = g_inat.musicTicks; break;
    default: return 0;
  }
  if (!buffer || cch == 0) return 0;
  uint32_t n = 0;
  while (text[n] && n < cch - 1) {
    buffer[n] = text[n];
    ++n;
  }
  buffer[n] = 0;
  return n;
}

extern "C" KOAPI uint32_t KoGetInat(int index, KOSTR buffer) {
  // Every text field holds at most 63 units: 64 is enough.
  return KoGetInatN(index, buffer, 64);
}
