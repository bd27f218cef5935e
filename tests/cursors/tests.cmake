# The cursor walk on both targets; real cursor handles under Wine.
if(KO_TARGET STREQUAL "windows")
  set(ko_cursor_libs user32 gdi32)
endif()
ko_test(cursors
  SOURCES cursors_test.cpp
  WIN32_SOURCES cursors_win32_test.cpp
  LIBS ${ko_cursor_libs})
