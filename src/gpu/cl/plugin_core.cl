// The plug-in set's core kernels: compositing, masks, fill and copies.
// One work item per output pixel; items beyond width x height do nothing.
// Images are BGRA 8-bit normalised: read_imagef gives (r, g, b, a) in 0..1.

__constant sampler_t ko_pixel = CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE |
                                CLK_FILTER_NEAREST;

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
