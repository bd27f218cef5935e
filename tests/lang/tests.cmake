# Language handles. Natively numbered strings find nothing; on Windows the
# tests load a host DLL whose string tables exist in English and German.
ko_test(lang SOURCES lang_test.cpp inat_test.cpp WIN32_SOURCES lang_win32_test.cpp)
if(KO_TARGET STREQUAL "windows")
  enable_language(RC)
  add_library(kolang_testhost SHARED ${CMAKE_CURRENT_LIST_DIR}/testhost.c
              ${CMAKE_CURRENT_LIST_DIR}/testhost.rc)
  set_target_properties(kolang_testhost PROPERTIES PREFIX "")
  target_link_options(kolang_testhost PRIVATE -static-libgcc)
  add_dependencies(kotest_lang kolang_testhost)
  target_link_libraries(kotest_lang PRIVATE ole32 advapi32 user32)
endif()
