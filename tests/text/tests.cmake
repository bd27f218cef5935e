ko_test(numbers SOURCES numbers_test.cpp WIN32_SOURCES numbers_win32_test.cpp)
ko_test(smpte SOURCES smpte_test.cpp)
