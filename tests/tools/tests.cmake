# kodemo and kotool driven in the test's process, against the shipped library.
ko_test(tools SOURCES tools_test.cpp ../printf/started_library.cpp LIBS ko_kotool ko_kodemo DLL)
# The demo's device step compiles its kernels through pocl (the GPU suites'
# environment: its cache in the build tree, its own blocks known to the
# leak checker).
if(TARGET kotest_tools)
  set_tests_properties(tools PROPERTIES ENVIRONMENT "${KO_GPU_TEST_ENV}")
endif()
