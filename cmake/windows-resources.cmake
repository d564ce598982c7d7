# The resources every Windows program carries: an application manifest (run as
# the user who starts it, the themed common controls, sharp at every display
# scale, the Windows versions it knows) and a version resource with the
# project's version, the program's description and the copyright.
enable_language(RC)

function(varkelo_windows_resources target description)
  set(VARKELO_PROGRAM_NAME ${target})
  set(VARKELO_PROGRAM_FILE ${target}.exe)
  set(VARKELO_PROGRAM_DESCRIPTION "${description}")
  set(VARKELO_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  string(REPLACE "." "," VARKELO_FILE_VERSION_COMMAS ${VARKELO_FILE_VERSION})
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(VARKELO_MANIFEST ${folder}/${target}.exe.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in ${VARKELO_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${folder}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${folder}/${target}.rc)
  # The resource compiler reads the manifest when it compiles the script.
  set_source_files_properties(${folder}/${target}.rc PROPERTIES OBJECT_DEPENDS ${VARKELO_MANIFEST})
endfunction()
