# MSVC hosts: the MSVC names of the C++ exports, and a host built by clang in
# MSVC mode and lld-link against the import library (windows target only).
if(NOT KO_TARGET STREQUAL "windows")
  return()
endif()
ko_test(msvc_names WIN32_SOURCES names_test.cpp DLL)
target_include_directories(kotest_msvc_names PRIVATE ${KO_MSVC_DIR})
add_dependencies(kotest_msvc_names ko_msvc_names)

find_program(KO_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
set(ko_host ${CMAKE_BINARY_DIR}/bin/kohost_msvc.exe)
set(ko_host_obj ${CMAKE_CURRENT_BINARY_DIR}/kohost_msvc.obj)
set(ko_mingw_lib /usr/x86_64-w64-mingw32/lib)
add_custom_command(
  OUTPUT ${ko_host}
  COMMAND ${KO_CLANGXX} ${KO_MSVC_CLANG_FLAGS} -O2 -fno-exceptions -fno-rtti
          -fno-stack-protector -c ${CMAKE_CURRENT_LIST_DIR}/host.cpp -o ${ko_host_obj}
  COMMAND ${KO_LLD_LINK} /nologo /out:${ko_host} /entry:ko_host_main /subsystem:console
          /nodefaultlib ${ko_host_obj} $<TARGET_LINKER_FILE:kokernel>
          ${ko_mingw_lib}/libkernel32.a ${ko_mingw_lib}/libmsvcrt.a
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/host.cpp kokernel ${ko_msvc_headers}
  COMMENT "MSVC-mode host (clang, lld-link)"
  VERBATIM)
add_custom_target(kohost_msvc ALL DEPENDS ${ko_host})
add_test(NAME msvc_host COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run ${ko_host})
set_tests_properties(msvc_host PROPERTIES LABELS "${KO_TARGET}" TIMEOUT 300)
