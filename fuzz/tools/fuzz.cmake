# The tools' readers on any bytes: .y4m streams and BMP files. The readers'
# own source is compiled into each fuzzer so that libFuzzer sees it.
ko_fuzz(y4m SOURCES y4m_fuzz.cpp ../../tools/common/media_io.cpp)
ko_fuzz(bmp SOURCES bmp_fuzz.cpp ../../tools/common/media_io.cpp)
