# The install tree a host links against:
#   windows: bin/kokernel.dll, lib/kokernel.lib (import library),
#            lib/libkokernel.dll.a (the same, under MinGW's name), lib/kokernel.def
#   native:  lib/libkokernel.so
#   both:    include/kokernel/*.h, lib/cmake/kokernel (find_package(kokernel CONFIG)
#            gives kokernel::kokernel), native also lib/pkgconfig/kokernel.pc
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS kokernel EXPORT kokernelTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/kokernel
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

if(KO_TARGET STREQUAL "windows")
  install(FILES ${CMAKE_BINARY_DIR}/bin/kokernel.def DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES $<TARGET_LINKER_FILE:kokernel> DESTINATION ${CMAKE_INSTALL_LIBDIR}
          RENAME libkokernel.dll.a)
else()
  set(KO_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(KO_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/kokernel.pc.in ${CMAKE_BINARY_DIR}/kokernel.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/kokernel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

set(KO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kokernel)
install(EXPORT kokernelTargets NAMESPACE kokernel:: DESTINATION ${KO_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/kokernelConfig.cmake.in
  ${CMAKE_BINARY_DIR}/kokernelConfig.cmake INSTALL_DESTINATION ${KO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kokernelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/kokernelConfig.cmake ${CMAKE_BINARY_DIR}/kokernelConfigVersion.cmake
  DESTINATION ${KO_CMAKE_DIR})
