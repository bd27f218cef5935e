# kodemo and kotool driven in the test's process, against the shipped library.
ko_test(tools SOURCES tools_test.cpp ../printf/started_library.cpp LIBS ko_kotool ko_kodemo DLL)
# The demo's device step compiles its kernels through pocl: its cache stays
# in the build tree.
if(TARGET kotest_tools)
  set_tests_properties(tools PROPERTIES ENVIRONMENT "POCL_CACHE_DIR=${CMAKE_BINARY_DIR}/pocl-cache")
endif()
