ko_sources(PORTABLE dib.cpp scale.cpp scale_sse2.cpp
           AVX2 scale_avx2.cpp)
