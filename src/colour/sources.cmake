ko_sources(PORTABLE yuv_layout.cpp yuv_frame.cpp yuv_convert.cpp colour_matrix.cpp colour_rows.cpp
                    colour_rows_sse2.cpp preview.cpp hsl.cpp yuv_repack.cpp
           AVX2 colour_rows_avx2.cpp)
# The float rows must do the same arithmetic in every form and in the
# general converters: no contraction into fused multiply-adds. MinGW may
# spill 32-byte registers to a 16-byte aligned stack.
set(ko_colour_flags "-ffp-contract=off")
if(WIN32)
  string(APPEND ko_colour_flags " -Wa,-muse-unaligned-vector-move")
endif()
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/colour_rows.cpp ${CMAKE_CURRENT_LIST_DIR}/colour_rows_sse2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colour_rows_avx2.cpp ${CMAKE_CURRENT_LIST_DIR}/yuv_convert.cpp
  PROPERTIES COMPILE_FLAGS "${ko_colour_flags}")
