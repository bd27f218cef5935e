ko_sources(PORTABLE yuv_layout.cpp yuv_frame.cpp yuv_convert.cpp colour_matrix.cpp colour_rows.cpp
                    colour_rows_sse2.cpp preview.cpp hsl.cpp yuv_repack.cpp
           AVX2 colour_rows_avx2.cpp)
if(WIN32)
  # MinGW may spill 32-byte registers to a 16-byte aligned stack.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/colour_rows_avx2.cpp
    PROPERTIES COMPILE_FLAGS "-Wa,-muse-unaligned-vector-move")
endif()
