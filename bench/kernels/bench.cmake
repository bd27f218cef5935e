# Every form of every registered kernel, on the arguments of its case maker
# (the comparison test's own, tests/kernels).
file(GLOB ko_bench_kernel_cases ${CMAKE_SOURCE_DIR}/tests/kernels/cases_*.cpp)
ko_bench(kernels SOURCES kernels_bench.cpp)
target_sources(kobench_kernels PRIVATE ${CMAKE_SOURCE_DIR}/tests/kernels/kernel_cases.cpp ${ko_bench_kernel_cases})
target_include_directories(kobench_kernels PRIVATE ${CMAKE_SOURCE_DIR}/tests)
