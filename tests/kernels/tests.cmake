# Every registered kernel form against its reference. Case makers live in
# cases_*.cpp beside the harness; the benchmark harness compiles the same.
file(GLOB ko_kernel_cases RELATIVE ${CMAKE_CURRENT_LIST_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/cases_*.cpp)
ko_test(kernels SOURCES kernels_test.cpp kernel_cases.cpp ${ko_kernel_cases})
