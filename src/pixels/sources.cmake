ko_sources(PORTABLE dib.cpp scale.cpp scale_sse2.cpp
           AVX2 scale_avx2.cpp)
ko_sources(PORTABLE xchg.cpp xchg_curve.cpp xchg_mix.cpp xchg_quant.cpp xchg_copy.cpp xchg_rows.cpp
           AVX2 xchg_rows_avx2.cpp)
ko_sources(PORTABLE dibops.cpp dibops_fields.cpp dibops_quantize.cpp dibops_fill.cpp)
