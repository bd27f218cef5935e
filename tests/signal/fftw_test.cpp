// Every transform compared with FFTW on random and structured signals, for
// every order from 0 to 16, both directions and every flag (the other
// paths give the same bits: the kernel registry compares their forms).
#include <gtest/gtest.h>

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "kokernel/koperf.h"
#include "signal/signal_internal.h"

namespace {

using cd = std::complex<double>;
const uint32_t kOk = 0x0004E600u;
const double kTwoPi = 6.283185307179586476925286766559;
const int kFlags[] = {1, 2, 4, 8};
const char *const kSignals[] = {"random", "impulse", "shifted impulse", "tone", "step", "chirp"};

double FlagScale(int flag, size_t n, bool inverse) {
  if (flag == 4) return 1.0 / std::sqrt(double(n));
  if ((flag == 1 && !inverse) || (flag == 2 && inverse)) return 1.0 / double(n);
  return 1.0;
}

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

template <class A>
double RelErr(const std::vector<A> &got, const std::vector<cd> &want) {
  double num = 0, den = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    num += std::norm(cd(got[i]) - want[i]);
    den += std::norm(want[i]);
  }
  return den > 0 ? std::sqrt(num / den) : std::sqrt(num);
}

TEST(FftVersusFftw, ComplexSinglePrecision) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order;
    fftwf_complex *in = fftwf_alloc_complex(n), *out = fftwf_alloc_complex(n);
    fftwf_plan pf = fftwf_plan_dft_1d(int(n), in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    fftwf_plan pb = fftwf_plan_dft_1d(int(n), in, out, FFTW_BACKWARD, FFTW_ESTIMATE);
    for (int kind = 0; kind < 6; ++kind) {
      std::mt19937 rng(order * 31 + kind);
      std::vector<std::complex<float>> x(n);
      for (size_t j = 0; j < n; ++j) x[j] = std::complex<float>(Sample(kind, n, j, rng));
      std::vector<cd> ref[2];
      for (int dir = 0; dir < 2; ++dir) {
        for (size_t j = 0; j < n; ++j) {
          in[j][0] = x[j].real();
          in[j][1] = x[j].imag();
        }
        fftwf_execute(dir ? pb : pf);
        ref[dir].resize(n);
        for (size_t j = 0; j < n; ++j) ref[dir][j] = cd(out[j][0], out[j][1]);
      }
      for (int flag : kFlags) {
        void *setup = nullptr;
        ASSERT_EQ(uint32_t(KoPerfsFFTInitAlloc_C_32fc(&setup, order, flag, 0)), kOk);
        int bytes = 0;
        KoPerfsFFTGetBufSize_C_32fc(setup, &bytes);
        std::vector<BYTE> buf(bytes);
        for (int dir = 0; dir < 2; ++dir) {
          std::vector<std::complex<float>> y(n);
          HRESULT hr = dir ? KoPerfsFFTInv_CToC_32fc(x.data(), y.data(), setup, buf.data())
                           : KoPerfsFFTFwd_CToC_32fc(x.data(), y.data(), setup, buf.data());
          ASSERT_EQ(uint32_t(hr), kOk);
          std::vector<cd> want = ref[dir];
          for (auto &v : want) v *= FlagScale(flag, n, dir == 1);
          EXPECT_LT(RelErr(y, want), 1e-5) << kSignals[kind] << ", order "
                                           << order << ", flag " << flag << ", inverse " << dir;
        }
        KoPerfsFFTFree_C_32fc(setup);
      }
    }
    fftwf_destroy_plan(pf);
    fftwf_destroy_plan(pb);
    fftwf_free(in);
    fftwf_free(out);
  }
}

TEST(FftVersusFftw, RealDoublePrecisionPerm) {
  for (int order = 0; order <= 16; ++order) {
    const size_t n = size_t{1} << order, bins = n / 2 + 1;
    double *rin = fftw_alloc_real(n);
    fftw_complex *cout = fftw_alloc_complex(bins);
    fftw_plan r2c = fftw_plan_dft_r2c_1d(int(n), rin, cout, FFTW_ESTIMATE);
    fftw_plan c2r = fftw_plan_dft_c2r_1d(int(n), cout, rin, FFTW_ESTIMATE);
    for (int kind = 0; kind < 6; ++kind) {
      std::mt19937 rng(order * 17 + kind);
      std::vector<double> x(n);
      for (size_t j = 0; j < n; ++j) x[j] = Sample(kind, n, j, rng).real();
      // Forward reference, as a full packed vector.
      std::copy(x.begin(), x.end(), rin);
      fftw_execute(r2c);
      std::vector<cd> fwdRef(bins);
      for (size_t k = 0; k < bins; ++k) fwdRef[k] = cd(cout[k][0], cout[k][1]);
      // Inverse reference: the real signal behind the packed spectrum of x.
      for (size_t k = 0; k < bins; ++k) {
        cout[k][0] = fwdRef[k].real();
        cout[k][1] = (k == 0 || k == n / 2) ? 0.0 : fwdRef[k].imag();
      }
      fftw_execute(c2r);  // destroys cout, fills rin
      std::vector<cd> invRef(rin, rin + n);
      std::vector<double> perm(n);
      perm[0] = fwdRef[0].real();
      if (n > 1) perm[1] = fwdRef[n / 2].real();
      for (size_t k = 1; k < n / 2; ++k) {
        perm[2 * k] = fwdRef[k].real();
        perm[2 * k + 1] = fwdRef[k].imag();
      }
      for (int flag : kFlags) {
        void *setup = nullptr;
        ASSERT_EQ(uint32_t(KoPerfsFFTInitAlloc_R_64f(&setup, order, flag, 2)), kOk);
        int bytes = 0;
        KoPerfsFFTGetBufSize_R_64f(setup, &bytes);
        std::vector<BYTE> buf(bytes);
        std::vector<double> y = x;
        ASSERT_EQ(uint32_t(KoPerfsFFTFwd_RToPerm_64f_I(y.data(), setup, buf.data())), kOk);
        std::vector<cd> got(bins);
        got[0] = y[0];
        if (n > 1) got[n / 2] = y[1];
        for (size_t k = 1; k < n / 2; ++k) got[k] = cd(y[2 * k], y[2 * k + 1]);
        std::vector<cd> want = fwdRef;
        for (auto &v : want) v *= FlagScale(flag, n, false);
        EXPECT_LT(RelErr(got, want), 1e-12) << kSignals[kind] << ", order "
                                            << order << ", flag " << flag;
        std::vector<double> z = perm;
        ASSERT_EQ(uint32_t(KoPerfsFFTInv_PermToR_64f_I(z.data(), setup, buf.data())), kOk);
        want = invRef;
        for (auto &v : want) v *= FlagScale(flag, n, true);
        EXPECT_LT(RelErr(z, want), 1e-12) << kSignals[kind] << " inverse"
                                          << ", order " << order << ", flag " << flag;
        KoPerfsFFTFree_R_64f(setup);
      }
    }
    fftw_destroy_plan(r2c);
    fftw_destroy_plan(c2r);
    fftw_free(rin);
    fftw_free(cout);
  }
}

}  // namespace
