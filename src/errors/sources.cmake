ko_sources(PORTABLE error_tables.cpp error_texts.cpp error_details.cpp error_dump.cpp
           WIN32 error_alloc_win32.cpp
           POSIX error_alloc_posix.cpp)
ko_win32_libs(oleaut32)
ko_sources(PORTABLE msgbox_buttons.cpp WIN32 msgbox_win32.cpp msgbox_custom_win32.cpp errorbox_win32.cpp)
