// The argument space of the blur and the composite: sizes, strides (padded,
// negative), pixel sizes valid and not, temp buffers short and long. Every
// image sits in a buffer of exactly the bytes its rows cover, so any access
// past a row shows up under the sanitizers; refusals must leave the bytes
// alone.
#include "../harness.h"
#include "kokernel/koimageops.h"

namespace {

// An image of h rows of `rowBytes` with a stride padded by `pad` bytes,
// bottom-up when `flip` is set; `first` is the pointer handed over.
struct Image {
  std::vector<uint8_t> bytes;
  uint8_t *first = nullptr;
  int32_t stride = 0;
  Image(int rowBytes, int h, int pad, bool flip, uint8_t fill) {
    const int s = rowBytes + pad;
    const size_t total = h > 0 && rowBytes > 0 ? size_t(s) * (h - 1) + rowBytes : 1;
    bytes.assign(total, fill);
    first = bytes.data() + (flip && h > 0 ? size_t(s) * (h - 1) : 0);
    stride = flip ? -s : s;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput r{data, size};
  const int op = r.Take() % 3;
  const int w = r.Range(-2, 40), h = r.Range(-2, 24);
  static const int kSizes[] = {4, 16, 1, 0, 3, 8, -4, 12};
  const int bpp = kSizes[r.Take() % 8];
  // Bytes a pixel the buffers are sized for: valid sizes exactly, others
  // at one byte, so a function that took them for a real form would overrun.
  const int valid = op == 2 ? (bpp == 1 || bpp == 4 || bpp == 16) : (bpp == 4 || bpp == 16);
  const int cell = valid ? bpp : 1;
  const int rowBytes = w > 0 ? w * cell : 0;
  const int pad = r.Range(0, 3) * 4;
  const bool flip = r.Take() & 1;
  Image img(rowBytes, h, pad, flip, r.Take());
  const std::vector<uint8_t> before = img.bytes;
  bool ok = false;
  if (op == 0) {
    Image src(rowBytes, h, r.Range(0, 3) * 4, r.Take() & 1, r.Take());
    const int mode = r.Range(-1, 9);
    const double opacity = (r.Take() - 64) / 128.0;
    ok = Composite(img.first, img.stride, src.first, src.stride, bpp, w, h, mode, opacity);
    Require(ok == (valid && mode >= 1 && mode <= 7));
  } else {
    const size_t perPixel = op == 1 ? 16 : 4;
    const size_t need = w > 0 && h > 0 ? size_t(w) * h * perPixel : 0;
    const long delta = long(r.Range(0, 8)) - 4;
    const size_t tempBytes = long(need) + delta < 0 ? 0 : size_t(long(need) + delta);
    std::vector<uint8_t> temp(tempBytes ? tempBytes : 1);
    const double sx = (r.Take() - 20) / 3.0, sy = (r.Take() - 20) / 3.0;
    std::vector<double> rows(h > 0 ? h : 1), cols(w > 0 ? w : 1);
    for (auto &s : rows) s = (r.Take() - 20) / 2.0;
    for (auto &s : cols) s = (r.Take() - 20) / 2.0;
    const bool perLine = r.Take() & 1;
    const double *rp = perLine ? rows.data() : nullptr, *cp = perLine ? cols.data() : nullptr;
    ok = op == 1 ? GaussianBlur(img.first, img.stride, bpp, w, h, temp.data(), tempBytes, sx, sy, rp, cp)
                 : GaussianBlurMask(img.first, img.stride, bpp, w, h, temp.data(), tempBytes, sx, sy, 0.9, 0.05, rp, cp);
    Require(ok == (w <= 0 || h <= 0 || (valid && tempBytes >= need)));
  }
  Require(ok || img.bytes == before);
  return 0;
}
