# Path and file utilities: path text natively and under Wine, file-system work
# in a temporary folder, and Wine's own functions as peers.
ko_test(files SOURCES paths_test.cpp files_test.cpp WIN32_SOURCES files_win32_test.cpp POSIX_SOURCES files_posix_test.cpp
        LIBS $<$<STREQUAL:${KO_TARGET},windows>:shlwapi> $<$<STREQUAL:${KO_TARGET},windows>:shell32>)
target_include_directories(kotest_files PRIVATE ${CMAKE_SOURCE_DIR}/src)
