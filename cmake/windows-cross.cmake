# What a cross build for Windows needs from the build machine: the header-only
# libraries of Debian's packages, GoogleTest built for the target from Debian's
# source package, and Wine to run the target's programs and tests.

# Only the folders of the header-only libraries go on the target's include
# path, never /usr/include itself, whose system headers are the build machine's.
find_path(host_asio_dir asio.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(host_cli11_dir CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(host_headers ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers})
file(CREATE_LINK ${host_asio_dir}/asio.hpp ${host_headers}/asio.hpp SYMBOLIC)
file(CREATE_LINK ${host_asio_dir}/asio ${host_headers}/asio SYMBOLIC)
file(CREATE_LINK ${host_cli11_dir}/CLI ${host_headers}/CLI SYMBOLIC)
set(ASIO_INCLUDE_DIR ${host_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})

if(BUILD_TESTING)
  set(googletest_source /usr/src/googletest)
  if(NOT EXISTS ${googletest_source}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's source is missing: scripts/setup-deps installs it (package googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${googletest_source} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# ctest and test discovery run every target program under Wine, with its
# prefix inside this build folder.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run ${PROJECT_BINARY_DIR}/wine)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/windows-resources.cmake)
# Release programs are shipped stripped: no debug information in the ZIP.
add_link_options($<$<CONFIG:Release,MinSizeRel>:-s>)
