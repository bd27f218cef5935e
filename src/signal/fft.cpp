// FFT setups and the exported one-dimensional transforms: complex single
// precision, and real double precision with the packed (Perm) spectrum.
#include <cmath>
#include <cstring>
#include <new>

#include "signal/signal_internal.h"

namespace ko::signal {
namespace {

constexpr int kMaxOrder = 24;
constexpr uint32_t kMagicC32 = 0x4B464333;  // "KFC3"
constexpr uint32_t kMagicR64 = 0x4B465236;  // "KFR6"
constexpr size_t kBufferSlack = 64;         // room to align the caller's buffer
constexpr double kPi = 3.14159265358979323846;

bool ScalesForFlag(int flag, int order, double *fwd, double *inv) {
  const double n = std::ldexp(1.0, order);
  switch (flag) {
    case KOPERF_FFT_DIV_FWD_BY_N:
      *fwd = 1.0 / n;
      *inv = 1.0;
      return true;
    case KOPERF_FFT_DIV_INV_BY_N:
      *fwd = 1.0;
      *inv = 1.0 / n;
      return true;
    case KOPERF_FFT_DIV_BY_SQRTN:
      *fwd = *inv = 1.0 / std::sqrt(n);
      return true;
    case KOPERF_FFT_NODIV_BY_ANY:
      *fwd = *inv = 1.0;
      return true;
    default:
      return false;
  }
}

// e^(-2 pi i k / n), with the angle reduced to the first octant so that the
// values are as exact as the library functions allow.
Cx<double> Root(size_t k, size_t n) {
  k %= n;
  // Work with the quadrant and the remainder for accuracy.
  const size_t q4 = (k * 4) / n;           // quadrant 0..3
  const size_t rem = k * 4 - q4 * n;       // k*4 mod n, in units of (pi/2)/n
  const double a = (kPi / 2) * static_cast<double>(rem) / static_cast<double>(n);
  double c = std::cos(a), s = std::sin(a);
  // angle = q4 * pi/2 + a; value = cos(angle) - i sin(angle)
  double cr, sr;
  switch (q4) {
    case 0: cr = c; sr = s; break;
    case 1: cr = -s; sr = c; break;
    case 2: cr = -c; sr = -s; break;
    default: cr = s; sr = -c; break;
  }
  return {cr, -sr};
}

}  // namespace

// Reals in the twiddle tables of one direction (see FftPlan).
size_t TwiddleCount(int order) {
  int r8, r4, r2;
  StagePlan(order, &r8, &r4, &r2);
  size_t count = 0, len = size_t{1} << order;
  for (int i = 0; i < r8; ++i, len /= 8) count += 28 * (len / 8);
  for (int i = 0; i < r4; ++i, len /= 4) count += 12 * (len / 4);
  return count;
}

namespace {
template <class R>
void FillStage(size_t n, size_t len, size_t radix, R *&fwd, R *&inv) {
  const size_t m = len / radix, step = n / len;
  for (size_t j = 1; j < radix; ++j) {
    R *fr = fwd + (j - 1) * 4 * m, *fi = fr + 2 * m;
    R *ir = inv + (j - 1) * 4 * m, *ii = ir + 2 * m;
    for (size_t p = 0; p < m; ++p) {
      const Cx<double> w = Root(j * p * step, n);
      fr[2 * p] = fr[2 * p + 1] = ir[2 * p] = ir[2 * p + 1] = static_cast<R>(w.re);
      fi[2 * p] = fi[2 * p + 1] = static_cast<R>(w.im);
      ii[2 * p] = ii[2 * p + 1] = static_cast<R>(-w.im);
    }
  }
  fwd += 4 * m * (radix - 1);
  inv += 4 * m * (radix - 1);
}
}  // namespace

template <class R>
void FillTwiddles(int order, R *fwd, R *inv) {
  int r8, r4, r2;
  StagePlan(order, &r8, &r4, &r2);
  const size_t n = size_t{1} << order;
  size_t len = n;
  for (int i = 0; i < r8; ++i, len /= 8) FillStage(n, len, 8, fwd, inv);
  for (int i = 0; i < r4; ++i, len /= 4) FillStage(n, len, 4, fwd, inv);
}

template void FillTwiddles<float>(int, float *, float *);
template void FillTwiddles<double>(int, double *, double *);

namespace {

struct SpecC32 {
  uint32_t magic;
  int order;
  int flag;
  float scaleFwd, scaleInv;
  FftPlan<float> plan;
};

struct SpecR64 {
  uint32_t magic;
  int order;
  int flag;
  double scaleFwd, scaleInv;
  FftPlan<double> plan;      // complex transform of n/2 points
  const Cx<double> *post;    // e^(-2 pi i k / n), k = 0 .. n/2 - 1
  const Cx<double> *postInv; // the conjugates
};

size_t AlignUp(size_t v) { return (v + 63) & ~size_t{63}; }

const SpecC32 *AsC32(const void *setup) {
  auto *s = static_cast<const SpecC32 *>(setup);
  return (s && s->magic == kMagicC32) ? s : nullptr;
}

const SpecR64 *AsR64(const void *setup) {
  auto *s = static_cast<const SpecR64 *>(setup);
  return (s && s->magic == kMagicR64) ? s : nullptr;
}

// A work area of `bytes` (plus slack): the caller's buffer aligned, or an
// allocation owned by this object when the caller passed none.
class WorkArea {
 public:
  WorkArea(BYTE *buffer, size_t bytes) {
    if (buffer) {
      ptr_ = reinterpret_cast<void *>((reinterpret_cast<uintptr_t>(buffer) + 63) & ~uintptr_t{63});
    } else {
      owned_ = AlignedAlloc(bytes ? bytes : 1);
      ptr_ = owned_;
    }
  }
  ~WorkArea() { AlignedFree(owned_); }
  WorkArea(const WorkArea &) = delete;
  WorkArea &operator=(const WorkArea &) = delete;
  void *get() const { return ptr_; }

 private:
  void *owned_ = nullptr;
  void *ptr_ = nullptr;
};

template <class R>
void Scale(Cx<R> *v, size_t n, R s) {
  if (s == R(1)) return;
  R *f = &v->re;
  for (size_t i = 0; i < 2 * n; ++i) f[i] *= s;
}

KoPerfStatus ComplexTransform(const void *src, void *dst, const void *setup, BYTE *buffer,
                              bool inverse) {
  if (!src || !dst || !setup) return KOPERF_STS_NULLPTR;
  const SpecC32 *s = AsC32(setup);
  if (!s) return KOPERF_STS_CONTEXTMATCH;
  const size_t n = size_t{1} << s->order;
  WorkArea work(buffer, n * sizeof(Cx<float>));
  if (!work.get()) return KOPERF_STS_MEMALLOC;
  auto *out = static_cast<Cx<float> *>(dst);
  Kernels().fft32(s->plan, static_cast<const Cx<float> *>(src), out,
                  static_cast<Cx<float> *>(work.get()), inverse);
  Scale(out, n, inverse ? s->scaleInv : s->scaleFwd);
  return KOPERF_STS_NOERR;
}

// Whether the transform of the plan makes an odd number of passes: they
// alternate between the output and the work vector and end in the output.
bool OddPasses(const FftPlan<double> &plan) { return PassCount(plan.order) % 2 == 1; }

// The real transforms keep to two vectors of h points, the caller's array z
// and one work vector a, so that the passes stay in a smaller share of the
// caches: the half-length transform ping-pongs between them, z being free
// once the first pass has read it, and the split and merge also run in place.
KoPerfStatus RealForward(double *x, const void *setup, BYTE *buffer) {
  if (!x || !setup) return KOPERF_STS_NULLPTR;
  const SpecR64 *s = AsR64(setup);
  if (!s) return KOPERF_STS_CONTEXTMATCH;
  if (s->order == 0) {
    x[0] *= s->scaleFwd;
    return KOPERF_STS_NOERR;
  }
  const size_t h = size_t{1} << (s->order - 1);
  WorkArea work(buffer, h * sizeof(Cx<double>));
  if (!work.get()) return KOPERF_STS_MEMALLOC;
  auto *a = static_cast<Cx<double> *>(work.get());
  auto *z = reinterpret_cast<Cx<double> *>(x);
  const KernelSet &k = Kernels();
  // Z, the transform of the even samples + i the odd ones, ends in a or z.
  Cx<double> *spectrum = OddPasses(s->plan) ? a : z;
  k.fft64(s->plan, z, spectrum, spectrum == a ? z : a, false);
  // Split Z into the spectra of the even and odd samples and combine them:
  // X[k] = Fe[k] + W^k Fo[k].
  const double r0 = spectrum[0].re, i0 = spectrum[0].im;
  k.realSplit64(spectrum, z, s->post, h, 0.5 * s->scaleFwd);
  z[0] = {(r0 + i0) * s->scaleFwd, (r0 - i0) * s->scaleFwd};
  return KOPERF_STS_NOERR;
}

KoPerfStatus RealInverse(double *x, const void *setup, BYTE *buffer) {
  if (!x || !setup) return KOPERF_STS_NULLPTR;
  const SpecR64 *s = AsR64(setup);
  if (!s) return KOPERF_STS_CONTEXTMATCH;
  if (s->order == 0) {
    x[0] *= s->scaleInv;
    return KOPERF_STS_NOERR;
  }
  const size_t h = size_t{1} << (s->order - 1);
  WorkArea work(buffer, h * sizeof(Cx<double>));
  if (!work.get()) return KOPERF_STS_MEMALLOC;
  auto *a = static_cast<Cx<double> *>(work.get());
  auto *z = reinterpret_cast<Cx<double> *>(x);
  const KernelSet &k = Kernels();
  const double c = s->scaleInv;
  const double x0 = z[0].re, xh = z[0].im;
  // The merged spectrum goes where the transform reads it so that its last
  // pass writes z.
  Cx<double> *merged = OddPasses(s->plan) ? a : z;
  k.realMerge64(z, merged, s->postInv, h, c);
  merged[0] = {(x0 + xh) * c, (x0 - xh) * c};
  k.fft64(s->plan, merged, z, a, true);
  return KOPERF_STS_NOERR;
}

KoPerfStatus InitC32(void **setup, int order, int flag) {
  if (!setup) return KOPERF_STS_NULLPTR;
  *setup = nullptr;
  if (order < 0 || order > kMaxOrder) return KOPERF_STS_FFTORDER;
  double fwd, inv;
  if (!ScalesForFlag(flag, order, &fwd, &inv)) return KOPERF_STS_FFTFLAG;
  const size_t tw = TwiddleCount(order);
  const size_t head = AlignUp(sizeof(SpecC32));
  void *mem = AlignedAlloc(head + 2 * tw * sizeof(float));
  if (!mem) return KOPERF_STS_MEMALLOC;
  auto *s = new (mem) SpecC32{};
  auto *twf = reinterpret_cast<float *>(static_cast<char *>(mem) + head);
  FillTwiddles(order, twf, twf + tw);
  s->magic = kMagicC32;
  s->order = order;
  s->flag = flag;
  s->scaleFwd = static_cast<float>(fwd);
  s->scaleInv = static_cast<float>(inv);
  s->plan.order = order;
  s->plan.n = 1 << order;
  s->plan.twFwd = twf;
  s->plan.twInv = twf + tw;
  *setup = s;
  return KOPERF_STS_NOERR;
}

KoPerfStatus InitR64(void **setup, int order, int flag) {
  if (!setup) return KOPERF_STS_NULLPTR;
  *setup = nullptr;
  if (order < 0 || order > kMaxOrder) return KOPERF_STS_FFTORDER;
  double fwd, inv;
  if (!ScalesForFlag(flag, order, &fwd, &inv)) return KOPERF_STS_FFTFLAG;
  const int half = order > 0 ? order - 1 : 0;
  const size_t h = order > 0 ? size_t{1} << half : 0;
  const size_t tw = TwiddleCount(half);
  const size_t head = AlignUp(sizeof(SpecR64));
  void *mem = AlignedAlloc(head + 2 * tw * sizeof(double) + 2 * h * sizeof(Cx<double>));
  if (!mem) return KOPERF_STS_MEMALLOC;
  auto *s = new (mem) SpecR64{};
  auto *twd = reinterpret_cast<double *>(static_cast<char *>(mem) + head);
  FillTwiddles(half, twd, twd + tw);
  Cx<double> *post = reinterpret_cast<Cx<double> *>(twd + 2 * tw);
  Cx<double> *postInv = post + h;
  for (size_t k = 0; k < h; ++k) {
    post[k] = Root(k, 2 * h);
    postInv[k] = {post[k].re, -post[k].im};
  }
  s->magic = kMagicR64;
  s->order = order;
  s->flag = flag;
  s->scaleFwd = fwd;
  s->scaleInv = inv;
  s->plan.order = half;
  s->plan.n = 1 << half;
  s->plan.twFwd = twd;
  s->plan.twInv = twd + tw;
  s->post = post;
  s->postInv = postInv;
  *setup = s;
  return KOPERF_STS_NOERR;
}

}  // namespace
}  // namespace ko::signal

using namespace ko::signal;

extern "C" {

HRESULT KoPerfsFFTInitAlloc_C_32fc(void **setup, int order, int flag, KoPerfHintAlgorithm hint) {
  (void)KoPerfMapHintAlgorithm(hint);  // every hint gets the same algorithm
  return StatusToResult(InitC32(setup, order, flag));
}

HRESULT KoPerfsFFTGetBufSize_C_32fc(const void *setup, int *bytes) {
  if (!setup || !bytes) return StatusToResult(KOPERF_STS_NULLPTR);
  const SpecC32 *s = AsC32(setup);
  if (!s) return StatusToResult(KOPERF_STS_CONTEXTMATCH);
  *bytes = static_cast<int>((size_t{1} << s->order) * sizeof(Cx<float>) + kBufferSlack);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsFFTFwd_CToC_32fc(const void *src, void *dst, const void *setup, BYTE *buffer) {
  return StatusToResult(ComplexTransform(src, dst, setup, buffer, false));
}

HRESULT KoPerfsFFTInv_CToC_32fc(const void *src, void *dst, const void *setup, BYTE *buffer) {
  return StatusToResult(ComplexTransform(src, dst, setup, buffer, true));
}

HRESULT KoPerfsFFTFree_C_32fc(void *setup) {
  if (!setup) return StatusToResult(KOPERF_STS_NULLPTR);
  auto *s = static_cast<SpecC32 *>(setup);
  if (s->magic != kMagicC32) return StatusToResult(KOPERF_STS_CONTEXTMATCH);
  s->magic = 0;
  AlignedFree(setup);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsFFTInitAlloc_R_64f(void **setup, int order, int flag, KoPerfHintAlgorithm hint) {
  (void)KoPerfMapHintAlgorithm(hint);
  return StatusToResult(InitR64(setup, order, flag));
}

HRESULT KoPerfsFFTGetBufSize_R_64f(void *setup, int *bytes) {
  if (!setup || !bytes) return StatusToResult(KOPERF_STS_NULLPTR);
  const SpecR64 *s = AsR64(setup);
  if (!s) return StatusToResult(KOPERF_STS_CONTEXTMATCH);
  const size_t h = s->order > 0 ? size_t{1} << (s->order - 1) : 0;
  *bytes = static_cast<int>(2 * h * sizeof(Cx<double>) + kBufferSlack);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsFFTFree_R_64f(void *setup) {
  if (!setup) return StatusToResult(KOPERF_STS_NULLPTR);
  auto *s = static_cast<SpecR64 *>(setup);
  if (s->magic != kMagicR64) return StatusToResult(KOPERF_STS_CONTEXTMATCH);
  s->magic = 0;
  AlignedFree(setup);
  return StatusToResult(KOPERF_STS_NOERR);
}

HRESULT KoPerfsFFTFwd_RToPerm_64f_I(double *srcDst, const void *setup, BYTE *buffer) {
  return StatusToResult(RealForward(srcDst, setup, buffer));
}

HRESULT KoPerfsFFTInv_PermToR_64f_I(double *srcDst, const void *setup, BYTE *buffer) {
  return StatusToResult(RealInverse(srcDst, setup, buffer));
}

}  // extern "C"
