ko_test(headers SOURCES headers_test.cpp headers_c.c)
