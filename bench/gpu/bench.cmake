ko_bench(gpu_dib SOURCES dib_bench.cpp)
