// Bitmap copies on BGRA images. Positions are in 1/16384 pixel; one work
// item per output pixel, items beyond w x h do nothing.
#pragma OPENCL FP_CONTRACT OFF
#ifdef cl_khr_fp64
#pragma OPENCL EXTENSION cl_khr_fp64 : enable
typedef double dc_real;
#else
typedef float dc_real;
#endif
__constant sampler_t dc_s = CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

int4 dc_rd(read_only image2d_t m, int x, int y) {
  return convert_int4(read_imagef(m, dc_s, (int2)(x, y)) * 255.0f + 0.5f);
}

void dc_wr(write_only image2d_t m, int x, int y, int4 v) {
  write_imagef(m, (int2)(x, y), convert_float4(v) / 255.0f);
}

// o moved toward n by c / 255, rounded.
int4 dc_mix(int4 o, int4 n, int c) {
  int4 t = (n - o) * c + 128;
  return clamp(o + ((t + (t >> 8)) >> 8), 0, 255);
}

// Part of pixel i that [lo, hi) covers.
long dc_cov(long lo, long hi, long i) { return min(hi, (i + 1) << 14) - max(lo, i << 14); }

// Sampling along one axis for output pixel k of [dlo, dhi) from [slo, shi):
// the first pixel samples at slo, the next at slo plus its coverage times
// the step, then one step each, never past the last source pixel.
typedef struct { int i, i0, i1, fr, cov, lo, hi; } dc_axis;

dc_axis dc_along(long dlo, long dhi, long slo, long shi, long st, int k) {
  long first = dlo >> 14, pos = slo;
  if (k > 0) pos += ((min(dhi, (first + 1) << 14) - dlo) * st >> 14) + (k - 1) * st;
  pos = min(pos, max(slo, shi - 16384));
  dc_axis a;
  a.lo = (int)(slo >> 14);
  a.hi = (int)((shi - 1) >> 14);
  a.i = (int)(pos >> 14);
  a.i0 = min(a.i, a.hi);
  a.i1 = min(a.i0 + 1, a.hi);
  a.fr = (int)(pos & 0x3FFF);
  a.cov = (int)dc_cov(dlo, dhi, first + k);
  return a;
}

// Cubic convolution (a = -0.5) weights x 16384 for phase p of 4096.
void dc_cubic(int p, int w[4]) {
  dc_real t = p / (dc_real)4096, d[4] = {1 + t, t, 1 - t, 2 - t};
  for (int k = 0; k < 4; ++k) {
    dc_real x = d[k];
    dc_real v = (k == 0 || k == 3) ? ((-0.5 * x + 2.5) * x - 4) * x + 2 : (1.5 * x - 2.5) * x * x + 1;
    w[k] = (int)round(v * 16384);
  }
}

// kind 0: whole pixels, source pixel (k * step) >> 14 from the rectangle's
// corner (step: source extent x 16384 / destination extent); 1: bilinear; 2: bicubic. p.s0, p.s1: steps across and down.
// Partly covered pixels are mixed with b (the old destination) unless nomix.
__kernel void ko_dib_copy(write_only image2d_t d, float4 dr, read_only image2d_t s, float4 sr,
                          read_only image2d_t b, int kind, float8 p, int w, int h, int nomix) {
  int kx = get_global_id(0), ky = get_global_id(1);
  if (kx >= w || ky >= h) return;
  long4 D = convert_long4_rte(dr * 16384.0f), S = convert_long4_rte(sr * 16384.0f);
  long stx = (long)p.s0, sty = (long)p.s1;
  int x = (int)(D.x >> 14) + kx, y = (int)(D.y >> 14) + ky;
  if (kind == 0) {
    int sx = (int)((S.x >> 14) + (kx * stx >> 14)), sy = (int)((S.y >> 14) + (ky * sty >> 14));
    dc_wr(d, x, y, dc_rd(s, sx, sy));
    return;
  }
  dc_axis X = dc_along(D.x, D.z, S.x, S.z, stx, kx), Y = dc_along(D.y, D.w, S.y, S.w, sty, ky);
  int4 v;
  if (kind == 1) {
    uint fx = X.fr, fy = Y.fr, gx = 16384 - fx, gy = 16384 - fy;
    uint4 sum = ((gx * gy) >> 4) * convert_uint4(dc_rd(s, X.i0, Y.i0)) +
                ((fx * gy) >> 4) * convert_uint4(dc_rd(s, X.i1, Y.i0)) +
                ((gx * fy) >> 4) * convert_uint4(dc_rd(s, X.i0, Y.i1)) +
                ((fx * fy) >> 4) * convert_uint4(dc_rd(s, X.i1, Y.i1)) + 0x800000u;
    v = convert_int4(sum >> 24);
  } else {
    int wx[4], wy[4];
    dc_cubic(X.fr >> 2, wx);
    dc_cubic(Y.fr >> 2, wy);
    int4 acc = 8192;
    for (int t = 0; t < 4; ++t) {
      int r = clamp(Y.i - 1 + t, Y.lo, Y.hi);
      int4 row = 8192;
      for (int q = 0; q < 4; ++q) row += wx[q] * dc_rd(s, clamp(X.i - 1 + q, X.lo, X.hi), r);
      acc += wy[t] * (row / 16384);
    }
    v = clamp(acc / 16384, 0, 255);
  }
  if (!nomix && (X.cov < 16384 || Y.cov < 16384))
    v = dc_mix(dc_rd(b, x, y), v, (int)((long)X.cov * Y.cov * 255 >> 28));
  dc_wr(d, x, y, v);
}

// Truncated mean of each fx x fy block of s.
__kernel void ko_dib_box(write_only image2d_t d, read_only image2d_t s, int w, int h, int fx, int fy) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= w || y >= h) return;
  int4 sum = 0;
  for (int j = 0; j < fy; ++j)
    for (int i = 0; i < fx; ++i) sum += dc_rd(s, x * fx + i, y * fy + j);
  dc_wr(d, x, y, sum / (fx * fy));
}

// Moves the pixels of r (1/16384 pixel; c holds its touched pixels from o
// on) toward the colour by the amount times the pixel's coverage.
__kernel void ko_dib_fade(write_only image2d_t d, read_only image2d_t c, int4 r, int2 o, float4 col,
                          float amount, int keepAlpha, int w, int h) {
  int i = get_global_id(0), j = get_global_id(1);
  if (i >= w || j >= h) return;
  long cx = dc_cov(r.x, r.z, o.x + i), cy = dc_cov(r.y, r.w, o.y + j);
  int a = (int)(amount * 255.0f);
  if (cx < 16384 || cy < 16384) a = (int)(((long)(amount * 16384.0f) * (cx * cy >> 14) >> 14) * 255 >> 14);
  int4 v = dc_rd(c, i, j), m = dc_mix(v, convert_int4(col * 255.0f), a);
  if (keepAlpha) m.w = v.w;
  dc_wr(d, o.x + i, o.y + j, m);
}

// r: left, top, width, height; c holds the rectangle's pixels.
__kernel void ko_dib_swap(write_only image2d_t d, read_only image2d_t c, int4 r) {
  int i = get_global_id(0), j = get_global_id(1);
  if (i >= r.z || j >= r.w) return;
  write_imagef(d, (int2)(r.x + i, r.y + j), read_imagef(c, dc_s, (int2)(i, j)).zyxw);
}

// r: left, top, right, bottom.
__kernel void ko_dib_fill(write_only image2d_t d, int4 r, float4 col) {
  int x = r.x + get_global_id(0), y = r.y + get_global_id(1);
  if (x >= r.z || y >= r.w) return;
  dc_wr(d, x, y, convert_int4(col * 255.0f));
}
