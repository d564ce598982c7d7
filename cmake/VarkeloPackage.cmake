# The Debian package, built from the install rules by `cpack -G DEB`: what
# `cmake --install` installs by default (not the tools) and the package's own
# changelog, with Depends worked out from the binary.
set(CPACK_PACKAGE_NAME varkelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads out a smart meter gateway into CSV files")
set(CPACK_PACKAGE_DESCRIPTION
    "Varkelo reads out one smart meter gateway over TCP (port 12000): it downloads
the gateway's memory image into read.nmd, writes the meter list and one CSV
file per stored day, and records the outcome in error.txt. Each start is one
unattended run for one application folder; systemd template units run it on a
timer for any number of folders, as the system user varkelo.")
set(VARKELO_PACKAGE_MAINTAINER "The Varkelo developers <varkelo@example.org>"
    CACHE STRING "Maintainer field of the Debian package and its changelog")
set(CPACK_PACKAGE_CONTACT "${VARKELO_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

# The package's revision of the project's version: the first packaging of each
# version is -1, so the changelog is the package's own (changelog.Debian.gz).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(VARKELO_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst makes the user with systemd-sysusers; shlibdeps adds the libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "systemd | systemd-standalone-sysusers | systemd-sysusers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/debian/postinst;${PROJECT_SOURCE_DIR}/packaging/debian/prerm;${PROJECT_SOURCE_DIR}/packaging/debian/postrm")

# The changelog and lintian's overrides belong to the package only: a component that `cmake --install`
# leaves out and CPack adds.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  VERBATIM)
add_custom_target(varkelo_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME varkelo COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};varkelo;/"
                                 "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")

include(CPack)
