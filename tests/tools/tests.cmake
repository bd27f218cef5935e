# kodemo and kotool driven in the test's process, against the shipped library.
ko_test(tools SOURCES tools_test.cpp ../printf/started_library.cpp LIBS ko_kotool ko_kodemo DLL)
# The demo's device step loads the system's OpenCL runtime, whose own
# allocations live as long as the process.
if(TARGET kotest_tools AND KO_TARGET STREQUAL "native")
  set_tests_properties(tools PROPERTIES ENVIRONMENT
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/gpu/lsan.supp:print_suppressions=0;POCL_CACHE_DIR=${CMAKE_BINARY_DIR}/pocl-cache")
endif()
