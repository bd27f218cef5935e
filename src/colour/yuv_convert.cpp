// YUV frames to and from RGB bitmaps: matrix, level range, gamma and output
// reduction in single precision, with the Q14 integer converter for 8-bit
// 4:2:0 frames whose studio levels are kept.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "colour/colour_matrix.h"
#include "colour/yuv_frame.h"
#include "colour/yuv_setup.h"
#include "frame/parallel.h"
#include "kokernel/kodib.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"
#include "pixels/xchg.h"

namespace ko::colour {

namespace {

namespace xchg = ko::pixels::xchg;

constexpr double kDefaultGamma = 2.2222222222222223;

inline uint16_t Word(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
inline void PutWord(uint8_t *p, unsigned v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline uint32_t Dword(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline void PutDword(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The chroma row of luma row r: per field for interlaced 4:2:0 material.
int ChromaRow(const Frame &f, int r, bool interlaced) {
  if (f.chromaH == 0) return -1;
  if (f.info->vs == 0) return r;
  int k = r / 2;
  if (interlaced && !(f.chromaH % 2 == 1 && r >= 2 * f.chromaH - 2)) k = 2 * ((r / 2) / 2) + (r % 2);
  return std::min(k, f.chromaH - 1);
}

// One source row as per-pixel samples (8-bit values, or 10-bit values for
// the wide layouts); each pixel carries the chroma sample it belongs to.
void FetchRow(const Frame &f, const uint8_t *base, int r, bool interlaced, int *Y, int *U, int *V) {
  const int w = f.w;
  const Kind k = f.info->kind;
  const uint8_t *luma = base + f.lumaStride * r;
  const int neutral = TenBit(k) ? 512 : 128;
  auto cx = [&](int x) { return std::min(x >> f.info->hs, f.chromaW - 1); };
  switch (k) {
    case Kind::Planar8:
    case Kind::Semi8:
    case Kind::Semi16:
    case Kind::Planar16: {
      const int cr = ChromaRow(f, r, interlaced);
      const bool wide = k == Kind::Semi16 || k == Kind::Planar16;
      for (int x = 0; x < w; ++x) Y[x] = wide ? Word(luma + 2 * x) >> 6 : luma[x];
      if (cr < 0 || f.chromaW == 0) {
        std::fill(U, U + w, neutral);
        std::fill(V, V + w, neutral);
        return;
      }
      const uint8_t *cb = base + f.cbOffset + f.cbStride * cr;
      const uint8_t *crp = base + f.crOffset + f.crStride * cr;
      for (int x = 0; x < w; ++x) {
        const int c = cx(x);
        switch (k) {
          case Kind::Planar8: U[x] = cb[c], V[x] = crp[c]; break;
          case Kind::Semi8: U[x] = cb[2 * c], V[x] = cb[2 * c + 1]; break;
          case Kind::Semi16: U[x] = Word(cb + 4 * c) >> 6, V[x] = Word(cb + 4 * c + 2) >> 6; break;
          default: U[x] = Word(cb + 2 * c) >> 6, V[x] = Word(crp + 2 * c) >> 6; break;
        }
      }
      return;
    }
    case Kind::PackedYUYV:
    case Kind::PackedUYVY:
    case Kind::Y210: {
      const int sb = k == Kind::Y210 ? 2 : 1;  // sample bytes
      auto at = [&](int i) { return sb == 2 ? Word(luma + 2 * i) >> 6 : luma[i]; };
      const int yo = k == Kind::PackedUYVY ? 1 : 0, uo = k == Kind::PackedUYVY ? 0 : 1;
      for (int x = 0; x < w; ++x) {
        Y[x] = at(2 * x + yo);
        const int p = f.chromaW > 0 ? cx(x) : -1;
        U[x] = p < 0 ? neutral : at(4 * p + uo);
        V[x] = p < 0 ? neutral : at(4 * p + uo + 2);
      }
      return;
    }
    case Kind::V210: {
      // Per group of six: Cb0 Y0 Cr0 | Y1 Cb2 Y2 | Cr2 Y3 Cb4 | Y4 Cr4 Y5.
      static constexpr int kY[6][2] = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {3, 0}, {3, 2}};
      static constexpr int kCb[3][2] = {{0, 0}, {1, 1}, {2, 2}};
      static constexpr int kCr[3][2] = {{0, 2}, {2, 0}, {3, 1}};
      auto sample = [&](int group, const int *pos) {
        return int(Dword(luma + 16 * group + 4 * pos[0]) >> (10 * pos[1]) & 0x3FF);
      };
      for (int x = 0; x < w; ++x) {
        Y[x] = sample(x / 6, kY[x % 6]);
        const int p = f.chromaW > 0 ? cx(x) : -1;
        U[x] = p < 0 ? neutral : sample(p / 3, kCb[p % 3]);
        V[x] = p < 0 ? neutral : sample(p / 3, kCr[p % 3]);
      }
      return;
    }
  }
}

struct RgbTarget {
  uint8_t *bits;
  int64_t stride;
  bool isFloat;
};

// Finds the pixels and stride of an RGB bitmap from its header when the
// caller leaves them out.
const uint8_t *DefaultBits(const BITMAPINFOHEADER *h) {
  const auto *p = reinterpret_cast<const uint8_t *>(h);
  if (h->biCompression == 3) return p + 52;
  uint32_t colours = h->biClrUsed;
  if (colours == 0 && h->biBitCount >= 1 && h->biBitCount <= 8) colours = 1u << h->biBitCount;
  return p + h->biSize + 4ull * colours;
}
int64_t DefaultStride(const BITMAPINFOHEADER *h) {
  return ((int64_t(h->biBitCount) * std::llabs(int64_t(h->biWidth)) + 31) / 8) & ~int64_t(3);
}

// Tone curve of the call, when the material's gamma and the output's differ.
struct CallCurve {
  KoToneCurve curve{};
  bool on = false;
  CallCurve(double material, double output) {
    const double ratio = GammaRatio(material, output);
    if (GammaStepNeeded(ratio)) {
      xchg::CurveInit(&curve, ratio);
      on = xchg::CurveBuildTable(&curve, xchg::CurveTable::Float256);
    }
  }
  ~CallCurve() {
    if (on) xchg::CurveFreeTables(&curve);
  }
  bool failed(double material, double output) const {
    return GammaStepNeeded(GammaRatio(material, output)) && !on;
  }
};

}  // namespace

ColorInfo ReadColorInfo(const void *p) {
  ColorInfo c;
  if (p) {
    uint32_t f[4];
    std::memcpy(f, p, sizeof f);
    c.matrix = f[1];
    c.interlace = f[3];
  }
  return c;
}

bool YuvToRgbAccepts(uint32_t code) {
  static const uint32_t kAccepted[] = {
      FourCC("I420"), FourCC("YV12"), FourCC("NV12"), FourCC("YV16"), FourCC("YV24"), FourCC("YUYV"),
      FourCC("UYVY"), FourCC("P010"), FourCC("P012"), FourCC("PL10"), FourCC("P210"), FourCC("P212"),
      FourCC("P216"), FourCC("P410"), FourCC("P412"), FourCC("A410"), FourCC("Y210"), FourCC("v210")};
  return std::find(std::begin(kAccepted), std::end(kAccepted), code) != std::end(kAccepted);
}

bool TenBit(Kind k) { return k == Kind::Semi16 || k == Kind::Planar16 || k == Kind::Y210 || k == Kind::V210; }

DecodeLevels MakeDecodeLevels(const MatrixValues &m, bool expand, bool isFloat, bool tenBit) {
  float lumaOff = expand ? 16.f : 0.f, lumaScale = expand ? 1.1643835f : 1.0f,
        chromaScale = expand ? 1.1383928f : 0.9776786f, chromaOff = 128.f;
  if (isFloat) {
    lumaScale = expand ? 0.00456621f : 0.003921569f;
    chromaScale = expand ? 0.004464286f : 0.0038340336f;
  }
  if (tenBit) {
    const float k = expand ? 0.25f : 0.24926686f;
    lumaOff = expand ? 64.f : 0.f;
    chromaOff = 512.f;
    lumaScale *= k;
    chromaScale *= k;
  }
  return {lumaOff, lumaScale, chromaOff, m.rCr * chromaScale, m.gCb * chromaScale, m.gCr * chromaScale,
          m.bCb * chromaScale};
}

double ClampGamma(double g) { return g == 0 ? kDefaultGamma : std::clamp(g, 0.5, 4.0); }
double GammaRatio(double materialGamma, double outputGamma) {
  return ClampGamma(materialGamma) / ClampGamma(outputGamma);
}
bool GammaStepNeeded(double ratio) { return ratio < 0.999 || ratio > 1.001; }

bool UsesQ14Path(const Frame &f, int reduce, bool isFloat, bool expand, bool gammaStep) {
  return reduce == 0 && !isFloat && !expand && !gammaStep && f.info->code == FourCC("I420") && f.w % 2 == 0 &&
         f.h % 2 == 0;
}

Encoder MakeEncoder(const MatrixValues &m, bool studio) {
  return {m.yR, m.yG, m.yB, m.cbR, m.cbG, m.cbB, m.crR, m.crG, m.crB,
          studio ? 0.85882354f : 1.0f, studio ? 16.f : 0.f,
          studio ? 0.8784314f : 1.0228311f, studio ? 4.f : 1023.f / 255.f};
}

}  // namespace ko::colour

using namespace ko::colour;

KO_EXTERN_C HRESULT KoYUV_YUVToRGB(BITMAPINFOHEADER *rgbHeader, double outputGamma, void *rgbBits,
                                   int rgbStride, const BITMAPINFOHEADER *yuvHeader,
                                   const void *colorInfo, const void *yuvBits,
                                   const KoYUVPlaneLayout *yuvLayout, int reduce, unsigned reserved,
                                   const KoYUVConvertParams *params) {
  (void)reserved;
  if (!rgbHeader || !yuvHeader || !yuvBits) return E_POINTER;
  if (!YuvToRgbAccepts(yuvHeader->biCompression))
    return E_FAIL;
  if (reduce < 0 || reduce > 3) return E_FAIL;
  const KOPIXELTYPE type = KoGetPixelType(rgbHeader);
  if (type != KOPT_RGB32 && type != KOPT_RGBA32 && type != KOPT_RGBAFLOAT) return E_FAIL;
  Frame f;
  if (HRESULT hr = MakeFrame(yuvHeader, yuvLayout, &f); hr != S_OK) return hr;
  const int ow = f.w >> reduce, oh = f.h >> reduce;
  const bool isFloat = type == KOPT_RGBAFLOAT;
  const int bpp = isFloat ? 16 : 4;
  if (std::llabs(int64_t(rgbHeader->biWidth)) < ow || std::llabs(int64_t(rgbHeader->biHeight)) < oh)
    return E_INVALIDARG;
  auto *bits = static_cast<uint8_t *>(rgbBits ? rgbBits : const_cast<uint8_t *>(DefaultBits(rgbHeader)));
  const int64_t stride = rgbStride ? rgbStride : DefaultStride(rgbHeader);
  if (std::llabs(stride) < int64_t(bpp) * ow) return E_INVALIDARG;
  if (ow == 0 || oh == 0) return S_OK;

  const ColorInfo ci = ReadColorInfo(colorInfo);
  const Matrix mtx = MatrixFromCode(ci.matrix, f.w, f.h);
  const MatrixValues &m = MatrixOf(mtx);
  const int range = params ? params->range : 0;
  const double materialGamma = params ? params->gamma : 0;
  const bool expand = outputGamma != 0 && range != KOYUV_RANGE_FULL;
  CallCurve curve(materialGamma, outputGamma);
  if (curve.failed(materialGamma, outputGamma)) return E_OUTOFMEMORY;

  // The integer converter: 8-bit 4:2:0 at full size, studio levels kept.
  if (UsesQ14Path(f, reduce, isFloat, expand, curve.on)) {
    const auto *b = static_cast<const uint8_t *>(yuvBits);
    Convert420Full(f.w, f.h, bits + stride * (f.h - 1), -stride, b, f.lumaStride, b + f.cbOffset,
                   f.cbStride, b + f.crOffset, f.crStride, int(ci.interlace), m.q14);
    return S_OK;
  }

  const DecodeLevels lv = MakeDecodeLevels(m, expand, isFloat, TenBit(f.info->kind));
  const float lumaOff = lv.lumaOff, lumaScale = lv.lumaScale, chromaOff = lv.chromaOff, kR = lv.kR,
              kGb = lv.kGb, kGr = lv.kGr, kB = lv.kB;
  const bool il = InterlacedMode(ci.interlace);
  const auto *src = static_cast<const uint8_t *>(yuvBits);
  const KoToneCurve *tc = curve.on ? &curve.curve : nullptr;

  ko::frame::Parallel([&] {
    std::vector<int> Y(f.w), U(f.w), V(f.w);
#pragma omp for schedule(static)
    for (int oy = 0; oy < oh; ++oy) {
      FetchRow(f, src, oy << reduce, il, Y.data(), U.data(), V.data());
      uint8_t *row = bits + stride * (oh - 1 - oy);
      for (int ox = 0; ox < ow; ++ox) {
        const int x = ox << reduce;
        const float yy = (float(Y[x]) - lumaOff) * lumaScale, cb = float(U[x]) - chromaOff,
                    cr = float(V[x]) - chromaOff;
        float c[3] = {yy + kB * cb, yy + kGb * cb + kGr * cr, yy + kR * cr};  // B, G, R
        if (isFloat) {
          // A caller's stride need not keep the floats aligned.
          float px[4];
          for (int i = 0; i < 3; ++i) px[i] = tc ? xchg::CurveLookupFloat(*tc, c[i]) : c[i];
          px[3] = 1.0f;
          std::memcpy(row + 16 * ox, px, sizeof px);
        } else {
          uint8_t *p = row + 4 * ox;
          for (int i = 0; i < 3; ++i) {
            float v = std::clamp(c[i], 0.f, 255.f);
            if (tc) v = xchg::CurveLookupFloat(*tc, v * (1.f / 255.f)) * 255.f;
            p[i] = uint8_t(int(v + 0.5f));
          }
          p[3] = 255;
        }
      }
    }
  });
  return S_OK;
}

KO_EXTERN_C HRESULT KoYUV422PlanarToRGBA(int width, int height, void *dst, int dstStride,
                                         const BYTE *y, int yStride, const BYTE *cb, int cbStride,
                                         const BYTE *cr, int crStride, int matrixCode) {
  if (height < 1) return S_OK;
  if (!dst || !y || !cb || !cr) return E_POINTER;
  if (width < 0 || width % 2) return E_INVALIDARG;
  if (std::abs(int64_t(yStride)) < width || std::abs(int64_t(cbStride)) < width / 2 ||
      std::abs(int64_t(crStride)) < width / 2 || std::abs(int64_t(dstStride)) < 4ll * width)
    return E_INVALIDARG;
  const Q14Coefs &c = MatrixOf(MatrixFromCode(uint32_t(matrixCode), width, height)).q14;
  const auto fn = ko::forms::Pick<Yuv420RowFn>(kYuv420Row);
  auto *d = static_cast<uint8_t *>(dst);
  ko::frame::ParallelFor(height, [&](int r) {
    fn(y + intptr_t(r) * yStride, cb + intptr_t(r) * cbStride, cr + intptr_t(r) * crStride,
       d + intptr_t(r) * dstStride, width, &c);
  });
  return S_OK;
}

// ---- RGB to YUV -----------------------------------------------------------------

namespace {

// 8-bit results clamp to 1..254 and truncate; 10-bit ones to 4..1019.
int Narrow8(float v) {
  const float c = std::clamp(v + 1.5e-8f, 1.f, 254.f);
  return int(c);
}
int Narrow10(float v) { return int(std::clamp(v + 1.5e-8f, 4.f, 1019.f)); }

// The encoder's per-pixel arithmetic.
struct Encode : Encoder {
  float Luma(const float *bgr) const { return (yR * bgr[2] + yG * bgr[1] + yB * bgr[0]) * lumaScale; }
  float Cb(const float *bgr) const { return cbR * bgr[2] + cbG * bgr[1] + cbB * bgr[0]; }
  float Cr(const float *bgr) const { return crR * bgr[2] + crG * bgr[1] + crB * bgr[0]; }
  int Y8(const float *bgr) const { return Narrow8(Luma(bgr) + lumaOff + 0.5f); }
  int Y10(const float *bgr) const { return Narrow10((Luma(bgr) + lumaOff) * tenMul + 0.5f); }
  // Chroma of a sum of `count` pixels' chroma rows.
  int C8(float sum, int count) const { return Narrow8(sum * chromaScale * (1.f / count) + 128.f + 0.5f); }
  int C10(float sum, int count) const {
    return Narrow10(sum * chromaScale * (1.f / count) * tenMul + 512.f + 0.5f);
  }
};

}  // namespace

KO_EXTERN_C HRESULT KoYUV_RGBToYUV(BITMAPINFOHEADER *yuvHeader, const void *colorInfo, void *yuvBits,
                                   const KoYUVPlaneLayout *yuvLayout, const BITMAPINFOHEADER *rgbHeader,
                                   double gamma, const void *rgbBits, int rgbStride, int reduce,
                                   unsigned reserved, bool toStudioRange) {
  (void)reserved;
  if (!yuvHeader || !rgbHeader || !yuvBits) return E_POINTER;
  static const uint32_t kTargets[] = {FourCC("I420"), FourCC("YV12"), FourCC("NV12"), FourCC("YV16"),
                                      FourCC("YUYV"), FourCC("UYVY"), FourCC("A410"), FourCC("P410"),
                                      FourCC("PL10"), FourCC("P010"), FourCC("P210"), FourCC("v210")};
  if (std::find(std::begin(kTargets), std::end(kTargets), yuvHeader->biCompression) == std::end(kTargets))
    return E_FAIL;
  if (reduce != 0) return E_FAIL;
  const KOPIXELTYPE type = KoGetPixelType(rgbHeader);
  if (type != KOPT_RGB32 && type != KOPT_RGBA32 && type != KOPT_RGBAFLOAT) return E_FAIL;
  Frame f;
  if (HRESULT hr = MakeFrame(yuvHeader, yuvLayout, &f); hr != S_OK) return hr;
  const bool isFloat = type == KOPT_RGBAFLOAT;
  const int bpp = isFloat ? 16 : 4;
  if (std::llabs(int64_t(rgbHeader->biWidth)) < f.w || std::llabs(int64_t(rgbHeader->biHeight)) < f.h)
    return E_INVALIDARG;
  const auto *rgb = static_cast<const uint8_t *>(rgbBits ? rgbBits : DefaultBits(rgbHeader));
  const int64_t stride = rgbStride ? rgbStride : DefaultStride(rgbHeader);
  if (std::llabs(stride) < int64_t(bpp) * f.w) return E_INVALIDARG;

  const ColorInfo ci = ReadColorInfo(colorInfo);
  const MatrixValues &m = MatrixOf(MatrixFromCode(ci.matrix, f.w, f.h));
  const bool studio = gamma != 0 && toStudioRange;
  const Encode enc{MakeEncoder(m, studio)};
  const Kind kind = f.info->kind;
  const bool il = InterlacedMode(ci.interlace);
  auto *dst = static_cast<uint8_t *>(yuvBits);
  const int w = f.w, h = f.h;
  // Work items: single rows, or row pairs for 4:2:0 targets.
  const int step = f.info->vs ? 2 : 1;
  const int items = (h + step - 1) / step;

  // 8-bit 4:2:0 targets from 8-bit pixels: the row kernels.
  if (!isFloat && f.info->vs == 1 && (kind == Kind::Planar8 || kind == Kind::Semi8)) {
    const YuvEncodeCoefs k{enc.yR, enc.yG, enc.yB, enc.cbR, enc.cbG, enc.cbB, enc.crR, enc.crG, enc.crB,
                           enc.lumaScale, enc.lumaOff, enc.chromaScale};
    const auto luma = ko::forms::Pick<RgbToLumaFn>(kRgbToLuma);
    const auto chroma = ko::forms::Pick<RgbToChroma420Fn>(kRgbToChroma420);
    const auto pair = ko::forms::Pick<RgbToI420PairFn>(kRgbToI420Pair);
    const bool semi = kind == Kind::Semi8;
    auto rgbRow = [&](int y) { return rgb + stride * (h - 1 - y); };
    ko::frame::ParallelFor(items, [&](int item) {
      const int y = 2 * item;
      int ra = y, rb = std::min(y + 1, h - 1);
      if (il && y < (h & ~2)) {
        ra = y % 4 == 0 ? y : y - 1;
        rb = std::min(ra + 2, h - 1);
      }
      uint8_t *u = dst + f.cbOffset + f.cbStride * item;
      uint8_t *v = semi ? u + 1 : dst + f.crOffset + f.crStride * item;
      // The usual case: both rows of the pair and their own chroma in one pass.
      if (item < f.chromaH && ra == y && rb == y + 1 && f.chromaW == w / 2) {
        pair(rgbRow(y), rgbRow(y + 1), dst + f.lumaStride * y, dst + f.lumaStride * (y + 1), u, v, semi ? 2 : 1, w,
             &k);
        return;
      }
      luma(rgbRow(y), dst + f.lumaStride * y, w, &k);
      if (y + 1 < h) luma(rgbRow(y + 1), dst + f.lumaStride * (y + 1), w, &k);
      if (item < f.chromaH) chroma(rgbRow(ra), rgbRow(rb), u, v, semi ? 2 : 1, f.chromaW, &k);
    });
    return S_OK;
  }

  // RGB row of YUV row y as B, G, R(, A) floats on the 0..255 scale.
  auto fetch = [&](int y, float *out) {
    const uint8_t *row = rgb + stride * (h - 1 - y);
    if (isFloat) {
      std::memcpy(out, row, sizeof(float) * 4 * size_t(w));
      for (int i = 0; i < 4 * w; ++i) out[i] *= 255.f;
      return;
    }
    for (int i = 0; i < 4 * w; ++i) out[i] = float(row[i]);
  };

  ko::frame::Parallel([&] {
    std::vector<float> rows[4];
    for (auto &r : rows) r.resize(4 * size_t(w));
#pragma omp for schedule(static)
    for (int item = 0; item < items; ++item) {
      const int y = item * step;
      fetch(y, rows[0].data());
      uint8_t *luma = dst + f.lumaStride * y;
      // Luma (and alpha) of the row or rows of the item.
      for (int j = 0; j < step && y + j < h; ++j) {
        const float *px = rows[0].data();
        if (j == 1) {
          fetch(y + 1, rows[1].data());
          px = rows[1].data();
          luma = dst + f.lumaStride * (y + 1);
        }
        for (int x = 0; x < w; ++x) {
          const float *p = px + 4 * x;
          switch (kind) {
            case Kind::Planar8:
            case Kind::Semi8: luma[x] = uint8_t(enc.Y8(p)); break;
            case Kind::Semi16:
            case Kind::Planar16: PutWord(luma + 2 * x, unsigned(enc.Y10(p)) << 6); break;
            case Kind::PackedYUYV: luma[2 * x] = uint8_t(enc.Y8(p)); break;
            case Kind::PackedUYVY: luma[2 * x + 1] = uint8_t(enc.Y8(p)); break;
            default: break;  // v210 below
          }
        }
        if (f.info->alpha) {
          uint8_t *a = dst + f.alphaOffset + f.alphaStride * (y + j);
          for (int x = 0; x < w; ++x) {
            const float v = std::clamp(px[4 * x + 3] * (1023.f / 255.f) + 0.5f, 0.f, 1023.f);
            PutWord(a + 2 * x, unsigned(v) << 6);
          }
        }
      }
      const float *r0 = rows[0].data();
      if (step == 1) {
        // 4:2:2 and 4:4:4: chroma from this row, pairs averaged.
        const int cw = f.info->hs ? (w + 1) / 2 : w;
        for (int c = 0; c < cw; ++c) {
          const int x0 = c << f.info->hs;
          const int n = f.info->hs && x0 + 1 < w ? 2 : 1;
          float sb = 0, sr = 0;
          for (int i = 0; i < n; ++i) {
            sb += enc.Cb(r0 + 4 * (x0 + i));
            sr += enc.Cr(r0 + 4 * (x0 + i));
          }
          switch (kind) {
            case Kind::Planar8:
              if (c < f.chromaW) {
                dst[f.cbOffset + f.cbStride * y + c] = uint8_t(enc.C8(sb, n));
                dst[f.crOffset + f.crStride * y + c] = uint8_t(enc.C8(sr, n));
              }
              break;
            case Kind::Planar16:
              PutWord(dst + f.cbOffset + f.cbStride * y + 2 * c, unsigned(enc.C10(sb, n)) << 6);
              PutWord(dst + f.crOffset + f.crStride * y + 2 * c, unsigned(enc.C10(sr, n)) << 6);
              break;
            case Kind::Semi16:
              if (c < f.chromaW) {
                PutWord(dst + f.cbOffset + f.cbStride * y + 4 * c, unsigned(enc.C10(sb, n)) << 6);
                PutWord(dst + f.cbOffset + f.cbStride * y + 4 * c + 2, unsigned(enc.C10(sr, n)) << 6);
              }
              break;
            case Kind::PackedYUYV:
              luma[4 * c + 1] = uint8_t(enc.C8(sb, n));
              if (n == 2) luma[4 * c + 3] = uint8_t(enc.C8(sr, n));
              break;
            case Kind::PackedUYVY:
              luma[4 * c] = uint8_t(enc.C8(sb, n));
              if (n == 2) luma[4 * c + 2] = uint8_t(enc.C8(sr, n));
              break;
            default: break;
          }
        }
        if (kind == Kind::V210) {
          // Groups of six; a short last group packs what it has, zeros after.
          for (int g = 0; g * 6 < w; ++g) {
            uint32_t s[12] = {};
            int idx = 0;
            for (int pair = 0; pair < 3; ++pair) {
              const int x0 = 6 * g + 2 * pair;
              if (x0 >= w) break;
              const int n = x0 + 1 < w ? 2 : 1;
              float sb = 0, sr = 0;
              for (int i = 0; i < n; ++i) {
                sb += enc.Cb(r0 + 4 * (x0 + i));
                sr += enc.Cr(r0 + 4 * (x0 + i));
              }
              s[idx++] = uint32_t(enc.C10(sb, n));
              s[idx++] = uint32_t(enc.Y10(r0 + 4 * x0));
              s[idx++] = uint32_t(enc.C10(sr, n));
              s[idx++] = n == 2 ? uint32_t(enc.Y10(r0 + 4 * (x0 + 1))) : 0;
            }
            // s holds Cb Y Cr Y per pair; v210 order is the same stream.
            for (int word = 0; word < 4; ++word)
              PutDword(luma + 16 * g + 4 * word, s[3 * word] | s[3 * word + 1] << 10 | s[3 * word + 2] << 20);
          }
        }
        continue;
      }
      // 4:2:0: one chroma row from two luma rows, per field when interlaced.
      const int k = y / 2;
      if (k >= f.chromaH) continue;
      const float *a = r0, *b = rows[1].data();
      if (il && y < (h & ~2)) {
        const int ra = y % 4 == 0 ? y : y - 1, rb = ra + 2;
        fetch(ra, rows[2].data());
        fetch(std::min(rb, h - 1), rows[3].data());
        a = rows[2].data();
        b = rows[3].data();
      } else if (y + 1 >= h) {
        b = r0;
      }
      for (int c = 0; c < f.chromaW; ++c) {
        float sb = 0, sr = 0;
        for (int i = 0; i < 2; ++i) {
          sb += enc.Cb(a + 4 * (2 * c + i)) + enc.Cb(b + 4 * (2 * c + i));
          sr += enc.Cr(a + 4 * (2 * c + i)) + enc.Cr(b + 4 * (2 * c + i));
        }
        switch (kind) {
          case Kind::Planar8:
            dst[f.cbOffset + f.cbStride * k + c] = uint8_t(enc.C8(sb, 4));
            dst[f.crOffset + f.crStride * k + c] = uint8_t(enc.C8(sr, 4));
            break;
          case Kind::Semi8:
            dst[f.cbOffset + f.cbStride * k + 2 * c] = uint8_t(enc.C8(sb, 4));
            dst[f.cbOffset + f.cbStride * k + 2 * c + 1] = uint8_t(enc.C8(sr, 4));
            break;
          default:  // P010, PL10
            PutWord(dst + f.cbOffset + f.cbStride * k + 4 * c, unsigned(enc.C10(sb, 4)) << 6);
            PutWord(dst + f.cbOffset + f.cbStride * k + 4 * c + 2, unsigned(enc.C10(sr, 4)) << 6);
            break;
        }
      }
    }
  });
  return S_OK;
}
