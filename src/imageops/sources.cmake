ko_sources(PORTABLE blend.cpp channels.cpp filters.cpp gaussian.cpp composite_rows.cpp
                    imageops_kernels.cpp rows_sse2.cpp
           AVX2 rows_avx2.cpp)

# Every form of a float row does the same arithmetic in the same order: no
# contraction into fused multiply-adds. MinGW's compiler may spill 32-byte
# registers to a stack that is only 16-byte aligned, so its assembler turns
# aligned vector moves into unaligned ones.
set(ko_imageops_kernel_flags "-ffp-contract=off")
if(WIN32)
  string(APPEND ko_imageops_kernel_flags " -Wa,-muse-unaligned-vector-move")
endif()
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/composite_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gaussian.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rows_sse2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rows_avx2.cpp
  PROPERTIES COMPILE_FLAGS "${ko_imageops_kernel_flags}")
