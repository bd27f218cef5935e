# The default-answer rule on both targets; real boxes and hooks under Wine,
# the custom box's link opening through the recording browser of the
# internet suite.
if(KO_TARGET STREQUAL "windows")
  set(ko_msgbox_libs user32 gdi32 oleaut32 advapi32)
endif()
ko_test(msgbox SOURCES msgbox_test.cpp WIN32_SOURCES msgbox_win32_test.cpp custom_win32_test.cpp
        LIBS ${ko_msgbox_libs})
if(KO_TARGET STREQUAL "windows")
  add_dependencies(kotest_msgbox kotest_urlrecorder)
  set_tests_properties(msgbox PROPERTIES TIMEOUT 300 RESOURCE_LOCK url_record
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\\;winemenubuilder.exe=d")
endif()
