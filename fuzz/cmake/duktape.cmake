# The document library includes the engine's build script relative to the
# top-level project; in this project that path lands here, so hand it on.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/duktape.cmake)
