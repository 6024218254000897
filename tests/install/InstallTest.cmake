# Installs the build into a scratch prefix and packages a copy of every example
# solution with the installed program, as a user of the installation would.
#   cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DWORK_DIR=<scratch> -P InstallTest.cmake
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/home")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(program "${prefix}/bin/mkpkg")
if(NOT EXISTS "${program}" OR NOT EXISTS "${prefix}/targets/project_templates.xml")
  message(FATAL_ERROR "the installation lacks bin/mkpkg or targets/project_templates.xml")
endif()

file(COPY "${SOURCE_DIR}/examples" DESTINATION "${WORK_DIR}")
file(GLOB_RECURSE solutions "${WORK_DIR}/examples/*.hzp")
if(NOT solutions)
  message(FATAL_ERROR "no .hzp solution under ${SOURCE_DIR}/examples")
endif()

# The program reads and writes the user's data under HOME: keep it in the scratch directory.
set(run "${CMAKE_COMMAND}" -E env "HOME=${WORK_DIR}/home" "${program}")
foreach(solution ${solutions})
  get_filename_component(directory "${solution}" DIRECTORY)
  get_filename_component(file "${solution}" NAME)
  # The package is named after the solution up to the first dot.
  string(REGEX REPLACE "\\..*$" ".hzr" package "${file}")
  execute_process(COMMAND ${run} -hzr "${file}" WORKING_DIRECTORY "${directory}"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    message(FATAL_ERROR "mkpkg -hzr ${solution}: status ${status}, stderr [${errors}]")
  endif()
  execute_process(COMMAND ${run} -t "${package}" WORKING_DIRECTORY "${directory}"
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
    message(FATAL_ERROR "mkpkg -t ${package}: status ${status}, stderr [${errors}], listing:\n${listing}")
  endif()
  message(STATUS "${file}: ${package} lists it first")
endforeach()
