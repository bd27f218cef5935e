// A DIB from KoDibAlloc for the pixel suites, its rows addressed from the top.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "kokernel/kodib.h"
#include "pixels/dib.h"

namespace kotest {

struct Dib {
  BITMAPINFOHEADER *h = nullptr;
  int stride = 0;
  Dib(int type, int w, int h_, const std::vector<RGBQUAD> &pal = {}) {
    EXPECT_EQ(KoDibAlloc(&h, type, w, h_, pal.empty() ? nullptr : pal.data(), int(pal.size()), 1, nullptr), S_OK)
        << type;
    stride = int(ko::pixels::DibDefaultStride(h->biBitCount, w));
  }
  ~Dib() { KoDibFree(h, 0); }
  Dib(const Dib &) = delete;
  Dib &operator=(const Dib &) = delete;
  int W() const { return h->biWidth; }
  int H() const { return h->biHeight; }
  uint8_t *Bits() const { return ko::pixels::DibPixels(h); }
  uint8_t *Row(int y) const { return Bits() + size_t(H() - 1 - y) * stride; }
  size_t Bytes() const { return size_t(stride) * H(); }
  std::vector<uint8_t> Pixels() const { return std::vector<uint8_t>(Bits(), Bits() + Bytes()); }
  void Random(uint32_t seed) const {
    std::mt19937 rng(seed);
    for (size_t i = 0; i < Bytes(); ++i) Bits()[i] = uint8_t(rng());
  }
  void Random(std::mt19937 &rng) const {
    for (size_t i = 0; i < Bytes(); ++i) Bits()[i] = uint8_t(rng());
  }
  // Channel c of pixel (x, y) of a 32-bit or float image, as a value.
  double Value(int x, int y, int c) const {
    if (h->biBitCount != 128) return Row(y)[4 * x + c];
    float v;
    std::memcpy(&v, Row(y) + 16 * x + 4 * c, 4);
    return v;
  }
  RGBQUAD *Palette() const { return reinterpret_cast<RGBQUAD *>(reinterpret_cast<uint8_t *>(h) + h->biSize); }
};

}  // namespace kotest
