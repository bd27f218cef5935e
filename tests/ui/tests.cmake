# Placement rules, colours and profile text on both targets; real windows,
# dialog controls, fonts, profiles and the settings store under Wine.
if(KO_TARGET STREQUAL "windows")
  set(ko_ui_libs user32 gdi32 advapi32 ole32)
endif()
ko_test(ui
  SOURCES placement_test.cpp colours_test.cpp
  WIN32_SOURCES ui_win32_test.cpp
  LIBS ${ko_ui_libs})
if(KO_TARGET STREQUAL "windows")
  # The application kernel whose colour functions the take-over reaches.
  add_library(kotest_uihost SHARED ${CMAKE_CURRENT_LIST_DIR}/uihost.c)
  set_target_properties(kotest_uihost PROPERTIES PREFIX "")
  target_link_options(kotest_uihost PRIVATE -static-libgcc)
  add_dependencies(kotest_ui kotest_uihost)
endif()
