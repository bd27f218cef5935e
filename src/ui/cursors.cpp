// The cursor image recognisers and the walk that turns a grouped image, a
// cursor file or a cursor resource into the resource the system creates a
// cursor from. Every offset and size is checked against the buffer before
// it is read.
#include <cstring>

#include "kokernel/kocursor.h"
#include "ui/cursor_internal.h"

namespace ko::ui::cursors {
namespace {

uint16_t U16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t I32(const uint8_t *p) { return int32_t(U32(p)); }
void Put16(uint8_t *p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Put32(uint8_t *p, uint32_t v) { Put16(p, uint16_t(v)); Put16(p + 2, uint16_t(v >> 16)); }

constexpr size_t kFileHeader = 6;
constexpr size_t kFileEntry = 16;
constexpr size_t kDirEntry = 14;

// Entry i of a cursor file of n bytes: false when it is not inside.
struct FileEntry {
  uint8_t width, height;
  uint16_t hotX, hotY;
  uint32_t bytes, offset;
};
bool ReadEntry(const uint8_t *p, size_t n, size_t i, FileEntry *e) {
  const size_t at = kFileHeader + i * kFileEntry;
  if (at + kFileEntry > n) return false;
  const uint8_t *q = p + at;
  e->width = q[0];
  e->height = q[1];
  e->hotX = U16(q + 4);
  e->hotY = U16(q + 6);
  e->bytes = U32(q + 8);
  e->offset = U32(q + 12);
  return e->offset <= n && e->bytes <= n - e->offset;
}

// Picks an entry of a cursor file through a directory built from it.
int ChooseFromFile(const uint8_t *p, size_t n, size_t count, const Chooser &choose) {
  std::vector<uint8_t> dir(kFileHeader + count * kDirEntry, 0);
  Put16(dir.data() + 2, 2);
  Put16(dir.data() + 4, uint16_t(count));
  for (size_t i = 0; i < count; ++i) {
    FileEntry e{};
    if (!ReadEntry(p, n, i, &e)) return 0;
    uint8_t *d = dir.data() + kFileHeader + i * kDirEntry;
    Put16(d, e.width ? e.width : 256);
    Put16(d + 2, uint16_t((e.height ? e.height : 256) * 2));
    Put16(d + 4, e.hotX);
    Put16(d + 6, e.hotY);
    Put32(d + 8, e.bytes);
    Put16(d + 12, uint16_t(i + 1));
  }
  return choose ? choose(dir.data(), dir.size()) : 0;
}

Plan Resource(const uint8_t *p, size_t n) {
  Plan plan;
  if (n < 4 || !BitmapFits(p + 4, n - 4)) return plan;
  plan.ok = true;
  plan.bits = p;
  plan.size = n;
  return plan;
}

Plan FromFile(const uint8_t *p, size_t n, int index, const Chooser &choose) {
  Plan plan;
  if (n < kFileHeader || U16(p) != 0 || U16(p + 2) != 2) return plan;
  const size_t count = U16(p + 4);
  if (count == 0 || kFileHeader + count * kFileEntry > n) return plan;
  if (index < 0 && count >= 2) index = ChooseFromFile(p, n, count, choose) - 1;
  if (index < 0) index = 0;
  FileEntry e{};
  if (size_t(index) >= count || !ReadEntry(p, n, size_t(index), &e)) return plan;
  const uint8_t *image = p + e.offset;
  if (!BitmapFits(image, e.bytes)) return plan;
  if (e.offset >= 4 && U16(image - 4) == e.hotX && U16(image - 2) == e.hotY) {
    plan.bits = image - 4;
    plan.size = size_t(e.bytes) + 4;
  } else {
    plan.copy.resize(size_t(e.bytes) + 4);
    Put16(plan.copy.data(), e.hotX);
    Put16(plan.copy.data() + 2, e.hotY);
    std::memcpy(plan.copy.data() + 4, image, e.bytes);
    plan.bits = plan.copy.data();
    plan.size = plan.copy.size();
    plan.dropShared = true;
  }
  plan.ok = true;
  return plan;
}

}  // namespace

bool BitmapFits(const uint8_t *p, size_t n) {
  if (n < 40 || U32(p) != 40) return false;
  const int32_t width = I32(p + 4), height2 = I32(p + 8);
  const uint16_t bits = U16(p + 14);
  if (width < 1 || width > 256 || height2 < 2 || height2 > 512 || (height2 & 1)) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  if (U32(p + 16) != 0) return false;  // only uncompressed bitmaps
  const uint32_t used = U32(p + 32);
  const uint64_t colours = bits <= 8 ? (used && used < (1u << bits) ? used : (1u << bits)) : 0;
  const uint64_t height = uint64_t(height2) / 2;
  const uint64_t colourStride = ((uint64_t(width) * bits + 31) / 32) * 4;
  const uint64_t maskStride = ((uint64_t(width) + 31) / 32) * 4;
  return 40 + colours * 4 + (colourStride + maskStride) * height <= n;
}

bool IsGroup(const uint8_t *p, size_t n) { return p && n >= 28 && U32(p) == kGroupMagic; }

bool IsResource(const uint8_t *p, size_t n) {
  if (!p || n < 44 || U32(p + 4) != 40 || U32(p + 24) >= n) return false;
  const int32_t width = I32(p + 8), height = I32(p + 12) / 2;
  return U16(p) <= width && U16(p + 2) <= height;
}

bool IsFile(const uint8_t *p, size_t n) {
  if (!p || n < kMinImage || U16(p) != 0 || U16(p + 2) != 2) return false;
  const size_t count = U16(p + 4);
  FileEntry e{};
  if (count == 0 || count >= n / 40 || !ReadEntry(p, n, 0, &e) || e.bytes < 8) return false;
  return e.width == uint8_t(I32(p + e.offset + 4));
}

Plan PlanLoad(const uint8_t *p, size_t n, int index, const Chooser &choose) {
  if (!p || n < kMinImage) return {};
  if (IsGroup(p, n)) {
    const uint32_t offset = U32(p + 4);
    if (offset < 8 || offset >= n) return {};
    const uint8_t *file = p + offset;
    const size_t fileSize = n - offset;
    if (index < 0 && fileSize >= kFileHeader && U16(file + 4) >= 2) {
      const size_t dirSize = kFileHeader + size_t(U16(p + 12)) * kDirEntry;
      if (U16(p + 12) < 1 || 8 + dirSize > offset) return {};
      index = (choose ? choose(p + 8, dirSize) : 0) - 1;
      if (index < 0) return {};
    }
    return FromFile(file, fileSize, index, choose);
  }
  if (IsResource(p, n)) return Resource(p, n);
  if (IsFile(p, n)) return FromFile(p, n, index, choose);
  return {};
}

uint32_t DensityNumber(uint32_t number, int density) {
  const double scale = density >= 144 ? density / 96.0 : 1.0;
  if (scale > 2) return number + 200;
  if (scale > 1) return number + 100;
  return number;
}

int SystemSlot(uint32_t number, uint32_t *load) {
  int slot = -1;
  if (number >= kSystemFirst && number <= 32526) slot = int(number - kSystemFirst);
  else if (number >= 32642 && number <= 32651) slot = int(number - 32637);
  if (slot < 0) {
    *load = kSystemFirst;
    return 0;
  }
  *load = number;
  return slot;
}

const Entry *Find(uint32_t number) {
  for (const Entry &e : Table())
    if (e.number == number) return &e;
  return nullptr;
}

}  // namespace ko::ui::cursors

using namespace ko::ui::cursors;

extern "C" KOAPI BOOL IsKoGroupCursorPtr(const void *image, DWORD size) {
  return IsGroup(static_cast<const uint8_t *>(image), size);
}
extern "C" KOAPI BOOL IsLikelyCursorRESPtr(const void *image, DWORD size) {
  return IsResource(static_cast<const uint8_t *>(image), size);
}
extern "C" KOAPI BOOL IsLikelyCursorFilePtr(const void *image, DWORD size) {
  return IsFile(static_cast<const uint8_t *>(image), size);
}
extern "C" KOAPI const void *KoGetKernelCursorBits(UINT number, DWORD *size) {
  const Entry *e = Find(number);
  if (size) *size = e ? e->size : 0;
  return e ? e->image : nullptr;
}
