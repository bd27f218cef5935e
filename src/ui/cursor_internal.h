// Internal interface of the cursors: the walk through the three image
// layouts (portable, so that it can be checked on any input), the built-in
// cursor table and the rules of KoGetUICursor that do not need a screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ko::ui::cursors {

constexpr uint32_t kGroupMagic = 0x72756367u;  // "gcur"
constexpr size_t kMinImage = 22;
constexpr int kLibraryCursors = 58;
constexpr int kSystemSlots = 15;
constexpr int kHostSlots = 300;
constexpr uint32_t kSystemFirst = 32512;
constexpr uint32_t kResourceVersion = 0x30000;

// Chooses an entry from a group directory (reserved, type 2, count, 14-byte
// entries); returns the chosen 1-based identifier, or 0 for none.
using Chooser = std::function<int(const uint8_t *dir, size_t size)>;

// What the loader hands to the system: a cursor resource (hot spot, then a
// bitmap header and its masks) of `size` bytes at `bits`, or a copy of one
// in `copy` when the image had no hot spot in front of it.
struct Plan {
  bool ok = false;
  const uint8_t *bits = nullptr;
  size_t size = 0;
  std::vector<uint8_t> copy;
  bool dropShared = false;
};

bool IsGroup(const uint8_t *p, size_t n);
bool IsResource(const uint8_t *p, size_t n);
bool IsFile(const uint8_t *p, size_t n);
// True when a bitmap header and both masks fit in n bytes at p.
bool BitmapFits(const uint8_t *p, size_t n);
Plan PlanLoad(const uint8_t *p, size_t n, int index, const Chooser &choose);

// ---- built-in table ---------------------------------------------------------
struct Entry {
  uint32_t number;
  uint32_t size;
  const uint8_t *image;
};
// The 174 entries: ordinary (1..56, 58, 157), high (101..158), very high (201..258).
const std::vector<Entry> &Table();
const Entry *Find(uint32_t number);
// Pixel sizes of the three variants.
constexpr int kVariantPixels[3] = {32, 48, 64};

// The built-in number loaded for library cursor `number` at dpi `density`.
uint32_t DensityNumber(uint32_t number, int density);
// The system-cursor slot of a number of 32512 and up (0, the arrow, for
// numbers without a slot of their own).
int SystemSlot(uint32_t number, uint32_t *load);

}  // namespace ko::ui::cursors
