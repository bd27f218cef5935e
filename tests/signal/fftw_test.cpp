// Every transform compared with FFTW on random and structured signals, for
// every order from 0 to 16, both directions and every flag (the other
// paths give the same bits: the kernel registry compares their forms).
#include <fftw3.h>

#include <random>

#include "signal/signal_test_util.h"

namespace {

using namespace kotest;
const double kTwoPi = 6.283185307179586476925286766559;
const char *const kSignals[] = {"random", "impulse", "shifted impulse", "tone", "step", "chirp"};

cd Sample(int kind, size_t n, size_t j, std::mt19937 &rng) {
  std::uniform_real_distribution<double> d(-1, 1);
  switch (kind) {
    case 0: return cd(d(rng), d(rng));
    case 1: return j == 0 ? 1.0 : 0.0;
    case 2: return j == n / 3 ? cd(0.5, -2) : 0.0;
    case 3: return std::polar(1.0, kTwoPi * double((j * (n / 8 + 1)) % n) / double(n)) + cd(0.25, 0);
    case 4: return j < n / 2 ? cd(1, 0) : cd(0, 1);
    default: return std::polar(1.0, kTwoPi * 0.5 * double(j) * double(j) / double(n));
  }
}

std::vector<cd> Scaled(std::vector<cd> v, int flag, size_t n, bool inverse) {
  for (auto &x : v) x *= FlagScale(flag, n, inverse);
  return v;
}

TEST(FftVersusFftw, ComplexSinglePrecision) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order;
    std::vector<cf> in(n), out(n);
    auto *fin = reinterpret_cast<fftwf_complex *>(in.data()), *fout = reinterpret_cast<fftwf_complex *>(out.data());
    fftwf_plan plans[2] = {fftwf_plan_dft_1d(int(n), fin, fout, FFTW_FORWARD, FFTW_ESTIMATE),
                           fftwf_plan_dft_1d(int(n), fin, fout, FFTW_BACKWARD, FFTW_ESTIMATE)};
    for (int kind = 0; kind < 6; ++kind) {
      std::mt19937 rng(order * 31 + kind);
      std::vector<cf> x(n);
      for (size_t j = 0; j < n; ++j) x[j] = cf(Sample(kind, n, j, rng));
      std::vector<cd> ref[2];
      for (int dir = 0; dir < 2; ++dir) {
        in = x;
        fftwf_execute(plans[dir]);
        ref[dir].assign(out.begin(), out.end());
      }
      for (int flag : kFlags) {
        C32 fft(order, flag);
        for (int dir = 0; dir < 2; ++dir)
          EXPECT_LT(RelErr(fft.Run(x, dir), Scaled(ref[dir], flag, n, dir)), 1e-5)
              << kSignals[kind] << ", order " << order << ", flag " << flag << ", inverse " << dir;
      }
    }
    for (fftwf_plan p : plans) fftwf_destroy_plan(p);
  }
}

TEST(FftVersusFftw, RealDoublePrecisionPerm) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order, bins = n / 2 + 1;
    std::vector<double> real(n);
    std::vector<cd> spectrum(bins);
    auto *fs = reinterpret_cast<fftw_complex *>(spectrum.data());
    fftw_plan r2c = fftw_plan_dft_r2c_1d(int(n), real.data(), fs, FFTW_ESTIMATE);
    fftw_plan c2r = fftw_plan_dft_c2r_1d(int(n), fs, real.data(), FFTW_ESTIMATE);
    for (int kind = 0; kind < 6; ++kind) {
      std::mt19937 rng(order * 17 + kind);
      std::vector<double> x(n);
      for (size_t j = 0; j < n; ++j) x[j] = Sample(kind, n, j, rng).real();
      real = x;
      fftw_execute(r2c);
      const std::vector<cd> fwdRef = spectrum;
      // Inverse reference: the real signal behind the packed spectrum of x
      // (the imaginary parts of bins 0 and n/2 are not stored).
      spectrum[0].imag(0);
      spectrum[n / 2].imag(0);
      fftw_execute(c2r);  // destroys the spectrum
      const std::vector<cd> invRef(real.begin(), real.end());
      const std::vector<double> perm = BinsToPerm(fwdRef, n);
      for (int flag : kFlags) {
        R64 fft(order, flag, 2);
        std::vector<double> y = x, z = perm;
        fft.Fwd(y);
        EXPECT_LT(RelErr(PermToBins(y), Scaled(fwdRef, flag, n, false)), 1e-12)
            << kSignals[kind] << ", order " << order << ", flag " << flag;
        fft.Inv(z);
        EXPECT_LT(RelErr(z, Scaled(invRef, flag, n, true)), 1e-12)
            << kSignals[kind] << " inverse, order " << order << ", flag " << flag;
      }
    }
    fftw_destroy_plan(r2c);
    fftw_destroy_plan(c2r);
  }
}

}  // namespace
