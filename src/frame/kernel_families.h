// The kernel tables of the families, one entry a table. A family that adds
// row kernels defines `const ko::forms::KernelTable &KernelTable_<Name>()` in
// its own code and adds X(<Name>) here; the registry and everything that
// reads it (dispatch, the comparison test, the benchmark harness) then sees
// its kernels.
#pragma once

#include "frame/kernel_forms.h"

#define KO_KERNEL_TABLES(X) \
  X(Colour)

#define KO_DECLARE_KERNEL_TABLE(Name) const ko::forms::KernelTable &KernelTable_##Name();
namespace ko::forms {
KO_KERNEL_TABLES(KO_DECLARE_KERNEL_TABLE)
}  // namespace ko::forms
#undef KO_DECLARE_KERNEL_TABLE
