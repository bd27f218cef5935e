# Installs the build tree into a fresh prefix, builds a tiny host against
# that prefix only (find_package(kokernel CONFIG); natively also through
# pkg-config) and runs it (under Wine for the windows target).
#   -DBUILD=<build tree> -DSOURCE=<source tree> -DKIND=windows|native
#   [-DSANITIZE=ON]  the library was built with the sanitizers: so is the host
set(work ${BUILD}/install-test)
file(REMOVE_RECURSE ${work})
set(prefix ${work}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})

if(KIND STREQUAL "windows")
  foreach(f bin/kokernel.dll lib/kokernel.lib lib/libkokernel.dll.a lib/kokernel.def
            include/kokernel/kokernel.h lib/cmake/kokernel/kokernelConfig.cmake)
    if(NOT EXISTS ${prefix}/${f})
      message(FATAL_ERROR "the install tree lacks ${f}")
    endif()
  endforeach()
  # A cross build searches packages only below its sysroot: name the
  # package folder, as a cross-building host does.
  set(extra -DCMAKE_TOOLCHAIN_FILE=${SOURCE}/cmake/toolchain-mingw64.cmake
            -Dkokernel_DIR=${prefix}/lib/cmake/kokernel)
elseif(SANITIZE)
  set(san -fsanitize=address,undefined)
  set(extra "-DCMAKE_C_FLAGS=${san}" "-DCMAKE_EXE_LINKER_FLAGS=${san}")
else()
  set(extra)
endif()
run(${CMAKE_COMMAND} -S ${SOURCE}/tests/install/host -B ${work}/host -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release ${extra})
run(${CMAKE_COMMAND} --build ${work}/host)

if(KIND STREQUAL "windows")
  # The host finds the DLL beside itself, as shipped hosts do.
  file(COPY ${prefix}/bin/kokernel.dll DESTINATION ${work}/host)
  set(ENV{KO_WINEPREFIX} ${BUILD}/wineprefix)
  run(${SOURCE}/tools/wine-run ${work}/host/kohost.exe)
else()
  run(${work}/host/kohost)
  # pkg-config: compile and link the same host from the .pc file alone.
  set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
  run(pkg-config --cflags --libs kokernel)
  string(STRIP "${last_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(cc ${san} ${SOURCE}/tests/install/host/host.c ${flags} -Wl,-rpath,${prefix}/lib -o ${work}/kohost_pc)
  run(${work}/kohost_pc)
endif()
string(STRIP "${last_output}" said)
message(STATUS "installed host: ${said}")
