ko_test(frame SOURCES result_codes_test.cpp)
