ko_sources(PORTABLE lang.cpp lang_inat.cpp lang_strings.cpp dlgtemplate.cpp respool.cpp
           WIN32 metric_win32.cpp lang_win32.cpp resources_win32.cpp menus_win32.cpp
           POSIX lang_posix.cpp)
ko_win32_libs(advapi32 ole32 user32 gdi32)
