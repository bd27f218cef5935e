// The three recognisers and the loader's walk on any image: nothing is read
// past the buffer, and whatever the walk accepts is a resource whose bitmap
// and masks fit inside what it hands on.
#include <cstdlib>
#include <vector>

#include "kokernel/kocursor.h"
#include "ui/cursor_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace ko::ui::cursors;
  std::vector<uint8_t> image(data, data + size);  // exactly sized
  const DWORD n = DWORD(size);
  IsKoGroupCursorPtr(image.data(), n);
  IsLikelyCursorRESPtr(image.data(), n);
  IsLikelyCursorFilePtr(image.data(), n);
  const int pick = size ? data[0] % 4 : 0;
  for (int index : {-1, 0, 1}) {
    Plan plan = PlanLoad(image.data(), size, index, [pick](const uint8_t *dir, size_t dirSize) {
      volatile uint8_t last = dir[dirSize - 1];  // the whole directory is readable
      (void)last;
      return pick;
    });
    if (plan.ok && (plan.size < 44 || !BitmapFits(plan.bits + 4, plan.size - 4))) std::abort();
  }
  return 0;
}
