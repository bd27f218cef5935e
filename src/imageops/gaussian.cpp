// The recursive Gaussian blur of images and masks: a third-order recursive
// filter run forward and backward along every row into the caller's
// temporary buffer, then down and up every column back into the image. The
// cost per pixel is the same for every sigma.
#include <omp.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "frame/parallel.h"
#include "imageops/imageops_internal.h"
#include "kokernel/koframe.h"
#include "kokernel/koimageops.h"

namespace ko::imageops {

GaussCoef GaussCoefFor(double sigma) {
  if (!(sigma >= 0.5)) sigma = 0.5;  // NaN too
  if (sigma > 54.0) sigma = 54.0;
  const double q = sigma >= 2.5 ? 0.97588 * sigma - 0.9633 : 3.97156 - 4.14554 * std::sqrt(1.0 - 0.26891 * sigma);
  const double q2 = q * q, q3 = q2 * q;
  const double b0 = 1.57825 + 2.44413 * q + 1.4281 * q2 + 0.422205 * q3;
  const double b1 = 2.44413 * q + 2.85619 * q2 + 1.26661 * q3;
  const double b2 = -(1.4281 * q2 + 1.2666 * q3);
  const double b3 = 0.422205 * q3;
  float a1 = static_cast<float>(b1 / b0), a2 = static_cast<float>(b2 / b0), a3 = static_cast<float>(b3 / b0);
  const float sum = a1 + a2 + a3;
  if (sum > 0.999999f) {
    const float k = 0.999999f / sum;
    a1 *= k, a2 *= k, a3 *= k;
  }
  return GaussCoef{1.0f - (a1 + a2 + a3), a1, a2, a3};
}

namespace {

inline float Step(float x, float h1, float h2, float h3, const GaussCoef &c) {
  return ((c.b * x + c.a3 * h3) + c.a2 * h2) + c.a1 * h1;
}
inline float Small(float y) { return y >= kGaussSmall ? y : 0.0f; }

// One recursion forward and backward over n values at `step` floats apart,
// in place: in(i) -> t[i], values below the small limit stored as 0 (the
// backward recursion itself runs on the unrounded results).
template <class In>
void Recurse(In in, float *t, ptrdiff_t step, int n, const GaussCoef &c) {
  float h1, h2, h3;
  h1 = h2 = h3 = static_cast<float>(in(0));
  for (int i = 0; i < n; ++i) {
    const float w = Step(static_cast<float>(in(i)), h1, h2, h3, c);
    t[i * step] = w;
    h3 = h2, h2 = h1, h1 = w;
  }
  h1 = h2 = h3 = t[(n - 1) * step];
  for (int i = n - 1; i >= 0; --i) {
    const float y = Step(t[i * step], h1, h2, h3, c);
    t[i * step] = Small(y);
    h3 = h2, h2 = h1, h1 = y;
  }
}

inline uint8_t ToByte(float v) { return static_cast<uint8_t>(static_cast<int>(MinF(MaxF(v + 0.5f, 0.0f), 255.0f))); }

template <bool Bytes>
void RowsC(const void *img, ptrdiff_t stride, float *temp, ptrdiff_t tstride, int width, int rows,
           const GaussCoef *coef) {
  for (int r = 0; r < rows; ++r) {
    const auto *row = static_cast<const uint8_t *>(img) + stride * r;
    float *t = temp + tstride * r;
    for (int ch = 0; ch < 4; ++ch) {
      if constexpr (Bytes)
        Recurse([&](int i) { return row[4 * i + ch]; }, t + ch, 4, width, coef[r]);
      else
        Recurse([&](int i) { return reinterpret_cast<const float *>(row)[4 * i + ch]; }, t + ch, 4, width, coef[r]);
    }
  }
}

// The columns a row at a time (the order the vector forms use; every
// column's recursion is the one Recurse runs).
void DownC(float *temp, ptrdiff_t tstride, float *first, int y0, int rows, int cols, const GaussCoef *coef,
           int coefStep) {
  if (y0 == 0) std::copy(temp, temp + 4 * cols, first);
  for (int y = y0; y < y0 + rows; ++y) {
    float *cur = temp + tstride * y;
    const float *h1 = y >= 1 ? cur - tstride : first, *h2 = y >= 2 ? cur - 2 * tstride : first,
                *h3 = y >= 3 ? cur - 3 * tstride : first;
    for (int i = 0; i < 4 * cols; ++i) cur[i] = Step(cur[i], h1[i], h2[i], h3[i], coef[i / 4 * coefStep]);
  }
}

template <bool Bytes>
void UpC(const float *temp, ptrdiff_t tstride, float *ring, void *img, ptrdiff_t stride, int height, int cols,
         const GaussCoef *coef, int coefStep) {
  const int n = 4 * cols;
  const float *last = temp + tstride * (height - 1);
  auto below = [&](int y) -> const float * { return y < height ? ring + n * (y % 3) : last; };
  for (int y = height - 1; y >= 0; --y) {
    const float *cur = temp + tstride * y, *h1 = below(y + 1), *h2 = below(y + 2), *h3 = below(y + 3);
    float *raw = ring + n * (y % 3);
    uint8_t *o = static_cast<uint8_t *>(img) + stride * y;
    for (int i = 0; i < n; ++i) {
      const float r = Step(cur[i], h1[i], h2[i], h3[i], coef[i / 4 * coefStep]);
      raw[i] = r;
      if constexpr (Bytes) o[i] = ToByte(Small(r));
      else reinterpret_cast<float *>(o)[i] = Small(r);
    }
  }
}

// Flush-to-zero with the denormal, underflow and precision exceptions
// masked for the life of the object, on processors with SSE and SSE2; the
// previous control word comes back on every way out. Worker threads carry
// their own control word, so every thread of a parallel pass takes one.
class FlushGuard {
 public:
  // The word is read before the support flags: the first query runs the
  // processor probe, which changes the word of its thread, and the caller
  // gets back the word it had.
  FlushGuard() : saved_(_mm_getcsr()) {
    const uint32_t need = KOCPU_SSE | KOCPU_SSE2;
    active_ = (KoGetCPUSupport(need) & need) == need;
    if (active_) _mm_setcsr(saved_ | 0x9900u);
  }
  ~FlushGuard() {
    if (active_ || _mm_getcsr() != saved_) _mm_setcsr(saved_);
  }
  FlushGuard(const FlushGuard &) = delete;
  FlushGuard &operator=(const FlushGuard &) = delete;

 private:
  unsigned saved_;
  bool active_ = false;
};

// Waits until another thread has set `flag` (work it has begun and will
// finish): a short spin, then the processor is left to others.
void WaitFor(const std::atomic<int> &flag) {
  for (int spins = 0; !flag.load(std::memory_order_acquire); ++spins) {
    if (spins < 4096) _mm_pause();
    else std::this_thread::yield();
  }
}

constexpr int kMaskStrip = 32;  // columns a work item of a mask's vertical pass

// The sigmas of one direction: one for all lines, or one a line.
struct Sigmas {
  Sigmas(double sigma, const double *each) : common(GaussCoefFor(sigma)), each(each) {}
  GaussCoef At(int i) const { return each ? GaussCoefFor(each[i]) : common; }
  GaussCoef common;
  const double *each;
};

}  // namespace

void GaussRows8_C(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  RowsC<true>(i, s, t, ts, w, r, c);
}
void GaussRowsF_C(const void *i, ptrdiff_t s, float *t, ptrdiff_t ts, int w, int r, const GaussCoef *c) {
  RowsC<false>(i, s, t, ts, w, r, c);
}
void GaussDown_C(float *t, ptrdiff_t ts, float *f, int y0, int r, int n, const GaussCoef *c, int cs) {
  DownC(t, ts, f, y0, r, n, c, cs);
}
void GaussUp8_C(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  UpC<true>(t, ts, g, i, s, h, n, c, cs);
}
void GaussUpF_C(const float *t, ptrdiff_t ts, float *g, void *i, ptrdiff_t s, int h, int n, const GaussCoef *c, int cs) {
  UpC<false>(t, ts, g, i, s, h, n, c, cs);
}

}  // namespace ko::imageops

using namespace ko::imageops;

extern "C" KOAPI bool GaussianBlur(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height,
                                   void *temp, size_t tempBytes, double sigmaX, double sigmaY,
                                   const double *rowSigmas, const double *columnSigmas) {
  if (width <= 0 || height <= 0) return true;
  if (!IsPixelForm(bytesPerPixel)) {
    Report("GaussianBlur: unimplemented or unknown format");
    return false;
  }
  if (!temp || tempBytes / 16 / static_cast<size_t>(width) < static_cast<size_t>(height)) {
    Report("GaussianBlur: we need a bigger temporary buffer");
    return false;
  }
  if (!img) return false;
  FlushGuard guard;  // first, so that the word it restores is the caller's
  const bool bytes = bytesPerPixel == 4;
  const Sigmas rowSig(sigmaX, rowSigmas), colSig(sigmaY, columnSigmas);
  const auto rows = ko::forms::Pick<GaussRowsFn>(bytes ? kGaussRows8 : kGaussRowsF);
  const auto down = ko::forms::Pick<GaussDownFn>(kGaussDown);
  const auto up = ko::forms::Pick<GaussUpFn>(bytes ? kGaussUp8 : kGaussUpF);
  auto *t = static_cast<float *>(temp);
  const ptrdiff_t ts = 4 * static_cast<ptrdiff_t>(width);
  auto *base = static_cast<uint8_t *>(img);
  const int cs = columnSigmas ? 1 : 0;
  std::vector<GaussCoef> cc(columnSigmas ? width : 1);
  for (size_t i = 0; i < cc.size(); ++i) cc[i] = colSig.At(static_cast<int>(i));
  // Every thread owns a range of columns for both vertical passes. The rows
  // of the horizontal pass go in groups, in order, to whichever thread asks
  // next; a thread takes groups until its next band is handed out, waits
  // for the ones still running elsewhere (no one waits for work nobody has
  // begun), and takes that band down its columns while the band is still in
  // cache. The upward pass needs no meeting: a thread's columns are its own
  // from top to bottom.
  constexpr int kGroup = 8;   // rows the horizontal kernels take at once
  constexpr int kAlign = 16;  // column ranges start on whole cache lines of the image
  const int groups = (height + kGroup - 1) / kGroup;
  std::atomic<int> nextGroup{0};
  std::unique_ptr<std::atomic<int>[]> finished(new std::atomic<int>[groups]());
  auto across = [&](int g) {
    const int y0 = g * kGroup, n = std::min(kGroup, height - y0);
    GaussCoef rc[kGroup];
    for (int i = 0; i < n; ++i) rc[i] = rowSig.At(y0 + i);
    rows(base + static_cast<ptrdiff_t>(stride) * y0, stride, t + ts * y0, ts, width, n, rc);
    finished[g].store(1, std::memory_order_release);
  };
  ko::frame::Parallel([&] {
    FlushGuard threadGuard;
    const int nt = omp_get_num_threads(), me = omp_get_thread_num();
    const int64_t units = (int64_t(width) + kAlign - 1) / kAlign;
    const int x0 = static_cast<int>(std::min<int64_t>(width, units * me / nt * kAlign));
    const int x1 = static_cast<int>(std::min<int64_t>(width, units * (me + 1) / nt * kAlign));
    const int cols = x1 - x0, bandGroups = 2 * nt;
    std::vector<float> lines(16 * static_cast<size_t>(std::max(cols, 1)));  // the top row's copy, the ring
    float *tc = t + 4 * x0;
    const GaussCoef *ccol = cc.data() + x0 * cs;
    for (int g0 = 0; g0 < groups; g0 += bandGroups) {
      const int g1 = std::min(groups, g0 + bandGroups);
      while (nextGroup.load(std::memory_order_relaxed) < g1) {
        const int g = nextGroup.fetch_add(1, std::memory_order_relaxed);
        if (g >= groups) break;
        across(g);
      }
      for (int g = g0; g < g1; ++g) WaitFor(finished[g]);
      if (cols) down(tc, ts, lines.data(), g0 * kGroup, std::min(height, g1 * kGroup) - g0 * kGroup, cols, ccol, cs);
    }
    if (cols)
      up(tc, ts, lines.data() + 4 * cols, base + static_cast<ptrdiff_t>(bytesPerPixel) * x0, stride, height, cols,
         ccol, cs);
  }, Worth(width, height));
  return true;
}

// Masks: one plane of floats through the temp buffer. 8-bit masks (1 byte
// a pixel) and float masks (4 bytes) are one plane; float BGRA images (16
// bytes) are four, each channel blurred alike. Results are value x gain +
// offset, bytes rounded (halves up) and clamped.
namespace {

template <class T>
void MaskPlane(uint8_t *base, int32_t stride, int step, int width, int height, float *t,
               const Sigmas &rowSig, const Sigmas &colSig, float gain, float offset) {
  auto at = [&](int x, int y) -> T & { return *reinterpret_cast<T *>(base + static_cast<ptrdiff_t>(stride) * y + step * x); };
  const ptrdiff_t ts = width;
  const int strips = (width + kMaskStrip - 1) / kMaskStrip;
  ko::frame::Parallel([&] {
    FlushGuard threadGuard;
#pragma omp for schedule(static)
    for (int y = 0; y < height; ++y)
      Recurse([&](int x) { return at(x, y); }, t + ts * y, 1, width, rowSig.At(y));
#pragma omp for schedule(static)
    for (int s = 0; s < strips; ++s) {
      const int x0 = s * kMaskStrip, n = std::min(kMaskStrip, width - x0);
      float first[kMaskStrip], last[kMaskStrip];
      GaussCoef cc[kMaskStrip];
      for (int i = 0; i < n; ++i) cc[i] = colSig.each ? colSig.At(x0 + i) : colSig.common;
      float *t0 = t + x0;
      std::copy(t0, t0 + n, first);
      for (int y = 0; y < height; ++y) {
        float *cur = t0 + ts * y;
        const float *h1 = y >= 1 ? cur - ts : first, *h2 = y >= 2 ? cur - 2 * ts : first,
                    *h3 = y >= 3 ? cur - 3 * ts : first;
        for (int i = 0; i < n; ++i) cur[i] = Step(cur[i], h1[i], h2[i], h3[i], cc[i]);
      }
      std::copy(t0 + ts * (height - 1), t0 + ts * (height - 1) + n, last);
      for (int y = height - 1; y >= 0; --y) {
        float *cur = t0 + ts * y;
        const float *h1 = y + 1 < height ? cur + ts : last, *h2 = y + 2 < height ? cur + 2 * ts : last,
                    *h3 = y + 3 < height ? cur + 3 * ts : last;
        for (int i = 0; i < n; ++i) {
          const float raw = Step(cur[i], h1[i], h2[i], h3[i], cc[i]);
          cur[i] = raw;
          const float o = Small(raw) * gain + offset;
          if constexpr (std::is_same_v<T, uint8_t>) at(x0 + i, y) = ToByte(o);
          else at(x0 + i, y) = o;
        }
      }
    }
  }, Worth(width, height));
}

}  // namespace

extern "C" KOAPI bool GaussianBlurMask(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                                       int32_t height, void *temp, size_t tempBytes, double sigmaX, double sigmaY,
                                       double gain, double offset, const double *rowSigmas,
                                       const double *columnSigmas) {
  if (width <= 0 || height <= 0) return true;
  if (bytesPerPixel != 1 && bytesPerPixel != 4 && bytesPerPixel != 16) {
    Report("GaussianBlurMask: unimplemented or unknown format");
    return false;
  }
  if (!temp || tempBytes / 4 / static_cast<size_t>(width) < static_cast<size_t>(height)) {
    Report("GaussianBlurMask: we need a bigger temporary buffer");
    return false;
  }
  if (!img) return false;
  FlushGuard guard;
  const Sigmas rowSig(sigmaX, rowSigmas), colSig(sigmaY, columnSigmas);
  auto *base = static_cast<uint8_t *>(img);
  auto *t = static_cast<float *>(temp);
  const float g = static_cast<float>(gain), o = static_cast<float>(offset);
  if (bytesPerPixel == 1)
    MaskPlane<uint8_t>(base, stride, 1, width, height, t, rowSig, colSig, g, o);
  else if (bytesPerPixel == 4)
    MaskPlane<float>(base, stride, 4, width, height, t, rowSig, colSig, g, o);
  else
    for (int ch = 0; ch < 4; ++ch)
      MaskPlane<float>(base + 4 * ch, stride, 16, width, height, t, rowSig, colSig, g, o);
  return true;
}
