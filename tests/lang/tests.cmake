# Language handles. Natively numbered strings find nothing; on Windows the
# tests load a host DLL whose string tables exist in English and German.
ko_test(lang SOURCES lang_test.cpp inat_test.cpp WIN32_SOURCES lang_win32_test.cpp
        POSIX_SOURCES inat_posix_test.cpp)
if(KO_TARGET STREQUAL "windows")
  enable_language(RC)
  add_library(kolang_testhost SHARED ${CMAKE_SOURCE_DIR}/tests/resource_only_dll.c
              ${CMAKE_CURRENT_LIST_DIR}/testhost.rc)
  set_target_properties(kolang_testhost PROPERTIES PREFIX "")
  target_link_options(kolang_testhost PRIVATE -static-libgcc)
  add_dependencies(kotest_lang kolang_testhost)
  target_link_libraries(kotest_lang PRIVATE ole32 advapi32 user32)
endif()

# Natively the internationals come from the C library's locale. The machine
# may have only the C locales installed, so a few real ones are compiled from
# the system's locale sources into the build tree (the test reads them through
# LOCPATH and fails when they could not be made).
if(NOT KO_TARGET STREQUAL "windows")
  find_program(KO_LOCALEDEF localedef)
  set(ko_locale_dir ${CMAKE_BINARY_DIR}/lang-locales)
  set(ko_locale_outputs)
  if(KO_LOCALEDEF)
    foreach(loc de_DE ru_RU)
      if(EXISTS /usr/share/i18n/locales/${loc})
        set(out ${ko_locale_dir}/${loc}.UTF-8/LC_NUMERIC)
        add_custom_command(OUTPUT ${out}
          COMMAND ${CMAKE_COMMAND} -E make_directory ${ko_locale_dir}
          COMMAND sh -c "${KO_LOCALEDEF} -c -i ${loc} -f UTF-8 ${ko_locale_dir}/${loc}.UTF-8 >/dev/null 2>&1 || test -f ${out}"
          COMMENT "Compiling the ${loc}.UTF-8 locale for the language tests" VERBATIM)
        list(APPEND ko_locale_outputs ${out})
      endif()
    endforeach()
  endif()
  if(ko_locale_outputs)
    add_custom_target(kolang_locales DEPENDS ${ko_locale_outputs})
    add_dependencies(kotest_lang kolang_locales)
  endif()
endif()
