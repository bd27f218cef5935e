ko_sources(WIN32 platform_win32.cpp POSIX platform_posix.cpp)
ko_sources(WIN32 fs_win32.cpp POSIX fs_posix.cpp)
ko_win32_libs(user32 gdi32)
ko_sources(WIN32 opencl_win32.cpp POSIX opencl_posix.cpp)
