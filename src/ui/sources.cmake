ko_sources(PORTABLE colours.cpp profile_text.cpp placement.cpp cursors.cpp cursor_art.cpp
           WIN32 fonts_win32.cpp profile_win32.cpp placement_win32.cpp dialogs_win32.cpp
           cursors_win32.cpp)
ko_win32_libs(user32 gdi32)
