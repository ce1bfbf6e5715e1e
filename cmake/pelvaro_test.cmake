# pelvaro_add_test(<name> SOURCES <files...> LIBS <targets...> [QT])
# Declares one GoogleTest program and registers its tests with CTest.
# QT: the program uses Qt widgets; its tests run on the offscreen platform.
# DESKTOP: its tests point the desktop folder elsewhere (ScopedDesktop), which on
# Windows is shared by the whole Wine prefix: they never run beside each other.
# EMULATOR: what runs the program in a cross build instead of the default one.
# PROPERTIES: further CTest properties of its tests.
function(pelvaro_add_test name)
  cmake_parse_arguments(ARG "QT;DESKTOP" "" "SOURCES;LIBS;EMULATOR;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PELVARO_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    PELVARO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  set(env "")
  if(ARG_QT)
    set(env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
  endif()
  if(ARG_EMULATOR)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${ARG_EMULATOR}")
  endif()
  # An empty ENVIRONMENT value would vanish from the list and pair the next
  # property's name with the wrong value.
  set(properties TIMEOUT 120)
  if(ARG_DESKTOP)
    list(APPEND properties RESOURCE_LOCK desktop)
  endif()
  list(APPEND properties ${ARG_PROPERTIES})
  if(env)
    # The variables stay one list value on their way through the discovery step.
    string(REPLACE ";" "\\;" env "${env}")
    list(APPEND properties ENVIRONMENT "${env}")
  endif()
  if(NOT PELVARO_TEST_DISCOVERY_MODE)
    set(PELVARO_TEST_DISCOVERY_MODE POST_BUILD)
  endif()
  # A cross build lists its tests when CTest runs, so building needs no emulator.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${PELVARO_TEST_DISCOVERY_MODE}
    PROPERTIES ${properties})
endfunction()
