# Mail and pages under Wine, each through a recorder: a MAPI32.DLL beside the
# test program, and a browser registered as the http/https handler of the
# test prefix. The second run disables every MAPI32.DLL: no mail program.
if(KO_TARGET STREQUAL "windows")
  ko_test(internet WIN32_SOURCES internet_win32_test.cpp LIBS user32 shell32 advapi32)
  add_library(kotest_mapi SHARED ${CMAKE_CURRENT_LIST_DIR}/mapi_recorder.c)
  set_target_properties(kotest_mapi PROPERTIES PREFIX "" OUTPUT_NAME MAPI32)
  target_link_options(kotest_mapi PRIVATE -static-libgcc)
  add_executable(kotest_urlrecorder ${CMAKE_CURRENT_LIST_DIR}/url_recorder.c)
  add_dependencies(kotest_internet kotest_mapi kotest_urlrecorder)
  set(ko_wine_dlls "mscoree,mshtml=\\;winemenubuilder.exe=d")
  # The recording browser writes one file beside the programs: the suites
  # that open pages take turns with it.
  set_tests_properties(internet PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=${ko_wine_dlls}\\;mapi32=n"
    RESOURCE_LOCK url_record)
  add_test(NAME internet_nomail COMMAND kotest_internet --gtest_brief=1 --gtest_filter=InternetMail*)
  set_tests_properties(internet_nomail PROPERTIES LABELS "${KO_TARGET}" TIMEOUT 300
    ENVIRONMENT "WINEDLLOVERRIDES=${ko_wine_dlls}\\;mapi32=;KO_EXPECT_NO_MAIL=1")
endif()
