// Internal interface of the message boxes: the rules that need no window.
#pragma once

#include <cstdint>

namespace ko::msgbox {

// A button set of the custom box: the results of its buttons in order, and
// whether the box's close box (and Esc) is disabled.
struct ButtonSet {
  int count;
  int results[5];
  bool closeDisabled;
};

// The style's button set (bits 0-3); sets without buttons of their own (6 to
// 9, 14 and 15) are set 0, the OK-only box.
const ButtonSet &ButtonSetOf(uint32_t style);

// The answer of the default button (style bits 8-11) of the style's button
// set (bits 0-3), or -1 when the default index lies beyond the set's buttons.
int DefaultAnswer(uint32_t style);

}  // namespace ko::msgbox
