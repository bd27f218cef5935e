ko_bench(gpu_yuv SOURCES yuv_bench.cpp)
