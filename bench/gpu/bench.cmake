ko_bench(gpu_filters SOURCES filters_bench.cpp)
