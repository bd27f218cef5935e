ko_sources(PORTABLE result_codes.cpp startup.cpp cpu.cpp clocks.cpp os_name.cpp kernel_forms.cpp
           WIN32 os_win32.cpp display_win32.cpp kernel_win32.cpp dllmain_win32.cpp
           POSIX entry_posix.cpp)
ko_win32_libs(version winmm gdi32 user32)
