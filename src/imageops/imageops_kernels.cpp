// The registry entries of the image-operation rows. Every form is
// bit-identical to its scalar reference (integer rows by construction, float
// rows by doing the same operations in the same order without contraction).
#include "frame/kernel_families.h"
#include "imageops/imageops_internal.h"

namespace ko::imageops {

using ko::forms::Declare;
using ko::forms::Family;

#define KO_IMAGEOPS_KERNEL(Name, Type) \
  const ko::forms::Kernel k##Name =    \
      Declare<Type>("imageops." #Name, Family::ImageOps, Name##_C, Name##_SSE2, Name##_AVX2);
KO_IMAGEOPS_KERNEL(CompositeRow8, CompositeRow8Fn)
KO_IMAGEOPS_KERNEL(CompositeRowF, CompositeRowFFn)
KO_IMAGEOPS_KERNEL(BlendRow, BlendRowFn)
KO_IMAGEOPS_KERNEL(MultiplyRow8, MultiplyRowFn)
KO_IMAGEOPS_KERNEL(MaskedFadeRow8, MaskedFadeRowFn)
KO_IMAGEOPS_KERNEL(ToFloatRow, ToFloatRowFn)
KO_IMAGEOPS_KERNEL(ToByteRow, ToByteRowFn)
KO_IMAGEOPS_KERNEL(GaussRows8, GaussRowsFn)
KO_IMAGEOPS_KERNEL(GaussRowsF, GaussRowsFn)
KO_IMAGEOPS_KERNEL(GaussDown, GaussDownFn)
KO_IMAGEOPS_KERNEL(GaussUp8, GaussUpFn)
KO_IMAGEOPS_KERNEL(GaussUpF, GaussUpFn)
#undef KO_IMAGEOPS_KERNEL

}  // namespace ko::imageops

namespace ko::forms {

const KernelTable &KernelTable_ImageOps() {
  using namespace ko::imageops;
  static const Kernel *const items[] = {&kCompositeRow8, &kCompositeRowF, &kBlendRow,   &kMultiplyRow8,
                                        &kMaskedFadeRow8, &kToFloatRow,  &kToByteRow, &kGaussRows8,
                                        &kGaussRowsF,     &kGaussDown,   &kGaussUp8,  &kGaussUpF};
  static const KernelTable table{items, sizeof items / sizeof items[0]};
  return table;
}

}  // namespace ko::forms
