# The Windows package: a ZIP with both programs, an example System.ini and a
# short README in Japanese and English, with CR LF line ends.
install(TARGETS varkelo varkelo-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/System.ini DESTINATION .)
file(READ ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${PROJECT_BINARY_DIR}/package/README.txt "${text}")
install(FILES ${PROJECT_BINARY_DIR}/package/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME varkelo)
set(CPACK_PACKAGE_FILE_NAME varkelo-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
