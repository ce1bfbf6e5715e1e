# Tests of a Windows build made on Linux: GoogleTest is compiled for the target
# from the source that libgtest-dev installs, and CTest runs every test program
# under Wine through `wine-run` in the build folder.

set(PELVARO_GTEST_SOURCE_DIR "/usr/src/googletest/googletest" CACHE PATH
    "GoogleTest's source (as libgtest-dev installs it), compiled for the target")
if(NOT EXISTS "${PELVARO_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest source not found in ${PELVARO_GTEST_SOURCE_DIR} (install libgtest-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${PELVARO_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest's own build names its targets GTest::gtest and GTest::gtest_main too.
include(GoogleTest)

# Wine keeps its Windows installation (the prefix) in the build folder, takes
# code page 936 from the locale, and keeps one server running between programs
# so that each test starts in a fraction of a second.
set(PELVARO_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH "Wine prefix of the test runs")
configure_file("${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in" "${CMAKE_BINARY_DIR}/wine-run" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
set(PELVARO_TEST_DISCOVERY_MODE PRE_TEST)
