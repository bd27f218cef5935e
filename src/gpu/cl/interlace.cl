// Interlaced frames on BGRA images: field 1 is the even rows counted from
// the top (for column fields, the even columns counted from the right).
// One work item per output pixel; items beyond w x h do nothing.
__constant sampler_t il_s = CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

uint4 il_rd(read_only image2d_t m, int x, int y) {
  return convert_uint4(read_imagef(m, il_s, (int2)(x, y)) * 255.0f + 0.5f);
}

void il_wr(write_only image2d_t m, int x, int y, uint4 v) {
  write_imagef(m, (int2)(x, y), convert_float4(v) / 255.0f);
}

int il_kept(int i, int f) { return ((i & 1) == 0) == (f == 1); }

// Line i of n (st: from line i to line i + 1): kept, or the truncated mean
// of the lines beside it (the one inner neighbour at either end).
uint4 il_line(read_only image2d_t s, int x, int y, int i, int n, int f, int2 st) {
  if (il_kept(i, f)) return il_rd(s, x, y);
  int a = i > 0 ? -1 : n > 1, b = i < n - 1 ? 1 : -(n > 1);
  return (il_rd(s, x + a * st.x, y + a * st.y) + il_rd(s, x + b * st.x, y + b * st.y)) >> 1;
}

#define IL_XY int x = get_global_id(0), y = get_global_id(1); if (x >= w || y >= h) return

__kernel void ko_interlace_rows(write_only image2d_t d, read_only image2d_t s, int w, int h, int f) {
  IL_XY;
  il_wr(d, x, y, il_line(s, x, y, y, h, f, (int2)(0, 1)));
}

__kernel void ko_interlace_columns(write_only image2d_t d, read_only image2d_t s, int w, int h, int f) {
  IL_XY;
  il_wr(d, x, y, il_line(s, x, y, w - 1 - x, w, f, (int2)(-1, 0)));
}

// Copies the field's rows (rot: its columns); the other pixels stay.
__kernel void ko_interlace_field(write_only image2d_t d, read_only image2d_t s, int w, int h, int f, int rot) {
  IL_XY;
  if (il_kept(rot ? w - 1 - x : y, f)) il_wr(d, x, y, il_rd(s, x, y));
}

// s holds one field, row k for frame row 2k or 2k + 1. The other field's
// rows are the mean of the field rows beside them (keep: left alone).
__kernel void ko_interlace_frame(write_only image2d_t d, read_only image2d_t s, int w, int h, int f, int keep) {
  IL_XY;
  if (il_kept(y, f)) {
    il_wr(d, x, y, il_rd(s, x, y >> 1));
  } else if (!keep) {
    int u = y > 0 ? y - 1 : y + 1, l = y < h - 1 ? y + 1 : y - 1;
    il_wr(d, x, y, (il_rd(s, x, u >> 1) + il_rd(s, x, l >> 1)) >> 1);
  }
}
