ko_bench(imageops SOURCES imageops_bench.cpp LIBS yuv opencv_core opencv_imgproc)
target_include_directories(kobench_imageops SYSTEM PRIVATE /usr/include/opencv4)
target_compile_options(kobench_imageops PRIVATE -Wno-deprecated-enum-enum-conversion)
