// Single colours between RGB and HSL, and the composite-amplitude checks.
#include <cmath>

#include "kokernel/kohsl.h"

namespace {

void RgbToHsl(KOHSL *out, double r, double g, double b, double a) {
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  out->a = a;
  out->l = (mx + mn) / 2;
  out->h = out->s = 0;
  if (out->l <= 0) return;
  const double d = mx - mn;
  if (d <= 0) return;
  out->s = out->l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  const double r2 = (mx - r) / d, g2 = (mx - g) / d, b2 = (mx - b) / d;
  double h;
  if (r == mx)
    h = g == mn ? 5 + b2 : 1 - g2;
  else if (g == mx)
    h = b == mn ? 1 + r2 : 3 - b2;
  else
    h = r == mn ? 3 + g2 : 5 - r2;
  h /= 6;
  // A pure red comes out of the red sextant as a full turn; name it 0.
  out->h = h >= 1 ? h - 1 : h;
}

struct Rgb {
  double r, g, b;
  bool written;
};

Rgb HslToRgb(const KOHSL &in, bool blackTest) {
  const double l = in.l, s = in.s;
  const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double m1 = 2 * l - m2;
  if (blackTest && m2 <= 0) return {0, 0, 0, true};
  const double h6 = 6 * in.h;
  const int i = static_cast<int>(h6);
  const double f = h6 - i;
  const double mid1 = m1 + (m2 - m1) * f, mid2 = m2 - (m2 - m1) * f;
  switch (i) {
    case 0:
    case 6: return {m2, mid1, m1, true};
    case 1: return {mid2, m2, m1, true};
    case 2: return {m1, m2, mid1, true};
    case 3: return {m1, mid2, m2, true};
    case 4: return {mid1, m1, m2, true};
    case 5: return {m2, m1, mid2, true};
    default: return {0, 0, 0, false};  // hue outside 0..1
  }
}

// 8-bit channels are rounded to nearest: a plain truncation would turn an
// exact 128/255 computed a hair low into 127 and lose colours on the way
// back.
uint8_t ToByte(double v) {
  const double t = std::floor(v * 255 + 0.5);
  return static_cast<uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
}

void StoreFloat(float *b, float *g, float *r, float *a, const Rgb &c, double alpha) {
  if (c.written) {
    *b = static_cast<float>(c.b);
    *g = static_cast<float>(c.g);
    *r = static_cast<float>(c.r);
  }
  *a = static_cast<float>(alpha);
}

}  // namespace

KO_EXTERN_C void KORGBA_To_KOHSL(KOHSL *out, const KORGBA *in) {
  RgbToHsl(out, in->r / 255.0, in->g / 255.0, in->b / 255.0, in->a / 255.0);
}

KO_EXTERN_C void KORGBAFLOAT_To_KOHSL(KOHSL *out, const KORGBAFLOAT *in) {
  RgbToHsl(out, in->r, in->g, in->b, in->a);
}

KO_EXTERN_C void KODIBPIXEL_To_KOHSL(KOHSL *out, const KODIBPIXEL *in) {
  RgbToHsl(out, in->red, in->green, in->blue, in->alpha);
}

KO_EXTERN_C void KODIBPIXEL_To_KOHSL_Float(KOHSL *out, const KODIBPIXEL *in) {
  const double eps = static_cast<double>(1e-6f);
  double r = in->red, g = in->green, b = in->blue;
  out->a = in->alpha;
  double *maxCh = r > g && r > b ? &r : (g <= b ? &b : &g);
  if (std::fabs(std::fmax(r, std::fmax(g, b)) + std::fmin(r, std::fmin(g, b)) - 2) < eps) {
    const double sum = std::fmax(r, std::fmax(g, b)) + std::fmin(r, std::fmin(g, b));
    *maxCh += sum < 2 ? -eps : eps;
  }
  double *minCh = g > r && b > r ? &r : (b > g ? &g : &b);
  if (std::fabs(std::fmax(r, std::fmax(g, b)) + std::fmin(r, std::fmin(g, b))) < eps) {
    const double sum = std::fmax(r, std::fmax(g, b)) + std::fmin(r, std::fmin(g, b));
    *minCh += sum < 0 ? -eps : eps;
  }
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  const double d = mx - mn, l = (mx + mn) / 2;
  out->l = l;
  if (std::fabs(d) < eps) {
    out->h = 0;
    out->s = d;
    return;
  }
  double s = l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  if (l < 0 || l > 1) s = -s;
  out->s = s;
  const double r2 = (mx - r) / d, g2 = (mx - g) / d, b2 = (mx - b) / d;
  double h;
  if (r == mx)
    h = g == mn ? 5 + b2 : 1 - g2;
  else if (g == mx)
    h = b == mn ? 1 + r2 : 3 - b2;
  else
    h = r == mn ? 3 + g2 : 5 - r2;
  h /= 6;
  out->h = h >= 1 ? h - 1 : h;
}

KO_EXTERN_C void KOHSL_To_KORGBA(KORGBA *out, const KOHSL *in) {
  const Rgb c = HslToRgb(*in, true);
  if (c.written) {
    out->r = ToByte(c.r);
    out->g = ToByte(c.g);
    out->b = ToByte(c.b);
  }
  out->a = ToByte(in->a);
}

KO_EXTERN_C void KOHSL_To_KORGBAFLOAT(KORGBAFLOAT *out, const KOHSL *in) {
  StoreFloat(&out->b, &out->g, &out->r, &out->a, HslToRgb(*in, true), in->a);
}

KO_EXTERN_C void KOHSL_To_KODIBPIXEL(KODIBPIXEL *out, const KOHSL *in) {
  StoreFloat(&out->blue, &out->green, &out->red, &out->alpha, HslToRgb(*in, true), in->a);
}

KO_EXTERN_C void KOHSL_To_KODIBPIXEL_Float(KODIBPIXEL *out, KOHSL *in) {
  if (in->l < 0 || in->l > 1) in->s = -in->s;
  StoreFloat(&out->blue, &out->green, &out->red, &out->alpha, HslToRgb(*in, false), in->a);
}

// ---- Composite amplitude checks ---------------------------------------------------

namespace {

struct Encoding {
  double y[3], c1[3], c2[3];  // rows over B, G, R
  double inv[3][3];           // B, G, R from Y, C1, C2
};

const Encoding kYIQ = {{0.114, 0.587, 0.299},
                       {-0.321746, -0.274133, 0.595879},
                       {0.311878, -0.523083, 0.211205},
                       {{1, -1.104744, 1.701157}, {1, -0.272558, -0.646709}, {1, 0.956295, 0.621025}}};
const Encoding kYUV = {{0.114, 0.587, 0.299},
                       {0.436798, -0.289391, -0.147407},
                       {-0.099978, -0.514799, 0.614777},
                       {{1, 2.028398, 0}, {1, -0.393931, -0.580809}, {1, 0, 1.140251}}};

double Encode(double v) { return v < 0.018 ? 4.5 * v : 1.099 * std::pow(v, double(0.45f)) - 0.099; }
double Decode(double v) { return v < 0.081 ? v / 4.5 : std::pow((v + 0.099) / 1.099, 2.2222222222222223); }

enum class Standard { NTSC, PAL };

int Check(KORGBAFLOAT *colour, const Encoding &e, Standard std, bool correct) {
  const double bgr[3] = {Encode(colour->b), Encode(colour->g), Encode(colour->r)};
  double y = 0, c1 = 0, c2 = 0;
  for (int i = 0; i < 3; ++i) {
    y += e.y[i] * bgr[i];
    c1 += e.c1[i] * bgr[i];
    c2 += e.c2[i] * bgr[i];
  }
  const double c = std::sqrt(c1 * c1 + c2 * c2);
  const double limit = std == Standard::NTSC ? 1.2162162 : 1.2;
  if (!((limit - y) * (limit - y) < c * c)) return 0;
  if (!correct) return 1;
  const double k = std == Standard::NTSC ? (1.15 - (0.925 * y + 0.075)) / (0.925 * c) : (1.15 - y) / c;
  const double f = std::fmin(1.0, k);
  c1 *= f;
  c2 *= f;
  float out[3];
  for (int i = 0; i < 3; ++i) {
    const double v = Decode(e.inv[i][0] * y + e.inv[i][1] * c1 + e.inv[i][2] * c2);
    out[i] = static_cast<float>(v < 0 ? 0 : (v > 1 ? 1 : v));
  }
  colour->b = out[0];
  colour->g = out[1];
  colour->r = out[2];
  return 1;
}

}  // namespace

KO_EXTERN_C int HotCheckNTSCYIQ(const KORGBAFLOAT *colour) {
  KORGBAFLOAT c = *colour;
  return Check(&c, kYIQ, Standard::NTSC, false);
}
KO_EXTERN_C int HotCheckNTSCYUV(const KORGBAFLOAT *colour) {
  KORGBAFLOAT c = *colour;
  return Check(&c, kYUV, Standard::NTSC, false);
}
KO_EXTERN_C int HotCheckPALYUV(const KORGBAFLOAT *colour) {
  KORGBAFLOAT c = *colour;
  return Check(&c, kYUV, Standard::PAL, false);
}
KO_EXTERN_C int HotCheckNTSCYIQReturn(KORGBAFLOAT *colour) { return Check(colour, kYIQ, Standard::NTSC, true); }
KO_EXTERN_C int HotCheckNTSCYUVReturn(KORGBAFLOAT *colour) { return Check(colour, kYUV, Standard::NTSC, true); }
KO_EXTERN_C int HotCheckPALYUVReturn(KORGBAFLOAT *colour) { return Check(colour, kYUV, Standard::PAL, true); }
