ko_test(headers SOURCES headers_test.cpp headers_c.c)
# Each public header on its own, as C and as C++: a header that leans on
# another one its user may not have included fails the build here.
file(GLOB ko_public_headers RELATIVE ${CMAKE_SOURCE_DIR}/include/kokernel
     ${CMAKE_SOURCE_DIR}/include/kokernel/*.h)
set(ko_alone_sources)
foreach(h ${ko_public_headers})
  string(REPLACE "." "_" stem ${h})
  foreach(ext c cpp)
    set(f ${CMAKE_CURRENT_BINARY_DIR}/alone/${stem}.${ext})
    file(CONFIGURE OUTPUT ${f} CONTENT "#include \"kokernel/${h}\"\n")
    list(APPEND ko_alone_sources ${f})
  endforeach()
endforeach()
if(TARGET kotest_headers)
  target_sources(kotest_headers PRIVATE ${ko_alone_sources})
endif()
set_source_files_properties(${ko_alone_sources} PROPERTIES COMPILE_OPTIONS -Werror)
