ko_sources(PORTABLE dib.cpp scale.cpp scale_plan.cpp scale_export.cpp scale_refs.cpp scale_sse2.cpp
           AVX2 scale_avx2.cpp)

# The float rows of the scalers must do the same arithmetic on every path:
# no contraction into fused multiply-adds. MinGW's compiler may spill 32-byte
# registers to a stack that is only 16-byte aligned, so its assembler turns
# aligned vector moves into unaligned ones.
set(ko_scale_kernel_flags "-ffp-contract=off")
if(WIN32)
  string(APPEND ko_scale_kernel_flags " -Wa,-muse-unaligned-vector-move")
endif()
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/scale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_refs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_sse2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_avx2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xchg_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xchg_rows_avx2.cpp
  PROPERTIES COMPILE_FLAGS "${ko_scale_kernel_flags}")
ko_sources(PORTABLE xchg.cpp xchg_curve.cpp xchg_mix.cpp xchg_quant.cpp xchg_copy.cpp xchg_rows.cpp
           AVX2 xchg_rows_avx2.cpp)
ko_sources(PORTABLE dibops.cpp dibops_fields.cpp dibops_quantize.cpp dibops_fill.cpp)
