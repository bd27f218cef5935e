ko_sources(PORTABLE locale_settings.cpp)
ko_sources(PORTABLE printf.cpp printf_standard.cpp printf_tokens.cpp compose.cpp WIN32 printf_names_win32.cpp printf_win32.cpp POSIX printf_names_posix.cpp)
ko_win32_libs(user32)
