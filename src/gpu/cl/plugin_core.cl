// The plug-in set's core kernels: compositing, masks, fill and copies.
// One work item per output pixel; items beyond width x height do nothing.
// Images are BGRA 8-bit normalised: read_imagef gives (r, g, b, a) in 0..1.
// The 8-bit operations turn the channels back into bytes and do the
// processor's integer arithmetic, so that they give the same bytes.

// Float arithmetic as written: no fused multiply-adds (the processor twins
// are built the same way).
#pragma OPENCL FP_CONTRACT OFF

__constant sampler_t ko_pixel = CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE |
                                CLK_FILTER_NEAREST;

// A pixel's channels as bytes (r, g, b, a) and back.
int4 ko_bytes(float4 v) { return convert_int4_sat_rte(v * 255.0f); }
float4 ko_unit(int4 v) { return convert_float4(v) / 255.0f; }

// x / 255 by multiply and shift, as the processor's 8-bit rows compute it.
int ko_div255(int x) { return (int)(((uint)x * 32897u) >> 23); }

// clamp(trunc(v * 255 + 0.5), 0, 255) with v * 255 + 0.5 taken exactly (as in
// double precision): the nearest candidate is corrected by the sign of the
// exact remainder, which a fused multiply-add gives.
int ko_unit_to_byte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  int n = (int)floor(v * 255.0f + 0.5f);
  if (fma(v, 255.0f, 0.5f - (float)n) < 0.0f) n -= 1;
  else if (fma(v, 255.0f, -0.5f - (float)n) >= 0.0f) n += 1;
  return clamp(n, 0, 255);
}

// One channel of a composite at full opacity; alpha selects the alpha rule.
int ko_mode8(int mode, int s, int d, int sA, int dA, bool alpha) {
  int over = sA + ko_div255(dA * (255 - sA) + 127);
  switch (mode) {
    case 1: return min(255, s + ko_div255(d * (255 - sA) + 127));
    case 2: return min(255, d + ko_div255(s * (255 - dA) + 127));
    case 3: return alpha ? over : min(s + d, 255);
    case 4: return ko_div255(s * d);
    case 5:
      if (alpha) return over;
      return d < 128 ? ko_div255(2 * s * d) : 255 - ko_div255(2 * (255 - s) * (255 - d));
    case 6:
      if (alpha) return over;
      return 255 - ko_div255((255 - s) * (255 - d) + 127);
    default: return (s + d) >> 1;
  }
}

// 0: c = b composited onto a (a the destination, b the source) in mode 1..7
// at the opacity; below full opacity the result is mixed with a, except the
// alpha of overlay (5).
__kernel void ko_composite(__read_only image2d_t a, __read_only image2d_t b,
                           __write_only image2d_t c, int width, int height, int mode,
                           float opacity) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  int4 d = ko_bytes(read_imagef(a, ko_pixel, (int2)(x, y)));
  int4 s = ko_bytes(read_imagef(b, ko_pixel, (int2)(x, y)));
  int4 r = (int4)(ko_mode8(mode, s.x, d.x, s.w, d.w, false),
                  ko_mode8(mode, s.y, d.y, s.w, d.w, false),
                  ko_mode8(mode, s.z, d.z, s.w, d.w, false),
                  ko_mode8(mode, s.w, d.w, s.w, d.w, true));
  int o = ko_unit_to_byte(opacity);
  if (o < 255) {
    int alpha = r.w;
    r = (int4)(ko_div255(r.x * o + d.x * (255 - o)), ko_div255(r.y * o + d.y * (255 - o)),
               ko_div255(r.z * o + d.z * (255 - o)), ko_div255(r.w * o + d.w * (255 - o)));
    if (mode == 5) r.w = alpha;
  }
  write_imagef(c, (int2)(x, y), ko_unit(r));
}

// One channel scaled by a mask value m: (d * m + 127) / 255 for a plain
// scale (1, offset 0), else ((m * S + O) * d + 255 * 512) / (255 * 1024)
// clamped, S and O the scale and offset in 1/1024 steps.
int ko_mask_scale(int d, int m, bool plain, int S, int O) {
  if (plain) return (d * m + 127) / 255;
  long v = (((long)m * S + O) * d + 130560) / (255 * 1024);
  return (int)clamp(v, 0L, 255L);
}

// 1: c = a with every channel scaled by b's channel maskChannel (0..3: B, G,
// R, A in memory order), or by b's same channel when maskChannel < 0.
__kernel void ko_mask_multiply(__read_only image2d_t a, __read_only image2d_t b,
                               __write_only image2d_t c, int width, int height, int maskChannel,
                               float scale, float offset) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  int4 d = ko_bytes(read_imagef(a, ko_pixel, (int2)(x, y)));
  int4 m = ko_bytes(read_imagef(b, ko_pixel, (int2)(x, y)));
  // Memory order B, G, R, A is z, y, x, w here.
  if (maskChannel >= 0) {
    int v = maskChannel == 0 ? m.z : maskChannel == 1 ? m.y : maskChannel == 2 ? m.x : m.w;
    m = (int4)(v);
  }
  bool plain = scale >= 0.9999f && scale <= 1.0001f && offset >= -0.0001f && offset <= 0.0001f;
  int S = convert_int_sat_rtz(scale * 1024.0f), O = convert_int_sat_rtz(offset * 1024.0f);
  int4 r = (int4)(ko_mask_scale(d.x, m.x, plain, S, O), ko_mask_scale(d.y, m.y, plain, S, O),
                  ko_mask_scale(d.z, m.z, plain, S, O), ko_mask_scale(d.w, m.w, plain, S, O));
  write_imagef(c, (int2)(x, y), ko_unit(r));
}

// 2: width x height of image set to the colour (r, g, b, a), each channel
// stored as the byte trunc(v * 255 + 0.5) clamped.
__kernel void ko_fill(__write_only image2d_t image, int width, int height, float4 colour) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  int4 v = (int4)(ko_unit_to_byte(colour.x), ko_unit_to_byte(colour.y),
                  ko_unit_to_byte(colour.z), ko_unit_to_byte(colour.w));
  write_imagef(image, (int2)(x, y), ko_unit(v));
}

// 7: src written into dst upside down (row y of src is row height-1-y).
__kernel void ko_flip_copy(__read_only image2d_t src, __write_only image2d_t dst, int width,
                           int height) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  write_imagef(dst, (int2)(x, height - 1 - y), read_imagef(src, ko_pixel, (int2)(x, y)));
}

// 8: a plain copy of width x height.
__kernel void ko_copy(__read_only image2d_t src, __write_only image2d_t dst, int width,
                      int height) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  write_imagef(dst, (int2)(x, y), read_imagef(src, ko_pixel, (int2)(x, y)));
}
