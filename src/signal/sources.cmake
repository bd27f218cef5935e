ko_sources(PORTABLE dispatch.cpp fft.cpp vectors.cpp image_fft.cpp
                    kernels_generic.cpp kernels_sse2.cpp
           WIN32 fpu_win32.cpp
           POSIX fpu_posix.cpp
           AVX2 kernels_avx2.cpp)

# The kernels of every path must run the same arithmetic: no contraction
# into fused multiply-adds, and no auto-vectorisation (the complex-multiply
# patterns of the vectoriser fuse even when contraction is off). MinGW's compiler may spill 32-byte registers to
# a stack that is only 16-byte aligned, so its assembler turns aligned
# vector moves into unaligned ones.
set(ko_signal_kernel_flags "-ffp-contract=off -fno-tree-vectorize")
if(WIN32)
  string(APPEND ko_signal_kernel_flags " -Wa,-muse-unaligned-vector-move")
endif()
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/kernels_generic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernels_sse2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kernels_avx2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fft.cpp
  PROPERTIES COMPILE_FLAGS "${ko_signal_kernel_flags}")
