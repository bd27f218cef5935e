# The shipped library exports exactly the names listed in exports/*.txt.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME exports
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_exports.py
          $<TARGET_FILE:kokernel> ${CMAKE_SOURCE_DIR}/exports)
set_tests_properties(exports PROPERTIES LABELS "${KO_TARGET}")
