ko_test(printf
  SOURCES started_library.cpp printf_engine_test.cpp
  POSIX_SOURCES printf_glibc_test.cpp
  WIN32_SOURCES printf_window_test.cpp compose_formatmessage_test.cpp)
