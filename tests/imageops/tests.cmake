ko_test(imageops SOURCES gaussian_test.cpp composite_test.cpp channels_test.cpp filters_test.cpp)
# Beside libyuv and OpenCV (native only).
ko_test(imageops_peers POSIX_SOURCES peers_test.cpp LIBS yuv opencv_core opencv_imgproc)
if(TARGET kotest_imageops_peers)
  target_include_directories(kotest_imageops_peers SYSTEM PRIVATE /usr/include/opencv4)
endif()
