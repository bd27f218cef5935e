ko_test(colour SOURCES preview_test.cpp yuv_test.cpp hsl_test.cpp)
# Comparisons with libyuv and swscale (native only).
ko_test(colour_libyuv POSIX_SOURCES libyuv_test.cpp swscale_test.cpp LIBS yuv swscale avutil)
