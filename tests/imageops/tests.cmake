ko_test(imageops SOURCES gaussian_test.cpp composite_test.cpp channels_test.cpp filters_test.cpp)
