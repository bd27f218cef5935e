// Matrix records and the rules that choose them.
#include "colour/colour_matrix.h"

#include <cmath>

namespace ko::colour {

namespace {
const MatrixValues kMatrices[3] = {
    {1.402f, -0.3441f, -0.7141f, 1.772f, 0.299f, 0.587f, 0.114f, -0.1687f, -0.3313f, 0.5f, 0.5f,
     -0.4187f, -0.0813f, {28384, -5510, -11437, 22458, -3624960, 2177408, -2866432},
     1.370705, -0.69816, -0.336419, 1.732446,
     -0.172552, -0.338864, 0.511416, 0.511416, -0.428259, -0.083156},
    {1.5748f, -0.1873f, -0.4681f, 1.8556f, 0.2126f, 0.7152f, 0.0722f, -0.1146f, -0.3854f, 0.5f,
     0.5f, -0.4542f, -0.0458f, {29725, -2995, -7493, 25229, -3796864, 1350656, -3221120},
     1.539648, -0.457651, -0.183119, 1.81418,
     -0.117216, -0.394199, 0.511416, 0.511416, -0.46457, -0.046846},
    {1.4746f, -0.1646f, -0.5714f, 1.8814f, 0.2627f, 0.678f, 0.0593f, -0.1396f, -0.3604f, 0.5f,
     0.5f, -0.4598f, -0.0402f, {30137, -2636, -9152, 23621, -3849318, 1517050, -3015240},
     1.441685, -0.558646, -0.160926, 1.839404,
     -0.142787, -0.368628, 0.511416, 0.511416, -0.470298, -0.041118},
};

const double kLumaRows[3][3] = {{0.299, 0.587, 0.114}, {0.2126, 0.7152, 0.0722}, {0.2627, 0.678, 0.0593}};

int32_t Fixed(double v, double scale) { return static_cast<int32_t>(std::lround(v * scale)); }
}  // namespace

const MatrixValues &MatrixOf(Matrix m) { return kMatrices[m]; }

Matrix MatrixBySize(int width, int height) {
  return width >= 704 && width <= 720 && height < 720 ? kBT601 : kBT709;
}

Matrix MatrixFromCode(uint32_t code, int width, int height) {
  switch (code) {
    case 515: return kBT601;
    case 516: return kBT709;
    case 517: return kBT2020;
    default: return MatrixBySize(width, height);
  }
}

Matrix MatrixFromUyvyCode(int code, int width, int height) {
  switch (code) {
    case 1: return kBT601;
    case 2: return kBT709;
    case 3: return kBT2020;
    default: return MatrixBySize(width, height);
  }
}

UyvyToRgbCoefs UyvyToRgbFixed(Matrix m) {
  const MatrixValues &v = kMatrices[m];
  return {Fixed(v.uyvyVR, 4096), Fixed(v.uyvyVG, 4096), Fixed(v.uyvyUG, 4096), Fixed(v.uyvyUB, 4096)};
}

RgbToUyvyCoefs RgbToUyvyFixed(Matrix m) {
  const MatrixValues &v = kMatrices[m];
  const double *k = kLumaRows[m];
  return {Fixed(k[0], 4096),        Fixed(k[1], 4096),        Fixed(k[2], 4096),
          Fixed(v.uyvyUR, 2048),    Fixed(v.uyvyUGf, 2048),   Fixed(v.uyvyUBf, 2048),
          Fixed(v.uyvyVRf, 2048),   Fixed(v.uyvyVGf, 2048),   Fixed(v.uyvyVBf, 2048)};
}

}  // namespace ko::colour
