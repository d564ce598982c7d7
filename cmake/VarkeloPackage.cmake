# The Debian package, built from the install rules by `cpack -G DEB`: what
# `cmake --install` installs by default (not the tools), with Depends worked
# out from the binary.
set(CPACK_PACKAGE_NAME varkelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads out a smart meter gateway into CSV files")
set(CPACK_PACKAGE_DESCRIPTION
    "Varkelo reads out one smart meter gateway over TCP (port 12000): it downloads
the gateway's memory image into read.nmd, writes the meter list and one CSV
file per stored day, and records the outcome in error.txt. Each start is one
unattended run for one application folder; systemd template units run it on a
timer for any number of folders.")
set(VARKELO_PACKAGE_MAINTAINER "Varkelo developers <varkelo@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VARKELO_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/debian/postinst;${PROJECT_SOURCE_DIR}/packaging/debian/prerm;${PROJECT_SOURCE_DIR}/packaging/debian/postrm")

include(CPack)
