# What `cmake --install` puts where: the program, its man page, its
# documentation with an example "System.ini" and the licence, the systemd units
# that run it once per application folder and the system user they run as. The tools are a component of their own that
# only `cmake --install BUILD --component tools` installs.
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME varkelo)
# Relative to the prefix, like the GNU directories: /usr/lib/systemd/system for
# a package, /usr/local/lib/systemd/system for a local install; systemd reads both.
set(VARKELO_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING "Directory of systemd system units")
set(VARKELO_SYSUSERS_DIR "lib/sysusers.d" CACHE STRING "Directory of systemd-sysusers files")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS varkelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (CPack's, `cmake --install --strip`) also drops the
# compiler's version notes, which nothing reads, as Debian's packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/varkelo\" COMMAND_ERROR_IS_FATAL ANY)
  endif()
")
foreach(tool gateway_sim make_sample_image)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools EXCLUDE_FROM_ALL)
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${packaging}/System.ini DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The documents README links for those who run the program; the others are the developers'.
install(FILES ${PROJECT_SOURCE_DIR}/docs/operations.md ${PROJECT_SOURCE_DIR}/docs/page.md ${PROJECT_SOURCE_DIR}/docs/page.png
  ${PROJECT_SOURCE_DIR}/docs/fleet-page.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
# The licence, in the machine-readable form Debian reads from every package.
install(FILES ${packaging}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages are installed compressed, as Debian's man reads them.
add_custom_command(OUTPUT ${staged}/varkelo.1.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${packaging}/varkelo.1 ${staged}/varkelo.1
  COMMAND gzip -9nf ${staged}/varkelo.1
  DEPENDS ${packaging}/varkelo.1
  VERBATIM)
add_custom_target(varkelo_man ALL DEPENDS ${staged}/varkelo.1.gz)
install(FILES ${staged}/varkelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The service names the program by its installed path, which is known only at
# install time: `cmake --install --prefix` and CPack choose the prefix then.
install(CODE "
  set(VARKELO_BIN \"${CMAKE_INSTALL_BINDIR}/varkelo\")
  if(NOT IS_ABSOLUTE \"\${VARKELO_BIN}\")
    set(VARKELO_BIN \"\${CMAKE_INSTALL_PREFIX}/\${VARKELO_BIN}\")
  endif()
  configure_file(\"${packaging}/systemd/varkelo@.service.in\" \"${staged}/varkelo@.service\" @ONLY)
  configure_file(\"${packaging}/systemd/varkelo-fleet@.service.in\" \"${staged}/varkelo-fleet@.service\" @ONLY)
")
install(FILES ${staged}/varkelo@.service ${packaging}/systemd/varkelo@.timer
  ${staged}/varkelo-fleet@.service ${packaging}/systemd/varkelo-fleet@.timer
  DESTINATION ${VARKELO_SYSTEMD_UNIT_DIR})
# The user and group `varkelo` the service runs as; the Debian package makes
# them on installation, a local install with `systemd-sysusers varkelo.conf`.
install(FILES ${packaging}/sysusers/varkelo.conf DESTINATION ${VARKELO_SYSUSERS_DIR})
