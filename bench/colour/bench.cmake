ko_bench(colour SOURCES colour_bench.cpp LIBS yuv)
find_package(OpenMP REQUIRED)
target_link_libraries(kobench_colour PRIVATE OpenMP::OpenMP_CXX)
