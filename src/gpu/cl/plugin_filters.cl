// The plug-in set's filters: scale (3), channel map (4) and the two passes
// of the Gaussian blur (5, 6), after plugin_core.cl in one program (its
// sampler ko_pixel reads whole pixels, clamped to the edge). Every kernel
// works on byte values (0..255) as the processor does and ignores work items
// beyond the width and height it receives.

uint4 kof_bytes(read_only image2d_t img, int x, int y) {
  return convert_uint4_sat_rte(read_imagef(img, ko_pixel, (int2)(x, y)) * 255.0f);
}

// One axis of the whole-image bilinear mapping: positions advance by
// (source - 1) / (destination - 1) in 1/16384 pixel, from the first source
// pixel to the last (a single destination pixel stays at the first).
void kof_axis(int d, int dn, int sn, int *i0, int *i1, uint *f) {
  long step = dn < 2 ? 0 : ((long)(sn - 1) * 16384) / (dn - 1);
  long pos = min((long)d * step, (long)(sn - 1) * 16384);
  *i0 = min((int)(pos >> 14), sn - 1);
  *i1 = min(*i0 + 1, sn - 1);
  *f = (uint)(pos & 0x3FFF);
}

__kernel void ko_scale(read_only image2d_t src, write_only image2d_t dst, int width, int height) {
  const int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  int x0, x1, y0, y1;
  uint fx, fy;
  kof_axis(x, width, get_image_width(src), &x0, &x1, &fx);
  kof_axis(y, height, get_image_height(src), &y0, &y1, &fy);
  const uint gx = 16384 - fx, gy = 16384 - fy;
  const uint4 sum = kof_bytes(src, x0, y0) * ((gx * gy) >> 4) + kof_bytes(src, x1, y0) * ((fx * gy) >> 4) +
                    kof_bytes(src, x0, y1) * ((gx * fy) >> 4) + kof_bytes(src, x1, y1) * ((fx * fy) >> 4) +
                    (uint4)(0x800000u);
  write_imagef(dst, (int2)(x, y), convert_float4(sum >> 24) * (1.0f / 255.0f));
}

// channel: 0 = B, 1 = G, 2 = R, 3 = A; the table holds 256 pixels as
// (R, G, B, A) floats in 0..1.
__kernel void ko_channel_map(read_only image2d_t src, write_only image2d_t dst, int width, int height, int channel,
                             __global const float4 *table) {
  const int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  const uint4 v = kof_bytes(src, x, y);
  const uint c = channel == 0 ? v.z : channel == 1 ? v.y : channel == 2 ? v.x : v.w;
  write_imagef(dst, (int2)(x, y), table[min(c, 255u)]);
}

// The recursive Gaussian of the processor, a third-order recursion run
// forward and then backward along a line, evaluated for one output sample
// from a window of the line: coef = (B, a1, a2, a3, window, total weight of
// the backward impulse response, -, -).
// The forward recursion starts `window` samples before n (at the line's
// start it is exact: the earlier values are the first sample) and runs to
// `window` samples after n; the backward pass is the sum of the forward
// results weighted by its impulse response g, whose remaining weight falls on
// the last forward result (the backward recursion starts from the line's last
// forward result).
#define KOF_GAUSS_LINE(READ)                                                                                 \
  const float B = coef.s0, a1 = coef.s1, a2 = coef.s2, a3 = coef.s3;                                         \
  const int window = (int)coef.s4;                                                                           \
  const int start = max(n - window, 0), end = min(n + window, count - 1);                                    \
  float4 h1, h2, h3, w;                                                                                      \
  h1 = h2 = h3 = READ(start);                                                                                \
  float4 acc = (float4)(0.0f);                                                                               \
  float g1 = 0.0f, g2 = 0.0f, g3 = 0.0f, used = 0.0f;                                                        \
  for (int m = start; m <= end; ++m) {                                                                       \
    w = ((B * READ(m) + a3 * h3) + a2 * h2) + a1 * h1;                                                       \
    h3 = h2, h2 = h1, h1 = w;                                                                                \
    if (m >= n) {                                                                                            \
      const float g = m == n ? B : (a1 * g1 + a2 * g2) + a3 * g3;                                            \
      acc += g * w;                                                                                          \
      used += g;                                                                                             \
      g3 = g2, g2 = g1, g1 = g;                                                                              \
    }                                                                                                        \
  }                                                                                                          \
  acc += (coef.s5 - used) * w;                                                                                \
  acc = select(acc, (float4)(0.0f), acc < (float4)(0.00001f));

// Horizontal pass: source -> two intermediate images holding the whole part
// (hi) and the fraction (lo) of each result, so that the vertical pass reads
// the horizontal results with far more than 8-bit precision.
__kernel void ko_gauss_h(read_only image2d_t src, write_only image2d_t hi, write_only image2d_t lo, float8 coef,
                         int width, int height) {
  const int n = get_global_id(0), y = get_global_id(1), count = width;
  if (n >= width || y >= height) return;
#define KOF_ROW(i) (read_imagef(src, ko_pixel, (int2)((i), y)) * 255.0f)
  KOF_GAUSS_LINE(KOF_ROW)
#undef KOF_ROW
  const float4 t = clamp(acc, 0.0f, 255.0f), whole = floor(t);
  write_imagef(hi, (int2)(n, y), whole * (1.0f / 255.0f));
  write_imagef(lo, (int2)(n, y), t - whole);
}

// Vertical pass: the two intermediate halves -> destination, rounded to the
// nearest byte (halves upwards).
__kernel void ko_gauss_v(read_only image2d_t hi, read_only image2d_t lo, write_only image2d_t dst, float8 coef,
                         int width, int height) {
  const int x = get_global_id(0), n = get_global_id(1), count = height;
  if (x >= width || n >= height) return;
#define KOF_COL(i)                                                                                 \
  (convert_float4(kof_bytes(hi, x, (i))) + read_imagef(lo, ko_pixel, (int2)(x, (i))))
  KOF_GAUSS_LINE(KOF_COL)
#undef KOF_COL
  write_imagef(dst, (int2)(x, n), floor(clamp(acc + 0.5f, 0.0f, 255.0f)) * (1.0f / 255.0f));
}
