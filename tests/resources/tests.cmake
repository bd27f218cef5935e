# Resources and dialog templates: building, mapping and pools natively; under
# Wine also a test module with dialogs, menus, data and an icon in English
# and German, and the .res the same compiler makes of it as a resource pool.
ko_test(resources SOURCES templates_test.cpp WIN32_SOURCES resources_win32_test.cpp ../printf/started_library.cpp)
target_include_directories(kotest_resources PRIVATE ${CMAKE_SOURCE_DIR}/src)
if(KO_TARGET STREQUAL "windows")
  enable_language(RC)
  add_library(kores_testhost SHARED ${CMAKE_SOURCE_DIR}/tests/resource_only_dll.c
              ${CMAKE_CURRENT_LIST_DIR}/testhost.rc)
  set_target_properties(kores_testhost PROPERTIES PREFIX "")
  target_link_options(kores_testhost PRIVATE -static-libgcc)
  set(ko_res_pool ${CMAKE_BINARY_DIR}/bin/kores_pool.res)
  add_custom_command(OUTPUT ${ko_res_pool}
    COMMAND ${CMAKE_RC_COMPILER} -O res -I ${CMAKE_CURRENT_LIST_DIR}
            ${CMAKE_CURRENT_LIST_DIR}/testhost.rc ${ko_res_pool}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/testhost.rc ${CMAKE_CURRENT_LIST_DIR}/testicon.ico
            ${CMAKE_CURRENT_LIST_DIR}/testlogo.bmp
    COMMENT "Compiling the resource pool of the resource tests" VERBATIM)
  add_custom_target(kores_pool DEPENDS ${ko_res_pool})
  add_dependencies(kotest_resources kores_testhost kores_pool)
  target_link_libraries(kotest_resources PRIVATE user32 gdi32 comctl32)
endif()
