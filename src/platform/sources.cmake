ko_sources(WIN32 platform_win32.cpp POSIX platform_posix.cpp)
ko_sources(WIN32 fs_win32.cpp POSIX fs_posix.cpp)
