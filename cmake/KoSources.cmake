# Helpers that let every subsystem list its own sources in
# src/<subsystem>/sources.cmake without touching the top-level file:
#
#   ko_sources(PORTABLE a.cpp b.cpp      # both targets
#              WIN32 a_win32.cpp         # windows target only
#              POSIX a_posix.cpp         # native target only
#              AVX2 a_avx2.cpp)          # both targets, compiled for AVX2+FMA
#   ko_win32_libs(gdi32 version winmm)   # system libraries the DLL imports

set_property(GLOBAL PROPERTY KO_SRC_LIST "")
set_property(GLOBAL PROPERTY KO_AVX2_LIST "")
set_property(GLOBAL PROPERTY KO_WIN32_LIB_LIST "")

function(ko_sources)
  cmake_parse_arguments(A "" "" "PORTABLE;WIN32;POSIX;AVX2" ${ARGN})
  set(dir ${CMAKE_CURRENT_LIST_DIR})
  set(files ${A_PORTABLE} ${A_AVX2})
  if(WIN32)
    list(APPEND files ${A_WIN32})
  else()
    list(APPEND files ${A_POSIX})
  endif()
  foreach(f ${files})
    set_property(GLOBAL APPEND PROPERTY KO_SRC_LIST ${dir}/${f})
  endforeach()
  foreach(f ${A_AVX2})
    set_property(GLOBAL APPEND PROPERTY KO_AVX2_LIST ${dir}/${f})
  endforeach()
endfunction()

function(ko_win32_libs)
  set_property(GLOBAL APPEND PROPERTY KO_WIN32_LIB_LIST ${ARGN})
endfunction()

macro(ko_collect_sources out)
  get_property(${out} GLOBAL PROPERTY KO_SRC_LIST)
  get_property(KO_WIN32_LIBS GLOBAL PROPERTY KO_WIN32_LIB_LIST)
  if(KO_WIN32_LIBS)
    list(REMOVE_DUPLICATES KO_WIN32_LIBS)
  endif()
endmacro()

function(ko_apply_source_flags)
  get_property(avx2 GLOBAL PROPERTY KO_AVX2_LIST)
  if(avx2)
    set_source_files_properties(${avx2} TARGET_DIRECTORY kokernel_objs
      PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma")
  endif()
endfunction()
