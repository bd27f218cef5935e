# GPU suites: each runs its OpenCL kernels on pocl against the processor
# twins. ko_gpu_test(<name> SOURCES ...) is ko_test with pocl's kernel cache
# kept in the build tree, not shared with other trees building at the same
# time.
# Natively the leak checker is told about pocl's own blocks (lsan.supp).
set(KO_GPU_TEST_ENV "POCL_CACHE_DIR=${CMAKE_BINARY_DIR}/pocl-cache")
if(KO_TARGET STREQUAL "native")
  list(APPEND KO_GPU_TEST_ENV
    "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0")
endif()
function(ko_gpu_test name)
  ko_test(${name} ${ARGN})
  if(TARGET kotest_${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${KO_GPU_TEST_ENV}")
  endif()
endfunction()

ko_gpu_test(gpu_plugin SOURCES plugin_test.cpp)
ko_gpu_test(gpu_dib SOURCES dib_test.cpp)
ko_gpu_test(gpu_yuv SOURCES yuv_test.cpp)

# The build step refuses a program text that would not fit its set's buffer.
add_test(NAME gpu_cl_encode_limit
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/cl_encode.py --set Plugin --size 100
          --out ${CMAKE_CURRENT_BINARY_DIR}/cl_encode_limit.cpp
          ${CMAKE_SOURCE_DIR}/src/gpu/cl/plugin_core.cl)
set_tests_properties(gpu_cl_encode_limit PROPERTIES LABELS "${KO_TARGET}"
  PASS_REGULAR_EXPRESSION "bytes with its zero, more than its 100-byte buffer")
