// The language strings of the byte-size texts. They are multi-language
// records of the library's own texts, resolved through the kernel language
// handle; without a kernel handle the English texts are used.
#include "text/builtin_texts.h"
#include "text/numbers_internal.h"

namespace ko::numtext {

namespace {

struct SizeUnitEntry {
  SizeText id;
  int record;  // built-in text; "%1" in it is replaced by the number
};

constexpr SizeUnitEntry kSizeUnits[] = {
    {SizeText::kBytesLong, lang::kTextSizeBytesLong},
    {SizeText::kBytesShort, lang::kTextSizeBytesShort},
    {SizeText::kKB, lang::kTextSizeKB},
    {SizeText::kMB, lang::kTextSizeMB},
    {SizeText::kGB, lang::kTextSizeGB},
    {SizeText::kTB, lang::kTextSizeTB},
    {SizeText::kPB, lang::kTextSizePB},
    {SizeText::kEB, lang::kTextSizeEB},
    {SizeText::kTooBig, lang::kTextSizeTooBig},
};

}  // namespace

const KOCHAR *SizeUnitText(SizeText which) {
  for (const SizeUnitEntry &e : kSizeUnits) {
    if (e.id != which) continue;
    return text::BuiltinText(e.record);
  }
  return KOTEXT("%1");
}

}  // namespace ko::numtext
