ko_test(imageops SOURCES gaussian_test.cpp composite_test.cpp)
