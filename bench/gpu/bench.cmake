# The OpenCL twins on pocl against their processor twins.
ko_bench(gpu_plugin SOURCES plugin_bench.cpp)
target_include_directories(kobench_gpu_plugin PRIVATE ${CMAKE_SOURCE_DIR}/tests)
ko_bench(gpu_filters SOURCES filters_bench.cpp)
target_include_directories(kobench_gpu_filters PRIVATE ${CMAKE_SOURCE_DIR}/tests)
ko_bench(gpu_dib SOURCES dib_bench.cpp)
target_include_directories(kobench_gpu_dib PRIVATE ${CMAKE_SOURCE_DIR}/tests)
ko_bench(gpu_yuv SOURCES yuv_bench.cpp)
target_include_directories(kobench_gpu_yuv PRIVATE ${CMAKE_SOURCE_DIR}/tests)
