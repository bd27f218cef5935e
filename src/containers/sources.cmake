ko_sources(PORTABLE kolist.cpp kolist_sort.cpp
           WIN32 readable_win32.cpp
           POSIX readable_posix.cpp)
