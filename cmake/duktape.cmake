# The script engine is compiled here from the Duktape source that duktape-dev installs,
# with a configuration of our own: the packaged library has no interrupt counter and so
# cannot stop a runaway script. The patched copies are written at configure time into
# the build tree; nothing of the engine lives in ours.
#
# Gives the C static library target `pelvaro_duktape`. Its users define
#   extern "C" int pelvaro_script_deadline_passed(void* heap_udata);
# which the engine calls from its interrupt check and its regular expression matcher.

set(PELVARO_DUKTAPE_SOURCE_DIR "/usr/share/duktape" CACHE PATH
    "Folder holding duktape.c, duktape.h and duk_config.h (Duktape 2.7, as duktape-dev installs it)")

set(_duk_src "${PELVARO_DUKTAPE_SOURCE_DIR}")
set(_duk_out "${CMAKE_BINARY_DIR}/duktape")
foreach(_file duktape.c duktape.h duk_config.h)
  if(NOT EXISTS "${_duk_src}/${_file}")
    message(FATAL_ERROR "Duktape source file ${_file} not found in ${_duk_src} (install duktape-dev)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_duk_src}/${_file}")
endforeach()
file(MAKE_DIRECTORY "${_duk_out}")

# Replaces the whole line `old` by `new` in the variable `content`; stops the configure
# step when that line is not there, since a silently unpatched engine would run
# scripts without limits.
function(_pelvaro_duk_patch content_var file old new)
  string(FIND "${${content_var}}" "\n${old}\n" _at)
  if(_at EQUAL -1)
    message(FATAL_ERROR "Cannot configure the script engine: ${file} lacks the line\n  ${old}")
  endif()
  string(REPLACE "\n${old}\n" "\n${new}\n" _patched "${${content_var}}")
  set(${content_var} "${_patched}" PARENT_SCOPE)
endfunction()

# Writes only when the text changed, so a re-configure does not rebuild the engine.
function(_pelvaro_duk_write file content)
  file(WRITE "${_duk_out}/${file}.tmp" "${content}")
  file(COPY_FILE "${_duk_out}/${file}.tmp" "${_duk_out}/${file}" ONLY_IF_DIFFERENT)
  file(REMOVE "${_duk_out}/${file}.tmp")
endfunction()

# ---- duk_config.h ---------------------------------------------------------------
file(READ "${_duk_src}/duk_config.h" _config)
_pelvaro_duk_patch(_config duk_config.h
  "#undef DUK_USE_INTERRUPT_COUNTER"
  "#define DUK_USE_INTERRUPT_COUNTER")
_pelvaro_duk_patch(_config duk_config.h
  "#undef DUK_USE_EXEC_TIMEOUT_CHECK"
  "#if defined(__cplusplus)
extern \"C\" {
#endif
int pelvaro_script_deadline_passed(void *heap_udata);
#if defined(__cplusplus)
}
#endif
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) (pelvaro_script_deadline_passed((udata)) != 0)")
_pelvaro_duk_write(duk_config.h "${_config}")

# ---- duktape.c --------------------------------------------------------------------
file(READ "${_duk_src}/duktape.c" _engine)
# The deadline is looked at once per this many bytecode instructions. The default of
# 256 Ki lets a loop over heavy built-in calls overrun the budget several times over.
_pelvaro_duk_patch(_engine duktape.c
  "#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)"
  "#define DUK_HTHREAD_INTCTR_DEFAULT (4L * 1024L)")
# The regular expression matcher never reaches the interrupt check: a catastrophic
# pattern ran for seconds. Bound each match by steps, and look at the deadline every
# 64 Ki steps; the timeout is made sticky like the executor's own.
_pelvaro_duk_patch(_engine duktape.c
  "#define DUK_RE_EXECUTE_STEPS_LIMIT 1000000000L /* 1e9 */"
  "#define DUK_RE_EXECUTE_STEPS_LIMIT 100000000L")
_pelvaro_duk_patch(_engine duktape.c
  "		if (re_ctx->steps_count >= re_ctx->steps_limit) {"
  "		if ((re_ctx->steps_count & 0xffffUL) == 0 &&
		    DUK_USE_EXEC_TIMEOUT_CHECK(re_ctx->thr->heap->heap_udata)) {
			re_ctx->thr->interrupt_init = 0;
			re_ctx->thr->interrupt_counter = 0;
			DUK_ERROR_RANGE(re_ctx->thr, \"execution timeout\");
			DUK_WO_NORETURN(return NULL;);
		}
		if (re_ctx->steps_count >= re_ctx->steps_limit) {")
_pelvaro_duk_write(duktape.c "${_engine}")

file(READ "${_duk_src}/duktape.h" _header)
_pelvaro_duk_write(duktape.h "${_header}")
unset(_engine)
unset(_config)
unset(_header)

add_library(pelvaro_duktape STATIC "${_duk_out}/duktape.c")
set_target_properties(pelvaro_duktape PROPERTIES LINKER_LANGUAGE C POSITION_INDEPENDENT_CODE ON)
# SYSTEM: our warning flags do not reach into the engine's headers.
target_include_directories(pelvaro_duktape SYSTEM PUBLIC "${_duk_out}")
target_link_libraries(pelvaro_duktape PUBLIC m)
