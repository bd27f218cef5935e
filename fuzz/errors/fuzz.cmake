ko_fuzz(errors SOURCES errors_fuzz.cpp)
