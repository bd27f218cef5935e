ko_test(printf
  SOURCES printf_engine_test.cpp compose_test.cpp
  POSIX_SOURCES printf_glibc_test.cpp
  WIN32_SOURCES printf_window_test.cpp compose_formatmessage_test.cpp)
