# The Debian package: `cpack -G DEB` in the build folder writes
# mkpkg_<version>_<architecture>.deb there.
#
# The program finds its installation one level above the directory of the name
# it was started by, and a bare name counts from the current directory. So the
# package keeps the installed tree whole in a directory of its own and puts on
# PATH a launcher that starts the program by its full path. The manual page and
# the completion go where man and bash-completion look, beside the launcher.

# A private tree below /usr/lib rather than /opt: no package owns /opt, so
# removing this one would warn about it, or delete it when it is empty.
set(MKPKG_PACKAGE_ROOT /usr/lib/mkpkg)
set(MKPKG_LAUNCH_TARGET ${MKPKG_PACKAGE_ROOT}/bin/mkpkg)
configure_file(${CMAKE_CURRENT_LIST_DIR}/launcher.sh.in ${CMAKE_BINARY_DIR}/launcher/mkpkg @ONLY)

# Only the package writes outside its own tree: `cmake --install` leaves these out.
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/mkpkg DESTINATION /usr/bin
  COMPONENT debian EXCLUDE_FROM_ALL)
# What Debian's policy asks of a package's documentation: the manual page and
# the changelog compressed without a time stamp (gzip -9n), and a
# machine-readable copyright file.
find_program(GZIP gzip REQUIRED)
set(MKPKG_DEBIAN_DOCS ${CMAKE_BINARY_DIR}/debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${MKPKG_DEBIAN_DOCS}/changelog @ONLY)
add_custom_command(OUTPUT ${MKPKG_DEBIAN_DOCS}/mkpkg.1.gz ${MKPKG_DEBIAN_DOCS}/changelog.gz
  COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/doc/mkpkg.1 > ${MKPKG_DEBIAN_DOCS}/mkpkg.1.gz
  COMMAND ${GZIP} -9nc ${MKPKG_DEBIAN_DOCS}/changelog > ${MKPKG_DEBIAN_DOCS}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/doc/mkpkg.1 ${MKPKG_DEBIAN_DOCS}/changelog VERBATIM)
add_custom_target(debian_docs ALL DEPENDS ${MKPKG_DEBIAN_DOCS}/mkpkg.1.gz ${MKPKG_DEBIAN_DOCS}/changelog.gz)
install(FILES ${MKPKG_DEBIAN_DOCS}/mkpkg.1.gz DESTINATION /usr/share/man/man1 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${MKPKG_DEBIAN_DOCS}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
  DESTINATION /usr/share/doc/mkpkg COMPONENT debian EXCLUDE_FROM_ALL)
# The compiler's version notes (.comment) are no part of a shipped program.
install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/mkpkg\")" COMPONENT program)
install(FILES doc/mkpkg-completion.bash DESTINATION /usr/share/bash-completion/completions
  RENAME mkpkg COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME mkpkg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "mkpkg maintainers <maintainers@mkpkg.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "package tool for MSP430 support packages")
set(CPACK_PACKAGE_DESCRIPTION "mkpkg creates, lists, updates and extracts the compressed single-file
packages that carry MSP430 support packages, and packages a solution file
with every file it names.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${MKPKG_PACKAGE_ROOT})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_STRIP_FILES ON)
# Depends is read off the program's shared libraries (dpkg-shlibdeps), so a
# library linked later is declared without a change here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# One package: the program's tree, then what the package alone adds.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL program debian)
include(CPack)
