if(KO_TARGET STREQUAL "windows")
  enable_language(RC)
endif()

ko_test(frame
  SOURCES result_codes_test.cpp cpu_test.cpp clocks_test.cpp startup_test.cpp
  WIN32_SOURCES frame_win32_test.cpp compat.rc)
# Start-up and shutdown through the shipped library.
ko_test(frame_dll DLL
  SOURCES frame_dll_test.cpp)

if(KO_TARGET STREQUAL "windows")
  # Small DLLs whose only content is a version resource.
  foreach(dll versioned notranslation)
    add_library(kotest_${dll} SHARED ${CMAKE_SOURCE_DIR}/tests/resource_only_dll.c
                                     ${CMAKE_CURRENT_LIST_DIR}/${dll}.rc)
    set_target_properties(kotest_${dll} PROPERTIES PREFIX "")
    target_link_options(kotest_${dll} PRIVATE -static-libgcc)
    add_dependencies(kotest_frame kotest_${dll})
  endforeach()
  # Started by the frame tests under pretended Windows versions.
  add_executable(kotest_frame_os ${CMAKE_CURRENT_LIST_DIR}/os_helper.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/compat.rc)
  target_link_libraries(kotest_frame_os PRIVATE kokernel_static)
  target_link_options(kotest_frame_os PRIVATE -municode)
  add_dependencies(kotest_frame kotest_frame_os)
endif()
