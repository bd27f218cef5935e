# GPU suites: each runs its OpenCL kernels on pocl against the processor
# twins. ko_gpu_test(<name> SOURCES ...) is ko_test with the leak checker
# told about the OpenCL runtime's own allocations (tests/gpu/lsan.supp,
# pocl and ocl-icd frames only).
function(ko_gpu_test name)
  ko_test(${name} ${ARGN})
  if(TARGET kotest_${name} AND KO_TARGET STREQUAL "native")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_FUNCTION_LIST_DIR}/lsan.supp:print_suppressions=0")
  endif()
endfunction()

ko_gpu_test(gpu_plugin SOURCES plugin_test.cpp)
ko_gpu_test(gpu_yuv SOURCES yuv_test.cpp)
