# The icon, manifest and version resource of the Windows programs.
#   pelvaro_add_windows_resources(<target> DESCRIPTION <text>)
# The icon is drawn from the same picture as the Linux one, at the sizes the
# shell asks for: the small ones as bitmaps, 256 px as PNG to keep the file small.

find_program(PELVARO_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(PELVARO_ICOTOOL icotool REQUIRED)

set(PELVARO_ICON_FILE ${CMAKE_BINARY_DIR}/pelvaro.ico)
set(PELVARO_MANIFEST_FILE ${CMAKE_BINARY_DIR}/pelvaro.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/pelvaro.manifest ${PELVARO_MANIFEST_FILE} @ONLY)

set(_icon_picture ${PROJECT_SOURCE_DIR}/packaging/org.pelvaro.Pelvaro.svg)
set(_icon_bitmaps "")
foreach(size 16 20 24 32 40 48 64 256)
  set(_png ${CMAKE_BINARY_DIR}/icon/${size}.png)
  list(APPEND _icon_bitmaps ${_png})
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icon
    COMMAND ${PELVARO_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_icon_picture}
    DEPENDS ${_icon_picture} VERBATIM)
endforeach()
list(POP_BACK _icon_bitmaps _icon_large)  # 256 px, kept as PNG
add_custom_command(OUTPUT ${PELVARO_ICON_FILE}
  COMMAND ${PELVARO_ICOTOOL} -c -o ${PELVARO_ICON_FILE} ${_icon_bitmaps} --raw=${_icon_large}
  DEPENDS ${_icon_bitmaps} ${_icon_large} VERBATIM)
add_custom_target(pelvaro_icon DEPENDS ${PELVARO_ICON_FILE})

function(pelvaro_add_windows_resources target)
  cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
  set(PELVARO_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
  get_target_property(PELVARO_FILE_NAME ${target} OUTPUT_NAME)
  if(NOT PELVARO_FILE_NAME)
    set(PELVARO_FILE_NAME ${target})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${PELVARO_ICON_FILE};${PELVARO_MANIFEST_FILE}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} pelvaro_icon)
endfunction()
