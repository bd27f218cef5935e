ko_sources(WIN32 internet_win32.cpp)
ko_win32_libs(user32 shell32)
