# A short smoke of every fuzz target in the native suites: the target's own
# source is linked with a replay driver instead of libFuzzer (see
# replay_main.cpp) and fed its corpus plus deterministic mutations.
if(KO_TARGET STREQUAL "native")
  function(ko_fuzz name)
    cmake_parse_arguments(A "" "" "SOURCES" ${ARGN})
    set(files ${CMAKE_SOURCE_DIR}/tests/fuzzsmoke/replay_main.cpp)
    foreach(f ${A_SOURCES})
      # Only the target itself: the library comes from the static twin
      # (other sources, such as the tools' readers, are compiled in).
      if(NOT f MATCHES "^\\.\\./\\.\\./src/")
        list(APPEND files ${CMAKE_CURRENT_LIST_DIR}/${f})
      endif()
    endforeach()
    add_executable(kofuzzsmoke_${name} ${files})
    target_include_directories(kofuzzsmoke_${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
    target_link_libraries(kofuzzsmoke_${name} PRIVATE kokernel_static)
    add_test(NAME fuzzsmoke_${name}
      COMMAND kofuzzsmoke_${name} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name} 20000)
    set_tests_properties(fuzzsmoke_${name} PROPERTIES LABELS "${KO_TARGET}" TIMEOUT 600)
  endfunction()
  file(GLOB ko_fuzz_smoke_lists ${CMAKE_SOURCE_DIR}/fuzz/*/fuzz.cmake)
  list(SORT ko_fuzz_smoke_lists)
  foreach(f ${ko_fuzz_smoke_lists})
    include(${f})
  endforeach()
endif()
