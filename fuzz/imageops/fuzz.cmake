ko_fuzz(imageops_args SOURCES imageops_fuzz.cpp)
