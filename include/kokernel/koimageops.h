/*
 * kokernel: image operations on raw pixel rows: blending, compositing and
 * masks; channel maps, look-up tables and float conversion; blurs and other
 * filters.
 *
 * Every function takes a pointer to the first pixel of the top row, a byte
 * stride (negative for bottom-up rows), a width and a height; a width or a
 * height of 0 or less does nothing and succeeds. Pixel forms: 8-bit BGRA
 * (4 bytes a pixel, bytesPerPixel 4), float BGRA (four floats, 16), 8-bit
 * masks (1) and float masks (one float a pixel). Results: true on success,
 * false for an unsupported pixel size, mode, channel or a null image.
 */
#ifndef KOKERNEL_KOIMAGEOPS_H
#define KOKERNEL_KOIMAGEOPS_H

#include "kokernel/kobase.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* Composite modes. */
#define KOCOMPOSITE_OVER 1
#define KOCOMPOSITE_UNDER 2
#define KOCOMPOSITE_ADD 3
#define KOCOMPOSITE_MULTIPLY 4
#define KOCOMPOSITE_OVERLAY 5
#define KOCOMPOSITE_SCREEN 6
#define KOCOMPOSITE_AVERAGE 7

KO_BEGIN_DECLS

/* ---- Blending and compositing -------------------------------------------- */
KOAPI bool Blend(uint8_t *dst, int32_t dstStride, const uint8_t *src, int32_t srcStride,
                 int32_t width, int32_t height, double amount);
KOAPI bool MaskedBlend(uint8_t *dst, int32_t dstStride, const uint8_t *mask, int32_t maskStride,
                       const uint8_t *src, int32_t srcStride, int32_t width, int32_t height,
                       const uint8_t *lut);
KOAPI bool MaskedFade(void *dst, int32_t dstStride, const void *src, int32_t srcStride,
                      int32_t bytesPerPixel, const uint8_t *mask, int32_t maskStride,
                      int32_t width, int32_t height);
KOAPI bool Composite(void *dst, int32_t dstStride, const void *src, int32_t srcStride,
                     int32_t bytesPerPixel, int32_t width, int32_t height, int32_t mode,
                     double opacity);
KOAPI bool Multiply(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                    int32_t height, double factor, bool premultiplied);
KOAPI bool MultiplyChannel(void *dst, int32_t dstStride, int32_t dstBytesPerPixel,
                           int32_t dstChannel, const uint8_t *src, int32_t srcStride,
                           int32_t srcChannel, int32_t width, int32_t height, double scale,
                           double offset);
KOAPI bool MaskMultiply(void *dst, int32_t dstStride, int32_t dstBytesPerPixel,
                        const uint8_t *mask, int32_t maskStride, int32_t width, int32_t height,
                        int32_t maskChannel, double scale, double offset);
KOAPI bool MultiplyMasks(float *dst, int32_t dstStride, const float *src, int32_t srcStride,
                         int32_t width, int32_t height);
KOAPI bool ThresholdClear(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                          int32_t height, float threshold);
KOAPI bool ThresholdFloat(float *img, int32_t stride, int32_t width, int32_t height, double low,
                          double high);
KOAPI bool ClipRestore(float *img, int32_t stride, int32_t width, int32_t height,
                       double threshold, double floorValue);
KOAPI bool BitmapCopy(void *dst, int32_t dstStride, const void *src, int32_t srcStride,
                      int32_t bytesPerPixel, int32_t width, int32_t height);
KOAPI bool ChannelCopy(uint8_t *dst, int32_t dstStride, int32_t dstPixelStep, int32_t width,
                       int32_t height, const uint8_t *src, int32_t srcStride,
                       int32_t srcPixelStep);
KOAPI bool Fill(void *dst, int32_t stride, int32_t bytesPerPixel, int32_t width, int32_t height,
                float a, float r, float g, float b);

/* ---- Channel maps, look-up tables and float conversion -------------------- */
KOAPI bool ChannelMap(uint32_t *img, int32_t stride, uint32_t channel, int32_t width,
                      int32_t height, const uint32_t *table);
KOAPI bool ChannelMapEx(uint32_t *dst, int32_t dstStride, const uint32_t *src, int32_t srcStride,
                        uint32_t channel, int32_t width, int32_t height, const uint32_t *table);
KOAPI bool ChannelMapExFloat(float *dst, int32_t dstStride, const float *src, int32_t srcStride,
                             int32_t channel, int32_t width, int32_t height, const float *table,
                             uint32_t count);
KOAPI bool ChannelMergeLut(uint32_t *img, int32_t stride, int32_t channels, int32_t width,
                           int32_t height, const uint32_t *table);
KOAPI bool Lut(uint8_t *img, int32_t stride, int32_t width, int32_t height, const uint8_t *table);
KOAPI bool LutWithAlphaClamp(uint8_t *img, int32_t stride, int32_t width, int32_t height,
                             const uint8_t *table);
KOAPI bool ConvertARGBToARGBFloat(float *dst, int32_t dstStride, const uint8_t *src,
                                  int32_t srcStride, int32_t width, int32_t height, double scale);
KOAPI bool ConvertARGBFloatToARGB(uint8_t *dst, int32_t dstStride, const float *src,
                                  int32_t srcStride, int32_t width, int32_t height, double scale);
KOAPI bool ConvertChannelToFloatMask(float *mask, int32_t maskStride, const void *src,
                                     int32_t srcStride, int32_t srcBytesPerPixel, int32_t channel,
                                     int32_t width, int32_t height, const float *table,
                                     uint32_t count);
KOAPI bool ConvertFloatMaskToARGB(void *dst, int32_t dstStride, int32_t dstBytesPerPixel,
                                  const float *mask, int32_t maskStride, int32_t width,
                                  int32_t height);

/* ---- Blurs and filters ------------------------------------------------------ */
/* temp must hold width x height x 16 bytes (GaussianBlurMask: x 4). */
KOAPI bool GaussianBlur(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                        int32_t height, void *temp, size_t tempBytes, double sigmaX,
                        double sigmaY, const double *rowSigmas, const double *columnSigmas);
KOAPI bool GaussianBlurMask(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                            int32_t height, void *temp, size_t tempBytes, double sigmaX,
                            double sigmaY, double gain, double offset, const double *rowSigmas,
                            const double *columnSigmas);
KOAPI bool Blur3x3(void *dst, int32_t dstStride, const void *src, int32_t srcStride,
                   int32_t bytesPerPixel, int32_t width, int32_t height);
KOAPI bool EdgeDetect(uint8_t *dst, int32_t dstStride, const uint8_t *src, int32_t srcStride,
                      int32_t width, int32_t height, bool mono, double threshold);
KOAPI bool Desaturate(void *img, int32_t stride, int32_t bytesPerPixel, int32_t width,
                      int32_t height, bool includeAlpha);
/* Returns the largest count of the four tables. */
KOAPI uint32_t Histogram(const uint8_t *img, int32_t stride, int32_t width, int32_t height,
                         uint32_t *red, uint32_t *green, uint32_t *blue, uint32_t *luma);
KOAPI bool HslScaleOffset(uint8_t *img, int32_t stride, int32_t width, int32_t height,
                          double hueScale, double satScale, double lumScale, double hueOffset,
                          double satOffset, double lumOffset);
KOAPI bool GenerateNoiseMask(float *mask, int32_t stride, int32_t width, int32_t height,
                             float low, float high, uint32_t seed);
KOAPI bool RadialBlurMask(uint8_t *dst, int32_t dstStride, int32_t dstStep, const uint8_t *src,
                          int32_t srcStride, int32_t srcStep, int32_t width, int32_t height,
                          double centreX, double centreY, double scaleX, double scaleY,
                          double gain);
/* Rectangles are (x, y, width, height) in pixels. */
KOAPI bool ScaleMask(float *dst, int32_t dstStride, int32_t dstWidth, int32_t dstHeight,
                     const float *dstRect, const float *src, int32_t srcStride, int32_t srcWidth,
                     int32_t srcHeight, const float *srcRect, uint32_t mode, float amount);
KOAPI bool Shear(void *dst, int32_t dstStride, int32_t dstWidth, int32_t dstHeight,
                 const void *src, int32_t srcStride, int32_t srcWidth, int32_t srcHeight,
                 int32_t bytesPerPixel, uint32_t direction, double amount);
KOAPI bool FocusPrep(float *img, int32_t stride, int32_t width, int32_t height, double threshold,
                     double floorValue);

KO_END_DECLS

#endif /* KOKERNEL_KOIMAGEOPS_H */
