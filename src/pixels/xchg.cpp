// The pixel-exchange engine: per-pixel read and write functions for every
// direct pixel type in the three working precisions, the interpolating
// reads, and the choice of functions for a converter record.
#include "pixels/xchg.h"

#include <cmath>
#include <cstring>

#include "pixels/xchg_internal.h"

namespace ko::pixels::xchg {

int TypeBits(int type) {
  static const uint8_t bits[19] = {1, 1, 2, 4, 8, 16, 32, 4, 8, 16, 16, 24, 32, 32, 32, 64, 128, 32, 32};
  return IsDirectType(type) ? bits[type - 16] : 0;
}

static void Seek(const uint8_t *row, int type, int64_t x, const uint8_t **p, int32_t *bit) {
  const int bits = TypeBits(type);
  const int64_t pos = x * bits;
  *p = row + (pos >> 3);
  *bit = bits < 8 ? int32_t(pos & 7) : 0;
}

void SeekSrc(KoXchgContext *rec, const void *row, int type, int64_t x) {
  Seek(static_cast<const uint8_t *>(row), type, x, &rec->src, &rec->srcBit);
}

void SeekDst(KoXchgContext *rec, void *row, int type, int64_t x) {
  const uint8_t *p;
  Seek(static_cast<const uint8_t *>(row), type, x, &p, &rec->dstBit);
  rec->dst = const_cast<uint8_t *>(p);
}

void Cleanup(KoXchgContext *rec) {
  if (!rec) return;
  CurveFreeTables(&rec->readCurve);
  CurveFreeTables(&rec->writeCurve);
}

namespace {

constexpr uint16_t kLevel2[4] = {0, 21845, 43690, 65535};

template <int T>
constexpr int Bits() {
  return T == 16 || T == 17 ? 1 : T == 18 ? 2 : T == 19 || T == 23 ? 4 : T == 20 || T == 24 ? 8
         : T == 21 || T == 25 || T == 26 ? 16 : T == 27 ? 24 : T == 31 ? 64 : T == 32 ? 128 : 32;
}

template <int T>
inline void Step(const uint8_t *&p, int32_t &bit, int n) {
  if constexpr (Bits<T>() < 8) {
    const int32_t pos = bit + Bits<T>() * n;
    p += pos >> 3;
    bit = pos & 7;
  } else {
    p += (Bits<T>() / 8) * n;
  }
}

template <int V>
inline uint16_t Widen(uint32_t v) {
  return V ? uint16_t(v * 257) : uint16_t(v << 8);
}

inline uint16_t FloatTo16(const KoToneCurve &curve, float v) {
  v = CurveApply(curve, v);
  if (!(v > 0.0f)) return 0;  // also NaN
  if (v >= 1.0f) return 65535;
  return uint16_t(v * 65535.0f + 0.5f);
}

inline float From16(const KoToneCurve &curve, uint32_t v) {
  return CurveApply(curve, float(v) / 65535.0f);
}

inline void Load16(const uint8_t *p, uint16_t *w, int n) { std::memcpy(w, p, 2 * n); }

// One stored pixel at (p, bit) as a 16-bit working pixel.
template <int T, int V>
inline void Fetch16(const KoXchgContext *rec, const uint8_t *p, int bit, uint16_t *o) {
  o[3] = 65535;
  if constexpr (T == 16 || T == 17) {
    const uint16_t v = (*p >> (7 - bit)) & 1 ? 65535 : 0;
    o[0] = o[1] = o[2] = v;
  } else if constexpr (T == 18) {
    o[0] = o[1] = o[2] = kLevel2[(*p >> (6 - bit)) & 3];
  } else if constexpr (T == 19) {
    o[0] = o[1] = o[2] = uint16_t(((*p >> (4 - bit)) & 15) * 4369);
  } else if constexpr (T == 20) {
    o[0] = o[1] = o[2] = Widen<V>(*p);
  } else if constexpr (T == 21) {
    uint16_t v;
    Load16(p, &v, 1);
    o[0] = o[1] = o[2] = v;
  } else if constexpr (T == 22) {
    float f;
    std::memcpy(&f, p, 4);
    o[0] = o[1] = o[2] = FloatTo16(rec->readCurve, f);
  } else if constexpr (T == 23 || T == 24) {
    const uint32_t i = T == 23 ? (*p >> (4 - bit)) & 15 : *p;
    if (rec->palette) {
      const RGBQUAD &e = rec->palette[i];
      o[0] = uint16_t(e.rgbBlue << 8);
      o[1] = uint16_t(e.rgbGreen << 8);
      o[2] = uint16_t(e.rgbRed << 8);
    } else {
      o[0] = o[1] = o[2] = 0;
    }
  } else if constexpr (T == 25) {
    uint16_t v;
    Load16(p, &v, 1);
    o[0] = uint16_t((v & 31) << 11);
    o[1] = uint16_t(((v >> 5) & 31) << 11);
    o[2] = uint16_t(((v >> 10) & 31) << 11);
  } else if constexpr (T == 26) {
    uint16_t v;
    Load16(p, &v, 1);
    o[0] = uint16_t((v & 31) << 11);
    o[1] = uint16_t(((v >> 5) & 63) << 10);
    o[2] = uint16_t(v & 0xF800);
  } else if constexpr (T == 27) {
    o[0] = Widen<V>(p[0]);
    o[1] = Widen<V>(p[1]);
    o[2] = Widen<V>(p[2]);
  } else if constexpr (T == 28 || T == 29) {
    o[0] = Widen<V>(p[0]);
    o[1] = Widen<V>(p[1]);
    o[2] = Widen<V>(p[2]);
    o[3] = Widen<V>(p[3]);
  } else if constexpr (T == 30) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    o[0] = uint16_t((v & 1023) << 6);
    o[1] = uint16_t(((v >> 10) & 1023) << 6);
    o[2] = uint16_t(((v >> 20) & 1023) << 6);
    o[3] = kLevel2[v >> 30];
  } else if constexpr (T == 31) {
    Load16(p, o, 4);
  } else if constexpr (T == 32) {
    float f[4];
    std::memcpy(f, p, 16);
    for (int c = 0; c < 4; ++c) o[c] = FloatTo16(rec->readCurve, f[c]);
  } else if constexpr (T == 33) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    o[0] = uint16_t(((v >> 2) & 1023) << 6);
    o[1] = uint16_t(((v >> 12) & 1023) << 6);
    o[2] = uint16_t(((v >> 22) & 1023) << 6);
    o[3] = kLevel2[v & 3];
  }
}

template <int Shift, int Width>
inline void PutBits(uint8_t *p, int bit, uint32_t v) {
  const int sh = 8 - Width - bit;
  const uint8_t mask = uint8_t(((1u << Width) - 1) << sh);
  *p = uint8_t((*p & ~mask) | ((v << sh) & mask));
}

// Stores a 16-bit working pixel at (p, bit).
template <int T>
inline void Store16(const KoXchgContext *rec, uint8_t *p, int bit, const uint16_t *w) {
  const uint32_t b = w[0], g = w[1], r = w[2], a = w[3];
  if constexpr (T == 16 || T == 17) {
    PutBits<0, 1>(p, bit, b + g + r < 0x17FFF ? 0 : 1);
  } else if constexpr (T == 18) {
    PutBits<0, 2>(p, bit, ((b + g + r) / 3) >> 14);
  } else if constexpr (T == 19) {
    PutBits<0, 4>(p, bit, ((b + g + r) / 3) >> 12);
  } else if constexpr (T == 20) {
    *p = uint8_t((b + g + r) / 768);
  } else if constexpr (T == 21) {
    const uint16_t v = uint16_t((b + g + r) / 3);
    std::memcpy(p, &v, 2);
  } else if constexpr (T == 22) {
    const float f = From16(rec->writeCurve, (b + g + r) / 3);
    std::memcpy(p, &f, 4);
  } else if constexpr (T == 23 || T == 24) {
    const uint8_t i = rec->inverseMap ? rec->inverseMap[Cell16(r, g, b)] : 0;
    if constexpr (T == 23)
      PutBits<0, 4>(p, bit, i);
    else
      *p = i;
  } else if constexpr (T == 25) {
    const uint16_t v = uint16_t((r >> 11) << 10 | (g >> 11) << 5 | (b >> 11));
    std::memcpy(p, &v, 2);
  } else if constexpr (T == 26) {
    const uint16_t v = uint16_t((r >> 11) << 11 | (g >> 10) << 5 | (b >> 11));
    std::memcpy(p, &v, 2);
  } else if constexpr (T == 27) {
    p[0] = uint8_t(b >> 8);
    p[1] = uint8_t(g >> 8);
    p[2] = uint8_t(r >> 8);
  } else if constexpr (T == 28 || T == 29) {
    p[0] = uint8_t(b >> 8);
    p[1] = uint8_t(g >> 8);
    p[2] = uint8_t(r >> 8);
    p[3] = uint8_t(a >> 8);
  } else if constexpr (T == 30) {
    const uint32_t v = (b >> 6) | (g >> 6) << 10 | (r >> 6) << 20 | (a >> 14) << 30;
    std::memcpy(p, &v, 4);
  } else if constexpr (T == 31) {
    std::memcpy(p, w, 8);
  } else if constexpr (T == 32) {
    float f[4];
    for (int c = 0; c < 4; ++c) f[c] = From16(rec->writeCurve, w[c]);
    std::memcpy(p, f, 16);
  } else if constexpr (T == 33) {
    const uint32_t v = (r >> 6) << 22 | (g >> 6) << 12 | (b >> 6) << 2 | (a >> 14);
    std::memcpy(p, &v, 4);
  }
}

// ---- 16-bit functions ---------------------------------------------------------------

template <int T, int V>
void Read16(KoXchgContext *rec) {
  Fetch16<T, V>(rec, rec->src, rec->srcBit, rec->pixel[0].w);
  Step<T>(rec->src, rec->srcBit, 1);
}

template <int T, int V>
void Read4x16(KoXchgContext *rec) {
  for (int i = 0; i < 4; ++i) {
    Fetch16<T, V>(rec, rec->src, rec->srcBit, rec->pixel[i].w);
    Step<T>(rec->src, rec->srcBit, 1);
  }
}

template <int T>
void Write16(KoXchgContext *rec) {
  Store16<T>(rec, rec->dst, rec->dstBit, rec->pixel[0].w);
  const uint8_t *d = rec->dst;
  Step<T>(d, rec->dstBit, 1);
  rec->dst = const_cast<uint8_t *>(d);
}

template <int T>
void Write4x16(KoXchgContext *rec) {
  const uint8_t *d = rec->dst;
  for (int i = 0; i < 4; ++i) {
    Store16<T>(rec, const_cast<uint8_t *>(d), rec->dstBit, rec->pixel[i].w);
    Step<T>(d, rec->dstBit, 1);
  }
  rec->dst = const_cast<uint8_t *>(d);
}

// The pixel at the cursor, its right neighbour, and the same two one row down.
template <int T, int V>
inline void Fetch2x2(const KoXchgContext *rec, uint16_t q[4][4], bool right, bool down) {
  const uint8_t *p = rec->src;
  int32_t bit = rec->srcBit;
  Fetch16<T, V>(rec, p, bit, q[0]);
  if (right) {
    const uint8_t *pr = p;
    int32_t br = bit;
    Step<T>(pr, br, 1);
    Fetch16<T, V>(rec, pr, br, q[1]);
    if (down) Fetch16<T, V>(rec, pr + rec->srcStride, br, q[3]);
  }
  if (down) Fetch16<T, V>(rec, p + rec->srcStride, bit, q[2]);
}

template <int T, int V>
void Bilinear16(KoXchgContext *rec) {
  const uint32_t fx = rec->fracX & 0x3FFF, fy = rec->fracY & 0x3FFF;
  uint16_t q[4][4];
  Fetch2x2<T, V>(rec, q, fx != 0, fy != 0);
  if (!fx) std::memcpy(q[1], q[0], 8);
  if (!fy) {
    std::memcpy(q[2], q[0], 8);
    std::memcpy(q[3], q[1], 8);
  } else if (!fx) {
    std::memcpy(q[3], q[2], 8);
  }
  const uint32_t w00 = (16384 - fx) * (16384 - fy) / 16384, w10 = fx * (16384 - fy) / 16384;
  const uint32_t w01 = (16384 - fx) * fy / 16384, w11 = fx * fy / 16384;
  for (int c = 0; c < 4; ++c)
    rec->pixel[0].w[c] =
        uint16_t((w00 * q[0][c] + w10 * q[1][c] + w01 * q[2][c] + w11 * q[3][c]) >> 14);
}

template <int T, int V>
void Vertical16(KoXchgContext *rec) {
  const uint32_t fy = rec->fracY & 0x3FFF;
  uint16_t q[4][4];
  Fetch2x2<T, V>(rec, q, false, fy != 0);
  if (!fy) std::memcpy(q[2], q[0], 8);
  for (int c = 0; c < 4; ++c)
    rec->pixel[0].w[c] = uint16_t(((16384 - fy) * q[0][c] + fy * q[2][c]) >> 14);
}

template <int T, int V>
void Block16(KoXchgContext *rec) {
  uint16_t q[4][4];
  Fetch2x2<T, V>(rec, q, true, true);
  for (int i = 0; i < 4; ++i) std::memcpy(rec->pixel[i].w, q[i], 8);
}

// ---- 8-bit functions (types 24, 27, 28, 29) -----------------------------------------

template <int T>
inline void Fetch8(const KoXchgContext *rec, const uint8_t *p, uint8_t *o) {
  if constexpr (T == 24) {
    if (rec->palette) {
      std::memcpy(o, &rec->palette[*p], 4);
    } else {
      o[0] = o[1] = o[2] = 0;
    }
    o[3] = 255;
  } else if constexpr (T == 27) {
    o[0] = p[0];
    o[1] = p[1];
    o[2] = p[2];
    o[3] = 255;
  } else {
    std::memcpy(o, p, 4);
  }
}

template <int T>
inline void Store8(const KoXchgContext *rec, uint8_t *p, const uint8_t *w) {
  if constexpr (T == 24) {
    *p = rec->inverseMap ? rec->inverseMap[Cell8(w[2], w[1], w[0])] : 0;
  } else if constexpr (T == 27) {
    p[0] = w[0];
    p[1] = w[1];
    p[2] = w[2];
  } else {
    std::memcpy(p, w, 4);
  }
}

template <int T>
void Read8(KoXchgContext *rec) {
  Fetch8<T>(rec, rec->src, rec->pixel[0].b);
  rec->src += Bits<T>() / 8;
}

template <int T>
void Read4x8(KoXchgContext *rec) {
  if constexpr (T == 28 || T == 29) {
    std::memcpy(rec->pixel, rec->src, 16);
    // the union is 16 bytes wide: spread the four pixels over the slots
    uint8_t tmp[16];
    std::memcpy(tmp, rec->pixel, 16);
    for (int i = 0; i < 4; ++i) std::memcpy(rec->pixel[i].b, tmp + 4 * i, 4);
  } else {
    for (int i = 0; i < 4; ++i) Fetch8<T>(rec, rec->src + i * (Bits<T>() / 8), rec->pixel[i].b);
  }
  rec->src += 4 * (Bits<T>() / 8);
}

template <int T>
void Write8(KoXchgContext *rec) {
  Store8<T>(rec, rec->dst, rec->pixel[0].b);
  rec->dst += Bits<T>() / 8;
}

template <int T>
void Write4x8(KoXchgContext *rec) {
  for (int i = 0; i < 4; ++i) Store8<T>(rec, rec->dst + i * (Bits<T>() / 8), rec->pixel[i].b);
  rec->dst += 4 * (Bits<T>() / 8);
}

template <int T>
inline void Fetch2x2_8(const KoXchgContext *rec, uint8_t q[4][4], bool right, bool down) {
  const uint8_t *p = rec->src;
  constexpr int n = Bits<T>() / 8;
  Fetch8<T>(rec, p, q[0]);
  if (right) Fetch8<T>(rec, p + n, q[1]);
  if (down) Fetch8<T>(rec, p + rec->srcStride, q[2]);
  if (right && down) Fetch8<T>(rec, p + rec->srcStride + n, q[3]);
}

template <int T>
void Bilinear8(KoXchgContext *rec) {
  const uint32_t fx = rec->fracX & 0x3FFF, fy = rec->fracY & 0x3FFF;
  uint8_t q[4][4];
  Fetch2x2_8<T>(rec, q, fx != 0, fy != 0);
  if (!fx) std::memcpy(q[1], q[0], 4);
  if (!fy) {
    std::memcpy(q[2], q[0], 4);
    std::memcpy(q[3], q[1], 4);
  } else if (!fx) {
    std::memcpy(q[3], q[2], 4);
  }
  const uint32_t w00 = (16384 - fx) * (16384 - fy) / 16384, w10 = fx * (16384 - fy) / 16384;
  const uint32_t w01 = (16384 - fx) * fy / 16384, w11 = fx * fy / 16384;
  for (int c = 0; c < 4; ++c)
    rec->pixel[0].b[c] =
        uint8_t((w00 * q[0][c] + w10 * q[1][c] + w01 * q[2][c] + w11 * q[3][c]) >> 14);
}

template <int T>
void Vertical8(KoXchgContext *rec) {
  const uint32_t fy = rec->fracY & 0x3FFF;
  uint8_t q[4][4];
  Fetch2x2_8<T>(rec, q, false, fy != 0);
  if (!fy) std::memcpy(q[2], q[0], 4);
  for (int c = 0; c < 4; ++c)
    rec->pixel[0].b[c] = uint8_t(((16384 - fy) * q[0][c] + fy * q[2][c]) >> 14);
}

template <int T>
void Block8(KoXchgContext *rec) {
  uint8_t q[4][4];
  Fetch2x2_8<T>(rec, q, true, true);
  for (int i = 0; i < 4; ++i) std::memcpy(rec->pixel[i].b, q[i], 4);
}

// ---- Float functions (type 32 to type 32) -------------------------------------------

inline void FetchF(const KoXchgContext *rec, const uint8_t *p, float *o) {
  std::memcpy(o, p, 16);
  if (rec->readCurve.active)
    for (int c = 0; c < 4; ++c) o[c] = CurveApply(rec->readCurve, o[c]);
}

void ReadF(KoXchgContext *rec) {
  FetchF(rec, rec->src, rec->pixel[0].f);
  rec->src += 16;
}
void Read4F(KoXchgContext *rec) {
  for (int i = 0; i < 4; ++i) FetchF(rec, rec->src + 16 * i, rec->pixel[i].f);
  rec->src += 64;
}
void WriteF(KoXchgContext *rec) {
  std::memcpy(rec->dst, rec->pixel[0].f, 16);
  rec->dst += 16;
}
void Write4F(KoXchgContext *rec) {
  for (int i = 0; i < 4; ++i) std::memcpy(rec->dst + 16 * i, rec->pixel[i].f, 16);
  rec->dst += 64;
}
void BilinearF(KoXchgContext *rec) {
  const uint32_t fx = rec->fracX & 0x3FFF, fy = rec->fracY & 0x3FFF;
  float q[4][4];
  const uint8_t *p = rec->src;
  FetchF(rec, p, q[0]);
  if (fx) FetchF(rec, p + 16, q[1]); else std::memcpy(q[1], q[0], 16);
  if (fy) {
    FetchF(rec, p + rec->srcStride, q[2]);
    if (fx) FetchF(rec, p + rec->srcStride + 16, q[3]); else std::memcpy(q[3], q[2], 16);
  } else {
    std::memcpy(q[2], q[0], 16);
    std::memcpy(q[3], q[1], 16);
  }
  const float ax = float(fx) * (1.0f / 16384), ay = float(fy) * (1.0f / 16384);
  for (int c = 0; c < 4; ++c) {
    const float top = q[0][c] + (q[1][c] - q[0][c]) * ax;
    const float bot = q[2][c] + (q[3][c] - q[2][c]) * ax;
    rec->pixel[0].f[c] = top + (bot - top) * ay;
  }
}
void VerticalF(KoXchgContext *rec) {
  const uint32_t fy = rec->fracY & 0x3FFF;
  float a[4], b[4];
  FetchF(rec, rec->src, a);
  if (fy) FetchF(rec, rec->src + rec->srcStride, b); else std::memcpy(b, a, 16);
  const float ay = float(fy) * (1.0f / 16384);
  for (int c = 0; c < 4; ++c) rec->pixel[0].f[c] = a[c] + (b[c] - a[c]) * ay;
}
void BlockF(KoXchgContext *rec) {
  FetchF(rec, rec->src, rec->pixel[0].f);
  FetchF(rec, rec->src + 16, rec->pixel[1].f);
  FetchF(rec, rec->src + rec->srcStride, rec->pixel[2].f);
  FetchF(rec, rec->src + rec->srcStride + 16, rec->pixel[3].f);
}

// ---- Function tables -------------------------------------------------------------------

struct Readers {
  KoXchgFn read, read4, bilinear, vertical, block;
};

template <int T, int V>
constexpr Readers Readers16() {
  return {Read16<T, V>, Read4x16<T, V>, Bilinear16<T, V>, Vertical16<T, V>, Block16<T, V>};
}

template <int V>
constexpr Readers ReaderTable16(int type) {
  switch (type) {
#define KO_R(t) \
  case t:       \
    return Readers16<t, V>();
    KO_R(16) KO_R(17) KO_R(18) KO_R(19) KO_R(20) KO_R(21) KO_R(22) KO_R(23) KO_R(24) KO_R(25)
    KO_R(26) KO_R(27) KO_R(28) KO_R(29) KO_R(30) KO_R(31) KO_R(32) KO_R(33)
#undef KO_R
    default:
      return {nullptr, nullptr, nullptr, nullptr, nullptr};
  }
}

void Writers16(int type, KoXchgFn *w, KoXchgFn *w4) {
  switch (type) {
#define KO_W(t)      \
  case t:            \
    *w = Write16<t>; \
    *w4 = Write4x16<t>; \
    return;
    KO_W(16) KO_W(17) KO_W(18) KO_W(19) KO_W(20) KO_W(21) KO_W(22) KO_W(23) KO_W(24) KO_W(25)
    KO_W(26) KO_W(27) KO_W(28) KO_W(29) KO_W(30) KO_W(31) KO_W(32) KO_W(33)
#undef KO_W
    default:
      *w = *w4 = nullptr;
  }
}

bool Is8BitType(int t) { return t == 24 || t == 27 || t == 28 || t == 29; }

template <int T>
constexpr Readers Readers8() {
  return {Read8<T>, Read4x8<T>, Bilinear8<T>, Vertical8<T>, Block8<T>};
}

Readers ReaderTable8(int type) {
  switch (type) {
    case 24: return Readers8<24>();
    case 27: return Readers8<27>();
    case 28: return Readers8<28>();
    default: return Readers8<29>();
  }
}

void Writers8(int type, KoXchgFn *w, KoXchgFn *w4) {
  switch (type) {
    case 24: *w = Write8<24>; *w4 = Write4x8<24>; return;
    case 27: *w = Write8<27>; *w4 = Write4x8<27>; return;
    case 28: *w = Write8<28>; *w4 = Write4x8<28>; return;
    default: *w = Write8<29>; *w4 = Write4x8<29>; return;
  }
}

double ClampExponent(double e) {
  if (e == 0.0) e = 1.0 / 0.45;
  if (!(e >= 0.5)) e = 0.5;  // NaN too
  if (e > 4.0) e = 4.0;
  return e;
}

}  // namespace

uint32_t EffectiveFlags(uint32_t flags) {
  static const uint32_t modeBits[5] = {0, 0x180, 0x1C0, 0x1E0, 0x1F0};
  const uint32_t mode = flags & 15;
  if (mode >= 1 && mode <= 4) return (flags & 0x07FFF1F0u) | modeBits[mode];
  return flags;
}

}  // namespace ko::pixels::xchg

using namespace ko::pixels::xchg;

extern "C" HRESULT KoXCHGGetFunctionPointers(int dstType, int srcType, uint32_t flags,
                                             KoXchgContext *rec, const void *params,
                                             double curveA, double curveB) {
  if (!rec) return E_POINTER;
  if (!IsDirectType(dstType) || !IsDirectType(srcType)) return E_INVALIDARG;
  std::memset(rec, 0, sizeof(*rec));
  flags = EffectiveFlags(flags);
  rec->flags = flags;
  rec->srcType = srcType;
  rec->dstType = dstType;
  rec->edgeWidth = uint8_t((flags >> 16) & 0xFF);

  const double g = ClampExponent(curveB) / ClampExponent(curveA);
  const bool srcFloat = srcType == 22 || srcType == 32;
  const bool dstFloat = dstType == 22 || dstType == 32;
  CurveInit(&rec->readCurve, srcFloat ? g : 1.0);
  CurveInit(&rec->writeCurve, !srcFloat && dstFloat ? g : 1.0);

  const bool force16 = (flags & KOXCHG_FORCE16) != 0;
  const int variant = (flags & KOXCHG_VARIANT1) ? 1 : 0;
  if (!force16 && Is8BitType(srcType) && Is8BitType(dstType))
    rec->precision = KOXCHG_PREC8;
  else if (!force16 && srcType == 32 && dstType == 32)
    rec->precision = KOXCHG_PRECFLOAT;
  else
    rec->precision = KOXCHG_PREC16;

  if (srcType != 34 && dstType != 34) {
    Readers r{};
    if (rec->precision == KOXCHG_PREC8) {
      r = ReaderTable8(srcType);
      Writers8(dstType, &rec->write, &rec->write4);
    } else if (rec->precision == KOXCHG_PRECFLOAT) {
      r = {ReadF, Read4F, BilinearF, VerticalF, BlockF};
      rec->write = WriteF;
      rec->write4 = Write4F;
    } else {
      r = variant ? ReaderTable16<1>(srcType) : ReaderTable16<0>(srcType);
      Writers16(dstType, &rec->write, &rec->write4);
    }
    rec->read = r.read;
    rec->read4 = r.read4;
    rec->readBlock = r.block;
    rec->readVertical = r.vertical;
    rec->readBilinear = variant ? r.bilinear : r.read;
    rec->readBilinear2 = rec->readBilinear;
  }

  if (params) {
    KoXchgOpParams p;
    std::memcpy(&p, params, sizeof(p));
    rec->key[0] = p.key[0];
    rec->key[1] = p.key[1];
    rec->key[2] = p.key[2];
    rec->threshold = p.threshold;
    rec->factor = p.factor;
    rec->factor2 = p.factor2;
    rec->factor8 = p.factor8;
    rec->factor28 = p.factor28;
    rec->opValue = p.value;
    if (!SelectMix(rec, p.op)) return E_NOTIMPL;
  }
  return S_OK;
}
