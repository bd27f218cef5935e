// The profile-colour reader on any value text: it never reads past the
// value, and every colour it reads writes back in each form and reads the same.
#include "../harness.h"
#include "ui/ui_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzText t(data, size);
  uint32_t c = 0;
  const bool ok = ko::ui::ReadProfileColour(t.c_str(), &c);
  Require((ok || c == ko::ui::kNotAColour) && c != 0xFFFFFFFFu);
  if (ok) {
    for (uint32_t form = 0; form < 3; ++form) {
      KOCHAR text[ko::ui::kProfileNumberUnits];
      if (!ko::ui::ColourProfileText(c, form, text)) std::abort();
      uint32_t back = 0;
      if (!ko::ui::ReadProfileColour(text, &back) || back != c) std::abort();
    }
  }
  return 0;
}
