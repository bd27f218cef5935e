# The default-answer rule on both targets; real boxes and hooks under Wine.
if(KO_TARGET STREQUAL "windows")
  set(ko_msgbox_libs user32)
endif()
ko_test(msgbox SOURCES msgbox_test.cpp WIN32_SOURCES msgbox_win32_test.cpp LIBS ${ko_msgbox_libs})
