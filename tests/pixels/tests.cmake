ko_test(pixels SOURCES dib_test.cpp scale_test.cpp records_c.c)
ko_test(xchg SOURCES xchg_test.cpp xchg_copy_test.cpp)
# Comparisons with libyuv (native only).
ko_test(xchg_libyuv POSIX_SOURCES xchg_libyuv_test.cpp LIBS yuv)
ko_test(dibops SOURCES dibops_test.cpp)
