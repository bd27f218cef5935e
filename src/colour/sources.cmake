ko_sources(PORTABLE yuv_layout.cpp)
