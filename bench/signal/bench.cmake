ko_bench(signal SOURCES bench_signal.cpp LIBS fftw3 fftw3f)
