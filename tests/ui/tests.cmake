# Placement rules, colours and profile text on both targets; real windows,
# dialogs, fonts, profiles and the settings store under Wine.
ko_test(ui
  SOURCES placement_test.cpp colours_test.cpp
  WIN32_SOURCES ui_win32_test.cpp
  LIBS $<$<STREQUAL:${KO_TARGET},windows>:user32> $<$<STREQUAL:${KO_TARGET},windows>:gdi32>)
