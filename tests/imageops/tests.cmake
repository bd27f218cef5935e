ko_test(imageops SOURCES gaussian_test.cpp)
