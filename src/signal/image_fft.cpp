// Image FFTs: the two-dimensional transform of a square block of one or two
// channels of a BGRA image, its inverse with the half-size shift, the
// spectrum product and the spectrum plot.
#include <cstdlib>
#include <cstring>

#include "signal/signal_internal.h"

namespace ko::signal {
namespace {

constexpr double kBoostLimit = 254.0 / 255.0;

// Order of a block size: a power of two from 4 to 32768, else -1.
int BlockOrder(int n1, int n2) {
  if (n1 != n2 || n1 < 4 || n1 > 32768 || (n1 & (n1 - 1)) != 0) return -1;
  int order = 2;
  while ((1 << order) != n1) ++order;
  return order;
}

// The two per-axis setups (no scaling), a one-vector work area and the
// N x N intermediate, released together.
class BlockTransform {
 public:
  explicit BlockTransform(int order) : n_(size_t{1} << order) {
    if (FAILED(KoPerfsFFTInitAlloc_C_32fc(&specCols_, order, KOPERF_FFT_NODIV_BY_ANY, 1)) ||
        FAILED(KoPerfsFFTInitAlloc_C_32fc(&specRows_, order, KOPERF_FFT_NODIV_BY_ANY, 1)))
      return;
    int bytes = 0;
    KoPerfsFFTGetBufSize_C_32fc(specCols_, &bytes);
    work_ = static_cast<BYTE *>(AlignedAlloc(static_cast<size_t>(bytes)));
    line_ = static_cast<Cx<float> *>(AlignedAlloc(n_ * sizeof(Cx<float>)));
    out_ = static_cast<Cx<float> *>(AlignedAlloc(n_ * sizeof(Cx<float>)));
  }
  ~BlockTransform() {
    if (specCols_) KoPerfsFFTFree_C_32fc(specCols_);
    if (specRows_) KoPerfsFFTFree_C_32fc(specRows_);
    AlignedFree(work_);
    AlignedFree(line_);
    AlignedFree(out_);
    std::free(ownedInter_);
  }
  BlockTransform(const BlockTransform &) = delete;
  BlockTransform &operator=(const BlockTransform &) = delete;

  // The intermediate: the caller's temp when large enough, else a
  // zero-filled block of our own.
  bool Ready(void *temp, int tempBytes) {
    if (!specCols_ || !specRows_ || !work_ || !line_ || !out_) return false;
    const size_t need = n_ * n_ * sizeof(Cx<float>);
    if (temp && tempBytes > 0 && static_cast<size_t>(tempBytes) >= need) {
      inter_ = static_cast<Cx<float> *>(temp);
    } else {
      ownedInter_ = std::calloc(n_ * n_, sizeof(Cx<float>));
      inter_ = static_cast<Cx<float> *>(ownedInter_);
    }
    return inter_ != nullptr;
  }

  size_t n() const { return n_; }
  Cx<float> *line() const { return line_; }
  Cx<float> *out() const { return out_; }
  Cx<float> *inter() const { return inter_; }
  void Columns(const Cx<float> *src, Cx<float> *dst, bool inverse) const {
    if (inverse)
      KoPerfsFFTInv_CToC_32fc(src, dst, specCols_, work_);
    else
      KoPerfsFFTFwd_CToC_32fc(src, dst, specCols_, work_);
  }
  void Rows(const Cx<float> *src, Cx<float> *dst, bool inverse) const {
    if (inverse)
      KoPerfsFFTInv_CToC_32fc(src, dst, specRows_, work_);
    else
      KoPerfsFFTFwd_CToC_32fc(src, dst, specRows_, work_);
  }

 private:
  size_t n_;
  void *specCols_ = nullptr;
  void *specRows_ = nullptr;
  BYTE *work_ = nullptr;
  Cx<float> *line_ = nullptr;
  Cx<float> *out_ = nullptr;
  Cx<float> *inter_ = nullptr;
  void *ownedInter_ = nullptr;
};

struct PixelReader {
  const BYTE *image;
  int stride;
  bool bytes;  // 8-bit channels, else floats
  size_t pixelSize;

  float Get(int x, int y, int channel) const {
    const BYTE *p = image + static_cast<ptrdiff_t>(y) * stride + static_cast<size_t>(x) * pixelSize;
    if (bytes) return static_cast<float>(p[channel]);
    float v;
    std::memcpy(&v, p + channel * sizeof(float), sizeof(float));
    return v;
  }
};

bool ChannelOk(int packing, int channel) {
  if (channel < 0 || channel > 3) return false;
  return packing != 2 || channel <= 2;  // the second channel must exist
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace
}  // namespace ko::signal

using namespace ko::signal;

extern "C" {

size_t FFT_BufferSize(unsigned int width, unsigned int height, unsigned int planes) {
  return static_cast<size_t>(width) * height * planes * 8;
}

bool FFT_Forward(float *spectrum, void *unused, int N1, int N2, const BYTE *image, int stride,
                 int bytesPerPixel, int x0, int y0, int width, int height, bool normalise,
                 double threshold, double target, int packing, int channel, void *temp,
                 int tempBytes) {
  (void)unused;
  const int order = BlockOrder(N1, N2);
  if (!spectrum || !image || order < 0 || width < 1 || height < 1 || !ChannelOk(packing, channel))
    return false;
  BlockTransform bt(order);
  if (!bt.Ready(temp, tempBytes)) return false;
  const int n = N1;
  const bool twoChannels = packing == 2;
  const PixelReader px{image, stride, bytesPerPixel == 4, bytesPerPixel == 4 ? 4u : 16u};

  // Channel factors from the sums over the block at the image origin (only
  // the part of it that lies inside the image).
  float f0 = 1.0f, f1 = 1.0f;
  if (normalise) {
    double s0 = 0, s1 = 0;
    const int cols = n < width ? n : width, rows = n < height ? n : height;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < cols; ++x) {
        s0 += px.Get(x, y, channel);
        if (twoChannels) s1 += px.Get(x, y, channel + 1);
      }
    const float fs0 = static_cast<float>(s0), fs1 = static_cast<float>(s1);
    f0 = fs0 > 0 ? 1.0f / fs0 : fs0;
    f1 = fs1 > 0 ? 1.0f / fs1 : fs1;
  }

  // Highlight boost.
  const bool boost = threshold < kBoostLimit;
  double t = 0, k = 0;
  if (boost) {
    if (px.bytes) {
      t = 255.0 * threshold;
      k = (255.0 * target - t) / (255.0 - t);
    } else {
      t = threshold;
      k = (target - t) / (1.0 - t);
    }
  }
  auto shape = [&](float v, float f) {
    if (boost && v > t) v = static_cast<float>(v + (v - t) * k);
    return normalise ? v * f : v;
  };

  // Pass 1: columns of the block, each transformed into one intermediate row.
  Cx<float> *line = bt.line();
  for (int i = 0; i < n; ++i) {
    const int x = Clamp(x0 + i, 0, width - 1);
    for (int s = 0; s < n; ++s) {
      const int y = Clamp(y0 + s, 0, height - 1);
      line[s].re = shape(px.Get(x, y, channel), f0);
      line[s].im = twoChannels ? shape(px.Get(x, y, channel + 1), f1) : 0.0f;
    }
    bt.Columns(line, bt.inter() + static_cast<size_t>(i) * n, false);
  }
  // Pass 2: element j of every intermediate row gives output row j.
  auto *out = reinterpret_cast<Cx<float> *>(spectrum);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) line[i] = bt.inter()[static_cast<size_t>(i) * n + j];
    bt.Rows(line, out + static_cast<size_t>(j) * n, false);
  }
  return true;
}

bool FFT_Inverse(BYTE *image, int stride, int bytesPerPixel, int width, int height,
                 const float *spectrum, int N1, int N2, int x0, int y0, int windowLeft,
                 int windowTop, int windowRight, int windowBottom, int packing, int channel,
                 void *temp, int tempBytes) {
  const int order = BlockOrder(N1, N2);
  if (!spectrum || !image || order < 0 || width < 1 || height < 1 || !ChannelOk(packing, channel))
    return false;
  BlockTransform bt(order);
  if (!bt.Ready(temp, tempBytes)) return false;
  const int n = N1, half = n / 2;
  const bool twoChannels = packing == 2, bytes = bytesPerPixel == 4;
  const size_t pixelSize = bytes ? 4 : 16;
  const float scale = static_cast<float>(1.0 / (static_cast<double>(n) * n));
  const int left = windowLeft > 0 ? windowLeft : 0, right = windowRight < width ? windowRight : width;
  const int top = windowTop > 0 ? windowTop : 0, bottom = windowBottom < height ? windowBottom : height;

  // Pass 1: every spectrum column, inverse-transformed into one intermediate row.
  const auto *coeffs = reinterpret_cast<const Cx<float> *>(spectrum);
  Cx<float> *line = bt.line();
  for (int l = 0; l < n; ++l) {
    for (int j = 0; j < n; ++j) line[j] = coeffs[static_cast<size_t>(j) * n + l];
    bt.Columns(line, bt.inter() + static_cast<size_t>(l) * n, true);
  }
  auto put = [&](BYTE *p, int c, float v) {
    if (bytes) {
      p[c] = !(v > 0.0f) ? 0 : (v >= 255.0f ? 255 : static_cast<BYTE>(static_cast<int>(v + 0.5f)));
    } else {
      std::memcpy(p + c * sizeof(float), &v, sizeof(float));
    }
  };
  // Pass 2: the visible output rows, with the half-size shift on both axes.
  for (int j = 0; j < n; ++j) {
    const int row = y0 + (j < half ? j + half : j - half);
    if (row < top || row >= bottom) continue;
    for (int l = 0; l < n; ++l) line[l] = bt.inter()[static_cast<size_t>(l) * n + j];
    bt.Rows(line, bt.out(), true);
    BYTE *dstRow = image + static_cast<ptrdiff_t>(row) * stride;
    for (int i = 0; i < n; ++i) {
      const int col = x0 + (i < half ? i + half : i - half);
      if (col < left || col >= right) continue;
      BYTE *p = dstRow + static_cast<size_t>(col) * pixelSize;
      put(p, channel, bt.out()[i].re * scale);
      if (twoChannels) put(p, channel + 1, bt.out()[i].im * scale);
    }
  }
  return true;
}

bool FFT_Multiply(float *a, int aStride, const float *b, int bStride, int width, int height) {
  (void)aStride;
  (void)bStride;
  if (!a || !b || width < 0 || height < 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) {
    const float ar = a[2 * i], ai = a[2 * i + 1], br = b[2 * i], bi = b[2 * i + 1];
    a[2 * i] = ar * br - ai * bi;
    a[2 * i + 1] = ar * bi + ai * br;
  }
  return true;
}

bool FFT_Plot(BYTE *dst, int dstStride, const float *spectrum, int spectrumStride, int width,
              int height) {
  (void)spectrumStride;
  if (!dst || !spectrum || width < 0 || height < 0) return false;
  const size_t plane = 2 * static_cast<size_t>(width) * static_cast<size_t>(height);
  auto level = [](float v) -> BYTE {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<BYTE>(static_cast<int>(v));
  };
  for (int y = 0; y < height; ++y) {
    BYTE *row = dst + static_cast<ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x) {
      const size_t at = 2 * (static_cast<size_t>(y) * width + x);
      row[4 * x + 0] = level(spectrum[at]);
      row[4 * x + 1] = level(spectrum[at + 1]);
      row[4 * x + 2] = level(spectrum[plane + at]);
      row[4 * x + 3] = level(spectrum[plane + at + 1]);
    }
  }
  return true;
}

}  // extern "C"
