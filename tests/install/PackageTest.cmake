# Builds the Debian package with CPack and checks what it holds and declares:
# the program's tree under /usr/lib/mkpkg, the launcher, manual page, completion,
# copyright and changelog in the system's places and nothing else, the runtime
# libraries in Depends, and the version the program's banner names. Given
# LINTIAN, it checks the package with it instead: no error, warning or note.
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DCPACK=<cpack> [-DLINTIAN=<lintian>] -P PackageTest.cmake
foreach(var BUILD_DIR WORK_DIR CPACK)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
find_program(DPKG_DEB dpkg-deb REQUIRED)

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB deb "${WORK_DIR}/*.deb")
if(NOT status EQUAL 0 OR NOT deb)
  message(FATAL_ERROR "cpack -G DEB: status ${status}\n${output}")
endif()

if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --info --pedantic "${deb}" OUTPUT_VARIABLE report ERROR_VARIABLE ignored)
  if(report MATCHES "(^|\n)[EWIPX]: ")
    message(FATAL_ERROR "lintian on ${deb}:\n${report}")
  endif()
  message(STATUS "lintian on ${deb}: nothing to report")
  return()
endif()

function(deb_query result option)
  execute_process(COMMAND "${DPKG_DEB}" ${option} "${deb}" ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE text)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb ${option} ${ARGN}: status ${status}")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The file list, without directories: "<mode> <owner> <size> <date> <time> ./<path>".
deb_query(listing -c)
string(REGEX MATCHALL "\\./[^\n]*[^/\n]\n" files "${listing}")
string(REPLACE "\n" "" files "${files}")
set(expected ./usr/lib/mkpkg/bin/mkpkg ./usr/bin/mkpkg ./usr/share/man/man1/mkpkg.1.gz
  ./usr/share/bash-completion/completions/mkpkg ./usr/share/doc/mkpkg/copyright
  ./usr/share/doc/mkpkg/changelog.gz)
foreach(file ${expected})
  list(FIND files "${file}" index)
  if(index LESS 0)
    message(FATAL_ERROR "the package lacks ${file}:\n${listing}")
  endif()
endforeach()
list(REMOVE_ITEM files ${expected})
list(FILTER files EXCLUDE REGEX "^\\./usr/lib/mkpkg/targets/")
if(files)
  message(FATAL_ERROR "unexpected files in the package: ${files}")
endif()

deb_query(depends -f Depends)
foreach(library libc6 zlib1g)
  if(NOT depends MATCHES "(^|, )${library}( |,|$)")
    message(FATAL_ERROR "Depends lacks ${library}: ${depends}")
  endif()
endforeach()

# The launcher starts the packaged program by its full path.
execute_process(COMMAND "${DPKG_DEB}" --fsys-tarfile "${deb}"
  COMMAND tar -xOf - ./usr/bin/mkpkg OUTPUT_VARIABLE launcher)
if(NOT launcher MATCHES "\nexec \"/usr/lib/mkpkg/bin/mkpkg\" \"\\$@\"\n$")
  message(FATAL_ERROR "the launcher does not start /usr/lib/mkpkg/bin/mkpkg:\n${launcher}")
endif()

deb_query(version -f Version)
string(STRIP "${version}" version)
string(REPLACE "." "\\." version_pattern "${version}")
execute_process(COMMAND "${BUILD_DIR}/bin/mkpkg" -V OUTPUT_VARIABLE banner)
if(NOT banner MATCHES " - Release ${version_pattern}\\.")
  message(FATAL_ERROR "package version ${version}, but the program says: ${banner}")
endif()
message(STATUS "${deb}: Depends: ${depends}")
