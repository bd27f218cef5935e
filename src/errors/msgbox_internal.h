// Internal interface of the message boxes: the rules that need no window.
#pragma once

#include <cstdint>

namespace ko::msgbox {

// The answer of the default button (style bits 8-11) of the style's button
// set (bits 0-3), or -1 when the default index lies beyond the set's buttons.
int DefaultAnswer(uint32_t style);

}  // namespace ko::msgbox
