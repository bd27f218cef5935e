ko_test(pixels SOURCES dib_test.cpp scale_test.cpp records_c.c)
ko_test(dibops SOURCES dibops_test.cpp)
