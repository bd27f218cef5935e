# Error texts, composed messages, details and dumps. The English texts of the
# built-in tables are read from english_texts.txt beside the test program;
# a small library stands in for the fault reporter.
ko_test(errors SOURCES texts_test.cpp compose_test.cpp dump_test.cpp
        WIN32_SOURCES errors_win32_test.cpp)
ko_test(errors_tables SOURCES tables_test.cpp)
configure_file(${CMAKE_CURRENT_LIST_DIR}/english_texts.txt
               ${CMAKE_BINARY_DIR}/bin/errors_english_texts.txt COPYONLY)
add_library(kotest_crashledger SHARED ${CMAKE_CURRENT_LIST_DIR}/crashledger.c)
set_target_properties(kotest_crashledger PROPERTIES PREFIX "" C_VISIBILITY_PRESET hidden)
if(KO_TARGET STREQUAL "windows")
  target_link_options(kotest_crashledger PRIVATE -static-libgcc)
endif()
add_dependencies(kotest_errors kotest_crashledger)
