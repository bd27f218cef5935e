ko_fuzz(yuv SOURCES yuv_fuzz.cpp)
