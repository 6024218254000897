# What is shipped: the installed program run on a copy of the examples, the
# Debian package's contents, the manual page's lint and the bash completion.
add_test(NAME install_example COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
  -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DWORK_DIR=${CMAKE_BINARY_DIR}/install_example
  -P ${CMAKE_CURRENT_LIST_DIR}/InstallTest.cmake)

# A test whose tool is missing is registered all the same, as skipped, saying what it needs.
function(mkpkg_skipped_test name needs)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped: needs ${needs}")
  set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped: ")
endfunction()

# CPack reads the package's Depends off the program with dpkg-shlibdeps.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  add_test(NAME debian_package COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DWORK_DIR=${CMAKE_BINARY_DIR}/debian_package -DCPACK=${CMAKE_CPACK_COMMAND}
    -P ${CMAKE_CURRENT_LIST_DIR}/PackageTest.cmake)
else()
  mkpkg_skipped_test(debian_package "dpkg-shlibdeps, from dpkg-dev")
endif()
find_program(LINTIAN lintian)
# Only an optimised build without the sanitizers is built as it is shipped.
if(MKPKG_SANITIZE OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  mkpkg_skipped_test(debian_lintian "a build as shipped (optimised, no sanitizers)")
elseif(DPKG_SHLIBDEPS AND LINTIAN)
  add_test(NAME debian_lintian COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DWORK_DIR=${CMAKE_BINARY_DIR}/debian_lintian -DCPACK=${CMAKE_CPACK_COMMAND} -DLINTIAN=${LINTIAN}
    -P ${CMAKE_CURRENT_LIST_DIR}/PackageTest.cmake)
else()
  mkpkg_skipped_test(debian_lintian "lintian and dpkg-shlibdeps")
endif()

find_program(GROFF groff)
if(GROFF)
  add_test(NAME manual_page COMMAND ${GROFF} -ww -man -z ${CMAKE_SOURCE_DIR}/doc/mkpkg.1)
  # groff reports a problem as a warning and still succeeds: any output fails.
  set_tests_properties(manual_page PROPERTIES FAIL_REGULAR_EXPRESSION ".")
else()
  mkpkg_skipped_test(manual_page "groff, from groff-base")
endif()

add_test(NAME bash_completion COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/CompletionTest.sh
  ${CMAKE_SOURCE_DIR}/doc/mkpkg-completion.bash ${CMAKE_BINARY_DIR}/bash_completion)
