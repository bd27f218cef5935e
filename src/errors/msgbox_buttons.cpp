// The button sets of the message boxes and the answer of a set's default
// button, which the unattended hook gives in place of the user.
#include <cstdint>

#include "errors/msgbox_internal.h"

namespace ko::msgbox {
namespace {

// Sets 0..13; sets without buttons of their own (6..9) fall back to set 0.
constexpr ButtonSet kSets[14] = {
    {1, {1}, false},          {2, {1, 2}, false},        {3, {3, 4, 5}, true},
    {3, {6, 7, 2}, false},    {2, {6, 7}, true},         {2, {4, 2}, false},
    {0, {}, false},           {0, {}, false},            {0, {}, false},
    {0, {}, false},           {4, {6, 100, 7, 2}, false}, {3, {6, 7, 101}, true},
    {4, {6, 7, 102, 2}, false}, {5, {6, 100, 7, 102, 2}, false},
};

}  // namespace

const ButtonSet &ButtonSetOf(uint32_t style) {
  const uint32_t number = style & 0xF;
  return number <= 13 && kSets[number].count ? kSets[number] : kSets[0];
}

int DefaultAnswer(uint32_t style) {
  const ButtonSet &set = ButtonSetOf(style);
  const unsigned index = (style >> 8) & 0xF;
  return index < unsigned(set.count) ? set.results[index] : -1;
}

}  // namespace ko::msgbox
