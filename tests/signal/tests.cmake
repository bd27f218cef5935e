ko_test(signal SOURCES vectors_test.cpp fft_test.cpp image_fft_test.cpp)
# Comparisons with FFTW (native only).
ko_test(signal_fftw POSIX_SOURCES fftw_test.cpp LIBS fftw3 fftw3f)
