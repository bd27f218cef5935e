ko_bench(printf SOURCES printf_bench.cpp)
