// Mixing operations of the exchange engine: P (the working pixel) combined
// with Q (the second pixel), a key colour K, a threshold T and factors F, F2,
// for the 16-bit and the 8-bit working pixel, one pixel or four at a time.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "pixels/xchg.h"
#include "pixels/xchg_internal.h"

namespace ko::pixels::xchg {
namespace {

// Channel access for one precision: 16-bit words (max 65535, factors shift
// by 16) or bytes (max 255, factors shift by 8).
template <bool Wide>
struct Prec {
  using E = std::conditional_t<Wide, uint16_t, uint8_t>;
  static constexpr int32_t kMax = Wide ? 65535 : 255;
  static constexpr int kShift = Wide ? 16 : 8;
  static E *Px(KoXchgContext *r, int i) {
    if constexpr (Wide)
      return r->pixel[i].w;
    else
      return r->pixel[i].b;
  }
  static E *Qx(KoXchgContext *r, int i) {
    if constexpr (Wide)
      return r->other[i].w;
    else
      return r->other[i].b;
  }
  static int32_t F(const KoXchgContext *r) { return Wide ? r->factor : r->factor8; }
  static int32_t F2(const KoXchgContext *r) { return Wide ? r->factor2 : r->factor28; }
  // Key colour channel c (B, G, R) in this precision.
  static int32_t K(const KoXchgContext *r, int c) { return Wide ? r->key[c] : r->key[c] >> 8; }
  static int32_t L(const KoXchgContext *r, int32_t v) {
    if constexpr (Wide)
      return r->lut16 ? r->lut16[v & 0xFFFF] : v;
    else
      return r->lut8 ? r->lut8[v & 0xFF] : v;
  }
  // a + (b - a) x f with the factor's shift (arithmetic, rounding down).
  static int32_t Lerp(int32_t a, int32_t b, int32_t f) {
    return a + int32_t((int64_t(b - a) * f) >> kShift);
  }
  // a + (b - a) x alpha: 16-bit as Lerp; 8-bit divides by 255 with rounding,
  // so that alpha 255 gives b exactly.
  static int32_t LerpAlpha(int32_t a, int32_t b, int32_t alpha) {
    if constexpr (Wide) {
      return Lerp(a, b, alpha);
    } else {
      const int32_t d = (b - a) * alpha;
      const int32_t m = d < 0 ? -d : d;
      const int32_t q = (m + 128 + ((m + 128) >> 8)) >> 8;
      return a + (d < 0 ? -q : q);
    }
  }
  static int32_t Clamp(int32_t v) { return v < 0 ? 0 : v > kMax ? kMax : v; }
};

template <bool Wide>
int32_t KeyDistance(const KoXchgContext *r, const typename Prec<Wide>::E *q) {
  using P = Prec<Wide>;
  return std::abs(q[2] - P::K(r, 2)) + std::abs(q[1] - P::K(r, 1)) + std::abs(q[0] - P::K(r, 0));
}

// Threshold in this precision (8-bit: a 16-bit threshold scaled down).
template <bool Wide>
int64_t Threshold(const KoXchgContext *r) {
  return Wide ? int64_t(r->threshold) : int64_t(r->threshold >> 8);
}

template <int Op, bool Wide>
void MixOne(KoXchgContext *r, int i) {
  using P = Prec<Wide>;
  using E = typename P::E;
  E *p = P::Px(r, i);
  const E *q = P::Qx(r, i);
  constexpr int32_t M = P::kMax;
  if constexpr (Op == 0 || Op == 9 || Op == 10) {
    for (int c = 0; c < 4; ++c) p[c] = q[c];
  } else if constexpr (Op == 1) {
    for (int c = 0; c < 4; ++c) p[c] = E(P::LerpAlpha(p[c], q[c], q[3]));
  } else if constexpr (Op == 2) {
    // Premultiplied "over": Q plus what Q's alpha leaves of P.
    for (int c = 0; c < 4; ++c) {
      int32_t v;
      if constexpr (Wide)
        v = int32_t((int64_t(p[c]) * (65536 - q[3])) >> 16) + q[c];
      else
        v = p[c] - P::LerpAlpha(0, p[c], q[3]) + q[c];
      p[c] = E(P::Clamp(v));
    }
  } else if constexpr (Op == 3) {
    if constexpr (!Wide) {
      if (!(r->flags & KOXCHG_FULL8)) {
        // 4-bit precision: nibbles weighted v and 15 - v, back to bytes.
        const int32_t v = r->factor8 >> 4;
        for (int c = 0; c < 4; ++c) {
          const int32_t s = (p[c] >> 4) * (15 - v) + (q[c] >> 4) * v;  // 0..225
          p[c] = E(s * 17 / 15);
        }
        return;
      }
    }
    const int32_t f = P::F(r);
    for (int c = 0; c < 4; ++c) p[c] = E(P::Lerp(p[c], q[c], f));
  } else if constexpr (Op == 4) {
    if (KeyDistance<Wide>(r, q) > Threshold<Wide>(r))
      for (int c = 0; c < 4; ++c) p[c] = q[c];
  } else if constexpr (Op == 5) {
    if (KeyDistance<Wide>(r, q) > Threshold<Wide>(r)) {
      const int32_t f = P::F(r);
      for (int c = 0; c < 4; ++c) p[c] = E(P::Lerp(p[c], q[c], f));
    }
  } else if constexpr (Op == 6) {
    if (KeyDistance<Wide>(r, q) > Threshold<Wide>(r)) {
      const int32_t f = P::F(r);
      for (int c = 0; c < 4; ++c) p[c] = E(P::Lerp(p[c], q[c], f));
    } else {
      const int32_t m = std::max({int32_t(q[0]), int32_t(q[1]), int32_t(q[2])});
      const int32_t f2 = P::F2(r);
      for (int c = 0; c < 3; ++c) {
        const int32_t t = int32_t(std::lround(double(p[c]) * (m + 1) / double(M)));
        p[c] = E(P::Clamp(P::Lerp(p[c], t, f2)));
      }
    }
  } else if constexpr (Op == 7) {
    if (KeyDistance<Wide>(r, q) > Threshold<Wide>(r)) {
      const int32_t mp = std::max({int32_t(p[0]), int32_t(p[1]), int32_t(p[2])});
      const int32_t mq = std::max({int32_t(q[0]), int32_t(q[1]), int32_t(q[2])});
      const int32_t f2 = P::F2(r);
      for (int c = 0; c < 3; ++c) {
        const int32_t t = int32_t(std::lround(double(p[c]) * (mp + 1) / double(mq + 1)));
        p[c] = E(P::Clamp(P::Lerp(q[c], t, f2)));
      }
    }
  } else if constexpr (Op == 8) {
    for (int c = 0; c < 4; ++c) p[c] = E(std::abs(int32_t(p[c]) - int32_t(q[c])));
  } else if constexpr (Op == 11) {
    const int32_t f = P::F(r);
    for (int c = 0; c < 3; ++c) p[c] = E(P::Clamp(P::Lerp(q[c], P::K(r, c), f)));
  } else if constexpr (Op == 12) {
    const int32_t f = P::F(r);
    for (int c = 0; c < 4; ++c) p[c] = E(P::Lerp(p[c], M - q[c], f));
  } else if constexpr (Op == 13) {
    const int32_t grey = (int32_t(q[0]) + q[1] + q[2]) / 3;
    const int32_t f = P::F(r);
    for (int c = 0; c < 3; ++c) p[c] = E(P::Lerp(p[c], grey, f));
  } else if constexpr (Op == 14) {
    for (int c = 0; c < 3; ++c) {
      const int32_t k = P::K(r, c);
      const int32_t v = p[c] + int32_t((int64_t(k - p[c]) * q[3]) >> P::kShift) + (q[c] - k);
      p[c] = E(P::Clamp(v));
    }
  } else if constexpr (Op == 15) {
    double s = 0.0;
    for (int c = 0; c < 3; ++c) {
      const double d = double(p[c]) - P::K(r, c);
      s += d * d;
    }
    const int32_t v = int32_t(std::floor(std::sqrt(s) / std::sqrt(3.0)));
    const E l = E(P::L(r, P::Clamp(v)));
    p[0] = p[1] = p[2] = l;
  } else if constexpr (Op == 17) {
    const double m = (double(p[0]) + p[1] + p[2]) / 3.0;
    const double lo = P::F2(r), t = double(Threshold<Wide>(r));
    int32_t v;
    if (m < lo)
      v = 0;
    else if (m > lo + t)
      v = M;
    else if (t - lo == 0.0)
      v = M;
    else
      v = int32_t(int64_t((m - lo) * M / (t - lo)) & M);
    const E l = E(P::L(r, v));
    p[0] = p[1] = p[2] = l;
  } else if constexpr (Op == 19) {
    const int32_t f = P::F(r);
    for (int c = 0; c < 3; ++c)
      p[c] = E(P::Clamp(p[c] + int32_t((int64_t(q[c]) * f) >> P::kShift)));
  }
}

// The extra form of operation 4: P becomes all ones or all zeros.
template <bool Wide>
void KeyMaskOne(KoXchgContext *r, int i) {
  using P = Prec<Wide>;
  using E = typename P::E;
  E *p = P::Px(r, i);
  const E v = KeyDistance<Wide>(r, P::Qx(r, i)) > Threshold<Wide>(r) ? E(P::kMax) : E(0);
  for (int c = 0; c < 4; ++c) p[c] = v;
}

template <int Op, bool Wide>
void Mix1(KoXchgContext *r) {
  MixOne<Op, Wide>(r, 0);
}
template <int Op, bool Wide>
void Mix4(KoXchgContext *r) {
  for (int i = 0; i < 4; ++i) MixOne<Op, Wide>(r, i);
}
template <bool Wide>
void KeyMask1(KoXchgContext *r) {
  KeyMaskOne<Wide>(r, 0);
}
template <bool Wide>
void KeyMask4(KoXchgContext *r) {
  for (int i = 0; i < 4; ++i) KeyMaskOne<Wide>(r, i);
}
void Nothing(KoXchgContext *) {}

template <bool Wide>
bool Select(KoXchgContext *r, int op) {
  switch (op) {
#define KO_OP(n)             \
  case n:                    \
    r->mix = Mix1<n, Wide>;  \
    r->mix4 = Mix4<n, Wide>; \
    return true;
    KO_OP(0) KO_OP(1) KO_OP(2) KO_OP(3) KO_OP(5) KO_OP(6) KO_OP(7) KO_OP(8) KO_OP(9)
    KO_OP(10) KO_OP(11) KO_OP(12) KO_OP(13) KO_OP(14) KO_OP(19)
#undef KO_OP
    case 4:
      r->mix = Mix1<4, Wide>;
      r->mix4 = Mix4<4, Wide>;
      r->mixExtra = KeyMask1<Wide>;
      r->mixExtra4 = KeyMask4<Wide>;
      return true;
    case 15:
      r->mix = Mix1<15, Wide>;
      r->mix4 = Nothing;
      return true;
    case 17:
      r->mix = Mix1<17, Wide>;
      r->mix4 = Nothing;
      return true;
    case 16:
    case 18:
      r->mix = Nothing;
      r->mix4 = Nothing;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool SelectMix(KoXchgContext *rec, int op) {
  rec->mix = rec->mix4 = rec->mixExtra = rec->mixExtra4 = nullptr;
  if (rec->precision == KOXCHG_PREC16) return Select<true>(rec, op);
  if (rec->precision == KOXCHG_PREC8) return Select<false>(rec, op);
  return false;  // the float working pixel has no mixing operations
}

}  // namespace ko::pixels::xchg
