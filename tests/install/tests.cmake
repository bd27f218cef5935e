# A host built from the installed tree alone, in each target.
add_test(NAME install
  COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSOURCE=${CMAKE_SOURCE_DIR}
          -DKIND=${KO_TARGET} -DSANITIZE=${KO_SANITIZE} -P ${CMAKE_CURRENT_LIST_DIR}/install_test.cmake)
set_tests_properties(install PROPERTIES LABELS "${KO_TARGET}" TIMEOUT 600 RUN_SERIAL TRUE)
