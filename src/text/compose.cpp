// KoComposeStr: the system message formatter's language over a C argument
// list. "%1" to "%99" insert arguments (by number; "%1!fmt!" formats one
// with a C format, plain "%1" is "%1!s!"), "%0" ends the text, "%n" is a
// line break, "%r" a carriage return, "%t" a tab, "%" before any other
// character gives that character, and every line end of the format becomes
// carriage return and line feed. Arguments are pointer-sized slots, read in
// order as far as the highest number used; a "*" width or precision takes
// the slot after the one it was given, and the value the slot after that.
#include <cstring>

#include "kokernel/koprintf.h"
#include "text/printf_engine.h"

namespace ko::text {

namespace {

constexpr int kMaxInserts = 99;
constexpr size_t kMaxInsertFormat = 64;

// Argument slots read on demand from a C argument list.
class Slots {
 public:
  explicit Slots(va_list args) { va_copy(args_, args); }
  ~Slots() { va_end(args_); }
  Slots(const Slots &) = delete;
  Slots &operator=(const Slots &) = delete;

  uintptr_t Get(int nr) {
    while (last_ < nr && last_ < kMaxInserts + 2) slots_[last_++] = va_arg(args_, uintptr_t);
    return nr >= 1 && nr <= last_ ? slots_[nr - 1] : 0;
  }

 private:
  va_list args_;
  uintptr_t slots_[kMaxInserts + 2] = {};
  int last_ = 0;
};

// Hands consecutive slots, starting at one number, to the standard formatter.
class SlotReader final : public ArgReader {
 public:
  SlotReader(Slots &slots, int first) : slots_(slots), next_(first) {}
  int32_t Int32() override { return static_cast<int32_t>(Take()); }
  int64_t Int64() override { return static_cast<int64_t>(Take()); }
  double Double() override {
    uint64_t bits = Take();
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  const void *Pointer() override { return reinterpret_cast<const void *>(Take()); }

 private:
  uintptr_t Take() {
    return slots_.Get(next_++);
  }
  Slots &slots_;
  int next_;
};

void LineBreak(Sink &out) {
  out.Put('\r');
  out.Put('\n');
}

// One insert: `fmt` holds the text between the exclamation marks.
void Insert(Sink &out, Slots &slots, int nr, const KOCHAR *fmt, size_t n) {
  KOCHAR spec[kMaxInsertFormat + 2];
  if (n == 0 || n > kMaxInsertFormat) return;
  std::memcpy(spec, fmt, n * sizeof(KOCHAR));
  // "S" and "C" name ANSI text in a wide formatter.
  bool ansi = false;
  if (spec[n - 1] == 'S' || spec[n - 1] == 'C') {
    spec[n - 1] = spec[n - 1] == 'S' ? 's' : 'c';
    ansi = true;
  }
  Spec parsed;
  if (!ParseSpec(spec, n, &parsed)) return;
  if (ansi && parsed.size == Spec::kDefault) parsed.size = Spec::kNarrow;
  // The message formatter has no floating-point conversions.
  if (IsFloatConversion(parsed.conversion)) return;
  SlotReader reader(slots, nr);
  FormatStandard(out, parsed, reader);
}

}  // namespace

// Returns false for a format that the message formatter rejects: a "%" at
// the end, or an insert format without its closing "!".
bool ComposeText(Sink &out, const KOCHAR *f, Slots &slots) {
  while (*f) {
    KOCHAR c = *f++;
    if (c == '\r') {
      if (*f == '\n') ++f;
      LineBreak(out);
      continue;
    }
    if (c == '\n') {
      LineBreak(out);
      continue;
    }
    if (c != '%') {
      out.Put(c);
      continue;
    }
    if (!*f) return false;
    if (*f >= '1' && *f <= '9') {
      int nr = *f++ - '0';
      if (*f >= '0' && *f <= '9') nr = nr * 10 + (*f++ - '0');
      if (*f == '!') {
        const KOCHAR *begin = ++f;
        while (*f && *f != '!') ++f;
        if (!*f) return false;
        Insert(out, slots, nr, begin, static_cast<size_t>(f - begin));
        ++f;
      } else {
        static const KOCHAR kString[] = {'s'};
        Insert(out, slots, nr, kString, 1);
      }
      continue;
    }
    KOCHAR e = *f++;
    switch (e) {
      case '0':
        return true;
      case 'n':
        LineBreak(out);
        break;
      case 'r':
        out.Put('\r');
        break;
      case 't':
        out.Put('\t');
        break;
      default:
        out.Put(e);
        break;
    }
  }
  return true;
}

}  // namespace ko::text

extern "C" UINT KoComposeStr(KOSTR dst, UINT capacity, KOCSTR format, ...) {
  if (!dst || capacity == 0) return 0;
  dst[0] = 0;
  if (!format) return 0;
  va_list args;
  va_start(args, format);
  UINT n = 0;
  {
    ko::text::Slots slots(args);
    ko::text::Sink out(dst, capacity - 1);
    bool ok = ko::text::ComposeText(out, format, slots);
    if (!ok || out.Cut()) {
      dst[0] = 0;
    } else {
      out.Terminate();
      n = static_cast<UINT>(out.Length());
    }
  }
  va_end(args);
  return n;
}
