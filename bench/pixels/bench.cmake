ko_bench(pixels SOURCES bench.cpp LIBS yuv opencv_core opencv_imgproc)
target_include_directories(kobench_pixels SYSTEM PRIVATE /usr/include/opencv4)
target_compile_options(kobench_pixels PRIVATE -Wno-deprecated-enum-enum-conversion)
ko_bench(xchg SOURCES xchg_bench.cpp LIBS yuv)
