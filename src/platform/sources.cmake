ko_sources(WIN32 platform_win32.cpp POSIX platform_posix.cpp)
