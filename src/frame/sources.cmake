ko_sources(PORTABLE result_codes.cpp)
