// The library's own cursors, drawn when first asked for: each cursor is a
// shape (arrow, hand, cross, I-beam, resize arrows, ...) with an optional
// badge in its lower right corner, laid out on a 32-unit grid and drawn at
// 32, 48 and 64 pixels as black shapes with a white outline on a
// transparent ground. Each image is stored in the grouped layout: "gcur",
// the offset of an embedded .cur file, a group directory, then the file.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/cursor_internal.h"

namespace ko::ui::cursors {
namespace {

struct Pt {
  float x, y;
};
struct Prim {
  std::vector<Pt> poly;   // a polygon, or
  Pt centre{};            // a disc when poly is empty
  float radius = 0;
  bool white = false;
};
using Picture = std::vector<Prim>;

Prim Poly(std::initializer_list<Pt> pts, bool white = false) {
  Prim p;
  p.poly = pts;
  p.white = white;
  return p;
}
Prim Rect(float x0, float y0, float x1, float y1, bool white = false) {
  return Poly({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, white);
}
Prim Disc(float x, float y, float r, bool white = false) {
  Prim p;
  p.centre = {x, y};
  p.radius = r;
  p.white = white;
  return p;
}

// Turns a picture about (16,16) by quarter turns q and an extra angle (degrees).
Picture Turn(Picture pic, float degrees) {
  const float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a);
  auto turn = [&](Pt p) {
    const float x = p.x - 16, y = p.y - 16;
    return Pt{16 + x * c - y * s, 16 + x * s + y * c};
  };
  for (Prim &p : pic) {
    for (Pt &q : p.poly) q = turn(q);
    p.centre = turn(p.centre);
  }
  return pic;
}

Picture DoubleArrow() {
  return {Poly({{16, 2}, {23, 9}, {18, 9}, {18, 23}, {23, 23}, {16, 30}, {9, 23}, {14, 23},
                {14, 9}, {9, 9}})};
}
Picture Arrow() {
  return {Poly({{0, 0}, {0, 21}, {5, 16}, {9, 25}, {12, 24}, {8, 15}, {15, 15}})};
}
Picture Hand() {
  return {Rect(12, 1, 16, 14), Rect(16, 8, 19, 14), Rect(19, 9, 22, 14), Rect(22, 10, 25, 15),
          Poly({{7, 13}, {12, 13}, {25, 14}, {25, 23}, {21, 30}, {12, 30}, {5, 18}})};
}
Picture UpArrow() {
  return {Poly({{16, 1}, {25, 11}, {19, 11}, {19, 30}, {13, 30}, {13, 11}, {7, 11}})};
}
Picture Split() {
  Picture p = DoubleArrow();
  p.push_back(Rect(4, 14, 28, 18));
  p.push_back(Rect(4, 15, 28, 17, true));
  return p;
}

enum Shape { kArrow, kHand, kCross, kBeam, kBeamAcross, kSizeNS, kSizeEW, kSizeNWSE, kSizeNESW,
             kMove, kZoom, kPen, kUp, kDown, kLeft, kRight, kSplitV, kSplitH, kNo, kBusy, kShapes };
enum Badge { kNone, kPlus, kMinus, kCopy, kLink, kForbid, kQuery, kWait, kCross2 };

struct Drawn {
  Picture pic;
  Pt hot;
};

Drawn DrawShape(Shape s) {
  switch (s) {
    case kArrow: return {Arrow(), {0, 0}};
    case kHand: return {Hand(), {13, 1}};
    case kCross: return {{Rect(15, 3, 17, 29), Rect(3, 15, 29, 17)}, {16, 16}};
    case kBeam: return {{Rect(11, 3, 21, 5), Rect(15, 5, 17, 27), Rect(11, 27, 21, 29)}, {16, 16}};
    case kBeamAcross:
      return {Turn({Rect(11, 3, 21, 5), Rect(15, 5, 17, 27), Rect(11, 27, 21, 29)}, 90), {16, 16}};
    case kSizeNS: return {DoubleArrow(), {16, 16}};
    case kSizeEW: return {Turn(DoubleArrow(), 90), {16, 16}};
    case kSizeNWSE: return {Turn(DoubleArrow(), -45), {16, 16}};
    case kSizeNESW: return {Turn(DoubleArrow(), 45), {16, 16}};
    case kMove: {
      Picture p = DoubleArrow();
      Picture q = Turn(DoubleArrow(), 90);
      p.insert(p.end(), q.begin(), q.end());
      return {p, {16, 16}};
    }
    case kZoom:
      return {{Poly({{17, 19}, {19, 17}, {30, 28}, {28, 30}}), Disc(12, 12, 9), Disc(12, 12, 6, true)},
              {12, 12}};
    case kPen:
      return {{Poly({{1, 31}, {3, 23}, {23, 3}, {29, 9}, {9, 29}}), Poly({{5, 25}, {21, 9}, {23, 11}, {7, 27}}, true)},
              {1, 31}};
    case kUp: return {UpArrow(), {16, 1}};
    case kDown: return {Turn(UpArrow(), 180), {16, 31}};
    case kLeft: return {Turn(UpArrow(), -90), {1, 16}};
    case kRight: return {Turn(UpArrow(), 90), {31, 16}};
    case kSplitV: return {Split(), {16, 16}};
    case kSplitH: return {Turn(Split(), 90), {16, 16}};
    case kNo:
      return {{Disc(16, 16, 13), Disc(16, 16, 9, true), Turn({Rect(6, 14.5f, 26, 17.5f)}, 45)[0]}, {16, 16}};
    case kBusy:
      return {{Poly({{8, 2}, {24, 2}, {24, 5}, {16, 16}, {24, 27}, {24, 30}, {8, 30}, {8, 27}, {16, 16}, {8, 5}}),
               Poly({{11, 6}, {21, 6}, {16, 13}}, true)},
              {16, 16}};
    default: return {Arrow(), {0, 0}};
  }
}

void AddBadge(Picture *pic, Badge b) {
  if (b == kNone) return;
  pic->push_back(Rect(19, 19, 31, 31));
  pic->push_back(Rect(20, 20, 30, 30, true));
  switch (b) {
    case kPlus: pic->push_back(Rect(24, 21, 26, 29)); pic->push_back(Rect(21, 24, 29, 26)); break;
    case kMinus: pic->push_back(Rect(21, 24, 29, 26)); break;
    case kCopy: pic->push_back(Rect(21, 21, 27, 27)); pic->push_back(Rect(22, 22, 26, 26, true));
                pic->push_back(Rect(24, 24, 29, 29)); break;
    case kLink: pic->push_back(Poly({{21, 29}, {21, 23}, {27, 23}, {27, 21}, {30, 25}, {27, 29}, {27, 27}, {23, 27}, {23, 29}})); break;
    case kForbid: pic->push_back(Disc(25, 25, 4)); pic->push_back(Disc(25, 25, 2.5f, true));
                  pic->push_back(Poly({{22, 23}, {23, 22}, {28, 27}, {27, 28}})); break;
    case kQuery: pic->push_back(Rect(22, 21, 28, 23)); pic->push_back(Rect(26, 21, 28, 25));
                 pic->push_back(Rect(24, 24, 27, 26)); pic->push_back(Rect(24, 27, 26, 29)); break;
    case kWait: pic->push_back(Poly({{21, 21}, {29, 21}, {25, 25}, {29, 29}, {21, 29}, {25, 25}})); break;
    case kCross2: pic->push_back(Poly({{21, 22}, {22, 21}, {29, 28}, {28, 29}}));
                  pic->push_back(Poly({{21, 28}, {28, 21}, {29, 22}, {22, 29}})); break;
    default: break;
  }
}

// Cursors 1..58: shape and badge.
constexpr struct {
  Shape shape;
  Badge badge;
} kCursors[kLibraryCursors] = {
    {kArrow, kNone},    {kArrow, kCopy},    {kArrow, kLink},     {kArrow, kPlus},     {kArrow, kMinus},
    {kArrow, kForbid},  {kArrow, kQuery},   {kArrow, kWait},     {kArrow, kCross2},   {kHand, kNone},
    {kHand, kPlus},     {kHand, kMinus},    {kHand, kCopy},      {kHand, kLink},      {kHand, kForbid},
    {kCross, kNone},    {kCross, kPlus},    {kCross, kMinus},    {kBeam, kNone},      {kBeamAcross, kNone},
    {kSizeNS, kNone},   {kSizeEW, kNone},   {kSizeNWSE, kNone},  {kSizeNESW, kNone},  {kMove, kNone},
    {kMove, kCopy},     {kMove, kLink},     {kZoom, kNone},      {kZoom, kPlus},      {kZoom, kMinus},
    {kPen, kNone},      {kPen, kPlus},      {kPen, kMinus},      {kUp, kNone},        {kDown, kNone},
    {kLeft, kNone},     {kRight, kNone},    {kSplitV, kNone},    {kSplitH, kNone},    {kNo, kNone},
    {kBusy, kNone},     {kCross, kCopy},    {kBeam, kPlus},      {kSizeNS, kPlus},    {kSizeEW, kPlus},
    {kSizeNWSE, kPlus}, {kSizeNESW, kPlus}, {kUp, kPlus},        {kDown, kPlus},      {kLeft, kPlus},
    {kRight, kPlus},    {kSplitV, kPlus},   {kSplitH, kPlus},    {kHand, kQuery},     {kArrow, kCross2},
    {kCross, kForbid},  {kPen, kForbid},    {kZoom, kForbid},
};

bool Inside(const Prim &p, float x, float y) {
  if (p.poly.empty()) {
    const float dx = x - p.centre.x, dy = y - p.centre.y;
    return dx * dx + dy * dy <= p.radius * p.radius;
  }
  bool in = false;
  for (size_t i = 0, j = p.poly.size() - 1; i < p.poly.size(); j = i++) {
    const Pt &a = p.poly[i], &b = p.poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

// 0 transparent, 1 black, 2 white.
int Sample(const Picture &pic, float x, float y) {
  int c = 0;
  for (const Prim &p : pic)
    if (Inside(p, x, y)) c = p.white ? 2 : 1;
  return c;
}

void Put16(uint8_t *p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Put32(uint8_t *p, uint32_t v) { Put16(p, v); Put16(p + 2, v >> 16); }

// A grouped image of the picture at s x s pixels.
std::vector<uint8_t> Build(const Drawn &d, int s) {
  const float unit = 32.0f / float(s);
  std::vector<int> cover(size_t(s) * s);
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x) cover[size_t(y) * s + x] = Sample(d.pic, (x + 0.5f) * unit, (y + 0.5f) * unit);
  const int maskStride = ((s + 31) / 32) * 4;
  const uint32_t bitmapBytes = 40 + uint32_t(s) * s * 4 + uint32_t(maskStride) * s;
  const uint32_t dirBytes = 6 + 14, fileOffset = 8 + dirBytes, imageOffset = 6 + 16 + 4;
  std::vector<uint8_t> out(fileOffset + imageOffset + bitmapBytes, 0);
  const uint16_t hx = uint16_t(std::min(s - 1, int(std::lround(d.hot.x / unit))));
  const uint16_t hy = uint16_t(std::min(s - 1, int(std::lround(d.hot.y / unit))));
  uint8_t *p = out.data();
  Put32(p, kGroupMagic);
  Put32(p + 4, fileOffset);
  Put16(p + 10, 2);
  Put16(p + 12, 1);
  Put16(p + 14, uint16_t(s));
  Put16(p + 16, uint16_t(2 * s));
  Put16(p + 18, 1);
  Put16(p + 20, 32);
  Put32(p + 22, bitmapBytes + 4);
  Put16(p + 26, 1);
  uint8_t *f = p + fileOffset;
  Put16(f + 2, 2);
  Put16(f + 4, 1);
  f[6] = uint8_t(s);
  f[7] = uint8_t(s);
  Put16(f + 10, hx);
  Put16(f + 12, hy);
  Put32(f + 14, bitmapBytes);
  Put32(f + 18, imageOffset);
  Put16(f + 22, hx);  // the hot spot in front of the image, as a resource has it
  Put16(f + 24, hy);
  uint8_t *b = f + imageOffset;
  Put32(b, 40);
  Put32(b + 4, uint32_t(s));
  Put32(b + 8, uint32_t(2 * s));
  Put16(b + 12, 1);
  Put16(b + 14, 32);
  Put32(b + 20, uint32_t(s) * s * 4 + uint32_t(maskStride) * s);
  uint8_t *colour = b + 40, *mask = colour + size_t(s) * s * 4;
  for (int y = 0; y < s; ++y) {
    const int row = s - 1 - y;  // bottom-up
    for (int x = 0; x < s; ++x) {
      int c = cover[size_t(y) * s + x];
      if (c == 0) {  // outline: next to a covered pixel
        for (int dy = -1; dy <= 1 && !c; ++dy)
          for (int dx = -1; dx <= 1 && !c; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < s && ny < s && cover[size_t(ny) * s + nx]) c = 2;
          }
      }
      uint8_t *px = colour + (size_t(row) * s + x) * 4;
      if (c == 0) {
        mask[size_t(row) * maskStride + x / 8] |= uint8_t(0x80 >> (x % 8));
      } else {
        const uint8_t v = c == 2 ? 255 : 0;
        px[0] = px[1] = px[2] = v;
        px[3] = 255;
      }
    }
  }
  return out;
}

struct Store {
  std::vector<std::vector<uint8_t>> images;
  std::vector<Entry> entries;
  Store() {
    images.reserve(3 * kLibraryCursors);
    for (int variant = 0; variant < 3; ++variant)
      for (int i = 1; i <= kLibraryCursors; ++i) {
        Drawn d = DrawShape(kCursors[i - 1].shape);
        AddBadge(&d.pic, kCursors[i - 1].badge);
        images.push_back(Build(d, kVariantPixels[variant]));
        // The ordinary variant of cursor 57 is numbered 157; 57 has no entry.
        const uint32_t number = variant == 0 && i == 57 ? 157 : uint32_t(variant * 100 + i);
        entries.push_back({number, uint32_t(images.back().size()), images.back().data()});
      }
  }
};

}  // namespace

const std::vector<Entry> &Table() {
  static const Store store;
  return store.entries;
}

}  // namespace ko::ui::cursors
