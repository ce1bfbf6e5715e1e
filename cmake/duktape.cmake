# The script engine is compiled here from the Duktape source that duktape-dev installs,
# with a configuration of our own: the packaged library has no interrupt counter and so
# cannot stop a runaway script. The patched copies are written at configure time into
# the build tree; nothing of the engine lives in ours.
#
# Gives the C static library target `pelvaro_duktape`. Its users define
#   extern "C" int pelvaro_script_deadline_passed(void* heap_udata);
#   extern "C" int pelvaro_script_work_overdue(void* heap_udata, unsigned long work);
# the first called from the interrupt check, the second from the built-ins that loop
# natively; both answer nonzero once the call under way has run out of time.

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

# Replaces the lines `old` (one or more whole lines) by `new` in the variable `content`,
# and stops the configure step unless `old` occurs exactly `count` times: a silently
# unpatched engine would run scripts without limits.
function(_pelvaro_duk_patch_n content_var file count old new)
  set(_rest "${${content_var}}")
  set(_found 0)
  string(LENGTH "\n${old}\n" _old_length)
  while(TRUE)
    string(FIND "${_rest}" "\n${old}\n" _at)
    if(_at EQUAL -1)
      break()
    endif()
    math(EXPR _found "${_found} + 1")
    math(EXPR _next "${_at} + ${_old_length} - 1")
    string(SUBSTRING "${_rest}" ${_next} -1 _rest)
  endwhile()
  if(NOT _found EQUAL count)
    message(FATAL_ERROR "Cannot configure the script engine: ${file} holds ${_found} times, "
                        "not ${count}, the lines\n  ${old}")
  endif()
  string(REPLACE "\n${old}\n" "\n${new}\n" _patched "${${content_var}}")
  set(${content_var} "${_patched}" PARENT_SCOPE)
endfunction()

function(_pelvaro_duk_patch content_var file old new)
  _pelvaro_duk_patch_n(${content_var} ${file} 1 "${old}" "${new}")
  set(${content_var} "${${content_var}}" PARENT_SCOPE)
endfunction()

# Counts `amount` units of native work for `thread` on a line of its own before each of
# the `count` occurrences of the whole line `line` of duktape.c, at that line's indent.
function(_pelvaro_duk_work_before content_var count line thread amount)
  string(REGEX MATCH "^\t*" _indent "${line}")
  _pelvaro_duk_patch_n(${content_var} duktape.c ${count} "${line}"
                       "${_indent}PELVARO_DUK_WORK(${thread}, ${amount});\n${line}")
  set(${content_var} "${${content_var}}" PARENT_SCOPE)
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
# Two hooks of ours: the deadline check the executor makes every few hundred
# instructions, and a work count for the built-ins that loop natively for long.
# PELVARO_DUK_WORK(thr, amount) counts amount units of native work (a property
# access, a byte compared, a regular expression step) and, once the deadline has
# passed, throws the executor's own timeout error, made sticky the same way so that
# no catch clause can go on running.
_pelvaro_duk_patch(_config duk_config.h
  "#undef DUK_USE_EXEC_TIMEOUT_CHECK"
  "#if defined(__cplusplus)
extern \"C\" {
#endif
int pelvaro_script_deadline_passed(void *heap_udata);
int pelvaro_script_work_overdue(void *heap_udata, unsigned long work);
#if defined(__cplusplus)
}
#endif
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) (pelvaro_script_deadline_passed((udata)) != 0)
#define PELVARO_DUK_WORK(thr, amount) \\
	do { \\
		if (pelvaro_script_work_overdue((thr)->heap->heap_udata, (unsigned long) (amount)) != 0) { \\
			(thr)->interrupt_init = 0; \\
			(thr)->interrupt_counter = 0; \\
			DUK_ERROR_RANGE((thr), \"execution timeout\"); \\
		} \\
	} while (0)")
_pelvaro_duk_write(duk_config.h "${_config}")

# ---- duktape.c --------------------------------------------------------------------
# Every place below is a native loop whose work can grow faster than its input, or
# runs long without allocating (past the deadline the allocator refuses all growth,
# which stops the loops that do allocate).
file(READ "${_duk_src}/duktape.c" _engine)
# The deadline is looked at once per this many bytecode instructions. One instruction
# may stand for a built-in call that copies or compares tens of megabytes (a typed
# array copy, a relational compare of two long texts): a loop of them must still come
# back to the check soon. The default of 256 Ki overran the budget many times over.
_pelvaro_duk_patch(_engine duktape.c
  "#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)"
  "#define DUK_HTHREAD_INTCTR_DEFAULT 256L")

# Property reads and writes: the array built-ins (indexOf, lastIndexOf, forEach and
# the other iterators, reduce, join, concat, slice, splice, reverse, shift, unshift,
# sort), typed array copies and anything else that walks an array-like object go
# through these, and a sparse array or {length: 4294967295} costs nothing to make.
_pelvaro_duk_patch(_engine duktape.c
  "	DUK_STATS_INC(thr->heap, stats_getprop_all);"
  "	DUK_STATS_INC(thr->heap, stats_getprop_all);
	PELVARO_DUK_WORK(thr, 1);")
_pelvaro_duk_patch(_engine duktape.c
  "	DUK_STATS_INC(thr->heap, stats_putprop_all);"
  "	DUK_STATS_INC(thr->heap, stats_putprop_all);
	PELVARO_DUK_WORK(thr, 1);")

# String search, a naive scan that compares the pattern at every position: indexOf,
# lastIndexOf and includes share one loop; replace and split with a string pattern
# have one each. A long pattern over a long text costs their product, and even a
# plain scan of a long text, called in a loop, adds up.
_pelvaro_duk_work_before(_engine 1
  "	firstbyte = q_start[0]; /* leading byte of match string */"
  thr "DUK_HSTRING_GET_BYTELEN(h_this)")
_pelvaro_duk_work_before(_engine 1
  "			if (duk_memcmp((const void *) p, (const void *) q_start, (size_t) q_blen) == 0) {"
  thr q_blen)
_pelvaro_duk_work_before(_engine 2
  "				if (duk_memcmp((const void *) p, (const void *) q_start, (size_t) q_blen) == 0) {"
  thr q_blen)

# The regular expression matcher never reaches the interrupt check. Bound each match
# by steps, and count 4 Ki steps of work at the start of each match and every 4 Ki
# steps after; a step that is itself long (a back-reference compares a whole capture,
# a character class tests every range) counts its own work.
_pelvaro_duk_patch(_engine duktape.c
  "#define DUK_RE_EXECUTE_STEPS_LIMIT 1000000000L /* 1e9 */"
  "#define DUK_RE_EXECUTE_STEPS_LIMIT 100000000L")
_pelvaro_duk_patch(_engine duktape.c
  "		if (re_ctx->steps_count >= re_ctx->steps_limit) {"
  "		if ((re_ctx->steps_count & 0xfffUL) == 0) {
			PELVARO_DUK_WORK(re_ctx->thr, 0x1000UL);
		}
		if (re_ctx->steps_count >= re_ctx->steps_limit) {")
_pelvaro_duk_patch(_engine duktape.c
  "			match = 0;"
  "			if (n > 16) {
				PELVARO_DUK_WORK(re_ctx->thr, n);
			}
			match = 0;")
_pelvaro_duk_patch(_engine duktape.c
  "			p = re_ctx->saved[idx];"
  "			if (re_ctx->saved[idx + 1] - re_ctx->saved[idx] > 64) {
				PELVARO_DUK_WORK(re_ctx->thr, re_ctx->saved[idx + 1] - re_ctx->saved[idx]);
			}
			p = re_ctx->saved[idx];")

# The compiler (eval, the Function constructor, regular expression sources): the
# lexer refills its window of 64 code points here; a huge source of blanks or
# comments is scanned without allocating.
_pelvaro_duk_work_before(_engine 1 "	input_line = lex_ctx->input_line;" lex_ctx->thr 64)

# The fast path of JSON.stringify and the CBOR encoder walk objects without property
# reads; a shared object full of undefined members, listed many times, writes next
# to nothing while it is walked.
_pelvaro_duk_patch(_engine duktape.c
  "	DUK_DDD(DUK_DDDPRINT(\"stringify fast: %!T\", tv));"
  "	DUK_DDD(DUK_DDDPRINT(\"stringify fast: %!T\", tv));
	PELVARO_DUK_WORK(js_ctx->thr, 1);")
_pelvaro_duk_work_before(_engine 1 "	duk__cbor_encode_ensure(enc_ctx, 1 + 8);" enc_ctx->thr 1)

# Scans of a whole text, each a single call that allocates nothing: finding the byte
# offset of a character in a text that is not ASCII (charAt, substring, lastIndex),
# reading a number from a text (Number(), parseInt, comparisons), JSON.parse, trim,
# and the string comparisons of sort and of the relational operators.
_pelvaro_duk_work_before(_engine 1
  "				p_found = duk__scan_forwards(p_start + sce->bidx, p_end, dist_sce);" thr dist_sce)
_pelvaro_duk_work_before(_engine 1
  "				p_found = duk__scan_backwards(p_start + sce->bidx, p_start, dist_sce);" thr dist_sce)
_pelvaro_duk_work_before(_engine 1
  "		p_found = duk__scan_forwards(p_start, p_end, dist_start);" thr dist_start)
_pelvaro_duk_work_before(_engine 1
  "		p_found = duk__scan_backwards(p_end, p_start, dist_end);" thr dist_end)
_pelvaro_duk_patch(_engine duktape.c
  "	duk__numconv_parse_raw(thr, radix, flags);"
  "	if (duk_get_hstring(thr, -1) != NULL) {
		PELVARO_DUK_WORK(thr, DUK_HSTRING_GET_BYTELEN(duk_get_hstring(thr, -1)));
	}
	duk__numconv_parse_raw(thr, radix, flags);")
_pelvaro_duk_patch(_engine duktape.c
  "	h_text = duk_to_hstring(thr, idx_value); /* coerce in-place; rejects Symbols */"
  "	h_text = duk_to_hstring(thr, idx_value); /* coerce in-place; rejects Symbols */
	PELVARO_DUK_WORK(thr, DUK_HSTRING_GET_BYTELEN(h_text));")
_pelvaro_duk_work_before(_engine 1
  "	duk_trim(thr, 0);" thr "DUK_HSTRING_GET_BYTELEN(duk_known_hstring(thr, 0))")
_pelvaro_duk_work_before(_engine 1
  "	ret = duk_js_string_compare(h1, h2); /* retval is directly usable */"
  thr "DUK_HSTRING_GET_BYTELEN(h1)")
_pelvaro_duk_work_before(_engine 1 "			rc = duk_js_string_compare(h1, h2);"
  thr "DUK_HSTRING_GET_BYTELEN(h1)")

# A refused allocation is retried after up to ten full collections. With a full heap
# and a script that catches the failure in a loop, each try costs all of them before
# the next interrupt check; past the deadline the failure comes at once.
_pelvaro_duk_patch_n(_engine duktape.c 3
  "		duk_heap_mark_and_sweep(heap, flags);"
  "		if (DUK_USE_EXEC_TIMEOUT_CHECK(heap->heap_udata)) {
			break;
		}
		duk_heap_mark_and_sweep(heap, flags);")

# JSON.stringify writes a few characters raw that must not reach the document's JSON
# text unescaped: invisible format characters, the line and paragraph separators and
# the specials, which code page 936 cannot hold either. They are written as \u
# escapes, like the control characters.
_pelvaro_duk_patch(_engine duktape.c
  "				if (js_ctx->flag_ascii_only || cp == 0x2028 || cp == 0x2029) {"
  "				if (js_ctx->flag_ascii_only || (cp >= 0x7fUL && cp <= 0x9fUL) || cp == 0xadUL ||
				    (cp >= 0x600UL && cp <= 0x604UL) || cp == 0x70fUL || cp == 0x17b4UL || cp == 0x17b5UL ||
				    (cp >= 0x200cUL && cp <= 0x200fUL) || (cp >= 0x2028UL && cp <= 0x202fUL) ||
				    (cp >= 0x2060UL && cp <= 0x206fUL) || cp == 0xfeffUL || (cp >= 0xfff0UL && cp <= 0xffffUL)) {")
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
