# GUID text and token arithmetic in both targets; under Wine the token
# classes between two real processes (this program starts a second copy of
# itself as the peer) and COM with a small in-process test server.
if(KO_TARGET STREQUAL "windows")
  set(ko_process_libs ole32 advapi32 uuid)
endif()
ko_test(process SOURCES process_test.cpp
  WIN32_SOURCES tokens_win32_test.cpp com_win32_test.cpp LIBS ${ko_process_libs})

if(KO_TARGET STREQUAL "windows")
  enable_language(RC)
  # The test server, once with the self-registration mark and once without.
  foreach(kind comserver plainserver)
    if(kind STREQUAL "comserver")
      set(rc testserver_selfreg.rc)
    else()
      set(rc testserver_plain.rc)
    endif()
    add_library(kotest_${kind} SHARED ${CMAKE_CURRENT_LIST_DIR}/testserver.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/${rc})
    set_target_properties(kotest_${kind} PROPERTIES PREFIX "")
    target_include_directories(kotest_${kind} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(kotest_${kind} PRIVATE kokernel ko_settings ole32 uuid)
    add_dependencies(kotest_process kotest_${kind})
  endforeach()
endif()
