// The tone curve: a power law with a linear toe (BT.709 style) for any
// exponent, computed directly or from lookup tables.
#include <cmath>
#include <cstdlib>

#include "pixels/xchg.h"

namespace ko::pixels::xchg {

void CurveInit(KoToneCurve *c, double g) {
  *c = KoToneCurve{};
  c->gamma = g;
  if (g >= 0.999 && g <= 1.001) {
    c->threshold = 100.0;
    c->slope = 1.0;
    return;
  }
  c->active = 1;
  const double t = 0.038183767 * std::pow(1.0 / g, -0.9418051838874817);
  const double s = std::pow(1.0 / g, 1.8836103677749634);
  c->threshold = t;
  c->slope = s;
  if (g < 1.0) {
    const double tg = std::pow(t, g);
    c->offset = (s * t - tg) / (tg - 1.0);
  } else {
    const double st = std::pow(s * t, 1.0 / g);
    c->offset = (t - st) / (st - 1.0);
  }
}

double CurveEval(const KoToneCurve &c, double x) {
  if (!c.active) return x;
  const double g = c.gamma, a = c.offset, t = c.threshold;
  if (g < 1.0) {
    if (x >= t) return std::pow(x, g) * (1.0 + a) - a;
    if (x <= -t) return -(std::pow(-x, g) * (1.0 + a) - a);
  } else {
    if (x >= t) return std::pow((x + a) / (1.0 + a), g);
    if (x <= -t) return -std::pow((-x + a) / (1.0 + a), g);
  }
  return c.slope * x;
}

static double Clamp01(double v) { return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v; }

bool CurveBuildTable(KoToneCurve *c, CurveTable kind) {
  switch (kind) {
    case CurveTable::Float256:
    case CurveTable::Float1024:
    case CurveTable::Float2048: {
      const int n = kind == CurveTable::Float256 ? 256 : kind == CurveTable::Float1024 ? 1024 : 2048;
      if (c->floatTable && c->floatCount == n) return true;
      std::free(c->floatTable);
      c->floatTable = nullptr;
      c->floatCount = 0;
      auto *t = static_cast<float *>(std::malloc(sizeof(float) * (n + 1)));
      if (!t) return false;
      for (int i = 0; i <= n; ++i) t[i] = float(CurveEval(*c, double(i) / n));
      c->floatTable = t;
      c->floatCount = n;
      return true;
    }
    case CurveTable::Byte4096: {
      if (c->byteTable) return true;
      auto *t = static_cast<uint8_t *>(std::malloc(4097));
      if (!t) return false;
      for (int i = 0; i <= 4096; ++i) t[i] = uint8_t(Clamp01(CurveEval(*c, i / 4096.0)) * 255.0 + 0.5);
      c->byteTable = t;
      return true;
    }
    case CurveTable::Ten16384: {
      if (c->tenTable && c->twoTable) return true;
      auto *t = static_cast<uint16_t *>(std::malloc(2 * 16385));
      auto *u = static_cast<uint16_t *>(std::malloc(2 * 257));
      if (!t || !u) {
        std::free(t);
        std::free(u);
        return false;
      }
      for (int i = 0; i <= 16384; ++i)
        t[i] = uint16_t(Clamp01(CurveEval(*c, i / 16384.0)) * 1023.0 + 0.5);
      for (int i = 0; i <= 256; ++i) u[i] = uint16_t(Clamp01(CurveEval(*c, i / 256.0)) * 3.0 + 0.5);
      std::free(c->tenTable);
      std::free(c->twoTable);
      c->tenTable = t;
      c->twoTable = u;
      return true;
    }
  }
  return false;
}

void CurveFreeTables(KoToneCurve *c) {
  std::free(c->floatTable);
  std::free(c->byteTable);
  std::free(c->tenTable);
  std::free(c->twoTable);
  c->floatTable = nullptr;
  c->byteTable = nullptr;
  c->tenTable = nullptr;
  c->twoTable = nullptr;
  c->floatCount = 0;
}

float CurveLookupFloat(const KoToneCurve &c, float x) {
  if (!(x > 0.0f)) return 0.0f;
  const int n = c.floatCount;
  if (x >= 1.0f) return c.floatTable[n];
  const float pos = x * float(n);
  const int i = int(pos);
  const float f = pos - float(i);
  return c.floatTable[i] + (c.floatTable[i + 1] - c.floatTable[i]) * f;
}

template <typename E>
static E Nearest(const E *t, int n, float x) {
  if (!(x > 0.0f)) return 0;
  if (x >= 1.0f) return t[n];
  return t[int(x * float(n) + 0.5f)];
}

uint8_t CurveLookupByte(const KoToneCurve &c, float x) { return Nearest(c.byteTable, 4096, x); }
uint16_t CurveLookupTen(const KoToneCurve &c, float x) { return Nearest(c.tenTable, 16384, x); }
uint16_t CurveLookupTwo(const KoToneCurve &c, float x) { return Nearest(c.twoTable, 256, x); }

float CurveApply(const KoToneCurve &c, float x) {
  if (!c.active) return x;
  if (c.floatTable) return CurveLookupFloat(c, x);
  if (x != x) return 0.0f;
  return float(CurveEval(c, double(x)));
}

}  // namespace ko::pixels::xchg
