# MSVC names for the C++ exports of kokernel.dll.
#
# tools/msvc_exports.py reads the C++ exports from the public headers and
# asks clang, in MinGW and in MSVC mode, for the name of each. Its .def file
# aliases every MSVC name to the MinGW symbol; constructors get small
# wrappers instead (an MSVC constructor returns `this`). Both go into the
# DLL's link, so the import library carries the MSVC names too.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KO_CLANGXX NAMES clang++ clang++-14 REQUIRED)
# What the tools pass to clang for MSVC mode: the MinGW-w64 Win32 headers
# declare the same types as the Windows SDK and parse with the GNU dialect on.
set(KO_MSVC_CLANG_FLAGS --target=x86_64-pc-windows-msvc -std=c++20 -fms-extensions
    -fgnuc-version=4.2.1 -isystem /usr/x86_64-w64-mingw32/include
    -I${CMAKE_SOURCE_DIR}/include -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00)
file(GLOB ko_msvc_headers ${CMAKE_SOURCE_DIR}/include/kokernel/*.h)
set(KO_MSVC_DIR ${CMAKE_BINARY_DIR}/msvc)
set(KO_MSVC_DEF ${KO_MSVC_DIR}/kokernel_msvc.def)
set(KO_MSVC_WRAPPERS ${KO_MSVC_DIR}/msvc_constructors.cpp)
set(KO_MSVC_TABLE ${KO_MSVC_DIR}/msvc_names.inc)
add_custom_command(
  OUTPUT ${KO_MSVC_DEF} ${KO_MSVC_WRAPPERS} ${KO_MSVC_TABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KO_MSVC_DIR}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/msvc_exports.py
          --clang ${KO_CLANGXX} --include ${CMAKE_SOURCE_DIR}/include
          --def ${KO_MSVC_DEF} --wrappers ${KO_MSVC_WRAPPERS} --table ${KO_MSVC_TABLE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/msvc_exports.py ${ko_msvc_headers}
  COMMENT "MSVC names of the C++ exports"
  VERBATIM)
add_custom_target(ko_msvc_names DEPENDS ${KO_MSVC_DEF} ${KO_MSVC_WRAPPERS} ${KO_MSVC_TABLE})
target_sources(kokernel PRIVATE ${KO_MSVC_WRAPPERS} ${KO_MSVC_DEF})
set_source_files_properties(${KO_MSVC_WRAPPERS} PROPERTIES COMPILE_DEFINITIONS KOKERNEL_BUILD_DLL)
