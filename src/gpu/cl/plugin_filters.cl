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

// The recursive Gaussian of the processor: a third-order recursion run
// forward and then backward along a line (the forward one starting from the
// first sample, the backward one from the last forward result), written as
// a causal plus an anticausal recursion: numerators cn = (n0, n1, n2) and
// an = (m1, m2, m3), denominators cd and ad (both a1, a2, a3), and
// e = (B, window, total weight of the impulse response, causal and
// anticausal steady gains for constant input).
// A work item computes KOF_SEG samples of a line. Away from the line's end
// the two recursions run over the segment, each starting `window` samples
// before it from a steady state (exact at the line's start, where the reads
// clamp to the first sample); within `window` of the end, where the backward
// recursion's start matters, each sample is the sum of the forward results
// from `window` samples before it, weighted by the backward impulse response
// g, whose remaining weight falls on the last forward result.
#define KOF_SEG 32
// The forward recursion rounds as the processor's does: no fused multiply-adds.
#pragma OPENCL FP_CONTRACT OFF

// Line samples on the 0..255 scale: a read as bytes, or (split) whole part
// from a plus fraction from b.
float4 kof_at(read_only image2d_t a, read_only image2d_t b, int split, int2 p) {
  return split ? convert_float4(kof_bytes(a, p.x, p.y)) + read_imagef(b, ko_pixel, p)
               : read_imagef(a, ko_pixel, p) * 255.0f;
}

// Samples s.. of the line o + i * d (count samples long) into out; returns
// how many.
int kof_gauss(read_only image2d_t a, read_only image2d_t b, int split, int2 o, int2 d, int count, int s,
              float8 cn, float8 cd, float8 an, float8 ad, float8 c, float4 *out) {
  const float B = c.s0, a1 = cd.s0, a2 = cd.s1, a3 = cd.s2;
  const int window = (int)c.s1, e = min(s + KOF_SEG, count) - 1;
  if (e + window < count) {
    int m = s - window;
    float4 x1 = kof_at(a, b, split, o + m * d), x2 = x1, x3, y1 = c.s3 * x1, y2 = y1, y3 = y1;
    for (; m <= e; ++m) {
      const float4 x = kof_at(a, b, split, o + m * d);
      const float4 y = cn.s0 * x + cn.s1 * x1 + cn.s2 * x2 + a1 * y1 + a2 * y2 + a3 * y3;
      x2 = x1, x1 = x, y3 = y2, y2 = y1, y1 = y;
      if (m >= s) out[m - s] = y;
    }
    m = e + window;
    x1 = x2 = x3 = kof_at(a, b, split, o + m * d);
    y1 = y2 = y3 = c.s4 * x1;
    for (; m >= s; --m) {
      const float4 y = an.s0 * x1 + an.s1 * x2 + an.s2 * x3 + ad.s0 * y1 + ad.s1 * y2 + ad.s2 * y3;
      x3 = x2, x2 = x1, x1 = kof_at(a, b, split, o + m * d), y3 = y2, y2 = y1, y1 = y;
      if (m <= e) out[m - s] += y;
    }
  } else {
    for (int n = s; n <= e; ++n) {
      float4 h1, h2, h3, w, acc = (float4)(0.0f);
      h1 = h2 = h3 = kof_at(a, b, split, o + max(n - window, 0) * d);
      float g1 = 0.0f, g2 = 0.0f, g3 = 0.0f, used = 0.0f;
      for (int m = max(n - window, 0); m < count && m <= n + window; ++m) {
        w = ((B * kof_at(a, b, split, o + m * d) + a3 * h3) + a2 * h2) + a1 * h1;
        h3 = h2, h2 = h1, h1 = w;
        if (m >= n) {
          const float g = m == n ? B : (a1 * g1 + a2 * g2) + a3 * g3;
          acc += g * w, used += g;
          g3 = g2, g2 = g1, g1 = g;
        }
      }
      out[n - s] = acc + (c.s2 - used) * w;
    }
  }
  for (int i = 0; i <= e - s; ++i) out[i] = select(out[i], (float4)(0.0f), out[i] < (float4)(0.00001f));
  return e - s + 1;
}

// Horizontal pass: source -> two intermediate images holding the whole part
// (hi) and the fraction (lo) of each result, so that the vertical pass reads
// the horizontal results with far more than 8-bit precision.
__kernel void ko_gauss_h(read_only image2d_t src, write_only image2d_t hi, write_only image2d_t lo, float8 cn,
                         float8 cd, float8 an, float8 ad, float8 c, int width, int height) {
  const int s = get_global_id(0) * KOF_SEG, y = get_global_id(1);
  if (s >= width || y >= height) return;
  float4 r[KOF_SEG];
  const int n = kof_gauss(src, src, 0, (int2)(0, y), (int2)(1, 0), width, s, cn, cd, an, ad, c, r);
  for (int i = 0; i < n; ++i) {
    const float4 t = clamp(r[i], 0.0f, 255.0f), whole = floor(t);
    write_imagef(hi, (int2)(s + i, y), whole * (1.0f / 255.0f));
    write_imagef(lo, (int2)(s + i, y), t - whole);
  }
}

// Vertical pass: the two intermediate halves -> destination, rounded to the
// nearest byte (halves upwards).
__kernel void ko_gauss_v(read_only image2d_t hi, read_only image2d_t lo, write_only image2d_t dst, float8 cn,
                         float8 cd, float8 an, float8 ad, float8 c, int width, int height) {
  const int x = get_global_id(0), s = get_global_id(1) * KOF_SEG;
  if (x >= width || s >= height) return;
  float4 r[KOF_SEG];
  const int n = kof_gauss(hi, lo, 1, (int2)(x, 0), (int2)(0, 1), height, s, cn, cd, an, ad, c, r);
  for (int i = 0; i < n; ++i)
    write_imagef(dst, (int2)(x, s + i), floor(clamp(r[i] + 0.5f, 0.0f, 255.0f)) * (1.0f / 255.0f));
}
