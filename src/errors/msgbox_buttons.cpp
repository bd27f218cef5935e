// The button sets of the message boxes and the answer of a set's default
// button, which the unattended hook gives in place of the user.
#include <cstdint>

#include "errors/msgbox_internal.h"

namespace ko::msgbox {
namespace {

struct ButtonSet {
  int count;
  int results[5];
};

// Sets 0..13; sets without buttons of their own (6..9) fall back to set 0.
constexpr ButtonSet kSets[14] = {
    {1, {1}},          {2, {1, 2}},        {3, {3, 4, 5}},       {3, {6, 7, 2}},
    {2, {6, 7}},       {2, {4, 2}},        {0, {}},              {0, {}},
    {0, {}},           {0, {}},            {4, {6, 100, 7, 2}},  {3, {6, 7, 101}},
    {4, {6, 7, 102, 2}}, {5, {6, 100, 7, 102, 2}},
};

}  // namespace

int DefaultAnswer(uint32_t style) {
  const uint32_t number = style & 0xF;
  const ButtonSet *set = number <= 13 && kSets[number].count ? &kSets[number] : &kSets[0];
  const unsigned index = (style >> 8) & 0xF;
  return index < unsigned(set->count) ? set->results[index] : -1;
}

}  // namespace ko::msgbox
