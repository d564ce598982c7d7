# The Windows package: a ZIP with both programs, an example System.ini, a
# short README in Japanese and English and the licence. The texts have CR LF
# line ends, and the README a byte-order mark, so that Notepad of any Windows
# version reads it as UTF-8.
install(TARGETS varkelo varkelo-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/System.ini DESTINATION .)
string(ASCII 239 187 191 utf8_bom)
foreach(text_file packaging/windows/README.txt LICENSE)
  get_filename_component(name ${text_file} NAME_WE)
  file(READ ${PROJECT_SOURCE_DIR}/${text_file} text)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${text_file})
  string(REPLACE "\n" "\r\n" text "${text}")
  if(name STREQUAL "README")
    set(text "${utf8_bom}${text}")
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/package/${name}.txt "${text}")
  install(FILES ${PROJECT_BINARY_DIR}/package/${name}.txt DESTINATION .)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME varkelo)
set(CPACK_PACKAGE_FILE_NAME varkelo-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

# The installer, varkelo-VERSION-x64.msi in the build folder, signed when
# VARKELO_SIGN_PKCS12 is set in the environment (packaging/windows/build-msi).
add_custom_target(msi
  COMMAND ${PROJECT_SOURCE_DIR}/packaging/windows/build-msi ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}
          ${PROJECT_VERSION}
  DEPENDS varkelo varkelo-cli
  COMMENT "Building the installer varkelo-${PROJECT_VERSION}-x64.msi" VERBATIM)
