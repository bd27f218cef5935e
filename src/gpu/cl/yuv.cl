/* YUV frames to BGRA images and back. One work item per output pixel (or
 * per chroma sample); every kernel ignores items beyond the size it gets.
 *
 * YUV to RGB, arguments of every converter:
 *   0 frame buffer (bytes), 1 destination image, 2-3 output width, height,
 *   4 geometry: width, height, luma stride, Cb offset, Cb stride, Cr offset,
 *     Cr stride, flags (1 interlaced chroma, 2 float output),
 *   5 levels: luma offset, luma scale, chroma offset, R from Cr, G from Cb,
 *     G from Cr, B from Cb (the Q14 kernel takes its integer coefficients),
 *   6 tone curve: gamma, threshold, slope, offset, active, direction.
 * Row y of the frame is row y of the image (images are top-down). The
 * arithmetic follows the processor converters operation by operation, so
 * contraction into fused multiply-adds is off. */
#pragma OPENCL FP_CONTRACT OFF

__constant sampler_t ko_px_at = CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

#define KO_B(o) ((int)s[o])
#define KO_W(o) ((int)s[o] | (int)s[(o) + 1] << 8)
#define KO_ARGS __global const uchar *s, __write_only image2d_t d, int ow, int oh, int8 g

/* Chroma row of luma row r; interlaced 4:2:0 material keeps each field's
 * chroma, except for the last pair of an odd number of chroma rows. */
int ko_crow(int r, int ch, int il, int vs) {
  if (!vs) return r;
  int k = r >> 1;
  if (il && !((ch & 1) && r >= 2 * ch - 2)) k = 2 * (r >> 2) + (r & 1);
  return min(k, ch - 1);
}

/* Planar and semi-planar layouts: sb bytes a sample (1, or 2 with the value
 * in the upper ten bits), chroma pairs cp samples apart (0: separate Cr). */
int3 ko_planes(__global const uchar *s, int8 g, int x, int y, int hs, int vs, int sb, int cp) {
  int cw = g.s0 >> hs, ch = g.s1 >> vs, o = y * g.s2 + x * sb;
  int Y = sb == 2 ? KO_W(o) >> 6 : KO_B(o), n = sb == 2 ? 512 : 128;
  if (cw == 0 || ch == 0) return (int3)(Y, n, n);
  int k = ko_crow(y, ch, g.s7 & 1, vs), c = min(x >> hs, cw - 1);
  int ob = g.s3 + k * g.s4 + c * sb * (cp ? cp : 1);
  int orr = cp ? ob + sb : g.s5 + k * g.s6 + c * sb;
  if (sb == 2) return (int3)(Y, KO_W(ob) >> 6, KO_W(orr) >> 6);
  return (int3)(Y, KO_B(ob), KO_B(orr));
}

/* Packed 4:2:2: luma at 2x + yo, Cb at 4p + uo, Cr two samples later. */
int3 ko_packed(__global const uchar *s, int8 g, int x, int y, int yo, int uo, int sb) {
  int row = y * g.s2, cw = g.s0 >> 1;
#define KO_AT(i) (sb == 2 ? KO_W(row + 2 * (i)) >> 6 : KO_B(row + (i)))
  int Y = KO_AT(2 * x + yo), n = sb == 2 ? 512 : 128;
  if (cw == 0) return (int3)(Y, n, n);
  int p = min(x >> 1, cw - 1);
  return (int3)(Y, KO_AT(4 * p + uo), KO_AT(4 * p + uo + 2));
#undef KO_AT
}

/* v210: groups of six pixels in four words, Cb0 Y0 Cr0 | Y1 Cb2 Y2 |
 * Cr2 Y3 Cb4 | Y4 Cr4 Y5; entries are word * 4 + slot. */
__constant uchar ko_v210y[6] = {1, 4, 6, 9, 12, 14};
__constant uchar ko_v210b[3] = {0, 5, 10};
__constant uchar ko_v210r[3] = {2, 8, 13};
int ko_v210at(__global const uchar *s, int row, int grp, int e) {
  int o = row + 16 * grp + 4 * (e >> 2);
  uint w = (uint)s[o] | (uint)s[o + 1] << 8 | (uint)s[o + 2] << 16 | (uint)s[o + 3] << 24;
  return (int)(w >> (10 * (e & 3)) & 0x3FFu);
}
int3 ko_v210(__global const uchar *s, int8 g, int x, int y) {
  int row = y * g.s2, cw = g.s0 >> 1;
  int Y = ko_v210at(s, row, x / 6, ko_v210y[x % 6]);
  if (cw == 0) return (int3)(Y, 512, 512);
  int p = min(x >> 1, cw - 1);
  return (int3)(Y, ko_v210at(s, row, p / 3, ko_v210b[p % 3]), ko_v210at(s, row, p / 3, ko_v210r[p % 3]));
}

/* The tone curve on 0..1 (below 0: 0, above 1: its value at 1); the bases
 * of the powers are positive, so exp2(g log2(b)) serves (pow is far slower
 * on some runtimes). */
float ko_curve(float x, float8 t) {
  if (!(x > 0.0f)) return 0.0f;
  x = fmin(x, 1.0f);
  if (x < t.s1) return t.s2 * x;
  if (t.s5 > 0.0f) return exp2(t.s0 * log2(x)) * (1.0f + t.s3) - t.s3;
  return exp2(t.s0 * log2((x + t.s3) / (1.0f + t.s3)));
}

void ko_put(__write_only image2d_t d, int2 at, int3 p, int fl, float8 lv, float8 t) {
  float yy = ((float)p.x - lv.s0) * lv.s1, cb = (float)p.y - lv.s2, cr = (float)p.z - lv.s2;
  float4 c = (float4)(yy + lv.s3 * cr, yy + lv.s4 * cb + lv.s5 * cr, yy + lv.s6 * cb, 1.0f);
  int tone = t.s5 != 0.0f;
  if (fl & 2) {
    if (tone) c.xyz = (float3)(ko_curve(c.x, t), ko_curve(c.y, t), ko_curve(c.z, t));
    write_imagef(d, at, c);
    return;
  }
  c.xyz = clamp(c.xyz, 0.0f, 255.0f);
  if (tone)
    c.xyz = (float3)(ko_curve(c.x * (1.0f / 255.0f), t), ko_curve(c.y * (1.0f / 255.0f), t),
                     ko_curve(c.z * (1.0f / 255.0f), t)) * 255.0f;
  c.xyz = floor(c.xyz + 0.5f);
  write_imagef(d, at, (float4)(c.xyz * (1.0f / 255.0f), 1.0f));
}

/* One converter per layout family and reduce value R: output pixel (x, y)
 * converts source sample (x << R, y << R). */
#define KO_TORGB(F, R, FETCH)                                                   \
  __kernel void ko_yuv_##F##_r##R(KO_ARGS, float8 lv, float8 t) {               \
    int x = get_global_id(0), y = get_global_id(1);                            \
    if (x >= ow || y >= oh) return;                                             \
    int sx = x << R, sy = y << R;                                               \
    ko_put(d, (int2)(x, y), FETCH, g.s7, lv, t);                               \
  }
#define KO_TORGB4(F, FETCH) \
  KO_TORGB(F, 0, FETCH) KO_TORGB(F, 1, FETCH) KO_TORGB(F, 2, FETCH) KO_TORGB(F, 3, FETCH)

KO_TORGB4(i420, ko_planes(s, g, sx, sy, 1, 1, 1, 0))
KO_TORGB4(yv16, ko_planes(s, g, sx, sy, 1, 0, 1, 0))
KO_TORGB4(yv24, ko_planes(s, g, sx, sy, 0, 0, 1, 0))
KO_TORGB4(nv12, ko_planes(s, g, sx, sy, 1, 1, 1, 2))
KO_TORGB4(p010, ko_planes(s, g, sx, sy, 1, 1, 2, 2))
KO_TORGB4(p210, ko_planes(s, g, sx, sy, 1, 0, 2, 2))
KO_TORGB4(p410, ko_planes(s, g, sx, sy, 0, 0, 2, 0))
KO_TORGB4(yuyv, ko_packed(s, g, sx, sy, 0, 1, 1))
KO_TORGB4(uyvy, ko_packed(s, g, sx, sy, 1, 0, 1))
KO_TORGB4(y210, ko_packed(s, g, sx, sy, 0, 1, 2))
KO_TORGB4(v210, ko_v210(s, g, sx, sy))

/* 8-bit 4:2:0 with studio levels kept, in Q14 integers: q holds the Cb->B,
 * Cb->G, Cr->G, Cr->R factors and the B, G, R constants. */
__kernel void ko_yuv_i420_q14(KO_ARGS, int8 q) {
  int x = get_global_id(0), y = get_global_id(1);
  if (x >= ow || y >= oh) return;
  int k = ko_crow(y, g.s1 >> 1, g.s7 & 1, 1), c = x >> 1;
  int Y = s[y * g.s2 + x], U = s[g.s3 + k * g.s4 + c], V = s[g.s5 + k * g.s6 + c];
  int3 v = clamp((int3)(Y + ((q.s3 * V + q.s6) >> 14), Y + ((q.s1 * U + q.s2 * V + q.s5) >> 14),
                        Y + ((q.s0 * U + q.s4) >> 14)), 0, 255);
  write_imagef(d, (int2)(x, y), (float4)(convert_float3(v) * (1.0f / 255.0f), 1.0f));
}

/* RGB to NV12 (8-bit) and P010 (10-bit in the upper bits of words).
 * Arguments: 0 source image, 1 frame buffer, 2-3 the work size (pixels, or
 * chroma samples), 4 geometry as above (flags: 1 interlaced), 5 yR yG yB
 * cbR cbG cbB crR crG, 6 crB, luma scale, luma offset, chroma scale,
 * 10-bit factor. Image row y is frame row y. BGRA sources hold exact bytes;
 * float sources are scaled by 255. */
float3 ko_rgb(__read_only image2d_t src, int x, int y, int isf) {
  float3 v = read_imagef(src, ko_px_at, (int2)(x, y)).xyz * 255.0f;
  return isf ? v : rint(v);
}
float ko_luma(float3 p, float8 a, float8 b) { return (a.s0 * p.x + a.s1 * p.y + a.s2 * p.z) * b.s1; }
float ko_cb(float3 p, float8 a) { return a.s3 * p.x + a.s4 * p.y + a.s5 * p.z; }
float ko_cr(float3 p, float8 a, float8 b) { return a.s6 * p.x + a.s7 * p.y + b.s0 * p.z; }
/* 8-bit results clamp to 1..254, 10-bit ones to 4..1019, then truncate. */
int ko_n8(float v) { return (int)clamp(v + 1.5e-8f, 1.0f, 254.0f); }
int ko_n10(float v) { return (int)clamp(v + 1.5e-8f, 4.0f, 1019.0f); }
void ko_st1(__global uchar *d, int o, int v) { d[o] = (uchar)v; }
void ko_st2(__global uchar *d, int o, int v) {
  d[o] = (uchar)(v << 6);
  d[o + 1] = (uchar)(v >> 2);
}
#define KO_Y1(l) ko_n8((l) + b.s2 + 0.5f)
#define KO_Y2(l) ko_n10(((l) + b.s2) * b.s4 + 0.5f)
#define KO_C1(v) ko_n8((v) * b.s3 * 0.25f + 128.0f + 0.5f)
#define KO_C2(v) ko_n10((v) * b.s3 * 0.25f * b.s4 + 512.0f + 0.5f)
#define KO_EARGS __read_only image2d_t src, __global uchar *d, int w, int h, int8 g, float8 a, float8 b
#define KO_LUMA(X, Y, SB, ISF) \
  ko_st##SB(d, (Y) * g.s2 + (X) * SB, KO_Y##SB(ko_luma(ko_rgb(src, X, Y, ISF), a, b)))
/* Chroma of the 2x2 block with columns 2c, 2c+1 and rows ra, rb. */
#define KO_CHROMA(ra, rb, SB, ISF)                                                        \
  {                                                                                       \
    float3 p0 = ko_rgb(src, 2 * c, ra, ISF), p1 = ko_rgb(src, 2 * c, rb, ISF);            \
    float3 p2 = ko_rgb(src, 2 * c + 1, ra, ISF), p3 = ko_rgb(src, 2 * c + 1, rb, ISF);    \
    float sb = ko_cb(p0, a) + ko_cb(p1, a) + (ko_cb(p2, a) + ko_cb(p3, a));              \
    float sr = ko_cr(p0, a, b) + ko_cr(p1, a, b) + (ko_cr(p2, a, b) + ko_cr(p3, a, b));  \
    int o = g.s3 + k * g.s4 + 2 * c * SB;                                                 \
    ko_st##SB(d, o, KO_C##SB(sb));                                                        \
    ko_st##SB(d, o + SB, KO_C##SB(sr));                                                   \
  }

/* S: source kind (float sources: ISF 1), T: target, SB: sample bytes. */
#define KO_TOYUV(S, T, SB, ISF)                                                           \
  __kernel void ko_rgb_##S##_##T##_luma(KO_EARGS) {                                       \
    int x = get_global_id(0), y = get_global_id(1);                                       \
    if (x < w && y < h) KO_LUMA(x, y, SB, ISF);                                           \
  }                                                                                       \
  __kernel void ko_rgb_##S##_##T##_chroma(KO_EARGS) {                                     \
    int c = get_global_id(0), k = get_global_id(1), y = 2 * k, H = g.s1;                  \
    if (c >= w || k >= h) return;                                                         \
    int ra = y, rb = min(y + 1, H - 1);                                                   \
    if ((g.s7 & 1) && y < (H & ~2)) {                                                     \
      ra = (y & 3) ? y - 1 : y;                                                           \
      rb = min(ra + 2, H - 1);                                                            \
    }                                                                                     \
    KO_CHROMA(ra, rb, SB, ISF)                                                            \
  }

/* BGRA sources, progressive frames of even size: a block's four luma
 * samples and its chroma in one item. */
#define KO_TOYUV_PAIR(T, SB)                                                              \
  __kernel void ko_rgb_bgra_##T##_pair(KO_EARGS) {                                        \
    int c = get_global_id(0), k = get_global_id(1);                                       \
    if (c >= w || k >= h) return;                                                         \
    KO_LUMA(2 * c, 2 * k, SB, 0);                                                         \
    KO_LUMA(2 * c + 1, 2 * k, SB, 0);                                                     \
    KO_LUMA(2 * c, 2 * k + 1, SB, 0);                                                     \
    KO_LUMA(2 * c + 1, 2 * k + 1, SB, 0);                                                 \
    KO_CHROMA(2 * k, 2 * k + 1, SB, 0)                                                    \
  }

KO_TOYUV(bgra, nv12, 1, 0)
KO_TOYUV(float, nv12, 1, 1)
KO_TOYUV(bgra, p010, 2, 0)
KO_TOYUV(float, p010, 2, 1)
KO_TOYUV_PAIR(nv12, 1)
KO_TOYUV_PAIR(p010, 2)
