// Any bytes as a dialog template: the mapper refuses or maps within the
// bytes, and what it maps builds again into a template that maps the same.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kokernel/koresource.h"
#include "platform/platform.h"

namespace {
bool SameText(KOCSTR a, KOCSTR b) {
  bool oa = reinterpret_cast<uintptr_t>(a) < 0x10000, ob = reinterpret_cast<uintptr_t>(b) < 0x10000;
  if (oa || ob) return oa == ob && (a == b || (!a && b && !*b) || (!b && a && !*a));
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  bytes.shrink_to_fit();
  _kodlghdrcreateex *m = nullptr;
  long n = KoMapDialogTemplate(reinterpret_cast<const DLGTEMPLATE *>(bytes.data()),
                               static_cast<long>(size), &m);
  if (!n) {
    if (m) std::abort();
    return 0;
  }
  if (n != 64 + 56 * static_cast<long>(m->controlCount)) std::abort();
  // Build again (the builder keeps at most 256 controls) and map once more.
  auto *controls = reinterpret_cast<const _kodlgctrlcreateex *>(m + 1);
  WORD built = 0;
  const DLGTEMPLATE *t = KoCreateDialogTemplateEx(nullptr, m, controls, &built);
  if (t && m->controlCount <= 256) {
    _kodlghdrcreateex *again = nullptr;
    long n2 = KoMapDialogTemplate(t, built, &again);
    if (n2 != n || again->style != m->style || !SameText(again->title, m->title)) std::abort();
    auto *c2 = reinterpret_cast<const _kodlgctrlcreateex *>(again + 1);
    for (uint16_t i = 0; i < m->controlCount; ++i)
      if (c2[i].id != controls[i].id || c2[i].creationDataSize != controls[i].creationDataSize ||
          !SameText(c2[i].className, controls[i].className))
        std::abort();
    ko::platform::GlobalFreeLocked(again);
  }
  if (t) ko::platform::GlobalFreeLocked(const_cast<DLGTEMPLATE *>(t));
  ko::platform::GlobalFreeLocked(m);
  return 0;
}
