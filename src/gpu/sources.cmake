# GPU offload: the OpenCL record and kernel sets, the image objects and the
# plug-in operations.
#
# ko_cl_program(<Set> <file.cl> [<file2.cl> ...]) stores a kernel set's program:
# the files (relative to the calling list file) are concatenated in order and
# encoded by tools/cl_encode.py into generated data compiled into the library;
# the build fails when the text would not fit the set's buffer. <Set> is one
# of Plugin, DibCopy, Interlace, Yuv (the names of ProgramSet).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KO_CL_BUFFER_Plugin 17121)
set(KO_CL_BUFFER_DibCopy 6829)
set(KO_CL_BUFFER_Interlace 2490)
set(KO_CL_BUFFER_Yuv 61088)
set(KO_CL_STORE ${CMAKE_CURRENT_LIST_DIR}/program_store.cpp)

function(ko_cl_program set)
  if(NOT DEFINED KO_CL_BUFFER_${set})
    message(FATAL_ERROR "ko_cl_program: unknown kernel set ${set}")
  endif()
  set(dir ${CMAKE_CURRENT_LIST_DIR})
  set(files)
  foreach(f ${ARGN})
    list(APPEND files ${dir}/${f})
  endforeach()
  set(out ${CMAKE_BINARY_DIR}/generated/gpu/cl_program_${set}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/gpu
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/cl_encode.py
            --set ${set} --size ${KO_CL_BUFFER_${set}} --out ${out} ${files}
    DEPENDS ${files} ${CMAKE_SOURCE_DIR}/tools/cl_encode.py
    COMMENT "Encoding the ${set} OpenCL program"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY KO_SRC_LIST ${out})
  set_property(SOURCE ${KO_CL_STORE} APPEND PROPERTY COMPILE_DEFINITIONS KO_CL_HAVE_${set})
endfunction()

ko_sources(PORTABLE cl_runtime.cpp program_store.cpp plugin.cpp filters_ocl.cpp)

ko_cl_program(Plugin cl/plugin_core.cl cl/plugin_filters.cl)

# Bitmap-copy and interlace sets.
ko_sources(PORTABLE dib_ocl.cpp interlace_ocl.cpp)
ko_cl_program(DibCopy cl/dibcopy.cl)
ko_cl_program(Interlace cl/interlace.cl)
ko_sources(PORTABLE yuv_ocl.cpp)
ko_cl_program(Yuv cl/yuv.cl)
