ko_sources(PORTABLE dib.cpp scale.cpp scale_sse2.cpp
           AVX2 scale_avx2.cpp)
ko_sources(PORTABLE dibops.cpp dibops_fields.cpp dibops_quantize.cpp dibops_fill.cpp)
