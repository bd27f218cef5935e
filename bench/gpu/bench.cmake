# The OpenCL twins on pocl against their processor twins.
ko_bench(gpu_plugin SOURCES plugin_bench.cpp)
target_include_directories(kobench_gpu_plugin PRIVATE ${CMAKE_SOURCE_DIR}/tests)
ko_bench(gpu_yuv SOURCES yuv_bench.cpp)
target_include_directories(kobench_gpu_yuv PRIVATE ${CMAKE_SOURCE_DIR}/tests)
