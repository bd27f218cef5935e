// Dialog templates in memory: built from the compact header and control
// records (classic and extended layouts) and read back into them.
#include <cstring>
#include <string>
#include <vector>

#include "kokernel/koresource.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/lang_internal.h"

namespace {

using ko::kostring;

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT
constexpr unsigned kMaxControls = 256;
const KOCHAR kShellDlg[] = {'M', 'S', ' ', 'S', 'h', 'e', 'l', 'l', ' ', 'D', 'l', 'g', 0};

bool IsOrdinal(const KOCHAR *p) { return reinterpret_cast<uintptr_t>(p) < 0x10000; }
uint16_t Ordinal(const KOCHAR *p) { return static_cast<uint16_t>(reinterpret_cast<uintptr_t>(p)); }
const KOCHAR *FromOrdinal(uint16_t n) { return reinterpret_cast<const KOCHAR *>(uintptr_t{n}); }

// ---- writing --------------------------------------------------------------------
class Writer {
 public:
  void U16(uint32_t v) { Put(static_cast<uint16_t>(v)); }
  void U32(uint32_t v) { Put(v); }
  void S16(int16_t v) { Put(v); }
  void U8(uint8_t v) { bytes_.push_back(v); }
  void Text(const KOCHAR *s) {
    for (; s && *s; ++s) U16(*s);
    U16(0);
  }
  // A name or an ordinal; null as the single 0 unit of "none".
  void NameOrOrdinal(const KOCHAR *p) {
    if (!p) {
      U16(0);
    } else if (IsOrdinal(p)) {
      U16(0xFFFF);
      U16(Ordinal(p));
    } else {
      Text(p);
    }
  }
  void Bytes(const void *p, size_t n) {
    const auto *b = static_cast<const unsigned char *>(p);
    if (n) bytes_.insert(bytes_.end(), b, b + n);
  }
  void Align4() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  size_t size() const { return bytes_.size(); }
  const DLGTEMPLATE *Publish() const {
    void *block = ko::platform::GlobalAllocLocked(bytes_.size(), true);
    if (block) std::memcpy(block, bytes_.data(), bytes_.size());
    return static_cast<const DLGTEMPLATE *>(block);
  }

 private:
  template <typename T>
  void Put(T v) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    bytes_.insert(bytes_.end(), b, b + sizeof(T));
  }
  std::vector<unsigned char> bytes_;
};

// Resolved texts are copied at once: a handle's texts may be short-lived.
kostring ResolveCopy(HKOLANG h, const KOCHAR *ref) {
  const KOCHAR *s = ref ? KoGetStringSmart(h, ref) : nullptr;
  return s ? kostring(s) : kostring();
}

uint16_t DefaultPointSize() {
  HKOLANG k = ko::lang::KernelHandle();
  return (k && ko::lang::Primary(KoLang_GetLCID(k)) == 17) ? 9 : 8;
}

// ---- reading -------------------------------------------------------------------------
// A bounded reader over the template; every read checks the end first.
class Reader {
 public:
  Reader(const unsigned char *b, size_t n) : b_(b), n_(n) {}
  bool U16(uint16_t *v) { return Get(v); }
  bool U32(uint32_t *v) { return Get(v); }
  bool S16(int16_t *v) { return Get(v); }
  bool U8(uint8_t *v) { return Get(v); }
  bool Align4() {
    size_t p = (pos_ + 3) & ~size_t{3};
    if (p > n_) return false;
    pos_ = p;
    return true;
  }
  bool Text(kostring *s) {
    s->clear();
    for (;;) {
      uint16_t c;
      if (!U16(&c)) return false;
      if (!c) return true;
      s->push_back(static_cast<KOCHAR>(c));
    }
  }
  // 0: none; 0xFFFF n: ordinal n; otherwise a text.
  bool NameOrOrdinal(bool *isOrdinal, uint16_t *ordinal, kostring *s, bool *none) {
    *isOrdinal = false;
    *none = false;
    s->clear();
    size_t start = pos_;
    uint16_t first;
    if (!U16(&first)) return false;
    if (first == 0xFFFF) {
      *isOrdinal = true;
      return U16(ordinal);
    }
    if (first == 0) {
      *none = true;
      return true;
    }
    pos_ = start;
    return Text(s);
  }
  bool Skip(size_t n) {
    if (n > n_ - pos_) return false;
    pos_ += n;
    return true;
  }
  size_t pos() const { return pos_; }
  const unsigned char *at() const { return b_ + pos_; }

 private:
  template <typename T>
  bool Get(T *v) {
    if (sizeof(T) > n_ - pos_) return false;
    std::memcpy(v, b_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return true;
  }
  const unsigned char *b_;
  size_t n_;
  size_t pos_ = 0;
};

// A name field read back: none, an ordinal or a text.
struct Field {
  bool none = true, ordinal = false;
  uint16_t number = 0;
  kostring text;
  bool Read(Reader &r) { return r.NameOrOrdinal(&ordinal, &number, &text, &none); }
};

struct MappedControl {
  _kodlgctrlcreateex rec{};
  Field cls, text;
  size_t dataOffset = 0;  // into the template
};

}  // namespace

KO_EXTERN_C KOAPI const DLGTEMPLATE *KoCreateDialogTemplate(HKOLANG h, const _kodlghdrcreate *hdr,
                                                            const _kodlgctrlcreate *controls) {
  if (!hdr) return nullptr;
  unsigned count = hdr->controlCount < kMaxControls ? hdr->controlCount : kMaxControls;
  if (count && !controls) return nullptr;
  Writer w;
  w.U32(hdr->style);
  w.U32(hdr->exStyle);
  w.U16(count);
  w.S16(hdr->x), w.S16(hdr->y), w.S16(hdr->cx), w.S16(hdr->cy);
  w.NameOrOrdinal(hdr->menuId ? FromOrdinal(hdr->menuId) : nullptr);
  w.NameOrOrdinal(hdr->classId ? FromOrdinal(hdr->classId) : nullptr);
  w.Text(ResolveCopy(h, hdr->title).c_str());
  if (hdr->style & kSetFont) {
    kostring face = hdr->fontFace ? ResolveCopy(h, hdr->fontFace) : kostring(kShellDlg);
    w.U16(hdr->fontFace ? hdr->pointSize : DefaultPointSize());
    w.Text(face.c_str());
  }
  for (unsigned i = 0; i < count; ++i) {
    const _kodlgctrlcreate &c = controls[i];
    w.Align4();
    w.U32(c.style);
    w.U32(c.exStyle);
    w.S16(c.x), w.S16(c.y), w.S16(c.cx), w.S16(c.cy);
    w.U16(c.id);
    w.NameOrOrdinal(c.className ? c.className : KOTEXT(""));
    w.Text(ResolveCopy(h, c.text).c_str());
    w.U16(0);
  }
  return w.Publish();
}

KO_EXTERN_C KOAPI const DLGTEMPLATE *KoCreateDialogTemplateEx(HKOLANG h,
                                                              const _kodlghdrcreateex *hdr,
                                                              const _kodlgctrlcreateex *controls,
                                                              WORD *sizeOut) {
  if (sizeOut) *sizeOut = 0;
  if (!hdr) return nullptr;
  unsigned count = hdr->controlCount < kMaxControls ? hdr->controlCount : kMaxControls;
  if (count && !controls) return nullptr;
  Writer w;
  w.U16(1);
  w.U16(0xFFFF);
  w.U32(hdr->helpId);
  w.U32(hdr->exStyle);
  w.U32(hdr->style);
  w.U16(count);
  w.S16(hdr->x), w.S16(hdr->y), w.S16(hdr->cx), w.S16(hdr->cy);
  w.NameOrOrdinal(hdr->menu);
  w.NameOrOrdinal(hdr->windowClass);
  w.Text(ResolveCopy(h, hdr->title).c_str());
  if (hdr->style & kSetFont) {
    if (hdr->fontFace) {
      w.U16(hdr->pointSize), w.U16(hdr->weight), w.U8(hdr->italic), w.U8(hdr->charSet);
      w.Text(ResolveCopy(h, hdr->fontFace).c_str());
    } else {
      w.U16(8), w.U16(400), w.U8(0), w.U8(1);
      w.Text(kShellDlg);
    }
  }
  for (unsigned i = 0; i < count; ++i) {
    const _kodlgctrlcreateex &c = controls[i];
    w.Align4();
    w.U32(c.helpId);
    w.U32(c.exStyle);
    w.U32(c.style);
    w.S16(c.x), w.S16(c.y), w.S16(c.cx), w.S16(c.cy);
    // The record holds 16 bits: 0xFFFF is the "no identifier" -1 of the
    // 32-bit field, as the resource compiler writes it.
    w.U32(c.id == 0xFFFF ? 0xFFFFFFFFu : c.id);
    w.NameOrOrdinal(c.className ? c.className : KOTEXT(""));
    w.Text(ResolveCopy(h, c.text).c_str());
    uint32_t data = (c.creationData && c.creationDataSize <= 0xFFFF) ? c.creationDataSize : 0;
    w.U16(data);
    w.Bytes(c.creationData, data);
  }
  if (w.size() > 0xFFFF) return nullptr;
  if (sizeOut) *sizeOut = static_cast<WORD>(w.size());
  return w.Publish();
}

KO_EXTERN_C KOAPI long KoMapDialogTemplate(const DLGTEMPLATE *t, long size,
                                           _kodlghdrcreateex **out) {
  if (out) *out = nullptr;
  if (!t || !out || size < static_cast<long>(sizeof(DLGTEMPLATE))) return 0;
  Reader r(reinterpret_cast<const unsigned char *>(t), static_cast<size_t>(size));
  _kodlghdrcreateex hdr{};
  uint32_t signature = 0;
  std::memcpy(&signature, t, 4);
  const bool ex = signature == KO_DLGTEMPLATEEX_SIGNATURE;
  uint16_t count = 0;
  bool ok = true;
  if (ex) {
    ok = r.Skip(4) && r.U32(&hdr.helpId) && r.U32(&hdr.exStyle) && r.U32(&hdr.style);
  } else {
    ok = r.U32(&hdr.style) && r.U32(&hdr.exStyle);
  }
  ok = ok && r.U16(&count) && r.S16(&hdr.x) && r.S16(&hdr.y) && r.S16(&hdr.cx) && r.S16(&hdr.cy);
  Field menu, cls, title, face;
  ok = ok && menu.Read(r) && cls.Read(r) && r.Text(&title.text);
  title.none = false;
  if (ok && (hdr.style & kSetFont)) {
    ok = r.U16(&hdr.pointSize);
    if (ex) {
      ok = ok && r.U16(&hdr.weight) && r.U8(&hdr.italic) && r.U8(&hdr.charSet);
    } else {
      hdr.weight = 400;
      hdr.charSet = 1;
    }
    ok = ok && r.Text(&face.text);
    face.none = false;
  }
  if (!ok) return 0;
  hdr.controlCount = count;
  std::vector<MappedControl> items(count);
  for (MappedControl &m : items) {
    _kodlgctrlcreateex &c = m.rec;
    if (!r.Align4()) return 0;
    if (ex) {
      uint32_t id = 0;
      ok = r.U32(&c.helpId) && r.U32(&c.exStyle) && r.U32(&c.style) && r.S16(&c.x) &&
           r.S16(&c.y) && r.S16(&c.cx) && r.S16(&c.cy) && r.U32(&id);
      c.id = static_cast<uint16_t>(id);
    } else {
      ok = r.U32(&c.style) && r.U32(&c.exStyle) && r.S16(&c.x) && r.S16(&c.y) && r.S16(&c.cx) &&
           r.S16(&c.cy) && r.U16(&c.id);
    }
    uint16_t extra = 0;
    ok = ok && m.cls.Read(r) && m.text.Read(r) && r.U16(&extra);
    if (!ok) return 0;
    // The classic count includes its own word; the extended one does not.
    size_t bytes = ex ? extra : (extra >= 2 ? extra - 2u : 0u);
    m.dataOffset = r.pos();
    if (!r.Skip(bytes)) return 0;
    c.creationDataSize = static_cast<uint32_t>(bytes);
  }

  // One block: records, then every string and creation data. It is never
  // smaller than twice the template, and grows when the copies need more.
  const size_t records = sizeof(_kodlghdrcreateex) + sizeof(_kodlgctrlcreateex) * count;
  size_t need = records;
  auto textBytes = [](const Field &f) {
    return (f.none || f.ordinal) ? size_t{0} : (f.text.size() + 2) * sizeof(KOCHAR);
  };
  need += textBytes(menu) + textBytes(cls) + textBytes(title) + textBytes(face);
  for (const MappedControl &m : items)
    need += textBytes(m.cls) + textBytes(m.text) + (m.rec.creationDataSize ? m.rec.creationDataSize + 7u : 0u);
  size_t blockBytes = need > 2 * static_cast<size_t>(size) ? need : 2 * static_cast<size_t>(size);
  auto *block = static_cast<unsigned char *>(ko::platform::GlobalAllocLocked(blockBytes, true));
  if (!block) return 0;
  size_t at = records;
  auto place = [&](const Field &f) -> const KOCHAR * {
    if (f.none) return nullptr;
    if (f.ordinal) return FromOrdinal(f.number);
    at = (at + 1) & ~size_t{1};
    // A text that starts with 0xFFFE at a 4-aligned address reads as a string
    // record when the records are built again: move it by one unit (the room
    // counted for each text has it).
    if (!f.text.empty() && f.text[0] == 0xFFFE && (reinterpret_cast<uintptr_t>(block + at) & 3) == 0)
      at += sizeof(KOCHAR);
    auto *p = reinterpret_cast<KOCHAR *>(block + at);
    std::memcpy(p, f.text.c_str(), (f.text.size() + 1) * sizeof(KOCHAR));
    at += (f.text.size() + 1) * sizeof(KOCHAR);
    return p;
  };
  hdr.menu = place(menu);
  hdr.windowClass = place(cls);
  hdr.title = place(title);
  hdr.fontFace = place(face);
  auto *recs = reinterpret_cast<_kodlgctrlcreateex *>(block + sizeof(_kodlghdrcreateex));
  for (uint16_t i = 0; i < count; ++i) {
    MappedControl &m = items[i];
    m.rec.className = place(m.cls);
    m.rec.text = place(m.text);
    if (m.rec.creationDataSize) {
      at = (at + 7) & ~size_t{7};
      std::memcpy(block + at, reinterpret_cast<const unsigned char *>(t) + m.dataOffset,
                  m.rec.creationDataSize);
      m.rec.creationData = block + at;
      at += m.rec.creationDataSize;
    }
    recs[i] = m.rec;
  }
  std::memcpy(block, &hdr, sizeof hdr);
  *out = reinterpret_cast<_kodlghdrcreateex *>(block);
  return static_cast<long>(records);
}
