# Installs the build into a scratch prefix and packages a copy of every example
# solution three ways, as users would: with the installed program started by its
# path, with it started as a bare `mkpkg` through the Debian package's launcher
# on PATH, and with the build's own program. All three must write the same bytes.
#   cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DWORK_DIR=<scratch> -P InstallTest.cmake
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/home" "${WORK_DIR}/tree")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file bin/mkpkg targets/project_templates.xml share/man/man1/mkpkg.1
    share/bash-completion/completions/mkpkg)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "the installation lacks ${file}")
  endif()
endforeach()
# Only the Debian package puts a launcher on PATH; an installation never writes outside its prefix.
file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
list(FILTER installed EXCLUDE REGEX "^(bin/mkpkg|targets/.*|share/man/man1/mkpkg\\.1|share/bash-completion/completions/mkpkg)$")
if(installed)
  message(FATAL_ERROR "unexpected installed files: ${installed}")
endif()

# The package's launcher, made for this prefix, in a directory put first on PATH.
set(MKPKG_LAUNCH_TARGET "${prefix}/bin/mkpkg")
configure_file("${SOURCE_DIR}/cmake/launcher.sh.in" "${WORK_DIR}/path/mkpkg" @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# The program reads and writes the user's data under HOME: keep it in the scratch directory.
set(env "${CMAKE_COMMAND}" -E env "HOME=${WORK_DIR}/home")
set(run_by_path ${env} "${prefix}/bin/mkpkg")
set(run_by_launcher ${env} "PATH=${WORK_DIR}/path:$ENV{PATH}" mkpkg)
# The build folder is an installation itself, wherever it is.
set(run_from_build ${env} "${BUILD_DIR}/bin/mkpkg")

# Started through the launcher, the program names itself by the full path it was started by.
execute_process(COMMAND ${run_by_launcher} -h RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "${prefix}/bin/mkpkg: error: unrecognised option -h\n")
  message(FATAL_ERROR "mkpkg -h through the launcher: status ${status}, stderr [${errors}]")
endif()

file(COPY "${SOURCE_DIR}/examples" DESTINATION "${WORK_DIR}")
file(GLOB_RECURSE solutions "${WORK_DIR}/examples/*.hzp")
if(NOT solutions)
  message(FATAL_ERROR "no .hzp solution under ${SOURCE_DIR}/examples")
endif()

foreach(solution ${solutions})
  get_filename_component(directory "${solution}" DIRECTORY)
  get_filename_component(file "${solution}" NAME)
  foreach(way by_path by_launcher from_build)
    # Status 0 and silence: the installation and its templates were found.
    execute_process(COMMAND ${run_${way}} -hzr "${file}" "${way}.hzr" WORKING_DIRECTORY "${directory}"
      RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
      message(FATAL_ERROR "mkpkg -hzr ${solution} (${way}): status ${status}, stderr [${errors}]")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${directory}/by_path.hzr" "${directory}/${way}.hzr"
      RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${file}: the package written ${way} differs from the one written by path")
    endif()
  endforeach()

  execute_process(COMMAND ${run_by_launcher} -t by_path.hzr WORKING_DIRECTORY "${directory}"
    RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE errors)
  # The solution file is the package's first member.
  string(REGEX MATCH "^[^\n]*" first "${listing}")
  string(LENGTH "  ${file}" tail)
  string(LENGTH "${first}" length)
  math(EXPR start "${length} - ${tail}")
  if(start LESS 0)
    set(start 0)
  endif()
  string(SUBSTRING "${first}" ${start} -1 named)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "" OR NOT named STREQUAL "  ${file}")
    message(FATAL_ERROR "mkpkg -t: status ${status}, stderr [${errors}], listing:\n${listing}")
  endif()
  message(STATUS "${file}: the same package three ways, listing it first")
endforeach()
