ko_fuzz(cursors SOURCES cursors_fuzz.cpp)
