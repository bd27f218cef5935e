ko_sources(PORTABLE paths.cpp files.cpp ellipsis.cpp
           WIN32 files_win32.cpp folders_win32.cpp)
ko_win32_libs(shell32 advapi32 user32 gdi32)
