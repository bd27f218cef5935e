// The language strings of the byte-size texts. This table is the one place
// they live; the language layer turns it into multi-language records.
#include "text/numbers_internal.h"

namespace ko::numtext {

namespace {

struct SizeUnitEntry {
  SizeText id;
  const KOCHAR *text;  // "%1" is replaced by the number
};

constexpr SizeUnitEntry kSizeUnits[] = {
    {SizeText::kBytesLong, KOTEXT("%1 bytes")},
    {SizeText::kBytesShort, KOTEXT("%1 B")},
    {SizeText::kKB, KOTEXT("%1 KB")},
    {SizeText::kMB, KOTEXT("%1 MB")},
    {SizeText::kGB, KOTEXT("%1 GB")},
    {SizeText::kTB, KOTEXT("%1 TB")},
    {SizeText::kPB, KOTEXT("%1 PB")},
    {SizeText::kEB, KOTEXT("%1 EB")},
    {SizeText::kTooBig, KOTEXT("> 9 YB")},
};

}  // namespace

const KOCHAR *SizeUnitText(SizeText which) {
  for (const SizeUnitEntry &e : kSizeUnits)
    if (e.id == which) return e.text;
  return KOTEXT("%1");
}

}  // namespace ko::numtext
